#include "web/dashboard.h"

#include "common/regex/regex_program.h"
#include "common/system_error_text.h"
#include "platform/security/logon.h"
#include "web/cookie_header.h"
#include "web/dashboard_json.h"
#include "web/engine_records.h"
#include "web/web_assets.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <string_view>

namespace ob::web {
namespace {

using json = nlohmann::json;

constexpr std::uint32_t kDefaultTail = 100;
constexpr std::uint32_t kDefaultNext = 10;
constexpr std::uint32_t kMaxNext = 100;
constexpr std::uint32_t kDefaultHistoryLimit = 200;
constexpr std::uint32_t kMaxHistoryLimit = 10000;
constexpr std::uint32_t kJobHistoryLimit = 50;
// The newest runs read to find each job's last outcome for the job list.
constexpr std::uint32_t kLastRunsScanned = 5000;
constexpr std::size_t kMaxRequestBody = 16 * 1024;

SteadyTime Now() {
    return std::chrono::steady_clock::now();
}

void SendJson(httplib::Response& response, const json& body, int status = 200) {
    response.status = status;
    // Names and output lines need not be UTF-8: such bytes show as U+FFFD.
    response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace),
                         "application/json; charset=utf-8");
}

void SendError(httplib::Response& response, int status, const std::string& message) {
    SendJson(response, {{"error", message}}, status);
}

// A whole number 1..max from a query parameter; `fallback` when it is absent, and
// nothing when it is not such a number.
std::optional<std::uint32_t> CountParameter(const httplib::Request& request, const char* name,
                                            std::uint32_t fallback, std::uint32_t max) {
    if (!request.has_param(name)) {
        return fallback;
    }
    const std::string text = request.get_param_value(name);
    std::uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1) {
        return std::nullopt;
    }
    return std::min(value, max);
}

std::string SessionToken(const httplib::Request& request) {
    return CookieValue(request.get_header_value("Cookie"), Dashboard::kCookieName);
}

std::string SessionCookie(const std::string& token, bool clear) {
    return std::string(Dashboard::kCookieName) + "=" + token +
           "; Path=/; HttpOnly; SameSite=Strict" + (clear ? "; Max-Age=0" : "");
}

void SendAsset(httplib::Response& response, const Asset& asset) {
    response.set_content(std::string(asset.bytes), std::string(ContentType(asset.name)).c_str());
}

void SendLoginPage(httplib::Response& response, int status, const std::string& message) {
    const Asset* asset = FindAsset("login.html");
    std::string page(asset->bytes);
    const std::string marker = "<!--MESSAGE-->";
    if (const auto at = page.find(marker); at != std::string::npos) {
        // The messages are our own texts and system error texts, which hold no markup.
        page.replace(at, marker.size(), message);
    }
    response.status = status;
    response.set_content(page, "text/html; charset=utf-8");
}

// The newest run of each job among the newest kLastRunsScanned runs.
LastRuns IndexLastRuns(const OB_History* history) {
    LastRuns last;
    if (history == nullptr) {
        return last;
    }
    for (std::uint32_t i = 0; i < history->count; ++i) {
        last[history->runs[i].job] = &history->runs[i]; // oldest first: the newest stays
    }
    return last;
}

HistoryPtr ReadHistory(const std::string& path, const OB_HistoryQuery& query) {
    OB_History* history = nullptr;
    OB_ReadHistory(path.empty() ? nullptr : path.c_str(), &query, &history);
    return HistoryPtr(history);
}

} // namespace

PasswordCheck CheckPamPassword(const std::string& user, const std::string& password) {
    PasswordCheck check;
    security::Token token;
    check.error = security::LogonUser(user, ".", password, security::LOGON_BATCH, token);
    if (check.error == 0) {
        std::string group;
        if (char* value = OB_GetEnv("Communication", "cs_admin_group", ENV_PERSISTENT)) {
            group = value;
            OB_ReleaseEnvString(value);
        }
        check.administrator = security::IsAdministrator(token, group);
    }
    return check;
}

