// The reference conditions: grip points tied to a placement on another body (straight and keyed
// slots, curved slots, coincident joints, held relative angles).

#include <algorithm>
#include <cmath>

#include "bodies/assembly/AssemblyConstraints.h"
#include "core/Numerics.h"
#include "solver/geometry/SplineEntry.h"

namespace {

void WriteRightSide(LinearSystem* system, double r) {
  if (system == nullptr) return;
  double* rhs = nullptr;
  system->NextRowRightSide(rhs);
  if (rhs != nullptr) *rhs = r;
}

SparseRow* TakeRow(LinearSystem& system) {
  SparseRow* row = nullptr;
  system.NextRowCoefficients(row);
  return row;
}

// Writes -weight into the point body's angle column and +weight into the reference's.
void WriteAngleRow(SparseRow* row, int32_t pointIndex, int32_t refIndex, double weight) {
  AddToColumns(row, pointIndex, {0.0, 0.0, -weight});
  AddToColumns(row, refIndex, {0.0, 0.0, weight});
}

TVector Normalized(const TVector& v) {
  const double length = std::hypot(v.x, v.y);
  if (length == 0.0 || !std::isfinite(length)) return {1.0, 0.0};
  return {v.x / length, v.y / length};
}

}  // namespace

// ---- The reference base ----------------------------------------------------------------------

void TReferenceConstraint::Invalidate() {
  TMultiPointConstraint::Invalidate();
  reference_.Invalidate();
}

double TReferenceConstraint::WriteResiduals(LinearSystem* system) {
  PrepareReference();
  double largest = 0.0;
  for (auto& point : placements_) {
    const double r = PointResidual(system, *point, point->GetBaseIndex());
    if (r > largest) largest = r;
  }
  return largest;
}

void TReferenceConstraint::WriteJacobian(LinearSystem& system) {
  for (auto& point : placements_)
    WritePointJacobian(system, *point, point->GetBaseIndex());
}

bool TReferenceConstraint::IsImmovable() {
  std::erase_if(placements_, [this](auto& point) { return point->SameBaseAs(reference_); });
  return placements_.empty();
}

// ---- Point on a line -------------------------------------------------------------------------

void TPointOnLine::PrepareReference() {
  refIndex_ = reference_.GetBaseIndex();
  reference_.GetWorldAxis(axisCos_, axisSin_);
  if (refIndex_ >= 0) refOriginX_ = reference_.WorldToLocalX(reference_.Base()->GetPosition());
}

double TPointOnLine::PointResidual(LinearSystem* system, TPlacement& point, int32_t) {
  const double r = reference_.WorldToLocal(point.GetWorldPosition()).y;
  WriteRightSide(system, r);
  return std::fabs(r);
}

void TPointOnLine::WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) {
  SparseRow* row = TakeRow(system);
  const double xl = reference_.WorldToLocalX(point.GetWorldPosition());
  if (index >= 0) {
    AddToColumns(row, index,
                 {-axisSin_, axisCos_, xl - reference_.WorldToLocalX(point.Base()->GetPosition())});
  }
  if (refIndex_ >= 0) AddToColumns(row, refIndex_, {axisSin_, -axisCos_, refOriginX_ - xl});
}

double TPointOnLineKeyed::PointResidual(LinearSystem* system, TPlacement& point, int32_t index) {
  const double r1 =
      AngleRemainder(reference_.GetWorldAngle() - point.GetWorldAngle()) * weight_;
  WriteRightSide(system, r1);
  const double r2 = TPointOnLine::PointResidual(system, point, index);
  return std::max(std::fabs(r1), r2);
}

void TPointOnLineKeyed::WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) {
  WriteAngleRow(TakeRow(system), index, refIndex_, weight_);
  TPointOnLine::WritePointJacobian(system, point, index);
}

// ---- Point on a spline -----------------------------------------------------------------------

TPointOnSpline::~TPointOnSpline() {
  if (spline_ != nullptr) EngineDeleteSpline(spline_);
  spline_ = nullptr;
}

bool TPointOnSpline::Search(const TVector& q, TVector& offset, TVector& tangent) {
  const double point[2] = {q.x, q.y};
  double nearest[2] = {0.0, 0.0};
  double direction[2] = {1.0, 0.0};
  const int32_t result = EngineSplineNearestPoint(spline_, point, tolerance_, &u_, &hint_, nearest,
                                                  direction, nullptr);
  if (result < 0) {
    offset = {0.0, 0.0};
    tangent = {1.0, 0.0};
    return false;
  }
  offset = {q.x - nearest[0], q.y - nearest[1]};
  tangent = Normalized({direction[0], direction[1]});
  return true;
}

