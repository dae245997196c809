' Arrays: bounds, several dimensions, ReDim Preserve, For Each and arrays as arguments.
Dim table(1 To 3, 1 To 2) As Integer

Function Total(values) As Double
  Dim v
  For Each v In values
    Total = Total + v
  Next
End Function

' An array parameter is the caller's array: changes made through it are the caller's.
Sub Scale(values() As Double, factor As Double)
  Dim i As Integer
  For i = LBound(values) To UBound(values)
    values(i) = values(i) * factor
  Next
End Sub

Sub Main()
  Dim a(5) As Double, i As Integer, j As Integer
  For i = 0 To UBound(a)
    a(i) = i * 1.5
  Next
  Print LBound(a); " "; UBound(a); " "; a(4); " "; Total(a)
  Scale a, 2
  Print a(4); " "; Total(a)
  For i = 1 To 3
    For j = 1 To 2
      table(i, j) = i * 10 + j
    Next
  Next
  Print table(3, 2); " "; UBound(table, 2); " "; table(2, 1)
  Dim names() As String
  ReDim names(2)
  names(0) = "x": names(1) = "y": names(2) = "z"
  ReDim Preserve names(4)
  names(4) = "w"
  Dim s As String, n
  For Each n In names
    s = s & "[" & n & "]"
  Next
  Print s
  ReDim names(1)
  Print "["; names(0); "] "; UBound(names)
  Erase a
  On Error Resume Next
  Print a(0)
  Print "after Erase: "; Err.Number
End Sub
