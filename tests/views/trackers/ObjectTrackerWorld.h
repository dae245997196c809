#pragma once
// A world of the program's own classes for driving the object trackers as the tracking loop
// does: by default ten pixels to the world unit, the world's origin at the view point (20, 80),
// y upwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/TickCount.h"
#include "model/command/PlacingCommands.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Clock.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/TrackerWorld.h"

namespace object_tracker_test {

// The world as the trackers see it: its own action context and placing, with a frame of ten
// pixels to the unit.
class TDocContext : public TActionContext,
                    public TTrackingWorld,
                    public TTrackingFrame,
                    public TTrackerWorld,
                    public TPlacingWorld {
 public:
  explicit TDocContext(TWorldDoc& world) : world_(world) {}

  TLink& ContextLink() override { return world_.ContextLink(); }
  TCommandDocument* GetDocument() override { return world_.GetDocument(); }
  TEditState& EditState() override { return world_.EditState(); }
  std::vector<TLink*> Objects() override { return world_.Objects(); }
  TObject* FindItem(uint32_t tag) override { return world_.FindItem(tag); }
  TList* CurrentSelection() override { return world_.CurrentSelection(); }
  TList* SwapSelection(TList* selection) override { return world_.SwapSelection(selection); }
  int16_t SwapStateWord(int16_t value) override { return world_.SwapStateWord(value); }
  uint16_t OwnsSelections() const override { return 1; }
  void DiscardSelection(TList* selection) override { world_.DiscardSelection(selection); }
  void KeepSelection(TList* selection) override { world_.KeepSelection(selection); }
  void ForgetSelection(TList* selection) override { world_.ForgetSelection(selection); }
  void Changed(int16_t flag) override { world_.Changed(flag); }
  void RedrawAll(int16_t first, int16_t second) override { world_.RedrawAll(first, second); }
  void EndUpdate() override { world_.EndUpdate(); }
  void RefreshToolColours() override {}
  void RecomputeFormulas(const std::vector<TLink*>& first, const std::vector<TLink*>& second,
                         TGeometryObjectCache* cache, RecomputeProgress progress,
                         void* state) override {
    world_.RecomputeFormulas(first, second, cache, progress, state);
  }

  int16_t DragDelayPreference() const override { return 1; }
  TTrackingFrame* CurrentFrame() override { return this; }
  // The grid the trackers snap their points to; the world's unless set.
  double TrackingSnappingDistance() const override {
    return grid >= 0.0 ? grid : world_.SnappingDistance();
  }
  void TrackingEnded() override {}
  Transform2D ScreenToWorldTransform() const override {
    const double unit = 1.0 / pixelsPerUnit;
    return Transform2D(unit, 0.0, origin.x - 20.0 * unit, origin.y + 80.0 * unit, 0.0, unit, 1);
  }
  // The view point of a world point.
  QV_CPoint At(double x, double y) const {
    return QV_CPoint(static_cast<int16_t>(std::lround(20 + (x - origin.x) * pixelsPerUnit)),
                     static_cast<int16_t>(std::lround(80 - (y - origin.y) * pixelsPerUnit)));
  }
  Transform2D WorldToScreenTransform() const override { return ScreenToWorldTransform().Inverse(); }
  Transform2D ToFrameTransform() const override { return Transform2D(); }
  Transform2D FromFrameTransform() const override { return Transform2D(); }

  void DeselectAll() override { world_.DeselectAll(); }
  void SelectObject(TLink* object) override { world_.Select(object); }
  void DeselectObject(TLink* object) override { world_.Deselect(object); }
  bool IsSelected(TLink* object) const override {
    const auto& selection = world_.Selection();
    return std::find(selection.begin(), selection.end(), object) != selection.end();
  }
  void SelectObjects(const std::vector<TLink*>& objects, bool) override {
    for (TLink* object : objects)
      world_.Select(object);
  }
  void RefreshSelectionDisplay() override {}
  std::vector<TLink*> ScreenPositionedObjects() override { return {}; }
  std::vector<TLink*> WorldPositionedObjects() override { return world_.Objects(); }
  bool IsScreenPositioned(const TLink*) const override { return false; }
  bool IsWorldPositioned(const TLink*) const override { return true; }
  bool LiesInRect(TLink*, const MacRect&) override { return false; }
  bool GadgetSelectionOn() const override { return false; }
  void CheckLowSpace() override {}
  bool RefusesEditing() const override { return false; }
  int16_t PropertiesDialogNumber(const TLink*) const override { return 0; }
  void QueuePropertiesDialog(int16_t, TLink*) override {}
  void SendToCurrentTarget(int16_t) override {}
  std::vector<TLink*> SelectedObjects() override { return world_.Selection(); }
  TVector3 PositionOf(const TLink*) override { return TVector3(0.0, 0.0, 0.0); }
  void PlaceObject(TLink*, const TVector3&) override {}
  void OffsetScreenObject(TLink*, int16_t, int16_t) override {}
  bool IsGrabbablePoint(const TLink*) const override { return false; }
  bool AttachToHotPointNear(TLink*, const MacPoint&) override { return false; }
  void FixPointQuantities(TLink*, bool) override {}
  void DragEnded(TLink*) override {}
  void ChangeEnded() override {}
  void StartPacing(int32_t) override {}
  void StopPacing() override {}

  void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) override {
    world_.AdoptPlacedObjects(std::move(objects));
  }
  void AfterPlacing() override { world_.AfterPlacing(); }
  void PlacingUndone() override { world_.PlacingUndone(); }
  void PlacingRedone(int16_t first, int16_t second) override {
    world_.PlacingRedone(first, second);
  }

