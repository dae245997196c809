Sub Main()
  Do
    n = n + 1
  Loop
End Sub
