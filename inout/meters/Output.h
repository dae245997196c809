#pragma once
// The meter a user places in the world to watch quantities of a run: one to five value columns,
// each defined by a formula, shown as a digital readout, a bar meter or a graph. Column 1 is the
// graph's horizontal axis and is never shown as a readout, bar or curve of its own; the walks
// over shown columns start at column 2.
//
// This is the meter's data model: its columns, kinds, rotation, the values it takes from the
// recorded frames, the range updates on a fixed cadence during a run, and the replay of
// recorded frames column by column for export.

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/MacTypes.h"
#include "core/PString.h"
#include "inout/meters/NumberText.h"
#include "inout/gadgets/InOutput.h"
#include "model/Link.h"
#include "model/world/WorldParticipants.h"

class TGraphStrokes;
class THistoryCursor;
class TWorldUnitHandler;

// Document blocks of a meter: the meter, its columns, its data link and its column records.
inline constexpr int16_t kBlockMeter = 5213;
inline constexpr int16_t kBlockMeterColumns = 5216;
inline constexpr int16_t kBlockMeterLink = 5237;
inline constexpr int16_t kBlockMeterColumnRecords = 5311;
// A document never holds more columns than this.
inline constexpr int32_t kMaxFiledColumns = 5;
inline constexpr int kColumnRecordCount = 6;

// The name under which a column is sent over the data link, and whether it is sent.
struct TColumnRecord {
  Str255 name;
  int16_t index = 0;
  bool linked = false;
};

enum class MeterKind : int32_t { kDigital = 0, kBar = 1, kGraph = 3 };

inline constexpr uint32_t kOutputTag = MakeTag("oupt");
// The current frame after the recorded history was cut back before it.
inline constexpr int16_t kOutputFrameCutBack = -42;

// A gadget of the world window: placed, moved and pressed there like the other controls, and
// told each frame the world shows so that it shows the frame's recorded values.
class TOutput : public TInOutput, public TFrameParticipant {
  DECLARE_CLASS_ID(533, TInOutput)

 public:
  // Visits column (1-based index); answers nothing.
  using ColumnVisit = std::function<void(TNumberText& column, int32_t index)>;
  // Visits every recorded frame in first..last (the world's frame walk), calling frame for each
  // with a cursor standing on the meter's first recorded value of that frame.
  using FrameWalk =
      std::function<void(int16_t first, int16_t last,
                         const std::function<void(int16_t frame, THistoryCursor& cursor)>& frame)>;

  TOutput();
  ~TOutput() override;

  void Initialize() override;

  // Columns.
  int32_t GetColumnCount() const override { return static_cast<int32_t>(columns_.size()); }
  // Column i (1-based); null outside 1..count.
  TNumberText* Column(int32_t i) const;
  // Removes the last columns or appends new ones until there are n.
  void SetColumnCount(int32_t n);
  // Frees column i; nothing when i is outside 1..count.
  void RemoveColumn(int32_t i);
  // Moves the last column to the front, so that another quantity serves as the horizontal axis.
  void RotateColumns();
  int16_t GetRotation() const { return rotation_; }
  // Compiles the formula with unit factor 1.0; when it compiles, the column takes its unit kind.
  // The formula is stored in every case.
  void SetColumnFormula(int32_t i, const TFormula& formula);
  void SetColumnShown(int32_t i, bool shown);
  void SetColumnRange(int32_t i, double minimum, double maximum);
  void ResetColumnTexts();
  // After a display property changed: the cached texts go and the world's views draw the meter
  // afresh.
  void RefreshLayout();

