#pragma once
// The text of a DXF drawing: group codes and values on lines of their own, each ending in CR LF.
// Coordinates and lengths are written as the document's unit handler shows a value of their
// quantity, so a drawing comes out in the document's current units.

#include <cstdint>

#include "bodies/DXFOutput.h"
#include "core/PString.h"
#include "core/StreamText.h"

// The entity name of a kind (0 CIRCLE, 1 POINT, 2-4 POLYLINE, 5 TEXT, 6 VERTEX, 7 LINE); empty
// for any other kind.
const char* DXFEntityName(int16_t kind);

class TDXFWriter : public TTextOutStream, public TDXFOutput {
  DECLARE_CLASS_ID(658, TTextOutStream)

 public:
  // Raises -108 without a unit handler.
  TDXFWriter(TUnitHandler* units, int32_t initialSize);

  void WriteEOF();
  void WriteComment(const Str255& text, bool quoted);
  void BeginSection(int16_t code, const char* name);
  void EndSection();
  void EndSequence();
  // The code, then the value as the unit handler shows it for the quantity.
  void WriteRealGroup(int16_t code, double value, int32_t quantity);
  // The code, then the value, both plain decimal numbers.
  void WriteGroup(int16_t code, int32_t value);

  // What the world's objects write through. A layer-less entity goes on "LAYER_1"; the end of a
  // sequence writes SEQEND alone.
  void BeginEntity(int16_t kind, const Str255& layer) override;
  // Integer groups (flags, counts) are written as integers; the others as reals of the quantity.
  void WriteValue(int16_t group, double value, int32_t dimension) override;
  void WriteCoords(double x, double y, double z, int32_t dimension, int16_t first = 0) override;

 private:
  void Line(const char* text);
};
