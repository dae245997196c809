Function F(n As Integer) As Long
  If n < 2 Then F = 1 Else F = n * F(n - 1)
End Function
Sub Main()
  Print F(7)
End Sub
