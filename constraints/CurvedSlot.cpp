// The curved slot as an object of the world: its point table and spline, the open or closed type
// with the polar view it brings, properties and commands, control-point editing, the table as
// text, and its filing.

#include "constraints/CurvedSlot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "bodies/Body.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "constraints/SplinePoint.h"
#include "core/ClassRegistry.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/StreamText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr uint32_t kTextScrap = MakeTag("TEXT");
constexpr uint32_t kTagOpen = MakeTag("_oPn");
constexpr uint32_t kTagClosed = MakeTag("_cLd");
constexpr uint32_t kTagPolar = MakeTag("polS");
constexpr uint32_t kTagCartesian = MakeTag("carS");
constexpr uint32_t kTagExportInterpolated = MakeTag("iiPt");
constexpr uint32_t kTagPointsPerSpan = MakeTag("iPti");
constexpr uint32_t kTagPointTable = MakeTag("pptb");
constexpr uint32_t kTagFirstColumn = MakeTag("ppt1");
constexpr uint32_t kTagSecondColumn = MakeTag("ppt2");
constexpr uint32_t kTagCopyTable = MakeTag("cpTb");
constexpr uint32_t kTagPasteTable = MakeTag("paTb");
constexpr int16_t kNoObject = -1;
constexpr double kFullTurn = 2.0 * std::numbers::pi;
// The angle column's title: a slashed O.
constexpr char kAngleTitle[] = "\xD8";

bool IsControlPointReference(uint32_t tag) {
  return point_ref::SameKind(tag, point_ref::kWorld) ||
         point_ref::SameKind(tag, point_ref::kHotFrame);
}

TWorldUnitHandler* UnitsOf(TWorldDoc* world) {
  return world != nullptr ? dynamic_cast<TWorldUnitHandler*>(world->GetUnitHandler()) : nullptr;
}

TVector FromPolar(double radius, double angle) {
  return {radius * std::cos(angle), radius * std::sin(angle)};
}

// One line of two numbers, separated by blanks, a tab, a comma or a semicolon; an empty line
// gives nothing. Anything else is refused.
bool ParsePointLine(std::string line, TVector& point, bool& empty) {
  for (char& c : line)
    if (c == ',' || c == ';') c = ' ';
  const char* cursor = line.c_str();
  char* after = nullptr;
  empty = line.find_first_not_of(" \t") == std::string::npos;
  if (empty) return true;
  point.x = std::strtod(cursor, &after);
  if (after == cursor) return false;
  cursor = after;
  point.y = std::strtod(cursor, &after);
  if (after == cursor) return false;
  return std::string(after).find_first_not_of(" \t") == std::string::npos &&
         std::isfinite(point.x) && std::isfinite(point.y);
}

}  // namespace

TObject* TCurvedSlot::CreateObject() { return new TCurvedSlot; }

void RegisterCurvedSlotClasses() {
  RegisterClassInfo("TCurvedSlot", kCurvedSlotTag, TCurvedSlot::kClassID,
                    TCurvedSlot::CreateObject, sizeof(TCurvedSlot));
  RegisterClassInfo("TSplinePoint", kSplinePointTag, TSplinePoint::kClassID,
                    TSplinePoint::CreateObject, sizeof(TSplinePoint));
}

TCurvedSlot::~TCurvedSlot() = default;

void TCurvedSlot::Initialize() {
  table_ = nullptr;
  splinePoint_ = nullptr;
  splineType_ = kOpen;
  tracking_ = updating_ = suspended_ = polar_ = 0;
  selectedVertex_ = 0;
  exportInterpolated_ = 0;
  pointsPerSpan_ = 10;
  controls_.clear();
  controlsValid_ = samplesValid_ = samplingFailed_ = boundsValid_ = extensionsValid_ = 0;
  sampleCount_ = sampleHint_ = 0;
  TSlot::Initialize();
  spline_.reset(EngineNewSpline(kOpen));
  FailIfNull(spline_.get());
}

// ---- The curve's definition ----------------------------------------------------------------------

