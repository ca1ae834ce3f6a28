// Masking passwords in text that is printed or logged: the value of "-password"
// words and the password arguments of the runtime object's methods.
#include "common/password_mask.h"

#include <gtest/gtest.h>

namespace ob::common {
namespace {

struct Case {
    const char* text;
    const char* masked;
};

TEST(PasswordMask, ValueOfEveryPasswordWordIsMasked) {
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

TEST(PasswordMask, PasswordArgumentOfTheRuntimeObjectIsMasked) {
    const Case cases[] = {
        {"OBCtrl.LogonUser(\"bob\", \".\", \"s3cret\", 2, 0)",
         "OBCtrl.LogonUser(\"bob\", \".\", ********, 2, 0)"},
        {"x = o.createprocessasuser(0,\"u\",\"\",pw & \"x\",\"ls\") + 1",
         "x = o.createprocessasuser(0,\"u\",\"\",********,\"ls\") + 1"},
        // A call statement ends at the line's end or a ':'; commas and parentheses
        // inside strings and nested calls do not split arguments.
        {"rt.FtpConnect \"h\", 21, \"u\", \"a,\"\"b)\" : y = 1\nz",
         "rt.FtpConnect \"h\", 21, \"u\", ******** : y = 1\nz"},
        {"rt.NetScheduleJobAddAsUser(0, \"u\", Mid(s, 1, 2), Pw(1, 2), \"* * * * *\", \"c\")",
         "rt.NetScheduleJobAddAsUser(0, \"u\", Mid(s, 1, 2), ********, \"* * * * *\", \"c\")"},
        {"rt.LogonUser(\"u\", \".\", \"unclosed", "rt.LogonUser(\"u\", \".\", ********"},
        {"ftp.Password = \"s3cret\" : ftp.Connect", "ftp.Password = ******** : ftp.Connect"},
        {"x = pop.password", "x = pop.password"},
        // Unchanged: too few arguments, not a method call, masked already.
        {"rt.LogonUser(\"u\", \".\")", "rt.LogonUser(\"u\", \".\")"},
        {"method LogonUser, a, b, c", "method LogonUser, a, b, c"},
        {"rt.XLogonUser(a, b, c)", "rt.XLogonUser(a, b, c)"},
        {"rt.LogonUser(a, b, ********)", "rt.LogonUser(a, b, ********)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskPasswords(c.text), c.masked) << c.text;
    }
}

} // namespace
} // namespace ob::common
