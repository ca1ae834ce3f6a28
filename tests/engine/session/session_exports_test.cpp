// The session exports: argument checks, parameters, flags, step mode, the lock, the
// log ring, the job count and queue clearing, ticks and self-destruction.

#include "test_host.h"

#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace ob::test {
namespace {

constexpr std::uint32_t kOk = OB_OK;
constexpr std::uint32_t kInvalid = OB_INVALID;

TEST(SessionExports, NullAndUnknownHandlesAreRefusedWithoutSideEffects) {
    std::uint32_t value = 123;
    EngineEvent event{};
    EXPECT_EQ(OB_CreateSession(nullptr, 0, 0), kInvalid);
    EXPECT_EQ(OB_DestroySession(nullptr), kInvalid);
    OB_SESSION none = nullptr;
    EXPECT_EQ(OB_DestroySession(&none), kInvalid);
    EXPECT_EQ(OB_GetParam(nullptr, OB_PARAM_FLAGS, &value), kInvalid);
    EXPECT_EQ(value, 123u);
    EXPECT_EQ(OB_SetParam(nullptr, OB_PARAM_FLAGS, 0), kInvalid);
    EXPECT_EQ(OB_ModifyFlags(nullptr, 1, 0), kInvalid);
    EXPECT_EQ(OB_CreateTemplateJob(nullptr, 0, nullptr, 0), kInvalid);
    EXPECT_EQ(OB_GetJobCount(nullptr, &value), kInvalid);
    EXPECT_EQ(OB_ClearJobQueue(nullptr), kInvalid);
    EXPECT_EQ(OB_LoadCronScript(nullptr, "x.jr"), kInvalid);
    EXPECT_EQ(OB_Synchronize(nullptr, 10), kInvalid);
    EXPECT_EQ(OB_WaitTick(nullptr, 10), kInvalid);
    EXPECT_EQ(OB_Wakeup(nullptr), kInvalid);
    EXPECT_EQ(OB_Break(nullptr), kInvalid);
    EXPECT_EQ(OB_TimeChange(nullptr), kInvalid);
    EXPECT_EQ(OB_Lock(nullptr), kInvalid);
    EXPECT_EQ(OB_Unlock(nullptr), kInvalid);
    EXPECT_EQ(OB_AckMessage(nullptr, &event), kInvalid);
    EXPECT_EQ(OB_LogOutput(nullptr, "x"), kInvalid);
    // A pointer that was never a session is not dereferenced.
    auto* bogus = reinterpret_cast<OB_SESSION>(&event);
    EXPECT_EQ(OB_GetParam(bogus, OB_PARAM_FLAGS, &value), kInvalid);
    EXPECT_EQ(OB_DestroySession(&bogus), kInvalid);
    EXPECT_EQ(OB_MemDebug(5), kOk);
}

TEST(SessionExports, NullArgumentsAndUnknownParameterIds) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    std::uint32_t value = 0;
    EXPECT_EQ(OB_GetParam(s, OB_PARAM_FLAGS, nullptr), kInvalid);
    EXPECT_EQ(OB_GetJobCount(s, nullptr), kInvalid);
    EXPECT_EQ(OB_AckMessage(s, nullptr), kInvalid);
    EXPECT_EQ(OB_LogOutput(s, nullptr), kInvalid);
    EXPECT_EQ(OB_LoadCronScript(s, nullptr), kInvalid);
    EXPECT_EQ(OB_GetParam(s, OB_PARAM_STEP, &value), kInvalid) << "the step can only be set";
    EXPECT_EQ(OB_GetParam(s, 42, &value), kInvalid);
    EXPECT_EQ(OB_SetParam(s, OB_PARAM_PENDING, 1), kInvalid);
    EXPECT_EQ(OB_SetParam(s, 42, 1), kInvalid);
    EngineEvent forged{};
    EXPECT_EQ(OB_AckMessage(s, &forged), kInvalid) << "a record the engine never posted";
}

