#include "host/reg_command.h"

#include "platform/env/environment.h"
#include "platform/error/win_error.h"
#include "platform/registry/registry.h"
#include "platform/text/ascii_case.h"

#include <string>
#include <string_view>
#include <vector>

namespace ob::host {
namespace {

namespace reg = ob::registry;

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kBadUsage = 2;

void Usage(std::ostream& err) {
    err << "usage: obrenta reg query KEY [NAME] | obrenta reg add KEY NAME DATA | "
           "obrenta reg delete KEY [NAME]\n";
}

// KEY split into its root and the path below it.
struct KeyName {
    reg::Root root = reg::Root::LocalMachine;
    std::string path;
    std::string text; // as typed, for messages
};

bool ParseKey(std::string_view text, KeyName& key) {
    const std::size_t slash = text.find('\\');
    const std::string_view root = text.substr(0, slash);
    if (!reg::ParseRoot(root, key.root)) {
        return false;
    }
    if (slash != std::string_view::npos) {
        key.path = std::string(text.substr(slash + 1));
    }
    key.text = std::string(text);
    return true;
}

bool IsRootKey(const KeyName& key) {
    return key.path.find_first_not_of('\\') == std::string::npos;
}

std::string ValueLabel(std::string_view name) {
    return name.empty() ? std::string("(Default)") : std::string(name);
}

// The system's text for a store error code, without its line break.
std::string CodeText(long code) {
    std::string text;
    if (!ob::error::MessageText(static_cast<std::uint32_t>(code), text, nullptr)) {
        return "The operation failed.";
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

// Reports a failure and, when the store met a problem with its database, that
// problem too. Returns the failure exit status.
int Fail(std::ostream& err, const KeyName& key, const std::string& what, long code) {
    err << "obrenta reg: " << what;
    if (code == reg::ERROR_ACCESS_DENIED) {
        err << ": " << CodeText(code) << " (the settings database " << reg::DatabasePath(key.root)
            << " is read-only for this process";
        if (key.root != reg::Root::CurrentUser) {
            const auto readOnly = ob::env::Get("OBRENTA_MACHINE_READONLY");
            if (readOnly && *readOnly == "1") {
                err << ": OBRENTA_MACHINE_READONLY=1";
            }
        }
        err << ")";
    } else if (code != reg::ERROR_FILE_NOT_FOUND) {
        err << ": " << CodeText(code) << " (error " << code << ")";
    }
    err << "\n";
    const std::string problem = reg::StoreProblem(key.root);
    if (!problem.empty()) {
        err << "obrenta reg: " << problem << "\n";
    }
    return kFailure;
}

int Query(const KeyName& key, const char* name, std::ostream& out, std::ostream& err) {
    reg::Key opened;
    long rc = reg::Key::Open(key.root, key.path, reg::KEY_READ, opened);
    if (rc != reg::ERROR_SUCCESS) {
        return Fail(err, key, "the key " + key.text + " does not exist", rc);
    }
    std::vector<std::string> names;
    rc = opened.EnumValueNames(names);
    if (rc != reg::ERROR_SUCCESS) {
        return Fail(err, key, "cannot read the key " + key.text, rc);
    }
    if (name != nullptr) {
        // Print the name as stored, whatever case it was asked in.
        std::string stored = name;
        for (const std::string& candidate : names) {
            if (text::EqualsIgnoringCase(candidate, name)) {
                stored = candidate;
                break;
            }
        }
        names.assign(1, stored);
    }
    for (const std::string& valueName : names) {
        std::string data;
        rc = opened.QueryValue(valueName, data);
        if (rc != reg::ERROR_SUCCESS) {
            if (name == nullptr && rc == reg::ERROR_FILE_NOT_FOUND) {
                continue; // deleted since it was listed
            }
            return Fail(err, key,
                        "the value " + ValueLabel(valueName) + " does not exist in " + key.text,
                        rc);
        }
        out << ValueLabel(valueName) << " = " << data << "\n";
    }
    return kSuccess;
}

int Add(const KeyName& key, const char* name, const char* data, std::ostream& err) {
    reg::Key created;
    long rc = reg::Key::Create(key.root, key.path, reg::KEY_WRITE, created);
    if (rc != reg::ERROR_SUCCESS) {
        return Fail(err, key, "cannot create the key " + key.text, rc);
    }
    rc = created.SetValue(name, data);
    if (rc != reg::ERROR_SUCCESS) {
        return Fail(err, key, "cannot set the value " + ValueLabel(name) + " in " + key.text, rc);
    }
    return kSuccess;
}

int Delete(const KeyName& key, const char* name, std::ostream& err) {
    if (name != nullptr) {
        reg::Key opened;
        long rc = reg::Key::Open(key.root, key.path, reg::KEY_WRITE, opened);
        if (rc == reg::ERROR_FILE_NOT_FOUND) {
            return Fail(err, key, "the key " + key.text + " does not exist", rc);
        }
        if (rc == reg::ERROR_SUCCESS) {
            rc = opened.DeleteValue(name);
            if (rc == reg::ERROR_FILE_NOT_FOUND) {
                return Fail(err, key,
                            "the value " + ValueLabel(name) + " does not exist in " + key.text, rc);
            }
        }
        if (rc != reg::ERROR_SUCCESS) {
            return Fail(err, key, "cannot delete the value " + ValueLabel(name), rc);
        }
        return kSuccess;
    }
    if (IsRootKey(key)) {
        err << "obrenta reg: " << key.text << " is a root key and cannot be deleted\n";
        return kFailure;
    }
    // Delete the last name of the path from its parent key.
    std::string path = key.path;
    while (!path.empty() && path.back() == '\\') {
        path.pop_back();
    }
    const std::size_t slash = path.rfind('\\');
    const std::string parentPath =
        slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    reg::Key parent;
    long rc = reg::Key::Open(key.root, parentPath, reg::KEY_WRITE, parent);
    if (rc == reg::ERROR_SUCCESS) {
        rc = parent.DeleteSubKey(leaf);
    }
    if (rc == reg::ERROR_FILE_NOT_FOUND) {
        return Fail(err, key, "the key " + key.text + " does not exist", rc);
    }
    if (rc != reg::ERROR_SUCCESS) {
        return Fail(err, key, "cannot delete the key " + key.text, rc);
    }
    return kSuccess;
}

} // namespace

int RunRegCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    try {
        if (argc < 3) {
            Usage(err);
            return kBadUsage;
        }
        const std::string_view verb = argv[1];
        const bool wellFormed =
            ((verb == "query" || verb == "delete") && argc <= 4) || (verb == "add" && argc == 5);
        if (!wellFormed) {
            Usage(err);
            return kBadUsage;
        }
        KeyName key;
        if (!ParseKey(argv[2], key)) {
            err << "obrenta reg: " << argv[2]
                << " does not start with a root key (HKLM, HKCU, HKCR, HKEY_LOCAL_MACHINE, "
                   "HKEY_CURRENT_USER or HKEY_CLASSES_ROOT)\n";
            Usage(err);
            return kBadUsage;
        }
        if (verb == "add") {
            return Add(key, argv[3], argv[4], err);
        }
        const char* name = argc == 4 ? argv[3] : nullptr;
        if (verb == "delete") {
            return Delete(key, name, err);
        }
        const int status = Query(key, name, out, err);
        if (status == kSuccess) {
            // A damaged database reads as empty: say so even when that succeeds.
            const std::string problem = reg::StoreProblem(key.root);
            if (!problem.empty()) {
                err << "obrenta reg: " << problem << "\n";
            }
        }
        return status;
    } catch (...) {
        err << "obrenta reg: out of memory\n";
        return kFailure;
    }
}

} // namespace ob::host
