' Scripting.FileSystemObject: path texts, folders, files, text streams and the
' file errors, all inside a scratch folder under the temporary folder.
Dim failures : failures = 0
' Root may write any file whatever its modes.
Function IsRoot()
    IsRoot = CreateObject("WScript.Shell").Run("test ""$(id -u)"" = 0", 0, True) = 0
End Function
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

Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
Check TypeName(fso) = "FileSystemObject", "TypeName"

' path texts
Check fso.BuildPath("/a/b", "c.txt") = "/a/b/c.txt", "BuildPath"
Check fso.BuildPath("/a/b/", "/c.txt") = "/a/b/c.txt", "BuildPath with separators on both sides"
Check fso.GetFileName("/x/y/report.tar.gz") = "report.tar.gz", "GetFileName"
Check fso.GetFileName("/x/y/") = "y", "GetFileName of a folder path"
Check fso.GetBaseName("/x/report.tar.gz") = "report.tar", "GetBaseName"
Check fso.GetExtensionName("/x/report.tar.gz") = "gz", "GetExtensionName"
Check fso.GetExtensionName("/x/README") = "", "GetExtensionName without one"
Check fso.GetParentFolderName("/x/y/z") = "/x/y", "GetParentFolderName"
Check fso.GetParentFolderName("/x") = "/", "GetParentFolderName below the root"
Check fso.GetParentFolderName("name") = "", "GetParentFolderName of a bare name"
Check fso.GetAbsolutePathName("/a/./b/../c/") = "/a/c", "GetAbsolutePathName"
Check Left(fso.GetAbsolutePathName("rel"), 1) = "/", "GetAbsolutePathName of a relative path"
Check Len(fso.GetTempName()) = 12 And Right(fso.GetTempName, 4) = ".tmp", "GetTempName form"

' a scratch folder
Dim temp : Set temp = fso.GetSpecialFolder(2)
Check fso.FolderExists(temp.Path), "GetSpecialFolder(2) exists"
Dim root : root = fso.BuildPath(temp.Path, "obvbs_" & fso.GetTempName())
Dim made : Set made = fso.CreateFolder(root)
Check fso.FolderExists(root) And made.Path = root, "CreateFolder"
Check ErrorOf("fso.CreateFolder root") = 58, "CreateFolder of an existing folder raises 58"
Check ErrorOf("fso.CreateFolder root & ""/no/such""") = 76, "CreateFolder below a missing folder raises 76"

' writing and reading a text file
Dim path : path = fso.BuildPath(root, "one.txt")
Dim ts : Set ts = fso.CreateTextFile(path)
ts.Write "alpha"
Check ts.Line = 1 And ts.Column = 6, "Column after Write"
ts.WriteLine
ts.WriteLine "beta"
ts.WriteBlankLines 2
ts.Write "gamma"
Check ts.Line = 5, "Line while writing"
Check ErrorOf("ts.ReadLine") = 54, "reading a stream open for writing raises 54"
ts.Close
Check ErrorOf("ts.Write ""x""") = 52, "a closed stream raises 52"
Check fso.FileExists(path) And Not fso.FolderExists(path), "FileExists"
Check fso.GetFile(path).Size = 22, "WriteLine ends lines with CRLF"

Set ts = fso.OpenTextFile(path)
Check Not ts.AtEndOfStream, "AtEndOfStream at the start"
Check ts.Read(2) = "al" And ts.Column = 3, "Read(n) and Column"
ts.Skip 1
Check ts.ReadLine = "ha", "ReadLine after Skip drops the CRLF"
Check ts.Line = 2 And ts.Column = 1, "Line after ReadLine"
Check ts.ReadLine = "beta", "second line"
Check ts.AtEndOfLine, "AtEndOfLine on an empty line"
ts.SkipLine
ts.SkipLine
Check ts.ReadAll = "gamma" And ts.AtEndOfStream, "ReadAll"
Check ErrorOf("ts.ReadLine") = 62, "reading past the end raises 62"
Check ErrorOf("ts.Write ""x""") = 54, "writing a stream open for reading raises 54"
ts.Close

' LF-only files, appending, creating
Set ts = fso.OpenTextFile(path, 2)
ts.Write "one" & vbLf & "two" & vbCrLf & "three"
ts.Close
Set ts = fso.OpenTextFile(path, 8)
ts.Write vbLf & "four"
ts.Close
Set ts = fso.OpenTextFile(path, 1)
Dim lines : lines = ""
Do Until ts.AtEndOfStream
    lines = lines & ts.ReadLine & "|"
