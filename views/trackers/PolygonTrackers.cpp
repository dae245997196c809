#include "views/trackers/PolygonTrackers.h"

#include <cstdlib>
#include <vector>

#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/List.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "views/trackers/TrackerWorld.h"

namespace {

inline constexpr int16_t kErrNoObject = -108;

TVector ToLocal(TPolygon& polygon, const TVector& world) {
  TVector local = world;
  polygon.WorldToLocal(local);
  return local;
}

int32_t VertexCount(const TPolygon& polygon) {
  const TTable* table = polygon.GetVertices();
  return table != nullptr ? table->GetCount() : 0;
}

std::vector<TLink*> Attached(const TPolygon& polygon) {
  std::vector<TLink*> objects;
  if (TList* list = polygon.Attachments()) {
    for (int32_t i = 1; i <= list->GetCount(); ++i)
      if (TObject* item = list->At(i)) objects.push_back(static_cast<TLink*>(item));
  }
  return objects;
}

// The vertex table, which undo and redo take back from the images.
void NoteVertexTable(TCommandBase& command, TPolygon& polygon) {
  if (TTable* table = polygon.GetVertices())
    command.NoteChangeOfAll({table}, TChangeRecorder::kWholeObject);
}

// After the table came back from an image.
void VerticesRestored(TPolygon& polygon) {
  polygon.ShapeChanged(1);
  polygon.ForEachLinked(1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TPolygonSketchTracker

void TPolygonSketchTracker::InitPolygonSketch(int16_t commandNumber, TTrackerView* view,
                                              TActionContext* world,
                                              std::unique_ptr<TObjectReader> placed,
                                              TPolygon* polygon) {
  polygon_ = nullptr;
  if (polygon == nullptr) ThrowFailure(kErrNoObject, 0);
  InitDragTracker(commandNumber, view, world, 1, 0, std::move(placed), polygon);
  SetMultiClick(1);
  polygon_ = polygon;
}

int16_t TPolygonSketchTracker::AddPoint(const QV_CPoint&, const TVector& world) {
  const int32_t n = VertexCount(*polygon_);
  if (n == 0) return 1;
  const TVector point = ToLocal(*polygon_, world);
  TVector fixedLast(0.0, 0.0);
  // A second click on the vertex fixed last adds nothing.
  if (n > 1 && polygon_->GetVertex(n - 1, fixedLast) && fixedLast == point) return 1;
  polygon_->SetLastVertex(point);
  polygon_->AppendVertex(point);
  return 1;
}

TCommandCore* TPolygonSketchTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                               const QV_CPoint& previous, const QV_CPoint& next,
                                               bool mouseMoved, const TVector& anchorWorld,
                                               const TVector& previousWorld,
                                               const TVector& nextWorld, bool moved) {
  if (phase == 0) {
    // The first vertex at the press, and the one that follows the mouse.
    polygon_->ClearVertices();
    const TVector start = ToLocal(*polygon_, anchorWorld);
    polygon_->AppendVertex(start);
    polygon_->AppendVertex(start);
  }
  if (phase == 1 && moved && VertexCount(*polygon_) > 1) {
    polygon_->SetLastVertex(ToLocal(*polygon_, nextWorld));
    AfterMove();
  }
  // The sketch goes before the end changes the picture or warns about the shape.
  if (phase == 2) EraseSketch();
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) ShowPrompt(kSketchPrompt);
  // Between clicks nothing of the polygon is drawn but this: the corners fixed so far and the
  // edge that follows the pointer.
  if (phase == 1) ShowSketch(SketchNow());
  if (phase == 2) {
    ClearPrompt();
    polygon_->RemoveLastVertex();
    polygon_->SetCentroidValid(0);
    polygon_->RecentreAndBound();
    polygon_->GeometryChanged(1);
    polygon_->InvalidateShownTransform();
    AfterRelease();
    // Cancel ends the sketch silently: the work then refuses the polygon and nothing is made.
    try {
      polygon_->ReportBadShape(1);
    } catch (const QVException& failure) {
      if (failure.error() != 0) throw;
      cancelled_ = true;
    }
  }
  return result;
}

std::vector<MacPoint> TPolygonSketchTracker::SketchNow() const {
  std::vector<MacPoint> corners;
  TVector vertex(0.0, 0.0);
  for (int32_t i = 1; polygon_->GetVertex(i, vertex); ++i) {
    polygon_->LocalToWorld(vertex);
    MacPoint screen;
    WorldToScreen(vertex, screen);
    corners.push_back(screen);
  }
  return corners;
}

void TPolygonSketchTracker::ShowSketch(std::vector<MacPoint> now) {
  if (now == shown_) return;
  auto* port = dynamic_cast<TFeedbackPort*>(TrackerView());
  // A picture painted later would cover the sketch, and erasing it would then draw it: what is
  // stale is painted before the sketch is first drawn.
  if (port != nullptr && shown_.empty() && !now.empty()) port->UpdateBeforeFeedback();
  if (!shown_.empty()) InvertSketch(shown_, nullptr);
  shown_ = std::move(now);
  if (!shown_.empty()) InvertSketch(shown_, nullptr);
}

void TPolygonSketchTracker::InvertSketch(const std::vector<MacPoint>& corners,
                                         const MacRect* clip) {
  TFeedbackPen pen(dynamic_cast<TFeedbackPort*>(TrackerView()), TFeedbackPen::kSolid);
  if (clip != nullptr) pen.ClipTo(*clip);
  // Each edge leaves out its end pixel, which the next edge draws: no pixel is inverted twice.
  // The pointer's own pixel comes last.
  for (size_t i = 1; i < corners.size(); ++i) pen.Line(corners[i - 1], corners[i]);
  if (corners.size() > 1)
    pen.Line(corners.back(), MacPoint(static_cast<int16_t>(corners.back().h + 1), corners.back().v));
}

void TPolygonSketchTracker::RestoreFeedbackIn(const MacRect& rect) {
  if (!shown_.empty()) InvertSketch(shown_, &rect);
}

bool TPolygonSketchTracker::IsObjectAcceptable() const {
  return polygon_ != nullptr && !cancelled_ && polygon_->IsComplete();
}

void TCurvedSketchTracker::AfterMove() {
  auto* curved = static_cast<TCurvPoly*>(Polygon());
  if (curved->IsCurved()) curved->VerticesChanged();
}

void TCurvedSketchTracker::AfterRelease() {
  auto* curved = static_cast<TCurvPoly*>(Polygon());
  curved->COMChanged();
  if (!curved->IsCurved()) return;
  curved->InvalidateScreenCache();
  curved->VerticesChanged();
  curved->ComputeExtent();
}

// ---------------------------------------------------------------------------------------------
// TPolygonResizeTracker

TPolygonResizeTracker::~TPolygonResizeTracker() {
  if (polygon_ != nullptr) polygon_->EndResize();
}

void TPolygonResizeTracker::InitPolygonResize(TTrackerView* view, TActionContext* world,
                                              TPolygon* polygon, int32_t handle) {
  polygon_ = nullptr;
  InitBodyResize(view, world, polygon, handle);
  polygon_ = polygon;
  const TDoubleRect& b = polygon->LocalBounds();
  switch (handle) {
    case 0:
      grabbed_ = TVector(b.left, b.top);
      break;
    case 1:
      grabbed_ = TVector(b.right, b.top);
      break;
    case 2:
      grabbed_ = TVector(b.left, b.bottom);
      break;
    default:
      grabbed_ = TVector(b.right, b.bottom);
      break;
  }
  polygon->LocalToWorld(grabbed_);
}

void TPolygonResizeTracker::BeginApply() {
  // A grabbed corner on the fixed one cannot scale anything: the gesture ends silently.
  polygon_->BeginResize(FixedCorner(), grabbed_);
}

void TPolygonResizeTracker::Apply(const TVector&, const TVector& point) {
  polygon_->ResizeTo(point, ShiftKey() == 0 ? 1 : 0);
}

void TPolygonResizeTracker::BeforePrepare() {
  TBodyResizeTracker::BeforePrepare();
  NoteVertexTable(*this, *polygon_);
}

void TPolygonResizeTracker::Undo() {
  TBodyResizeTracker::Undo();
  if (polygon_ != nullptr) VerticesRestored(*polygon_);
}

void TPolygonResizeTracker::Redo() {
  TBodyResizeTracker::Redo();
  if (polygon_ != nullptr) VerticesRestored(*polygon_);
}

// ---------------------------------------------------------------------------------------------
// TPolygonVertexTracker

// The polygon's vertices as the vertex tracker edits them. Only the gesture itself edits them:
// undo and redo take the whole table back from the images.
class TPolygonVertexTracker::TVertices : public TVertexBody {
 public:
  explicit TVertices(TPolygon& polygon) : polygon_(polygon) {}
  bool AllowsVertexEditing() const override { return polygon_.GetVertices() != nullptr; }
  void InsertVertex(int16_t& after, const TVector& point) override {
    if (!live) return;
    polygon_.InsertVertex(after, point);
    polygon_.ShapeChanged(1);
  }
  void RemoveVertex(int16_t number) override {
    if (!live) return;
    polygon_.DeleteVertices(number, 1);
    polygon_.ShapeChanged(1);
  }
  void SelectVertex(int16_t number) override { polygon_.SelectHotPoint(number); }
  std::vector<TLink*> AttachedObjects() override { return Attached(polygon_); }

