#pragma once
// The program's clipboard window: a captioned top-level window, owned by the main frame, that
// holds one clipboard view and so watches the clipboard. There is one at a time; closing it
// takes its view out of the clipboard-viewer chain.

#include "ui/views/OwlView.h"

class TClipboardWindow : public TOwlWindow {
 public:
  // The open clipboard window brought to the front, or a new one made and shown; null when the
  // window cannot be made.
  static TClipboardWindow* Show(CWnd* owner);
  // The open clipboard window, or null.
  static TClipboardWindow* Open();

  explicit TClipboardWindow(CWnd* owner);
  BOOL CreateView(CCreateContext* context, CWnd* parent) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  const char* GetClassName() const override { return "TClipboardWindow"; }
};
