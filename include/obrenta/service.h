/* Obrenta service modules: the entry point a loadable service exports.
 *
 * A service is a named command family that job actions call as
 *     -action -NAME SUBCOMMAND arguments...
 * A loadable service is a shared object registered under
 * HKEY_LOCAL_MACHINE\Software\Varndel Software\Obrenta\services\NAME (values
 * `library`, and optionally `module` and `path`) and loaded into a session by
 * `-action -load -service NAME`. It exports one function with C linkage:
 *
 *     OB_SERVICE_EXPORT int32_t service_main(const char* const* words);
 *
 * `words` is a null-terminated array of zero-terminated strings: words[0] is the
 * directive as written ("-NAME"), words[1] the sub-command (absent when the statement
 * has none: then words[1] is NULL), then the statement's further words. The strings
 * belong to the caller and are valid only during the call. The function runs on the
 * engine thread that executes the statement and returns one of the OB_SVC_* codes.
 *
 * Conventions: compare sub-commands without regard to case; answer NAME.VERSION by
 * storing a version text in the transient variable of that name; write results to
 * transient variables whose names the script passes (OB_PutEnv with ENV_TRANSIENT);
 * on failure set the error text with OB_GeneralError and return OB_SVC_FAILED. An
 * object that outlives a call is kept by the service in a table of its own, and the
 * script receives the object's table id (lower-case hexadecimal) in a variable;
 * an id that names no live object is a bad handle (OB_SVC_BAD_HANDLE), never an
 * address to dereference. See docs/services.md.
 */
#ifndef OBRENTA_SERVICE_H
#define OBRENTA_SERVICE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Marks service_main as exported from a module built with hidden visibility. */
#define OB_SERVICE_EXPORT __attribute__((visibility("default")))

/* The exported name the loader looks up. */
#define OB_SERVICE_ENTRY_NAME "service_main"

/* Result codes of a service call. */
enum {
    OB_SVC_OK = 0,              /* success */
    OB_SVC_BAD_FORMAT = 1,      /* malformed call: the sub-command is missing */
    OB_SVC_TOO_FEW = 2,         /* a required argument is missing */
    OB_SVC_BAD_HANDLE = 3,      /* the handle variable holds no valid handle */
    OB_SVC_FAILED = 4,          /* the operation failed; JR.LAST_ERROR is set */
    OB_SVC_NOT_IMPLEMENTED = 5, /* the sub-command is known but not implemented */
    OB_SVC_UNKNOWN = 6          /* the sub-command is unknown */
};

/* The entry point's type. */
typedef int32_t (*OB_ServiceMain)(const char* const* words);

/* What a service module defines. Declared exported here, so a module built with
 * hidden visibility exports it by including this header. */
OB_SERVICE_EXPORT int32_t service_main(const char* const* words);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_SERVICE_H */