  // Walks.
  void ForEachShownColumn(const ColumnVisit& visit) const;
  // As ForEachShownColumn, for walks made every frame.
  template <typename Visit>
  void VisitShownColumns(Visit&& visit) const {
    int32_t last = GetColumnCount();
    if (columnLimitOn_) last = std::min<int32_t>(last, columnLimit_);
    for (int32_t i = 2; i <= last; ++i) {
      TNumberText& column = *columns_[static_cast<size_t>(i - 1)];
      if (column.IsShown()) visit(column, i);
    }
  }
  void WithFirstShownColumn(const ColumnVisit& visit) const;
  // Column 1 first when asked, then each shown column.
  void ForEachColumn(bool includeFirst, const ColumnVisit& visit) const;
  int32_t CountShownColumns() const;
  int32_t CountExportColumns(bool includeFirst) const;
  void SetColumnLimit(int16_t limit, bool on) {
    columnLimit_ = limit;
    columnLimitOn_ = on;
  }

  // Kind and layout.
  MeterKind GetMeterKind() const { return kind_; }
  void SetMeterKind(MeterKind kind);
  // The kind a click on the kind button gives: digital → graph → bar → digital.
  static MeterKind NextKind(MeterKind kind);
  void SetWrapXAxis(bool wrap);
  bool GetWrapXAxis() const { return wrapXAxis_; }
  // The content size for the kind (digital and bar; a graph keeps its size) applied.
  void AdjustSize() override;
  // The size of the meter's content; the gadget's frame adds the frame and furniture to it.
  MacPoint GetSize() const { return size_; }
  void SetSize(MacPoint size) override;
  // Given the size of the whole frame, leaves the content size it makes room for.
  void ConstrainSize(MacPoint& size) override;
  MacPoint GetGraphSize() const { return kind_ == MeterKind::kGraph ? size_ : savedGraphSize_; }
  int16_t GetLineHeight() const { return lineHeight_; }
  int32_t GetBarOrientation() const { return barOrientation_; }
  int16_t GetBarThickness() const { return barThickness_; }
  int16_t GetBarLength() const { return barLength_; }

  // Placement and furniture. The bounds are the meter's whole frame in port pixels; the content
  // size adds the frame and furniture to them.
  void SetPosition(int16_t top, int16_t left);
  MacRect GetBounds() const;
  bool IsFramed() const { return framed_; }
  void SetFramed(bool framed);
  // 26 pixels for the column buttons of a meter with more than two columns, else 4.
  int16_t GetFurnitureWidth() const;
  MacRect GetContentFrame() const override;
  // A framed meter's name stands in a strip along the top of its frame, right of the kind
  // button; an unframed meter's above its frame.
  MacRect GetLabelRect() override;
  void DrawLabel() override;
  MacRect GetKindButtonRect() const;
  // Framed meters with more than two columns only: false for any other column or meter.
  bool GetColumnButtonRect(int32_t i, MacRect& out) const;
  // Bar n (1-based among the shown columns) at its full length.
  MacRect GetBarRect(int32_t n) const;
  // Each shown column's bar in the current port, grown by its current value.
  void DrawBarValues();

  // Graph. The plot is the content frame.
  // Ticks for a range of span stored units over length pixels with a unit step of step: the
  // pixels per stored unit and the tick step, brought between 30 and 80 pixels apart. False
  // when no grid can be drawn (a step or span that is not a positive finite number, or no
  // length).
  static bool GridSpacing(double step, double span, int16_t length, double& pixelsPerUnit,
                          double& tickStep);
  void PrepareZeroPixels();
  void PrepareCurrentPixels();
  // Grid lines of column 1 (vertical) and of the first shown column (horizontal).
  void DrawGraphAxes(TWorldUnitHandler* handler);
  // The zero lines of the first shown column and of column 1.
  void DrawZeroAxes();
  // The newest sample: a line from each shown column's previous point, or a dot after a jump
  // or when points are not connected. The caller limits drawing to the plot.
  void PlotSegment(const MacRect& plot, bool jump);
  // Pen paths the curves have been drawn with so far.
  int64_t GetCurvePathsDrawn() const;
  // Grid, axes and every recorded frame that column 1 does not exclude; the world's frame walk
  // gives the frames, and the frame it last recorded is plotted once more.
  void DrawGraph(TWorldUnitHandler* handler, const FrameWalk& walk, int16_t lastRecorded);
  // During a run: the sample of the current frame, a dot when forced or after skipped frames.
  void PlotLive(bool forcedJump);
  int16_t GetLastPlottedFrame() const { return lastPlottedFrame_; }
  void SetConnectPoints(bool on) { connectPoints_ = on; }
  void SetShowGrid(bool on) {
    showGrid_ = on;
    if (!on) gridNumbers_ = false;
  }
  void SetShowAxes(bool on) { showAxes_ = on; }

