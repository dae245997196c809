// Step control of the drag controllers.

#include "bodies/assembly/DragControllers.h"

#include <algorithm>
#include <cmath>

#include "core/Failure.h"
#include "core/Numerics.h"

namespace {

constexpr double kTurn = 2.0 * FpPi();

double VectorAngle(const TVector& v) {
  return v.Angle();
}

}  // namespace

double UnwrapAngle(double a, double b) {
  if (std::fabs(a - b) <= FpPi()) return a;
  int16_t qa = 0;
  int16_t qb = 0;
  double ra = RemainderQuo(a, kTurn, qa);
  const double rb = RemainderQuo(b, kTurn, qb);
  if ((ra < 0) != (rb < 0) && std::fabs(ra - rb) > FpPi()) ra += ra < 0 ? kTurn : -kTurn;
  return qb == 0 ? ra : ra + kTurn * qb;
}

// ---- The root --------------------------------------------------------------------------------

bool TDragController::SetMouse(const TVector& p) {
  if (IsSameTarget(p)) return false;
  target_ = p;
  return SetTarget(p);
}

// ---- Frame drags -----------------------------------------------------------------------------

bool TFrameDrag::TryValue(double v) {
  if (current_ == v) return false;
  current_ = v;
  ApplyValue();
  return true;
}

bool TFrameDrag::IsOutside(double x, double y, double z) {
  return z <= x ? y >= z : y <= z;
}

bool TFrameDrag::SetTarget(const TVector& p) {
  double requested = 0.0;
  double step = 0.0;
  ValueFromMouse(p, requested, step);
  if (accepted_ == requested_ || IsOutside(requested_, accepted_, current_)) {
    requested_ = requested;
    TryValue(step);
  } else {
    // A step between the last accepted value and the old request is still being tried.
    requested_ = requested;
  }
  return true;
}

bool TFrameDrag::Advance(double) {
  if (current_ == requested_) return false;
  accepted_ = current_;
  return TryValue((current_ + requested_) * 0.5);
}

bool TFrameDrag::Retreat(double) {
  if (accepted_ == current_) return false;
  requested_ = current_;
  return TryValue(0.75 * accepted_ + 0.25 * current_);
}

TRotateDrag::TRotateDrag(TBodyFrame* frame, const TVector& mouse, const TVector& pivot)
    : TFrameDrag(frame), pivotLocal_(pivot) {
  const Frame2D world = frame->GetWorldFrame();
  pivotWorld_ = world.TransformPoint(pivot);
  angle_ = startAngle_ = world.angle;
  angleCos_ = world.cosine;
  angleSin_ = world.sine;
  mouseAngle0_ = VectorAngle(mouse - pivotWorld_);
}

void TRotateDrag::ValueFromMouse(const TVector& p, double& requested, double& step) {
  const double a = VectorAngle(p - pivotWorld_) - mouseAngle0_;
  requested = UnwrapAngle(a, accepted_);
  step = 0.75 * accepted_ + 0.25 * requested;
}

void TRotateDrag::ApplyValue() {
  angle_ = startAngle_ + current_;
  angleCos_ = std::cos(angle_);
  angleSin_ = std::sin(angle_);
}

bool TRotateDrag::ApplyToFrame() {
  Frame2D w(pivotWorld_.x, pivotWorld_.y, 0.0);
  w.Rotate(angle_, angleCos_, angleSin_);
  w.TranslateInOwnAxes({-pivotLocal_.x, -pivotLocal_.y});
  if (w == frame_->GetWorldFrame()) return false;
  frame_->SetFrame(w);
  return true;
}

TSlideDrag::TSlideDrag(TBodyFrame* frame, const TVector& start, const TVector& direction)
    : TFrameDrag(frame),
      startFrame_(frame->GetWorldFrame()),
      workFrame_(startFrame_),
      startPoint_(start),
      direction_(direction) {}

void TSlideDrag::ValueFromMouse(const TVector& p, double& requested, double& step) {
  const TVector d = p - startPoint_;
  requested = step = d.x * direction_.x + d.y * direction_.y;
}

void TSlideDrag::ApplyValue() {
  workFrame_ = startFrame_;
  workFrame_.x += current_ * direction_.x;
  workFrame_.y += current_ * direction_.y;
}

bool TSlideDrag::ApplyToFrame() {
  frame_->SetFrame(workFrame_);
  return true;
}

// ---- Point drag ------------------------------------------------------------------------------

TPointDrag::TPointDrag(TBodyFrame* frame, const TVector& grip, double size)
    : grip_(frame, grip.x, grip.y, 0.0),
      startPoint_(grip_.GetWorldPosition()),
      frame_(frame),
      startAngle_(frame->GetWorldFrame().angle),
      bigStep_(12.0 * size),
      smallMove_(4.0 * size) {
  target_ = startPoint_;
}

