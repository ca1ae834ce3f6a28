/* Obrenta's setup extension (libobsetup.so): the functions an installer calls to
 * stop a running engine before files are replaced, keep the user's job scripts
 * across an upgrade, remove sample and system scripts, write the first-time
 * settings and patch script files of older versions. `obrenta setup` is the
 * installer that calls them; see docs/installing.md.
 *
 * Everything the functions do is logged to "obrenta.log" in the installation
 * directory (the job folder), or, before any installation directory is known, to
 * the running program's path with ".log" in place of its extension. Each entry is
 * "[TAG](thread=TID)(line=LINE): " and the message.
 *
 * The installer handle is a session of the platform's installer property tables
 * (ob::installer::OpenSession in platform/installer/installer_session.h): the
 * installer sets "INSTALLDIR" there and the batch functions read it (or, when it is
 * empty, "InstallLocation"). The functions are meant to be called from one thread
 * at a time; none of them lets an exception escape.
 */
#ifndef OBRENTA_SETUP_H
#define OBRENTA_SETUP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define OB_SETUP_API __attribute__((visibility("default")))

/* The library's file name. */
#define OB_SETUP_LIBRARY "libobsetup.so"

/* A session of installer properties. */
typedef uint32_t MSIHANDLE;

/* The request a host program's endpoint answers when asked to shut down: the
 * message name and its first number; a host that is shutting down answers the
 * same number (see platform/control/host_endpoint.h). */
#define OB_SETUP_SHUTDOWN_MESSAGE "WM_SHUTDOWN"
#define OB_SETUP_SHUTDOWN_CODE 204

/* Before files are replaced in an upgrade: stores the installation directory in
 * the property "InstallLocation", then stops the running engine, removes the
 * sample and system scripts and backs up the user's scripts, stopping at the first
 * step that fails. 1 on success, else 0. */
OB_SETUP_API int32_t _isBatch1(MSIHANDLE install);
/* Before files are installed or removed: stops the running engine. */
OB_SETUP_API int32_t _isBatch2(MSIHANDLE install);
/* After files are installed: writes the first-time settings, then restores the
 * backed-up scripts, stopping at the first step that fails. */
OB_SETUP_API int32_t _isBatch3(MSIHANDLE install);

/* The single steps. The first three and the last argument are not used; the
 * fourth is the installation directory (null or empty: none, and the file steps
 * and _isInit return 0 at once). 1 on success, else 0. */
OB_SETUP_API int32_t _isInit(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                             uintptr_t);
OB_SETUP_API int32_t _isBackupFile(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                   uintptr_t);
OB_SETUP_API int32_t _isRestoreFile(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                    uintptr_t);
OB_SETUP_API int32_t _isForceRemove(uintptr_t, uintptr_t, uintptr_t, const char* installDirectory,
                                    uintptr_t);
/* Stops the running engine: the system services, then every host program that
 * answers the shut-down request. Always 1. */
OB_SETUP_API int32_t _isShutdownObrenta(uintptr_t, uintptr_t, uintptr_t,
                                        const char* installDirectory, uintptr_t);

/* Records the installation directory for the functions that take none (Patch,
 * Shutdown) and for the log, as the export that received one last would. 0 (and
 * none recorded) for a null, empty or too long text (over 1023 characters). */
OB_SETUP_API int32_t OB_SetupInstallDirectory(const char* installDirectory);

/* Writes the first-time settings: console host and ports, the default account and
 * the default e-mail profile. A non-zero logToDebugger also copies each log entry
 * to standard error. */
OB_SETUP_API void Setup(int32_t logToDebugger, uintptr_t reserved);
/* _isShutdownObrenta without an installation directory. Always 1. */
OB_SETUP_API int32_t Shutdown(void);
/* The versions that have a patch, oldest first. */
#define OB_SETUP_PATCHED_VERSIONS "3.6.4", "3.6.5", "3.8.2", "3.8.6", "3.9.3", "4.2.0"

/* Applies the patch for one earlier version (OB_SETUP_PATCHED_VERSIONS) to the
 * scripts of the installation directory (or, when none is known, of the running
 * program's folder). 0 for a version without a patch, else 1. */
OB_SETUP_API int32_t Patch(const char* version);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_SETUP_H */
