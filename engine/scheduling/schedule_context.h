// What the time tests need from their surroundings: where their messages go,
// which of them are shown, whether the queue is being cleared, and the
// cron fields of a statement. The scheduler passes a session's context; the
// schedule preview passes a quiet one, so both run the very same tests.
#pragma once

#include "engine/scheduling/cron_statement.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace ob::engine {

struct EngineSession;

class TimeStatement;

class ScheduleContext {
public:
    virtual ~ScheduleContext() = default;

    /// A system message, shown in square brackets when `bit` is set in
    /// JR.OUTPUT_LEVEL.
    virtual void Note(std::string_view text, std::uint32_t bit) = 0;
    /// True when messages at `bit` are shown (so that their text is worth making).
    virtual bool Shows(std::uint32_t bit) = 0;
    /// A bad time or skip expression met while re-evaluating one.
    virtual void Error(std::string_view text) = 0;
    /// True when the queue is being cleared: the tests of a job stop early.
    virtual bool Abandoned() = 0;
    /// The cron fields of a statement given as "-cron"; null when its text has
    /// none. Valid until the next call.
    virtual const CronStatementFields* CronFieldsOf(const TimeStatement& statement) = 0;
};

/// The context of a live session (engine thread, or a loading thread before the
/// job is queued): system messages and errors reach its host; cron fields are read
/// from the statement's text at every call, so that variables in them take effect.
class SessionScheduleContext final : public ScheduleContext {
public:
    explicit SessionScheduleContext(EngineSession& session) : session_(session) {}

    void Note(std::string_view text, std::uint32_t bit) override;
    bool Shows(std::uint32_t bit) override;
    void Error(std::string_view text) override;
    bool Abandoned() override;
    const CronStatementFields* CronFieldsOf(const TimeStatement& statement) override;

private:
    EngineSession& session_;
    std::optional<CronStatementFields> fields_;
};

} // namespace ob::engine
