#include "app/frames/AppBars.h"

#include "ui/periphery/StatusBarProgress.h"

namespace {

// The number of progress displays showing in the status line.
int32_t gStatusLineHolds = 0;

}  // namespace

LRESULT CAppStatusBar::OnSetText(const char* text) {
  if (TStatusLineHold::Held()) return TRUE;
  return CStatusBar::OnSetText(text);
}

int32_t CAppToolBar::OnToolHitTest(POINT point, TOOLINFO* info) const {
  const int32_t hit = CToolBar::OnToolHitTest(point, info);
  if (hit != -1 && info != nullptr) info->uFlags |= TTF_ALWAYSTIP;
  return hit;
}

TStatusLineHold::TStatusLineHold() {
  ++gStatusLineHolds;
}

TStatusLineHold::~TStatusLineHold() {
  --gStatusLineHolds;
}

bool TStatusLineHold::Held() {
  return gStatusLineHolds > 0 || TStatusBarProgress::LiveCount() > 0;
}
