#pragma once
// The world's answer to a press in its main view: which tracker takes the click. The world
// keeps five standing trackers ready, made when first needed and handed out once each (the
// next click gets a fresh one):
//
//   object tracker (480)  objects that are not selectable, and objects clicked during a run
//   area tracker   (479)  empty space: a band that selects
//   drag tracker   (485)  selected objects under the rotating tool 2003
//   second tracker (484)  a point dragged on its own
//   third tracker  (483)  the selection dragged
//
// A press on a movable body that a joint holds to other objects drags it with its linkage kept
// assembled (the geometry drags) instead. Tool 2010 and the creation tools take the tracker that
// their prototype object makes. A press
// on a corner of a selected control on the window resizes the control; before
// the move tracker, a press on a corner handle of a selected shape or polygon resizes it and one
// on an end handle of a selected line drags that end (tools 2000 and 2003), and in vertex
// editing (2012) a press on a polygon's vertex or edge edits it.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/MacTypes.h"

class TCommandCore;
class TLink;
class TMainWorldView;
class TMovePointTracker;
class TMoveObjectsTracker;
class TRotateTracker;
class TRubberBandTracker;
class TTracker480;
class TWorldDoc;
class TWorldTrackerContext;
class TWorldTrackerView;
struct TEventRecord;
struct TMouseEvent;

class TWorldClickDispatch {
 public:
  TWorldClickDispatch(TWorldDoc& world, TMainWorldView& view, TWorldTrackerView& trackerView,
                      TWorldTrackerContext& context);
  ~TWorldClickDispatch();
  TWorldClickDispatch(const TWorldClickDispatch&) = delete;
  TWorldClickDispatch& operator=(const TWorldClickDispatch&) = delete;

  // Makes each missing standing tracker, in the order of the table above.
  void MakeStandingTrackers();
  void FreeStandingTrackers();

  // The press by the current tool: a tracker, or null when the click is done. A tracker
  // handed out is the caller's (it frees itself when done).
  TCommandCore* MouseDown(const MacPoint& point, TMouseEvent* event);
  // The selection tools' press: by what lies under the point and whether the world runs.
  TCommandCore* ClickDispatch(const MacPoint& point, TMouseEvent* event);

  TTracker480* ObjectTracker() const { return objectTracker_.get(); }
  TRubberBandTracker* AreaTracker() const { return areaTracker_.get(); }
  TRotateTracker* DragTracker() const { return dragTracker_.get(); }
  // The rotating tool's line from the centre it would turn about to the pointer, or with show
  // false its erasure; nothing before the standing trackers exist.
  void ShowCentreLine(bool show, const MacPoint& point);
  TMovePointTracker* SecondTracker() const { return secondTracker_.get(); }
  TMoveObjectsTracker* ThirdTracker() const { return thirdTracker_.get(); }

 private:
  // The frontmost shown gadget whose frame holds the point, while no run goes on.
  TLink* WindowGadgetAt(const std::vector<TLink*>& objects, const MacPoint& point);
  TCommandCore* HandOutObjectTracker(TLink* hit, const TEventRecord& event);
  TCommandCore* HandOutAreaTracker(const TEventRecord& event);
  TCommandCore* HandOutDragTracker(TLink* hit, const TEventRecord& event);
  // A body held by a joint is dragged with what it is joined to, assembled: with the Select and
  // Drag tool (2003) with a reference, with the others (2002) without.
  TCommandCore* HandOutGeometryDrag(const MacPoint& point, TLink* hit, const TEventRecord& event);
  // Without a centre object the selection turns about its middle.
  void CentreOnSelection();
  TCommandCore* HandOutMoveTracker(TLink* hit, const TEventRecord& event);
  TCommandCore* ToolTrackerClick(const TEventRecord& event);
  // A press on a corner handle of a selected shape or polygon resizes it, one on an end handle
  // of a selected line drags that end; null elsewhere.
  TCommandCore* HandleGesture(const MacPoint& point, const TEventRecord& event);
  // A press on a corner of a selected control on the window resizes it through the
  // handle-tracking command.
  TCommandCore* WindowHandleGesture(const MacPoint& point, const TEventRecord& event);
  // A press on the head of an object's velocity arrow drags the arrow.
  TCommandCore* VectorGesture(const MacPoint& point, const TEventRecord& event);
  TCommandCore* LineEndGesture(TLink* object, const MacPoint& point, const TEventRecord& event);
  // A press on a polygon's vertex drags it, one on an edge inserts a vertex there that follows
  // the drag; null elsewhere.
  TCommandCore* VertexGesture(const MacPoint& point, const TEventRecord& event);
  // A press on a curved slot's control point drags that point; null elsewhere.
  TCommandCore* CurvedSlotVertexGesture(const MacPoint& point, const TEventRecord& event);
  bool MovesPointAlone(TLink* hit, const TEventRecord& event) const;

  TWorldDoc& world_;
  TMainWorldView& view_;
  TWorldTrackerView& trackerView_;
  TWorldTrackerContext& context_;
  std::unique_ptr<TTracker480> objectTracker_;
  std::unique_ptr<TRubberBandTracker> areaTracker_;
  std::unique_ptr<TRotateTracker> dragTracker_;
  std::unique_ptr<TMovePointTracker> secondTracker_;
  std::unique_ptr<TMoveObjectsTracker> thirdTracker_;
};
