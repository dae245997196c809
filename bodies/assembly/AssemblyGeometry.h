#pragma once
// Plain geometry of the assembly solver: the frames that stand for the world objects taking part
// in an assembly, the placements at which constraints grip them, and the dense linear system
// that one Newton pass fills and solves. None of these is filed or drawn; they live only while an
// assembly solver holds them.
//
// Contents:
//   1. Frames: TBodyFrame (a movable body: three solve variables), TAttachedFrame (moves with a
//      parent frame), TFixedBodyFrame and TWorldFrame (never move)      AssemblyFrames.cpp
//   2. TFrameRecord: where a frame stands, handed to the caller of a solve  AssemblyFrames.cpp
//   3. TPlacement: a grip frame on a body frame, with its Jacobian rows      AssemblyFrames.cpp
//   4. LinearSystem: rows, right-hand sides, solution                       LinearSystem.cpp
//
// Every row of the system has three columns per movable body (x, y, angle), starting at three
// times the body frame's index; residuals are current minus wanted, and bodies move by the
// negated solution.

#include <cstdint>
#include <vector>

#include "core/geometry/Frame2D.h"
#include "core/geometry/PlainObject.h"
#include "core/geometry/Vector.h"

class TFrameRecord;

// The key by which the world, bodies and constraints find their frame again: their own address.
using AssemblyOwner = const void*;

// ---- 1. Frames -------------------------------------------------------------------------------

class TBodyFrame : public TPlainObject {
 public:
  TBodyFrame(AssemblyOwner owner, const Frame2D& frame);

  // Where the owner is, in world coordinates (brought up to date first for attached frames).
  virtual Frame2D GetWorldFrame();
  // The block of three columns in the system; negative for frames without variables.
  virtual int32_t GetIndex() const { return index_; }
  // The frame whose variables this one moves with; null for a frame fixed in the world.
  virtual TBodyFrame* GetBodyFrame() { return this; }
  // True when the frame carries no solve variables of its own.
  virtual bool IsFixed() const { return false; }
  virtual void Invalidate() { inverseValid_ = false; }
  // The frame relative to its body frame.
  virtual Frame2D GetRelativeFrame() { return Frame2D(); }
  virtual void PullFromRecord();
  // After the parent moved.
  virtual void Refresh() {}

  bool HasOwner(AssemblyOwner owner) const { return owner_ == owner; }
  AssemblyOwner Owner() const { return owner_; }
  void SetIndex(int32_t index) { index_ = index; }
  TVector GetPosition();
  Frame2D GetInverseWorldFrame();
  void SetFrame(const Frame2D& frame);
  // Rebuilt from (x + dx, y + dy, angle + dangle) with cosine and sine computed anew.
  void MoveBy(const TVector3& delta);
  // Position only; cosine and sine stay.
  void TranslateBy(const TVector& delta);
  void LinkRecord(TFrameRecord* record);
  void PushToRecord();
  // Both frames move with the same body frame (two world frames, or a world frame and null,
  // count as the same).
  bool SameBodyAs(TBodyFrame* other);

 protected:
  AssemblyOwner owner_;
  Frame2D frame_;
  Frame2D inverse_;
  bool inverseValid_ = false;
  int32_t index_ = -1;
  TFrameRecord* record_ = nullptr;
};

class TAttachedFrame : public TBodyFrame {
 public:
  // relative is chosen so that the parent's world frame composed with it gives worldFrame.
  TAttachedFrame(AssemblyOwner owner, const Frame2D& worldFrame, TBodyFrame* parent);

  Frame2D GetWorldFrame() override;
  int32_t GetIndex() const override { return parent_->GetIndex(); }
  TBodyFrame* GetBodyFrame() override { return parent_; }
  bool IsFixed() const override { return true; }
  void Invalidate() override;
  Frame2D GetRelativeFrame() override { return relative_; }
  void PullFromRecord() override;
  void Refresh() override;

 private:
  Frame2D relative_;
  TBodyFrame* parent_;
  bool worldValid_ = true;
};

class TFixedBodyFrame : public TBodyFrame {
 public:
  using TBodyFrame::TBodyFrame;
  bool IsFixed() const override { return true; }
  void PullFromRecord() override {}
};

class TWorldFrame : public TBodyFrame {
 public:
  using TBodyFrame::TBodyFrame;
  TBodyFrame* GetBodyFrame() override { return nullptr; }
  bool IsFixed() const override { return true; }
  Frame2D GetRelativeFrame() override { return GetWorldFrame(); }
  void PullFromRecord() override {}
};

// ---- 2. Frame records ------------------------------------------------------------------------

