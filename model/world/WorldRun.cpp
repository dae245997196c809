// Running: the run commands and their list, and running the solver until the store holds a
// frame, with the input values handed over before every solver call.

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Alert.h"
#include "core/Failure.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

namespace {

constexpr int16_t kLastRunnableFrame = 32765;

// The run errors of a value too large to hold: a formula's result, or the state of a body.
constexpr int16_t kErrFormulaOverflow = -28804;
constexpr int16_t kErrValueNotANumber = -28701;

// Names the object a run's overflow concerns, so the alert says which one to look at: its kind
// and number, and its name when it has one.
void DescribeOverflow(TWorldDoc& world, int32_t identifier) {
  if (identifier < 0) return;
  TLink* object = world.FindObject(identifier);
  if (object == nullptr) return;
  // The solver names bodies and constraints only; of those, bodies have values in a frame.
  std::string what = world.BodyValueOffset(object) >= 0 ? "body " : "constraint ";
  what += std::to_string(identifier);
  const auto* named = dynamic_cast<const TNamedLink*>(object);
  if (named != nullptr && !named->GetName().IsEmpty())
    what += std::string(" (\"") + named->GetName().AsCString() + "\")";
  FailureDetailText() = Str255(("A value of " + what + " grew too large to hold.").c_str());
}

// Unlocks a handle when the scope ends, however it ends.
class HandleLock {
 public:
  explicit HandleLock(Handle handle) : handle_(handle) { LockHandle(handle_); }
  ~HandleLock() { UnlockHandle(handle_); }
  HandleLock(const HandleLock&) = delete;
  HandleLock& operator=(const HandleLock&) = delete;

 private:
  Handle handle_;
};

}  // namespace

void TWorldDoc::DoCommand(int16_t commandNumber, uint16_t stopOthers) {
  if (IsClosing() != 0) return;
  std::unique_ptr<TCommand> command = MakeRunCommand(commandNumber, stopOthers);
  if (command) host_->PostCommand(command.release());
}

std::unique_ptr<TCommand> TWorldDoc::MakeRunCommand(int16_t commandNumber, uint16_t stopOthers) {
  host_->StopOtherDocuments(*this);
  const int16_t current = CurrentFrame();
  const auto firstHeld = static_cast<int16_t>(FirstHeldFrame());
  switch (commandNumber) {
    case kCmdReset:
      return NewRunCommand(commandNumber, 0, 1, stopOthers);
    case kCmdPlayBackToStart:
      return NewRunCommand(commandNumber, firstHeld, 0, stopOthers);
    case kCmdShowFrameZero:
      if (current != -1) return nullptr;
      return NewRunCommand(commandNumber, 0, 1, 0);
    case kCmdStepForward:
      return NewRunCommand(commandNumber, std::max<int16_t>(current + 1, 1), 1, stopOthers);
    case kCmdStepBack:
      return NewRunCommand(commandNumber, std::max<int16_t>(current - 1, firstHeld), 1, stopOthers);
    default:
      return NewRunCommand(commandNumber, kNoStopFrame, 0, stopOthers);
  }
}

std::unique_ptr<TCommand> TWorldDoc::NewRunCommand(int16_t commandNumber, int16_t target,
                                                   uint16_t exact, uint16_t stopOthers) {
  if (IsClosing() != 0) return nullptr;
  auto command = std::make_unique<TCommand>();
  command->SetUp(commandNumber, GetDocument(), this, target, exact, stopOthers);
  return command;
}

void TWorldDoc::StopRunning() {
  for (TCommand* command : running_)
    command->Stop();
  host_->SetTrackingWhileRunning(false);
}

void TWorldDoc::AddRunningCommand(TCommand* command) {
  running_.push_back(command);
  if (firstRunning_ == nullptr) firstRunning_ = running_.front();
}

