#pragma once
// Building windows: every window is a framework window (a TOwlWindow, inside a document frame
// or straight in the main frame's MDI client), a drawing port on it and the window object over
// it. The opener is called with a window kind and a document; when it has a document frame made,
// the frame's client creation calls the client builder, and the program-wide pending window kind
// carries the kind from the one to the other.

#include <cstdint>

#include "platform/mfc/CWnd.h"

class CFrameWnd;
class TOwlSubview;
class TOwlWindow;
class TWindowDocument;

// The window kinds.
inline constexpr int32_t kDocumentWindowKind = 1000;       // document frame, group view, shown
inline constexpr int32_t kPlainDocumentWindowKind = 1001;  // document frame, window object, shown
inline constexpr int32_t kExportWindowKind = 1501;         // the yes-or-no prompt, a dialog
inline constexpr int32_t kClipboardWindowKind = 1502;      // in the MDI client, clipboard viewer
inline constexpr int32_t kHiddenDocumentWindowKind = 6662;  // document frame, group view, hidden
inline constexpr int32_t kHiddenGroupWindowKind = 6666;    // in the MDI client, group view

// What the builder asks of the application and the view layers above it.
struct TWindowBuilderHooks {
  // The main frame makes a document window (titled "Untitled", at (0, 0), the screen's size).
  TOwlWindow* (*makeDocumentWindow)() = nullptr;
  // A clipboard view over the window object joins the clipboard-viewer chain.
  void (*joinClipboardViewer)(TOwlSubview* windowObject) = nullptr;
  // The main frame lays itself out again.
  void (*layOutMainFrame)(int16_t notify) = nullptr;
  // The main frame shows or hides its palettes.
  void (*showFramePalettes)(bool show) = nullptr;
};
void SetWindowBuilderHooks(const TWindowBuilderHooks& hooks);
// Asks the frame that holds the document windows to show or hide its palettes; nothing without one.
void ShowFramePalettes(bool show);
// The group views of the world views come from above.
using TGroupViewMaker = TOwlSubview* (*)();
void SetGroupViewMaker(TGroupViewMaker maker);

// 0 while no window is being opened.
int32_t& PendingWindowKind();

// The window object of a new window of the kind, or null for a kind that is not built here.
// A frame or window that cannot be made raises -108.
TOwlSubview* OpenWindow(int32_t kind, TWindowDocument* document);
// The window object of a document frame's client, made from the framework's creation record
// with the frame as parent; null for a kind that is not built here. The pending kind, when set,
// wins over the one given.
TOwlSubview* BuildClientWindow(int32_t kind, CCreateContext* context, CWnd* parent);

// What a document frame holds: the window object its client builder made.
class TWindowObjectFrame {
 public:
  virtual TOwlSubview* WindowObject() const = 0;

 protected:
  ~TWindowObjectFrame() = default;
};
