/* A stand-in for the Simple MAPI library: MAPILogon opens session 7 (or returns
 * the code set for it), MAPISendMail returns the code set for it, and both record
 * what they were given, for the -mail service's tests. Built a second time
 * without MAPIAddress (FAKE_MAPI_WITHOUT_ADDRESS). */
#include "obrenta/mapi.h"

#include <stdio.h>
#include <string.h>

static uint32_t logonResult = SUCCESS_SUCCESS;
static uint32_t sendResult = SUCCESS_SUCCESS;
static char record[4096];

static void Note(const char* text) {
    strncat(record, text, sizeof record - strlen(record) - 1);
}

OB_MAPI_API void FakeMapiSetResults(uint32_t logon, uint32_t send) {
    logonResult = logon;
    sendResult = send;
    record[0] = '\0';
}

OB_MAPI_API const char* FakeMapiRecord(void) {
    return record;
}

OB_MAPI_API uint32_t MAPILogon(uintptr_t ui, const char* profile, const char* password,
                               uint32_t flags, uint32_t reserved, LHANDLE* session) {
    char line[512];
    snprintf(line, sizeof line, "logon ui=%lu profile=%s password=%s flags=%u reserved=%u\n",
             (unsigned long)ui, profile ? profile : "(null)", password ? password : "(null)", flags,
             reserved);
    Note(line);
    *session = logonResult == SUCCESS_SUCCESS ? 7 : 0;
    return logonResult;
}

OB_MAPI_API uint32_t MAPILogoff(LHANDLE session, uintptr_t ui, uint32_t flags, uint32_t reserved) {
    char line[128];
    snprintf(line, sizeof line, "logoff session=%lu ui=%lu flags=%u reserved=%u\n",
             (unsigned long)session, (unsigned long)ui, flags, reserved);
    Note(line);
    return SUCCESS_SUCCESS;
}

OB_MAPI_API uint32_t MAPISendMail(LHANDLE session, uintptr_t ui, const MapiMessage* message,
                                  uint32_t flags, uint32_t reserved) {
    char line[1024];
    snprintf(line, sizeof line, "send session=%lu ui=%lu flags=%u reserved=%u subject=%s body=%s\n",
             (unsigned long)session, (unsigned long)ui, flags, reserved, message->lpszSubject,
             message->lpszNoteText);
    Note(line);
    for (uint32_t i = 0; i < message->nRecipCount; ++i) {
        const MapiRecipDesc* r = &message->lpRecips[i];
        snprintf(line, sizeof line, "recipient class=%u name=%s address=%s\n", r->ulRecipClass,
                 r->lpszName, r->lpszAddress);
        Note(line);
    }
    for (uint32_t i = 0; i < message->nFileCount; ++i) {
        const MapiFileDesc* f = &message->lpFiles[i];
        snprintf(line, sizeof line, "file position=%d path=%s name=%s type=%s\n", (int)f->nPosition,
                 f->lpszPathName, f->lpszFileName ? f->lpszFileName : "(null)",
                 f->lpFileType ? "set" : "(null)");
        Note(line);
    }
    return sendResult;
}

OB_MAPI_API uint32_t MAPIResolveName(LHANDLE session, uintptr_t ui, const char* name,
                                     uint32_t flags, uint32_t reserved, MapiRecipDesc** recip) {
    (void)session, (void)ui, (void)name, (void)flags, (void)reserved, (void)recip;
    Note("resolve\n");
    return MAPI_E_NOT_SUPPORTED;
}

#ifndef FAKE_MAPI_WITHOUT_ADDRESS
OB_MAPI_API uint32_t MAPIAddress(LHANDLE session, uintptr_t ui, const char* caption,
                                 uint32_t editFields, const char* labels, uint32_t nRecips,
                                 const MapiRecipDesc* recips, uint32_t flags, uint32_t reserved,
                                 uint32_t* nNew, MapiRecipDesc** newRecips) {
    (void)session, (void)ui, (void)caption, (void)editFields, (void)labels, (void)nRecips;
    (void)recips, (void)flags, (void)reserved, (void)nNew, (void)newRecips;
    Note("address\n");
    return MAPI_E_NOT_SUPPORTED;
}
#endif
