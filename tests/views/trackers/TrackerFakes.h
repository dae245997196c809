#pragma once
// A world and a view of pixels for driving trackers as the tracking loop does.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/CommandBase.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/WindowMessages.h"
#include "tests/model/command/TestWorld.h"
#include "views/trackers/SelectionTrackers.h"
#include "views/trackers/TrackerWorld.h"

namespace tracker_test {

using command_test::TTestWorld;

// Things 0 to 2 lie in the world at the given view points; thing 3 is a gadget.
class TSelectWorld : public TTestWorld, public TTrackerWorld, public TTrackingWorld {
 public:
  // One pixel is one world unit, y upwards.
  int16_t DragDelayPreference() const override { return 1; }
  TTrackingFrame* CurrentFrame() override { return nullptr; }
  double TrackingSnappingDistance() const override { return snapping; }
  void TrackingEnded() override {}
  double snapping = 0.0;

  TSelectWorld() : TTestWorld(4) {
    for (size_t i = 0; i < 4; ++i) things4[i] = &Thing(i);
    at[&Thing(0)] = MacPoint(20, 20);
    at[&Thing(1)] = MacPoint(40, 20);
    at[&Thing(2)] = MacPoint(80, 80);
    at[&Thing(3)] = MacPoint(30, 30);
  }
  void DeselectAll() override { selected.clear(); }
  void SelectObject(TLink* object) override {
    if (!IsSelected(object)) selected.push_back(object);
  }
  void DeselectObject(TLink* object) override { std::erase(selected, object); }
  bool IsSelected(TLink* object) const override {
    return std::find(selected.begin(), selected.end(), object) != selected.end();
  }
  void SelectObjects(const std::vector<TLink*>& objects, bool extend) override {
    if (!extend) selected.clear();
    for (TLink* object : objects) SelectObject(object);
  }
  void RefreshSelectionDisplay() override { ++refreshes; }
  std::vector<TLink*> ScreenPositionedObjects() override { return {&Thing(3)}; }
  std::vector<TLink*> WorldPositionedObjects() override {
    return {&Thing(0), &Thing(1), &Thing(2)};
  }
  bool IsScreenPositioned(const TLink* object) const override { return object == things4[3]; }
  bool IsWorldPositioned(const TLink* object) const override { return object != things4[3]; }
  bool LiesInRect(TLink* object, const MacRect& r) override {
    if (failInRect) ThrowFailure(-108, 0);
    const MacPoint p = at.at(object);
    return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
  }
  bool GadgetSelectionOn() const override { return gadgets; }
  void CheckLowSpace() override {}
  bool RefusesEditing() const override { return running; }
  int16_t PropertiesDialogNumber(const TLink* object) const override {
    return object == things4[0] ? 5100 : 0;
  }
  void QueuePropertiesDialog(int16_t dialog, TLink*) override { dialogs.push_back(dialog); }
  void SendToCurrentTarget(int16_t command) override { sent.push_back(command); }
  std::vector<TLink*> SelectedObjects() override { return selected; }
  TVector3 PositionOf(const TLink* object) override { return positions[object]; }
  void PlaceObject(TLink* object, const TVector3& position) override {
    positions[object] = position;
    ++placed;
  }
  void OffsetScreenObject(TLink* object, int16_t dh, int16_t dv) override {
    positions[object].x += dh;
    positions[object].y += dv;
  }
  bool IsGrabbablePoint(const TLink* object) const override { return object == point; }
  bool AttachToHotPointNear(TLink* object, const MacPoint&) override {
    if (!hotPointNear) return false;
    attached.push_back(object);
    return true;
  }
  void FixPointQuantities(TLink* object, bool) override { fixed.push_back(object); }
  void DragEnded(TLink*) override { ++dragEnds; }
  void ChangeEnded() override { ++changeEnds; }
  void StartPacing(int32_t ticks) override { pacing = ticks; }
  void StopPacing() override { pacing = 0; }
  TThing& Thing(size_t i) { return TTestWorld::Thing(i); }

  std::map<const TLink*, MacPoint> at;
  TLink* things4[4] = {};
  std::map<const TLink*, TVector3> positions;
  const TLink* point = nullptr;
  bool hotPointNear = false;
  std::vector<TLink*> attached;
  std::vector<TLink*> fixed;
  int placed = 0;
  int dragEnds = 0;
  int changeEnds = 0;
  std::vector<TLink*> selected;
  std::vector<int16_t> dialogs;
  std::vector<int16_t> sent;
  bool gadgets = true;
  bool failInRect = false;
  bool running = false;
  int refreshes = 0;
  int32_t pacing = 0;
};

// A view over a white 100 by 100 bitmap.
class TPixelView : public TTrackerView, public TFeedbackPort {
 public:
  TPixelView() {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(dc_, 100, 100);
    old_ = SelectObject(dc_, bitmap_);
    PatBlt(dc_, 0, 0, 100, 100, WHITENESS);
  }
  ~TPixelView() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC BeginFeedbackDrawing() override { return dc_; }
  void EndFeedbackDrawing(HDC) override {}
  COLORREF PixelAt(int x, int y) const { return GetPixel(dc_, x, y); }
  int CountNonWhite() const {
    int count = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x) count += GetPixel(dc_, x, y) != RGB(255, 255, 255);
    return count;
  }
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  void BeginFeedback(int16_t) override {}
  void EndFeedback() override {}
  void SetFeedbackStyle(int16_t, int16_t) override {}
  void FeedbackDifference(const TVector&) override {}
  void FeedbackPoint(const MacPoint&, const TVector&) override {}
  void DrawFeedback() override {}
  bool IsDrawingOn() const override { return true; }
  bool IsInsideAutoscrolling(const MacPoint&) override { return false; }
  MacRect TrackingExtent() const override { return MacRect(0, 0, 100, 100); }
  double TrackingScale() const override { return 1.0; }
  void SetToolCursor(uint16_t) override {}

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

class TrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    UseVirtualClock(100000);
  }
  void TearDown() override {
    UseProcessClock();
    FreeHandlePool();
  }

  static void Event(TCommandBase& tracker, UINT message, WPARAM keys) {
    TEventRecord event;
    event.message = message;
    event.wParam = keys;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker.HandleEvent(event);
  }
  // A gesture as the tracking loop drives it: press, the moves, release.
  static void Drag(TCommandBase& tracker, QV_CPoint from, const std::vector<QV_CPoint>& path) {
    QV_CPoint anchor = from;
    QV_CPoint previous = from;
    QV_CPoint next = from;
    tracker.TrackConstrain(anchor, previous, next);
    tracker.TrackMouse(0, anchor, previous, next, true);
    for (QV_CPoint point : path) {
      next = point;
      tracker.TrackConstrain(anchor, previous, next);
      const bool changed = !(next == previous);
      tracker.TrackMouse(1, anchor, previous, next, changed);
      previous = next;
    }
    tracker.TrackMouse(2, anchor, previous, previous, true);
  }

  TSelectWorld world;
  TPixelView view;
};

}  // namespace tracker_test
