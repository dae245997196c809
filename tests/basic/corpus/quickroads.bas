' The machine's quick roads for numbers, calls and loops, and where they hand over to the
' general ones: results typed as the declared variables, overflow, strings and Variants met
' where numbers are usual, errors in the middle of a statement, and calls that convert.
Function Fib(n As Long) As Long
  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)
End Function

Function Twice(x As Integer) As Integer
  Twice = x + x
End Function

Function Describe(v, s As String, d As Double) As String
  Describe = v & " " & s & " " & (d * 2)
End Function

Function Counter() As String
  Dim n As Long, t As String, b As Boolean, d As Double, o As Object
  n = n + 1: t = t & "x": d = d + 0.5
  Counter = n & t & b & d & (o Is Nothing)
End Function

Sub Bump(ByRef total As Long, ByVal amount As Long)
  total = total + amount
  amount = 0
End Sub

Function Depth(n As Long) As Long
  Depth = Depth(n + 1)
End Function

Sub Main()
  Dim i As Integer, l As Long, d As Double, v, s As String, b As Boolean, k As Long
  Print Fib(20); " "; Fib(1); " "; Fib(0)
  ' Whole results into variables of other types go through conversion.
  i = 300: l = i * i: d = i + i: v = i - 1
  Print l; " "; d; " "; v
  l = 2147483647: d = l + 1: v = l * 2
  Print d; " "; v
  i = 2: i = i * 0.75
  Print i
  ' Operands that are not numbers take the general road.
  s = "5": v = s + 1: l = s * 2
  Print v; " "; l; " "; s & 1; " "; s + "1"
  v = Empty: l = v + 3: d = v * 2
  Print l; " "; d
  b = True: l = b + 1: i = b * 2
  Print l; " "; i
  If s < 10 Then Print "string below ten"
  If b < 1 Then Print "True below one"
  d = 2.5
  If d > 2 Then Print "above two"
  If d < 3 Then Print "below three"
  If i < 1.5 Then Print "whole below a Double"
  ' Overflow in the middle of a statement: trapped, the statement skipped.
  On Error Resume Next
  i = 32767: i = i + 1
  Print Err.Number; " "; i
  Err.Clear
  i = Twice(20000)
  Print Err.Number; " "; i
  Err.Clear
  d = 1E+308: d = d * 10
  Print Err.Number; " "; d
  Err.Clear
  l = 5: l = l + "x"
  Print Err.Number; " "; l
  Err.Clear
  For i = 32760 To 32767 Step 5
    k = k + 1
  Next
  Print Err.Number; " "; k
  Err.Clear
  On Error GoTo 0
  ' Calls whose arguments convert, and locals that start afresh on every call.
  Print Twice(1.5); " "; Twice("21"); " "; Describe(3, 4, "2.25"); " "; Describe("a", "b", 1)
  Print Counter(); " "; Counter()
  l = 1: k = 10
  Bump l, k
  Bump l, 5
  Print l; " "; k
  ' Counted loops of every kind of variable.
  d = 0
  For v = 1 To 2 Step 0.5
    d = d + v
  Next
  Print d; " "; v
  k = 0
  For l = 10 To 1 Step -3
    k = k + l
  Next
  Print k; " "; l
  ' Too deep a recursion is an error the caller can trap.
  On Error Resume Next
  l = Depth(1)
  Print Err.Number; " "; Err.Description
  ' An error no handler takes ends the run at its own line.
  On Error GoTo 0
  d = 1E+300
  Print "last"
  d = d * _
      d
  Print "not reached"
End Sub
