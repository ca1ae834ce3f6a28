#include "engine/jobs/statement.h"
#include "platform/text/blank.h"

namespace ob::engine {

void Statement::SetText(std::string_view text) {
    text_.assign(text::Trim(text, text::kWhiteSpace));
}

} // namespace ob::engine
