// The dashboard's readers of request text: listen addresses, local times of the
// history filter, the Cookie header and the pattern built from a job name (which
// must compile and match that name exactly).

#include "common/regex/regex_program.h"
#include "web/cookie_header.h"
#include "web/dashboard_json.h"
#include "web/web_address.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto endpoint = ob::web::ParseWebAddress(text)) {
        if (ob::web::ParseWebAddress(ob::web::FormatWebAddress(*endpoint)) != endpoint) {
            std::abort();
        }
    }
    static_cast<void>(ob::web::ParseLocalTime(text));
    static_cast<void>(ob::web::CookieValue(text, "obrenta_session"));
    // Job names are C strings: a NUL never stands in one (the dashboard answers 404).
    if (size <= 256 && text.find('\0') == std::string_view::npos) {
        auto program = ob::common::CompileRegex(ob::web::ExactNamePattern(text));
        if (!program || ob::common::MatchRegex(program.get(), text) != 1) {
            std::abort();
        }
    }
    return 0;
}
