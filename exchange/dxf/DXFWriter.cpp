#include "exchange/dxf/DXFWriter.h"

#include <cmath>
#include <cstdio>

namespace {

// Group codes whose values are integers.
bool IsIntegerGroup(int16_t code) {
  return (code >= 60 && code <= 99) || (code >= 170 && code <= 179) ||
         (code >= 270 && code <= 289) || (code >= 370 && code <= 389) ||
         (code >= 400 && code <= 409) || (code >= 1060 && code <= 1071);
}

}  // namespace

const char* DXFEntityName(int16_t kind) {
  switch (kind) {
    case 0: return "CIRCLE";
    case 1: return "POINT";
    case 2:
    case 3:
    case 4:
      return "POLYLINE";
    case 5: return "TEXT";
    case 6: return "VERTEX";
    case 7: return "LINE";
    default: return "";
  }
}

TDXFWriter::TDXFWriter(TUnitHandler* units, int32_t initialSize)
    : TTextOutStream(units, initialSize, -1, true, true, false) {}

void TDXFWriter::Line(const char* text) {
  WriteLine(Str255(text));
}

void TDXFWriter::WriteEOF() {
  Line("0");
  Line("EOF");
}

void TDXFWriter::WriteComment(const Str255& text, bool quoted) {
  Line("999");
  if (quoted) WriteChar('"');
  WriteCountedString(text);
  if (quoted) WriteChar('"');
  WriteNewline();
}

void TDXFWriter::BeginSection(int16_t code, const char* name) {
  Line("0");
  Line("SECTION");
  char text[16];
  std::snprintf(text, sizeof text, "%d", code);
  Line(text);
  Line(name);
}

void TDXFWriter::EndSection() {
  Line("0");
  Line("ENDSEC");
}

void TDXFWriter::EndSequence() {
  Line("0");
  Line("SEQEND");
}

void TDXFWriter::WriteRealGroup(int16_t code, double value, int32_t quantity) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", code);
  Line(text);
  WriteDouble(value, quantity);
  WriteNewline();
}

void TDXFWriter::WriteGroup(int16_t code, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", code);
  Line(text);
  std::snprintf(text, sizeof text, "%d", value);
  Line(text);
}

void TDXFWriter::BeginEntity(int16_t kind, const Str255& layer) {
  if (kind == kSequenceEnd) return EndSequence();
  Line("0");
  Line(DXFEntityName(kind));
  Line("8");
  if (layer.Length() == 0) {
    Line("LAYER_1");
  } else {
    WriteLine(layer);
  }
}

void TDXFWriter::WriteValue(int16_t group, double value, int32_t dimension) {
  if (IsIntegerGroup(group)) {
    WriteGroup(group, static_cast<int32_t>(std::lround(value)));
    return;
  }
  WriteRealGroup(group, value, dimension);
}

void TDXFWriter::WriteCoords(double x, double y, double z, int32_t dimension, int16_t first) {
  const int16_t offset = first != 0 ? 1 : 0;
  WriteRealGroup(static_cast<int16_t>(10 + offset), x, dimension);
  WriteRealGroup(static_cast<int16_t>(20 + offset), y, dimension);
  WriteRealGroup(static_cast<int16_t>(30 + offset), z, dimension);
}
