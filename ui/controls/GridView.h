#pragma once
// The list box of the two-column table item: its rows are drawn and measured by the table, its
// clicks go to the table, and the list's drag timer tells the table the rows' area (trimmed to
// the rows' width) so that it can scroll while a selection is dragged. A click that places the
// cell editor leaves the keyboard focus in the editor, and whenever the rows scroll the table
// hears of it so that its editor can follow its cell.

#include <cstdint>

#include "platform/mfc/CListBox.h"
#include "ui/controls/LinkedControl.h"

class TGridEdit;

// What the list tells the table that owns it: its rows moved under the cell editor (a scroll, a
// wheel turn, a key or a selection that brought other rows into view).
class TGridRowsWatcher {
 public:
  virtual void RowsScrolled() = 0;

 protected:
  ~TGridRowsWatcher() = default;
};

class TGridView : public TLinkedControl<CListBox> {
  DECLARE_DYNCREATE(TGridView)

 public:
  static constexpr int16_t kClassID = 312;
  static constexpr DWORD kDefaultStyle = 0x50000000;

  TGridView() = default;
  TGridView(CWnd* parent, TMacDialogItem* owner, int16_t id, int32_t left, int32_t top,
            int32_t width, int32_t height);
  TGridView(CWnd* parent, int16_t id, TMacDialogItem* owner);

  TGridView* CreateControl();

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t) const { return kClassID; }

  BOOL PreCreateWindow(CREATESTRUCT& create) override;
  void DrawItem(DRAWITEMSTRUCT* draw) override;
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // The list's own handling of a press, which takes the focus: a cell editor that the press
  // focused gets it back, without committing its cell on the way.
  LRESULT PressKeepingEditorFocus();
  // The cell editor inside the list that has the keyboard focus; null when the focus is elsewhere.
  TGridEdit* FocusedEditor() const;
  BOOL HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Whether the message can change the first row shown.
  static bool MayScroll(UINT message);
};