  // Clicks on the kind and column buttons: down takes the click when a button was hit, moves
  // follow whether the mouse is still inside, and the release acts only when it is.
  bool HitsControl(MacPoint where) override;
  // A press on the window: the kind and column buttons, as the three calls above.
  bool TrackClick(int16_t phase, MacPoint point, bool inside) override;
  bool TrackingDone() override { return false; }
  void TrackMouse(MacPoint where);
  void ReleaseMouse();
  int32_t GetPressedButton() const { return pressed_; }
  bool IsHeldDown() const { return heldDown_; }

  // Frames.
  int16_t GetCurrentFrame() const { return currentFrame_; }
  // Loads every column, in rotated order, from the cursor's values at frame.
  void ShowFrame(int16_t frame, THistoryCursor& cursor, bool inRange);
  // The world shows frame: values loaded, then (unless digital, and when meterUpdate is on) the
  // ranges updated: grown every fourth frame, shrunk every sixty-fourth. True when a range
  // changed.
  bool FrameChange(int16_t frame, THistoryCursor& cursor, bool meterUpdate);
  // The world shows a frame: the recorded values of the columns, then a redraw of the meter.
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;
  // The columns' formulas, recorded with every frame in their stored order.
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  // The column formulas in stored order, each compiled and giving its column its unit kind;
  // formulas beyond the columns are read and dropped.
  void ReadElements(int32_t count, TObjectReader& reader) override;
  // On the world window: frame, kind button, and the digital, bar or graph contents.
  void DrawContents(const MacRect& area) override;
  bool IsGraph() const override { return kind_ == MeterKind::kGraph; }
  // The recorded history is cut back from frame on.
  void CutBackHistory(int16_t frame);
  // Hands every column's text at each frame in first..last to emit; the values the columns held
  // before are restored.
  void ReplayHistory(int16_t first, int16_t last, bool includeFirst, const FrameWalk& walk,
                     TWorldUnitHandler* handler,
                     const std::function<void(TNumberText&, const Str255& text)>& emit);

  // Properties by tag. Column properties are "o " + letter + digit, digit "0" for column 1.
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void SetStringProperty(uint32_t tag, const Str255& value) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  // The column index a column tag with the letter names (1-based), or 0 when the tag is not
  // one, names no column, or names a hidden column and shownOnly is set.
  int32_t DispatchColumnTag(uint32_t tag, char letter, bool shownOnly) const;
  // The unit handler for display units; none means factors of 1.
  void SetUnitHandler(TWorldUnitHandler* handler) { unitHandler_ = handler; }
  bool GetShowLabels() const { return showLabels_; }
  bool GetShowGrid() const { return showGrid_; }
  bool GetGridNumbers() const { return gridNumbers_; }

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

  // The data link.
  const TColumnRecord& GetColumnRecord(int i) const { return records_[static_cast<size_t>(i)]; }
  TColumnRecord& ColumnRecord(int i) { return records_[static_cast<size_t>(i)]; }
  int32_t GetFirstLinkRow() const { return firstLinkRow_; }
  int32_t GetFirstLinkColumn() const { return firstLinkColumn_; }
  bool IsTransposeLink() const { return transposeLink_; }
  bool GetRecordsRead() const { return recordsRead_; }
  // The table cell of row a and column b (both from 1), transposed when asked.
  void GetCellAddress(int32_t a, int32_t b, int32_t& row, int32_t& column) const;
  // Names every unnamed column record 1..count - 1 for the meter at position n (from 1) of the
  // linked table document: "y" n j for a document whose name holds "matlab", else its cell.
  void NameLinkItems(int32_t n, const Str255& documentName);
  // The name a script gives column i (2..count): the meter's name, ".y" and i - 1.
  void GetColumnItemName(int32_t i, Str255& out) const;
  // Each linked column 2..count with a name, and its current value in the handler's format:
  // what the data link sends for a row.
  void ForEachLinkedValue(TWorldUnitHandler* handler,
                          const std::function<void(const Str255& name, const Str255& value)>&
                              send);
  // The same with the number beside its text.
  void ForEachLinkedValue(
      TWorldUnitHandler* handler,
      const std::function<void(const Str255& name, double value, const Str255& text)>& send);
  TWorldUnitHandler* GetUnitHandler() const { return unitHandler_; }

