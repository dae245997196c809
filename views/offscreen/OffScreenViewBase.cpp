#include "views/offscreen/OffScreenViewBase.h"

#include <cmath>

#include "core/Tag.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "views/offscreen/DezevOffScreenMgr.h"

namespace {

bool IsPositiveNormal(double value) {
  return std::isnormal(value) && value > 0.0;
}

}  // namespace

TGridParameters ComputeGridParameters(double scale, double unit) {
  TGridParameters grid;
  if (!IsPositiveNormal(scale) || !IsPositiveNormal(unit)) return grid;
  double x = std::fabs(unit * scale);
  int n = 0;
  while (x > 80.0) {
    x /= 10.0;
    --n;
  }
  while (x < 20.0) {
    x *= 10.0;
    ++n;
  }
  const double g = n != 0 ? unit * std::exp(n * std::log(10.0)) : unit;
  int m = 0;
  while (x > 80.0) {
    x *= 0.5;
    --m;
  }
  grid.major = g * std::ldexp(1.0, m);
  if (x <= 30.0) {
    grid.minor = grid.major / 4.0;
    grid.subdivisions = 4;
  } else {
    grid.minor = grid.major / 10.0;
    grid.subdivisions = 10;
  }
  const double w = std::max(grid.major, unit);
  double y = std::fabs(w * scale);
  int k = 0;
  while (y > 1.0) {
    y *= 0.5;
    --k;
  }
  grid.fine = w * std::ldexp(1.0, k);
  grid.valid = true;
  return grid;
}

TOffScreenViewBase::~TOffScreenViewBase() {
  if (master_) master_->RemoveDependent(this);
  while (!dependents_.empty())
    RemoveDependent(dependents_.back());
}

void TOffScreenViewBase::InitOffScreenView(CDocument* document, TWrappedWindow* superview,
                                           TViewPoint location, TViewPoint size,
                                           int32_t horizontalRule, int32_t verticalRule,
                                           TOffScreenViewBase* master,
                                           TViewCompanion* companion) {
  BuildWindow(document, superview, location, size, horizontalRule, verticalRule);
  dependents_.clear();
  if (master) master->AddDependent(this);
  if (TOwlView* window = GetWindow()) active_ = window->GetActiveState();
  companion_ = companion;
}

void TOffScreenViewBase::AddDependent(TOffScreenViewBase* view) {
  if (!view) return;
  dependents_.push_back(view);
  view->master_ = this;
}

