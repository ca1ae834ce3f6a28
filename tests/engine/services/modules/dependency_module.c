/* A library that a test service needs: listed in the service's `module` value. */
#include "obrenta/service.h"

OB_SERVICE_EXPORT int ob_test_dependency_value(void) {
    return 42;
}
