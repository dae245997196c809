#pragma once
// The assembly solver: holds one frame per world object taking part in an assembly and one
// condition per constraint, and moves the movable bodies by Newton iteration until every residual
// is below a tolerance; a drag controller, when one is added, steers the solve towards the mouse.
// The world, the bodies and the constraints find their frame again by their own address.
//
// Contents:
//   1. Frames: making and finding them                               AssemblySolver.cpp
//   2. Conditions: the makers for locks, distances, reference
//      conditions, spline curves and drags                          AssemblySolver.cpp
//   3. Solving: preparation, evaluation, Newton steps, the stall test,
//      frame records                                                 AssemblySolve.cpp
//   4. Free functions answering 16-bit error codes                   AssemblyEntry.h/.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/assembly/AssemblyConstraints.h"
#include "bodies/assembly/DragControllers.h"
#include "core/geometry/PtrArray.h"

// Gets (context, initial error, current error, tolerance); non-zero stops the solve.
using AssemblyProgress = int32_t (*)(void* context, double initialError, double currentError,
                                     double tolerance);

class TAssemblySolver : public TPlainObject {
 public:
  // stallTestAlways 0: every failed pass runs the stall test; 1: only passes with a driver do.
  explicit TAssemblySolver(uint32_t stallTestAlways = 1);
  ~TAssemblySolver() override;
  TAssemblySolver(const TAssemblySolver&) = delete;
  TAssemblySolver& operator=(const TAssemblySolver&) = delete;

  // ---- 1. Frames ----
  TBodyFrame* MakeBodyFrame(AssemblyOwner owner, const Frame2D& frame);
  // -25104 when the owner has a body frame.
  TBodyFrame* MakeFixedFrame(AssemblyOwner owner, const Frame2D& frame, AssemblyOwner parent);
  TBodyFrame* FindFrame(AssemblyOwner owner) const;
  int32_t BodyFrameCount() const { return bodyFrames_.Count(); }
  int32_t FixedFrameCount() const { return fixedFrames_.Count(); }
  TBodyFrame* BodyFrameAt(int32_t i) const;
  TBodyFrame* FixedFrameAt(int32_t i) const;
  // Takes a body frame out of the solve and deletes it; the later frames are renumbered.
  void DeleteBodyFrame(int32_t i);

  // ---- 2. Conditions ----
  TAssemblyConstraint* AddXLock(AssemblyOwner owner, const Frame2D& frame, double value);
  TAssemblyConstraint* AddYLock(AssemblyOwner owner, const Frame2D& frame, double value);
  TAssemblyConstraint* AddAngleLock(AssemblyOwner owner, const Frame2D& frame, double value);
  TAssemblyConstraint* AddMaxDistance(AssemblyOwner owner, double length);
  TAssemblyConstraint* AddDistance(AssemblyOwner owner, double length);
  TAssemblyConstraint* AddMinDistance(AssemblyOwner owner, double length);
  TAssemblyConstraint* AddCoincident(AssemblyOwner owner, AssemblyOwner reference,
                                     const TVector& at);
  TAssemblyConstraint* AddCoincidentKeyed(AssemblyOwner owner, AssemblyOwner reference,
                                          const TVector3& at, double weight);
  TAssemblyConstraint* AddPointOnLine(AssemblyOwner owner, AssemblyOwner reference,
                                      const TVector3& at, uint16_t keyed, double weight);
  // Null, without failure, when the solver library refuses the points.
  TAssemblyConstraint* AddSplineCurve(AssemblyOwner owner, AssemblyOwner reference,
                                      const TVector3& at, const double* points, int32_t count,
                                      int16_t splineType, double tolerance);
  TDragController* AddPointDrag(AssemblyOwner owner, const Frame2D& frame, const TVector& grip,
                                double size);
  TDragController* AddRotateDrag(AssemblyOwner owner, const Frame2D& frame, const TVector& mouse,
                                 const TVector& pivot);
  TDragController* AddSlideDrag(AssemblyOwner owner, const Frame2D& frame, const TVector& start,
                                const TVector& direction);
  void AddPlacement(TAssemblyConstraint* constraint, AssemblyOwner owner, const TVector3& at);
  // Takes a condition made elsewhere (one that no maker makes, such as TSameAngle).
  TAssemblyConstraint* Adopt(std::unique_ptr<TAssemblyConstraint> constraint);
  void GetDragValues(double& a, double& b, double& c) const;
  static void SetActive(TDragController* controller, uint32_t active);
  void NewMousePoint(TDragController* controller, const TVector& point);
  int32_t ConstraintCount() const { return constraints_.Count(); }

  // ---- 3. Solving ----
  // Answers the converged error when a pass converged, else the last error. The records (body
  // frames first) stay valid until the next preparation; pushed becomes 1 when they were
  // brought up to date by this solve.
  double Solve(AssemblyProgress progress, void* context, double tolerance,
               TFrameRecord*& records, int32_t& recordCount, uint32_t& pushed);
  void Invalidate() { prepared_ = false; }
  int32_t IterationLimit() const { return iterationLimit_; }
  int32_t HistorySize() const { return static_cast<int32_t>(history_.size()); }
  int32_t EquationCount() const { return system_.RowCount(); }
  double InitialError() const { return initialError_; }

 private:
  class TBodyFrameArray : public TPtrArray {
   public:
    void InsertAt(int32_t i, TPlainObject* element) override;
    void RemoveAt(int32_t i) override;

   private:
    void Renumber(int32_t from);
  };

  TAssemblyConstraint* Append(std::unique_ptr<TAssemblyConstraint> constraint);
  TDragController* AppendDriver(std::unique_ptr<TDragController> driver);
  TAssemblyConstraint* AppendLock(std::unique_ptr<TCoordinateLock> lock);
  TAssemblyConstraint* ConstraintAt(int32_t i) const;
  void Prepare();
  double Evaluate();
  void Step();
  bool AcceptsStep(double error);
  void RecordError(double error);
  void ResetHistory();
  void PushFrames();
  void PullFrames();
  void InvalidateAll();

  TBodyFrameArray bodyFrames_;
  TPtrArray fixedFrames_;
  TPtrArray constraints_;
  bool prepared_ = false;
  LinearSystem system_;
  TDragController* driver_ = nullptr;
  std::vector<double> history_;
  double bestError_ = 0.0;
  int32_t historyIndex_ = -1;
  int32_t historyCount_ = 0;
  int32_t iterations_ = 0;
  int32_t iterationLimit_ = 0;
  std::vector<TFrameRecord> records_;
  bool recordsPushed_ = false;
  double convergedError_ = 0.0;
  bool converged_ = false;
  double initialError_ = 1.0;
  uint32_t stallTestAlways_;
  double tolerance_ = 0.0;
};
