// The language as its reference describes it, feature by feature: each case is a
// script and what it must print through WScript.Echo, or the error number it must
// end with (after printing what it printed until then).
#include "vbscript/object.h"
#include "vbscript/vbscript_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace {

using ob::vbscript::InvokeKind;
using ob::vbscript::Object;
using ob::vbscript::Variant;
using ob::vbscript::VBScriptControl;

// WScript with Echo alone: the values (objects as their default value) separated by
// blanks, a line break after each call.
class EchoHost final : public Object {
public:
    std::string TypeName() const override { return "WScript"; }
    Variant Invoke(std::string_view, InvokeKind, std::vector<Variant>& args) override {
        for (std::size_t i = 0; i < args.size(); ++i) {
            output += (i > 0 ? " " : "") + (args[i].IsNull() ? "Null" : args[i].ToString());
        }
        output += "\n";
        return {};
    }
    std::string output;
};

struct Case {
    std::string script;
    std::string output; ///< what WScript.Echo printed, each line ended by "\n"
    long error = 0;     ///< the error the script ends with; 0: none
};

// Runs each script in a control of its own (destroyed before the output is read,
// so that the Class_Terminate of what the script still holds has run), bounded by
// `stepLimit` statements when it is not 0.
void RunCases(std::span<const Case> cases, std::uint64_t stepLimit = 0) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        auto host = std::make_shared<EchoHost>();
        {
            VBScriptControl control;
            control.SetStepLimit(stepLimit);
            ASSERT_TRUE(control.AddObject("WScript", host));
            const bool ok = control.AddCode(c.script);
            EXPECT_EQ(ok ? 0 : control.Error().number, c.error) << control.Error().description;
        }
        EXPECT_EQ(host->output, c.output);
    }
}

TEST(Language, ComparisonAndConcatenationSpellings) {
    const Case cases[] = {
        {"WScript.Echo 1 >< 2, 1 >< 1, 2 => 1, 1 =< 0", "True False True False\n"},
        {"hi = \"there\" : WScript.Echo \"x\" &hi", "xthere\n"},
        {"WScript.Echo &HFF, &o17, &H10&, TypeName(&HFFFF), TypeName(&H10000)",
         "255 15 16 Integer Long\n"},
        {"h = \"i\" : WScript.Echo 1 &h", "1i\n"},
    };
    RunCases(cases);
}

TEST(Language, SingleLineForms) {
    const Case cases[] = {
        {"If True Then WScript.Echo 1 End If", "1\n"},
        {"If False Then WScript.Echo 1 Else WScript.Echo 2 End If", "2\n"},
        {"If True Then :\nWScript.Echo \"after\"", "after\n"},
        {"If False Then : WScript.Echo 1\nWScript.Echo 2", "2\n"},
        {"If False Then\nElseIf True Then WScript.Echo \"b\"\nElse\nWScript.Echo \"c\"\nEnd If",
         "b\n"},
        {"Sub S() WScript.Echo \"s\" End Sub\nS", "s\n"},
        {"Function F() F = 1 End Function\nWScript.Echo F", "1\n"},
        {"Function F(a)\n    F = a * 2 End Function\nWScript.Echo F(4)", "8\n"},
        {"Class C\nPublic x End Class\nSet o = New C : o.x = 3 : WScript.Echo o.x", "3\n"},
        {"Class C\nDim x, y End Class\nSet o = New C : WScript.Echo TypeName(o)", "C\n"},
        {"For i = 1 To 3 : WScript.Echo i : Next", "1\n2\n3\n"},
        {"i = 0 : Do While i < 2 : i = i + 1 : Loop : WScript.Echo i", "2\n"},
        {"i = 0 : While i < 3 : i = i + 1 : Wend : WScript.Echo i", "3\n"},
        {"Select Case 2 : Case 1 : WScript.Echo 1 : Case 2 : WScript.Echo 2 : End Select", "2\n"},
        {"If True Then If False Then WScript.Echo 1 Else WScript.Echo 2", "2\n"},
        {"x = 1 End Sub", "", 1025},
    };
    RunCases(cases);
}

