#include "OBCoreLib/cron/cron_check.h"

#include "OBCoreLib/cron/cron_fields.h"

#include "common/cron/cron_evaluator.h"

#include "platform/env/environment.h"
#include "platform/msg/message_queue.h"
#include "platform/time/ole_date.h"

#include <array>
#include <charconv>
#include <optional>

namespace ob::corelib {
namespace {

constexpr std::size_t kStoredNumbers = 9;

std::string ThreadPrefix() {
    return "cron:" + std::to_string(msg::GetCurrentThreadId()) + ":";
}

std::string Stored(const common::CronContext& context) {
    std::string text = std::to_string(static_cast<std::int32_t>(context.mask));
    for (const std::int32_t value : common::StoredValues(context)) {
        text += ' ';
        text += std::to_string(value);
    }
    return text;
}

// The nine numbers of a stored context, or nothing when it holds anything else.
std::optional<std::array<std::int32_t, kStoredNumbers>> Parse(std::string_view text) {
    std::array<std::int32_t, kStoredNumbers> numbers{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < kStoredNumbers; ++i) {
        while (at < end && *at == ' ') {
            ++at;
        }
        const auto [next, ec] = std::from_chars(at, end, numbers[i]);
        if (ec != std::errc() || next == at) {
            return std::nullopt;
        }
        at = next;
    }
    while (at < end && *at == ' ') {
        ++at;
    }
    if (at != end) {
        return std::nullopt;
    }
    return numbers;
}

} // namespace

std::string CronContextVariable(std::int32_t id) {
    return ThreadPrefix() + std::to_string(id);
}

I4Result CheckTime(std::int16_t id, std::int32_t reset, const std::string& expression) {
    const double now = datetime::OleDate::Now().Value();
    const std::string name = CronContextVariable(id);

    std::optional<std::array<std::int32_t, kStoredNumbers>> numbers;
    if (reset != -1) {
        if (const auto stored = env::Get(name)) {
            numbers = Parse(*stored);
        }
    }
    common::CronContext context = common::CronContext::Fresh(now);
    if (numbers) {
        context.mask = static_cast<std::uint32_t>((*numbers)[0]);
        common::CronValues values{};
        std::copy(numbers->begin() + 1, numbers->end(), values.begin());
        common::StoreValues(context, values);
    } else {
        env::Set(name, Stored(context));
    }

    const std::vector<std::string> fields = SplitCronFields(expression);
    if (fields.empty() || fields.size() > kMaxCronFields) {
        return {HResult::False, 0};
    }
    common::CronFields pointers{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        pointers[i] = fields[i].c_str();
    }
    const int fired = common::CronEvaluator(context, pointers);
    env::Set(name, Stored(context));
    return {HResult::Ok, Truth(fired > 0)};
}

I4Result DestroyCronContext(std::int32_t minId, std::int32_t maxId) {
    // The thread's contexts are found among the variables rather than by trying
    // every id of the range: a range of four billion ids must not take hours.
    const std::string prefix = ThreadPrefix();
    std::int32_t removed = 0;
    for (const auto& [name, value] : env::Snapshot()) {
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        std::int32_t id = 0;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        const auto [end, ec] = std::from_chars(first, last, id);
        if (ec != std::errc() || end != last || id < minId || id > maxId ||
            name != CronContextVariable(id)) {
            continue;
        }
        env::Remove(name);
        ++removed;
    }
    return {HResult::Ok, removed};
}

} // namespace ob::corelib