  bool live = true;

 private:
  TPolygon& polygon_;
};

TPolygonVertexTracker::TPolygonVertexTracker() = default;

TPolygonVertexTracker::~TPolygonVertexTracker() {
  EndHolds();
}

void TPolygonVertexTracker::InitPolygonVertex(TTrackerView* view, TActionContext* world,
                                              TPolygon* polygon, int16_t insertAfter,
                                              int16_t vertex, const TVector& start) {
  polygon_ = nullptr;
  if (polygon == nullptr) ThrowFailure(kErrNoObject, 0);
  vertices_ = std::make_unique<TVertices>(*polygon);
  InitVertexTracker(view, world, polygon, vertices_.get(), insertAfter, vertex, start);
  polygon_ = polygon;
  // Position changes are ignored while a vertex moves: the body's origin stays.
  uint16_t previous = 0;
  polygon_->BeginHoldPosition(previous);
  heldPosition_ = 1;
  keeper_ = std::make_unique<TAttachmentPositions>(*polygon_);
  BeginHoldPoints();
}

void TPolygonVertexTracker::BeginHoldPoints() {
  if (holding_ != 0) return;
  for (TLink* object : Attached(*polygon_))
    if (object->IsMemberClass(TPoint::kClassID)) static_cast<TPoint*>(object)->BeginHold(1);
  holding_ = 1;
}

void TPolygonVertexTracker::EndHoldPoints() {
  if (holding_ == 0) return;
  for (TLink* object : Attached(*polygon_))
    if (object->IsMemberClass(TPoint::kClassID)) static_cast<TPoint*>(object)->EndHold(1);
  holding_ = 0;
}

void TPolygonVertexTracker::EndHolds() {
  if (polygon_ == nullptr) return;
  if (heldPosition_ != 0) polygon_->EndHoldPosition(0);
  heldPosition_ = 0;
  EndHoldPoints();
}

TCommandCore* TPolygonVertexTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                               const QV_CPoint& previous, const QV_CPoint& next,
                                               bool mouseMoved, const TVector& anchorWorld,
                                               const TVector& previousWorld,
                                               const TVector& nextWorld, bool moved) {
  // A vertex inserted at the press changes the table: its image is taken first.
  if (phase == 0 && GrabbedVertex() == 0) StartTracking();
  TCommandCore* const result = TVertexTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  const int16_t index = GrabbedVertex();
  if (phase == 1 && moved && index != 0) {
    polygon_->MoveVertex(index, previousWorld, nextWorld);
    keeper_->Restore();
    MarkChanged();
  }
  if (phase == 2) {
    if (HasChanged() != 0) {
      double area = 0.0, moment = 0.0;
      TVector centroid(0.0, 0.0);
      polygon_->ComputeMassProperties(area, moment, centroid);
      polygon_->ReportBadShape(0);
      polygon_->ForEachLinked(1);
    }
    vertices_->live = false;
    EndHolds();
  }
  return result;
}