void TOffScreenViewBase::RemoveDependent(TOffScreenViewBase* view) {
  std::erase(dependents_, view);
  if (view && view->master_ == this) view->master_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Notices

void TOffScreenViewBase::NoticeValue(int32_t value) {
  for (TOffScreenViewBase* view : dependents_) view->NoticeValue(value);
}
void TOffScreenViewBase::TransformChanged() {
  for (TOffScreenViewBase* view : dependents_) view->TransformChanged();
}
void TOffScreenViewBase::SetRunState(int32_t state) {
  for (TOffScreenViewBase* view : dependents_) view->SetRunState(state);
}
void TOffScreenViewBase::ShowPosition(int32_t value) {
  for (TOffScreenViewBase* view : dependents_) view->ShowPosition(value);
}
void TOffScreenViewBase::ClearPosition() {
  for (TOffScreenViewBase* view : dependents_) view->ClearPosition();
}
void TOffScreenViewBase::ScrollStateChanged(uint32_t packedPosition, const TDoubleRect& bounds) {
  for (TOffScreenViewBase* view : dependents_) view->ScrollStateChanged(packedPosition, bounds);
}
void TOffScreenViewBase::FrameChanged(int16_t frame, int16_t first, int16_t second) {
  for (TOffScreenViewBase* view : dependents_) view->FrameChanged(frame, first, second);
}
void TOffScreenViewBase::RunStateChanged(int32_t state) {
  for (TOffScreenViewBase* view : dependents_) view->RunStateChanged(state);
}
void TOffScreenViewBase::SettingChanged(int32_t first, int32_t second) {
  for (TOffScreenViewBase* view : dependents_) view->SettingChanged(first, second);
}
void TOffScreenViewBase::TrackFeedback(const int32_t values[6]) {
  for (TOffScreenViewBase* view : dependents_) view->TrackFeedback(values);
}
void TOffScreenViewBase::ViewChanged() {
  for (TOffScreenViewBase* view : dependents_) view->ViewChanged();
}
void TOffScreenViewBase::ViewMoved() {
  for (TOffScreenViewBase* view : dependents_) view->ViewMoved();
}

void TOffScreenViewBase::ScaleChanged() {
  // The dependents hear of the view change before the scale change.
  ViewChanged();
  for (TOffScreenViewBase* view : dependents_) view->ScaleChanged();
}

// ---------------------------------------------------------------------------------------------
// Questions

void TOffScreenViewBase::GetDisplayDefaults(int16_t out[5]) const {
  out[0] = 0;
  out[1] = 1;
  out[2] = 0;
  out[3] = 1;
  out[4] = 1;
}

void TOffScreenViewBase::GetTextDefaults(int16_t out[3], uint32_t& tag) const {
  out[0] = 0;
  out[1] = -1;
  out[2] = 0;
  tag = MakeTag("TEXT");
}

void TOffScreenViewBase::TrackMouse(const TViewPoint& point) {
  if (!Focus()) return;
  MacPoint mouse;
  GetMousePoint(mouse);
  const TViewPoint& size = GetStoredSize();
  const bool inside = mouse.h >= 0 && mouse.v >= 0 && mouse.h <= size.h && mouse.v <= size.v;
  MacPoint port;
  LocalToPortPoint(point, port);
  for (TOffScreenViewBase* view : dependents_) view->MouseMoved(port, inside);
}

bool TOffScreenViewBase::DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion) {
  CompanionNotice(0, 1);
  return TWorldView::DoSetCursor(portPoint, cursorRegion);
}

void TOffScreenViewBase::GetGridParameters(double& first, double& second, double& third,
                                           int16_t& count) {
  if (!master_) {
    first = second = third = 1.0;
    count = 1;
    return;
  }
  master_->GetGridParameters(second, first, third, count);
}

void TOffScreenViewBase::MasterRequest(int32_t a, intptr_t b, intptr_t c) {
  if (master_) master_->MasterRequest(a, b, c);
}

void TOffScreenViewBase::MasterRequestDirect(int32_t a, intptr_t b, intptr_t c) {
  if (master_) master_->MasterRequestDirect(a, b, c);
}

void TOffScreenViewBase::CompanionRequest(intptr_t first, intptr_t second) {
  if (companion_) companion_->CompanionRequest(first, second);
}

void TOffScreenViewBase::CompanionNotice(intptr_t first, intptr_t second) {
  if (companion_) companion_->CompanionNotice(first, second);
}

void TOffScreenViewBase::Refresh() {
  InvalidateAllShallow();
  Update();
}

void TOffScreenViewBase::Activate(bool on) {
  TWorldView::Activate(on);
  active_ = on ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Drawing into a picture

void TOffScreenViewBase::DrawInBuffer(bool background, DrawRoutine routine, void* argument) {
  auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(GetManager());
  if (!buffered || !buffered->Focus()) return;
  buffered->BeginDrawing();
  bool targeted = false;
  try {
    if (background)
      buffered->TargetBackgroundBuffer();
    else
      buffered->TargetDisplayBuffer();
    targeted = true;
    InvalidateFocus();
    if (Focus()) {
      PreparePort();
      routine(argument);
    }
  } catch (...) {
    if (targeted) background ? buffered->ReleaseBackgroundBuffer() : buffered->ReleaseDisplayBuffer();
    buffered->EndDrawing();
    throw;
  }
  if (background)
    buffered->ReleaseBackgroundBuffer();
  else
    buffered->ReleaseDisplayBuffer();
  buffered->EndDrawing();
  InvalidateFocus();
}

void TOffScreenViewBase::DrawInDisplayBuffer(DrawRoutine routine, void* argument) {
  DrawInBuffer(false, routine, argument);
}

void TOffScreenViewBase::DrawInBackgroundBuffer(DrawRoutine routine, void* argument) {
  DrawInBuffer(true, routine, argument);
}
