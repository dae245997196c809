#pragma once
// The drop-down list of popup items. Choosing an entry hands the item to the dialog; choosing
// the last entry first asks the item, which may handle that choice itself (a "more" entry).
// Its entries are drawn and measured by the item.

#include <cstdint>

#include "platform/mfc/CComboBox.h"
#include "ui/controls/LinkedControl.h"

class TMacCombobox : public TLinkedControl<CComboBox> {
  DECLARE_DYNCREATE(TMacCombobox)

 public:
  static constexpr int16_t kClassID = 311;

  TMacCombobox() = default;
  TMacCombobox(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
               int32_t top, int32_t width, int32_t height, DWORD style);
  TMacCombobox(CWnd* parent, int16_t id, TMacDialogItem* owner);

  TMacCombobox* CreateControl();

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t) const { return kClassID; }

  void DrawItem(DRAWITEMSTRUCT* draw) override;
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void SelectionChanged();
};
