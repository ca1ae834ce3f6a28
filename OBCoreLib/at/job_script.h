// The shell script a queue runs for a job (atd reads it from `at`'s input, Slurm
// from `sbatch`'s). Pure functions; any thread.
//
// The command line is split into its program and arguments by the C runtime's rules
// (as CreateProcess splits it), and each word is written single-quoted, so the
// job's shell hands every quote, line break and metacharacter to the program as it
// stands: the script runs exactly one program, found along PATH when the first word
// has no "/". The script starts with the job's tag as a comment line, and a
// non-interactive job has the display variables removed so it cannot open windows
// on the user's screen.
#pragma once

#include "OBCoreLib/at/at_job_record.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::at {

/// The program and arguments a job runs; empty for a line without any word or
/// with an empty program word.
std::vector<std::string> JobWords(std::string_view commandLine);

/// `word` as one shell word that the shell takes literally.
std::string ShellQuote(std::string_view word);

/// The script for a job whose command line has at least one word.
std::string JobScript(const AtJobRecord& job);

} // namespace ob::at
