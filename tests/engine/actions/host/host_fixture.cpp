#include "host_fixture.h"

#include "support/fixed_clock.h"
#include "support/run_queued_job.h"

#include "engine/actions/action_context.h"
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

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>

namespace ob::test {
void HostDirectiveTest::SetUp() {
    UseScratchStores(dir_);
    SetOutputLevel("0");
    clock::SetTestClock(&FixedNow);
    window_ = msg::CreateWindow("STATIC", "host directive host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
    session.engineThreadId = session.creatorThreadId;
}

void HostDirectiveTest::TearDown() {
    Events(); // releases whatever is still queued
    msg::DestroyWindow(window_);
    clock::SetTestClock(nullptr);
}

std::string HostDirectiveTest::WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = dir_ / name;
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    file << text;
    return path;
}

bool HostDirectiveTest::LoadScript(const std::string& name, const std::string& text) {
    const std::string path = WriteFile(name, text);
    const bool loaded = engine::LoadJobScript(session, path.c_str(), 0);
    Events();
    return loaded;
}

engine::Job* HostDirectiveTest::Find(const std::string& pattern) {
    return engine::FindJobByName(session, pattern);
}

engine::RunResult HostDirectiveTest::Run(const std::string& pattern) {
    return test::RunQueuedJob(session, pattern);
}

engine::Outcome HostDirectiveTest::Call(engine::Outcome (*handler)(engine::ActionContext&),
                                        engine::Job& job, const std::vector<std::string>& words) {
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

bool HostDirectiveTest::HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::uint32_t> HostDirectiveTest::ActionCodes(const std::vector<HostEvent>& events) {
    std::vector<std::uint32_t> codes;
    for (const HostEvent& e : events) {
        if (e.code != OB_EV_TEXT && e.code != OB_EV_EOL) {
            codes.push_back(e.code);
        }
    }
    return codes;
}

void HostDirectiveTest::SetOutputLevel(const char* hex) {
    env::Set("JR.OUTPUT_LEVEL", hex);
}

std::string HostDirectiveTest::NowLong() {
    return datetime::OleDate::FromParts(1995, 3, 14, 12, 41, 29).Format("%#c");
}

} // namespace ob::test
