#include "common/ftp/ftp_session.h"

#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_wildcard.h"
#include "platform/error/win_error.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace ob::common::ftp {
namespace {

/// Deepest directory nesting a recursive walk enters: a server that lists a
/// directory loop cannot keep it walking for ever.
constexpr int kMaxWalkDepth = 64;
constexpr std::uint32_t kErrorFilenameTooLong = 206;

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

bool IsLocalDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path.empty() ? std::string(".") : path, error);
}

} // namespace

std::string JoinLocal(const std::string& directory, std::string_view name) {
    if (directory.empty() || directory == ".") {
        return std::string(name);
    }
    std::string path = directory;
    if (path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::uint32_t ListLocalDirectory(const std::string& directory, FtpListing& entries) {
    namespace fs = std::filesystem;
    entries.clear();
    std::error_code error;
    fs::directory_iterator it(directory.empty() ? std::string(".") : directory, error);
    if (error) {
        return error.value() == ENOENT ? kErrorPathNotFound : ob::error::FromErrno(error.value());
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) {
            return ob::error::FromErrno(error.value());
        }
        std::error_code statError;
        FtpListEntry entry;
        entry.name = it->path().filename().string();
        entry.symbolicLink = it->is_symlink(statError);
        entry.directory = it->is_directory(statError);
        if (!entry.directory && !it->is_regular_file(statError)) {
            continue; // devices, pipes and sockets are not files to transfer
        }
        if (!entry.directory) {
            entry.size = it->file_size(statError);
        }
        entries.push_back(std::move(entry));
    }
    if (error) {
        return ob::error::FromErrno(error.value());
    }
    std::sort(entries.begin(), entries.end(),
              [](const FtpListEntry& a, const FtpListEntry& b) { return a.name > b.name; });
    return 0;
}

struct FtpSession::WalkState {
    Walk walk;
    std::string pattern;
    int mode = 0;
    int depth = 0;
    bool ok = true;
};

bool FtpSession::Succeeded() {
    sink_.SetVariable(kLastLineVariable, "");
    sink_.SetVariable(kLastLineVariable, LastLineOf(Joined(connection_.LastResponse())));
    sink_.SetVariable(kWinsockVariable, std::to_string(connection_.LastSocketError()));
    return true;
}

bool FtpSession::Failed(std::uint32_t code) {
    lastError_ = code;
    sink_.SetVariable(kLastLineVariable, "");
    sink_.SetLastError("");
    sink_.SetVariable(kLastMessageVariable, "");
    sink_.SetVariable(kWinsockVariable, "");
    const std::string text = FtpErrorText(code);
    if (code != 0) {
        sink_.SetVariable(kReplyCodeVariable, std::to_string(code));
        sink_.SetVariable(kLastMessageVariable, text);
    }
    const std::string lastLine = LastLineOf(Joined(connection_.LastResponse()));
    sink_.SetVariable(kLastLineVariable, lastLine);
    sink_.SetVariable(kWinsockVariable, std::to_string(connection_.LastSocketError()));
    // A local failure (a Windows system number) or a silent server is explained by
    // the error's own text, never by an older reply.
    const bool serverExplains = code >= 12000 && !lastLine.empty();
    sink_.SetLastError(serverExplains ? lastLine : text);
    if (code == kInternetExtendedError && !lastLine.empty()) {
        sink_.SetVariable(kLastMessageVariable, lastLine);
    }
    return false;
}

bool FtpSession::Check(std::uint32_t code) {
    return code == 0 || Failed(code);
}

bool FtpSession::RequireConnection() {
    return connection_.IsOpen() || Failed(kInternetIncorrectHandleState);
}

bool FtpSession::Connect(const FtpConnectOptions& options) {
    return Check(connection_.Open(options)) && Succeeded();
}

bool FtpSession::Close() {
    const bool wasOpen = connection_.IsOpen();
    connection_.Close();
    if (wasOpen) {
        Succeeded();
    }
    return true;
}

bool FtpSession::Cd(std::string_view directory) {
    return RequireConnection() && Check(connection_.Cd(directory)) && Succeeded();
}

bool FtpSession::Mkdir(std::string_view directory) {
    return RequireConnection() && Check(connection_.Mkdir(directory)) && Succeeded();
}

bool FtpSession::Rmdir(std::string_view directory) {
    return RequireConnection() && Check(connection_.Rmdir(directory)) && Succeeded();
}

bool FtpSession::Delete(std::string_view file) {
    return RequireConnection() && Check(connection_.Delete(file)) && Succeeded();
}

bool FtpSession::Rename(std::string_view from, std::string_view to) {
    return RequireConnection() && Check(connection_.Rename(from, to)) && Succeeded();
}

bool FtpSession::Get(std::string_view remote, const std::string& local, int mode) {
    return RequireConnection() &&
           Check(connection_.Get(remote, local, TransferTypeFor(mode, remote))) && Succeeded();
}

bool FtpSession::Put(const std::string& local, std::string_view remote, int mode) {
    return RequireConnection() &&
           Check(connection_.Put(local, remote, TransferTypeFor(mode, local))) && Succeeded();
}

std::string FtpSession::CurrentDirectory() const {
    return connection_.IsOpen() ? connection_.CurrentDirectory() : std::string();
}

bool FtpSession::DeleteMatching(const FtpListing& listing, std::string_view pattern) {
    const WildcardPattern matcher(pattern);
    bool ok = true;
    for (const FtpListEntry& entry : listing) {
        if (entry.name == "." || entry.name == ".." || !matcher.Matches(entry.name)) {
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            ok = Failed(kErrorInvalidName) && ok;
            continue;
        }
        const std::uint32_t code =
            entry.directory ? connection_.Rmdir(entry.name) : connection_.Delete(entry.name);
        ok = Check(code) && ok;
    }
    return ok;
}

bool FtpSession::GetMatching(const FtpListing& listing, std::string_view pattern,
                             const std::string& localDirectory, int mode) {
    const WildcardPattern matcher(pattern);
    bool ok = true;
    for (const FtpListEntry& entry : listing) {
        if (entry.directory || !matcher.Matches(entry.name)) {
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            ok = Failed(kErrorInvalidName) && ok;
            continue;
        }
        const std::uint32_t code = connection_.Get(
            entry.name, JoinLocal(localDirectory, entry.name), TransferTypeFor(mode, entry.name));
        ok = Check(code) && ok;
    }
    return ok;
}

bool FtpSession::PutMatching(const std::string& localDirectory, std::string_view pattern,
                             int mode) {
    FtpListing listing;
    if (!Check(ListLocalDirectory(localDirectory, listing))) {
        return false;
    }
    const WildcardPattern matcher(pattern);
    bool ok = true;
    for (const FtpListEntry& entry : listing) {
        if (entry.directory || !matcher.Matches(entry.name)) {
            continue;
        }
        const std::uint32_t code = connection_.Put(JoinLocal(localDirectory, entry.name),
                                                   entry.name, TransferTypeFor(mode, entry.name));
        ok = Check(code) && ok;
    }
    return ok;
}

bool FtpSession::Enter(std::string_view directory, std::string& saved) {
    if (!RequireConnection()) {
        return false;
    }
    saved = connection_.CurrentDirectory();
    return directory.empty() || Check(connection_.Cd(directory));
}

bool FtpSession::Leave(const std::string& saved, bool ok) {
    connection_.RestoreDirectory(saved);
    return ok && Succeeded();
}

bool FtpSession::MDel(std::string_view wildcard) {
    const WildcardSpec parts = SplitSpec(wildcard);
    std::string saved;
    if (!Enter(parts.directory, saved)) {
        return false;
    }
    FtpListing listing;
    return Leave(saved, Check(connection_.List(listing)) && DeleteMatching(listing, parts.pattern));
}

bool FtpSession::MGet(std::string_view wildcard, const std::string& localDirectory, int mode) {
    const WildcardSpec parts = SplitSpec(wildcard);
    std::string saved;
    if (!Enter(parts.directory, saved)) {
        return false;
    }
    FtpListing listing;
    return Leave(saved, (IsLocalDirectory(localDirectory) || Failed(kErrorPathNotFound)) &&
                            Check(connection_.List(listing)) &&
                            GetMatching(listing, parts.pattern, localDirectory, mode));
}

bool FtpSession::MPut(std::string_view wildcard, const std::string& remoteDirectory, int mode) {
    std::string saved;
    if (!Enter(remoteDirectory, saved)) {
        return false;
    }
    const WildcardSpec parts = SplitSpec(wildcard);
    return Leave(saved, (IsLocalDirectory(parts.directory) || Failed(kErrorPathNotFound)) &&
                            PutMatching(parts.directory, parts.pattern, mode));
}

FtpSession::Step FtpSession::WalkDirectory(WalkState& state, const std::string& localDirectory) {
    FtpListing listing;
    const std::uint32_t listed = state.walk == Walk::kPut
                                     ? ListLocalDirectory(localDirectory, listing)
                                     : connection_.List(listing);
    if (!Check(listed)) {
        state.ok = false;
        return Step::kStop;
    }
    for (const FtpListEntry& entry : listing) {
        if (!entry.directory || entry.symbolicLink || IsDotName(entry.name)) {
            continue;
        }
        if (!IsSafeEntryName(entry.name)) {
            state.ok = Failed(kErrorInvalidName);
            continue;
        }
        if (state.depth >= kMaxWalkDepth) {
            state.ok = Failed(kErrorFilenameTooLong);
            return Step::kStop;
        }
        const std::string parent = connection_.CurrentDirectory();
        std::uint32_t entered = connection_.Cd(entry.name);
        if (entered != 0 && state.walk == Walk::kPut && connection_.Mkdir(entry.name) == 0) {
            entered = connection_.Cd(entry.name);
        }
        const std::string childLocal = JoinLocal(localDirectory, entry.name);
        if (entered == 0 && state.walk == Walk::kGet && !IsLocalDirectory(childLocal)) {
            std::error_code error;
            std::filesystem::create_directory(childLocal, error);
            if (error) {
                entered = ob::error::FromErrno(error.value());
            }
        }
        if (!Check(entered)) {
            connection_.RestoreDirectory(parent);
            state.ok = false;
            return Step::kStop;
        }
        ++state.depth;
        const Step step = WalkDirectory(state, childLocal);
        --state.depth;
        connection_.RestoreDirectory(parent);
        if (step == Step::kStop) {
            return Step::kStop;
        }
    }
    bool ok = true;
    switch (state.walk) {
    case Walk::kDelete:
        ok = DeleteMatching(listing, state.pattern);
        break;
    case Walk::kGet:
        ok = GetMatching(listing, state.pattern, localDirectory, state.mode);
        break;
    case Walk::kPut:
        ok = PutMatching(localDirectory, state.pattern, state.mode);
        break;
    }
    state.ok = ok && state.ok;
    return Step::kDone;
}

bool FtpSession::RDel(std::string_view wildcard) {
    const WildcardSpec parts = SplitSpec(wildcard);
    std::string saved;
    if (!Enter(parts.directory, saved)) {
        return false;
    }
    WalkState state{Walk::kDelete, parts.pattern};
    WalkDirectory(state, std::string());
    return Leave(saved, state.ok);
}

bool FtpSession::RGet(std::string_view wildcard, const std::string& localDirectory, int mode) {
    const WildcardSpec parts = SplitSpec(wildcard);
    std::string saved;
    if (!Enter(parts.directory, saved)) {
        return false;
    }
    WalkState state{Walk::kGet, parts.pattern, mode};
    state.ok = IsLocalDirectory(localDirectory) || Failed(kErrorPathNotFound);
    if (state.ok) {
        WalkDirectory(state, localDirectory);
    }
    return Leave(saved, state.ok);
}

bool FtpSession::RPut(std::string_view wildcard, const std::string& remoteDirectory, int mode) {
    std::string saved;
    if (!Enter(remoteDirectory, saved)) {
        return false;
    }
    const WildcardSpec parts = SplitSpec(wildcard);
    WalkState state{Walk::kPut, parts.pattern, mode};
    state.ok = IsLocalDirectory(parts.directory) || Failed(kErrorPathNotFound);
    if (state.ok) {
        WalkDirectory(state, parts.directory);
    }
    return Leave(saved, state.ok);
}

int FtpSession::Test(std::string_view name) {
    if (!RequireConnection()) {
        return 0;
    }
    const std::string saved = connection_.CurrentDirectory();
    std::uint32_t code = connection_.Cd(name);
    int found = code == 0 ? 1 : 0;
    const WildcardSpec parts = SplitSpec(name);
    if (found == 0 && !parts.pattern.empty()) {
        const std::uint32_t entered = parts.directory.empty() ? 0 : connection_.Cd(parts.directory);
        FtpListing listing;
        const std::uint32_t listed = entered == 0 ? connection_.List(listing) : entered;
        const WildcardPattern matcher(parts.pattern);
        for (const FtpListEntry& entry : listing) {
            if (entry.name != "." && entry.name != ".." && matcher.Matches(entry.name)) {
                found = 1;
                break;
            }
        }
        if (listed != 0) {
            code = listed;
        }
    }
    connection_.RestoreDirectory(saved);
    if (found == 1) {
        Succeeded();
    } else {
        Failed(code);
    }
    return found;
}

} // namespace ob::common::ftp
