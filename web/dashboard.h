// The web dashboard's routes: the log-in and log-out forms, the pages, the static
// files and the JSON API under /api/ (docs/web.md). Everything is read through the
// engine's exports (jobs, log, preview) and the history file; the one writing
// action, killing a job, needs the session's CSRF token. Handlers run on the HTTP
// server's worker threads, never on the engine thread; a call that needs the engine
// thread waits at most kEngineWaitMs and then answers 503.
#pragma once

#include "obrenta/obrenta.h"
#include "web/login_limiter.h"
#include "web/login_sessions.h"

#include <httplib.h>

#include <cstdint>
#include <functional>
#include <string>

namespace ob::web {

/// What a password check found: 0 or a Windows error code, and whether the
/// account is an administrator (root or a member of `cs_admin_group`).
struct PasswordCheck {
    std::uint32_t error = 0;
    bool administrator = false;
};
using PasswordChecker =
    std::function<PasswordCheck(const std::string& user, const std::string& password)>;

/// The check against PAM with the console's administrator group.
PasswordCheck CheckPamPassword(const std::string& user, const std::string& password);

struct DashboardOptions {
    OB_SESSION session = nullptr;
    std::string historyPath; ///< "" for the default history file
    PasswordChecker checkPassword = CheckPamPassword;
};

class Dashboard {
public:
    static constexpr std::uint32_t kEngineWaitMs = 2000;
    static constexpr const char* kCookieName = "obrenta_session";

    explicit Dashboard(DashboardOptions options);

    /// Installs every route and the common headers on `server`.
    void Install(httplib::Server& server);

private:
    // A logged-in request, or null after answering 401 (API) or 303 to /login (pages).
    std::optional<Login> RequireLogin(const httplib::Request& request, httplib::Response& response,
                                      bool api);
    void LoginPage(const httplib::Request& request, httplib::Response& response);
    void LogIn(const httplib::Request& request, httplib::Response& response);
    void LogOut(const httplib::Request& request, httplib::Response& response);
    void Page(const httplib::Request& request, httplib::Response& response, const char* asset);
    void Jobs(const httplib::Request& request, httplib::Response& response);
    void Job(const httplib::Request& request, httplib::Response& response);
    void Kill(const httplib::Request& request, httplib::Response& response);
    void History(const httplib::Request& request, httplib::Response& response);
    void Log(const httplib::Request& request, httplib::Response& response);

    DashboardOptions options_;
    LoginSessions sessions_;
    LoginLimiter limiter_;
};

} // namespace ob::web
