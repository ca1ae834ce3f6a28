#include "history/history_writer.h"

#include "history/history_database.h"
#include "platform/time/clock.h"

#include <chrono>

namespace ob::history {
namespace {

// Most runs in one transaction.
constexpr std::size_t kMaxBatch = 1000;
// Retention runs at most this often, and after this many runs.
constexpr auto kPruneEvery = std::chrono::minutes(1);
constexpr std::uint64_t kPruneAfterRuns = 1000;
// After a failed write the file is tried again no sooner than this.
constexpr auto kRetryPause = std::chrono::seconds(5);

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock::Now().time_since_epoch())
        .count();
}

} // namespace

HistoryWriter::HistoryWriter(std::string path, Retention retention, std::size_t capacity)
    : path_(std::move(path)), retention_(retention), capacity_(capacity),
      thread_([this] { Run(); }) {}

HistoryWriter::~HistoryWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool HistoryWriter::Post(RunRecord run) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= capacity_) {
            ++dropped_;
            return false;
        }
        queue_.push_back(std::move(run));
        ++posted_;
    }
    wake_.notify_one();
    return true;
}

std::vector<std::string> HistoryWriter::TakeProblems() {
    std::lock_guard lock(mutex_);
    if (dropped_ != 0) {
        problems_.push_back(std::to_string(dropped_) +
                            " run(s) were not recorded: the history writer fell behind");
        dropped_ = 0;
    }
    std::vector<std::string> taken;
    taken.swap(problems_);
    return taken;
}

void HistoryWriter::Flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = posted_;
    written_.wait(lock, [&] { return settled_ >= target; });
}

void HistoryWriter::Note(std::string problem) {
    std::lock_guard lock(mutex_);
    problems_.push_back(std::move(problem));
}

void HistoryWriter::Run() {
    HistoryDatabase database;
    std::string note;
    const bool opened = database.Open(path_, note);
    if (!note.empty()) {
        Note(note);
    }
    auto failedAt = std::chrono::steady_clock::now() - kRetryPause;
    if (!opened) {
        failedAt = std::chrono::steady_clock::now();
    }
    // What the retention dropped while no engine ran goes first.
    note.clear();
    if (opened && !database.Prune(retention_, NowMs(), note)) {
        Note(note);
    }
    auto prunedAt = std::chrono::steady_clock::now();
    std::uint64_t sincePrune = 0;

    for (;;) {
        std::vector<RunRecord> batch;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) {
                return; // stopping, and everything is written
            }
            const std::size_t count = std::min(queue_.size(), kMaxBatch);
            batch.assign(std::make_move_iterator(queue_.begin()),
                         std::make_move_iterator(queue_.begin() + static_cast<long>(count)));
            queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(count));
        }
        const auto now = std::chrono::steady_clock::now();
        bool written = false;
        note.clear();
        if (database.IsOpen() || now - failedAt >= kRetryPause) {
            written = database.Append(batch, note);
        } else {
            note = "the run history \"" + path_ + "\" is not available";
        }
        if (!note.empty()) {
            Note(written
                     ? note
                     : note + "; " + std::to_string(batch.size()) + " run(s) were not recorded");
        }
        if (!written) {
            failedAt = now;
        } else {
            sincePrune += batch.size();
            if (sincePrune >= kPruneAfterRuns || now - prunedAt >= kPruneEvery) {
                note.clear();
                if (!database.Prune(retention_, NowMs(), note)) {
                    Note(note);
                }
                prunedAt = now;
                sincePrune = 0;
            }
        }
        {
            std::lock_guard lock(mutex_);
            settled_ += batch.size();
        }
        written_.notify_all();
    }
}

} // namespace ob::history
