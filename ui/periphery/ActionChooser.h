#pragma once
// The action chooser: a modal dialog whose drop-down list (control 1414) offers the program's
// actions of the 'acts' list and, at the list's placeholder, the scripts that the main menu's
// Scripts pop-up lists after its fixed items. The caller reads the chosen action code.
//
// An 'acts' record is 32 bytes: the name (at most 30 bytes, NUL-terminated when shorter) and a
// 16-bit code; -777 ends the list and -2 marks where the scripts go. The script at position
// 3 + k of the pop-up (its k-th entry) has the code 8241 + k; separators and greyed items (among
// them the item that stands in the menu while it lists no script) are not listed.
//
//   TDialogWindow (346) > TActionDialogWindow (637)

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/Tag.h"
#include "platform/mfc/CComboBox.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/WindowsDialog.h"

inline constexpr uint32_t kActionListType = MakeTag("acts");
inline constexpr int16_t kActionListResource = 1015;
inline constexpr int16_t kActionChooserDialog = 1104;
inline constexpr int32_t kActionListControl = 1414;
inline constexpr int16_t kActionListEnd = -777;
inline constexpr int16_t kMenuActionsPlace = -2;
inline constexpr int16_t kFirstMenuAction = 8241;
// Run Script, New Script and Open Script stand before the scripts.
inline constexpr int32_t kFixedMenuItems = 3;
inline constexpr size_t kMaxActions = 100;
inline constexpr int16_t kNoAction = -1;

class TActionDialogWindow;

// Called with the dialog's window object and the data given with it.
using TActionCallback = void (*)(TDialogWindow* window, intptr_t data);

struct TActionRecord {
  std::string name;
  int16_t code = 0;
};
// The records of an 'acts' list up to its end record, at most kMaxActions of them; a list
// without an end record ends with its last whole record.
std::vector<TActionRecord> ParseActionList(std::span<const uint8_t> bytes);

class TActionOwlDialog : public TWindowsDialog {
 public:
  TActionOwlDialog() = default;
  TActionOwlDialog(CWnd* parent, int16_t templateId, TDialogOwner* owner);

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  // The items' check of the dialog.
  virtual bool ValidateItems() { return Validate(); }

  void SetOkCallback(TActionCallback callback, intptr_t data) {
    okCallback_ = callback;
    okData_ = data;
  }
  int16_t GetChosenAction() const { return chosen_; }
  // The code of each entry of the list, index for index.
  std::span<const int16_t> Codes() const { return {codes_.data(), count_}; }
  CComboBox* ActionList() const { return list_.get(); }

 private:
  // Inserts the scripts after the placeholder's entry, moving the later codes along.
  void FillMenuActions(int32_t placeholder);
  void OnSelectionChange();

  int16_t chosen_ = kNoAction;
  int16_t secondCode_ = kNoAction;
  std::unique_ptr<CComboBox> list_;
  std::array<int16_t, kMaxActions> codes_{};
  size_t count_ = 0;
  intptr_t okData_ = 0;
  TActionCallback okCallback_ = nullptr;
};

class TActionDialogWindow : public TDialogWindow {
  DECLARE_CLASS_ID(637, TDialogWindow)

 public:
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;
  TWindowsDialog* CreateDialog(const TDialogCreationRecord& record) override;
  void SetDialogCallback(TActionCallback callback, intptr_t data);

  int16_t GetChosenAction() const { return chosenAction_; }
  void SetChosenAction(int16_t action) { chosenAction_ = action; }

 private:
  int16_t chosenAction_ = kNoAction;
};

// Builds the dialog's window object, lets the init callback prepare it, runs it modally and
// answers its result; 0 when no window object could be made.
int32_t RunActionChooser(int16_t dialogNumber, TActionCallback initCallback,
                         TActionCallback okCallback, intptr_t initData, intptr_t okData,
                         TWindowObject* owner);
