#pragma once
// The curved slot: the points attached after the first stay on a curve fixed in the body of the
// first one. The curve is the solver library's spline through control points that a point table
// holds in the curve's own coordinates (the frame of the primary point, usually a spline point);
// it is open, continuing straight beyond its ends, or closed.
//
// Contents:
//   CurvedSlot.cpp       the table, the spline type and polar view, properties, the table
//                        commands and control-point editing, text copy and paste, filing of
//                        blocks 5024, 5033 and 5034, registration with the spline point
//   CurvedSlotCurve.cpp  the control array handed to the spline, sampling for the view, bounds
//                        and extensions, drawing, hit tests, snapping onto the curve, the
//                        assembly solver's condition, DXF export and interpolated points

#include <memory>
#include <string>
#include <vector>

#include "bodies/DXFOutput.h"
#include "constraints/Slot.h"
#include "platform/win32/Gdi.h"
#include "solver/geometry/SplineEntry.h"

class TSplinePoint;
class TTable;
class TTextOutStream;

inline constexpr uint32_t kCurvedSlotTag = MakeTag("cSlt");

class TCurvedSlot : public TSlot, public TDXFExportable {
  DECLARE_CLASS_ID(375, TSlot)

 public:
  static constexpr int16_t kBlockKind = 5024;
  static constexpr int16_t kBlockExport = 5033;
  static constexpr int16_t kBlockLegacyFrame = 5034;
  static constexpr int32_t kOpen = 0;
  static constexpr int32_t kClosed = 1;
  // Pasted tables hold at most this many points; copied interpolations at most the second.
  static constexpr int32_t kMaxPastedPoints = 2046;
  static constexpr int32_t kMaxCopiedPoints = 3200;
  // The drawn curve holds at most this many bytes of samples (pairs of doubles).
  static constexpr int32_t kMaxSampleBytes = 65000;
  static constexpr int32_t kMaxSamples = kMaxSampleBytes / 16;
  static constexpr int16_t kErrTooFewPoints = -25114;
  static constexpr int16_t kErrTooManyCopied = -25556;
  static constexpr int16_t kErrTooManyPasted = -25116;
  static constexpr int16_t kErrBadPastedText = -25117;
  static constexpr int32_t kMsgDeleteVertex = 0x7F610009;
  static constexpr int32_t kMsgShape = 0x7F61000A;
  static constexpr int32_t kMsgCopyPoints = 0x7F610012;
  static constexpr int32_t kMsgChangeVertices = 0x7F610007;

  TCurvedSlot() = default;
  ~TCurvedSlot() override;
  TCurvedSlot(const TCurvedSlot&) = delete;
  TCurvedSlot& operator=(const TCurvedSlot&) = delete;
  static TObject* CreateObject();
  void Initialize() override;

  // ---- The curve's definition ----
  TTable* GetPointTable() const { return table_; }
  // Takes the table as its control points (the spline point refers to it too).
  void SetPointTable(TTable* table);
  int32_t ControlPointCount() const;
  TVector ControlPoint(int32_t i) const;
  TSplinePoint* GetSplinePoint() const { return splinePoint_; }
  int32_t GetSplineType() const { return splineType_; }
  void SetSplineType(int32_t type);
  bool IsClosed() const { return splineType_ == kClosed; }
  bool IsPolar() const { return polar_ != 0; }
  void SetPolar(bool polar);
  // The curve changed: every cache goes, and with notify the constraint is marked changed.
  void InvalidateCurve(uint16_t notify);
  // An open curve whose last control point equals its first becomes closed; a closed curve
  // stays closed.
  void CloseIfEnded();
  // While suspended, position and angle changes do not reach the slot.
  uint16_t BeginSuspend();
  void EndSuspend(uint16_t old);
  void SetTracking(uint16_t on) { tracking_ = on; }
  // Snaps the attached points onto the curve while it is not in a run.
  void SnapRequest();
  bool IsOnBodyZero() const;

  // ---- Properties, commands and control points ----
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  // A control point's coordinate named by a point reference ("pp" or "hp", bit 15 for the first
  // coordinate, the low bits its index from 1): x and y, or radius and angle when polar.
  bool GetControlPointValue(uint32_t reference, double& value, int32_t& unitKind) const;
  void SetControlPointValue(uint32_t reference, double value);
  // "pptb": the size of the point table, its count of points and (in extra, a 16-bit count)
  // its columns.
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override;
  // A control point's coordinate; extra, when given, takes its unit kind (32-bit).
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  int16_t GetKindNumber() const override;
  // The solver knows the curve through the spline point and its table: without them the curved
  // slot hands it no goals of its own, rather than goals it would take for a straight slot's.
  int32_t KindGoalCount() const override;
  uint16_t GetHotPoint(int16_t index, TVector& point) override;
  int32_t GetHotPointCount() override { return ControlPointCount(); }
  int32_t GetMinVertexCount() override { return 2; }
  uint16_t HasVertices() override { return 1; }
  // A curve can become lines; the line converter builds one through these.
  uint16_t IsConvertible() override { return 1; }
  void AppendVertex(const TVector& point) override;
  void DeleteAllVertices() override { DeleteAllControlPoints(); }
  // A selected vertex of a selected curve can be deleted.
  uint16_t HasSelectedVertex() override;
  // The curve's commands: export (1711, 1712) always, the line conversions (1800, 1801) while
  // the curve is selected and memory lasts.
  bool EnablesCommand(int16_t command) const;
  // A coordinate of a control point places the curve, as its table block stores it.
  uint16_t IsPositionProperty(uint32_t tag) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  // The screen point of the curve's origin: the spline point, else the primary point.
  MacPoint GetOriginScreenPoint() const;
  void SelectVertex(int16_t part, int32_t index) override;
  int32_t GetSelectedVertex() const { return selectedVertex_; }
  void DeleteSelectedVertex() override;
  // A new control point at the world location: before the first for an index below 1, else
  // after the index.
  void InsertControlPoint(int32_t index, const TVector& world);
  void DeleteControlPoint(int32_t index);
  void DeleteAllControlPoints();
  // Ends a sketch: a last point equal to the first closes the curve and goes. Fewer than two
  // points then fail when complain is set.
  void FinishSketch(uint16_t complain);
  // After the sketch made the curve: the attached points move to its origin and the sketched
  // world points become the curve's own coordinates.
  void AfterCreation();
  void SetSlotAngle(double angle) override;
  void SetPlacement(const TVector3& placement) override;

