// A console connection's output queue: the text waiting to be sent, kept in
// chunks of at most kChunkSize bytes rather than one string per answer line.
//
// A `help` or a listing queues hundreds of short strings; held one by one, each
// costs its own allocation and string header, two or three times its text. Here
// short texts are appended to the last chunk, so the queue's memory stays close to
// its text, and Memory() counts what the queue really holds (every chunk's
// capacity and bookkeeping) for the connection's cap. Sending takes bytes from
// the front chunk in place; a partial send just consumes fewer of them.
//
// Engine thread only, like the connection that owns it.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace ob::engine {

class OutputQueue {
public:
    /// Capacity of a chunk; a longer text is split over several.
    static constexpr std::size_t kChunkSize = 16 * 1024;

    /// Appends text after everything queued.
    void PushBack(std::string_view text);
    /// Puts text before everything queued (and before the unsent rest of a
    /// partially sent chunk).
    void PushFront(std::string_view text);
    /// The first unsent bytes, in order (empty when the queue is). Valid until the
    /// next change of the queue.
    std::string_view Front() const;
    /// Drops the first `count` unsent bytes (at most Front().size()).
    void Consume(std::size_t count);
    /// Empties the queue and frees its chunks.
    void Clear();

    bool Empty() const { return bytes_ == 0; }
    /// Unsent text bytes.
    std::size_t Bytes() const { return bytes_; }
    /// Heap bytes the queue holds: every chunk's capacity, its string header and
    /// the allocator's and deque's bookkeeping for it.
    std::size_t Memory() const { return memory_; }

private:
    // What one chunk costs beyond its capacity: its std::string inside the deque
    // and the allocator's header and rounding.
    static constexpr std::size_t kChunkOverhead = sizeof(std::string) + 32;

    static std::size_t Cost(const std::string& chunk);
    // Appends up to one chunk's worth of `text` to the last chunk or a new one;
    // returns the bytes taken.
    std::size_t AppendSome(std::string_view text);

    std::deque<std::string> chunks_;
    std::size_t frontOffset_ = 0; ///< bytes of the first chunk already sent
    std::size_t bytes_ = 0;
    std::size_t memory_ = 0;
};

} // namespace ob::engine
