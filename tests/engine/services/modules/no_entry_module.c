/* A shared object without service_main. */
#include "obrenta/service.h"

OB_SERVICE_EXPORT int32_t not_the_entry_point(const char* const* words) {
    (void)words;
    return OB_SVC_OK;
}
