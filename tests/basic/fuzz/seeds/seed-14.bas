Sub Main()
  Print 1 +
End Sub
