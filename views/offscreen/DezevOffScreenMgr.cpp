// TDezevOffScreenMgr: the pictures, the targets of drawing, the copies between them and the
// painting of its window TOwlOffScreenMgr; BuildOffScreenManager.

#include "views/offscreen/DezevOffScreenMgr.h"

#include "core/Failure.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/ViewServices.h"

IMPLEMENT_DYNCREATE(TOwlOffScreenMgr, TOwlView)

namespace {

constexpr int16_t kScrollBarContainerClassID = 643;
constexpr int16_t kMainWorldViewClassID = 522;

// The target every manager's drawing goes to now: one drawing pass runs at a time.
int32_t& SharedTarget() {
  static int32_t target = TDezevOffScreenMgr::kTargetScreen;
  return target;
}

// Sets a context's window and viewport origins to (0, 0) and puts them back at the end.
class TOriginsAtZero {
 public:
  explicit TOriginsAtZero(HDC dc) : dc_(dc) {
    if (!dc_) return;
    SetWindowOrgEx(dc_, 0, 0, &window_);
    SetViewportOrgEx(dc_, 0, 0, &viewport_);
  }
  ~TOriginsAtZero() {
    if (!dc_) return;
    SetWindowOrgEx(dc_, window_.x, window_.y, nullptr);
    SetViewportOrgEx(dc_, viewport_.x, viewport_.y, nullptr);
  }
  TOriginsAtZero(const TOriginsAtZero&) = delete;
  TOriginsAtZero& operator=(const TOriginsAtZero&) = delete;

 private:
  HDC dc_;
  POINT window_{0, 0};
  POINT viewport_{0, 0};
};

// Locks a picture for the length of a copy.
class TLocked {
 public:
  explicit TLocked(TOffScreenBitmap& buffer) : buffer_(buffer) { buffer_.Lock(); }
  ~TLocked() { buffer_.Unlock(); }
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;

 private:
  TOffScreenBitmap& buffer_;
};

// Copies the bounding box of the region (left and top as position in both contexts, right and
// bottom as width and height), clipped to the region.
void CopyThrough(HDC from, HDC to, const RegionRec* region) {
  const MacRect& box = region->box;
  BitBlt(to, box.left, box.top, box.right, box.bottom, from, box.left, box.top, SRCCOPY);
}

}  // namespace

TDezevOffScreenMgr::~TDezevOffScreenMgr() {
  if (FocusedView() == this) FocusedView() = nullptr;
  display_.reset();
  background_.reset();
  FreeRegion(screenInvalid_);
}

void TDezevOffScreenMgr::InitOffScreenMgr(CDocument* document, TWrappedWindow* superview,
                                          TViewPoint location, TViewPoint size,
                                          int32_t horizontalRule, int32_t verticalRule) {
  CWnd* parent = superview ? superview->GetMFCWindow() : nullptr;
  auto* window = new TOwlOffScreenMgr(parent, location, size);
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(TOwlOffScreenMgr);
  context.m_pCurrentDoc = document;
  context.m_pCurrentFrame = parent ? parent->GetParentFrame() : nullptr;
  context.m_pNewDocTemplate = document ? document->GetDocTemplate() : nullptr;
  if (!window->CreateView(&context, parent)) {
    delete window;
    ThrowFailure(kErrOutOfMemory, 0);
  }
  SetWindow(window);
  window->SetView(this);
  auto port = std::make_unique<TWindowPort>();
  InitWindowPort(port.get(), window->m_hWnd);
  SetPort(std::move(port));
  Init(document, superview, location, size, horizontalRule, verticalRule);
  EnsureScreenInvalid();
  RegionSetRect(screenInvalid_, 0, 0, NarrowTo16(size.h), NarrowTo16(size.v));
  drawing_ = 0;
}

void TDezevOffScreenMgr::EnsureScreenInvalid() {
  if (screenInvalid_) return;
  screenInvalid_ = AllocRegion();
  FailIfNull(screenInvalid_);
}

// ---------------------------------------------------------------------------------------------
// Pictures

