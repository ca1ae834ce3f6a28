#include "host/wscript_object.h"

#include "vbscript/member_checks.h"

#include "host/std_stream_object.h"

#include "vbscript/class_registry.h"
#include "vbscript/script_exception.h"

#include "platform/text/ascii_case.h"

#include <chrono>
#include <filesystem>
#include <thread>
#include <unordered_map>

namespace ob::host {

namespace {

using vbscript::InvokeKind;
using vbscript::Is;
using vbscript::IsRead;
using vbscript::RequireArgs;
using vbscript::ScriptException;
using vbscript::Variant;
namespace err = vbscript::err;

// A list of arguments by position: Count, Length, Item(i) (the default member), For
// Each. Used for Arguments and Arguments.Unnamed.
class PositionalArguments : public vbscript::Object {
public:
    explicit PositionalArguments(std::vector<std::string> args) : args_(std::move(args)) {}
    std::string TypeName() const override { return "Object"; }

    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (!IsRead(kind)) {
            throw ScriptException(err::kNoSuchMember);
        }
        if (Is(name, "count") || Is(name, "length")) {
            RequireArgs(args, 0);
            return Variant::Long(static_cast<std::int32_t>(args_.size()));
        }
        if (name.empty() || Is(name, "item")) {
            RequireArgs(args, 1);
            const std::int32_t index = args[0].ToLong();
            if (index < 0 || static_cast<std::size_t>(index) >= args_.size()) {
                throw ScriptException(err::kSubscript);
            }
            return Variant::String(args_[static_cast<std::size_t>(index)]);
        }
        return Extra(name, args);
    }

    bool Enumerate(std::vector<Variant>& items) override {
        for (const auto& a : args_) {
            items.push_back(Variant::String(a));
        }
        return true;
    }

protected:
    virtual Variant Extra(std::string_view, std::vector<Variant>&) {
        throw ScriptException(err::kNoSuchMember);
    }

private:
    std::vector<std::string> args_;
};

// Arguments.Named: the arguments written /name or /name:value, by name (without
// regard to case). Item(name) gives the value (Empty for a bare /name), Exists(name),
// Count, and For Each gives the names.
class NamedArguments final : public vbscript::Object {
public:
    explicit NamedArguments(const std::vector<std::string>& args) {
        for (const auto& a : args) {
            if (a.size() < 2 || a[0] != '/') {
                continue;
            }
            const std::size_t colon = a.find(':');
            std::string name =
                a.substr(1, colon == std::string::npos ? std::string::npos : colon - 1);
            if (name.empty()) {
                continue;
            }
            Variant value =
                colon == std::string::npos ? Variant() : Variant::String(a.substr(colon + 1));
            if (values_.try_emplace(name, std::move(value)).second) {
                order_.push_back(std::move(name));
            }
        }
    }
    std::string TypeName() const override { return "Object"; }

    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (!IsRead(kind)) {
            throw ScriptException(err::kNoSuchMember);
        }
        if (Is(name, "count") || Is(name, "length")) {
            RequireArgs(args, 0);
            return Variant::Long(static_cast<std::int32_t>(order_.size()));
        }
        if (name.empty() || Is(name, "item")) {
            RequireArgs(args, 1);
            auto it = values_.find(args[0].ToString());
            return it == values_.end() ? Variant() : it->second;
        }
        if (Is(name, "exists")) {
            RequireArgs(args, 1);
            return Variant::Boolean(values_.contains(args[0].ToString()));
        }
        throw ScriptException(err::kNoSuchMember);
    }

    bool Enumerate(std::vector<Variant>& items) override {
        for (const auto& n : order_) {
            items.push_back(Variant::String(n));
        }
        return true;
    }

private:
    std::unordered_map<std::string, Variant, text::CaseBlindHash, text::CaseBlindEqual> values_;
    std::vector<std::string> order_;
};

// WScript.Arguments: all arguments by position, with the Named and Unnamed views.
class ArgumentList final : public PositionalArguments {
public:
    explicit ArgumentList(std::vector<std::string> args)
        : PositionalArguments(args), named_(std::make_shared<NamedArguments>(args)),
          unnamed_(std::make_shared<PositionalArguments>(Unnamed(args))) {}

protected:
    Variant Extra(std::string_view name, std::vector<Variant>& args) override {
        if (Is(name, "named")) {
            return View(named_, args);
        }
        if (Is(name, "unnamed")) {
            return View(unnamed_, args);
        }
        throw ScriptException(err::kNoSuchMember);
    }

private:
    static std::vector<std::string> Unnamed(const std::vector<std::string>& args) {
        std::vector<std::string> out;
        for (const auto& a : args) {
            if (a.size() < 2 || a[0] != '/') {
                out.push_back(a);
            }
        }
        return out;
    }