  // ---- Text exchange of the control points ----
  void CopyPointTable();
  void PastePointTable();
  // The table as lines of two numbers (or the interpolated points when that export is on).
  void WritePointTable(TTextOutStream& stream);
  void WritePointText(TTextOutStream& stream, const TVector& point) const;
  // Replaces the control points by those of the text, in display units. The text is checked
  // whole first: a refused text leaves the table as it was.
  void ReadPointTable(const std::string& text);
  // The room the interpolated export needs, in points, at the points per span given.
  int32_t InterpolatedExportSize(int32_t perSpan) const;

  // ---- The evaluated curve (CurvedSlotCurve.cpp) ----
  // Brings the control array, samples, bounds and extensions up to date for the area shown.
  void PrepareDrawing(const MacRect& view);
  const std::vector<double>& Samples() const { return samples_; }
  int32_t SampleCount() const { return sampleCount_; }
  bool SamplingFailed() const { return samplingFailed_ != 0; }
  const MacRect& ScreenBounds() const { return screenBounds_; }
  const TDoubleRect& LocalBounds() const { return localBounds_; }
  const std::vector<double>& ControlArray() const { return controls_; }
  double StepFloor() const { return stepFloor_; }
  TVector ScreenToCurve(const MacPoint& mouse) const;
  MacPoint CurveToScreen(const TVector& curve) const;
  void DrawShape(const MacRect& area, uint16_t mode) override;
  void DrawVertexHandles();
  void DrawVertexHandle(int32_t index);
  // Whether the world edits vertices: the highlighted curve then shows its handles.
  bool EditingVertices() const;
  // The part under the mouse: 1 with the vertex for a handle, 2 with the span for the curve.
  bool FindHit(const MacPoint& mouse, int16_t& part, int32_t& vertex, int32_t& span);
  bool HitsLine(const MacPoint& mouse) override;
  bool IsInRect(const MacRect& rect) override;
  void SnapPointsOntoSlot(TLink* moved) override;
  TAssemblyConstraint* SolverGeometry(TAssemblySolver& solver, uint16_t& made) override;
  // A POLYLINE of the curve's samples for the DXF kind; false for other kinds.
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsDrawingExport(command); }
  // The interpolated points of a fresh spline through the control points, pairs of doubles.
  std::vector<double> QuickInterpolate(int32_t perSpan) const;

  // ---- Filing ----
  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteTo(TObjectWriter& writer, int16_t flag) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  void ObjectRemoved(TLink* object) override;
  void AttachObjectAndUpdate(TLink* object) override;

 protected:
  void AttachHook(TLink* object) override;
  void DetachHook(TLink* object) override;

 private:
  struct SplineDeleter {
    void operator()(void* spline) const { EngineDeleteSpline(spline); }
  };

  void RebuildControlArray();
  void ComputeViewRectangle(const MacRect& view);
  void ComputeTolerances();
  void Sample();
  void ComputeBounds();
  void ComputeScreenPoints();
  void ComputeExtensions();
  void DrawCurve(int16_t dy) const;
  void DrawControlPolygon() const;

  TTable* table_ = nullptr;
  TSplinePoint* splinePoint_ = nullptr;
  std::unique_ptr<void, SplineDeleter> spline_;
  int32_t splineType_ = kOpen;
  uint16_t tracking_ = 0;
  uint16_t updating_ = 0;
  uint16_t suspended_ = 0;
  uint16_t polar_ = 0;
  int32_t selectedVertex_ = 0;
  uint16_t exportInterpolated_ = 0;
  int32_t pointsPerSpan_ = 10;

  std::vector<double> controls_;
  uint16_t controlsValid_ = 0;
  double stepFloor_ = 0.0;
  double floorDivisor_ = 30.0;
  double deviationTolerance_ = kDefaultDeviation;
  double stepTolerance_ = kDefaultStep;
  double hitTolerance_ = kDefaultHit;
  static constexpr double kDefaultDeviation = 0.08;
  static constexpr double kDefaultStep = 0.15;
  static constexpr double kDefaultHit = 0.01;

  std::vector<double> samples_;
  int32_t sampleCount_ = 0;
  // The count filed while no samples are at hand: the last one the curve had or was read with.
  int32_t sampleHint_ = 0;
  uint16_t samplesValid_ = 0;
  uint16_t samplingFailed_ = 0;
  std::vector<POINT> screenPoints_;

  MacRect viewExtent_{};
  TDoubleRect viewRect_{0.0, 0.0, 0.0, 0.0};
  TDoubleRect localBounds_{0.0, 0.0, 0.0, 0.0};
  MacRect screenBounds_{};
  uint16_t boundsValid_ = 0;
  MacPoint extensions_[4]{};
  uint16_t extensionsValid_ = 0;
};

// Enters TCurvedSlot and TSplinePoint in the class registry.
void RegisterCurvedSlotClasses();
