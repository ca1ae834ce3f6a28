' If, Select Case, For, For Each, Do, While and Exit.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Function Grade(n)
    If n >= 90 Then
        Grade = "A"
    ElseIf n >= 80 Then
        Grade = "B"
    ElseIf n >= 70 Then
        Grade = "C"
    Else
        Grade = "F"
    End If
End Function
Check Grade(95) = "A" And Grade(85) = "B" And Grade(75) = "C" And Grade(5) = "F", "If/ElseIf/Else"

Dim r
If True Then r = "yes" Else r = "no"
Check r = "yes", "single-line If"
If False Then r = "yes" Else r = "no"
Check r = "no", "single-line If with Else"
r = 0
If True Then r = r + 1 : r = r + 1
Check r = 2, "single-line If with two statements"
If Null Then r = "null" Else r = "not"
Check r = "not", "Null condition is false"

Function Kind(v)
    Select Case v
        Case 1, 2, 3
            Kind = "small"
        Case "x"
            Kind = "x"
        Case 10
            Kind = "ten"
        Case Else
            Kind = "other"
    End Select
End Function
Check Kind(2) = "small", "Case list"
Check Kind("x") = "x", "Case text"
Check Kind(10) = "ten", "Case number"
Check Kind(11) = "other", "Case Else"

Dim i, total
total = 0
For i = 1 To 10
    total = total + i
Next
Check total = 55, "For"
Check i = 11, "For leaves the counter past the end"
total = 0
For i = 10 To 1 Step -2
    total = total + i
Next
Check total = 30, "For with a negative Step"
total = 0
For i = 0 To 1 Step 0.25
    total = total + 1
Next
Check total = 5, "For with a fractional Step"
total = 0
For i = 5 To 1
    total = total + 1
Next
Check total = 0, "For that does not run"
For i = 1 To 100
    If i = 7 Then Exit For
Next
Check i = 7, "Exit For"

Dim n : n = 0
Do While n < 5
    n = n + 1
Loop
Check n = 5, "Do While"
Do Until n = 0
    n = n - 1
Loop
Check n = 0, "Do Until"
Do
    n = n + 1
Loop While n < 3
Check n = 3, "Loop While"
Do
    n = n + 1
Loop Until True
Check n = 4, "Loop Until runs the body once"
Do
    n = n + 1
    If n > 10 Then Exit Do
Loop
Check n = 11, "Exit Do"
While n > 0
    n = n - 2
Wend
Check n = -1, "While/Wend"

Dim outer, inner, count : count = 0
For outer = 1 To 3
    For inner = 1 To 3
        If inner = 2 Then Exit For
        count = count + 1
    Next
Next
Check count = 3, "Exit For leaves only the inner loop"

Dim word, letters : letters = ""
For Each word In Split("a b c")
    letters = letters & word
Next
Check letters = "abc", "For Each over Split"
Dim arg, argCount : argCount = 0
For Each arg In WScript.Arguments
    argCount = argCount + 1
Next
Check argCount = WScript.Arguments.Count, "For Each over a collection"

If failures > 0 Then WScript.Quit 1
