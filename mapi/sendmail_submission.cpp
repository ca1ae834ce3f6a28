#include "mapi/sendmail_submission.h"

#include "obrenta/mapi.h"
#include "platform/env/environment.h"
#include "platform/process/piped_child.h"
#include "platform/process/resolve_program.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

namespace ob::mapi {
namespace {

/// Longest part of the program's output quoted in a failure text.
constexpr std::size_t kMaxQuotedOutput = 400;

std::string Quoted(const std::string& program) {
    return "\"" + Printable(program) + "\"";
}

/// What the program printed, on one line, for a failure text ("" when nothing).
std::string SaidSuffix(const std::string& output) {
    std::string said;
    for (const char c : output) {
        if (c == '\r' || c == '\n' || c == '\t') {
            if (!said.empty() && said.back() != ' ') {
                said += ' ';
            }
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            said += c;
        }
    }
    while (!said.empty() && said.back() == ' ') {
        said.pop_back();
    }
    if (said.empty()) {
        return {};
    }
    if (said.size() > kMaxQuotedOutput) {
        said = said.substr(0, kMaxQuotedOutput) + "...";
    }
    return " It said: " + said;
}

MapiResult ProgramFailure(const std::string& text, const process::PipedChild& child) {
    return Failure(MAPI_E_FAILURE, text + SaidSuffix(child.Output()));
}

/// A write to the program failed: it is killed before its input ends, so that it
/// never sends the part it received.
MapiResult WriteFailure(process::PipedChild& child, const std::string& program) {
    const int err = child.LastErrno();
    child.Kill();
    return ProgramFailure("The message could not be written to the mail program " +
                              Quoted(program) + ": " + std::generic_category().message(err) + ".",
                          child);
}

/// Reads and writes one attachment's content; false (child killed, `result` set)
/// on failure.
bool SendAttachment(process::PipedChild& child, int fd, const std::string& name,
                    const std::string& program, process::PipedChild::Deadline deadline,
                    MapiResult& result) {
    std::string chunk(kAttachmentChunk, '\0');
    for (;;) {
        std::size_t filled = 0;
        // Fill whole chunks, so that base64 lines only end at a chunk's end.
        while (filled < chunk.size()) {
            const ssize_t got = ::read(fd, chunk.data() + filled, chunk.size() - filled);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                const int err = errno;
                child.Kill();
                result = Failure(MAPI_E_ATTACHMENT_OPEN_FAILURE,
                                 "The attachment \"" + Printable(name) + "\" could not be read: " +
                                     std::generic_category().message(err) + ".");
                return false;
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (filled > 0 &&
            !child.Write(AttachmentLines(std::string_view(chunk.data(), filled)), deadline)) {
            result = WriteFailure(child, program);
            return false;
        }
        if (filled < chunk.size()) {
            return true;
        }
    }
}

} // namespace

std::vector<std::string> SendmailArguments(const SendmailSettings& settings,
                                           const Profile& sender) {
    std::vector<std::string> arguments = {settings.program, "-t", "-i"};
    if (!sender.address.empty()) {
        arguments.push_back("-f");
        arguments.push_back(sender.address);
    }
    arguments.insert(arguments.end(), settings.options.begin(), settings.options.end());
    return arguments;
}

MapiResult Submit(OutgoingMessage& message, const MessageFrame& frame,
                  const SendmailSettings& settings) {
    const std::string& program = settings.program;
    process::SpawnRequest request;
    request.path = process::FindOnSearchPath(program);
    if (request.path.empty()) {
        return Failure(MAPI_E_FAILURE, "The mail program " + Quoted(program) +
                                           " was not found on the search path.");
    }
    request.arguments = SendmailArguments(settings, message.content.sender);
    request.environment = env::Block();

    process::PipedChild child;
    if (const int err = child.Start(request); err != 0) {
        return Failure(MAPI_E_FAILURE,
                       "The mail program " + Quoted(program) +
                           " could not be started: " + std::generic_category().message(err) + ".");
    }
    const auto deadline = process::PipedChild::Deadline::clock::now() + settings.timeout;
    const MessageContent& content = message.content;
    if (!child.Write(MessageHead(content, frame), deadline)) {
        return WriteFailure(child, program);
    }
    for (std::size_t i = 0; i < message.files.size(); ++i) {
        MapiResult result;
        if (!child.Write(AttachmentHead(content, frame, i), deadline) ||
            !SendAttachment(child, message.files[i].Get(), content.attachmentNames[i], program,
                            deadline, result)) {
            return result.Ok() ? WriteFailure(child, program) : result;
        }
    }
    if (!child.Write(MessageTail(content, frame), deadline)) {
        return WriteFailure(child, program);
    }
    switch (child.Finish(deadline)) {
    case process::PipedExit::Exited:
        if (child.Status() == 0) {
            return Success();
        }
        return ProgramFailure("The mail program " + Quoted(program) + " failed with exit status " +
                                  std::to_string(child.Status()) + ".",
                              child);
    case process::PipedExit::Signaled:
        return ProgramFailure("The mail program " + Quoted(program) + " was ended by signal " +
                                  std::to_string(child.Status()) + ".",
                              child);
    case process::PipedExit::TimedOut:
        return ProgramFailure("The mail program " + Quoted(program) + " did not finish within " +
                                  std::to_string(settings.timeout.count()) +
                                  " seconds and was stopped.",
                              child);
    case process::PipedExit::Lost:
        break;
    }
    return Failure(MAPI_E_FAILURE,
                   "The mail program " + Quoted(program) + " could not be waited for.");
}

} // namespace ob::mapi
