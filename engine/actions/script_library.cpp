#include "engine/actions/script_library.h"

namespace ob::engine {
namespace {

constexpr std::string_view kScriptLibrary = R"VBS('
' StdLib.vbs
'
' This script is loaded into the thread's script space before an explicitly
' loaded script. It sets up the runtime data and is loaded silently.
' Do not modify it: put your own code and data into the Startup function of
' the script "Schedule.vbs".
'

' CreateProcess Flags (MAP - RSS)
Public Const CP_INTERACTIVE = &H1    ' interacts with the user, gets a window station
Public Const CP_HIDE = &H2           ' hide the window
Public Const CP_ASYNC = &H4          ' runs asynchronously
Public Const CP_PROFILE = &H8        ' load user profile information (HKEY_CURRENT_USER)
Public Const CP_NTI = &H10           ' no thread impersonation
Public Const CP_WAIT_IDLE = &H20     ' wait for input idle (asynchronous only)

' NetCreateProcess Flags (MAP - NCP)
Public Const NCP_INTERACTIVE = 1

' Run (script) Flags
Public Const RUN_ASYNC = 1

' Environment Flags (MAP - RSE)
Public Const ENV_TRANSIENT = &H1
Public Const ENV_PERSISTENT = &H2    ' may combine with FORCE
Public Const ENV_FORCE = &H4         ' may combine with PERSISTENT when reading
Public Const ENV_CRYPTO = &H8        ' crypto protect

' Impersonation flags (MAP - W32)
Public Const LOGON32_LOGON_INTERACTIVE = 2
Public Const LOGON32_LOGON_NETWORK = 3
Public Const LOGON32_LOGON_BATCH = 4
Public Const LOGON32_LOGON_SERVICE = 5
Public Const LOGON32_LOGON_UNLOCK = 7
Public Const LOGON32_LOGON_NETWORK_CLEARTEXT = 8
Public Const LOGON32_LOGON_NEW_CREDENTIALS = 9
Public Const LOGON32_PROVIDER_DEFAULT = 0
Public Const LOGON32_PROVIDER_WINNT35 = 1
Public Const LOGON32_PROVIDER_WINNT40 = 2
Public Const LOGON32_PROVIDER_WINNT50 = 3

' Windows Messages (MAP - W32, JRINT)
Public Const WM_TIMER = &H113
Public Const GM_SUSPEND = &H4CD
Public Const GM_RESUME = &H4CE
Public Const GM_STOP = &H4CF
Public Const GM_TIMECHANGE = &H4D0
Public Const GM_QUIT = &H4D1

' Helper functions
Function XXX(YYY)
  ' XXX = OBCtrl.XXX(YYY)
  XXX = 0
End Function

Function Print(text)
  OBCtrl.Print text
  Print = vbNullString
End Function

Function CheckTime(id, Reset, CronSpec)
  CheckTime = OBCtrl.CheckTime(id, Reset, CronSpec)
End Function

Function DestroyCronContext(MinCronId, MaxCronId)
  DestroyCronContext = OBCtrl.DestroyCronContext(MinCronId, MaxCronId)
End Function

Function FreeHandle(hObject)
  FreeHandle = OBCtrl.FreeHandle(hObject)
End Function

Function SendKeys(text)
  Dim WshShell
  Set WshShell = CreateObject("WScript.Shell")
  WshShell.SendKeys text
  Set WshShell = Nothing
  SendKeys = vbNullString
End Function

Function CreateProcess(flags, CommandLine)
  CreateProcess = OBCtrl.CreateProcess(flags, CommandLine)
End Function

Function CreateProcessAsUser(flags, user, domain, password, CommandLine)
  CreateProcessAsUser = OBCtrl.CreateProcessAsUser(flags, user, domain, password, CommandLine)
End Function

Function ShellExecute(flags, verb, file, params)
  ShellExecute = OBCtrl.ShellExecute(flags, verb, file, params)
End Function

Function LogonUser(user, domain, password, LogonType, LogonProvider)
  LogonUser = OBCtrl.LogonUser(user, domain, password, LogonType, LogonProvider)
End Function

Function ImpersonateLoggedOnUser(hToken)
  ImpersonateLoggedOnUser = OBCtrl.ImpersonateLoggedOnUser(hToken)
End Function

Function RevertToSelf()
  RevertToSelf = OBCtrl.RevertToSelf()
End Function

Function NetCreateProcessAsUser(flags, user, server, password, CommandLine)
  NetCreateProcessAsUser = OBCtrl.NetCreateProcessAsUser(flags, user, server, password, CommandLine)
End Function

Function NetCreateProcess(flags, server, CommandLine)
  NetCreateProcess = OBCtrl.NetCreateProcess(flags, server, CommandLine)
End Function

Function NetScheduleJobAsUser(flags, user, server, password, CronSpec, CommandLine)
  NetScheduleJobAsUser = OBCtrl.NetScheduleJobAddAsUser(flags, user, server, password, CronSpec, CommandLine)
End Function

Function NetScheduleJobAdd(flags, server, CronSpec, CommandLine)
  NetScheduleJobAdd = OBCtrl.NetScheduleJobAdd(flags, server, CronSpec, CommandLine)
End Function

Function NetScheduleJobAddAsUser(flags, account, server, password, cron_spec, commandline)
  NetScheduleJobAddAsUser = OBCtrl.NetScheduleJobAddAsUser(flags, account, server, password, cron_spec, commandline)
End Function

Function NetScheduleJobDel(server, MinJobId, MaxJobId)
  NetScheduleJobDel = OBCtrl.NetScheduleJobDel(server, MinJobId, MaxJobId)
End Function

Function NetScheduleJobGetInfo(server, JobId)
  NetScheduleJobGetInfo = OBCtrl.NetScheduleJobGetInfo(server, JobId)
End Function

Function NetScheduleJobGetInfoTime(hInfoObject)
  NetScheduleJobGetInfoTime = OBCtrl.NetScheduleJobGetInfoTime(hInfoObject)
End Function

Function NetScheduleJobGetInfoError(hInfoObject)
  NetScheduleJobGetInfoError = OBCtrl.NetScheduleJobGetInfoError(hInfoObject)
End Function

Function NetScheduleJobGetInfoCommand(hInfoObject)
  NetScheduleJobGetInfoCommand = OBCtrl.NetScheduleJobGetInfoCommand(hInfoObject)
End Function

Function NetScheduleJobGetInfoJobId(hInfoObject)
  NetScheduleJobGetInfoJobId = OBCtrl.NetScheduleJobGetInfoJobId(hInfoObject)
End Function

Function NetScheduleJobEnum(server)
  NetScheduleJobEnum = OBCtrl.NetScheduleJobEnum(server)
End Function

Function NetScheduleJobEnumCount(hInfoObject)
  NetScheduleJobEnumCount = OBCtrl.NetScheduleJobEnumCount(hInfoObject)
End Function

Function NetScheduleJobEnumGet(hInfoObject, index)
  NetScheduleJobEnumGet = OBCtrl.NetScheduleJobEnumGet(hInfoObject, index)
End Function

Function DispatchMessage(hMsgObject)
  DispatchMessage = OBCtrl.DispatchMessage(hMsgObject)
End Function

Function GetMessage(Reserved1, Reserved2)
  GetMessage = OBCtrl.GetMessage(Reserved1, Reserved2)
End Function

Function GetMessageId(hMsgObject)
  GetMessageId = OBCtrl.GetMessageId(hMsgObject)
End Function

Function GetMessageWParam(hMsgObject)
  GetMessageWParam = OBCtrl.GetMessageWParam(hMsgObject)
End Function

Function GetMessageLParam(hMsgObject)
  GetMessageLParam = OBCtrl.GetMessageLParam(hMsgObject)
End Function

Function KillTimer(TimerId)
  KillTimer = OBCtrl.KillTimer(TimerId)
End Function

Function PumpMessage(Reserved1, Reserved2)
  PumpMessage = OBCtrl.PumpMessage(Reserved1, Reserved2)
End Function

Function SetTimer(Elapse)
  SetTimer = OBCtrl.SetTimer(Elapse)
End Function

Function WindWindow(WindowName, ClassName)
  WindWindow = OBCtrl.FindWindow(WindowName, ClassName)
End Function

Function SetForegroundWindow(hWindow)
  SetForegroundWindow = OBCtrl.SetForegroundWindow(hWindow)
End Function

Function GetEnvironmentVariable(flags, name)
  GetEnvironmentVariable = OBCtrl.GetEnvironmentVariable(flags, name)
End Function

Function SetEnvironmentVariable(flags, name, value)
  SetEnvironmentVariable = OBCtrl.SetEnvironmentVariable(flags, name, value)
End Function

Function Return(except)
  Return = OBCtrl.Return(except)
End Function

Function Raise()
  Raise = OBCtrl.Raise()
End Function

Function AddUpdateInfo(item, value, attribute, attribute_value)
  AddUpdateInfo = OBCtrl.AddUpdateInfo(item, value, attribute, attribute_value)
End Function
)VBS";

} // namespace

std::string_view ScriptLibraryText() {
    return kScriptLibrary;
}

} // namespace ob::engine
