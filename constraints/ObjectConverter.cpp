// The line and shape converter: which commands it offers, the searches it makes in the world,
// chaining sketch lines into the vertices of a shape, cutting a shape into one line per edge, its
// empty block and its registration.

#include "constraints/ObjectConverter.h"

#include <algorithm>
#include <cmath>

#include "bodies/Polygon.h"
#include "bodies/lines/Line.h"
#include "constraints/ConstraintClasses.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

double Distance(const TVector& a, const TVector& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

// The vertex chain of a shape. A polygon body keeps its vertices in its own frame: it is put at
// the origin while world points are appended, and re-centred on them afterwards.
void BeginVertices(TThing& shape) {
  if (auto* polygon = dynamic_cast<TPolygon*>(&shape)) {
    polygon->SetPlacement(TVector3(0.0, 0.0, 0.0));
    polygon->ClearVertices();
    return;
  }
  shape.DeleteAllVertices();
}

void EndVertices(TThing& shape) {
  if (auto* polygon = dynamic_cast<TPolygon*>(&shape))
    polygon->AfterConversion();
  else
    shape.VerticesChanged();
  shape.ShapeChanged(1);
}

bool IsClosedChain(TThing& shape) {
  return dynamic_cast<TPolygon*>(&shape) != nullptr;
}

}  // namespace

TObject* TObjectConverter::CreateObject() {
  return new TObjectConverter;
}

void RegisterConverterClasses() {
  RegisterClassInfo("TObjectConverter", kObjectConverterTag, TObjectConverter::kClassID,
                    TObjectConverter::CreateObject, sizeof(TObjectConverter));
}

void TObjectConverter::Initialize() {
  lineHandler_ = nullptr;
  lastVertex_ = TVector(0.0, 0.0);
  THandlerLink::Initialize();
}

// ---- The world and its selection -----------------------------------------------------------

TWorldDoc* TObjectConverter::GetWorld() const {
  for (TLink* linked : Linked())
    if (auto* world = dynamic_cast<TWorldDoc*>(linked)) return world;
  return nullptr;
}

TLineHandler* TObjectConverter::GetLineHandler() {
  if (lineHandler_ != nullptr) return lineHandler_;
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return nullptr;
  for (TLink* object : world->Objects()) {
    if (!object->IsMemberClass(TLineHandler::kClassID)) continue;
    lineHandler_ = static_cast<TLineHandler*>(object);
    // Linked, so that the converter hears when the handler leaves the world.
    AddDependent(lineHandler_);
    break;
  }
  return lineHandler_;
}

void TObjectConverter::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == lineHandler_) lineHandler_ = nullptr;
  THandlerLink::ObjectRemoved(object);
}

// The lines the user selected in the world, in the order of the selection, then those the line
// handler holds selected (a conversion taken back selects its lines there).
std::vector<TLine*> TObjectConverter::GetSelectedLines() {
  std::vector<TLine*> lines;
  TLineHandler* handler = GetLineHandler();
  if (handler == nullptr) return lines;
  const auto add = [&lines](TLink* object) {
    if (object == nullptr || !object->IsMemberClass(TLine::kClassID)) return;
    auto* line = static_cast<TLine*>(object);
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
  };
  if (const TWorldDoc* world = GetWorld())
    for (TLink* object : world->Selection()) add(object);
  if (TList* selected = handler->GetSelectedLines())
    for (int32_t i = 1; i <= selected->GetCount(); ++i) add(static_cast<TLink*>(selected->At(i)));
  return lines;
}

std::vector<TThing*> TObjectConverter::GetSelectedShapes() const {
  std::vector<TThing*> shapes;
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return shapes;
  for (TLink* object : world->Selection()) {
    if (object->IsThing() == 0) continue;
    auto* thing = static_cast<TThing*>(object);
    if (thing->IsConvertible() != 0) shapes.push_back(thing);
  }
  return shapes;
}

double TObjectConverter::GetJoinTolerance() const {
  const TWorldDoc* world = GetWorld();
  return world != nullptr ? world->SnappingDistance() : 0.0;
}

