' Scripting.Dictionary: adding, reading, assigning, renaming and removing keys,
' key comparison, insertion order, For Each, CompareMode and the errors.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Function ErrorOf(code)
    On Error Resume Next
    Execute code
    ErrorOf = Err.Number
    Err.Clear
End Function

Dim d : Set d = CreateObject("Scripting.Dictionary")
Check TypeName(d) = "Dictionary", "TypeName"
Check d.Count = 0, "empty Count"

' Add, Exists, Item and the default member
d.Add "b", 2
d.Add "a", 1
d.Add 3, "three"
Check d.Count = 3, "Count after Add"
Check d.Exists("a") And Not d.Exists("A"), "binary compare is case-sensitive"
Check d("b") = 2 And d.Item("a") = 1 And d(3) = "three", "reading items"
Check ErrorOf("d.Add ""a"", 9") = 457, "Add of an existing key raises 457"
Check d("a") = 1, "a failed Add leaves the item"

' numbers by value, texts apart from numbers
Check d.Exists(3.0) And d.Exists(CByte(3)) And d.Exists(CLng(3)), "numbers compare by value"
Check Not d.Exists("3"), "text ""3"" is another key"
Check ErrorOf("d.Add 3.0, 1") = 457, "3.0 is the key 3"

' assignment through the default member and Item, adding when missing
d("a") = 10
d.Item("c") = 30
Check d("a") = 10 And d("c") = 30 And d.Count = 4, "assigning items"

' reading a missing key adds it with Empty
Dim x : x = d("missing")
Check IsEmpty(x) And d.Exists("missing") And d.Count = 5, "reading a missing key adds it"
d.Remove "missing"

' insertion order of Keys and Items, and indexing the result at once
Dim keys : keys = d.Keys()
Check UBound(keys) = 3, "Keys size"
Check keys(0) = "b" And keys(1) = "a" And keys(2) = 3 And keys(3) = "c", "Keys in insertion order"
Check Join(d.Items, ",") = "2,10,three,30", "Items in insertion order"
Check d.Keys()(1) = "a" And d.Items()(3) = 30, "indexing Keys() and Items() directly"

' For Each gives the keys
Dim k, seen : seen = ""
For Each k In d
    seen = seen & k & ";"
Next
Check seen = "b;a;3;c;", "For Each over the keys"

' Remove and its error
d.Remove "a"
Check Not d.Exists("a") And d.Count = 3, "Remove"
Check ErrorOf("d.Remove ""nothing here""") = 32811, "Remove of a missing key raises 32811"
Check Join(d.Keys, ",") = "b,3,c", "order after Remove"
d.Add "a", 100
Check Join(d.Keys, ",") = "b,3,c,a", "a re-added key goes to the end"

' renaming a key keeps its place and item
d.Key("b") = "bee"
Check Join(d.Keys, ",") = "bee,3,c,a" And d("bee") = 2 And Not d.Exists("b"), "Key rename"
Check ErrorOf("d.Key(""nope"") = ""x""") = 32811, "renaming a missing key raises 32811"
Check ErrorOf("d.Key(""bee"") = ""c""") = 457, "renaming onto an existing key raises 457"

' objects as items (Set) and as keys (by identity)
Dim inner : Set inner = CreateObject("Scripting.Dictionary")
Set d("obj") = inner
Check d("obj") Is inner, "Set of an object item"
Set d.Item("obj2") = inner
Check d.Item("obj2") Is inner, "Set through Item"
d("obj")("deep") = 5
Check inner("deep") = 5, "item of an item"
Dim other : Set other = CreateObject("Scripting.Dictionary")
d.Add inner, "by identity"
Check d.Exists(inner) And Not d.Exists(other), "object keys compare by identity"
Check d(inner) = "by identity", "reading by object key"

' Empty and Null are keys of their own
d.Add Empty, "empty"
Check d.Exists(Empty) And Not d.Exists(0) And Not d.Exists(""), "Empty is its own key"

' Booleans, Null, arrays and dates as keys
d.Add True, "true"
Check d.Exists(True) And Not d.Exists(-1) And Not d.Exists(1), "Booleans are keys of their own"
d.Add Null, "null"
Check d(Null) = "null", "Null is a key"
Check ErrorOf("d.Add Array(1), 1") = 13, "an array key raises 13"
d.Add #2024-01-02#, "date"
Check d.Exists(#2024-01-02#), "a date key"
d.Add 2.5, "real"
Check d.Exists(CDbl(2.5)) And d.Exists(CSng(2.5)) And Not d.Exists(2), "fractional keys by value"

' RemoveAll
d.RemoveAll
Check d.Count = 0 And UBound(d.Keys) = -1, "RemoveAll"

' CompareMode
Dim t : Set t = CreateObject("Scripting.Dictionary")
Check t.CompareMode = vbBinaryCompare, "default CompareMode"
t.CompareMode = vbTextCompare
t.Add "Key", 1
Check t.Exists("KEY") And t("key") = 1, "text compare ignores case"
Check ErrorOf("t.Add ""kEy"", 2") = 457, "case variants collide in text mode"
t("KEY") = 5
Check t.Count = 1 And t.Keys()(0) = "Key", "the key keeps the spelling of its creation"
Check ErrorOf("t.CompareMode = vbBinaryCompare") = 5, "CompareMode of a non-empty dictionary raises 5"
Check ErrorOf("t.Foo") = 438, "unknown member raises 438"
Check ErrorOf("t.Add 1") = 450, "wrong argument count raises 450"
t.Key("key") = "KEY"
Check t.Count = 1 And t.Keys()(0) = "KEY" And t("Key") = 5, "renaming a key to another spelling of itself"
t.RemoveAll
t.CompareMode = vbBinaryCompare
Check t.CompareMode = 0, "CompareMode of an empty dictionary can change"

' a property of an object passed to a function
Function Twice(n)
    Twice = n * 2
End Function
t.Add "n", 21
Check Twice(t("n")) = 42 And Twice(t.Count) = 2, "properties passed as arguments"

' many keys stay fast and findable
Dim big, i : Set big = CreateObject("Scripting.Dictionary")
For i = 1 To 20000
    big.Add "k" & i, i
Next
Check big.Count = 20000 And big("k12345") = 12345, "many keys"
For i = 1 To 20000 Step 2
    big.Remove "k" & i
Next
Check big.Count = 10000 And big.Keys()(0) = "k2", "removing half of many keys"

If failures > 0 Then WScript.Quit 1
WScript.Echo "dictionary: ok"
