#pragma once
// What bodies, points and lines write a DXF drawing through. The drawing export implements it;
// coordinates go in internal units with their dimension word and are converted by the writer.

#include <cstdint>

#include "core/PString.h"

class TDXFOutput {
 public:
  // Entity kinds, as the writer names them: 0 CIRCLE, 1 POINT, 2 to 4 POLYLINE (3 for a
  // rectangle's outline), 5 TEXT, 6 VERTEX, 7 LINE.
  static constexpr int16_t kCircle = 0;
  static constexpr int16_t kPoint = 1;
  static constexpr int16_t kPolyline = 2;
  static constexpr int16_t kRectangle = 3;
  static constexpr int16_t kText = 5;
  static constexpr int16_t kVertex = 6;
  static constexpr int16_t kLine = 7;
  // SEQEND: ends the vertices of a POLYLINE; no entity kind, so the layer is not written.
  static constexpr int16_t kSequenceEnd = -1;

  virtual ~TDXFOutput() = default;
  // Group 0 with the entity's name, then group 8 with the layer (the default layer when the
  // name is empty).
  virtual void BeginEntity(int16_t kind, const Str255& layer) = 0;
  // One group: its code and a value converted by the dimension word.
  virtual void WriteValue(int16_t group, double value, int32_t dimension) = 0;
  // Groups 10, 20 and 30 (first = 0) or 11, 21 and 31 (first = 1).
  virtual void WriteCoords(double x, double y, double z, int32_t dimension, int16_t first = 0) = 0;
};

// The export commands a drawable object may answer: one drawing of the shown frame, one drawing
// per frame, and the further export kind that bodies answer as well.
inline constexpr int16_t kCmdExportDrawing = 1711;
inline constexpr int16_t kCmdExportDrawingEachFrame = 1712;
inline constexpr int16_t kCmdExportBodyKind = 1719;

// A world object that writes its own entities into a drawing.
class TDXFExportable {
 public:
  virtual ~TDXFExportable() = default;
  // Whether the object exports itself for the export command.
  virtual bool SupportsExport(int16_t command) const = 0;
  // Writes the object's entities on the entities pass (4); false on any other pass.
  virtual bool ExportDXF(TDXFOutput& writer, int16_t kind) = 0;
};

// The answer of objects that draw themselves into drawings only.
inline bool IsDrawingExport(int16_t command) {
  return command == kCmdExportDrawing || command == kCmdExportDrawingEachFrame;
}

// The answer of bodies.
inline bool IsBodyExport(int16_t command) {
  return IsDrawingExport(command) || command == kCmdExportBodyKind;
}
