' The RegExp object from scripts: New RegExp and CreateObject, the properties,
' Test, Execute with Matches / Match / SubMatches, Replace and pattern errors.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim re : Set re = New RegExp
Check TypeName(re) = "IRegExp2", "TypeName of a RegExp"
Check re.Pattern = "" And re.Global = False And re.IgnoreCase = False And re.Multiline = False, _
    "the properties start empty and False"
Check re.Test("anything"), "an empty pattern matches"

Dim made : Set made = CreateObject("VBScript.RegExp")
Check TypeName(made) = "IRegExp2", "CreateObject makes a RegExp"
Check Not (made Is re), "each RegExp is a new object"

' Test and the flags.
re.Pattern = "^hello"
Check re.Test("hello world"), "Test finds a match"
Check Not re.Test("Hello world"), "matching tells case apart"
re.IgnoreCase = True
Check re.Test("HELLO world"), "IgnoreCase"
Check Not re.Test("say" & vbLf & "hello"), "^ is the start of the text"
re.Multiline = True
Check re.Test("say" & vbLf & "hello"), "Multiline makes ^ the start of a line"

' Execute: Matches, Match, SubMatches.
Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com"
re.Global = True
Dim matches : Set matches = re.Execute("mail ann@example.com, bob@test.com or nobody")
Check TypeName(matches) = "IMatchCollection2", "TypeName of Matches"
Check matches.Count = 2, "two matches"
Dim m : Set m = matches(0)
Check TypeName(m) = "IMatch2", "TypeName of a Match"
Check m = "ann@example.com", "Value is the default member"
Check m.Value = "ann@example.com", "Value"
Check m.FirstIndex = 5, "FirstIndex counts from 0"
Check m.Length = 15, "Length"
Check TypeName(m.SubMatches) = "ISubMatches", "TypeName of SubMatches"
Check m.SubMatches.Count = 2, "SubMatches.Count"
Check m.SubMatches(0) = "ann" And m.SubMatches.Item(1) = "example", "SubMatches items"
Check matches.Item(1).FirstIndex = 22, "Item"
Check re.Execute("x@y.com")(0).SubMatches(1) = "y", "indexing the results directly"

Dim found : found = ""
Dim one, part
For Each one In matches
    For Each part In one.SubMatches
        found = found & part & ";"
    Next
Next
Check found = "ann;example;bob;test;", "For Each over Matches and SubMatches"

re.Global = False
Check re.Execute("a@b.com c@d.com").Count = 1, "without Global only the first match"
Check re.Execute("no address").Count = 0, "no match gives an empty collection"

re.Pattern = "(a)|(b)"
Set m = re.Execute("b")(0)
Check IsEmpty(m.SubMatches(0)), "a group that took no part is Empty"
Check m.SubMatches(1) = "b", "the group that took part"

' Characters, not bytes: a character beyond ASCII counts as one.
re.Pattern = "b."
Set m = re.Execute(ChrW(233) & ChrW(233) & "b" & ChrW(8364))(0)
Check m.FirstIndex = 2, "FirstIndex counts characters"
Check m.Length = 2, "Length counts characters"
Check m.Value = "b" & ChrW(8364), "`.` takes a whole character"

' Empty matches move on by one character.
re.Pattern = "x*"
re.Global = True
Check re.Execute("abc").Count = 4, "empty matches in Global mode"
Check re.Replace("abc", "-") = "-a-b-c-", "Replace of empty matches"

' Replace with the $ forms.
re.Pattern = "(\w+) (\w+)"
re.Global = False
Check re.Replace("John Smith", "$2, $1") = "Smith, John", "$1 and $2"
Check re.Replace("John Smith!", "[$&]") = "[John Smith]!", "$&"
Check re.Replace("<John Smith>", "$`|$'") = "<<|>>", "$` and $'"
Check re.Replace("John Smith", "$$1") = "$1", "$$"
re.Pattern = "o"
Check re.Replace("foo boo", "0") = "f0o boo", "without Global the first match only"
re.Global = True
Check re.Replace("foo boo", "0") = "f00 b00", "Global replaces every match"
re.Pattern = "\s+"
Check re.Replace("a  b" & vbTab & vbCrLf & "c", " ") = "a b c", "\s"

' Lazy and greedy repetition, backreferences, lookahead.
re.Global = False
re.Pattern = "<.+?>"
Check re.Execute("<a><b>")(0) = "<a>", "lazy repetition"
re.Pattern = "<.+>"
Check re.Execute("<a><b>")(0) = "<a><b>", "greedy repetition"
re.Pattern = "(\w)\1"
Check re.Execute("abccd")(0) = "cc", "backreference"
re.Pattern = "\d+(?= dollars)"
Check re.Execute("5 euros, 12 dollars")(0) = "12", "lookahead"
re.Pattern = "\b\d+\b(?! euros)"
Check re.Execute("5 euros, 12 dollars")(0).FirstIndex = 9, "negative lookahead"

' A script class named RegExp wins over the built-in one.
' (Checked through Execute so this file's own class table stays unchanged.)
ExecuteGlobal "Class RegExp" & vbLf & "Public Kind" & vbLf & "End Class"
Dim mine : Set mine = New RegExp
Check TypeName(mine) = "RegExp", "a script class named RegExp"

' Errors are raised when the pattern is used.
Dim bad : Set bad = CreateObject("VBScript.RegExp")
On Error Resume Next
bad.Pattern = "(abc"
Check Err.Number = 0, "setting a bad pattern raises nothing"
bad.Test "abc"
Check Err.Number = 5020, "Expected ')'"
Check Err.Description = "Expected ')' in regular expression", "its text"
Err.Clear
bad.Pattern = "[abc"
bad.Execute "abc"
Check Err.Number = 5019, "Expected ']'"
Err.Clear
bad.Pattern = "a**"
bad.Replace "abc", "x"
Check Err.Number = 5018, "Unexpected quantifier"
Err.Clear
bad.Pattern = "[z-a]"
bad.Test "abc"
Check Err.Number = 5021, "Invalid range in character set"
Err.Clear
bad.Pattern = "a{3,1}"
bad.Test "abc"
Check Err.Number = 5017, "Syntax error in regular expression"
Err.Clear
bad.Pattern = "(a*)*b"
bad.Test String(40, "a")
Check Err.Number = 5022, "a runaway pattern ends with an error"
Err.Clear
bad.Pattern = "a"
Dim none : Set none = bad.Execute("b")
Dim item : item = none(0)
Check Err.Number = 5, "Item beyond the collection"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
