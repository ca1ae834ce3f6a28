#include "host/vbs_command.h"

#include "vbscript/object.h"
#include "vbscript/vbscript_control.h"

#include "platform/text/ascii_case.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ob::host {

namespace {

using vbscript::InvokeKind;
using vbscript::ScriptException;
using vbscript::Variant;
namespace err = vbscript::err;

constexpr std::uintmax_t kMaxScriptSize = 64u * 1024 * 1024;

bool Is(std::string_view name, std::string_view member) {
    return text::EqualsIgnoringCase(name, member);
}

// WScript.Arguments: Count, Length, Item(i) (also the default member), For Each.
class ArgumentList final : public vbscript::Object {
public:
    explicit ArgumentList(std::vector<std::string> args) : args_(std::move(args)) {}
    std::string TypeName() const override { return "Object"; }

    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
            throw ScriptException(err::kNoSuchMember);
        }
        if (Is(name, "count") || Is(name, "length")) {
            if (!args.empty()) {
                throw ScriptException(err::kWrongArguments);
            }
            return Variant::Long(static_cast<std::int32_t>(args_.size()));
        }
        if (name.empty() || Is(name, "item")) {
            if (args.size() != 1) {
                throw ScriptException(err::kWrongArguments);
            }
            const std::int32_t index = args[0].ToLong();
            if (index < 0 || static_cast<std::size_t>(index) >= args_.size()) {
                throw ScriptException(err::kSubscript);
            }
            return Variant::String(args_[static_cast<std::size_t>(index)]);
        }
        throw ScriptException(err::kNoSuchMember);
    }

    bool Enumerate(std::vector<Variant>& items) override {
        for (const auto& a : args_) {
            items.push_back(Variant::String(a));
        }
        return true;
    }

private:
    std::vector<std::string> args_;
};

// The WScript object of the command-line runner.
class WScriptObject final : public vbscript::Object {
public:
    WScriptObject(std::ostream& out, std::string fullName, std::vector<std::string> args)
        : out_(out), fullName_(std::move(fullName)),
          arguments_(std::make_shared<ArgumentList>(std::move(args))) {}
    std::string TypeName() const override { return "Object"; }

    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
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
        if (!args.empty() && !Is(name, "arguments")) {
            throw ScriptException(err::kWrongArguments);
        }
        if (Is(name, "arguments")) {
            if (!args.empty()) {
                std::vector<Variant> index = args;
                return arguments_->Invoke("", InvokeKind::Method, index);
            }
            return Variant::FromObject(arguments_);
        }
        if (Is(name, "scriptname")) {
            return Variant::String(std::filesystem::path(fullName_).filename().string());
        }
        if (Is(name, "scriptfullname")) {
            return Variant::String(fullName_);
        }
        if (Is(name, "name")) {
            return Variant::String("obrenta");
        }
        throw ScriptException(err::kNoSuchMember);
    }

private:
    std::ostream& out_;
    std::string fullName_;
    std::shared_ptr<ArgumentList> arguments_;
};

bool ReadScript(const std::string& path, std::string& text, std::ostream& err) {
    // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        err << "obrenta vbs: cannot read " << path << "\n";
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        err << "obrenta vbs: cannot read " << path << "\n";
        return false;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxScriptSize) {
        err << "obrenta vbs: " << path << " is too large\n";
        return false;
    }
    text.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            err << "obrenta vbs: cannot read " << path << "\n";
            return false;
        }
        if (n == 0) {
            return true;
        }
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.size() > kMaxScriptSize) {
            err << "obrenta vbs: " << path << " is too large\n";
            return false;
        }
    }
}

} // namespace

int RunVbsCommand(int argc, char** argv, std::ostream& out, std::ostream& err) {
    if (argc < 2) {
        err << "usage: obrenta vbs FILE [ARGS...]\n";
        return 2;
    }
    const std::string path = argv[1];
    std::string source;
    if (!ReadScript(path, source, err)) {
        return 1;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    std::error_code ignored;
    const std::string fullName = std::filesystem::absolute(path, ignored).string();

    vbscript::VBScriptControl control;
    control.SetOutput(&out);
    control.AddObject("WScript", std::make_shared<WScriptObject>(out, fullName, std::move(args)));
    if (!control.AddCode(source)) {
        const vbscript::ScriptError& e = control.Error();
        err << path << "(" << e.line << ") " << e.source << ": " << e.description << " ("
            << e.number << ")\n";
        if (!e.text.empty()) {
            err << "    " << e.text << "\n";
        }
        return 1;
    }
    return control.QuitCode().value_or(0);
}

} // namespace ob::host
