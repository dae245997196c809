// Solving an assembly: preparation, evaluation, Newton steps, the stall test and the frame
// records handed to the caller.

#include <algorithm>
#include <cmath>

#include "bodies/assembly/AssemblySolver.h"
#include "core/Numerics.h"

namespace {

constexpr int32_t kMostHistory = 1024;

int32_t Report(AssemblyProgress progress, void* context, double initial, double current,
               double tolerance) {
  return progress != nullptr ? progress(context, initial, current, tolerance) : 0;
}

}  // namespace

void TAssemblySolver::Prepare() {
  int32_t equations = 0;
  for (int32_t i = 0; i < constraints_.Count();) {
    TAssemblyConstraint* constraint = ConstraintAt(i);
    if (constraint->ShouldDrop(tolerance_)) {
      if (constraint == driver_) driver_ = nullptr;
      constraints_.DeleteAt(i);
      continue;
    }
    equations += constraint->EquationCount();
    ++i;
  }
  system_.Allocate(3 * bodyFrames_.Count(), equations);

  const int32_t bodies = bodyFrames_.Count();
  records_.assign(static_cast<size_t>(bodies + fixedFrames_.Count()), TFrameRecord());
  for (int32_t i = 0; i < bodies; ++i)
    BodyFrameAt(i)->LinkRecord(&records_[static_cast<size_t>(i)]);
  for (int32_t j = 0; j < fixedFrames_.Count(); ++j)
    FixedFrameAt(j)->LinkRecord(&records_[static_cast<size_t>(bodies + j)]);
  recordsPushed_ = false;

  const int64_t limit = 3 * int64_t{equations} * equations;
  iterationLimit_ = static_cast<int32_t>(std::clamp<int64_t>(limit, 5, INT32_MAX));
  // The stall test looks back over a quarter of the limit, at most kMostHistory passes: a large
  // system that stops improving for that long has stalled.
  history_.assign(static_cast<size_t>(std::clamp(iterationLimit_ / 4, 4, kMostHistory)), 0.0);
  ResetHistory();

  bool snapped = false;
  for (int32_t i = 0; i < constraints_.Count(); ++i)
    snapped = ConstraintAt(i)->Snap() || snapped;
  if (snapped) {
    recordsPushed_ = false;
    InvalidateAll();
  }
  prepared_ = true;
}

void TAssemblySolver::InvalidateAll() {
  for (int32_t i = 0; i < constraints_.Count(); ++i)
    ConstraintAt(i)->Invalidate();
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i)
    FixedFrameAt(i)->Invalidate();
}

double TAssemblySolver::Evaluate() {
  if (driver_ != nullptr && driver_->IsActive() != 0 && driver_->ApplyToFrame()) InvalidateAll();
  system_.Clear();
  double error = 0.0;
  for (int32_t i = 0; i < constraints_.Count(); ++i) {
    const double e = ConstraintAt(i)->WriteResiduals(&system_);
    // A NaN residual must not pass for convergence: it spoils the error for the pass.
    if (std::isnan(e) || e > error) error = e;
  }
  system_.Rewind();
  return error;
}

void TAssemblySolver::Step() {
  for (int32_t i = 0; i < constraints_.Count(); ++i)
    ConstraintAt(i)->WriteJacobian(system_);
  double* solution = const_cast<double*>(system_.Solve());
  for (int32_t i = 0; i < bodyFrames_.Count(); ++i) {
    double* delta = solution + 3 * static_cast<int64_t>(i);
    double a = std::fmod(delta[2], 2.0 * FpPi());
    if (a > FpPi()) a -= 2.0 * FpPi();
    delta[2] = a;
    BodyFrameAt(i)->MoveBy({-delta[0], -delta[1], -a});
  }
  for (int32_t i = 0; i < constraints_.Count(); ++i)
    ConstraintAt(i)->Invalidate();
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i)
    FixedFrameAt(i)->Refresh();
  recordsPushed_ = false;
}

void TAssemblySolver::ResetHistory() {
  historyIndex_ = -1;
  historyCount_ = 0;
  iterations_ = 0;
}

void TAssemblySolver::RecordError(double error) {
  const int32_t size = static_cast<int32_t>(history_.size());
  historyIndex_ = historyIndex_ + 1 >= size ? 0 : historyIndex_ + 1;
  history_[static_cast<size_t>(historyIndex_)] = error;
  if (historyCount_ < size) {
    if (historyCount_ == 0 || error < bestError_) bestError_ = error;
    ++historyCount_;
  } else {
    bestError_ = *std::min_element(history_.begin(), history_.end());
  }
  ++iterations_;
}

bool TAssemblySolver::AcceptsStep(double error) {
  if (error == 0.0 || std::isnan(error)) return false;
  if (historyCount_ < static_cast<int32_t>(history_.size())) {
    RecordError(error);
    return true;
  }
  const double best = bestError_;
  RecordError(error);
  if (iterations_ > iterationLimit_) return false;
  if (driver_ != nullptr) return iterations_ <= 3 || bestError_ < best;
  return iterations_ <= 4 || bestError_ <= best;
}

void TAssemblySolver::PushFrames() {
  if (!prepared_ || recordsPushed_) return;
  for (int32_t i = 0; i < bodyFrames_.Count(); ++i)
    BodyFrameAt(i)->PushToRecord();
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i)
    FixedFrameAt(i)->PushToRecord();
  recordsPushed_ = true;
  ResetHistory();
}

void TAssemblySolver::PullFrames() {
  if (!prepared_ || recordsPushed_) return;
  ResetHistory();
  for (int32_t i = 0; i < bodyFrames_.Count(); ++i)
    BodyFrameAt(i)->PullFromRecord();
  for (int32_t i = 0; i < fixedFrames_.Count(); ++i)
    FixedFrameAt(i)->PullFromRecord();
  InvalidateAll();
  recordsPushed_ = true;
}

double TAssemblySolver::Solve(AssemblyProgress progress, void* context, double tolerance,
                              TFrameRecord*& records, int32_t& recordCount, uint32_t& pushed) {
  const bool unprepared = !prepared_;
  tolerance_ = tolerance;
  if (!prepared_) Prepare();
  pushed = 0;
  records = records_.data();
  recordCount = static_cast<int32_t>(records_.size());

  double error = 0.0;
  for (;;) {
    error = Evaluate();
    if (unprepared) initialError_ = error;
    const bool activeDriver = driver_ != nullptr && driver_->IsActive() != 0;

    if (!std::isnan(error) && error <= tolerance) {
      convergedError_ = error;
      converged_ = true;
      if (!recordsPushed_) pushed = 1;
      PushFrames();
      if (!activeDriver) break;
      driver_->Accept();
      if (!driver_->Advance(tolerance)) break;
      if (Report(progress, context, initialError_, error, tolerance) != 0) break;
      if (Report(progress, context, initialError_, error, tolerance) != 0) break;
      continue;
    }

    if (stallTestAlways_ == 0 || driver_ != nullptr) {
      if (AcceptsStep(error)) {
        Step();
      } else if (activeDriver && driver_->Retreat(tolerance)) {
        PullFrames();
      } else {
        break;
      }
    } else {
      // Without the stall test a solve that cannot converge would run for ever, and a NaN step
      // would spoil every frame: both end the solve with the frames left as they are.
      if (std::isnan(error)) break;
      RecordError(error);
      if (iterations_ > iterationLimit_) break;
      Step();
    }
    if (Report(progress, context, initialError_, error, tolerance) != 0) break;
  }
  if (converged_) {
    converged_ = false;
    return convergedError_;
  }
  return error;
}
