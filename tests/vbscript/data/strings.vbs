' String functions.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Check Len("hello") = 5, "Len"
Check Len("") = 0, "Len of empty text"
Check IsNull(Len(Null)), "Len(Null)"
Check Len(12345) = 5, "Len of a number"
Check Left("hello", 2) = "he", "Left"
Check Left("hi", 10) = "hi", "Left beyond the end"
Check Right("hello", 3) = "llo", "Right"
Check Right("hi", 10) = "hi", "Right beyond the end"
Check Mid("hello", 2, 3) = "ell", "Mid"
Check Mid("hello", 3) = "llo", "Mid to the end"
Check Mid("hello", 10) = "", "Mid past the end"
Check InStr("hello", "l") = 3, "InStr"
Check InStr(4, "hello", "l") = 4, "InStr from a start"
Check InStr("hello", "z") = 0, "InStr not found"
Check InStr("hello", "") = 1, "InStr of empty text"
Check InStr(1, "HELLO", "ell", vbTextCompare) = 2, "InStr text compare"
Check InStr(1, "HELLO", "ell", vbBinaryCompare) = 0, "InStr binary compare"
Check InStrRev("hello", "l") = 4, "InStrRev"
Check InStrRev("hello", "l", 3) = 3, "InStrRev from a start"
Check Replace("a-b-c", "-", "+") = "a+b+c", "Replace"
Check Replace("a-b-c", "-", "+", 1, 1) = "a+b-c", "Replace with a count"
Check Replace("a-b-c", "-", "") = "abc", "Replace with nothing"
Check Replace("aXbx", "x", "_", 1, -1, vbTextCompare) = "a_b_", "Replace text compare"
Check Replace("abcabc", "b", "B", 3) = "caBc", "Replace from a start returns the rest"
Dim parts : parts = Split("a,b,,c", ",")
Check UBound(parts) = 3, "Split count"
Check parts(2) = "", "Split keeps empty pieces"
Check parts(3) = "c", "Split last piece"
Check UBound(Split("", ",")) = -1, "Split of empty text"
Check UBound(Split("a b c")) = 2, "Split on blanks by default"
Check UBound(Split("a,b,c", ",", 2)) = 1, "Split with a limit"
Check Split("a,b,c", ",", 2)(1) = "b,c", "Split limit keeps the rest"
Check Join(Array("a", "b", "c"), "-") = "a-b-c", "Join"
Check Join(Array("a", "b")) = "a b", "Join with a blank"
Check Join(Array(), ",") = "", "Join of nothing"
Check UCase("Hello") = "HELLO", "UCase"
Check LCase("Hello") = "hello", "LCase"
Check Trim("  x  ") = "x", "Trim"
Check LTrim("  x  ") = "x  ", "LTrim"
Check RTrim("  x  ") = "  x", "RTrim"
Check Space(3) = "   ", "Space"
Check String(3, "ab") = "aaa", "String"
Check String(2, 65) = "AA", "String of a code"
Check StrReverse("abc") = "cba", "StrReverse"
Check StrComp("a", "b") = -1, "StrComp less"
Check StrComp("A", "a", vbTextCompare) = 0, "StrComp text compare"
Check StrComp("b", "a") = 1, "StrComp greater"
Check Chr(65) = "A", "Chr"
Check Asc("A") = 65, "Asc"
Check Hex(255) = "FF", "Hex"
Check Hex(-1) = "FFFF", "Hex of an Integer"
Check Oct(8) = "10", "Oct"
Check "a" & vbTab & "b" = "a" & Chr(9) & "b", "vbTab"
Check vbCrLf = Chr(13) & Chr(10), "vbCrLf"
Check Len(vbNullString) = 0, "vbNullString"
Check "say ""hi""" = "say " & Chr(34) & "hi" & Chr(34), "doubled quotes"

On Error Resume Next
Dim x : x = Mid("abc", 0)
Check Err.Number = 5, "Mid from 0 is an invalid argument"
Err.Clear
x = Left("abc", -1)
Check Err.Number = 5, "Left with a negative length"
Err.Clear
x = Asc("")
Check Err.Number = 5, "Asc of empty text"
Err.Clear
x = Len("a", "b")
Check Err.Number = 450, "wrong number of arguments"
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
