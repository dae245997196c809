#pragma once
// The world and its main view as the selecting and moving trackers see them: the world's
// selection, objects and undo images, the view's frame of reference and the port the trackers
// draw their inverting feedback into.

#include <cstdint>
#include <vector>

#include "model/command/ActionContext.h"
#include "model/command/CommandBase.h"
#include "model/command/PlacingCommands.h"
#include "ui/dialogs/DialogCommand.h"
#include "views/trackers/TrackerWorld.h"
#include "views/world/HotPointSnapper.h"

class TMainWorldView;
class TWorldDoc;

class TWorldTrackerView : public TTrackerView, public TFeedbackPort {
 public:
  explicit TWorldTrackerView(TMainWorldView& view) : view_(view) {}

  void TrackConstrain(const QV_CPoint&, const QV_CPoint&, QV_CPoint&) override {}
  void TrackFeedback(const QV_CPoint&, const QV_CPoint&, bool, bool) override {}
  bool TrackMouse(int16_t, const QV_CPoint&, const QV_CPoint&, const QV_CPoint&, bool) override {
    return true;
  }
  HWND TrackingWindow() const override;

  void BeginFeedback(int16_t) override {}
  void EndFeedback() override {}
  void SetFeedbackStyle(int16_t, int16_t) override {}
  void FeedbackDifference(const TVector&) override {}
  void FeedbackPoint(const MacPoint&, const TVector&) override {}
  void DrawFeedback() override {}
  bool IsDrawingOn() const override { return true; }
  bool IsInsideAutoscrolling(const MacPoint& point) override;
  MacRect TrackingExtent() const override;
  double TrackingScale() const override;
  void SetToolCursor(uint16_t cursorResource) override;

  HDC BeginFeedbackDrawing() override;
  void EndFeedbackDrawing(HDC dc) override;
  void UpdateBeforeFeedback() override;

 private:
  TMainWorldView& view_;
};

// The main view's hot-point snapper as the trackers look for it under its tag: they ask for hot
// points by screen point, and the mark of the one found is the snapper's own marker.
class TWorldTrackingSnapper : public TObject,
                              public TTrackingSnapper,
                              public THotPointSnapperHolder {
 public:
  explicit TWorldTrackingSnapper(TMainWorldView& view) : view_(view) {}

  THotPointSnapper* HeldSnapper() const override;
  bool IsSnapperActive() const override;
  void ForgetHotPoint() override;
  // The hot point near the screen point, leaving out the object the snapper tracks.
  bool FindHotPointNear(const MacPoint& screen, TVector& world) override;
  void DrawHotPointMark(const MacPoint& screen) override;

 private:
  TMainWorldView& view_;
};

