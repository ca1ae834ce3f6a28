// The member table of the ftp object: Iftp's 28 members in slot order with their
// dispatch ids, parameters and the bodies that call FtpObject.
#include "OBCoreLib/ftp/ftp_object.h"

#include <limits>
#include <vector>

namespace ob::corelib {
namespace {

using vbscript::Variant;
using R = ResultType;
using M = MemberKind;

FtpObject& Self(AutomationObject& object) {
    return static_cast<FtpObject&>(object);
}

// Texts reach the client whole: names and paths are not cut to a buffer.
ParamInfo Text(std::string_view name) {
    return {name, ParamType::Text, TextUse::Plain, kWholeText};
}
ParamInfo Mode() {
    return {"mode", ParamType::I2};
}

HResult Put(Variant& out, const I4Result& result) {
    out = Variant::Long(result.value);
    return result.status;
}

HResult PutText(Variant& out, std::string text) {
    out = Variant::String(std::move(text));
    return HResult::Ok;
}

HResult PutTruth(Variant& out, bool value) {
    out = Variant::Long(Truth(value));
    return HResult::Ok;
}

// A text property's get and put rows, which share the name and dispatch id.
template <FtpText Property>
void AddTextProperty(std::vector<MemberInfo>& members, std::string_view name, std::int32_t dispid,
                     std::string_view help) {
    members.push_back({name,
                       dispid,
                       M::PropertyGet,
                       {},
                       R::Text,
                       help,
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutText(out, Self(self).Text(Property));
                       }});
    members.push_back({name,
                       dispid,
                       M::PropertyPut,
                       {Text("newVal")},
                       R::None,
                       help,
                       [](AutomationObject& self, const CallArgs& a, Variant&) {
                           Self(self).SetText(Property, a.Text(0));
                           return HResult::Ok;
                       }});
}

template <FtpOperation Operation>
MemberInfo OperationRow(std::string_view name, std::int32_t dispid, std::string_view help,
                        std::vector<ParamInfo> params) {
    return {name,
            dispid,
            M::Method,
            std::move(params),
            R::I4,
            help,
            [](AutomationObject& self, const CallArgs& a, Variant& out) {
                return Put(out, Self(self).Run(Operation, a));
            }};
}

std::vector<MemberInfo> MakeMembers() {
    std::vector<MemberInfo> members;
    AddTextProperty<FtpText::kServer>(members, "Server", 1, "property Server");
    AddTextProperty<FtpText::kUserName>(members, "UserName", 2, "property UserName");
    AddTextProperty<FtpText::kPassword>(members, "Password", 3, "property Password");
    members.push_back({"Port",
                       4,
                       M::PropertyGet,
                       {},
                       R::I4,
                       "property Port",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           const std::uint32_t port = Self(self).Port();
                           // An unsigned value beyond Long stays exact as a Double.
                           out = port <= std::numeric_limits<std::int32_t>::max()
                                     ? Variant::Long(static_cast<std::int32_t>(port))
                                     : Variant::Double(port);
                           return HResult::Ok;
                       }});
    members.push_back({"Port",
                       4,
                       M::PropertyPut,
                       {{"newVal", ParamType::UI4}},
                       R::None,
                       "property Port",
                       [](AutomationObject& self, const CallArgs& a, Variant&) {
                           Self(self).SetPort(a.UI4(0));
                           return HResult::Ok;
                       }});
    members.push_back({"Passive",
                       5,
                       M::PropertyGet,
                       {},
                       R::I4,
                       "property Passive",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutTruth(out, Self(self).Passive());
                       }});
    members.push_back({"Passive",
                       5,
                       M::PropertyPut,
                       {{"newVal", ParamType::I4}},
                       R::None,
                       "property Passive",
                       [](AutomationObject& self, const CallArgs& a, Variant&) {
                           Self(self).SetPassive(a.I4(0) != 0);
                           return HResult::Ok;
                       }});
    members.push_back({"Connect",
                       6,
                       M::Method,
                       {},
                       R::I4,
                       "method Connect",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return Put(out, Self(self).Connect());
                       }});
    members.push_back({"Disconnect",
                       7,
                       M::Method,
                       {},
                       R::None,
                       "method Disconnect",
                       [](AutomationObject& self, const CallArgs&, Variant&) {
                           return Self(self).Disconnect();
                       }});
    members.push_back({"GetLastError",
                       8,
                       M::Method,
                       {},
                       R::I4,
                       "method GetLastError",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return Put(out, {HResult::Ok, Self(self).GetLastError()});
                       }});
    members.push_back({"ClearLastError",
                       9,
                       M::Method,
                       {},
                       R::None,
                       "method ClearLastError",
                       [](AutomationObject& self, const CallArgs&, Variant&) {
                           Self(self).ClearLastError();
                           return HResult::Ok;
                       }});
    members.push_back({"GetErrorString",
                       10,
                       M::Method,
                       {{"error", ParamType::I4}},
                       R::Text,
                       "method GetErrorString",
                       [](AutomationObject& self, const CallArgs& a, Variant& out) {
                           return PutText(out, Self(self).GetErrorString(a.I4(0)));
                       }});
    members.push_back({"GetLastResponse",
                       11,
                       M::Method,
                       {},
                       R::Text,
                       "method GetLastResponse",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutText(out, Self(self).GetLastResponse());
                       }});
    members.push_back({"InitLogFile",
                       12,
                       M::Method,
                       {Text("logfile_name")},
                       R::I4,
                       "method InitLogFile",
                       [](AutomationObject& self, const CallArgs& a, Variant& out) {
                           return Put(out, Self(self).InitLogFile(a.Text(0)));
                       }});
    members.push_back({"LogFileWrite",
                       13,
                       M::Method,
                       {Text("text")},
                       R::None,
                       "method LogFileWrite",
                       [](AutomationObject& self, const CallArgs& a, Variant&) {
                           Self(self).LogFileWrite(a.Text(0));
                           return HResult::Ok;
                       }});
    members.push_back({"Test",
                       14,
                       M::Method,
                       {Text("filename")},
                       R::I4,
                       "method Test",
                       [](AutomationObject& self, const CallArgs& a, Variant& out) {
                           return PutTruth(out, Self(self).Test(a.Text(0)));
                       }});
    using O = FtpOperation;
    members.push_back(OperationRow<O::kGet>("Get", 15, "method Get",
                                            {Text("remote_name"), Text("local_name"), Mode()}));
    members.push_back(OperationRow<O::kDel>("Del", 16, "method Del", {Text("remote_name")}));
    members.push_back(OperationRow<O::kPut>("Put", 17, "method Put",
                                            {Text("local_name"), Text("remote_name"), Mode()}));
    members.push_back(OperationRow<O::kRename>("Rename", 18, "method Rename",
                                               {Text("old_name"), Text("new_name")}));
    members.push_back(OperationRow<O::kRGet>(
        "RGet", 19, "method RGet", {Text("remote_wildcardSpec"), Text("local_dirName"), Mode()}));
    members.push_back(OperationRow<O::kRDel>("RDel", 20, "method RDel", {Text("remote_name")}));
    members.push_back(OperationRow<O::kMGet>(
        "MGet", 21, "method MGet", {Text("remote_wildcardSpec"), Text("local_dirName"), Mode()}));
    members.push_back(OperationRow<O::kRPut>(
        "RPut", 22, "method RPut", {Text("local_wildcardSpec"), Text("remote_dirName"), Mode()}));
    members.push_back(OperationRow<O::kMPut>(
        "MPut", 23, "method MPut", {Text("local_wildcardSpec"), Text("remote_dirName"), Mode()}));
    members.push_back(
        OperationRow<O::kMDel>("MDel", 24, "method MDel", {Text("remote_wildcardSpec")}));
    members.push_back(OperationRow<O::kCd>("Cd", 25, "method Cd", {Text("remote_dirName")}));
    members.push_back(
        OperationRow<O::kMkdir>("Mkdir", 26, "method Mkdir", {Text("remote_dirName")}));
    members.push_back(
        OperationRow<O::kRmdir>("Rmdir", 27, "method Rmdir", {Text("remote_dirName")}));
    members.push_back({"TextTypes",
                       28,
                       M::PropertyGet,
                       {},
                       R::Text,
                       "property TextTypes",
                       [](AutomationObject& self, const CallArgs&, Variant& out) {
                           return PutText(out, Self(self).TextTypes());
                       }});
    members.push_back({"TextTypes",
                       28,
                       M::PropertyPut,
                       {Text("newVal")},
                       R::None,
                       "property TextTypes",
                       [](AutomationObject& self, const CallArgs& a, Variant&) {
                           Self(self).SetTextTypes(a.Text(0));
                           return HResult::Ok;
                       }});
    return members;
}

} // namespace

std::span<const MemberInfo> FtpMembers() {
    static const std::vector<MemberInfo> members = MakeMembers();
    return members;
}

} // namespace ob::corelib
