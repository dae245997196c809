Option Explicit
Const K = 2 * 4
Sub S(ByVal a As Integer, Optional b As String = "d")
  Print a & b
End Sub
Sub Main()
  S K
  S 1, "x"
  Err.Raise 0
End Sub
