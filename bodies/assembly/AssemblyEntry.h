#pragma once
// The assembly solver as the world, the bodies and the constraints call it: every operation runs
// inside a failure frame and answers a 16-bit error code, 0 on success, else the number of the
// failure raised inside; results come back through out parameters. A failure leaves what was
// added before it in the solver.

#include <cstdint>

#include "bodies/assembly/AssemblySolver.h"

int16_t AssemblyCreate(uint32_t stallTestAlways, TAssemblySolver*& solver);
int16_t AssemblyFree(TAssemblySolver* solver);
int16_t AssemblyXLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                      double value);
int16_t AssemblyYLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                      double value);
int16_t AssemblyAngleLock(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          double value);
// kind: 0 at most (a rope), 1 exactly, 2 at least.
int16_t AssemblyDistance(TAssemblySolver* solver, AssemblyOwner owner, int16_t kind,
                         double length, TAssemblyConstraint*& made);
int16_t AssemblyCoincident(TAssemblySolver* solver, AssemblyOwner owner, AssemblyOwner reference,
                           const TVector& at, TAssemblyConstraint*& made);
int16_t AssemblyCoincidentKeyed(TAssemblySolver* solver, AssemblyOwner owner,
                                AssemblyOwner reference, const TVector3& at, double weight,
                                TAssemblyConstraint*& made);
int16_t AssemblyPointOnLine(TAssemblySolver* solver, AssemblyOwner owner, AssemblyOwner reference,
                            const TVector3& at, uint16_t keyed, double weight,
                            TAssemblyConstraint*& made);
int16_t AssemblyPointOnSpline(TAssemblySolver* solver, AssemblyOwner owner,
                              AssemblyOwner reference, const TVector3& at, const double* points,
                              int32_t count, int16_t splineType, double tolerance,
                              TAssemblyConstraint*& made);
int16_t AssemblyPointDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          const TVector& grip, double size, TDragController*& made);
int16_t AssemblyRotateDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                           const TVector& mouse, const TVector& pivot, TDragController*& made);
int16_t AssemblySlideDrag(TAssemblySolver* solver, AssemblyOwner owner, const Frame2D& frame,
                          const TVector& start, const TVector& direction,
                          TDragController*& made);
int16_t AssemblyAddPlacement(TAssemblySolver* solver, TAssemblyConstraint* constraint,
                             AssemblyOwner owner, const TVector3& at);
int16_t AssemblyNewMousePoint(TAssemblySolver* solver, TDragController* controller,
                              const TVector& point);
int16_t AssemblySetActive(TDragController* controller, uint32_t active);
int16_t AssemblyDragValues(TAssemblySolver* solver, double& a, double& b, double& c);
// finalError is tolerance + 1.0 when the solve failed.
int16_t AssemblySolve(TAssemblySolver* solver, AssemblyProgress progress, void* context,
                      double tolerance, TFrameRecord*& records, int32_t& recordCount,
                      uint32_t& pushed, double& finalError);
