#pragma once
// The control through which a user feeds a number into a running world: a slider, a button, a
// text box or a data table placed in the world window. Its value is what formulas see as
// "Input[n]" (n its object number) and what the world hands to the solver before every step.

#include <cstdint>
#include <functional>
#include <memory>

#include "core/PString.h"
#include "inout/gadgets/InOutput.h"
#include "model/world/WorldParticipants.h"

class CWnd;
class TInput;
class TInputTable;
class TInputEdit;
class THistoryCursor;

inline constexpr uint32_t kInputTag = MakeTag("inpt");
inline constexpr int16_t kBlockInput = 5212;
inline constexpr int16_t kBlockInputCell = 5236;
inline constexpr int16_t kBlockInputTarget = 5309;
inline constexpr int16_t kBlockInputOldTarget = 5310;
inline constexpr int16_t kBlockInputTable = 5325;

enum class TInputKind : int32_t {
  kTextBox = 0,
  kSlider = 1,
  kReading = 2,  // held for an instant while a stored input is read
  kButton = 3,
  kTextLike = 4,
  kTable = 5
};

// Where an input's value changes become undoable. The world installs it; without one value
// changes are not recorded.
class TInputUndoSink {
 public:
  virtual ~TInputUndoSink() = default;
  // Whether the input's value changes are left out of undo (while its world runs or shows a
  // later frame, a change goes to the run and is not an edit).
  virtual bool IsInputUndoOff(const TInput& input) const = 0;
  // A finished change from old to the input's current value: performed at once when immediate,
  // else queued as a command.
  virtual void ValueChanged(TInput& input, double old, bool immediate) = 0;
};

class TInput : public TInOutput, public TRunInput, public TFrameParticipant {
  DECLARE_CLASS_ID(444, TInOutput)

 public:
  // Smallest value change that is worth an undo record.
  static constexpr double kUndoThreshold = 1e-17;
  static constexpr int16_t kMargin = 4;

  TInput() = default;
  ~TInput() override;
  void Initialize() override;

  // Kind and options.
  TInputKind GetKind() const { return kind_; }
  void SetKind(TInputKind kind);
  bool ShowsValueText() const;
  void SetShowText(bool on);
  bool GetShowText() const { return showText_; }
  void SetLogScale(bool on);
  bool IsLogScale() const { return logarithmic_; }
  void SetMomentary(bool on);
  bool IsMomentary() const { return momentary_; }
  bool IsPressed() const { return pressed_; }
  void SetSnaps(uint8_t n);
  uint8_t GetSnaps() const { return snaps_; }
  uint8_t GetAuxByte() const { return auxByte_; }
  void SetAuxByte(uint8_t byte) { auxByte_ = byte; }
  const RGB16Color& GetColour() const { return colour_; }
  bool IsHorizontal() const { return horizontal_ != 0; }
  bool IsLinked() const { return Target().linked != 0; }
  void SetLinked(bool on) { Target().linked = on ? 1 : 0; }

  // Value and range.
  double GetValue() const { return value_; }
  // The one way the value changes: clamped to the range for a slider or text box that is not
  // linked; notify tells dependents, commit ends the pending undo record.
  void SetValue(double value, bool notify, bool commit);
  void GetMinMax(double& minimum, double& maximum) const {
    minimum = minimum_;
    maximum = maximum_;
  }
  void SetMinMax(double a, double b);
  double GetSpan() const { return span_; }
  // The value formatted with two digits.
  const Str255& FormatValueText();
  // Parses text as the new value (the text box); false, value unchanged, when it is no number.
  bool TakeValueText(const Str255& text);

  // Typing the value into an edit control over the value text field: a press in the field
  // (edges included) opens it in the parent window, scrolled by scroll; ending it applies a
  // number typed and closes it.
  bool HitsTextField(MacPoint point) const;
  TInputEdit* BeginTextEdit(CWnd* parent, MacPoint scroll);
  void EndTextEdit();
  TInputEdit* GetTextEdit() const { return edit_; }
  bool BeginWindowTextEdit(MacPoint point, CWnd* window) override;
  void EndWindowTextEdit() override { EndTextEdit(); }
  // Writes the value text into the open edit control.
  void ShowValueTextInEdit();
  // Closes the open edit control without applying its text.
  void DropTextEdit();

  // Undo of value changes: a press begins, its release commits.
  void BeginValueChange();
  void CommitValueChange();
  bool HasPendingChange() const { return pending_ != nullptr; }
  static void SetUndoSink(TInputUndoSink* sink);

