#include "engine/expansion/date_tokens.h"

#include "platform/text/ascii_case.h"

#include <array>

namespace ob::engine {
namespace {

constexpr std::array<DateToken, 39> kDateTokens{{
    {"%DAY%", "a", "the abbreviated weekday name (Tue)"},
    {"%a%", "a", "the abbreviated weekday name (Tue)"},
    {"%A%", "A", "the weekday name (Tuesday)"},
    {"%MONTH%", "b", "the abbreviated month name (Mar)"},
    {"%b%", "b", "the abbreviated month name (Mar)"},
    {"%B%", "B", "the month name (March)"},
    {"%c%", "c", "the date and time in the locale's form (Tue Mar 14 12:41:29 1995)"},
    {"%d%", "d", "the day of the month (01 to 31)"},
    {"%H%", "H", "the hour (00 to 23)"},
    {"%I%", "I", "the hour (01 to 12)"},
    {"%j%", "j", "the day of the year (001 to 366)"},
    {"%m%", "m", "the month (01 to 12)"},
    {"%M%", "M", "the minute (00 to 59)"},
    {"%p%", "p", "AM or PM (PM)"},
    {"%S%", "S", "the second (00 to 59)"},
    {"%U%", "U", "the week of the year, weeks starting on Sunday (00 to 53)"},
    {"%w%", "w", "the day of the week, Sunday 0 (0 to 6)"},
    {"%i%", "w", "the day of the week, Sunday 1 (1 to 7)"},
    {"%W%", "W", "the week of the year, weeks starting on Monday (00 to 53)"},
    {"%x%", "x", "the date in the locale's form (03/14/95)"},
    {"%X%", "X", "the time in the locale's form (12:41:29)"},
    {"%y%", "y", "the year without the century (00 to 99)"},
    {"%Y%", "Y", "the year with the century (1995)"},
    {"%z%", "z", "the offset of the time zone (+0100)"},
    {"%Z%", "Z", "the name of the time zone (CET)"},
    {"%#c%", "#c", "the long date and time (Tuesday, March 14, 1995 12:41:29)"},
    {"%#x%", "#x", "the long date (Tuesday, March 14, 1995)"},
    {"%#d%", "#d", "the day of the month without a leading zero (1 to 31)"},
    {"%#H%", "#H", "the hour without a leading zero (0 to 23)"},
    {"%#I%", "#I", "the hour without a leading zero (1 to 12)"},
    {"%#j%", "#j", "the day of the year without leading zeros (1 to 366)"},
    {"%#m%", "#m", "the month without a leading zero (1 to 12)"},
    {"%#M%", "#M", "the minute without a leading zero (0 to 59)"},
    {"%#S%", "#S", "the second without a leading zero (0 to 59)"},
    {"%#U%", "#U", "the week of the year from Sunday without a leading zero (0 to 53)"},
    {"%#w%", "#w", "the day of the week, Sunday 0 (0 to 6)"},
    {"%#W%", "#W", "the week of the year from Monday without a leading zero (0 to 53)"},
    {"%#y%", "#y", "the year without the century and without a leading zero (0 to 99)"},
    {"%#Y%", "#Y", "the year with the century (1995)"},
}};

} // namespace

std::span<const DateToken> DateTokens() {
    return kDateTokens;
}

std::vector<const DateToken*> TokensNamed(std::string_view name) {
    std::vector<const DateToken*> found;
    for (const DateToken& token : kDateTokens) {
        const std::string_view tokenName = token.token.substr(1, token.token.size() - 2);
        if (text::EqualsIgnoringCase(tokenName, name)) {
            found.push_back(&token);
        }
    }
    return found;
}

} // namespace ob::engine
