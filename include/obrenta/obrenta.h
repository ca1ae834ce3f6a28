/* Obrenta engine library: the exported session interface.
 *
 * A host program creates a session on its own thread (the creator thread, exempt
 * from event flow control), sets SF_ENABLED when jobs may fire, feeds job scripts,
 * and receives everything the engine says as WM_OBRENTA_EVENT messages posted to
 * its window (see host.h); each event's record is handed back with OB_AckMessage.
 * Every export returns one of the OB_* result codes unless its comment says
 * otherwise, and none lets an exception escape. A null or unknown session handle
 * gives OB_INVALID. An event record stays valid until it is acknowledged, also
 * after its session was destroyed: the host hands back every record it receives.
 */
#ifndef OBRENTA_OBRENTA_H
#define OBRENTA_OBRENTA_H

#include <stdint.h>

#if defined(OB_ENGINE_BUILD)
#define OB_EXPORT __attribute__((visibility("default")))
#else
#define OB_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum {
    OB_OK = 1000,
    OB_FAILED = 1001,
    OB_INVALID = 1002,
    OB_BUSY = 1006,
    OB_STARTUP_TIMEOUT = 1007,
    OB_WAIT_TIMEOUT = 1008,
};

/* Parameter ids of OB_GetParam / OB_SetParam. */
enum {
    OB_PARAM_FLAGS = 3001,
    OB_PARAM_STEP = 3002,
    OB_PARAM_PENDING = 3003,
};

/* Session flags. */
enum {
    SF_ENABLED = 2,
    SF_TICK_BUSY = 4,
    SF_NO_SELF_DESTROY = 8,
    SF_CLEAR_QUEUE = 16,
    SF_NON_INTERACTIVE = 32,
};

/* Variable flags of OB_GetEnv / OB_PutEnv. */
enum {
    ENV_TRANSIENT = 1,
    ENV_PERSISTENT = 2,
    ENV_FORCE = 4,
    ENV_CRYPTO = 8,
};

/* Event codes (EngineEvent.code). */
enum {
    OB_EV_NOTIFY = 2000, /* data: 1001, 1003, 1004 or 1005 */
    OB_EV_QUIT = 2001,
    OB_EV_HIDE = 2002,
    OB_EV_SHOW = 2003,
    OB_EV_TEMPLATE = 2004,
    OB_EV_TEXT = 2005, /* data: owned text */
    OB_EV_EOL = 2006,
    OB_EV_LOGFILE = 2007, /* data: owned text */
    OB_EV_PROXY_FIRST = 2008,
    OB_EV_PROXY_LAST = 2015,
    OB_EV_UPDATE = 2016, /* data: owned text */
    /* data: owned text, why the console serves no one (its port is not a number
     * or cannot be bound); the session itself runs on. */
    OB_EV_CONSOLE_FAILED = 2017,
    /* data: owned text: a run has blocked the engine longer than JR.WATCHDOG_SECONDS,
     * or no longer does. */
    OB_EV_WATCHDOG = 2018,
};

/* Sub-codes carried by OB_EV_NOTIFY. */
enum {
    OB_NOTIFY_TEMPLATE_FAILED = 1001,
    OB_NOTIFY_SCRIPT_ERROR = 1003,
    OB_NOTIFY_LAUNCH_FAILED = 1004,
    OB_NOTIFY_IDLE = 1005,
};

/* The session handle is opaque to the host: a pointer to a type it never sees. */
typedef struct ObrentaSession* OB_SESSION;

/* Host window handle: an ob::msg window id (see host.h). */
typedef uintptr_t OB_HWND;

/* One event, posted as the LPARAM of WM_OBRENTA_EVENT (WPARAM 0). The data field
 * and the session are pointer-sized; the other fields are 32-bit. */
typedef struct EngineEvent {
    uint32_t cookie;    /* the host cookie given to OB_CreateSession */
    uint32_t code;      /* event code */
    uintptr_t data;     /* text pointer or number, by code */
    OB_SESSION session; /* the session that posted it */
    uint32_t ownsText;  /* 1: data is a text that OB_AckMessage frees */
    uint32_t pending;   /* pending events when this one was posted */
    uint32_t spins;     /* zero-length sleeps spent waiting for flow control */
    uint32_t sequence;  /* event sequence number */
} EngineEvent;

OB_EXPORT uint32_t OB_CreateSession(OB_SESSION* session, OB_HWND hostWindow, uint32_t cookie);
OB_EXPORT uint32_t OB_DestroySession(OB_SESSION* session);
OB_EXPORT uint32_t OB_GetParam(OB_SESSION session, uint32_t id, uint32_t* value);
OB_EXPORT uint32_t OB_SetParam(OB_SESSION session, uint32_t id, uint32_t value);
OB_EXPORT uint32_t OB_ModifyFlags(OB_SESSION session, uint32_t set, uint32_t clear);
OB_EXPORT uint32_t OB_CreateTemplateJob(OB_SESSION session, uint32_t index, const char* argument,
                                        uint32_t options);
OB_EXPORT uint32_t OB_GetJobCount(OB_SESSION session, uint32_t* count);
OB_EXPORT uint32_t OB_ClearJobQueue(OB_SESSION session);
OB_EXPORT uint32_t OB_LoadCronScript(OB_SESSION session, const char* path);
OB_EXPORT uint32_t OB_Synchronize(OB_SESSION session, uint32_t timeoutMs);
OB_EXPORT uint32_t OB_WaitTick(OB_SESSION session, uint32_t timeoutMs);
OB_EXPORT uint32_t OB_Wakeup(OB_SESSION session);
OB_EXPORT uint32_t OB_Break(OB_SESSION session);
OB_EXPORT uint32_t OB_TimeChange(OB_SESSION session);
OB_EXPORT uint32_t OB_Lock(OB_SESSION session);
OB_EXPORT uint32_t OB_Unlock(OB_SESSION session);
OB_EXPORT uint32_t OB_AckMessage(OB_SESSION session, EngineEvent* event);
OB_EXPORT uint32_t OB_LogOutput(OB_SESSION session, const char* text);

/* Variables (the session lock is not involved). OB_GetEnv returns a copy to give
 * back with OB_ReleaseEnvString, or NULL. OB_PutEnv returns 0, or -1 when the
 * persistent write failed. */
OB_EXPORT char* OB_GetEnv(const char* section, const char* name, uint32_t mode);
OB_EXPORT int32_t OB_PutEnv(const char* section, const char* name, const char* value,
                            uint32_t mode);
OB_EXPORT char* OB_GetProfileString(const char* section, const char* name);
OB_EXPORT uint32_t OB_WriteProfileString(const char* section, const char* name, const char* value);
OB_EXPORT uint32_t OB_GeneralError(const char* text);
OB_EXPORT void OB_ReleaseEnvString(char* text);
OB_EXPORT uint32_t OB_MemDebug(uint32_t value);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_OBRENTA_H */
