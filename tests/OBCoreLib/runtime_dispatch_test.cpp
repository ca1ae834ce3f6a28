// What a script that calls the runtime object carelessly gets: every method, given
// the wrong number of arguments, values of the wrong type, texts too long for
// their buffers, empty required texts or handles that name nothing, answers with
// the error or failure result it documents, and nothing runs that should not.

#include "OBCoreLib/automation/handle_table.h"
#include "OBCoreLib/runtime/message_pump.h"
#include "OBCoreLib/runtime/runtime_object.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ob::corelib {
namespace {

using vbscript::ScriptException;
using vbscript::Variant;

// Arguments that convert for every parameter: 0 for numbers, "x" for texts.
std::vector<Variant> HarmlessArguments(const MemberInfo& member) {
    std::vector<Variant> args;
    for (const ParamInfo& param : member.params) {
        args.push_back(param.type == ParamType::Text ? Variant::String("x") : Variant::Long(0));
    }
    return args;
}

long RaisedNumber(RuntimeObject& object, const std::string& name, std::vector<Variant> args) {
    try {
        object.Invoke(name, vbscript::InvokeKind::Method, args);
    } catch (const ScriptException& e) {
        return e.number;
    }
    return 0;
}

TEST(RuntimeDispatch, MethodsKeepTheirSlotOrderAndDispatchIds) {
    const std::vector<std::string> slots = {"Print",
                                            "CheckTime",
                                            "Run",
                                            "LogonUser",
                                            "ImpersonateLoggedOnUser",
                                            "GetMessageLParam",
                                            "CreateProcessAsUser",
                                            "RevertToSelf",
                                            "ShellExecute",
                                            "CreateProcess",
                                            "NetCreateProcessAsUser",
                                            "NetCreateProcess",
                                            "GetMessage",
                                            "SetTimer",
                                            "KillTimer",
                                            "GetMessageWParam",
                                            "GetMessageId",
                                            "NetScheduleJobAddAsUser",
                                            "NetScheduleJobAdd",
                                            "NetScheduleJobDel",
                                            "NetScheduleJobGetInfo",
                                            "FreeHandle",
                                            "NetScheduleJobGetInfoTime",
                                            "NetScheduleJobGetInfoError",
                                            "NetScheduleJobGetInfoCommand",
                                            "NetScheduleJobEnum",
                                            "NetScheduleJobEnumCount",
                                            "NetScheduleJobEnumGet",
                                            "NetScheduleJobGetInfoJobId",
                                            "GetEnvironmentVariable",
                                            "SetEnvironmentVariable",
                                            "DispatchMessage",
                                            "DestroyCronContext",
                                            "PumpMessage",
                                            "FtpCd",
                                            "FtpClose",
                                            "FtpConnect",
                                            "FtpDel",
                                            "FtpGet",
                                            "FtpMkDir",
                                            "FtpPut",
                                            "FtpRmDir",
                                            "FtpRename",
                                            "FtpTest",
                                            "FindWindow",
                                            "SetForegroundWindow",
                                            "Setup",
                                            "Return",
                                            "Raise",
                                            "AddUpdateInfo"};
    const auto members = RuntimeMembers();
    ASSERT_EQ(members.size(), slots.size());
    for (std::size_t i = 0; i < slots.size(); ++i) {
        EXPECT_EQ(members[i].name, slots[i]);
        EXPECT_EQ(members[i].dispid, static_cast<std::int32_t>(i + 1)) << slots[i];
        const std::string help = slots[i] == "CreateProcessAsUser"
                                     ? "method CreateProcessAsUserInteractive"
                                     : "method " + slots[i];
        EXPECT_EQ(members[i].help, help);
    }
}

TEST(RuntimeDispatch, NamesCompareWithoutCaseAndUnknownNamesRaise438) {
    RuntimeObject object;
    EXPECT_EQ(object.Call("rEVERTtOsELF", {}).value.ToLong(), -1);
    EXPECT_EQ(RaisedNumber(object, "NoSuchMethod", {}), 438);
    std::vector<Variant> put = {Variant::Long(1)};
    EXPECT_THROW(object.Invoke("Raise", vbscript::InvokeKind::PropertyPut, put), ScriptException);
    EXPECT_EQ(object.TypeName(), "IRuntime");
}

TEST(RuntimeDispatch, EveryMethodRefusesAWrongNumberOfArguments) {
    RuntimeObject object;
    for (const MemberInfo& member : RuntimeMembers()) {
        std::vector<Variant> args = HarmlessArguments(member);
        args.push_back(Variant::Long(0));
        EXPECT_EQ(RaisedNumber(object, std::string(member.name), args), 450) << member.name;
        if (!member.params.empty()) {
            args.resize(member.params.size() - 1);
            EXPECT_EQ(RaisedNumber(object, std::string(member.name), args), 450) << member.name;
        }
    }
}

TEST(RuntimeDispatch, NumbersOfTheWrongTypeOrSizeRaiseBeforeTheMethodRuns) {
    struct Case {
        Variant value;
        long i2;
        long i4;
        long context;
    };
    const std::vector<Case> cases = {
        {Variant::String("abc"), 13, 13, 13}, {Variant::Null(), 13, 13, 13},
        {Variant::Double(40000), 6, 0, 0},    {Variant::Double(1e12), 6, 6, 0},
        {Variant::Double(1e300), 6, 6, 6},    {Variant::Double(2.5), 0, 0, 13},
    };
    RuntimeObject object;
    for (const MemberInfo& member : RuntimeMembers()) {
        for (std::size_t p = 0; p < member.params.size(); ++p) {
            const ParamType type = member.params[p].type;
            if (type == ParamType::Text) {
                continue;
            }
            for (const Case& c : cases) {
                const long expected = type == ParamType::I2   ? c.i2
                                      : type == ParamType::I4 ? c.i4
                                                              : c.context;
                if (expected == 0) {
                    continue; // converts: the method would run
                }
                std::vector<Variant> args = HarmlessArguments(member);
                args[p] = c.value;
                // A long text elsewhere would stop the call too: the raise must win.
                EXPECT_EQ(RaisedNumber(object, std::string(member.name), args), expected)
                    << member.name << " parameter " << member.params[p].name << " given "
                    << c.value.TypeName();
            }
        }
    }
}

TEST(RuntimeDispatch, TextsThatDoNotFitOrRequiredTextsLeftEmptyGiveSFalseAndZero) {
    test::ScratchDir dir;
    test::UseScratchStores(dir);
    RuntimeObject object;
    for (const MemberInfo& member : RuntimeMembers()) {
        for (std::size_t p = 0; p < member.params.size(); ++p) {
            const ParamInfo& param = member.params[p];
            if (param.type != ParamType::Text) {
                continue;
            }
            std::vector<std::string> refused;
            if (param.limit != kWholeText) {
                refused.push_back(std::string(param.limit + 1, 'y'));
            }
            if (param.use == TextUse::Required) {
                refused.push_back("");
                refused.push_back(std::string("\0abc", 4)); // ends at its NUL: empty
            }
            for (const std::string& text : refused) {
                std::vector<Variant> args = HarmlessArguments(member);
                args[p] = Variant::String(text);
                const CallResult result = object.Call(member.name, args);
                EXPECT_EQ(result.status, HResult::False)
                    << member.name << " " << param.name << " of " << text.size() << " bytes";
                EXPECT_EQ(result.value.ToString(),
                          AutomationObject::ZeroResult(member.result).ToString())
                    << member.name;
            }
        }
    }
}

TEST(RuntimeDispatch, TextsExactlyAtTheirLimitStillReachTheMethod) {
    test::ScratchDir dir;
    test::UseScratchStores(dir);
    RuntimeObject object;
    const std::string longest(1023, 'v');
    const CallResult set =
        object.Call("SetEnvironmentVariable", {Variant::Long(1), Variant::String(longest),
                                               Variant::String(std::string(8191, 'w'))});
    EXPECT_EQ(set.status, HResult::Ok);
    const CallResult get =
        object.Call("GetEnvironmentVariable", {Variant::Long(1), Variant::String(longest)});
    EXPECT_EQ(get.value.ToString(), std::string(8191, 'w'));
    EXPECT_EQ(object
                  .Call("SetEnvironmentVariable", {Variant::Long(1), Variant::String(longest),
                                                   Variant::String(std::string(8192, 'w'))})
                  .status,
              HResult::False);
}

TEST(RuntimeDispatch, HandlesThatNameNothingAreFailuresNeverAddresses) {
    RuntimeObject object;
    // A handle that existed once and one that never did.
    const std::int32_t freed = HandleTable::Process().Add(
        std::make_shared<MessagePayload>(msg::Message{0, 0x401, 1, 2}, 0));
    ASSERT_NE(freed, 0);
    ASSERT_EQ(HandleTable::Process().Free(freed), HandleTable::FreeResult::Closed);
    struct Case {
        const char* method;
        std::vector<Variant> extra; ///< arguments after the handle
        std::int32_t value;
        HResult status;
    };
    const std::vector<Case> cases = {
        {"FreeHandle", {}, 0, HResult::False},
        {"GetMessageId", {}, -1, HResult::False},
        {"GetMessageWParam", {}, 0, HResult::False},
        {"GetMessageLParam", {}, 0, HResult::False},
        {"DispatchMessage", {}, 0, HResult::False},
        {"ImpersonateLoggedOnUser", {}, 0, HResult::False},
        {"SetForegroundWindow", {}, 0, HResult::False},
        {"NetScheduleJobGetInfoJobId", {}, -1, HResult::Ok},
        {"NetScheduleJobGetInfoError", {}, 0, HResult::Ok},
        {"NetScheduleJobEnumCount", {}, 0, HResult::False},
        {"NetScheduleJobEnumGet", {Variant::Long(1)}, 0, HResult::False},
        {"FtpClose", {}, 0, HResult::False},
        {"FtpCd", {Variant::String("d")}, 0, HResult::False},
        {"FtpDel", {Variant::String("f")}, 0, HResult::False},
        {"FtpMkDir", {Variant::String("d")}, 0, HResult::False},
        {"FtpRmDir", {Variant::String("d")}, 0, HResult::False},
        {"FtpRename", {Variant::String("a"), Variant::String("b")}, 0, HResult::False},
        {"FtpTest", {Variant::String("*")}, 0, HResult::False},
        {"FtpGet",
         {Variant::String("r"), Variant::String("l"), Variant::Long(-1)},
         0,
         HResult::False},
        {"FtpPut",
         {Variant::String("l"), Variant::String("r"), Variant::Long(0)},
         0,
         HResult::False},
    };
    // A live handle of another kind is no FTP session either, and stays alive.
    const std::int32_t message = HandleTable::Process().Add(
        std::make_shared<MessagePayload>(msg::Message{0, 0x402, 1, 2}, 0));
    ASSERT_NE(message, 0);
    for (const std::int32_t handle : {0, freed, 0x7FFFFFFF, -5, message}) {
        for (const Case& c : cases) {
            if (handle == message && std::string_view(c.method).substr(0, 3) != "Ftp") {
                continue;
            }
            std::vector<Variant> args = {Variant::Long(handle)};
            args.insert(args.end(), c.extra.begin(), c.extra.end());
            const CallResult result = object.Call(c.method, args);
            EXPECT_EQ(result.value.ToLong(), c.value) << c.method << " " << handle;
            EXPECT_EQ(result.status, c.status) << c.method << " " << handle;
        }
    }
    EXPECT_EQ(object.Call("GetMessageId", {Variant::Long(message)}).value.ToLong(), 0x402);
    EXPECT_EQ(HandleTable::Process().Free(message), HandleTable::FreeResult::Closed);
    EXPECT_EQ(object.Call("NetScheduleJobGetInfoCommand", {Variant::Long(freed)}).status,
              HResult::False);
    EXPECT_EQ(object.Call("NetScheduleJobGetInfoTime", {Variant::Long(freed)}).value.ToString(),
              "");
}

TEST(RuntimeDispatch, TheRemoteJobMethodsAnswerTheirRefusal) {
    RuntimeObject object;
    const auto s = [](const char* text) { return Variant::String(text); };
    const auto n = [](int value) { return Variant::Long(value); };
    struct Case {
        const char* method;
        std::vector<Variant> args;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"NetCreateProcess", {n(0), s("."), s("ls")}, -1},
        {"NetCreateProcessAsUser", {n(0), s("u"), s(""), s("p"), s("ls")}, -1},
        {"NetScheduleJobAdd", {n(0), s(""), s("30 2 * * *"), s("ls")}, -1},
        {"NetScheduleJobAddAsUser", {n(0), s("u"), s(""), s("p"), s("30 2 * * *"), s("ls")}, -1},
        {"NetScheduleJobDel", {s(""), n(1), n(5)}, 0},
        {"NetScheduleJobGetInfo", {s(""), n(1)}, 0},
        {"NetScheduleJobEnum", {s("")}, 0},
    };
    for (const Case& c : cases) {
        const CallResult result = object.Call(c.method, c.args);
        EXPECT_EQ(result.value.ToLong(), c.value) << c.method;
        EXPECT_EQ(result.status, HResult::False) << c.method;
    }
    const CallResult run = object.Call("Run", {n(1), s("f"), s("c")});
    EXPECT_EQ(run.status, HResult::Ok);
    EXPECT_TRUE(run.value.IsEmpty());
}

} // namespace
} // namespace ob::corelib
