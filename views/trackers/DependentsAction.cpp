#include "views/trackers/DependentsAction.h"

#include <string>
#include <utility>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/world/WorldHost.h"
#include "platform/win32/Menu.h"

namespace {

// Puts the busy flag back as it was, however the scope ends.
class TBusyFlagScope {
 public:
  TBusyFlagScope() : saved_(CommandBusyFlag()) {}
  ~TBusyFlagScope() { CommandBusyFlag() = saved_; }
  TBusyFlagScope(const TBusyFlagScope&) = delete;
  TBusyFlagScope& operator=(const TBusyFlagScope&) = delete;

 private:
  int16_t saved_;
};

// The command's name as its menu item shows it; empty when no item carries it.
Str255 CommandName(int16_t command) {
  const HWND frame = GetMenuFrame();
  const HMENU bar = frame != nullptr ? GetMenu(frame) : nullptr;
  if (bar == nullptr) return Str255();
  const std::string label =
      MenuLabel(GetMenuItemText(bar, static_cast<UINT>(static_cast<uint16_t>(command)), MF_BYCOMMAND));
  return Str255(label.c_str());
}

}  // namespace

void TTracker488::InitDependents(int16_t commandNumber, TActionContext* context,
                                 TDependentsWorld* world, uint16_t attach, uint16_t detach) {
  InitAction(commandNumber, nullptr, context, attach);
  world_ = world;
  if (ownedWorld_.get() != world) ownedWorld_.reset();
  state_ = 0;
  attach_.reset(attach != 0 ? new std::vector<TLink*>() : nullptr);
  detach_.reset(detach != 0 ? new std::vector<TLink*>() : nullptr);
}

void TTracker488::InitDependents(int16_t commandNumber, TActionContext* context,
                                 std::unique_ptr<TDependentsWorld> world, uint16_t attach,
                                 uint16_t detach) {
  ownedWorld_ = std::move(world);
  InitDependents(commandNumber, context, ownedWorld_.get(), attach, detach);
}

void TTracker488::DoWork() {
  if (world_ == nullptr) return;
  if (attach_ != nullptr) {
    if (state_ == 0)
      world_->CommitAttached(*attach_);
    else
      world_->DetachObjects(*attach_);
  }
  world_->RefreshDependents();
}

void TTracker488::Undo() {
  if (state_ == 0 || attach_ == nullptr || world_ == nullptr) {
    TActionBase::Undo();
    return;
  }
  // What the work took out comes back.
  world_->AttachObjects(*attach_);
  world_->RefreshDependents();
}

void TTracker488::Redo() {
  if (state_ == 0 || attach_ == nullptr || world_ == nullptr) {
    TActionBase::Redo();
    return;
  }
  world_->DetachObjects(*attach_);
  world_->RefreshDependents();
}

void TTracker488::Commit() {
  if (state_ == 1 && attach_ != nullptr && world_ != nullptr) world_->CommitAttached(*attach_);
}

void TTracker488::PrepareFailed(int16_t error, int32_t message) {
  if (error != kErrOutOfMemory || world_ == nullptr) TActionBase::PrepareFailed(error, message);
  const TBusyFlagScope busy;
  SetAlertTexts(Str255(), Str255(), CommandName(GetCommandNumber()), Str255());
  if (!world_->Host().AskYesNo(kNoUndoMemoryAlert)) ThrowFailure(0, 0);
}
