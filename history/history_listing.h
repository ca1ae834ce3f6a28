// How runs are shown: a table for people (`obrenta history`, the console's
// `history`) and JSON for scripts (`obrenta history --json`). Times are local.
// Any thread.
#pragma once

#include "history/run_record.h"

#include <string>
#include <vector>

namespace ob::history {

/// A heading, then one line per run (start, duration, outcome, output lines, job)
/// and, for a run in which a statement failed, a line with the statement and its
/// message. Lines come without line ends; "(no runs)" when there are none.
std::vector<std::string> HistoryTable(const std::vector<RunRecord>& runs);

/// A JSON array with one object per run, one run per line, ending in a line end.
/// Texts that are not valid UTF-8 have their stray bytes read as Latin-1.
std::string HistoryJson(const std::vector<RunRecord>& runs);

} // namespace ob::history
