#include "views/furniture/FrameIndicator.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Handle.h"
#include "core/PString.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "core/TickCount.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/PortShapes.h"
#include "model/command/CommandHandler.h"
#include "model/handler/TargetHandler.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"
#include "platform/win32/Font.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowRegion.h"
#include "ui/views/ViewServices.h"

namespace {

constexpr int16_t kTextStyleResource = 3140;
constexpr int16_t kThumbPadding = 8;
// Shade values of the port's fills: black, grey, light grey, white.
constexpr int16_t kShadeBlack = 0;
constexpr int16_t kShadeGrey = 1;
constexpr int16_t kShadeLight = 3;
constexpr int16_t kShadeWhite = 5;

// The tape's text style, from its "inft" setting.
FontSpec IndicatorFont() { return FontOfStyleResource(MakeTag("inft"), kTextStyleResource); }

bool Contains(const MacRect& rect, const MacPoint& point) {
  return point.h >= rect.left && point.h < rect.right && point.v >= rect.top &&
         point.v < rect.bottom;
}

bool Meets(const MacRect& a, const MacRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

MacRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return MacRect(static_cast<int16_t>(left), static_cast<int16_t>(top),
                 static_cast<int16_t>(right), static_cast<int16_t>(bottom));
}

int16_t PictureOf(int16_t command) {
  switch (command) {
    case TFrameIndic::kCmdRun: return TFrameIndic::kRunPicture;
    case TFrameIndic::kCmdStop: return TFrameIndic::kStopPicture;
    case TFrameIndic::kCmdPlayBack: return TFrameIndic::kPlayBackPicture;
    case TFrameIndic::kCmdStepForward: return TFrameIndic::kStepForwardPicture;
    case TFrameIndic::kCmdStepBack: return TFrameIndic::kStepBackPicture;
    default: return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The strip

TFrameIndic::~TFrameIndic() {
  for (auto& [number, bitmap] : pictures_)
    if (bitmap) DeleteObject(bitmap);
}

int16_t TFrameIndic::BarHeight() const {
  return static_cast<int16_t>(GetSystemMetrics(SM_CYHSCROLL));
}

int16_t TFrameIndic::BarWidth() const {
  return static_cast<int16_t>(GetSystemMetrics(SM_CXVSCROLL));
}

void TFrameIndic::Init(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                       int32_t width, int32_t horizontalRule, TOffScreenViewBase* master,
                       TViewCompanion* companion) {
  font_ = IndicatorFont();
  {
    // The thumb holds four digits with room to spare.
    const HDC screen = CreateCompatibleDC(nullptr);
    const HDC previous = SetPortDC(screen);
    SetPortFont(&font_);
    thumbWidth_ = static_cast<int16_t>(PortStringWidth(Str255("0000")) + kThumbPadding);
    SelectSystemFont();
    SetPortDC(previous);
    DeleteDC(screen);
  }
  InitOffScreenView(document, superview, TViewPoint{location.h, location.v - 1},
                    TViewPoint{width, BarHeight() + 1}, horizontalRule, kRuleStored, master,
                    companion);
}

void TFrameIndic::ShowFrame(int16_t frame) {
  if (frameHandler_) frameHandler_(frame);
}

MacRect TFrameIndic::GetSliderRect() const {
  const TViewPoint& size = GetStoredSize();
  const int32_t b = BarHeight();
  return Rect(2 * b - 1, 1, size.h - 2 * b, size.v);
}

MacRect TFrameIndic::GetThumbRect() const {
  MacRect thumb = GetSliderRect();
  if (current_ != first_ && current_ == last_) {
    thumb.left = static_cast<int16_t>(thumb.right - thumbWidth_);
    return thumb;
  }
  int32_t left = thumb.left;
  const int32_t span = last_ - first_;
  // Frames that give no span keep the thumb at the slider's left.
  if (current_ != first_ && span > 0) {
    const int32_t room = (thumb.right - thumb.left) - (thumbWidth_ + 1);
    left += static_cast<int32_t>(int64_t{current_ - first_} * room / span);
  }
  thumb.left = static_cast<int16_t>(left);
  thumb.right = static_cast<int16_t>(left + thumbWidth_);
  return thumb;
}

void TFrameIndic::SetTracking(bool tracking) {
  const int16_t flag = tracking ? 1 : 0;
  if (flag == tracking_) return;
  tracking_ = flag;
  if (!tracking && GetWindowHandle()) InvalidateShallowRect(GetSliderRect());
}

void TFrameIndic::InvalidateShallowRect(MacRect rect) {
  if (rect.right == GetStoredSize().h) --rect.right;
  if (IsDrawnOffScreen()) InvalidateShallow(rect);
  InvalidateDirect(rect);
}

void TFrameIndic::InvalidateDeepRect(MacRect rect) {
  if (rect.right == GetStoredSize().h) --rect.right;
  if (IsDrawnOffScreen()) InvalidateDeep(rect);
  InvalidateShallow(rect);
}

void TFrameIndic::RedrawAll() {
  const TViewPoint& size = GetStoredSize();
  const MacRect all = Rect(1, 1, size.h - 1, size.v);
  if (IsDrawnOffScreen()) InvalidateShallow(all);
  InvalidateDirect(all);
}

void TFrameIndic::RedrawAllDeep() {
  const TViewPoint& size = GetStoredSize();
  const MacRect all = Rect(1, 1, size.h - 1, size.v);
  if (IsDrawnOffScreen()) InvalidateDeep(all);
  InvalidateShallow(all);
}

HBITMAP TFrameIndic::Picture(int16_t number) {
  const auto found = pictures_.find(number);
  if (found != pictures_.end()) return found->second;
  HBITMAP bitmap = LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(number)));
  pictures_[number] = bitmap;
  return bitmap;
}

void TFrameIndic::DrawPictureInto(HDC dc, int16_t number, const MacRect& rect) {
  const HBITMAP bitmap = Picture(number);
  if (!dc || !bitmap) return;
  BITMAP info{};
  if (GetObject(bitmap, sizeof info, &info) == 0) return;
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, bitmap);
  const int32_t width = std::min<int32_t>(info.bmWidth, rect.right - rect.left);
  const int32_t height = std::min<int32_t>(info.bmHeight, rect.bottom - rect.top);
  BitBlt(dc, rect.left, rect.top, width, height, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

void TFrameIndic::DrawPictureButton(const MacRect& square, int16_t picture) {
  MacRect frame = square;
  frame.Offset(1, 1);
  PortFrameRect(frame);
  MacRectInset(frame, 1, 1);
  DrawPictureInto(GetPortDC(), picture, frame);
}

void TFrameIndic::DrawButtons(const MacRect& rect) {
  PortResetPen();
  const int16_t b = BarHeight();
  const int32_t width = GetStoredSize().h;
  MacRect square = Rect(0, 0, b, b);
  if (Meets(rect, square))
    DrawPictureButton(square, runMode_ == kBackwards ? kStopPicture : kPlayBackPicture);
  square.Offset(static_cast<int16_t>(b - 1), 0);
  if (Meets(rect, square))
    DrawPictureButton(square, runMode_ == kForwards ? kStopPicture : kRunPicture);
  PortMoveTo(1, 1);
  PortLineTo(width - 1, 0);
  if (2 * b < rect.right) {
    square = Rect(width - b, 0, width, b);
    DrawPictureButton(square, kStepForwardPicture);
    square.Offset(static_cast<int16_t>(-(b - 1)), 0);
    DrawPictureButton(square, kStepBackPicture);
  }
  MacRect well = GetSliderRect();
  ++well.top;
  MacRectInset(well, 3, 3);
  PortFrameRect(well);
  MacRectInset(well, 1, 1);
  PortFillRectWithPattern(well, kShadeLight);
}

void TFrameIndic::DrawSlider(const MacRect&) {
  PortResetPen();
  const int16_t b = BarHeight();
  if (current_ <= first_) {
    // Nothing before the first frame: play back and step back are greyed.
    MacRect square = Rect(0, 0, b, b);
    DrawPictureButton(square, kGreyPlayBackPicture);
    square = Rect(GetStoredSize().h - 2 * b + 1, 0, GetStoredSize().h - b + 1, b);
    DrawPictureButton(square, kGreyStepBackPicture);
    MacRect slider = GetSliderRect();
    slider.Offset(1, 1);
    slider.right = static_cast<int16_t>(slider.right - 1);
    slider.bottom = static_cast<int16_t>(slider.bottom - 1);
    PortFillRectPattern(slider);
  }
  if (current_ < 0) return;
  MacRect thumb = GetThumbRect();
  PortFillRectPattern(thumb);
  PortFrameRect(thumb);
  if (tracking_ != 0) {
    MacRectInset(thumb, 1, 1);
    PortFrameRect(thumb);
    --thumb.bottom;
  }
  MacRectInset(thumb, 2, 2);
  int16_t drop = 0;
  if (thumb.right - thumb.left >= 12)
    PortFrameRect(thumb);
  else
    drop = 2;
  SetPortFont(&font_);
  const Str255 number(std::to_string(current_).c_str());
  const int16_t textWidth = PortStringWidth(number);
  PortMoveTo((thumb.left + thumb.right - textWidth) / 2, thumb.bottom - 2 + drop);
  PortDrawPString(number);
  SelectSystemFont();
}

void TFrameIndic::SetFrames(int16_t current, int16_t first, int16_t last) {
  if (current == current_ && first == first_ && last == last_) return;
  const int32_t now = GetTickCount60();
  if (runMode_ == kStopped || now - lastRedraw_ >= kRedrawTicks || current % 10 == 0) {
    RedrawAll();
    lastRedraw_ = now;
  }
  current_ = current;
  first_ = first;
  last_ = last;
}

void TFrameIndic::SetRunMode(int32_t mode) {
  if (mode == runMode_) return;
  const int16_t b = BarHeight();
  const bool one = mode == kForwards || runMode_ == kForwards;
  const bool two = mode == kBackwards || runMode_ == kBackwards;
  if (one && two)
    InvalidateDeepRect(Rect(1, 1, 2 * b - 2, b - 1));
  else if (one)
    InvalidateDeepRect(Rect(b + 1, 1, 2 * b - 2, b - 1));
  else if (two)
    InvalidateDeepRect(Rect(1, 1, b - 1, b - 1));
  if (mode == kStopped || runMode_ == kStopped) RedrawAll();
  runMode_ = mode;
}

TFrameIndic::THit TFrameIndic::HitTest(const MacPoint& point, bool alwaysRespond) const {
  const MacRect slider = GetSliderRect();
  if (Contains(slider, point)) return {kSliderPart, slider};
  const int16_t c = BarWidth();
  const int32_t width = GetStoredSize().h;
  const bool afterFirst = alwaysRespond || current_ > first_;
  MacRect square = Rect(1, 1, c - 1, c - 1);
  if (afterFirst && Contains(square, point))
    return {runMode_ == kBackwards ? kCmdStop : kCmdPlayBack, square};
  square.Offset(static_cast<int16_t>(c - 1), 0);
  if (Contains(square, point)) return {runMode_ == kForwards ? kCmdStop : kCmdRun, square};
  square = Rect(width - (c - 1), 1, width - 1, c - 1);
  if (Contains(square, point)) return {kCmdStepForward, square};
  square.Offset(static_cast<int16_t>(-(c - 1)), 0);
  if (afterFirst && Contains(square, point)) return {kCmdStepBack, square};
  return {};
}

void TFrameIndic::Resize(int32_t width, int32_t height, bool invalidate) {
  TOffScreenViewBase::Resize(width, height, invalidate);
  RedrawAllDeep();
}

void TFrameIndic::SuperviewResized(const TViewPoint& change, bool invalidate) {
  TOffScreenViewBase::SuperviewResized(change, invalidate);
  // Like the scroll bar it sits on, whose row it may share.
  if (change.v != 0) OffsetBy(0, change.v, invalidate);
}

void TFrameIndic::Activate(bool on) {
  TOffScreenViewBase::Activate(on);
  RedrawAllDeep();
}

void TFrameIndic::DrawBackground(const MacRect& rect) {
  if (!IsDrawnOffScreen()) return;
  PortFillRectWithPattern(rect, kShadeWhite);
  DrawButtons(rect);
}

void TFrameIndic::DrawObjects(const MacRect& rect) {
  // The buttons and the well lie in the background; the thumb goes over them.
  if (IsDrawnOffScreen()) DrawSlider(rect);
}

void TFrameIndic::DrawOverlay(const MacRect& rect) {
  TOffScreenViewBase::DrawOverlay(rect);
  if (!IsDrawnOffScreen()) DrawSlider(rect);
}

void TFrameIndic::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  TOffScreenViewBase::FrameChanged(frame, first, last);
  SetFrames(frame, first, last);
}

TCommandCore* TFrameIndic::DoMouseCommand(const MacPoint& point, TMouseEvent*, int32_t) {
  MacRect slider = GetSliderRect();
  if (Contains(slider, point)) {
    if (first_ < last_) return new TIndicatorThumbTracker(*this);
    // Nothing recorded: the empty slider runs the world.
    if (current_ == 0) slider.left = static_cast<int16_t>(slider.left + thumbWidth_ + 1);
    if (!Contains(slider, point)) return nullptr;
    return new TIndicatorButtonTracker(*this, kCmdRun, slider, 0);
  }
  const THit hit = HitTest(point, false);
  if (hit.code == 0) return nullptr;
  MacRect rect = hit.rect;
  ++rect.left;
  ++rect.top;
  return new TIndicatorButtonTracker(*this, hit.code, rect, PictureOf(hit.code));
}

// ---------------------------------------------------------------------------------------------
// Button tracking

TIndicatorButtonTracker::TIndicatorButtonTracker(TFrameIndic& indicator, int16_t command,
                                                 const MacRect& rect, int16_t picture)
    : indicator_(indicator), trackView_(indicator), rect_(rect), picture_(picture) {
  Init(command, nullptr, &trackView_, nullptr);
  SetViewPresent(1);
}

void TIndicatorButtonTracker::DrawButton(bool inside) {
  const HWND window = indicator_.GetWindowHandle();
  if (!window) return;
  const HDC dc = GetDC(window);
  if (picture_ != 0) {
    indicator_.DrawPictureInto(
        dc, static_cast<int16_t>(picture_ + (inside ? TFrameIndic::kPressedOffset : 0)), rect_);
  } else {
    RECT area = MacRectToWinRect(rect_);
    if (inside) FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    InflateRect(&area, -2, -2);
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&area, -1, -1);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(inside ? GRAY_BRUSH : WHITE_BRUSH)));
  }
  ReleaseDC(window, dc);
}

