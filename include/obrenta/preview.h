/* Obrenta engine library: the schedule preview.
 *
 * The next times each job of a session will fire, found by the scheduler's own
 * start and stop tests run on copies of the jobs' time statements: summer-time
 * changes, skip days, suspend windows, -once, -except and stop statements are
 * taken into account exactly as the scheduler takes them. The preview assumes
 * that every run ends with "continue" and that variables used in time
 * expressions keep their values.
 *
 * Times are local wall-clock times. A time the clock skips (summer time begins)
 * is shown where the scheduler fires it: at the first second after the change; a
 * time the clock shows twice fires at its first occurrence only.
 */
#ifndef OBRENTA_PREVIEW_H
#define OBRENTA_PREVIEW_H

#include "obrenta/obrenta.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Most times a preview finds for one job. */
enum { OB_PREVIEW_MAX_COUNT = 10000 };

/* Options of OB_PreviewSchedule. */
enum {
    /* Evaluate the time statements afresh at `from`, as if the jobs had been
     * loaded at that moment (a fresh load previewed from another moment). */
    OB_PREVIEW_AS_LOADED = 1,
};

/* Why a job's list holds fewer times than asked for (OB_JobPreview.end). */
enum {
    OB_PREVIEW_COMPLETE = 0,  /* as many as asked for */
    OB_PREVIEW_NO_START = 1,  /* no start statement: runs only when called */
    OB_PREVIEW_SPENT = 2,     /* no start statement can come due again */
    OB_PREVIEW_EXPIRES = 3,   /* -once: leaves the queue after the last time */
    OB_PREVIEW_STOPS = 4,     /* a stop statement holds after the last time */
    OB_PREVIEW_EXPIRED = 5,   /* already expired: leaves at the next tick */
    OB_PREVIEW_NOT_FOUND = 6, /* skipped or suspended whenever it came due */
};

typedef struct OB_FireTime {
    int64_t unixTime; /* the instant, in seconds since 1970-01-01 00:00 UTC */
    char local[20];   /* local wall-clock time, "YYYY-MM-DD HH:MM:SS" */
    char zone[12];    /* the time zone's abbreviation at that instant, or "" */
} OB_FireTime;

typedef struct OB_JobPreview {
    const char* name;         /* the job's name, %-references expanded */
    const char* file;         /* the job file ($FILENAME), or "" */
    uint32_t count;           /* entries in `times` */
    const OB_FireTime* times; /* in order */
    uint32_t end;             /* OB_PREVIEW_* */
    const char* note;         /* the end in words; "" for OB_PREVIEW_COMPLETE */
} OB_JobPreview;

typedef struct OB_Preview {
    uint32_t jobCount; /* entries in `jobs`, in queue order */
    const OB_JobPreview* jobs;
    void* reserved; /* the engine's own */
} OB_Preview;

/* Previews every queued job of a session. `from` is a local time written
 * "YYYY-MM-DD HH:MM:SS" (also "YYYY-MM-DD HH:MM" or "YYYY-MM-DD"), or NULL for
 * now; `count` is 1 to OB_PREVIEW_MAX_COUNT. The jobs' time statements are
 * copied on the engine thread between two of its messages (a caller on another
 * thread waits at most `timeoutMs` for that: OB_WAIT_TIMEOUT while a long action
 * holds the engine thread); the preview itself is then computed on the calling
 * thread, so a long preview never delays the scheduler.
 * OB_INVALID for a bad handle, `from`, `count` or a null `preview`. On OB_OK,
 * `*preview` is released with OB_ReleasePreview. */
OB_EXPORT uint32_t OB_PreviewSchedule(OB_SESSION session, const char* from, uint32_t count,
                                      uint32_t options, uint32_t timeoutMs, OB_Preview** preview);

/* Previews the first queued job named exactly `name` from now on: a preview of one
 * job, whose search runs on the calling thread (only the copy of its statements
 * waits for the engine thread, at most `timeoutMs`). OB_FAILED when no such job is
 * queued; otherwise as OB_PreviewSchedule. */
OB_EXPORT uint32_t OB_PreviewJob(OB_SESSION session, const char* name, uint32_t count,
                                 uint32_t timeoutMs, OB_Preview** preview);

/* Frees a preview (NULL is allowed). */
OB_EXPORT void OB_ReleasePreview(OB_Preview* preview);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_PREVIEW_H */