TEST(SessionExports, FlagsAndStepParameters) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    std::uint32_t flags = 0;
    EXPECT_EQ(OB_ModifyFlags(s, SF_ENABLED | SF_NON_INTERACTIVE, 0), kOk);
    EXPECT_EQ(OB_ModifyFlags(s, SF_NO_SELF_DESTROY, SF_NON_INTERACTIVE), kOk);
    ASSERT_EQ(OB_GetParam(s, OB_PARAM_FLAGS, &flags), kOk);
    EXPECT_EQ(flags, static_cast<std::uint32_t>(SF_ENABLED | SF_NO_SELF_DESTROY));
    EXPECT_EQ(OB_SetParam(s, OB_PARAM_FLAGS, 0), kOk);
    ASSERT_EQ(OB_GetParam(s, OB_PARAM_FLAGS, &flags), kOk);
    EXPECT_EQ(flags, 0u);

    using engine::StepMode;
    using engine::StepState;
    struct Case {
        std::uint32_t value; ///< given to OB_SetParam
        StepMode mode;
        StepState state;
    };
    // Each row starts from mode 0 (free running) / state 2 (running).
    const Case cases[] = {
        {0, StepMode::FreeRunning, StepState::Running},
        {1, StepMode::SingleStep, StepState::Paused},
        {2, StepMode::FreeRunning, StepState::Running},
        {3, StepMode::FreeRunning, StepState::Paused},
        {4, StepMode::StrictFlowControl, StepState::Running},
        {5, StepMode::FreeRunning, StepState::Running},
        {99, StepMode::FreeRunning, StepState::Running},
    };
    for (const Case& c : cases) {
        OB_SetParam(s, OB_PARAM_STEP, 0);
        EXPECT_EQ(OB_SetParam(s, OB_PARAM_STEP, c.value), kOk) << c.value;
        EXPECT_EQ(host.Record().stepMode.load(), c.mode) << c.value;
        EXPECT_EQ(host.Record().stepState.load(), c.state) << c.value;
    }
    OB_SetParam(s, OB_PARAM_STEP, 0);
}

TEST(SessionExports, EnabledTicksOnAnEmptyQueueReportIdleAndStepModeReleasesOnePassAtATime) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    OB_ModifyFlags(s, SF_ENABLED, 0);
    ASSERT_TRUE(host.PumpUntil([&] { return host.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE) >= 2; }));

    OB_SetParam(s, OB_PARAM_STEP, 1); // paused
    host.PumpFor(std::chrono::milliseconds(1200));
    const std::size_t before = host.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE);
    host.PumpFor(std::chrono::milliseconds(2200));
    EXPECT_EQ(host.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE), before) << "no pass while paused";

    OB_SetParam(s, OB_PARAM_STEP, 2); // release one pass
    ASSERT_TRUE(host.PumpUntil([&] { return host.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE) > before; }));
    host.PumpFor(std::chrono::milliseconds(2200));
    EXPECT_EQ(host.Count(OB_EV_NOTIFY, OB_NOTIFY_IDLE), before + 1);
    EXPECT_EQ(host.Record().stepState.load(), engine::StepState::Paused);
    OB_SetParam(s, OB_PARAM_STEP, 0);
}

TEST(SessionExports, WaitTickAndSynchronize) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    EXPECT_EQ(OB_WaitTick(s, 5000), kOk);
    EXPECT_EQ(OB_WaitTick(s, 1), static_cast<std::uint32_t>(OB_WAIT_TIMEOUT));
    EXPECT_EQ(OB_Synchronize(s, 5000), kOk);
    // The break event is set by OB_Break and reset by the next tick.
    EXPECT_EQ(OB_Break(s), kOk);
    EXPECT_TRUE(host.Record().breakEvent.IsSet());
    EXPECT_EQ(OB_WaitTick(s, 5000), kOk);
    EXPECT_FALSE(host.Record().breakEvent.IsSet());
}

TEST(SessionExports, WakeupReleasesACurrentSleeper) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    std::atomic<bool> woke{false};
    std::thread sleeper([&] { woke = host.Record().wakeup.Wait(10000); });
    // Pulse until the sleeper is released (it may not be waiting yet at the first).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!woke && std::chrono::steady_clock::now() < deadline) {
        EXPECT_EQ(OB_Wakeup(host.Session()), kOk);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    sleeper.join();
    EXPECT_TRUE(woke);
    EXPECT_FALSE(host.Record().wakeup.IsSet()) << "a pulse leaves the event reset";
}

TEST(SessionExports, LockIsRecursiveAndAnUnmatchedUnlockIsRefused) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    EXPECT_EQ(OB_Unlock(s), kInvalid);
    EXPECT_EQ(OB_Lock(s), kOk);
    EXPECT_EQ(OB_Lock(s), kOk);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        OB_Lock(s);
        entered = true;
        OB_Unlock(s);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(entered) << "another thread waits while the host holds the lock";
    EXPECT_EQ(OB_Unlock(s), kOk);
    EXPECT_EQ(OB_Unlock(s), kOk);
    other.join();
    EXPECT_TRUE(entered);
    EXPECT_EQ(OB_Unlock(s), kInvalid);
}

