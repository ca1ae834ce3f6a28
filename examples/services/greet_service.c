/* greet_service.c: a small loadable service module, written in plain C.
 *
 * Once registered (see README.md beside this file) a job script loads it with
 *     -action -load -service greet
 * and calls it as "-greet SUBCOMMAND arguments...":
 *     -greet GREET.VERSION                  sets GREET.VERSION to the version text
 *     -greet Hello RESULT NAME              sets RESULT to "Hello, NAME!"
 *     -greet Repeat RESULT TEXT COUNT       sets RESULT to TEXT repeated COUNT times
 *                                           (COUNT from 0 to 100)
 * Sub-commands compare without regard to case. Failures set JR.LAST_ERROR through
 * OB_GeneralError and return OB_SVC_FAILED, so the job's -onerror handler sees them.
 */
#include "obrenta/obrenta.h"
#include "obrenta/service.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

enum { MAX_REPEAT = 100 };

static int word_count(const char* const* words) {
    int count = 0;
    while (words[count] != NULL) {
        ++count;
    }
    return count;
}

static int32_t hello(const char* const* words, int count) {
    if (count < 4) {
        return OB_SVC_TOO_FEW;
    }
    const size_t length = strlen(words[3]) + sizeof "Hello, !";
    char* text = malloc(length);
    if (text == NULL) {
        OB_GeneralError("greet: out of memory.");
        return OB_SVC_FAILED;
    }
    strcpy(text, "Hello, ");
    strcat(text, words[3]);
    strcat(text, "!");
    OB_PutEnv(NULL, words[2], text, ENV_TRANSIENT);
    free(text);
    return OB_SVC_OK;
}

static int32_t repeat(const char* const* words, int count) {
    if (count < 5) {
        return OB_SVC_TOO_FEW;
    }
    char* end = NULL;
    const long times = strtol(words[4], &end, 10);
    if (end == words[4] || *end != '\0' || times < 0 || times > MAX_REPEAT) {
        OB_GeneralError("greet: the count must be a number from 0 to 100.");
        return OB_SVC_FAILED;
    }
    const size_t piece = strlen(words[3]);
    char* text = malloc(piece * (size_t)times + 1);
    if (text == NULL) {
        OB_GeneralError("greet: out of memory.");
        return OB_SVC_FAILED;
    }
    text[0] = '\0';
    for (long i = 0; i < times; ++i) {
        memcpy(text + piece * (size_t)i, words[3], piece + 1);
    }
    /* An empty result removes the variable, as every service result does. */
    OB_PutEnv(NULL, words[2], text, ENV_TRANSIENT);
    free(text);
    return OB_SVC_OK;
}

OB_SERVICE_EXPORT int32_t service_main(const char* const* words) {
    if (words == NULL || words[0] == NULL) {
        return OB_SVC_BAD_FORMAT;
    }
    const int count = word_count(words);
    if (count < 2) {
        return OB_SVC_BAD_FORMAT;
    }
    const char* sub = words[1];
    if (strcasecmp(sub, "GREET.VERSION") == 0) {
        OB_PutEnv(NULL, "GREET.VERSION", "Obrenta GREET example version 1.0", ENV_TRANSIENT);
        return OB_SVC_OK;
    }
    if (strcasecmp(sub, "Hello") == 0) {
        return hello(words, count);
    }
    if (strcasecmp(sub, "Repeat") == 0) {
        return repeat(words, count);
    }
    return OB_SVC_UNKNOWN;
}
