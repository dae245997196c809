Sub Main()
  Select Case Mid("hello", 2, 3)
    Case "ell": Print UCase("yes")
    Case Is > "a", "z": Print 2
    Case Else
  End Select
End Sub
