#pragma once
// The deferred update of a property dialog. Edits and selection changes only ask for an update;
// the updater, a resident command of the application's queue, performs it on a later pass of
// the event loop once the dialog's window is visible, so that many requests make one refresh.
//
//   TCommandCore (295) > TSmallCommand (325) > TQVDocHelper (639) > TDialogUpdater (430)

#include <cstdint>

#include "model/command/CommandCore.h"

// A small command of the document that can be armed: ready while it is enabled and no command
// of the busy kind runs; performing it disarms it.
class TQVDocHelper : public TSmallCommand {
  DECLARE_CLASS_ID(639, TSmallCommand)

 public:
  static constexpr uint16_t kHelperAttributes = 0x5f;

  // A command that is never undoable and causes no change, with the helper's attribute word.
  void InitHelper(int16_t commandNumber);
  // Clears the readiness (enabled) flag.
  void ClearFlag() { SetEnabled(0); }
  uint16_t GetAttributes() const { return attributes_; }

 protected:
  void SetAttributes(uint16_t attributes) { attributes_ = attributes; }

 private:
  uint16_t attributes_ = 0;
};

// What the updater asks of its dialog.
class TUpdatedDialog {
 public:
  virtual void Update(bool full) = 0;
  virtual void RebuildSelector() = 0;
  // The dialog's window exists and is visible.
  virtual bool IsShownOnScreen() const = 0;
  // The updater is being destroyed.
  virtual void UpdaterGone() = 0;

 protected:
  ~TUpdatedDialog() = default;
};

class TDialogUpdater : public TQVDocHelper {
  DECLARE_CLASS_ID(430, TQVDocHelper)

 public:
  static constexpr int16_t kCommandNumber = 7000;
  // Resident in the application's queue, never freed by it.
  static constexpr uint16_t kResidentAttributes = 0x80;

  // Tells the dialog it is gone.
  ~TDialogUpdater() override;

  void InitUpdater(TUpdatedDialog* dialog);
  // Forgets the dialog (which is going).
  void ForgetDialog() { dialog_ = nullptr; }

  // An update is pending; a full one also rebuilds the selector.
  void RequestUpdate(bool full);
  // 0: a full update with a selector rebuild is pending; non-zero: the pending one is withdrawn.
  void RequestOrWithdraw(int32_t withdraw);
  // The object selector must be rebuilt.
  void RequestSelectorRebuild() { rebuildSelector_ = 1; }

  bool CanPerform() const override;
  void DoIt() override;

  uint16_t IsPending() const { return pending_; }
  uint16_t IsFull() const { return full_; }
  uint16_t WillRebuildSelector() const { return rebuildSelector_; }

 private:
  TUpdatedDialog* dialog_ = nullptr;
  uint16_t pending_ = 0;
  uint16_t full_ = 0;
  uint16_t rebuildSelector_ = 0;
  uint16_t busy_ = 0;
};
