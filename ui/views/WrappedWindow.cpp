#include "ui/views/WrappedWindow.h"

#include <algorithm>

#include "core/ClipboardScrap.h"
#include "core/MenuSetup.h"
#include "core/MouseButton.h"
#include "core/TextStyle.h"
#include "core/port/Port.h"
#include "model/command/CommandCore.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CView.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"

namespace {

// The commands a command delegate receives.
constexpr int16_t kDelegateFirst = 176;
constexpr int16_t kDelegateLast = 195;
constexpr int16_t kDelegateSecondFirst = 201;
constexpr int16_t kDelegateSecondLast = 250;

RegionRec* ScratchRegion() {
  static RegionRec* region = AllocRegion();
  return region;
}

int32_t ApplyRule(int32_t rule, int32_t superviewValue, int32_t computed, int32_t stored) {
  switch (rule) {
    case TWrappedWindow::kRuleSuperview:
      return superviewValue;
    case TWrappedWindow::kRuleFollow:
    case 2:
    case 3:
    case 4:
      return computed;
    default:
      return stored;
  }
}

}  // namespace

TViewPoint& TWrappedWindow::PortOrigin() {
  static TViewPoint origin;
  return origin;
}

TWrappedWindow*& TWrappedWindow::FocusedView() {
  static TWrappedWindow* focused = nullptr;
  return focused;
}

TWrappedWindow::TWrappedWindow() = default;

TWrappedWindow::~TWrappedWindow() {
  while (!subviews_.empty())
    delete subviews_.back();  // each takes itself out of the list
  InvalidateFocus();
  ResetCursorRegion();
  if (CurrentTarget() == this) SetCurrentTarget(ApplicationHandler());
  if (superview_) superview_->RemoveSubview(this);
  superview_ = nullptr;
  delegate_.reset();
  if (owner_) owner_->UnregisterView(this);
  owner_ = nullptr;
  if (TOwlView* window = window_) {
    window_ = nullptr;
    window->SetView(nullptr);
    window->DestroyWindow();
  }
  if (FocusedView() == this) FocusedView() = nullptr;
  if (GetCurrentWrappedView() == this) SetCurrentWrappedView(nullptr);
  port_.reset();
}

void TWrappedWindow::InitFromParent(TWrappedWindow* owner, TWrappedWindow* superview,
                                    TViewPoint& location, TViewPoint& size,
                                    int32_t horizontalRule, int32_t verticalRule) {
  superview_ = superview;
  owner_ = owner;
  subviews_.clear();
  location_ = location;
  size_ = size;
  horizontalRule_ = horizontalRule;
  verticalRule_ = verticalRule;
  highlight_ = kHighlightNew;
  identifier_ = kBlankIdentifier;
  shown_ = true;
  enabled_ = true;
  delegate_.reset();
  InitTargetHandler(superview);
  if (superview && !window_) {
    if (TOwlView* window = CreateMFCWindow(superview)) {
      auto port = std::make_unique<TWindowPort>();
      InitWindowPort(port.get(), window->m_hWnd);
      port_ = std::move(port);
    }
  }
  if (superview) superview->AddSubview(this);
  if (owner) owner->RegisterView(this);
  PostInit();
  location = location_;
  size = size_;
}

TOwlView* TWrappedWindow::CreateMFCWindow(TWrappedWindow* superview) {
  CCreateContext context;
  context.m_pNewViewClass = RUNTIME_CLASS(TOwlView);
  CWnd* parent = superview ? superview->GetMFCWindow() : nullptr;
  if (parent) {
    context.m_pCurrentFrame = parent->GetParentFrame();
    if (auto* parentView = dynamic_cast<CView*>(parent)) {
      context.m_pCurrentDoc = parentView->GetDocument();
      if (context.m_pCurrentDoc) context.m_pNewDocTemplate = context.m_pCurrentDoc->GetDocTemplate();
    }
  }
  CObject* made = RUNTIME_CLASS(TOwlView)->CreateObject();
  auto* window = dynamic_cast<TOwlView*>(made);
  if (!window) {
    delete made;
    return nullptr;
  }
  MacRect frame;
  frame.top = NarrowTo16(location_.v);
  frame.left = NarrowTo16(location_.h);
  frame.bottom = NarrowTo16(location_.v + size_.v);
  frame.right = NarrowTo16(location_.h + size_.h);
  window->SetRectFromMacRect(&frame);
  // A window that cannot be created deletes its object.
  if (window->CreateView(&context, parent)) window_ = window;
  if (window_) window_->SetView(this);
  return window_;
}

