#include "OBCoreLib/at/job_queue.h"

#include "platform/error/win_error.h"

namespace ob::at {

std::uint32_t SystemCode(AtFailure failure) {
    switch (failure) {
    case AtFailure::None:
        return 0;
    case AtFailure::Unreachable:
        return 53; // ERROR_BAD_NETPATH
    case AtFailure::BadExpression:
    case AtFailure::BadCommand:
    case AtFailure::BadTime:
        return 87; // ERROR_INVALID_PARAMETER
    case AtFailure::NoSuchJob:
        return 2; // ERROR_FILE_NOT_FOUND
    case AtFailure::QueueFailed:
    case AtFailure::OutOfAttempts:
        break;
    }
    return 1; // ERROR_INVALID_FUNCTION
}

std::string FailureText(const AtStatus& status) {
    std::string text;
    if (!error::MessageText(SystemCode(status.failure), text, nullptr)) {
        text.clear();
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (!status.detail.empty()) {
        text += text.empty() ? status.detail : " " + status.detail;
    }
    return text;
}

} // namespace ob::at
