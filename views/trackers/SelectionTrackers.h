#pragma once
// The trackers of a press in a world window that only change the selection:
//
//   TRubberBandTracker (479) drags a dashed rectangle; the objects inside become the selection,
//                            or with Shift turn over their selected state
//   TTracker480        (480) a press on an object selects it; a double click opens its
//                            properties dialog, or sends "open" (10000) to the current target
//
// Both change nothing that undo would keep.

#include <cstdint>
#include <vector>

#include "model/command/CommandBase.h"

class TLink;
class TTrackerWorld;

inline constexpr int16_t kCmdSelectTracking = 2004;
inline constexpr int16_t kCmdOpenSelection = 10000;

class TRubberBandTracker : public TCommandBase {
  DECLARE_CLASS_ID(479, TCommandBase)

 public:
  // The pacing timer's period while the band is dragged, in ticks.
  static constexpr int32_t kPacingTicks = 2;

  TRubberBandTracker() = default;
  // The context must be a world that trackers can select in.
  void InitRubberBand(TTrackerView* view, TActionContext* world);

  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  const std::vector<TLink*>& Inside() const { return inside_; }

 private:
  void Press(const QV_CPoint& anchor);
  void Move(const QV_CPoint& anchor, const QV_CPoint& next, bool mouseMoved, bool moved);
  void Release(const QV_CPoint& anchor);
  void GatherInside(const MacRect& rect, bool screenPositioned, bool worldPositioned);
  void ApplySelection();
  void EraseFrame(const QV_CPoint& anchor);

  TTrackerWorld* world_ = nullptr;
  std::vector<TLink*> inside_;
  // With Shift: the selection as it was at the press.
  std::vector<TLink*> selectedAtPress_;
  bool framed_ = false;
  QV_CPoint framedAt_;
  bool pacing_ = false;
};

class TTracker480 : public TCommandBase {
  DECLARE_CLASS_ID(480, TCommandBase)

 public:
  TTracker480() = default;
  void InitObjectTracker(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                         uint16_t canUndo, int32_t kind);
  // Notes a double click, keeps the modifiers, the time and the point, and selects the hit
  // object.
  void HandleEvent(TEventRecord& event) override;
  virtual void SetHitObject(TLink* object) { hit_ = object; }
  TLink* HitObject() const { return hit_; }
  virtual void SelectHitObject();
  void SetSelectOnPress(uint16_t on) { selectOnPress_ = on; }
  uint16_t IsDoubleClick() const { return doubleClick_; }

  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

 protected:
  TTrackerWorld* TrackerWorld() const { return world_; }

 private:
  void OpenHitObject(const MacPoint& at);

  TLink* hit_ = nullptr;
  TTrackerWorld* world_ = nullptr;
  uint16_t doubleClick_ = 0;
  uint16_t selectOnPress_ = 1;
};
