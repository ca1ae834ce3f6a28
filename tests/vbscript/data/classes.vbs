' Classes: fields, methods, properties, Me, New, Class_Initialize and Class_Terminate.
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Dim log : log = ""

Class Counter
    Public Name
    Private count_
    Private items(2)

    Private Sub Class_Initialize()
        count_ = 10
        log = log & "init;"
    End Sub

    Private Sub Class_Terminate()
        log = log & "end " & Name & ";"
    End Sub

    Public Sub Add(n)
        count_ = count_ + n
    End Sub

    Public Function Twice()
        Twice = Me.Value * 2
    End Function

    Public Property Get Value()
        Value = count_
    End Property

    Public Property Let Value(v)
        If v < 0 Then Exit Property
        count_ = v
    End Property

    Public Default Function Describe()
        Describe = Name & "=" & count_
    End Function

    Public Function Bumped()
        Add 1
        Bumped = count_
    End Function

    Public Sub SetItem(i, v)
        items(i) = v
    End Sub

    Public Function GetItem(i)
        GetItem = items(i)
    End Function
End Class

Class Holder
    Public Inner
    Public Property Set Thing(o)
        Set Inner = o
    End Property
    Public Property Get Thing()
        Set Thing = Inner
    End Property
End Class

Dim c
Set c = New Counter
Check log = "init;", "Class_Initialize runs on New"
Check TypeName(c) = "Counter", "TypeName of an object"
Check IsObject(c), "IsObject"
Check c.Value = 10, "Property Get"
c.Add 5
Check c.Value = 15, "method changes a private field"
c.Value = 3
Check c.Value = 3, "Property Let"
c.Value = -1
Check c.Value = 3, "Exit Property"
Check c.Twice() = 6, "Me calls a property"
c.Name = "c"
Check c.Name = "c", "public field"
Check c.Describe() = "c=3", "named default member"
Check c & "" = "c=3", "default member in an expression"
Check c.Bumped() = 4, "a method calls another method by its bare name"
c.SetItem 1, "one"
Check c.GetItem(1) = "one", "array field"

Dim h : Set h = New Holder
Set h.Thing = c
Check h.Thing Is c, "Property Set and Get of an object"
Check h.Inner.Value = 4, "chained members"

Dim other : Set other = c
Check other Is c, "Set shares the object"
other.Add 1
Check c.Value = 5, "both names see one object"

On Error Resume Next
Dim x : x = c.count_
Check Err.Number = 438, "a private field is hidden"
Err.Clear
c.NoSuch
Check Err.Number = 438, "unknown method"
Err.Clear
Set x = New NotAClass
Check Err.Number = 506, "New of an unknown class"
Err.Clear
c.Add
Check Err.Number = 450, "wrong number of arguments to a method"
Err.Clear
On Error GoTo 0

log = ""
Set h = Nothing
Set other = Nothing
Check log = "", "Class_Terminate waits for the last reference"
Set c = Nothing
Check log = "end c;", "Class_Terminate runs when the last reference goes"

Sub MakeAndDrop()
    Dim t : Set t = New Counter
    t.Name = "t"
End Sub
log = ""
MakeAndDrop
Check log = "init;end t;", "a local object ends with its procedure"

' Inside a class, assigning to the bare name of a Property Let or Set calls it.
Class Thermometer
    Private celsius_
    Private sensor_
    Public Property Let Celsius(v)
        celsius_ = v
    End Property
    Public Property Get Celsius()
        Celsius = celsius_
    End Property
    Public Property Let Fahrenheit(v)
        Celsius = (v - 32) * 5 / 9
    End Property
    Public Property Set Sensor(o)
        Set sensor_ = o
    End Property
    Public Property Get Sensor()
        Set Sensor = sensor_
    End Property
    Public Sub Attach(o)
        Set Sensor = o
    End Sub
    Public Sub Reset()
        Celsius = 0
    End Sub
End Class
Dim th : Set th = New Thermometer
th.Fahrenheit = 212
Check th.Celsius = 100, "a bare Property Let name inside the class calls it: " & th.Celsius
th.Reset
Check th.Celsius = 0, "from a Sub of the class"
th.Attach New Holder
Check TypeName(th.Sensor) = "Holder", "a bare Property Set name with Set"

If failures > 0 Then WScript.Quit 1