std::unique_ptr<TOffScreenBitmap> TDezevOffScreenMgr::MakeBitmap(HDC reference) {
  auto bitmap = std::make_unique<TOffScreenBitmap>();
  bitmap->InitBitmap(reference, GetStoredSize().h, GetStoredSize().v);
  return bitmap;
}

void TDezevOffScreenMgr::Allocate(std::unique_ptr<TOffScreenBitmap>& buffer, RegionRec*& stale) {
  if (!stale) {
    stale = AllocRegion();
    FailIfNull(stale);
  }
  RegionSetRect(stale, 0, 0, NarrowTo16(GetStoredSize().h), NarrowTo16(GetStoredSize().v));
  target_ = kTargetScreen;
  InvalidateFocus();
  if (buffer || !TWrappedWindow::Focus()) return;
  try {
    buffer = MakeBitmap(GetPortDC());
  } catch (...) {
    FreeRegion(stale);
    stale = nullptr;
    buffer.reset();
    throw;
  }
}

void TDezevOffScreenMgr::AllocateDisplayBuffer() {
  display_.reset();
  EnsureScreenInvalid();
  RegionSetRect(screenInvalid_, 0, 0, NarrowTo16(GetStoredSize().h),
                NarrowTo16(GetStoredSize().v));
  Allocate(display_, ShallowRegionField());
}

void TDezevOffScreenMgr::AllocateBackgroundBuffer() {
  background_.reset();
  if (display_) display_->Lock();
  try {
    Allocate(background_, DeepRegionField());
  } catch (...) {
    if (display_) display_->Unlock();
    throw;
  }
  if (display_) display_->Unlock();
}

void TDezevOffScreenMgr::FreeDisplayBuffer() {
  if (FocusedView() == this) InvalidateFocus();
  display_.reset();
  FreeRegion(ShallowRegionField());
  ShallowRegionField() = nullptr;
}

void TDezevOffScreenMgr::FreeBackgroundBuffer() {
  if (FocusedView() == this) InvalidateFocus();
  background_.reset();
  FreeRegion(DeepRegionField());
  DeepRegionField() = nullptr;
}

void TDezevOffScreenMgr::CheckBuffers() {
  if (!display_ || !background_) ThrowFailure(kErrOutOfMemory, 0);
}

void TDezevOffScreenMgr::GetBufferInfo(int16_t which, HDC* dc, HBITMAP* bitmap, int16_t* width,
                                       int16_t* height) const {
  const TOffScreenBitmap* buffer = which == 1 ? display_.get() : which == 0 ? background_.get()
                                                                             : nullptr;
  if (buffer) buffer->GetInfo(dc, bitmap, width, height);
}

// ---------------------------------------------------------------------------------------------
// Targets

void TDezevOffScreenMgr::BindBuffer(TOffScreenBitmap& buffer) {
  SetCurrentPort(&buffer.Port());
  SetPortWindow(nullptr);
  SetPortDC(buffer.GetMemoryDC());
  SetWindowOrgEx(buffer.GetMemoryDC(), 0, 0, nullptr);
  SetViewportOrgEx(buffer.GetMemoryDC(), 0, 0, nullptr);
  SelectClipRgn(buffer.GetMemoryDC(), nullptr);
  PortOrigin() = {0, 0};
  FocusedView() = this;
}

bool TDezevOffScreenMgr::Focus() {
  if (FocusedView() == this) return true;
  switch (target_) {
    case kTargetBackground:
      if (background_) {
        TargetBackgroundBuffer();
        BindBuffer(*background_);
        return true;
      }
      [[fallthrough]];
    case kTargetDisplay:
      if (display_) {
        TargetDisplayBuffer();
        BindBuffer(*display_);
        return true;
      }
      InvalidateFocus();
      return TWrappedWindow::Focus();
    case kTargetScreen:
      InvalidateFocus();
      return TWrappedWindow::Focus();
    default:
      return false;
  }
}

