// Runs the classic regression list of this family of engines (data/tests.txt, see
// data/PROVENANCE) line by line. Our engine has no substitution call, so the
// expected fifth field is rebuilt here from the match and group positions.
#include "common/regex/regex_program.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace ob::common {
namespace {

struct TableLine {
    int number = 0;
    std::string text;
    std::vector<std::string> fields;
};

std::vector<TableLine> ReadTable(const std::string& name) {
    std::ifstream in(std::string(OB_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::vector<TableLine> lines;
    std::string text;
    while (std::getline(in, text)) {
        TableLine line;
        line.number = static_cast<int>(lines.size()) + 1;
        line.text = text;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = text.find('\t', from);
            line.fields.push_back(text.substr(from, tab - from));
            if (tab == std::string::npos) {
                break;
            }
            from = tab + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The substitution of the table: "&" is the whole match, "\0".."\9" a slot (empty
// when it did not take part), anything else is copied. With `escapes`, "\&" and
// "\\" stand for "&" and "\"; without, a backslash not before a digit is copied.
std::string Substitute(const std::string& source, const RegexProgram& program,
                       const std::string& subject, bool escapes) {
    std::string out;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        int slot = -1;
        if (c == '&') {
            slot = 0;
        } else if (c == '\\' && i + 1 < source.size() && source[i + 1] >= '0' &&
                   source[i + 1] <= '9') {
            slot = source[++i] - '0';
        }
        if (slot < 0) {
            if (escapes && c == '\\' && i + 1 < source.size() &&
                (source[i + 1] == '\\' || source[i + 1] == '&')) {
                out += source[++i];
            } else {
                out += c;
            }
            continue;
        }
        const std::ptrdiff_t start = program.Start(slot);
        const std::ptrdiff_t end = program.End(slot);
        if (start != RegexProgram::kNoPosition && end != RegexProgram::kNoPosition) {
            out += subject.substr(static_cast<std::size_t>(start),
                                  static_cast<std::size_t>(end - start));
        }
    }
    return out;
}

// Returns how many lines of each kind ran: c, y, n.
std::array<int, 3> RunTable(const std::vector<TableLine>& lines, bool escapes) {
    std::array<int, 3> counts{};
    for (const TableLine& line : lines) {
        SCOPED_TRACE("line " + std::to_string(line.number) + ": " + line.text);
        if (line.fields.size() != 5) {
            ADD_FAILURE() << "expected 5 fields, got " << line.fields.size();
            continue;
        }
        const std::string& pattern = line.fields[0];
        const std::string& subject = line.fields[1];
        const std::string& result = line.fields[2];
        RegexCompileResult compiled = RegexProgram::Compile(pattern);
        if (result == "c") {
            ++counts[0];
            EXPECT_FALSE(compiled) << "compiled, should have been rejected";
            EXPECT_FALSE(compiled.error.empty());
            continue;
        }
        if (!compiled) {
            ADD_FAILURE() << "rejected: " << compiled.error;
            continue;
        }
        RegexProgram& program = *compiled.program;
        const bool matched = program.Execute(subject);
        if (result == "n") {
            ++counts[2];
            EXPECT_FALSE(matched);
            EXPECT_EQ(program.Status(), RegexStatus::kNoMatch);
            continue;
        }
        if (result != "y") {
            ADD_FAILURE() << "unknown result field";
            continue;
        }
        ++counts[1];
        if (!matched) {
            ADD_FAILURE() << "no match";
            continue;
        }
        EXPECT_EQ(Substitute(line.fields[3], program, subject, escapes), line.fields[4]);
    }
    return counts;
}

TEST(RegexTable, AllLinesOfTheClassicList) {
    const std::vector<TableLine> lines = ReadTable("tests.txt");
    ASSERT_EQ(lines.size(), 118u);
    const std::array<int, 3> counts = RunTable(lines, false);
    EXPECT_EQ(counts[0], 22); // c
    EXPECT_EQ(counts[0] + counts[1] + counts[2], 118);
}

TEST(RegexTable, LaterSubstitutionEscapeLines) {
    const std::vector<TableLine> lines = ReadTable("tests-later-regsub-escapes.txt");
    ASSERT_EQ(lines.size(), 2u);
    const std::array<int, 3> counts = RunTable(lines, true);
    EXPECT_EQ(counts[1], 2);
}

} // namespace
} // namespace ob::common
