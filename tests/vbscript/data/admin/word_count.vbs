' Counts the words of a text with a dictionary (without regard to case), then
' lists the most frequent ones, ties in alphabetical order.
Option Explicit

Dim text
text = "The quick brown fox jumps over the lazy dog. The dog sleeps; the fox runs!" & vbCrLf & _
       "A fox, a dog, and THE end."

Dim counts : Set counts = CreateObject("Scripting.Dictionary")
counts.CompareMode = vbTextCompare

Dim cleaned, ch, i
cleaned = ""
For i = 1 To Len(text)
    ch = Mid(text, i, 1)
    If (ch >= "a" And ch <= "z") Or (ch >= "A" And ch <= "Z") Then
        cleaned = cleaned & LCase(ch)
    Else
        cleaned = cleaned & " "
    End If
Next

Dim word
For Each word In Split(cleaned, " ")
    If word <> "" Then counts(word) = counts(word) + 1
Next

Dim words, n, j, tmp
words = counts.Keys
n = UBound(words)
For i = 0 To n - 1
    For j = 0 To n - 1 - i
        If counts(words(j)) < counts(words(j + 1)) Or _
           (counts(words(j)) = counts(words(j + 1)) And words(j) > words(j + 1)) Then
            tmp = words(j) : words(j) = words(j + 1) : words(j + 1) = tmp
        End If
    Next
Next

WScript.Echo "distinct words: " & counts.Count
For i = 0 To 4
    WScript.Echo counts(words(i)) & " x " & words(i)
Next
WScript.Echo "has 'Quick': " & counts.Exists("Quick") & ", has 'cat': " & counts.Exists("cat")