TEST(Language, ExpressionsAsCallees) {
    const Case cases[] = {
        {"Class C\nFunction F() : F = \"f\" : End Function\nEnd Class\n"
         "WScript.Echo (New C).F()",
         "f\n"},
        {"Function F(a) : F = a + 1 : End Function\ny = (F)(1) : WScript.Echo y", "2\n"},
        {"x = Array(5, 6) : y = ((x))(1) : WScript.Echo y", "6\n"},
        {"Sub S(a) : WScript.Echo a : End Sub\nCall (((S))) ((7))", "7\n"},
        {"x = Array(5, 6) : WScript.Echo ((x))(0), (x)(1)", "5 6\n"},
    };
    RunCases(cases);
}

TEST(Language, ContextualWordsAndRedefinition) {
    const Case cases[] = {
        {"property = 5 : WScript.Echo property", "5\n"},
        {"Dim step, error : step = 1 : error = 2 : WScript.Echo step + error", "3\n"},
        {"Sub A : WScript.Echo 1 : End Sub\nSub A : WScript.Echo 2 : End Sub\nA", "2\n"},
        {"Function F : F = 1 : End Function\nFunction F : F = 2 : End Function\nWScript.Echo F",
         "2\n"},
        {"Property Get P\nEnd Property", "", 1048},
        {"Class C\nSub A\nEnd Sub\nSub A\nEnd Sub\nEnd Class", "", 1041},
        {"Dim x\nDim If", "", 1010},
    };
    RunCases(cases);
}

TEST(Language, DefaultMembers) {
    const std::string c = "Class C\n"
                          "  Private v\n"
                          "  Public Default Property Get Value(i) : Value = v & \"#\" & i : End "
                          "Property\n"
                          "  Public Property Let Value(i, x) : v = x : End Property\n"
                          "End Class\n"
                          "Class D\n"
                          "  Public n\n"
                          "  Public Default Function Name() : Name = \"d\" & n : End Function\n"
                          "End Class\n";
    const Case cases[] = {
        {(c + "Set d = New D : d.n = 1 : WScript.Echo d"), "d1\n"},
        {(c + "Set d = New D : x = d : WScript.Echo TypeName(x), x & \"!\""), "String d!\n"},
        {(c + "Set o = New C : o(1) = \"a\" : WScript.Echo o(2)"), "a#2\n"},
        {(c + "Set d = New D : WScript.Echo Len(d), UCase(d), d = \"d\""), "1 D True\n"},
        {"Class E\nPublic v\nPublic Default Property Get P : P = v : End Property\n"
         "Public Property Let P(x) : v = x * 2 : End Property\nEnd Class\n"
         "Set o = New E : o = 5 : WScript.Echo o.v, TypeName(o)",
         "10 E\n"},
        {"Class E\nEnd Class\nSet o = New E : WScript.Echo o", "", 438},
        {"Class E\nEnd Class\nSet o = New E : o = 1", "", 438},
    };
    RunCases(cases);
}

