#include "model/command/CommandHandler.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/TickCount.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"

namespace {

TCommandHandler*& ApplicationSlot() {
  static TCommandHandler* application = nullptr;
  return application;
}

struct IdleWalk {
  int16_t phase;
  int32_t now;
  int32_t nextWait;
};

// One handler's share of an idle pass, and how long until it wants the next one.
void IdleOne(TTargetHandler* handler, void* argument) {
  auto& walk = *static_cast<IdleWalk*>(argument);
  const int32_t frequency = handler->GetIdleFrequency();
  if (frequency == TTargetHandler::kNeverIdle) return;
  const int32_t last = handler->GetLastIdleTime();
  const bool tooSoon = walk.phase == 1 && last != 0 && walk.now - last < frequency;
  if (!tooSoon) {
    if (handler->DoIdle(walk.phase) != 0) return;
    handler->SetLastIdleTime(walk.now);
  }
  const int32_t idled = handler->GetLastIdleTime();
  const int64_t wait =
      idled == 0 ? frequency : std::max<int64_t>(0, int64_t{frequency} + idled - walk.now);
  walk.nextWait = static_cast<int32_t>(std::min<int64_t>(walk.nextWait, wait));
}

// Raises a document's change count by one, to at least 1.
void CountChange(TCommandCore& command) {
  TCommandDocument* const document = command.GetDocument();
  if (command.CausesChange() == 0 || document == nullptr) return;
  const int32_t count = document->GetChangeCount();
  document->SetChangeCount(count < 1 ? 1 : (count == INT32_MAX ? count : count + 1));
}

}  // namespace

TCommandHandler::TCommandHandler(TCommandNesting& nesting)
    : nesting_(nesting), previous_(ApplicationSlot()) {
  InitTargetHandler(nullptr);
  ApplicationSlot() = this;
}

TCommandHandler::~TCommandHandler() {
  if (idleTimer_ != 0) KillTimer(nullptr, idleTimer_);
  DropAllCommands();
  if (ApplicationSlot() == this) ApplicationSlot() = previous_;
}

TCommandHandler* TCommandHandler::Application() {
  return ApplicationSlot();
}

void TCommandHandler::DropCommand(TCommandCore* command) {
  if (command != nullptr && command->IsFreeWhenDone() != 0) delete command;
}

void TCommandHandler::CommitLastCommand() {
  TCommandCore* const last = last_;
  if (last == nullptr) return;
  last_ = nullptr;
  if (last->IsPerformed() != 0) last->Commit();
  DropCommand(last);
}

TCommandCore* TCommandHandler::GetNextCommand() {
  return queue_.TakeNext();
}

void TCommandHandler::HandleCommand(TCommandCore* command) {
  PerformQueuedCommand(command);
}

void TCommandHandler::PostCommand(TCommandCore* command) {
  if (command != nullptr) queue_.Add(command);
}

void TCommandHandler::PerformCommand(TCommandCore* command) {
  if (command != nullptr && command->IsViewPresent() != 0) {
    command = TrackMouse(command->GetMousePoint(), hysteresisH_, hysteresisV_, command);
  }
  if (command == nullptr) return;
  const bool kept = command->CanUndo() != 0 || command->CausesChange() != 0;
  if (kept) CommitLastCommand();
  claimed_ = false;
  try {
    command->Perform();
  } catch (...) {
    if (claimed_) {
      SetClipboardView(savedClipboardView_);
      savedClipboardView_ = nullptr;
    }
    if (last_ == command) last_ = nullptr;
    // A freed command must not stay behind in the queue.
    if (command->IsFreeWhenDone() != 0) queue_.Delete(command);
    DropCommand(command);
    throw;
  }
  // A command that ended without undo after commands performed inside it became the last (the
  // edits of a modal dialog) leaves the last of those in place, so that undo takes it back.
  const bool nestedLast = kept && last_ != nullptr && last_ != command &&
                          command->CanUndo() == 0 && command->CausesChange() == 0;
  if (!kept || nestedLast) {
    // A staying command still queued has more to do on a later pass.
    if (!queue_.Holds(command)) DropCommand(command);
    return;
  }
  last_ = command;
  command->SetPerformed(1);
  CountChange(*command);
}

bool TCommandHandler::PerformQueuedCommand(TCommandCore* command) {
  return nesting_.Perform([this, command] { PerformCommand(command); });
}

bool TCommandHandler::PerformNextQueued() {
  if (nesting_.Depth() != 0) return false;
  TCommandCore* const command = GetNextCommand();
  if (command == nullptr) return false;
  PerformQueuedCommand(command);
  return true;
}

int32_t TCommandHandler::PerformQueuedPass() {
  // The staying commands performed in this pass. A freed one's address may come back for a
  // command queued meanwhile, which then waits for the next pass: no harm.
  std::vector<TCommandCore*> performedStaying;
  int32_t performed = 0;
  while (nesting_.Depth() == 0) {
    TCommandCore* const command = queue_.TakeNext(performedStaying);
    if (command == nullptr) break;
    if (command->StaysQueued() != 0) performedStaying.push_back(command);
    PerformQueuedCommand(command);
    ++performed;
  }
  return performed;
}

void TCommandHandler::DropAllCommands() {
  while (TObject* command = queue_.PopLast())
    DropCommand(static_cast<TCommandCore*>(command));
  TCommandCore* const last = last_;
  last_ = nullptr;
  DropCommand(last);
}

void TCommandHandler::RemoveQueued(TCommandCore* command) {
  queue_.Delete(command);
}

