// The library's exported functions: each checks its arguments, does its work
// through the pieces beside it, and turns every failure, exceptions included, into
// a result code (no exception leaves the library).
#include "mapi/mail_address.h"
#include "mapi/mail_settings.h"
#include "mapi/mapi_result.h"
#include "mapi/mapi_sessions.h"
#include "mapi/mime_message.h"
#include "mapi/outgoing_message.h"
#include "mapi/recipient_buffers.h"
#include "mapi/sendmail_submission.h"
#include "obrenta/mapi.h"

#include <cstring>
#include <new>

namespace ob::mapi {
namespace {

/// Runs `work` and reports its result; exceptions become failures.
template <typename Work> std::uint32_t Guarded(Work&& work) noexcept {
    try {
        return Report(work());
    } catch (const std::bad_alloc&) {
        return Report(Failure(MAPI_E_INSUFFICIENT_MEMORY, "Memory ran out."));
    } catch (const std::exception& error) {
        return Report(Failure(MAPI_E_FAILURE, error.what()));
    } catch (...) {
        return Report(Failure(MAPI_E_FAILURE, "An unexpected error occurred."));
    }
}

std::string_view OrEmpty(const char* text) {
    return text == nullptr ? std::string_view() : std::string_view(text);
}

/// The profile of a session handle; 0 stands for a log-on to the default profile.
MapiResult SessionProfile(LHANDLE session, Profile& profile) {
    if (session == 0) {
        return ReadProfile("", profile);
    }
    auto found = Sessions().Find(session);
    if (!found) {
        return Failure(MAPI_E_INVALID_SESSION,
                       "The mail session " + std::to_string(session) + " is not open.");
    }
    profile = std::move(*found);
    return Success();
}

MapiResult CheckSession(LHANDLE session) {
    if (session != 0 && !Sessions().Find(session)) {
        return Failure(MAPI_E_INVALID_SESSION,
                       "The mail session " + std::to_string(session) + " is not open.");
    }
    return Success();
}

} // namespace
} // namespace ob::mapi

using namespace ob::mapi;