TEST(Language, NamedConstantsHaveTheirSubtypes) {
    const Case cases[] = {
        {"WScript.Echo vbDecimal, vbArray, vbByte, VarType(vbDecimal)", "14 8192 17 2\n"},
        {"WScript.Echo VarType(vbSunday), VarType(vbSaturday), vbWednesday", "2 2 4\n"},
        {"Sub T(ByRef d) : WScript.Echo VarType(d), d : End Sub\nT vbMonday", "2 2\n"},
        {"WScript.Echo vbUseSystem, vbFirstJan1, vbFirstFourDays, vbFirstFullWeek", "0 1 2 3\n"},
        {"WScript.Echo vbBinaryCompare, vbTextCompare, vbUseSystemDayOfWeek", "0 1 0\n"},
        {"WScript.Echo vbTrue, vbFalse, vbUseDefault, TypeName(vbTrue)", "-1 0 -2 Integer\n"},
        {"WScript.Echo vbRed, vbGreen, vbBlue, vbWhite, TypeName(vbBlack)",
         "255 65280 16711680 16777215 Long\n"},
        {"WScript.Echo vbYellow, vbMagenta, vbCyan", "65535 16711935 16776960\n"},
        {"WScript.Echo vbObjectError, TypeName(vbObjectError)", "-2147221504 Long\n"},
        {"WScript.Echo vbOKCancel + vbQuestion + vbDefaultButton4, vbSystemModal", "801 4096\n"},
        {"WScript.Echo vbMsgBoxHelpButton, vbMsgBoxSetForeground, vbMsgBoxRight, "
         "vbMsgBoxRtlReading",
         "16384 65536 524288 1048576\n"},
        {"WScript.Echo vbOK, vbCancel, vbAbort, vbRetry, vbIgnore, vbYes, vbNo", "1 2 3 4 5 6 7\n"},
        {"WScript.Echo vbGeneralDate, vbLongDate, vbShortDate, vbLongTime, vbShortTime",
         "0 1 2 3 4\n"},
        {"WScript.Echo Len(vbCrLf), Asc(vbCr), Asc(vbLf), Len(vbNewLine), Asc(vbTab), "
         "Len(vbNullChar), Len(vbNullString), Asc(vbFormFeed), Asc(vbVerticalTab)",
         "2 13 10 2 9 1 0 12 11\n"},
        {"vbSunday = 3", "", 501},
    };
    RunCases(cases);
}

TEST(Language, ClassTerminateRunsWhenTheLastReferenceGoes) {
    const std::string c = "Class C\n"
                          "  Public name\n"
                          "  Sub Class_Terminate() : WScript.Echo \"end \" & name : End Sub\n"
                          "End Class\n"
                          "Function Make(n) : Set Make = New C : Make.name = n : End Function\n";
    const Case cases[] = {
        {(c + "Set o = Make(\"a\") : Set o = Nothing : WScript.Echo \"after\""), "end a\nafter\n"},
        {(c + "Set o = Make(\"a\") : Set p = o : Set o = Nothing : WScript.Echo \"held\"\n"
              "Set p = Nothing : WScript.Echo \"gone\""),
         "held\nend a\ngone\n"},
        {(c + "Function Id(x) : Id = x : End Function\n"
              "Function F() : Dim l : Set l = Make(\"local\") : F = \"\" : End Function\n"
              "WScript.Echo \"[\" & Id(F()) & \"]\""),
         "end local\n[]\n"},
        {(c + "Dim a(1) : Set a(0) = Make(\"x\") : Set a(0) = Make(\"y\") : WScript.Echo "
              "\"next\"\nErase a : WScript.Echo \"erased\""),
         "end x\nnext\nend y\nerased\n"},
        {(c + "WScript.Echo Make(\"temp\").name & \"!\""), "end temp\ntemp!\n"},
        {(c + "Set kept = Make(\"kept\") : WScript.Echo \"last line\""), "last line\nend kept\n"},
    };
    RunCases(cases);
}

TEST(Language, ErrorInAConditionEntersTheBlock) {
    const Case cases[] = {
        {"On Error Resume Next\nIf 1 / 0 Then\nWScript.Echo \"in\", Err.Number\nElse\n"
         "WScript.Echo \"else\"\nEnd If",
         "in 11\n"},
        {"On Error Resume Next\nIf 1 / 0 = 1 Then WScript.Echo \"in\" Else WScript.Echo "
         "\"else\"",
         "in\n"},
        {"On Error Resume Next\nIf False Then\nElseIf 1 / 0 Then\nWScript.Echo \"elseif\"\n"
         "End If",
         "elseif\n"},
        {"On Error Resume Next\nn = 0\nDo While 1 / 0\nn = n + 1 : If n = 2 Then Exit Do\n"
         "Loop\nWScript.Echo n",
         "2\n"},
        {"On Error Resume Next\nn = 0\nDo\nn = n + 1\nLoop Until 1 / 0\nWScript.Echo n", "1\n"},
        {"On Error Resume Next\nn = 0\nWhile CInt(\"x\") And n < 3\nn = n + 1\nWend\n"
         "WScript.Echo n",
         "", ob::vbscript::ScriptAbort::kNumber},
        {"If 1 / 0 Then WScript.Echo 1", "", 11},
    };
    // The While loop above never ends on its own: the step budget stops it.
    RunCases(cases, 10000);
}

