Sub Main()
  Print Format(1234.5678, "#,##0.00"); Format(0.1, "0.0E+00"); Str(5); Val("12x")
  Print InStr(2, "abcabc", "c"); Left("abc", 9); Right("abc", 2); Trim("  x ")
End Sub
