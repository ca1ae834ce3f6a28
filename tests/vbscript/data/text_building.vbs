' Building texts with s = s & ...: the same results whether the text is appended
' in place or the expression is evaluated as written.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim s, i, parts(2), n
s = ""
For i = 1 To 5
    s = s & i & ","
Next
Check s = "1,2,3,4,5,", "numbers appended in a loop"

s = "a"
s = s & Null & "b" & Empty & 1.5 & True
Check s = "ab1.5True", "Null, Empty, numbers and Booleans appended"

parts(0) = "x" : parts(1) = "y"
s = "<"
s = s & parts(0) & UCase(parts(1)) & Mid("hello", 2, 2) & Chr(62)
Check s = "<xYel>", "array elements and value functions appended"

' A function called on the right may change the text meanwhile: the old value of
' s is what the expression reads.
Function Touch()
    s = "changed"
    Touch = "!"
End Function
s = "start"
s = s & Touch()
Check s = "start!", "a call that changes the text sees the text as it was: " & s

' An object's default property is script code too.
Class Greeter
    Public Default Property Get Text()
        s = "overwritten"
        Text = "hi"
    End Property
End Class
Dim g : Set g = New Greeter
s = "say "
s = s & g
Check s = "say hi", "an object's default value: " & s

' A variable that is not yet a text becomes one.
n = 5
n = n & "th"
Check n = "5th" And TypeName(n) = "String", "number then text"
Dim e
e = e & "x"
Check e = "x", "Empty then text"

' An error on the right leaves the text unchanged.
s = "keep"
On Error Resume Next
s = s & "more" & (1 / 0)
Check Err.Number = 11, "the division fails"
On Error GoTo 0
Check s = "keep", "a failing append changes nothing: " & s

' Appending an array is a type mismatch, as without the shortcut.
s = "t"
On Error Resume Next
s = s & parts
Check Err.Number = 13, "appending an array"
On Error GoTo 0
Check s = "t", "after the type mismatch: " & s

' Long texts are built in linear time: 200 000 appends finish quickly.
s = ""
For i = 1 To 200000
    s = s & "ab"
Next
Check Len(s) = 400000, "200 000 appends"

If failures > 0 Then WScript.Quit 1
