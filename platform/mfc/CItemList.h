#pragma once
// What list boxes and combo boxes of the framework share: items kept by the window layer's
// control, asked for through that control's own messages, and owner drawing. The WM_MEASUREITEM
// and WM_DRAWITEM the parent receives come back to MeasureItem and DrawItem.

#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/win32/OwnerDraw.h"

// The messages by which one kind of control keeps its items.
struct ItemListMessages {
  UINT addString;
  UINT insertString;
  UINT deleteString;
  UINT resetContent;
  UINT getCount;
  UINT getCurSel;
  UINT setCurSel;
  UINT getTextLength;
  UINT getText;
  UINT getItemData;
  UINT setItemData;
  UINT getItemHeight;
};

class CItemList : public CWnd {
 public:
  int32_t AddString(const char* text);
  int32_t InsertString(int32_t index, const char* text);
  // An item of an owner-drawn control without texts: its value.
  int32_t AddItem(uintptr_t data);
  int32_t DeleteString(int32_t index);
  void ResetContent();
  int32_t GetCount() const;
  int32_t GetCurSel() const;
  int32_t SetCurSel(int32_t index);
  std::string GetText(int32_t index) const;
  uintptr_t GetItemData(int32_t index) const;
  int32_t SetItemData(int32_t index, uintptr_t data);
  int32_t GetItemHeight(int32_t index) const;

  // Nothing here; an owner-drawn control overrides them.
  virtual void DrawItem(DRAWITEMSTRUCT* draw);
  virtual void MeasureItem(MEASUREITEMSTRUCT* measure);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  explicit CItemList(const ItemListMessages& messages) : messages_(messages) {}
  int32_t Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

 private:
  const ItemListMessages& messages_;
};
