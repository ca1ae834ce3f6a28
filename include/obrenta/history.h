/* Obrenta engine library: the run history.
 *
 * A host enables the history of a session with OB_EnableHistory; from then on
 * every run the scheduler starts is recorded in an SQLite file (by default
 * history.db in the machine settings folder, $OBRENTA_MACHINE_DIR), written on a
 * thread of its own so that a slow disk never holds up the scheduler. Runs older
 * than the persistent variable history_days (section "History", default 30) and
 * the oldest beyond history_runs (default 100000) are dropped; 0 keeps all.
 *
 * Any program may read a history file with OB_ReadHistory, also while engines
 * write to it, and without a session.
 */
#ifndef OBRENTA_HISTORY_H
#define OBRENTA_HISTORY_H

#include "obrenta/obrenta.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What went wrong in a run (OB_HistoryRun.failure). */
enum {
    OB_FAILURE_NONE = 0,  /* no statement failed */
    OB_FAILURE_SOFT = 1,  /* a statement failed; $ONERROR decided what followed */
    OB_FAILURE_FATAL = 2, /* a statement failed fatally; $RUNTIME decided */
};

/* Forms of OB_FormatHistory. */
enum {
    OB_HISTORY_TABLE = 0, /* a table for people, lines ended by "\n" */
    OB_HISTORY_JSON = 1,  /* a JSON array, one object per run */
};

/* Which runs OB_ReadHistory returns. Zeroed, it asks for every run. */
typedef struct OB_HistoryQuery {
    const char* jobPattern; /* regular expression matched anywhere in the job name,
                               as the console's list; NULL or "": every job */
    int64_t sinceMs;        /* runs started at or after this Unix time (ms); 0: all */
    uint32_t failedOnly;    /* 1: runs in which a statement failed, or that aborted */
    uint32_t limit;         /* the newest `limit` runs; 0: all */
} OB_HistoryQuery;

typedef struct OB_HistoryRun {
    int64_t id;                  /* increases with every run recorded */
    const char* job;             /* the job's name */
    const char* file;            /* its job file, or "" */
    int64_t startMs;             /* Unix time of the start, in milliseconds */
    int64_t endMs;               /* Unix time of the end */
    uint32_t result;             /* run result: 0 continue, 1 break, 2 stop, 3 abort,
                                    4 the job left the queue while it ran */
    const char* control;         /* the result as a word: "continue" ... "deleted" */
    uint32_t failure;            /* OB_FAILURE_*: the statement that failed last */
    const char* failedJob;       /* the job that statement belongs to */
    uint32_t failedLine;         /* its line in the job file */
    const char* failedStatement; /* its text */
    const char* message;         /* the failure's message */
    uint32_t outputLines;        /* output lines printed while it ran */
} OB_HistoryRun;

typedef struct OB_History {
    uint32_t count; /* entries in `runs`, oldest first */
    const OB_HistoryRun* runs;
    const char* problem; /* why the file could not be read, or "" */
    void* reserved;      /* the engine's own */
} OB_History;

/* Starts recording the session's runs in `path` (NULL: history.db in the machine
 * settings folder). A damaged file is moved aside to NAME.damaged-DATE and a new
 * one started; problems are printed as output lines at the next tick. OB_BUSY
 * when the session records already. */
OB_EXPORT uint32_t OB_EnableHistory(OB_SESSION session, const char* path);

/* Reads the runs of a history file (NULL: the default file) that `query` selects
 * (NULL: every run). A file that does not exist holds no runs. OB_OK, or
 * OB_FAILED with `problem` set when the file cannot be read or is damaged; in
 * both cases `*history` is to be released with OB_ReleaseHistory. OB_INVALID for
 * a null `history` or a pattern that does not compile. */
OB_EXPORT uint32_t OB_ReadHistory(const char* path, const OB_HistoryQuery* query,
                                  OB_History** history);

/* The runs as text in an OB_HISTORY_* form; give it back with OB_ReleaseEnvString.
 * NULL for a null history or an unknown form. */
OB_EXPORT char* OB_FormatHistory(const OB_History* history, uint32_t form);

/* Frees what OB_ReadHistory returned (NULL is allowed). */
OB_EXPORT void OB_ReleaseHistory(OB_History* history);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_HISTORY_H */
