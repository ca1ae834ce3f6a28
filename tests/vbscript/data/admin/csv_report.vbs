' Reads a CSV file of servers and their disk use, then prints a report per site
' with totals, sorted by site name.
Option Explicit

Dim fso, path, stream
Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetSpecialFolder(2), "report_" & fso.GetTempName & ".csv")
Set stream = fso.CreateTextFile(path, True)
stream.WriteLine "server,site,used_gb,size_gb"
stream.WriteLine "web01,Berlin,120.5,500"
stream.WriteLine "db01,Amsterdam,900,1000"
stream.WriteLine "web02,Berlin,80,500"
stream.WriteLine ""
stream.WriteLine "mail01,Amsterdam,45.25,250"
stream.WriteLine "bad line"
stream.Close

Dim sites : Set sites = CreateObject("Scripting.Dictionary")
Dim used : Set used = CreateObject("Scripting.Dictionary")
Dim size : Set size = CreateObject("Scripting.Dictionary")
Dim line, fields, skipped, header
skipped = 0
Set stream = fso.OpenTextFile(path, 1)
header = stream.ReadLine
Do While Not stream.AtEndOfStream
    line = Trim(stream.ReadLine)
    fields = Split(line, ",")
    If UBound(fields) <> 3 Then
        If Len(line) > 0 Then skipped = skipped + 1
    Else
        If Not sites.Exists(fields(1)) Then
            sites.Add fields(1), 0
            used(fields(1)) = 0
            size(fields(1)) = 0
        End If
        sites(fields(1)) = sites(fields(1)) + 1
        used(fields(1)) = used(fields(1)) + CDbl(fields(2))
        size(fields(1)) = size(fields(1)) + CDbl(fields(3))
    End If
Loop
stream.Close
fso.DeleteFile path

Function Pad(text, width)
    Pad = Left(text & Space(width), width)
End Function

Function PadLeft(text, width)
    PadLeft = Right(Space(width) & text, width)
End Function

Dim keys, i, j, swap
keys = sites.Keys
For i = 0 To UBound(keys) - 1
    For j = i + 1 To UBound(keys)
        If StrComp(keys(i), keys(j), vbTextCompare) > 0 Then
            swap = keys(i) : keys(i) = keys(j) : keys(j) = swap
        End If
    Next
Next

WScript.Echo Pad("Site", 12) & PadLeft("Servers", 8) & PadLeft("Used GB", 10) & PadLeft("Use %", 8)
Dim totalServers, totalUsed, totalSize, site
For Each site In keys
    WScript.Echo Pad(site, 12) & PadLeft(sites(site), 8) & _
        PadLeft(FormatNumber(used(site), 2), 10) & _
        PadLeft(FormatPercent(used(site) / size(site), 1), 8)
    totalServers = totalServers + sites(site)
    totalUsed = totalUsed + used(site)
    totalSize = totalSize + size(site)
Next
WScript.Echo String(38, "-")
WScript.Echo Pad("Total", 12) & PadLeft(totalServers, 8) & _
    PadLeft(FormatNumber(totalUsed, 2), 10) & PadLeft(FormatPercent(totalUsed / totalSize, 1), 8)
WScript.Echo "columns: " & Replace(header, ",", " | ") & "; skipped " & skipped & " line(s)"
