#pragma once
// The world's commands on its selection: clearing takes the selected objects out of the world
// through an undoable dependents action (488) that keeps them until it is committed; in vertex
// editing, cut, copy and clear act on the selected vertex of a polygon or curved slot instead.
// Also the geometry drags of the main view, which carry what is joined to the grabbed object
// along with it, assembled.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/MacTypes.h"
#include "model/command/ActionBase.h"
#include "views/trackers/DependentsAction.h"
#include "views/trackers/GeometryRefDragTracker.h"

class TLink;
class TMainWorldView;
class TThing;
class TTrackerView;
class TWorldDoc;

// The world's side of a dependents action that takes objects out: they go as one stream, so
// that objects that refer to each other come back linked, under their identifiers and selected.
class TWorldObjectKeeper : public TDependentsWorld {
 public:
  explicit TWorldObjectKeeper(TWorldDoc& world) : world_(world) {}
  void AttachObjects(std::vector<TLink*>& objects) override;
  void DetachObjects(std::vector<TLink*>& objects) override;
  // Nothing is kept once the change is final.
  void CommitAttached(const std::vector<TLink*>& objects) override;
  void RefreshDependents() override;
  TWorldHost& Host() override;

 private:
  TWorldDoc& world_;
  std::vector<int16_t> identifiers_;
  std::vector<uint8_t> stream_;
};

// Cut (103), copy (104) or clear (106) of the selected vertices: copy puts the vertex list of
// the first such object on the clipboard as text; cut and clear delete each selected vertex,
// undoably.
class TVertexEditCommand : public TActionBase {
 public:
  void InitVertexEdit(int16_t commandNumber, TWorldDoc& world);
  void BeforePrepare() override;
  void DoWork() override;
  const std::vector<TThing*>& Objects() const { return objects_; }

 private:
  std::vector<TThing*> objects_;
};

// In vertex editing with a selection holding an object with a selected vertex: the vertex
// command for the number; else null.
std::unique_ptr<TCommandCore> MakeVertexEditCommand(int16_t commandNumber, TWorldDoc& world);
// After the world's edit check: the vertex command when there is one, else a dependents action
// that takes the selection out of the world.
std::unique_ptr<TCommandCore> MakeSelectionCommand(int16_t commandNumber, TWorldDoc& world);

// Where a geometry drag of the main view is made: the world, its main view, and the tracking
// sides of both.
struct TGeometryDragPlace {
  TWorldDoc& world;
  TMainWorldView& view;
  TTrackerView* trackerView;
  TActionContext* context;
};

// The geometry drag (2002) for a press at the point: its target is the object found there,
// else the object given; it grabs the starting object, or the target without one. With
// freeMouse the drag does not constrain the mouse. The tracker has taken the press; null when
// there is nothing to grab.
std::unique_ptr<TGeometryDragTracker> MakeTool2002Tracker(const TGeometryDragPlace& place,
                                                          const MacPoint& point, TLink* object,
                                                          bool freeMouse, TLink* start,
                                                          const TEventRecord& press);
// The same with a reference (2003): with the Control key down the world's pending object is the
// target (taken, so that it serves one drag), else as above; the target becomes the drag's
// reference, whose constraint lets go while the drag lasts.
std::unique_ptr<TGeometryRefDragTracker> MakeTool2003Tracker(const TGeometryDragPlace& place,
                                                             const MacPoint& point, TLink* object,
                                                             bool freeMouse, TLink* start,
                                                             const TEventRecord& press);
