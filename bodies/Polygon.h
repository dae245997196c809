#pragma once
// The polygon family: bodies whose shape is a closed polygon through the vertices of a point
// table, and the curved polygon (CurvedPolygon.h) whose outline may be the closed spline through
// the same vertices.
//
//   TMass (523) > TPolygon (535, "poly") > TCurvPoly (695, "curv")
//
// Contents:
//   1. Registration, lifecycle, the vertex table                Polygon.cpp
//   2. Mass properties, re-centring, extent, run checks         PolygonGeometry.cpp
//   3. Hit tests, hot points, vertex operations, snapping       PolygonGeometry.cpp
//   4. Filing: the table link, legacy blocks, recorded frames   PolygonFiling.cpp
//   5. Vertex properties, commands, copy and paste as text      PolygonVertices.cpp
//   6. Resize by a corner                                       PolygonResize.cpp
//   7. Screen outline and drawing, DXF export                   PolygonOutline.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/Body.h"
#include "bodies/DXFOutput.h"
#include "bodies/Table.h"
#include "core/geometry/Transform2D.h"
#include "core/port/PortRegion.h"
#include "model/world/WorldParticipants.h"

class TTextOutStream;
class TUnitHandler;

inline constexpr uint32_t kPolygonTag = MakeTag("poly");

// Vertex properties and commands are named by a tag whose first two characters give the kind
// and whose other two bytes form a word: bits 0 to 14 the 1-based vertex index, bit 15 set for
// the x coordinate.
namespace point_ref {

constexpr uint32_t Kind(char a, char b) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8;
}
inline constexpr uint32_t kWorld = Kind('p', 'p');     // world coordinates
inline constexpr uint32_t kHotFrame = Kind('h', 'p');  // the hot-point frame
inline constexpr uint32_t kLocal = Kind('l', 'p');     // body coordinates
inline constexpr uint32_t kQuietHot = Kind('h', 'q');  // as "hp", set without the shape warning
inline constexpr uint32_t kInsert = Kind('N', 'S');    // command: insert after the index
inline constexpr uint32_t kDelete = Kind('D', 'L');    // command: delete the index

constexpr uint32_t KindOf(uint32_t tag) {
  return tag & 0xFFFFu;
}
constexpr bool SameKind(uint32_t tag, uint32_t kind) {
  return KindOf(tag) == kind;
}
constexpr int32_t GetIndex(uint32_t tag) {
  return static_cast<int32_t>((tag >> 16) & 0x7FFFu);
}
constexpr bool IsX(uint32_t tag) {
  return (tag & 0x80000000u) != 0;
}
constexpr uint32_t Make(uint32_t kind, int32_t index, bool x) {
  return kind | (static_cast<uint32_t>(index) & 0x7FFFu) << 16 | (x ? 0x80000000u : 0u);
}

}  // namespace point_ref

class TPolygon : public TMass, public TFrameParticipant, public TDXFExportable {
  DECLARE_CLASS_ID(535, TMass)

 public:
  // Block codes.
  static constexpr int16_t kBlockVertexTable = 1201;
  static constexpr int16_t kBlockLegacyVector = 5014;
  static constexpr int16_t kBlockLegacyPosition = 5027;
  static constexpr int16_t kBlockLegacyFormulas = 5032;
  static constexpr int16_t kBlockLegacyCentroid = 5043;
  // Stands for the vertex table's own block in the lists of blocks a change concerns.
  static constexpr int16_t kBlockShapeTable = -2;
  // Error raised when a polygon has fewer than three vertices before a run or a deletion.
  static constexpr int16_t kErrTooFewVertices = -25113;
  // Answered by CheckShapeForRun for a shape the solver library refused.
  static constexpr int16_t kErrBadShape = -25212;
  // The solver library's refusal of a shape without area, as a program error.
  static constexpr int16_t kErrDegenerateShape = -27989;
  // The solver library's refusal of a shape with a coordinate that is no finite number.
  static constexpr int16_t kErrShapeNotFinite = -27987;
  // A pasted vertex list longer than a polygon may hold.
  static constexpr int16_t kErrTooManyVertices = -25116;
  static constexpr int32_t kMaxPastedVertices = 2046;
  // The labels of the vertex coordinates, and the number of the rotation property.
  static constexpr int16_t kCoordinateLabels = 24577;
  static constexpr int16_t kPropertyRotation = 19;
  // Snap kinds: a vertex and the middle of an edge.
  static constexpr int32_t kSnapVertex = 14;
  static constexpr int32_t kSnapEdgeMiddle = 15;
  // Handle kinds of FindHandle.
  static constexpr int32_t kHandleVertex = 1;
  static constexpr int32_t kHandleEdge = 2;
  // The mode of the world in which vertices are edited.
  static constexpr int16_t kVertexEditingMode = 2012;

