// The script control: compilation and run-time errors with their numbers, lines and
// texts, Run with arguments, Reset, and hostile input that must not crash.
#include "vbscript/script_control.h"
#include "vbscript/vbscript_control.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace {

using ob::vbscript::CreateScriptControl;
using ob::vbscript::ScriptControl;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

struct ErrorCase {
    const char* code;
    long number;
    long line;
    const char* text;
};

TEST(ScriptControl, CreatesOnlyVBScript) {
    EXPECT_NE(CreateScriptControl("vbscript"), nullptr);
    EXPECT_EQ(CreateScriptControl("JScript"), nullptr);
}

TEST(ScriptControl, CompilationErrors) {
    const ErrorCase cases[] = {
        {"x = 1 +", 1023, 1, "x = 1 +"},
        {"x = 1\ny = 2 3", 1025, 2, "y = 2 3"},
        {"If x Then\nx = 1\n", 1014, 3, ""},
        {"x = (1 + 2", 1006, 1, "x = (1 + 2"},
        {"x = \"open", 1033, 1, "x = \"open"},
        {"For i = 1 5\nNext", 1013, 1, "For i = 1 5"},
        {"Do\nx = 1\n", 1019, 3, ""},
        {"While x\n", 1018, 2, ""},
        {"Select Case x\nCase 1\n", 1014, 3, ""},
        {"Sub A\nEnd Function", 1016, 2, "End Function"},
        {"Function F()\nFunction G()\nEnd Function\nEnd Function", 1002, 2, "Function G()"},
        {"x = 1 $ 2", 1032, 1, "x = 1 $ 2"},
        {"Exit Loop", 1039, 1, "Exit Loop"},
        {"Dim 5", 1010, 1, "Dim 5"},
        {"x = 1\n\n  Next", 1024, 3, "  Next"},
        {"x = 1 _\n + _\n", 1023, 3, ""},
        {"Class C\nPublic x\n", 1014, 3, ""},
        {"Property Get P()\nEnd Property", 1048, 1, "Property Get P()"},
        {"Class C\nSub A\nEnd Sub\nFunction A\nEnd Function\nEnd Class", 1041, 4, "Function A"},
        {"Class C\nx = 1\nEnd Class", 1002, 2, "x = 1"},
        {"If 1 Then\nClass C\nEnd Class\nEnd If", 1002, 2, "Class C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        VBScriptControl control;
        EXPECT_FALSE(control.AddCode(c.code));
        EXPECT_EQ(control.Error().number, c.number);
        EXPECT_EQ(control.Error().line, c.line);
        EXPECT_EQ(control.Error().text, c.text);
        EXPECT_EQ(control.Error().source, "VBScript compilation error");
    }
}

TEST(ScriptControl, CompilationErrorRunsNothing) {
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("Dim ran\nran = 0"));
    EXPECT_FALSE(control.AddCode("ran = 1\nx = )"));
    Variant result;
    ASSERT_TRUE(control.AddCode("Function Ran() : Ran = ran : End Function"));
    ASSERT_TRUE(control.Run("Ran", {}, result));
    EXPECT_EQ(result.ToLong(), 0);
}

TEST(ScriptControl, RuntimeErrors) {
    const ErrorCase cases[] = {
        {"x = 1\ny = x / 0", 11, 2, "y = x / 0"},
        {"Dim a(2)\na(3) = 1", 9, 2, "a(3) = 1"},
        {"x = \"a\" * 2", 13, 1, "x = \"a\" * 2"},
        {"Set x = 5", 424, 1, "Set x = 5"},
        {"x = Err.Nope", 438, 1, "x = Err.Nope"},
        {"x = Len()", 450, 1, "x = Len()"},
        {"Option Explicit\nDim a\nb = 1", 500, 3, "b = 1"},
        {"Sub S\n  x = 1 / 0\nEnd Sub\nS", 11, 2, "  x = 1 / 0"},
        {"Function F(n)\nF = F(n + 1)\nEnd Function\nx = F(1)", 28, 2, "F = F(n + 1)"},
        {"Err.Raise 1234", 1234, 1, "Err.Raise 1234"},
        {"Const c = 1\nc = 2", 501, 2, "c = 2"},
        {"If 1 Then\n\n  x = CInt(1e10)\nEnd If", 6, 3, "  x = CInt(1e10)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        VBScriptControl control;
        EXPECT_FALSE(control.AddCode(c.code));
        EXPECT_EQ(control.Error().number, c.number);
        EXPECT_EQ(control.Error().line, c.line);
        EXPECT_EQ(control.Error().text, c.text);
        EXPECT_EQ(control.Error().source, "VBScript runtime error");
        EXPECT_FALSE(control.Error().description.empty());
    }
}

TEST(ScriptControl, DescriptionsAndRaisedSource) {
    VBScriptControl control;
    EXPECT_FALSE(control.AddCode("x = 1 / 0"));
    EXPECT_EQ(control.Error().description, "Division by zero");
    EXPECT_FALSE(control.AddCode("Err.Raise 5000, \"my source\", \"my text\""));
    EXPECT_EQ(control.Error().number, 5000);
    EXPECT_EQ(control.Error().source, "my source");
    EXPECT_EQ(control.Error().description, "my text");
    ASSERT_TRUE(control.AddCode("x = 1"));
    EXPECT_EQ(control.Error().number, 0); // success clears the last error
}

TEST(ScriptControl, RunCallsFunctionsWithArguments) {
    auto control = CreateScriptControl("VBScript");
    ASSERT_TRUE(control->AddCode("Dim calls\n"
                                 "Function Add(a, b) : Add = a + b : calls = calls + 1 : End "
                                 "Function\n"
                                 "Sub Bump(x) : x = x + 1 : calls = calls + 1 : End Sub\n"
                                 "Function Count() : Count = calls : End Function"));
    Variant result;
    ASSERT_TRUE(control->Run("add", {Variant::Integer(2), Variant::String("3")}, result));
    EXPECT_EQ(result.Type(), ob::vbscript::VarType::Double);
    EXPECT_EQ(result.ToLong(), 5);
    ASSERT_TRUE(control->Run("Bump", {Variant::Integer(1)}, result));
    EXPECT_TRUE(result.IsEmpty());
    ASSERT_TRUE(control->Run("Count", {}, result));
    EXPECT_EQ(result.ToLong(), 2);
    EXPECT_FALSE(control->Run("Add", {Variant::Integer(1)}, result));
    EXPECT_EQ(control->Error().number, 450);
    EXPECT_FALSE(control->Run("Missing", {}, result));
    EXPECT_EQ(control->Error().number, 13);
}

TEST(ScriptControl, ModuleLevelCodeRunsWhenAdded) {
    VBScriptControl control;
    std::ostringstream out;
    control.SetOutput(&out);
    ASSERT_TRUE(control.AddCode("MsgBox \"one\""));
    ASSERT_TRUE(control.AddCode("Function Two() : Two = 2 : End Function\nMsgBox Two()"));
    EXPECT_EQ(out.str(), "one\n2\n");
}

TEST(ScriptControl, ResetDropsCodeAndVariables) {
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("Dim v : v = 5\nFunction F() : F = v : End Function"));
    Variant result;
    ASSERT_TRUE(control.Run("F", {}, result));
    EXPECT_EQ(result.ToLong(), 5);
    ASSERT_TRUE(control.Reset());
    EXPECT_FALSE(control.Run("F", {}, result));
    ASSERT_TRUE(control.AddCode("Function F() : F = IsEmpty(v) : End Function"));
    ASSERT_TRUE(control.Run("F", {}, result));
    EXPECT_TRUE(result.ToBool());
}

