#include "engine/services/mail/mail_service.h"

#include "engine/services/service_handle_table.h"
#include "obrenta/mapi.h"
#include "obrenta/service.h"
#include "platform/fs/library_path.h"
#include "platform/text/ascii_case.h"
#include "variables/variable_manager.h"

#include <cstdio>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace ob::engine {
namespace {

constexpr const char* kProcedureNotFound = "Internal MAPI Error, procedure not found.";
constexpr const char* kBadHandle = "Bad MAPI handle.";

/// A session opened by LOGON, known to the script by its handle.
class MapiSession : public ServiceObject {
public:
    explicit MapiSession(LHANDLE session) : session_(session) {}
    LHANDLE Session() const { return session_; }

private:
    LHANDLE session_;
};

/// The loaded library. It is opened again on every call and never closed: the
/// sessions it keeps must outlive the call that opened them.
class MapiLibrary {
public:
    explicit MapiLibrary(const char* name) : handle_(::dlopen(name, RTLD_NOW | RTLD_LOCAL)) {}
    bool Loaded() const { return handle_ != nullptr; }
    template <typename Function> Function Get(const char* name) const {
        return reinterpret_cast<Function>(::dlsym(handle_, name));
    }

private:
    void* handle_;
};

std::int32_t Fail(const std::string& text) {
    vars::MainStore().SetLastErrorText(text.c_str());
    return OB_SVC_FAILED;
}

/// The text of a result, followed by the library's reason when it gives one.
std::string ResultText(const MapiLibrary& library, std::uint32_t code) {
    std::string text(MapiResultText(code));
    if (const auto lastError = library.Get<LPOBMAPILASTERROR>("OB_MapiLastError")) {
        const std::uint32_t length = lastError(nullptr, 0);
        if (length > 0) {
            std::string reason(length + 1, '\0');
            lastError(reason.data(), length + 1);
            reason.resize(length);
            text += " " + reason;
        }
    }
    return text;
}

std::int32_t Logon(const MapiLibrary& library, const std::vector<std::string>& words) {
    const auto logon = library.Get<LPMAPILOGON>("MAPILogon");
    if (logon == nullptr) {
        return Fail(kProcedureNotFound);
    }
    const char* password = words.size() > 4 ? words[4].c_str() : nullptr;
    LHANDLE session = 0;
    const std::uint32_t code = logon(0, words[3].c_str(), password, MAPI_NEW_SESSION, 0, &session);
    if (code != SUCCESS_SUCCESS || session == 0) {
        return Fail(ResultText(library, code));
    }
    const std::string handle = ServiceHandles().Add(std::make_shared<MapiSession>(session));
    vars::MainStore().PutEnv(nullptr, words[2].c_str(), handle.c_str(), vars::ENV_TRANSIENT);
    return OB_SVC_OK;
}

std::int32_t Logoff(const MapiLibrary& library, const std::vector<std::string>& words) {
    const auto logoff = library.Get<LPMAPILOGOFF>("MAPILogoff");
    if (logoff == nullptr) {
        return Fail(kProcedureNotFound);
    }
    const auto handle = vars::MainStore().Get(nullptr, words[2].c_str(), vars::ENV_TRANSIENT);
    const auto session =
        std::dynamic_pointer_cast<MapiSession>(handle ? ServiceHandles().Find(*handle) : nullptr);
    if (session == nullptr) {
        return Fail(kBadHandle);
    }
    const std::uint32_t code = logoff(session->Session(), 0, 0, 0);
    if (code != SUCCESS_SUCCESS) {
        return Fail(ResultText(library, code));
    }
    ServiceHandles().Remove(*handle);
    return OB_SVC_OK;
}

std::int32_t SendMail(const MapiLibrary& library, const std::vector<std::string>& words) {
    const auto send = library.Get<LPMAPISENDMAIL>("MAPISendMail");
    const auto resolve = library.Get<LPMAPIRESOLVENAME>("MAPIResolveName");
    const auto address = library.Get<LPMAPIADDRESS>("MAPIAddress");
    const auto logon = library.Get<LPMAPILOGON>("MAPILogon");
    if (send == nullptr || resolve == nullptr || address == nullptr || logon == nullptr) {
        return Fail(kProcedureNotFound);
    }
    LHANDLE session = 0;
    std::uint32_t code = logon(0, nullptr, nullptr, 0, 0, &session);
    if (code != SUCCESS_SUCCESS || session == 0) {
        return Fail(ResultText(library, code));
    }

    std::string to = words[2];
    std::string smtpAddress = "SMTP:" + to;
    std::string subject = words[3];
    std::string body = words[4];
    std::string attachment = words.size() > 5 ? words[5] : std::string();
    MapiRecipDesc recipient{0, MAPI_TO, to.data(), smtpAddress.data(), 0, nullptr};
    MapiFileDesc file{0, 0, static_cast<std::uint32_t>(-1), attachment.data(), nullptr, nullptr};
    MapiMessage message{};
    message.lpszSubject = subject.data();
    message.lpszNoteText = body.data();
    message.nRecipCount = 1;
    message.lpRecips = &recipient;
    message.nFileCount = attachment.empty() ? 0 : 1;
    message.lpFiles = attachment.empty() ? nullptr : &file;
    code = send(0, 0, &message, 0, 0);
    const std::string text = code == SUCCESS_SUCCESS ? std::string() : ResultText(library, code);

    // The session only proved that a default log-on works: close it, so that jobs
    // that mail every minute do not pile sessions up until the library refuses.
    if (const auto logoff = library.Get<LPMAPILOGOFF>("MAPILogoff")) {
        logoff(session, 0, 0, 0);
    }
    return code == SUCCESS_SUCCESS ? OB_SVC_OK : Fail(text);
}

enum class Function { Logon, Logoff, SendMail };

struct FunctionEntry {
    std::string_view name;
    Function function;
    std::size_t required; ///< words after the function that must be present
};

constexpr FunctionEntry kFunctions[] = {
    {"LOGON", Function::Logon, 2},
    {"LOGOFF", Function::Logoff, 1},
    {"SENDMAIL", Function::SendMail, 3},
};

} // namespace