void TWorldDoc::RemoveRunningCommand(TCommand* command) {
  std::erase(running_, command);
  if (firstRunning_ == command) firstRunning_ = running_.empty() ? nullptr : running_.front();
  if (!running_.empty()) return;
  runState_ = kRunIdle;
  // The windows learn that the last run is over now, not at their next idle pass: a driver told
  // the program is idle sees the picture the ended run leaves.
  if (display_ != nullptr) display_->RunStateChanged(kRunIdle);
}

uint16_t TWorldDoc::CanStartRun(TCommand* command) {
  if (command != firstRunning_ || GetStore() == nullptr) return 0;
  if (Selection().empty()) return 1;
  DeselectAll();
  return 0;
}

double TWorldDoc::CurrentTime() const {
  if (GetStore() == nullptr || CurrentFrame() <= 0 || !engine_) return 0.0;
  return CurrentFrame() * engine_->TimeStep();
}

uint16_t TWorldDoc::PrepareRunTo(int32_t frame) {
  TFrameStore& store = *GetStore();
  if (frame == 0 && store.FirstHeldFrame() > 0) {
    store.SetMark(false);
    store.SetFrameCount(1);
    ShowFrame(0, 1);
    return 0;
  }
  if (frame < store.FirstHeldFrame()) return 0;
  return frame > store.LastFrame() ? 1 : 0;
}

void TWorldDoc::SetRunState(int32_t state) {
  if (state == runState_) return;
  runState_ = state;
  if (display_ != nullptr) display_->RunStateChanged(state);
}

void TWorldDoc::NotifyFrame(int32_t frame) {
  const std::vector<TLink*> listeners = frameListeners_;
  for (TLink* object : listeners) {
    auto* listener = dynamic_cast<TFrameListener*>(object);
    if (listener == nullptr) continue;
    try {
      listener->TargetFrame(frame);
    } catch (const QVException& failure) {
      if (failure.error() != kErrLinkedDocumentFirst && failure.error() != kErrLinkedDocumentLast)
        throw;
      host_->ShowError(failure.error(), failure.message());
    }
  }
}

void TWorldDoc::StartLinkedRun() {
  const std::vector<TLink*> listeners = frameListeners_;
  for (TLink* object : listeners) {
    auto* listener = dynamic_cast<TFrameListener*>(object);
    if (listener == nullptr) continue;
    try {
      listener->RunStarting();
    } catch (const QVException& failure) {
      if (failure.error() != kErrLinkedDocumentFirst && failure.error() != kErrLinkedDocumentLast)
        throw;
      host_->ShowError(failure.error(), failure.message());
    }
  }
}

bool TWorldDoc::ConversationsEnded() {
  bool ended = false;
  const std::vector<TLink*> listeners = frameListeners_;
  for (TLink* object : listeners) {
    if (auto* listener = dynamic_cast<TFrameListener*>(object)) ended = listener->ConversationsEnded() || ended;
  }
  return ended;
}

void TWorldDoc::CollectInputValues() {
  // The buffer grows with the inputs, so that every input has its record and the end mark fits.
  const auto needed = static_cast<uint32_t>((inputs_.size() + 1) * kInputRecordSize);
  if (GetHandleByteSize(inputBuffer_) < needed) ResizeHandle(inputBuffer_, needed);
  HandleLock lock(inputBuffer_);
  inputCount_ = 0;
  auto write = [this](int32_t identifier, double value) {
    char* record = HandleData(inputBuffer_) + inputCount_ * kInputRecordSize;
    std::memcpy(record, &identifier, 4);
    std::memcpy(record + 4, &value, 8);
  };
  for (TLink* object : inputs_) {
    auto* input = dynamic_cast<TRunInput*>(object);
    if (input == nullptr) continue;
    input->WriteLinkedValue();
    if (input->InputKind() == TRunInput::kTableInput && input->HasTable())
      input->TakeTableValue(CurrentTime(), CurrentFrame());
    write(object->GetIdentifier(), input->InputValue());
    ++inputCount_;
  }
  write(0, 0.0);
}

std::vector<uint8_t> TWorldDoc::InputRecords() const {
  if (inputBuffer_ == nullptr) return {};
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(inputBuffer_));
  return std::vector<uint8_t>(bytes, bytes + (inputCount_ + 1) * kInputRecordSize);
}

