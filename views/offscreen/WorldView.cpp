// TMovableView and TWorldView: geometry moves, window building, damage and the pass defaults.

#include "views/offscreen/WorldView.h"

#include <algorithm>
#include <memory>

#include "core/Failure.h"
#include "core/TextStyle.h"
#include "core/port/PortShapes.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Region.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/ViewServices.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/offscreen/OffScreenMgr.h"
#include "views/offscreen/OffScreenView.h"

void SetStandardPortColours() {
  SetPortForeColor(RGB16Color{0, 0, 0});
  SetPortBackColor(RGB16Color{0xFFFF, 0xFFFF, 0xFFFF});
}

namespace {

bool SolidFills() {
  return GetUseSolidBrushes();
}

// The intersection of two rectangles; false when it is empty.
bool Intersect16(const MacRect& a, const MacRect& b, MacRect& out) {
  out.left = std::max(a.left, b.left);
  out.top = std::max(a.top, b.top);
  out.right = std::min(a.right, b.right);
  out.bottom = std::min(a.bottom, b.bottom);
  return out.left < out.right && out.top < out.bottom;
}

MacRect Extent16(const TWrappedWindow& view) {
  const TViewPoint& size = view.GetStoredSize();
  return MacRect(0, 0, NarrowTo16(size.h), NarrowTo16(size.v));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TMovableView

void TMovableView::MoveTopLeft(int32_t dh, int32_t dv, bool redraw) {
  const TViewPoint size = GetStoredSize();
  const TViewPoint location = GetLocation();
  Resize(size.h - dh, size.v - dv, redraw);
  MoveTo(location.h + dh, location.v + dv, redraw);
  if (redraw) {
    if (auto* world = dynamic_cast<TWorldView*>(this)) world->InvalidateDeep(Extent16(*this));
  }
}

void TMovableView::GrowBy(int32_t dh, int32_t dv, bool redraw) {
  const TViewPoint size = GetStoredSize();
  Resize(size.h + dh, size.v + dv, redraw);
}

void TMovableView::OffsetBy(int32_t dh, int32_t dv, bool redraw) {
  const TViewPoint location = GetLocation();
  MoveTo(location.h + dh, location.v + dv, redraw);
}

// ---------------------------------------------------------------------------------------------
// Building the window

const char* TWorldView::WindowName() const {
  if (IsMemberClass(644)) {
    if (IsMemberClass(374)) return "TCoordsView";
    if (IsMemberClass(432)) return "TFrameIndic";
    if (IsMemberClass(522)) return "TMainWorldView";
    if (IsMemberClass(534)) return "TPaletteFrame";
    if (IsMemberClass(579)) {
      if (IsMemberClass(580)) return "THRulerView";
      if (IsMemberClass(581)) return "TVRulerView";
      return "Unknown TRulerView";
    }
    if (IsMemberClass(643)) return "TScrollBarContainer";
    return "Unknown TWorldView";
  }
  if (IsMemberClass(531)) {
    if (IsMemberClass(391)) return "TDezevOffScreenMgr";
    if (IsMemberClass(532)) return "TDumbOffScreenMgr";
    return "Unknown TOffScreenMgr";
  }
  return "Unknown TWorldView";
}

void TWorldView::BuildWindow(CDocument* document, TWrappedWindow* parent, TViewPoint location,
                             TViewPoint size, int32_t horizontalRule, int32_t verticalRule) {
  if (!GetWindow() && parent) {
    const bool main = IsMemberClass(522);
    const CRuntimeClass* runtime =
        main ? RUNTIME_CLASS(TOwlOffScreenMainWorldView) : RUNTIME_CLASS(TOwlOffScreenView);
    CWnd* parentWindow = parent->GetMFCWindow();
    CCreateContext context;
    context.m_pNewViewClass = runtime;
    context.m_pCurrentDoc = document;
    context.m_pNewDocTemplate = document ? document->GetDocTemplate() : nullptr;
    context.m_pCurrentFrame = parentWindow ? parentWindow->GetParentFrame() : nullptr;
    TOwlOffScreenView* window =
        main ? new TOwlOffScreenMainWorldView(parentWindow, WindowName(), location, size)
             : new TOwlOffScreenView(parentWindow, WindowName(), location, size);
    // A window that could not be created is an object without a system window: it goes.
    if (!window->CreateView(&context, parentWindow)) {
      delete window;
      ThrowFailure(kErrOutOfMemory, 0);
    }
    SetWindow(window);
    window->SetView(this);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    SetPort(std::move(port));
  }
  InitFromParent(nullptr, parent, location, size, horizontalRule, verticalRule);
  manager_ = nullptr;
  for (TWrappedWindow* view = parent; view; view = view->GetSuperview()) {
    if (view->IsMemberClass(TOffScreenMgr::kClassID)) {
      manager_ = static_cast<TOffScreenMgr*>(view);
      break;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Focus: the view draws into whatever its manager targets, moved to its place and clipped to
// its frame and to the region of the pass being drawn.

namespace {

TViewPoint OffsetInManager(const TWrappedWindow* view, const TWrappedWindow* manager) {
  TViewPoint offset;
  for (const TWrappedWindow* at = view; at && at != manager; at = at->GetSuperview()) {
    offset.h += at->GetLocation().h;
    offset.v += at->GetLocation().v;
  }
  return offset;
}

}  // namespace

bool TWorldView::Focus() {
  if (FocusedView() == this) return true;
  if (!manager_) return TMovableView::Focus();
  if (!manager_->Focus()) return false;
  const HDC dc = GetPortDC();
  if (!dc) return false;
  const TViewPoint offset = OffsetInManager(this, manager_);
  if (IsWindow(GetPortWindow())) {
    PortSetOrigin(NarrowTo16(offset.h), NarrowTo16(offset.v));
  } else {
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, offset.h, offset.v, nullptr);
  }
  const TViewPoint& size = GetStoredSize();
  RegionRec* clip = AllocRegion();
  FailIfNull(clip);
  RegionSetRect(clip, NarrowTo16(offset.h), NarrowTo16(offset.v), NarrowTo16(offset.h + size.h),
                NarrowTo16(offset.v + size.v));
  if (manager_->ClipsToPasses() && !SolidFills() && !PrintingInProgress()) {
    const RegionRec* pass = nullptr;
    switch (manager_->GetCurrentPass()) {
      case TOffScreenMgr::kBackgroundPass: pass = manager_->GetDeepRegion(); break;
      case TOffScreenMgr::kObjectsPass: pass = manager_->GetShallowRegion(); break;
      default: pass = manager_->GetOverlayRegion(); break;
    }
    if (pass) RegionIntersect(clip, pass, clip);
  }
  SelectClipRgn(dc, clip->region);
  FreeRegion(clip);
  PortOrigin() = {0, 0};
  FocusedView() = this;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Damage

bool TWorldView::PassToManager(const MacRect& rect,
                               void (TOffScreenMgr::*operation)(const MacRect&)) {
  if (!manager_) return false;
  MacRect extent = Extent16(*this);
  MacRect clipped;
  if (!Intersect16(rect, extent, clipped)) return true;
  const TViewPoint offset = OffsetInManager(this, manager_);
  clipped.Offset(NarrowTo16(offset.h), NarrowTo16(offset.v));
  (manager_->*operation)(clipped);
  return true;
}

void TWorldView::InvalidateShallow(const MacRect& rect) {
  if (SolidFills() || !Focus()) return;
  if (!PassToManager(rect, &TOffScreenMgr::AddShallow)) InvalidateMacRect(rect);
}

void TWorldView::InvalidateDeep(const MacRect& rect) {
  if (SolidFills() || !Focus()) return;
  if (!PassToManager(rect, &TOffScreenMgr::AddDeep)) InvalidateMacRect(rect);
}

void TWorldView::Validate(const MacRect& rect) {
  pendingShallow_ = 0;
  if (!Focus()) return;
  if (!PassToManager(rect, &TOffScreenMgr::RemoveAll)) ValidateMacRect(rect);
}

void TWorldView::ValidateDeep(const MacRect& rect) {
  pendingDeep_ = 0;
  if (!Focus()) return;
  if (!PassToManager(rect, &TOffScreenMgr::RemoveDeep)) ValidateMacRect(rect);
}

void TWorldView::InvalidateAllShallow() {
  if (SolidFills() || pendingShallow_ != 0 || !Focus()) return;
  InvalidateShallow(Extent16(*this));
  pendingShallow_ = 1;
}

void TWorldView::InvalidateAllDeep() {
  if (SolidFills() || pendingDeep_ != 0 || !Focus()) return;
  InvalidateDeep(Extent16(*this));
  pendingDeep_ = 1;
}

void TWorldView::InvalidateDirect(const MacRect& rect) {
  if (SolidFills() || !Focus()) return;
  MacRect clipped = rect;
  ClipRectToPort(clipped);
  InvalidateMacRect(clipped);
}

void TWorldView::InvalidateAllDirect() {
  if (SolidFills() || pendingDirect_ != 0 || !Focus()) return;
  InvalidateMacRect(Extent16(*this));
  pendingDirect_ = 1;
}

void TWorldView::ClearPendingFlags() {
  pendingDirect_ = pendingShallow_ = pendingDeep_ = 0;
}

void TWorldView::InvalidRect(const MacRect& portRect) {
  InvalidateDeep(portRect);
}

// ---------------------------------------------------------------------------------------------
// Passes

void TWorldView::BeginShallowPass(const MacRect& rect) {
  if (manager_) manager_->BeginShallowPass(rect);
}

void TWorldView::BeginOverlayPass(const MacRect& rect) {
  if (manager_) manager_->BeginOverlayPass(rect);
}

void TWorldView::BeginDeepPass(const MacRect& rect) {
  if (manager_) manager_->BeginDeepPass(rect);
}

MacRect TWorldView::GetFrame16() const {
  const TViewPoint& at = GetLocation();
  const TViewPoint& size = GetStoredSize();
  return MacRect(NarrowTo16(at.h), NarrowTo16(at.v), NarrowTo16(at.h + size.h),
                 NarrowTo16(at.v + size.v));
}

bool TWorldView::IsDrawnOffScreen() const {
  return manager_ && manager_->IsDrawnOffScreen();
}

void TWorldView::DrawSubviews(const MacRect& rect) {
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    TWrappedWindow* view = SubviewAt(i);
    if (!view->IsShown() || !view->Focus()) continue;
    MacRect shifted = rect;
    shifted.Offset(NarrowTo16(-view->GetLocation().h), NarrowTo16(-view->GetLocation().v));
    view->Draw(shifted);
  }
}

void TWorldView::DrawOverlay(const MacRect& rect) {
  DrawSubviews(rect);
  if (SolidFills() || PrintingInProgress()) return;
  PreparePort();
  HighlightChanged(GetHighlight(), GetHighlight());
}

void TWorldView::PreparePort() {
  PortResetPen();
  SetStandardPortColours();
}

void TWorldView::GetPassPicture(int16_t which, HDC* dc, HBITMAP* bitmap, int16_t* width,
                                int16_t* height) {
  if (auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(manager_)) {
    buffered->GetBufferInfo(which, dc, bitmap, width, height);
    return;
  }
  if (manager_) return;
  if (width) *width = 0;
  if (height) *height = 0;
}

void TWorldView::CheckBuffers() {
  if (manager_) manager_->CheckBuffers();
}

void TWorldView::UpdateNow() {
  if (manager_) manager_->UpdateNow();
}

void TWorldView::DrawContents() {
  TMovableView::DrawContents();
  SetStandardPortColours();
}

void TWorldView::Draw(const MacRect& area) {
  DrawBackground(area);
  DrawObjects(area);
}

void TWorldView::HighlightChanged(int16_t, int16_t) {
  PreparePort();
  PortSetPenMode(R2_NOTXORPEN);
}

void TWorldView::Show(bool show, bool invalidate) {
  if (show == IsShown()) return;
  if (!show && invalidate) InvalidateAllDeep();
  TMovableView::Show(show, invalidate);
  if (show && invalidate) InvalidateAllDeep();
}