void TCurvedSlot::SetPointTable(TTable* table) {
  table_ = static_cast<TTable*>(SetDependent(table_, table));
  if (splinePoint_ != nullptr) splinePoint_->SetPointTable(table_);
  InvalidateCurve(1);
}

int32_t TCurvedSlot::ControlPointCount() const { return table_ != nullptr ? table_->GetCount() : 0; }

TVector TCurvedSlot::ControlPoint(int32_t i) const { return table_->GetPoint(i); }

void TCurvedSlot::SetSplineType(int32_t type) {
  if (type == splineType_) return;
  splineType_ = type;
  if (spline_ && EngineSetSplineType(spline_.get(), type) != 0) ThrowFailure(kErrOutOfMemory, 0);
  SetPolar(type == kClosed);
  if (splinePoint_ != nullptr) splinePoint_->SetSplineType(type);
  InvalidateCurve(1);
}

void TCurvedSlot::SetPolar(bool polar) {
  const uint16_t value = polar ? 1 : 0;
  if (value == polar_) return;
  polar_ = value;
  InvalidateCurve(0);
}

void TCurvedSlot::InvalidateCurve(uint16_t notify) {
  if (notify != 0) MarkChanged();
  controlsValid_ = samplesValid_ = boundsValid_ = extensionsValid_ = 0;
}

void TCurvedSlot::CloseIfEnded() {
  const int32_t n = ControlPointCount();
  if (n < 2 || IsClosed()) return;
  if (ControlPoint(1) == ControlPoint(n)) SetSplineType(kClosed);
}

uint16_t TCurvedSlot::BeginSuspend() {
  const uint16_t old = suspended_;
  suspended_ = 1;
  return old;
}

void TCurvedSlot::EndSuspend(uint16_t old) {
  if (old == 0) suspended_ = 0;
}

bool TCurvedSlot::IsOnBodyZero() const {
  const TMass* body = SlotBody();
  return body != nullptr && body->GetIdentifier() == 0;
}

void TCurvedSlot::SnapRequest() {
  if (IsInactive()) SnapPointsOntoSlot(GetPrimaryObject());
}

void TCurvedSlot::SetSlotAngle(double angle) {
  if (suspended_ == 0) TSlot::SetSlotAngle(angle);
  InvalidateCurve(tracking_ == 0 ? 1 : 0);
}

void TCurvedSlot::SetPlacement(const TVector3& placement) {
  if (suspended_ == 0) TSlot::SetPlacement(placement);
  InvalidateCurve(tracking_ == 0 ? 1 : 0);
}

// ---- Properties ----------------------------------------------------------------------------------

// Each tag sets its own state whatever the value says.
uint16_t TCurvedSlot::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagOpen) value = splineType_ == kOpen ? 1 : 0;
  else if (tag == kTagClosed) value = splineType_ == kClosed ? 1 : 0;
  else if (tag == kTagPolar) value = polar_;
  else if (tag == kTagCartesian) value = polar_ == 0 ? 1 : 0;
  else if (tag == kTagExportInterpolated) value = exportInterpolated_;
  else return TSlot::GetFlagProperty(tag, value, extra);
  return 1;
}

void TCurvedSlot::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagOpen || tag == kTagClosed) {
    SetSplineType(tag == kTagClosed ? kClosed : kOpen);
    SnapRequest();
  } else if (tag == kTagPolar || tag == kTagCartesian) {
    SetPolar(tag == kTagPolar);
  } else if (tag == kTagExportInterpolated) {
    exportInterpolated_ = value != 0 ? 1 : 0;
  } else {
    TSlot::SetFlagProperty(tag, value);
  }
}

// The count exists only while interpolated export is on.
uint16_t TCurvedSlot::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagPointsPerSpan) return TSlot::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(pointsPerSpan_);
  return exportInterpolated_;
}

void TCurvedSlot::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagPointsPerSpan) return TSlot::SetShortProperty(tag, value);
  pointsPerSpan_ = static_cast<int16_t>(value);
}

uint16_t TCurvedSlot::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag == kTagFirstColumn) value = polar_ != 0 ? "Radius" : "X";
  else if (tag == kTagSecondColumn) value = polar_ != 0 ? kAngleTitle : "Y";
  else return TSlot::GetStringProperty(tag, value, extra);
  return 1;
}

