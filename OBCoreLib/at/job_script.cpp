#include "OBCoreLib/at/job_script.h"

#include "OBCoreLib/at/job_tag.h"
#include "platform/diagnostics/assert.h"
#include "platform/process/command_line.h"

namespace ob::at {

std::vector<std::string> JobWords(std::string_view commandLine) {
    std::vector<std::string> words = process::SplitCommandLine(commandLine);
    if (!words.empty() && words.front().empty()) {
        words.clear(); // "" names no program
    }
    return words;
}

std::string ShellQuote(std::string_view word) {
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string JobScript(const AtJobRecord& job) {
    std::string script = "#!/bin/sh\n# " + JobTag(job) + "\n";
    if ((job.flags & JOB_NONINTERACTIVE) != 0) {
        script += "unset DISPLAY WAYLAND_DISPLAY XAUTHORITY\n";
    }
    const std::vector<std::string> words = JobWords(job.command);
    OB_ASSERT(!words.empty()); // callers refuse command lines without a program
    script += "exec";
    for (const std::string& word : words) {
        script += ' ';
        script += ShellQuote(word);
    }
    script += '\n';
    return script;
}

} // namespace ob::at
