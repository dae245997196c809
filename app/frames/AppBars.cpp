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

TStatusLineHold::TStatusLineHold() {
  ++gStatusLineHolds;
}

TStatusLineHold::~TStatusLineHold() {
  --gStatusLineHolds;
}

bool TStatusLineHold::Held() {
  return gStatusLineHolds > 0 || TStatusBarProgress::LiveCount() > 0;
}
