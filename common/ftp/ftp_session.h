// The FTP client that scripts drive: one connection with the public operations
// of the -ftp service, the runtime object's Ftp methods and the ftp object.
//
// Every public operation returns true or false and publishes its outcome through
// the FtpStatusSink given at construction:
// - success: FTP.LASTLINE becomes the last line of the server's last reply (deleted
//   when there is none), FTP.WINSOCK "0";
// - failure: FTP.LASTLINE, the last-error text, FTP.LASTMSG and FTP.WINSOCK are
//   deleted; FTP.REPLY_CODE becomes the error number and FTP.LASTMSG its text
//   (FtpErrorText); FTP.LASTLINE and FTP.WINSOCK are set as for success; the
//   last-error text becomes the last line, or the error's text when the server
//   said nothing; for 12003 (the server refused) FTP.LASTMSG is the last line too.
// Failures inside a multi-file operation are published one by one as they happen
// and make its result false once it has done everything else it could.
//
// Modes: 0 text, 1 binary, anything else by the file's extension (ftp_text_types.h).
// Wildcard specs: "dir/pattern", split at the last "/" (ftp_wildcard.h).
// Local directories are paths; the process's current directory is never changed.
//
// One thread at a time per session (the caller serialises); sessions are
// independent of each other, apart from the process-wide text-type list.
#pragma once

#include "common/ftp/ftp_connection.h"
#include "common/ftp/ftp_status_sink.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::common::ftp {

class FtpSession {
public:
    /// `sink` must outlive the session.
    explicit FtpSession(FtpStatusSink& sink) : sink_(sink) {}

    /// Connects and logs on; false (with the outcome published) when that fails.
    bool Connect(const FtpConnectOptions& options);
    /// Ends the connection; true (a session that was not open closes too).
    bool Close();
    bool IsConnected() const { return connection_.IsOpen(); }

    bool Cd(std::string_view directory);
    bool Mkdir(std::string_view directory);
    bool Rmdir(std::string_view directory);
    bool Delete(std::string_view file);
    bool Rename(std::string_view from, std::string_view to);
    bool Get(std::string_view remote, const std::string& local, int mode);
    bool Put(const std::string& local, std::string_view remote, int mode);

    /// Deletes the matching files of the spec's directory and removes its matching
    /// (empty) directories; the current remote directory is left as it was.
    bool MDel(std::string_view spec);
    /// Downloads the matching files of the spec's directory into `localDirectory`,
    /// which must exist.
    bool MGet(std::string_view spec, const std::string& localDirectory, int mode);
    /// Uploads the matching files of the spec's (local) directory into
    /// `remoteDirectory`.
    bool MPut(std::string_view spec, const std::string& remoteDirectory, int mode);
    /// MDel in the spec's directory and every directory below it (subdirectories
    /// first; directories whose names begin with "." are left alone).
    bool RDel(std::string_view spec);
    /// MGet through the tree below the spec's directory, creating local
    /// subdirectories as needed.
    bool RGet(std::string_view spec, const std::string& localDirectory, int mode);
    /// MPut through the tree below the spec's local directory, creating remote
    /// subdirectories as needed.
    bool RPut(std::string_view spec, const std::string& remoteDirectory, int mode);
    /// 1 when `name` is a directory the server lets us enter, or when the pattern
    /// after its last "/" matches an entry of that directory; else 0.
    int Test(std::string_view name);

    /// Publishes a failure the caller found before asking the server (an argument
    /// the client cannot use) as the operation's outcome; false.
    bool Refuse(std::uint32_t code) { return Failed(code); }

    /// The current remote directory ("" when not connected).
    std::string CurrentDirectory() const;
    /// The number and text of the last failure (0 and "" before any).
    std::uint32_t LastError() const { return lastError_; }

private:
    enum class Walk { kDelete, kGet, kPut };
    enum class Step { kDone, kStop };
    struct WalkState;

    bool Succeeded();
    bool Failed(std::uint32_t code);
    /// Records `code` when it is not 0; true for 0.
    bool Check(std::uint32_t code);
    bool RequireConnection();
    /// Connected: saves the current directory in `saved` and enters `directory`
    /// (an empty one is the current directory); false, with the failure published,
    /// when either fails.
    bool Enter(std::string_view directory, std::string& saved);
    /// Goes back to `saved`; publishes success when `ok`. Returns `ok`.
    bool Leave(const std::string& saved, bool ok);

    bool DeleteMatching(const FtpListing& listing, std::string_view pattern);
    bool GetMatching(const FtpListing& listing, std::string_view pattern,
                     const std::string& localDirectory, int mode);
    bool PutMatching(const std::string& localDirectory, std::string_view pattern, int mode);
    Step WalkDirectory(WalkState& state, const std::string& localDirectory);

    FtpStatusSink& sink_;
    FtpConnection connection_;
    std::uint32_t lastError_ = 0;
};

/// The entries of a local directory ("." and ".." left out), in the reverse of
/// name order, as a remote listing runs. 0 or a Windows error number.
std::uint32_t ListLocalDirectory(const std::string& directory, FtpListing& entries);

/// `directory` joined with `name` ("." stays out of the way).
std::string JoinLocal(const std::string& directory, std::string_view name);

} // namespace ob::common::ftp
