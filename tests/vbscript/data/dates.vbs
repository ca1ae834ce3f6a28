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

If failures > 0 Then WScript.Quit 1
