#pragma once
// Text typed in place into a gadget of the world window (a block of free text): the main world
// view lends the gadget a rich text field, in which the gadget makes a rich edit control over
// itself holding its text in its text style. While the field is open the main frame's keys are
// those of the "EDITING" table, so that the editing keys reach the control; the text commands of
// the Edit menu act on the field's text, and the Font command on its style. A double click on the
// gadget begins the editing; it ends when the field loses the keyboard, when another command or
// press comes, or when the view goes. A text left empty takes its gadget out of the world,
// undoably.
//
//   TWrappedWindow (340) > TTextEditView > TGadgetTextField

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/mfc/FrameKeys.h"
#include "ui/controls/TextEditView.h"

class TLink;
class TMainWorldView;

// The main frame's keys while text is typed into a field on a world window.
inline constexpr char kEditingAccelerators[] = "EDITING";
// The main frame (when there is one) takes the editing keys, and later gets back the keys it
// had.
void TakeEditingKeys(TFrameKeysExchange& keys);
void GiveBackFrameKeys(TFrameKeysExchange& keys);

// What a gadget whose text is typed in place offers the view.
class TWindowTextGadget {
 public:
  // Whether a double click at the point (view pixels) begins the editing.
  virtual bool StartsTextEdit(MacPoint point) const = 0;
  // Makes the field's rich control over the gadget holding its text and style; false when the
  // control cannot be made.
  virtual bool BeginEditing(TTextEditView& field) = 0;
  // Takes the text, the style and the size back from the field's control; true when the text
  // is now empty and the gadget is to leave the world.
  virtual bool EndEditing(TTextEditView& field) = 0;

 protected:
  ~TWindowTextGadget() = default;
};

class TGadgetTextField : public TTextEditView {
 public:
  ~TGadgetTextField() override;
  // A hidden field of no size under the view, made when a gadget is first edited.
  void InitGadgetTextField(TMainWorldView* view);

  // The window the control is made in: the view's own, so that the control lies over the
  // gadget at the gadget's pixels.
  CWnd* HostWindow() const;
  // The gadget being edited, while its control is a live window.
  TLink* LiveGadget() const;
  bool IsEditing() const { return gadget_ != nullptr; }

  // Hands the field to the gadget and gives the frame the editing keys; false when the gadget
  // could make no control.
  bool Begin(TLink& gadget);
  // The gadget takes its text back and the control goes; answers the gadget when its text was
  // left empty, else null.
  TLink* End();
  // The control lost the keyboard: the view ends the editing.
  void FocusLost();

 private:
  TMainWorldView* view_ = nullptr;
  TLink* gadget_ = nullptr;
  TFrameKeysExchange keys_;
  bool ending_ = false;
};
