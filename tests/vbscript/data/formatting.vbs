' FormatNumber, FormatCurrency, FormatPercent and FormatDateTime (US English).
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

' ---- FormatNumber: defaults and each argument ----
Expect FormatNumber(1234567.891), "1,234,567.89", "FormatNumber defaults"
Expect FormatNumber(0), "0.00", "FormatNumber of zero"
Expect FormatNumber(Empty), "0.00", "FormatNumber of Empty"
Expect FormatNumber("12.5"), "12.50", "FormatNumber of numeric text"
Expect FormatNumber(True), "-1.00", "FormatNumber of True"
Expect FormatNumber(-1234.5), "-1,234.50", "FormatNumber negative"
Expect FormatNumber(1234.5678, 3), "1,234.568", "FormatNumber digits"
Expect FormatNumber(1234.5678, 0), "1,235", "FormatNumber no digits"
Expect FormatNumber(1234.5, -1), "1,234.50", "FormatNumber digits -1 is the default"
Expect FormatNumber(1.5, 4), "1.5000", "FormatNumber pads digits"
Expect FormatNumber(0.5, 2, vbFalse), ".50", "FormatNumber without a leading digit"
Expect FormatNumber(0.5, 2, vbTrue), "0.50", "FormatNumber with a leading digit"
Expect FormatNumber(0.5, 2, vbUseDefault), "0.50", "FormatNumber leading digit default"
Expect FormatNumber(-0.5, 2, vbFalse), "-.50", "FormatNumber negative without a leading digit"
Expect FormatNumber(-12.5, 1, vbTrue, vbTrue), "(12.5)", "FormatNumber parentheses"
Expect FormatNumber(12.5, 1, vbTrue, vbTrue), "12.5", "FormatNumber parentheses only when negative"
Expect FormatNumber(-12.5, 1, vbTrue, vbFalse), "-12.5", "FormatNumber without parentheses"
Expect FormatNumber(1234567, 0, , , vbFalse), "1234567", "FormatNumber without grouping"
Expect FormatNumber(1234567, 0, , , vbUseDefault), "1,234,567", "FormatNumber grouping default"
Expect FormatNumber(999, 0), "999", "FormatNumber three digits have no separator"
Expect FormatNumber(1000, 0), "1,000", "FormatNumber four digits"

' ---- rounding: half away from zero, on the decimal value ----
Expect FormatNumber(2.5, 0), "3", "FormatNumber rounds 2.5 up (CInt would give 2)"
Expect FormatNumber(3.5, 0), "4", "FormatNumber rounds 3.5 up"
Expect FormatNumber(-2.5, 0), "-3", "FormatNumber rounds away from zero"
Expect FormatNumber(1.005, 2), "1.01", "FormatNumber rounds the decimal value"
Expect FormatNumber(0.125, 2), "0.13", "FormatNumber half up at the last digit"
Expect FormatNumber(999.995, 2), "1,000.00", "FormatNumber carries into a new digit"
Expect FormatNumber(9.6, 0), "10", "FormatNumber carry to ten"
Expect FormatNumber(-0.001, 2), "0.00", "FormatNumber: zero after rounding has no sign"
Expect FormatNumber(0.0001234, 6), "0.000123", "FormatNumber small values"
Expect FormatNumber(1E+20, 0), "100,000,000,000,000,000,000", "FormatNumber large values"

' ---- FormatCurrency and FormatPercent ----
Expect FormatCurrency(1234.5), "$1,234.50", "FormatCurrency"
Expect FormatCurrency(-1234.5), "-$1,234.50", "FormatCurrency negative"
Expect FormatCurrency(-1234.5, 2, vbTrue, vbTrue), "($1,234.50)", "FormatCurrency parentheses"
Expect FormatCurrency(0.5, 0), "$1", "FormatCurrency rounds"
Expect FormatCurrency(0.25, 2, vbFalse), "$.25", "FormatCurrency without a leading digit"
Expect FormatPercent(0.256), "25.60%", "FormatPercent"
Expect FormatPercent(0.256, 0), "26%", "FormatPercent no digits"
Expect FormatPercent(-0.5, 1, , vbTrue), "(50.0%)", "FormatPercent parentheses"
Expect FormatPercent(12.3456, 1), "1,234.6%", "FormatPercent grouping"
Expect FormatPercent(0.1234, 2), "12.34%", "FormatPercent keeps exact digits"
Check TypeName(FormatNumber(1)) = "String", "Format results are texts"

' ---- FormatDateTime ----
Dim d : d = #3/14/1995 12:41:29 PM#
Expect FormatDateTime(d), "3/14/1995 12:41:29 PM", "FormatDateTime general"
Expect FormatDateTime(d, vbGeneralDate), "3/14/1995 12:41:29 PM", "vbGeneralDate"
Expect FormatDateTime(d, vbLongDate), "Tuesday, March 14, 1995", "vbLongDate"
Expect FormatDateTime(#3/13/1995#, vbLongDate), "Monday, March 13, 1995", "vbLongDate Monday"
Expect FormatDateTime(d, vbShortDate), "3/14/1995", "vbShortDate"
Expect FormatDateTime(d, vbLongTime), "12:41:29 PM", "vbLongTime"
Expect FormatDateTime(d, vbShortTime), "12:41", "vbShortTime"
Expect FormatDateTime(#1/2/2003 9:05:07 AM#, vbShortTime), "09:05", "vbShortTime pads"
Expect FormatDateTime(#1/2/2003 9:05:07 PM#, vbShortTime), "21:05", "vbShortTime is 24-hour"
Expect FormatDateTime(#1/2/2003 0:00:01#, vbLongTime), "12:00:01 AM", "vbLongTime after midnight"
Expect FormatDateTime(#3/14/1995#), "3/14/1995", "general date without a time"
Expect FormatDateTime(#6:30:00 PM#), "6:30:00 PM", "general date of a time alone"
Expect FormatDateTime("March 14, 1995"), "3/14/1995", "FormatDateTime parses text as CDate does"
Expect FormatDateTime(#1/1/2000#, 1), "Saturday, January 1, 2000", "vbLongDate by number"

' ---- errors ----
Sub ExpectError(code, number, what)
    On Error Resume Next
    Dim ignored : ignored = Eval(code)
    If Err.Number <> number Then
        WScript.Echo "FAIL: " & what & ": error " & Err.Number & ", expected " & number
        failures = failures + 1
    End If
    On Error GoTo 0
End Sub

ExpectError "FormatNumber(""abc"")", 13, "FormatNumber of text"
ExpectError "FormatNumber(Null)", 94, "FormatNumber of Null"
ExpectError "FormatNumber(1, -2)", 5, "FormatNumber negative digits"
ExpectError "FormatNumber(1, 2, 5)", 5, "FormatNumber bad tri-state"
ExpectError "FormatCurrency(1, 2, , 7)", 5, "FormatCurrency bad tri-state"
ExpectError "FormatPercent(""x"")", 13, "FormatPercent of text"
ExpectError "FormatPercent(1.7E+307)", 6, "FormatPercent beyond the range of numbers"
ExpectError "FormatDateTime(Now, 5)", 5, "FormatDateTime format 5"
ExpectError "FormatDateTime(Now, -1)", 5, "FormatDateTime format -1"
ExpectError "FormatDateTime(""no date"")", 13, "FormatDateTime of text"
ExpectError "FormatDateTime(Null)", 94, "FormatDateTime of Null"
ExpectError "FormatNumber()", 450, "FormatNumber without arguments"

If failures > 0 Then WScript.Quit 1
