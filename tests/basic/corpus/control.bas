' Branches and loops.
Sub Main()
  Dim i As Integer, n As Integer, s As String
  For i = 10 To 1 Step -3
    s = s & i & " "
  Next
  Print s
  s = ""
  For i = 1 To 10
    If i Mod 2 = 0 Then
      s = s & "e"
    ElseIf i = 5 Then
      s = s & "F"
    Else
      s = s & "o"
    End If
    If i = 8 Then Exit For
  Next
  Print s; " "; i
  n = 0
  Do While n < 5
    n = n + 1
  Loop
  Do
    n = n + 10
  Loop Until n > 40
  Do Until n = 0
    n = n \ 2
    If n = 5 Then Exit Do
  Loop
  Print n
  While n < 9
    n = n + 2
  Wend
  Print n
  For i = 1 To 7
    Select Case i
      Case 1, 2
        s = "low"
      Case 3 To 4
        s = "mid"
      Case Is >= 7
        s = "top"
      Case Else
        s = "other"
    End Select
    Print i; s;
    If i < 7 Then Print ",";
  Next
  Print
  Select Case "pear"
    Case "apple": Print "no"
    Case "pear", "plum": Print "yes"
  End Select
  For i = 1 To 0
    Print "never"
  Next
  Print "after "; i
  Dim d As Double
  For d = 0 To 1 Step 0.25
    Print d;
    Print " ";
  Next
  Print
  If i = 1 Then Print "one" Else Print "not one": Print "still else"
  GoTo Skip
  Print "skipped"
Skip:
  Print "end"
  ' A message box goes to the program's output hook; a hook that answers 0 counts as OK (1).
  Print MsgBox("Proceed?") = 1
End Sub
