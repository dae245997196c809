#pragma once
// The conditions of an assembly: each object writes its residuals (current minus wanted) and the
// matching Jacobian rows into the linear system of a Newton pass. The residual pass and the
// coefficient pass of one object take the same rows in the same order.
//
// Contents:
//   1. TAssemblyConstraint, the root                                  AssemblyConstraints.cpp
//   2. Coordinate locks: TXLock, TYLock, TAngleLock                   AssemblyConstraints.cpp
//   3. Distances: TDistanceConstraint, TMaxDistanceConstraint (rope),
//      TMinDistanceConstraint                                         AssemblyConstraints.cpp
//   4. Reference conditions: TPointOnLine(Keyed), TPointOnSpline, TSameAngle,
//      TCoincidentPoints(Keyed)                                       AssemblyReferences.cpp
// The drag controllers derived from the same root are in DragControllers.h.

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/assembly/AssemblyGeometry.h"

// Raised when an assembly condition cannot be met: a drag of a fixed body, a violated condition
// among bodies that cannot move, a frame made twice for one owner.
inline constexpr int16_t kErrCannotAssemble = -25104;
// The message of a violated condition that nothing can move to satisfy.
inline constexpr int32_t kMsgCannotAssemble = 2137063509;

// ---- 1. The root -----------------------------------------------------------------------------

class TAssemblyConstraint : public TPlainObject {
 public:
  explicit TAssemblyConstraint(AssemblyOwner owner) : owner_(owner) {}

  virtual void WriteJacobian(LinearSystem&) {}
  virtual int32_t EquationCount() { return 0; }
  virtual void AddPlacement(TBodyFrame*, const TVector3&) {}
  virtual void Invalidate() {}
  // Writes one right-hand side per row (nothing with a null system) and answers the largest
  // absolute residual.
  virtual double WriteResiduals(LinearSystem*) { return 0.0; }
  // Asked once when an assembly is prepared; true removes the object. An ownerless condition
  // violated beyond the tolerance among immovable bodies raises -25104.
  virtual bool ShouldDrop(double tolerance);
  virtual bool IsImmovable() { return false; }
  // May set frames directly when prepared; answers whether it changed anything.
  virtual bool Snap() { return false; }

  AssemblyOwner Owner() const { return owner_; }

 private:
  AssemblyOwner owner_;
};

// ---- 2. Coordinate locks ---------------------------------------------------------------------

class TCoordinateLock : public TAssemblyConstraint {
 public:
  TCoordinateLock(TBodyFrame* frame, double value)
      : TAssemblyConstraint(nullptr), frame_(frame), value_(value) {}

  void WriteJacobian(LinearSystem& system) override;
  int32_t EquationCount() override { return 1; }
  double WriteResiduals(LinearSystem* system) override;
  bool IsImmovable() override { return frame_ == nullptr || frame_->IsFixed(); }

  virtual void WriteCoefficient(SparseRow& row, int64_t first) = 0;
  virtual double Residual() = 0;

 protected:
  int32_t Index() const { return frame_ != nullptr ? frame_->GetIndex() : -1; }

  TBodyFrame* frame_;
  double value_;
};

class TXLock : public TCoordinateLock {
 public:
  using TCoordinateLock::TCoordinateLock;
  bool Snap() override;
  void WriteCoefficient(SparseRow& row, int64_t first) override { row[first] = 1.0; }
  double Residual() override { return frame_->GetWorldFrame().x - value_; }
};

class TYLock : public TCoordinateLock {
 public:
  using TCoordinateLock::TCoordinateLock;
  bool Snap() override;
  void WriteCoefficient(SparseRow& row, int64_t first) override { row[first + 1] = 1.0; }
  double Residual() override { return frame_->GetWorldFrame().y - value_; }
};

class TAngleLock : public TCoordinateLock {
 public:
  using TCoordinateLock::TCoordinateLock;
  bool Snap() override;
  void WriteCoefficient(SparseRow& row, int64_t first) override { row[first + 2] = 1.0; }
  double Residual() override { return frame_->GetWorldFrame().angle - value_; }
};

// ---- Grip points shared by the multi-point conditions ----------------------------------------

class TMultiPointConstraint : public TAssemblyConstraint {
 public:
  using TAssemblyConstraint::TAssemblyConstraint;

  void AddPlacement(TBodyFrame* frame, const TVector3& at) override;
  void Invalidate() override;
  int32_t PlacementCount() const { return static_cast<int32_t>(placements_.size()); }
  TPlacement& PlacementAt(int32_t i) { return *placements_[static_cast<size_t>(i)]; }

 protected:
  std::vector<std::unique_ptr<TPlacement>> placements_;
};

// ---- 3. Distances ----------------------------------------------------------------------------

// The length between grip points (summed along a chain of more than two) equals length.
class TDistanceConstraint : public TMultiPointConstraint {
 public:
  TDistanceConstraint(AssemblyOwner owner, double length)
      : TMultiPointConstraint(owner), length_(length), lengthSquared_(length * length) {}

