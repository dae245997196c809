// TPolygon: vertex coordinates as tagged properties, the vertex commands, and copy and paste of
// the vertex list as text.

#include <cmath>
#include <cstdlib>
#include <string>

#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/StreamText.h"
#include "model/Formula.h"
#include "model/world/WorldDoc.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr uint32_t kTextScrap = MakeTag("TEXT");
constexpr uint32_t kTagCopyVertices = MakeTag("cpTb");
constexpr uint32_t kTagPasteVertices = MakeTag("paTb");
constexpr uint32_t kTagReform = MakeTag("Rfor");
constexpr int32_t kDimLength = body_tags::kDimLength;

bool IsCoordinateKind(uint32_t tag) {
  using namespace point_ref;
  return SameKind(tag, kWorld) || SameKind(tag, kHotFrame) || SameKind(tag, kLocal);
}

TWorldUnitHandler* UnitsOf(TWorldDoc* world) {
  if (world == nullptr) return nullptr;
  return dynamic_cast<TWorldUnitHandler*>(world->GetUnitHandler());
}

// The points of a text of lines of two numbers (separated by blanks, tabs or a comma). Lines
// without two numbers are passed over; nothing at all readable gives no point.
std::vector<TVector> ParsePointList(const std::string& text) {
  std::vector<TVector> points;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    for (char& c : line)
      if (c == ',' || c == ';') c = ' ';
    const char* cursor = line.c_str();
    char* after = nullptr;
    const double x = std::strtod(cursor, &after);
    if (after != cursor) {
      cursor = after;
      const double y = std::strtod(cursor, &after);
      if (after != cursor) points.emplace_back(x, y);
    }
    start = end + 1;
  }
  return points;
}

}  // namespace

// ---- 5. Vertex properties, commands, copy and paste -------------------------------------------

TVector TPolygon::VertexInFrame(uint32_t kind, const TVector& local) {
  TVector p = local;
  if (kind == point_ref::kWorld) {
    LocalToWorld(p);
  } else if (kind == point_ref::kHotFrame || kind == point_ref::kQuietHot) {
    p = HotPointToFrame(p);
  }
  return p;
}

TVector TPolygon::VertexFromFrame(uint32_t kind, const TVector& value) {
  TVector p = value;
  if (kind == point_ref::kWorld) {
    WorldToLocal(p);
  } else if (kind == point_ref::kHotFrame || kind == point_ref::kQuietHot) {
    p = HotPointFromFrame(p);
  }
  return p;
}

TVector TPolygon::HotPointFromUser(const TVector& point, TUnitHandler* converter) {
  TVector p = point;
  auto* units = dynamic_cast<TWorldUnitHandler*>(converter);
  if (units == nullptr) return p;
  units->ConvertFromUser(kDimLength, &p.x);
  units->ConvertFromUser(kDimLength, &p.y);
  return p;
}

uint16_t TPolygon::GetIntProperty(uint32_t tag, int32_t& value, void* extra) {
  if (tag != MakeTag("pptb")) return TMass::GetIntProperty(tag, value, extra);
  value = vertexTable_ != nullptr ? vertexTable_->GetCount() : 0;
  if (extra != nullptr) *static_cast<int16_t*>(extra) = 2;
  return 1;
}

uint16_t TPolygon::GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                                   uint16_t& editable) {
  if (!IsCoordinateKind(tag))
    return TMass::GetRealProperty(tag, value, lowest, dimension, editable);
  TVector vertex;
  value = 0.0;
  if (GetVertex(point_ref::GetIndex(tag), vertex)) {
    const TVector p = VertexInFrame(point_ref::KindOf(tag), vertex);
    value = point_ref::IsX(tag) ? p.x : p.y;
  }
  dimension = kDimLength;
  vertexTag_ = tag;
  if (std::fabs(value) <= 1e-18) value = 0.0;
  return 1;
}

void TPolygon::SetRealProperty(uint32_t tag, const double* value) {
  const uint32_t kind = point_ref::KindOf(tag);
  if (!IsCoordinateKind(tag) && kind != point_ref::kQuietHot) {
    TMass::SetRealProperty(tag, value);
    return;
  }
  if (value == nullptr) return;
  const int32_t i = point_ref::GetIndex(tag);
  TVector old;
  if (GetVertex(i, old)) {
    const TVector p = VertexInFrame(kind, old);
    TVector q = p;
    (point_ref::IsX(tag) ? q.x : q.y) = *value;
    if (!(q == p)) {
      vertexTable_->SetPoint(i, VertexFromFrame(kind, q));
      VerticesChanged();
      ShapeChanged(1);
    }
  }
  vertexTag_ = tag;
  ForEachLinked(1);
}

void TPolygon::SetNumberProperty(uint32_t tag, const double& value) {
  if (IsCoordinateKind(tag) || point_ref::SameKind(tag, point_ref::kQuietHot)) {
    SetRealProperty(tag, &value);
    return;
  }
  TMass::SetNumberProperty(tag, value);
}

void TPolygon::ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) {
  if (!IsCoordinateKind(tagOrId)) {
    TMass::ChangeProperty(tagOrId, source, assembly);
    return;
  }
  const double value = source != nullptr ? source->GetValue() : 0.0;
  SetRealProperty(tagOrId, &value);
}

uint16_t TPolygon::IsPositionProperty(uint32_t tag) {
  using namespace point_ref;
  if (IsCoordinateKind(tag) || SameKind(tag, kInsert) || SameKind(tag, kDelete) ||
      tag == kTagPasteVertices)
    return 1;
  return TMass::IsPositionProperty(tag);
}

