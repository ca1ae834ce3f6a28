// Command-line splitting by the C runtime's rules, the program word and the path
// normalisation.
#include "platform/process/command_line.h"
#include "platform/process/resolve_program.h"

#include <gtest/gtest.h>

namespace ob::process {
namespace {

struct SplitCase {
    const char* line;
    std::vector<std::string> expected;
};

TEST(CommandLine, SplitsByTheCRuntimeRules) {
    const SplitCase cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"prog", {"prog"}},
        {"prog a b", {"prog", "a", "b"}},
        {"  prog\t a \t b  ", {"prog", "a", "b"}},
        {"prog \"a b\" c", {"prog", "a b", "c"}},
        {"prog a\"b c\"d", {"prog", "ab cd"}},
        {"prog \\\"a\\\"", {"prog", "\"a\""}},
        {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
        {"prog a\\\\\\\"b", {"prog", "a\\\"b"}},
        {"prog a\\b\\\\c", {"prog", "a\\b\\\\c"}},
        {"prog a\\ b\\", {"prog", "a\\", "b\\"}},
        {"prog \"\"", {"prog", ""}},
        {"prog \"a\"\"b\"", {"prog", "a\"b"}},
        {"prog a,b ,c", {"prog", "a,b", ",c"}},
        {"\"my prog\" x", {"my prog", "x"}},
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"prog \"unterminated arg", {"prog", "unterminated arg"}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << "line: " << c.line;
    }
}

TEST(CommandLine, ProgramWordEndsAtAnUnquotedComma) {
    EXPECT_EQ(ProgramWord("prog a b"), "prog");
    EXPECT_EQ(ProgramWord(" ,, prog,x"), "prog");
    EXPECT_EQ(ProgramWord("\"my prog\",x"), "my prog");
    EXPECT_EQ(ProgramWord("/a,b/c x"), "/a");
    EXPECT_EQ(ProgramWord("\"/a,b/c\" x"), "/a,b/c");
    EXPECT_EQ(ProgramWord(" \t"), "");
}

TEST(CommandLine, NormalisesDoubledSeparatorsAfterTheFirstCharacter) {
    EXPECT_EQ(NormaliseProgramPath("/usr//bin////sh"), "/usr/bin//sh");
    EXPECT_EQ(NormaliseProgramPath("\\\\server\\\\share"), "\\\\server\\share");
    EXPECT_EQ(NormaliseProgramPath("//x"), "//x");
    EXPECT_EQ(NormaliseProgramPath("plain"), "plain");
}

} // namespace
} // namespace ob::process
