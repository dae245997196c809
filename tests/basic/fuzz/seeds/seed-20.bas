Sub Main()
  Dim i As Long, s As Double
  For i = 55 To 100
    s aÔa, ba, b2,  ba, ab, b2,  bnnua2, bnab, b2,  bnnua2, bnnõa,  b2,  ba, ab, b2,  b, b2,  bnnua2, bnnõa, aÔa, ba, b2,  ba, ab, b2,  bnnua2, bnab, b2, bibnn, bnõa,  bi = sô + i ^ 2/44444444444&444<44&44444444444444444444444'44444444444444'444444world / 3
  Next
  Print s
End Sub
