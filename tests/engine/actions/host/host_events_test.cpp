// -quit, -hide, -show and -proxy: the events they post and how the run goes on.
#include "host_fixture.h"

#include "engine/actions/directive_table.h"
#include "obrenta/obrenta.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ob::test {
namespace {

using Codes = std::vector<std::uint32_t>;

TEST_F(HostDirectiveTest, HideShowAndEveryProxyCommandPostTheirEventAndGoOn) {
    ASSERT_TRUE(LoadScript("events.jr", "{\n"
                                        "\t-name events\n"
                                        "\t-action -hide\n"
                                        "\t-action -show\n"
                                        "\t-action -proxy -start\n"
                                        "\t-action -proxy -stop\n"
                                        "\t-action -proxy -initialize\n"
                                        "\t-action -proxy -state\n"
                                        "\t-action -proxy -connect\n"
                                        "\t-action -proxy -shutdown\n"
                                        "\t-action -proxy -ping\n"
                                        "\t-action -PROXY -Ping\n"
                                        "\t-action -SHOW\n"
                                        "\t-action -print end\n"
                                        "}\n"));
    EXPECT_EQ(Run("events"), engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_EQ(ActionCodes(events),
              (Codes{2002, 2003, 2008, 2009, 2014, 2015, 2011, 2013, 2012, 2012, 2003}));
    for (const HostEvent& e : events) {
        if (e.code != OB_EV_TEXT) {
            EXPECT_FALSE(e.owned) << "event " << e.code;
            EXPECT_EQ(e.data, 0u) << "event " << e.code;
        }
    }
    EXPECT_EQ(Lines(events), std::vector<std::string>{"end "});
}

TEST_F(HostDirectiveTest, ProxyLoadSendsTheWholeFileWithTextModeLineEnds) {
    // The file name is the words after -load joined by single blanks.
    const std::string path =
        WriteFile("proxy input.txt", "first line\r\nsecond, with comma\r\nlone\rreturn\n\n");
    const std::string directory = Scratch().Path().string();
    ASSERT_TRUE(LoadScript("proxy.jr", "{\n"
                                       "\t-name proxyload\n"
                                       "\t-action -proxy -load " +
                                           directory +
                                           "/proxy   input.txt\n"
                                           "\t-action -print after\n"
                                           "}\n"));
    EXPECT_EQ(Run("proxyload"), engine::RunResult::Continue);
    const auto events = Events();
    ASSERT_EQ(ActionCodes(events), Codes{2010});
    const auto text = std::find_if(events.begin(), events.end(),
                                   [](const HostEvent& e) { return e.code == 2010; });
    ASSERT_NE(text, events.end());
    EXPECT_TRUE(text->owned);
    EXPECT_EQ(text->text, "first line\nsecond, with comma\nlone\rreturn\n\n");
    EXPECT_TRUE(HasLine(Lines(events), "after "));
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
}

TEST_F(HostDirectiveTest, ProxyLoadOfAnEmptyFileSendsAnEmptyText) {
    const std::string path = WriteFile("empty.txt", "");
    engine::Job job(datetime::OleDate::Now());
    EXPECT_EQ(Call(engine::DirectiveProxy, job, {"-proxy", "-LOAD", path}), engine::Outcome::Done);
    const auto events = Events();
    ASSERT_EQ(ActionCodes(events), Codes{2010});
    EXPECT_EQ(events[0].text, "");
}

TEST_F(HostDirectiveTest, ProxyFailuresAreFatalWithTheirMessage) {
    const std::string missing = Scratch() / "missing.txt";
    const std::string directory = Scratch().Path().string();
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-proxy", "-load", missing}, "Could not open file \"" + missing + "\""},
        {{"-proxy", "-load", directory}, "Could not open file \"" + directory + "\""},
        {{"-proxy", "-load"},
         "You must supply a filename.\r\nExample: -action -load c:\\myJobs.txt"},
        {{"-proxy"}, "Unknown -action directive \"-proxy\""},
        {{"-proxy", "-restart"}, "Unknown -action directive \"-proxy\""},
        {{"-Proxy", "start"}, "Unknown -action directive \"-Proxy\""},
    };
    for (const Case& c : cases) {
        engine::Job job(datetime::OleDate::Now());
        EXPECT_EQ(Call(engine::DirectiveProxy, job, c.words), engine::Outcome::Fatal) << c.message;
        const auto events = Events();
        EXPECT_TRUE(HasLine(Lines(events), c.message)) << c.message;
        EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u) << c.message;
        EXPECT_EQ(Count(events, 2010), 0u) << c.message;
    }
}

TEST_F(HostDirectiveTest, QuitPostsItsEventAndAbortsTheRunWithoutAFatalReport) {
    ASSERT_TRUE(LoadScript("quit.jr", "{\n"
                                      "\t-name quitter\n"
                                      "\t-action -print before\n"
                                      "\t-action -quit\n"
                                      "\t-action -print after\n"
                                      "}\n"));
    EXPECT_EQ(Run("quitter"), engine::RunResult::Abort) << "an unset $RUNTIME aborts";
    const auto events = Events();
    EXPECT_EQ(Count(events, OB_EV_QUIT), 1u);
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);
    const auto lines = Lines(events);
    EXPECT_TRUE(HasLine(lines, "before "));
    EXPECT_FALSE(HasLine(lines, "after "));
}

TEST_F(HostDirectiveTest, QuitLeavesTheEndOfTheRunToRuntime) {
    ASSERT_TRUE(LoadScript("quit.jr", "{\n"
                                      "\t-name quitter\n"
                                      "\t-action -quit\n"
                                      "\t-action -print after\n"
                                      "}\n"));
    Find("quitter")->SetVariable("$RUNTIME=continue");
    EXPECT_EQ(Run("quitter"), engine::RunResult::Continue);
    const auto events = Events();
    EXPECT_EQ(Count(events, OB_EV_QUIT), 1u);
    EXPECT_TRUE(HasLine(Lines(events), "after "));
}

} // namespace
} // namespace ob::test