  // ---- 1. Registration, lifecycle, the vertex table ----
  static void RegisterClass();
  static TObject* CreateObject();
  TPolygon();
  ~TPolygon() override;
  void Initialize() override;
  void WriteClassTag(TObjectWriter& writer) override;
  Str255 GetKindName() const override { return "Polygon"; }
  virtual int16_t GetKindResourceID() { return 2511; }
  // The table whose points are the vertices; a curved polygon answers its sampled curve.
  virtual TTable* GetVertexTable() { return vertexTable_; }
  // The vertices as stored, whatever the outline is.
  TTable* GetVertices() const { return vertexTable_; }
  // Links the table as reading a stream does: mass properties are made again and the vertices
  // are re-centred unless the centroid is known to be right.
  virtual void LinkVertexTable(TTable* table);
  void ObjectRemoved(TLink* object) override;
  void LinkedChanged(TLink& source, uint16_t value) override;

  // ---- 2. Mass properties, re-centring, extent, run checks ----
  // Area (positive), unit-density moment about the centroid and the centroid in the body frame,
  // through the solver library. With fewer than three vertices: the stored area, the moment's
  // value and (0, 0). A shape the library refuses as without area gives the stored area, the
  // centroid (0, 0) and sets the invalid-shape flag.
  void ComputeMassProperties(double& area, double& moment, TVector& centroid);
  void ComputeArea() override;
  double MomentForMode2() override;
  double MomentForMode3() override { return 2.0 * MomentForMode2(); }
  double MomentForMode4() override { return 0.8 * MomentForMode2(); }
  void UpdateCentroid() override;
  void ComputeExtent() override;
  void ShapeChanged(uint16_t changed) override;
  void RecentreAndBound();
  // A user-placed centre of mass keeps its place on the shape when the vertices move by d.
  void ShiftCOMOffset(const TVector& d);
  bool IsShapeInvalid() const { return shapeInvalid_ != 0; }
  // Tells the user when the library refused the shape; with mayCancel set, Cancel ends the current
  // operation silently.
  void ReportBadShape(uint16_t mayCancel) const;
  virtual bool IsComplete() { return GetHotPointCount() > 2; }
  // Drops a last vertex equal to the first; with strict, fewer than three vertices fail.
  virtual void CheckBeforeRun(uint16_t strict);
  int16_t CheckShapeForRun(uint16_t strict);
  // The thing's run checks: CheckBeforeRun and CheckShapeForRun.
  void CheckShape(uint16_t strict) override { CheckBeforeRun(strict); }
  uint16_t GetShapeError(uint16_t strict) override {
    return static_cast<uint16_t>(CheckShapeForRun(strict));
  }
  uint16_t IsConvertible() override { return 1; }
  void AfterConversion();

