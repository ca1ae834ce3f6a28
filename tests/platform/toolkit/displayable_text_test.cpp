#include "platform/toolkit/displayable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::toolkit {
namespace {

TEST(DisplayableText, ReplacesWhatIsNotUtf8AndCutsLongTexts) {
    struct Case {
        std::string text;
        std::size_t limit;
        std::string shown;
    };
    const std::string r = "\xef\xbf\xbd"; // U+FFFD
    const std::string dots = "\xe2\x80\xa6";
    const Case cases[] = {
        {"plain \xc3\xa9t\xc3\xa9", 64, "plain \xc3\xa9t\xc3\xa9"},
        {"a\xff"
         "b\xc3",
         64, "a" + r + "b" + r},
        {std::string("x\0y", 3), 64, "x" + r + "y"},
        {"\xed\xa0\x80", 64, r + r + r}, // a surrogate is not UTF-8
        {"abcdef", 4, "abcd" + dots},
        {"ab\xc3\xa9\xc3\xa9", 3, "ab" + dots}, // never half a character
        {"abc\xff\xff", 4, "abc" + dots},       // a replacement does not fit either
        {std::string(10, 'z'), 10, std::string(10, 'z')},
        {"", 4, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayableText(c.text, c.limit), c.shown) << c.text;
    }
}

} // namespace
} // namespace ob::toolkit
