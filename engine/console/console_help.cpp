#include "engine/console/console_help.h"

#include "platform/text/ascii_case.h"

#include <array>
#include <initializer_list>

namespace ob::engine {
namespace {

struct Usage {
    const char* command;
    std::initializer_list<const char*> lines;
};

const std::array<Usage, 10>& Usages() {
    static const std::array<Usage, 10> usages{{
        {"echo", {"Usage: echo <on|off>\r\n", "Reason: Turn on/off client side echo.\r\n"}},
        {"exit", {"Usage: exit\r\n", "Reason: Close and exit this terminal session.\r\n"}},
        {"find",
         {"Usage: find <regexp>\r\n", "Reason: Find all Obrenta log info matching regexp.\r\n",
          "Example: .*SMTP|POP3.*\r\n"}},
        {"head",
         {"Usage: head [count_lines]\r\n",
          "Reason: List the first 'count_lines' of the Obrenta log info.\r\n", "Default: 50.\r\n"}},
        {"help",
         {"Usage: help [command]\r\n", "Reason: List command usage summary info.\r\n",
          "Default: If no argument is supplied, all commands are listed.\r\n"}},
        {"hello", {"Usage: hello\r\n", "Reason: Elicit a response from the server.\r\n"}},
        {"history",
         {"Usage: history [--job regexp] [--since time] [--failed] [--limit count]\r\n",
          "Reason: List the recorded runs of Jobs, newest last.\r\n",
          "Where: time is YYYY-MM-DD [HH:MM[:SS]] or a span back such as 90m, 12h, 7d.\r\n",
          "Default: the last 50 runs.\r\n"}},
        {"kill", {"Usage: kill <regexp>\r\n", "Reason: Kill Jobs matching regexp.\r\n"}},
        {"list",
         {"Usage: list [-ts] [regexp]\r\n", "Reason: List loaded Jobs.\r\n",
          "Where: -t ... list Job (t)rigger info.\r\n",
          "       -s ... list Job (s)tatistics info.\r\n"}},
        {"tail",
         {"Usage: tail [count_lines]\r\n",
          "Reason: List the last 'count_lines' of the Obrenta log info.\r\n", "Default: 50.\r\n"}},
    }};
    return usages;
}

} // namespace

std::vector<std::string> HelpText(std::string_view topic) {
    std::vector<std::string> out;
    for (const Usage& usage : Usages()) {
        if (!topic.empty() && !text::EqualsIgnoringCase(topic, usage.command)) {
            continue;
        }
        for (const char* line : usage.lines) {
            out.emplace_back(line);
        }
        if (topic.empty()) {
            out.emplace_back("\r\n");
        }
    }
    return out;
}

} // namespace ob::engine
