#pragma once
// A button drawn from bitmaps: the normal picture, the one while pressed (or selected), and
// optionally those with the focus and while disabled; a missing picture falls back to the
// normal one. The button must be owner-drawn (BS_OWNERDRAW).

#include "platform/mfc/CButton.h"
#include "platform/win32/GdiTypes.h"

class CBitmapButton : public CButton {
  DECLARE_DYNAMIC(CBitmapButton)

 public:
  CBitmapButton() = default;
  ~CBitmapButton() override;

  // Loads the pictures by resource number (0 for none); false when the normal one is missing.
  BOOL LoadBitmaps(UINT normal, UINT selected = 0, UINT focus = 0, UINT disabled = 0);
  // Draws the picture of the button's state at the item rectangle's corner.
  void DrawItem(DRAWITEMSTRUCT* draw) override;

  HBITMAP NormalBitmap() const { return normal_; }
  HBITMAP SelectedBitmap() const { return selected_; }

 private:
  void FreeBitmaps();
  HBITMAP normal_ = nullptr;
  HBITMAP selected_ = nullptr;
  HBITMAP focus_ = nullptr;
  HBITMAP disabled_ = nullptr;
};
