// Test support: a command line for the probe program whose words hold quotes, line
// breaks and shell metacharacters, and what the probe reports when every word
// reached it unchanged.
#pragma once

#include "platform/process/probe_report.h"

#include <fstream>
#include <sstream>
#include <string>

namespace ob::at {

inline const std::string kNastyWords[] = {
    "it's", "a \"b\"", "line1\nline2", "$HOME", "`id`", ";",        "|", "&&",
    "> /x", "*",       "$(id)",        "\\n",   "'",    "tab\there"};

/// The probe, writing its report to `report` and exiting 0, with kNastyWords.
/// Words are quoted by the C runtime's rules: a quote inside a quoted word is \".
inline std::string NastyCommandLine(const std::string& program, const std::string& report) {
    std::string line = program + " " + report + " 0";
    for (const std::string& word : kNastyWords) {
        line += " \"";
        for (const char c : word) {
            line += c == '"' ? std::string("\\\"") : std::string(1, c);
        }
        line += "\"";
    }
    return line;
}

/// The start of the probe's report for NastyCommandLine(test::ProbePath(), report).
inline std::string ExpectedProbeArgs(const std::string& report) {
    std::string expected = "arg " + test::ProbePath() + "\narg " + report + "\narg 0\n";
    for (const std::string& word : kNastyWords) {
        expected += "arg " + word + "\n";
    }
    return expected;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace ob::at