bool TCurvedSlot::GetControlPointValue(uint32_t reference, double& value,
                                       int32_t& unitKind) const {
  const int32_t i = point_ref::GetIndex(reference);
  if (!IsControlPointReference(reference) || i < 1 || i > ControlPointCount()) return false;
  const TVector p = ControlPoint(i);
  unitKind = kDimLength;
  if (point_ref::IsX(reference)) {
    value = polar_ != 0 ? p.Length() : p.x;
  } else if (polar_ != 0) {
    value = p.Angle();
    unitKind = kDimAngle;
  } else {
    value = p.y;
  }
  return true;
}

// Angles of a full turn or more are taken modulo the turn.
void TCurvedSlot::SetControlPointValue(uint32_t reference, double value) {
  const int32_t i = point_ref::GetIndex(reference);
  if (!IsControlPointReference(reference) || i < 1 || i > ControlPointCount()) return;
  const TVector old = ControlPoint(i);
  TVector p = old;
  if (polar_ != 0) p.ToPolar();
  if (point_ref::IsX(reference)) {
    p.x = value;
  } else {
    if (polar_ != 0 && value >= kFullTurn) value = std::fmod(value, kFullTurn);
    p.y = value;
  }
  if (polar_ != 0) p = FromPolar(p.x, p.y);
  if (p == old) return;
  table_->SetPoint(i, p);
  const uint16_t suspended = BeginSuspend();
  InvalidateCurve(1);
  updating_ = 1;
  SnapRequest();
  updating_ = 0;
  EndSuspend(suspended);
}

uint16_t TCurvedSlot::GetIntProperty(uint32_t tag, int32_t& value, void* extra) {
  if (tag != kTagPointTable || table_ == nullptr) return TSlot::GetIntProperty(tag, value, extra);
  value = table_->GetCount();
  if (extra != nullptr) *static_cast<int16_t*>(extra) = table_->GetColumnCount();
  return 1;
}

uint16_t TCurvedSlot::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  int32_t unitKind = 0;
  if (!GetControlPointValue(tag, value, unitKind)) return TSlot::GetNumberProperty(tag, value, extra);
  if (extra != nullptr) *static_cast<int32_t*>(extra) = unitKind;
  return 1;
}

void TCurvedSlot::SetNumberProperty(uint32_t tag, const double& value) {
  if (IsControlPointReference(tag)) return SetControlPointValue(tag, value);
  TSlot::SetNumberProperty(tag, value);
}

uint16_t TCurvedSlot::HasAction(uint32_t tag) {
  using namespace point_ref;
  const int32_t count = ControlPointCount();
  const int32_t i = GetIndex(tag);
  if (SameKind(tag, kInsert)) return i >= 1 && i <= count ? 1 : 0;
  if (SameKind(tag, kDelete)) return i >= 1 && i <= count && count >= 3 ? 1 : 0;
  if (tag == kTagCopyTable) return 1;
  if (tag == kTagPasteTable) return GetClipboardScrap(nullptr, kTextScrap) == 0 ? 1 : 0;
  return TSlot::HasAction(tag);
}

void TCurvedSlot::DoAction(uint32_t tag) {
  using namespace point_ref;
  const int32_t count = ControlPointCount();
  const int32_t i = GetIndex(tag);
  if (SameKind(tag, kInsert)) {
    if (i < 1 || i > count) return;
    table_->DuplicatePoint(i, 1);
    InvalidateCurve(1);
  } else if (SameKind(tag, kDelete)) {
    if (i < 1 || i > count || count < 3) return;
    table_->DeletePoints(i, 1);
    InvalidateCurve(1);
  } else if (tag == kTagCopyTable) {
    CopyPointTable();
  } else if (tag == kTagPasteTable) {
    PastePointTable();
  } else {
    TSlot::DoAction(tag);
  }
}

int16_t TCurvedSlot::GetKindNumber() const { return AttachedCount() < 2 ? 2548 : 2546; }

