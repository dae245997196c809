#include "ui/controls/PaletteToolBar.h"

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Message.h"
#include "platform/win32/ToolBar.h"

IMPLEMENT_DYNAMIC(CPaletteToolBar, CToolBar)

void CPaletteToolBar::SetColumnCount(int32_t columns) {
  columns_ = columns;
  const int32_t every = columns > 0 ? columns : 1;
  const auto count = static_cast<int32_t>(SendMessage(TB_BUTTONCOUNT, 0, 0));
  for (int32_t i = 0; i < count; ++i) {
    const UINT style = GetButtonStyle(i);
    SetButtonStyle(i, (i + 1) % every == 0 ? style | TBBS_WRAPPED : style & ~TBBS_WRAPPED);
  }
  Invalidate(TRUE);
  if (CFrameWnd* frame = GetParentFrame()) frame->RecalcLayout(TRUE);
}