void TWorldDoc::RunToFrame(int32_t frame, EngineProgressCallback progress) {
  TFrameStore* store = GetStore();
  FailIfNull(store);
  FailIfNull(store->Block());
  FailIfNull(inputBuffer_);
  if (GetHandleByteSize(store->Block()) == 0) store->Resize(0);
  if (PrepareRunTo(frame) == 0) return;
  LoadEngineWorld();
  if (frame > kLastRunnableFrame) ThrowFailure(kErrFrameRange, 0);
  // A recording begins: the run keeps which meters it records and with how many columns.
  if (store->FrameCount() <= 0 && store->FrameCount() - 1 < frame) RecordMeters(*store);
  while (store->FrameCount() - 1 < frame) {
    NotifyFrame(frame);
    CollectInputValues();
    int32_t status[kStatusWords] = {0, -1, -1};
    const int16_t error = engine_->Run(
        reinterpret_cast<const uint8_t*>(HandleData(inputBuffer_)),
        (inputCount_ + 1) * kInputRecordSize, store->Block(),
        static_cast<int32_t>(std::min<uint32_t>(store->BlockBytes(), INT32_MAX)), progress,
        status);
    if (error != 0 && !HandleRunFailure(error, status)) return;
  }
}

bool TWorldDoc::HandleRunFailure(int16_t error, const int32_t* status) {
  if (!host_->TrackingWhileRunning()) FailIfError(engine_->Unlock());
  if (error == kErrStoreIsFull) {
    GrowStore();
    return true;
  }
  if (error == kErrSolverMemory) ThrowFailure(kErrOutOfMemory, 0);
  if (error == kErrRunGoesOn) ThrowFailure(error, 0);
  if (error >= kErrWarningFirst && error <= kErrWarningLast) {
    if (host_->ReportSolverWarning(*this, error, status)) return true;
    ThrowFailure(kErrRunRefused, 0);
  }
  if (error == kErrFormulaOverflow || error == kErrValueNotANumber)
    DescribeOverflow(*this, status[1]);
  ThrowFailure(error, 0);
}

void TWorldDoc::GrowStore() {
  TFrameStore& store = *GetStore();
  try {
    store.MakeRoom();
    return;
  } catch (const QVException&) {
  }
  if (host_->CommitLastCommand()) {
    try {
      store.MakeRoom();
      return;
    } catch (const QVException&) {
    }
  }
  // The store cannot grow: recording goes on only by dropping old frames; when that is not
  // possible the run ends instead of asking the solver again and again.
  const bool hadMark = store.HasMark();
  OfferToDropFrames();
  if (hadMark || !store.HasMark()) ThrowFailure(kErrOutOfMemory, 0);
}

void TWorldDoc::OfferToDropFrames() {
  TFrameStore* store = GetStore();
  if (store == nullptr || dropOldFrames_ == 0 || store->HasMark() || store->FrameCount() < 2)
    return;
  if (askBeforeDropping_ != 0 && !host_->AskYesNo(kDropFramesAlert)) ThrowFailure(kErrNone, 0);
  store->SetMark(true);
}

void TWorldDoc::SetStopFrame(int16_t frame) {
  stopFrame_ = std::min(frame, GetStopFrame());
}

int16_t TWorldDoc::GetStopFrame() {
  if (stopFrame_ != kNoStopFrame && GetStore() != nullptr && stopFrame_ < GetStore()->FrameCount())
    return stopFrame_;
  stopFrame_ = kNoStopFrame;
  return kNoStopFrame;
}

int16_t TWorldDoc::NextStepFrame() {
  const int32_t current = CurrentFrame();
  const int32_t count = GetStore() != nullptr ? GetStore()->FrameCount() : 0;
  if (runState_ == kRunForward) return static_cast<int16_t>(std::min(current + GetSkipFrames(), count));
  if (runState_ == kRunBackward) return static_cast<int16_t>(std::max(current - GetSkipFrames(), 0));
  return TWorldBase::NextStepFrame();
}
