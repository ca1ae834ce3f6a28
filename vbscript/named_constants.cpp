#include "vbscript/named_constants.h"

#include "platform/text/ascii_case.h"

#include <cstdint>
#include <string>

namespace ob::vbscript {

bool FindConstant(std::string_view name, Variant& out) {
    struct Number {
        const char* name;
        std::int32_t value;
    };
    static const Number kNumbers[] = {
        {"vbBinaryCompare", 0},
        {"vbTextCompare", 1},
        {"vbEmpty", 0},
        {"vbNull", 1},
        {"vbInteger", 2},
        {"vbLong", 3},
        {"vbSingle", 4},
        {"vbDouble", 5},
        {"vbCurrency", 6},
        {"vbDate", 7},
        {"vbString", 8},
        {"vbObject", 9},
        {"vbError", 10},
        {"vbBoolean", 11},
        {"vbVariant", 12},
        {"vbDataObject", 13},
        {"vbByte", 17},
        {"vbArray", 8192},
        {"vbUseDefault", -2},
        {"vbObjectError", -2147221504},
        {"vbOKOnly", 0},
        {"vbOKCancel", 1},
        {"vbAbortRetryIgnore", 2},
        {"vbYesNoCancel", 3},
        {"vbYesNo", 4},
        {"vbRetryCancel", 5},
        {"vbCritical", 16},
        {"vbQuestion", 32},
        {"vbExclamation", 48},
        {"vbInformation", 64},
        {"vbDefaultButton1", 0},
        {"vbDefaultButton2", 256},
        {"vbDefaultButton3", 512},
        {"vbApplicationModal", 0},
        {"vbSystemModal", 4096},
        {"vbOK", 1},
        {"vbCancel", 2},
        {"vbAbort", 3},
        {"vbRetry", 4},
        {"vbIgnore", 5},
        {"vbYes", 6},
        {"vbNo", 7},
        {"vbUseSystemDayOfWeek", 0},
        {"vbSunday", 1},
        {"vbMonday", 2},
        {"vbTuesday", 3},
        {"vbWednesday", 4},
        {"vbThursday", 5},
        {"vbFriday", 6},
        {"vbSaturday", 7},
        {"vbGeneralDate", 0},
        {"vbLongDate", 1},
        {"vbShortDate", 2},
        {"vbLongTime", 3},
        {"vbShortTime", 4},
        {"vbUseSystem", 0},
        {"vbFirstJan1", 1},
        {"vbFirstFourDays", 2},
        {"vbFirstFullWeek", 3},
    };
    struct Text {
        const char* name;
        const char* value;
        std::size_t size;
    };
    static const Text kTexts[] = {
        {"vbCrLf", "\r\n", 2},   {"vbNewLine", "\r\n", 2}, {"vbCr", "\r", 1},
        {"vbLf", "\n", 1},       {"vbTab", "\t", 1},       {"vbNullChar", "\0", 1},
        {"vbNullString", "", 0}, {"vbFormFeed", "\f", 1},  {"vbVerticalTab", "\v", 1},
    };
    for (const Number& n : kNumbers) {
        if (text::EqualsIgnoringCase(n.name, name)) {
            out = (n.value >= -32768 && n.value <= 32767) ? Variant::Integer(n.value)
                                                          : Variant::Long(n.value);
            return true;
        }
    }
    if (text::EqualsIgnoringCase(name, "vbTrue") || text::EqualsIgnoringCase(name, "vbFalse")) {
        out = Variant::Integer(text::EqualsIgnoringCase(name, "vbTrue") ? -1 : 0);
        return true;
    }
    for (const Text& t : kTexts) {
        if (text::EqualsIgnoringCase(t.name, name)) {
            out = Variant::String(std::string(t.value, t.size));
            return true;
        }
    }
    return false;
}

} // namespace ob::vbscript
