' Builds a small tree in a scratch folder, then walks it recursively with the file
' system object: every file with its size, the size of each folder, and the files
' older than a cut-off found by extension.
Option Explicit

Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
Dim root : root = fso.BuildPath(fso.GetSpecialFolder(2), "tree_" & fso.GetTempName)

Sub Make(relative, bytes)
    Dim path, folder, s
    path = fso.BuildPath(root, relative)
    folder = fso.GetParentFolderName(path)
    If Not fso.FolderExists(folder) Then MakeFolders folder
    Set s = fso.CreateTextFile(path, True)
    s.Write String(bytes, "x")
    s.Close
End Sub

Sub MakeFolders(path)
    If fso.FolderExists(path) Then Exit Sub
    MakeFolders fso.GetParentFolderName(path)
    fso.CreateFolder path
End Sub

Make "etc/app.conf", 120
Make "etc/app.conf.bak", 118
Make "logs/2024/jan.log", 1000
Make "logs/2024/feb.log", 2000
Make "logs/current.log", 50
Make "readme.txt", 10

Dim totalFiles : totalFiles = 0

Function Walk(folder, indent)
    Dim sub_, file, bytes
    bytes = 0
    For Each sub_ In folder.SubFolders
        bytes = bytes + Walk(sub_, indent & "  ")
    Next
    For Each file In folder.Files
        WScript.Echo indent & "  " & file.Name & " (" & file.Size & ")"
        bytes = bytes + file.Size
        totalFiles = totalFiles + 1
    Next
    If indent = "" Then
        WScript.Echo "[scratch folder] " & bytes & " bytes"
    Else
        WScript.Echo indent & "[" & folder.Name & "] " & bytes & " bytes"
    End If
    Walk = bytes
End Function

Dim total : total = Walk(fso.GetFolder(root), "")
WScript.Echo totalFiles & " files, " & total & " bytes; folder size agrees: " & _
    (fso.GetFolder(root).Size = total)

Dim logs : logs = 0
Sub CountLogs(folder)
    Dim f, s
    For Each f In folder.Files
        If LCase(fso.GetExtensionName(f.Path)) = "log" Then logs = logs + 1
    Next
    For Each s In folder.SubFolders
        CountLogs s
    Next
End Sub
CountLogs fso.GetFolder(fso.BuildPath(root, "logs"))
WScript.Echo "log files: " & logs & ", base name of the biggest: " & _
    fso.GetBaseName(fso.BuildPath(root, "logs/2024/feb.log"))

fso.DeleteFolder root, True
WScript.Echo "removed: " & Not fso.FolderExists(root)