// Forwards the action context to the world, and answers the trackers' questions from the world
// and its main view.
class TWorldTrackerContext : public TActionContext,
                             public TTrackingWorld,
                             public TTrackingFrame,
                             public TTrackerWorld,
                             public TPlacingWorld {
 public:
  // While it lives, the world's snapping distance follows this main view's grid.
  TWorldTrackerContext(TWorldDoc& world, TMainWorldView& view);
  ~TWorldTrackerContext();
  TWorldTrackerContext(const TWorldTrackerContext&) = delete;
  TWorldTrackerContext& operator=(const TWorldTrackerContext&) = delete;

  // The action context.
  TLink& ContextLink() override;
  TCommandDocument* GetDocument() override;
  TEditState& EditState() override;
  std::vector<TLink*> Objects() override;
  TObject* FindItem(uint32_t classTag) override;
  TList* CurrentSelection() override;
  TList* SwapSelection(TList* selection) override;
  int16_t SwapStateWord(int16_t value) override;
  uint16_t OwnsSelections() const override;
  void DiscardSelection(TList* selection) override;
  void KeepSelection(TList* selection) override;
  void ForgetSelection(TList* selection) override;
  void Changed(int16_t flag) override;
  void RedrawAll(int16_t first, int16_t second) override;
  void EndUpdate() override;
  void RefreshToolColours() override;
  void RecomputeFormulas(const std::vector<TLink*>& first, const std::vector<TLink*>& second,
                         TGeometryObjectCache* cache, RecomputeProgress progress,
                         void* progressState) override;

  // Tracking.
  // The user's stored preference, or 1 (start at once) when the view cannot wait for the
  // mouse.
  int16_t DragDelayPreference() const override;
  void SetStoredDragDelay(int16_t preference) { storedDragDelay_ = preference; }
  TTrackingFrame* CurrentFrame() override { return this; }
  // The world's snapping distance: its stored distance, or one of the main view's spacings.
  double TrackingSnappingDistance() const override;
  void TrackingEnded() override;
  Transform2D ScreenToWorldTransform() const override;
  Transform2D WorldToScreenTransform() const override;
  Transform2D ToFrameTransform() const override { return Transform2D(); }
  Transform2D FromFrameTransform() const override { return Transform2D(); }

  // Selecting and moving.
  void DeselectAll() override;
  void SelectObject(TLink* object) override;
  void DeselectObject(TLink* object) override;
  bool IsSelected(TLink* object) const override;
  void SelectObjects(const std::vector<TLink*>& objects, bool extend) override;
  void RefreshSelectionDisplay() override;
  // The controls shown on the window, in the world's order.
  std::vector<TLink*> ScreenPositionedObjects() override;
  std::vector<TLink*> WorldPositionedObjects() override;
  bool IsScreenPositioned(const TLink* object) const override;
  MacRect ScreenBoundsOf(const TLink* object) override;
  bool IsWorldPositioned(const TLink* object) const override;
  bool LiesInRect(TLink* object, const MacRect& rect) override;
  MacPoint WindowExtent() override;
  bool GadgetSelectionOn() const override;
  void CheckLowSpace() override;
  bool RefusesEditing() const override;
  // The object's own properties dialog; a double click on an object without one sends "open"
  // (10000) down the target chain.
  int16_t PropertiesDialogNumber(const TLink* object) const override {
    return object != nullptr ? object->GetObjectKindCode() : 0;
  }
  // A double click on a point that a pin or another rotational constraint stands on opens
  // that constraint: its mark covers the point and its first point.
  TLink* ObjectOpenedAt(TLink* hit, const MacPoint& at) override;
  void QueuePropertiesDialog(int16_t number, TLink* object) override {
    PostObjectDialog(number, object);
  }
  void SendToCurrentTarget(int16_t command) override;
  std::vector<TLink*> SelectedObjects() override;
  TVector3 PositionOf(const TLink* object) override;
  void PlaceObject(TLink* object, const TVector3& position) override;
  // A constraint's points, but those that move on their own account with the selection.
  std::vector<TLink*> MovedWith(const TLink* object) override;
  void OffsetScreenObject(TLink* object, int16_t dh, int16_t dv) override;
  // A point is grabbed by its centre unless it sits in a slot.
  bool IsGrabbablePoint(const TLink* object) const override;
  // The point goes onto the hot point near the screen point, on the body that offers it; with
  // attaching by formula its coordinates become the hot point's formulas.
  bool AttachToHotPointNear(TLink* point, const MacPoint& screen) override;
  void FixPointQuantities(TLink* point, bool force) override;
  void DragEnded(TLink* object) override;
  void ChangeEnded() override;
  void ShowChanges() override;
  // A window timer on the view: the view gets its idle steps while a band is dragged.
  void StartPacing(int32_t ticks) override;
  void StopPacing() override;
  bool IsPacing() const { return pacing_; }

  // Placing the objects of the creation tools.
  void AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) override;
  void AfterPlacing() override;
  void PlacingUndone() override;
  void PlacingRedone(int16_t first, int16_t second) override;
  void HandOverTrackedObject(TLink* object) override;

 private:
  TActionContext& Context();
  // Marks stale what changed of the world's objects and the marks over them.
  void RedrawChanges();
  // The world's hook: the spacings of the main view of an open context of the world.
  static bool MainViewSpacings(const TWorldDoc& world, double& spacing, double& fine);

  TWorldDoc& world_;
  TMainWorldView& view_;
  TWorldTrackingSnapper snapper_{view_};
  int16_t storedDragDelay_ = 0;
  bool pacing_ = false;
};
