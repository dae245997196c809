#pragma once
// The document frame: a window in the main frame's MDI client whose client is built by the
// window builder (a document window with its window object). Closing the frame asks the window
// object, through the main frame's close command, instead of destroying it outright.

#include "platform/mfc/CFrameWnd.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"

class CChildFrame : public CMDIChildWnd, public TWindowObjectHolder, public TWindowObjectFrame {
  DECLARE_DYNCREATE(CChildFrame)

 public:
  BOOL OnCreateClient(CREATESTRUCT* create, CCreateContext* context) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  TOwlSubview* WindowObject() const override { return windowObject_; }
  void ForgetWindowObject() override { windowObject_ = nullptr; }

 private:
  TOwlSubview* windowObject_ = nullptr;
};
