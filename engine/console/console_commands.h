// The console's commands: the login steps and the command table (hello, list,
// kill, head, tail, find, help, exit, echo and the OVERFLOW notice). Each command
// line ends with "+OK" or "+FAILED" and the prompt of the login state. Single-line
// answers go to the front of the output queue, listings to its end. Engine thread.
#pragma once

#include "engine/console/console_login.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ob::engine {

struct EngineSession;

class CommandServer;

/// The parts of a command line: the command word (up to the first blank or tab of
/// the trimmed line), and the first and last words of the trimmed rest.
struct CommandWords {
    std::string command;
    std::string first;
    std::string last;
};

CommandWords SplitCommandLine(std::string_view line);

/// "Username: ", "Password: " or "OB:<host name>> " for a login state.
std::string Prompt(std::uint32_t loginState);

/// The greeting a new connection receives, prompt included.
std::string Greeting();

/// Runs one command line of connection `index`. A password starts the login check
/// on a worker; its result and prompt follow through FinishLogon.
void ExecuteLine(EngineSession& session, CommandServer& server, std::size_t index,
                 const std::string& line);

/// Ends a login with the outcome of its check: the connection is logged in, or
/// told why not and asked for the user name again.
void FinishLogon(CommandServer& server, std::size_t index, const LogonOutcome& outcome);

} // namespace ob::engine
