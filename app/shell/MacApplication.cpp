#include "app/shell/MacApplication.h"

#include "app/services/ClipboardView.h"
#include "core/Alert.h"
#include "core/port/Port.h"
#include "core/port/PortText.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "ui/views/OwlSubview.h"

IMPLEMENT_DYNAMIC(TMacApplication, CWinApp)

namespace {

// A screen point as WindowAtPoint takes it: horizontal high, vertical low.
uint32_t PackScreenPoint(POINT point) {
  return (static_cast<uint32_t>(static_cast<uint16_t>(point.x)) << 16) |
         static_cast<uint16_t>(point.y);
}

// A point as the regions take it.
uint32_t PackRegionPoint(POINT point) {
  MacPoint mac;
  mac.h = static_cast<int16_t>(point.x);
  mac.v = static_cast<int16_t>(point.y);
  return mac.Packed();
}

void SetPixelSquare(RegionRec* region, POINT point) {
  RegionSetRect(region, static_cast<int16_t>(point.x), static_cast<int16_t>(point.y),
                static_cast<int16_t>(point.x + 1), static_cast<int16_t>(point.y + 1));
}

// Whether the port holds a context that it got for a window, outside any picture recording.
bool PortHoldsWindowContext() {
  return PortBindingState() == 2 && GetPortDC() != nullptr && !IsRecordingMetafile();
}

}  // namespace

class TMacApplication::PortGuard {
 public:
  PortGuard() : active_(PortHoldsWindowContext()) {
    if (!active_) return;
    const HDC dc = GetPortDC();
    brush_ = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    pen_ = SelectObject(dc, GetStockObject(BLACK_PEN));
    font_ = SelectObject(dc, GetStockObject(SYSTEM_FONT));
    ReleaseDC(GetPortWindow(), dc);
    SetPortDC(nullptr);
  }
  ~PortGuard() {
    if (!active_) return;
    if (GetPortDC() == nullptr) {
      const HWND window = GetPortWindow();
      const HDC dc = window != nullptr && IsWindow(window) ? GetDC(window) : nullptr;
      if (dc != nullptr) {
        SetPortDC(dc);
        SelectObject(dc, brush_);
        SelectObject(dc, pen_);
        SelectObject(dc, font_);
        return;
      }
    }
    // A handler bound the port again, or its window is gone: the kept objects are not needed.
    DeleteObject(brush_);
    DeleteObject(pen_);
    ReleaseFont(static_cast<HFONT>(font_));
  }
  PortGuard(const PortGuard&) = delete;
  PortGuard& operator=(const PortGuard&) = delete;

 private:
  bool active_;
  HGDIOBJ brush_ = nullptr;
  HGDIOBJ pen_ = nullptr;
  HGDIOBJ font_ = nullptr;
};

TMacApplication::TMacApplication()
    : TApplicationNesting(static_cast<TFailureReporter&>(*this)),
      TApplicationHandler(TApplicationNesting::nesting) {
  // The chain starts empty: start-up makes the application's own handler the target.
  ResetTarget(this);
  ResetTarget(nullptr);
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
  cursorRegion_ = AllocRegion();
}

TMacApplication::~TMacApplication() {
  // The handler reads the system clipboard itself again before the view goes.
  SetOwnClipboardView(nullptr);
  if (PortBindingState() == 2 && GetPortDC() != nullptr) {
    const HDC dc = GetPortDC();
    DeleteObject(SelectObject(dc, GetStockObject(NULL_BRUSH)));
    DeleteObject(SelectObject(dc, GetStockObject(NULL_PEN)));
    ReleaseFont(static_cast<HFONT>(SelectObject(dc, GetStockObject(SYSTEM_FONT))));
    ReleaseDC(GetPortWindow(), dc);
    SetPortDC(nullptr);
    SetPortWindow(nullptr);
  }
  FreeRegion(cursorRegion_);
  cursorRegion_ = nullptr;
}

