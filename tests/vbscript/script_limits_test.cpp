// What a host can bound: the time-out and statement budget of a call, whether the
// script may talk to the user, and the reach of Option Explicit.
#include "vbscript/vbscript_control.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using ob::vbscript::ScriptAbort;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

TEST(ScriptLimits, TimeOutEndsEndlessLoopsEvenUnderResumeNext) {
    const char* const loops[] = {
        "Do\nLoop",
        "On Error Resume Next\nDo\n  x = x + 1\nLoop",
        "While True\nWend",
        "Sub Spin()\n  Do : Loop\nEnd Sub\nOn Error Resume Next\nSpin\nx = 1",
        "For i = 1 To 2\n  i = 1\nNext",
    };
    for (const char* code : loops) {
        SCOPED_TRACE(code);
        VBScriptControl control;
        control.SetTimeout(50);
        EXPECT_FALSE(control.AddCode(code));
        EXPECT_EQ(control.Error().number, ScriptAbort::kNumber);
        EXPECT_NE(control.Error().description.find("time-out of 50 ms"), std::string::npos);
        EXPECT_EQ(control.Error().source, VBScriptControl::kRuntimeSource);
        EXPECT_GT(control.Error().line, 0);
    }
}

TEST(ScriptLimits, TimeOutAppliesToEachCallAfresh) {
    VBScriptControl control;
    control.SetTimeout(200);
    ASSERT_TRUE(control.AddCode("Function Quick(n)\n Quick = n * 2\nEnd Function\n"
                                "Function Forever()\n Do : Loop\nEnd Function"));
    for (int i = 0; i < 3; ++i) {
        Variant result;
        ASSERT_TRUE(control.Run("Quick", {Variant::Integer(i)}, result));
        EXPECT_EQ(result.ToLong(), i * 2);
    }
    Variant result;
    EXPECT_FALSE(control.Run("Forever", {}, result));
    EXPECT_EQ(control.Error().number, ScriptAbort::kNumber);
    EXPECT_EQ(control.Error().line, 5);
    EXPECT_EQ(control.Error().text, " Do : Loop");
    // The control stays usable after an aborted call.
    ASSERT_TRUE(control.Run("Quick", {Variant::Integer(21)}, result));
    EXPECT_EQ(result.ToLong(), 42);
}

TEST(ScriptLimits, NoTimeOutByDefault) {
    VBScriptControl control;
    control.SetTimeout(-1);
    ASSERT_TRUE(control.AddCode("For i = 1 To 200000 : x = x + 1 : Next"));
}

TEST(ScriptLimits, StepLimitCountsStatementsAndLoopRounds) {
    VBScriptControl control;
    control.SetStepLimit(1000);
    // Well inside the budget: 100 rounds of a two-statement body.
    ASSERT_TRUE(control.AddCode("For i = 1 To 100 : x = x + 1 : Next"));
    EXPECT_FALSE(control.AddCode("For i = 1 To 100000 : x = x + 1 : Next"));
    EXPECT_EQ(control.Error().number, ScriptAbort::kNumber);
    EXPECT_NE(control.Error().description.find("budget of 1000 statements"), std::string::npos);
    // Empty loops, recursion and Execute'd code are counted too.
    const char* const spenders[] = {
        "Do : Loop",
        "Sub R(n)\n R n + 1\nEnd Sub\nOn Error Resume Next\nR 0",
        "Execute \"Do : Loop\"",
        "On Error Resume Next\nFor Each x In Array(1, 2)\n  Do While True : Loop\nNext",
    };
    for (const char* code : spenders) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(control.AddCode(code));
        EXPECT_TRUE(control.Error().number == ScriptAbort::kNumber ||
                    control.Error().number == 28); // recursion may hit the stack first
    }
}

TEST(ScriptLimits, UserInterfaceCanBeRefused) {
    std::ostringstream out;
    VBScriptControl control;
    control.SetOutput(&out);
    ASSERT_TRUE(control.AddCode("MsgBox \"shown\""));
    EXPECT_EQ(out.str(), "shown\n");
    control.SetAllowUI(false);
    EXPECT_FALSE(control.AddCode("MsgBox \"hidden\""));
    EXPECT_EQ(control.Error().number, 70);
    EXPECT_EQ(out.str(), "shown\n");
    ASSERT_TRUE(control.AddCode("On Error Resume Next\nMsgBox \"hidden\"\ncode = Err.Number"));
    Variant code;
    ASSERT_TRUE(control.AddCode("Function N() : N = code : End Function"));
    ASSERT_TRUE(control.Run("N", {}, code));
    EXPECT_EQ(code.ToLong(), 70);
}

TEST(ScriptLimits, ResetEndsHeldObjectsWithTheirClassTerminate) {
    std::ostringstream out;
    VBScriptControl control;
    control.SetOutput(&out);
    control.SetStepLimit(10000);
    ASSERT_TRUE(control.AddCode("Class Note\n Public Text\n"
                                " Sub Class_Terminate() : MsgBox \"end \" & Text : End Sub\n"
                                "End Class\n"
                                "Class Stubborn\n Sub Class_Terminate()\n  Set keep = Me\n"
                                "  Do : Loop\n End Sub\nEnd Class\n"
                                "Class Failing\n Sub Class_Terminate() : x = 1 / 0 : End Sub\n"
                                "End Class\n"
                                "Set a = New Note : a.Text = \"a\"\n"
                                "Set s = New Stubborn\nSet f = New Failing\n"
                                "Set b = New Note : b.Text = \"b\""));
    EXPECT_EQ(out.str(), "");
    // A terminate that fails, loops or keeps itself alive does not stop the reset.
    ASSERT_TRUE(control.Reset());
    EXPECT_NE(out.str().find("end a\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("end b\n"), std::string::npos) << out.str();
    Variant result;
    EXPECT_FALSE(control.Run("Anything", {}, result));
    ASSERT_TRUE(
        control.AddCode("Function Left() : Left = IsEmpty(a) And IsEmpty(keep) : End Function"));
    ASSERT_TRUE(control.Run("Left", {}, result));
    EXPECT_TRUE(result.ToBool());
}

TEST(ScriptLimits, OptionExplicitHoldsForTheCodeItWasAddedWith) {
    VBScriptControl control;
    ASSERT_TRUE(control.AddCode("Option Explicit\nDim a\nFunction Strict()\n"
                                "  undeclared = 1\nEnd Function"));
    // Later code without the option may create variables by assigning them.
    ASSERT_TRUE(control.AddCode("b = 2\nFunction Loose()\n  c = 3 : Loose = c\nEnd Function"));
    Variant result;
    ASSERT_TRUE(control.Run("Loose", {}, result));
    EXPECT_EQ(result.ToLong(), 3);
    // The procedures of the strict code stay strict.
    EXPECT_FALSE(control.Run("Strict", {}, result));
    EXPECT_EQ(control.Error().number, 500);
}

} // namespace
