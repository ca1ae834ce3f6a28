/* Obrenta's Simple MAPI library (libobmapi.so): sending mail from programs.
 *
 * The functions and structures are those of Simple MAPI, with Windows' ULONG as
 * uint32_t and ULONG_PTR (window handles, session handles) as uintptr_t. There is
 * no user interface: the UI flags and the window parameter are accepted and
 * ignored. Each message is handed to the system's mail program through its
 * `sendmail -t -i` interface, so that whatever mail transfer agent the machine has
 * (msmtp-mta, exim4, postfix) delivers it.
 *
 * Settings live in the settings store under
 *     Software\Varndel Software\Obrenta\MAPI
 * of HKEY_CURRENT_USER, then HKEY_LOCAL_MACHINE (the first that has a value wins):
 *     sendmail          the mail program (default /usr/sbin/sendmail)
 *     sendmail_options  further words for it, separated by blanks (e.g. "-a jobs")
 *     timeout           seconds a message may take to hand over (default 120)
 *     default_profile   the profile of a log-on without a profile name
 * and one subkey per profile, Profiles\NAME, with the values `address` (the
 * sender's address) and `name` (the sender's display name, optional).
 *
 * Every function may be called from any thread. A failure leaves a text that says
 * why (the mail program's own message, say) for OB_MapiLastError on the calling
 * thread; a success clears it.
 */
#ifndef OBRENTA_MAPI_H
#define OBRENTA_MAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the library's exported functions (the library is built with hidden
 * visibility). */
#define OB_MAPI_API __attribute__((visibility("default")))

/* The file name programs load the library by. */
#define OB_MAPI_LIBRARY "libobmapi.so"

typedef uintptr_t LHANDLE;

/* Result codes. */
#define SUCCESS_SUCCESS 0
#define MAPI_USER_ABORT 1
#define MAPI_E_USER_ABORT 1
#define MAPI_E_FAILURE 2
#define MAPI_E_LOGON_FAILURE 3
#define MAPI_E_LOGIN_FAILURE 3
#define MAPI_E_DISK_FULL 4
#define MAPI_E_INSUFFICIENT_MEMORY 5
#define MAPI_E_ACCESS_DENIED 6
#define MAPI_E_TOO_MANY_SESSIONS 8
#define MAPI_E_TOO_MANY_FILES 9
#define MAPI_E_TOO_MANY_RECIPIENTS 10
#define MAPI_E_ATTACHMENT_NOT_FOUND 11
#define MAPI_E_ATTACHMENT_OPEN_FAILURE 12
#define MAPI_E_ATTACHMENT_WRITE_FAILURE 13
#define MAPI_E_UNKNOWN_RECIPIENT 14
#define MAPI_E_BAD_RECIPTYPE 15
#define MAPI_E_NO_MESSAGES 16
#define MAPI_E_INVALID_MESSAGE 17
#define MAPI_E_TEXT_TOO_LARGE 18
#define MAPI_E_INVALID_SESSION 19
#define MAPI_E_TYPE_NOT_SUPPORTED 20
#define MAPI_E_AMBIGUOUS_RECIPIENT 21
#define MAPI_E_MESSAGE_IN_USE 22
#define MAPI_E_NETWORK_FAILURE 23
#define MAPI_E_INVALID_EDITFIELDS 24
#define MAPI_E_INVALID_RECIPS 25
#define MAPI_E_NOT_SUPPORTED 26

/* Recipient classes. */
#define MAPI_ORIG 0
#define MAPI_TO 1
#define MAPI_CC 2
#define MAPI_BCC 3

/* Flags (the UI ones are accepted and have no effect). */
#define MAPI_LOGON_UI 0x00000001u
#define MAPI_NEW_SESSION 0x00000002u
#define MAPI_DIALOG 0x00000008u
#define MAPI_FORCE_DOWNLOAD 0x00001000u
#define MAPI_PASSWORD_UI 0x00020000u

typedef struct {
    uint32_t ulReserved;
    uint32_t flFlags;
    uint32_t nPosition; /* where in the text; (uint32_t)-1: not placed */
    char* lpszPathName; /* the file to attach */
    char* lpszFileName; /* the name the recipient sees; null: the path's last part */
    void* lpFileType;   /* not used */
} MapiFileDesc;

typedef struct {
    uint32_t ulReserved;
    uint32_t ulRecipClass; /* MAPI_TO, MAPI_CC or MAPI_BCC */
    char* lpszName;        /* display name */
    char* lpszAddress;     /* "SMTP:" and the address, or the address alone */
    uint32_t ulEIDSize;
    void* lpEntryID;
} MapiRecipDesc;

typedef struct {
    uint32_t ulReserved;
    char* lpszSubject;
    char* lpszNoteText;
    char* lpszMessageType;
    char* lpszDateReceived;
    char* lpszConversationID;
    uint32_t flFlags;
    MapiRecipDesc* lpOriginator; /* not used: the profile gives the sender */
    uint32_t nRecipCount;
    MapiRecipDesc* lpRecips;
    uint32_t nFileCount;
    MapiFileDesc* lpFiles;
} MapiMessage;

/* Opens a session on a profile (null or "": the default profile; without one, a
 * session whose messages leave the sender to the mail program). The password is
 * not checked: the mail program's own configuration carries any credentials. */
