#pragma once
// The drop-down list of popup items. Choosing an entry hands the item to the dialog; choosing
// the last entry first asks the item, which may handle that choice itself (a "more" entry).
// Its entries are drawn and measured by the item.

#include <cstdint>

#include "platform/mfc/CComboBox.h"
#include "ui/controls/ControlLink.h"
#include "ui/items/ItemControl.h"

class TMacCombobox : public CComboBox, public TItemControl {
  DECLARE_DYNCREATE(TMacCombobox)

 public:
  static constexpr int16_t kClassID = 311;

  TMacCombobox() = default;
  TMacCombobox(CWnd* parent, TMacDialogItem* owner, int16_t id, const char* title, int32_t left,
               int32_t top, int32_t width, int32_t height, DWORD style);
  TMacCombobox(CWnd* parent, int16_t id, TMacDialogItem* owner);
  ~TMacCombobox() override;

  TMacCombobox* CreateControl();
  void SetStyle(DWORD style) { link_.SetStyle(style); }
  DWORD RecordedStyle() const { return link_.style; }

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t) const { return kClassID; }

  CWnd* ControlWindow() override { return this; }
  void SetOwnerItem(TMacDialogItem* item) override { link_.owner = item; }
  TMacDialogItem* OwnerItem() const override { return link_.owner; }
  void DestroyControl() override;

  void DrawItem(DRAWITEMSTRUCT* draw) override;
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  void SelectionChanged();
  TControlLink link_;
};
