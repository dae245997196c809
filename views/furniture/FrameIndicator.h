#pragma once
// The tape of a document window: a thin strip with two picture buttons at each end and, between
// them, a slider whose thumb shows the number of the frame on view among the recorded frames.
// A button issues its command (run, stop, play back, the two steps) through the current target;
// dragging the thumb moves along the recorded frames; pressing the empty slider before anything
// is recorded runs the world. The strip is a dependent of the main world view, which tells it
// the frames as they are shown; the window tells it the run mode.

#include <cstdint>
#include <functional>
#include <map>

#include "core/port/PortText.h"
#include "model/command/CommandCore.h"
#include "views/offscreen/OffScreenViewBase.h"

class TFrameIndic : public TOffScreenViewBase {
  DECLARE_CLASS_ID(432, TOffScreenViewBase)

 public:
  // The commands of the buttons, and the part answered for the slider.
  static constexpr int16_t kCmdRun = 1031;
  static constexpr int16_t kCmdStop = 1034;
  static constexpr int16_t kCmdPlayBack = 1036;
  static constexpr int16_t kCmdStepForward = 1101;
  static constexpr int16_t kCmdStepBack = 1102;
  static constexpr int16_t kSliderPart = 1312;
  // Pictures: run, stop, play back, step forward, step back; pressed ones 20000 further; the
  // two greyed ones shown while the first frame is on view.
  static constexpr int16_t kRunPicture = 6000;
  static constexpr int16_t kStopPicture = 6001;
  static constexpr int16_t kPlayBackPicture = 6002;
  static constexpr int16_t kStepForwardPicture = 6003;
  static constexpr int16_t kStepBackPicture = 6004;
  static constexpr int16_t kPressedOffset = 20000;
  static constexpr int16_t kGreyPlayBackPicture = 16002;
  static constexpr int16_t kGreyStepBackPicture = 16004;
  // Ticks between redraws of a running tape, unless the frame is a multiple of 10.
  static constexpr int32_t kRedrawTicks = 120;
  // Run modes, as the world's run states.
  static constexpr int32_t kStopped = 0;
  static constexpr int32_t kForwards = 1;
  static constexpr int32_t kBackwards = 2;

  // What showing a frame means to the window (the world brought to the frame).
  using FrameHandler = std::function<void(int16_t frame)>;

  TFrameIndic() = default;
  ~TFrameIndic() override;

  // A strip `width` wide and one scroll bar high, placed one pixel above `location`.
  void Init(CDocument* document, TWrappedWindow* superview, TViewPoint location, int32_t width,
            int32_t horizontalRule, TOffScreenViewBase* master, TViewCompanion* companion);
  void SetFrameHandler(FrameHandler handler) { frameHandler_ = std::move(handler); }
  // Shows the frame through the handler (the thumb's drag).
  void ShowFrame(int16_t frame);

  MacRect GetSliderRect() const;
  MacRect GetThumbRect() const;
  int16_t ThumbWidth() const { return thumbWidth_; }
  void SetTracking(bool tracking);
  bool IsTracking() const { return tracking_ != 0; }
  void InvalidateShallowRect(MacRect rect);
  void InvalidateDeepRect(MacRect rect);
  void DrawButtons(const MacRect& rect);
  void DrawSlider(const MacRect& rect);
  void RedrawAll();
  void RedrawAllDeep();

  // The frames; a redraw while running happens at most every 2 seconds or on a tenth frame.
  virtual void SetFrames(int16_t current, int16_t first, int16_t last);
  virtual void SetRunMode(int32_t mode);
  int32_t GetRunMode() const { return runMode_; }
  int32_t GetCurrentFrame() const { return current_; }
  int32_t GetFirstFrame() const { return first_; }
  int32_t GetLastFrame() const { return last_; }
  int32_t GetLastRedrawTime() const { return lastRedraw_; }

  // The command or part under a point and its rectangle; the first left button and the step
  // back button answer only after the first frame unless `alwaysRespond`.
  struct THit {
    int16_t code = 0;
    MacRect rect;
  };
  THit HitTest(const MacPoint& point, bool alwaysRespond) const;

  void Resize(int32_t width, int32_t height, bool invalidate) override;
  // Keeps to the bottom of the window as it grows or shrinks.
  void SuperviewResized(const TViewPoint& change, bool invalidate) override;
  void Activate(bool on) override;
  void DrawBackground(const MacRect& rect) override;
  void DrawObjects(const MacRect& rect) override;
  void DrawOverlay(const MacRect& rect) override;
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;
  TCommandCore* DoMouseCommand(const MacPoint& point, TMouseEvent* event, int32_t hint) override;

  // Draws a picture resource into the rectangle of a device context (nothing when missing).
  void DrawPictureInto(HDC dc, int16_t picture, const MacRect& rect);

 private:
  int16_t BarHeight() const;
  int16_t BarWidth() const;
  void DrawPictureButton(const MacRect& square, int16_t picture);
  HBITMAP Picture(int16_t number);

  int32_t runMode_ = kStopped;
  int32_t current_ = -1;
  int32_t first_ = 0;
  int32_t last_ = -1;
  int32_t lastRedraw_ = 0;
  int16_t tracking_ = 0;
  int16_t thumbWidth_ = 40;
  FontSpec font_;
  FrameHandler frameHandler_;
  std::map<int16_t, HBITMAP> pictures_;
};

// What the tape's trackers track in: the strip's window holds the mouse, and every point counts
// as inside (a tracker decides for itself).
class TIndicatorTrackView : public TCommandView {
 public:
  explicit TIndicatorTrackView(TFrameIndic& indicator) : indicator_(indicator) {}
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  HWND TrackingWindow() const override { return indicator_.GetWindowHandle(); }

 private:
  TFrameIndic& indicator_;
};

// A button of the tape held down: drawn pressed while the mouse is over it; released over it,
// the current target's command of its number is posted to the application; released elsewhere,
// nothing.
class TIndicatorButtonTracker : public TSmallCommand {
 public:
  // `picture` 0: a button drawn without a picture (the empty slider).
  TIndicatorButtonTracker(TFrameIndic& indicator, int16_t command, const MacRect& rect,
                          int16_t picture);
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                           const QV_CPoint& next, bool moved) override;
  void DoIt() override;
  const MacRect& GetRect() const { return rect_; }
  int16_t GetPicture() const { return picture_; }
  bool IsPressed() const { return inside_; }

 private:
  void DrawButton(bool inside);

  TFrameIndic& indicator_;
  TIndicatorTrackView trackView_;
  MacRect rect_;
  int16_t picture_;
  bool inside_ = false;
  bool started_ = false;
};

// The thumb dragged along the slider: each step shows the frame under the mouse.
class TIndicatorThumbTracker : public TCommandCore {
 public:
  explicit TIndicatorThumbTracker(TFrameIndic& indicator);
  ~TIndicatorThumbTracker() override;
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                           const QV_CPoint& next, bool moved) override;
  int16_t GetGrabOffset() const { return grabOffset_; }
  // The frame under a horizontal position of the thumb's grab point (the first frame when the
  // slider has no room).
  int16_t FrameAt(int32_t h) const;

 private:
  void Step(int32_t h);

  TFrameIndic& indicator_;
  TIndicatorTrackView trackView_;
  MacRect slider_;
  int16_t thumbWidth_ = 0;
  int16_t grabOffset_ = 0;
};
