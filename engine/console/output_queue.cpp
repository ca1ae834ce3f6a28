#include "engine/console/output_queue.h"

#include "platform/diagnostics/assert.h"

#include <algorithm>

namespace ob::engine {

std::size_t OutputQueue::Cost(const std::string& chunk) {
    return chunk.capacity() + 1 + kChunkOverhead;
}

std::size_t OutputQueue::AppendSome(std::string_view text) {
    // Chunks never grow: the last one takes what fits in its capacity, and a new
    // one is made with a whole chunk's capacity (growing a string may double its
    // capacity past the chunk size). A partially sent first chunk is not appended
    // to either, so its sent bytes are not kept alive longer.
    std::size_t room = 0;
    if (!chunks_.empty() && !(chunks_.size() == 1 && frontOffset_ > 0)) {
        room = chunks_.back().capacity() - chunks_.back().size();
    }
    if (room == 0) {
        chunks_.emplace_back().reserve(kChunkSize);
        memory_ += Cost(chunks_.back());
        room = chunks_.back().capacity();
    }
    const std::size_t taken = std::min(text.size(), room);
    chunks_.back().append(text.substr(0, taken));
    bytes_ += taken;
    return taken;
}

void OutputQueue::PushBack(std::string_view text) {
    while (!text.empty()) {
        text.remove_prefix(AppendSome(text));
    }
}

void OutputQueue::PushFront(std::string_view text) {
    if (text.empty()) {
        return;
    }
    // The sent bytes of the first chunk are dropped, then `text` is put before
    // the rest in chunks of its own (short answers are rare; no chunk grows).
    if (frontOffset_ > 0) {
        std::string rest = chunks_.front().substr(frontOffset_);
        memory_ -= Cost(chunks_.front());
        chunks_.front() = std::move(rest);
        memory_ += Cost(chunks_.front());
        frontOffset_ = 0;
    }
    std::size_t end = text.size();
    while (end > 0) {
        const std::size_t begin = end > kChunkSize ? end - kChunkSize : 0;
        chunks_.emplace_front(text.substr(begin, end - begin));
        memory_ += Cost(chunks_.front());
        end = begin;
    }
    bytes_ += text.size();
}

std::string_view OutputQueue::Front() const {
    if (chunks_.empty()) {
        return {};
    }
    return std::string_view(chunks_.front()).substr(frontOffset_);
}

void OutputQueue::Consume(std::size_t count) {
    OB_ASSERT(count <= Front().size());
    frontOffset_ += count;
    bytes_ -= count;
    if (!chunks_.empty() && frontOffset_ == chunks_.front().size()) {
        memory_ -= Cost(chunks_.front());
        chunks_.pop_front();
        frontOffset_ = 0;
    }
}

void OutputQueue::Clear() {
    // swap, not clear(): a deque keeps its blocks after clear().
    std::deque<std::string>().swap(chunks_);
    frontOffset_ = 0;
    bytes_ = 0;
    memory_ = 0;
}

} // namespace ob::engine
