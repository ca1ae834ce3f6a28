#include "OBCoreLib/runtime/pending_methods.h"

namespace ob::corelib {

I4Result FtpRefused() {
    return {HResult::False, 0};
}

} // namespace ob::corelib
