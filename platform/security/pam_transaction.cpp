#include "platform/security/pam_transaction.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <security/pam_appl.h>
#include <shadow.h>
#include <string.h>
#include <vector>

namespace ob::security {
namespace {

constexpr std::uint32_t ERROR_LOGON_FAILURE = 1326;
constexpr std::uint32_t ERROR_ACCOUNT_RESTRICTION = 1327;
constexpr std::uint32_t ERROR_ACCOUNT_DISABLED = 1331;
constexpr std::uint32_t ERROR_LOGON_TYPE_NOT_GRANTED = 1385;
constexpr std::uint32_t ERROR_NO_LOGON_SERVERS = 1311;
constexpr std::uint32_t ERROR_ACCOUNT_EXPIRED = 1793;
constexpr std::uint32_t ERROR_PASSWORD_MUST_CHANGE = 1907;

char* Copy(const std::string& text) {
    return ::strdup(text.c_str());
}

// Password prompts get the password; a prompt with echo gets the user name;
// messages are ignored. PAM frees what is handed back.
int Converse(int count, const pam_message** messages, pam_response** responses, void* data) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG) {
        return PAM_CONV_ERR;
    }
    const auto* self = static_cast<const std::pair<std::string, std::string>*>(data);
    auto* replies = static_cast<pam_response*>(
        std::calloc(static_cast<std::size_t>(count), sizeof(pam_response)));
    if (replies == nullptr) {
        return PAM_BUF_ERR;
    }
    for (int i = 0; i < count; ++i) {
        const int style = messages[i]->msg_style;
        char* answer = nullptr;
        if (style == PAM_PROMPT_ECHO_OFF) {
            answer = Copy(self->second);
        } else if (style == PAM_PROMPT_ECHO_ON) {
            answer = Copy(self->first);
        } else {
            continue;
        }
        if (answer == nullptr) {
            for (int j = 0; j < i; ++j) {
                if (replies[j].resp != nullptr) {
                    ::explicit_bzero(replies[j].resp, std::strlen(replies[j].resp));
                    std::free(replies[j].resp);
                }
            }
            std::free(replies);
            return PAM_BUF_ERR;
        }
        replies[i].resp = answer;
    }
    *responses = replies;
    return PAM_SUCCESS;
}

std::uint32_t FromPam(int status) {
    switch (status) {
    case PAM_SUCCESS:
        return 0;
    case PAM_USER_UNKNOWN:
    case PAM_AUTH_ERR:
    case PAM_CRED_INSUFFICIENT:
    case PAM_MAXTRIES:
        return ERROR_LOGON_FAILURE;
    case PAM_ACCT_EXPIRED:
        return ERROR_ACCOUNT_EXPIRED;
    case PAM_NEW_AUTHTOK_REQD:
    case PAM_AUTHTOK_EXPIRED:
        return ERROR_PASSWORD_MUST_CHANGE;
    case PAM_PERM_DENIED:
        return ERROR_LOGON_TYPE_NOT_GRANTED;
    case PAM_CRED_EXPIRED:
        return ERROR_ACCOUNT_DISABLED;
    case PAM_CRED_ERR:
        return ERROR_ACCOUNT_RESTRICTION;
    default:
        return ERROR_NO_LOGON_SERVERS;
    }
}

// The account check refused a user whose password was right. Stacks often turn
// the module's reason into a plain denial (Debian's "default=ignore" followed by
// pam_deny), so the shadow entry, where readable, tells an expired account or
// password apart; anything else is "not allowed to log on".
std::uint32_t AccountRefusal(const std::string& user, int status) {
    switch (status) {
    case PAM_ACCT_EXPIRED:
    case PAM_NEW_AUTHTOK_REQD:
    case PAM_AUTHTOK_EXPIRED:
        return FromPam(status);
    default:
        break;
    }
    std::vector<char> buffer(8192);
    spwd entry{};
    spwd* found = nullptr;
    if (::getspnam_r(user.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        const long today = static_cast<long>(std::time(nullptr) / 86400);
        if (found->sp_expire != -1 && today >= found->sp_expire) {
            return ERROR_ACCOUNT_EXPIRED;
        }
        if (found->sp_lstchg == 0 || (found->sp_lstchg > 0 && found->sp_max != -1 &&
                                      today > found->sp_lstchg + found->sp_max)) {
            return ERROR_PASSWORD_MUST_CHANGE;
        }
    }
    return ERROR_LOGON_TYPE_NOT_GRANTED;
}

} // namespace

PamTransaction::PamTransaction(const std::string& user, const std::string& password)
    : conversation_(user, password) {}

PamTransaction::~PamTransaction() {
    if (handle_ != nullptr) {
        if (session_) {
            ::pam_close_session(handle_, PAM_SILENT);
        }
        if (credentials_) {
            ::pam_setcred(handle_, PAM_DELETE_CRED | PAM_SILENT);
        }
        ::pam_end(handle_, status_);
    }
    ::explicit_bzero(conversation_.second.data(), conversation_.second.size());
}

std::uint32_t PamTransaction::Authenticate() {
    if (handle_ != nullptr) {
        return ERROR_NO_LOGON_SERVERS; // one authentication per transaction
    }
    const std::string& user = conversation_.first;
    if (user.empty() || user.find('\0') != std::string::npos ||
        conversation_.second.find('\0') != std::string::npos) {
        return ERROR_LOGON_FAILURE;
    }
    // PAM copies the conversation record and calls back with the address of the
    // pair, which lives in this object until pam_end.
    const pam_conv conv{&Converse, &conversation_};
    status_ = ::pam_start(kPamService, user.c_str(), &conv, &handle_);
    if (status_ != PAM_SUCCESS) {
        handle_ = nullptr;
        return ERROR_NO_LOGON_SERVERS;
    }
    status_ = ::pam_authenticate(handle_, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    if (status_ != PAM_SUCCESS) {
        return FromPam(status_);
    }
    status_ = ::pam_acct_mgmt(handle_, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    return status_ == PAM_SUCCESS ? 0 : AccountRefusal(User(), status_);
}

std::uint32_t PamTransaction::OpenSession() {
    if (handle_ == nullptr) {
        return ERROR_NO_LOGON_SERVERS;
    }
    status_ = ::pam_setcred(handle_, PAM_ESTABLISH_CRED | PAM_SILENT);
    if (status_ != PAM_SUCCESS) {
        return FromPam(status_);
    }
    credentials_ = true;
    status_ = ::pam_open_session(handle_, PAM_SILENT);
    if (status_ != PAM_SUCCESS) {
        return FromPam(status_);
    }
    session_ = true;
    return 0;
}

std::vector<std::string> PamTransaction::Environment() const {
    std::vector<std::string> variables;
    if (handle_ == nullptr) {
        return variables;
    }
    char** list = ::pam_getenvlist(handle_);
    if (list == nullptr) {
        return variables;
    }
    for (char** entry = list; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
        std::free(*entry);
    }
    std::free(list);
    return variables;
}

std::string PamTransaction::User() const {
    if (handle_ != nullptr) {
        const void* item = nullptr;
        if (::pam_get_item(handle_, PAM_USER, &item) == PAM_SUCCESS && item != nullptr) {
            return static_cast<const char*>(item);
        }
    }
    return conversation_.first;
}

} // namespace ob::security
