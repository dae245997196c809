Sub Main()
  Dim t As Object
  For Each t In World
    Print t.Name
  Next
  World(1).Fill x
  World(2).Fail
End Sub
