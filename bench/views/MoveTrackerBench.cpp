// One move step of a drag of 200 selected objects in a world of 1,000: the constrained point,
// the feedback off and on around the step, the placing of every selected object from its start
// and the damage each placing marks. The goal is 60 steps a second or better on one core, far
// below one step's share of a frame. Items are steps.

#include <map>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/Handle.h"
#include "platform/win32/WindowMessages.h"
#include "tests/model/command/TestWorld.h"
#include "views/trackers/MoveTrackers.h"
#include "views/trackers/TrackerWorld.h"

namespace {

constexpr int kObjects = 1000;
constexpr int kSelected = 200;

// A world whose objects keep their positions in a table and whose placing marks damage.
class BenchWorld : public command_test::TTestWorld, public TTrackerWorld {
 public:
  BenchWorld() : TTestWorld(kObjects) {
    for (int i = 0; i < kObjects; ++i) {
      TLink* object = &Thing(static_cast<size_t>(i));
      index[object] = i;
      positions.emplace_back(i % 40 * 3.0, i / 40 * 3.0, 0.0);
      if (i % 5 == 0) selection.push_back(object);
    }
  }
  void DeselectAll() override {}
  void SelectObject(TLink*) override {}
  void DeselectObject(TLink*) override {}
  bool IsSelected(TLink*) const override { return true; }
  void SelectObjects(const std::vector<TLink*>&, bool) override {}
  void RefreshSelectionDisplay() override {}
  std::vector<TLink*> ScreenPositionedObjects() override { return {}; }
  std::vector<TLink*> WorldPositionedObjects() override { return selection; }
  bool IsScreenPositioned(const TLink*) const override { return false; }
  bool IsWorldPositioned(const TLink*) const override { return true; }
  bool LiesInRect(TLink*, const MacRect&) override { return false; }
  bool GadgetSelectionOn() const override { return true; }
  void CheckLowSpace() override {}
  bool RefusesEditing() const override { return false; }
  int16_t PropertiesDialogNumber(const TLink*) const override { return 0; }
  void QueuePropertiesDialog(int16_t, TLink*) override {}
  void SendToCurrentTarget(int16_t) override {}
  std::vector<TLink*> SelectedObjects() override { return selection; }
  TVector3 PositionOf(const TLink* object) override { return positions[index.at(object)]; }
  void PlaceObject(TLink* object, const TVector3& position) override {
    TVector3& old = positions[index.at(object)];
    // The damage of the move: the old and the new box of the object.
    damage.push_back(MacRect(static_cast<int16_t>(old.x), static_cast<int16_t>(-old.y),
                             static_cast<int16_t>(old.x + 3), static_cast<int16_t>(-old.y + 3)));
    damage.push_back(MacRect(static_cast<int16_t>(position.x), static_cast<int16_t>(-position.y),
                             static_cast<int16_t>(position.x + 3),
                             static_cast<int16_t>(-position.y + 3)));
    old = position;
  }
  void OffsetScreenObject(TLink*, int16_t, int16_t) override {}
  bool IsGrabbablePoint(const TLink*) const override { return false; }
  bool AttachToHotPointNear(TLink*, const MacPoint&) override { return false; }
  void FixPointQuantities(TLink*, bool) override {}
  void DragEnded(TLink*) override {}
  void ChangeEnded() override {}
  void StartPacing(int32_t) override {}
  void StopPacing() override {}

  std::map<const TLink*, int> index;
  std::vector<TVector3> positions;
  std::vector<TLink*> selection;
  std::vector<MacRect> damage;
};

class BenchView : public TTrackerView {
 public:
  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  void BeginFeedback(int16_t) override {}
  void EndFeedback() override {}
  void SetFeedbackStyle(int16_t, int16_t) override {}
  void FeedbackDifference(const TVector& d) override { shown = d; }
  void FeedbackPoint(const MacPoint&, const TVector&) override {}
  void DrawFeedback() override {}
  bool IsDrawingOn() const override { return true; }
  bool IsInsideAutoscrolling(const MacPoint&) override { return false; }
  MacRect TrackingExtent() const override { return MacRect(0, 0, 1000, 800); }
  double TrackingScale() const override { return 1.0; }
  void SetToolCursor(uint16_t) override {}
  TVector shown;
};

void BM_MoveStepOf200Selected(benchmark::State& state) {
  InitHandlePool();
  {
    BenchWorld world;
    BenchView view;
    TMoveObjectsTracker tracker;
    tracker.InitMoveObjects(&view, &world);
    tracker.SetHitObject(world.selection.front());
    TEventRecord event;
    event.message = WM_LBUTTONDOWN;
    tracker.HandleEvent(event);
    QV_CPoint anchor(100, 100);
    QV_CPoint previous = anchor;
    QV_CPoint next = anchor;
    tracker.TrackConstrain(anchor, previous, next);
    tracker.TrackMouse(0, anchor, previous, next, true);
    int16_t step = 0;
    for (auto _ : state) {
      step = static_cast<int16_t>((step + 1) % 200);
      next = QV_CPoint(static_cast<int16_t>(100 + step), static_cast<int16_t>(100 + step / 2));
      tracker.TrackConstrain(anchor, previous, next);
      tracker.TrackFeedback(anchor, previous, false, true);
      tracker.TrackMouse(1, anchor, previous, next, true);
      tracker.TrackFeedback(anchor, next, true, true);
      previous = next;
      benchmark::DoNotOptimize(world.damage.data());
      world.damage.clear();
    }
    state.SetItemsProcessed(state.iterations());
  }
  FreeHandlePool();
}
BENCHMARK(BM_MoveStepOf200Selected);

}  // namespace
