#include "ui/dialogs/DialogUpdater.h"

void TQVDocHelper::InitHelper(int16_t commandNumber) {
  Init(commandNumber, nullptr, nullptr, nullptr);
  attributes_ = kHelperAttributes;
}

TDialogUpdater::~TDialogUpdater() {
  if (dialog_ != nullptr) dialog_->UpdaterGone();
}

void TDialogUpdater::InitUpdater(TUpdatedDialog* dialog) {
  InitHelper(kCommandNumber);
  SetAttributes(kResidentAttributes);
  SetFreeWhenDone(0);
  // A resident command: the queue performs it whenever it can and keeps it. It comes after the
  // commands posted at the usual priority, so that an update sees their work.
  SetStaysQueued(1);
  SetPriority(kDefaultPriority + 1);
  dialog_ = dialog;
}

void TDialogUpdater::RequestUpdate(bool full) {
  pending_ = 1;
  if (full) {
    full_ = 1;
    rebuildSelector_ = 1;
  }
}

void TDialogUpdater::RequestOrWithdraw(int32_t withdraw) {
  const uint16_t on = withdraw == 0 ? 1 : 0;
  pending_ = on;
  full_ = on;
  rebuildSelector_ = on;
}

bool TDialogUpdater::CanPerform() const {
  if (busy_ != 0) return false;
  if (TQVDocHelper::CanPerform()) return true;
  return dialog_ != nullptr && (pending_ != 0 || rebuildSelector_ != 0) &&
         dialog_->IsShownOnScreen();
}

void TDialogUpdater::DoIt() {
  busy_ = 1;
  struct BusyReset {
    uint16_t& busy;
    ~BusyReset() { busy = 0; }
  } reset{busy_};
  if (dialog_ != nullptr && pending_ != 0) {
    const bool full = full_ != 0;
    pending_ = 0;
    full_ = 0;
    dialog_->Update(full);
  }
  if (dialog_ != nullptr && rebuildSelector_ != 0) {
    rebuildSelector_ = 0;
    dialog_->RebuildSelector();
  }
  ClearFlag();
}
