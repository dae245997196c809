#pragma once
// What a geometry drag asks of the layer that assembles joined bodies: a context that holds the
// dragged objects, follows one of them to the mouse and, run for a limited time, brings everything
// joined to it along so that the linkage stays assembled. The bodies layer installs the maker at
// start-up; a program without it drags nothing joined.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/TickCount.h"
#include "core/geometry/Vector.h"

class TLink;

// The time limit of a geometry run, in ticks: the run stops once its deadline has passed, or
// when the stop keys are down. The first look falls at the start plus the smaller of the ticks and
// 60, the later ones every 20 ticks, so a run of 60 ticks or fewer ends by time only.
class TGeometryRunLimit {
 public:
  using StopKeysDown = bool (*)();

  TGeometryRunLimit(int32_t now, int32_t ticks, StopKeysDown stopKeys)
      : deadline_(now + ticks), nextCheck_(now + (ticks < 60 ? ticks : 60)), stopKeys_(stopKeys) {}

  // True when the run must stop at `now`.
  bool ShouldStop(int32_t now) {
    if (!TickDeadlineReached(now, nextCheck_)) return false;
    if (TickDeadlineReached(now, deadline_)) return true;
    if (stopKeys_ != nullptr && stopKeys_()) return true;
    nextCheck_ = now + 20;
    return false;
  }

 private:
  int32_t deadline_;
  int32_t nextCheck_;
  StopKeysDown stopKeys_;
};

class TGeometryDragContext {
 public:
  virtual ~TGeometryDragContext() = default;
  // Makes the grabbed object, held at the grip (a world point), the object the context follows
  // and answers it; null when the object cannot be dragged (anchored, or not a body).
  virtual TLink* MakeFollowed(TLink* grabbed, const TVector& grip) = 0;
  // The followed grip is to go to the point.
  virtual void MoveFrameTo(const TVector& point) = 0;
  // Lets the followed object go: a later run only settles the joined geometry.
  virtual void LetGo() = 0;
  // Solves towards the followed point within the limit, to the tolerance; the objects take the
  // places found. True when something moved.
  virtual bool Run(TGeometryRunLimit& limit, double tolerance) = 0;
};

// Makes a context over the objects (bodies and what joins them).
using GeometryDragContextMaker =
    std::unique_ptr<TGeometryDragContext> (*)(const std::vector<TLink*>& objects);

namespace geometry_drag_detail {
inline GeometryDragContextMaker& Installed() {
  static GeometryDragContextMaker installed = nullptr;
  return installed;
}
}  // namespace geometry_drag_detail

// Null uninstalls it (at shut-down).
inline void InstallGeometryDragContextMaker(GeometryDragContextMaker maker) {
  geometry_drag_detail::Installed() = maker;
}

// A context over the objects, or null when no maker is installed.
inline std::unique_ptr<TGeometryDragContext> MakeGeometryDragContext(
    const std::vector<TLink*>& objects) {
  const GeometryDragContextMaker maker = geometry_drag_detail::Installed();
  return maker != nullptr ? maker(objects) : nullptr;
}
