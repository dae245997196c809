#pragma once
// Trackers that reshape one object by a handle.
//
//   TResizeTracker (486) stretches a gadget by one of its corners; sizes come from the start
//                        size and the total movement, so moving back restores the start
//   TTracker487    (487) the base of the handle trackers of bodies and lines: keeps the
//                        object's bounds at the start and the caller's option

#include <array>
#include <cstdint>
#include <memory>

#include "views/trackers/MoveTrackers.h"

inline constexpr int16_t kCmdResize = 2001;

// What the resize tracker asks of a gadget.
class TResizableGadget {
 public:
  virtual ~TResizableGadget() = default;
  virtual int16_t GadgetWidth() const = 0;
  virtual int16_t GadgetHeight() const = 0;
  virtual void PrepareResize() = 0;
  virtual void EraseGadget() = 0;
  // Takes the size with the corner moving and the opposite corner staying.
  virtual void SetSizeAtCorner(int16_t width, int16_t height, int32_t corner) = 0;
  virtual void DrawGadget() = 0;
};

// What a handle tracker asks of the object whose handle it drags.
class THandleObject {
 public:
  // left, top, right, bottom.
  virtual std::array<int32_t, 4> TrackingBounds() const = 0;

 protected:
  ~THandleObject() = default;
};

class TResizeTracker : public TSelectionDragTracker {
  DECLARE_CLASS_ID(486, TSelectionDragTracker)

 public:
  // Corners: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
  void InitResize(TTrackerView* view, TActionContext* world, TLink* gadget, int32_t corner);
  // The same for a gadget that another object resizes for it; the tracker keeps that object.
  void InitResize(TTrackerView* view, TActionContext* world, TLink* gadget,
                  std::unique_ptr<TResizableGadget> resizing, int32_t corner);
  void BeforePrepare() override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

 private:
  void Init(TTrackerView* view, TActionContext* world, TLink* gadget, int32_t corner);

  TLink* gadgetLink_ = nullptr;
  TResizableGadget* gadget_ = nullptr;
  std::unique_ptr<TResizableGadget> ownedGadget_;
  int32_t corner_ = 0;
  int16_t startWidth_ = 0;
  int16_t startHeight_ = 0;
};

class TTracker487 : public TSelectionDragTracker {
  DECLARE_CLASS_ID(487, TSelectionDragTracker)

 public:
  void InitHandle(TTrackerView* view, TActionContext* world, TLink* object, int32_t option);
  bool UsesHotPoints() const override { return true; }
  // Notes the selection, then the object, for undo.
  void BeforePrepare() override;
  TLink* Object() const { return object_; }
  int32_t Option() const { return option_; }
  const std::array<int32_t, 4>& StartBounds() const { return bounds_; }

 private:
  TLink* object_ = nullptr;
  int32_t option_ = 0;
  std::array<int32_t, 4> bounds_{};
};
