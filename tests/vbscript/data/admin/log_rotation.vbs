' Rotates app.log in a scratch folder: app.log.3 goes, .2 becomes .3, .1 becomes .2,
' app.log becomes app.log.1 and a new, empty app.log starts.
Option Explicit

Const KEEP = 3
Dim fso, root, i, stream
Set fso = CreateObject("Scripting.FileSystemObject")
root = fso.BuildPath(fso.GetSpecialFolder(2), "rotation_" & fso.GetTempName)
fso.CreateFolder root

Sub WriteLog(name, lines)
    Dim s, n
    Set s = fso.CreateTextFile(fso.BuildPath(root, name), True)
    For n = 1 To lines
        s.WriteLine "entry " & n
    Next
    s.Close
End Sub

WriteLog "app.log", 4
WriteLog "app.log.1", 3
WriteLog "app.log.2", 2
WriteLog "app.log.3", 1

Sub Rotate(base)
    Dim path, n
    path = fso.BuildPath(root, base)
    If fso.FileExists(path & "." & KEEP) Then fso.DeleteFile path & "." & KEEP
    For n = KEEP - 1 To 1 Step -1
        If fso.FileExists(path & "." & n) Then fso.MoveFile path & "." & n, path & "." & (n + 1)
    Next
    fso.MoveFile path, path & ".1"
    fso.CreateTextFile(path).Close
End Sub

Rotate "app.log"

Dim f, names(), count
count = 0
For Each f In fso.GetFolder(root).Files
    ReDim Preserve names(count)
    Set stream = f.OpenAsTextStream(1)
    Dim lines : lines = 0
    Do Until stream.AtEndOfStream
        stream.SkipLine
        lines = lines + 1
    Loop
    stream.Close
    names(count) = f.Name & ": " & lines & " line(s), " & f.Size & " bytes"
    count = count + 1
Next
For i = 0 To UBound(names)
    WScript.Echo names(i)
Next
fso.DeleteFolder root
WScript.Echo "cleaned up: " & Not fso.FolderExists(root)
