#include "mapi/mapi_result.h"

namespace ob::mapi {
namespace {

thread_local std::string lastError;

} // namespace

std::uint32_t Report(const MapiResult& result) {
    lastError = result.why;
    return result.code;
}

const std::string& LastErrorText() {
    return lastError;
}

} // namespace ob::mapi
