// The console's `history [--job REGEXP] [--since TIME] [--failed] [--limit N]`:
// the runs recorded in the session's run history (or in the default history file
// when the session records none), as the table `obrenta history` prints. Engine
// thread; reads the file with a connection of its own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ob::engine {

struct EngineSession;

/// The strings to queue for the argument text of a `history` line (everything
/// after the command word), each line ending in "\r\n". False when the words are
/// wrong (the reason and the usage are in `out`) or the file cannot be read.
bool HistoryCommand(EngineSession& session, std::string_view arguments,
                    std::vector<std::string>& out);

} // namespace ob::engine
