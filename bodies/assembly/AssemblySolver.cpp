// The assembly solver's frames and the makers of its conditions.

#include "bodies/assembly/AssemblySolver.h"

#include "core/Failure.h"
#include "solver/geometry/SplineEntry.h"

// ---- Frame arrays ----------------------------------------------------------------------------

void TAssemblySolver::TBodyFrameArray::InsertAt(int32_t i, TPlainObject* element) {
  TPtrArray::InsertAt(i, element);
  Renumber(i);
}

void TAssemblySolver::TBodyFrameArray::RemoveAt(int32_t i) {
  TPtrArray::RemoveAt(i);
  Renumber(i);
}

void TAssemblySolver::TBodyFrameArray::Renumber(int32_t from) {
  for (int32_t i = from; i < Count(); ++i)
    static_cast<TBodyFrame*>(Item(i))->SetIndex(i);
}

TAssemblySolver::TAssemblySolver(uint32_t stallTestAlways) : stallTestAlways_(stallTestAlways) {}

TAssemblySolver::~TAssemblySolver() {
  bodyFrames_.FreeAll();
  fixedFrames_.FreeAll();
  constraints_.FreeAll();
}

// ---- 1. Frames -------------------------------------------------------------------------------

TBodyFrame* TAssemblySolver::BodyFrameAt(int32_t i) const {
  return static_cast<TBodyFrame*>(bodyFrames_.Item(i));
}

TBodyFrame* TAssemblySolver::FixedFrameAt(int32_t i) const {
  return static_cast<TBodyFrame*>(fixedFrames_.Item(i));
}

TAssemblyConstraint* TAssemblySolver::ConstraintAt(int32_t i) const {
  return static_cast<TAssemblyConstraint*>(constraints_.Item(i));
}

TBodyFrame* TAssemblySolver::FindFrame(AssemblyOwner owner) const {
  if (owner == nullptr) return nullptr;
  for (int32_t i = 0; i < bodyFrames_.Count(); ++i) {
    if (BodyFrameAt(i)->HasOwner(owner)) return BodyFrameAt(i);
  }
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i) {
    if (FixedFrameAt(i)->HasOwner(owner)) return FixedFrameAt(i);
  }
  return nullptr;
}

TBodyFrame* TAssemblySolver::MakeBodyFrame(AssemblyOwner owner, const Frame2D& frame) {
  Invalidate();
  if (TBodyFrame* existing = FindFrame(owner)) return existing;
  auto made = std::make_unique<TBodyFrame>(owner, frame);
  bodyFrames_.Append(made.get());
  return made.release();
}

TBodyFrame* TAssemblySolver::MakeFixedFrame(AssemblyOwner owner, const Frame2D& frame,
                                            AssemblyOwner parent) {
  Invalidate();
  for (int32_t i = 0; i < bodyFrames_.Count(); ++i) {
    if (owner != nullptr && BodyFrameAt(i)->HasOwner(owner))
      ThrowFailure(kErrCannotAssemble, kErrCannotAssemble);
  }
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i) {
    if (owner != nullptr && FixedFrameAt(i)->HasOwner(owner)) return FixedFrameAt(i);
  }
  std::unique_ptr<TBodyFrame> made;
  TBodyFrame* parentFrame = FindFrame(parent);
  if (owner == nullptr || (parent != owner && parentFrame == nullptr))
    made = std::make_unique<TWorldFrame>(owner, frame);
  else if (parent == owner)
    made = std::make_unique<TFixedBodyFrame>(owner, frame);
  else
    made = std::make_unique<TAttachedFrame>(owner, frame, parentFrame);
  fixedFrames_.Append(made.get());
  return made.release();
}

void TAssemblySolver::DeleteBodyFrame(int32_t i) {
  Invalidate();
  bodyFrames_.DeleteAt(i);
}

// ---- 2. Conditions ---------------------------------------------------------------------------

TAssemblyConstraint* TAssemblySolver::Append(std::unique_ptr<TAssemblyConstraint> constraint) {
  constraints_.Append(constraint.get());
  return constraint.release();
}

TDragController* TAssemblySolver::AppendDriver(std::unique_ptr<TDragController> driver) {
  TDragController* made = driver.get();
  Append(std::move(driver));
  driver_ = made;
  return made;
}

TAssemblyConstraint* TAssemblySolver::AppendLock(std::unique_ptr<TCoordinateLock> lock) {
  return Append(std::move(lock));
}

TAssemblyConstraint* TAssemblySolver::AddXLock(AssemblyOwner owner, const Frame2D& frame,
                                               double value) {
  return AppendLock(std::make_unique<TXLock>(MakeBodyFrame(owner, frame), value));
}

TAssemblyConstraint* TAssemblySolver::AddYLock(AssemblyOwner owner, const Frame2D& frame,
                                               double value) {
  return AppendLock(std::make_unique<TYLock>(MakeBodyFrame(owner, frame), value));
}

