#include "OBCoreLib/runtime/pending_methods.h"

namespace ob::corelib {

I4Result RemoteJobRefused() {
    return {HResult::False, -1};
}

I4Result RemoteCallRefused() {
    return {HResult::False, 0};
}

I4Result NoJobId() {
    return {HResult::Ok, -1};
}

I4Result NoJobError() {
    return {HResult::Ok, 0};
}

TextResult NoJobCommand() {
    return {HResult::False, {}};
}

TextResult NoJobTime() {
    return {HResult::Ok, {}};
}

} // namespace ob::corelib
