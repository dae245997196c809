Sub Main()
  Select Case Mid("hel@lo", 2,le)
    Case "elmadilr": Print UCas
    Case Elsd
  End Select
End Sub
