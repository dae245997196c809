// The free functions of the assembly solver: each runs its operation inside a failure frame.

#include "bodies/assembly/AssemblyEntry.h"

#include <new>

#include "core/Failure.h"

namespace {

template <typename Operation>
int16_t Guarded(Operation&& operation) {
  try {
    operation();
    return kErrNone;
  } catch (const QVException& failure) {
    return failure.error();
  } catch (const std::bad_alloc&) {
    return kErrOutOfMemory;
  }
}

TAssemblySolver& Checked(TAssemblySolver* solver) {
  FailIfNull(solver);
  return *solver;
}

}  // namespace

int16_t AssemblyCreate(uint32_t stallTestAlways, TAssemblySolver*& solver) {
  solver = nullptr;
  return Guarded([&] {
    FailIfSpaceLow();
    solver = new TAssemblySolver(stallTestAlways);
  });
}

int16_t AssemblyFree(TAssemblySolver* solver) {
  return Guarded([&] {
    FailIfSpaceLow();
    delete solver;
  });
}

int16_t AssemblyXLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                      double value) {
  return Guarded([&] { Checked(solver).AddXLock(owner, frame, value); });
}

int16_t AssemblyYLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                      double value) {
  return Guarded([&] { Checked(solver).AddYLock(owner, frame, value); });
}

int16_t AssemblyAngleLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          double value) {
  return Guarded([&] { Checked(solver).AddAngleLock(owner, frame, value); });
}

int16_t AssemblyDistance(TAssemblySolver* solver, AssemblyOwner owner, int16_t kind,
                         double length, TAssemblyConstraint*& made) {
  made = nullptr;
  return Guarded([&] {
    TAssemblySolver& s = Checked(solver);
    made = kind == 0   ? s.AddMaxDistance(owner, length)
           : kind == 1 ? s.AddDistance(owner, length)
                       : s.AddMinDistance(owner, length);
  });
}

int16_t AssemblyCoincident(TAssemblySolver* solver, AssemblyOwner owner, AssemblyOwner reference,
                           const TVector& at, TAssemblyConstraint*& made) {
  made = nullptr;
  return Guarded([&] { made = Checked(solver).AddCoincident(owner, reference, at); });
}

int16_t AssemblyCoincidentKeyed(TAssemblySolver* solver, AssemblyOwner owner,
                                AssemblyOwner reference, const TVector3& at, double weight,
                                TAssemblyConstraint*& made) {
  made = nullptr;
  return Guarded(
      [&] { made = Checked(solver).AddCoincidentKeyed(owner, reference, at, weight); });
}

int16_t AssemblyPointOnLine(TAssemblySolver* solver, AssemblyOwner owner, AssemblyOwner reference,
                            const TVector3& at, uint16_t keyed, double weight,
                            TAssemblyConstraint*& made) {
  made = nullptr;
  return Guarded(
      [&] { made = Checked(solver).AddPointOnLine(owner, reference, at, keyed, weight); });
}

int16_t AssemblyPointOnSpline(TAssemblySolver* solver, AssemblyOwner owner,
                              AssemblyOwner reference, const TVector3& at, const double* points,
                              int32_t count, int16_t splineType, double tolerance,
                              TAssemblyConstraint*& made) {
  made = nullptr;
  return Guarded([&] {
    made = Checked(solver).AddSplineCurve(owner, reference, at, points, count, splineType,
                                          tolerance);
  });
}

int16_t AssemblyPointDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          const TVector& grip, double size, TDragController*& made) {
  made = nullptr;
  return Guarded([&] { made = Checked(solver).AddPointDrag(owner, frame, grip, size); });
}

int16_t AssemblyRotateDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                           const TVector& mouse, const TVector& pivot, TDragController*& made) {
  made = nullptr;
  return Guarded([&] { made = Checked(solver).AddRotateDrag(owner, frame, mouse, pivot); });
}

int16_t AssemblySlideDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          const TVector& start, const TVector& direction,
                          TDragController*& made) {
  made = nullptr;
  return Guarded([&] { made = Checked(solver).AddSlideDrag(owner, frame, start, direction); });
}

int16_t AssemblyAddPlacement(TAssemblySolver* solver, TAssemblyConstraint* constraint,
                             AssemblyOwner owner, const TVector3& at) {
  return Guarded([&] { Checked(solver).AddPlacement(constraint, owner, at); });
}

int16_t AssemblyNewMousePoint(TAssemblySolver* solver, TDragController* controller,
                              const TVector& point) {
  return Guarded([&] { Checked(solver).NewMousePoint(controller, point); });
}

int16_t AssemblySetActive(TDragController* controller, uint32_t active) {
  return Guarded([&] { TAssemblySolver::SetActive(controller, active); });
}

int16_t AssemblyDragValues(TAssemblySolver* solver, double& a, double& b, double& c) {
  a = b = c = 0.0;
  return Guarded([&] {
    FailIfSpaceLow();
    Checked(solver).GetDragValues(a, b, c);
  });
}

int16_t AssemblySolve(TAssemblySolver* solver, AssemblyProgress progress, void* context,
                      double tolerance, TFrameRecord*& records, int32_t& recordCount,
                      uint32_t& pushed, double& finalError) {
  records = nullptr;
  recordCount = 0;
  pushed = 0;
  finalError = tolerance + 1.0;
  return Guarded([&] {
    FailIfSpaceLow();
    finalError = Checked(solver).Solve(progress, context, tolerance, records, recordCount, pushed);
  });
}