TCommandCore* TIndicatorButtonTracker::TrackMouse(int16_t phase, const QV_CPoint&,
                                                  const QV_CPoint&, const QV_CPoint& next,
                                                  bool) {
  const bool inside = Contains(rect_, MacPoint(next.h, next.v));
  if (!started_ || inside != inside_) {
    started_ = true;
    inside_ = inside;
    DrawButton(inside);
  }
  if (phase == 2) {
    // The button looks as it did before the press.
    if (inside_) DrawButton(false);
    indicator_.RedrawAll();
    if (!inside) return nullptr;
  }
  return this;
}

void TIndicatorButtonTracker::DoIt() {
  TTargetHandler* target = CurrentTarget();
  if (!target) return;
  TCommandCore* command = target->DoMenuCommand(GetCommandNumber());
  if (!command) return;
  if (TCommandHandler* application = TCommandHandler::Application())
    application->PostCommand(command);
  else if (command->IsFreeWhenDone() != 0)
    delete command;
}

// ---------------------------------------------------------------------------------------------
// Thumb tracking

TIndicatorThumbTracker::TIndicatorThumbTracker(TFrameIndic& indicator)
    : indicator_(indicator), trackView_(indicator) {
  InitCommand(TFrameIndic::kSliderPart, nullptr, &trackView_, nullptr);
  SetCanUndo(0);
  SetCausesChange(0);
  SetViewPresent(1);
  slider_ = indicator.GetSliderRect();
  thumbWidth_ = indicator.ThumbWidth();
}

