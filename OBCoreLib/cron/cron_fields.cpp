#include "OBCoreLib/cron/cron_fields.h"

namespace ob::corelib {

std::vector<std::string> SplitCronFields(std::string_view expression) {
    std::vector<std::string> fields;
    std::string field;
    bool inField = false;
    bool quoted = false;
    for (const char c : expression) {
        if (c == '"') {
            quoted = !quoted;
            inField = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inField) {
                fields.push_back(std::move(field));
                field.clear();
                inField = false;
            }
        } else {
            field += c;
            inField = true;
        }
    }
    if (inField) {
        fields.push_back(std::move(field));
    }
    return fields;
}

} // namespace ob::corelib
