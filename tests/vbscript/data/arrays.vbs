' Fixed and dynamic arrays, ReDim, copies and bounds.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim fixed(3)
Check UBound(fixed) = 3, "UBound of a fixed array"
Check LBound(fixed) = 0, "LBound"
Check IsEmpty(fixed(2)), "elements start Empty"
fixed(2) = "two"
Check fixed(2) = "two", "element assignment"

Dim grid(2, 3)
Check UBound(grid, 1) = 2, "UBound dimension 1"
Check UBound(grid, 2) = 3, "UBound dimension 2"
Dim i, j
For i = 0 To 2
    For j = 0 To 3
        grid(i, j) = i * 10 + j
    Next
Next
Check grid(2, 3) = 23, "two-dimensional element"
Check grid(1, 0) = 10, "another element"

Dim dyn()
ReDim dyn(2)
dyn(0) = "a" : dyn(1) = "b" : dyn(2) = "c"
ReDim Preserve dyn(4)
Check UBound(dyn) = 4, "ReDim Preserve grows"
Check dyn(1) = "b", "ReDim Preserve keeps values"
Check IsEmpty(dyn(4)), "new elements Empty"
ReDim Preserve dyn(1)
Check UBound(dyn) = 1 And dyn(1) = "b", "ReDim Preserve shrinks"
ReDim dyn(1)
Check IsEmpty(dyn(0)), "ReDim without Preserve clears"

ReDim m(1, 1)
m(1, 1) = "x"
ReDim Preserve m(1, 3)
Check m(1, 1) = "x", "ReDim Preserve of the last dimension keeps values"

Dim a, b
a = Array(1, 2, 3)
b = a
b(0) = 99
Check a(0) = 1, "assignment copies an array"
Check b(0) = 99, "the copy changes alone"

Dim total : total = 0
Dim item
For Each item In Array(1, 2, 3, 4)
    total = total + item
Next
Check total = 10, "For Each over an array"

Function MakeArray(n)
    Dim r()
    ReDim r(n - 1)
    Dim k
    For k = 0 To n - 1
        r(k) = k * k
    Next
    MakeArray = r
End Function
Dim sq : sq = MakeArray(5)
Check UBound(sq) = 4 And sq(4) = 16, "a function returns an array"
Check MakeArray(3)(2) = 4, "indexing a call result"

Sub Fill(arr)
    arr(0) = "filled"
End Sub
Dim target(1)
Fill target
Check target(0) = "filled", "arrays pass by reference"

Dim kept : kept = Filter(Array("apple", "berry", "grape"), "ap")
Check UBound(kept) = 1 And kept(1) = "grape", "Filter"
Check UBound(Filter(Array("apple", "berry"), "ap", False)) = 0, "Filter excluding"

Dim er(2) : er(1) = 5
Erase er
Check UBound(er) = 2 And IsEmpty(er(1)), "Erase of a fixed array clears it"
Dim ed() : ReDim ed(3)
Erase ed
ReDim ed(1)
Check UBound(ed) = 1, "Erase of a dynamic array frees it"

On Error Resume Next
Dim x : x = fixed(4)
Check Err.Number = 9, "index past the end is Subscript out of range"
Err.Clear
x = fixed(-1)
Check Err.Number = 9, "negative index"
Err.Clear
ReDim fixed(5)
Check Err.Number = 10, "ReDim of a fixed array"
Err.Clear
x = grid(1)
Check Err.Number = 9, "wrong number of subscripts"
Err.Clear
x = UBound(5)
Check Err.Number = 13, "UBound of a number"
Err.Clear
x = UBound(grid, 3)
Check Err.Number = 9, "UBound of a missing dimension"
Err.Clear
Dim empty2()
x = UBound(empty2)
Check Err.Number = 9, "UBound of an unsized array"
Err.Clear
x = empty2()
Check Err.Number = 9, "an unsized array has no elements"
Err.Clear
empty2() = 1
Check Err.Number = 9, "nor can one be assigned"
Err.Clear
ReDim huge(100000000)
Check Err.Number = 7, "a huge array is Out of memory, not a crash"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