// ---------------------------------------------------------------------------------------------
// Tree.

void TWrappedWindow::LocalToSuperview(TViewPoint& point) const {
  point.h += location_.h;
  point.v += location_.v;
}

void TWrappedWindow::AddSubview(TWrappedWindow* view) {
  if (!view) return;
  subviews_.push_back(view);
  view->superview_ = this;
  if (!view->GetNextHandler()) view->SetNextHandler(this);
  view->InvalidateFocus();
  CWnd* mine = GetMFCWindow();
  CWnd* theirs = view->GetMFCWindow();
  if (mine && theirs && mine->m_hWnd && theirs->m_hWnd) {
    CWnd* owner = theirs->GetOwner();
    if (!owner || owner->m_hWnd != mine->m_hWnd) {
      theirs->SetParent(mine);
      theirs->SetOwner(mine);
    }
  }
}

void TWrappedWindow::RemoveSubview(TWrappedWindow* view) {
  if (!view) return;
  const auto found = std::find(subviews_.begin(), subviews_.end(), view);
  if (found != subviews_.end()) subviews_.erase(found);
  if (view->GetNextHandler() == this) view->SetNextHandler(nullptr);
  view->superview_ = nullptr;
  view->InvalidateFocus();
  if (found == subviews_.end()) return;
  TWrappedWindow* windowObject = GetWindowObject();
  if (windowObject && windowObject->ReplaceTargetView(view, this)) return;
  if (CurrentTarget() == view) SetCurrentTarget(this);
}

bool TWrappedWindow::ReplaceTargetView(TWrappedWindow*, TWrappedWindow*) {
  return false;
}

TWrappedWindow* TWrappedWindow::FindSubview(int32_t identifier) {
  if (identifier_ == identifier) return this;
  for (TWrappedWindow* view : subviews_) {
    if (TWrappedWindow* found = view->FindSubview(identifier)) return found;
  }
  return nullptr;
}

void TWrappedWindow::NotifySubviews(SubviewAction action, void* argument) {
  const std::vector<TWrappedWindow*> views = subviews_;
  for (TWrappedWindow* view : views)
    action(view, argument);
}

TWrappedWindow* TWrappedWindow::FirstSubviewThat(SubviewTest test, void* argument) {
  for (TWrappedWindow* view : subviews_)
    if (test(view, argument)) return view;
  return nullptr;
}

TWrappedWindow* TWrappedWindow::LastSubviewThat(SubviewTest test, void* argument) {
  for (auto at = subviews_.rbegin(); at != subviews_.rend(); ++at)
    if (test(*at, argument)) return *at;
  return nullptr;
}

void TWrappedWindow::MoveSubviewToFirst(TWrappedWindow* view) {
  const auto found = std::find(subviews_.begin(), subviews_.end(), view);
  if (found == subviews_.end() || found == subviews_.begin()) return;
  subviews_.erase(found);
  subviews_.insert(subviews_.begin(), view);
  RedrawExtent();
}

void TWrappedWindow::MoveSubviewToLast(TWrappedWindow* view) {
  const auto found = std::find(subviews_.begin(), subviews_.end(), view);
  if (found == subviews_.end() || found + 1 == subviews_.end()) return;
  subviews_.erase(found);
  subviews_.push_back(view);
  RedrawExtent();
}

void TWrappedWindow::RegisterView(TWrappedWindow*) {}
void TWrappedWindow::UnregisterView(TWrappedWindow*) {}

// ---------------------------------------------------------------------------------------------
// State.

void TWrappedWindow::Activate(bool on) {
  const int16_t newHighlight = on ? kHighlightActive : kHighlightInactive;
  if (Focus() && IsVisibleInPort()) HighlightChanged(highlight_, newHighlight);
  highlight_ = newHighlight;
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->Activate(on);
  InvalidateMenuSetup();
}