bool TPolygonVertexTracker::UsesHotPoints() const {
  return HasTrackingSnapper(GetContext());
}

void TPolygonVertexTracker::BeforePrepare() {
  TVertexTracker::BeforePrepare();
  NoteVertexTable(*this, *polygon_);
}

void TPolygonVertexTracker::Undo() {
  TVertexTracker::Undo();
  if (polygon_ != nullptr) VerticesRestored(*polygon_);
}

void TPolygonVertexTracker::Redo() {
  TVertexTracker::Redo();
  if (polygon_ != nullptr) VerticesRestored(*polygon_);
}

// ---------------------------------------------------------------------------------------------
// Handles in vertex editing

namespace {

// How far from a vertex's square, and from an edge, a press still grabs it, in pixels.
constexpr int32_t kVertexReach = 3 + 4;
constexpr double kEdgeReach = 2.0;

// Whether p lies within the reach of the segment from a to b, away from its ends.
bool NearEdge(const MacPoint& p, const MacPoint& a, const MacPoint& b) {
  const double ex = b.h - a.h, ey = b.v - a.v;
  const double px = p.h - a.h, py = p.v - a.v;
  const double length2 = ex * ex + ey * ey;
  if (length2 < 1.0) return false;
  const double t = (px * ex + py * ey) / length2;
  if (t <= 0.0 || t >= 1.0) return false;
  const double dx = px - t * ex, dy = py - t * ey;
  return dx * dx + dy * dy <= kEdgeReach * kEdgeReach;
}

}  // namespace