void TMacApplication::InitMacApp() {
  SetTarget(this);
  ready_ = 1;
  InitTargetHandler(nullptr);
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
  // Set up without a parent it has no window, so it stays out of the clipboard-viewer chain.
  auto clipboardView = std::make_unique<TClipboardView>();
  clipboardView->IClipboardView(nullptr);
  SetOwnClipboardView(clipboardView.get());
  clipboardView_ = std::move(clipboardView);
  ClaimClipboard(OwnClipboardView());
  ResetUndoLabelCache();
  SetTrackHysteresis(kTrackHysteresis, kTrackHysteresis);
  SetPreTranslator([this](MSG* message) { return PreTranslateMessage(message) != FALSE; });
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

BOOL TMacApplication::PumpMessage() {
  if (!catchingUp_) PerformQueuedPass();
  catchingUp_ = false;
  const bool staying = HasReadyCommand();
  PortGuard guard;
  if (!PumpOneMessage(!staying)) return FALSE;
  // A message taken while a staying command waits: the ones behind it come first too.
  if (staying && m_msgCur.message != WM_KICKIDLE) catchingUp_ = true;
  return TRUE;
}

BOOL TMacApplication::OnIdle(int32_t count) {
  const BOOL more = CWinApp::OnIdle(count);
  if (count == 0) {
    // A failure of an idle handler is shown once and the loop goes on.
    nesting.Perform([this] { IdleChains(0); });
  }
  AdjustCursorAtIdle();
  return more;
}

BOOL TMacApplication::SaveAllModified() {
  const BOOL answer = CWinApp::SaveAllModified();
  if (answer) quitting_ = 1;
  return answer;
}

int32_t TMacApplication::RunEventLoop(HWND mainFrame) {
  SetMainFrame(mainFrame);
  catchingUp_ = false;
  const int32_t code = RunMessageLoop();
  SetMainFrame(nullptr);
  return code;
}

void TMacApplication::ShowError(int16_t error, int32_t message) {
  if (error != kErrNone) ErrorAlert(error, message);
}

void TMacApplication::TargetChanged() {
  if (cursorRegion_ != nullptr) RegionSetEmpty(cursorRegion_);
}

bool TMacApplication::AdjustCursorAtIdle() {
  if (cursorRegion_ == nullptr) return false;
  POINT mouse;
  GetCursorPos(&mouse);
  if (!RegionIsEmpty(cursorRegion_) && RegionContainsPoint(PackRegionPoint(mouse), cursorRegion_))
    return false;
  RegionSetEmpty(cursorRegion_);

  TWrappedWindow* view = nullptr;
  HWND window = nullptr;
  TWindowPort* port = nullptr;
  if (WindowAtPoint(PackScreenPoint(mouse), &port) == kInPortWindowContent && port != nullptr) {
    auto* candidate = dynamic_cast<TWrappedWindow*>(port->view);
    TOwlSubview* const front = TOwlSubview::CurrentWindow();
    if (candidate != nullptr && front != nullptr && candidate->GetWindowObject() == front) {
      view = candidate;
      window = port->Window();
    }
  }
  bool set = false;
  if (view != nullptr) {
    POINT client = mouse;
    ScreenToClient(window, &client);
    RegionRec* const local = AllocRegion();
    set = view->FindCursorView(TViewPoint{client.x, client.y}, local) != nullptr;
    if (set && !RegionIsEmpty(local)) {
      POINT origin{0, 0};
      ClientToScreen(window, &origin);
      RegionOffset(local, static_cast<int16_t>(origin.x), static_cast<int16_t>(origin.y));
      RegionCopy(local, cursorRegion_);
    }
    FreeRegion(local);
  }
  if (!set) {
    SetPixelSquare(cursorRegion_, mouse);
  } else if (RegionIsEmpty(cursorRegion_)) {
    SetPixelSquare(cursorRegion_, mouse);
  }
  return set;
}