    // Arguments.Named or Arguments.Named("x").
    static Variant View(const std::shared_ptr<vbscript::Object>& view, std::vector<Variant>& args) {
        if (args.empty()) {
            return Variant::FromObject(view);
        }
        return view->Invoke("", InvokeKind::Method, args);
    }

    std::shared_ptr<vbscript::Object> named_;
    std::shared_ptr<vbscript::Object> unnamed_;
};

// A member that is an object: WScript.StdOut, or WScript.Arguments(0) calling
// the object's default member at once.
Variant ObjectMember(const std::shared_ptr<vbscript::Object>& object, std::vector<Variant>& args) {
    if (args.empty()) {
        return Variant::FromObject(object);
    }
    return object->Invoke("", InvokeKind::Method, args);
}

} // namespace

WScriptObject::WScriptObject(std::istream& in, std::ostream& out, std::ostream& err,
                             std::string scriptPath, std::string programPath,
                             std::vector<std::string> args)
    : out_(out), scriptPath_(std::move(scriptPath)), programPath_(std::move(programPath)),
      arguments_(std::make_shared<ArgumentList>(std::move(args))),
      stdIn_(std::make_shared<StdStreamObject>(in)),
      stdOut_(std::make_shared<StdStreamObject>(out)),
      stdErr_(std::make_shared<StdStreamObject>(err)) {}

Variant WScriptObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
        if (Is(name, "interactive") && args.size() == 1) {
            interactive_ = args[0].ToBool();
            return {};
        }
        if (Is(name, "timeout") && args.size() == 1) {
            return {}; // a script's own time-out is not supported; accepted and ignored
        }
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "echo")) {
        std::string line;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (i > 0) {
                line += ' ';
            }
            line += args[i].IsNull() ? std::string("Null") : args[i].ToString();
        }
        out_ << line << '\n';
        out_.flush();
        return {};
    }
    if (Is(name, "quit")) {
        if (args.size() > 1) {
            throw ScriptException(err::kWrongArguments);
        }
        throw vbscript::QuitRequest{args.empty() || args[0].IsEmpty() ? 0 : args[0].ToLong()};
    }
    if (Is(name, "sleep")) {
        RequireArgs(args, 1);
        const std::int32_t ms = args[0].ToLong();
        if (ms < 0) {
            throw ScriptException(err::kInvalidCall);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return {};
    }
    if (Is(name, "createobject")) {
        if (args.empty() || args.size() > 2) {
            throw ScriptException(err::kWrongArguments);
        }
        return Variant::FromObject(vbscript::CreateObjectByProgId(args[0].ToString()));
    }
    if (Is(name, "arguments")) {
        return ObjectMember(arguments_, args);
    }
    if (Is(name, "stdin")) {
        return ObjectMember(stdIn_, args);
    }
    if (Is(name, "stdout")) {
        return ObjectMember(stdOut_, args);
    }
    if (Is(name, "stderr")) {
        return ObjectMember(stdErr_, args);
    }
    RequireArgs(args, 0);
    if (Is(name, "scriptname")) {
        return Variant::String(std::filesystem::path(scriptPath_).filename().string());
    }
    if (Is(name, "scriptfullname")) {
        return Variant::String(scriptPath_);
    }
    if (name.empty() || Is(name, "name")) {
        return Variant::String("obrenta");
    }
    if (Is(name, "fullname")) {
        return Variant::String(programPath_);
    }
    if (Is(name, "path")) {
        return Variant::String(std::filesystem::path(programPath_).parent_path().string());
    }
    if (Is(name, "version")) {
        return Variant::String("5.8");
    }
    if (Is(name, "buildversion")) {
        return Variant::Long(1);
    }
    if (Is(name, "interactive")) {
        return Variant::Boolean(interactive_);
    }
    if (Is(name, "timeout")) {
        return Variant::Long(0);
    }
    throw ScriptException(err::kNoSuchMember);
}

} // namespace ob::host
