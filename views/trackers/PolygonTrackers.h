#pragma once
// The mouse trackers of polygons and curved polygons.
//
//   TPolygonSketchTracker  (536) a new polygon, click by click: the last vertex follows the
//                                mouse, a click fixes it unless it repeats the vertex before,
//                                and a polygon of fewer than three vertices is not kept
//   TPolygonResizeTracker  (537) scales the vertices about the fixed corner so that the grabbed
//                                corner of the local bounds follows the mouse
//   TPolygonVertexTracker  (538) drags one vertex (or one inserted on an edge) in vertex-editing
//                                mode; the body and its points stay where they are
//   TCurvedSketchTracker   (696), TCurvedResizeTracker (697), TCurvedVertexTracker (698): the
//                                same for a curved polygon, whose curve follows the vertices
//
// Undo and redo bring back the vertex table from the command's images.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/MacTypes.h"

#include "views/trackers/DragTracker.h"
#include "views/trackers/FeedbackPen.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/trackers/VertexTracker.h"

class TPolygon;
class TCurvPoly;
class TObjectReader;

class TPolygonSketchTracker : public TDragTracker, public TFeedbackOverlay {
  DECLARE_CLASS_ID(536, TDragTracker)

 public:
  // The status line's text while a polygon is sketched.
  static constexpr uint32_t kSketchPrompt = 3901;

  // The polygon is the one the reader holds first (a tool's new object); its vertices are
  // cleared at the press.
  void InitPolygonSketch(int16_t commandNumber, TTrackerView* view, TActionContext* world,
                         std::unique_ptr<TObjectReader> placed, TPolygon* polygon);
  // Fixes the following vertex at the click and adds a new follower, unless the click repeats
  // the vertex fixed last.
  int16_t AddPoint(const QV_CPoint& screen, const TVector& world) override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  bool IsObjectAcceptable() const override;
  void RestoreFeedbackIn(const MacRect& rect) override;

  TPolygon* Polygon() const { return polygon_; }
  // The sketch as it is shown: the corners so far and the pointer, in view coordinates, joined
  // in order by inverted lines; empty when nothing is shown.
  const std::vector<MacPoint>& ShownSketch() const { return shown_; }

 protected:
  virtual void AfterMove() {}
  virtual void AfterRelease() {}

 private:
  // The vertices, the last one following the pointer, in view coordinates.
  std::vector<MacPoint> SketchNow() const;
  // Shows the sketch as it is now in place of the one shown; nothing when they are alike.
  void ShowSketch(std::vector<MacPoint> now);
  void EraseSketch() { ShowSketch({}); }
  void InvertSketch(const std::vector<MacPoint>& corners, const MacRect* clip);

  TPolygon* polygon_ = nullptr;
  std::vector<MacPoint> shown_;
  // The user cancelled at the warning about the sketched shape: nothing is made.
  bool cancelled_ = false;
};

class TPolygonResizeTracker : public TBodyResizeTracker {
  DECLARE_CLASS_ID(537, TBodyResizeTracker)

 public:
  ~TPolygonResizeTracker() override;
  // Handles: 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
  void InitPolygonResize(TTrackerView* view, TActionContext* world, TPolygon* polygon,
                         int32_t handle);
  void BeforePrepare() override;
  void Undo() override;
  void Redo() override;

  const TVector& GrabbedCorner() const { return grabbed_; }

 protected:
  void BeginApply() override;
  void Apply(const TVector& fixed, const TVector& point) override;

 private:
  TPolygon* polygon_ = nullptr;
  TVector grabbed_{0.0, 0.0};
};

class TPolygonVertexTracker : public TVertexTracker {
  DECLARE_CLASS_ID(538, TVertexTracker)

 public:
  TPolygonVertexTracker();
  ~TPolygonVertexTracker() override;
  // vertex 0: a vertex is inserted after insertAfter at the press.
  void InitPolygonVertex(TTrackerView* view, TActionContext* world, TPolygon* polygon,
                         int16_t insertAfter, int16_t vertex, const TVector& start);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  bool UsesHotPoints() const override;
  void BeforePrepare() override;
  void Undo() override;
  void Redo() override;

  TPolygon* Polygon() const { return polygon_; }

 private:
  class TVertices;
  void BeginHoldPoints();
  void EndHoldPoints();
  void EndHolds();

  TPolygon* polygon_ = nullptr;
  std::unique_ptr<TVertices> vertices_;
  std::unique_ptr<TAttachmentPositions> keeper_;
  uint16_t holding_ = 0;
  uint16_t heldPosition_ = 0;
};

class TCurvedSketchTracker : public TPolygonSketchTracker {
  DECLARE_CLASS_ID(696, TPolygonSketchTracker)

 protected:
  void AfterMove() override;
  void AfterRelease() override;
};

class TCurvedResizeTracker : public TPolygonResizeTracker {
  DECLARE_CLASS_ID(697, TPolygonResizeTracker)
};

class TCurvedVertexTracker : public TPolygonVertexTracker {
  DECLARE_CLASS_ID(698, TPolygonVertexTracker)
};

// The polygon's trackers: a curved polygon gets the curved ones.
std::unique_ptr<TPolygonSketchTracker> MakePolygonSketchTracker(
    int16_t commandNumber, TTrackerView* view, TActionContext* world,
    std::unique_ptr<TObjectReader> placed, TPolygon& polygon);
std::unique_ptr<TPolygonResizeTracker> MakePolygonResizeTracker(TTrackerView* view,
                                                                TActionContext* world,
                                                                TPolygon& polygon, int32_t handle);
// vertex: the grabbed vertex, or 0 with insertAfter for a press on an edge.
std::unique_ptr<TPolygonVertexTracker> MakePolygonVertexTracker(TTrackerView* view,
                                                                TActionContext* world,
                                                                TPolygon& polygon,
                                                                int16_t insertAfter,
                                                                int16_t vertex);

// The polygon's handle under the screen point in vertex editing: a vertex (its number in
// vertex) within 7 pixels across and down, else an edge (the number of its first vertex in
// edge) within 2 pixels. toScreen takes a world point to the screen. False when neither is
// there.
bool FindPolygonHandle(TPolygon& polygon, const MacPoint& point,
                       const std::function<MacPoint(const TVector&)>& toScreen, int16_t& vertex,
                       int16_t& edge);
