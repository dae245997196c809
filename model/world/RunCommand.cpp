#include "model/world/RunCommand.h"

#include <algorithm>
#include <vector>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/CommandHandler.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Message.h"

namespace {

// The command whose step is under way: only for the length of one slice, so that runs of two
// worlds can take turns.
TCommand*& StepCommand() {
  static TCommand* step = nullptr;
  return step;
}

// Makes the command the stepping one for a slice and puts the previous one back after it.
class StepScope {
 public:
  explicit StepScope(TCommand* command) : previous_(StepCommand()) { StepCommand() = command; }
  ~StepScope() { StepCommand() = previous_; }
  StepScope(const StepScope&) = delete;
  StepScope& operator=(const StepScope&) = delete;

 private:
  TCommand* previous_;
};

TCommand*& CurrentRun() {
  static TCommand* current = nullptr;
  return current;
}

// The runs that started and have not ended, oldest first: when the current one ends, the
// newest of the others is current again.
std::vector<TCommand*>& RunsInProgress() {
  static std::vector<TCommand*> runs;
  return runs;
}

}  // namespace

TCommand* SetCurrentRunCommand(TCommand* command) {
  TCommand* const previous = CurrentRun();
  CurrentRun() = command;
  if (TCommandHandler* application = TCommandHandler::Application())
    application->SetIdleFrequency(command != nullptr ? kRunIdleTicks
                                                     : TTargetHandler::kNeverIdle);
  return previous;
}

TCommand* CurrentRunCommandInProgress() {
  return CurrentRun();
}

TCommand::~TCommand() {
  if (StepCommand() == this) StepCommand() = nullptr;
  LeaveRunsInProgress();
  if (world_ != nullptr) world_->RemoveRunningCommand(this);
  if (TCommandHandler* application = TCommandHandler::Application())
    application->RemoveQueued(this);
}

TCommand* TCommand::Current() {
  return StepCommand();
}

void TCommand::EnterRunsInProgress() {
  std::vector<TCommand*>& runs = RunsInProgress();
  if (std::find(runs.begin(), runs.end(), this) != runs.end()) return;
  runs.push_back(this);
  SetCurrentRunCommand(this);
}

void TCommand::LeaveRunsInProgress() {
  std::vector<TCommand*>& runs = RunsInProgress();
  const auto found = std::find(runs.begin(), runs.end(), this);
  if (found == runs.end()) return;
  runs.erase(found);
  if (CurrentRun() == this) SetCurrentRunCommand(runs.empty() ? nullptr : runs.back());
}

void TCommand::SetUp(int16_t commandNumber, TCommandDocument* document, TWorldDoc* world,
                     int16_t target, uint16_t exact, uint16_t stopOthers) {
  InitCommand(commandNumber, document, nullptr, nullptr);
  // Running changes no objects: nothing to undo.
  SetCanUndo(0);
  SetCausesChange(0);
  world_ = world;
  target_ = target < 0 ? -1 : target;
  exact_ = exact;
  stopped_ = 0;
  SetStaysQueued(1);
  if (stopOthers != 0) world_->StopRunning();
  world_->AddRunningCommand(this);
}

void TCommand::Perform() {
  TCommandHandler* const application = TCommandHandler::Application();
  if (application != nullptr && application->IsQueued(this)) {
    if (PerformQueuedSlice()) application->RemoveQueued(this);
    return;
  }
  if (world_ == nullptr || Current() != nullptr) return;
  if (!CanStart()) return;
  started_ = 1;
  while (!RunSlice(kSliceTicks)) {
  }
}

bool TCommand::CanStart() {
  if (world_->CanStartRun(this) != 0) return true;
  // Selected objects were let go of; the run may start now.
  return world_->CanStartRun(this) != 0;
}

bool TCommand::PerformQueuedSlice() {
  if (world_ == nullptr) done_ = 1;
  if (done_ != 0) {
    LeaveRunsInProgress();
    return true;
  }
  // Another run's slice is under way (a nested loop): this one waits for its end.
  if (Current() != nullptr) return false;
  if (started_ == 0) {
    // Stopped before it started, or a world without a frame store, which can never run.
    if (stopped_ != 0 || world_->GetStore() == nullptr) {
      done_ = 1;
      return true;
    }
    // The world's earlier run goes first.
    if (!CanStart()) return false;
    started_ = 1;
  }
  return RunSlice(kSliceTicks);
}