  // Replay: a recorded frame shows its value unless the user is dragging the control or changed
  // it since the last frame.
  void ShowRecordedValue(double recorded);
  // Every frame records the value the input gave the solver for it (one element, its own
  // formula "Input[n]"), so that a frame shown, the start among them, shows the value it ran with.
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;
  bool IsTracking() const { return tracking_; }
  bool ChangedByUser() const { return changedByUser_; }

  // Cell links.
  void GetLinkItemName(int16_t n, const Str255& documentName) override;
  bool HasLinkedColumns() const override { return IsLinked(); }
  // A linked input reads its cell: a number taken as sent, else its text parsed; a failed read
  // raises its error.
  void WriteLinkedValue() override;
  int32_t GetLinkRow() const { return linkRow_; }
  int32_t GetLinkColumn() const { return linkColumn_; }

  // The solver's view of the input.
  int16_t InputKind() const override { return static_cast<int16_t>(kind_); }
  double InputValue() const override { return value_; }

  // The table kind: the table the value is read from. Anything but a data table is ignored;
  // the table held before is let go.
  void SetDataTable(TLink* table);
  TLink* GetDataTable() const;
  bool HasTable() const override { return Table() != nullptr; }
  // The table's value at the time, by the row after the frame when it has no key column.
  void TakeTableValue(double time, int32_t frame) override;
  int16_t GetDataColumn() const { return dataColumn_; }
  int16_t GetTimeColumn() const { return timeColumn_; }

  // Layout, hit tests, tracking and drawing of the slider, button and text kinds.
  void ConstrainSize(MacPoint& size) override;
  void AdjustSize() override;
  void LayoutForSize() override;
  MacRect GetContentFrame() const override;
  int16_t GetValueTextWidth();
  void ComputeThumbOffset();
  int16_t GetThumbOffset() const { return thumbOffset_; }
  int16_t GetThumbLength() const { return thumbLength_; }
  int16_t GetTrackLength() const { return trackLength_; }
  int16_t GetTrackThickness() const { return trackThickness_; }
  MacRect GetTrackRect() const;
  // The thumb where it is drawn: moved along the track by the offset.
  MacRect GetThumbRect();
  MacRect GetValueTextRect() const;
  // A shown slider's track or button's face is a control area (first region); a value shown as
  // text is a label area (second region), where a press types a value.
  bool RegionMode() const override { return true; }
  void BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code) override;
  // The value a slider press at the point gives.
  double SliderValueAt(MacPoint point) const;
  bool TrackClick(int16_t phase, MacPoint point, bool inside) override;
  bool TrackingDone() override;
  bool HitsControl(MacPoint point) override;
  MacRect GetInvalidFrame() const override;
  void DrawContents(const MacRect& area) override;
  void SetName(const Str255& name) override;

  // Properties.
  bool HasProperty(uint32_t tag) override;
  // "DTGo": its world loads a data table for it (the world's action of the tag).
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;
  // The kind tags "  Tx", "  Sl", "  Bt", "  DT": whether the input is of that kind.
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;
  void ObjectRemoved(TLink* object) override;

 private:
  // The held table while it is still linked with the input.
  TInputTable* Table() const;
  void ReadInputBlock(TObjectReader& reader);
  void Layout();
  void DrawSlider();
  void DrawButton();
  void DrawValueText();
  // The value a button shows for its state.
  double ButtonValue(double requested) const;

  double value_ = 1.0;
  bool changedByUser_ = false;
  bool tracking_ = false;
  TInputKind kind_ = TInputKind::kSlider;
  double minimum_ = 0.0;
  double maximum_ = 1.0;
  double span_ = 1.0;
  RGB16Color colour_{65535, 65535, 65535};
  uint8_t snaps_ = 0;
  bool showText_ = false;
  bool logarithmic_ = false;
  int32_t horizontal_ = 0;
  uint8_t auxByte_ = 0;
  bool momentary_ = true;
  bool pressed_ = false;
  int16_t textWidth_ = 80;
  MacRect valueTextRect_;
  Str255 valueText_;
  bool valueTextValid_ = false;
  double logMinimum_ = 0.0;
  MacRect trackRect_;
  int16_t trackThickness_ = 12;
  int16_t trackLength_ = 120;
  bool thumbOffsetValid_ = false;
  int16_t thumbLength_ = 18;
  MacRect thumbRect_;
  int16_t thumbOffset_ = 0;
  MacPoint buttonSize_{80, 20};
  int32_t linkRow_ = 1;
  int32_t linkColumn_ = 1;
  int16_t dataColumn_ = 2;
  int16_t timeColumn_ = 1;
  TLink* table_ = nullptr;
  std::unique_ptr<double> pending_;
  TInputEdit* edit_ = nullptr;  // owned by its window
};

void RegisterInputClass();
