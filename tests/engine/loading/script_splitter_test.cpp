#include "engine/loading/job_parser.h"
#include "engine/loading/line_reader.h"
#include "engine/loading/script_splitter.h"
#include "parser_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace ob::test {
namespace {

using engine::SplitJobScript;

// Lines as the block parser counts them (2047-character pieces).
std::size_t ParserLines(std::string_view text) {
    engine::LineReader reader(text);
    std::size_t count = 0;
    std::string_view line;
    while (reader.Next(line)) {
        ++count;
    }
    return count;
}

// Lines as VBScript counts them.
std::size_t PhysicalLines(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
           (text.back() == '\n' ? 0 : 1);
}

TEST(ScriptSplitter, JobLinesBecomeCommentsOfTheScriptAndScriptLinesOfTheJobText) {
    const auto split = SplitJobScript("Dim x\n"
                                      "  # note\n"
                                      "{\n"
                                      "  -start\n"
                                      "  { inner\n"
                                      "Call Foo\n"
                                      "} after\n"
                                      "\n"
                                      "End Sub");
    EXPECT_EQ(split.jobText, "# Dim x\n"
                             "  # note\n"
                             "{\n"
                             "  -start\n"
                             "  { inner\n"
                             "Call Foo\n"
                             "} after\n"
                             "# \n"
                             "# End Sub");
    EXPECT_EQ(split.scriptText, "Dim x\n"
                                "'   # note\n"
                                "' {\n"
                                "'   -start\n"
                                "'   { inner\n"
                                "' Call Foo\n"
                                "' } after\n"
                                "\n"
                                "End Sub");
}

TEST(ScriptSplitter, BraceInsideABlockDoesNotNestSoTheFirstCloseEndsIt) {
    const auto split = SplitJobScript("{\n{\n}\nx = 1\n}\n");
    EXPECT_EQ(split.jobText, "{\n{\n}\n# x = 1\n}\n");
    EXPECT_EQ(split.scriptText, "' {\n' {\n' }\nx = 1\n' }\n");
}

TEST(ScriptSplitter, LineCountsAgreeBetweenParserAndScript) {
    const std::string longStatement = "-action -spawn " + std::string(5000, 'a') + "\n";
    const std::string longScript = "s = \"" + std::string(5000, 'b') + "\"\n";
    const std::string exact = std::string(2047, ' ') + "\n"; // read as two lines
    const std::string contents[] = {
        "",
        "x\n",
        "{\n-start\n}\n",
        "{\n" + longStatement + "}\n",
        longScript + "{\n-start\n}\n" + longScript,
        "{\n" + exact + "-start\n}\n" + exact,
        "{\n-start\n" + std::string(3000, 'c'), // no newline at the end
        "# " + std::string(4100, '#') + "\n",
    };
    for (const std::string& content : contents) {
        const auto split = SplitJobScript(content);
        EXPECT_EQ(ParserLines(split.jobText), PhysicalLines(split.scriptText))
            << content.substr(0, 40);
    }
}

TEST(ScriptSplitter, LongBlockLineGivesTheScriptOneCommentPerPiece) {
    const std::string statement = "-action -spawn " + std::string(3000, 'a');
    const auto split = SplitJobScript("{\n" + statement + "\n}\n");
    EXPECT_EQ(split.jobText, "{\n" + statement + "\n}\n");
    EXPECT_EQ(split.scriptText,
              "' {\n' " + statement.substr(0, 2047) + "\n' " + statement.substr(2047) + "\n' }\n");
}

TEST(ScriptSplitter, LongBlockLineAtTheEndOfTheTextGetsNoExtraNewline) {
    const std::string statement(2047 + 10, 'a');
    const auto split = SplitJobScript("{\n" + statement);
    EXPECT_EQ(split.scriptText,
              "' {\n' " + statement.substr(0, 2047) + "\n' " + statement.substr(2047));
}

TEST(ScriptSplitter, LongScriptLineStaysWholeAndIsOneCommentForTheParser) {
    // The piece after the first 2047 characters starts with "{": read on its own it
    // would open a job block.
    const std::string code = std::string(2047, 'x') + "{ y\n";
    const auto split = SplitJobScript(code + "{\n-start\n}\n");
    EXPECT_EQ(split.scriptText, code + "' {\n' -start\n' }\n");
    EXPECT_EQ(ParserLines(split.jobText), 4u);
    EXPECT_EQ(split.jobText.substr(0, 4), "# xx");
}

class SplitThenParse : public ParserTest {};

TEST_F(SplitThenParse, LongScriptLineDoesNotDisturbTheBlocksAfterIt) {
    const auto split = SplitJobScript(std::string(2047, 'x') + "{ y\n{\n-start\n}\n");
    ASSERT_TRUE(Load(split.jobText));
    EXPECT_TRUE(Lines().empty());
    ASSERT_EQ(QueuedJobs(), 1u);
    const auto starts = OfKind(Queued(0), engine::KIND_START);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0]->line, 3u);
}

TEST_F(SplitThenParse, LongBlankLineInsideABlockCountsAsSeveralLines) {
    const auto split = SplitJobScript("{\n" + std::string(3000, ' ') + "\n-start\n}\n");
    ASSERT_TRUE(Load(split.jobText));
    ASSERT_EQ(QueuedJobs(), 1u);
    const auto starts = OfKind(Queued(0), engine::KIND_START);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0]->line, 4u); // "{" is 1, the long line 2 and 3
}

TEST_F(SplitThenParse, LongStatementIsReadAsTwoStatements) {
    const auto split = SplitJobScript("{\n-action -spawn " + std::string(3000, 'a') + "\n}\n");
    EXPECT_FALSE(Load(split.jobText));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    // The second piece is a bare word: a call without its parentheses.
    EXPECT_EQ(lines[0], "Format error while processing test.jr.\r\nExpected parentheses " +
                            std::string(3000 - 2047 + 15, 'a') + "\n.");
    EXPECT_EQ(QueuedJobs(), 0u);
}

} // namespace
} // namespace ob::test
