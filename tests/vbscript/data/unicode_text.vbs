' Texts count characters, not bytes: multi-byte UTF-8 letters, a character
' outside the 16-bit range, and bytes that are not UTF-8 at all.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim word : word = "Grüße"             ' two 2-byte letters
Dim euro : euro = "1 € = 100 ¢"       ' a 3-byte and a 2-byte character
Dim smile : smile = "a😀b"              ' a 4-byte character
Dim raw : raw = "x" & ChrB(&HE9) & "y"  ' a lone byte that is not UTF-8

' ---- counts and positions ----
Check Len(word) = 5, "Len counts characters"
Check Len(euro) = 11, "Len with a 3-byte character"
Check Len(smile) = 3, "Len with a 4-byte character"
Check Len(raw) = 3, "Len counts an invalid byte as one character"
Check Left(word, 3) = "Grü", "Left"
Check Right(word, 2) = "ße", "Right"
Check Mid(word, 3, 2) = "üß", "Mid"
Check Mid(word, 4) = "ße", "Mid to the end"
Check Mid(smile, 2, 1) = "😀", "Mid keeps a 4-byte character whole"
Check Mid(smile, 3) = "b", "Mid after a 4-byte character"
Check Mid(word, 6) = "", "Mid past the end"
Check InStr(word, "ß") = 4, "InStr gives a character position"
Check InStr(5, word, "e") = 5, "InStr start is a character position"
Check InStr(6, word, "e") = 0, "InStr start beyond the text"
Check InStr(euro, "¢") = 11, "InStr after multi-byte characters"
Check InStrRev(euro, " ") = 10, "InStrRev"
Check InStrRev("éaéa", "é", 2) = 1, "InStrRev start counts characters"
Check InStrRev("éaéa", "é", 3) = 3, "InStrRev start at the match's end"
Check InStr(1, "ÄÖÜ", "öü", vbTextCompare) = 2, "InStr text compare folds accented letters"
Check InStr(1, "ÄÖÜ", "öü", vbBinaryCompare) = 0, "InStr binary compare keeps case"
Check InStr(raw, "y") = 3, "InStr after an invalid byte"

' ---- Replace, Split, Join, Filter ----
Check Replace(word, "ü", "ue") = "Grueße", "Replace a 2-byte letter"
Check Replace("àbàbà", "à", "a", 2) = "baba", "Replace start counts characters"
Check Replace("àbàbà", "à", "_", 1, 2) = "_b_bà", "Replace with a count"
Check Replace("ÉCOLE école", "é", "e", 1, -1, vbTextCompare) = "eCOLE ecole", "Replace text compare"
Check Replace(raw, "y", "z") = "x" & ChrB(&HE9) & "z", "Replace keeps an invalid byte"
Check Mid(raw, 2, 1) = ChrB(&HE9), "Mid returns an invalid byte as it was"
Check Len(Mid(raw, 2, 1)) = 1, "an invalid byte survives a Mid round trip"
Dim parts : parts = Split("α,β,γ", ",")
Check UBound(parts) = 2 And parts(1) = "β", "Split keeps characters whole"
parts = Split("aΣbσc", "σ", -1, vbTextCompare)
Check UBound(parts) = 2 And parts(2) = "c", "Split text compare folds Greek"
Check Join(Array("é", "è"), "·") = "é·è", "Join"
Dim kept : kept = Filter(Array("Ärger", "Öl", "ärmel"), "ä", True, vbTextCompare)
Check UBound(kept) = 1, "Filter text compare"
' An invalid byte does not match inside a valid character: "é" is C3 A9.
Check InStr("é", ChrB(&HA9)) = 0, "a byte never matches the inside of a character"
Check Replace("é", ChrB(&HA9), "x") = "é", "Replace leaves multi-byte characters whole"