int16_t TCommand::NextFrame(int16_t current) {
  if (exact_ != 0) {
    world_->SetRunState(kRunIdle);
    return target_;
  }
  if (target_ == kNoStopFrame || target_ > current) {
    world_->SetRunState(kRunForward);
    return std::min(target_, world_->NextStepFrame());
  }
  world_->SetRunState(kRunBackward);
  return std::max(target_, world_->NextStepFrame());
}

bool TCommand::Recover(int16_t error) {
  if (error == kErrRunGoesOn) return true;
  if (error >= kErrLinkedDocumentFirst && error <= kErrLinkedDocumentLast) {
    firstFrame_ = 0;
    return true;
  }
  return false;
}

bool TCommand::RunSlice(int32_t ticks) {
  if (world_ == nullptr || done_ != 0) {
    LeaveRunsInProgress();
    return true;
  }
  TFrameStore* store = world_->GetStore();
  const int32_t framesBefore = store != nullptr ? store->FrameCount() : 0;
  const int32_t deadline = GetTickCount60() + ticks;
  StepScope scope(this);
  EnterRunsInProgress();
  int16_t current = world_->CurrentFrame();
  try {
    if (!linkedRunStarted_) {
      linkedRunStarted_ = true;
      world_->StartLinkedRun();
    }
    while (stopped_ == 0 && done_ == 0 && (ticks == 0 || GetTickCount60() - deadline < 0)) {
      const int16_t next = NextFrame(current);
      if (world_->GetStopFrame() < next || next < 0) {
        done_ = 1;
        break;
      }
      try {
        world_->RunToFrame(next, RunProgressCallback);
      } catch (const QVException& failure) {
        // The user chose not to go on past a warning: the run ends there with the silent
        // failure, which shows no alert and still tells a script that the run did not happen.
        if (failure.error() == kErrRunRefused) ThrowFailure(kErrNone, 0);
        if (!Recover(failure.error())) throw;
        continue;
      }
      world_->ShowFrame(next, 0, GetCommandNumber() != kCmdReset);
      if (listener_ != nullptr) listener_->FrameShown(*this, next);
      // A step that reaches the target, or makes no progress, ends the run.
      if (next == target_) {
        if (EndsAtTarget()) done_ = 1;
      } else if (next == current) {
        done_ = 1;
      }
      current = next;
      // The user's keys and clicks are not kept waiting for the rest of a timed slice: the run
      // goes on after the message loop has taken them.
      if (ticks != 0 && GetInputState()) break;
    }
  } catch (...) {
    done_ = 1;
    world_->SetRunState(kRunIdle);
    LeaveRunsInProgress();
    throw;
  }
  if (stopped_ != 0) {
    done_ = 1;
    world_->SetRunState(kRunIdle);
    if (listener_ != nullptr) listener_->RunStopped(*this);
  }
  if (done_ != 0) {
    world_->SetRunState(kRunIdle);
    LeaveRunsInProgress();
  }
  store = world_->GetStore();
  if (store != nullptr && store->FrameCount() > framesBefore) world_->DocumentChanged();
  return done_ != 0;
}

bool TCommand::EndsAtTarget() {
  if (listener_ == nullptr) return true;
  const int16_t reached = target_;
  // A listener that leaves the target as it was ends the run, so it cannot loop on one frame.
  return !listener_->TargetReached(*this) || target_ == reached;
}

int32_t TCommand::RunProgressCallback(int32_t*, double frame, double, double, double, double,
                                      double) {
  TCommand* command = Current();
  if (command == nullptr) return 1;
  const int32_t now = GetTickCount60();
  if (now - command->lastReport_ >= kProgressTicks) {
    command->lastReport_ = now;
    command->reportedFrame_ = frame;
  }
  return (command->stopped_ != 0 || command->done_ != 0) ? 1 : 0;
}
