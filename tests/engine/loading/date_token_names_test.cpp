// Variables named like date tokens: which names a statement sets, and the warning.
#include "engine/loading/date_token_names.h"

#include "engine/expansion/date_tokens.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ob::engine {
namespace {

using Names = std::vector<std::string>;

TEST(DateTokenNames, StatementsThatSetVariablesGiveTheirNames) {
    struct Case {
        const char* statement;
        Names names;
    };
    const Case cases[] = {
        {"-set I=500", {"I"}},
        {"-SET -eval -persist M=7", {"M"}},
        {"-set \"Y=two words\"", {"Y"}},
        {"-set day", {"day"}},
        {"-SetEvent w", {"w"}},
        {"-ClearEvent x", {"x"}},
        {"-getfile -newest /tmp/*.log p", {"p"}},
        {"-foreach -file /tmp/* i body", {"i"}},
        // Nothing set, or a name worked out when the statement runs.
        {"-set %NAME%=1", {}},
        {"-print I=5", {}},
        {"-set", {}},
        {"-getfile -newest", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VariablesSetBy(c.statement), c.names) << c.statement;
    }
}

TEST(DateTokenNames, WarningNamesTheFileLineAndEveryTokenOfThatName) {
    EXPECT_EQ(DateTokenNameWarnings("-set I=500", "loop.jr", 4),
              Names{"Warning: loop.jr line 4 sets the variable \"I\", but a reference to it is "
                    "taken for a date token: %I% gives the hour (01 to 12), %i% gives the day of "
                    "the week, Sunday 1 (1 to 7)."});
    EXPECT_EQ(DateTokenNameWarnings("-set month=7", "f", 1),
              Names{"Warning: f line 1 sets the variable \"month\", but a reference to it is "
                    "taken for a date token: %MONTH% gives the abbreviated month name (Mar)."});
    EXPECT_TRUE(DateTokenNameWarnings("-set COUNT=1", "f", 1).empty());
    EXPECT_TRUE(DateTokenNameWarnings("-set II=1", "f", 1).empty());
}

// The manual lists every token with what it gives, as the engine describes it.
TEST(DateTokenNames, ManualListsEveryTokenInOneTable) {
    // OB_TEST_DATA_DIR is tests/engine/loading/data (which need not exist).
    const std::filesystem::path root = std::filesystem::path(OB_TEST_DATA_DIR)
                                           .parent_path()
                                           .parent_path()
                                           .parent_path()
                                           .parent_path();
    std::ifstream manual(root / "docs/job-scripts.md");
    ASSERT_TRUE(manual) << "docs/job-scripts.md";
    const std::string text((std::istreambuf_iterator<char>(manual)),
                           std::istreambuf_iterator<char>());
    for (const DateToken& token : DateTokens()) {
        const std::string row =
            "| `" + std::string(token.token) + "` | " + std::string(token.meaning) + " |\n";
        EXPECT_NE(text.find(row), std::string::npos) << row;
    }
}

} // namespace
} // namespace ob::engine
