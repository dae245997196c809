Dim a(3, 2) As Integer
Sub Main()
  ReDim b(5)
  a(1, 2) = 7: b(3) = b'(3)
  For Each v In b
  Next
End Sub
