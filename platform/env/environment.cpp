#include "platform/env/environment.h"
#include "platform/text/ascii_case.h"

#include <cstddef>
#include <list>
#include <new>
#include <unordered_map>

extern char** environ; // NOLINT(readability-redundant-declaration)

namespace ob::env {
namespace {

bool ValidName(std::string_view name) {
    if (name.empty() || name.find('\0') != std::string_view::npos) {
        return false;
    }
    // A leading '=' is allowed (the hidden per-drive variables are spelled "=C:").
    return name.find('=', 1) == std::string_view::npos;
}

// A value ends at its first NUL, as a C string handed to a child would.
std::string_view ValueText(std::string_view value) {
    const std::size_t nul = value.find('\0');
    return nul == std::string_view::npos ? value : value.substr(0, nul);
}

struct Variable {
    std::string name;
    std::string value;
};

// The live table: definition order in a list, lookup through a case-blind hash
// map whose keys are views of the names held by the (node-stable) list.
class Table {
public:
    Table() { Import(); }

    std::recursive_mutex& Mutex() { return mutex_; }

    std::optional<std::string> Get(std::string_view name) {
        std::lock_guard guard(mutex_);
        const auto found = index_.find(name);
        if (found == index_.end()) {
            return std::nullopt;
        }
        return found->second->value;
    }

    void Set(std::string_view name, std::string_view value) {
        std::lock_guard guard(mutex_);
        const auto found = index_.find(name);
        if (found != index_.end()) {
            found->second->value.assign(value);
            return;
        }
        order_.push_back(Variable{std::string(name), std::string(value)});
        const auto last = std::prev(order_.end());
        try {
            index_.emplace(std::string_view(last->name), last);
        } catch (...) {
            order_.pop_back();
            throw;
        }
    }

    void Remove(std::string_view name) {
        std::lock_guard guard(mutex_);
        const auto found = index_.find(name);
        if (found == index_.end()) {
            return;
        }
        const auto node = found->second;
        index_.erase(found); // the key views node->name: erase it before the node
        order_.erase(node);
    }

    std::vector<std::pair<std::string, std::string>> Snapshot() {
        std::lock_guard guard(mutex_);
        std::vector<std::pair<std::string, std::string>> all;
        all.reserve(order_.size());
        for (const Variable& v : order_) {
            all.emplace_back(v.name, v.value);
        }
        return all;
    }

    std::vector<std::string> Block() {
        std::lock_guard guard(mutex_);
        std::vector<std::string> block;
        block.reserve(order_.size());
        for (const Variable& v : order_) {
            std::string entry;
            entry.reserve(v.name.size() + 1 + v.value.size());
            entry.append(v.name).append(1, '=').append(v.value);
            block.push_back(std::move(entry));
        }
        return block;
    }

private:
    // Copies the real environment. "NAME=value" splits at the first '=' after the
    // first character; entries without one are not variables. When two entries
    // differ only in case (PATH and Path), the first one seen wins.
    void Import() {
        if (environ == nullptr) {
            return;
        }
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string_view text(*entry);
            const std::size_t equals = text.empty() ? std::string_view::npos : text.find('=', 1);
            if (equals == std::string_view::npos) {
                continue;
            }
            const std::string_view name = text.substr(0, equals);
            if (index_.find(name) == index_.end()) {
                Set(name, text.substr(equals + 1));
            }
        }
    }

    std::recursive_mutex mutex_;
    std::list<Variable> order_;
    std::unordered_map<std::string_view, std::list<Variable>::iterator, text::CaseBlindHash,
                       text::CaseBlindEqual>
        index_;
};

// The table lives for the whole process and is never destroyed: threads that are
// still running while the process exits (a job thread that would not stop) may
// read the environment after static destructors have started.
Table& TheTable() {
    alignas(Table) static unsigned char storage[sizeof(Table)];
    static Table* const table = ::new (static_cast<void*>(storage)) Table();
    return *table;
}

// Import the environment when the library loads, before any thread of the
// process can change the real one.
[[maybe_unused]] const bool imported = (TheTable(), true);

} // namespace

std::optional<std::string> Get(std::string_view name) {
    if (!ValidName(name)) {
        return std::nullopt;
    }
    try {
        return TheTable().Get(name);
    } catch (...) {
        return std::nullopt;
    }
}

bool Set(std::string_view name, std::string_view value) {
    if (!ValidName(name)) {
        return false;
    }
    try {
        TheTable().Set(name, ValueText(value));
        return true;
    } catch (...) {
        return false;
    }
}

bool Remove(std::string_view name) {
    if (!ValidName(name)) {
        return false;
    }
    TheTable().Remove(name);
    return true;
}

std::vector<std::pair<std::string, std::string>> Snapshot() {
    try {
        return TheTable().Snapshot();
    } catch (...) {
        return {};
    }
}

std::vector<std::string> Block() {
    try {
        return TheTable().Block();
    } catch (...) {
        return {};
    }
}

std::recursive_mutex& Lock() {
    return TheTable().Mutex();
}

} // namespace ob::env
