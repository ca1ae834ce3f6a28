// Text -> OLE date, in the manner of the OLE conversion for an English (US) user.
//
// Accepted forms (case-insensitive; blanks, '/', '-', '.' and ',' separate):
//   dates   3/14/1995  3-14-95  1995-03-14  1995/3/14  March 14, 1995  14 Mar 1995
//           Tuesday, March 14, 1995 (the day name is ignored)  March 1995 (the 1st)
//           3/14 and March 14 (the current year)  3/1995 (the 1st)
//   times   12:41  12:41:29  12:41:29 PM  5 PM   (before or after the date)
//   ISO     1995-03-14T12:41:29
// Month/day/year comes first; when that is no valid date, day/month/year is tried,
// as the OLE conversion does. Years of one or two digits are 2000..2029 for 0..29
// and 1930..1999 for 30..99. A time alone is day 0; a date alone is midnight.
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"
#include "platform/time/ole_date.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace ob::datetime {
namespace {

// No date text comes near this; longer input is refused before any work.
constexpr std::size_t kMaxTextLength = 256;
constexpr int kMaxNumberDigits = 9;

enum class Kind { Number, Word, Colon, Separator };

struct Token {
    Kind kind;
    std::string_view text;
    int value = 0;  // Number only
    int digits = 0; // Number only
};

bool IsSpace(char c) {
    return text::IsBlank(c, text::kWhiteSpace);
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool Tokenize(std::string_view text, std::vector<Token>& tokens) {
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        if (IsDigit(c)) {
            const std::size_t start = i;
            int value = 0;
            while (i < text.size() && IsDigit(text[i])) {
                if (i - start >= kMaxNumberDigits) {
                    return false;
                }
                value = value * 10 + (text[i] - '0');
                ++i;
            }
            tokens.push_back(Token{Kind::Number, text.substr(start, i - start), value,
                                   static_cast<int>(i - start)});
            continue;
        }
        if (IsAlpha(c)) {
            const std::size_t start = i;
            while (i < text.size() && IsAlpha(text[i])) {
                ++i;
            }
            const std::string_view word = text.substr(start, i - start);
            // ISO 8601 joins date and time with a 'T': "1995-03-14T12:41:29".
            if (text::EqualsIgnoringCase(word, "t") && !tokens.empty() &&
                tokens.back().kind == Kind::Number && i < text.size() && IsDigit(text[i])) {
                continue;
            }
            tokens.push_back(Token{Kind::Word, word});
            continue;
        }
        if (c == ':') {
            tokens.push_back(Token{Kind::Colon, text.substr(i, 1)});
        } else if (c == '/' || c == '-' || c == '.' || c == ',') {
            tokens.push_back(Token{Kind::Separator, text.substr(i, 1)});
        } else {
            return false;
        }
        ++i;
    }
    return true;
}

struct Name {
    std::string_view name;
    int value;
};

constexpr std::array<Name, 12> kMonths{{{"january", 1},
                                        {"february", 2},
                                        {"march", 3},
                                        {"april", 4},
                                        {"may", 5},
                                        {"june", 6},
                                        {"july", 7},
                                        {"august", 8},
                                        {"september", 9},
                                        {"october", 10},
                                        {"november", 11},
                                        {"december", 12}}};

constexpr std::array<std::string_view, 7> kWeekdays{"sunday",   "monday", "tuesday", "wednesday",
                                                    "thursday", "friday", "saturday"};

// A full name or its three-letter abbreviation.
bool MatchesName(std::string_view word, std::string_view name) {
    return text::EqualsIgnoringCase(word, name) ||
           (word.size() == 3 && text::EqualsIgnoringCase(word, name.substr(0, 3)));
}

/// 1..12 for a month name, else 0.
int MonthOf(std::string_view word) {
    if (text::EqualsIgnoringCase(word, "sept")) {
        return 9;
    }
    for (const Name& month : kMonths) {
        if (MatchesName(word, month.name)) {
            return month.value;
        }
    }
    return 0;
}

bool IsWeekday(std::string_view word) {
    for (std::string_view day : kWeekdays) {
        if (MatchesName(word, day)) {
            return true;
        }
    }
    return false;
}

enum class Meridiem { None, Am, Pm };

Meridiem MeridiemOf(const Token& token) {
    if (token.kind != Kind::Word) {
        return Meridiem::None;
    }
    if (text::EqualsIgnoringCase(token.text, "am")) {
        return Meridiem::Am;
    }
    if (text::EqualsIgnoringCase(token.text, "pm")) {
        return Meridiem::Pm;
    }
    return Meridiem::None;
}

struct TimeOfDay {
    std::size_t begin = 0; // token range of the time
    std::size_t end = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

/// Finds the time in the tokens. Empty optional with `ok` false when the text has
/// a malformed time; empty optional with `ok` true when there is no time.
std::optional<TimeOfDay> FindTime(const std::vector<Token>& tokens, bool& ok) {
    ok = true;
    std::optional<TimeOfDay> found;
    const auto isNumber = [&](std::size_t i) {
        return i < tokens.size() && tokens[i].kind == Kind::Number;
    };
    const auto isColon = [&](std::size_t i) {
        return i < tokens.size() && tokens[i].kind == Kind::Colon;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (!(isNumber(i) && isColon(i + 1) && isNumber(i + 2))) {
            continue;
        }
        if (found) {
            ok = false; // two times
            return std::nullopt;
        }
        TimeOfDay time;
        time.begin = i;
        time.hour = tokens[i].value;
        time.minute = tokens[i + 2].value;
        std::size_t end = i + 3;
        bool shortFields = tokens[i].digits <= 2 && tokens[i + 2].digits <= 2;
        if (isColon(end) && isNumber(end + 1)) {
            time.second = tokens[end + 1].value;
            shortFields = shortFields && tokens[end + 1].digits <= 2;
            end += 2;
        }
        if (!shortFields) {
            ok = false;
            return std::nullopt;
        }
        time.end = end;
        found = time;
        i = end - 1;
    }
    if (!found) {
        // An hour alone with AM or PM: "5 PM".
        for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
            if (isNumber(i) && MeridiemOf(tokens[i + 1]) != Meridiem::None) {
                if (tokens[i].digits > 2) {
                    ok = false;
                    return std::nullopt;
                }
                TimeOfDay time;
                time.begin = i;
                time.end = i + 1;
                time.hour = tokens[i].value;
                found = time;
                break;
            }
        }
    }
    if (!found) {
        return std::nullopt;
    }
    TimeOfDay& time = *found;
    if (time.end < tokens.size()) {
        const Meridiem meridiem = MeridiemOf(tokens[time.end]);
        if (meridiem != Meridiem::None) {
            // 12 AM is midnight, 12 PM noon; hours past 12 take no AM or PM.
            if (time.hour > 12 || (time.hour == 0 && meridiem == Meridiem::Pm)) {
                ok = false;
                return std::nullopt;
            }
            if (meridiem == Meridiem::Am && time.hour == 12) {
                time.hour = 0;
            } else if (meridiem == Meridiem::Pm && time.hour != 12) {
                time.hour += 12;
            }
            ++time.end;
        }
    }
    if (time.hour > 23 || time.minute > 59 || time.second > 59) {
        ok = false;
        return std::nullopt;
    }
    return found;
}

struct Number {
    int value;
    int digits;
};

struct DateFields {
    std::vector<Number> numbers;
    int month = 0; // from a month name
    bool weekday = false;
};

/// Reads the date tokens: numbers and names joined by single separators.
bool ReadDate(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
              DateFields& fields) {
    bool expectItem = true; // after a separator (or at the start) an item must follow
    for (std::size_t i = begin; i < end; ++i) {
        const Token& token = tokens[i];
        switch (token.kind) {
        case Kind::Separator:
            if (expectItem) {
                return false;
            }
            expectItem = true;
            break;
        case Kind::Colon:
            return false;
        case Kind::Number:
            fields.numbers.push_back(Number{token.value, token.digits});
            expectItem = false;
            break;
        case Kind::Word:
            if (const int month = MonthOf(token.text); month != 0 && fields.month == 0) {
                fields.month = month;
            } else if (IsWeekday(token.text) && !fields.weekday) {
                fields.weekday = true;
            } else {
                return false;
            }
            expectItem = false;
            break;
        }
    }
    return !expectItem || begin == end;
}

bool LooksLikeYear(const Number& n) {
    return n.digits >= 3 || n.value > 31;
}

int YearOf(const Number& n) {
    if (n.digits <= 2) {
        return n.value < 30 ? 2000 + n.value : 1900 + n.value;
    }
    return n.value;
}

int CurrentYear() {
    DateParts now;
    return OleDate::Now().GetParts(now) ? now.year : 0;
}

OleDate BuildDate(const DateFields& fields, const TimeOfDay& time) {
    const auto make = [&](int year, int month, int day) {
        return OleDate::FromParts(year, month, day, time.hour, time.minute, time.second);
    };
    // The first candidate that is a real date wins.
    const auto firstValid = [](OleDate preferred, OleDate alternative) {
        return preferred.IsValid() ? preferred : alternative;
    };
    const std::vector<Number>& n = fields.numbers;
    if (fields.month != 0) {
        if (n.size() == 1) {
            if (LooksLikeYear(n[0])) {
                return make(YearOf(n[0]), fields.month, 1); // "March 1995"
            }
            return make(CurrentYear(), fields.month, n[0].value); // "March 14"
        }
        if (n.size() == 2) {
            if (LooksLikeYear(n[0]) && !LooksLikeYear(n[1])) {
                return make(YearOf(n[0]), fields.month, n[1].value); // "1995 March 14"
            }
            return make(YearOf(n[1]), fields.month, n[0].value); // "March 14 1995", "14 Mar 95"
        }
        return OleDate::InvalidDate();
    }
    if (n.size() == 3) {
        if (LooksLikeYear(n[0])) {
            return make(YearOf(n[0]), n[1].value, n[2].value); // ISO order
        }
        return firstValid(make(YearOf(n[2]), n[0].value, n[1].value),
                          make(YearOf(n[2]), n[1].value, n[0].value));
    }
    if (n.size() == 2) {
        if (LooksLikeYear(n[0])) {
            return make(YearOf(n[0]), n[1].value, 1); // "1995-03"
        }
        if (LooksLikeYear(n[1])) {
            return make(YearOf(n[1]), n[0].value, 1); // "3/1995"
        }
        const int year = CurrentYear();
        return firstValid(make(year, n[0].value, n[1].value), make(year, n[1].value, n[0].value));
    }
    return OleDate::InvalidDate();
}

OleDate ParseTokens(const std::vector<Token>& tokens) {
    bool ok = true;
    const std::optional<TimeOfDay> time = FindTime(tokens, ok);
    if (!ok) {
        return OleDate::InvalidDate();
    }
    // The date lies wholly before or wholly after the time; one separator between
    // them ("March 14, 1995, 12:41") belongs to neither.
    std::size_t beforeEnd = time ? time->begin : tokens.size();
    std::size_t afterBegin = time ? time->end : tokens.size();
    if (time && beforeEnd > 1 && tokens[beforeEnd - 1].kind == Kind::Separator) {
        --beforeEnd;
    }
    if (time && afterBegin + 1 < tokens.size() && tokens[afterBegin].kind == Kind::Separator) {
        ++afterBegin;
    }
    if (beforeEnd > 0 && afterBegin < tokens.size()) {
        return OleDate::InvalidDate();
    }
    const std::size_t dateBegin = beforeEnd > 0 ? 0 : afterBegin;
    const std::size_t dateEnd = beforeEnd > 0 ? beforeEnd : tokens.size();

    DateFields fields;
    if (!ReadDate(tokens, dateBegin, dateEnd, fields)) {
        return OleDate::InvalidDate();
    }
    const TimeOfDay timeOfDay = time.value_or(TimeOfDay{});
    if (fields.numbers.empty() && fields.month == 0) {
        if (!time || fields.weekday) {
            return OleDate::InvalidDate();
        }
        const int seconds = timeOfDay.hour * 3600 + timeOfDay.minute * 60 + timeOfDay.second;
        return OleDate(seconds / 86400.0);
    }
    return BuildDate(fields, timeOfDay);
}

} // namespace

OleDate OleDate::Parse(std::string_view text) {
    if (text.size() > kMaxTextLength) {
        return InvalidDate();
    }
    try {
        std::vector<Token> tokens;
        if (!Tokenize(text, tokens)) {
            return InvalidDate();
        }
        return ParseTokens(tokens);
    } catch (...) {
        return InvalidDate(); // out of memory for the token list
    }
}

} // namespace ob::datetime
