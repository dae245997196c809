#pragma once
// List boxes of the framework over the window layer's list boxes. An owner-drawn list box
// measures and draws its own items (see CItemList).

#include "platform/mfc/CItemList.h"

class CListBox : public CItemList {
  DECLARE_DYNAMIC(CListBox)

 public:
  CListBox();
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int32_t GetItemRect(int32_t index, RECT* rect) const;
  int32_t SetItemHeight(int32_t index, UINT height);
  int32_t GetTopIndex() const;
  int32_t SetTopIndex(int32_t index);
};
