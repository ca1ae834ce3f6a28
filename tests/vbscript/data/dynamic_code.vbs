' Eval, Execute, ExecuteGlobal and GetRef.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim a : a = 4
Check Eval("a * 2 + 1") = 9, "Eval reads variables"
Check Eval("Len(""abc"")") = 3, "Eval calls functions"
Execute "a = a + 1"
Check a = 5, "Execute changes variables"
ExecuteGlobal "Function Added(x) : Added = x + 100 : End Function"
Check Added(1) = 101, "ExecuteGlobal defines functions"

Function Square(x)
    Square = x * x
End Function
Dim f : Set f = GetRef("Square")
Check f(7) = 49, "GetRef calls the procedure"

Sub SetsLocal()
    Dim inner : inner = 1
    Execute "inner = 2"
    Check inner = 2, "Execute runs in the current scope"
End Sub
SetsLocal

If failures > 0 Then WScript.Quit 1