Loop
ts.Close
Check lines = "one|two|three|four|", "ReadLine with LF, CRLF and no final line end"
Check ErrorOf("fso.OpenTextFile root & ""/none.txt""") = 53, "opening a missing file raises 53"
Check ErrorOf("fso.OpenTextFile root & ""/no/none.txt""") = 76, "opening in a missing folder raises 76"
Check ErrorOf("fso.OpenTextFile path, 3") = 5, "a bad mode raises 5"
Set ts = fso.OpenTextFile(root & "/made.txt", 8, True)
ts.Close
Check fso.FileExists(root & "/made.txt"), "OpenTextFile with create"
Check ErrorOf("fso.CreateTextFile path, False") = 58, "CreateTextFile without overwrite raises 58"
Set ts = fso.OpenTextFile(root & "/made.txt")
Check ErrorOf("x = ts.ReadAll") = 62, "ReadAll of an empty file raises 62"
ts.Close

' Unicode text counts characters
Set ts = fso.CreateTextFile(root & "/u.txt", True)
ts.Write "zürich" & vbCrLf
Check ts.Column = 1 And ts.Line = 2, "Column counts characters"
ts.Close
Set ts = fso.OpenTextFile(root & "/u.txt")
Check ts.Read(2) = "zü" And ts.Column = 3, "Read counts characters"
ts.Close

' lines crossing the reader's buffer boundaries, and one longer than a buffer
Dim bigPath, n : bigPath = root & "/big.txt"
Set ts = fso.CreateTextFile(bigPath)
For n = 1 To 20000
    ts.WriteLine "line number " & n
Next
ts.Write String(100000, "x") & vbLf & "tail"
ts.Close
Set ts = fso.OpenTextFile(bigPath)
Dim count, bad : count = 0 : bad = 0
For n = 1 To 20000
    If ts.ReadLine <> "line number " & n Then bad = bad + 1
Next
Check bad = 0 And ts.Line = 20001, "20000 CRLF lines read back"
Check Len(ts.ReadLine) = 100000 And ts.ReadLine = "tail" And ts.AtEndOfStream, "a line longer than the buffer"
ts.Close
Set ts = fso.OpenTextFile(bigPath)
Check Len(ts.ReadAll) = fso.GetFile(bigPath).Size, "ReadAll of a large file"
ts.Close
fso.DeleteFile bigPath

' File objects
Dim f : Set f = fso.GetFile(path)
Check f.Name = "one.txt" And f.Path = path And f.Type = "File", "File Name, Path and Type"
Check f = path, "the default member of a File is its Path"
Check f.ParentFolder.Path = root, "File.ParentFolder"
Check Abs(DateDiff("n", f.DateLastModified, Now)) < 5, "DateLastModified is recent"
Check IsDate(f.DateCreated), "DateCreated"
f.Copy root & "/two.txt"
Check fso.GetFile(root & "/two.txt").Size = f.Size, "File.Copy"
Check ErrorOf("f.Copy root & ""/two.txt"", False") = 58, "File.Copy without overwrite raises 58"
f.Move root & "/moved.txt"
Check f.Name = "moved.txt" And Not fso.FileExists(path), "File.Move"
Set ts = f.OpenAsTextStream(1)
Check ts.ReadLine = "one", "OpenAsTextStream"
ts.Close
Check ErrorOf("fso.GetFile root & ""/none""") = 53, "GetFile of a missing file raises 53"
Check ErrorOf("fso.GetFile root") = 53, "GetFile of a folder raises 53"

' folders and their collections
fso.CreateFolder root & "/sub"
fso.CreateFolder root & "/sub/deeper"
fso.CreateTextFile(root & "/sub/inner.log").Close
Dim folder : Set folder = fso.GetFolder(root)
Check folder.Name = fso.GetFileName(root) And Not folder.IsRootFolder, "Folder Name"
Check fso.GetFolder(root).Files.Count = 4, "Files.Count chained"
Check folder.SubFolders.Count = 1 And folder.SubFolders("sub").Name = "sub", "SubFolders"
Check folder.Files.Item("two.txt").Size = 19, "Files.Item"
Check ErrorOf("x = folder.Files(""none"").Name") = 53, "Files.Item of a missing name raises 53"
Dim names, item : names = ""
For Each item In folder.Files
    names = names & item.Name & ";"
