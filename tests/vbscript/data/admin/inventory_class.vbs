' A class with validated properties, a default member and clean-up in
' Class_Terminate, kept in a dictionary as an inventory of machines.
Option Explicit

Class Machine
    Private m_name, m_memory, m_tags

    Private Sub Class_Initialize()
        m_memory = 0
        Set m_tags = CreateObject("Scripting.Dictionary")
    End Sub

    Private Sub Class_Terminate()
        WScript.Echo "released " & m_name
    End Sub

    Public Default Property Get Name()
        Name = m_name
    End Property

    Public Property Let Name(value)
        If Len(value) = 0 Then Err.Raise vbObjectError + 1, "Machine", "a machine needs a name"
        m_name = UCase(value)
    End Property

    Public Property Get MemoryGB()
        MemoryGB = m_memory
    End Property

    Public Property Let MemoryGB(value)
        If Not IsNumeric(value) Then Err.Raise vbObjectError + 2, "Machine", "memory must be a number"
        If value < 1 Or value > 4096 Then Err.Raise vbObjectError + 3, "Machine", "memory out of range"
        m_memory = CLng(value)
    End Property

    Public Sub Tag(label) : m_tags(LCase(label)) = True : End Sub

    Public Property Get Tags()
        Dim keys : keys = m_tags.Keys
        Tags = Join(keys, ",")
    End Property

    Public Function Describe()
        Describe = m_name & " " & m_memory & " GB [" & Tags & "]"
    End Function
End Class

Function NewMachine(name, memory)
    Dim m : Set m = New Machine
    m.Name = name
    m.MemoryGB = memory
    Set NewMachine = m
End Function

Dim inventory : Set inventory = CreateObject("Scripting.Dictionary")
Dim m
Set m = NewMachine("web01", 16) : m.Tag "Web" : m.Tag "prod" : m.Tag "WEB"
Set inventory(m.Name) = m
Set m = NewMachine("db01", 64) : m.Tag "db"
Set inventory(m.Name) = m
Set m = Nothing

Dim key
For Each key In inventory.Keys
    WScript.Echo inventory(key).Describe()
Next
WScript.Echo "default member: " & inventory("WEB01") & ", as text: " & CStr(inventory("DB01"))

On Error Resume Next
Set m = NewMachine("", 8)
WScript.Echo "error " & (Err.Number - vbObjectError) & " from " & Err.Source & ": " & Err.Description
Err.Clear
Set m = NewMachine("tiny", 0)
WScript.Echo "error " & (Err.Number - vbObjectError) & ": " & Err.Description
Err.Clear
Set m = NewMachine("odd", "lots")
WScript.Echo "error " & (Err.Number - vbObjectError) & ": " & Err.Description
On Error GoTo 0
Set m = Nothing

Dim total : total = 0
For Each key In inventory.Keys
    total = total + inventory(key).MemoryGB
Next
WScript.Echo "total memory: " & total & " GB"
inventory.Remove "DB01"
WScript.Echo "after removal: " & inventory.Count & " machine(s)"
inventory.RemoveAll
WScript.Echo "done"
