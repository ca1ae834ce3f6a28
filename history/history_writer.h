// Writes runs to the run history on a thread of its own, so that a slow or stuck
// disk never holds up the engine thread: Post only puts the run in a bounded queue
// (dropping it, and counting the drop, when the queue is full) and never waits for
// the disk. The writer takes whatever has queued up and writes it as one
// transaction, and drops runs beyond the retention now and then.
//
// Problems (a damaged file moved aside, a file that cannot be written, runs
// dropped) are kept as sentences for the engine to print on its own thread:
// TakeProblems. Any thread may call every member; the destructor writes what is
// still queued and ends the thread.
#pragma once

#include "history/retention.h"
#include "history/run_record.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ob::history {

class HistoryWriter {
public:
    /// Runs queued at most before further runs are dropped.
    static constexpr std::size_t kDefaultCapacity = 10000;

    HistoryWriter(std::string path, Retention retention, std::size_t capacity = kDefaultCapacity);
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    const std::string& Path() const { return path_; }

    /// Queues a run; false (the run is dropped and counted) when the queue is full.
    bool Post(RunRecord run);

    /// The problems met since the last call, oldest first.
    std::vector<std::string> TakeProblems();

    /// Blocks until every run posted so far has been written or given up on (for
    /// tests and for a clean shut-down).
    void Flush();

private:
    void Run();
    void Note(std::string problem);

    const std::string path_;
    const Retention retention_;
    const std::size_t capacity_;

    std::mutex mutex_;
    std::condition_variable wake_;    // the writer: work, or stop
    std::condition_variable written_; // Flush: a batch is done
    std::deque<RunRecord> queue_;
    std::uint64_t posted_ = 0;  // runs accepted by Post
    std::uint64_t settled_ = 0; // runs written or given up on
    std::uint64_t dropped_ = 0; // runs refused by a full queue, not yet reported
    bool stopping_ = false;
    std::vector<std::string> problems_;

    std::thread thread_; // last: starts once the members above exist
};

} // namespace ob::history