  // Rewrites every column formula's template tokens: 0xA6 and "$" the meter's name, 0xA5 and
  // "&" the first object's name, 0xB0 and "@" the second's, 0xA4 the first object's owner's.
  // Each text is then compiled and the column takes its unit kind.
  void ExpandColumnFormulas(const Str255& firstName, const Str255& secondName,
                            const Str255& ownerName);

 private:
  bool PressedRect(MacRect& out) const;
  void ReadMeterBlock(TObjectReader& reader);
  void ReadColumnsBlock(TObjectReader& reader);
  void ReadLinkBlock(TObjectReader& reader);
  void WriteMeterBlock(TObjectWriter& writer);
  void WriteColumnsBlock(TObjectWriter& writer);
  void DrawGrid(TNumberText& column, TWorldUnitHandler* handler, bool vertical);
  // PlotSegment's work, its lines gathered into strokes_, which the caller has begun.
  void PlotSample(const MacRect& plot, bool jump);
  TGraphStrokes& Strokes();
  // Index into columns_ of column i in the order the history records them.
  int32_t RecordedIndex(int32_t position) const;
  void ApplyWrapToFirst();
  // The gadget's frame follows the content size, the frame and the furniture.
  void FitFrameToContent();
  // The line the name strip of a framed meter showing its name takes; 0 for any other meter.
  int16_t TitleHeight() const;
  void DrawDigital();
  // A marker at each shown column's point of the frame shown, where it lies inside the plot.
  void DrawCurrentMarkers();
  void DrawFurniture();
  void DrawKindButton(const MacRect& button);
  void DrawColumnButton(int32_t i, const MacRect& button);
  // The height a framed meter needs for its kind and column buttons.
  int16_t ButtonsHeight() const;
  // The world's frame walk over its recorded values of this meter.
  FrameWalk WorldFrameWalk();

  std::vector<std::unique_ptr<TNumberText>> columns_;
  TWorldUnitHandler* unitHandler_ = nullptr;
  int16_t rotation_ = 0;
  MeterKind kind_ = MeterKind::kDigital;
  bool showLabels_ = false;
  bool showUnits_ = false;
  bool framed_ = true;
  int32_t barOrientation_ = 0;
  int16_t barThickness_ = 10;
  int16_t barLength_ = 100;
  int16_t digitalLineWidth_ = 150;
  MacPoint savedGraphSize_{150, 100};
  bool wrapXAxis_ = true;
  bool showAxes_ = true;
  bool connectPoints_ = false;
  bool showGrid_ = false;
  bool gridNumbers_ = true;
  int32_t pressed_ = 0;
  bool heldDown_ = false;
  int16_t currentFrame_ = -1;
  int16_t lastPlottedFrame_ = -67;
  bool linkOption_ = true;
  bool transposeLink_ = false;
  bool linkValues_ = false;
  int32_t firstLinkColumn_ = 1;
  int32_t firstLinkRow_ = 1;
  std::array<TColumnRecord, kColumnRecordCount> records_{};
  bool recordsRead_ = false;
  int16_t columnLimit_ = 0;
  bool columnLimitOn_ = false;
  MacPoint size_{150, 16};
  int16_t lineHeight_ = 16;
  // The curves' pens and pixel claims, kept from one drawing to the next.
  std::unique_ptr<TGraphStrokes> strokes_;
};

// Registers the meter class under "TOutput" with its tag.
void RegisterOutputClass();