int32_t TCurvedSlot::KindGoalCount() const {
  if (splinePoint_ == nullptr || table_ == nullptr) return 0;
  return TSlot::KindGoalCount();
}

uint16_t TCurvedSlot::GetHotPoint(int16_t index, TVector& point) {
  if (index < 1 || index > ControlPointCount()) return 0;
  point = ControlPoint(index);
  return 1;
}

uint16_t TCurvedSlot::IsPositionProperty(uint32_t tag) {
  return IsControlPointReference(tag) ? 1 : TSlot::IsPositionProperty(tag);
}

void TCurvedSlot::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                       ObjectCallback objectCallback, void* blockContext,
                                       void* objectContext) {
  if (!IsControlPointReference(tag))
    return TSlot::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                       objectContext);
  blockCallback(kBlockKind, blockContext);
  objectCallback(objectContext);
  found = 1;
}

bool TCurvedSlot::EnablesCommand(int16_t command) const {
  if (command == kCmdExportOutline || command == kCmdExportPicture) return true;
  if (command == 1800 || command == 1801) return IsStateBit0Set() && !IsMemoryLow();
  return false;
}

// ---- Control-point editing -------------------------------------------------------------------

void TCurvedSlot::AppendVertex(const TVector& point) {
  if (table_ == nullptr) return;
  table_->AppendPoint(point);
  InvalidateCurve(1);
}

uint16_t TCurvedSlot::HasSelectedVertex() {
  return IsStateBit0Set() && selectedVertex_ != 0 ? 1 : 0;
}

void TCurvedSlot::SelectVertex(int16_t, int32_t index) {
  selectedVertex_ = index;
  Changed();
}

void TCurvedSlot::DeleteSelectedVertex() {
  if (selectedVertex_ == 0 || table_ == nullptr) return;
  if (ControlPointCount() < 3) ThrowFailure(kErrTooFewPoints, kMsgDeleteVertex);
  table_->DeletePoints(selectedVertex_, 1);
  selectedVertex_ = 0;
  InvalidateCurve(1);
}

void TCurvedSlot::InsertControlPoint(int32_t index, const TVector& world) {
  if (table_ == nullptr) return;
  TVector local = world;
  WorldToLocal(local);
  if (index < 1) {
    if (ControlPointCount() == 0) {
      table_->AppendPoint(local);
    } else {
      table_->DuplicatePoint(1, 1);
      table_->SetPoint(1, local);
    }
  } else {
    table_->DuplicatePoint(index, 1);
    table_->SetPoint(index + 1, local);
  }
  InvalidateCurve(tracking_ == 0 ? 1 : 0);
}

void TCurvedSlot::DeleteControlPoint(int32_t index) {
  if (table_ == nullptr || ControlPointCount() <= 2) return;
  if (index < 1 || index > ControlPointCount()) return;
  table_->DeletePoints(index, 1);
  InvalidateCurve(tracking_ == 0 ? 1 : 0);
}

void TCurvedSlot::DeleteAllControlPoints() {
  if (table_ == nullptr) return;
  table_->DeletePoints(1, ControlPointCount());
  InvalidateCurve(1);
}

void TCurvedSlot::FinishSketch(uint16_t complain) {
  const int32_t n = ControlPointCount();
  if (n >= 2 && ControlPoint(1) == ControlPoint(n)) {
    table_->DeletePoints(n, 1);
    InvalidateCurve(tracking_ == 0 ? 1 : 0);
  }
  if (ControlPointCount() < 2 && complain != 0) ThrowFailure(kErrTooFewPoints, kMsgShape);
}

