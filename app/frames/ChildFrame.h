#pragma once
// The document frame: a window in the main frame's MDI client whose client is built by the
// window builder (a document window with its window object). Closing the frame asks the window
// object, through the main frame's close command, instead of destroying it outright. Every
// change of its position records whether document windows are maximised (the zoom state kept
// between runs). Its menu traffic is passed on to the main frame, which sets the menus up and
// keeps the status line; it is never sized below its window object's minimum.

#include "platform/mfc/CFrameWnd.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"

class CChildFrame : public CMDIChildWnd, public TWindowObjectHolder, public TWindowObjectFrame {
  DECLARE_DYNCREATE(CChildFrame)

 public:
  BOOL OnCreateClient(CREATESTRUCT* create, CCreateContext* context) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;

  static constexpr UINT kInsertObjectCommand = 57856;
  static constexpr UINT kCancelEditCommand = 32768;
  // Puts the embedded world shown in the frame into its item.
  static constexpr UINT kUpdateItemCommand = 57609;
  // The menu bar of an embedded world open in a window of its own.
  static constexpr UINT kEmbeddedWorldMenu = 5;
  // Insert Object: a new world (shown at once) or a world file embedded in the active document.
  void OnInsertObject();
  // Ends in-place editing in the active document, keeping what changed.
  void OnCancelEditCntr();
  // Insert Object while the document may take items; ending in-place editing while an item is
  // edited in place.
  void UpdateItemCommand(CCmdUI& update);

  TOwlSubview* WindowObject() const override { return windowObject_; }
  void ForgetWindowObject() override { windowObject_ = nullptr; }

 private:
  // The main frame's title names the document of the active frame.
  void NameInMainTitle();
  static constexpr char kProgramTitle[] = "Yarrowby";
  void RecordZoomState();
  void ForwardMenuSelect(WPARAM wParam, LPARAM lParam);
  void LimitMinimumSize(MINMAXINFO* info) const;
  void OnLButtonDblClk();
  // While the frame is the active document frame and shows a world serving an embedded item, the
  // menu bar is the embedded world's; the bar before it comes back.
  void ShowItemMenu(bool show);
  CView* WindowObjectView() const;

  TOwlSubview* windowObject_ = nullptr;
  HMENU itemMenu_ = nullptr;
  HMENU barBefore_ = nullptr;
};