void TWrappedWindow::Open() {
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->Open();
}

void TWrappedWindow::Close() {
  if (TTargetHandler* application = ApplicationHandler()) {
    TCommandCore* last = application->GetLastCommand();
    if (last && last->GetObjectToNotify() == this) application->CommitLastCommand();
  }
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->Close();
}

void TWrappedWindow::GetSize(TViewPoint& size) const {
  size = size_;
}

void TWrappedWindow::Resize(int32_t width, int32_t height, bool invalidate) {
  Focus();
  if (width == size_.h && height == size_.v) return;
  TViewRect oldFrame;
  GetFrame(oldFrame);
  const TViewPoint change{width - size_.h, height - size_.v};
  size_ = {width, height};
  // The focus goes first: the context bound to the old size is given back before the window
  // changes, so it never has to be worked out for a layout that is already gone.
  InvalidateFocus();
  if (port_) {
    // The window follows without invalidating its parent: the bands below say what changed.
    port_->portRect = MacRect(0, 0, NarrowTo16(width), NarrowTo16(height));
    SizePortWindow(port_.get(), NarrowTo16(width), NarrowTo16(height), false);
    if (invalidate && port_->Window()) InvalidateRect(port_->Window(), nullptr, TRUE);
  }
  ResetCursorRegion();
  TViewRect newFrame;
  GetFrame(newFrame);
  if (superview_ && FocusOnSuperview()) {
    if (oldFrame.right != newFrame.right) {
      superview_->InvalidRectInView(TViewRect{std::min(oldFrame.top, newFrame.top),
                                              std::min(oldFrame.right, newFrame.right),
                                              std::max(oldFrame.bottom, newFrame.bottom),
                                              std::max(oldFrame.right, newFrame.right)});
    }
    if (oldFrame.bottom != newFrame.bottom) {
      superview_->InvalidRectInView(TViewRect{std::min(oldFrame.bottom, newFrame.bottom),
                                              std::min(oldFrame.left, newFrame.left),
                                              std::max(oldFrame.bottom, newFrame.bottom),
                                              std::max(oldFrame.right, newFrame.right)});
    }
  }
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->SuperviewResized(change, invalidate);
}

void TWrappedWindow::SuperviewResized(const TViewPoint& change, bool invalidate) {
  TViewPoint size = size_;
  bool changed = false;
  if (horizontalRule_ == kRuleSuperview) changed = true;
  if (verticalRule_ == kRuleSuperview) changed = true;
  if (horizontalRule_ == kRuleFollow) {
    size.h += change.h;
    changed = true;
  }
  if (verticalRule_ == kRuleFollow) {
    size.v += change.v;
    changed = true;
  }
  if (!changed) return;
  ComputeSize(size);
  Resize(size.h, size.v, invalidate);
}

void TWrappedWindow::ComputeSize(TViewPoint& size) const {
  TViewPoint reported;
  GetSize(reported);
  TViewPoint superviewSize = size;
  if (superview_) superview_->GetSize(superviewSize);
  const TViewPoint handed = size;
  size.v = ApplyRule(verticalRule_, superview_ ? superviewSize.v : size_.v,
                     verticalRule_ == kRuleFollow ? handed.v : reported.v, size_.v);
  size.h = ApplyRule(horizontalRule_, superview_ ? superviewSize.h : size_.h,
                     horizontalRule_ == kRuleFollow ? handed.h : reported.h, size_.h);
}

void TWrappedWindow::AdjustSize() {
  TViewPoint size = size_;
  ComputeSize(size);
  if (!(size == size_)) {
    Resize(size.h, size.v, true);
    return;
  }
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->AdjustSize();
}

void TWrappedWindow::AdjustSizeAndRedraw() {
  AdjustSize();
  RedrawExtent();
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->AdjustSizeAndRedraw();
}

