#pragma once
// The tool bar that lays the frame's tool palette out in columns: with n columns every n-th
// button ends a row. The main frame and the in-place frame each hold one.

#include <cstdint>

#include "platform/mfc/CToolBar.h"

class CPaletteToolBar : public CToolBar {
  DECLARE_DYNAMIC(CPaletteToolBar)

 public:
  CPaletteToolBar() = default;

  // Button i (from 0) gains TBBS_WRAPPED when i + 1 is a multiple of `columns` and loses it
  // otherwise; the bar is redrawn and its frame lays out again. A count of 0 or less counts as
  // one column, so the wrap test never divides by zero.
  void SetColumnCount(int32_t columns);
  int32_t GetColumnCount() const { return columns_; }

 protected:
  // The columns stay whatever side the palette keeps to.
  void ArrangeButtons(BOOL) override {}

 private:
  int32_t columns_ = 2;
};
