// The ftp object's call log: a text file that records every property access and
// method call of one object with its outcome, for following a script's FTP work
// after the fact.
//
// Nothing is written while no file is set. Start sets the file: it is created or
// emptied, and the first line is `True = InitLogFile("NAME")`; when it cannot be
// created the log stays off. Each entry then opens the file for appending, writes
// its line and closes it again, so the file can be read (or removed) while the
// script runs. A line is the entry's text without leading and trailing white
// space. Entries of the detail level add, for each outcome variable of the FTP
// client that has a value, one line:
//   Last line: FTP.LASTLINE
//   Last Library message: FTP.LASTMSG
//   Last Library error: FTP.REPLY_CODE
//   <TAB>Socket error: FTP.WINSOCK
// The password never reaches the log (the object writes "####" for it).
//
// Thread of the owning object's script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::corelib {

class FtpCallLog {
public:
    enum class Detail { kCall, kWithOutcome };

    /// Sets the file and empties it; false (and the log off) when it cannot be
    /// created.
    bool Start(const std::string& fileName);
    bool IsOn() const { return !fileName_.empty(); }

    /// One entry: `text` trimmed, then the outcome lines for kWithOutcome.
    void Write(Detail detail, std::string_view text) const;
    /// `text` as it stands, as one line.
    void WriteLiteral(std::string_view text) const;

private:
    void Append(const std::string& lines) const;

    std::string fileName_;
};

/// "OK" for 0, else the number: how the log shows an operation's result.
std::string OutcomeWord(std::int32_t result);
/// "True" or "False".
const char* TruthWord(bool value);

} // namespace ob::corelib