bool TObjectConverter::GetPrototypeResource(int16_t command, int16_t& id) {
  id = command == kCmdLinesToPolygon ? 2511 : command == kCmdLinesToCurve ? 2548 : 0;
  return id != 0;
}

// ---- Chaining lines --------------------------------------------------------------------------

void TObjectConverter::AddEnd1(TLine& line, TThing& shape) {
  if (line.IsEnd1Joined() != 0) return;
  shape.AppendVertex(line.GetEndPoint1());
  line.SetEnd1Joined(1);
  lastVertex_ = line.GetEndPoint1();
}

void TObjectConverter::AddEnd2(TLine& line, TThing& shape) {
  if (line.IsEnd2Joined() != 0) return;
  shape.AppendVertex(line.GetEndPoint2());
  line.SetEnd2Joined(1);
  lastVertex_ = line.GetEndPoint2();
}

void TObjectConverter::RetireIfPoint(TLine& line) {
  if (line.GetEndPoint1() == line.GetEndPoint2()) line.SetJoined(1);
}

void TObjectConverter::RetirePointLines(const std::vector<TLine*>& lines) {
  if (lines.size() < 2) return;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    RetireIfPoint(**line);
}

TLine* TObjectConverter::FindNearestFreeEnd(const TVector& point, const TLine* current,
                                            const std::vector<TLine*>& lines, size_t& position,
                                            bool& end1) const {
  // Positions count from 1; used lines at the search position are passed over for good.
  while (position <= lines.size() && lines[position - 1]->IsJoined() != 0)
    ++position;
  TLine* best = nullptr;
  double nearest = 0.0;
  for (size_t i = position; i <= lines.size(); ++i) {
    TLine* line = lines[i - 1];
    if (line == current || line->IsJoined() != 0) continue;
    for (const bool first : {true, false}) {
      if ((first ? line->IsEnd1Joined() : line->IsEnd2Joined()) != 0) continue;
      const double d = Distance(point, first ? line->GetEndPoint1() : line->GetEndPoint2());
      if (best != nullptr && d >= nearest) continue;
      best = line;
      nearest = d;
      end1 = first;
      if (d == 0.0) return best;
    }
  }
  return best;
}

void TObjectConverter::ChainLines(const std::vector<TLine*>& lines, TThing& shape) {
  const size_t n = lines.size();
  if (GetWorld() == nullptr || GetLineHandler() == nullptr || n == 0) return;
  if (shape.GetMinVertexCount() - 1 > static_cast<int32_t>(n)) return;
  const double tolerance = GetJoinTolerance();
  RetirePointLines(lines);
  TLine* current = lines.front();
  lastVertex_ = TVector(0.0, 0.0);
  BeginVertices(shape);
  size_t position = 2;
  bool openIsEnd2 = true;

  AddEnd1(*current, shape);
  const TVector start = current->GetEndPoint1();
  if (n == 1) {
    AddEnd2(*current, shape);
    EndVertices(shape);
    return;
  }
  TVector open = current->GetEndPoint2();
  for (;;) {
    bool end1 = true;
    TLine* next = FindNearestFreeEnd(open, current, lines, position, end1);
    if (next == nullptr) break;
    const TVector q = end1 ? next->GetEndPoint1() : next->GetEndPoint2();
    // The current line's open end: a vertex of its own unless the next line starts there.
    if (Distance(q, open) > tolerance) {
      if (!(open == lastVertex_)) openIsEnd2 ? AddEnd2(*current, shape) : AddEnd1(*current, shape);
    } else {
      openIsEnd2 ? current->SetEnd2Joined(1) : current->SetEnd1Joined(1);
    }
    RetireIfPoint(*current);
    if (!(q == lastVertex_)) {
      end1 ? AddEnd1(*next, shape) : AddEnd2(*next, shape);
      RetireIfPoint(*next);
    } else {
      end1 ? next->SetEnd1Joined(1) : next->SetEnd2Joined(1);
    }
    const TVector other = end1 ? next->GetEndPoint2() : next->GetEndPoint1();
    if (position > n) {
      if (Distance(other, q) > tolerance) end1 ? AddEnd2(*next, shape) : AddEnd1(*next, shape);
      current = next;
      continue;
    }
    if (other == open) {
      open = q;
      openIsEnd2 = !end1;
    } else {
      open = other;
      openIsEnd2 = end1;
    }
    current = next;
  }
  // The chain's last free end closes on its first point or becomes the last vertex; either way
  // the last line is used up and leaves with the others.
  const TVector last = openIsEnd2 ? current->GetEndPoint2() : current->GetEndPoint1();
  if (!(last == start) && !(last == lastVertex_) && Distance(last, start) > tolerance)
    shape.AppendVertex(last);
  openIsEnd2 ? current->SetEnd2Joined(1) : current->SetEnd1Joined(1);
  EndVertices(shape);
}

