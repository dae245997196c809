#include "views/furniture/ScrollBarContainer.h"

#include <algorithm>

#include "core/geometry/Rounding.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/ScrollBar.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "views/world/MainWorldView.h"

IMPLEMENT_DYNAMIC(TSSScrollBar, CScrollBar)
IMPLEMENT_DYNAMIC(TWorldScrollBar, TSSScrollBar)

// ---------------------------------------------------------------------------------------------
// Stepping bars

void TSSScrollBar::ScrollTo(int32_t position) {
  int32_t minimum = 0;
  int32_t maximum = 0;
  GetScrollRange(&minimum, &maximum);
  position = std::clamp(position, minimum, std::max(minimum, maximum));
  if (position != GetScrollPos()) SetScrollPos(position, TRUE);
}

int32_t TSSScrollBar::StepBy(int32_t delta) {
  if (delta != 0) ScrollTo(GetScrollPos() + delta);
  return GetScrollPos();
}

void TSSScrollBar::ToTop() {
  int32_t minimum = 0;
  int32_t maximum = 0;
  GetScrollRange(&minimum, &maximum);
  ScrollTo(minimum);
}

void TSSScrollBar::ToBottom() {
  int32_t minimum = 0;
  int32_t maximum = 0;
  GetScrollRange(&minimum, &maximum);
  ScrollTo(maximum);
}

BOOL TSSScrollBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_CREATE) return CScrollBar::OnWndMsg(message, wParam, lParam, result);
  if (CScrollBar::OnWndMsg(message, wParam, lParam, result) && *result == -1) return TRUE;
  SetScrollRange(0, 100, FALSE);
  ScrollTo(50);
  *result = 0;
  return TRUE;
}

void TSSScrollBar::PostNcDestroy() {
  delete this;
}

// ---------------------------------------------------------------------------------------------
// World bars

void TWorldScrollBar::AttachToView(int32_t orientation, TScrollTarget* target) {
  orientation_ = orientation;
  target_ = target;
}

void TWorldScrollBar::ScrollTo(int32_t position) {
  const int32_t delta = position - GetScrollPos();
  // Until the world has told its state the bar shows nothing of it, and scrolls nothing.
  if (delta == 0 || initialised_ == 0 || !target_) return;
  const auto step = static_cast<int16_t>(delta);
  target_->ScrollBy(orientation_ == kHorizontal ? MacPoint(step, 0) : MacPoint(0, step));
  target_->RecomputeWorldExtent();
}

void TWorldScrollBar::SetRangeMin(int32_t minimum, bool redraw) {
  minimum_ = minimum;
  SetScrollRange(minimum_, maximum_, redraw ? TRUE : FALSE);
}

void TWorldScrollBar::SetRangeMax(int32_t maximum, bool redraw) {
  maximum_ = maximum;
  SetScrollRange(minimum_, maximum_, redraw ? TRUE : FALSE);
}

void TWorldScrollBar::SetPosition(int32_t position, bool redraw) {
  position_ = position;
  SetScrollPos(position_, redraw ? TRUE : FALSE);
}

void TWorldScrollBar::SetScrollValues(int32_t position, int32_t minimum, int32_t maximum,
                                      bool redraw) {
  const bool positionChanged = position != position_;
  const bool minimumChanged = minimum != minimum_;
  if (maximum != maximum_) SetRangeMax(maximum, redraw && !positionChanged && !minimumChanged);
  if (minimumChanged) SetRangeMin(minimum, redraw && !positionChanged);
  if (positionChanged) SetPosition(position, redraw);
  initialised_ = 1;
}

void TWorldScrollBar::Request(WORD code, int16_t thumb) {
  switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN:
      if (target_) SetLineStep(static_cast<int16_t>(target_->GetLineStep()));
      if (code == SB_LINEUP)
        LineUp();
      else
        LineDown();
      return;
    case SB_PAGEUP:
    case SB_PAGEDOWN:
      // A page is what the view shows along the bar.
      if (target_) {
        const TViewPoint size = target_->GetViewSize();
        SetPageStep(static_cast<int16_t>(orientation_ == kHorizontal ? size.h : size.v));
      }
      if (code == SB_PAGEUP)
        PageUp();
      else
        PageDown();
      return;
    case SB_THUMBPOSITION:
      ThumbPosition(thumb);
      return;
    case SB_THUMBTRACK:
      ThumbTrack(thumb);
      return;
    case SB_TOP:
      ToTop();
      return;
    case SB_BOTTOM:
      ToBottom();
      return;
    default:
      return;
  }
}

BOOL TWorldScrollBar::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT* result) {
  if (message != WM_HSCROLL && message != WM_VSCROLL)
    return CWnd::OnChildNotify(message, wParam, lParam, result);
  const auto words = static_cast<uintptr_t>(wParam);
  Request(LOWORD(words), static_cast<int16_t>(HIWORD(words)));
  if (result) *result = 0;
  return TRUE;
}

