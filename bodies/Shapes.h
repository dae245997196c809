#pragma once
// Bodies with a shape held by formula-valued dimensions: TBasicMass (674, "bMss"), the common
// base of shapes given by a width and a height; TRectangle (675, "rect"), which may be a square;
// TOval (676, "oval"), a circle.
//
// Contents:
//   1. Registration, lifecycle                                  Shapes.cpp
//   2. Size, bounds, area, moments, snapping points, hit tests  ShapeGeometry.cpp
//   3. Dimension properties by tag, inputs                      ShapeProperties.cpp
//   4. Filing: blocks 5041, 5007, 5042, 1203, 1202, 5214;
//      the recorded frames a shape shows                        ShapeFiling.cpp
//   5. Drawing: outline polygon, oval, radius line              ShapeDrawing.cpp

#include <cstdint>
#include <memory>

#include "bodies/Body.h"
#include "bodies/DXFOutput.h"
#include "core/port/PortRegion.h"
#include "model/world/WorldParticipants.h"

inline constexpr int16_t kBlockRectangleFormulas = 5041;
inline constexpr int16_t kBlockRadiusLine = 5007;
inline constexpr int16_t kBlockRadiusFormula = 5042;
inline constexpr int16_t kBlockRectangleSize = 1203;
inline constexpr int16_t kBlockCircleSize = 1202;
inline constexpr int16_t kBlockEqualSides = 5214;

// Failures of the check before a run.
inline constexpr int16_t kErrHeightNotPositive = -25120;
inline constexpr int16_t kErrWidthNotPositive = -25121;
inline constexpr int16_t kErrRadiusNotPositive = -25122;

// Snapping point kinds: 1 the body's reference point, side middles (6 top, 7 bottom, 8 left, 9
// right), corners (2 top-left, 3 top-right, 4 bottom-left, 5 bottom-right), centres of the end
// circles (10 to 13).
struct TSnapResult {
  TVector local{0, 0};
  TVector world{0, 0};
  int32_t kind = 0;
};

class TBasicMass : public TMass, public TFrameParticipant {
  DECLARE_CLASS_ID(674, TMass)

 public:
  static constexpr uint32_t kTag = MakeTag("bMss");
  // Enters TBasicMass, TOval and TRectangle in the class registry.
  static void RegisterClasses();

  // ---- 1. Lifecycle ----
  void Initialize() override;

  // ---- 2. Geometry ----
  virtual int16_t GetShapeBlockCode() const { return 0; }
  virtual TVector GetSize() const { return size_; }
  virtual void SetSize(const TVector& size) { size_ = size; }
  bool HasEqualSides() const { return equalSides_ != 0; }
  void SetEqualSides(uint16_t equal) { equalSides_ = equal; }
  bool HasValidSize() const;
  // Bounds centred on the body origin from the size, then the extent.
  void ComputeExtent() override;
  void ShapeChanged(uint16_t changed) override;
  void RefreshGeometry() override;
  // The snapping point of the body near a world point within d; false when there is none.
  virtual bool FindSnapPoint(const TVector& world, double d, TSnapResult& result);
  // The snap point as the shape's hot point, index 0.
  uint16_t FindHotPoint(double tolerance, const TVector& mouse, TVector& world, TVector& own,
                        int32_t& kind, int16_t& index) override;
  // Non-positive dimensions fail the run when failures are asked for.
  void CheckShape(uint16_t fail) override;
  // Nothing while the mode asks for a valid size (bit 1) and the size is not.
  void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) override;
  using TMass::DrawShape;
  // The shape in the rectangle two screen points span while it is sketched.
  virtual void DrawSketchFeedback(const MacPoint& press, const MacPoint& current);
  // Sizes the shape from a drag: current is taken into the drag frame (origin at the anchor),
  // snapped to the world's grid when snap is set (twice the grid for equal sides, whose two
  // sides follow the shorter component), and the shape spans from the anchor to it. An axis
  // whose component snaps to 0 keeps its size and lies on the positive side of the anchor.
  void ResizeFromDrag(const TVector& anchor, const TVector& current, const Transform2D& inverse,
                      const Transform2D& frame, bool snap);
  // The world's size for a clicked new shape, d by d (1 without a world).
  void SetSquareSizeFrom(const class TWorldDoc* world);

  // ---- 4. Filing and recorded frames ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  // Eight values a frame: x, y, rotation, their velocities, cosine and sine of the rotation.
  int32_t FixedFrameValues() const override { return 8; }
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;

 protected:
  // Tries one candidate snapping point.
  bool TrySnap(const TVector& local, const TVector& target, double d, int32_t kind,
               TSnapResult& result);

  TVector size_{0, 0};
  uint16_t equalSides_ = 0;
};

class TRectangle : public TBasicMass, public TDXFExportable {
  DECLARE_CLASS_ID(675, TBasicMass)

 public:
  static constexpr uint32_t kTag = MakeTag("rect");

  // ---- 1. Lifecycle ----
  void Initialize() override;
  Str255 GetKindName() const override { return equalSides_ != 0 ? "Square" : "Rectangle"; }

