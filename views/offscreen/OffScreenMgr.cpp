// TOffScreenMgr: damage regions, the protected three-pass update and the paced rebuilding of the
// pictures; TDumbOffScreenMgr, which keeps only the regions.

#include "views/offscreen/OffScreenMgr.h"

#include "core/Failure.h"
#include "core/TickCount.h"
#include "core/port/PortShapes.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/ViewServices.h"

TOffScreenGlobals& OffScreenGlobals() {
  static TOffScreenGlobals globals;
  return globals;
}

uint32_t OffScreenTicks() {
  return static_cast<uint32_t>(GetTickCount60());
}

namespace {

// Sets the region to the rectangle for the length of one call.
class TRectRegion {
 public:
  explicit TRectRegion(const MacRect& rect) : region_(AllocRegion()) {
    FailIfNull(region_);
    RegionSetMacRect(region_, rect);
  }
  ~TRectRegion() { FreeRegion(region_); }
  TRectRegion(const TRectRegion&) = delete;
  TRectRegion& operator=(const TRectRegion&) = delete;
  const RegionRec* get() const { return region_; }

 private:
  RegionRec* region_;
};

void EmptyRegion(RegionRec* region) {
  if (region) RegionSetEmpty(region);
}

}  // namespace

TOffScreenMgr::~TOffScreenMgr() {
  FreeRegion(overlay_);
  FreeRegion(shallow_);
  FreeRegion(deep_);
}

void TOffScreenMgr::Init(CDocument* document, TWrappedWindow* parent, TViewPoint location,
                         TViewPoint size, int32_t horizontalRule, int32_t verticalRule) {
  BuildWindow(document, parent, location, size, horizontalRule, verticalRule);
  SetManager(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Damage. The deep region stays inside the shallow one.

void TOffScreenMgr::AddShallow(const MacRect& rect) {
  if (GetUseSolidBrushes()) return;
  NoteInvalid(rect);
  const TRectRegion added(rect);
  if (shallow_) RegionUnion(shallow_, added.get(), shallow_);
}

void TOffScreenMgr::AddDeep(const MacRect& rect) {
  if (GetUseSolidBrushes()) return;
  NoteInvalid(rect);
  const TRectRegion added(rect);
  if (shallow_) RegionUnion(shallow_, added.get(), shallow_);
  if (deep_) RegionUnion(deep_, added.get(), deep_);
}

void TOffScreenMgr::RemoveAll(const MacRect& rect) {
  ClearPendingShallow();
  const TRectRegion removed(rect);
  if (shallow_) RegionDifference(shallow_, removed.get(), shallow_);
  if (deep_) RegionDifference(deep_, removed.get(), deep_);
}

void TOffScreenMgr::RemoveDeep(const MacRect& rect) {
  ClearPendingDeep();
  const TRectRegion removed(rect);
  if (deep_) RegionDifference(deep_, removed.get(), deep_);
}

void TOffScreenMgr::InvalidateShallow(const MacRect& rect) {
  if (Focus()) AddShallow(rect);
}

void TOffScreenMgr::InvalidateDeep(const MacRect& rect) {
  if (Focus()) AddDeep(rect);
}

void TOffScreenMgr::Validate(const MacRect& rect) {
  if (Focus()) RemoveAll(rect);
}

void TOffScreenMgr::ValidateDeep(const MacRect& rect) {
  if (Focus()) RemoveDeep(rect);
}

RegionRec* TOffScreenMgr::GetDeepRegion() {
  return deep_ ? deep_ : GetShallowRegion();
}

RegionRec* TOffScreenMgr::GetShallowRegion() {
  return shallow_ ? shallow_ : GetOverlayRegion();
}

RegionRec* TOffScreenMgr::GetOverlayRegion() {
  if (!overlay_) {
    overlay_ = AllocRegion();
    FailIfNull(overlay_);
  }
  TWrappedWindow* enclosing = GetSuperview();
  HWND window = enclosing && enclosing->GetPort() ? enclosing->GetWindowHandle() : nullptr;
  if (!window) window = GetPortWindow();
  RECT client{0, 0, 0, 0};
  if (window) GetClientRect(window, &client);
  RegionSetRect(overlay_, 0, 0, NarrowTo16(client.right), NarrowTo16(client.bottom));
  return overlay_;
}

void TOffScreenMgr::PrepareBackground() {
  BeginDeepPass(GetDeepRegion()->box);
}

void TOffScreenMgr::PrepareObjects() {
  BeginShallowPass(GetShallowRegion()->box);
}

void TOffScreenMgr::PrepareOverlay() {
  BeginOverlayPass(GetOverlayRegion()->box);
}

void TOffScreenMgr::BeginDeepPass(const MacRect& rect) {
  PreparePort();
  const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  PortFillRectBrush(rect, white);
  DeleteObject(white);
}

namespace {

// Every world view under the view, at any depth.
void ClearPendingUnder(TWrappedWindow& view) {
  for (int32_t i = 0; i < view.CountSubviews(); ++i) {
    TWrappedWindow* sub = view.SubviewAt(i);
    if (auto* world = dynamic_cast<TWorldView*>(sub)) world->TWorldView::ClearPendingFlags();
    ClearPendingUnder(*sub);
  }
}

}  // namespace

void TOffScreenMgr::ClearPendingFlags() {
  TWorldView::ClearPendingFlags();
  ClearPendingUnder(*this);
}

// ---------------------------------------------------------------------------------------------
// The protected update

void TOffScreenMgr::DrawPass(PassDraw draw, const RegionRec* region, bool clip) {
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    auto* view = dynamic_cast<TWorldView*>(SubviewAt(i));
    if (!view || !view->IsShown() || !Focus()) continue;
    const MacRect frame = view->GetFrame16();
    if (clip && (!region || !RegionIntersectsRect(frame, region))) continue;
    if (!view->Focus()) continue;
    MacRect own = frame;
    own.Offset(static_cast<int16_t>(-frame.left), static_cast<int16_t>(-frame.top));
    view->PreparePort();
    (view->*draw)(own);
  }
}

void TOffScreenMgr::DrawDeepExtrasPass(bool clip) {
  if (!Focus()) return;
  RegionRec* region = GetDeepRegion();
  if (shallow_ && region != shallow_) RegionCopy(shallow_, region);
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    auto* view = dynamic_cast<TWorldView*>(SubviewAt(i));
    if (!view || !view->WantsDeepExtras()) continue;
    const MacRect frame = view->GetFrame16();
    if (!view->IsShown() || !Focus()) continue;
    if (clip && !RegionIntersectsRect(frame, region)) continue;
    if (!view->Focus()) continue;
    MacRect own = frame;
    own.Offset(static_cast<int16_t>(-frame.left), static_cast<int16_t>(-frame.top));
    view->PreparePort();
    view->DrawDeepExtras(own);
  }
}