// ---- Shapes to lines -------------------------------------------------------------------------

std::vector<std::unique_ptr<TLine>> TObjectConverter::ShapeToLines(TThing& shape) {
  std::vector<std::unique_ptr<TLine>> made;
  TLineHandler* handler = GetLineHandler();
  const int32_t count = shape.GetHotPointCount();
  if (handler == nullptr || count <= 0) return made;
  auto newLine = [&](int16_t from, int16_t to, bool always) {
    TVector a, b;
    const bool ends =
        shape.GetHotPointInWorld(from, a) != 0 && shape.GetHotPointInWorld(to, b) != 0;
    if (!ends && !always) return;
    std::unique_ptr<TLine> line;
    for (auto& object : handler->ReadLineTemplate()) {
      if (line == nullptr && object->IsMemberClass(TLine::kClassID))
        line.reset(static_cast<TLine*>(object.release()));
    }
    FailIfNull(line.get());
    if (ends) {
      line->SetEndPoint1(a, 0);
      line->SetEndPoint2(b, 1);
    }
    made.push_back(std::move(line));
  };
  for (int32_t i = 1; i < count; ++i)
    newLine(static_cast<int16_t>(i), static_cast<int16_t>(i + 1), true);
  if (IsClosedChain(shape)) newLine(static_cast<int16_t>(count), 1, false);
  return made;
}

// ---- Menus -----------------------------------------------------------------------------------

void TObjectConverter::DoSetupMenus() {
  THandlerLink::DoSetupMenus();
  TWorldDoc* world = GetWorld();
  if (IsMemoryLow() || world == nullptr || GetLineHandler() == nullptr) return;
  const size_t lines = GetSelectedLines().size();
  if (world->Selection().empty() && lines == 0) return;
  const bool shapes = !GetSelectedShapes().empty();
  if (shapes) EnableMenuCommand(kCmdShapesToLines, true);
  if (lines >= 1) EnableMenuCommand(kCmdLinesToCurve, true);
  if (lines >= 2) EnableMenuCommand(kCmdLinesToPolygon, true);
  if (shapes || lines >= 1) EnableMenuCommand(kCmdConvertMenu, true);
}

std::unique_ptr<TCommandCore> TObjectConverter::DoObjectMenuCommand(int16_t command, bool& handled) {
  handled = false;
  if (command == kCmdShapesToLines) {
    const std::vector<TThing*> shapes = GetSelectedShapes();
    if (shapes.empty()) return nullptr;
    auto made = std::make_unique<TShapesToLinesCommand>();
    made->Init(command, GetWorld(), this, shapes);
    handled = true;
    return made;
  }
  int16_t resource = 0;
  if (!GetPrototypeResource(command, resource) || GetLineHandler() == nullptr) return nullptr;
  auto made = std::make_unique<TLinesToShapeCommand>();
  made->Init(command, GetWorld(), lineHandler_, this, GetSelectedLines(), resource);
  handled = true;
  return made;
}

// ---- Filing ----------------------------------------------------------------------------------

uint16_t TObjectConverter::CanReadBlock(int16_t code) {
  return code == kBlockConverter ? 1 : THandlerLink::CanReadBlock(code);
}

uint16_t TObjectConverter::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockConverter) return 1;
  return THandlerLink::ReadBlockContents(code, reader);
}

void TObjectConverter::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockConverter) return;
  THandlerLink::WriteBlockContents(code, writer);
}

void TObjectConverter::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockConverter);
  THandlerLink::WriteFields(writer);
}