class TFrameRecord {
 public:
  TBodyFrame* frame = nullptr;
  AssemblyOwner owner = nullptr;
  Frame2D world;
};

// ---- 3. Placements ---------------------------------------------------------------------------

class TPlacement : public TPlainObject {
 public:
  // (x, y, angle) in the frame of base; a placement given on an attached frame is re-expressed on
  // the body frame it moves with. A null base places it in the world.
  TPlacement(TBodyFrame* base, double x, double y, double angle);

  Frame2D GetWorldFrame();
  Frame2D GetInverseWorldFrame();
  TVector GetWorldPosition() { return {GetWorldFrame().x, GetWorldFrame().y}; }
  double GetWorldAngle();
  void GetWorldAxis(double& cosine, double& sine);
  int32_t GetBaseIndex() const { return base_ != nullptr ? base_->GetIndex() : -1; }
  TBodyFrame* Base() const { return base_; }
  const Frame2D& Local() const { return local_; }
  TVector WorldToLocal(const TVector& world);
  TVector LocalToWorld(const TVector& local);
  double WorldToLocalX(const TVector& world);
  double GetDistanceFromBase();
  void RotateLocal(TVector& v) const;
  TVector RotatedByLocal(TVector v) const {
    RotateLocal(v);
    return v;
  }
  // Derivatives of the world position of the origin (x, then y) and of the world angle by the
  // base's (x, y, angle). They need a base.
  TVector3 JacobianX();
  TVector3 JacobianY();
  TVector3 JacobianAngle() const { return {0.0, 0.0, 1.0}; }
  void Invalidate() { worldValid_ = inverseValid_ = false; }
  bool SameBaseAs(TPlacement& other);

 private:
  TBodyFrame* base_;
  Frame2D local_;
  Frame2D world_;
  bool worldValid_ = false;
  Frame2D inverse_;
  bool inverseValid_ = false;
  bool distanceValid_ = false;
  double distance_ = 0.0;
};

// ---- 4. Linear system ------------------------------------------------------------------------

// The most unknowns (three per moving body: every body a world can number) and equations a
// system may have; beyond them the linkage is refused as too large, whatever memory there is.
inline constexpr int64_t kMostAssemblyUnknowns = 3 * 32768;
inline constexpr int64_t kMostAssemblyEquations = 1 << 20;
// Systems whose dense rows take fewer bytes than this ((columns x 8 + 4) x rows) are solved dense
// by a complete orthogonal decomposition; larger ones sparse (GeometryEntry.h).
inline constexpr int64_t kDenseSystemBytes = 65500;

// One row of a system: its coefficients by column. A row touches the three columns of a few
// bodies, so it keeps them as a short list.
class SparseRow {
 public:
  // The coefficient of the column, 0 until set. The reference stays valid until the next call.
  double& operator[](int64_t column);
  void Clear() { entries_.clear(); }
  struct Entry {
    int32_t column;
    double value;
  };
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

class LinearSystem : public TPlainObject {
 public:
  LinearSystem() = default;
  // Raises -25104 (cannot assemble) with a detail naming the counts when the system is too
  // large.
  LinearSystem(int32_t colCount, int32_t rowCount) { Allocate(colCount, rowCount); }

  void Allocate(int32_t colCount, int32_t rowCount);
  int32_t RowCount() const { return rowCount_; }
  int32_t ColCount() const { return colCount_; }

  void Clear();
  void Rewind() { cursor_ = 0; }
  // The row (clamped to 0 .. rows - 1) and its right-hand side; both null when there are no rows.
  void GetRow(int32_t row, SparseRow*& coefficients, double*& rhs);
  // Hands out the row at the cursor and advances; past the end the last row again. A system
  // without rows hands out none: both pointers null and -1.
  int32_t NextRow(SparseRow*& coefficients, double*& rhs);
  int32_t NextRowCoefficients(SparseRow*& coefficients);
  int32_t NextRowRightSide(double*& rhs);
  // Solves rows . solution = rhs, the least-squares answer of smallest norm, through the solver
  // library; the solution starts at zero and stays zero when the library refuses the system.
  const double* Solve();
  const double* Solution() const { return solution_.data(); }

 private:
  void SolveDense();
  void SolveSparse();

  std::vector<SparseRow> rows_;
  std::vector<double> rhs_;
  std::vector<double> solution_;
  int32_t rowCount_ = 0;
  int32_t colCount_ = 0;
  int32_t cursor_ = 0;
};

// Adds a Jacobian row into the three columns of a body; nothing for a negative index.
void AddToColumns(SparseRow* row, int32_t index, const TVector3& values);
