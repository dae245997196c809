#include "exchange/text/WorldTextRecords.h"

#include <cstring>

#include "core/Failure.h"

using namespace world_text;

namespace {

int16_t g_nextIdentifier = 1;

int16_t TakeIdentifier() {
  if (g_nextIdentifier == kWorldIdentifier) ++g_nextIdentifier;
  if (g_nextIdentifier <= 0) ThrowFailure(kErrOutOfMemory, 0);
  const int16_t taken = g_nextIdentifier;
  // Past the last identifier the counter stays spent: every later request fails.
  g_nextIdentifier = taken == TWorldTextRecord::kLastIdentifier ? int16_t{-1}
                                                                 : static_cast<int16_t>(taken + 1);
  return taken;
}

// The light grey of a new body's fill, as three signed 16-bit channels.
constexpr char kGreyFill[] = "-16192 -16192 -16192";

}  // namespace

// ---- TWorldTextRecord ------------------------------------------------------------------------

TWorldTextRecord::TWorldTextRecord(int16_t identifier, std::string_view name, int16_t firstFlag,
                                   int16_t secondFlag)
    : identifier_(identifier != 0 ? identifier : TakeIdentifier()),
      firstFlag_(firstFlag),
      secondFlag_(secondFlag) {
  SetName(name);
}

void TWorldTextRecord::RestartIdentifiers() { g_nextIdentifier = 1; }

void TWorldTextRecord::SetName(std::string_view name) {
  name_.assign(name.substr(0, kNameLength));
}

void TWorldTextRecord::WriteObject(TWorldTextWriter& writer) const {
  writer.WriteObjectStart(identifier_);
  WriteRecords(writer);
  writer.WriteNameRecord(name_);
  writer.WriteObjectEnd();
}

// ---- TWorldTextBody --------------------------------------------------------------------------

void TWorldTextBody::WriteRecords(TWorldTextWriter& writer) const {
  writer.WriteRecordLine(kBody, 18);
  for (const EngPosition* p : {&position, &velocity}) {
    writer.WriteDouble(p->x).WriteChar(' ').WriteDouble(p->y).WriteChar(' ');
    writer.WriteDouble(p->angle).WriteChar('\n');
  }
  writer.WriteDouble(mass).WriteChar('\n').WriteDouble(moment).WriteChar('\n');
  writer.WriteDouble(centreOfMassOffset.x).WriteChar(' ').WriteDouble(centreOfMassOffset.y);
  writer.WriteChar('\n');
  for (const double value : further)
    writer.WriteDouble(value).WriteChar(' ');
  writer.WriteChar('\n').WriteShort(recordWord).WriteString(" 0\n");

  // Pen, filled, pattern, fill colour, charge mark, centre mark, track bits, material and the
  // moment mode.
  writer.WriteRecordLine(kAppearance, 11);
  writer.WriteString("1 1 1 ").WriteString(kGreyFill).WriteString(" 0 ");
  writer.WriteBoolean(FirstFlag()).WriteChar(' ').WriteBoolean(SecondFlag());
  writer.WriteString(" 1 2\n");
}

// ---- TWorldText1701 --------------------------------------------------------------------------

TWorldText1701::TWorldText1701(std::span<const uint8_t> entries, const Conversion& convert,
                               int16_t identifier)
    : TWorldTextRecord(identifier) {
  const size_t count = entries.size() / kEntryBytes;
  vertices_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    MacPoint point;
    std::memcpy(&point.v, entries.data() + i * kEntryBytes + kEntryPointOffset, 2);
    std::memcpy(&point.h, entries.data() + i * kEntryBytes + kEntryPointOffset + 2, 2);
    vertices_.push_back(EngPoint::FromMacPoint(point));
  }
  Normalise(convert);
}

void TWorldText1701::Normalise(const Conversion& convert) {
  if (vertices_.empty()) return;
  EngPoint sum;
  for (EngPoint& vertex : vertices_) {
    if (convert) vertex = convert(vertex);
    sum.x += vertex.x;
    sum.y += vertex.y;
  }
  const auto n = static_cast<double>(vertices_.size());
  centroid_ = {sum.x / n, sum.y / n};
  for (EngPoint& vertex : vertices_)
    vertex = {(vertex.x - centroid_.x) * kOutlineGrowth, (vertex.y - centroid_.y) * kOutlineGrowth};
}

