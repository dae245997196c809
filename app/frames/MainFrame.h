#pragma once
// The main frame: the program's top-level window with the MDI client that holds the document
// frames. Commands that no frame or view takes go to the current target of the chain of
// command; closing it ends the program.

#include "platform/mfc/CFrameWnd.h"

class TOwlWindow;

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  // Creates the frame window, shown, titled "Yarrowby".
  BOOL CreateMainWindow();
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // A document window for the MDI client: "Untitled", at (0, 0), the size of the screen.
  TOwlWindow* MakeDocumentWindow();
};