void TOffScreenMgr::RunBackgroundPass(bool clip) {
  try {
    if (!RegionIsEmpty(GetDeepRegion())) {
      BeginBackground();
      if (Focus()) PrepareBackground();
      DrawPass(&TWorldView::DrawBackground, GetDeepRegion(), clip);
      BeginDeepExtras();
      DrawDeepExtrasPass(clip);
    } else {
      BeginDeepExtras();
      DrawDeepExtrasPass(clip);
    }
  } catch (...) {
    EndBackground();
    EmptyRegion(deep_);
    throw;
  }
  EndBackground();
  EmptyRegion(deep_);
}

void TOffScreenMgr::RunObjectsPass(bool clip) {
  BeginObjects();
  try {
    if (Focus()) PrepareObjects();
    DrawPass(&TWorldView::DrawObjects, GetShallowRegion(), clip);
  } catch (...) {
    EndObjects();
    EmptyRegion(shallow_);
    throw;
  }
  EmptyRegion(shallow_);
  EndObjects();
}

void TOffScreenMgr::RunOverlayPass(bool clip) {
  BeginOverlay();
  try {
    if (Focus()) PrepareOverlay();
    DrawPass(&TWorldView::DrawOverlay, GetOverlayRegion(), clip);
  } catch (...) {
    EndOverlay();
    throw;
  }
  EndOverlay();
}

void TOffScreenMgr::ProtectedUpdate() {
  ++updates_;
  try {
    ClearPendingFlags();
    const bool clip = !GetUseSolidBrushes() && !PrintingInProgress();
    if (Focus()) {
      BeginUpdate();
      try {
        const bool deep = !RegionIsEmpty(GetDeepRegion());
        const bool shallow = !RegionIsEmpty(GetShallowRegion());
        if (deep || shallow) RunBackgroundPass(clip);
        if (!RegionIsEmpty(GetShallowRegion())) RunObjectsPass(clip);
        RunOverlayPass(clip);
      } catch (...) {
        EndUpdate();
        throw;
      }
      EndUpdate();
    }
  } catch (const QVException&) {
    // The failure is not reported: the pending paint is thrown away, and the next damage
    // starts a fresh update.
    if (const HWND window = GetWindowHandle()) ValidateRect(window, nullptr);
  }
  SetStandardPortColours();
}