void TWrappedWindow::MoveTo(int32_t h, int32_t v, bool invalidate) {
  const bool changed = h != location_.h || v != location_.v;
  if (!changed) return;
  if (invalidate) RedrawExtent();
  location_ = {h, v};
  InvalidateFocus();
  ResetCursorRegion();
  if (invalidate) RedrawExtent();
  for (TWrappedWindow* view : std::vector<TWrappedWindow*>(subviews_))
    view->SuperviewMoved(invalidate);
  // A window object's port is its frame's: the frame moves itself.
  if (!IsMemberClass(336) && port_) MovePortWindow(port_.get(), NarrowTo16(h), NarrowTo16(v), invalidate);
}

void TWrappedWindow::SuperviewMoved(bool) {}

void TWrappedWindow::Show(bool show, bool invalidate) {
  if (show == shown_) return;
  if (invalidate) {
    shown_ = true;
    RedrawExtent();
  }
  InvalidateFocus();
  ResetCursorRegion();
  shown_ = show;
}

bool TWrappedWindow::IsShown() const {
  return shown_;
}

void TWrappedWindow::SetEnabled(bool enabled, bool invalidate) {
  enabled_ = enabled;
  if (invalidate) RedrawExtent();
}

void TWrappedWindow::SetCommandDelegate(TTargetHandler* delegate) {
  delegate_.reset(delegate);
}

// ---------------------------------------------------------------------------------------------
// Geometry.

void TWrappedWindow::GetExtent(TViewRect& rect) const {
  rect = TViewRect{0, 0, size_.v, size_.h};
}

void TWrappedWindow::GetFrame(TViewRect& rect) const {
  rect = TViewRect{location_.v, location_.h, location_.v + size_.v, location_.h + size_.h};
}

void TWrappedWindow::GetExtentInPort(MacRect& rect) const {
  TViewRect extent;
  GetExtent(extent);
  OffsetByPortOrigin(extent, rect);
}

void TWrappedWindow::OffsetByPortOrigin(const TViewRect& rect, MacRect& out) const {
  const TViewPoint& origin = PortOrigin();
  out = NarrowRect(TViewRect{rect.top - origin.v, rect.left - origin.h, rect.bottom - origin.v,
                             rect.right - origin.h});
}

void TWrappedWindow::SuperviewToLocal(TViewPoint& point) const {
  point.h -= location_.h;
  point.v -= location_.v;
}

void TWrappedWindow::LocalToRoot(TViewPoint& point) const {
  for (const TWrappedWindow* view = this; view->superview_; view = view->superview_)
    view->LocalToSuperview(point);
}

void TWrappedWindow::RootToLocal(TViewPoint& point) const {
  if (superview_) {
    superview_->RootToLocal(point);
    SuperviewToLocal(point);
  }
}

void TWrappedWindow::LocalToPortPoint(const TViewPoint& point, MacPoint& out) const {
  out = MacPoint(NarrowTo16(point.h - PortOrigin().h), NarrowTo16(point.v - PortOrigin().v));
}

void TWrappedWindow::PortToLocalPoint(uint32_t packedPoint, TViewPoint& out) const {
  const auto v = static_cast<int16_t>(packedPoint & 0xFFFF);
  const auto h = static_cast<int16_t>(packedPoint >> 16);
  out = {h + PortOrigin().h, v + PortOrigin().v};
}

void TWrappedWindow::PortToLocalRect(const MacRect& rect, TViewRect& out) const {
  const TViewPoint& origin = PortOrigin();
  out = TViewRect{rect.top + origin.v, rect.left + origin.h, rect.bottom + origin.v,
                  rect.right + origin.h};
}

HWND TWrappedWindow::GetWindowHandle() const {
  if (!window_ || !IsWindow(window_->m_hWnd)) return nullptr;
  return window_->m_hWnd;
}

bool TWrappedWindow::IsMouseUp() {
  return !IsMouseButtonDown();
}

// ---------------------------------------------------------------------------------------------
// Drawing.

bool TWrappedWindow::Focus() {
  if (FocusedView() == this) return true;
  TWindowPort* port = GetPort();
  if (port) {
    BindPortToWindow(port);
    PortSetOrigin(0, 0);
    PortResetRegionToClientRect();
  }
  PortOrigin() = {0, 0};
  FocusedView() = this;
  SetCurrentWrappedView(this);
  return true;
}

bool TWrappedWindow::FocusOnSuperview() {
  if (PrintingInProgress() || GetUseSolidBrushes()) return true;
  return superview_ ? superview_->Focus() : false;
}

