// `obrenta history [--job PATTERN] [--since TIME] [--failed] [--limit N] [--json]`:
// the recorded runs, read through the engine's history export (obrenta/history.h)
// from history.db beside the machine settings.
#pragma once

#include <ostream>

namespace ob::host {

/// argv[0] is "history". Exit status 0, 1 when the history cannot be read, 2 for
/// bad usage.
int HistoryCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

} // namespace ob::host
