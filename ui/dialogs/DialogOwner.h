#pragma once
// What a resource-laid-out dialog asks of the object on whose behalf it runs: the window object
// of the dialog (TDialogWindow and its family) or a command that opened it. The dialog holds
// its owner without owning it (a modeless dialog's owner goes with the dialog).

#include <cstdint>

class TMacDialogItem;
class TTargetHandler;
class TWindowsDialog;

class TDialogOwner {
 public:
  virtual ~TDialogOwner() = default;

  // The owner's class identity (the dialog treats owners of the property-dialog family, 424,
  // and of the point table window, 543, apart).
  virtual bool IsOwnerMemberClass(int16_t classId) const = 0;
  virtual int16_t OwnerClassIDAt(int16_t depth) const = 0;

  // An item's value is to be taken; answers 0 when it was.
  virtual int16_t AcceptValue(TMacDialogItem* item) = 0;
  // An item's entry was refused with the error.
  virtual void ReportValidationFailure(TMacDialogItem* item, int16_t error) = 0;
  // The dialog was confirmed (true) or cancelled (false).
  virtual void ConfirmOrCancelNotice(bool confirmed) = 0;
  virtual void RefreshNotice() {}
  virtual void UpdateNotice() {}
  virtual void MarkChangedNotice(int16_t) {}
  virtual void ShownNotice(bool) {}
  // An edit item took the focus (the property dialogs note it as their current item).
  virtual void ItemFocused(TMacDialogItem*) {}
  // Every item's entry is checked in order; the first refused one is reported (false).
  virtual bool ValidateAll() { return true; }
  // The handler of the window object over which the owner stands, or null.
  virtual TTargetHandler* ParentHandler() const { return nullptr; }
  // The layout number of the property dialogs (0 for other owners).
  virtual int16_t LayoutNumber() const { return 0; }
  // The details part of the layout is shown (true) or hidden.
  virtual void ShowDetails(bool) {}
  // The dialog is going: the owner forgets it.
  virtual void DialogGone(TWindowsDialog*) {}
  // Called by the dialog's destructor for a modeless dialog, whose owner goes with it.
  virtual void FreeOwner() { delete this; }
};
