' Subs and Functions: typed, by-reference, by-value and optional parameters, recursion.
Dim counter As Long
Const Greeting = "Hello"
Const Twice = 2 * 21

Function Factorial(ByVal n As Long) As Double
  If n <= 1 Then
    Factorial = 1
  Else
    Factorial = n * Factorial(n - 1)
  End If
End Function

Sub Swap(a As Variant, b As Variant)
  Dim t
  t = a: a = b: b = t
End Sub

Sub Bump(ByVal x As Integer, y As Integer)
  x = x + 1
  y = y + 1
  counter = counter + 1
End Sub

Function Describe(name As String, Optional title As String = "Dr", Optional times As Integer) As String
  Describe = title & " " & name & " x" & times
End Function

Function Early(n As Integer) As String
  Early = "start"
  If n > 0 Then Exit Function
  Early = "end"
End Function

Sub Main()
  Dim p As Integer, q As Integer, x, y
  Print Factorial(10); " "; Factorial(20)
  x = "left": y = "right"
  Swap x, y
  Print x; " "; y
  p = 1: q = 1
  Bump p, q
  Call Bump(p, q)
  Print p; " "; q; " "; counter
  Print Describe("Who"); " / "; Describe("Watson", "Mr", 2)
  Print Early(1); " "; Early(0)
  Print Greeting; " "; Twice; " "; TypeTest(3)
End Sub

Function TypeTest(v As Variant) As String
  TypeTest = CStr(v * 2.5)
End Function
