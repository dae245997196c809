#include "views/trackers/ToolTrackers.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/Failure.h"
#include "model/command/ActionContext.h"
#include "model/filing/ObjectReader.h"
#include "views/trackers/ConstraintTrackers.h"
#include "views/trackers/LineTrackers.h"
#include "views/trackers/PointTrackers.h"
#include "views/trackers/PolygonTrackers.h"
#include "views/trackers/ShapeTrackers.h"

namespace {

GadgetToolTrackerMaker& GadgetMaker() {
  static GadgetToolTrackerMaker maker = nullptr;
  return maker;
}

std::vector<GadgetToolTrackerMaker>& FurtherGadgetMakers() {
  static std::vector<GadgetToolTrackerMaker> makers;
  return makers;
}

}  // namespace

void SetGadgetToolTrackerMaker(GadgetToolTrackerMaker maker) {
  GadgetMaker() = maker;
}

void AddGadgetToolTrackerMaker(GadgetToolTrackerMaker maker) {
  std::vector<GadgetToolTrackerMaker>& makers = FurtherGadgetMakers();
  if (maker != nullptr && std::find(makers.begin(), makers.end(), maker) == makers.end())
    makers.push_back(maker);
}

void RemoveGadgetToolTrackerMaker(GadgetToolTrackerMaker maker) {
  std::erase(FurtherGadgetMakers(), maker);
}

uint16_t ToolCursor(int16_t tool) {
  switch (tool) {
    case 2505:
      return TPointTracker::kCursorPoint;
    case 2540:
      return TPointTracker::kCursorLockedPoint;
    case 2534:
      return static_cast<uint16_t>(TAnchor::kCursorAnchor);
    default:
      return 0;
  }
}

std::unique_ptr<TCommandCore> MakeToolTracker(int16_t tool, TTrackerView* view,
                                              TActionContext* world) {
  if (world == nullptr) ThrowFailure(kErrNoToolTracker, 0);
  std::unique_ptr<TObjectReader> placed;
  try {
    // A tool always makes a new object: none of the world's takes the template's records.
    placed = ReadObjectsFromResource(tool, &world->ContextLink(), nullptr, nullptr, true);
  } catch (const QVException& failure) {
    // Memory running out is said as such, not as a tool without an object.
    if (failure.error() == kErrOutOfMemory) throw;
    ThrowFailure(kErrNoToolTracker, 0);
  }
  if (placed == nullptr) ThrowFailure(kErrNoToolTracker, 0);
  placed->Complete(0);
  // A constraint comes with the points it joins: the tracker is the constraint's.
  for (TLink* object : placed->Table().Objects()) {
    if (object != nullptr && object->IsMemberClass(TCnstr::kClassID)) {
      auto* constraint = static_cast<TCnstr*>(object);
      return MakeConstraintTracker(tool, view, world, std::move(placed), *constraint);
    }
  }
  // The object that the tool makes; the others (a polygon's vertex table) come with it.
  for (TLink* object : placed->Table().Objects()) {
    if (object == nullptr) continue;
    if (object->IsMemberClass(TPolygon::kClassID))
      return MakePolygonSketchTracker(tool, view, world, std::move(placed),
                                      *static_cast<TPolygon*>(object));
    if (object->IsMemberClass(TBasicMass::kClassID))
      return CreateSketchTracker(tool, view, world, std::move(placed),
                                 *static_cast<TBasicMass*>(object));
    if (object->IsMemberClass(TAnchor::kClassID)) {
      auto tracker = std::make_unique<TAnchorTracker>();
      tracker->InitAnchorTracker(tool, view, world, std::move(placed),
                                 static_cast<TAnchor*>(object));
      return tracker;
    }
    if (object->IsMemberClass(TPoint::kClassID)) {
      auto tracker = std::make_unique<TPointTracker>();
      tracker->InitPointTracker(tool, view, world, std::move(placed), static_cast<TPoint*>(object));
      return tracker;
    }
    if (object->IsMemberClass(TLine::kClassID)) {
      auto tracker = std::make_unique<TLineSketchTracker>();
      tracker->InitLineSketch(tool, view, world, std::move(placed), static_cast<TLine*>(object));
      return tracker;
    }
    if (GadgetMaker() != nullptr) {
      if (std::unique_ptr<TCommandCore> tracker = GadgetMaker()(tool, view, world, placed, *object))
        return tracker;
    }
    for (GadgetToolTrackerMaker maker : FurtherGadgetMakers()) {
      if (std::unique_ptr<TCommandCore> tracker = maker(tool, view, world, placed, *object))
        return tracker;
    }
  }
  ThrowFailure(kErrNoToolTracker, 0);
}