  double grid = -1.0;
  double pixelsPerUnit = 10.0;
  // The world point at the view point (20, 80).
  TVector origin{0.0, 0.0};

 private:
  TWorldDoc& world_;
};

// The program's classes and resources in place, an empty world with its background, and a view
// of pixels.
class ObjectTrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    UseVirtualClock(100000);
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterUnitHandler();
    RegisterBodyClasses();
    RegisterMoreClasses();
    FreezeClassRegistry();
    world = std::make_unique<TWorldDoc>();
    background = Add<TMass>(TZeroMass::kTag, 0);
    context = std::make_unique<TDocContext>(*world);
  }
  void TearDown() override {
    made_.reset();
    context.reset();
    world.reset();
    FreeMoreClasses();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    UseProcessClock();
    FreeHandlePool();
  }

  // A suite's further classes, registered after the bodies' and freed before them.
  virtual void RegisterMoreClasses() {}
  virtual void FreeMoreClasses() {}

  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> made(static_cast<TLink*>(CreateObjectByTag(tag)));
    made->Initialize();
    made->SetIdentifier(identifier);
    T* object = static_cast<T*>(made.get());
    world->AdoptObject(std::move(made));
    return object;
  }

  QV_CPoint At(double x, double y) const { return context->At(x, y); }

  // A press, the moves and the release as the tracking loop gives them.
  static void Drag(TCommandBase& tracker, QV_CPoint from, const std::vector<QV_CPoint>& path) {
    TEventRecord event;
    event.message = WM_LBUTTONDOWN;
    event.wParam = 0;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker.HandleEvent(event);
    QV_CPoint previous = from;
    QV_CPoint next = from;
    tracker.TrackConstrain(from, previous, next);
    tracker.TrackMouse(0, from, previous, next, true);
    for (QV_CPoint point : path) {
      next = point;
      tracker.TrackConstrain(from, previous, next);
      tracker.TrackMouse(1, from, previous, next, !(next == previous));
      previous = next;
    }
    tracker.TrackMouse(2, from, previous, previous, true);
  }

  // A tracker the test drives; freed before the world.
  std::unique_ptr<TCommandCore> made_;
  std::unique_ptr<TWorldDoc> world;
  TMass* background = nullptr;
  std::unique_ptr<TDocContext> context;
  tracker_test::TPixelView view;
};

}  // namespace object_tracker_test