bool FindPolygonHandle(TPolygon& polygon, const MacPoint& point,
                       const std::function<MacPoint(const TVector&)>& toScreen, int16_t& vertex,
                       int16_t& edge) {
  vertex = 0;
  edge = 0;
  const int32_t n = VertexCount(polygon);
  std::vector<MacPoint> screen;
  for (int16_t i = 1; i <= n; ++i) {
    TVector world(0.0, 0.0);
    if (polygon.GetHotPointInWorld(i, world) == 0) return false;
    screen.push_back(toScreen(world));
  }
  for (int16_t i = 1; i <= n; ++i) {
    const MacPoint& p = screen[i - 1];
    if (std::abs(point.h - p.h) <= kVertexReach && std::abs(point.v - p.v) <= kVertexReach) {
      vertex = i;
      return true;
    }
  }
  for (int16_t i = 1; i <= n; ++i) {
    if (NearEdge(point, screen[i - 1], screen[i % n])) {
      edge = i;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Factories

namespace {

bool IsCurved(const TPolygon& polygon) {
  return polygon.IsMemberClass(TCurvPoly::kClassID);
}

}  // namespace

std::unique_ptr<TPolygonSketchTracker> MakePolygonSketchTracker(
    int16_t commandNumber, TTrackerView* view, TActionContext* world,
    std::unique_ptr<TObjectReader> placed, TPolygon& polygon) {
  std::unique_ptr<TPolygonSketchTracker> tracker = IsCurved(polygon)
                                                       ? std::make_unique<TCurvedSketchTracker>()
                                                       : std::make_unique<TPolygonSketchTracker>();
  tracker->InitPolygonSketch(commandNumber, view, world, std::move(placed), &polygon);
  return tracker;
}

std::unique_ptr<TPolygonResizeTracker> MakePolygonResizeTracker(TTrackerView* view,
                                                                TActionContext* world,
                                                                TPolygon& polygon, int32_t handle) {
  std::unique_ptr<TPolygonResizeTracker> tracker = IsCurved(polygon)
                                                       ? std::make_unique<TCurvedResizeTracker>()
                                                       : std::make_unique<TPolygonResizeTracker>();
  tracker->InitPolygonResize(view, world, &polygon, handle);
  return tracker;
}

std::unique_ptr<TPolygonVertexTracker> MakePolygonVertexTracker(TTrackerView* view,
                                                                TActionContext* world,
                                                                TPolygon& polygon,
                                                                int16_t insertAfter,
                                                                int16_t vertex) {
  TVector start(0.0, 0.0);
  if (vertex != 0 && polygon.GetVertex(vertex, start)) polygon.LocalToWorld(start);
  std::unique_ptr<TPolygonVertexTracker> tracker = IsCurved(polygon)
                                                       ? std::make_unique<TCurvedVertexTracker>()
                                                       : std::make_unique<TPolygonVertexTracker>();
  tracker->InitPolygonVertex(view, world, &polygon, insertAfter, vertex, start);
  return tracker;
}
