#pragma once
// What a dialog item asks of the control that shows it. Each Macintosh-style control class
// implements it beside its framework control base. The item and its control point at each
// other; whichever goes first clears the other's pointer to it, so neither is deleted twice.

class CWnd;
class TMacDialogItem;

class TItemControl {
 public:
  // The control's window object (its window may not exist yet, or any more).
  virtual CWnd* ControlWindow() = 0;
  // Stores the owner item; null when the item goes first.
  virtual void SetOwnerItem(TMacDialogItem* item) = 0;
  virtual TMacDialogItem* OwnerItem() const = 0;
  // Destroys the control: its window, when there is one and the control deletes itself with
  // it, else the object. The owner has been cleared before.
  virtual void DestroyControl() = 0;

 protected:
  ~TItemControl() = default;
};
