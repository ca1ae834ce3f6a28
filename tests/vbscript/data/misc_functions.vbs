' ScriptEngine and its versions, RGB, Escape / Unescape, the locale functions,
' InputBox and LoadPicture.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Sub Expect(actual, expected, what)
    If actual <> expected Then
        WScript.Echo "FAIL: " & what & ": got [" & actual & "], expected [" & expected & "]"
        failures = failures + 1
    End If
End Sub

Sub ExpectError(code, number, what)
    On Error Resume Next
    Dim ignored : ignored = Eval(code)
    If Err.Number <> number Then
        WScript.Echo "FAIL: " & what & ": error " & Err.Number & ", expected " & number
        failures = failures + 1
    End If
    On Error GoTo 0
End Sub

' ---- the engine ----
Expect ScriptEngine, "VBScript", "ScriptEngine"
Expect ScriptEngineMajorVersion, 5, "ScriptEngineMajorVersion"
Expect ScriptEngineMinorVersion, 8, "ScriptEngineMinorVersion"
Check ScriptEngineBuildVersion > 0, "ScriptEngineBuildVersion"
Check VarType(ScriptEngineMajorVersion()) = vbLong, "version numbers are Longs"

' ---- RGB ----
Expect RGB(0, 0, 0), 0, "RGB black"
Expect RGB(255, 255, 255), 16777215, "RGB white"
Expect RGB(1, 2, 3), 1 + 2 * 256 + 3 * 65536, "RGB order is red, green, blue"
Expect RGB(300, 0, 0), 255, "RGB clips above 255"
Expect RGB(0, -5, 0), 0, "RGB clips below 0"
Expect RGB(0, 0, 256), 255 * 65536, "RGB clips blue"
Expect RGB(10.4, 0, 0), 10, "RGB rounds parts"
Check VarType(RGB(1, 2, 3)) = vbLong, "RGB is a Long"
ExpectError "RGB(1, 2)", 450, "RGB with two arguments"
ExpectError "RGB(""x"", 2, 3)", 13, "RGB of text"

' ---- Escape / Unescape ----
Expect Escape("AZaz09@*_+-./"), "AZaz09@*_+-./", "Escape keeps the safe characters"
Expect Escape("a b&c=d"), "a%20b%26c%3Dd", "Escape ASCII"
Expect Escape("é"), "%E9", "Escape below 256 is %XX"
Expect Escape("€"), "%u20AC", "Escape above 255 is %uXXXX"
Expect Escape("😀"), "%uD83D%uDE00", "Escape above U+FFFF writes a surrogate pair"
Expect Escape(""), "", "Escape of nothing"
Expect Escape(vbCrLf), "%0D%0A", "Escape of control characters"
Expect Unescape("a%20b%26c%3Dd"), "a b&c=d", "Unescape ASCII"
Expect Unescape("%E9%e9"), "éé", "Unescape %XX in either case"
Expect Unescape("%u20AC%u20ac"), "€€", "Unescape %uXXXX"
Expect Unescape("%uD83D%uDE00"), "😀", "Unescape a surrogate pair"
Expect Unescape("100%"), "100%", "Unescape keeps a lone %"
Expect Unescape("%zz%4"), "%zz%4", "Unescape keeps malformed %XX"
Expect Unescape("%u12G4%u12"), "%u12G4%u12", "Unescape keeps malformed %uXXXX"
Expect Unescape("%%41"), "%A", "Unescape after a lone %"
Dim sample : sample = "Grüße, € & 😀 / ok" & ChrB(&HFF)
Expect Unescape(Escape(sample)), sample, "Escape and Unescape round trip"
Check IsNull(Escape(Null)), "Escape(Null)"

' ---- the locale ----
Expect GetLocale(), 1033, "GetLocale"
Expect SetLocale(1033), 1033, "SetLocale(1033)"
Expect SetLocale("en-us"), 1033, "SetLocale by name"
Expect SetLocale("EN-US"), 1033, "SetLocale by name in any case"
Expect SetLocale(0), 1033, "SetLocale(0): the system locale"
Expect GetLocale(), 1033, "the locale stays"
ExpectError "SetLocale(1031)", 5, "SetLocale of another locale"
ExpectError "SetLocale(""de-de"")", 5, "SetLocale of another locale name"

' ---- no desktop ----
Expect InputBox("Your name?"), "", "InputBox without a default"
Expect InputBox("Your name?", "Title", "Anna"), "Anna", "InputBox returns the default"
Expect InputBox("Count?", , 42), "42", "InputBox default is text"
ExpectError "LoadPicture(""x.bmp"")", 5, "LoadPicture"
ExpectError "InputBox()", 450, "InputBox without a prompt"

If failures > 0 Then WScript.Quit 1
