#pragma once
// The trackbar of slider items. Line and page steps and the ends set the item's value from the
// thumb's position and then notify it; dragging the thumb sends track notices only, and
// releasing it one value-changed notice. Leaving the control inside a change made by the
// program takes the position as the value.

#include <cstdint>

#include "platform/mfc/CSliderCtrl.h"
#include "ui/controls/LinkedControl.h"

inline constexpr int16_t kSliderItemClass = 623;

class TMacSlider : public TLinkedControl<CSliderCtrl> {
  DECLARE_DYNCREATE(TMacSlider)

 public:
  static constexpr int16_t kClassID = 309;

  TMacSlider() = default;
  // The style always comes from the item; `unused` is the creators' historical flag.
  TMacSlider(CWnd* parent, TMacDialogItem* owner, int16_t id, int32_t left, int32_t top,
             int32_t width, int32_t height, int16_t unused = 0);
  TMacSlider(CWnd* parent, int16_t id, TMacDialogItem* owner);

  TMacSlider* CreateControl();

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t) const { return kClassID; }

  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Scrolled(int32_t code, int32_t position);
};
