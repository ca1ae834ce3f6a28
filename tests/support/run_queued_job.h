// Runs a queued job in place, as a -run of it would: the test fixtures of the
// directives share it. Header only; the engine thread of the test (the test's own).
#pragma once

#include "engine/actions/statement_executor.h"
#include "engine/jobs/session_jobs.h"
#include "engine/session/engine_session.h"

#include <gtest/gtest.h>

#include <string>

namespace ob::test {

/// The result of running the first queued job whose name matches `pattern`; Abort
/// (and a test failure) when none does.
inline engine::RunResult RunQueuedJob(engine::EngineSession& session, const std::string& pattern) {
    ::ob::engine::Job* job = ::ob::engine::FindJobByName(session, pattern);
    if (job == nullptr) {
        ADD_FAILURE() << "no queued job matches " << pattern;
        return engine::RunResult::Abort;
    }
    return ::ob::engine::RunJobInPlace(session, nullptr, *job);
}

} // namespace ob::test