OB_MAPI_API uint32_t MAPILogon(uintptr_t ulUIParam, const char* lpszProfileName,
                               const char* lpszPassword, uint32_t flFlags, uint32_t ulReserved,
                               LHANDLE* lplhSession);
OB_MAPI_API uint32_t MAPILogoff(LHANDLE lhSession, uintptr_t ulUIParam, uint32_t flFlags,
                                uint32_t ulReserved);
/* Sends a message; session 0 logs on to the default profile for this message. A
 * subject or an address holding a line break is refused. */
OB_MAPI_API uint32_t MAPISendMail(LHANDLE lhSession, uintptr_t ulUIParam,
                                  const MapiMessage* lpMessage, uint32_t flFlags,
                                  uint32_t ulReserved);
/* Resolves "address", "SMTP:address" or "Display Name <address>" into a recipient
 * (class MAPI_TO) that MAPIFreeBuffer frees. There is no address book: a name
 * that holds no address is MAPI_E_UNKNOWN_RECIPIENT. */
OB_MAPI_API uint32_t MAPIResolveName(LHANDLE lhSession, uintptr_t ulUIParam, const char* lpszName,
                                     uint32_t flFlags, uint32_t ulReserved,
                                     MapiRecipDesc** lppRecip);
/* Without an address book dialog: resolves the nRecips recipients given (by
 * address, else by name) and returns them, in their classes, as the new list
 * (MAPIFreeBuffer frees it; null when there are none). */
OB_MAPI_API uint32_t MAPIAddress(LHANDLE lhSession, uintptr_t ulUIParam, const char* lpszCaption,
                                 uint32_t nEditFields, const char* lpszLabels, uint32_t nRecips,
                                 const MapiRecipDesc* lpRecips, uint32_t flFlags,
                                 uint32_t ulReserved, uint32_t* lpnNewRecips,
                                 MapiRecipDesc** lppNewRecips);
/* Frees what MAPIResolveName and MAPIAddress returned; MAPI_E_FAILURE for any
 * other pointer (which is left alone). */
OB_MAPI_API uint32_t MAPIFreeBuffer(void* pv);

/* Profile administration, for the installer and administrators. `flags`
 * OB_MAPI_USER works on HKEY_CURRENT_USER instead of HKEY_LOCAL_MACHINE;
 * OB_MAPI_SET_DEFAULT also makes the new profile the default. Results:
 * SUCCESS_SUCCESS; MAPI_E_LOGON_FAILURE for an unknown profile or a name that
 * cannot be one (empty, with a back slash or a control character, longer than
 * 64); MAPI_E_INVALID_RECIPS for a sender address that is not one;
 * MAPI_E_ACCESS_DENIED when the settings store is not writable; MAPI_E_FAILURE
 * for other store failures. Creating an existing profile replaces its values. */
#define OB_MAPI_USER 0x1u
#define OB_MAPI_SET_DEFAULT 0x2u
OB_MAPI_API uint32_t OB_MapiCreateProfile(const char* name, const char* address,
                                          const char* displayName, uint32_t flags);
OB_MAPI_API uint32_t OB_MapiSetDefaultProfile(const char* name, uint32_t flags);
/* Deleting the default profile also clears the default. */
OB_MAPI_API uint32_t OB_MapiDeleteProfile(const char* name, uint32_t flags);

/* The name of the default profile (user store first, then machine store), copied
 * into buffer (zero-terminated, cut to fit; buffer may be null when size is 0);
 * *length gets the name's full length. MAPI_E_LOGON_FAILURE when no default is set
 * or the default names a profile that does not exist. */
OB_MAPI_API uint32_t OB_MapiGetDefaultProfile(char* buffer, uint32_t size, uint32_t* length);

/* Copies the calling thread's text of why the last call failed ("" after a
 * success) into buffer (zero-terminated, cut to fit); returns the text's full
 * length. */
OB_MAPI_API uint32_t OB_MapiLastError(char* buffer, uint32_t size);

/* Function types, for programs that load the library at run time. */
typedef uint32_t (*LPMAPILOGON)(uintptr_t, const char*, const char*, uint32_t, uint32_t, LHANDLE*);
typedef uint32_t (*LPMAPILOGOFF)(LHANDLE, uintptr_t, uint32_t, uint32_t);
typedef uint32_t (*LPMAPISENDMAIL)(LHANDLE, uintptr_t, const MapiMessage*, uint32_t, uint32_t);
typedef uint32_t (*LPMAPIRESOLVENAME)(LHANDLE, uintptr_t, const char*, uint32_t, uint32_t,
                                      MapiRecipDesc**);
typedef uint32_t (*LPMAPIADDRESS)(LHANDLE, uintptr_t, const char*, uint32_t, const char*, uint32_t,
                                  const MapiRecipDesc*, uint32_t, uint32_t, uint32_t*,
                                  MapiRecipDesc**);
typedef uint32_t (*LPMAPIFREEBUFFER)(void*);
typedef uint32_t (*LPOBMAPILASTERROR)(char*, uint32_t);
typedef uint32_t (*LPOBMAPIGETDEFAULTPROFILE)(char*, uint32_t, uint32_t*);

#ifdef __cplusplus
}
#endif

#endif /* OBRENTA_MAPI_H */