Next
Check names = "made.txt;moved.txt;two.txt;u.txt;", "For Each over Files (sorted)"
Check fso.GetFolder("/").IsRootFolder And fso.GetFolder("/").ParentFolder Is Nothing, "the root folder"
Check folder.Size = 19 + 19 + 9, "Folder.Size adds the files below"
folder.CreateTextFile("by_folder.txt").WriteLine "x"
Check fso.FileExists(root & "/by_folder.txt"), "Folder.CreateTextFile"
Check ErrorOf("fso.GetFolder root & ""/none""") = 76, "GetFolder of a missing folder raises 76"

' copying, moving and deleting with wildcards
fso.CreateFolder root & "/copies"
fso.CopyFile root & "/*.txt", root & "/copies/"
Check fso.GetFolder(root & "/copies").Files.Count = 5, "CopyFile with a wildcard"
Check ErrorOf("fso.CopyFile root & ""/two.txt"", root & ""/copies""") = 70, "CopyFile onto a folder raises 70"
Check ErrorOf("fso.CopyFile root & ""/*.none"", root & ""/copies/""") = 53, "CopyFile matching nothing raises 53"
fso.MoveFile root & "/copies/u.txt", root & "/copies/v.txt"
Check fso.FileExists(root & "/copies/v.txt") And Not fso.FileExists(root & "/copies/u.txt"), "MoveFile"
Check ErrorOf("fso.MoveFile root & ""/copies/v.txt"", root & ""/copies/two.txt""") = 58, "MoveFile onto a file raises 58"
fso.DeleteFile root & "/copies/m*.txt"
Check fso.GetFolder(root & "/copies").Files.Count = 3, "DeleteFile with a wildcard"
Check ErrorOf("fso.DeleteFile root & ""/copies/none.txt""") = 53, "DeleteFile of a missing file raises 53"
fso.CopyFolder root & "/sub", root & "/sub2"
Check fso.FileExists(root & "/sub2/inner.log") And fso.FolderExists(root & "/sub2/deeper"), "CopyFolder"
Check ErrorOf("fso.CopyFolder root & ""/sub"", root & ""/sub/deeper/loop""") = 70, "CopyFolder into itself raises 70"
fso.MoveFolder root & "/sub2", root & "/sub3"
Check fso.FolderExists(root & "/sub3") And Not fso.FolderExists(root & "/sub2"), "MoveFolder"
fso.GetFolder(root & "/sub3").Delete
Check Not fso.FolderExists(root & "/sub3"), "Folder.Delete"
Check ErrorOf("fso.DeleteFolder root & ""/none""") = 76, "DeleteFolder of a missing folder raises 76"

' Attributes and renaming through Name
Dim entry
Set ts = fso.CreateTextFile(root & "/attr.txt", True) : ts.Write "x" : ts.Close
Set entry = fso.GetFile(root & "/attr.txt")
Check entry.Attributes = 0, "a plain file has no attributes: " & entry.Attributes
entry.Attributes = 1
Check (entry.Attributes And 1) <> 0, "ReadOnly set"
Check ErrorOf("fso.OpenTextFile(root & ""/attr.txt"", 2)") = 70 Or IsRoot(), "a read-only file refuses writing"
entry.Attributes = 0
Check (entry.Attributes And 1) = 0, "ReadOnly cleared"
entry.Name = ".renamed.txt"
Check entry.Name = ".renamed.txt" And fso.FileExists(root & "/.renamed.txt") And Not fso.FileExists(root & "/attr.txt"), "File.Name = renames"
Check (entry.Attributes And 2) <> 0, "a name starting with a dot is Hidden"
Set ts = fso.CreateTextFile(root & "/taken.txt", True) : ts.Close
Check ErrorOf("entry.Name = ""taken.txt""") = 58, "renaming onto an existing name raises 58"
Check ErrorOf("entry.Name = ""a/b""") = 52, "a name with a slash raises 52"
Check fso.FileExists(root & "/.renamed.txt"), "a refused rename leaves the file"
fso.CreateFolder root & "/dirattr"
Set entry = fso.GetFolder(root & "/dirattr")
Check (entry.Attributes And 16) = 16, "a folder has the Directory attribute"
entry.Name = "dirattr2"
Check fso.FolderExists(root & "/dirattr2") And entry.Path = root & "/dirattr2", "Folder.Name = renames"