void TCommandHandler::FreeQueuedCommands() {
  if (nesting_.Depth() != 0) return;
  while (TObject* command = queue_.PopLast())
    DropCommand(static_cast<TCommandCore*>(command));
}

void TCommandHandler::ClaimClipboard(TClipboardHolder* view) {
  if (savedClipboardView_ != nullptr) savedClipboardView_->ReleaseClaim();
  savedClipboardView_ = clipboardView_;
  if (view != nullptr) SetClipboardView(view);
  claimed_ = true;
}

void TCommandHandler::SetOwnClipboardView(TClipboardHolder* view) {
  TClipboardHolder* const replacement = view != nullptr ? view : &systemClipboardView_;
  if (clipboardView_ == ownClipboardView_) clipboardView_ = replacement;
  if (savedClipboardView_ == ownClipboardView_) savedClipboardView_ = replacement;
  ownClipboardView_ = replacement;
}

void TCommandHandler::SetClipboardView(TClipboardHolder* view) {
  clipboardView_ = view;
}

int32_t TCommandHandler::GetScrap(Handle destination, uint32_t* scrapType) {
  if (!HasPendingScrap() || clipboardView_ == nullptr) return kErrClipboard;
  const uint32_t type = PendingScrapType();
  if (scrapType != nullptr) *scrapType = type;
  const int32_t answer = clipboardView_->GetScrapData(destination, type);
  if (answer < 0) ThrowFailure(static_cast<int16_t>(answer), 0);
  return answer;
}

void TCommandHandler::UndoOrRedoLast() {
  nesting_.Perform([this] {
    TCommandCore* const last = last_;
    if (last == nullptr) return;
    if (last->IsPerformed() != 0) {
      last->Undo();
      last->SetPerformed(0);
    } else {
      last->Redo();
      last->SetPerformed(1);
    }
    CountChange(*last);
  });
}

void TCommandHandler::SetTarget(TTargetHandler* handler) {
  if (handler == target_) return;
  TTargetHandler* const old = target_;
  if (old != nullptr) old->DoTargetChange(1, 0);
  if (handler != nullptr) handler->DoTargetChange(0, 1);
  target_ = handler;
  InvalidateMenuSetup();
  // The new target may want idle time at once.
  nextWait_ = 0;
  idleDueSet_ = false;
  ScheduleIdle();
  TargetChanged();
}

void TCommandHandler::InstallIdleHandler(TTargetHandler* handler, bool install) {
  if (handler == nullptr) return;
  if (install) {
    handler->SetNextHandler(idleHead_);
    idleHead_ = handler;
    // The new handler gets its idle time from the next pass of the event loop.
    nextWait_ = 0;
    idleDueSet_ = false;
    ScheduleIdle();
    return;
  }
  idleHead_ = handler->RemoveFromChain(idleHead_);
}

void TCommandHandler::IdleChains(int16_t phase) {
  const int32_t now = GetTickCount60();
  if (phase == 1 && idleDueSet_ && !TickDeadlineReached(now, nextIdleDue_)) return;
  IdleWalk walk{phase, now, kNeverIdle};
  if (idleHead_ != nullptr) idleHead_->ForEachInChain(IdleOne, &walk);
  TTargetHandler* const chain = target_ != nullptr ? target_ : this;
  chain->ForEachInChain(IdleOne, &walk);
  nextWait_ = walk.nextWait;
  idleDueSet_ = nextWait_ != kNeverIdle;
  nextIdleDue_ = idleDueSet_ ? now + nextWait_ : 0;
  ScheduleIdle();
}

void TCommandHandler::ScheduleIdle() {
  if (idleTimer_ != 0) KillTimer(nullptr, idleTimer_);
  idleTimer_ = 0;
  if (nextWait_ == kNeverIdle) return;
  const int64_t milliseconds = int64_t{nextWait_} * 1000 / 60;
  const auto interval =
      static_cast<UINT>(std::min<int64_t>(milliseconds, std::numeric_limits<UINT>::max()));
  idleTimer_ = SetTimer(nullptr, 0, interval, IdleTimerFired);
}

void TCommandHandler::IdleTimerFired(HWND, UINT, UINT_PTR, DWORD) {
  TCommandHandler* application = Application();
  if (application == nullptr) return;
  // A failure of an idle handler is shown once and the program goes on.
  application->nesting_.Perform([application] { application->IdleChains(1); });
}

bool TCommandHandler::TrackWithPeek(int16_t, QV_CPoint& point) {
  MSG message;
  const bool taken = PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) != 0;
  if (taken) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int32_t>(message.wParam));
    } else {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  POINT cursor;
  GetCursorPos(&cursor);
  point = QV_CPoint(cursor);
  return taken;
}

void TCommandHandler::BeginModalState() {
  if (modalDepth_++ == 0 && mainFrame_ != nullptr) EnableWindow(mainFrame_, FALSE);
}

void TCommandHandler::EndModalState() {
  if (modalDepth_ == 0) return;
  if (--modalDepth_ == 0 && mainFrame_ != nullptr) EnableWindow(mainFrame_, TRUE);
}

void TCommandHandler::RunOneLoopPass() {
  MSG message;
  const BOOL result = GetMessage(&message, nullptr, 0, 0);
  if (result == 0) {
    PostQuitMessage(static_cast<int32_t>(message.wParam));
    return;
  }
  if (result < 0) return;
  TranslateMessage(&message);
  DispatchMessage(&message);
}