// The sketched points are world points; the curve keeps them in its own frame, which starts at
// the origin chosen here with the angle the primary point has.
void TCurvedSlot::AfterCreation() {
  InvalidateCurve(tracking_ == 0 ? 1 : 0);
  CloseIfEnded();
  const int32_t n = ControlPointCount();
  if (AttachedCount() == 0 || n == 0) return;
  TVector origin = ControlPoint(1);
  if (IsClosed()) {
    double left = origin.x, right = origin.x, top = origin.y, bottom = origin.y;
    for (int32_t i = 2; i <= n; ++i) {
      const TVector p = ControlPoint(i);
      left = std::min(left, p.x);
      right = std::max(right, p.x);
      bottom = std::min(bottom, p.y);
      top = std::max(top, p.y);
    }
    origin = {(left + right) / 2.0, (top + bottom) / 2.0};
  }
  for (TLink* object : Attached()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point == nullptr) continue;
    point->SetWorldPosition(TVector3(origin.x, origin.y, point->GetWorldRotation()));
    point->Changed();
  }
  if (splinePoint_ != nullptr) {
    const TVector3 at = splinePoint_->GetLocalPosition();
    splinePoint_->SetLocalPosition(TVector3(at.x, at.y, 0.0));
  }
  for (int32_t i = 1; i <= n; ++i) {
    TVector p = ControlPoint(i);
    WorldToLocal(p);
    table_->SetPoint(i, p);
  }
  InvalidateCurve(1);
}

// ---- The table as text -------------------------------------------------------------------------

int32_t TCurvedSlot::InterpolatedExportSize(int32_t perSpan) const {
  const int32_t n = ControlPointCount();
  const int32_t span = std::max(perSpan, 0) + 1;
  return IsClosed() ? n * span + 1 : (n - 1) * span + 1;
}

void TCurvedSlot::WritePointText(TTextOutStream& stream, const TVector& point) const {
  if (polar_ != 0) {
    TVector polar = point;
    polar.ToPolar();
    stream.WriteDouble(polar.x, kDimLength);
    stream.WriteChar('\t');
    stream.WriteDouble(polar.y, kDimAngle);
  } else {
    stream.WriteVector(point, kDimLength);
  }
  stream.WriteNewline();
}

void TCurvedSlot::WritePointTable(TTextOutStream& stream) {
  if (exportInterpolated_ == 0) {
    for (int32_t i = 1; i <= ControlPointCount(); ++i) WritePointText(stream, ControlPoint(i));
    return;
  }
  if (InterpolatedExportSize(pointsPerSpan_) > kMaxCopiedPoints) ThrowFailure(kErrTooManyCopied, kMsgCopyPoints);
  const std::vector<double> points = QuickInterpolate(pointsPerSpan_);
  size_t count = points.size() / 2;
  if (count > 1 && points[0] == points[2 * count - 2] && points[1] == points[2 * count - 1])
    --count;
  for (size_t i = 0; i < count; ++i) WritePointText(stream, {points[2 * i], points[2 * i + 1]});
}

void TCurvedSlot::CopyPointTable() {
  TTextOutStream stream;
  stream.AttachHandle(AllocHandleChecked(0), 0, false);
  stream.SetOwner(UnitsOf(SlotBody() != nullptr ? SlotBody()->GetWorld() : nullptr));
  stream.SetUseUnits(true);
  WritePointTable(stream);
  Handle text = stream.DetachHandle();
  const int16_t error = PutClipboardScrap(kTextScrap, text);
  FreeHandle(text);
  FailIfError(error);
}

void TCurvedSlot::ReadPointTable(const std::string& text) {
  if (table_ == nullptr) return;
  std::vector<TVector> points;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    TVector p{0.0, 0.0};
    bool empty = false;
    if (!ParsePointLine(text.substr(start, end - start), p, empty))
      ThrowFailure(kErrBadPastedText, kMsgChangeVertices);
    if (!empty) {
      if (static_cast<int32_t>(points.size()) == kMaxPastedPoints)
        ThrowFailure(kErrTooManyPasted, kMsgChangeVertices);
      points.push_back(p);
    }
    start = end + 1;
  }
  if (points.size() < 2) ThrowFailure(kErrBadPastedText, kMsgChangeVertices);
  const TWorldUnitHandler* units = UnitsOf(SlotBody() != nullptr ? SlotBody()->GetWorld() : nullptr);
  for (TVector& p : points) {
    if (units != nullptr) {
      units->ConvertFromUser(kDimLength, &p.x);
      units->ConvertFromUser(polar_ != 0 ? kDimAngle : kDimLength, &p.y);
    }
    if (polar_ != 0) p = FromPolar(p.x, p.y);
  }
  table_->Clear();
  for (const TVector& p : points) table_->AppendPoint(p);
}

