/* Obrenta engine library: the job queue seen from another thread.
 *
 * What the console shows and does, for hosts that present the queue themselves
 * (the web dashboard of `obrenta run --web`): a copy of every queued job with its
 * statements and run statistics, the removal of jobs by name, and the tail of the
 * session's output log. Any thread may call these. The queue is read and changed on
 * the engine thread between two of its messages; a caller on another thread waits
 * at most `timeoutMs` for it and gets OB_WAIT_TIMEOUT when a long action holds the
 * engine thread that long, in which case nothing was read or changed.
 */
#ifndef OBRENTA_JOBS_H
#define OBRENTA_JOBS_H

#include "obrenta/obrenta.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Statement kinds (OB_JobStatement.kind). */
enum {
    OB_STATEMENT_START = 0,
    OB_STATEMENT_STOP = 1,
    OB_STATEMENT_ACTION = 2,
    OB_STATEMENT_SKIP = 3,
    OB_STATEMENT_SUSPEND = 5,
    OB_STATEMENT_RESUME = 6,
    OB_STATEMENT_MATCH = 7,
};

/* Job states (OB_JobInfo.state bits). */
enum {
    OB_JOB_RUNNING = 1, /* its actions are executing */
    OB_JOB_EXPIRED = 2, /* it leaves the queue at the scheduler's next visit */
    OB_JOB_INTERNAL = 4,
};

typedef struct OB_JobStatement {
    uint32_t kind;    /* OB_STATEMENT_* */
    uint32_t line;    /* its line, counted from 1 after the previous block of its file */
    const char* text; /* its arguments as loaded, without the leading keyword */
} OB_JobStatement;

typedef struct OB_JobInfo {
    const char* name;      /* $NAME, %-references expanded ("unnamed" without one) */
    const char* file;      /* the job file ($FILENAME), or "" */
    uint32_t state;        /* OB_JOB_* bits */
    const char* created;   /* local time "YYYY-MM-DD HH:MM:SS" */
    const char* lastStart; /* when its start statement last fired, or "" (never, or none) */
    const char* nextStart; /* when the scheduler fires it next (the schedule preview's
                              first time, as the console's list -t), or "" when never */
    uint32_t timesCalled;
    uint32_t totalRunMs;
    uint32_t statementCount;
    const OB_JobStatement* statements; /* in order */
} OB_JobInfo;

typedef struct OB_JobList {
    uint32_t count; /* entries in `jobs`, in queue order */
    const OB_JobInfo* jobs;
    void* reserved; /* the engine's own */
} OB_JobList;

typedef struct OB_LogLines {
    uint32_t count;     /* entries in `lines`, oldest first */
    const char** lines; /* each cut to its first 80 characters, as the console shows */
    void* reserved;     /* the engine's own */
} OB_LogLines;

/* Copies every queued job with a name that `pattern` (a regular expression in the
 * console's syntax, matched anywhere in the name; NULL or "" for every job) matches.
 * The console's `list` leaves out the same unnamed jobs, but this list keeps expired
 * jobs with OB_JOB_EXPIRED set. Each listed job's next run is previewed on the calling
 * thread after the copy (about 0.1 ms a job). On OB_OK, `*list` is released with
 * OB_ReleaseJobList. OB_INVALID for a bad handle, a null `list` or a pattern that does
 * not compile. */
OB_EXPORT uint32_t OB_ListJobs(OB_SESSION session, const char* pattern, uint32_t timeoutMs,
                               OB_JobList** list);

/* Frees a job list (NULL is allowed). */
OB_EXPORT void OB_ReleaseJobList(OB_JobList* list);

/* Removes every queued job whose expanded name is exactly `name`, as the console's
 * `kill` removes the jobs its pattern matches: a job whose actions are executing is
 * marked expired and leaves when its run ends. `*killed` (may be NULL) receives the
 * number of jobs removed or marked. OB_INVALID for a bad handle or an empty or null
 * name. */
OB_EXPORT uint32_t OB_KillJob(OB_SESSION session, const char* name, uint32_t timeoutMs,
                              uint32_t* killed);

/* Copies the newest `tail` lines of the session's output log (at most the 5000 it
 * keeps). It does not wait for the engine thread: the copy is made under the
 * session lock, which only OB_Lock holds for long. On OB_OK, `*lines` is released
 * with OB_ReleaseLogLines. OB_INVALID for a bad handle or a null `lines`. */
OB_EXPORT uint32_t OB_ReadLog(OB_SESSION session, uint32_t tail, OB_LogLines** lines);

/* Frees log lines (NULL is allowed). */
OB_EXPORT void OB_ReleaseLogLines(OB_LogLines* lines);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_JOBS_H */
