#include "OBCoreLib/runtime/runtime_object.h"

#include "OBCoreLib/automation/handle_table.h"
#include "OBCoreLib/cron/cron_check.h"
#include "OBCoreLib/runtime/account_methods.h"
#include "OBCoreLib/runtime/engine_variables.h"
#include "OBCoreLib/runtime/ftp_methods.h"
#include "OBCoreLib/runtime/launch_methods.h"
#include "OBCoreLib/runtime/message_pump.h"
#include "OBCoreLib/runtime/pending_methods.h"
#include "OBCoreLib/runtime/window_lookup.h"

#include <vector>

namespace ob::corelib {
namespace {

using vbscript::Variant;

RuntimeObject& Self(AutomationObject& object) {
    return static_cast<RuntimeObject&>(object);
}

HResult Put(Variant& out, const I4Result& result) {
    out = Variant::Long(result.value);
    return result.status;
}

HResult Put(Variant& out, const TextResult& result) {
    out = Variant::String(result.value);
    return result.status;
}

// A method whose value is always 0.
HResult Done(Variant& out) {
    out = Variant::Long(0);
    return HResult::Ok;
}

ParamInfo I4(std::string_view name) {
    return {name, ParamType::I4};
}
ParamInfo I2(std::string_view name) {
    return {name, ParamType::I2};
}
ParamInfo Text(std::string_view name, TextUse use = TextUse::Plain,
               std::size_t limit = kTextLimit) {
    return {name, ParamType::Text, use, limit};
}
ParamInfo Required(std::string_view name) {
    return Text(name, TextUse::Required);
}
ParamInfo Optional(std::string_view name) {
    return Text(name, TextUse::Optional);
}
// Texts sent to the engine whole: output and actions are not cut to a buffer.
ParamInfo Whole(std::string_view name) {
    return Text(name, TextUse::Plain, kWholeText);
}

std::uint32_t Flags(const CallArgs& args) {
    return static_cast<std::uint32_t>(args.I4(0));
}

std::vector<MemberInfo> MakeMembers() {
    using R = ResultType;
    using M = MemberKind;
    return {
        {"Print",
         1,
         M::Method,
         {Whole("string")},
         R::I4,
         "method Print",
         [](AutomationObject& self, const CallArgs& a, Variant& out) {
             Self(self).Link().Print(a.Text(0));
             return Done(out);
         }},
        {"CheckTime",
         2,
         M::Method,
         {I2("id"), I4("bReset"), Text("cron")},
         R::I4,
         "method CheckTime",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, CheckTime(a.I2(0), a.I4(1), a.Text(2)));
         }},
        {"Run",
         3,
         M::Method,
         {I4("flags"), Text("file"), Text("command_line")},
         R::Variant,
         "method Run",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             out = Variant(); // part of the interface; performs no action
             return HResult::Ok;
         }},
        {"LogonUser",
         4,
         M::Method,
         {Required("user"), Optional("domain"), Required("password"), I4("logonType"),
          I4("logonProvider")},
         R::I4,
         "method LogonUser",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, LogonUser(a.Text(0), a.Text(1), a.Text(2), a.I4(3), a.I4(4)));
         }},
        {"ImpersonateLoggedOnUser",
         5,
         M::Method,
         {I4("hToken")},
         R::I4,
         "method ImpersonateLoggedOnUser",
         [](AutomationObject& self, const CallArgs& a, Variant& out) {
             return Put(out, ImpersonateLoggedOnUser(a.I4(0), &Self(self)));
         }},
        {"GetMessageLParam",
         6,
         M::Method,
         {I4("hMsg")},
         R::I4,
         "method GetMessageLParam",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, MessageLParam(a.I4(0)));
         }},
        {"CreateProcessAsUser",
         7,
         M::Method,
         {I4("flags"), Required("user"), Optional("domain"), Required("password"),
          Required("commandline")},
         R::I4,
         "method CreateProcessAsUserInteractive",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out,
                        CreateProcessAsUser(Flags(a), a.Text(1), a.Text(2), a.Text(3), a.Text(4)));
         }},
        {"RevertToSelf",
         8,
         M::Method,
         {},
         R::I4,
         "method RevertToSelf",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, RevertToSelf()); }},
        {"ShellExecute",
         9,
         M::Method,
         {I4("flags"), Optional("verb"), Required("file"), Optional("params")},
         R::I4,
         "method ShellExecute",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, ShellExecute(Flags(a), a.Text(1), a.Text(2), a.Text(3)));
         }},
        {"CreateProcess",
         10,
         M::Method,
         {I4("flags"), Required("commandline")},
         R::I4,
         "method CreateProcess",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, CreateProcess(Flags(a), a.Text(1)));
         }},
        {"NetCreateProcessAsUser",
         11,
         M::Method,
         {I4("flags"), Text("user"), Text("server"), Text("password"), Text("commandline")},
         R::I4,
         "method NetCreateProcessAsUser",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteJobRefused());
         }},
        {"NetCreateProcess",
         12,
         M::Method,
         {I4("flags"), Text("server"), Text("commandline")},
         R::I4,
         "method NetCreateProcess",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteJobRefused());
         }},
        {"GetMessage",
         13,
         M::Method,
         {I4("unused1"), I4("unused2")},
         R::I4,
         "method GetMessage",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, GetMessageObject());
         }},
        {"SetTimer",
         14,
         M::Method,
         {I4("uElapse")},
         R::I4,
         "method SetTimer",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, SetThreadTimer(a.I4(0)));
         }},
        {"KillTimer",
         15,
         M::Method,
         {I2("id")},
         R::I4,
         "method KillTimer",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, KillThreadTimer(a.I2(0)));
         }},
        {"GetMessageWParam",
         16,
         M::Method,
         {I4("hMsg")},
         R::I4,
         "method GetMessageWParam",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, MessageWParam(a.I4(0)));
         }},
        {"GetMessageId",
         17,
         M::Method,
         {I4("hMsg")},
         R::I4,
         "method GetMessageId",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, MessageId(a.I4(0)));
         }},
        {"NetScheduleJobAddAsUser",
         18,
         M::Method,
         {I4("flags"), Text("user"), Text("server"), Text("password"), Text("cron_spec"),
          Text("commandline")},
         R::I4,
         "method NetScheduleJobAddAsUser",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteJobRefused());
         }},
        {"NetScheduleJobAdd",
         19,
         M::Method,
         {I4("flags"), Text("server"), Text("cron_spec"), Text("commandline")},
         R::I4,
         "method NetScheduleJobAdd",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteJobRefused());
         }},
        {"NetScheduleJobDel",
         20,
         M::Method,
         {Text("server"), I4("MinJobId"), I4("MaxJobId")},
         R::I4,
         "method NetScheduleJobDel",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteCallRefused());
         }},
        {"NetScheduleJobGetInfo",
         21,
         M::Method,
         {Text("server"), I4("JobId")},
         R::I4,
         "method NetScheduleJobGetInfo",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteCallRefused());
         }},
        {"FreeHandle",
         22,
         M::Method,
         {I4("hObject")},
         R::I4,
         "method FreeHandle",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             switch (HandleTable::Process().Free(a.I4(0))) {
             case HandleTable::FreeResult::Closed:
                 return Put(out, I4Result{HResult::Ok, Truth(true)});
             case HandleTable::FreeResult::CloseFailed:
                 return Put(out, I4Result{HResult::Ok, Truth(false)});
             case HandleTable::FreeResult::Unknown:
                 break;
             }
             return Put(out, I4Result{HResult::False, 0});
         }},
        {"NetScheduleJobGetInfoTime",
         23,
         M::Method,
         {I4("hObject")},
         R::Text,
         "method NetScheduleJobGetInfoTime",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, NoJobTime()); }},
        {"NetScheduleJobGetInfoError",
         24,
         M::Method,
         {I4("hObject")},
         R::I4,
         "method NetScheduleJobGetInfoError",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, NoJobError()); }},
        {"NetScheduleJobGetInfoCommand",
         25,
         M::Method,
         {I4("hObject")},
         R::Text,
         "method NetScheduleJobGetInfoCommand",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, NoJobCommand()); }},
        {"NetScheduleJobEnum",
         26,
         M::Method,
         {Text("server")},
         R::I4,
         "method NetScheduleJobEnum",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteCallRefused());
         }},
        {"NetScheduleJobEnumCount",
         27,
         M::Method,
         {I4("hObject")},
         R::I4,
         "method NetScheduleJobEnumCount",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteCallRefused());
         }},
        {"NetScheduleJobEnumGet",
         28,
         M::Method,
         {I4("hObject"), I4("Index")},
         R::I4,
         "method NetScheduleJobEnumGet",
         [](AutomationObject&, const CallArgs&, Variant& out) {
             return Put(out, RemoteCallRefused());
         }},
        {"NetScheduleJobGetInfoJobId",
         29,
         M::Method,
         {I4("hObject")},
         R::I4,
         "method NetScheduleJobGetInfoJobId",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, NoJobId()); }},
        {"GetEnvironmentVariable",
         30,
         M::Method,
         {I4("flags"), Required("name")},
         R::Text,
         "method GetEnvironmentVariable",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, GetEngineVariable(Flags(a), a.Text(1)));
         }},
        {"SetEnvironmentVariable",
         31,
         M::Method,
         {I4("flags"), Required("name"), Text("value", TextUse::Optional, kLongestVariableValue)},
         R::I4,
         "method SetEnvironmentVariable",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, SetEngineVariable(Flags(a), a.Text(1), a.Text(2)));
         }},
        {"DispatchMessage",
         32,
         M::Method,
         {I4("hMsg")},
         R::I4,
         "method DispatchMessage",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, DispatchMessageObject(a.I4(0)));
         }},
        {"DestroyCronContext",
         33,
         M::Method,
         {I4("MinCronId"), I4("MaxCronId")},
         R::I4,
         "method DestroyCronContext",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, DestroyCronContext(a.I4(0), a.I4(1)));
         }},
        {"PumpMessage",
         34,
         M::Method,
         {I4("unused1"), I4("unused2")},
         R::I4,
         "method PumpMessage",
         [](AutomationObject&, const CallArgs&, Variant& out) { return Put(out, PumpMessage()); }},
        {"FtpCd",
         35,
         M::Method,
         {I4("hSession"), Text("pRemoteName")},
         R::I4,
         "method FtpCd",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpCd(a.I4(0), a.Text(1)));
         }},
        {"FtpClose",
         36,
         M::Method,
         {I4("hSession")},
         R::I4,
         "method FtpClose",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpClose(a.I4(0)));
         }},
        {"FtpConnect",
         37,
         M::Method,
         {Text("szHostName"), I2("port"), Text("szUserID"), Text("szPassword")},
         R::I4,
         "method FtpConnect",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpConnect(a.Text(0), a.I2(1), a.Text(2), a.Text(3)));
         }},
        {"FtpDel",
         38,
         M::Method,
         {I4("hSession"), Text("pRemoteName")},
         R::I4,
         "method FtpDel",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpDel(a.I4(0), a.Text(1)));
         }},
        {"FtpGet",
         39,
         M::Method,
         {I4("hSession"), Text("pRemoteName"), Text("pLocalName"), I4("bBinary")},
         R::I4,
         "method FtpGet",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpGet(a.I4(0), a.Text(1), a.Text(2), a.I4(3)));
         }},
        {"FtpMkDir",
         40,
         M::Method,
         {I4("hSession"), Text("pRemoteName")},
         R::I4,
         "method FtpMkDir",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpMkDir(a.I4(0), a.Text(1)));
         }},
        {"FtpPut",
         41,
         M::Method,
         {I4("hSession"), Text("pLocalName"), Text("pRemoteName"), I4("bBinary")},
         R::I4,
         "method FtpPut",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpPut(a.I4(0), a.Text(1), a.Text(2), a.I4(3)));
         }},
        {"FtpRmDir",
         42,
         M::Method,
         {I4("hSession"), Text("pRemoteName")},
         R::I4,
         "method FtpRmDir",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpRmDir(a.I4(0), a.Text(1)));
         }},
        {"FtpRename",
         43,
         M::Method,
         {I4("hSession"), Text("oldname"), Text("newname")},
         R::I4,
         "method FtpRename",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpRename(a.I4(0), a.Text(1), a.Text(2)));
         }},
        {"FtpTest",
         44,
         M::Method,
         {I4("hSession"), Text("pRemoteName")},
         R::I4,
         "method FtpTest",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FtpTest(a.I4(0), a.Text(1)));
         }},
        {"FindWindow",
         45,
         M::Method,
         {Optional("rxWindowText"), Optional("rxClassName")},
         R::I4,
         "method FindWindow",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, FindDesktopWindow(a.Text(0), a.Text(1)));
         }},
        {"SetForegroundWindow",
         46,
         M::Method,
         {I4("window")},
         R::I4,
         "method SetForegroundWindow",
         [](AutomationObject&, const CallArgs& a, Variant& out) {
             return Put(out, RaiseDesktopWindow(a.I4(0)));
         }},
        {"Setup",
         47,
         M::Method,
         {I4("selector"), {"value", ParamType::Context}},
         R::I4,
         "method Setup",
         [](AutomationObject& self, const CallArgs& a, Variant& out) {
             Self(self).Link().Setup(a.I4(0), a.Context(1));
             return Done(out);
         }},
        {"Return",
         48,
         M::Method,
         {Whole("action")},
         R::I4,
         "method Return",
         [](AutomationObject& self, const CallArgs& a, Variant& out) {
             Self(self).Link().Return(a.Text(0));
             return Done(out);
         }},
        {"Raise",
         49,
         M::Method,
         {},
         R::I4,
         "method Raise",
         [](AutomationObject& self, const CallArgs&, Variant& out) {
             Self(self).Link().Raise();
             return Done(out);
         }},
        {"AddUpdateInfo",
         50,
         M::Method,
         {Whole("item"), Whole("value"), Whole("attribute"), Whole("attribute_value")},
         R::I4,
         "method AddUpdateInfo",
         [](AutomationObject& self, const CallArgs& a, Variant& out) {
             Self(self).Link().AddUpdateInfo(a.Text(0), a.Text(1), a.Text(2), a.Text(3));
             return Done(out);
         }},
    };
}

} // namespace

std::span<const MemberInfo> RuntimeMembers() {
    static const std::vector<MemberInfo> members = MakeMembers();
    return members;
}

RuntimeObject::RuntimeObject() : AutomationObject("IRuntime", RuntimeMembers()) {}

RuntimeObject::~RuntimeObject() {
    EndImpersonationOf(this);
}

} // namespace ob::corelib
