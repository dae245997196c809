#pragma once
// TVertexTracker (577): the base of the trackers that reshape a body drawn as a chain of
// vertices. A press on a vertex selects it; a press on an edge inserts a vertex there and
// selects that one, and undo and redo take the inserted vertex out and put it back. The
// per-shape trackers move the vertex while the mouse moves.

#include <cstdint>
#include <vector>

#include "views/trackers/MoveTrackers.h"

inline constexpr int16_t kCmdEditVertices = 2012;

// What the vertex tracker asks of a body with vertices (vertices numbered from 1).
class TVertexBody {
 public:
  virtual bool AllowsVertexEditing() const = 0;
  // Inserts a vertex at the point after vertex `after`, which it may move on.
  virtual void InsertVertex(int16_t& after, const TVector& point) = 0;
  virtual void RemoveVertex(int16_t number) = 0;
  virtual void SelectVertex(int16_t number) = 0;
  // The objects attached to the body, whose state an edit may change.
  virtual std::vector<TLink*> AttachedObjects() = 0;

 protected:
  ~TVertexBody() = default;
};

class TVertexTracker : public TSelectionDragTracker {
  DECLARE_CLASS_ID(577, TSelectionDragTracker)

 public:
  // vertex 0: a vertex is inserted after `insertAfter` at the press. A body that refuses vertex
  // editing ends the command silently.
  void InitVertexTracker(TTrackerView* view, TActionContext* world, TLink* body,
                         int16_t insertAfter, int16_t vertex, const TVector& start);
  // The same for a body whose vertices another object edits.
  void InitVertexTracker(TTrackerView* view, TActionContext* world, TLink* body,
                         TVertexBody* vertices, int16_t insertAfter, int16_t vertex,
                         const TVector& start);
  bool UsesHotPoints() const override { return true; }
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  void Redo() override;
  void Undo() override;
  // Notes the body and every object attached to it, once each.
  void BeforePrepare() override;

  uint16_t HasInserted() const { return inserted_; }
  int16_t InsertAfter() const { return insertAfter_; }
  // The vertex that the press grabbed or inserted; 0 before the press on an edge.
  int16_t GrabbedVertex() const {
    if (vertex_ != 0) return vertex_;
    return inserted_ != 0 ? static_cast<int16_t>(insertAfter_ + 1) : 0;
  }
  const TVector& StartPoint() const { return start_; }

 private:
  TLink* bodyLink_ = nullptr;
  TVertexBody* body_ = nullptr;
  int16_t vertex_ = 0;
  uint16_t inserted_ = 0;
  TVector insertedPoint_;
  TVector start_;
  int16_t insertAfter_ = 0;
};