TAssemblyConstraint* TAssemblySolver::AddAngleLock(AssemblyOwner owner, const Frame2D& frame,
                                                   double value) {
  return AppendLock(std::make_unique<TAngleLock>(MakeBodyFrame(owner, frame), value));
}

TAssemblyConstraint* TAssemblySolver::AddMaxDistance(AssemblyOwner owner, double length) {
  Invalidate();
  return Append(std::make_unique<TMaxDistanceConstraint>(owner, length));
}

TAssemblyConstraint* TAssemblySolver::AddDistance(AssemblyOwner owner, double length) {
  Invalidate();
  return Append(std::make_unique<TDistanceConstraint>(owner, length));
}

TAssemblyConstraint* TAssemblySolver::AddMinDistance(AssemblyOwner owner, double length) {
  Invalidate();
  return Append(std::make_unique<TMinDistanceConstraint>(owner, length));
}

TAssemblyConstraint* TAssemblySolver::AddCoincident(AssemblyOwner owner, AssemblyOwner reference,
                                                    const TVector& at) {
  Invalidate();
  return Append(std::make_unique<TCoincidentPoints>(owner, FindFrame(reference), TVector3(at)));
}

TAssemblyConstraint* TAssemblySolver::AddCoincidentKeyed(AssemblyOwner owner,
                                                         AssemblyOwner reference,
                                                         const TVector3& at, double weight) {
  Invalidate();
  return Append(
      std::make_unique<TCoincidentPointsKeyed>(owner, FindFrame(reference), at, weight));
}

TAssemblyConstraint* TAssemblySolver::AddPointOnLine(AssemblyOwner owner, AssemblyOwner reference,
                                                     const TVector3& at, uint16_t keyed,
                                                     double weight) {
  Invalidate();
  TBodyFrame* frame = FindFrame(reference);
  if (keyed != 0) return Append(std::make_unique<TPointOnLineKeyed>(owner, frame, at, weight));
  return Append(std::make_unique<TPointOnLine>(owner, frame, at));
}

TAssemblyConstraint* TAssemblySolver::AddSplineCurve(AssemblyOwner owner, AssemblyOwner reference,
                                                     const TVector3& at, const double* points,
                                                     int32_t count, int16_t splineType,
                                                     double tolerance) {
  Invalidate();
  void* spline = EngineNewSpline(splineType);
  FailIfNull(spline);
  if (EngineSetSplinePoints(spline, count, points) != 0) {
    EngineDeleteSpline(spline);
    return nullptr;
  }
  std::unique_ptr<TPointOnSpline> made;
  try {
    made = std::make_unique<TPointOnSpline>(owner, FindFrame(reference), at, spline, tolerance);
  } catch (...) {
    EngineDeleteSpline(spline);
    throw;
  }
  return Append(std::move(made));
}

TDragController* TAssemblySolver::AddPointDrag(AssemblyOwner owner, const Frame2D& frame,
                                               const TVector& grip, double size) {
  return AppendDriver(std::make_unique<TPointDrag>(MakeBodyFrame(owner, frame), grip, size));
}

TDragController* TAssemblySolver::AddRotateDrag(AssemblyOwner owner, const Frame2D& frame,
                                                const TVector& mouse, const TVector& pivot) {
  TBodyFrame* fixed = MakeFixedFrame(owner, frame, owner);
  return AppendDriver(std::make_unique<TRotateDrag>(fixed, mouse, pivot));
}

TDragController* TAssemblySolver::AddSlideDrag(AssemblyOwner owner, const Frame2D& frame,
                                               const TVector& start, const TVector& direction) {
  TBodyFrame* fixed = MakeFixedFrame(owner, frame, owner);
  return AppendDriver(std::make_unique<TSlideDrag>(fixed, start, direction));
}

void TAssemblySolver::AddPlacement(TAssemblyConstraint* constraint, AssemblyOwner owner,
                                   const TVector3& at) {
  Invalidate();
  if (constraint != nullptr) constraint->AddPlacement(FindFrame(owner), at);
}

TAssemblyConstraint* TAssemblySolver::Adopt(std::unique_ptr<TAssemblyConstraint> constraint) {
  Invalidate();
  return Append(std::move(constraint));
}

void TAssemblySolver::GetDragValues(double& a, double& b, double& c) const {
  if (driver_ == nullptr) {
    a = b = c = 0.0;
    return;
  }
  driver_->GetDragValues(a, b, c);
}

void TAssemblySolver::SetActive(TDragController* controller, uint32_t active) {
  if (controller != nullptr) controller->SetActive(active);
}

void TAssemblySolver::NewMousePoint(TDragController* controller, const TVector& point) {
  if (controller != nullptr && controller->SetMouse(point)) PullFrames();
}
