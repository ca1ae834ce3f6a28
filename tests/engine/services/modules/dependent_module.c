/* A test service whose one symbol comes from dependency_module, which it does not
 * name itself: it loads only after its `module` value has loaded that library. */
#include "obrenta/service.h"

int ob_test_dependency_value(void);

OB_SERVICE_EXPORT int32_t service_main(const char* const* words) {
    (void)words;
    return ob_test_dependency_value() == 42 ? OB_SVC_OK : 9;
}
