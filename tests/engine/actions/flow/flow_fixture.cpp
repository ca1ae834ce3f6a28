#include "flow_fixture.h"

#include "support/fixed_clock.h"
#include "support/run_queued_job.h"

#include "engine/actions/statement_executor.h"
#include "engine/jobs/action_statement.h"
#include "engine/jobs/session_jobs.h"
#include "engine/loading/job_loader.h"
#include "engine/session/event_poster.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"
#include "platform/time/ole_date.h"
#include "variables/variable_manager.h"

#include <chrono>
#include <ctime>
#include <fstream>

namespace ob::test {
void FlowTest::SetUp() {
    UseScratchStores(dir_);
    SetOutputLevel("0");
    clock::SetTestClock(&FixedNow);
    window_ = msg::CreateWindow("STATIC", "flow directive host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
}

void FlowTest::TearDown() {
    Take(); // releases whatever is still queued
    msg::DestroyWindow(window_);
    clock::SetTestClock(nullptr);
}

std::string FlowTest::WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = dir_ / name;
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    file << text;
    return path;
}

std::string FlowTest::Load(const std::string& text, std::uint32_t options) {
    const std::string path = WriteFile("jobs" + std::to_string(++files_) + ".jr", text);
    EXPECT_TRUE(engine::LoadJobScript(session, path.c_str(), options)) << text;
    Take();
    return path;
}

engine::Job* FlowTest::Find(const std::string& pattern) {
    return engine::FindJobByName(session, pattern);
}

engine::RunResult FlowTest::Run(const std::string& pattern) {
    return test::RunQueuedJob(session, pattern);
}

void FlowTest::Reset() {
    {
        engine::SessionLock lock(session);
        session.jobs.Clear();
    }
    session.flags.store(0);
    session.breakEvent.ResetEvent();
    Take();
}

engine::Outcome FlowTest::Call(engine::Outcome (*handler)(engine::ActionContext&), engine::Job& job,
                               const std::vector<std::string>& words) {
    engine::ActionStatement statement;
    std::string text;
    for (const std::string& word : words) {
        text += word + " ";
    }
    statement.SetText(text);
    statement.line = 1;
    engine::ActionContext context{session, nullptr, statement, job, words};
    return handler(context);
}

Output FlowTest::Take() {
    Output output;
    const std::size_t errorsBefore = reader_.ScriptErrors();
    output.lines = reader_.Read();
    output.scriptErrors = reader_.ScriptErrors() - errorsBefore;
    return output;
}

void FlowTest::SetOutputLevel(const char* hex) {
    env::Set("JR.OUTPUT_LEVEL", hex);
}

std::optional<std::string> FlowTest::Var(const std::string& name) {
    return vars::MainStore().Get(nullptr, name.c_str(), vars::ENV_TRANSIENT);
}

std::string FlowTest::NowLong() {
    return datetime::OleDate::FromParts(1995, 3, 14, 12, 41, 29).Format("%#c");
}

} // namespace ob::test