  // ---- 2. Geometry ----
  int16_t GetShapeBlockCode() const override { return kBlockRectangleSize; }
  TVector GetSize() const override;
  void SetSize(const TVector& size) override;
  // Stores the value as the dimension's current value; a formula text stays.
  void SetWidth(double width);
  void SetHeight(double height);
  double GetShapeWidth() override { return widthFormula_->GetValue(); }
  double GetShapeHeight() override { return heightFormula_->GetValue(); }
  void ComputeArea() override;
  double MomentForMode2() override;
  double MomentForMode3() override { return 2.0 * MomentForMode2(); }
  double MomentForMode4() override { return 0.8 * MomentForMode2(); }
  bool FindSnapPoint(const TVector& world, double d, TSnapResult& result) override;
  // The outline is made again whenever the screen transform is.
  void ValidateScreenTransform(const Transform2D& view) override;
  void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) override;
  using TMass::DrawShape;
  const PolygonRec& Outline() const { return outline_; }
  // The nearest point of the rectangle: the local point held inside the bounds.
  TVector ConnectionTarget(const TVector& local) override;
  // Enclosed when its outline's box lies in the rectangle; an empty rectangle encloses it.
  bool IsEnclosedBy(const MacRect& rect) override;
  uint16_t GetHotPoint(int16_t index, TVector& point) override;
  int32_t GetHotPointCount() override { return 4; }
  void CheckShape(uint16_t fail) override;
  // A closed POLYLINE round the outline for the DXF kind, corners (left, top), (right, top),
  // (right, bottom), (left, bottom) of its own frame in world coordinates; false for others.
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsBodyExport(command); }

  // ---- 3. Properties ----
  TFormula* GetFormulaProperty(uint32_t tag, double* lowest, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& source) override;
  void SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                           int32_t second) override;
  uint16_t GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                           uint16_t& editable) override;
  void SetRealProperty(uint32_t tag, const double* value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  void ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) override;
  uint16_t IsPositionProperty(uint32_t tag) override;
  uint16_t GetPropertyById(int16_t id, TPositionField& field) override;
  uint32_t TagForPropertyId(int16_t id) override;
  void FormulaChanged(TFormula* formula) override;
  void ForEachFormula(FormulaCallback callback, void* context) override;
  void ForEachPositionFormula(FormulaCallback callback, void* context) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) override;
  void ReportSolverBlocks(BlockCallback callback, void* context) override;
  void ReportGeometryBlocks(BlockCallback callback, void* context) override;
  uint16_t AttachInput(int16_t code, const Str255& first, const Str255& second, double& value,
                       double& value2, double& low, double& high, double& low2,
                       double& high2) override;
  Str255 InMenuName() const { return equalSides_ != 0 ? "InSquareMenu" : "InRectangleMenu"; }
  int16_t GetShapeCode() const { return equalSides_ != 0 ? 2502 : 2503; }

  // ---- 4. Filing ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

  TFormula* WidthFormula() const { return widthFormula_.get(); }
  TFormula* HeightFormula() const { return heightFormula_.get(); }

 private:
  // A dimension given through a property: the formula takes the source, the size its value.
  void ChangeDimension(uint32_t tag, const TFormula* source);
  void RebuildOutline();

  PolygonRec outline_;

  std::unique_ptr<TFormula> heightFormula_;
  std::unique_ptr<TFormula> widthFormula_;
};

class TOval : public TBasicMass, public TDXFExportable {
  DECLARE_CLASS_ID(676, TBasicMass)

 public:
  static constexpr uint32_t kTag = MakeTag("oval");

  // ---- 1. Lifecycle ----
  void Initialize() override;
  Str255 GetKindName() const override { return "Circle"; }

  // ---- 2. Geometry ----
  int16_t GetShapeBlockCode() const override { return kBlockCircleSize; }
  TVector GetSize() const override;
  void SetSize(const TVector& size) override;
  void SetRadius(double radius);
  double GetShapeRadius() override { return radiusFormula_->GetValue(); }
  // Writes a CIRCLE entity at the centre's world position for the DXF kind; false for others.
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsBodyExport(command); }
  void ComputeArea() override;
  double MomentForMode2() override { return MomentAbout(0.5); }
  double MomentForMode3() override { return MomentAbout(1.0); }
  double MomentForMode4() override { return MomentAbout(0.4); }
  bool HitTestLocal(const TVector& p) override;
  void CheckShape(uint16_t fail) override;
  // The circle, its fill and the line from the centre to the rim at local angle 0.
  void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) override;
  // The rim in the direction of the local point.
  TVector ConnectionTarget(const TVector& local) override;
  bool IsEnclosedBy(const MacRect& rect) override;
  void DrawSketchFeedback(const MacPoint& press, const MacPoint& current) override;
  using TMass::DrawShape;

  // ---- 3. Properties ----
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* lowest, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& source) override;
  void SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                           int32_t second) override;
  uint16_t GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                           uint16_t& editable) override;
  void SetRealProperty(uint32_t tag, const double* value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  void ChangeProperty(uint32_t tagOrId, const TFormula* source, TAssemblySolver* assembly) override;
  uint16_t IsPositionProperty(uint32_t tag) override;
  uint16_t GetPropertyById(int16_t id, TPositionField& field) override;
  uint32_t TagForPropertyId(int16_t id) override;
  void FormulaChanged(TFormula* formula) override;
  void ForEachFormula(FormulaCallback callback, void* context) override;
  void ForEachPositionFormula(FormulaCallback callback, void* context) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) override;
  void ReportSolverBlocks(BlockCallback callback, void* context) override;
  void ReportGeometryBlocks(BlockCallback callback, void* context) override;
  uint16_t AttachInput(int16_t code, const Str255& first, const Str255& second, double& value,
                       double& value2, double& low, double& high, double& low2,
                       double& high2) override;
  Str255 InMenuName() const { return "InCircleMenu"; }
  int16_t GetShapeCode() const { return equalSides_ != 0 ? 2500 : 2510; }

  // ---- 4. Filing ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

  TFormula* RadiusFormula() const { return radiusFormula_.get(); }
  uint16_t ShowsRadiusLine() const { return showRadiusLine_; }

 private:
  void ChangeRadius(const TFormula* source);
  // factor m r^2 for a circle; the moment as it stands otherwise.
  double MomentAbout(double factor);

  std::unique_ptr<TFormula> radiusFormula_;
  uint16_t showRadiusLine_ = 1;
};
