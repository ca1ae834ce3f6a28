// Masking the value of "-password" words in text that is printed or logged.
#include "common/password_mask.h"

#include <gtest/gtest.h>

namespace ob::common {
namespace {

TEST(PasswordMask, ValueOfEveryPasswordWordIsMasked) {
    struct Case {
        const char* text;
        const char* masked;
    };
    const Case cases[] = {
        {"-spawn -user u -password p prog", "-spawn -user u -password ******** prog"},
        {"-spawn -PassWord \"two words\" prog", "-spawn -PassWord ******** prog"},
        {"-spawn \"-password\",p,prog", "-spawn \"-password\",********,prog"},
        {"a\t-password\tp\r\n-password q", "a\t-password\t********\r\n-password ********"},
        {"(-spawn -password secret x).", "(-spawn -password ******** x)."},
        {"-password -password x", "-password ******** x"},
        {"-password \"unclosed quote, and more", "-password ********"},
        // Unchanged: no value, another word, masked already, no password at all.
        {"-spawn -password", "-spawn -password"},
        {"-passwords x x-password y", "-passwords x x-password y"},
        {"-password ******** x", "-password ******** x"},
        {"Return code(3) for sh.", "Return code(3) for sh."},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskPasswords(c.text), c.masked) << c.text;
    }
}

} // namespace
} // namespace ob::common
