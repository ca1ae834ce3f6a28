#include "engine/history/run_history.h"

#include "engine/actions/action_context.h"
#include "engine/session/engine_session.h"
#include "engine/session/output.h"
#include "history/history_database.h"
#include "platform/msg/message_queue.h"
#include "platform/time/clock.h"
#include "variables/variable_manager.h"

#include <cctype>
#include <charconv>
#include <chrono>

namespace ob::engine {
namespace {

constexpr const char* kSection = "History";

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock::Now().time_since_epoch())
        .count();
}

// A persistent whole number, or `fallback` when unset; a value that is not one is
// added to `problem`.
std::uint32_t Setting(const char* name, std::uint32_t fallback, std::string& problem) {
    const auto text = vars::MainStore().Get(kSection, name, vars::ENV_PERSISTENT);
    if (!text) {
        return fallback;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || error != std::errc() || end != text->data() + text->size()) {
        problem += std::string(problem.empty() ? "" : "; ") + "the setting " + name + " is \"" +
                   *text + "\", not a whole number; " + std::to_string(fallback) + " is used";
        return fallback;
    }
    return value;
}

RunHistory* HistoryOf(EngineSession& session) {
    return session.history.load(std::memory_order_acquire);
}

} // namespace

RunHistory::RunHistory(std::string path, history::Retention retention, std::string settingsProblem)
    : writer_(std::move(path), retention) {
    if (!settingsProblem.empty()) {
        pending_.push_back(std::move(settingsProblem));
    }
}

void RunHistory::Begin(const Job& job) {
    thread_.store(msg::GetCurrentThreadId());
    Recording recording;
    recording.record.job = job.Name();
    recording.record.file = job.GetVariable("$FILENAME").value_or("");
    recording.record.startMs = NowMs();
    recording.linesAtStart = lines_.load();
    running_.push_back(std::move(recording));
}

void RunHistory::End(RunResult result) {
    if (running_.empty()) {
        return;
    }
    Recording recording = std::move(running_.back());
    running_.pop_back();
    history::RunRecord& record = recording.record;
    record.endMs = NowMs();
    record.result = static_cast<std::uint32_t>(result);
    record.control = history::ControlWordOf(record.result);
    record.outputLines = static_cast<std::uint32_t>(lines_.load() - recording.linesAtStart);
    writer_.Post(std::move(record));
}

void RunHistory::NoteFailure(const Job& job, const ActionStatement& statement,
                             std::string_view message, history::Failure failure) {
    if (running_.empty()) {
        return;
    }
    history::RunRecord& record = running_.back().record;
    record.failure = failure;
    record.failedJob = job.Name();
    record.failedLine = statement.line;
    record.failedStatement = statement.Text();
    record.message.assign(message);
}

void RunHistory::NoteOutputLine() {
    if (msg::GetCurrentThreadId() == thread_.load()) {
        lines_.fetch_add(1);
    }
}

std::vector<std::string> RunHistory::TakeProblems() {
    std::vector<std::string> problems;
    problems.swap(pending_);
    for (std::string& problem : writer_.TakeProblems()) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

history::Retention RunHistory::RetentionSetting(std::string& problem) {
    history::Retention retention;
    retention.days = Setting("history_days", retention.days, problem);
    retention.runs = Setting("history_runs", retention.runs, problem);
    return retention;
}

bool EnableHistory(EngineSession& session, const std::string& path) {
    SessionLock lock(session);
    if (session.historyOwner) {
        return false;
    }
    std::string problem;
    const history::Retention retention = RunHistory::RetentionSetting(problem);
    auto history = std::make_shared<RunHistory>(
        path.empty() ? history::HistoryDatabase::DefaultPath() : path, retention, problem);
    session.historyOwner = history;
    session.history.store(history.get(), std::memory_order_release);
    return true;
}

std::string HistoryPathOf(EngineSession& session) {
    if (RunHistory* history = HistoryOf(session)) {
        return history->Path();
    }
    return history::HistoryDatabase::DefaultPath();
}

void ReportHistoryProblems(EngineSession& session) {
    RunHistory* history = HistoryOf(session);
    if (history == nullptr) {
        return;
    }
    std::vector<std::string> problems = history->TakeProblems();
    for (std::string& problem : problems) {
        if (!problem.empty()) {
            problem[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(problem[0])));
        }
        PrintText(session, problem + ".", true);
    }
}

RunRecording::RunRecording(EngineSession& session, const Job& job) : history_(HistoryOf(session)) {
    if (history_ != nullptr) {
        history_->Begin(job);
    }
}

RunRecording::~RunRecording() {
    if (!finished_) {
        Finish(RunResult::JobDeleted);
    }
}

void RunRecording::Finish(RunResult result) {
    finished_ = true;
    if (history_ != nullptr) {
        history_->End(result);
    }
}

void NoteRunFailure(ActionContext& context, std::string_view message, history::Failure failure) {
    if (RunHistory* history = HistoryOf(context.session)) {
        history->NoteFailure(context.job, context.statement, message, failure);
    }
}

void NoteOutputLine(EngineSession& session) {
    if (RunHistory* history = HistoryOf(session)) {
        history->NoteOutputLine();
    }
}

} // namespace ob::engine