TEST(ScriptControl, ErrorStateDoesNotLeakBetweenCalls) {
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("On Error Resume Next\nx = 1 / 0"));
    // A later call starts without the earlier handler.
    EXPECT_FALSE(control.AddCode("y = 1 / 0"));
    EXPECT_EQ(control.Error().number, 11);
}

TEST(ScriptControl, ObjectsOutlivingTheControlFailSafely) {
    Variant object;
    {
        VBScriptControl control;
        ASSERT_TRUE(
            control.AddCode("Class C\nPublic v\nSub Class_Terminate() : v = 1 : End Sub\n"
                            "End Class\nFunction Make() : Set Make = New C : End Function"));
        ASSERT_TRUE(control.Run("Make", {}, object));
        ASSERT_TRUE(object.IsObject());
        EXPECT_EQ(object.TypeName(), "C");
    }
    std::vector<Variant> none;
    try {
        object.ObjectValue()->Invoke("v", ob::vbscript::InvokeKind::PropertyGet, none);
        ADD_FAILURE() << "a call into a destroyed control succeeded";
    } catch (const ob::vbscript::ScriptException& e) {
        EXPECT_EQ(e.number, 424);
    }
}

TEST(ScriptControl, ErrorsInsideClassTerminateStayThere) {
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("Dim done\nClass C\nSub Class_Terminate() : x = 1 / 0 : End Sub\n"
                                "End Class\nDim o : Set o = New C : Set o = Nothing\ndone = 1\n"
                                "Function After() : After = done : End Function"));
    Variant result;
    ASSERT_TRUE(control.Run("After", {}, result));
    EXPECT_EQ(result.ToLong(), 1);
}

// Sources that nest or repeat beyond any sensible script end in an error, never a crash.
TEST(ScriptControl, HostileSourcesEndInErrors) {
    const auto expectFailsOrRuns = [](const std::string& code, long expected) {
        VBScriptControl control;
        const bool ok = control.AddCode(code);
        if (!ok) {
            EXPECT_EQ(control.Error().number, expected) << control.Error().description;
        }
        return ok;
    };
    EXPECT_FALSE(
        expectFailsOrRuns("x = " + std::string(200000, '(') + "1" + std::string(200000, ')'), 28));
    EXPECT_FALSE(expectFailsOrRuns("x = " + std::string(200000, '-') + "1", 28));
    std::string ifs;
    for (int i = 0; i < 20000; ++i) {
        ifs += "If True Then\n";
    }
    EXPECT_FALSE(expectFailsOrRuns(ifs, 28));
    std::string sum = "x = 1";
    for (int i = 0; i < 300000; ++i) {
        sum += "+1";
    }
    expectFailsOrRuns(sum, 28); // either evaluates or runs out of stack cleanly
    EXPECT_FALSE(expectFailsOrRuns("x = Space(300000000)", 7));
    EXPECT_FALSE(expectFailsOrRuns("x = String(2147483647, \"a\")", 7));
    EXPECT_FALSE(expectFailsOrRuns("ReDim a(2147483647)", 7));
}

TEST(ScriptControl, RandomBytesNeverCrash) {
    std::mt19937 random(20261208);
    const std::string alphabet = "abcdefxyz019 ()+-*/\\^&=<>,.:'\"_#\n\tIfThenEndSubDimForNext";
    for (int round = 0; round < 3000; ++round) {
        std::string code;
        const int length = static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i) {
            code += alphabet[random() % alphabet.size()];
        }
        VBScriptControl control;
        if (!control.AddCode(code)) {
            EXPECT_NE(control.Error().number, 0) << code;
            EXPECT_FALSE(control.Error().description.empty()) << code;
        }
    }
}

} // namespace
