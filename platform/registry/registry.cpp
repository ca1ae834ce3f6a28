#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

#include "platform/registry/key_path.h"
#include "platform/registry/key_tree.h"
#include "platform/registry/store_database.h"
#include "platform/registry/store_location.h"

#include <array>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>

namespace ob::registry {

using detail::FoundKey;
using detail::KeyTree;
using detail::StoreDatabase;
using detail::StoreOf;

namespace {

// HKEY_CLASSES_ROOT is this key of the machine store.
const std::array<const char*, 2> kClassesRootPrefix{"Software", "Classes"};

std::vector<std::string> StoreNames(Root root, std::string_view path) {
    std::vector<std::string> names;
    if (root == Root::ClassesRoot) {
        names.assign(kClassesRootPrefix.begin(), kClassesRootPrefix.end());
    }
    for (std::string& name : detail::SplitKeyPath(path)) {
        names.push_back(std::move(name));
    }
    return names;
}

std::size_t PrefixSize(Root root) {
    return root == Root::ClassesRoot ? kClassesRootPrefix.size() : 0;
}

StoreDatabase& DatabaseOf(Root root) {
    return StoreDatabase::Of(StoreOf(root));
}

} // namespace

bool ParseRoot(std::string_view text, Root& root) {
    static constexpr std::pair<const char*, Root> kNames[] = {
        {"HKLM", Root::LocalMachine}, {"HKEY_LOCAL_MACHINE", Root::LocalMachine},
        {"HKCU", Root::CurrentUser},  {"HKEY_CURRENT_USER", Root::CurrentUser},
        {"HKCR", Root::ClassesRoot},  {"HKEY_CLASSES_ROOT", Root::ClassesRoot},
    };
    for (const auto& [name, value] : kNames) {
        if (text::EqualsIgnoringCase(text, name)) {
            root = value;
            return true;
        }
    }
    return false;
}

struct Key::Impl {
    Root root = Root::LocalMachine;
    std::string path;               // below the root, as stored
    std::vector<std::string> names; // within the database, HKCR prefix included
    std::size_t prefix = 0;         // how many of `names` are the HKCR prefix
    std::uint32_t access = 0;

    bool IsRoot() const { return names.size() == prefix; }

    // The result for a key that is not in the tree: a root always exists (it
    // is merely empty), an absent database reads as "not found", and a key that
    // vanished from a readable database was deleted under its handle.
    long Missing(const KeyTree& tree) const {
        if (IsRoot()) {
            return ERROR_FILE_NOT_FOUND;
        }
        return tree.Present() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    }

