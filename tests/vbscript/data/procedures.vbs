' Subs and functions: ByRef, ByVal, results, Exit, recursion, Call.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Sub AddOne(x)
    x = x + 1
End Sub

Sub AddOneByVal(ByVal x)
    x = x + 1
End Sub

Function Twice(n)
    Twice = n * 2
End Function

Function NoResult()
End Function

Function Fib(n)
    If n < 2 Then
        Fib = n
    Else
        Fib = Fib(n - 1) + Fib(n - 2)
    End If
End Function

Function FirstNegative(values)
    Dim v
    FirstNegative = Empty
    For Each v In values
        If v < 0 Then
            FirstNegative = v
            Exit Function
        End If
    Next
    FirstNegative = "none"
End Function

Dim calls : calls = 0
Sub Counted()
    calls = calls + 1
    If calls > 0 Then Exit Sub
    calls = 100
End Sub

Dim k : k = 1
AddOne k
Check k = 2, "ByRef is the default"
AddOne (k)
Check k = 2, "parentheses pass by value"
Call AddOne(k)
Check k = 3, "Call passes by reference"
AddOneByVal k
Check k = 3, "ByVal keeps the caller's variable"
Check Twice(21) = 42, "function result"
Check IsEmpty(NoResult()), "a function without a result returns Empty"
Check Fib(15) = 610, "recursion"
Check FirstNegative(Array(3, -2, -5)) = -2, "Exit Function"
Check FirstNegative(Array(1)) = "none", "loop ends normally"
Counted
Check calls = 1, "Exit Sub"
Counted()
Check calls = 2, "Sub called with empty parentheses"

Function Local()
    Dim calls
    calls = 50
    Local = calls
End Function
Check Local() = 50 And calls = 2, "local variables hide globals"

Sub Swap(a, b)
    Dim t : t = a : a = b : b = t
End Sub
Dim p, q : p = "p" : q = "q"
Swap p, q
Check p = "q" And q = "p", "two ByRef arguments"

Dim arr(2) : arr(1) = 1
AddOne arr(1)
Check arr(1) = 2, "an array element passes by reference"
AddOne (arr(1))
Check arr(1) = 2, "an array element in parentheses passes by value"
AddOneByVal arr(1)
Check arr(1) = 2, "an array element to ByVal"

Function UsesLater()
    later = 5
    UsesLater = later
    Dim later
End Function
Check UsesLater() = 5, "Dim anywhere in a procedure declares it throughout"

On Error Resume Next
Twice 1, 2
Check Err.Number = 450, "too many arguments"
Err.Clear
Dim r : r = undefinedName + 1
Check Err.Number = 500, "Option Explicit: Variable is undefined"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
