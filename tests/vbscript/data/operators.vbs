' Arithmetic, concatenation, comparison and logical operators with their types.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Check 1 + 2 = 3, "1 + 2"
Check TypeName(1 + 2) = "Integer", "Integer + Integer stays Integer"
Check TypeName(32767 + 1) = "Long", "Integer overflow promotes to Long"
Check TypeName(2147483647 + 1) = "Double", "Long overflow promotes to Double"
Check TypeName(1.5 + 1) = "Double", "Double + Integer"
Check 7 / 2 = 3.5, "/ divides as Double"
Check TypeName(4 / 2) = "Double", "/ gives Double"
Check 7 \ 2 = 3, "\ divides integers"
Check -7 \ 2 = -3, "\ truncates toward zero"
Check 7.6 \ 2 = 4, "\ rounds its operands first"
Check 7 Mod 3 = 1, "Mod"
Check -7 Mod 3 = -1, "Mod keeps the sign of the dividend"
Check 2 ^ 10 = 1024, "^"
Check -2 ^ 2 = -4, "^ binds tighter than unary minus"
Check 2 + 3 * 4 = 14, "* before +"
Check (2 + 3) * 4 = 20, "parentheses"
Check 10 - 2 - 3 = 5, "- is left-associative"
Check 1 + 2 & 3 = "33", "& after +"
Check "a" & 1 & True = "a1True", "& converts to text"
Check "1" + "2" = "12", "+ of two texts concatenates"
Check "1" + 2 = 3, "+ of text and number adds"
Check TypeName("1" + 2) = "Double", "text converted to Double"
Check 5 & "" = "5", "number & empty text"
Check IsNull(Null + 1), "Null propagates through +"
Check IsNull(Null & Null), "Null & Null is Null"
Check "x" & Null = "x", "Null & text is the text"
Check IsNull(Null = 1), "comparison with Null is Null"
Check Empty + 1 = 1, "Empty is 0"
Check Empty & "a" = "a", "Empty is empty text"
Check (True And False) = False, "And on Booleans"
Check TypeName(True Or False) = "Boolean", "Or on Booleans is Boolean"
Check (12 And 10) = 8, "And is bitwise"
Check (12 Or 3) = 15, "Or is bitwise"
Check (12 Xor 10) = 6, "Xor is bitwise"
Check Not 0 = -1, "Not 0"
Check (Not True) = False, "Not True"
Check (True Eqv True) = True, "Eqv"
Check (False Imp False) = True, "Imp"
Check (True Imp False) = False, "Imp false"
Check IsNull(Null And True), "Null And True is Null"
Check (Null And False) = False, "Null And False is False"
Check (Null Or True) = True, "Null Or True is True"
Check "abc" < "abd", "text comparison"
Check "B" < "a", "binary comparison by code"
Check 10 > 9, "numbers compare as numbers"
Check "10" < "9", "texts compare as texts"
Dim s : s = "10"
Check s = 10, "text variable against a numeric literal converts"
Dim n : n = 10
Check n <> "x", "number against non-numeric text"
Check &HFF = 255, "&H literal"
Check &HFFFF = -1, "four hex digits are an Integer"
Check &O17 = 15, "&O literal"
Check 1.5E3 = 1500, "exponent literal"
Check .5 = 0.5, "leading decimal point"
Check CStr(1 / 3) = "0.333333333333333", "15 significant digits"
Check CStr(1E+20) = "1E+20", "large doubles in exponent form"
Check CStr(0.00001) = "1E-05", "small doubles in exponent form"
Check CStr(-0.5) = "-0.5", "negative fraction"

On Error Resume Next
Dim x : x = 1 / 0
Check Err.Number = 11, "1 / 0 is Division by zero"
Err.Clear
x = 1 \ 0
Check Err.Number = 11, "1 \ 0 is Division by zero"
Err.Clear
x = 5 Mod 0
Check Err.Number = 11, "Mod 0 is Division by zero"
Err.Clear
x = "abc" + 1
Check Err.Number = 13, "text that is not a number is Type mismatch"
Err.Clear
x = CInt(40000)
Check Err.Number = 6, "CInt out of range is Overflow"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
