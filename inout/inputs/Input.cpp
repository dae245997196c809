// The input's value, range, kinds, undo records, replay, cell names, properties and blocks.
#include "inout/inputs/Input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/geometry/NumberFormat.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/inputs/InputTable.h"
#include "inout/inputs/InputValueCommand.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

constexpr uint32_t kTagTextBox = MakeTag("  Tx");
constexpr uint32_t kTagSlider = MakeTag("  Sl");
constexpr uint32_t kTagButton = MakeTag("  Bt");
constexpr uint32_t kTagTable = MakeTag("  DT");
constexpr uint32_t kTagMinimum = MakeTag("  Mi");
constexpr uint32_t kTagMaximum = MakeTag("  Ma");
constexpr uint32_t kTagValue = MakeTag("ipVl");
constexpr uint32_t kTagSnaps = MakeTag("  #d");
constexpr uint32_t kTagCellColumn = MakeTag("iter");
constexpr uint32_t kTagCellRow = MakeTag("itec");
constexpr uint32_t kTagTimeColumn = MakeTag("DTTC");
constexpr uint32_t kTagDataColumn = MakeTag("DTCo");
constexpr uint32_t kTagLogarithmic = MakeTag("    ");
constexpr uint32_t kTagMomentary = MakeTag("  m ");
constexpr uint32_t kTagShowText = MakeTag("  S ");
constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr uint32_t kTagColour = MakeTag("colr");

TInputUndoSink* gUndoSink = nullptr;

TObject* CreateTInput() {
  return new TInput();
}

uint32_t TagOfKind(TInputKind kind) {
  switch (kind) {
    case TInputKind::kTextBox:
      return kTagTextBox;
    case TInputKind::kSlider:
      return kTagSlider;
    case TInputKind::kButton:
      return kTagButton;
    case TInputKind::kTable:
      return kTagTable;
    default:
      return 0;
  }
}

bool KindOfTag(uint32_t tag, TInputKind& kind) {
  for (TInputKind k : {TInputKind::kTextBox, TInputKind::kSlider, TInputKind::kButton,
                       TInputKind::kTable}) {
    if (TagOfKind(k) != tag) continue;
    kind = k;
    return true;
  }
  return false;
}

}  // namespace

TInput::~TInput() {
  // The table stays with the world: an input goes with its world or through its removal, and
  // letting go of a table then would remove objects from a world being taken apart.
  DropTextEdit();
}

void TInput::SetUndoSink(TInputUndoSink* sink) {
  gUndoSink = sink;
}

void TInput::Initialize() {
  value_ = 1.0;
  changedByUser_ = false;
  tracking_ = false;
  kind_ = TInputKind::kSlider;
  minimum_ = 0.0;
  maximum_ = 1.0;
  span_ = 1.0;
  logMinimum_ = 0.0;
  colour_ = RGB16Color{65535, 65535, 65535};
  snaps_ = 0;
  showText_ = false;
  logarithmic_ = false;
  horizontal_ = 0;
  auxByte_ = 0;
  momentary_ = true;
  pressed_ = false;
  textWidth_ = 80;
  valueTextRect_ = MacRect();
  valueText_ = Str255();
  valueTextValid_ = false;
  trackRect_ = MacRect();
  trackThickness_ = 12;
  trackLength_ = 120;
  thumbOffsetValid_ = false;
  thumbRect_ = MacRect();
  thumbOffset_ = 0;
  buttonSize_ = MacPoint(80, 20);
  linkRow_ = 1;
  linkColumn_ = 1;
  dataColumn_ = 2;
  timeColumn_ = 1;
  pending_.reset();
  TInOutput::Initialize();
  Str255 kindName("Input");
  SetDescription(kindName);
}

bool TInput::ShowsValueText() const {
  return kind_ == TInputKind::kTextBox || kind_ == TInputKind::kTable ||
         kind_ == TInputKind::kTextLike || (kind_ == TInputKind::kSlider && showText_);
}

void TInput::SetKind(TInputKind kind) {
  if (kind == kind_) return;
  // The field being typed into belongs to the old kind's layout: the typing ends first, its
  // number taken, rather than leaving an edit control over a kind that has no such field.
  EndTextEdit();
  Invalidate();
  // Only the table kind holds a table.
  if (kind_ == TInputKind::kTable && kind != TInputKind::kReading) SetDataTable(nullptr);
  kind_ = kind;
  if (kind_ == TInputKind::kButton && momentary_) SetValue(minimum_, true, true);
  AdjustSize();
  Invalidate();
  Changed();
}