Dashboard::Dashboard(DashboardOptions options) : options_(std::move(options)) {}

void Dashboard::Install(httplib::Server& server) {
    server.set_default_headers({
        {"Content-Security-Policy",
         "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
         "img-src 'self'; form-action 'self'; frame-ancestors 'none'; base-uri 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"Cache-Control", "no-store"},
    });
    server.set_payload_max_length(kMaxRequestBody);
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            SendError(response, 500, "internal error");
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty()) {
            SendError(response, response.status,
                      response.status == 404 ? "no such page" : "the request was refused");
        }
    });

    server.Get("/login", [this](const auto& q, auto& r) { LoginPage(q, r); });
    server.Post("/login", [this](const auto& q, auto& r) { LogIn(q, r); });
    server.Post("/logout", [this](const auto& q, auto& r) { LogOut(q, r); });
    server.Get("/", [this](const auto& q, auto& r) { Page(q, r, "jobs.html"); });
    server.Get("/job", [this](const auto& q, auto& r) { Page(q, r, "job.html"); });
    server.Get("/history", [this](const auto& q, auto& r) { Page(q, r, "history.html"); });
    server.Get("/log", [this](const auto& q, auto& r) { Page(q, r, "log.html"); });
    server.Get(R"(/static/([a-z]+\.(css|js)))", [](const auto& q, auto& r) {
        if (const Asset* asset = FindAsset(q.matches[1].str())) {
            SendAsset(r, *asset);
        } else {
            SendError(r, 404, "no such file");
        }
    });
    server.Get("/api/session", [this](const auto& q, auto& r) {
        if (const auto login = RequireLogin(q, r, true)) {
            SendJson(r, {{"user", login->user}, {"csrf", login->csrfToken}});
        }
    });
    server.Get("/api/jobs", [this](const auto& q, auto& r) { Jobs(q, r); });
    server.Post("/api/jobs/(.+)/kill", [this](const auto& q, auto& r) { Kill(q, r); });
    server.Get("/api/jobs/(.+)", [this](const auto& q, auto& r) { Job(q, r); });
    server.Get("/api/history", [this](const auto& q, auto& r) { History(q, r); });
    server.Get("/api/log", [this](const auto& q, auto& r) { Log(q, r); });
}

std::optional<Login> Dashboard::RequireLogin(const httplib::Request& request,
                                             httplib::Response& response, bool api) {
    const std::string token = SessionToken(request);
    if (!token.empty()) {
        if (auto login = sessions_.Find(token, Now())) {
            return login;
        }
    }
    if (api) {
        SendError(response, 401, "log in first");
    } else {
        response.status = 303;
        response.set_header("Location", "/login");
    }
    return std::nullopt;
}

void Dashboard::LoginPage(const httplib::Request&, httplib::Response& response) {
    SendLoginPage(response, 200, "");
}

void Dashboard::LogIn(const httplib::Request& request, httplib::Response& response) {
    const std::string user = request.get_param_value("username");
    std::string password = request.get_param_value("password");
    const std::string& address = request.remote_addr;
    if (user.empty()) {
        SendLoginPage(response, 400, "Enter a user name and a password.");
        return;
    }
    switch (limiter_.Admit(address, Now())) {
    case LoginAdmission::Admitted:
        break;
    case LoginAdmission::TooManyFailures: {
        const auto wait = limiter_.RetryAfter(address, Now());
        response.set_header("Retry-After", std::to_string(wait.count()));
        SendLoginPage(response, 429,
                      "Too many failed log-ins; try again in " + std::to_string(wait.count()) +
                          " seconds.");
        return;
    }
    case LoginAdmission::TooManyChecks:
        response.set_header("Retry-After", "5");
        SendLoginPage(response, 429, "Too many log-ins at once; try again shortly.");
        return;
    }
    PasswordCheck check;
    try {
        check = options_.checkPassword(user, password);
    } catch (...) {
        check.error = 1311; // the logon service is unavailable
    }
    password.assign(password.size(), '\0');
    limiter_.Finish(address, check.error == 0, Now());
    if (check.error != 0) {
        SendLoginPage(response, 401, common::SystemErrorText(check.error));
        return;
    }
    if (!check.administrator) {
        SendLoginPage(response, 403,
                      "Your login is correct, but you do not have Administrator privileges.");
        return;
    }
    const std::string token = sessions_.Open(user, Now());
    if (token.empty()) {
        SendLoginPage(response, 500, "No session could be opened: the random source failed.");
        return;
    }
    response.status = 303;
    response.set_header("Set-Cookie", SessionCookie(token, false));
    response.set_header("Location", "/");
}

