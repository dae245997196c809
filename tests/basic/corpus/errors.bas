' Run-time errors: trapped, resumed, raised, passed up to the caller, and one not trapped.
Function Risky(n As Integer) As Integer
  Risky = 10 \ n
End Function

Function Guarded(n As Integer) As String
  On Error GoTo Failed
  Guarded = "ok " & Risky(n)
  Exit Function
Failed:
  Guarded = "caught " & Err.Number & " " & Err.Description
End Function

Sub Main()
  Dim v As Integer, a(2) As Integer
  Print Guarded(5); " / "; Guarded(0)
  On Error Resume Next
  v = 40000
  Print Err.Number; " "; v
  Err.Clear
  a(7) = 1
  Print Err.Number; " "; Err.Description
  Err.Raise 1234, "here", "My own error"
  Print Err.Number; " "; Err.Description
  Err.Raise 0
  Print Err.Number; " "; Err.Description
  On Error GoTo Retry
  v = 0
  Print 100 \ v
  Print "done "; v
  On Error GoTo 0
  Dim o As Object
  Print o.Name
  Print "not reached"
  Exit Sub
Retry:
  v = 4
  Resume
End Sub