BOOL TWorldScrollBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_ERASEBKGND:
      *result = 1;
      return TRUE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      *result = Default();
      return TRUE;
    default:
      return TSSScrollBar::OnWndMsg(message, wParam, lParam, result);
  }
}

// ---------------------------------------------------------------------------------------------
// Containers

void TScrollBarContainer::InitScrollBarContainer(CDocument* document, TWrappedWindow* superview,
                                                 TViewPoint location, int32_t length,
                                                 int32_t orientation, TOffScreenViewBase* master,
                                                 std::unique_ptr<TScrollTarget> target) {
  orientation_ = orientation;
  target_ = std::move(target);
  const bool horizontal = orientation == TWorldScrollBar::kHorizontal;
  const TViewPoint size = horizontal ? TViewPoint{length, GetSystemMetrics(SM_CYHSCROLL)}
                                     : TViewPoint{GetSystemMetrics(SM_CXVSCROLL), length};
  InitOffScreenView(document, superview, location, size, horizontal ? kRuleFollow : kRuleStored,
                    horizontal ? kRuleStored : kRuleFollow, master, nullptr);
  CWnd* parent = GetMFCWindow();
  if (!parent) return;
  TWorldScrollBar* bar = MakeScrollBar();
  bar->AttachToView(orientation, target_.get());
  const TViewPoint& made = GetStoredSize();
  const DWORD style = WS_CHILD | WS_VISIBLE | (horizontal ? SBS_HORZ : SBS_VERT);
  // A bar whose window could not be made has deleted itself.
  if (!bar->Create(style, RECT{0, 0, made.h, made.v}, parent, TWorldScrollBar::kControlId)) return;
  scrollBar_ = bar;
}

void TScrollBarContainer::ScrollStateChanged(uint32_t packedPosition, const TDoubleRect& bounds) {
  if (!scrollBar_) return;
  const auto h = static_cast<int16_t>(packedPosition >> 16);
  const auto v = static_cast<int16_t>(packedPosition & 0xFFFF);
  const bool horizontal = orientation_ == TWorldScrollBar::kHorizontal;
  // The world's y axis points up: its top is the vertical bar's start.
  const int32_t minimum = horizontal ? RoundToLong(bounds.left) : -RoundToLong(bounds.top);
  const int32_t maximum = horizontal ? RoundToLong(bounds.right) : -RoundToLong(bounds.bottom);
  const int32_t position = horizontal ? h : v;
  if (scrollBar_->GetRangeMin() == minimum && scrollBar_->GetRangeMax() == maximum &&
      scrollBar_->GetPosition() == position)
    return;
  scrollBar_->SetScrollValues(position, minimum, maximum, true);
}

void TScrollBarContainer::Resize(int32_t width, int32_t height, bool invalidate) {
  // The control is painted whole at its new size: a part it grew by would otherwise keep what
  // was there (the world, or a help line gone).
  if (scrollBar_) scrollBar_->MoveWindow(0, 0, width, height, TRUE);
  TOffScreenViewBase::Resize(width, height, invalidate);
}

void TScrollBarContainer::SuperviewResized(const TViewPoint& change, bool invalidate) {
  TOffScreenViewBase::SuperviewResized(change, invalidate);
  // The bars keep to the bottom and right edges.
  if (orientation_ == TWorldScrollBar::kHorizontal)
    OffsetBy(0, change.v, invalidate);
  else
    OffsetBy(change.h, 0, invalidate);
}

bool TScrollBarContainer::HandleMouseDown(const TViewPoint&, TMouseEvent*, int32_t,
                                          TCommandCore** command) {
  // The control takes its own presses.
  if (command) *command = nullptr;
  return false;
}

void TScrollBarContainer::Update() {
  if (scrollBar_) scrollBar_->UpdateWindow();
}

// ---------------------------------------------------------------------------------------------
// The main world view as a scroll target

namespace {

class TMainViewScrollTarget final : public TScrollTarget {
 public:
  explicit TMainViewScrollTarget(TMainWorldView& view) : view_(view) {}
  void ScrollBy(const MacPoint& delta) override { view_.ScrollBy(delta); }
  void RecomputeWorldExtent() override { view_.RecomputeWorldExtent(); }
  int32_t GetLineStep() const override { return kLineStep; }
  TViewPoint GetViewSize() const override { return view_.GetStoredSize(); }

 private:
  static constexpr int32_t kLineStep = 12;
  TMainWorldView& view_;
};

}  // namespace

std::unique_ptr<TScrollTarget> MakeMainViewScrollTarget(TMainWorldView& view) {
  return std::make_unique<TMainViewScrollTarget>(view);
}