void TDezevOffScreenMgr::Target(TOffScreenBitmap* buffer, int32_t target) {
  if (!buffer) {
    target_ = target;
    SharedTarget() = target;
    Focus();
    return;
  }
  // A window's context bound for the screen goes back to its window.
  if (SharedTarget() == kTargetScreen && GetPortDC()) ReleaseBoundPortContext();
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
  FocusedView() = nullptr;
  if (buffer->Lock() != 0) {
    SetCurrentPort(&buffer->Port());
    SetPortDC(buffer->GetMemoryDC());
    target_ = target;
    SharedTarget() = target;
  }
}

void TDezevOffScreenMgr::TargetBackgroundBuffer() {
  Target(background_.get(), kTargetBackground);
}

void TDezevOffScreenMgr::TargetDisplayBuffer() {
  Target(display_.get(), kTargetDisplay);
}

void TDezevOffScreenMgr::TargetScreen() {
  if (SharedTarget() == kTargetScreen && GetPortDC()) ReleaseBoundPortContext();
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
  FocusedView() = nullptr;
  target_ = kTargetScreen;
  SharedTarget() = kTargetScreen;
  Focus();
}

void TDezevOffScreenMgr::Release(TOffScreenBitmap* buffer, int32_t target) {
  if (!buffer) return;
  buffer->Unlock();
  if (SharedTarget() == target && GetPortDC() == buffer->GetMemoryDC()) {
    SetPortWindow(nullptr);
    SetPortDC(nullptr);
    if (GetCurrentPort() == &buffer->Port()) SetCurrentPort(GetGlobalPort());
    FocusedView() = nullptr;
  }
}

void TDezevOffScreenMgr::ReleaseBackgroundBuffer() {
  Release(background_.get(), kTargetBackground);
}

void TDezevOffScreenMgr::ReleaseDisplayBuffer() {
  Release(display_.get(), kTargetDisplay);
}

void TDezevOffScreenMgr::ClearScreenInvalid() {
  if (screenInvalid_) RegionSetEmpty(screenInvalid_);
}

RegionRec* TDezevOffScreenMgr::GetOverlayRegion() {
  EnsureScreenInvalid();
  return screenInvalid_;
}

void TDezevOffScreenMgr::EndUpdate() {
  TOffScreenMgr::EndUpdate();
  EndDrawing();
}

void TDezevOffScreenMgr::BeginBackground() {
  TOffScreenMgr::BeginBackground();
  TargetBackgroundBuffer();
}

void TDezevOffScreenMgr::BeginObjects() {
  TOffScreenMgr::BeginObjects();
  TargetDisplayBuffer();
}

void TDezevOffScreenMgr::BeginOverlay() {
  TOffScreenMgr::BeginOverlay();
  TargetScreen();
}

// ---------------------------------------------------------------------------------------------
// Copies

void TDezevOffScreenMgr::ClearBackground() {
  RegionRec* stale = GetDeepRegion();
  if (background_) {
    const TLocked locked(*background_);
    const HDC dc = background_->GetMemoryDC();
    SelectAppPalette(dc);
    const TOriginsAtZero origins(dc);
    SelectClipRgn(dc, stale->region);
    BitBlt(dc, stale->box.left, stale->box.top, stale->box.right, stale->box.bottom, nullptr, 0,
           0, WHITENESS);
    SelectClipRgn(dc, nullptr);
    return;
  }
  const HDC dc = GetPortDC();
  if (!dc || !screenInvalid_) return;
  const TOriginsAtZero origins(dc);
  SelectClipRgn(dc, screenInvalid_->region);
  BitBlt(dc, screenInvalid_->box.left, screenInvalid_->box.top, screenInvalid_->box.right,
         screenInvalid_->box.bottom, nullptr, 0, 0, WHITENESS);
  SelectClipRgn(dc, nullptr);
}

