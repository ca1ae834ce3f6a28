// Fuzz target for the e-mail objects as scripts call them: the input is VBScript
// added after a preamble that puts an smtp object into S, a pop3 object into P and
// an EmailSystem object into E, so fuzzed code calls every member with any
// arguments (wrong types, huge and empty texts, message numbers of every size,
// option numbers and values of every kind), makes more objects than the engine
// has channels, and sends and fetches. Then a few likely procedure names are
// called. A statement budget bounds every call; what must never happen is a
// crash, a leak, or an exception escaping the control.
//
// Against no server: after every call the objects are pointed back at 127.0.0.1
// and at a port that is bound but never listens (so every connection is refused
// at once), and their trace at /dev/null, so no input reaches the network, waits
// for a time-out or writes a file it names. The process works in a scratch folder.
//
// Run (the target works in a scratch folder: give absolute paths):
//   build-fuzz/bin/corelib_email_fuzz -max_total_time=600 -dict=$PWD/fuzz/corelib_email.dict
#include "script_fuzz_support.h"

#include "OBCoreLib/automation/automation_object.h"
#include "OBCoreLib/email/email_classes.h"

#include "vbscript/class_registry.h"

#include "platform/lifetime/scope_exit.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ob::corelib::AutomationObject;
using ob::fuzz::Check;
using ob::fuzz::RefusingPort;
using ob::vbscript::InvokeKind;
using ob::vbscript::Variant;

constexpr std::uint64_t kStepBudget = 20000;

// An e-mail object that cannot leave the machine: what a call set for the server,
// the ports and the trace is put back after it.
class FuzzMailObject final : public ob::vbscript::Object {
public:
    explicit FuzzMailObject(std::shared_ptr<ob::vbscript::Object> inner)
        : inner_(std::move(inner)), mail_(inner_->TypeName() != "IEmailSystem") {
        Pin();
    }
    std::string TypeName() const override { return inner_->TypeName(); }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        const ob::ScopeExit repin([this] { Pin(); });
        return inner_->Invoke(name, kind, args);
    }

private:
    void Pin() {
        if (!mail_) {
            return;
        }
        auto& object = static_cast<AutomationObject&>(*inner_);
        const std::string port = std::to_string(RefusingPort());
        const auto put = [&](std::string_view name, std::vector<Variant> args) {
            (void)object.Call(name, InvokeKind::PropertyPut, args);
        };
        put("Server", {Variant::String("127.0.0.1")});
        put("EngineOption", {Variant::Long(21), Variant::String(port)});
        put("EngineOption", {Variant::Long(22), Variant::String(port)});
        put("EngineOption", {Variant::Long(20), Variant::String("/dev/null")});
    }

    std::shared_ptr<ob::vbscript::Object> inner_;
    bool mail_;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ob::fuzz::PrepareScriptFuzzing("corelib_email_fuzz");
    std::string folder = "/tmp/corelib_email_fuzz.files.XXXXXX";
    Check(::mkdtemp(folder.data()) != nullptr && ::chdir(folder.c_str()) == 0);
    const struct {
        const char* progId;
        std::shared_ptr<ob::vbscript::Object> (*make)();
    } classes[] = {{"OBCoreLib.smtp", &ob::corelib::MakeSmtp},
                   {"OBCoreLib.pop3", &ob::corelib::MakePop3},
                   {"OBCoreLib.EmailSystem", &ob::corelib::MakeEmailSystem}};
    for (const auto& c : classes) {
        ob::vbscript::RegisterBuiltinClass(
            c.progId, [make = c.make] { return std::make_shared<FuzzMailObject>(make()); });
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ob::fuzz::RunAfterPrelude("Dim S, P, E\n"
                              "Set S = CreateObject(\"OBCoreLib.smtp\")\n"
                              "Set P = CreateObject(\"OBCoreLib.pop3\")\n"
                              "Set E = CreateObject(\"OBCoreLib.EmailSystem\")\n",
                              std::string_view(reinterpret_cast<const char*>(data), size),
                              kStepBudget);
    return 0;
}
