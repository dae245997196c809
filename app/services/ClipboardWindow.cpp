#include "app/services/ClipboardWindow.h"

#include "app/services/ClipboardView.h"
#include "core/Failure.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"

namespace {

constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
constexpr int32_t kOffset = 40;

struct OpenClipboardWindow {
  // The object goes with its window: it is only used while the window exists. Window handles
  // are never used twice, so a destroyed window is never taken for a new one.
  TOwlSubview* object = nullptr;
  HWND frame = nullptr;
};

OpenClipboardWindow& Open() {
  static OpenClipboardWindow open;
  if (open.frame != nullptr && !IsWindow(open.frame)) open = OpenClipboardWindow{};
  return open;
}

// The window of the clipboard kind lies in the MDI client as the window layer makes it; it goes
// into a document frame of its own, which gives it a caption to move it by and a close box, and
// lets the window keep its place at the frame's client origin as document windows do.
HWND FrameAround(TOwlSubview& object) {
  const HWND window = object.GetWindow() != nullptr ? object.GetWindow()->m_hWnd : nullptr;
  FailIfNull(window);
  auto* const frame = new CMDIChildWnd;  // deleted with its window, also when creation fails
  if (!frame->LoadFrame(0, kFrameStyle, nullptr, nullptr)) {
    DestroyWindow(window);
    ThrowFailure(kErrOutOfMemory, 0);
  }
  SetParent(window, frame->m_hWnd);
  SetWindowText(frame->m_hWnd, TClipboardView::Title(0).c_str());
  RECT rect{0, 0, TClipboardView::kSide, TClipboardView::kSide};
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtr(frame->m_hWnd, GWL_STYLE)), FALSE,
                     0);
  SetWindowPos(frame->m_hWnd, HWND_TOP, kOffset, kOffset, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOACTIVATE);
  frame->RecalcLayout();
  ShowWindow(window, SW_SHOW);
  return frame->m_hWnd;
}

}  // namespace

TOwlSubview* ShowClipboardWindow() {
  OpenClipboardWindow& open = Open();
  if (open.frame == nullptr) {
    TOwlSubview* const object = OpenWindow(kClipboardWindowKind, nullptr);
    if (object == nullptr) return nullptr;
    open = OpenClipboardWindow{object, FrameAround(*object)};
  }
  ShowWindow(open.frame, SW_SHOW);
  open.object->SelectWindow();
  return open.object;
}

HWND ClipboardWindowHandle() {
  return Open().frame;
}
