#include "platform/registry/key_tree.h"

namespace ob::registry::detail {
namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys (
    id     INTEGER PRIMARY KEY,
    parent INTEGER NOT NULL,
    name   TEXT NOT NULL COLLATE NOCASE,
    UNIQUE (parent, name)
);
CREATE TABLE IF NOT EXISTS reg_values (
    id     INTEGER PRIMARY KEY,
    key_id INTEGER NOT NULL,
    name   TEXT NOT NULL COLLATE NOCASE,
    type   INTEGER NOT NULL,
    data   TEXT NOT NULL,
    UNIQUE (key_id, name)
);
PRAGMA user_version = 1;
)sql";

// Deleting a key and everything below it: the subtree's ids by a recursive query.
constexpr const char* kDeleteSubtreeValues =
    "WITH RECURSIVE subtree(id) AS (SELECT ?1 UNION ALL "
    "SELECT k.id FROM reg_keys k JOIN subtree s ON k.parent = s.id) "
    "DELETE FROM reg_values WHERE key_id IN subtree";
constexpr const char* kDeleteSubtreeKeys =
    "WITH RECURSIVE subtree(id) AS (SELECT ?1 UNION ALL "
    "SELECT k.id FROM reg_keys k JOIN subtree s ON k.parent = s.id) "
    "DELETE FROM reg_keys WHERE id IN subtree";

} // namespace

bool KeyTree::HasSchema() {
    if (db_ == nullptr) {
        return false;
    }
    Statement count = db_->Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                   "AND name IN ('reg_keys', 'reg_values')");
    return count.Step() && count.Int(0) == 2;
}

void KeyTree::CreateSchema() {
    db_->Exec(kSchema);
}

std::optional<FoundKey> KeyTree::Find(const std::vector<std::string>& names) {
    return Walk(names, false);
}

FoundKey KeyTree::FindOrCreate(const std::vector<std::string>& names) {
    return *Walk(names, true);
}

std::optional<FoundKey> KeyTree::Walk(const std::vector<std::string>& names, bool create) {
    FoundKey key;
    if (names.empty()) {
        return key;
    }
    if (db_ == nullptr) {
        return std::nullopt;
    }
    key.names.reserve(names.size());
    for (const std::string& name : names) {
        bool found = false;
        {
            Statement child =
                db_->Prepare("SELECT id, name FROM reg_keys WHERE parent = ?1 AND name = ?2");
            child.Bind(1, key.id).Bind(2, name);
            if (child.Step()) {
                key.id = child.Int(0);
                key.names.push_back(child.Text(1));
                found = true;
            }
        }
        if (!found) {
            if (!create) {
                return std::nullopt;
            }
            Statement insert = db_->Prepare("INSERT INTO reg_keys (parent, name) VALUES (?1, ?2)");
            insert.Bind(1, key.id).Bind(2, name);
            insert.Step();
            key.id = db_->LastInsertId();
            key.names.push_back(name);
        }
    }
    return key;
}

std::optional<StoredValue> KeyTree::QueryValue(std::int64_t key, std::string_view name) {
    if (db_ == nullptr) {
        return std::nullopt;
    }
    Statement query =
        db_->Prepare("SELECT type, data FROM reg_values WHERE key_id = ?1 AND name = ?2");
    query.Bind(1, key).Bind(2, name);
    if (!query.Step()) {
        return std::nullopt;
    }
    return StoredValue{static_cast<std::uint32_t>(query.Int(0)), query.Text(1)};
}

void KeyTree::SetValue(std::int64_t key, std::string_view name, std::uint32_t type,
                       std::string_view data) {
    // An existing value keeps its position and the spelling of its name.
    Statement upsert = db_->Prepare(
        "INSERT INTO reg_values (key_id, name, type, data) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (key_id, name) DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.Bind(1, key).Bind(2, name).Bind(3, static_cast<std::int64_t>(type)).Bind(4, data);
    upsert.Step();
}

bool KeyTree::DeleteValue(std::int64_t key, std::string_view name) {
    Statement erase = db_->Prepare("DELETE FROM reg_values WHERE key_id = ?1 AND name = ?2");
    erase.Bind(1, key).Bind(2, name);
    erase.Step();
    return db_->Changes() > 0;
}

void KeyTree::DeleteTree(std::int64_t key) {
    {
        Statement values = db_->Prepare(kDeleteSubtreeValues);
        values.Bind(1, key);
        values.Step();
    }
    Statement keys = db_->Prepare(kDeleteSubtreeKeys);
    keys.Bind(1, key);
    keys.Step();
}

std::vector<std::string> KeyTree::ValueNames(std::int64_t key) {
    std::vector<std::string> names;
    if (db_ == nullptr) {
        return names;
    }
    Statement list = db_->Prepare("SELECT name FROM reg_values WHERE key_id = ?1 ORDER BY id");
    list.Bind(1, key);
    while (list.Step()) {
        names.push_back(list.Text(0));
    }
    return names;
}

std::vector<std::string> KeyTree::SubKeyNames(std::int64_t key) {
    std::vector<std::string> names;
    if (db_ == nullptr) {
        return names;
    }
    Statement list = db_->Prepare("SELECT name FROM reg_keys WHERE parent = ?1 ORDER BY name");
    list.Bind(1, key);
    while (list.Step()) {
        names.push_back(list.Text(0));
    }
    return names;
}

} // namespace ob::registry::detail
