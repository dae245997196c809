#pragma once
// How a world is run: the integrator, the run mode (fast, accurate, custom) and the switches that
// the mode sets, the animation step and steps per frame, and the error limits.

#include <cstdint>

namespace yb::dynamics {

enum class IntegratorKind : int16_t { Euler = 0, KuttaMerson = 3 };
enum class RunMode : int16_t { Fast = 0, Standard = 1, Accurate = 2, Custom = 3 };

struct RunSettings {
  IntegratorKind integrator = IntegratorKind::KuttaMerson;
  RunMode mode = RunMode::Accurate;
  bool variableStep = true;
  bool autoAnimationStep = true;
  double animationStep = 1.0 / 30.0;  // seconds between frames
  int16_t stepsPerFrame = 1;
  bool autoIntegratorError = true;
  double integratorError = 1e-3;  // local error per step, in length units
  bool autoOverlapError = true;
  double overlapError = 1e-3;
  bool autoAssemblyError = true;
  double assemblyError = 1e-3;  // the largest constraint residual left after a step
  bool autoSignificantDigits = true;
  int16_t significantDigits = 6;
  // Warning switches: inaccurate run, overlap, redundant and inconsistent constraints.
  int16_t warnInaccurate = 0;
  int16_t warnOverlap = 1;
  int16_t warnRedundant = 0;
  int16_t warnInconsistent = 1;

  // Selecting a mode sets the switches that belong to it; a request for the standard mode
  // selects the accurate one, and the custom mode changes nothing else.
  void SetRunMode(RunMode requested);
  void SetStepsPerFrame(int value);
  void SelectEuler();
  void SelectKuttaMerson();
  // The integration step: the animation step divided among the steps of a frame while the
  // step is fixed, the animation step (an upper bound) while it varies.
  double IntegrationStep() const;
  // Sets the animation step from a wanted integration step; the animation step stops being
  // automatic.
  void SetIntegrationStep(double step);

  // The values in force: a switch set to automatic takes the mode's value.
  double EffectiveIntegratorError() const;
  double EffectiveAssemblyError() const;
  int EffectiveSignificantDigits() const;
};

}  // namespace yb::dynamics
