#pragma once
// TDragTracker (704): takes a point or a sequence of points from the user, by press, drag and
// release, or click by click: a click that releases before any movement lets the gesture go on,
// and it then ends on a click on the last point (within 4 pixels), a double click, a key or,
// without multi-click, the next click. Owners derive from it for their figures and take the
// points through AddPoint.

#include <cstdint>
#include <memory>

#include "model/command/PlacingCommands.h"
#include "model/filing/ObjectReader.h"

class TLink;

inline constexpr uint16_t kCursorClickByClick = 1012;

class TDragTracker : public TCommandMid {
  DECLARE_CLASS_ID(704, TCommandMid)

 public:
  // Clicks closer than this, across and down, to the last point end the gesture.
  static constexpr int16_t kEndDistance = 4;

  void InitDragTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                       uint16_t worldFeedback, uint16_t mouseFeedback,
                       std::unique_ptr<TObjectReader> placed, TLink* object);
  void HandleEvent(TEventRecord& event) override;
  bool TrackingDone() override;
  // Keys and double clicks end the gesture while points come by clicks: the move step takes
  // them.
  bool TakesKeysWhileTracking() const override {
    return multiClick_ != 0 || released_ != 0 || clicking_ != 0;
  }
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // A refused object ends the command silently.
  void DoWork() override;
  void AfterWork() override;
  // Takes one point of the gesture; 1 here. An answer of 0 ends the gesture.
  virtual int16_t AddPoint(const QV_CPoint& screen, const TVector& world);
  // Whether a click at now, with the last point at last (view points), ends the gesture: here
  // when it lies within the end distance across and down.
  virtual bool ClickEndsGesture(const MacPoint& last, const MacPoint& now) const;
  // Whether the object made or edited may stay; true here.
  virtual bool IsObjectAcceptable() const { return true; }
  // Runs before a refused object ends the command; nothing here.
  virtual void Cancel() {}

  void SetMultiClick(uint16_t on) { multiClick_ = on; }
  uint16_t IsReleased() const { return released_; }
  TLink* Object() const { return object_; }
  uint32_t MouseDownTime() const { return mouseDownTime_; }
  // The gesture was ended by a press off the view: the following point belongs at the last
  // click, in view and world coordinates.
  bool EndedOffView() const { return endedOffView_ != 0; }
  const QV_CPoint& LastClick() const { return clickAnchor_; }
  const TVector& LastClickWorld() const { return lastPointWorld_; }

 protected:
  // Says in the main window's status line how the gesture goes on (a text of the program's
  // string table), and takes the text away again.
  static void ShowPrompt(uint32_t text);
  static void ClearPrompt();

 private:
  void MoveStep(const QV_CPoint& anchor);
  // Takes a waiting press that lies off the view; false, and the press left, otherwise.
  bool TakePressOffView();
  void NotifyEnd();

  TLink* object_ = nullptr;
  uint16_t multiClick_ = 0;
  uint16_t released_ = 0;
  // Multi-click: the button came up before any movement, so points come by clicks.
  uint16_t clicking_ = 0;
  uint16_t endNotified_ = 0;
  uint16_t endedOffView_ = 0;
  uint32_t mouseDownTime_ = 0;
  // The anchor of the click-by-click points, in view coordinates.
  QV_CPoint clickAnchor_;
  TVector lastPointWorld_;
};
