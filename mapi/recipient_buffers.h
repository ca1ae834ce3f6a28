// The recipient arrays MAPIResolveName and MAPIAddress hand out: each one block
// (the MapiRecipDesc records followed by their strings) that MAPIFreeBuffer gives
// back. Blocks are remembered, so that freeing anything else is refused instead of
// corrupting memory. Any thread.
#pragma once

#include "mapi/mime_message.h"
#include "obrenta/mapi.h"

#include <vector>

namespace ob::mapi {

/// A block holding `recipients` (names, "SMTP:" addresses and classes); null when
/// memory runs out.
MapiRecipDesc* AllocateRecipients(const std::vector<Recipient>& recipients);

/// Frees a block of AllocateRecipients; false for any other pointer.
bool FreeRecipients(void* block);

} // namespace ob::mapi
