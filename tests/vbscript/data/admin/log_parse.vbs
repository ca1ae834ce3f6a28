' Parses an access log with regular expressions: requests per status class, the
' busiest client address, and the failed logins with their user names.
Option Explicit

Dim logText
logText = "2024-03-01 10:00:01 192.168.1.10 GET /index.html 200" & vbLf & _
          "2024-03-01 10:00:02 192.168.1.11 POST /login 401 user=alice" & vbLf & _
          "2024-03-01 10:00:05 192.168.1.10 GET /missing 404" & vbLf & _
          "garbage line without structure" & vbLf & _
          "2024-03-01 10:01:00 10.0.0.7 POST /login 401 user=Bob" & vbLf & _
          "2024-03-01 10:01:30 192.168.1.10 GET /report 500" & vbLf & _
          "2024-03-01 10:02:00 10.0.0.7 POST /login 200 user=bob"

Dim re : Set re = New RegExp
re.Pattern = "^(\d{4}-\d\d-\d\d) (\d\d:\d\d:\d\d) (\d+\.\d+\.\d+\.\d+) (GET|POST) (\S+) (\d{3})(?: user=(\w+))?$"
re.Global = True
re.Multiline = True

Dim matches : Set matches = re.Execute(logText)
WScript.Echo "requests: " & matches.Count

Dim classes : Set classes = CreateObject("Scripting.Dictionary")
Dim clients : Set clients = CreateObject("Scripting.Dictionary")
Dim m, status, ip
For Each m In matches
    status = m.SubMatches(5)
    classes(Left(status, 1) & "xx") = classes(Left(status, 1) & "xx") + 1
    ip = m.SubMatches(2)
    clients(ip) = clients(ip) + 1
    If status = "401" Then
        WScript.Echo "failed login at " & m.SubMatches(1) & " from " & ip & " for " & _
            LCase(m.SubMatches(6))
    End If
Next

Dim key
For Each key In Array("2xx", "4xx", "5xx")
    WScript.Echo key & ": " & classes(key)
Next

Dim busiest, best
best = 0
For Each key In clients.Keys
    If clients(key) > best Then best = clients(key) : busiest = key
Next
WScript.Echo "busiest client: " & busiest & " (" & best & " requests)"

Dim masked : Set masked = New RegExp
masked.Pattern = "(\d+\.\d+)\.\d+\.\d+"
masked.Global = True
WScript.Echo masked.Replace("from 192.168.1.10 and 10.0.0.7", "$1.x.x")
WScript.Echo "first line valid: " & re.Test(Split(logText, vbLf)(0)) & _
    ", garbage valid: " & re.Test("garbage line without structure")