uint16_t TPolygon::GetPropertyById(int16_t id, TPositionField& field) {
  if (id != kPropertyRotation) return TMass::GetPropertyById(id, field);
  field.formula = Rotation();
  field.value = field.formula->GetValue();
  field.unitKind = body_tags::kDimAngle;
  field.label = BodyLabel(3449);
  field.present = 1;
  return 1;
}

uint32_t TPolygon::TagForPropertyId(int16_t id) {
  return id == kPropertyRotation ? body_tags::kTagPosRot : TMass::TagForPropertyId(id);
}

uint16_t TPolygon::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag == MakeTag("ppt1")) LookupIndString(value, kCoordinateLabels, 1);
  if (tag == MakeTag("ppt2")) LookupIndString(value, kCoordinateLabels, 2);
  const uint16_t handled = TMass::GetStringProperty(tag, value, extra);
  return tag == MakeTag("ppt1") || tag == MakeTag("ppt2") ? 1 : handled;
}

uint16_t TPolygon::HasAction(uint32_t tag) {
  using namespace point_ref;
  const int32_t count = GetHotPointCount();
  const int32_t i = GetIndex(tag);
  if (SameKind(tag, kInsert)) return i >= 1 && i <= count ? 1 : 0;
  if (SameKind(tag, kDelete)) return i >= 1 && i <= count && count >= 4 ? 1 : 0;
  if (tag == kTagReform || tag == kTagCopyVertices) return 1;
  if (tag == kTagPasteVertices) return GetClipboardScrap(nullptr, kTextScrap) == 0 ? 1 : 0;
  return TMass::HasAction(tag);
}

void TPolygon::DoAction(uint32_t tag) {
  using namespace point_ref;
  const int32_t count = GetHotPointCount();
  const int32_t i = GetIndex(tag);
  if (SameKind(tag, kInsert) && i >= 1 && i <= count) {
    DuplicateVertex(i, 1);
    VerticesChanged();
    ShapeChanged(1);
  } else if (SameKind(tag, kDelete) && i >= 1 && i <= count) {
    // Scripts delete below the four vertices the menu asks for.
    DeleteVertices(i, 1);
    VerticesChanged();
    ShapeChanged(1);
  } else if (tag == kTagCopyVertices) {
    CopyVerticesAsText();
  } else if (tag == kTagPasteVertices) {
    PasteVerticesFromText();
  }
  TMass::DoAction(tag);
}

void TPolygon::WriteVerticesAsText(TTextOutStream& stream) {
  FailIfMemoryLow();
  const uint32_t kind = point_ref::KindOf(vertexTag_);
  for (const TVector& vertex : VertexList()) {
    stream.WriteVector(VertexInFrame(kind, vertex), kDimLength);
    stream.WriteNewline();
  }
}

void TPolygon::CopyVerticesAsText() {
  TTextOutStream stream;
  stream.AttachHandle(AllocHandleChecked(0), 0, false);
  stream.SetOwner(UnitsOf(GetWorld()));
  stream.SetUseUnits(true);
  WriteVerticesAsText(stream);
  Handle text = stream.DetachHandle();
  const int16_t error = PutClipboardScrap(kTextScrap, text);
  FreeHandle(text);
  FailIfError(error);
}

void TPolygon::PasteVerticesFromText() {
  Handle data = AllocHandleChecked(0);
  const int16_t error = GetClipboardScrap(data, kTextScrap);
  std::string text;
  if (error == 0)
    text.assign(reinterpret_cast<const char*>(HandleData(data)), GetHandleByteSize(data));
  FreeHandle(data);
  const std::vector<TVector> points = ParsePointList(text);
  if (points.empty()) return;
  ReplaceVertices(points);
  ForEachLinked(1);
}

void TPolygon::ReplaceVertices(const std::vector<TVector>& points) {
  if (vertexTable_ == nullptr) return;
  // Counted before anything is touched: a refused list leaves the polygon as it was.
  if (points.size() > static_cast<size_t>(kMaxPastedVertices))
    ThrowFailure(kErrTooManyVertices, 0x7F610007);
  TWorldUnitHandler* units = UnitsOf(GetWorld());
  const uint32_t kind = point_ref::KindOf(vertexTag_);
  const bool world = kind == point_ref::kWorld;
  std::vector<TVector> converted;
  converted.reserve(points.size());
  for (TVector p : points) {
    if (world && units != nullptr) {
      units->ConvertFromUser(kDimLength, &p.x);
      units->ConvertFromUser(kDimLength, &p.y);
    } else if (kind == point_ref::kHotFrame) {
      p = HotPointFromUser(p, units);
    }
    converted.push_back(p);
  }
  ClearVertices();
  for (const TVector& p : converted)
    vertexTable_->AppendPoint(p);
  InvalidateScreenCache();
  VerticesChanged();
  ShapeChanged(1);
  if (world) {
    // The points are world points: the body moves to their centroid and they become its
    // vertices about it.
    SetPlacement(TVector3(0.0, 0.0, 0.0));
    SetCentroidValid(0);
    UpdateCentroid();
    ShapeChanged(1);
  }
  ComputeExtent();
}

void TPolygon::SelectHotPoint(int32_t index) {
  selectedVertex_ = index;
  Changed();
}

uint16_t TPolygon::HasSelectedVertex() {
  return IsStateBit0Set() && selectedVertex_ != 0 ? 1 : 0;
}

void TPolygon::DeleteSelectedHotPoint() {
  if (selectedVertex_ == 0 || vertexTable_ == nullptr) return;
  if (vertexTable_->GetCount() <= 3) ThrowFailure(kErrTooFewVertices, 0x7F610009);
  DeleteVertices(selectedVertex_, 1);
  selectedVertex_ = 0;
  VerticesChanged();
  ShapeChanged(1);
}
