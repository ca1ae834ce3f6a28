#include "engine/services/ftp_service.h"

#include "common/ftp/ftp_session.h"
#include "common/ftp/ftp_status_variables.h"
#include "engine/expansion/leading_integer.h"
#include "engine/services/service_handle_table.h"
#include "obrenta/service.h"
#include "platform/text/ascii_case.h"
#include "variables/variable_manager.h"

#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

using common::ftp::FtpConnectOptions;
using common::ftp::FtpSession;

/// A connection the service keeps between calls.
class FtpServiceConnection final : public ServiceObject {
public:
    FtpServiceConnection() : session_(common::ftp::StoreFtpStatus()) {}
    std::mutex& Lock() { return lock_; }
    FtpSession& Session() { return session_; }

private:
    std::mutex lock_;
    FtpSession session_;
};

enum class Command {
    kConnect,
    kCd,
    kClose,
    kDelete,
    kGet,
    kPut,
    kMGet,
    kMPut,
    kMDel,
    kMkdir,
    kRmdir,
    kRename,
    kRGet,
    kRPut,
    kRDel,
    kTest,
    kNotImplemented,
};

struct CommandSpec {
    const char* name;
    Command command;
    std::size_t words; ///< required words after the handle variable's name
};

constexpr std::array kCommands{
    CommandSpec{"CONNECT", Command::kConnect, 4},
    CommandSpec{"CD", Command::kCd, 1},
    CommandSpec{"CLOSE", Command::kClose, 0},
    CommandSpec{"DEL", Command::kDelete, 1},
    CommandSpec{"DELETE", Command::kDelete, 1},
    CommandSpec{"GET", Command::kGet, 3},
    CommandSpec{"PUT", Command::kPut, 3},
    CommandSpec{"MGET", Command::kMGet, 3},
    CommandSpec{"MPUT", Command::kMPut, 3},
    CommandSpec{"MDEL", Command::kMDel, 1},
    CommandSpec{"MDELETE", Command::kMDel, 1},
    CommandSpec{"MKDIR", Command::kMkdir, 1},
    CommandSpec{"RMDIR", Command::kRmdir, 1},
    CommandSpec{"RENAME", Command::kRename, 2},
    CommandSpec{"REN", Command::kRename, 2},
    CommandSpec{"RGET", Command::kRGet, 3},
    CommandSpec{"RPUT", Command::kRPut, 3},
    CommandSpec{"RDEL", Command::kRDel, 1},
    CommandSpec{"RDELETE", Command::kRDel, 1},
    CommandSpec{"TEST", Command::kTest, 1},
    CommandSpec{"PASS", Command::kNotImplemented, 0},
    CommandSpec{"FIREUSER", Command::kNotImplemented, 0},
    CommandSpec{"FIREPASS", Command::kNotImplemented, 0},
};

const CommandSpec* FindCommand(const char* name) {
    for (const CommandSpec& spec : kCommands) {
        if (text::EqualsIgnoringCase(name, spec.name)) {
            return &spec;
        }
    }
    return nullptr;
}

std::int32_t Fail(const std::string& text) {
    vars::MainStore().SetLastErrorText(text.c_str());
    return OB_SVC_FAILED;
}

std::int32_t Outcome(bool ok) {
    return ok ? OB_SVC_OK : OB_SVC_FAILED;
}

/// The words after the password: -tls (AUTH TLS, control and data encrypted),
/// -insecure (with -tls: no certificate check), -active (active mode). False with
/// the offending word for anything else.
bool ReadConnectOptions(const std::vector<std::string>& words, std::size_t from,
                        FtpConnectOptions& options, std::string& bad) {
    for (std::size_t i = from; i < words.size(); ++i) {
        if (text::EqualsIgnoringCase(words[i], "-tls")) {
            options.explicitTls = true;
        } else if (text::EqualsIgnoringCase(words[i], "-insecure")) {
            options.verifyPeer = false;
        } else if (text::EqualsIgnoringCase(words[i], "-active")) {
            options.passive = false;
        } else {
            bad = words[i];
            return false;
        }
    }
    return true;
}

