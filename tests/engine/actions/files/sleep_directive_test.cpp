// -sleep: a wait on the session's wake-up event that a pulse cuts short as a break.

#include "files_fixture.h"

#include "engine/actions/directive_table.h"

#include <chrono>
#include <thread>

namespace ob::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using SleepDirectiveTest = FilesTest;

TEST_F(SleepDirectiveTest, RunsOutItsTime) {
    const auto started = Clock::now();
    EXPECT_EQ(Call(engine::DirectiveSleep, {"-sleep", "120"}), engine::Outcome::Done);
    EXPECT_GE(Clock::now() - started, milliseconds(120));
    EXPECT_EQ(job.GetVariable("$RETURN"), std::nullopt);
    EXPECT_EQ(Call(engine::DirectiveSleep, {"-sleep", "0"}), engine::Outcome::Done);
    EXPECT_TRUE(Events().empty());
}

TEST_F(SleepDirectiveTest, AWakeUpFromAnotherThreadEndsItAsABreak) {
    std::thread waker([this] {
        // Pulse once the sleep is waiting (a pulse releases only current waiters).
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (session.wakeup.WaiterCount() == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(2));
        }
        session.wakeup.Pulse();
    });
    const auto started = Clock::now();
    const auto outcome = Call(engine::DirectiveSleep, {"-sleep", "60000"});
    const auto elapsed = Clock::now() - started;
    waker.join();
    EXPECT_EQ(outcome, engine::Outcome::Return);
    EXPECT_EQ(job.GetVariable("$RETURN"), "break");
    EXPECT_LT(elapsed, std::chrono::seconds(30));
}

TEST_F(SleepDirectiveTest, AWakeUpBeforeTheSleepDoesNotEndIt) {
    // The event is reset when the sleep begins: an earlier signal is not seen.
    session.wakeup.Set();
    const auto started = Clock::now();
    EXPECT_EQ(Call(engine::DirectiveSleep, {"-sleep", "60"}), engine::Outcome::Done);
    EXPECT_GE(Clock::now() - started, milliseconds(60));
    EXPECT_FALSE(session.wakeup.IsSet());
}

TEST_F(SleepDirectiveTest, WithoutAValueIsFatal) {
    ExpectFatal(Call(engine::DirectiveSleep, {"-sleep"}), "Missing Sleep value (in milliseconds.)");
}

} // namespace
} // namespace ob::test
