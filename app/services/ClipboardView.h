#pragma once
// The clipboard view: a window object's window joins the clipboard-viewer chain, so that every
// change of the clipboard repaints it.

class TOwlSubview;

class TClipboardView {
 public:
  static void JoinViewerChain(TOwlSubview* windowObject);
};