std::string_view MapiResultText(std::uint32_t code) {
    switch (code) {
    case SUCCESS_SUCCESS:
        return "The call succeeded and the message was sent.";
    case MAPI_E_USER_ABORT:
        return "The user canceled one of the dialog boxes. No message was sent.";
    case MAPI_E_LOGON_FAILURE:
        return "There was no default logon, and the user failed to log on successfully when the "
               "logon dialog box was displayed. No message was sent.";
    case MAPI_E_INSUFFICIENT_MEMORY:
        return "There was insufficient memory to proceed. No message was sent.";
    case MAPI_E_TOO_MANY_SESSIONS:
        return "The user had too many sessions open simultaneously. No session handle was "
               "returned.";
    case MAPI_E_TOO_MANY_FILES:
        return "There were too many file attachments. No message was sent.";
    case MAPI_E_TOO_MANY_RECIPIENTS:
        return "There were too many recipients. No message was sent.";
    case MAPI_E_ATTACHMENT_NOT_FOUND:
        return "The specified attachment was not found. No message was sent.";
    case MAPI_E_ATTACHMENT_OPEN_FAILURE:
        return "The specified attachment could not be opened. No message was sent.";
    case MAPI_E_UNKNOWN_RECIPIENT:
        return "A recipient did not appear in the address list. No message was sent.";
    case MAPI_E_BAD_RECIPTYPE:
        return "The type of a recipient was not MAPI_TO, MAPI_CC, or MAPI_BCC. No message was "
               "sent.";
    case MAPI_E_TEXT_TOO_LARGE:
        return "The text in the message was too large. No message was sent.";
    case MAPI_E_AMBIGUOUS_RECIPIENT:
        return "A recipient matched more than one of the recipient descriptor structures and "
               "MAPI_DIALOG was not set. No message was sent.";
    case MAPI_E_INVALID_RECIPS:
        return "One or more recipients were invalid or did not resolve to any address.";
    default:
        return "One or more unspecified errors occurred. No message was sent.";
    }
}

std::int32_t MailServiceWith(const char* const* words, const char* library) {
    std::vector<std::string> call;
    for (std::size_t i = 0; words != nullptr && words[i] != nullptr; ++i) {
        call.emplace_back(words[i]);
    }
    if (call.size() < 2) {
        return OB_SVC_BAD_FORMAT;
    }
    if (text::EqualsIgnoringCase(call[1], "MAIL.VERSION")) {
        char version[64];
        std::snprintf(version, sizeof version, "Obrenta MAIL version %d.%d", 2, 0);
        vars::MainStore().PutEnv(nullptr, "MAIL.VERSION", version, vars::ENV_TRANSIENT);
        return OB_SVC_OK;
    }
    for (const FunctionEntry& entry : kFunctions) {
        if (!text::EqualsIgnoringCase(call[1], entry.name)) {
            continue;
        }
        if (call.size() < 2 + entry.required) {
            return OB_SVC_TOO_FEW;
        }
        const MapiLibrary mapi(
            fs::LibraryPathBeside(reinterpret_cast<const void*>(&MailServiceWith), library)
                .c_str());
        if (!mapi.Loaded()) {
            return OB_SVC_FAILED; // JR.LAST_ERROR stays as it was
        }
        switch (entry.function) {
        case Function::Logon:
            return Logon(mapi, call);
        case Function::Logoff:
            return Logoff(mapi, call);
        case Function::SendMail:
            return SendMail(mapi, call);
        }
    }
    return OB_SVC_UNKNOWN;
}

std::int32_t MailService(const char* const* words) {
    return MailServiceWith(words, kMapiLibrary);
}

} // namespace ob::engine
