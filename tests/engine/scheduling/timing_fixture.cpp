#include "timing_fixture.h"

#include "engine/expansion/argument_tokeniser.h"
#include "engine/scheduling/time_evaluation.h"
#include "engine/session/event_poster.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <ctime>

namespace ob::test {
namespace {

std::atomic<std::time_t> g_now{0};

} // namespace

void TimingTest::SetUp() {
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    std::setlocale(LC_TIME, "C");
    UseScratchStores(dir_);
    env::Set("JR.OUTPUT_LEVEL", "0");
    SetNow(2024, 3, 4, 10, 0, 0); // a Monday
    clock::SetTestClock([] { return std::chrono::system_clock::from_time_t(g_now.load()); });
    window_ = msg::CreateWindow("STATIC", "timespec host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
}

void TimingTest::TearDown() {
    Lines(); // releases whatever is still queued
    msg::DestroyWindow(window_);
    clock::SetTestClock(nullptr);
}

void TimingTest::SetNow(int year, int month, int day, int hour, int minute, int second) {
    SetNow(datetime::OleDate::FromParts(year, month, day, hour, minute, second));
}

void TimingTest::SetNow(const datetime::OleDate& date) {
    std::time_t t = 0;
    ASSERT_TRUE(date.ToTimeT(t));
    g_now = t;
}

void TimingTest::Advance(long seconds) {
    g_now += seconds;
}

datetime::OleDate TimingTest::Now() const {
    return datetime::OleDate::Now();
}

std::unique_ptr<engine::TimeStatement> TimingTest::Evaluate(std::string_view text, bool& ok,
                                                            std::uint32_t kind) {
    auto statement = std::make_unique<engine::TimeStatement>(kind, Now());
    statement->SetText(text);
    std::vector<std::string> tokens;
    engine::ArgumentTokeniser(statement->Text(), engine::TOKENISE_EXPAND, tokens);
    ok = engine::EvaluateTimeStatement(session, tokens, *statement, statement->Text());
    return statement;
}

std::unique_ptr<engine::TimeStatement> TimingTest::Evaluated(std::string_view text,
                                                             std::uint32_t kind) {
    bool ok = false;
    auto statement = Evaluate(text, ok, kind);
    EXPECT_TRUE(ok) << text;
    return statement;
}

} // namespace ob::test