double TPointDrag::WriteResiduals(LinearSystem* system) {
  if (active_ == 0) return 0.0;
  auto write = [system](double r) {
    if (system == nullptr) return;
    double* rhs = nullptr;
    system->NextRowRightSide(rhs);
    if (rhs != nullptr) *rhs = r;
  };
  const TVector g = grip_.GetWorldPosition();
  if (exact_ != 0) {
    const TVector d = g - target_;
    write(d.x);
    write(d.y);
    double error = std::max(std::fabs(d.x), std::fabs(d.y));
    if (holdAngle_ != 0) {
      const double a = frame_->GetWorldFrame().angle - startAngle_;
      write(a);
      error = std::max(error, std::fabs(a));
    }
    return error;
  }
  const TVector d = target_ - g;
  const double squared = d.x * d.x + d.y * d.y;
  write(squared - reachSquared_);
  return std::fabs(std::sqrt(squared) - reach_);
}

void TPointDrag::WriteJacobian(LinearSystem& system) {
  if (active_ == 0) return;
  const int32_t index = grip_.GetBaseIndex();
  auto row = [&system]() {
    SparseRow* r = nullptr;
    system.NextRowCoefficients(r);
    return r;
  };
  if (exact_ != 0) {
    AddToColumns(row(), index, grip_.JacobianX());
    AddToColumns(row(), index, grip_.JacobianY());
    if (holdAngle_ != 0) AddToColumns(row(), index, grip_.JacobianAngle());
    return;
  }
  const TVector g = grip_.GetWorldPosition();
  const TVector d = target_ - g;
  const TVector arm = g - frame_->GetPosition();
  const TVector perp{-arm.y, arm.x};
  AddToColumns(row(), index, {-2.0 * d.x, -2.0 * d.y, -2.0 * (d.x * perp.x + d.y * perp.y)});
}

bool TPointDrag::ShouldDrop(double) {
  if (frame_->IsFixed()) ThrowFailure(kErrCannotAssemble, kErrCannotAssemble);
  return false;
}

void TPointDrag::SetReach(double v) {
  if (gap_ < v)
    reach_ = gap_;
  else if (floor_ > v)
    reach_ = floor_;
  else
    reach_ = v;
  reachSquared_ = reach_ * reach_;
}

void TPointDrag::StepReach(double v, double w) {
  const double t = w - bigStep_;
  if (t <= floor_ || t <= v)
    SetReach(v);
  else
    SetReach(gap_ - bigStep_);
}

bool TPointDrag::SetMouse(const TVector& p) {
  const bool taken = TDragController::SetMouse(p);
  fresh_ = (fresh_ != 0 && !taken) ? 1 : 0;
  return taken;
}

bool TPointDrag::IsSameTarget(const TVector& p) {
  if (fresh_ == 0) return true;
  if (exact_ != 0) return false;
  return std::fabs(p.x - target_.x) <= smallMove_ && std::fabs(p.y - target_.y) <= smallMove_;
}

bool TPointDrag::SetTarget(const TVector& p) {
  const double old = gap_;
  const TVector d = p - startPoint_;
  gap_ = std::hypot(d.x, d.y);
  if (exact_ != 0) {
    if (gap_ < reach_) SetReach(gap_);
    return true;
  }
  const double delta = gap_ - old;
  if (delta > 0)
    floor_ = 0.0;
  else if (delta < 0)
    floor_ = -delta < floor_ ? floor_ + delta : 0.0;
  if (gap_ != floor_) {
    const double v = (gap_ + floor_) * 0.5;
    if (v == reach_) return false;
    SetReach(v);
    return true;
  }
  if (gap_ == reach_) return false;
  SetReach(gap_);
  return true;
}

bool TPointDrag::Advance(double tolerance) {
  if (exact_ != 0) return false;
  gap_ = reach_;
  if (reach_ <= tolerance) {
    exact_ = 1;
    floor_ = 0.0;
    return true;
  }
  if (reach_ == floor_) return false;
  const double before = reach_;
  StepReach((reach_ + floor_) * 0.5, reach_);
  return reach_ != before;
}

bool TPointDrag::Retreat(double tolerance) {
  if (exact_ != 0) {
    if (gap_ >= tolerance) {
      exact_ = 0;
      floor_ = 0.0;
      reach_ = 0.0;
      StepReach(0.75 * gap_, gap_);
      holdAngle_ = 0;
      return true;
    }
    const bool held = holdAngle_ != 0;
    holdAngle_ = 0;
    return held;
  }
  floor_ = reach_;
  if (gap_ == reach_) return false;
  const double before = reach_;
  StepReach(0.75 * gap_ + 0.25 * reach_, gap_);
  return reach_ != before;
}

void TPointDrag::Accept() {
  fresh_ = 1;
  startPoint_ = grip_.GetWorldPosition();
}

void TPointDrag::GetDragValues(double& a, double& b, double& c) {
  a = reach_;
  b = floor_;
  c = gap_;
}
