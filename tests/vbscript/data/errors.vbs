' On Error Resume Next, the Err object, Err.Raise and the recursion limit.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Check Err.Number = 0, "no error at the start"
On Error Resume Next
Dim x : x = 1 / 0
Check Err.Number = 11, "Err.Number"
Check Err.Description = "Division by zero", "Err.Description"
Check Err.Source = "VBScript runtime error", "Err.Source"
Check Err = 11, "Number is the default member"
Err.Clear
Check Err.Number = 0 And Err.Description = "", "Err.Clear"

Err.Raise 1000, "mine", "custom text"
Check Err.Number = 1000, "Err.Raise number"
Check Err.Source = "mine", "Err.Raise source"
Check Err.Description = "custom text", "Err.Raise description"
Err.Clear
Err.Raise 13
Check Err.Description = "Type mismatch", "Err.Raise uses the standard text"
Err.Clear
Err.Raise vbObjectError + 5
Check Err.Number = vbObjectError + 5, "vbObjectError numbers"
Err.Clear

Dim reached : reached = False
Sub Fails()
    Dim y : y = Nothing + 1
    reached = True
End Sub
Fails
Check Err.Number <> 0, "an error in a Sub reaches the caller's handler"
Check Not reached, "the failing Sub stops at the error"
Err.Clear

Dim handled : handled = False
Sub HandlesItself()
    On Error Resume Next
    Err.Raise 5
    handled = (Err.Number = 5)
End Sub
HandlesItself
Check handled, "a Sub with its own handler continues"

Set x = 5
Check Err.Number = 424, "Set of a non-object is Object required"
Err.Clear
x = Nothing.Foo
Check Err.Number = 424, "member of Nothing is Object required"
Err.Clear
x = WScript.NoSuchMember
Check Err.Number = 438, "unknown member"
Err.Clear
x = NoSuchFunction(1)
Check Err.Number = 13, "calling an unknown name is Type mismatch"
Err.Clear
x = Array(1)(5)
Check Err.Number = 9, "Subscript out of range"
Err.Clear

Function Forever(n)
    Forever = Forever(n + 1)
End Function
x = Forever(1)
Check Err.Number = 28, "runaway recursion is Out of stack space"
Err.Clear

x = 5
x = Eval("1 +")
Check Err.Number = 1023 Or Err.Number = 1002, "compile error inside Eval"
Check x = 5, "the failed assignment leaves the variable alone"
Err.Clear

On Error GoTo 0
Check Err.Number = 0, "On Error GoTo 0 clears Err"

If failures > 0 Then WScript.Quit 1
