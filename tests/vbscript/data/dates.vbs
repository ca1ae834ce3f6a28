' Date literals, parts, arithmetic and construction.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim d : d = #3/14/1995 12:41:29#
Check Year(d) = 1995, "Year"
Check Month(d) = 3, "Month"
Check Day(d) = 14, "Day"
Check Hour(d) = 12, "Hour"
Check Minute(d) = 41, "Minute"
Check Second(d) = 29, "Second"
Check Weekday(d) = vbTuesday, "Weekday"
Check Weekday(d, vbMonday) = 2, "Weekday from Monday"
Check TypeName(d + 1) = "Date", "date + number is a Date"
Check Day(d + 1) = 15, "adding days"
Check (#1/10/2000# - #1/1/2000#) = 9, "date - date is a number of days"
Check TypeName(#1/10/2000# - #1/1/2000#) = "Double", "difference type"
Check #1/1/2000# < #1/2/2000#, "dates compare"
Check DateSerial(2000, 2, 29) = #2/29/2000#, "DateSerial"
Check DateSerial(2000, 13, 1) = #1/1/2001#, "DateSerial rolls months over"
Check DateSerial(2000, 3, 0) = #2/29/2000#, "DateSerial day 0 is the day before"
Check DateSerial(99, 1, 1) = #1/1/1999#, "two-digit years"
Check Hour(TimeSerial(13, 5, 0)) = 13, "TimeSerial"
Check CDate("2001-02-03") = #2/3/2001#, "CDate of ISO text"
Check IsDate("March 14, 1995"), "IsDate"
Check Not IsDate("no date"), "IsDate of other text"
Check Year(Now) >= 2020, "Now"
Check Int(Now) = Date, "Date is today"
Check Time < 1, "Time has no day"
Check Timer >= 0 And Timer < 86400, "Timer"
Check CDbl(#12/30/1899#) = 0, "the date epoch"

Check DateAdd("d", 1, #12/31/1999#) = #1/1/2000#, "DateAdd days"
Check DateAdd("m", 1, #1/31/2000#) = #2/29/2000#, "DateAdd months clamps the day"
Check DateAdd("yyyy", -1, #2/29/2000#) = #2/28/1999#, "DateAdd years"
Check DateAdd("q", 1, #1/15/2000#) = #4/15/2000#, "DateAdd quarters"
Check DateAdd("h", 25, #1/1/2000#) = #1/2/2000 1:00:00#, "DateAdd hours"
Check DateAdd("n", -30, #1/1/2000#) = #12/31/1999 11:30:00 PM#, "DateAdd minutes backwards"
Check DateAdd("ww", 2, #1/1/2000#) = #1/15/2000#, "DateAdd weeks"
Check DateDiff("d", #1/1/2000#, #3/1/2000#) = 60, "DateDiff days"
Check DateDiff("m", #1/31/2000#, #2/1/2000#) = 1, "DateDiff counts month boundaries"
Check DateDiff("yyyy", #12/31/1999#, #1/1/2000#) = 1, "DateDiff years"
Check DateDiff("h", #1/1/2000 10:59:00#, #1/1/2000 11:00:00#) = 1, "DateDiff hours"
Check DateDiff("s", #1/1/2000#, #1/1/2000 0:01:00#) = 60, "DateDiff seconds"
Check DateDiff("d", #3/1/2000#, #1/1/2000#) = -60, "DateDiff backwards"
Check DateDiff("ww", #1/1/2000#, #1/9/2000#) = 2, "DateDiff Sundays crossed"
Check MonthName(3) = "March" And MonthName(3, True) = "Mar", "MonthName"
Check WeekdayName(1) = "Sunday" And WeekdayName(2, True, vbMonday) = "Tue", "WeekdayName"

On Error Resume Next
Dim bad : bad = DateAdd("x", 1, Now)
Check Err.Number = 5, "DateAdd with an unknown interval"
Err.Clear
bad = DateAdd("yyyy", 20000, Now)
Check Err.Number = 5, "DateAdd beyond the year 9999"
Err.Clear
On Error GoTo 0

' ---- DatePart ----
Dim pi : pi = #3/14/1995 12:41:29 PM#
Check DatePart("yyyy", pi) = 1995, "DatePart year"
Check DatePart("q", pi) = 1, "DatePart quarter"
Check DatePart("q", #10/1/1995#) = 4, "DatePart last quarter"
Check DatePart("m", pi) = 3, "DatePart month"
Check DatePart("y", pi) = 73, "DatePart day of year"
Check DatePart("d", pi) = 14, "DatePart day"
Check DatePart("w", pi) = 3, "DatePart weekday (Tuesday from Sunday)"
Check DatePart("w", pi, vbMonday) = 2, "DatePart weekday from Monday"
Check DatePart("w", pi, vbUseSystemDayOfWeek) = 3, "DatePart weekday of the system"
Check DatePart("ww", pi) = 11, "DatePart week of year"
Check DatePart("h", pi) = 12 And DatePart("n", pi) = 41 And DatePart("s", pi) = 29, "DatePart time"
Check DatePart("YYYY", pi) = 1995, "DatePart interval in capitals"
Check VarType(DatePart("d", pi)) = vbInteger, "DatePart is an Integer"
Check DatePart("d", "3/14/1995") = 14, "DatePart parses text"
Check IsNull(DatePart("d", Null)), "DatePart(Null)"
' weeks of the year under each rule
Check DatePart("ww", #1/1/2000#) = 1, "week of January 1"
Check DatePart("ww", #1/2/2000#) = 2, "a Sunday starts week 2"
Check DatePart("ww", #12/31/2000#) = 54, "a year may touch 54 weeks"
Check DatePart("ww", #1/1/2000#, vbMonday, vbFirstFourDays) = 52, "four-day rule: last week of 1999"
Check DatePart("ww", #1/3/2000#, vbMonday, vbFirstFourDays) = 1, "four-day rule: first Monday"
Check DatePart("ww", #12/31/2003#, vbMonday, vbFirstFourDays) = 1, "four-day rule: next year's week 1"
Check DatePart("ww", #12/28/2003#, vbMonday, vbFirstFourDays) = 52, "four-day rule: last Sunday"
Check DatePart("ww", #1/1/2000#, vbSunday, vbFirstFullWeek) = 52, "full-week rule: last week of 1999"
Check DatePart("ww", #1/2/2000#, vbSunday, vbFirstFullWeek) = 1, "full-week rule: first full week"
Check DatePart("ww", #1/1/2000#, vbSunday, vbUseSystem) = 1, "week rule of the system"

' ---- DateDiff with a first day of the week ----
Check DateDiff("ww", #1/1/2000#, #1/9/2000#, vbSunday) = 2, "DateDiff Sundays"
Check DateDiff("ww", #1/1/2000#, #1/9/2000#, vbMonday) = 1, "DateDiff Mondays crossed"
Check DateDiff("ww", #1/3/2000#, #1/10/2000#, vbMonday) = 1, "DateDiff from a Monday"
Check DateDiff("ww", #1/1/2000#, #1/9/2000#, vbSaturday) = 1, "DateDiff Saturdays crossed"
Check DateDiff("ww", #1/9/2000#, #1/1/2000#, vbMonday) = -1, "DateDiff weeks backwards"
Check DateDiff("ww", #1/1/2000#, #1/9/2000#, vbMonday, vbFirstFourDays) = 1, "DateDiff with a week rule"
Check DateDiff("w", #1/1/2000#, #1/15/2000#) = 2, "DateDiff whole weeks"
Check DateDiff("y", #1/1/2000#, #1/15/2000#) = 14, "DateDiff day of year counts days"
Check IsNull(DateDiff("d", Null, Now)), "DateDiff(Null)"

' ---- DateValue and TimeValue ----
Check DateValue("3/14/1995 12:41:29 PM") = #3/14/1995#, "DateValue drops the time"
Check DateValue(#3/14/1995 6:00:00 PM#) = #3/14/1995#, "DateValue of a date"
Check DateValue("March 14, 1995") = #3/14/1995#, "DateValue of a month name"
Check DateValue(#12/29/1899 6:00:00 AM#) = #12/29/1899#, "DateValue before the epoch"
Check VarType(DateValue("1/2/2003")) = vbDate, "DateValue is a Date"
Check TimeValue("3/14/1995 12:41:29 PM") = #12:41:29 PM#, "TimeValue drops the date"
Check TimeValue("6:30 PM") = #6:30:00 PM#, "TimeValue of a time"
Check TimeValue(#12/29/1899 6:00:00 AM#) = #6:00:00 AM#, "TimeValue before the epoch"
Check CDbl(TimeValue(Now)) < 1, "TimeValue has no day"
Check IsNull(DateValue(Null)) And IsNull(TimeValue(Null)), "DateValue and TimeValue of Null"

Sub ExpectError(code, number, what)
    On Error Resume Next
    Dim ignored : ignored = Eval(code)
    If Err.Number <> number Then
        WScript.Echo "FAIL: " & what & ": error " & Err.Number & ", expected " & number
        failures = failures + 1
    End If
    On Error GoTo 0
End Sub

ExpectError "DatePart(""x"", Now)", 5, "DatePart with an unknown interval"
ExpectError "DatePart(""d"", Now, 8)", 5, "DatePart with a bad first day"
ExpectError "DatePart(""ww"", Now, 1, 4)", 5, "DatePart with a bad week rule"
ExpectError "DatePart(""d"", ""no date"")", 13, "DatePart of text"
ExpectError "DateDiff(""ww"", Now, Now, 8)", 5, "DateDiff with a bad first day"
ExpectError "DateDiff(""ww"", Now, Now, 1, 4)", 5, "DateDiff with a bad week rule"
ExpectError "DateValue(""no date"")", 13, "DateValue of text"
ExpectError "TimeValue(""no time"")", 13, "TimeValue of text"

If failures > 0 Then WScript.Quit 1
