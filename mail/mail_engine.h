// The e-mail engine: numbered channels, each one connection to an SMTP or POP3
// server with its own settings, state and log.
//
// Use: Attach(count) once (the process-wide engine is Process()), claim a channel,
// set its options by number (channel_options.h), then SmtpConnect + SendEmail +
// Close, or Pop3Connect + EmailCount / EmailLines / EmailFile / DeleteEmail +
// Close. Every call returns 0 or a positive value on success and a negative code
// on failure (mail_code.h); ErrorText gives a code's text, the channel's last file
// name filled in. A channel keeps the last code of its calls for Status.
//
// Threads: any thread may call; the engine's table is locked, and each channel is
// locked for the length of a call, so one channel serves one caller at a time while
// other channels work in parallel. Calls block until the server answers or the
// channel's time-out passes; nothing raises exceptions.
#pragma once

#include "mail/driver.h"
#include "mail/mail_code.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ob::mail {

struct Channel;

/// What Status reports about a channel.
enum class StatusQuery : int {
    Connected = 1, // 1 while a connection is open, else 0
    Protocol = 2,  // 0 none yet, 1 SMTP, 2 POP3
    LastCode = 3,  // the result of the channel's last call
};

/// The decoded header lines of the last message fetched to a file.
enum class FetchedHeader { From, Subject };

class MailEngine {
public:
    static constexpr int kMaxChannels = 128;

    MailEngine();
    ~MailEngine();
    MailEngine(const MailEngine&) = delete;
    MailEngine& operator=(const MailEngine&) = delete;

    /// The engine of the process (the automation objects share it).
    static MailEngine& Process();

    /// Makes `channels` channels (numbered 0 to channels-1): 1, or -72 when already
    /// attached, -73 for a count outside 1..128. Sets the MIME boundary base.
    [[nodiscard]] std::int32_t Attach(int channels);
    /// Closes every channel (QUIT) and forgets them: 0, or -71 when not attached.
    std::int32_t Detach();
    bool Attached() const;

    /// Claims the lowest free channel for a caller that keeps it (an automation
    /// object): its number, -71 when not attached, -73 when all are claimed.
    [[nodiscard]] std::int32_t ClaimChannel();
    /// Closes the channel, puts its options back to their defaults and frees it.
    void ReleaseChannel(int channel);

    /// Option setters (numbers in channel_options.h); text option 52 appends its text
    /// to the channel's log. -10022 for an unknown number or a bad value.
    std::int32_t SetInteger(int channel, int number, std::int64_t value);
    std::int32_t SetText(int channel, int number, std::string_view text);
    /// Option getters: 0 with the value, or -10022 for an unknown number (-71, -73
    /// for a channel that does not exist). Text option 20 gives the log file; 52,
    /// which only writes, gives "".
    std::int32_t GetInteger(int channel, int number, std::int64_t& value);
    std::int32_t GetText(int channel, int number, std::string& text);

    /// SMTP: connects to `server` for `from` (greeting, EHLO/HELO, STARTTLS and
    /// authentication by the options). A connected channel says QUIT first.
    [[nodiscard]] std::int32_t SmtpConnect(int channel, std::string_view server,
                                           std::string_view from, std::string_view replyTo);
    /// Sends one message. `to`, `cc`, `bcc` and `attachments` separate entries with
    /// ";"; `message` is the text, or when it begins with the file-flag character
    /// (option 28, "@") the contents of the file named by the rest. Every address and
    /// file is checked before anything is sent.
    [[nodiscard]] std::int32_t SendEmail(int channel, std::string_view to, std::string_view cc,
                                         std::string_view bcc, std::string_view subject,
                                         std::string_view message, std::string_view attachments);

    /// POP3: connects and logs on (APOP by option 25).
    [[nodiscard]] std::int32_t Pop3Connect(int channel, std::string_view server,
                                           std::string_view user, std::string_view password);
    /// The number of messages ("STAT").
    [[nodiscard]] std::int32_t EmailCount(int channel);
    /// The size of message `message` in octets ("LIST n").
    [[nodiscard]] std::int32_t EmailSize(int channel, int message);
    /// The header and the first `lines` body lines of a message ("TOP n lines"), lines
    /// ended by CRLF, into `buffer` (NUL-terminated, cut to fit): the length, or -68
    /// for a null buffer, -69 for one under 128 bytes.
    [[nodiscard]] std::int32_t EmailLines(int channel, int message, int lines, char* buffer,
                                          std::size_t size);
    /// Fetches a message ("RETR n") into `directory`/`fileName` and decodes its
    /// attachments into `attachmentDirectory` (when option 27 is on). The file is
    /// replaced only by a whole message.
    [[nodiscard]] std::int32_t EmailFile(int channel, int message, std::string_view fileName,
                                         std::string_view directory,
                                         std::string_view attachmentDirectory);
    /// Marks a message for deletion ("DELE n").
    [[nodiscard]] std::int32_t DeleteEmail(int channel, int message);
    /// The From or Subject line of the last message fetched to a file, its encoded
    /// words decoded; empty when none.
    std::string FetchedHeaderLine(int channel, FetchedHeader which);

    /// SMTP and POP3: says QUIT, reads the reply and closes; 0 when not connected.
    std::int32_t Close(int channel);

    /// The text of `code` (the channel's last file name in place of the run of X) in
    /// `buffer`, NUL-terminated and cut to fit: its length, or -68, -69, -73.
    std::int32_t ErrorText(int channel, std::int32_t code, char* buffer, std::size_t size);
    /// The same text as a string ("" for an unknown channel or code).
    std::string ErrorText(int channel, std::int32_t code);

    /// A fact about the channel (see StatusQuery), -5 for an unknown query.
    std::int32_t Status(int channel, int query);

    /// Replaces the monotonic clock the time-outs run on (tests).
    void SetTickSource(TickSource ticks);

    /// The boundary base of this attachment ("===OBM<ticks>===").
    std::string BoundaryBase() const;

private:
    /// The channel, or null with the code (-71, -73) in `failure`.
    std::shared_ptr<Channel> Find(int channel, std::int32_t& failure);
    template <typename Call> std::int32_t OnChannel(int channel, const char* trace, Call call);

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Channel>> channels_;
    std::vector<bool> claimed_;
    std::string boundaryBase_;
    TickSource ticks_ = SteadyTicks;
};

} // namespace ob::mail
