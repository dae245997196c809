#pragma once
// The rulers along the world display: the horizontal one below it, the vertical one at its left.
// Each draws the main view's grid as ticks with labels in world units, follows the main view's
// scrolling and zooming, and shows where the pointer is as a dotted line drawn so that drawing it
// again takes it away.

#include <cstdint>
#include <string>

#include "core/port/PortText.h"
#include "views/offscreen/OffScreenViewBase.h"

class TUnitHandler;

class TRulerView : public TOffScreenViewBase {
  DECLARE_CLASS_ID(579, TOffScreenViewBase)

 public:
  static constexpr int32_t kThickness = 28;
  static constexpr int16_t kMinorTick = 6;
  static constexpr int16_t kLabelGap = 9;
  // The labels' text style.
  static constexpr int16_t kLabelStyleResource = 3142;

  // Places the ruler as a dependent of the main view; labels go through the unit handler.
  void IRulerView(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                  TViewPoint size, int32_t horizontalRule, int32_t verticalRule,
                  TOffScreenViewBase* mainView, TUnitHandler* units, TViewCompanion* companion);

  void DrawBackground(const MacRect& rect) override;
  void DrawOverlay(const MacRect& rect) override;
  // The pointer over the main view: the marker follows it, or goes when it leaves.
  void TrackFeedback(const int32_t values[6]) override;
  void ViewChanged() override;
  void ScaleChanged() override;
  void Activate(bool on) override;

  // The marker at `along` (ruler pixels) drawn or taken away; the old one is taken away first.
  virtual void DrawMarker(int32_t along, bool show);
  virtual void HideMarker();
  bool MarkerShown() const { return markerHidden_ == 0; }
  int32_t MarkerAlong() const { return markerAlong_; }

  // A label's text: the value in the shown length unit with no more decimals than the spacing
  // of the labelled lines needs, -0 written as 0; empty without a unit handler.
  static std::string FormatLabel(TUnitHandler* units, double value, double spacing);
  // When the shown length unit is no longer the one the labels were drawn in, the ruler is
  // drawn again (asked when the world's contents change and when the marker moves).
  void FollowUnits();
  // The labels' font, from the rulers' text style.
  const FontSpec& LabelFont() const { return labelFont_; }

 protected:
  // 1: the ruler runs along h (horizontal ruler); 0: along v.
  virtual int16_t AlongAxis() const = 0;
  virtual void DrawRuler() = 0;
  virtual void DrawTick(int16_t along, int16_t length) = 0;
  virtual void DrawLabel(int16_t along, const std::string& text) = 0;
  // The main view's grid lines, moved into the ruler's pixels.
  void WalkGrid(bool alternateLabels);
  TUnitHandler* Units() const { return units_; }
  int16_t majorTick_ = 24;

 private:
  void StrokeMarker(int32_t along);

  TUnitHandler* units_ = nullptr;
  // The length factor the labels were last drawn with.
  double drawnFactor_ = 0.0;
  FontSpec labelFont_;
  int16_t markerHidden_ = 1;
  int32_t markerAlong_ = 0;
};

class THRulerView : public TRulerView {
  DECLARE_CLASS_ID(580, TRulerView)

 public:
  // Below the main view, as wide as the main view less the corner.
  void IHRulerView(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                   TOffScreenViewBase* mainView, TUnitHandler* units, TViewCompanion* companion);
  // The right end of the last label drawn (-900 before the first).
  int16_t LabelEnd() const { return labelEnd_; }
  // Keeps to the bottom of the world display as the window grows or shrinks.
  void SuperviewResized(const TViewPoint& change, bool invalidate) override;

 protected:
  int16_t AlongAxis() const override { return 1; }
  void DrawRuler() override;
  void DrawTick(int16_t along, int16_t length) override;
  void DrawLabel(int16_t along, const std::string& text) override;

 private:
  int16_t labelEnd_ = -900;
};

class TVRulerView : public TRulerView {
  DECLARE_CLASS_ID(581, TRulerView)

 public:
  void IVRulerView(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                   TOffScreenViewBase* mainView, TUnitHandler* units, TViewCompanion* companion);

 protected:
  int16_t AlongAxis() const override { return 0; }
  void DrawRuler() override;
  void DrawTick(int16_t along, int16_t length) override;
  void DrawLabel(int16_t along, const std::string& text) override;
};
