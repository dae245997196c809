#pragma once
// The dialog of the window layer: a framework dialog whose controls come from a dialog template
// and whose behaviour comes from its items, built at initialisation from the "fltr" resource of
// the template's number. It runs for an owner, asked to take the values when the user
// confirms, modally or modeless. While it is active the main frame's keys are those of the
// "FLOATER" table; when it is left, the table that was in effect before comes back.
//
// Confirming checks the focused edit item first, then every other edit item whose text changed,
// and hands their values to the owner: a refused entry is reported once (a second report while
// the first is shown is suppressed), keeps the dialog open and is checked again at the next
// confirm. The dialog cannot be made smaller than it opened; growing it hands the
// change to every item.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mfc/CDialog.h"
#include "platform/mfc/FrameKeys.h"
#include "core/Failure.h"
#include "platform/win32/Accelerator.h"
#include "ui/dialogs/ItemFactory.h"

class TDialogOwner;
class TMacDialogItem;

// The table of the frame's keys while a dialog is active.
inline constexpr char kFloaterAccelerators[] = "FLOATER";
// The item class whose text the dialog checks before it closes (the edit items).
inline constexpr int16_t kEditTextItemClass = 305;

class TWindowsDialog : public CDialog, public TItemBuildTarget {
  DECLARE_DYNCREATE(TWindowsDialog)

 public:
  static constexpr int16_t kClassID = 342;
  static constexpr int16_t kNoTemplate = -1;

  using ItemTest = std::function<bool(TMacDialogItem* item)>;
  using ItemAction = std::function<void(TMacDialogItem* item)>;

  TWindowsDialog();
  TWindowsDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner);
  // Tells the owner the dialog is gone, frees the items, and frees a modeless dialog's owner.
  ~TWindowsDialog() override;

  // Class identity of the dialog family.
  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t depth) const { return depth == 0 ? kClassID : 0; }
  int16_t GetClassID() const { return GetClassIDAt(0); }

  // Running.
  // Sets the modal flag and runs the dialog modally; answers its result.
  virtual intptr_t RunModal();
  // Makes the dialog's window from its template; a failure raises -108.
  virtual void CreateModeless();
  bool IsModal() const { return modal_ != 0; }

  // Items.
  virtual void AddItemView(TMacDialogItem* item) override;
  virtual void RemoveItemView(TMacDialogItem* item);
  virtual void PlaceNewItems();
  // Makes the items of the "fltr" resource of the number as one panel: each new item carries
  // the number as its panel and its owning panel, and the new controls are placed for the
  // dialog's growth. A missing or malformed resource adds nothing. Answers the items made.
  int32_t AddPanelItems(int16_t number);
  // Takes the item out of the list and deletes it (its control goes with it).
  void DeleteItemView(TMacDialogItem* item);
  // Asks the owner to take the item's value (answers the owner's answer; 0 without an owner).
  virtual int16_t AcceptValue(TMacDialogItem* item, bool force);
  const std::vector<TMacDialogItem*>& Items() const { return items_; }
  TMacDialogItem* FirstItemThat(const ItemTest& test) const;
  TMacDialogItem* LastItemThat(const ItemTest& test) const;
  void EachItem(const ItemAction& action) const;
  // The item whose control has the control identifier; null when none has.
  TMacDialogItem* ItemOfControlId(int32_t controlId) const;
  TMacDialogItem* ItemOfViewIdentifier(uint32_t identifier) const;
  // Every item's check in order; the first refused entry goes to the owner's report and the
  // answer is false.
  bool ValidateAllItems();

  // Owner and state.
  TDialogOwner* GetDialogOwner() const { return owner_; }
  void SetDialogOwner(TDialogOwner* owner) { owner_ = owner; }
  void SetParentWindow(CWnd* parent);
  int16_t GetTemplateId() const { return templateId_; }
  uint16_t GetAcceptOnClose() const { return acceptOnClose_; }
  void SetAcceptOnClose(uint16_t on) { acceptOnClose_ = on; }
  HFONT GetNormalFont() const { return normalFont_; }
  POINT GetLastClick() const { return lastClick_; }
  int32_t GetHelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t context) { helpContext_ = context; }
  uint16_t GetOwnerFlag() const { return ownerFlag_; }
  POINT GetGrowth() const { return growth_; }
  const RECT& GetOpeningRect() const { return windowRect_; }
  // True from the moment the dialog is confirmed, cancelled or destroyed: its fields losing the
  // focus then hand nothing more to the owner.
  bool IsClosing() const { return closing_; }
  // Whether a confirm is checking the fields (and may be reporting one of them).
  bool IsValidating() const { return validating_; }

  // The framework's side.
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL PreTranslateMessage(MSG* message) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // The item building's view of the dialog.
  CWnd* CurrentParent() override { return currentParent_; }
  void SetCurrentParent(CWnd* parent) override { currentParent_ = parent; }
  CWnd* DialogWindow() override { return this; }

 protected:
  // The check of the edit items on confirm: the focused one, then every other one the user
  // changed. A good value goes to the owner; the first refused one is reported, and the answer
  // is false.
  bool Validate();
  // Ends the dialog: modal through the framework, modeless by destroying its window.
  void CloseModal(bool confirmed);

 private:
  void BuildItems();
  void MakeNormalFont();
  void OnMinMaxInfo(MINMAXINFO* info);
  void OnSize();
  void OnActivate(bool active);
  void OnShowWindow(bool shown);
  void FreeItems();
  // An edit item still in the dialog and not taken out of it.
  bool IsLiveEditItem(TMacDialogItem* item) const;
  // Checks the item's text: a refused one is reported and clears accept-on-close, a good one
  // is handed to the owner (with onlyWhenChanged, only when the item's text changed).
  void CheckAndAccept(TMacDialogItem* item, bool onlyWhenChanged = false);

  std::vector<TMacDialogItem*> items_;
  TDialogOwner* owner_ = nullptr;
  int32_t helpContext_ = -1;
  RECT windowRect_{};
  POINT growth_{};
  RECT clientRect_{};
  HFONT normalFont_ = nullptr;
  CWnd* currentParent_ = nullptr;
  CWnd* parentWindow_ = nullptr;
  int16_t templateId_ = kNoTemplate;
  uint16_t ownerFlag_ = 0;
  POINT lastClick_{};
  uint16_t modal_ = 0;
  uint16_t acceptOnClose_ = 1;
  // The frame's keys in effect when the dialog became active, put back when it is left.
  TFrameKeysExchange frameKeys_;
  bool wasModeless_ = false;
  bool closing_ = false;
  bool validating_ = false;
  // A failure of the item building, raised again by RunModal or CreateModeless.
  std::optional<QVException> initFailure_;
};

// The item of a window: the dialog item whose control's window is this one, or null.
TMacDialogItem* ItemOfWindow(const TWindowsDialog& dialog, HWND window);