std::int32_t Connect(const std::vector<std::string>& w) {
    FtpConnectOptions options;
    options.host = w[3];
    options.port = static_cast<std::uint16_t>(LeadingInteger(w[4]));
    options.user = w[5];
    options.password = w[6];
    std::string bad;
    if (!ReadConnectOptions(w, 7, options, bad)) {
        return Fail("Unknown FTP CONNECT option \"" + bad + "\"");
    }
    auto connection = std::make_shared<FtpServiceConnection>();
    if (!connection->Session().Connect(options)) {
        return OB_SVC_FAILED;
    }
    const std::string handle = ServiceHandles().Add(connection);
    vars::MainStore().PutEnv(nullptr, w[2].c_str(), handle.c_str(), vars::ENV_TRANSIENT);
    return OB_SVC_OK;
}

std::int32_t Run(Command command, FtpSession& session, const std::vector<std::string>& w) {
    switch (command) {
    case Command::kCd:
        return Outcome(session.Cd(w[3]));
    case Command::kDelete:
        return Outcome(session.Delete(w[3]));
    case Command::kGet:
        return Outcome(session.Get(w[3], w[4], LeadingInteger(w[5])));
    case Command::kPut:
        return Outcome(session.Put(w[3], w[4], LeadingInteger(w[5])));
    case Command::kMGet:
        return Outcome(session.MGet(w[3], w[4], LeadingInteger(w[5])));
    case Command::kMPut:
        return Outcome(session.MPut(w[3], w[4], LeadingInteger(w[5])));
    case Command::kMDel:
        return Outcome(session.MDel(w[3]));
    case Command::kMkdir:
        return Outcome(session.Mkdir(w[3]));
    case Command::kRmdir:
        return Outcome(session.Rmdir(w[3]));
    case Command::kRename:
        return Outcome(session.Rename(w[3], w[4]));
    case Command::kRGet:
        return Outcome(session.RGet(w[3], w[4], LeadingInteger(w[5])));
    case Command::kRPut:
        return Outcome(session.RPut(w[3], w[4], LeadingInteger(w[5])));
    case Command::kRDel:
        return Outcome(session.RDel(w[3]));
    case Command::kTest:
        if (session.Test(w[3]) > 0) {
            return OB_SVC_OK;
        }
        return Fail("Ftp_Test(" + w[3] + "): failed");
    case Command::kConnect:
    case Command::kClose:
    case Command::kNotImplemented:
        break;
    }
    return OB_SVC_UNKNOWN;
}

std::int32_t Dispatch(const std::vector<std::string>& w) {
    if (w.size() < 2) {
        return OB_SVC_BAD_FORMAT;
    }
    if (text::EqualsIgnoringCase(w[1], "FTP.VERSION")) {
        vars::MainStore().PutEnv(nullptr, "FTP.VERSION", kFtpVersionText, vars::ENV_TRANSIENT);
        return OB_SVC_OK;
    }
    if (w.size() < 3) {
        return OB_SVC_BAD_FORMAT;
    }
    const CommandSpec* spec = FindCommand(w[1].c_str());
    if (spec == nullptr) {
        return OB_SVC_UNKNOWN;
    }
    if (spec->command == Command::kNotImplemented) {
        return OB_SVC_NOT_IMPLEMENTED;
    }
    if (w.size() < 3 + spec->words) {
        return OB_SVC_TOO_FEW;
    }
    if (spec->command == Command::kConnect) {
        return Connect(w);
    }
    auto connection = std::dynamic_pointer_cast<FtpServiceConnection>(
        ServiceHandles().FromVariable(w[2].c_str()));
    if (connection == nullptr) {
        return OB_SVC_BAD_HANDLE;
    }
    std::lock_guard guard(connection->Lock());
    if (spec->command == Command::kClose) {
        connection->Session().Close();
        if (const auto handle = vars::MainStore().Get(nullptr, w[2].c_str(), vars::ENV_TRANSIENT)) {
            ServiceHandles().Remove(*handle);
        }
        return OB_SVC_OK;
    }
    return Run(spec->command, connection->Session(), w);
}

} // namespace

std::int32_t FtpService(const char* const* words) {
    try {
        std::vector<std::string> w;
        for (std::size_t i = 0; words != nullptr && words[i] != nullptr; ++i) {
            w.emplace_back(words[i]);
        }
        return Dispatch(w);
    } catch (const std::exception& error) {
        return Fail(std::string("FTP service failure: ") + error.what());
    }
}

} // namespace ob::engine
