#include "vbscript/objects/wscript_shell.h"

#include "vbscript/class_registry.h"
#include "vbscript/objects/file_error.h"
#include "vbscript/objects/member_call.h"
#include "vbscript/objects/shell_environment.h"
#include "vbscript/objects/shell_exec.h"
#include "vbscript/objects/special_folders.h"

#include "platform/desktop/send_keys.h"
#include "platform/env/environment.h"
#include "platform/process/child_process.h"
#include "platform/process/spawn_child.h"
#include "platform/registry/registry.h"

#include <cerrno>
#include <iostream>
#include <unistd.h>

namespace ob::vbscript::objects {
namespace {

// The store's "not found" as scripts see it (0x80070002).
constexpr long kRegistryNotFound = -2147024894;
constexpr std::uint32_t kRegDword = 4;

struct RegistryPath {
    registry::Root root = registry::Root::LocalMachine;
    std::string key;   // below the root
    std::string value; // value name; empty: the key's default value
};

RegistryPath ParseRegistryPath(const std::string& text, const char* action) {
    RegistryPath path;
    const std::size_t first = text.find('\\');
    if (first == std::string::npos ||
        !registry::ParseRoot(std::string_view(text).substr(0, first), path.root)) {
        throw ScriptException(kRegistryNotFound, "Invalid root in registry key \"" + text + "\".");
    }
    const std::string rest = text.substr(first + 1);
    if (!rest.empty() && rest.back() == '\\') {
        path.key = rest.substr(0, rest.size() - 1);
    } else {
        const std::size_t last = rest.find_last_of('\\');
        path.key = last == std::string::npos ? std::string() : rest.substr(0, last);
        path.value = last == std::string::npos ? rest : rest.substr(last + 1);
        if (path.value.empty()) {
            throw ScriptException(kRegistryNotFound,
                                  std::string("Unable to ") + action + " \"" + text + "\".");
        }
    }
    return path;
}

[[noreturn]] void RegistryFailure(long code, const std::string& text, const char* action) {
    if (code == registry::ERROR_ACCESS_DENIED) {
        throw ScriptException(file_err::kPermissionDenied);
    }
    throw ScriptException(kRegistryNotFound,
                          std::string("Unable to ") + action + " \"" + text + "\".");
}

Variant RegRead(const std::string& text) {
    const char* action = "open registry key";
    const RegistryPath path = ParseRegistryPath(text, action);
    registry::Key key;
    long rc = registry::Key::Open(path.root, path.key, registry::KEY_READ, key);
    std::string data;
    std::uint32_t type = registry::REG_SZ;
    if (rc == registry::ERROR_SUCCESS) {
        rc = key.QueryValue(path.value, data, &type);
    }
    if (rc != registry::ERROR_SUCCESS) {
        RegistryFailure(rc, text, action);
    }
    if (type == kRegDword) {
        double number = 0;
        if (Variant::ParseNumber(data, number)) {
            // A DWORD reads as a Long; one above the Long range as a Double.
            return number >= -2147483648.0 && number <= 2147483647.0
                       ? Variant::Long(static_cast<std::int32_t>(number))
                       : Variant::Double(number);
        }
    }
    return Variant::String(data);
}

void RegWrite(const std::string& text, const Variant& value, const std::string& typeName) {
    const char* action = "write registry key";
    const RegistryPath path = ParseRegistryPath(text, action);
    std::uint32_t type = registry::REG_SZ;
    std::string data;
    if (typeName.empty() || text::EqualsIgnoringCase(typeName, "REG_SZ") ||
        text::EqualsIgnoringCase(typeName, "REG_EXPAND_SZ")) {
        data = TextOf(value);
    } else if (text::EqualsIgnoringCase(typeName, "REG_DWORD")) {
        type = kRegDword;
        data = std::to_string(static_cast<std::uint32_t>(ValueOf(value).ToLong()));
    } else {
        throw ScriptException(err::kInvalidCall);
    }
    registry::Key key;
    long rc = registry::Key::Create(path.root, path.key, registry::KEY_WRITE, key);
    if (rc == registry::ERROR_SUCCESS) {
        rc = key.SetValue(path.value, data, type);
    }
    if (rc != registry::ERROR_SUCCESS) {
        RegistryFailure(rc, text, action);
    }
}

void RegDelete(const std::string& text) {
    const char* action = "remove registry key";
    const RegistryPath path = ParseRegistryPath(text, action);
    long rc = registry::ERROR_SUCCESS;
    registry::Key key;
    if (path.value.empty()) {
        // A key: delete it from its parent (a root itself cannot go).
        const std::size_t last = path.key.find_last_of('\\');
        const std::string parent = last == std::string::npos ? "" : path.key.substr(0, last);
        const std::string name = last == std::string::npos ? path.key : path.key.substr(last + 1);
        if (name.empty()) {
            RegistryFailure(registry::ERROR_FILE_NOT_FOUND, text, action);
        }
        rc = registry::Key::Open(path.root, parent, registry::KEY_WRITE, key);
        if (rc == registry::ERROR_SUCCESS) {
            rc = key.DeleteSubKey(name);
        }
    } else {
        rc = registry::Key::Open(path.root, path.key, registry::KEY_WRITE, key);
        if (rc == registry::ERROR_SUCCESS) {
            rc = key.DeleteValue(path.value);
        }
    }
    if (rc != registry::ERROR_SUCCESS) {
        RegistryFailure(rc, text, action);
    }
}

Variant RunCommand(const std::string& command, bool wait) {
    process::SpawnRequest request;
    request.path = "/bin/sh";
    request.arguments = {"sh", "-c", command};
    request.environment = env::Block();
    pid_t pid = 0;
    const std::uint32_t error = process::SpawnChild(request, pid);
    if (error != 0) {
        throw ScriptException(error == 2 ? file_err::kFileNotFound : file_err::kPermissionDenied);
    }
    process::ChildProcess child(pid);
    if (!wait) {
        child.Release();
        return Variant::Long(0);
    }
    return Variant::Long(child.Wait());
}

std::string CurrentDirectory() {
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            ThrowFileError(errno, file_err::kPathNotFound);
        }
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

} // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find('%', pos);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) {
            break;
        }
        out.append(text.substr(pos, open - pos));
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const auto value = name.empty() ? std::nullopt : env::Get(name);
        if (value) {
            out += *value;
            pos = close + 1;
        } else {
            // Not a variable: keep the first '%' and look again from the second.
            out.append(text.substr(open, close - open));
            pos = close;
        }
    }
    out.append(text.substr(pos));
    return out;
}

