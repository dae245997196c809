' Operators, precedence and the types of results.
Sub Main()
  Print 2 + 3 * 4; " "; (2 + 3) * 4; " "; 2 ^ 3 ^ 2; " "; -2 ^ 2
  Print 7 \ 2; " "; 7 Mod 3; " "; -7 \ 2; " "; -7 Mod 3; " "; 7 / 2
  Print 1 + 2 = 3; " "; 3 > 4 Or 1 < 2; " "; Not True; " "; 5 And 3; " "; 5 Or 3; " "; 5 Xor 3
  Print 32767 + 1; " "; 2147483647 + 1; " "; 0.1 + 0.2; " "; 1E+20 * 10
  Print "10" + 5; " "; "10" & 5; " "; "a" + "b"; " "; "abc" < "abd"
  Dim i As Integer, l As Long, d As Double, b As Boolean, s As String
  i = 2.5: l = 3.5: d = 7: b = 5: s = 12.25
  Print i; " "; l; " "; d; " "; b; " "; s
  i = -2.5: Print i; " "; CInt(-3.5); " "; CLng("12"); " "; CDbl("1.5e3"); " "; CStr(True)
  Print Int(-2.5); " "; Fix(-2.5); " "; Abs(-3); " "; Sgn(-0.5); " "; Round(2.345, 2)
  Print Sqr(16); " "; Exp(0); " "; Log(1); " "; Atn(1) * 4; " "; Sin(0); " "; Cos(0)
  Print Hex(255); " "; Hex(-1); " "; &HFF; " "; &H7FFF + 1
  Print True = -1; " "; False = 0; " "; CInt(True)
End Sub