    std::string SubPath(std::string_view sub) const {
        std::string joined = path;
        if (!joined.empty() && !sub.empty()) {
            joined += '\\';
        }
        joined.append(sub);
        return joined;
    }
};

Key::Key() = default;
Key::~Key() = default;
Key::Key(Key&&) noexcept = default;
Key& Key::operator=(Key&&) noexcept = default;

long Key::Open(Root root, std::string_view path, std::uint32_t access, Key& out) {
    try {
        if (WantsWrite(access) && !RootWritable(root)) {
            out = Key();
            return ERROR_ACCESS_DENIED;
        }
        auto impl = std::make_unique<Impl>();
        impl->root = root;
        impl->names = StoreNames(root, path);
        impl->prefix = PrefixSize(root);
        impl->access = access;
        if (!impl->IsRoot()) {
            std::optional<FoundKey> found;
            DatabaseOf(root).Read([&](KeyTree& tree) {
                found = tree.Find(impl->names);
                return ERROR_SUCCESS;
            });
            if (!found) {
                out = Key();
                return ERROR_FILE_NOT_FOUND;
            }
            impl->names = std::move(found->names);
            impl->path = detail::JoinKeyPath(impl->names, impl->prefix);
        }
        out.impl_ = std::move(impl);
        return ERROR_SUCCESS;
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::Create(Root root, std::string_view path, std::uint32_t access, Key& out) {
    try {
        // An existing key opens with the rights asked for; only a missing one
        // needs the store to be writable.
        const long opened = Open(root, path, access, out);
        if (opened != ERROR_FILE_NOT_FOUND) {
            return opened;
        }
        if (!RootWritable(root)) {
            return ERROR_ACCESS_DENIED;
        }
        auto impl = std::make_unique<Impl>();
        impl->root = root;
        impl->names = StoreNames(root, path);
        impl->prefix = PrefixSize(root);
        impl->access = access;
        FoundKey created;
        const long result = DatabaseOf(root).Write([&](KeyTree& tree) {
            created = tree.FindOrCreate(impl->names);
            return ERROR_SUCCESS;
        });
        if (result != ERROR_SUCCESS) {
            return result;
        }
        impl->names = std::move(created.names);
        impl->path = detail::JoinKeyPath(impl->names, impl->prefix);
        out.impl_ = std::move(impl);
        return ERROR_SUCCESS;
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::OpenSubKey(std::string_view subPath, std::uint32_t access, Key& out) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    try {
        const Root root = impl_->root;
        const std::string path = impl_->SubPath(subPath); // `out` may be this key
        return Open(root, path, access, out);
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::CreateSubKey(std::string_view subPath, std::uint32_t access, Key& out) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    if ((impl_->access & KEY_CREATE_SUB_KEY) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    try {
        const Root root = impl_->root;
        const std::string path = impl_->SubPath(subPath);
        return Create(root, path, access, out);
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

bool Key::IsOpen() const {
    return impl_ != nullptr;
}

const std::string& Key::Path() const {
    static const std::string kNone;
    return impl_ ? impl_->path : kNone;
}

long Key::QueryValue(std::string_view name, std::string& data, std::uint32_t* type) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    try {
        return DatabaseOf(impl_->root).Read([&](KeyTree& tree) {
            const auto key = tree.Find(impl_->names);
            if (!key) {
                return impl_->Missing(tree);
            }
            auto value = tree.QueryValue(key->id, name);
            if (!value) {
                return ERROR_FILE_NOT_FOUND;
            }
            data = std::move(value->data);
            if (type != nullptr) {
                *type = value->type;
            }
            return ERROR_SUCCESS;
        });
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::SetValue(std::string_view name, std::string_view data, std::uint32_t type) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    if ((impl_->access & KEY_SET_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    try {
        return DatabaseOf(impl_->root).Write([&](KeyTree& tree) {
            auto key = tree.Find(impl_->names);
            if (!key) {
                if (!impl_->IsRoot()) {
                    return ERROR_KEY_DELETED;
                }
                key = tree.FindOrCreate(impl_->names); // the HKCR prefix
            }
            tree.SetValue(key->id, name, type, data);
            return ERROR_SUCCESS;
        });
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::DeleteValue(std::string_view name) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    if ((impl_->access & KEY_SET_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    try {
        return DatabaseOf(impl_->root)
            .Write(
                [&](KeyTree& tree) {
                    const auto key = tree.Find(impl_->names);
                    if (!key) {
                        return impl_->Missing(tree);
                    }
                    return tree.DeleteValue(key->id, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
                },
                false);
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::DeleteSubKey(std::string_view subPath) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    try {
        const std::vector<std::string> sub = detail::SplitKeyPath(subPath);
        if (sub.empty()) {
            return ERROR_INVALID_PARAMETER;
        }
        if (!WantsWrite(impl_->access)) {
            return ERROR_ACCESS_DENIED;
        }
        std::vector<std::string> names = impl_->names;
        names.insert(names.end(), sub.begin(), sub.end());
        return DatabaseOf(impl_->root)
            .Write(
                [&](KeyTree& tree) {
                    const auto key = tree.Find(names);
                    if (!key) {
                        return ERROR_FILE_NOT_FOUND;
                    }
                    tree.DeleteTree(key->id);
                    return ERROR_SUCCESS;
                },
                false);
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::EnumValueNames(std::vector<std::string>& names) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    try {
        return DatabaseOf(impl_->root).Read([&](KeyTree& tree) {
            names.clear();
            const auto key = tree.Find(impl_->names);
            if (!key) {
                return impl_->IsRoot() ? ERROR_SUCCESS : impl_->Missing(tree);
            }
            names = tree.ValueNames(key->id);
            return ERROR_SUCCESS;
        });
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

long Key::EnumSubKeys(std::vector<std::string>& names) const {
    if (!impl_) {
        return ERROR_INVALID_HANDLE;
    }
    try {
        return DatabaseOf(impl_->root).Read([&](KeyTree& tree) {
            names.clear();
            const auto key = tree.Find(impl_->names);
            if (!key) {
                return impl_->IsRoot() ? ERROR_SUCCESS : impl_->Missing(tree);
            }
            names = tree.SubKeyNames(key->id);
            return ERROR_SUCCESS;
        });
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}

bool RootWritable(Root root) {
    try {
        if (StoreOf(root) == detail::Store::Machine && detail::MachineMarkedReadOnly()) {
            return false;
        }
        return detail::DatabaseFileWritable(detail::DatabaseFile(StoreOf(root)));
    } catch (...) {
        return false;
    }
}

std::string StoreDirectory(Root root) {
    try {
        const std::string file = detail::DatabaseFile(StoreOf(root));
        return file.empty() ? std::string() : std::filesystem::path(file).parent_path().string();
    } catch (...) {
        return {};
    }
}

std::string LastStoreProblem() {
    try {
        std::uint64_t machineSequence = 0;
        std::uint64_t userSequence = 0;
        std::string machine = StoreDatabase::Of(detail::Store::Machine).Problem(&machineSequence);
        std::string user = StoreDatabase::Of(detail::Store::User).Problem(&userSequence);
        if (machine.empty()) {
            return user;
        }
        if (user.empty()) {
            return machine;
        }
        return machineSequence > userSequence ? machine : user;
    } catch (...) {
        return {};
    }
}

std::string StoreProblem(Root root) {
    try {
        return DatabaseOf(root).Problem();
    } catch (...) {
        return {};
    }
}

std::string DatabasePath(Root root) {
    try {
        return detail::DatabaseFile(StoreOf(root));
    } catch (...) {
        return {};
    }
}

void ResetConnections() {
    StoreDatabase::Of(detail::Store::Machine).Reset();
    StoreDatabase::Of(detail::Store::User).Reset();
}

} // namespace ob::registry
