#pragma once
// Drags of a body's velocity arrow on the world view, each one undoable command:
//
//   TVectorCommand     (834) the body, its arrow kind and where the arrow starts
//   TVectorCommand835  (835) the whole vector follows the mouse from the body's point; let go on
//                            the point, the arrow is switched off
//   TVectorCommand836  (836) one head of the arrow follows the mouse: the x head changes only x,
//                            the y head only y, the whole head both
//
// The mouse's offset from the body's point, in world units, becomes a value through the scale of
// the arrow's group.

#include <cstdint>

#include "core/geometry/Vector.h"
#include "views/trackers/MoveTrackers.h"

class TGlobalVectorHandler;
class TVectorThing;

inline constexpr int16_t kCmdDragWholeVector = 2002;
inline constexpr int16_t kCmdDragVectorPart = 2001;
// The arrow a part drag starts from has no value.
inline constexpr int16_t kErrNoVectorValue = -25007;

// Components a part drag changes.
inline constexpr int32_t kVectorComponentX = 0;
inline constexpr int32_t kVectorComponentY = 1;
inline constexpr int32_t kVectorComponentBoth = 2;

class TVectorCommand : public TSelectionDragTracker {
  DECLARE_CLASS_ID(834, TSelectionDragTracker)

 public:
  // Fails with -108 without a thing or without the world's vector settings.
  void InitVector(int16_t commandNumber, TTrackerView* view, TActionContext* context,
                  TVectorThing* thing, int16_t kind);
  // The thing is noted whole, so that undo restores its vector and whether it shows.
  void BeforePrepare() override;

  TVectorThing* Thing() const { return thing_; }
  int16_t Kind() const { return kind_; }
  const TVector& AnchorWorld() const { return anchorWorld_; }

 protected:
  // The offset from the thing's point as the thing's vector value; the change is announced.
  void StoreOffset(const TVector& offset);

 private:
  TVectorThing* thing_ = nullptr;
  TGlobalVectorHandler* handler_ = nullptr;
  int16_t kind_ = 0;
  TVector anchorWorld_{0.0, 0.0};
};

class TVectorCommand835 : public TVectorCommand {
  DECLARE_CLASS_ID(835, TVectorCommand)

 public:
  void InitVectorCommand(TTrackerView* view, TActionContext* context, TVectorThing* thing,
                         int16_t kind);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
};

class TVectorCommand836 : public TVectorCommand {
  DECLARE_CLASS_ID(836, TVectorCommand)

 public:
  // The arrow's offset when the drag starts is kept for the component that does not move; an
  // arrow the thing does not show fails with -108, one without a value with -25007.
  void InitVectorCommand(TTrackerView* view, TActionContext* context, TVectorThing* thing,
                         int16_t kind, int32_t component);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  const TVector& InitialOffset() const { return initialOffset_; }
  int32_t Component() const { return component_; }

 private:
  TVector initialOffset_{0.0, 0.0};
  int32_t component_ = kVectorComponentBoth;
};

// The command for a press on a part of the thing's velocity arrow that its hit test reported:
// part 1 (the point of an arrow of no length) drags the whole vector, part 2 the whole head,
// part 3 the x head and part 4 the y head. Null for any other part.
std::unique_ptr<TCommandCore> MakeVectorCommand(TTrackerView* view, TActionContext* context,
                                                TVectorThing* thing, int16_t part);
