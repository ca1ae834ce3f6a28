// The schedule preview's exports (obrenta/preview.h): the request goes to the
// engine thread, and the answer is copied into records the caller frees.

#include "engine/scheduling/preview_mailbox.h"
#include "engine/session/engine_messages.h"
#include "engine/session/with_session.h"
#include "obrenta/preview.h"
#include "platform/msg/message_queue.h"
#include "platform/time/clock_changes.h"
#include "platform/time/local_time_text.h"

#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ob::engine {
namespace {

// The storage behind an OB_Preview handed out: the records and every text they
// point to.
struct PreviewBlock {
    OB_Preview head{};
    std::vector<OB_JobPreview> jobs;
    std::vector<std::vector<OB_FireTime>> times;
    std::deque<std::string> texts; // a deque keeps each text where it is

    const char* Keep(std::string text) { return texts.emplace_back(std::move(text)).c_str(); }
};

template <std::size_t N> void CopyText(char (&to)[N], const std::string& from) {
    std::strncpy(to, from.c_str(), N - 1);
    to[N - 1] = '\0';
}

OB_FireTime FireTime(const datetime::OleDate& wall) {
    OB_FireTime time{};
    CopyText(time.local, datetime::FormatLocalDateTime(wall));
    if (const auto instant = datetime::FirstInstantOf(wall)) {
        time.unixTime = static_cast<int64_t>(*instant);
        CopyText(time.zone, datetime::ZoneAbbreviation(*instant));
    }
    return time;
}

OB_Preview* Publish(const std::vector<JobPreview>& previews) {
    auto block = std::make_unique<PreviewBlock>();
    block->jobs.reserve(previews.size());
    block->times.reserve(previews.size());
    for (const JobPreview& preview : previews) {
        auto& times = block->times.emplace_back();
        for (const auto& wall : preview.times) {
            times.push_back(FireTime(wall));
        }
        OB_JobPreview job{};
        job.name = block->Keep(preview.name);
        job.file = block->Keep(preview.file);
        job.count = static_cast<uint32_t>(times.size());
        job.times = times.data();
        job.end = static_cast<uint32_t>(preview.end);
        job.note = block->Keep(DescribeEnd(preview));
        block->jobs.push_back(job);
    }
    block->head.jobCount = static_cast<uint32_t>(block->jobs.size());
    block->head.jobs = block->jobs.data();
    block->head.reserved = block.get();
    return &block.release()->head;
}

} // namespace
} // namespace ob::engine

extern "C" {

OB_EXPORT uint32_t OB_PreviewSchedule(OB_SESSION handle, const char* from, uint32_t count,
                                      uint32_t options, uint32_t timeoutMs, OB_Preview** preview) {
    using namespace ob::engine;
    if (preview == nullptr || count < 1 || count > OB_PREVIEW_MAX_COUNT) {
        return OB_INVALID;
    }
    *preview = nullptr;
    PreviewOptions wanted;
    if (from != nullptr) {
        const auto moment = ob::datetime::ParseLocalDateTime(from);
        if (!moment) {
            return OB_INVALID;
        }
        wanted.from = *moment;
    } else {
        wanted.from = ob::datetime::OleDate::Now();
    }
    wanted.count = count;
    wanted.reevaluate = (options & OB_PREVIEW_AS_LOADED) != 0;
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        std::vector<JobSnapshot> snapshots;
        if (ob::msg::GetCurrentThreadId() == s.engineThreadId) {
            snapshots = SnapshotQueue(s);
        } else {
            // Only the copying happens on the engine thread; the preview is made here.
            auto request = std::make_shared<PreviewRequest>();
            s.previews.Put(request);
            if (!ob::msg::PostThreadMessage(s.engineThreadId, EM_PREVIEW, 0, 0) ||
                !request->done.Wait(timeoutMs)) {
                return OB_WAIT_TIMEOUT;
            }
            snapshots = std::move(request->snapshots);
        }
        *preview = Publish(PreviewSnapshots(std::move(snapshots), wanted));
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_PreviewJob(OB_SESSION handle, const char* name, uint32_t count,
                                 uint32_t timeoutMs, OB_Preview** preview) {
    using namespace ob::engine;
    if (preview == nullptr || name == nullptr || count < 1 || count > OB_PREVIEW_MAX_COUNT) {
        return OB_INVALID;
    }
    *preview = nullptr;
    const std::string wanted(name);
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        // Only the copy of the job's statements needs the engine thread; the search
        // runs here, so a long preview never holds up a tick.
        std::optional<JobSnapshot> snapshot;
        const auto copy = [&](EngineSession& engine) {
            SessionLock lock(engine);
            for (std::size_t i = 0; i < engine.jobs.Size() && !snapshot; ++i) {
                const Job& job = *engine.jobs.At(i);
                if (!job.TestFlags(JF_EXPIRED) && job.GetVariable("$NAME") &&
                    job.Name() == wanted) {
                    snapshot = JobSnapshot::Of(job);
                }
            }
        };
        if (s.calls.RunOnEngineThread(s, copy, timeoutMs) != CallResult::Done) {
            return OB_WAIT_TIMEOUT;
        }
        if (!snapshot) {
            return OB_FAILED;
        }
        PreviewOptions options;
        options.from = ob::datetime::OleDate::Now();
        options.count = count;
        *preview = Publish({PreviewJob(std::move(*snapshot), options)});
        return OB_OK;
    });
}

OB_EXPORT void OB_ReleasePreview(OB_Preview* preview) {
    if (preview != nullptr) {
        delete static_cast<ob::engine::PreviewBlock*>(preview->reserved);
    }
}

} // extern "C"