TEST(SessionExports, LogRingKeepsTheLast5000LinesOfAtMost80Characters) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    const std::string longLine(100, 'x');
    ASSERT_EQ(OB_LogOutput(s, longLine.c_str()), kOk);
    EXPECT_EQ(host.Record().log.At(0), std::string(80, 'x'));
    // A password is masked before the line is cut, so no part of it stays.
    const std::string secret = std::string(70, '.') + " -password s3cret";
    ASSERT_EQ(OB_LogOutput(s, secret.c_str()), kOk);
    EXPECT_EQ(host.Record().log.At(1), std::string(70, '.') + " -password");
    ASSERT_EQ(OB_LogOutput(s, "-spawn -user u -password s3cret prog"), kOk);
    EXPECT_EQ(host.Record().log.At(2), "-spawn -user u -password ******** prog");
    for (int i = 1; i <= 5000; ++i) {
        OB_LogOutput(s, ("line " + std::to_string(i)).c_str()); // the first 3 drop out
    }
    ASSERT_EQ(host.Record().log.Size(), 5000u);
    EXPECT_EQ(host.Record().log.At(0), "line 1") << "the 5001st line dropped the first";
    EXPECT_EQ(host.Record().log.At(4999), "line 5000");
}

TEST(SessionExports, JobCountCountsJobsWithStartStatementsAndClearEmptiesTheQueueAtTheNextTick) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    OB_SESSION s = host.Session();
    ScratchDir dir;
    const std::string path = dir / "three.jr";
    std::ofstream(path) << "{\n-name hourly\n-start -inc 0 1 0 0\n}\n"
                           "{\n-name idle\n}\n"
                           "{\n-name later\n-start -delay 1 0 0 0\n-stop\n}\n";
    ASSERT_EQ(OB_LoadCronScript(s, path.c_str()), kOk);
    std::uint32_t count = 0;
    ASSERT_EQ(OB_GetJobCount(s, &count), kOk);
    EXPECT_EQ(count, 2u) << "the job without a start statement is queued but not counted";
    ASSERT_TRUE(host.PumpUntil([&] { return host.Lines().size() >= 2; }));
    EXPECT_EQ(host.Lines()[0], "Loading " + path + ".");
    EXPECT_EQ(host.Lines()[1], "3 jobs loaded.");

    // Clearing works even while the scheduler is disabled.
    ASSERT_EQ(OB_ClearJobQueue(s), kOk);
    ASSERT_EQ(OB_GetJobCount(s, &count), kOk);
    EXPECT_EQ(count, 0u) << "nothing counts while a clear is pending";
    ASSERT_EQ(OB_WaitTick(s, 5000), kOk);
    std::uint32_t flags = 0;
    OB_GetParam(s, OB_PARAM_FLAGS, &flags);
    EXPECT_EQ(flags & SF_CLEAR_QUEUE, 0u);
    OB_Lock(s);
    EXPECT_EQ(host.Record().jobs.Size(), 0u);
    OB_Unlock(s);
}

// Calls OB_DestroySession on the engine thread: the relay window's procedure runs
// there, so the test chains a procedure of its own in front of it.
std::atomic<std::uint32_t> selfDestroyResult{0};
OB_SESSION selfDestroyHandle = nullptr;
msg::WindowProc relayProc = nullptr;
constexpr std::uint32_t kDestroyMessage = msg::WM_USER + 77;

msg::LRESULT DestroyingProc(msg::Hwnd hwnd, std::uint32_t message, msg::WPARAM w, msg::LPARAM l) {
    if (message == kDestroyMessage) {
        OB_SESSION copy = selfDestroyHandle;
        selfDestroyResult = OB_DestroySession(&copy);
        return copy == nullptr ? 1 : 0;
    }
    return msg::CallWindowProc(relayProc, hwnd, message, w, l);
}

TEST(SessionExports, DestroyOnTheEngineThreadIsRefusedWhileNoSelfDestroyIsSet) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), kOk);
    selfDestroyHandle = host.Session();
    const msg::Hwnd relay = host.Record().relayWindow;
    relayProc = msg::SetWindowProc(relay, DestroyingProc);

    OB_ModifyFlags(host.Session(), SF_NO_SELF_DESTROY, 0);
    EXPECT_EQ(msg::SendMessage(relay, kDestroyMessage, 0, 0), 0);
    EXPECT_EQ(selfDestroyResult.load(), static_cast<std::uint32_t>(OB_BUSY));
    EXPECT_EQ(OB_Synchronize(host.Session(), 5000), kOk) << "the session is intact";

    OB_ModifyFlags(host.Session(), 0, SF_NO_SELF_DESTROY);
    EXPECT_EQ(msg::SendMessage(relay, kDestroyMessage, 0, 0), 1);
    EXPECT_EQ(selfDestroyResult.load(), kOk);
    std::uint32_t flags = 0;
    EXPECT_EQ(OB_GetParam(host.Session(), OB_PARAM_FLAGS, &flags), kInvalid) << "handle is gone";
    // The engine thread ends on its own once it returns to its loop.
    EXPECT_TRUE(host.PumpUntil([&] { return !msg::IsWindow(relay); }));
    host.Session() = nullptr;
}

} // namespace
} // namespace ob::test