Variant WScriptShell::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (Is(name, "CurrentDirectory")) {
        if (IsRead(kind)) {
            RequireArgs(args, 0, 0);
            return Variant::String(CurrentDirectory());
        }
        RequireArgs(args, 1, 1);
        if (::chdir(TextOf(args[0]).c_str()) != 0) {
            ThrowFileError(errno, file_err::kPathNotFound);
        }
        return {};
    }
    if (!IsRead(kind)) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "Run")) {
        RequireArgs(args, 1, 3);
        return RunCommand(TextOf(args[0]), Given(args, 2) && ValueOf(args[2]).ToBool());
    }
    if (Is(name, "Exec")) {
        RequireArgs(args, 1, 1);
        return Variant::FromObject(std::make_shared<ShellExec>(TextOf(args[0])));
    }
    if (Is(name, "ExpandEnvironmentStrings")) {
        RequireArgs(args, 1, 1);
        return Variant::String(ExpandEnvironmentStrings(TextOf(args[0])));
    }
    if (Is(name, "Environment")) {
        RequireArgs(args, 0, 1);
        return Variant::FromObject(std::make_shared<ShellEnvironment>());
    }
    if (Is(name, "SpecialFolders")) {
        auto folders = std::make_shared<SpecialFolders>();
        if (!args.empty()) {
            // sh.SpecialFolders("Desktop"): the arguments go to the collection's Item.
            return folders->Invoke("", InvokeKind::Method, args);
        }
        return Variant::FromObject(std::move(folders));
    }
    if (Is(name, "RegRead")) {
        RequireArgs(args, 1, 1);
        return RegRead(TextOf(args[0]));
    }
    if (Is(name, "RegWrite")) {
        RequireArgs(args, 2, 3);
        RegWrite(TextOf(args[0]), args[1], Given(args, 2) ? TextOf(args[2]) : "");
        return {};
    }
    if (Is(name, "RegDelete")) {
        RequireArgs(args, 1, 1);
        RegDelete(TextOf(args[0]));
        return {};
    }
    if (Is(name, "SendKeys")) {
        RequireArgs(args, 1, 2);
        // The second argument (wait for the keys to be processed) changes nothing:
        // the keys have reached the X server when the call returns.
        const desktop::SendKeysOutcome sent = desktop::SendKeys(TextOf(args[0]));
        switch (sent.result) {
        case desktop::SendKeysResult::Sent:
            return {};
        case desktop::SendKeysResult::BadKeys:
            throw ScriptException(err::kInvalidCall,
                                  "Invalid procedure call or argument: " + sent.message);
        default:
            throw ScriptException(file_err::kPermissionDenied,
                                  "Permission denied: " + sent.message);
        }
    }
    if (Is(name, "Popup")) {
        RequireArgs(args, 1, 4);
        std::cout << (args[0].IsNull() ? std::string("Null") : TextOf(args[0])) << '\n';
        std::cout.flush();
        return Variant::Integer(-1);
    }
    throw ScriptException(err::kNoSuchMember);
}

void RegisterWScriptShellClass() {
    RegisterBuiltinClass("WScript.Shell", [] { return std::make_shared<WScriptShell>(); });
}

} // namespace ob::vbscript::objects
