#include "solver/dynamics/RunSettings.h"

#include <algorithm>
#include <cmath>

namespace yb::dynamics {

void RunSettings::SetRunMode(RunMode requested) {
  mode = requested == RunMode::Standard ? RunMode::Accurate : requested;
  if (mode == RunMode::Custom) return;
  autoAnimationStep = true;
  autoIntegratorError = true;
  autoOverlapError = true;
  autoAssemblyError = true;
  autoSignificantDigits = true;
  if (mode == RunMode::Fast) {
    integrator = IntegratorKind::Euler;
    variableStep = false;
    warnInaccurate = 1;
    warnOverlap = 1;
    warnRedundant = 0;
    warnInconsistent = 0;
  } else {
    integrator = IntegratorKind::KuttaMerson;
    variableStep = true;
    warnInconsistent = 1;
    warnOverlap = 1;
    warnRedundant = 0;
    warnInaccurate = 0;
  }
}

void RunSettings::SetStepsPerFrame(int value) {
  stepsPerFrame = static_cast<int16_t>(std::clamp(value, 1, 32767));
}

// Euler has no error estimate, so it always steps fixed.
void RunSettings::SelectEuler() {
  integrator = IntegratorKind::Euler;
  variableStep = false;
}

void RunSettings::SelectKuttaMerson() {
  integrator = IntegratorKind::KuttaMerson;
}

double RunSettings::IntegrationStep() const {
  return variableStep ? animationStep : animationStep / std::max<int>(1, stepsPerFrame);
}

void RunSettings::SetIntegrationStep(double step) {
  autoAnimationStep = false;
  animationStep = std::max<int>(1, stepsPerFrame) * step;
}

// Automatic limits: the accurate mode runs to the precision a textbook answer needs; the fast
// mode only needs a picture that looks right.
double RunSettings::EffectiveIntegratorError() const {
  if (!autoIntegratorError) return integratorError;
  return mode == RunMode::Fast ? 1e-4 : 1e-12;
}

double RunSettings::EffectiveAssemblyError() const {
  if (!autoAssemblyError) return assemblyError;
  return mode == RunMode::Fast ? 1e-8 : 1e-13;
}

int RunSettings::EffectiveSignificantDigits() const {
  if (!autoSignificantDigits) return std::clamp<int>(significantDigits, 1, 17);
  return mode == RunMode::Fast ? 6 : 15;
}

}  // namespace yb::dynamics
