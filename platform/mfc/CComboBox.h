#pragma once
// Combo boxes of the framework over the window layer's drop-down lists. An owner-drawn combo box
// measures and draws its own items (see CItemList).

#include "platform/mfc/CItemList.h"

class CComboBox : public CItemList {
  DECLARE_DYNAMIC(CComboBox)

 public:
  CComboBox();
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  // Index -1 is the selection field.
  int32_t SetItemHeight(int32_t index, UINT height);
  BOOL ShowDropDown(BOOL show = TRUE);
  BOOL GetDroppedState() const;
};
