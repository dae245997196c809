#pragma once
// Combo boxes of the framework over the window layer's drop-down lists. An owner-drawn combo box
// measures and draws its own items: the WM_MEASUREITEM and WM_DRAWITEM its parent receives come
// back to MeasureItem and DrawItem.

#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/win32/OwnerDraw.h"

class CComboBox : public CWnd {
  DECLARE_DYNAMIC(CComboBox)

 public:
  CComboBox() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  int32_t AddString(const char* text);
  int32_t InsertString(int32_t index, const char* text);
  // An item of an owner-drawn combo box without texts: its value.
  int32_t AddItem(uintptr_t data);
  int32_t DeleteString(int32_t index);
  void ResetContent();
  int32_t GetCount() const;
  int32_t GetCurSel() const;
  int32_t SetCurSel(int32_t index);
  std::string GetText(int32_t index) const;
  uintptr_t GetItemData(int32_t index) const;
  int32_t SetItemData(int32_t index, uintptr_t data);
  // Index -1 is the selection field.
  int32_t SetItemHeight(int32_t index, UINT height);
  int32_t GetItemHeight(int32_t index) const;
  BOOL ShowDropDown(BOOL show = TRUE);
  BOOL GetDroppedState() const;

  // Nothing here; an owner-drawn list box overrides them.
  virtual void DrawItem(DRAWITEMSTRUCT* draw);
  virtual void MeasureItem(MEASUREITEMSTRUCT* measure);
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};