' UTF-16 text files: the unicode argument, the format argument and byte order marks
Dim u16 : u16 = root & "/utf16.txt"
Set ts = fso.CreateTextFile(u16, True, True)
ts.WriteLine "h" & ChrW(233) & "llo"
ts.Write "x" & ChrW(8364)
Check ts.Column = 3, "Column counts characters written to a UTF-16 file"
ts.Close
Check fso.GetFile(u16).Size = 2 + 2 * 9, "a UTF-16 file holds the mark and two bytes a character"
Set ts = fso.OpenTextFile(u16)
Check ts.ReadLine = "h" & ChrW(233) & "llo", "reading detects UTF-16 by its mark"
Check ts.Read(1) = "x" And ts.Column = 2, "Read(n) counts characters of a UTF-16 file"
Check ts.ReadAll = ChrW(8364), "ReadAll of a UTF-16 file"
ts.Close
Set ts = fso.OpenTextFile(u16, 8, False, -1)
ts.Write "!"
ts.Close
Check fso.GetFile(u16).Size = 2 + 2 * 10, "appending writes UTF-16 without a second mark"
Set ts = fso.GetFile(u16).OpenAsTextStream(1, -1)
Check ts.ReadAll = "h" & ChrW(233) & "llo" & vbCrLf & "x" & ChrW(8364) & "!", "OpenAsTextStream with TristateTrue"
ts.Close
Set ts = fso.OpenTextFile(u16, 2, False, -2)
ts.Write ChrW(233)
ts.Close
Check fso.GetFile(u16).Size = 2, "writing with the default format writes UTF-8"
Check ErrorOf("fso.OpenTextFile u16, 1, False, 2") = 5, "a bad format raises 5"
fso.DeleteFile u16

' drives: the mount points
Check fso.GetDriveName("/home/x") = "", "GetDriveName: Linux paths have no drive letters"
Dim drives : Set drives = fso.Drives
Check drives.Count >= 1, "Drives lists at least the root"
Dim drive, sawRoot : sawRoot = False
For Each drive In drives
    Check TypeName(drive) = "Drive", "Drives gives Drive objects"
    Check drive.DriveLetter = "", "no drive letters"
    Check drives(drive.Path).Path = drive.Path, "Drives(path) finds " & drive.Path
    Check drive.RootFolder.Path = drive.Path, "RootFolder is the mount point " & drive.Path
    Check drive.FileSystem <> "proc" And drive.FileSystem <> "sysfs", "no virtual file systems"
    If drive.Path = "/" Then sawRoot = True
Next
Check sawRoot, "the root is a drive"
Check ErrorOf("Set drive = drives(""/no/such/mount"")") = 68, "Drives(unknown) raises 68"
Set drive = fso.GetDrive("/")
Check drive.Path = "/" And drive = "/", "GetDrive(""/""); Path is the default member"
Check drive.IsReady, "the root is ready"
Check TypeName(drive.TotalSize) = "Double" And drive.TotalSize > 0, "TotalSize in bytes"
Check drive.TotalSize >= drive.FreeSpace And drive.FreeSpace >= drive.AvailableSpace, _
    "free space within the total, available within the free"
Check TypeName(drive.SerialNumber) = "Long", "SerialNumber is a Long"
Check drive.DriveType >= 1 And drive.DriveType <= 5, "the root has a known type"
Check drive.ShareName = "" Or drive.DriveType = 3, "ShareName only for network drives"
Dim inner : Set inner = fso.GetDrive(root)
Check Left(root, Len(inner.Path)) = inner.Path, "GetDrive of a folder gives the mount holding it"
Check fso.GetDrive(root & "/").Path = inner.Path, "a trailing slash changes nothing"
Check fso.DriveExists("/") And fso.DriveExists(root), "DriveExists of existing paths"
Check Not fso.DriveExists("/no/such/mount") And Not fso.DriveExists("C:"), "DriveExists of missing paths"
Check ErrorOf("fso.GetDrive ""C:""") = 68, "a drive letter is no Linux drive: 68"
Check ErrorOf("fso.GetDrive """"") = 68, "an empty path raises 68"
Check ErrorOf("fso.GetDrive ""/no/such/mount""") = 76, "a missing path raises 76"
Check ErrorOf("fso.GetDrive ""/proc/self""") = 68, "a virtual file system is no drive"
If fso.FolderExists("/dev/shm") Then
    If fso.GetDrive("/dev/shm").FileSystem = "tmpfs" Then
        Check fso.GetDrive("/dev/shm").DriveType = 5, "tmpfs is a RAM disk"
    End If
End If

' clean up
fso.DeleteFolder root
Check Not fso.FolderExists(root), "DeleteFolder removes everything below"

If failures > 0 Then WScript.Quit 1
WScript.Echo "file_system: ok"
