' With blocks: ".name" refers to the object named by the With statement.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

With WScript.Arguments
    Check .Count = 2, "property of the With object"
    Check .Item(0) = "first", "method of the With object"
    Check .Item(1) & "!" = "second!", "member inside an expression"
End With

With Err
    .Number = 77
    Check .Number = 77, "property assignment through With"
    .Clear
    Check Err.Number = 0, "method statement through With"
    With WScript
        Check .ScriptName = "with.vbs", "nested With uses the inner object"
    End With
    Check .Number = 0, "the outer object again after the inner With"
End With

Function OutsideWith()
    OutsideWith = .Count
End Function
On Error Resume Next
With WScript.Arguments
    Dim x : x = OutsideWith()
    Check Err.Number = 424, "a called function does not see the caller's With object"
    Err.Clear
End With
With 5
End With
Check Err.Number = 424, "With needs an object"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
