Sub Main()
  Dim s As String
  s = "x"
  Do
    s = s & s
  Loop While Len(s) < 1000
  Print Len(s); Chr(65) & Asc("B"); Sqr(2); Int(-1.5); Fix(-1.5)
End Sub
