// The dashboard's parts that need no server: addresses, the log-in rate limit,
// sessions, times given in queries, and the pattern that finds one job's runs.

#include "common/regex/regex_program.h"
#include "web/cookie_header.h"
#include "web/dashboard_json.h"
#include "web/login_limiter.h"
#include "web/login_sessions.h"
#include "web/web_address.h"

#include <gtest/gtest.h>

namespace ob::web {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;

TEST(WebAddressTest, ParsesTheForms) {
    struct Case {
        const char* text;
        std::optional<WebEndpoint> want;
    };
    const Case cases[] = {
        {"8080", WebEndpoint{"127.0.0.1", 8080}},
        {"0.0.0.0:80", WebEndpoint{"0.0.0.0", 80}},
        {"localhost:0", WebEndpoint{"localhost", 0}},
        {"[::1]:8080", WebEndpoint{"::1", 8080}},
        {"::1:8080", std::nullopt},
        {"host:65536", std::nullopt},
        {"host:", std::nullopt},
        {":80", std::nullopt},
        {"[]:80", std::nullopt},
        {"host:8o", std::nullopt},
        {"a b:80", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseWebAddress(c.text), c.want) << c.text;
    }
    EXPECT_EQ(FormatWebAddress({"::1", 80}), "[::1]:80");
}

TEST(CookieHeaderTest, FindsTheNamedCookieOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"obrenta_session=abc", "abc"},
        {"x=1; obrenta_session=abc; y=2", "abc"},
        {"x=1;obrenta_session=", ""},
        {"my_obrenta_session=abc", ""},
        {"obrenta_sessionx=abc; obrenta_session=d", "d"},
        {"", ""},
    };
    for (const auto& [header, want] : cases) {
        EXPECT_EQ(CookieValue(header, "obrenta_session"), want) << header;
    }
}

TEST(LoginLimiterTest, LocksAnAddressOutAfterFiveFailuresForTheWindow) {
    LoginLimiter limiter;
    const SteadyTime t0{};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(limiter.Admit("a", t0 + seconds(i)), LoginAdmission::Admitted);
        limiter.Finish("a", false, t0 + seconds(i));
    }
    EXPECT_EQ(limiter.Admit("a", t0 + seconds(10)), LoginAdmission::TooManyFailures);
    EXPECT_EQ(limiter.RetryAfter("a", t0 + seconds(10)), minutes(5) - seconds(10));
    // Another address is not affected; the first failure ages out after the window.
    EXPECT_EQ(limiter.Admit("b", t0 + seconds(10)), LoginAdmission::Admitted);
    limiter.Finish("b", true, t0 + seconds(10));
    EXPECT_EQ(limiter.Admit("a", t0 + minutes(5)), LoginAdmission::Admitted);
}

TEST(LoginLimiterTest, SuccessClearsFailuresAndChecksAreCapped) {
    LoginLimiter limiter;
    const SteadyTime t0{};
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(limiter.Admit("a", t0), LoginAdmission::Admitted);
        limiter.Finish("a", false, t0);
    }
    ASSERT_EQ(limiter.Admit("a", t0), LoginAdmission::Admitted);
    limiter.Finish("a", true, t0);
    ASSERT_EQ(limiter.Admit("a", t0), LoginAdmission::Admitted);
    limiter.Finish("a", false, t0);
    EXPECT_EQ(limiter.Admit("a", t0), LoginAdmission::Admitted) << "only one failure since";

    // The slot taken above is still held: three more fill the four.
    for (int i = 0; i < LoginLimiter::kMaxChecks - 1; ++i) {
        ASSERT_EQ(limiter.Admit("c" + std::to_string(i), t0), LoginAdmission::Admitted);
    }
    EXPECT_EQ(limiter.Admit("d", t0), LoginAdmission::TooManyChecks);
    limiter.Finish("a", true, t0);
    EXPECT_EQ(limiter.Admit("d", t0), LoginAdmission::Admitted);
}

TEST(LoginSessionsTest, SessionsEndWhenIdleTooLongOrTooOldOrClosed) {
    LoginSessions sessions;
    const SteadyTime t0{};
    const std::string idle = sessions.Open("root", t0);
    const std::string busy = sessions.Open("root", t0);
    const std::string closed = sessions.Open("root", t0);
    ASSERT_EQ(idle.size(), 64u);
    EXPECT_NE(idle, busy);
    EXPECT_NE(sessions.Find(idle, t0)->csrfToken, sessions.Find(busy, t0)->csrfToken);
    sessions.Close(closed);
    EXPECT_FALSE(sessions.Find(closed, t0));
    for (int i = 1; i <= 24; ++i) { // a request every 29 minutes keeps it for 12 hours only
        const SteadyTime now = t0 + minutes(29 * i);
        EXPECT_EQ(sessions.Find(busy, now).has_value(), now - t0 < LoginSessions::kLifetime) << i;
    }
    EXPECT_FALSE(sessions.Find(idle, t0 + minutes(30)));
    EXPECT_FALSE(sessions.Find("", t0));
}

TEST(LoginSessionsTest, TheLeastRecentlyUsedGoesWhenFull) {
    LoginSessions sessions;
    const SteadyTime t0{};
    const std::string first = sessions.Open("root", t0);
    const std::string second = sessions.Open("root", t0 + seconds(1));
    ASSERT_TRUE(sessions.Find(first, t0 + seconds(2)));
    for (std::size_t i = 2; i < LoginSessions::kMaxSessions + 1; ++i) {
        sessions.Open("root", t0 + seconds(3));
    }
    EXPECT_EQ(sessions.Size(), LoginSessions::kMaxSessions);
    EXPECT_TRUE(sessions.Find(first, t0 + seconds(4)));
    EXPECT_FALSE(sessions.Find(second, t0 + seconds(4)));
}

TEST(DashboardJsonTest, ParsesLocalTimes) {
    std::tm tm{};
    tm.tm_year = 95;
    tm.tm_mon = 2;
    tm.tm_mday = 14;
    tm.tm_hour = 12;
    tm.tm_min = 41;
    tm.tm_isdst = -1;
    const std::int64_t noon = static_cast<std::int64_t>(std::mktime(&tm)) * 1000;
    struct Case {
        const char* text;
        std::optional<std::int64_t> want;
    };
    const Case cases[] = {
        {"1995-03-14 12:41", noon},         {"1995-03-14T12:41:29", noon + 29000},
        {"1995-03-14 12:41:00", noon},      {"1995-02-30", std::nullopt},
        {"1995-03-14 25:00", std::nullopt}, {"1995-3-14", std::nullopt},
        {"yesterday", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseLocalTime(c.text), c.want) << c.text;
    }
    EXPECT_EQ(LocalTimeText(noon), "1995-03-14 12:41:00");
}

TEST(DashboardJsonTest, ExactNamePatternMatchesOnlyTheName) {
    const char* names[] = {"greeter", "<img src=x onerror=alert(1)>", "a.b*c|d$", "x\\y[z]^"};
    for (const char* name : names) {
        auto program = common::CompileRegex(ExactNamePattern(name));
        ASSERT_TRUE(program) << name;
        EXPECT_EQ(common::MatchRegex(program.get(), name), 1) << name;
        EXPECT_NE(common::MatchRegex(program.get(), std::string(name) + "x"), 1) << name;
        EXPECT_NE(common::MatchRegex(program.get(), "x" + std::string(name)), 1) << name;
    }
    auto dot = common::CompileRegex(ExactNamePattern("a.b"));
    EXPECT_NE(common::MatchRegex(dot.get(), "axb"), 1);
}

} // namespace
} // namespace ob::web
