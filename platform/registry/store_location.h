// Where each settings database lives and whether this process may write it.
// The directories come from the process environment (ob::env), read on every
// call, so that tests can point the stores elsewhere. Any thread.
#pragma once

#include "platform/registry/registry.h"

#include <string>

namespace ob::registry::detail {

/// The two database files; HKEY_CLASSES_ROOT lives in the machine one.
enum class Store { Machine, User };

Store StoreOf(Root root);

/// $OBRENTA_MACHINE_DIR/registry.db (default /var/lib/obrenta), or
/// $OBRENTA_USER_DIR/registry.db (default $XDG_CONFIG_HOME/obrenta, else
/// ~/.config/obrenta). Empty when no home directory can be found for the user store.
std::string DatabaseFile(Store store);

/// True when OBRENTA_MACHINE_READONLY is "1": the machine store is then treated
/// as read-only whatever the file permissions say.
bool MachineMarkedReadOnly();

/// True when the process (its file-system identity) could write the database:
/// the file and its directory are writable (the rollback journal is created next
/// to the file), or, when the file does not exist yet, the nearest existing
/// ancestor directory is.
bool DatabaseFileWritable(const std::string& file);

} // namespace ob::registry::detail