' ---- building texts ----
Check StrReverse(word) = "eßürG", "StrReverse"
Check StrReverse(smile) = "b😀a", "StrReverse keeps a 4-byte character"
Check String(3, "é") = "ééé", "String repeats a multi-byte character"
Check String(2, "àb") = "àà", "String takes the first character"
Check String(2, 233) = "éé", "String with a code"
Check String(1, 128) = "€", "String with an ANSI code"
Check Len(Space(4)) = 4, "Space"
Check Trim("  ü  ") = "ü", "Trim"

' ---- character codes ----
Check Chr(233) = "é", "Chr is Windows-1252"
Check Chr(128) = "€", "Chr(128) is the euro sign"
Check Chr(65) = "A", "Chr of ASCII"
Check Asc("é") = 233, "Asc"
Check Asc("€uro") = 128, "Asc of a code page character"
Check Asc("Ω") = 63, "Asc of a character outside the code page"
Check Asc(raw) = 120, "Asc of the first character"
Check Asc(Mid(raw, 2)) = 233, "Asc of an invalid byte is the byte"
Check AscW("Ω") = 937, "AscW"
Check AscW("€") = 8364, "AscW of the euro sign"
Check AscW(smile) = 97, "AscW of ASCII"
Check AscW(Mid(smile, 2)) = &HD83D, "AscW above U+FFFF gives the high surrogate"
Check AscW(ChrW(-1)) = -1, "AscW is a signed Integer"
Check ChrW(937) = "Ω", "ChrW"
Check ChrW(-1) = ChrW(65535), "ChrW of a negative value"
Check ChrW(&H20AC) = Chr(128), "ChrW and Chr agree"
Check AscB("é") = &HC3, "AscB is the first byte"
Check Len(ChrB(200)) = 1, "ChrB is one byte"

' ---- case ----
Check UCase("grüße") = "GRÜßE", "UCase Latin-1"
Check LCase("ÀÉÎÕÜ") = "àéîõü", "LCase Latin-1"
Check UCase("ÿ") = ChrW(&H178), "UCase y with diaeresis"
Check UCase("łódź") = "ŁÓDŹ", "UCase Latin Extended-A"
Check LCase("ĞİŞ") = "ğiş", "LCase Latin Extended-A"
Check UCase("αβγ ς") = "ΑΒΓ Σ", "UCase Greek"
Check LCase("ΆΈΏ") = "άέώ", "LCase accented Greek"
Check UCase("привет ёж") = "ПРИВЕТ ЁЖ", "UCase Cyrillic"
Check LCase("МОСКВА Є") = "москва є", "LCase Cyrillic"
Check UCase("日本 😀") = "日本 😀", "UCase leaves other characters"
Check UCase("×÷") = "×÷", "UCase leaves the signs in the letter range"
Check LCase(raw) = raw, "LCase keeps an invalid byte"
Check StrComp("ÉTÉ", "été", vbTextCompare) = 0, "StrComp text compare folds accents' case"
Check StrComp("ÉTÉ", "été", vbBinaryCompare) <> 0, "StrComp binary compare"
Check StrComp("a", "ä", vbTextCompare) = -1, "StrComp orders by character code"

' ---- errors ----
On Error Resume Next
Dim x
x = Chr(256)
Check Err.Number = 5, "Chr(256) is an invalid call"
Err.Clear
x = Chr(-1)
Check Err.Number = 5, "Chr(-1) is an invalid call"
Err.Clear
x = ChrW(65536)
Check Err.Number = 5, "ChrW(65536) is an invalid call"
Err.Clear
x = ChrW(-32769)
Check Err.Number = 5, "ChrW(-32769) is an invalid call"
Err.Clear
x = Asc("")
Check Err.Number = 5, "Asc of empty text"
Err.Clear
x = AscW("")
Check Err.Number = 5, "AscW of empty text"
Err.Clear
x = Asc(Null)
Check Err.Number = 94, "Asc(Null)"
Err.Clear
x = String(2, "")
Check Err.Number = 5, "String of empty text"
Err.Clear
On Error GoTo 0

If failures > 0 Then WScript.Quit 1
