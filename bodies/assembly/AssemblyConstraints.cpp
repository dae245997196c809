// The root of the assembly conditions, the coordinate locks and the distance conditions.

#include "bodies/assembly/AssemblyConstraints.h"

#include <algorithm>
#include <cmath>

#include "core/Failure.h"
#include "core/Numerics.h"
#include "core/geometry/FloatOps.h"

namespace {

// Writes r as the right-hand side of the next row.
void WriteRightSide(LinearSystem* system, double r) {
  if (system == nullptr) return;
  double* rhs = nullptr;
  system->NextRowRightSide(rhs);
  if (rhs != nullptr) *rhs = r;
}

}  // namespace

double AngleRemainder(double a) {
  int16_t quotient = 0;
  return RemainderQuo(a, 2.0 * FpPi(), quotient);
}

// ---- The root --------------------------------------------------------------------------------

bool TAssemblyConstraint::ShouldDrop(double tolerance) {
  if (owner_ != nullptr) return IsImmovable();
  const double error = WriteResiduals(nullptr);
  if (error > tolerance && IsImmovable()) ThrowFailure(kErrCannotAssemble, kMsgCannotAssemble);
  return false;
}

// ---- Coordinate locks ------------------------------------------------------------------------

void TCoordinateLock::WriteJacobian(LinearSystem& system) {
  const int32_t index = Index();
  if (index < 0) return;
  SparseRow* row = nullptr;
  system.NextRowCoefficients(row);
  if (row != nullptr) WriteCoefficient(*row, 3 * static_cast<int64_t>(index));
}

double TCoordinateLock::WriteResiduals(LinearSystem* system) {
  if (Index() < 0) return 0.0;
  const double r = Residual();
  WriteRightSide(system, r);
  return std::fabs(r);
}

bool TXLock::Snap() {
  Frame2D frame = frame_->GetWorldFrame();
  frame.x = value_;
  frame_->SetFrame(frame);
  return true;
}

bool TYLock::Snap() {
  Frame2D frame = frame_->GetWorldFrame();
  frame.y = value_;
  frame_->SetFrame(frame);
  return true;
}

bool TAngleLock::Snap() {
  const Frame2D frame = frame_->GetWorldFrame();
  frame_->SetFrame(Frame2D(frame.x, frame.y, value_));
  return true;
}

// ---- Grip points -----------------------------------------------------------------------------

void TMultiPointConstraint::AddPlacement(TBodyFrame* frame, const TVector3& at) {
  placements_.push_back(std::make_unique<TPlacement>(frame, at.x, at.y, at.r));
}

void TMultiPointConstraint::Invalidate() {
  for (auto& placement : placements_)
    placement->Invalidate();
}

// ---- Distances -------------------------------------------------------------------------------

double TDistanceConstraint::WriteResiduals(LinearSystem* system) {
  const int32_t n = PlacementCount();
  if (n < 2) return 0.0;
  double d = 0.0;
  if (n == 2) {
    const TVector v = placements_[1]->GetWorldPosition() - placements_[0]->GetWorldPosition();
    currentSquared_ = v.x * v.x + v.y * v.y;
    d = SafeSqrt(currentSquared_);
  } else {
    for (int32_t i = 1; i < n; ++i) {
      const TVector v = placements_[static_cast<size_t>(i)]->GetWorldPosition() -
                        placements_[static_cast<size_t>(i - 1)]->GetWorldPosition();
      d += SafeSqrt(v.x * v.x + v.y * v.y);
    }
    currentSquared_ = d * d;
  }
  if (!IsActive() || system == nullptr) return 0.0;
  WriteRightSide(system, d - length_);
  return std::fabs(d - length_);
}

void TDistanceConstraint::WriteJacobian(LinearSystem& system) {
  if (PlacementCount() < 2 || !IsActive()) return;
  SparseRow* row = nullptr;
  system.NextRowCoefficients(row);
  if (row == nullptr) return;
  for (size_t i = 1; i < placements_.size(); ++i) {
    TPlacement& a = *placements_[i - 1];
    TPlacement& b = *placements_[i];
    const TVector pa = a.GetWorldPosition();
    const TVector pb = b.GetWorldPosition();
    const TVector ab = pb - pa;
    const double length = SafeSqrt(ab.x * ab.x + ab.y * ab.y);
    if (!(length > 0.0)) continue;  // coincident grips: no direction to pull along
    const TVector u{ab.x / length, ab.y / length};
    // The line frame from a towards b, inverted: y of a point is its offset from the line.
    const Frame2D line = Frame2D(pa.x, pa.y, 0.0, u.x, u.y).Inverse();
    auto offset = [&line](const TVector& q) { return line.sine * q.x + line.cosine * q.y + line.y; };
    if (a.GetBaseIndex() >= 0)
      AddToColumns(row, a.GetBaseIndex(), {-u.x, -u.y, -offset(a.Base()->GetPosition())});
    if (b.GetBaseIndex() >= 0)
      AddToColumns(row, b.GetBaseIndex(), {u.x, u.y, offset(b.Base()->GetPosition())});
  }
}

bool TDistanceConstraint::IsImmovable() {
  bool immovable = placements_.size() < 2;
  if (!immovable) {
    immovable = std::all_of(placements_.begin() + 1, placements_.end(),
                            [this](auto& p) { return placements_[0]->SameBaseAs(*p); });
  }
  if (immovable) placements_.clear();
  return immovable;
}