extern "C" {

OB_MAPI_API uint32_t MAPILogon(uintptr_t /*ulUIParam*/, const char* lpszProfileName,
                               const char* /*lpszPassword*/, uint32_t /*flFlags*/,
                               uint32_t /*ulReserved*/, LHANDLE* lplhSession) {
    return Guarded([&] {
        if (lplhSession == nullptr) {
            return Failure(MAPI_E_FAILURE, "No place for the session handle was given.");
        }
        *lplhSession = 0;
        Profile profile;
        if (MapiResult read = ReadProfile(OrEmpty(lpszProfileName), profile); !read.Ok()) {
            return read;
        }
        return Sessions().Open(std::move(profile), *lplhSession);
    });
}

OB_MAPI_API uint32_t MAPILogoff(LHANDLE lhSession, uintptr_t /*ulUIParam*/, uint32_t /*flFlags*/,
                                uint32_t /*ulReserved*/) {
    return Guarded([&] {
        if (!Sessions().Close(lhSession)) {
            return Failure(MAPI_E_INVALID_SESSION,
                           "The mail session " + std::to_string(lhSession) + " is not open.");
        }
        return Success();
    });
}

OB_MAPI_API uint32_t MAPISendMail(LHANDLE lhSession, uintptr_t /*ulUIParam*/,
                                  const MapiMessage* lpMessage, uint32_t /*flFlags*/,
                                  uint32_t /*ulReserved*/) {
    return Guarded([&] {
        if (lpMessage == nullptr) {
            return Failure(MAPI_E_FAILURE, "No message was given.");
        }
        Profile sender;
        if (MapiResult session = SessionProfile(lhSession, sender); !session.Ok()) {
            return session;
        }
        OutgoingMessage message;
        if (MapiResult prepared = PrepareMessage(*lpMessage, sender, message); !prepared.Ok()) {
            return prepared;
        }
        return Submit(message, NewFrame(), ReadSendmailSettings());
    });
}

OB_MAPI_API uint32_t MAPIResolveName(LHANDLE lhSession, uintptr_t /*ulUIParam*/,
                                     const char* lpszName, uint32_t /*flFlags*/,
                                     uint32_t /*ulReserved*/, MapiRecipDesc** lppRecip) {
    return Guarded([&] {
        if (lppRecip == nullptr) {
            return Failure(MAPI_E_FAILURE, "No place for the recipient was given.");
        }
        *lppRecip = nullptr;
        if (MapiResult session = CheckSession(lhSession); !session.Ok()) {
            return session;
        }
        const AddressParse parsed = ParseMailbox(OrEmpty(lpszName));
        if (!parsed.ok) {
            return Failure(MAPI_E_UNKNOWN_RECIPIENT,
                           "No address is known for \"" + Printable(OrEmpty(lpszName)) + "\".");
        }
        Recipient recipient{MAPI_TO, parsed.name.empty() ? parsed.address : parsed.name,
                            parsed.address};
        *lppRecip = AllocateRecipients({recipient});
        return *lppRecip != nullptr ? Success()
                                    : Failure(MAPI_E_INSUFFICIENT_MEMORY, "Memory ran out.");
    });
}

OB_MAPI_API uint32_t MAPIAddress(LHANDLE lhSession, uintptr_t /*ulUIParam*/,
                                 const char* /*lpszCaption*/, uint32_t nEditFields,
                                 const char* /*lpszLabels*/, uint32_t nRecips,
                                 const MapiRecipDesc* lpRecips, uint32_t /*flFlags*/,
                                 uint32_t /*ulReserved*/, uint32_t* lpnNewRecips,
                                 MapiRecipDesc** lppNewRecips) {
    return Guarded([&] {
        if (lpnNewRecips == nullptr || lppNewRecips == nullptr) {
            return Failure(MAPI_E_FAILURE, "No place for the recipients was given.");
        }
        *lpnNewRecips = 0;
        *lppNewRecips = nullptr;
        if (nEditFields > 4) {
            return Failure(MAPI_E_INVALID_EDITFIELDS, "At most 4 edit fields can be asked for.");
        }
        if (MapiResult session = CheckSession(lhSession); !session.Ok()) {
            return session;
        }
        if (nRecips > 0 && lpRecips == nullptr) {
            return Failure(MAPI_E_INVALID_RECIPS, "The recipients are missing.");
        }
        if (nRecips > kMaxRecipients) {
            return Failure(MAPI_E_TOO_MANY_RECIPIENTS, "At most " + std::to_string(kMaxRecipients) +
                                                           " recipients can be resolved at once.");
        }
        std::vector<Recipient> resolved(nRecips);
        for (uint32_t i = 0; i < nRecips; ++i) {
            if (MapiResult one = ResolveRecipient(lpRecips[i], true, resolved[i]); !one.Ok()) {
                return one;
            }
            if (resolved[i].name.empty()) {
                resolved[i].name = resolved[i].address;
            }
        }
        if (nRecips == 0) {
            return Success();
        }
        *lppNewRecips = AllocateRecipients(resolved);
        if (*lppNewRecips == nullptr) {
            return Failure(MAPI_E_INSUFFICIENT_MEMORY, "Memory ran out.");
        }
        *lpnNewRecips = nRecips;
        return Success();
    });
}

OB_MAPI_API uint32_t MAPIFreeBuffer(void* pv) {
    return Guarded([&] {
        return FreeRecipients(pv)
                   ? Success()
                   : Failure(MAPI_E_FAILURE, "The buffer was not handed out by this library.");
    });
}

OB_MAPI_API uint32_t OB_MapiCreateProfile(const char* name, const char* address,
                                          const char* displayName, uint32_t flags) {
    return Guarded([&] {
        Profile profile{std::string(OrEmpty(name)), std::string(OrEmpty(address)),
                        std::string(OrEmpty(displayName))};
        return WriteProfile(profile, (flags & OB_MAPI_USER) != 0,
                            (flags & OB_MAPI_SET_DEFAULT) != 0);
    });
}

OB_MAPI_API uint32_t OB_MapiSetDefaultProfile(const char* name, uint32_t flags) {
    return Guarded([&] { return SetDefaultProfile(OrEmpty(name), (flags & OB_MAPI_USER) != 0); });
}

OB_MAPI_API uint32_t OB_MapiDeleteProfile(const char* name, uint32_t flags) {
    return Guarded([&] { return DeleteProfile(OrEmpty(name), (flags & OB_MAPI_USER) != 0); });
}

OB_MAPI_API uint32_t OB_MapiGetDefaultProfile(char* buffer, uint32_t size, uint32_t* length) {
    return Guarded([&] {
        if (length == nullptr || (buffer == nullptr && size != 0)) {
            return Failure(MAPI_E_FAILURE, "The buffer or its length is missing.");
        }
        Profile profile;
        if (MapiResult found = ReadProfile("", profile); !found.Ok()) {
            return found;
        }
        if (profile.name.empty()) {
            return Failure(MAPI_E_LOGON_FAILURE, "No default profile is set.");
        }
        *length = static_cast<uint32_t>(profile.name.size());
        if (size > 0) {
            const std::size_t copied = std::min<std::size_t>(profile.name.size(), size - 1);
            std::memcpy(buffer, profile.name.data(), copied);
            buffer[copied] = '\0';
        }
        return Success();
    });
}

OB_MAPI_API uint32_t OB_MapiLastError(char* buffer, uint32_t size) {
    const std::string& text = LastErrorText();
    if (buffer != nullptr && size > 0) {
        const std::size_t copied = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

} // extern "C"
