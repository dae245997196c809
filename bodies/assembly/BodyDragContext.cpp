#include "bodies/assembly/BodyDragContext.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/assembly/BodyAssembly.h"
#include "core/TickCount.h"

namespace {

TMass* AsBody(TLink* object) {
  return object != nullptr && object->IsMemberClass(TMass::kClassID) ? static_cast<TMass*>(object)
                                                                     : nullptr;
}

// The solver's progress callback: the run limit decides when to stop.
int32_t StopAtLimit(void* context, double, double, double) {
  return static_cast<TGeometryRunLimit*>(context)->ShouldStop(GetTickCount60()) ? 1 : 0;
}

}  // namespace

void TBodyDragContext::Build(TMass* grabbed, const TVector& grip) {
  solver_ = std::make_unique<TAssemblySolver>(1);
  bodies_.clear();
  drag_ = nullptr;
  for (TLink* object : objects_) {
    TMass* body = AsBody(object);
    if (body == nullptr || body->PositionX() == nullptr) continue;
    bodies_.push_back(body);
    const TVector3 at = body->GetPositionValues();
    const Frame2D frame(at.x, at.y, at.r);
    if (body == grabbed) {
      // The grip is held in the body's own coordinates; the drag makes the body's frame.
      drag_ = solver_->AddPointDrag(body, frame, frame.Inverse().TransformPoint(grip), 1.0);
      continue;
    }
    if (IsFixedInAssembly(*body)) {
      solver_->MakeFixedFrame(body, frame, body);
      continue;
    }
    solver_->MakeBodyFrame(body, frame);
    if (body->PositionX()->IsFormula()) solver_->AddXLock(body, frame, at.x);
    if (body->PositionY()->IsFormula()) solver_->AddYLock(body, frame, at.y);
    if (body->Rotation()->IsFormula()) solver_->AddAngleLock(body, frame, at.r);
  }
  for (TLink* object : objects_) {
    if (auto* participant = dynamic_cast<TAssemblyParticipant*>(object))
      participant->AddToAssembly(*solver_);
  }
}

TLink* TBodyDragContext::MakeFollowed(TLink* grabbed, const TVector& grip) {
  TMass* body = AsBody(grabbed);
  if (body == nullptr || IsFixedInAssembly(*body) ||
      std::find(objects_.begin(), objects_.end(), grabbed) == objects_.end())
    return nullptr;
  Build(body, grip);
  return body;
}

void TBodyDragContext::MoveFrameTo(const TVector& point) {
  if (solver_ != nullptr && drag_ != nullptr) solver_->NewMousePoint(drag_, point);
}

void TBodyDragContext::LetGo() {
  if (drag_ != nullptr) TAssemblySolver::SetActive(drag_, 0);
}

bool TBodyDragContext::Run(TGeometryRunLimit& limit, double tolerance) {
  if (solver_ == nullptr) Build(nullptr, TVector(0.0, 0.0));
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  solver_->Solve(StopAtLimit, &limit, tolerance, records, count, pushed);
  bool changed = false;
  for (int32_t i = 0; i < count; ++i) {
    const TFrameRecord& record = records[i];
    auto body = std::find(bodies_.begin(), bodies_.end(), record.owner);
    if (body == bodies_.end()) continue;
    const TVector3 placed = record.world.Placement();
    if (placed == (*body)->GetPositionValues()) continue;
    (*body)->StorePosition(placed);
    changed = true;
  }
  return changed;
}

std::unique_ptr<TGeometryDragContext> MakeBodyDragContext(const std::vector<TLink*>& objects) {
  return std::make_unique<TBodyDragContext>(objects);
}
