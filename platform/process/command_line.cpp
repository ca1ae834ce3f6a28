#include "platform/process/command_line.h"
#include "platform/text/blank.h"

namespace ob::process {
namespace {

// The C runtime separates words by blank and tab only.
bool IsBlank(char c) {
    return text::IsBlank(c, text::kBlankTab);
}

} // namespace

std::string ProgramWord(std::string_view commandLine) {
    bool quoted = false;
    std::string word;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        const bool separator = IsBlank(c) || c == ',';
        if (!separator || quoted) {
            word += c;
        } else if (!word.empty()) {
            break;
        }
    }
    return word;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    while (i < n && IsBlank(commandLine[i])) {
        ++i;
    }
    if (i == n) {
        return arguments;
    }

    // The program name: no back-slash rules, quotes only delimit it.
    std::string program;
    bool quoted = false;
    for (; i < n; ++i) {
        const char c = commandLine[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && IsBlank(c)) {
            break;
        }
        program += c;
    }
    arguments.push_back(std::move(program));

    for (;;) {
        while (i < n && IsBlank(commandLine[i])) {
            ++i;
        }
        if (i == n) {
            break;
        }
        std::string argument;
        quoted = false;
        while (i < n && (quoted || !IsBlank(commandLine[i]))) {
            std::size_t slashes = 0;
            while (i < n && commandLine[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < n && commandLine[i] == '"') {
                argument.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
                    argument += '"'; // "" inside quotes: a literal quote, still quoted
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                argument.append(slashes, '\\');
                if (i < n && (quoted || !IsBlank(commandLine[i]))) {
                    argument += commandLine[i];
                    ++i;
                }
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

} // namespace ob::process