void Dashboard::LogOut(const httplib::Request& request, httplib::Response& response) {
    sessions_.Close(SessionToken(request));
    response.status = 303;
    response.set_header("Set-Cookie", SessionCookie("", true));
    response.set_header("Location", "/login");
}

void Dashboard::Page(const httplib::Request& request, httplib::Response& response,
                     const char* asset) {
    if (RequireLogin(request, response, false)) {
        SendAsset(response, *FindAsset(asset));
    }
}

void Dashboard::Jobs(const httplib::Request& request, httplib::Response& response) {
    if (!RequireLogin(request, response, true)) {
        return;
    }
    const std::string pattern = request.get_param_value("pattern");
    if (!pattern.empty()) {
        std::string problem;
        if (!common::CompileRegex(pattern, &problem)) {
            SendError(response, 400, "pattern: " + problem);
            return;
        }
    }
    OB_JobList* raw = nullptr;
    const std::uint32_t result =
        OB_ListJobs(options_.session, pattern.c_str(), kEngineWaitMs, &raw);
    const JobListPtr list(raw);
    if (result != OB_OK) {
        SendError(response, 503, "the engine is busy; try again");
        return;
    }
    OB_HistoryQuery query{};
    query.limit = kLastRunsScanned;
    const HistoryPtr history = ReadHistory(options_.historyPath, query);
    const LastRuns lastRuns = IndexLastRuns(history.get());
    json jobs = json::array();
    for (std::uint32_t i = 0; i < list->count; ++i) {
        const OB_JobInfo& job = list->jobs[i];
        if ((job.state & OB_JOB_EXPIRED) != 0) {
            continue;
        }
        jobs.push_back(JobSummary(job, lastRuns));
    }
    const std::size_t count = jobs.size();
    SendJson(response, {{"jobs", std::move(jobs)}, {"count", count}});
}

void Dashboard::Job(const httplib::Request& request, httplib::Response& response) {
    if (!RequireLogin(request, response, true)) {
        return;
    }
    const std::string name = request.matches[1].str();
    const auto next = CountParameter(request, "next", kDefaultNext, kMaxNext);
    if (!next) {
        SendError(response, 400, "next: a whole number from 1 is expected");
        return;
    }
    // Names are C strings in the engine: one holding a NUL (%00) names no job.
    if (name.find('\0') != std::string::npos) {
        SendError(response, 404, "no job has such a name");
        return;
    }
    const std::string exact = ExactNamePattern(name);
    OB_JobList* rawList = nullptr;
    const std::uint32_t listed =
        OB_ListJobs(options_.session, exact.c_str(), kEngineWaitMs, &rawList);
    const JobListPtr list(rawList);
    if (listed != OB_OK) {
        SendError(response, 503, "the engine is busy; try again");
        return;
    }
    const OB_JobInfo* job = nullptr;
    for (std::uint32_t i = 0; i < list->count && job == nullptr; ++i) {
        if ((list->jobs[i].state & OB_JOB_EXPIRED) == 0 && name == list->jobs[i].name) {
            job = &list->jobs[i];
        }
    }
    if (job == nullptr) {
        SendError(response, 404, "no job is named " + name);
        return;
    }
    OB_Preview* rawPreview = nullptr;
    const std::uint32_t previewed =
        OB_PreviewJob(options_.session, name.c_str(), *next, kEngineWaitMs, &rawPreview);
    const PreviewPtr preview(previewed == OB_OK ? rawPreview : nullptr);
    const OB_JobPreview* times = preview && preview->jobCount == 1 ? &preview->jobs[0] : nullptr;
    OB_HistoryQuery query{};
    query.jobPattern = exact.c_str();
    query.limit = kJobHistoryLimit;
    const HistoryPtr runs = ReadHistory(options_.historyPath, query);
    const LastRuns lastRuns = IndexLastRuns(runs.get());
    SendJson(response, JobDetail(*job, lastRuns, times, runs.get()));
}

