Sub Main()
  Dim i As Long, s As Double
  For i = 1 To 100
    s = s + i ^ 2 / 3
  Next
  Print s
End Sub
