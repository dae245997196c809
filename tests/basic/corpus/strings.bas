' String functions on Windows-1252 text.
Sub Main()
  Dim s As String
  s = "  Hello, World  "
  Print "["; Trim(s); "] ["; LTrim(s); "] ["; RTrim(s); "]"
  s = Trim(s)
  Print Len(s); " "; Left(s, 5); " "; Right(s, 5); " "; Mid(s, 8); " "; Mid(s, 8, 3)
  Print InStr(s, "o"); " "; InStr(6, s, "o"); " "; InStr(s, "z"); " "; InStr(s, "")
  Print UCase(s); " "; LCase(s); " "; UCase("È‡"); " "; LCase("…¿")
  Print Str(42); "|"; Str(-42); "|"; Val(" 12 34abc"); "|"; Val("&H10"); "|"; Val("x")
  Print Chr(65); Asc("a"); " "; Space(3); "|"; Replace("a-b-c", "-", "+")
  Print StrComp("a", "B"); " "; StrComp("a", "A", 1); " "; Left$("abc", 2)
  Dim t As String
  Dim i As Integer
  For i = 1 To 5
    t = t & Chr(64 + i)
  Next
  Print t; " "; "say ""hi"""
  Print Format(3.14159, "0.00"); " "; Format(1234567, "#,##0"); " "; Format(0.5, "0%")
  Print Format(12345.678, "0.000E+00"); " "; Format(-1.5, "0.0"); " "; Format(42, "000")
  Print Format(2.5, "Fixed"); " "; Format(1234.5, "Standard"); " "; Format(0.123, "Percent")
  Print Format(0.5, "#.##"); " "; Format(7, "$0.00"); " "; Format(1.5); " "; Format(100, "Scientific")
End Sub