void TInput::SetShowText(bool on) {
  if (showText_ == on) return;
  showText_ = on;
  if (kind_ != TInputKind::kSlider) return;
  InvalidateArea(GetValueTextRect());
  AdjustSize();
  Changed();
}

void TInput::SetLogScale(bool on) {
  if (logarithmic_ == on) return;
  logarithmic_ = on;
  thumbOffsetValid_ = false;
  // A logarithmic scale needs a positive minimum: one at or below zero becomes 1.0, a positive
  // one is kept.
  if (on && minimum_ <= 0.0) {
    SetMinMax(1.0, maximum_);
  } else {
    SetMinMax(minimum_, maximum_);
  }
  ForEachLinked(0);
}

void TInput::SetMomentary(bool on) {
  if (momentary_ == on) return;
  momentary_ = on;
  pressed_ = false;
  Invalidate();
  SetValue(minimum_, true, false);
}

void TInput::SetSnaps(uint8_t n) {
  if (snaps_ == n) return;
  snaps_ = n;
  ForEachLinked(0);
}

double TInput::ButtonValue(double requested) const {
  if (momentary_) return pressed_ ? maximum_ : minimum_;
  return std::clamp(requested, minimum_, maximum_);
}

void TInput::SetValue(double value, bool notify, bool commit) {
  double adjusted = value;
  const bool free = kind_ == TInputKind::kTable || IsLinked();
  if (!free && (kind_ == TInputKind::kTextBox || kind_ == TInputKind::kSlider)) {
    adjusted = std::min(maximum_, std::max(minimum_, value));
  } else if (!free && kind_ == TInputKind::kButton) {
    // A script or cell that sets a button stores a value the button can show: inside its range.
    adjusted = std::clamp(value, minimum_, maximum_);
  }
  if (adjusted != value_) {
    value_ = adjusted;
    thumbOffsetValid_ = false;
    valueTextValid_ = false;
    InvalidateArea(GetContentFrame());
    ShowValueTextInEdit();
    if (notify) ForEachLinked(1);
  }
  if (commit) CommitValueChange();
}

void TInput::SetMinMax(double a, double b) {
  minimum_ = std::min(a, b);
  maximum_ = std::max(a, b);
  thumbOffsetValid_ = false;
  if (logarithmic_ && minimum_ > 0.0) {
    logMinimum_ = std::log(minimum_);
    span_ = std::log(maximum_) - logMinimum_;
  } else {
    span_ = maximum_ - minimum_;
  }
}

const Str255& TInput::FormatValueText() {
  if (valueTextValid_) return valueText_;
  valueTextValid_ = true;
  FormatNumber(valueText_, 2, value_);
  return valueText_;
}

bool TInput::TakeValueText(const Str255& text) {
  const std::string body(text.Chars(), static_cast<size_t>(text.Length()));
  char* end = nullptr;
  const double parsed = StrtodC(body.c_str(), &end);
  if (end == body.c_str() || !std::isfinite(parsed)) {
    valueTextValid_ = false;
    return false;
  }
  SetValue(parsed, true, false);
  valueTextValid_ = false;
  return true;
}

void TInput::BeginValueChange() {
  pending_.reset();
  if (gUndoSink == nullptr || gUndoSink->IsInputUndoOff(*this)) return;
  pending_ = std::make_unique<double>(value_);
}

void TInput::CommitValueChange() {
  if (!pending_) return;
  const double old = *pending_;
  pending_.reset();
  if (std::fabs(old - value_) < kUndoThreshold || gUndoSink == nullptr) return;
  // A change begun at the start and finished once a run was under way went to the run.
  if (gUndoSink->IsInputUndoOff(*this)) return;
  gUndoSink->ValueChanged(*this, old, false);
}

void TInput::ShowRecordedValue(double recorded) {
  if (tracking_) return;
  if (changedByUser_) {
    changedByUser_ = false;
    return;
  }
  SetValue(recorded, false, false);
}

int32_t TInput::CountElements() { return 1 + TInOutput::CountElements(); }

void TInput::WriteElements(TObjectWriter& writer) {
  writer.WriteFormulaText(InputFormulaName(*this));
  TInOutput::WriteElements(writer);
}

void TInput::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  if (frame < 0 || frame < first || frame > last) return;
  TWorldDoc* world = WorldOf(*this);
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr) return;
  const int32_t offset = world->RecordedValueOffset(this);
  // Frames recorded before the input was there hold no value of it.
  if (offset < 0 || world->RecordLayout().RecordedCount(this) < 1) return;
  ShowRecordedValue(store->Value(frame, offset));
}

