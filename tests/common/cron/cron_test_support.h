// Shared helpers of the cron tests: dates and field lists.
#pragma once

#include "common/cron/cron_evaluator.h"
#include "platform/time/ole_date.h"

#include <array>
#include <string>
#include <vector>

namespace ob::test {

/// The OLE value of a local date and time (must be valid).
inline double At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return ob::datetime::OleDate::FromParts(year, month, day, hour, minute, second).Value();
}

inline constexpr double kSecond = 1.0 / 86400.0;
inline constexpr double kMinute = 1.0 / 1440.0;

/// Fields owned as strings; Fields() points into them ("" words stay absent).
class FieldList {
public:
    FieldList(std::initializer_list<const char*> words) {
        for (const char* w : words) {
            words_.emplace_back(w == nullptr ? "" : w);
            given_.push_back(w != nullptr);
        }
    }
    common::CronFields Fields() const {
        common::CronFields fields{};
        for (std::size_t i = 0; i < words_.size() && i < fields.size(); ++i) {
            fields[i] = given_[i] ? words_[i].c_str() : nullptr;
        }
        return fields;
    }
    std::string Text() const {
        std::string text;
        for (std::size_t i = 0; i < words_.size(); ++i) {
            text += (i ? " " : "") + (given_[i] ? words_[i] : std::string("(null)"));
        }
        return text;
    }

private:
    std::vector<std::string> words_;
    std::vector<bool> given_;
};

} // namespace ob::test
