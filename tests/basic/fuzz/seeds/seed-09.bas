Sub Main()
  While x < 3: x = x + 1: Wend
  Do Until x > 10: x = x * 2: Loop
  If x > 5 Then Print x Else Print -x
End Sub
