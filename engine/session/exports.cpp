// The session exports other than creation and destruction. Each looks the handle
// up first, so a null or stale handle gives OB_INVALID with no side effect.

#include "engine/loading/job_loader.h"
#include "engine/scheduling/scheduler.h"
#include "engine/session/engine_messages.h"
#include "engine/session/engine_session.h"
#include "engine/session/event_poster.h"
#include "engine/session/session_registry.h"
#include "engine/session/with_session.h"
#include "platform/msg/message_queue.h"

namespace {

using ob::engine::EngineSession;
using ob::engine::SessionLock;
using ob::engine::WithSession;

} // namespace

extern "C" {

OB_EXPORT uint32_t OB_GetParam(OB_SESSION handle, uint32_t id, uint32_t* value) {
    if (value == nullptr) {
        return OB_INVALID;
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        SessionLock lock(s);
        switch (id) {
        case OB_PARAM_FLAGS:
            *value = s.flags.load();
            return OB_OK;
        case OB_PARAM_PENDING:
            *value = s.pending.load();
            return OB_OK;
        default:
            return OB_INVALID;
        }
    });
}

OB_EXPORT uint32_t OB_SetParam(OB_SESSION handle, uint32_t id, uint32_t value) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        SessionLock lock(s);
        if (id == OB_PARAM_FLAGS) {
            s.flags.store(value);
            return OB_OK;
        }
        if (id != OB_PARAM_STEP) {
            return OB_INVALID;
        }
        using ob::engine::StepMode;
        using ob::engine::StepState;
        // The value names a mode (0, 1, 4: setting 0 or 1 also sets the state) or a
        // state (2, 3); larger values change nothing.
        switch (value) {
        case static_cast<uint32_t>(StepMode::FreeRunning):
            s.stepMode.store(StepMode::FreeRunning);
            s.stepState.store(StepState::Running);
            break;
        case static_cast<uint32_t>(StepMode::SingleStep):
            s.stepMode.store(StepMode::SingleStep);
            s.stepState.store(StepState::Paused);
            break;
        case static_cast<uint32_t>(StepState::Running):
        case static_cast<uint32_t>(StepState::Paused):
            s.stepState.store(static_cast<StepState>(value));
            break;
        case static_cast<uint32_t>(StepMode::StrictFlowControl):
            s.stepMode.store(StepMode::StrictFlowControl);
            break;
        default:
            break;
        }
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_ModifyFlags(OB_SESSION handle, uint32_t set, uint32_t clear) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        SessionLock lock(s);
        s.flags.store((s.flags.load() | set) & ~clear);
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_CreateTemplateJob(OB_SESSION handle, uint32_t index, const char* argument,
                                        uint32_t options) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        ob::engine::CreateTemplateJob(s, index, argument, options);
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_GetJobCount(OB_SESSION handle, uint32_t* count) {
    if (count == nullptr) {
        return OB_INVALID;
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        SessionLock lock(s);
        *count = (s.flags.load() & SF_CLEAR_QUEUE) != 0
                     ? 0
                     : static_cast<uint32_t>(s.jobs.CountWithStart());
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_ClearJobQueue(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.flags.fetch_or(SF_CLEAR_QUEUE);
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_LoadCronScript(OB_SESSION handle, const char* path) {
    if (path == nullptr) {
        return OB_INVALID;
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        return ob::engine::LoadJobScript(s, path, 0) ? OB_OK : OB_FAILED;
    });
}

OB_EXPORT uint32_t OB_Synchronize(OB_SESSION handle, uint32_t timeoutMs) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.ready.ResetEvent();
        ob::msg::PostThreadMessage(s.engineThreadId, ob::engine::EM_SYNC, 0, 0);
        return s.ready.Wait(timeoutMs) ? OB_OK : OB_WAIT_TIMEOUT;
    });
}

OB_EXPORT uint32_t OB_WaitTick(OB_SESSION handle, uint32_t timeoutMs) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.tick.ResetEvent();
        return s.tick.Wait(timeoutMs) ? OB_OK : OB_WAIT_TIMEOUT;
    });
}

OB_EXPORT uint32_t OB_Wakeup(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.wakeup.Pulse();
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_Break(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.breakEvent.Set();
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_TimeChange(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        ob::engine::TimeChange(s);
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_Lock(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        s.lock.Enter();
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_Unlock(OB_SESSION handle) {
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        // Leaving a lock the caller does not hold would corrupt it; refuse instead.
        if (!s.lock.OwnedByCurrentThread()) {
            return OB_INVALID;
        }
        s.lock.Leave();
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_AckMessage(OB_SESSION handle, EngineEvent* event) {
    if (handle == nullptr || event == nullptr) {
        return OB_INVALID;
    }
    // The record itself says which session it belongs to; a record outlives a
    // destroyed session until the host hands it back.
    try {
        return ob::engine::ReleaseEvent(event) ? OB_OK : OB_INVALID;
    } catch (...) {
        return OB_INVALID;
    }
}

OB_EXPORT uint32_t OB_LogOutput(OB_SESSION handle, const char* text) {
    if (text == nullptr) {
        return OB_INVALID;
    }
    return WithSession(handle, [&](EngineSession& s) -> uint32_t {
        SessionLock lock(s);
        s.log.Append(text);
        return OB_OK;
    });
}

OB_EXPORT uint32_t OB_MemDebug(uint32_t) {
    return OB_OK;
}

} // extern "C"