TEST(Language, OperatorsPrecedenceAndNullRules) {
    const Case cases[] = {
        {"WScript.Echo 2 + 3 * 4, (2 + 3) * 4, 2 ^ 3 ^ 2, -2 ^ 2, 7 \\ 2 * 3", "14 20 64 -4 1\n"},
        {"WScript.Echo 10 Mod 3 + 1, 7 \\ 2 Mod 2, 1 + 2 & 3, \"a\" & 1 + 2", "2 1 33 a3\n"},
        {"WScript.Echo Not 1 = 2, Not 0, True And Not False Or False", "True -1 True\n"},
        {"WScript.Echo \"a\" & Not False, 1 + Not 0", "aTrue 0\n"},
        {"WScript.Echo 5 And 3, 5 Or 3, 5 Xor 3, 5 Eqv 3, 5 Imp 3", "1 7 6 -7 -5\n"},
        {"WScript.Echo IsNull(Null + 1), IsNull(Null & \"\"), Null & \"x\"", "True False x\n"},
        {"WScript.Echo Null And False, Null Or True, IsNull(Null And True), IsNull(Not Null)",
         "False True True True\n"},
        {"WScript.Echo IsNull(Null = Null), IsNull(1 < Null)", "True True\n"},
        {"WScript.Echo Empty + 1, Empty & \"x\", Empty = 0, Empty = \"\", TypeName(Empty + "
         "Empty)",
         "1 x True True Integer\n"},
        {"WScript.Echo \"1\" + 2, \"1\" + \"2\", \"3\" * \"4\", TypeName(\"1\" + 2)",
         "3 12 12 Double\n"},
        {"WScript.Echo 1 < \"a\", \"10\" < \"9\", 10 < \"9\"", "True True False\n"},
        {"x = 1 / 0", "", 11},
        {"x = 5 Mod 0", "", 11},
        {"x = \"a\" * 2", "", 13},
        {"x = Null : y = CLng(x)", "", 94},
    };
    RunCases(cases);
}

TEST(Language, ConversionAndOverflowBetweenSubtypes) {
    const Case cases[] = {
        {"x = 32767 : WScript.Echo TypeName(x), TypeName(x + 1), x + 1", "Integer Long 32768\n"},
        {"x = 2147483647 : WScript.Echo TypeName(x), TypeName(x + 1), x + 1",
         "Long Double 2147483648\n"},
        {"WScript.Echo TypeName(200 * 200), TypeName(CByte(1) + CByte(2)), TypeName(CByte(200) + "
         "CByte(100))",
         "Long Byte Integer\n"},
        {"WScript.Echo CInt(2.5), CInt(3.5), CLng(-2.5), Int(-2.5), Fix(-2.5)", "2 4 -2 -3 -2\n"},
        {"WScript.Echo TypeName(1 / 2), TypeName(4 / 2), TypeName(7 \\ 2), TypeName(2 ^ 2)",
         "Double Double Integer Double\n"},
        {"WScript.Echo CCur(1.23456), TypeName(CCur(1) + 1), TypeName(CSng(1) + 1)",
         "1.2346 Currency Single\n"},
        {"WScript.Echo TypeName(CSng(1) + CDbl(1))", "Double\n"},
        {"d = #1/31/2024# : WScript.Echo d + 1, TypeName(d + 1), d - #1/1/2024#, "
         "TypeName(d - #1/1/2024#)",
         "2/1/2024 Date 30 Double\n"},
        {"WScript.Echo #1/2/2024# < #1/3/2024#, #1/2/2024# = DateSerial(2024, 1, 2)",
         "True True\n"},
        {"WScript.Echo CBool(\"true\"), CBool(0), CBool(\"1\"), CStr(True)",
         "True False True True\n"},
        {"x = 32767 : y = x + 1 : z = -32768 : z = z - 1 : WScript.Echo TypeName(y), y, "
         "TypeName(z), z",
         "Long 32768 Long -32769\n"},
        {"x = 2147483647 : x = x + 1 : y = CLng(3) : y = y * 2 : WScript.Echo TypeName(x), x, "
         "TypeName(y)",
         "Double 2147483648 Long\n"},
        {"For i = 32766 To 32767 : Next : WScript.Echo TypeName(i), i\n"
         "For j = 1 To 2 : Next : WScript.Echo TypeName(j), j",
         "Long 32768\nInteger 3\n"},
        {"Const k = 1 : k = k + 1", "", 501},
        {"x = CInt(32768)", "", 6},
        {"x = CByte(256)", "", 6},
        {"x = CLng(\"abc\")", "", 13},
        {"x = CDate(\"not a date\")", "", 13},
    };
    RunCases(cases);
}

