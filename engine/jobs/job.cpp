#include "engine/jobs/job.h"

#include "engine/expansion/expand_text.h"
#include "platform/text/ascii_case.h"
#include "platform/text/blank.h"

#include <charconv>

namespace ob::engine {
namespace {

// The name part of a "NAME=value" entry.
std::string_view EntryName(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

} // namespace

Job::Job(const datetime::OleDate& created) {
    auto env = std::make_unique<JobEnvironment>();
    env->created = created;
    env_ = env.get();
    statements_.push_back(std::move(env));
}

void Job::Add(std::unique_ptr<Statement> statement) {
    statements_.push_back(std::move(statement));
}

Statement* Job::FindStatement(std::uint32_t kind) const {
    for (const auto& statement : statements_) {
        if (statement->Kind() == kind) {
            return statement.get();
        }
    }
    return nullptr;
}

bool Job::SetVariable(std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    const std::string_view name = assignment.substr(0, equals);
    const bool remove = equals + 1 == assignment.size();
    auto& variables = env_->variables;
    for (auto it = variables.begin(); it != variables.end(); ++it) {
        if (text::EqualsIgnoringCase(EntryName(*it), name)) {
            if (remove) {
                variables.erase(it);
            } else {
                it->assign(assignment);
            }
            return true;
        }
    }
    variables.emplace_back(assignment);
    return true;
}

std::optional<std::string> Job::GetVariable(std::string_view name) const {
    for (const std::string& entry : env_->variables) {
        const std::size_t equals = entry.find('=');
        if (equals != std::string::npos &&
            text::EqualsIgnoringCase(std::string_view(entry).substr(0, equals), name)) {
            return entry.substr(equals + 1);
        }
    }
    return std::nullopt;
}

std::uint32_t Job::Flags() const {
    const auto text = GetVariable("$FLAGS");
    if (!text) {
        return 0;
    }
    // Read like atoi: leading digits, anything else ends the number.
    std::int64_t value = 0;
    const char* begin = text->data();
    const char* end = begin + text->size();
    while (begin != end && text::IsBlank(*begin, text::kBlankTab)) {
        ++begin;
    }
    bool negative = false;
    if (begin != end && (*begin == '-' || *begin == '+')) {
        negative = *begin == '-';
        ++begin;
    }
    std::from_chars(begin, end, value);
    return static_cast<std::uint32_t>(negative ? -value : value);
}

bool Job::TestFlags(std::uint32_t bits) const {
    return (Flags() & bits) != 0;
}

void Job::SetFlags(std::uint32_t bits) {
    SetVariable("$FLAGS=" + std::to_string(static_cast<std::int32_t>(Flags() | bits)));
}

std::string Job::Name() const {
    auto name = GetVariable("$NAME");
    if (!name) {
        return "unnamed";
    }
    ExpandText(*name);
    return *name;
}

void Job::BeginRun() {
    ++env_->timesCalled;
    env_->runStarted = std::chrono::steady_clock::now();
}

void Job::EndRun() {
    const auto elapsed = std::chrono::steady_clock::now() - env_->runStarted;
    env_->totalRunMs += static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

} // namespace ob::engine
