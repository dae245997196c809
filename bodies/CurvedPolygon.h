#pragma once
// TCurvPoly (695, "curv"): a polygon whose outline can be the closed spline through its
// vertices. The spline is the solver library's; it is sampled into a point table of the body's
// own, which then serves the mass properties, bounds, hit tests and the outline. While the curved
// flag is clear the body is a plain polygon.
//
// Contents (all in CurvedPolygon.cpp):
//   1. Registration and lifecycle
//   2. The curve: sampling the spline into the curve table
//   3. Properties and filing
//   4. Geometry while curved

#include <cstdint>
#include <memory>

#include "bodies/Polygon.h"
#include "solver/geometry/SplineEntry.h"

inline constexpr uint32_t kCurvedPolygonTag = MakeTag("curv");

class TCurvPoly : public TPolygon {
  DECLARE_CLASS_ID(695, TPolygon)

 public:
  static constexpr int16_t kBlockCurved = 1205;
  static constexpr int16_t kDefaultSteps = 10;

  // ---- 1. Registration and lifecycle ----
  static void RegisterClass();
  static TObject* CreateObject();
  TCurvPoly() = default;
  ~TCurvPoly() override;
  void Initialize() override;
  void WriteClassTag(TObjectWriter& writer) override;
  Str255 GetKindName() const override { return "Curved polygon"; }
  int16_t GetKindResourceID() override;

  // ---- 2. The curve ----
  // Samples per vertex for n vertices: 400 / n within 2..10 (10 without vertices).
  static int16_t StepsFor(int32_t n);
  bool IsCurved() const { return curved_ != 0; }
  int16_t GetSteps() const { return steps_; }
  // The sampled curve, as made at the last rebuild.
  TTable* GetCurvePoints() const { return curve_.get(); }
  // Rebuilds the curve through the vertices; a vertex list the library refuses keeps the old
  // curve.
  void VerticesChanged() override;
  TTable* GetVertexTable() override;

  // ---- 3. Properties and filing ----
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                           uint16_t& editable) override;
  // "ppp1" and "ppp2": the labels of the coordinates, distance and angle while curved.
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ReportGeometryBlocks(BlockCallback callback, void* context) override;
  void LinkVertexTable(TTable* table) override;
  // In the hot-point frame of a curved body a vertex is (length, angle) about the body origin.
  TVector HotPointToFrame(const TVector& point) override;
  TVector HotPointFromUser(const TVector& point, TUnitHandler* converter) override;
  void WriteVerticesAsText(TTextOutStream& stream) override;

  // ---- 4. Geometry while curved ----
  void ClearVertices() override;
  void InsertVertex(const int16_t& index, const TVector& world) override;
  void DeleteVertex(const int16_t& index) override;
  bool FindSnapPoint(double tolerance, const TVector& worldPoint, TVector& world, TVector& local,
                     int32_t& kind, int32_t& index) override;
  void ComputeExtent() override;
  void UpdateCentroid() override;
  bool HitTestLocal(const TVector& p) override;
  void ShapeChanged(uint16_t changed) override;
  void ResizeTo(const TVector& world, uint16_t keepMinimum) override;
  // A traced curve is framed whole: it has no edge to leave out.
  void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) override;

 private:
  struct SplineDeleter {
    void operator()(void* spline) const { EngineDeleteSpline(spline); }
  };

  uint16_t curved_ = 0;
  std::unique_ptr<TTable> curve_;
  std::unique_ptr<void, SplineDeleter> spline_;
  int16_t steps_ = kDefaultSteps;
};
