#include "inout/meters/NumberText.h"

#include <algorithm>
#include <cmath>

#include "core/NumberText.h"
#include "core/geometry/Rounding.h"
#include "simulation/UnitHandler.h"

namespace {
// Frame sets grow by this many ranges at a time: a column outside its range for long stretches
// of a run adds ranges in bursts.
constexpr int32_t kFrameSetGrowth = 32;
// Digits of a value written without a unit handler.
constexpr int16_t kFallbackDigits = 4;
}  // namespace

void TNumberText::InitNumberText() {
  InitRangeSet();
  SetChunk(kFrameSetGrowth);
  formula_ = TFormula::New();
  label_ = Str255();
  minimum_ = 0.0;
  maximum_ = 1.0;
  span_ = 1.0;
  shown_ = true;
  ResetRunningBounds();
}

void TNumberText::GetText(TWorldUnitHandler* handler, Str255& out) {
  if (currentValid_) {
    out = cachedText_;
    return;
  }
  double v = formula_->GetValue();
  if (handler == nullptr) {
    FormatDouble(static_cast<int32_t>(kFallbackDigits) << 16, v, cachedText_);
  } else {
    if (const TFormulaUnits* units = formula_->GetUnits(); units != nullptr)
      v = v * units->factor * handler->GetDisplayFactor(unitKind_);
    handler->FormatNumberWithDigits(v, handler->GetDigits(), cachedText_);
  }
  currentValid_ = true;
  out = cachedText_;
}

double TNumberText::ValueFraction(double value) const {
  // A range of no width (or a broken one) has no position within it: everything sits at its
  // start rather than dividing by zero.
  if (span_ == 0.0 || !std::isfinite(span_)) return 0.0;
  return (value - minimum_) / span_;
}

void TNumberText::ResetRunningBounds() {
  runningMinimum_ = kLargest;
  runningMaximum_ = -kLargest;
}

void TNumberText::SetValue(double v, bool track) {
  if (v != formula_->GetValue()) {
    currentValid_ = false;
    formula_->StoreConstant(v);
  }
  if (!track || !autoScale_) return;
  if (v != -kLargest) runningMinimum_ = std::min(runningMinimum_, v);
  if (v != kLargest) runningMaximum_ = std::max(runningMaximum_, v);
}

void TNumberText::SetValueAtFrame(int16_t frame, double v, bool track) {
  if (v < minimum_ || v > maximum_) AddMember(frame);
  SetValue(v, track);
}

void TNumberText::SetUnitKind(int32_t unitKind) {
  unitKind_ = unitKind;
  currentValid_ = false;
}

void TNumberText::SetDashFlag(bool flag) {
  if (flag == dash_) return;
  dash_ = flag;
  SetRange(minimum_, maximum_);
}

void TNumberText::SetRange(double a, double b) {
  if (b < a) std::swap(a, b);
  minimum_ = a;
  maximum_ = b;
  RemoveAll();
  span_ = maximum_ - minimum_;
}

bool TNumberText::UpdateRange(bool hold, bool shrink) {
  if (!wrap_ && (hold || !autoScale_)) return false;
  const double v = formula_->GetValue();
  const double lo = minimum_;
  const double hi = maximum_;
  double a = lo;
  double b = hi;
  if (autoScale_ && !wrap_) {
    a = runningMinimum_ == kLargest ? lo : runningMinimum_;
    b = runningMaximum_ == -kLargest ? hi : runningMaximum_;
  }
  double newLo = lo;
  double newHi = hi;
  if (wrap_) {
    if (v > hi) {
      newLo = b;
      newHi = 2 * b - a;
      ResetRunningBounds();
    } else if (v < lo) {
      newLo = 2 * a - b;
      newHi = a;
      ResetRunningBounds();
    }
  } else if (b > hi && a < lo) {
    newLo = 2 * a - b;
    newHi = 2 * b - a;
  } else if (b > hi) {
    newHi = 2 * b - lo;
  } else if (a < lo) {
    newLo = 2 * a - hi;
  } else if (shrink) {
    const double d = b - a;
    if (d > 0 && d / (hi - lo) < 0.1) {
      newLo = a - d;
      newHi = b + d;
    }
  }
  if (newLo == lo && newHi == hi) return false;
  SetRange(newLo, newHi);
  return true;
}

int16_t TNumberText::PixelOf(double value, int16_t length) const {
  // Round13 turns NaN into 0 and keeps far-off values within drawable coordinates.
  return Round13(ValueFraction(value) * length);
}

int16_t TNumberText::GetZeroPixel(int16_t length) {
  if (!zeroValid_) {
    zeroPixel_ = PixelOf(0.0, length);
    zeroValid_ = true;
  }
  return zeroPixel_;
}

int16_t TNumberText::GetCurrentPixel(int16_t length) {
  if (!currentValid_) {
    currentPixel_ = PixelOf(GetCurrentValue(), length);
    currentValid_ = true;
  }
  return currentPixel_;
}

int16_t TNumberText::GetCurrentPixelExactZero(int16_t length) {
  if (!currentValid_ && GetCurrentValue() == 0.0) {
    currentPixel_ = GetZeroPixel(length);
    currentValid_ = true;
  }
  return GetCurrentPixel(length);
}

void TNumberText::GetUnitName(const TWorldUnitHandler* handler, Str255& out) const {
  if (handler == nullptr) {
    out = Str255();
    return;
  }
  handler->GetUnitName(unitKind_, out);
}
