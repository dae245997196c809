Sub Main()
  On Error GoTo H
  x = 1 / 0
  Print "no"
  Exit Sub
H:
  Print Err.Number; Err.Description
  Resume Next
End Sub