void TDezevOffScreenMgr::CopyBackgroundToDisplay() {
  if (!background_ || !display_) return;
  const TLocked locked(*background_);
  const HDC from = background_->GetMemoryDC();
  const HDC to = display_->GetMemoryDC();
  SelectAppPalette(to);
  const TOriginsAtZero fromOrigins(from);
  const TOriginsAtZero toOrigins(to);
  const RegionRec* stale = GetShallowRegion();
  SelectClipRgn(to, stale->region);
  CopyThrough(from, to, stale);
  SelectClipRgn(to, nullptr);
}

void TDezevOffScreenMgr::CopyDisplayToScreen() {
  if (!display_) return;
  const HDC to = GetPortDC();
  const HWND window = GetWindowHandle();
  if (!to || !window || !screenInvalid_) return;
  const TLocked locked(*display_);
  const HDC from = display_->GetMemoryDC();
  SelectAppPalette(to);
  const TOriginsAtZero fromOrigins(from);
  const TOriginsAtZero toOrigins(to);
  SelectClipRgn(to, screenInvalid_->region);
  bool scrollBars = false;
  for (int32_t i = 0; i < CountSubviews(); ++i)
    scrollBars = scrollBars || SubviewAt(i)->IsMemberClass(kScrollBarContainerClassID);
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    TWrappedWindow* view = SubviewAt(i);
    const TViewPoint at = view->GetLocation();
    const TViewPoint size = view->GetStoredSize();
    if (view->IsMemberClass(kScrollBarContainerClassID)) {
      ExcludeClipRect(to, at.h, at.v, at.h + size.h, at.v + size.v);
    } else if (scrollBars && view->IsMemberClass(kMainWorldViewClassID)) {
      // The square between the two scroll bars.
      const RECT corner{at.h + size.h, at.v + size.v,
                        at.h + size.h + GetSystemMetrics(SM_CXVSCROLL),
                        at.v + size.v + GetSystemMetrics(SM_CYHSCROLL)};
      FillRect(to, &corner, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
      ExcludeClipRect(to, corner.left, corner.top, corner.right, corner.bottom);
    }
  }
  CopyThrough(from, to, screenInvalid_);
  ValidateRgn(window, screenInvalid_->region);
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    TWrappedWindow* view = SubviewAt(i);
    if (view->IsMemberClass(kScrollBarContainerClassID) && view->GetWindowHandle())
      ::InvalidateRect(view->GetWindowHandle(), nullptr, FALSE);
  }
  SelectClipRgn(to, nullptr);
}

void TDezevOffScreenMgr::CopyBackgroundRectToDisplay(const MacRect& rect) {
  if (!background_ || !display_ || rect.right <= rect.left || rect.bottom <= rect.top) return;
  const TLocked fromLock(*background_);
  const TLocked toLock(*display_);
  const HDC from = background_->GetMemoryDC();
  const HDC to = display_->GetMemoryDC();
  const TOriginsAtZero fromOrigins(from);
  const TOriginsAtZero toOrigins(to);
  BitBlt(to, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, from, rect.left,
         rect.top, SRCCOPY);
}

void TDezevOffScreenMgr::CopyDisplayRectToScreen(const MacRect& rect) {
  const HWND window = GetWindowHandle();
  if (!display_ || !window || rect.right <= rect.left || rect.bottom <= rect.top) return;
  const HDC to = GetDC(window);
  if (!to) return;
  {
    const TLocked locked(*display_);
    const HDC from = display_->GetMemoryDC();
    SelectAppPalette(to);
    const TOriginsAtZero fromOrigins(from);
    BitBlt(to, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, from,
           rect.left, rect.top, SRCCOPY);
  }
  ReleaseDC(window, to);
}

void TDezevOffScreenMgr::InvalidateWindowRect(const MacRect& rect) {
  if (GetUseSolidBrushes() || !display_ || !background_) return;
  const HWND window = GetWindowHandle();
  if (!window) return;
  const RECT winRect = MacRectToWinRect(rect);
  ::InvalidateRect(window, &winRect, TRUE);
  EnsureScreenInvalid();
  RegionRec* added = AllocRegion();
  FailIfNull(added);
  RegionSetMacRect(added, rect);
  RegionUnion(screenInvalid_, added, screenInvalid_);
  FreeRegion(added);
}

