#pragma once
// The in-place editor of the two-column table: an edit control whose keys commit the cell and
// move the editing to a neighbouring cell. Return moves to the next cell (Shift+Return to the
// previous one), Up and Down to the row above or below, Left and Right to the other column when
// the caret cannot move further; Tab commits and leaves the move to the dialog. A refused text is
// reported once and the editor stays on its cell with the whole text selected.
//
// While the editor is disarmed (the table moves it) a lost focus does not commit. The mouse
// wheel turned over the editor scrolls the table's rows.

#include <cstdint>

#include "ui/controls/MacEdit.h"

class TWindowsDialog;

// What the editor asks of the table it edits.
class TCellTable {
 public:
  // Sets whether the table follows the editor's cell; answers the previous setting.
  virtual int16_t SetCellTracking(int16_t on) = 0;
  virtual void NextCell() = 0;
  virtual void PreviousCell() = 0;
  virtual void OtherColumn() = 0;
  virtual void PreviousRow() = 0;
  virtual void NextRow() = 0;

 protected:
  ~TCellTable() = default;
};

class TGridEdit : public TMacEdit {
  DECLARE_DYNCREATE(TGridEdit)

 public:
  static constexpr int16_t kControlId = 1301;

  TGridEdit() = default;
  // As the edit control's, with a border.
  TGridEdit(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
            int32_t top, int32_t width, int32_t height);

  void SetOwner(TMacDialogItem* owner) { SetOwnerItem(owner); }
  TMacDialogItem* Owner() const { return OwnerItem(); }
  void SetArmed(uint16_t armed) { armed_ = armed; }
  uint16_t IsArmed() const { return armed_; }
  // The table that owns the list the editor stands in; null when there is none.
  void SetTable(TCellTable* table) { table_ = table; }
  TCellTable* GetTable() const { return table_; }

  // Checks the text and hands a good one to the dialog; a refused one is reported. Answers 0
  // when a refusal was reported, else 1.
  int16_t Commit(bool fromReturn);

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  BOOL OnKeyDown(WPARAM key, LRESULT* result);
  void OnKeyUp(WPARAM key, LRESULT* result);
  void OnKillFocus(LRESULT* result);
  // Whether the caret stands at an edge the text cannot pass: everything or nothing selected
  // from the start.
  bool AtTextEdge();
  // The dialog the table's list stands in.
  TWindowsDialog* Dialog() const;

  uint16_t armed_ = 1;
  TCellTable* table_ = nullptr;
};
