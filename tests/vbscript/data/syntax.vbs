' Lexical forms: comments, Rem, continuation, colons, case, names, constants.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Rem a comment line
Dim x ' a trailing comment
x = 1 + _
    2 + _
    3
Check x = 6, "line continuation"
Dim y : y = 2 : y = y * 5
Check y = 10, "colon separators"
DIM Mixed : mixed = "case" : MIXED = MIXED & "less"
Check mIxEd = "caseless", "names ignore case"
Check LEN("abc") = 3, "functions ignore case"
Const Limit = 10, Title = "t"
Check Limit = 10 And Title = "t", "Const"
Dim [odd name] : [odd name] = 5
Check [odd name] = 5, "bracketed names"
Check vbTextCompare = 1 And vbBinaryCompare = 0, "compare constants"
Check vbYes = 6 And vbNo = 7, "button constants"
Check TypeName(vbObjectError) = "Long", "vbObjectError is a Long"
Check "it's" = "it" & Chr(39) & "s", "a quote inside text is not a comment"
Check Len("'") = 1, "quote text"
Check MsgBox("message from the MsgBox test") = vbOK, "MsgBox prints and returns vbOK"

On Error Resume Next
Limit = 5
Check Err.Number = 501, "assigning a constant is Illegal assignment"
Err.Clear
On Error GoTo 0

' Constants declared Public or Private at module level (the script library's form).
Public Const PUBLIC_FLAG = &H4
Private Const PRIVATE_FLAG = 2
Check (PUBLIC_FLAG Or PRIVATE_FLAG) = 6, "Public Const and Private Const"

If failures > 0 Then WScript.Quit 1