// ---------------------------------------------------------------------------------------------
// Drawing

void TDezevOffScreenMgr::ProtectedUpdate() {
  DrawAll();
}

void TDezevOffScreenMgr::DrawAll() {
  if (!display_ || !background_) return;
  drawing_ = 1;
  try {
    TOffScreenMgr::ProtectedUpdate();
  } catch (...) {
    drawing_ = 0;
    throw;
  }
  // The pass has painted the sub-views' areas already.
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    TWrappedWindow* view = SubviewAt(i);
    if (const HWND child = view->GetWindowHandle()) {
      const RECT all{0, 0, view->GetStoredSize().h, view->GetStoredSize().v};
      ValidateRect(child, &all);
    }
  }
  drawing_ = 0;
}

void TDezevOffScreenMgr::Update() {
  const HWND window = GetWindowHandle();
  if (!window) return;
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  if (display_ && background_) {
    EnsureScreenInvalid();
    RegionRec* painted = AllocRegion();
    FailIfNull(painted);
    RegionSetMacRect(painted, MacRectFromWinRect(paint.rcPaint));
    RegionUnion(screenInvalid_, painted, screenInvalid_);
    FreeRegion(painted);
    InvalidateFocus();
    BindPortToWindow(GetPort());
    DrawAll();
  }
  EndPaint(window, &paint);
  InvalidateFocus();
}

void TDezevOffScreenMgr::UpdateNow() {
  if (const HWND window = GetWindowHandle()) UpdateWindow(window);
}

// ---------------------------------------------------------------------------------------------
// TOwlOffScreenMgr

TOwlOffScreenMgr::TOwlOffScreenMgr() = default;

TOwlOffScreenMgr::TOwlOffScreenMgr(CWnd* parent, const TViewPoint& location,
                                   const TViewPoint& size)
    : TOwlView(parent, "", nullptr, location, size) {
  style_ &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
}

BOOL TOwlOffScreenMgr::CreateView(CCreateContext* context, CWnd* parent) {
  if (parent) parent_ = parent;
  // No background: the window never erases, its copies paint all of it.
  const char* windowClass = AfxRegisterWndClass(kClassStyle, LoadCursor(nullptr, IDC_ARROW));
  return Create(windowClass, title_.c_str(), style_, rect_, parent_, kControlId, context);
}

BOOL TOwlOffScreenMgr::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      *result = 0;
      return TRUE;
    case WM_ERASEBKGND:
      *result = 1;
      return TRUE;
    default:
      return TOwlView::OnWndMsg(message, wParam, lParam, result);
  }
}

void TOwlOffScreenMgr::OnPaint() {
  PAINTSTRUCT paint;
  BeginPaint(m_hWnd, &paint);
  auto* manager = dynamic_cast<TDezevOffScreenMgr*>(GetView());
  if (manager && OffScreenGlobals().rebuildStarted) {
    manager->InvalidateWindowRect(MacRectFromWinRect(paint.rcPaint));
    manager->InvalidateFocus();
    BindPortToWindow(manager->GetPort());
    manager->DrawAll();
    manager->InvalidateFocus();
  }
  EndPaint(m_hWnd, &paint);
}

// ---------------------------------------------------------------------------------------------

TOffScreenMgr* BuildOffScreenManager(CDocument* document, TWrappedWindow* enclosing) {
  if (!enclosing || !enclosing->GetPort()) ThrowFailure(kErrOutOfMemory, 0);
  TViewPoint size = enclosing->GetStoredSize();
  auto* manager = new TDezevOffScreenMgr;
  size.h += 2 * GetSystemMetrics(SM_CXBORDER);
  size.v += 2 * GetSystemMetrics(SM_CYBORDER);
  try {
    manager->InitOffScreenMgr(document, enclosing, TViewPoint{0, 0}, size, 1, 1);
  } catch (...) {
    if (!manager->GetWindow()) delete manager;
    throw;
  }
  return manager;
}
