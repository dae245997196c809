#include "views/trackers/VertexTracker.h"

#include <algorithm>

#include "core/Failure.h"
#include "model/filing/ChangeRecorder.h"

void TVertexTracker::InitVertexTracker(TTrackerView* view, TActionContext* world, TLink* body,
                                       int16_t insertAfter, int16_t vertex,
                                       const TVector& start) {
  InitVertexTracker(view, world, body, dynamic_cast<TVertexBody*>(body), insertAfter, vertex,
                    start);
}

void TVertexTracker::InitVertexTracker(TTrackerView* view, TActionContext* world, TLink* body,
                                       TVertexBody* vertices, int16_t insertAfter,
                                       int16_t vertex, const TVector& start) {
  InitDrag(kCmdEditVertices, view, world);
  vertex_ = vertex;
  start_ = start;
  insertAfter_ = insertAfter;
  inserted_ = 0;
  if (vertices == nullptr || !vertices->AllowsVertexEditing()) ThrowFailure(0, 0);
  bodyLink_ = body;
  body_ = vertices;
  SetRedrawWhenChanged(1);
  SetHitObject(body);
}

TCommandCore* TVertexTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                        const QV_CPoint& previous, const QV_CPoint& next,
                                        bool mouseMoved, const TVector& anchorWorld,
                                        const TVector& previousWorld, const TVector& nextWorld,
                                        bool moved) {
  TCommandCore* const result = TSelectionDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase != 0) return result;
  if (vertex_ != 0) {
    body_->SelectVertex(vertex_);
    return result;
  }
  body_->InsertVertex(insertAfter_, anchorWorld);
  body_->SelectVertex(static_cast<int16_t>(insertAfter_ + 1));
  insertedPoint_ = anchorWorld;
  inserted_ = 1;
  MarkChanged();
  return result;
}

void TVertexTracker::Redo() {
  TSelectionDragTracker::Redo();
  if (inserted_ == 0 || body_ == nullptr) return;
  int16_t after = insertAfter_;
  body_->InsertVertex(after, insertedPoint_);
  body_->SelectVertex(static_cast<int16_t>(insertAfter_ + 1));
}

void TVertexTracker::Undo() {
  TSelectionDragTracker::Undo();
  if (inserted_ == 0 || body_ == nullptr) return;
  body_->RemoveVertex(static_cast<int16_t>(insertAfter_ + 1));
}

void TVertexTracker::BeforePrepare() {
  TSelectionDragTracker::BeforePrepare();
  std::vector<TLink*> noted{bodyLink_};
  for (TLink* object : body_->AttachedObjects())
    if (std::find(noted.begin(), noted.end(), object) == noted.end()) noted.push_back(object);
  NoteChangeOfAll(noted, TChangeRecorder::kWholeObject);
}
