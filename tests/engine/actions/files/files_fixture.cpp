#include "files_fixture.h"

#include "support/fixed_clock.h"

#include "engine/jobs/action_statement.h"
#include "engine/session/event_poster.h"
#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/msg/window.h"
#include "platform/time/clock.h"
#include "variables/variable_manager.h"

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace ob::test {
std::time_t FilesTest::Now() {
    std::tm parts{};
    parts.tm_year = 95;
    parts.tm_mon = 2;
    parts.tm_mday = 14;
    parts.tm_hour = 12;
    parts.tm_min = 41;
    parts.tm_sec = 29;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

void FilesTest::SetUp() {
    ASSERT_FALSE(dir_.Path().empty());
    UseScratchStores(dir_);
    env::Set("JR.OUTPUT_LEVEL", "0");
    env::Set("TMPDIR", dir_.Path().string());
    env::Remove("JR.LAST_ERROR");
    clock::SetTestClock(&FixedNow);
    job.SetVariable("$NAME=files");
    window_ = msg::CreateWindow("STATIC", "file directive host");
    ASSERT_NE(window_, 0u);
    session.hostWindow = window_;
    session.creatorThreadId = msg::GetCurrentThreadId();
    session.engineThreadId = session.creatorThreadId;
}

void FilesTest::TearDown() {
    Events(); // releases whatever is still queued
    msg::DestroyWindow(window_);
    clock::SetTestClock(nullptr);
}

engine::Outcome FilesTest::Call(engine::Outcome (*handler)(engine::ActionContext&),
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

std::string FilesTest::WriteFile(const std::string& name, const std::string& text) const {
    const std::string path = dir_ / name;
    std::ofstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    file << text;
    return path;
}

std::optional<std::string> FilesTest::ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FilesTest::Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

void FilesTest::SetModified(const std::string& path, std::time_t seconds, long nanoseconds) {
    struct timespec times[2]{};
    times[0].tv_sec = seconds;
    times[0].tv_nsec = nanoseconds;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

std::vector<std::string> FilesTest::Listing(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::string> FilesTest::Var(const std::string& name) {
    return vars::MainStore().Get(nullptr, name.c_str(), vars::ENV_TRANSIENT);
}

void FilesTest::ExpectFatal(engine::Outcome outcome, const std::string& message) {
    EXPECT_EQ(outcome, engine::Outcome::Fatal);
    const std::vector<HostEvent> events = Events();
    const std::vector<std::string> lines = Lines(events);
    EXPECT_NE(std::find(lines.begin(), lines.end(), message), lines.end())
        << "missing line: " << message;
    EXPECT_EQ(Count(events, OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 1u);
}

void FilesTest::ExpectSoft(engine::Outcome outcome, const std::string& message) {
    EXPECT_EQ(outcome, engine::Outcome::SoftFailure);
    EXPECT_EQ(LastError().value_or("(unset)"), message);
    EXPECT_TRUE(Lines(Events()).empty()) << "a soft failure prints nothing";
}

} // namespace ob::test