double TPointOnSpline::PointResidual(LinearSystem* system, TPlacement& point, int32_t) {
  TVector d{0.0, 0.0};
  TVector t{1.0, 0.0};
  // A failed search leaves the condition without a residual (negative zero) for this pass.
  const double r = Search(reference_.WorldToLocal(point.GetWorldPosition()), d, t)
                       ? d.y * t.x - d.x * t.y
                       : gNegativeZero;
  WriteRightSide(system, r);
  return std::fabs(r);
}

void TPointOnSpline::WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) {
  SparseRow* row = TakeRow(system);
  const TVector p = point.GetWorldPosition();
  TVector d{0.0, 0.0};
  TVector t{1.0, 0.0};
  Search(reference_.WorldToLocal(p), d, t);
  const TVector tw = reference_.GetWorldFrame().RotateVector(t);
  const TVector n{-tw.y, tw.x};
  if (index >= 0) {
    const TVector arm = p - point.Base()->GetPosition();
    AddToColumns(row, index, {n.x, n.y, tw.x * arm.x + tw.y * arm.y});
  }
  if (refIndex_ >= 0) {
    // The reference turns about its body's origin: the derivative needs the arm from there.
    const TVector arm = reference_.Base()->GetPosition() - p;
    AddToColumns(row, refIndex_, {-n.x, -n.y, tw.x * arm.x + tw.y * arm.y});
  }
}

// ---- Same angle ------------------------------------------------------------------------------

double TSameAngle::PointResidual(LinearSystem* system, TPlacement& point, int32_t) {
  const double r = reference_.GetWorldAngle() - point.GetWorldAngle();
  WriteRightSide(system, r);
  return std::fabs(r);
}

void TSameAngle::WritePointJacobian(LinearSystem& system, TPlacement&, int32_t index) {
  WriteAngleRow(TakeRow(system), index, refIndex_, 1.0);
}

// ---- Coincident points -----------------------------------------------------------------------

void TCoincidentPoints::PrepareReference() {
  refIndex_ = reference_.GetBaseIndex();
  if (refIndex_ < 0) return;
  refRowX_ = reference_.JacobianX();
  refRowY_ = reference_.JacobianY();
}

double TCoincidentPoints::PointResidual(LinearSystem* system, TPlacement& point, int32_t index) {
  const TVector d = reference_.GetWorldPosition() - point.GetWorldPosition();
  if (index >= 0 || refIndex_ >= 0) {
    WriteRightSide(system, d.x);
    WriteRightSide(system, d.y);
  }
  return std::max(std::fabs(d.x), std::fabs(d.y));
}

void TCoincidentPoints::WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) {
  if (index < 0 && refIndex_ < 0) return;
  SparseRow* rowX = TakeRow(system);
  AddToColumns(rowX, refIndex_, refRowX_);
  if (index >= 0) {
    const TVector3 jx = point.JacobianX();
    AddToColumns(rowX, index, {-jx.x, -jx.y, -jx.r});
  }
  SparseRow* rowY = TakeRow(system);
  AddToColumns(rowY, refIndex_, refRowY_);
  if (index >= 0) {
    const TVector3 jy = point.JacobianY();
    AddToColumns(rowY, index, {-jy.x, -jy.y, -jy.r});
  }
}

bool TCoincidentPoints::IsImmovable() {
  // Only the last point on each body counts.
  for (size_t i = 0; i < placements_.size();) {
    const bool later = std::any_of(placements_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   placements_.end(),
                                   [&](auto& other) { return placements_[i]->SameBaseAs(*other); });
    if (later)
      placements_.erase(placements_.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
  return TReferenceConstraint::IsImmovable();
}

double TCoincidentPointsKeyed::PointResidual(LinearSystem* system, TPlacement& point,
                                             int32_t index) {
  const double a = AngleRemainder(reference_.GetWorldAngle() - point.GetWorldAngle()) * weight_;
  WriteRightSide(system, a);
  return std::max(std::fabs(a), TCoincidentPoints::PointResidual(system, point, index));
}

void TCoincidentPointsKeyed::WritePointJacobian(LinearSystem& system, TPlacement& point,
                                                int32_t index) {
  WriteAngleRow(TakeRow(system), index, refIndex_, weight_);
  TCoincidentPoints::WritePointJacobian(system, point, index);
}
