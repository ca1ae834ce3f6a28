// The keys and values of one settings database, as SQL over two tables:
//   reg_keys(id, parent, name)                 the root key is id 0 (no row)
//   reg_values(id, key_id, name, type, data)   enumerated in creation order
// Names use SQLite's NOCASE collation, which folds ASCII letters only, and keep
// the spelling they were created with.
//
// A tree over no connection (null) is an absent database: only the root key
// exists and it is empty. Calls throw SqliteError; the store database runs them
// inside its transactions.
#pragma once

#include "platform/sqlite/sqlite_connection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ob::registry::detail {

using sqlite::SqliteConnection;
using sqlite::SqliteError;
using sqlite::Statement;

inline constexpr std::int64_t kRootKeyId = 0;

/// A key found in the tree: its id and the stored spelling of every name of its
/// path.
struct FoundKey {
    std::int64_t id = kRootKeyId;
    std::vector<std::string> names;
};

struct StoredValue {
    std::uint32_t type = 0;
    std::string data;
};

class KeyTree {
public:
    explicit KeyTree(SqliteConnection* connection) : db_(connection) {}

    /// False for the empty tree of an absent (or unreadable) database.
    bool Present() const { return db_ != nullptr; }

    /// True when the database holds the tables (a new or foreign file may not).
    bool HasSchema();
    /// Creates the tables when missing. Needs a write transaction.
    void CreateSchema();

    std::optional<FoundKey> Find(const std::vector<std::string>& names);
    /// Finds the key, creating it and any missing parents.
    FoundKey FindOrCreate(const std::vector<std::string>& names);

    std::optional<StoredValue> QueryValue(std::int64_t key, std::string_view name);
    void SetValue(std::int64_t key, std::string_view name, std::uint32_t type,
                  std::string_view data);
    /// False when there was no such value.
    bool DeleteValue(std::int64_t key, std::string_view name);
    /// Deletes the key with all its values and everything below it.
    void DeleteTree(std::int64_t key);

    std::vector<std::string> ValueNames(std::int64_t key);
    std::vector<std::string> SubKeyNames(std::int64_t key);

private:
    std::optional<FoundKey> Walk(const std::vector<std::string>& names, bool create);

    SqliteConnection* db_;
};

} // namespace ob::registry::detail
