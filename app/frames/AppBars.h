#pragma once
// The main frame's own bars. The status bar keeps its message pane while a progress display
// holds the status line, so that menu prompts and the idle message do not overwrite it.

#include "platform/mfc/CStatusBar.h"
#include "platform/mfc/CToolBar.h"

class CAppStatusBar : public CStatusBar {
 protected:
  // Swallowed, reporting success, while a progress display holds the status line.
  LRESULT OnSetText(const char* text) override;
};

// The main frame's tool bars show their tips even while the frame is not the active window.
class CAppToolBar : public CToolBar {
 public:
  int32_t OnToolHitTest(POINT point, TOOLINFO* info) const override;
};

// Held by a progress display for as long as it shows in the status line; the holds nest.
class TStatusLineHold {
 public:
  TStatusLineHold();
  ~TStatusLineHold();
  TStatusLineHold(const TStatusLineHold&) = delete;
  TStatusLineHold& operator=(const TStatusLineHold&) = delete;
  // Also while a status-bar progress indicator lives.
  static bool Held();
};
