Sub Main()
  Dim i As Integer
  For i = 1 To 3
    If i = 2 Then GoTo Done
  Next
Done:
  Print i; True And False; Not 0; 7 Mod 3; 7 \ 2
End Sub
