#pragma once
// The window object of a dialog: the side of a dialog that sits in the chain of command, is
// created and driven by the rest of the program, and owns the framework dialog (a
// TWindowsDialog or one of the dialogs of OwlDialogs.h). A modal run answers the result tag
// the dialog accepted, or the cancel result; a modeless dialog stays open beside the windows.
//
//   TTargetHandler (318) > TDialogWindow (346) > WindowBase (424, WindowBase.h)

#include <cstdint>

#include "core/PString.h"
#include "model/handler/TargetHandler.h"
#include "ui/dialogs/DialogOwner.h"

class CWnd;
class TDialogWindow;
class TWindowsDialog;

// What a dialog window object is made from (by the dialog factory).
struct TDialogCreationRecord {
  TDialogWindow* window = nullptr;
  int32_t templateNumber = 0;
  int32_t cancelResult = 0;
  int16_t layoutNumber = 0;
  int16_t commandNumber = 0;
};

// A window object over which a dialog can stand: its window and its handler.
class TWindowObject {
 public:
  virtual CWnd* GetObjectWindow() = 0;
  virtual TTargetHandler* GetHandlerPart() = 0;

 protected:
  ~TWindowObject() = default;
};

// The window class identifiers that choose the dialog class.
inline constexpr int16_t kFloatingWindowClass = 426;
inline constexpr int16_t kMoreChoicesWindowClass = 427;
inline constexpr int16_t kMoreDetailsWindowClass = 429;
// The template numbers of the larger layouts of floating windows lie this far above.
inline constexpr int32_t kLargeLayoutOffset = 5000;
// The result tag before anything was chosen.
inline constexpr uint32_t kNoResultTag = 0x20202020;
// String list and alert of refused entries.
inline constexpr int16_t kItemErrorList = 300;
inline constexpr int16_t kItemErrorAlert = 299;

class TDialogWindow : public TTargetHandler, public TDialogOwner, public TWindowObject {
  DECLARE_CLASS_ID(346, TTargetHandler)

 public:
  TDialogWindow() = default;
  // Deletes the companion object and the dialog (which first forgets this object).
  ~TDialogWindow() override;

  // Stores the parent, makes the dialog (CreateDialog; none raises -108) and links this object
  // after the parent's handler. A failure after the dialog exists deletes it and passes on.
  virtual void Initialize(TWindowObject* parent, intptr_t ignored,
                          const TDialogCreationRecord* record);
  // Makes the dialog of the window's class; see DialogWindow.cpp.
  virtual TWindowsDialog* CreateDialog(const TDialogCreationRecord& record);

  // True when the window with the keyboard focus is the dialog.
  virtual bool IsActive() const;
  // Every item accepts its contents.
  virtual bool Validate();
  // Shows the error of an item's entry (0 nothing; -1 only puts the item's previous text back;
  // 1 to 5 text n of list 300, any other text 1), gives the dialog and the item the focus
  // again, and puts the item's previous text back.
  virtual void ReportItemError(TMacDialogItem* item, int16_t error);
  // The same with the text that says why.
  void ReportItemRefusal(TMacDialogItem* item, const Str255& text);
  // Called when the dialog is confirmed or cancelled; nothing here.
  virtual void ConfirmResult() {}
  // Once per run: when every item validates, the tag becomes the result; otherwise a silent
  // failure.
  virtual void SetResultTag(uint32_t tag);
  virtual void ShowModeless();
  virtual TMacDialogItem* FindItem(uint32_t identifier) const;
  virtual void ResetResult();
  // Runs the dialog modally: the cancel result when it ended with Cancel, else the result tag.
  // A dialog whose window cannot be made (no template) fails with -108.
  virtual int32_t PoseModally();
  virtual void Reparent(TWindowObject* parent);
  virtual void SetActive(int16_t) {}
  virtual void SetAskOnError(int16_t, intptr_t) {}

  // The item walks over the dialog's items.
  void EachItem(void (*function)(TMacDialogItem* item, void* data), void* data) const;
  TMacDialogItem* FirstItemThat(bool (*test)(TMacDialogItem* item, void* data), void* data) const;
  TMacDialogItem* LastItemThat(bool (*test)(TMacDialogItem* item, void* data), void* data) const;
  // Edit items (305) and composite items (539).
  void EachEditItem(void (*function)(TMacDialogItem* item, void* data), void* data) const;
  HWND GetDialogHandle() const;
  bool IsDialogFocused() const;
  // Stores the parent; the next handler becomes the parent's handler, or the application's.
  void SetParentWindow(TWindowObject* parent);

  TWindowsDialog* GetDialog() const { return dialog_; }
  TWindowObject* GetParentObject() const { return parent_; }
  int32_t GetTemplateNumber() const { return templateNumber_; }
  int32_t GetCancelResult() const { return cancelResult_; }
  uint32_t GetResultTag() const { return resultTag_; }
  uint16_t IsResultSet() const { return resultSet_; }
  TObject* GetCompanion() const { return companion_; }
  void SetCompanion(TObject* companion);
  // 1 when the entries last reported were accepted as they are (the property dialogs set it).
  uint16_t GetEntriesValid() const { return entriesValid_; }
  void SetEntriesValid(uint16_t valid) { entriesValid_ = valid; }

  // TDialogOwner.
  bool IsOwnerMemberClass(int16_t classId) const override { return IsMemberClass(classId); }
  int16_t OwnerClassIDAt(int16_t depth) const override { return GetClassIDAt(depth); }
  int16_t AcceptValue(TMacDialogItem*) override { return 0; }
  void ReportValidationFailure(TMacDialogItem* item, int16_t error) override {
    ReportItemError(item, error);
  }
  void ConfirmOrCancelNotice(bool) override { ConfirmResult(); }
  bool ValidateAll() override { return Validate(); }
  TTargetHandler* ParentHandler() const override;
  void DialogGone(TWindowsDialog* dialog) override;
  void FreeOwner() override { Free(); }

  // TWindowObject.
  CWnd* GetObjectWindow() override;
  TTargetHandler* GetHandlerPart() override { return this; }

 protected:
  // The parent window of the dialog: the parent object's window, else the main frame.
  CWnd* DialogParentWindow() const;
  // The made dialog becomes this object's dialog (one made before is deleted); answers it.
  TWindowsDialog* AdoptDialog(TWindowsDialog* made);

 private:
  int32_t templateNumber_ = 0;
  int32_t cancelResult_ = 0;
  int32_t reserved_ = 0;
  uint32_t resultTag_ = kNoResultTag;
  TWindowObject* parent_ = nullptr;
  uint16_t resultSet_ = 0;
  TObject* companion_ = nullptr;
  TWindowsDialog* dialog_ = nullptr;
  uint16_t entriesValid_ = 1;
};