TEST(Language, StringComparisonModes) {
    const Case cases[] = {
        {"WScript.Echo StrComp(\"a\", \"A\"), StrComp(\"a\", \"A\", vbTextCompare), "
         "StrComp(\"a\", \"b\"), StrComp(\"b\", \"a\", 1)",
         "1 0 -1 1\n"},
        {"WScript.Echo InStr(\"Hello\", \"L\"), InStr(1, \"Hello\", \"L\", vbTextCompare), "
         "InStrRev(\"abcabc\", \"B\", -1, 1)",
         "0 3 5\n"},
        {"WScript.Echo Replace(\"aAa\", \"a\", \"x\"), Replace(\"aAa\", \"a\", \"x\", 1, -1, "
         "vbTextCompare)",
         "xAx xxx\n"},
        {"WScript.Echo \"a\" < \"B\", \"A\" < \"b\", UBound(Split(\"aXbxc\", \"x\", -1, 1))",
         "False True 2\n"},
        {"x = StrComp(\"a\", \"b\", 2)", "", 5},
    };
    RunCases(cases);
}

TEST(Language, ByRefPassing) {
    const Case cases[] = {
        {"Sub Inc(n) : n = n + 1 : End Sub\nx = 1 : Inc x : Call Inc(x) : WScript.Echo x", "3\n"},
        {"Sub Inc(n) : n = n + 1 : End Sub\nx = 1 : Inc (x) : Inc x + 0 : WScript.Echo x", "1\n"},
        {"Sub Inc(ByVal n) : n = n + 1 : End Sub\nx = 1 : Inc x : WScript.Echo x", "1\n"},
        {"Sub Inc(n) : n = n + 1 : End Sub\nDim a(1) : a(1) = 5 : Inc a(1) : WScript.Echo a(1)",
         "6\n"},
        {"Class C : Public v : End Class\nSub Inc(n) : n = n + 1 : End Sub\n"
         "Set o = New C : o.v = 1 : Inc o.v : WScript.Echo o.v",
         "1\n"},
        {"Sub Both(a, b) : a = a + 1 : b = b + 10 : End Sub\nx = 0 : Both x, x : WScript.Echo x",
         "11\n"},
        {"Function F(n) : n = 9 : F = n : End Function\nx = 1 : y = F(x) : WScript.Echo x, y",
         "9 9\n"},
    };
    RunCases(cases);
}