void TWrappedWindow::InvalidateFocus() {
  for (TWrappedWindow* view : subviews_)
    view->InvalidateFocus();
  if (FocusedView() == this) FocusedView() = nullptr;
  if (GetCurrentWrappedView() == this) SetCurrentWrappedView(nullptr);
  // The context this view's window gave the port goes back to the window.
  const HWND window = GetWindowHandle();
  if (window && GetPortWindow() == window) ReleaseBoundPortContext();
}

void TWrappedWindow::ReleasePortUse() {
  // The port is bound elsewhere: the next drawing call here binds it again.
  if (FocusedView() == this) FocusedView() = nullptr;
}

void TWrappedWindow::SetClip(const MacRect& rect, int16_t dh, int16_t dv) {
  RegionRec* scratch = ScratchRegion();
  RegionSetMacRect(scratch, rect);
  if (TPort* port = GetCurrentPort()) RegionIntersect(scratch, port->VisibleRegion(), scratch);
  if (dh != 0 || dv != 0) RegionOffset(scratch, dh, dv);
  SetPortClip(scratch);
}

void TWrappedWindow::DrawContents() {
  RECT box{0, 0, 0, 0};
  if (const HDC dc = GetPortDC()) GetClipBox(dc, &box);
  Draw(MacRectFromWinRect(box));
}

void TWrappedWindow::Draw(const MacRect&) {}
void TWrappedWindow::HighlightChanged(int16_t, int16_t) {}

bool TWrappedWindow::NeedsUpdate() {
  return superview_ ? superview_->NeedsUpdate() : false;
}

void TWrappedWindow::Update() {
  if (superview_)
    superview_->Update();
  else
    DrawContents();
}

void TWrappedWindow::InvalidRect(const MacRect& portRect) {
  if (!GetPort() || !Focus()) return;
  MacRect rect = portRect;
  ClipRectToPort(rect);
  InvalidateMacRect(rect);
}

void TWrappedWindow::InvalidRectInView(const TViewRect& rect) {
  if (!Focus()) return;
  MacRect portRect;
  OffsetByPortOrigin(rect, portRect);
  InvalidRect(portRect);
}

void TWrappedWindow::RedrawExtent() {
  TViewRect extent;
  GetExtent(extent);
  InvalidRectInView(extent);
}

void TWrappedWindow::ValidRect(const TViewRect& rect) {
  if (!GetPort() || !Focus()) return;
  MacRect portRect;
  OffsetByPortOrigin(rect, portRect);
  ClipRectToPort(portRect);
  ValidateMacRect(portRect);
}

bool TWrappedWindow::IsVisibleInPort() const {
  if (!IsShown()) return false;
  TPort* port = GetCurrentPort();
  return port && !RegionIsEmpty(port->VisibleRegion());
}

// ---------------------------------------------------------------------------------------------
// Mouse and cursor.

bool TWrappedWindow::HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                                     TCommandCore** command) {
  if (command) *command = nullptr;
  for (auto at = subviews_.rbegin(); at != subviews_.rend(); ++at) {
    TWrappedWindow* view = *at;
    TViewPoint local = point;
    view->SuperviewToLocal(local);
    TViewRect extent;
    view->GetExtent(extent);
    if (!extent.Contains(local) || !view->IsShown()) continue;
    if (view->HandleMouseDown(local, event, hint, command)) return true;
    break;  // the first eligible sub-view's answer ends the walk
  }
  if (!enabled_ || !Focus()) return false;
  MacPoint portPoint;
  LocalToPortPoint(point, portPoint);
  TCommandCore* made = DoMouseCommand(portPoint, event, hint);
  if (command)
    *command = made;
  else if (made && made->IsFreeWhenDone())
    delete made;
  return true;
}

TCommandCore* TWrappedWindow::DoMouseCommand(const MacPoint&, TMouseEvent*, int32_t) {
  return nullptr;
}

