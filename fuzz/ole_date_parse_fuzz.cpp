// Fuzzes the text -> date conversion and the date -> text forms.
//
// Beyond not crashing, every date the parser accepts must convert to calendar
// parts, and its default text form must parse back to the same moment (the
// process stays in the C locale, so the form is on a 24-hour clock).
#include "platform/time/ole_date.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ob::datetime::DateParts;
    using ob::datetime::OleDate;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const OleDate date = OleDate::Parse(text);

    // The input doubles as a strftime pattern (bounded: the output grows with it).
    if (size <= 512) {
        (void)date.Format(text);
    }
    if (!date.IsValid()) {
        return 0;
    }
    DateParts parts;
    if (!date.GetParts(parts)) {
        __builtin_trap(); // a parsed date outside the range it can be shown in
    }
    const std::string shown = date.Format();
    (void)date.Format("%#c %#x %#d %#j %#D %#T %#r %c %x %X %Z");
    const OleDate back = OleDate::Parse(shown);
    if (!(back == date)) {
        __builtin_trap(); // the default form does not read back as the same moment
    }
    return 0;
}
