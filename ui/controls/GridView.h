#pragma once
// The list box of the two-column table item: its rows are drawn and measured by the table, its
// clicks go to the table, and the list's drag timer tells the table the rows' area (trimmed to
// the rows' width) so that it can scroll while a selection is dragged.

#include <cstdint>

#include "platform/mfc/CListBox.h"
#include "ui/controls/LinkedControl.h"

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
};