void TInput::GetLinkItemName(int16_t n, const Str255& documentName) {
  if (documentName.IsEmpty() || !Target().name.IsEmpty()) return;
  char text[64];
  if (NamesMatlab(documentName)) {
    std::snprintf(text, sizeof text, "u%d%d", n, 1);
  } else {
    std::snprintf(text, sizeof text, "R%dC%d", static_cast<int>(linkRow_ + n - 1),
                  static_cast<int>(linkColumn_));
  }
  Target().name.Assign(text);
}

void TInput::WriteLinkedValue() {
  auto* link = dynamic_cast<TCellLink*>(GetLinkItem());
  if (!IsLinked() || link == nullptr) return;
  bool got = false;
  double value = 0.0;
  Str255 text;
  const int16_t error = link->ReadCell(Target().name, got, value, text);
  if (error != 0) ThrowFailure(error, 0);
  if (got) {
    SetValue(value, true, false);
  } else {
    TakeValueText(text);
  }
}

// Properties ---------------------------------------------------------------------------------

uint16_t TInput::HasAction(uint32_t tag) {
  return tag == MakeTag("DTGo") ? 1 : TInOutput::HasAction(tag);
}

void TInput::DoAction(uint32_t tag) {
  if (tag != MakeTag("DTGo")) {
    TInOutput::DoAction(tag);
    return;
  }
  for (TLink* object : Linked()) {
    if (auto* world = dynamic_cast<TWorldDoc*>(object)) {
      world->DoAction(tag);
      return;
    }
  }
}

bool TInput::HasProperty(uint32_t tag) {
  switch (tag) {
    case kTagMinimum:
    case kTagMaximum:
    case kTagValue:
    case kTagSnaps:
    case kTagLogarithmic:
    case kTagMomentary:
    case kTagShowText:
    case kTagColour:
      return true;
    default:
      return TInOutput::HasProperty(tag);
  }
}

uint16_t TInput::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  TInputKind kind;
  if (!KindOfTag(tag, kind)) return TInOutput::GetChoiceProperty(tag, value, extra);
  value = kind == kind_ ? 1 : 0;
  return 1;
}

void TInput::SelectChoice(uint32_t tag) {
  TInputKind kind;
  if (!KindOfTag(tag, kind)) {
    TInOutput::SelectChoice(tag);
    return;
  }
  SetKind(kind);
}

uint16_t TInput::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  switch (tag) {
    case kTagLogarithmic:
      value = logarithmic_ ? 1 : 0;
      return 1;
    case kTagMomentary:
      value = momentary_ ? 1 : 0;
      return 1;
    case kTagShowText:
      value = showText_ ? 1 : 0;
      return 1;
    case kTagShowName:
      if (kind_ != TInputKind::kButton) break;
      value = 1;
      if (extra != nullptr) *static_cast<uint16_t*>(extra) = 0;
      return 1;
    default:
      break;
  }
  return TInOutput::GetFlagProperty(tag, value, extra);
}

void TInput::SetFlagProperty(uint32_t tag, uint16_t value) {
  switch (tag) {
    case kTagLogarithmic:
      SetLogScale(value != 0);
      return;
    case kTagMomentary:
      SetMomentary(value != 0);
      return;
    case kTagShowText:
      SetShowText(value != 0);
      return;
    default:
      TInOutput::SetFlagProperty(tag, value);
  }
}

uint16_t TInput::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  switch (tag) {
    case kTagMinimum:
      value = minimum_;
      if (logarithmic_ && extra != nullptr) *static_cast<double*>(extra) = 0.0;
      return 1;
    case kTagMaximum:
      value = maximum_;
      return 1;
    case kTagValue:
      value = value_;
      return 1;
    default:
      return TInOutput::GetNumberProperty(tag, value, extra);
  }
}

void TInput::SetNumberProperty(uint32_t tag, const double& value) {
  switch (tag) {
    case kTagMinimum:
      SetMinMax(value, maximum_);
      Changed();
      return;
    case kTagMaximum:
      SetMinMax(minimum_, value);
      Changed();
      return;
    case kTagValue: {
      BeginValueChange();
      SetValue(value, false, false);
      if (!pending_) return;
      const double old = *pending_;
      pending_.reset();
      if (std::fabs(old - value_) >= kUndoThreshold && gUndoSink != nullptr)
        gUndoSink->ValueChanged(*this, old, true);
      return;
    }
    default:
      TInOutput::SetNumberProperty(tag, value);
  }
}

