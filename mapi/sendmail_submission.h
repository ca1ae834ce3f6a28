// Handing a checked message to the mail program: `PROGRAM -t -i [-f SENDER]
// OPTIONS...` with the message on its standard input. The message counts as sent
// only when the whole of it was written and the program ended with status 0; a
// program that cannot be started, stops reading, fails, is killed or outlives the
// time-out is a failure whose text says so, with what the program printed. A
// message that cannot be completed (an attachment that fails to read) is never
// ended normally: the program is killed first, so it sends nothing. Any thread;
// the caller waits until the program has finished.
#pragma once

#include "mapi/mail_settings.h"
#include "mapi/outgoing_message.h"

#include <string>
#include <vector>

namespace ob::mapi {

/// The mail program's argument vector (argv[0] is the program as configured).
std::vector<std::string> SendmailArguments(const SendmailSettings& settings, const Profile& sender);

/// Sends `message` (its attachment files are read from where they stand).
MapiResult Submit(OutgoingMessage& message, const MessageFrame& frame,
                  const SendmailSettings& settings);

} // namespace ob::mapi