  // ---- 3. Hit tests, hot points, vertex operations, snapping ----
  bool HitTestLocal(const TVector& p) override;
  bool NearEdgeLocal(const TVector& p, int32_t i, int32_t j, double tolerance);
  uint16_t GetHotPoint(int16_t index, TVector& point) override;
  bool GetVertex(int32_t index, TVector& point);
  // A closed POLYLINE with one VERTEX per polygon vertex in world coordinates for the DXF kind
  // (a curved polygon writes its vertices, not its curve); false for others.
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsBodyExport(command); }
  int32_t GetHotPointCount() override;
  int32_t GetMinVertexCount() override { return 3; }
  uint16_t HasVertices() override { return 1; }
  virtual void ClearVertices();
  void AppendVertex(const TVector& point) override;
  TVector RemoveLastVertex();
  void SetLastVertex(const TVector& point);
  void MoveVertex(int32_t index, const TVector& previous, const TVector& world);
  void DeleteVertices(int32_t index, int32_t n);
  void DuplicateVertex(int32_t index, int32_t n);
  // Inserts a vertex after index (before vertex 1 for index 0) at a world point.
  void InsertVertex(const int16_t& index, const TVector& world) override;
  void DeleteVertex(const int16_t& index) override;
  void VerticesChanged() override {}
  // The nearest vertex within tolerance (kind 14), else the first edge middle within it (kind
  // 15); world and local receive the point found.
  // The same as the polygon's hot point: kind 14 for a vertex, 15 for an edge, by number.
  uint16_t FindHotPoint(double tolerance, const TVector& mouse, TVector& world, TVector& own,
                        int32_t& kind, int16_t& index) override;
  virtual bool FindSnapPoint(double tolerance, const TVector& worldPoint, TVector& world,
                             TVector& local, int32_t& kind, int32_t& index);
  // Counts of an export of the outline: n vertices, then p, q, r for the exporter.
  void GetExportCounts(uint16_t flag, int16_t& n, int16_t& p, int16_t& q, int16_t& r);
  // Hands vertices 1..n (never more than the table holds) to the output.
  void ExportVertices(int32_t n, void (*output)(const TVector& point, int32_t dimension, void*),
                      void* context);
  // Body position changes are ignored while a part of the body is being moved.
  void BeginHoldPosition(uint16_t& previous);
  void EndHoldPosition(uint16_t previous);
  void SetPlacement(const TVector3& p) override;
  void MoveBy(const TVector& d) override;

  // ---- 4. Filing ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;
  void WriteTo(TObjectWriter& writer, int16_t flag) override;
  void WriteFields(TObjectWriter& writer) override;
  void ForEachFormula(FormulaCallback callback, void* context) override;
  // A vertex coordinate is stored with the position and the shape (code -2: the vertex table).
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void ReportShapeBlocks(BlockCallback callback, void* context) override;
  void ReportGeometryBlocks(BlockCallback callback, void* context) override;
  const TVector& GetLegacyVector() const { return legacyVector_; }
  // A polygon records its full state in every frame and shows the frame's state when told.
  int32_t FixedFrameValues() const override { return 8; }
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;

  // ---- 5. Vertex properties, commands, copy and paste ----
  uint16_t GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                           uint16_t& editable) override;
  void SetRealProperty(uint32_t tag, const double* value) override;
  // A vertex coordinate set as a number goes where SetRealProperty puts it.
  void SetNumberProperty(uint32_t tag, const double& value) override;
  void ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) override;
  uint16_t IsPositionProperty(uint32_t tag) override;
  // Outside vertex editing, number 19 is the rotation.
  uint16_t GetPropertyById(int16_t id, TPositionField& field) override;
  uint32_t TagForPropertyId(int16_t id) override;
  // "pptb": the point table's size, the vertex count and (in extra, a 16-bit count) two columns.
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override;
  // "ppt1" and "ppt2": the labels of a vertex's two coordinates.
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  uint32_t GetVertexTag() const { return vertexTag_; }
  // Vertex coordinates in the hot-point frame; a polygon's is its body frame.
  virtual TVector HotPointToFrame(const TVector& point) { return point; }
  virtual TVector HotPointFromUser(const TVector& point, TUnitHandler* converter);
  TVector HotPointFromFrame(const TVector& point) { return HotPointFromUser(point, nullptr); }
  // The vertex list as text, one "x<TAB>y" line per vertex in the frame of the last vertex tag.
  virtual void WriteVerticesAsText(TTextOutStream& stream);
  void CopyVerticesAsText();
  void PasteVerticesFromText();
  // Replaces the vertices by the points, taken in the frame of the last vertex tag. More than
  // 2046 points are refused before anything changes.
  virtual void ReplaceVertices(const std::vector<TVector>& points);
  int32_t GetSelectedVertex() const { return selectedVertex_; }
  void SelectHotPoint(int32_t index);
  // Deletes the selected vertex; a polygon of three vertices refuses.
  void DeleteSelectedHotPoint();
  // The thing's vertex selection: a selected body with a selected vertex.
  uint16_t HasSelectedVertex() override;
  void SelectVertex(int16_t index, int32_t) override { SelectHotPoint(index); }
  void DeleteSelectedVertex() override { DeleteSelectedHotPoint(); }
  void DeleteAllVertices() override { ClearVertices(); }

  // ---- 6. Resize by a corner ----
  // Starts a resize that keeps the world point anchor and moves grab.
  void BeginResize(const TVector& anchor, const TVector& grab);
  // Scales the vertices so that grab follows the world point; keepMinimum keeps each side at
  // least the world's step.
  virtual void ResizeTo(const TVector& world, uint16_t keepMinimum);
  void EndResize();
  bool IsResizing() const { return resize_ != nullptr; }

  // ---- 7. Screen outline and drawing ----
  // The screen transform, and with it the outline: the vertices on the screen, closed.
  void ValidateScreenTransform(const Transform2D& view) override;
  virtual void UpdateOutline(const Transform2D& view);
  void InvalidateScreenCache() override;
  const PolygonRec& GetOutline() const { return outline_; }
  // True when the outline has no point or its box lies inside the rectangle.
  bool IsEnclosedBy(const MacRect& rect) const;
  // Mode 0 fills the outline with the body's pattern and frames it as it stands; mode bit 1
  // frames only; mode bit 2 traces the edges with the pen, leaving out the closing edge. Framing
  // and tracing move the outline by (inset, inset) while they draw.
  void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) override;
  // The handle of a vertex: its square inverted when it is the selected vertex, else framed.
  void DrawVertexMark(int16_t index, int32_t, int32_t) override;

 protected:
  // Sets the outline to the screen images of the points, closed by repeating the first.
  void SetOutlinePoints(const std::vector<TVector>& points);
  std::vector<TVector> VertexList();
  void NoteVertexTag(uint32_t tag) { vertexTag_ = tag; }
  bool IsHoldingPosition() const { return holdPosition_ != 0; }
  void DrawOutline(uint16_t mode, uint16_t outline, int16_t inset);
  PolygonRec& OutlineRecord() { return outline_; }

 private:
  struct ResizeRecord {
    TVector grab;             // the grab point in the anchor frame
    TVector negatedCentroid;  // at the start
    Transform2D anchorFrame;  // origin at the anchor, turned by the body's rotation
    Transform2D inverseFrame;
    double rotation = 0.0;
    std::vector<TVector> offsets;  // vertices from the anchor, body frame
  };

  void ResetFields();
  TVector VertexInFrame(uint32_t kind, const TVector& local);
  TVector VertexFromFrame(uint32_t kind, const TVector& value);

  TTable* vertexTable_ = nullptr;
  uint16_t shapeInvalid_ = 0;
  PolygonRec outline_;
  uint16_t outlineValid_ = 0;
  std::unique_ptr<ResizeRecord> resize_;
  int32_t selectedVertex_ = 0;
  uint32_t vertexTag_ = MakeTag("ppLV");
  std::unique_ptr<TFormula> auxFormula1_, auxFormula2_, auxFormula3_;
  TVector legacyVector_{0.0, 0.0};
  uint16_t holdPosition_ = 0;
  uint16_t highlighted_ = 0;
};