void TWorldText1701::WriteRecords(TWorldTextWriter& writer) const {
  const auto n = static_cast<int32_t>(vertices_.size());
  writer.WriteRecordLine(kShapeList, 2 * n + 2);
  writer.WriteString("2, ").WriteLong(n).WriteChar('\n');
  for (const EngPoint& vertex : vertices_)
    writer.WritePair(vertex).WriteChar('\n');
}

void TWorldText1701::WriteObject(TWorldTextWriter& writer) const {
  writer.WriteObjectStart(Identifier());
  WriteRecords(writer);
  writer.WriteObjectEnd();
}

// ---- TWorldText1201 --------------------------------------------------------------------------

TWorldText1201::TWorldText1201(const TWorldText1701& shape, int16_t identifier)
    : TWorldTextBody(identifier), shapeIdentifier(shape.Identifier()) {
  position = EngPosition(shape.Centroid());
}

void TWorldText1201::WriteRecords(TWorldTextWriter& writer) const {
  writer.WriteRecordLine(kPolygon, 1).WriteShort(shapeIdentifier).WriteChar('\n');
  TWorldTextBody::WriteRecords(writer);
}

// ---- TWorldText1500 --------------------------------------------------------------------------

TWorldText1500::TWorldText1500(const EngPosition& position, int16_t identifier)
    : TWorldTextRecord(identifier), position_(position) {}

TWorldText1500::TWorldText1500(const TWorldTextBody& body, const EngPosition& absolute,
                               int16_t identifier)
    : TWorldTextRecord(identifier), body_(&body), position_(absolute - body.position) {}

void TWorldText1500::WriteRecords(TWorldTextWriter& writer) const {
  writer.WriteRecordLine(kPoint, 4).WriteShort(BodyIdentifier()).WriteChar(' ');
  writer.WriteDouble(position_.x).WriteChar(' ').WriteDouble(position_.y).WriteChar(' ');
  writer.WriteDouble(position_.angle).WriteChar('\n');
  writer.WriteRecordLine(kPointFlags, 1).WriteBoolean(SecondFlag()).WriteChar('\n');
}

void TWorldText1500::WriteObject(TWorldTextWriter& writer) const {
  writer.WriteObjectStart(Identifier());
  WriteRecords(writer);
  writer.WriteNameRecord(Name());
  writer.WriteObjectEnd();
}

// ---- TWorldText1310 and its kinds ------------------------------------------------------------

TWorldText1310::TWorldText1310(const TWorldTextRecord& first, const TWorldTextRecord& second,
                               int16_t identifier)
    : TWorldTextRecord(identifier), first_(first), second_(second) {}

void TWorldText1310::AddRow(uint8_t type, uint8_t limit, uint8_t component, double value) {
  if (rows_.size() >= kMostRows) ThrowFailure(kErrOutOfMemory, 0);
  rows_.push_back({type, limit, component, value});
}

// The related object (none), the quantity, the activation (always), the condition mode, the
// related reference (none), the second quantity, the two attached objects, then the goals.
void TWorldText1310::WriteRecords(TWorldTextWriter& writer) const {
  const auto n = static_cast<int32_t>(rows_.size());
  writer.WriteRecordLine(kLink, 10 + 4 * n);
  writer.WriteString("0 0 1 0 -1 0\n2 ").WriteShort(first_.Identifier()).WriteChar(' ');
  writer.WriteShort(second_.Identifier()).WriteChar('\n').WriteLong(n).WriteChar('\n');
  for (const Row& row : rows_) {
    writer.WriteShort(row.type).WriteString(";  ").WriteShort(row.limit).WriteString(";  ");
    writer.WriteShort(row.component).WriteString(";  ").WriteDouble(row.value).WriteString(";\n");
  }
}

void TWorldText1310::WriteObject(TWorldTextWriter& writer) const {
  writer.WriteObjectStart(Identifier());
  WriteKindRecord(writer);
  WriteRecords(writer);
  writer.WriteNameRecord(Name());
  writer.WriteObjectEnd();
}

// Locked: the pin holds its two points together.
void TWorldText5230::WriteKindRecord(TWorldTextWriter& writer) const {
  writer.WriteRecordLine(kPin, 1).WriteString("1\n");
}

// Locked, the drive, its kind, no limit, the limit 0 and its kind.
void TWorldText5225::WriteKindRecord(TWorldTextWriter& writer) const {
  writer.WriteRecordLine(kMotor, 6).WriteString("1 ").WriteDouble(drive).WriteChar(' ');
  writer.WriteShort(driveKind).WriteString(" 0 0 0\n");
}
