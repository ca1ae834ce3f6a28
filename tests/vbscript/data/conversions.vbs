' Conversion and type information functions.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Check CStr(12) = "12", "CStr of a number"
Check CStr(True) = "True", "CStr of True"
Check CStr(Empty) = "", "CStr of Empty"
Check CInt(2.5) = 2, "CInt rounds half to even (down)"
Check CInt(3.5) = 4, "CInt rounds half to even (up)"
Check CInt("12") = 12, "CInt of text"
Check TypeName(CInt(1)) = "Integer", "CInt type"
Check CLng(100000.4) = 100000, "CLng"
Check TypeName(CLng(1)) = "Long", "CLng type"
Check CDbl("1.25") = 1.25, "CDbl of text"
Check CDbl(" 2 ") = 2, "CDbl ignores blanks"
Check CBool(1) = True, "CBool of 1"
Check CBool(0) = False, "CBool of 0"
Check CBool("True") = True, "CBool of text"
Check CBool("0") = False, "CBool of numeric text"
Check IsNumeric("12.5"), "IsNumeric of numeric text"
Check Not IsNumeric("abc"), "IsNumeric of other text"
Check IsNumeric(5), "IsNumeric of a number"
Check Not IsNumeric(""), "IsNumeric of empty text"
Check IsNumeric("&H10"), "IsNumeric of hex text"
Check IsEmpty(Empty), "IsEmpty"
Dim never
Check IsEmpty(never), "an unassigned variable is Empty"
Check Not IsEmpty(0), "0 is not Empty"
Check IsNull(Null), "IsNull"
Check Not IsNull(Empty), "Empty is not Null"
Check IsArray(Array(1)), "IsArray"
Check Not IsArray(1), "IsArray of a number"
Check IsObject(WScript), "IsObject"
Check IsObject(Nothing), "Nothing is an object"
Check TypeName(Empty) = "Empty", "TypeName Empty"
Check TypeName(Null) = "Null", "TypeName Null"
Check TypeName(1) = "Integer", "TypeName Integer"
Check TypeName(100000) = "Long", "TypeName Long"
Check TypeName(1.5) = "Double", "TypeName Double"
Check TypeName("") = "String", "TypeName String"
Check TypeName(True) = "Boolean", "TypeName Boolean"
Check TypeName(Array()) = "Variant()", "TypeName array"
Check TypeName(Nothing) = "Nothing", "TypeName Nothing"
Check TypeName(#1/2/2003#) = "Date", "TypeName Date"
Check TypeName(CByte(5)) = "Byte", "TypeName Byte"
Check TypeName(CCur(1.5)) = "Currency", "TypeName Currency"
Check TypeName(CSng(1.5)) = "Single", "TypeName Single"
Check VarType(Empty) = vbEmpty, "VarType Empty"
Check VarType(Null) = vbNull, "VarType Null"
Check VarType(1) = vbInteger, "VarType Integer"
Check VarType("a") = vbString, "VarType String"
Check VarType(Array(1)) = vbArray + vbVariant, "VarType array"
Check VarType(True) = vbBoolean, "VarType Boolean"
Check Abs(-3) = 3, "Abs"
Check TypeName(Abs(-3)) = "Integer", "Abs keeps the type"
Check Int(2.7) = 2, "Int"
Check Int(-2.7) = -3, "Int rounds down"
Check Fix(-2.7) = -2, "Fix truncates"
Check Sgn(-5) = -1, "Sgn"
Check Sqr(16) = 4, "Sqr"
Check Round(2.5) = 2, "Round half to even"
Check Round(1.2345, 2) = 1.23, "Round to places"
Check CCur(1.23456) = 1.2346, "Currency keeps four places"
Check Abs(Exp(1) - 2.71828182845905) < 1E-12, "Exp"
Check Log(Exp(2)) = 2, "Log"
Check Sin(0) = 0 And Cos(0) = 1 And Tan(0) = 0 And Atn(0) = 0, "trigonometry"

On Error Resume Next
Dim x : x = CStr(Null)
Check Err.Number = 94, "CStr(Null) is Invalid use of Null"
Err.Clear
x = CInt("x")
Check Err.Number = 13, "CInt of text"
Err.Clear
x = CByte(300)
Check Err.Number = 6, "CByte overflow"
Err.Clear
x = Log(0)
Check Err.Number = 5, "Log(0)"
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