void TCurvedSlot::PastePointTable() {
  Handle data = AllocHandleChecked(0);
  const int16_t error = GetClipboardScrap(data, kTextScrap);
  std::string text;
  if (error == 0)
    text.assign(reinterpret_cast<const char*>(HandleData(data)), GetHandleByteSize(data));
  FreeHandle(data);
  if (error != 0) return;
  ReadPointTable(text);
  InvalidateCurve(1);
  RebuildControlArray();
  SnapRequest();
}

// ---- Attachments -------------------------------------------------------------------------------

void TCurvedSlot::AttachHook(TLink* object) {
  TSlot::AttachHook(object);
  if (!IsPrimary(object)) return;
  if (auto* point = dynamic_cast<TSplinePoint*>(object)) {
    splinePoint_ = point;
    point->SetSplineType(splineType_);
    point->SetPointTable(table_);
  }
}

void TCurvedSlot::DetachHook(TLink* object) {
  if (object != nullptr && object == splinePoint_) splinePoint_ = nullptr;
  TSlot::DetachHook(object);
}

void TCurvedSlot::AttachObjectAndUpdate(TLink* object) {
  if (auto* point = dynamic_cast<TPoint*>(object)) point->SetLocked(0);
  TSlot::AttachObjectAndUpdate(object);
}

void TCurvedSlot::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == table_) {
    table_ = nullptr;
    InvalidateCurve(0);
  }
  TSlot::ObjectRemoved(object);
}

// ---- Filing --------------------------------------------------------------------------------------

// The slot's lock, the spline type, the table and the sample count the curve had.
void TCurvedSlot::WriteKindBlock(TObjectWriter& writer) {
  TSlot::WriteKindBlock(writer);
  writer.WriteCode(splineType_);
  writer.WriteCode(table_ != nullptr ? table_->GetIdentifier() : kNoObject);
  writer.WriteLong(samplesValid_ != 0 ? sampleCount_ : sampleHint_);
}

// The stored sample count is only a hint of the room the samples take: it is kept within what
// the curve may ever hold, and no value of it fails the reading.
void TCurvedSlot::ReadKindBlock(TObjectReader& reader) {
  TSlot::ReadKindBlock(reader);
  SetSplineType(reader.ReadInt() != 0 ? kClosed : kOpen);
  reader.ReadReference(*this, 0);
  const int32_t stored = reader.ReadLong();
  sampleHint_ = stored < 0 ? 0 : std::min(stored, kMaxSamples);
  samples_.reserve(static_cast<size_t>(sampleHint_) * 2);
  InvalidateCurve(1);
}

uint16_t TCurvedSlot::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockExport:
      pointsPerSpan_ = reader.ReadLong();
      exportInterpolated_ = reader.ReadInt() != 0 ? 1 : 0;
      return 1;
    case kBlockLegacyFrame: {
      TVector3 position;
      TVector vector;
      reader.ReadVector3(position);
      reader.ReadPoint(vector);
      InvalidateCurve(1);
      ForEachLinked(0);
      return 1;
    }
    default:
      return TSlot::ReadBlockContents(code, reader);
  }
}

void TCurvedSlot::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockExport) return TSlot::WriteBlockContents(code, writer);
  writer.WriteLong(pointsPerSpan_);
  writer.WriteCode(exportInterpolated_);
}

void TCurvedSlot::WriteFields(TObjectWriter& writer) {
  TSlot::WriteFields(writer);
  writer.WriteBlock(*this, kBlockExport);
}

// The table goes first, so that the reference to it resolves when the stream is read.
void TCurvedSlot::WriteTo(TObjectWriter& writer, int16_t flag) {
  if (table_ != nullptr) table_->WriteTo(writer, flag);
  TSlot::WriteTo(writer, flag);
}

void TCurvedSlot::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                   TLink* object) {
  if (code != kBlockKind) return TSlot::ResolveReference(reader, code, kind, object);
  if (object != nullptr && object->IsMemberClass(TTable::kClassID))
    SetPointTable(static_cast<TTable*>(object));
}
