// TPolygon: resizing the whole polygon by dragging a corner while the opposite corner stays.

#include <cmath>

#include "bodies/Polygon.h"
#include "core/Failure.h"
#include "model/world/WorldDoc.h"

namespace {

// The mass properties of a resize: a shape the library refuses is resized about (0, 0).
TVector CentroidOrOrigin(TPolygon& polygon) {
  double area = 0.0;
  double moment = 0.0;
  TVector centroid(0.0, 0.0);
  try {
    polygon.ComputeMassProperties(area, moment, centroid);
  } catch (const QVException&) {
    centroid = TVector(0.0, 0.0);
  }
  return centroid;
}

// The scale of one axis; an axis whose grab coordinate is 0 cannot be scaled and keeps 1.
double AxisScale(double wanted, double grabbed) {
  if (grabbed == 0.0) return 1.0;
  const double scale = wanted / grabbed;
  return std::isfinite(scale) ? scale : 1.0;
}

}  // namespace

// ---- 6. Resize by a corner ---------------------------------------------------------------------

void TPolygon::BeginResize(const TVector& anchor, const TVector& grab) {
  if (vertexTable_ == nullptr) ThrowFailure(-108, 0);
  EndResize();
  auto record = std::make_unique<ResizeRecord>();
  const TVector c = CentroidOrOrigin(*this);
  record->negatedCentroid = TVector(-c.x, -c.y);
  record->rotation = GetRotationValue();
  record->anchorFrame = Transform2D::FromVector3(anchor.x, anchor.y, record->rotation);
  record->inverseFrame = record->anchorFrame.Inverse();
  record->grab = Transform2D::ApplyToVector(record->inverseFrame, grab);
  // A grab on the anchor resizes nothing; the record goes with the silent end.
  if (record->grab.x == 0.0 && record->grab.y == 0.0) ThrowFailure(0, 0);
  TVector a = anchor;
  WorldToLocal(a);
  const int32_t n = vertexTable_->GetCount();
  record->offsets.reserve(static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i)
    record->offsets.push_back(vertexTable_->GetPoint(i) - a);
  resize_ = std::move(record);
}

void TPolygon::ResizeTo(const TVector& world, uint16_t keepMinimum) {
  if (!resize_ || vertexTable_ == nullptr) return;
  const ResizeRecord& r = *resize_;
  TVector q = Transform2D::ApplyToVector(r.inverseFrame, world);
  TWorldDoc* doc = GetWorld();
  const double m = keepMinimum != 0 && doc != nullptr ? doc->SnappingDistance() : 0.0;
  for (double* c : {&q.x, &q.y})
    if (std::fabs(*c) < m) *c = *c >= 0.0 ? m : -m;
  const TVector s(AxisScale(q.x, r.grab.x), AxisScale(q.y, r.grab.y));
  const int32_t n =
      std::min<int32_t>(vertexTable_->GetCount(), static_cast<int32_t>(r.offsets.size()));
  for (int32_t i = 1; i <= n; ++i) {
    const TVector& o = r.offsets[static_cast<size_t>(i - 1)];
    vertexTable_->SetPoint(i, TVector(o.x * s.x, o.y * s.y));
  }
  VerticesChanged();
  const TVector c = CentroidOrOrigin(*this);
  // The body moves so that its frame keeps the centroid where it was in the body, and the
  // vertices move with it: the anchor stays where it is in the world.
  TVector w = Transform2D::ApplyToVector(r.anchorFrame, c);
  WorldToLocal(w);
  TVector origin(r.negatedCentroid.x + w.x, r.negatedCentroid.y + w.y);
  LocalToWorld(origin);
  SetPlacement(TVector3(origin, r.rotation));
  const TVector d(c.x + r.negatedCentroid.x, c.y + r.negatedCentroid.y);
  for (int32_t i = 1; i <= n; ++i)
    vertexTable_->SetPoint(i, vertexTable_->GetPoint(i) - d);
  InvalidateMassProperties();
  InvalidateScreenCache();
  ComputeExtent();
  if (doc != nullptr) ForEachAttachment([](TLink* object, void*) { object->Changed(); }, nullptr);
}

void TPolygon::EndResize() {
  resize_.reset();
}