void TOffScreenMgr::DrawNow() {
  InvalidateFocus();
  BeginPortDrawing(GetPort());
  try {
    ProtectedUpdate();
  } catch (...) {
    EndPortDrawing();
    InvalidateFocus();
    throw;
  }
  EndPortDrawing();
  InvalidateFocus();
}

// ---------------------------------------------------------------------------------------------
// Pictures

void TOffScreenMgr::ReleaseBuffers() {
  ReleaseDeepBuffer();
  ReleaseShallowBuffer();
}

void TOffScreenMgr::RebuildBuffers(bool force) {
  OffScreenGlobals().rebuildStarted = true;
  const uint32_t now = OffScreenTicks();
  if (!force && !TickReached(now, nextRebuild_)) return;
  const bool hadDeep = deep_ != nullptr;
  bool done = false;
  try {
    for (;;) {
      try {
        AllocShallowBuffer();
        break;
      } catch (const QVException&) {
        if (CanFreeMemory()) continue;
        if (!deep_) throw;
        ReleaseDeepBuffer();
      }
    }
    for (;;) {
      try {
        AllocDeepBuffer();
        break;
      } catch (const QVException&) {
        if (!CanFreeMemory()) throw;
      }
    }
    done = true;
    BuffersRebuilt();
  } catch (const QVException& failure) {
    RebuildFailed(failure.error(), failure.message(), hadDeep, done);
  }
  nextRebuild_ = now + kRebuildInterval;
}

void TOffScreenMgr::RebuildFailed(int16_t error, int32_t message, bool hadDeep, bool done) {
  if (done) return;
  ReleaseShallowBuffer();
  ReleaseDeepBuffer();
  TOffScreenGlobals& globals = OffScreenGlobals();
  const uint32_t now = OffScreenTicks();
  // Unsigned ticks compared by difference: no overflow whatever the idle interval.
  if (!hadDeep || static_cast<int32_t>(now - globals.alertTime) <= 0) return;
  ReportFailure(error, message);
  globals.alertTime = now + kAlertInterval;
  if (globals.holdIdleUntil) globals.holdIdleUntil(globals.idleInterval + globals.alertTime);
}

void TOffScreenMgr::ReportFailure(int16_t error, int32_t message) {
  if (error == kErrOutOfMemory)
    message = static_cast<int32_t>(IsMainDisplay() ? kMainDisplayMemoryMessage : kOtherMemoryMessage);
  if (OffScreenGlobals().showError) OffScreenGlobals().showError(error, message);
}

// ---------------------------------------------------------------------------------------------
// Window-layer operations

void TOffScreenMgr::Open() {
  TWorldView::Open();
  active_ = 1;
  if (IsShown()) AllowRebuildNow();
}

void TOffScreenMgr::Close() {
  active_ = 0;
  ReleaseBuffers();
  TWorldView::Close();
}

void TOffScreenMgr::Resize(int32_t width, int32_t height, bool invalidate) {
  InvalidateAllDeep();
  TWorldView::Resize(width, height, invalidate);
  if (active_ != 0 && IsShown()) {
    RebuildBuffers(true);
    ClearPendingDeep();
    InvalidateAllDeep();
  }
}

void TOffScreenMgr::Activate(bool on) {
  if (on && active_ != 0 && IsShown()) RebuildBuffers(true);
  TWorldView::Activate(on);
}

void TOffScreenMgr::Show(bool show, bool invalidate) {
  const bool wasShown = IsShown();
  TWorldView::Show(show, invalidate);
  if (show && !wasShown && active_ != 0) AllowRebuildNow();
  if (!show && wasShown && active_ != 0) ReleaseBuffers();
}

bool TOffScreenMgr::Focus() {
  return TWrappedWindow::Focus();
}

void TOffScreenMgr::SetClip(const MacRect& rect, int16_t dh, int16_t dv) {
  MacRect shifted = rect;
  shifted.Offset(dh, dv);
  SetPortClipToRect(shifted);
}

// ---------------------------------------------------------------------------------------------
// TDumbOffScreenMgr

void TDumbOffScreenMgr::AllocShallowBuffer() {
  if (ShallowRegionField()) return;
  ShallowRegionField() = AllocRegion();
  FailIfNull(ShallowRegionField());
}

void TDumbOffScreenMgr::AllocDeepBuffer() {
  if (DeepRegionField()) return;
  DeepRegionField() = AllocRegion();
  FailIfNull(DeepRegionField());
}

void TDumbOffScreenMgr::ReleaseShallowBuffer() {
  FreeRegion(ShallowRegionField());
  ShallowRegionField() = nullptr;
}

void TDumbOffScreenMgr::ReleaseDeepBuffer() {
  FreeRegion(DeepRegionField());
  DeepRegionField() = nullptr;
}
