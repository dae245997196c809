#pragma once
// The scroll bars beside a document window's world display. A container view, a dependent of
// the main world view, holds one scroll-bar control. The user works the control and the bar asks
// the world view to scroll by the difference (the control itself does not move then); the world
// view tells its dependents of its new scroll state and the container brings the control's range
// and position up to date, redrawing it at most once.

#include <cstdint>
#include <memory>

#include "core/MacTypes.h"
#include "platform/mfc/CScrollBar.h"
#include "views/offscreen/OffScreenViewBase.h"

// What a world bar scrolls: the world display.
class TScrollTarget {
 public:
  virtual ~TScrollTarget() = default;
  virtual void ScrollBy(const MacPoint& delta) = 0;
  virtual void RecomputeWorldExtent() = 0;
  virtual int32_t GetLineStep() const = 0;
  virtual TViewPoint GetViewSize() const = 0;
};

// A scroll bar that steps by a line and a page and keeps its position in its range.
class TSSScrollBar : public CScrollBar {
  DECLARE_DYNAMIC(TSSScrollBar)

 public:
  TSSScrollBar() = default;

  virtual void ScrollTo(int32_t position);
  // Moves by `delta` when it is not 0; answers the position then.
  int32_t StepBy(int32_t delta);
  int32_t LineUp() { return StepBy(-lineStep_); }
  int32_t LineDown() { return StepBy(lineStep_); }
  int32_t PageUp() { return StepBy(-pageStep_); }
  int32_t PageDown() { return StepBy(pageStep_); }
  void ToTop();
  void ToBottom();
  void ThumbTrack(int32_t position) { ScrollTo(position); }
  void ThumbPosition(int32_t position) { ScrollTo(position); }
  void SetLineStep(int16_t step) { lineStep_ = step; }
  void SetPageStep(int16_t step) { pageStep_ = step; }
  int16_t GetLineStep() const { return lineStep_; }
  int16_t GetPageStep() const { return pageStep_; }

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 private:
  int16_t lineStep_ = 1;
  int16_t pageStep_ = 10;
};

// The bar of a world display: its moves scroll the target and it shows the target's state.
class TWorldScrollBar : public TSSScrollBar {
  DECLARE_DYNAMIC(TWorldScrollBar)

 public:
  static constexpr UINT kControlId = 59748;
  static constexpr int32_t kVertical = 0;
  static constexpr int32_t kHorizontal = 1;

  TWorldScrollBar() = default;

  void ScrollTo(int32_t position) override;
  virtual int32_t GetRangeMin() const { return minimum_; }
  virtual int32_t GetRangeMax() const { return maximum_; }
  virtual int32_t GetPosition() const { return position_; }
  virtual void SetRangeMin(int32_t minimum, bool redraw);
  virtual void SetRangeMax(int32_t maximum, bool redraw);
  virtual void SetPosition(int32_t position, bool redraw);
  virtual void AttachToView(int32_t orientation, TScrollTarget* target);
  // Gives the control the state, redrawing it once, with the last change.
  virtual void SetScrollValues(int32_t position, int32_t minimum, int32_t maximum, bool redraw);
  bool IsInitialised() const { return initialised_ != 0; }
  int32_t GetOrientation() const { return orientation_; }

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Request(WORD code, int16_t thumb);

  int16_t initialised_ = 0;
  int32_t maximum_ = 0;
  int32_t minimum_ = 0;
  int32_t position_ = 0;
  int32_t orientation_ = kHorizontal;
  TScrollTarget* target_ = nullptr;
};

class TScrollBarContainer : public TOffScreenViewBase {
  DECLARE_CLASS_ID(643, TOffScreenViewBase)

 public:
  TScrollBarContainer() = default;

  // A bar `length` long along the bottom (horizontal) or right edge (vertical) of the superview,
  // a dependent of `master`, scrolling `target`.
  void InitScrollBarContainer(CDocument* document, TWrappedWindow* superview,
                              TViewPoint location, int32_t length, int32_t orientation,
                              TOffScreenViewBase* master, std::unique_ptr<TScrollTarget> target);

  void ScrollStateChanged(uint32_t packedPosition, const TDoubleRect& bounds) override;
  void Resize(int32_t width, int32_t height, bool invalidate) override;
  void SuperviewResized(const TViewPoint& change, bool invalidate) override;
  bool HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                       TCommandCore** command) override;
  void Update() override;

  TWorldScrollBar* GetScrollBar() const { return scrollBar_; }
  int32_t GetOrientation() const { return orientation_; }

 protected:
  // The bar object the container makes; a test may watch it through a subclass.
  virtual TWorldScrollBar* MakeScrollBar() { return new TWorldScrollBar; }

 private:
  TWorldScrollBar* scrollBar_ = nullptr;  // the control's window owns it
  int32_t orientation_ = TWorldScrollBar::kHorizontal;
  std::unique_ptr<TScrollTarget> target_;
};

class TMainWorldView;
// The scroll target of a main world view: 12 pixels a line.
std::unique_ptr<TScrollTarget> MakeMainViewScrollTarget(TMainWorldView& view);