TIndicatorThumbTracker::~TIndicatorThumbTracker() {
  indicator_.SetTracking(false);
}

int16_t TIndicatorThumbTracker::FrameAt(int32_t h) const {
  const int32_t first = indicator_.GetFirstFrame();
  const int32_t last = indicator_.GetLastFrame();
  const int32_t room = slider_.right - thumbWidth_ - slider_.left;
  // A strip too narrow for the thumb to move keeps the first frame.
  if (room <= 0) return static_cast<int16_t>(first);
  const int64_t frame =
      first + int64_t{h - grabOffset_ - slider_.left} * (last - first) / room;
  return static_cast<int16_t>(std::clamp<int64_t>(frame, first, std::max(first, last)));
}

void TIndicatorThumbTracker::Step(int32_t h) {
  const int16_t frame = FrameAt(h);
  if (frame != indicator_.GetCurrentFrame()) indicator_.ShowFrame(frame);
}

TCommandCore* TIndicatorThumbTracker::TrackMouse(int16_t phase, const QV_CPoint&,
                                                 const QV_CPoint&, const QV_CPoint& next,
                                                 bool moved) {
  if (phase == 0) {
    indicator_.SetTracking(true);
    const MacRect thumb = indicator_.GetThumbRect();
    if (indicator_.GetCurrentFrame() >= 0 && Contains(thumb, MacPoint(next.h, next.v))) {
      grabOffset_ = static_cast<int16_t>(next.h - thumb.left);
    } else {
      grabOffset_ = static_cast<int16_t>(thumbWidth_ / 2);
      Step(next.h);
    }
    return this;
  }
  if (moved) Step(next.h);
  if (phase == 2) indicator_.SetTracking(false);
  return this;
}
