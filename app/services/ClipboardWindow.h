#pragma once
// Window > Show Clipboard: the clipboard window is a window of the clipboard kind (its window
// object holds a clipboard view, which watches the clipboard) in a document frame of its own in
// the main frame's MDI client, sized to hold the view. There is one at a time: choosing the item
// again brings the open one forward. Closing it takes its view out of the clipboard-viewer
// chain.

#include "platform/win32/WindowTypes.h"

class TOwlSubview;

// The open clipboard window brought forward, or a new one opened and shown; null when none can
// be made (a failure to make it passes on).
TOwlSubview* ShowClipboardWindow();
// The frame of the open clipboard window, or null.
HWND ClipboardWindowHandle();