uint16_t TInput::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  switch (tag) {
    case kTagSnaps:
      value = snaps_;
      return 1;
    case kTagCellColumn:
      if (IsLinked() && GetLinkItem() != nullptr) value = static_cast<uint16_t>(linkColumn_);
      return 1;
    case kTagCellRow:
      if (IsLinked() && GetLinkItem() != nullptr) value = static_cast<uint16_t>(linkRow_);
      return 1;
    case kTagTimeColumn:
      value = static_cast<uint16_t>(timeColumn_);
      return 1;
    case kTagDataColumn:
      value = static_cast<uint16_t>(dataColumn_);
      return 1;
    default:
      return TInOutput::GetShortProperty(tag, value, extra);
  }
}

void TInput::SetShortProperty(uint32_t tag, uint16_t value) {
  switch (tag) {
    case kTagSnaps:
      SetSnaps(static_cast<uint8_t>(std::min<uint16_t>(value, 255)));
      return;
    case kTagCellColumn:
      linkColumn_ = std::max<int32_t>(1, static_cast<int16_t>(value));
      InvalidateLabel();
      ForEachLinked(1);
      return;
    case kTagCellRow:
      linkRow_ = std::max<int32_t>(1, static_cast<int16_t>(value));
      InvalidateLabel();
      ForEachLinked(1);
      return;
    case kTagTimeColumn: {
      // With a table the columns stay inside it; 0 takes the values by row.
      TInputTable* table = Table();
      int16_t column = static_cast<int16_t>(value);
      if (table != nullptr)
        column = std::clamp<int16_t>(column, 0, std::max<int16_t>(table->TableColumnCount(), 0));
      if (timeColumn_ == column) return;
      timeColumn_ = column;
      if (table != nullptr) table->SetKeyColumn(column);
      ForEachLinked(1);
      return;
    }
    case kTagDataColumn: {
      TInputTable* table = Table();
      int16_t column = static_cast<int16_t>(value);
      if (table != nullptr)
        column = std::clamp<int16_t>(column, 1, std::max<int16_t>(table->TableColumnCount(), 1));
      if (dataColumn_ == column) return;
      dataColumn_ = column;
      ForEachLinked(1);
      return;
    }
    default:
      TInOutput::SetShortProperty(tag, value);
  }
}

uint16_t TInput::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  if (tag != kTagColour) return TInOutput::GetColourProperty(tag, value, extra);
  value = colour_;
  return 1;
}

void TInput::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  if (tag != kTagColour) {
    TInOutput::SetColourProperty(tag, value);
    return;
  }
  colour_ = value;
  Invalidate();
}

// Filing -------------------------------------------------------------------------------------

uint16_t TInput::CanReadBlock(int16_t code) {
  switch (code) {
    // The input block opens every input's record and makes a new input of it: taken by an input
    // already there, a pasted or duplicated slider would only overwrite that one.
    case kBlockInput:
      return 0;
    case kBlockInputCell:
    case kBlockInputTarget:
    case kBlockInputOldTarget:
    case kBlockInputTable:
      return 1;
    default:
      return TInOutput::CanReadBlock(code);
  }
}

void TInput::ReadInputBlock(TObjectReader& reader) {
  const int32_t storedKind = reader.ReadInt();
  const double value = reader.ReadReal();
  const double minimum = reader.ReadReal();
  const double maximum = reader.ReadReal();
  value_ = value;
  snaps_ = static_cast<uint8_t>(reader.ReadInt());
  momentary_ = reader.ReadInt() != 0;
  showText_ = reader.ReadInt() != 0;
  logarithmic_ = reader.ReadInt() != 0;
  // The range is set once the scale is known, so that the span follows the stored scale.
  SetMinMax(minimum, maximum);
  auxByte_ = static_cast<uint8_t>(reader.ReadInt());
  reader.ReadColor(colour_);
  trackThickness_ = static_cast<int16_t>(reader.ReadInt());
  trackLength_ = static_cast<int16_t>(reader.ReadInt());
  textWidth_ = static_cast<int16_t>(reader.ReadInt());
  reader.ReadIntPoint(buttonSize_);
  horizontal_ = reader.ReadInt() != 0 ? 1 : 0;
  valueTextValid_ = false;
  FormatValueText();
  reader.FailIfBadFormat(storedKind < 0 || storedKind > 5);
  kind_ = TInputKind::kReading;
  SetKind(static_cast<TInputKind>(storedKind));
}