void Dashboard::Kill(const httplib::Request& request, httplib::Response& response) {
    const auto login = RequireLogin(request, response, true);
    if (!login) {
        return;
    }
    std::string token = request.get_header_value("X-CSRF-Token");
    if (token.empty()) {
        token = request.get_param_value("csrf");
    }
    if (!SecretsEqual(token, login->csrfToken)) {
        SendError(response, 403, "the request lacks this session's CSRF token");
        return;
    }
    const std::string name = request.matches[1].str();
    std::uint32_t killed = 0;
    // A name holding a NUL (%00) names no job; cut short at it, it would name another.
    if (name.find('\0') != std::string::npos) {
        SendJson(response, {{"killed", 0}, {"name", name}});
        return;
    }
    const std::uint32_t result = OB_KillJob(options_.session, name.c_str(), kEngineWaitMs, &killed);
    if (result == OB_WAIT_TIMEOUT) {
        SendError(response, 503, "the engine is busy; nothing was killed");
        return;
    }
    if (result != OB_OK) {
        SendError(response, 400, "no job name given");
        return;
    }
    SendJson(response, {{"killed", killed}, {"name", name}});
}

void Dashboard::History(const httplib::Request& request, httplib::Response& response) {
    if (!RequireLogin(request, response, true)) {
        return;
    }
    const auto limit = CountParameter(request, "limit", kDefaultHistoryLimit, kMaxHistoryLimit);
    if (!limit) {
        SendError(response, 400, "limit: a whole number from 1 is expected");
        return;
    }
    const std::string pattern = request.get_param_value("job");
    OB_HistoryQuery query{};
    query.jobPattern = pattern.c_str();
    query.limit = *limit;
    query.failedOnly = request.get_param_value("failed") == "1" ? 1 : 0;
    if (const std::string since = request.get_param_value("since"); !since.empty()) {
        const auto ms = ParseLocalTime(since);
        if (!ms) {
            SendError(response, 400, "since: a local time \"YYYY-MM-DD HH:MM:SS\" is expected");
            return;
        }
        query.sinceMs = *ms;
    }
    OB_History* raw = nullptr;
    const std::uint32_t result = OB_ReadHistory(
        options_.historyPath.empty() ? nullptr : options_.historyPath.c_str(), &query, &raw);
    const HistoryPtr history(raw);
    if (result == OB_INVALID) {
        SendError(response, 400, "job: the pattern does not compile");
        return;
    }
    json runs = json::array();
    for (std::uint32_t i = 0; history && i < history->count; ++i) {
        runs.push_back(RunJson(history->runs[i]));
    }
    SendJson(response, {{"runs", std::move(runs)},
                        {"problem", history && history->problem ? history->problem : ""}});
}

void Dashboard::Log(const httplib::Request& request, httplib::Response& response) {
    if (!RequireLogin(request, response, true)) {
        return;
    }
    const auto tail = CountParameter(request, "tail", kDefaultTail, 5000);
    if (!tail) {
        SendError(response, 400, "tail: a whole number from 1 is expected");
        return;
    }
    OB_LogLines* raw = nullptr;
    if (OB_ReadLog(options_.session, *tail, &raw) != OB_OK) {
        SendError(response, 503, "the engine's log cannot be read");
        return;
    }
    const LogLinesPtr lines(raw);
    json out = json::array();
    for (std::uint32_t i = 0; i < lines->count; ++i) {
        out.push_back(lines->lines[i]);
    }
    SendJson(response, {{"lines", std::move(out)}});
}

} // namespace ob::web