TEST(Language, ErrAcrossCallsAndOnErrorScopes) {
    const Case cases[] = {
        {"Sub Fail() : x = 1 / 0 : WScript.Echo \"not reached\" : End Sub\n"
         "On Error Resume Next\nFail\nWScript.Echo Err.Number, Err.Description",
         "11 Division by zero\n"},
        {"Sub Inner() : On Error Resume Next : x = 1 / 0 : WScript.Echo \"inner\", Err.Number : "
         "End Sub\nInner\nWScript.Echo \"outer\"",
         "inner 11\nouter\n"},
        {"On Error Resume Next\nErr.Raise 1000, \"src\", \"mine\"\n"
         "WScript.Echo Err.Number, Err.Source, Err.Description\nErr.Clear\nWScript.Echo "
         "Err.Number",
         "1000 src mine\n0\n"},
        {"On Error Resume Next\nx = 1 / 0\nOn Error GoTo 0\nWScript.Echo Err.Number\ny = 1 / 0",
         "0\n", 11},
        {"Sub Deep() : Err.Raise vbObjectError + 1 : End Sub\nSub Mid2() : Deep : "
         "WScript.Echo \"no\" : End Sub\nOn Error Resume Next\nMid2\nWScript.Echo Err.Number - "
         "vbObjectError",
         "1\n"},
        {"Err.Raise 5", "", 5},
    };
    RunCases(cases);
}

TEST(Language, ExecuteAndEvalScopes) {
    const Case cases[] = {
        {"x = 1\nSub S() : Dim x : x = 2 : Execute \"x = x + 10\" : WScript.Echo x : End Sub\n"
         "S : WScript.Echo x",
         "12\n1\n"},
        {"x = 1\nSub S() : Dim x : x = 2 : ExecuteGlobal \"x = x + 10\" : End Sub\n"
         "S : WScript.Echo x",
         "11\n"},
        {"Sub S() : Execute \"Dim y : y = 3\" : WScript.Echo y : End Sub\nS\nWScript.Echo "
         "IsEmpty(y)",
         "3\nTrue\n"},
        {"ExecuteGlobal \"Function G() : G = 7 : End Function\"\nWScript.Echo G()", "7\n"},
        {"a = 2 : WScript.Echo Eval(\"a * 3\"), Eval(\"a = 2\")", "6 True\n"},
        {"x = Eval(\"1 +\")", "", 1023},
    };
    RunCases(cases);
}

TEST(Language, WithNesting) {
    const Case cases[] = {
        {"Class P : Public name, child : End Class\n"
         "Set a = New P : Set a.child = New P : a.name = \"outer\"\n"
         "With a\n  .child.name = \"inner\"\n  With .child\n    WScript.Echo .name\n  End With\n"
         "  WScript.Echo .name\nEnd With",
         "inner\nouter\n"},
        {"Class P : Public n : Sub Bump : n = n + 1 : End Sub : End Class\n"
         "Set a = New P\nWith a : .n = 1 : .Bump : .Bump : End With\nWScript.Echo a.n",
         "3\n"},
        {"With 5\nEnd With", "", 424},
        {"x = .name", "", 424},
    };
    RunCases(cases);
}

TEST(Language, SetRulesAndErrorNumbers) {
    const Case cases[] = {
        {"Class C : End Class\nSet a = New C : Set b = a : WScript.Echo a Is b, a Is New C",
         "True False\n"},
        {"Set x = Nothing : WScript.Echo x Is Nothing, TypeName(x), IsObject(x)",
         "True Nothing True\n"},
        {"Set x = 5", "", 424},
        {"x = 5 : WScript.Echo x Is Nothing", "", 424},
        {"Set x = Nothing : x.Go", "", 424},
        {"Class C : End Class\nSet o = New C : o.Missing", "", 438},
        {"Set d = CreateObject(\"Scripting.Dictionary\") : d.Add \"k\", 1 : d.Add \"k\", 2", "",
         457},
        {"Set x = CreateObject(\"No.Such.Class\")", "", 429},
        {"x = New NoSuchClass", "", 506},
        {"Dim a(2) : ReDim a(3)", "", 10},
        {"Dim a(2) : a(3) = 1", "", 9},
        {"Sub S(a) : End Sub\nS 1, 2", "", 450},
        {"Option Explicit\nundeclared = 1", "", 500},
        {"Const k = 1 : k = 2", "", 501},
    };
    RunCases(cases);
}

} // namespace