TWrappedWindow* TWrappedWindow::FindCursorView(const TViewPoint& point, RegionRec* cursorRegion) {
  TWrappedWindow* const passOver = PassOverView();
  for (auto at = subviews_.rbegin(); at != subviews_.rend(); ++at) {
    TWrappedWindow* view = *at;
    if (view == passOver) continue;
    TViewPoint local = point;
    view->SuperviewToLocal(local);
    TViewRect extent;
    view->GetExtent(extent);
    if (!extent.Contains(local) || !view->IsShown()) continue;
    if (TWrappedWindow* found = view->FindCursorView(local, cursorRegion)) return found;
  }
  if (this == passOver || !enabled_ || !Focus()) return nullptr;
  MacPoint portPoint;
  LocalToPortPoint(point, portPoint);
  return DoSetCursor(portPoint, cursorRegion) ? this : nullptr;
}

bool TWrappedWindow::DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion) {
  if (!cursorRegion) return true;
  MacRect extent;
  GetExtentInPort(extent);
  RegionSetMacRect(cursorRegion, extent);
  RegionRec* scratch = ScratchRegion();
  RegionSetRect(scratch, portPoint.h, portPoint.v, static_cast<int16_t>(portPoint.h + 1),
                static_cast<int16_t>(portPoint.v + 1));
  RegionUnion(cursorRegion, scratch, cursorRegion);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Clipboard and outlines.

int16_t TWrappedWindow::GetScrap(Handle data, uint32_t scrapType) {
  return GetClipboardScrap(data, scrapType);
}

void TWrappedWindow::FrameOutline(const TViewPoint&, const TViewPoint&, const TViewRect& rect,
                                  bool draw) {
  if (!draw || !Focus()) return;
  MacRect portRect;
  OffsetByPortOrigin(rect, portRect);
  PenState saved;
  PortGetPenState(saved);
  // The pen pattern whose first 16-bit word (in memory order) is 1: the dashed style.
  const uint8_t dashed[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  PortSetPenPattern(dashed);
  // Four lines: the pen's dashes run along them (a box shape's border is drawn solid).
  if (const HDC dc = GetPortDC(); dc && portRect.right > portRect.left &&
                                  portRect.bottom > portRect.top) {
    const int32_t right = portRect.right - 1;
    const int32_t bottom = portRect.bottom - 1;
    MoveToEx(dc, portRect.left, portRect.top, nullptr);
    LineTo(dc, right, portRect.top);
    LineTo(dc, right, bottom);
    LineTo(dc, portRect.left, bottom);
    LineTo(dc, portRect.left, portRect.top);
  }
  PortSetPenState(saved);
}

// ---------------------------------------------------------------------------------------------
// Window and port.

TWindowPort* TWrappedWindow::GetPort() const {
  return port_.get();
}

void TWrappedWindow::SetPort(std::unique_ptr<TWindowPort> port) {
  port_ = std::move(port);
}

TWrappedWindow* TWrappedWindow::GetWindowObject() {
  return superview_ ? superview_->GetWindowObject() : nullptr;
}

void TWrappedWindow::PostInit() {}

CWnd* TWrappedWindow::GetMFCWindow() const {
  return window_;
}

CView* TWrappedWindow::GetMFCView() const {
  return window_;
}

void TWrappedWindow::CloseOrFree() {
  if (!owner_) {
    delete this;
    return;
  }
  owner_->Close();
}

// ---------------------------------------------------------------------------------------------
// Chain of command.

bool TWrappedWindow::IsDelegatedCommand(int16_t commandNumber) const {
  return (commandNumber >= kDelegateFirst && commandNumber <= kDelegateLast) ||
         (commandNumber >= kDelegateSecondFirst && commandNumber <= kDelegateSecondLast);
}

TCommandCore* TWrappedWindow::DoMenuCommand(int16_t commandNumber) {
  if (delegate_ && IsDelegatedCommand(commandNumber))
    return delegate_->DoMenuCommand(commandNumber);
  return TTargetHandler::DoMenuCommand(commandNumber);
}

void TWrappedWindow::DoSetupMenus() {
  TTargetHandler::DoSetupMenus();
  if (delegate_) delegate_->DoSetupMenus();
}

void TWrappedWindow::NotifyUp(intptr_t first, intptr_t second) {
  if (superview_) {
    superview_->NotifyUp(first, second);
    return;
  }
  TTargetHandler::NotifyUp(first, second);
}
