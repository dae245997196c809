#include "views/furniture/RulerView.h"

#include <cmath>

#include "core/Numerics.h"
#include "core/geometry/NumberFormat.h"
#include "core/PString.h"
#include "core/Tag.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowDc.h"
#include "core/UnitHandler.h"

namespace {

constexpr int32_t kLengthQuantity = 0x1000000;
// Finer grids than this are not drawn apart on any screen.
constexpr int kMaxLabelDecimals = 9;

// What a grid walk hands the ruler: the ruler, its offset from the main view along the axis,
// and whether every other major line goes unlabelled.
struct TWalk {
  TRulerView* ruler;
  int32_t offset;
  bool alternate;
  double twiceMajor;
  bool started = false;
  bool labelled = true;
};

// The decimals that tell apart lines `spacing` apart (in the shown unit).
int DecimalsOf(double spacing) {
  if (!std::isfinite(spacing) || !(spacing > 0.0)) return kMaxLabelDecimals;
  int decimals = 0;
  for (double step = spacing; decimals < kMaxLabelDecimals; step *= 10.0, ++decimals) {
    if (std::fabs(step - std::round(step)) <= 1e-6 * step) break;
  }
  return decimals;
}

// "-1.50" reads "-1.5" and "2.0" reads "2": the decimals the value does not need go.
std::string TrimZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared ruler behaviour

void TRulerView::IRulerView(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                            TViewPoint size, int32_t horizontalRule, int32_t verticalRule,
                            TOffScreenViewBase* mainView, TUnitHandler* units,
                            TViewCompanion* companion) {
  size.h = std::max(size.h, kThickness);
  size.v = std::max(size.v, kThickness);
  InitOffScreenView(document, superview, location, size, horizontalRule, verticalRule, mainView,
                    companion);
  labelFont_ = FontOfStyleResource(MakeTag("rlft"), kLabelStyleResource);
  units_ = units;
}

std::string TRulerView::FormatLabel(TUnitHandler* units, double value, double spacing) {
  if (!units) return {};
  const double factor = units->GetDisplayFactor(kLengthQuantity);
  const int decimals = DecimalsOf(std::fabs(spacing * factor));
  const double scale = std::pow(10.0, decimals);
  double shown = std::round(value * factor * scale) / scale;
  if (shown == 0.0) shown = 0.0;  // -0, and whatever rounds to it, reads as 0
  char text[64];
  FormatDoubleC(text, sizeof text, "%.*f", decimals, shown);
  return TrimZeros(text);
}

void TRulerView::FollowUnits() {
  if (units_ != nullptr && units_->GetDisplayFactor(kLengthQuantity) != drawnFactor_)
    InvalidateAllDeep();
}

void TRulerView::DrawBackground(const MacRect& rect) {
  if (units_ != nullptr) drawnFactor_ = units_->GetDisplayFactor(kLengthQuantity);
  const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  PortFillRectBrush(rect, white);
  DeleteObject(white);
  PortResetPen();
  SetPortFont(&labelFont_);
  DrawRuler();
  PortResetPen();
  SelectSystemFont();
}

void TRulerView::DrawOverlay(const MacRect& rect) {
  // A redraw takes the marker away.
  markerHidden_ = 1;
  TOffScreenViewBase::DrawOverlay(rect);
}

void TRulerView::WalkGrid(bool alternateLabels) {
  TOffScreenViewBase* main = GetMaster();
  if (!main) return;
  const int16_t axis = AlongAxis();
  const TViewPoint& mine = GetLocation();
  const TViewPoint& theirs = main->GetLocation();
  double major = 1.0, minor = 1.0, fine = 1.0;
  int16_t subdivisions = 1;
  main->GetGridParameters(major, minor, fine, subdivisions);
  TWalk walk{this, axis == 1 ? theirs.h - mine.h : theirs.v - mine.v, alternateLabels,
             2.0 * std::fabs(major)};
  const auto line = [](int16_t pixel, double value, int16_t isMajor, void* data) {
    auto& w = *static_cast<TWalk*>(data);
    const auto along = static_cast<int16_t>(pixel + w.offset);
    if (isMajor == 0) return w.ruler->DrawTick(along, kMinorTick);
    w.ruler->DrawTick(along, w.ruler->majorTick_);
    if (w.alternate && !w.started) {
      // The first major line is labelled when it lies on a multiple of twice the spacing.
      int16_t quotient = 0;
      w.labelled = value == 0.0 ||
                   std::fabs(RemainderQuo(value, w.twiceMajor, quotient)) <= w.twiceMajor / 4.0;
    }
    w.started = true;
    if (!w.alternate || w.labelled) w.ruler->DrawLabel(along, FormatLabel(w.ruler->units_, value, w.twiceMajor / 2.0));
    if (w.alternate) w.labelled = !w.labelled;
  };
  using Request = void (*)(int16_t, double, int16_t, void*);
  const Request request = line;
  MasterRequestDirect(axis, reinterpret_cast<intptr_t>(request), reinterpret_cast<intptr_t>(&walk));
}

void TRulerView::StrokeMarker(int32_t along) {
  const HWND window = GetWindowHandle();
  if (!window) return;
  const HDC dc = GetDC(window);
  const int32_t previousMode = SetROP2(dc, R2_NOTXORPEN);
  const HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  const HGDIOBJ previousPen = SelectObject(dc, pen);
  if (AlongAxis() == 1) {
    MoveToEx(dc, along, 0, nullptr);
    LineTo(dc, along, kThickness);
  } else {
    MoveToEx(dc, 0, along, nullptr);
    LineTo(dc, kThickness, along);
  }
  SelectObject(dc, previousPen);
  DeleteObject(pen);
  SetROP2(dc, previousMode);
  ReleaseDC(window, dc);
}

void TRulerView::DrawMarker(int32_t along, bool show) {
  // The unit can change without a change of the world's objects (Numbers and Units): the marker
  // follows the pointer over the world, so the labels are checked whenever it moves.
  FollowUnits();
  if (along == 0) show = false;
  if (markerHidden_ == 0 && markerAlong_ != 0) StrokeMarker(markerAlong_);
  if (show) StrokeMarker(along);
  markerAlong_ = show ? along : 0;
  markerHidden_ = show ? 0 : 1;
}

void TRulerView::HideMarker() {
  if (markerHidden_ == 0 && markerAlong_ != 0 && IsShown()) DrawMarker(0, false);
  markerAlong_ = 0;
  markerHidden_ = 1;
}

void TRulerView::TrackFeedback(const int32_t values[6]) {
  TOffScreenViewBase::TrackFeedback(values);
  const bool show = values[5] != 0;
  if ((!show && markerHidden_ != 0) || !IsShown()) return;
  TOffScreenViewBase* main = GetMaster();
  if (!main) return;
  const auto h = static_cast<int16_t>(values[1] >> 16);
  const auto v = static_cast<int16_t>(values[1] & 0xFFFF);
  const int32_t along = AlongAxis() == 1 ? h + main->GetLocation().h - GetLocation().h
                                         : v + main->GetLocation().v - GetLocation().v;
  if (show && markerHidden_ == 0 && along == markerAlong_) return;
  DrawMarker(along, show);
}

void TRulerView::ViewChanged() {
  TOffScreenViewBase::ViewChanged();
  InvalidateAllShallow();
}

void TRulerView::ScaleChanged() {
  HideMarker();
  TOffScreenViewBase::ScaleChanged();
  InvalidateAllShallow();
}

void TRulerView::Activate(bool on) {
  if (!on) HideMarker();
  TOffScreenViewBase::Activate(on);
}

// ---------------------------------------------------------------------------------------------
// Horizontal ruler

void THRulerView::IHRulerView(CDocument* document, TWrappedWindow* superview,
                              TViewPoint location, TOffScreenViewBase* mainView,
                              TUnitHandler* units, TViewCompanion* companion) {
  const int32_t width = mainView ? mainView->GetStoredSize().h - kThickness : kThickness;
  IRulerView(document, superview, location, TViewPoint{width, kThickness}, kRuleFollow,
             kRuleStored, mainView, units, companion);
  majorTick_ = 12;
}

void THRulerView::SuperviewResized(const TViewPoint& change, bool invalidate) {
  TRulerView::SuperviewResized(change, invalidate);
  // The world display above grows by as much as the window.
  if (change.v != 0) OffsetBy(0, change.v, invalidate);
}

void THRulerView::DrawRuler() {
  const TViewPoint& size = GetStoredSize();
  PortMoveTo(size.h - 1, 0);
  PortLineTo(-(size.h - 1), 0);
  PortMoveTo(0, 0);
  PortLineTo(0, size.v - 1);
  labelEnd_ = -900;
  double major = 1.0, minor = 1.0, fine = 1.0;
  int16_t subdivisions = 1;
  if (TOffScreenViewBase* main = GetMaster()) main->GetGridParameters(major, minor, fine, subdivisions);
  WalkGrid(subdivisions < 10);
}

void THRulerView::DrawTick(int16_t along, int16_t length) {
  PortMoveTo(along, 0);
  PortLineTo(0, length);
}

void THRulerView::DrawLabel(int16_t along, const std::string& text) {
  if (text.empty() || along < labelEnd_ + kLabelGap) return;
  const Str255 label(text.c_str());
  const int16_t width = PortStringWidth(label);
  PortMoveTo(along - width / 2, 24);
  PortDrawPString(label);
  labelEnd_ = static_cast<int16_t>(along + width);
}

// ---------------------------------------------------------------------------------------------
// Vertical ruler

void TVRulerView::IVRulerView(CDocument* document, TWrappedWindow* superview,
                              TViewPoint location, TOffScreenViewBase* mainView,
                              TUnitHandler* units, TViewCompanion* companion) {
  const int32_t height = mainView ? mainView->GetStoredSize().v - kThickness : kThickness;
  IRulerView(document, superview, location, TViewPoint{kThickness, height}, kRuleStored,
             kRuleFollow, mainView, units, companion);
}

void TVRulerView::DrawRuler() {
  const TViewPoint& size = GetStoredSize();
  PortMoveTo(size.h - 1, 0);
  PortLineTo(0, size.v - 1);
  PortLineTo(-(size.h - 1), 0);
  WalkGrid(false);
}

void TVRulerView::DrawTick(int16_t along, int16_t length) {
  PortMoveTo(GetStoredSize().h, along);
  PortLineTo(-length, 0);
}

void TVRulerView::DrawLabel(int16_t along, const std::string& text) {
  if (text.empty()) return;
  PortMoveTo(2, along - 2);
  PortDrawPString(Str255(text.c_str()));
}
