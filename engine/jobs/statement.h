// Statements of a job. Every line of a job block becomes one statement; the job's
// own variables and run statistics live in its first statement, the JobEnvironment.
//
// Statements are not locked: they are changed on the engine thread, and by the
// loading thread only before their job is queued.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ob::engine {

// Statement kinds (Statement::Kind()).
inline constexpr std::uint32_t KIND_START = 0;
inline constexpr std::uint32_t KIND_STOP = 1;
inline constexpr std::uint32_t KIND_ACTION = 2;
inline constexpr std::uint32_t KIND_SKIP = 3;
inline constexpr std::uint32_t KIND_ENVIRONMENT = 4;
inline constexpr std::uint32_t KIND_SUSPEND = 5;
inline constexpr std::uint32_t KIND_RESUME = 6;
inline constexpr std::uint32_t KIND_MATCH = 7;

// Statement flags.
inline constexpr std::uint32_t STF_INERT = 1;       ///< not executed; only its comment is printed
inline constexpr std::uint32_t STF_CRON = 4;        ///< time statement given as cron fields
inline constexpr std::uint32_t STF_FIRED = 8;       ///< a start statement that has fired (one-shot)
inline constexpr std::uint32_t STF_DONE = 16;       ///< an action that is not executed again
inline constexpr std::uint32_t STF_EXCEPT = 0x1000; ///< the time condition is inverted
inline constexpr std::uint32_t STF_ONCE = 0x2000;   ///< the job expires when the condition holds

class Statement {
public:
    virtual ~Statement() = default;
    virtual std::uint32_t Kind() const = 0;

    const std::string& Text() const { return text_; }
    /// Stores the statement's arguments trimmed of white space at both ends.
    void SetText(std::string_view text);

    /// A warning attached by the parser, printed each time the statement is reached.
    std::string comment;
    /// Line of the statement, counted from 1 after the previous block of its file.
    std::uint32_t line = 0;
    std::uint32_t flags = 0;

protected:
    Statement() = default;

private:
    std::string text_;
};

} // namespace ob::engine
