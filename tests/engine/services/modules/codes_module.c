/* A test service that returns the result code the script asks for:
 *   -NAME code N        returns N
 *   -NAME check A B     returns 0 when it received exactly the words
 *                       "-NAME check A B" (any directive spelling), else 9
 *   -NAME               returns 1 (no sub-command) */
#include "obrenta/service.h"

#include <stdlib.h>
#include <string.h>

OB_SERVICE_EXPORT int32_t service_main(const char* const* words) {
    if (words[0] == NULL || words[1] == NULL) {
        return OB_SVC_BAD_FORMAT;
    }
    if (strcmp(words[1], "code") == 0) {
        return words[2] == NULL ? OB_SVC_TOO_FEW : (int32_t)atoi(words[2]);
    }
    if (strcmp(words[1], "check") == 0) {
        const int ok = words[0][0] == '-' && words[2] != NULL && strcmp(words[2], "A") == 0 &&
                       words[3] != NULL && strcmp(words[3], "B") == 0 && words[4] == NULL;
        return ok ? OB_SVC_OK : 9;
    }
    return OB_SVC_UNKNOWN;
}
