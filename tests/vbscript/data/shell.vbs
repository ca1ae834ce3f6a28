' WScript.Shell: Run, ExpandEnvironmentStrings, Environment, CurrentDirectory,
' SendKeys and Popup. (The settings store part runs in class_registry tests,
' against scratch stores.)
Dim failures : failures = 0
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

Dim sh : Set sh = CreateObject("WScript.Shell")
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")

' Run: exit codes when waiting, 0 at once otherwise
Check sh.Run("exit 3", 0, True) = 3, "Run waits and returns the exit code"
Check sh.Run("true", 1, True) = 0, "Run of a succeeding command"
Check sh.Run("kill -9 $$", 0, True) = 137, "a command ended by a signal gives 128+N"
Dim marker : marker = fso.BuildPath(fso.GetSpecialFolder(2).Path, "obvbs_shell_" & fso.GetTempName())
Check sh.Run("echo ran > '" & marker & "'", , True) = 0, "Run through the shell"
Check fso.FileExists(marker), "the command ran"
fso.DeleteFile marker
Check sh.Run("sleep 0.2; exit 7") = 0, "Run without waiting returns 0 at once"
Check sh.Run("sleep 0.2; exit 7", 0, False) = 0, "waitOnReturn False"

' Exec: pipes for the standard handles, Status and ExitCode
Sub WaitForEnd(ex)
    Do While ex.Status = 0
        sh.Run "sleep 0.01", 0, True
    Loop
End Sub
Dim ex : Set ex = sh.Exec("printf 'one\ntwo\n'; echo oops >&2; exit 4")
Check ex.StdOut.ReadLine = "one" And ex.StdOut.ReadAll = "two" & vbLf, "Exec StdOut"
Check ex.StdErr.ReadAll = "oops" & vbLf, "Exec StdErr"
WaitForEnd ex
Check ex.Status = 1 And ex.ExitCode = 4, "Exec Status and ExitCode"
Check ex.ProcessID > 0, "Exec ProcessID"
Set ex = sh.Exec("read a; read b; echo ""$b-$a""")
ex.StdIn.WriteLine "first"
ex.StdIn.Write "second" & vbLf
ex.StdIn.Close
Check ex.StdOut.ReadLine = "second-first", "Exec StdIn"
Set ex = sh.Exec("sleep 30")
Check ex.Status = 0 And ex.ExitCode = 0, "a running command"
ex.Terminate
WaitForEnd ex
Check ex.ExitCode = 128 + 15, "Terminate ends the command with SIGTERM"
Check ErrorOf("ex.StdIn.Write String(200000, ""x"")") = 57, "writing to a command that has gone raises 57"

' the environment
Dim env : Set env = sh.Environment("PROCESS")
env("OBVBS_SHELL_TEST") = "fifty"
Check env("OBVBS_SHELL_TEST") = "fifty" And env.Item("OBVBS_SHELL_TEST") = "fifty", "Environment Item write and read"
Check sh.ExpandEnvironmentStrings("[%OBVBS_SHELL_TEST%]") = "[fifty]", "ExpandEnvironmentStrings"
Check sh.ExpandEnvironmentStrings("%OBVBS_NOT_SET_XYZ% 100% %OBVBS_SHELL_TEST%") = "%OBVBS_NOT_SET_XYZ% 100% fifty", "unknown names stay"
Check sh.Run("test ""$OBVBS_SHELL_TEST"" = fifty", 0, True) = 0, "commands see the environment"
Dim entry, found : found = False
For Each entry In sh.Environment
    If entry = "OBVBS_SHELL_TEST=fifty" Then found = True
Next
Check found, "For Each gives NAME=value"
Dim before : before = env.Count
env.Remove "OBVBS_SHELL_TEST"
Check env("OBVBS_SHELL_TEST") = "" And env.Count = before - 1, "Remove and Count"
Check sh.ExpandEnvironmentStrings("%HOME%") <> "%HOME%" Or env("HOME") = "", "HOME expands"

' the current directory
Dim start : start = sh.CurrentDirectory
Dim temp : temp = fso.GetSpecialFolder(2).Path
Dim place : place = fso.BuildPath(temp, "obvbs_cd_" & fso.GetTempName())
fso.CreateFolder place
sh.CurrentDirectory = place
Check fso.GetFileName(sh.CurrentDirectory) = fso.GetFileName(place), "CurrentDirectory put"
Check fso.GetAbsolutePathName("x") = fso.BuildPath(sh.CurrentDirectory, "x"), "relative paths follow CurrentDirectory"
Check ErrorOf("sh.CurrentDirectory = ""/no/such/folder/here""") = 76, "a missing folder raises 76"
sh.CurrentDirectory = start
Check sh.CurrentDirectory = start, "CurrentDirectory restored"
fso.DeleteFolder place

' special folders: the XDG folders of the user
Dim special : Set special = sh.SpecialFolders
Dim home : home = sh.ExpandEnvironmentStrings("%HOME%")
Check special.Count >= 3, "SpecialFolders counts its folders"
Check special("Desktop") <> "" And sh.SpecialFolders("Desktop") = special.Item("desktop"), _
    "SpecialFolders(name), Item(name), case-blind"
Check Left(special("Desktop"), 1) = "/", "Desktop is an absolute path"
If home <> "%HOME%" And sh.ExpandEnvironmentStrings("%XDG_DATA_HOME%") = "%XDG_DATA_HOME%" Then
    Check special("Fonts") = home & "/.local/share/fonts", "Fonts below the home folder"
End If
Check special("NoSuchFolder") = "" And sh.SpecialFolders("Favorites") = "", "unknown names give """""
Check special(0) = special("Desktop"), "Item(index)"
Check ErrorOf("x = sh.SpecialFolders(999)") = 9, "an index out of range raises 9"
Dim folderCount : folderCount = 0
Dim folderPath
For Each folderPath In special
    folderCount = folderCount + 1
    Check Left(folderPath, 1) = "/", "For Each gives paths: " & folderPath
Next
Check folderCount = special.Count, "For Each covers Count folders"

' no desktop: SendKeys raises 70; bad key syntax raises 5 before any display is asked
sh.Environment("Process")("DISPLAY") = ""
Check ErrorOf("sh.SendKeys ""abc""") = 70, "SendKeys without a display raises 70"
Check ErrorOf("sh.SendKeys ""a{NOSUCHKEY}""") = 5, "SendKeys with an unknown key raises 5"
Check ErrorOf("sh.SendKeys ""+""") = 5, "SendKeys with a modifier and no key raises 5"
Check sh.Popup("popup text", 1, "title", 0) = -1, "Popup returns -1"
Check ErrorOf("sh.NoSuchThing") = 438, "unknown member raises 438"

If failures > 0 Then WScript.Quit 1
WScript.Echo "shell: ok"
