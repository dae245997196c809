Sub Main()
  x = 32767
  y = x + 1
  Dim i As Integer
  i = y
End Sub
