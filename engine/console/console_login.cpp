#include "engine/console/console_login.h"

#include "engine/console/command_server.h"
#include "platform/msg/message_queue.h"
#include "platform/security/logon.h"
#include "variables/variable_manager.h"

#include <exception>
#include <thread>

namespace ob::engine {
namespace {

std::atomic<int> runningWorkers{0};

} // namespace

LogonOutcome PamLogonCheck(const std::string& user, const std::string& password,
                           const std::string& adminGroup) {
    LogonOutcome outcome;
    security::Token token;
    outcome.error = security::LogonUser(user, ".", password, security::LOGON_BATCH, token);
    if (outcome.error == 0) {
        outcome.administrator = security::IsAdministrator(token, adminGroup);
    }
    return outcome;
}

std::shared_ptr<LogonAttempt> StartLogon(const LogonCheck& check, std::string user,
                                         std::string password, std::string adminGroup,
                                         msg::ThreadId engineThread, std::size_t connection) {
    if (runningWorkers.fetch_add(1) >= kMaxLogonWorkers) {
        --runningWorkers;
        return nullptr;
    }
    auto attempt = std::make_shared<LogonAttempt>();
    try {
        std::thread worker([attempt, check, user = std::move(user), password = std::move(password),
                            adminGroup = std::move(adminGroup), engineThread,
                            connection]() mutable {
            LogonOutcome outcome;
            try {
                outcome = check(user, password, adminGroup);
            } catch (...) {
                outcome.error = 1311; // the logon service is unavailable
            }
            // Do not keep the password longer than needed.
            password.assign(password.size(), '\0');
            attempt->outcome = outcome;
            attempt->done.store(true, std::memory_order_release);
            --runningWorkers;
            msg::PostThreadMessage(engineThread, EM_CONSOLE_LOGON, connection, 0);
        });
        worker.detach();
    } catch (const std::exception&) {
        --runningWorkers;
        return nullptr;
    }
    return attempt;
}

std::string AdminGroupSetting() {
    auto value = vars::MainStore().Get("Communication", "cs_admin_group", vars::ENV_PERSISTENT);
    return value ? *value : std::string();
}

} // namespace ob::engine
