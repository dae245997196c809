#pragma once
// The main frame: the program's top-level window with the menu bar and the MDI client that holds
// the document frames. Commands that no frame or view takes become command numbers that travel
// the chain of command from the current target; the command objects that come back are queued.
// Before a menu opens the application sets the menus up. Closing the frame ends the program.

#include "platform/mfc/CFrameWnd.h"

class TOwlWindow;

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  // Creates the frame window, hidden, titled "Yarrowby", with the normal menu bar and its keys.
  BOOL CreateMainWindow();
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // A document window for the MDI client: "Untitled", at (0, 0), the size of the screen.
  TOwlWindow* MakeDocumentWindow();
};
