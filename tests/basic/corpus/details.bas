' Details a script relies on: a loop counter kept at module level, string comparison in both
' directions, and ReDim of a name used for the first time.
Dim counter As Integer

Sub Main()
  Dim steps As Integer
  For counter = 3 To 5
    steps = steps + 1
    Print "counter "; counter
  Next
  Print "steps "; steps; " after "; counter
  Print StrComp("b", "a"); " "; StrComp("a", "b"); " "; StrComp("a", "a")
  Print StrComp("abd", "abc"); " "; StrComp("Abc", "abc", 1)
  ReDim fresh(2)
  fresh(0) = "x"
  fresh(2) = "z"
  Print UBound(fresh); " "; fresh(0); fresh(2)
End Sub
