#pragma once
// One column of a meter: its formula, label, value range, colour and the cached text of its
// current value, and the conversion of values to pixel offsets for bars and graphs. The frames
// inherited as a range set are those at which the column's value lay outside its range.
//
// The cached text and the current pixel share one valid flag: whichever is computed first for a
// value makes the other stale until the flag is cleared. Setting a new value clears it, and the
// meter clears it for all columns whenever a column, the kind or the layout changes.

#include <cstdint>
#include <limits>
#include <memory>

#include "core/PString.h"
#include "core/port/Port.h"
#include "inout/meters/RangeSet.h"
#include "model/Formula.h"
#include "model/ScriptSlot.h"

class TWorldUnitHandler;

class TNumberText : public TRangeSet {
 public:
  // The reset values of the running bounds.
  static constexpr double kLargest = std::numeric_limits<double>::max();

  TNumberText() { InitNumberText(); }
  ~TNumberText() override = default;

  // A new formula, the range [0, 1], shown, growth step 32 for the frame set, bounds reset.
  void InitNumberText();

  // The cached text, formatted through the handler when not valid; without a handler the value
  // is written in the automatic format with 4 digits.
  void GetText(TWorldUnitHandler* handler, Str255& out);
  // (value − minimum) / span; 0 for a zero or non-finite span.
  double ValueFraction(double value) const;
  double CurrentFraction() const { return ValueFraction(GetCurrentValue()); }
  void ResetRunningBounds();
  // Rescales an auto-scaled column (on frames where hold is clear) and pages the wrapped
  // column 1; true when the range changed.
  bool UpdateRange(bool hold, bool shrink);
  // Stores v as the formula's current value; with track on an auto-scaled column follows it
  // with its running bounds.
  void SetValue(double v, bool track);
  // As SetValue, adding the frame to the frame set when v lies outside the range.
  void SetValueAtFrame(int16_t frame, double v, bool track);
  void SetUnitKind(int32_t unitKind);
  // Re-applies the range when the flag changes.
  void SetDashFlag(bool flag);
  // Swaps a > b, stores the range, empties the frame set.
  void SetRange(double a, double b);
  int16_t GetZeroPixel(int16_t length);
  int16_t GetCurrentPixel(int16_t length);
  // As GetCurrentPixel, except that a current value of exactly 0 takes the zero pixel.
  int16_t GetCurrentPixelExactZero(int16_t length);
  void GetUnitName(const TWorldUnitHandler* handler, Str255& out) const;

  // Clears the cached text, current pixel and zero pixel.
  void InvalidateCaches() {
    currentValid_ = false;
    zeroValid_ = false;
  }

  double GetCurrentValue() const { return formula_->GetValue(); }
  TFormula& Formula() { return *formula_; }
  const TFormula& Formula() const { return *formula_; }

  const Str255& GetLabel() const { return label_; }
  void SetLabel(const Str255& label) { label_ = label; }
  bool GetDashFlag() const { return dash_; }
  double GetMinimum() const { return minimum_; }
  double GetMaximum() const { return maximum_; }
  double GetSpan() const { return span_; }
  const RGB16Color& GetColor() const { return color_; }
  void SetColor(const RGB16Color& color) { color_ = color; }
  bool IsShown() const { return shown_; }
  void SetShown(bool shown) { shown_ = shown; }
  bool IsAutoScale() const { return autoScale_; }
  void SetAutoScale(bool on) { autoScale_ = on; }
  int32_t GetUnitKind() const { return unitKind_; }
  bool IsWrapped() const { return wrap_; }
  void SetWrap(bool wrap) { wrap_ = wrap; }
  double GetRunningMinimum() const { return runningMinimum_; }
  double GetRunningMaximum() const { return runningMaximum_; }
  int16_t GetPreviousPixel() const { return previousPixel_; }
  // The plot moves on: the previous pixel becomes the current one.
  void AdvancePixel() { previousPixel_ = currentPixel_; }
  bool IsCurrentValid() const { return currentValid_; }

  // The column's script object: made through the scripting layer's maker on the first request
  // that names a parent, and given up when the column goes.
  static void SetScriptObjectMaker(const TScriptObjectMaker<TNumberText>& maker) {
    TScriptSlot<TNumberText>::SetMaker(maker);
  }
  CCmdTarget* GetAPIObject(CCmdTarget* parent) { return scriptObject_.Get(*this, parent); }
  CCmdTarget* KeptAPIObject() const { return scriptObject_.Kept(); }
  // The script object went first.
  void ForgetAPIObject() { scriptObject_.Forget(); }

 private:
  int16_t PixelOf(double value, int16_t length) const;

  Str255 label_;
  std::unique_ptr<TFormula> formula_;
  bool dash_ = false;
  double minimum_ = 0.0;
  double maximum_ = 1.0;
  double span_ = 1.0;
  RGB16Color color_;
  bool shown_ = true;
  bool autoScale_ = false;
  int32_t unitKind_ = 0;
  bool wrap_ = false;
  double runningMinimum_ = kLargest;
  double runningMaximum_ = -kLargest;
  int16_t currentPixel_ = 0;
  int16_t previousPixel_ = 0;
  Str255 cachedText_;
  bool currentValid_ = false;
  int16_t zeroPixel_ = 0;
  bool zeroValid_ = false;
  TScriptSlot<TNumberText> scriptObject_;
};
