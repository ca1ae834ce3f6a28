#include "vbscript/named_constants.h"

#include "platform/text/ascii_case.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace ob::vbscript {

namespace {

enum class Kind { Integer, Long, Text };

struct Constant {
    const char* name;
    Kind kind;
    std::int32_t number;
    std::string_view text;
};

// Every constant of the language with its subtype: the numbers are Integers
// (VarType 2) but for the colours, vbObjectError and the values beyond an
// Integer's range, which are Longs.
constexpr Constant kConstants[] = {
    // compare modes
    {"vbBinaryCompare", Kind::Integer, 0, {}},
    {"vbTextCompare", Kind::Integer, 1, {}},
    // VarType results
    {"vbEmpty", Kind::Integer, 0, {}},
    {"vbNull", Kind::Integer, 1, {}},
    {"vbInteger", Kind::Integer, 2, {}},
    {"vbLong", Kind::Integer, 3, {}},
    {"vbSingle", Kind::Integer, 4, {}},
    {"vbDouble", Kind::Integer, 5, {}},
    {"vbCurrency", Kind::Integer, 6, {}},
    {"vbDate", Kind::Integer, 7, {}},
    {"vbString", Kind::Integer, 8, {}},
    {"vbObject", Kind::Integer, 9, {}},
    {"vbError", Kind::Integer, 10, {}},
    {"vbBoolean", Kind::Integer, 11, {}},
    {"vbVariant", Kind::Integer, 12, {}},
    {"vbDataObject", Kind::Integer, 13, {}},
    {"vbDecimal", Kind::Integer, 14, {}},
    {"vbByte", Kind::Integer, 17, {}},
    {"vbArray", Kind::Integer, 8192, {}},
    // tri-states
    {"vbTrue", Kind::Integer, -1, {}},
    {"vbFalse", Kind::Integer, 0, {}},
    {"vbUseDefault", Kind::Integer, -2, {}},
    // MsgBox buttons, icons, defaults and modes
    {"vbOKOnly", Kind::Integer, 0, {}},
    {"vbOKCancel", Kind::Integer, 1, {}},
    {"vbAbortRetryIgnore", Kind::Integer, 2, {}},
    {"vbYesNoCancel", Kind::Integer, 3, {}},
    {"vbYesNo", Kind::Integer, 4, {}},
    {"vbRetryCancel", Kind::Integer, 5, {}},
    {"vbCritical", Kind::Integer, 16, {}},
    {"vbQuestion", Kind::Integer, 32, {}},
    {"vbExclamation", Kind::Integer, 48, {}},
    {"vbInformation", Kind::Integer, 64, {}},
    {"vbDefaultButton1", Kind::Integer, 0, {}},
    {"vbDefaultButton2", Kind::Integer, 256, {}},
    {"vbDefaultButton3", Kind::Integer, 512, {}},
    {"vbDefaultButton4", Kind::Integer, 768, {}},
    {"vbApplicationModal", Kind::Integer, 0, {}},
    {"vbSystemModal", Kind::Integer, 4096, {}},
    {"vbMsgBoxHelpButton", Kind::Integer, 16384, {}},
    {"vbMsgBoxSetForeground", Kind::Long, 65536, {}},
    {"vbMsgBoxRight", Kind::Long, 524288, {}},
    {"vbMsgBoxRtlReading", Kind::Long, 1048576, {}},
    // MsgBox answers
    {"vbOK", Kind::Integer, 1, {}},
    {"vbCancel", Kind::Integer, 2, {}},
    {"vbAbort", Kind::Integer, 3, {}},
    {"vbRetry", Kind::Integer, 4, {}},
    {"vbIgnore", Kind::Integer, 5, {}},
    {"vbYes", Kind::Integer, 6, {}},
    {"vbNo", Kind::Integer, 7, {}},
    // days of the week
    {"vbUseSystemDayOfWeek", Kind::Integer, 0, {}},
    {"vbSunday", Kind::Integer, 1, {}},
    {"vbMonday", Kind::Integer, 2, {}},
    {"vbTuesday", Kind::Integer, 3, {}},
    {"vbWednesday", Kind::Integer, 4, {}},
    {"vbThursday", Kind::Integer, 5, {}},
    {"vbFriday", Kind::Integer, 6, {}},
    {"vbSaturday", Kind::Integer, 7, {}},
    // first week of the year
    {"vbUseSystem", Kind::Integer, 0, {}},
    {"vbFirstJan1", Kind::Integer, 1, {}},
    {"vbFirstFourDays", Kind::Integer, 2, {}},
    {"vbFirstFullWeek", Kind::Integer, 3, {}},
    // date formats
    {"vbGeneralDate", Kind::Integer, 0, {}},
    {"vbLongDate", Kind::Integer, 1, {}},
    {"vbShortDate", Kind::Integer, 2, {}},
    {"vbLongTime", Kind::Integer, 3, {}},
    {"vbShortTime", Kind::Integer, 4, {}},
    // colours
    {"vbBlack", Kind::Long, 0x000000, {}},
    {"vbRed", Kind::Long, 0x0000FF, {}},
    {"vbGreen", Kind::Long, 0x00FF00, {}},
    {"vbYellow", Kind::Long, 0x00FFFF, {}},
    {"vbBlue", Kind::Long, 0xFF0000, {}},
    {"vbMagenta", Kind::Long, 0xFF00FF, {}},
    {"vbCyan", Kind::Long, 0xFFFF00, {}},
    {"vbWhite", Kind::Long, 0xFFFFFF, {}},
    // errors
    {"vbObjectError", Kind::Long, -2147221504, {}},
    // texts
    {"vbCr", Kind::Text, 0, "\r"},
    {"vbCrLf", Kind::Text, 0, "\r\n"},
    {"vbFormFeed", Kind::Text, 0, "\f"},
    {"vbLf", Kind::Text, 0, "\n"},
    {"vbNewLine", Kind::Text, 0, "\r\n"},
    {"vbNullChar", Kind::Text, 0, std::string_view("\0", 1)},
    {"vbNullString", Kind::Text, 0, ""},
    {"vbTab", Kind::Text, 0, "\t"},
    {"vbVerticalTab", Kind::Text, 0, "\v"},
};

using Index =
    std::unordered_map<std::string_view, Variant, text::CaseBlindHash, text::CaseBlindEqual>;

const Index& Constants() {
    static const Index index = [] {
        Index all;
        for (const Constant& c : kConstants) {
            switch (c.kind) {
            case Kind::Integer:
                all.emplace(c.name, Variant::Integer(c.number));
                break;
            case Kind::Long:
                all.emplace(c.name, Variant::Long(c.number));
                break;
            case Kind::Text:
                all.emplace(c.name, Variant::String(std::string(c.text)));
                break;
            }
        }
        return all;
    }();
    return index;
}

} // namespace

bool FindConstant(std::string_view name, Variant& out) {
    const Index& index = Constants();
    const auto it = index.find(name);
    if (it == index.end()) {
        return false;
    }
    out = it->second;
    return true;
}

} // namespace ob::vbscript