  void WriteJacobian(LinearSystem& system) override;
  int32_t EquationCount() override { return 1; }
  double WriteResiduals(LinearSystem* system) override;
  bool IsImmovable() override;

  // Whether the condition holds a row this pass, judged on the last residual pass.
  virtual bool IsActive() { return true; }

 protected:
  double length_;
  double lengthSquared_;
  double currentSquared_ = 0.0;
};

// At most length: a rope, slack while shorter.
class TMaxDistanceConstraint : public TDistanceConstraint {
 public:
  using TDistanceConstraint::TDistanceConstraint;
  bool IsActive() override { return currentSquared_ > lengthSquared_; }
};

// At least length.
class TMinDistanceConstraint : public TDistanceConstraint {
 public:
  using TDistanceConstraint::TDistanceConstraint;
  bool IsActive() override { return currentSquared_ < lengthSquared_; }
};

// ---- 4. Reference conditions -----------------------------------------------------------------

// Grip points tied to a reference placement on another body.
class TReferenceConstraint : public TMultiPointConstraint {
 public:
  TReferenceConstraint(AssemblyOwner owner, TBodyFrame* referenceFrame, const TVector3& at)
      : TMultiPointConstraint(owner), reference_(referenceFrame, at.x, at.y, at.r) {}

  void WriteJacobian(LinearSystem& system) override;
  int32_t EquationCount() override { return PlacementCount(); }
  void Invalidate() override;
  double WriteResiduals(LinearSystem* system) override;
  bool IsImmovable() override;

  virtual void WritePointJacobian(LinearSystem&, TPlacement&, int32_t) {}
  virtual void PrepareReference() { refIndex_ = reference_.GetBaseIndex(); }
  virtual double PointResidual(LinearSystem*, TPlacement&, int32_t) { return 0.0; }

  TPlacement& Reference() { return reference_; }

 protected:
  TPlacement reference_;
  int32_t refIndex_ = -1;
};

// A pin in a straight slot: each point stays on the reference's x axis.
class TPointOnLine : public TReferenceConstraint {
 public:
  using TReferenceConstraint::TReferenceConstraint;
  void PrepareReference() override;
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;

 protected:
  double axisCos_ = 1.0;
  double axisSin_ = 0.0;
  double refOriginX_ = 0.0;
};

// A keyed slot: on the axis and without relative rotation.
class TPointOnLineKeyed : public TPointOnLine {
 public:
  TPointOnLineKeyed(AssemblyOwner owner, TBodyFrame* referenceFrame, const TVector3& at,
                    double weight)
      : TPointOnLine(owner, referenceFrame, at), weight_(weight) {}
  int32_t EquationCount() override { return PlacementCount() + 1; }
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;

 private:
  double weight_;
};

// A pin in a curved slot; the spline is given in the reference placement's coordinates and is
// owned from construction on.
class TPointOnSpline : public TReferenceConstraint {
 public:
  TPointOnSpline(AssemblyOwner owner, TBodyFrame* referenceFrame, const TVector3& at, void* spline,
                 double tolerance)
      : TReferenceConstraint(owner, referenceFrame, at), spline_(spline), tolerance_(tolerance) {}
  ~TPointOnSpline() override;
  TPointOnSpline(const TPointOnSpline&) = delete;
  TPointOnSpline& operator=(const TPointOnSpline&) = delete;

  bool Snap() override {
    hint_ = 0;
    return false;
  }
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;

 private:
  // The nearest point's offset from q and the unit tangent there; false when the search failed.
  bool Search(const TVector& q, TVector& offset, TVector& tangent);

  void* spline_;
  double u_ = 0.0;
  int16_t hint_ = 0;
  double tolerance_;
};

// The relative rotation of each point's body and the reference's is held (not reduced by turns).
class TSameAngle : public TReferenceConstraint {
 public:
  using TReferenceConstraint::TReferenceConstraint;
  int32_t EquationCount() override { return 1; }
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;
};

// Each point coincides with the reference origin; one point per body counts (the last).
class TCoincidentPoints : public TReferenceConstraint {
 public:
  using TReferenceConstraint::TReferenceConstraint;
  int32_t EquationCount() override { return 2 * PlacementCount(); }
  void PrepareReference() override;
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;
  bool IsImmovable() override;

 private:
  TVector3 refRowX_{0, 0, 0};
  TVector3 refRowY_{0, 0, 0};
};

// Coincident and without relative rotation.
class TCoincidentPointsKeyed : public TCoincidentPoints {
 public:
  TCoincidentPointsKeyed(AssemblyOwner owner, TBodyFrame* referenceFrame, const TVector3& at,
                         double weight)
      : TCoincidentPoints(owner, referenceFrame, at), weight_(weight) {}
  int32_t EquationCount() override { return 2 * PlacementCount() + 1; }
  double PointResidual(LinearSystem* system, TPlacement& point, int32_t index) override;
  void WritePointJacobian(LinearSystem& system, TPlacement& point, int32_t index) override;

 private:
  double weight_;
};

// The remainder of a by a whole turn, folded into [-pi, pi].
double AngleRemainder(double a);
