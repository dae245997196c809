#include "solver/stream/WorldRun.h"

#include <cmath>
#include <cstring>
#include <new>

#include "solver/dynamics/FormulaValues.h"
#include "solver/formula/FormulaErrors.h"

namespace yb::stream {

namespace {

constexpr int32_t kLastFrame = 32766;

int32_t HeaderWord(const uint8_t* history, int32_t word) {
  int32_t value;
  std::memcpy(&value, history + word * 4, 4);
  return value;
}

void SetHeaderWord(uint8_t* history, int32_t word, int32_t value) {
  std::memcpy(history + word * 4, &value, 4);
}

// The slot of a frame: frame 0 always in slot 0; with a mark, the later frames go round the m
// slots after it.
int64_t SlotOf(int32_t frame, int32_t mark) {
  if (mark <= 0 || frame == 0) return frame;
  return 1 + (frame - 1) % mark;
}

// A library code for a failure of the mechanics or of a formula while running: their error
// numbers are the program's, library code - 29999.
int32_t LibraryCode(int32_t errorNumber) {
  const int32_t code = errorNumber + 29999;
  return code > 0 ? code : kEngineCannotContinue;
}

int32_t WarningCode(dynamics::Warning::Kind kind) {
  switch (kind) {
    case dynamics::Warning::Kind::Redundant:
      return kEngineWarnRedundant;
    case dynamics::Warning::Kind::Inconsistent:
      return kEngineWarnInconsistent;
    case dynamics::Warning::Kind::Inaccurate:
      return kEngineWarnInaccurate;
    case dynamics::Warning::Kind::Overlap:
      return kEngineWarnOverlap;
  }
  return kEngineWarnInaccurate;
}

}  // namespace

WorldRun::WorldRun(StreamModel model)
    : model_(std::move(model)), inputs_(std::make_shared<InputTable>()) {}

void WorldRun::Unlock() {
  if (broken_) Restart();
}

void WorldRun::Restart() {
  simulation_.reset();
  frames_ = 0;
  broken_ = false;
  reported_.clear();
}

int32_t WorldRun::ReadInputs(const uint8_t* inputs, int32_t inputBytes) {
  if (inputBytes < 0 || (inputs == nullptr && inputBytes != 0)) return kEngineBadArgument;
  const InputTable before = *inputs_;
  inputs_->Clear();
  for (int32_t at = 0; at + kInputRecordBytes <= inputBytes; at += kInputRecordBytes) {
    int32_t id;
    double value;
    std::memcpy(&id, inputs + at, 4);
    if (id == 0) break;
    std::memcpy(&value, inputs + at + 4, 8);
    inputs_->Set(id, value);
  }
  // The formulas read the new values from the next step on.
  if (simulation_ != nullptr && !(*inputs_ == before)) simulation_->ForgetEvaluation();
  return kEngineOk;
}

int32_t WorldRun::ReadLayout(uint8_t* history, int32_t historyBytes, Layout& layout) const {
  if (history == nullptr || historyBytes < kHistoryHeaderBytes) return kEngineBadArgument;
  layout.frameCount = HeaderWord(history, kHistoryWordFrameCount);
  layout.mark = HeaderWord(history, kHistoryWordMark);
  layout.valuesPerFrame = HeaderWord(history, kHistoryWordValuesPerFrame);
  const int32_t floatSize = HeaderWord(history, kHistoryWordFloatSize);
  if (layout.frameCount < 0 || layout.frameCount > kLastFrame + 1 || layout.mark < 0 ||
      (floatSize != 0 && floatSize != kHistoryFloatSize))
    return kEngineBadArgument;
  const FrameLayout full{model_.BodyCount(), FrameLayout::kFullBodyValues, model_.RecordedCount()};
  if (layout.valuesPerFrame == 0 && layout.frameCount == 0)
    layout.valuesPerFrame = static_cast<int32_t>(full.ValuesPerFrame());
  layout.frame = FrameLayout::ForBlock(layout.valuesPerFrame, full.bodies, full.recorded);
  return layout.frame.valuesPerBody != 0 ? kEngineOk : kEngineBadArgument;
}

void WorldRun::Advance() {
  if (frames_ == 0) {
    simulation_ = std::make_unique<dynamics::Simulation>(model_.Build(inputs_), model_.Settings());
    if (allowThin_) simulation_->AllowThinColliders();
  } else {
    simulation_->AdvanceTo(frames_ * model_.Settings().animationStep);
  }
  ++frames_;
}

// The block's frames follow a 44-byte header, so a slot is not aligned for doubles: the frame
// is made apart and copied in.
void WorldRun::WriteFrame(uint8_t* slot, const Layout& layout) {
  const dynamics::Mechanics& mechanics = simulation_->GetMechanics();
  frame_.resize(static_cast<size_t>(layout.valuesPerFrame));
  double* out = frame_.data();
  for (int b = 1; b <= model_.BodyCount(); ++b) {
    const dynamics::BodyState s = mechanics.Body(b);
    const double values[FrameLayout::kFullBodyValues] = {s.x,  s.y,  s.r,           s.vx,
                                                         s.vy, s.vr, std::cos(s.r), std::sin(s.r)};
    std::memcpy(out + layout.frame.BodyOffset(b - 1), values,
                static_cast<size_t>(layout.frame.valuesPerBody) * sizeof(double));
  }
  const dynamics::Context context(mechanics, simulation_->Time());
  int64_t k = 0;
  for (const RecordedValue& value : model_.Recorded())
    out[layout.frame.RecordedOffset(k++)] = model_.Evaluate(value.item, context, *inputs_);
  if (frame_.empty()) return;  // a world with nothing recorded has no frame bytes to copy
  std::memcpy(slot, frame_.data(), frame_.size() * sizeof(double));
}

int32_t WorldRun::NextWarning(int32_t status[kStatusWords]) {
  for (const dynamics::Warning& w : simulation_->Warnings()) {
    const std::pair<dynamics::Warning::Kind, int> key{w.kind, w.constraint};
    bool seen = false;
    for (const auto& r : reported_)
      seen = seen || r == key;
    if (seen) continue;
    reported_.push_back(key);
    status[1] = w.constraint >= 0 ? model_.ConstraintId(w.constraint) : -1;
    if (w.body > 0) status[1] = model_.BodyId(w.body);
    if (w.otherBody > 0) status[2] = model_.BodyId(w.otherBody);
    return WarningCode(w.kind);
  }
  return kEngineOk;
}

int32_t WorldRun::Run(const uint8_t* inputs, int32_t inputBytes, uint8_t* history,
                      int32_t historyBytes, EngineProgressCallback progress,
                      int32_t status[kStatusWords]) {
  status[1] = status[2] = -1;
  status[0] = RunFrame(inputs, inputBytes, history, historyBytes, progress, status);
  return status[0];
}

int32_t WorldRun::RunFrame(const uint8_t* inputs, int32_t inputBytes, uint8_t* history,
                           int32_t historyBytes, EngineProgressCallback progress,
                           int32_t status[kStatusWords]) {
  Layout layout;
  int32_t result = ReadInputs(inputs, inputBytes);
  if (result == kEngineOk) result = ReadLayout(history, historyBytes, layout);
  if (result != kEngineOk) return result;
  const int32_t next = layout.frameCount;
  if (next > kLastFrame) return kEngineBadArgument;
  const int64_t frameBytes = static_cast<int64_t>(layout.valuesPerFrame) * 8;
  const int64_t end = kHistoryHeaderBytes + (SlotOf(next, layout.mark) + 1) * frameBytes;
  if (end > historyBytes) return kEngineStoreFull;
  try {
    // The state stands at frame frames_ - 1; a block that is behind it starts the world again.
    if (broken_ || next + 1 < frames_) Restart();
    broken_ = true;
    while (frames_ <= next) {
      Advance();
      if (frames_ <= next && progress != nullptr && Report(progress, status, next) != 0) {
        broken_ = false;
        return kEngineContinue;
      }
    }
    broken_ = false;
  } catch (const dynamics::OverflowError& error) {
    // An overflow names the one object whose value grew too large: a constraint or a body.
    if (error.constraint != dynamics::kNone)
      status[1] = model_.ConstraintId(error.constraint);
    else if (error.body > 0)
      status[1] = model_.BodyId(error.body);
    return LibraryCode(error.code);
  } catch (const dynamics::DynamicsError& error) {
    if (error.body > 0) status[1] = model_.BodyId(error.body);
    if (error.otherBody > 0) status[2] = model_.BodyId(error.otherBody);
    // Told of a thin collider, the program may go on: the world then runs at the smallest steps.
    if (error.code == dynamics::kErrTooThin) allowThin_ = true;
    return LibraryCode(error.code);
  } catch (const std::bad_alloc&) {
    return kEngineOutOfMemory;
  }
  WriteFrame(history + kHistoryHeaderBytes + SlotOf(next, layout.mark) * frameBytes, layout);
  const double step = model_.Settings().animationStep;
  std::memcpy(history + kHistoryWordTimeStep * 4, &step, 8);
  SetHeaderWord(history, kHistoryWordFloatSize, kHistoryFloatSize);
  SetHeaderWord(history, kHistoryWordValuesPerFrame, layout.valuesPerFrame);
  SetHeaderWord(history, kHistoryWordFrameCount, next + 1);
  result = NextWarning(status);
  if (result == kEngineOk && progress != nullptr && Report(progress, status, next) != 0)
    result = kEngineContinue;
  return result;
}

int32_t WorldRun::Report(EngineProgressCallback progress, int32_t status[kStatusWords],
                         int32_t target) const {
  const double step = model_.Settings().animationStep;
  const auto& stats = simulation_->Statistics();
  return progress(status, frames_ - 1, target, simulation_->Time(), target * step,
                  static_cast<double>(stats.accepted), static_cast<double>(stats.rejected));
}

}  // namespace yb::stream