uint16_t TInput::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockInput:
      ReadInputBlock(reader);
      return 1;
    case kBlockInputCell: {
      const int32_t row = reader.ReadLong();
      const int32_t column = reader.ReadLong();
      linkRow_ = row == 0 ? 1 : row;
      linkColumn_ = column == 0 ? 1 : column;
      if (reader.IsUnversioned()) {
        SetLinked(true);
        char text[64];
        std::snprintf(text, sizeof text, "R%dC%d", static_cast<int>(linkColumn_),
                      static_cast<int>(linkRow_));
        Target().name.Assign(text);
      }
      return 1;
    }
    case kBlockInputTarget:
      reader.ReadString(Target().name);
      SetLinked(reader.ReadInt() != 0);
      spareFlag2_ = 1;
      return 1;
    case kBlockInputOldTarget:
      reader.ReadString(Target().name);
      return 1;
    case kBlockInputTable:
      dataColumn_ = static_cast<int16_t>(reader.ReadInt());
      timeColumn_ = static_cast<int16_t>(reader.ReadInt());
      reader.ReadReference(*this, 0);
      return 1;
    default:
      return TInOutput::ReadBlockContents(code, reader);
  }
}

void TInput::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  switch (code) {
    case kBlockInput:
      writer.WriteCode(static_cast<int32_t>(kind_));
      writer.WriteDouble(value_);
      writer.WriteDouble(minimum_);
      writer.WriteDouble(maximum_);
      writer.WriteCode(snaps_);
      writer.WriteCode(momentary_ ? 1 : 0);
      writer.WriteCode(showText_ ? 1 : 0);
      writer.WriteCode(logarithmic_ ? 1 : 0);
      writer.WriteCode(static_cast<int8_t>(auxByte_));
      writer.WriteColor(colour_);
      writer.WriteCode(trackThickness_);
      writer.WriteCode(trackLength_);
      writer.WriteCode(textWidth_);
      writer.WriteIntPoint(buttonSize_);
      writer.WriteCode(horizontal_ != 0 ? 1 : 0);
      return;
    case kBlockInputCell:
      writer.WriteLong(linkRow_);
      writer.WriteLong(linkColumn_);
      return;
    case kBlockInputTarget:
      writer.WriteString(Target().name);
      writer.WriteCode(Target().linked);
      return;
    case kBlockInputTable:
      writer.WriteCode(dataColumn_);
      writer.WriteCode(timeColumn_);
      writer.WriteCode(GetDataTable() != nullptr ? GetDataTable()->GetIdentifier() : 0);
      return;
    default:
      TInOutput::WriteBlockContents(code, writer);
  }
}

void TInput::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                              TLink* object) {
  if (code != kBlockInputTable) {
    TInOutput::ResolveReference(reader, code, kind, object);
    return;
  }
  SetDataTable(object);
}

void TInput::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockInput);
  writer.WriteBlock(*this, kBlockInputCell);
  writer.WriteBlock(*this, kBlockInputTarget);
  if (GetDataTable() != nullptr) writer.WriteBlock(*this, kBlockInputTable);
  TInOutput::WriteFields(writer);
}

void TInput::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == table_) table_ = nullptr;
  TInOutput::ObjectRemoved(object);
}

// The table kind ---------------------------------------------------------------------------

TInputTable* TInput::Table() const {
  // A table deleted without notice has left the input's links.
  if (table_ == nullptr || GetIdentityIndex(table_) == -1) return nullptr;
  return dynamic_cast<TInputTable*>(table_);
}

TLink* TInput::GetDataTable() const {
  return Table() != nullptr ? table_ : nullptr;
}

void TInput::SetDataTable(TLink* table) {
  if (table != nullptr && dynamic_cast<TInputTable*>(table) == nullptr) return;
  if (table == GetDataTable()) return;
  TInputTable* const old = Table();
  TLink* const oldLink = table_;
  table_ = table;
  if (table_ != nullptr) {
    AddDependent(table_);
    Table()->AttachUser();
    Table()->SetKeyColumn(timeColumn_);
  }
  if (old != nullptr) {
    // Letting go may delete the table: it is unlinked first.
    RemoveDependent(oldLink);
    old->DetachUser();
  }
  Invalidate();
  ForEachLinked(1);
}

void TInput::TakeTableValue(double time, int32_t frame) {
  TInputTable* const table = Table();
  if (kind_ != TInputKind::kTable || table == nullptr) return;
  table->SetKeyColumn(timeColumn_);
  SetValue(table->Lookup(time, frame + 1, dataColumn_), true, false);
}

void TInput::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kInputTag);
}

void RegisterInputClass() {
  RegisterClassInfo("TInput", kInputTag, TInput::kClassID, CreateTInput, sizeof(TInput));
  TInput::SetUndoSink(&TWorldInputUndo::Instance());
}
