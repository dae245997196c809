// How a meter is written to documents and read back.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/Failure.h"
#include "inout/meters/Output.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// The bits of the meter block's flags word.
constexpr int16_t kFlagWrap = 1;
constexpr int16_t kFlagAxes = 2;
constexpr int16_t kFlagConnect = 4;
constexpr int16_t kFlagGrid = 8;
constexpr int16_t kFlagGridNumbers = 16;
// A stored kind of 2 is a bar meter growing to the right.
constexpr int32_t kStoredSidewaysBar = 2;
constexpr int16_t kErrBadDocument = -25002;

// Labels of the oldest documents hold characters of their own code page.
void RecodeOldLabel(Str255& label) {
  std::string text(label.Chars(), static_cast<size_t>(label.Length()));
  for (char& c : text) {
    if (static_cast<uint8_t>(c) == 0xBF) c = static_cast<char>(0xD8);
    if (static_cast<uint8_t>(c) == 0xC6) c = 'd';
  }
  label.Assign(text.c_str());
}

}  // namespace

uint16_t TOutput::CanReadBlock(int16_t code) {
  switch (code) {
    // The meter block opens every meter's record and makes a new meter of it: taken by a meter
    // already there, a pasted or duplicated meter would only overwrite that one.
    case kBlockMeter:
      return 0;
    case kBlockMeterColumns:
    case kBlockMeterLink:
    case kBlockMeterColumnRecords:
      return 1;
    default:
      return TInOutput::CanReadBlock(code);
  }
}

void TOutput::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockMeter);
  writer.WriteBlock(*this, kBlockMeterColumns);
  writer.WriteBlock(*this, kBlockMeterLink);
  writer.WriteBlock(*this, kBlockMeterColumnRecords);
  TInOutput::WriteFields(writer);
}

void TOutput::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kOutputTag);
}

void TOutput::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  switch (code) {
    case kBlockMeter:
      WriteMeterBlock(writer);
      return;
    case kBlockMeterColumns:
      WriteColumnsBlock(writer);
      return;
    case kBlockMeterLink:
      writer.WriteCode(linkOption_ ? 1 : 0);
      writer.WriteCode(linkValues_ ? 1 : 0);
      writer.WriteCode(transposeLink_ ? 1 : 0);
      writer.WriteLong(firstLinkRow_);
      writer.WriteLong(firstLinkColumn_);
      return;
    case kBlockMeterColumnRecords:
      for (const TColumnRecord& record : records_) {
        writer.WriteString(record.name);
        writer.WriteCode(record.index);
        writer.WriteCode(record.linked ? 1 : 0);
      }
      return;
    default:
      TInOutput::WriteBlockContents(code, writer);
  }
}

void TOutput::WriteMeterBlock(TObjectWriter& writer) {
  writer.WriteCode(static_cast<int32_t>(kind_));
  writer.WriteCode(showLabels_ ? 1 : 0);
  writer.WriteCode(showUnits_ ? 1 : 0);
  writer.WriteCode(framed_ ? 1 : 0);
  const int16_t flags = static_cast<int16_t>(
      (wrapXAxis_ ? kFlagWrap : 0) | (showAxes_ ? kFlagAxes : 0) |
      (connectPoints_ ? kFlagConnect : 0) | (showGrid_ ? kFlagGrid : 0) |
      (gridNumbers_ ? kFlagGridNumbers : 0));
  writer.WriteCode(flags);
  writer.WriteCode(rotation_);
  writer.WriteCode(barOrientation_ == 1 ? 1 : 0);
  writer.WriteCode(barThickness_);
  writer.WriteCode(barLength_);
  writer.WriteCode(digitalLineWidth_);
  writer.WriteIntPoint(GetGraphSize());
}

void TOutput::WriteColumnsBlock(TObjectWriter& writer) {
  const int32_t count = GetColumnCount();
  writer.WriteCode(count);
  // Columns go in their stored order, whatever the rotation: column r + 1 is stored column 1.
  for (int32_t k = 0; k < count; ++k) {
    const TNumberText& column = *columns_[static_cast<size_t>(RecordedIndex(k))];
    writer.WriteString(column.GetLabel());
    writer.WriteDouble(column.GetCurrentValue());
    writer.WriteDouble(column.GetMinimum());
    writer.WriteDouble(column.GetMaximum());
    writer.WriteColor(column.GetColor());
    writer.WriteCode(column.IsShown() ? 1 : 0);
    writer.WriteCode(column.GetDashFlag() ? 1 : 0);
    writer.WriteCode(column.IsAutoScale() ? 1 : 0);
    writer.WriteLong(column.GetUnitKind());
  }
}

uint16_t TOutput::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockMeter:
      ReadMeterBlock(reader);
      return 1;
    case kBlockMeterColumns:
      ReadColumnsBlock(reader);
      return 1;
    case kBlockMeterLink:
      ReadLinkBlock(reader);
      return 1;
    case kBlockMeterColumnRecords:
      for (TColumnRecord& record : records_) {
        reader.ReadString(record.name);
        record.index = static_cast<int16_t>(reader.ReadInt());
        record.linked = reader.ReadBoolean();
      }
      recordsRead_ = true;
      return 1;
    default:
      return TInOutput::ReadBlockContents(code, reader);
  }
}

void TOutput::ReadMeterBlock(TObjectReader& reader) {
  int32_t kind = reader.ReadInt();
  showLabels_ = reader.ReadBoolean();
  showUnits_ = reader.ReadBoolean();
  framed_ = reader.ReadBoolean();
  const int32_t flags = reader.ReadInt();
  wrapXAxis_ = (flags & kFlagWrap) != 0;
  showAxes_ = (flags & kFlagAxes) != 0;
  connectPoints_ = (flags & kFlagConnect) != 0;
  showGrid_ = (flags & kFlagGrid) != 0;
  gridNumbers_ = (flags & kFlagGridNumbers) != 0;
  const int32_t rotation = reader.ReadInt();
  barOrientation_ = reader.ReadBoolean() ? 1 : 0;
  barThickness_ = std::max<int16_t>(static_cast<int16_t>(reader.ReadInt()), 7);
  barLength_ = static_cast<int16_t>(reader.ReadInt());
  digitalLineWidth_ = static_cast<int16_t>(reader.ReadInt());
  MacPoint graphSize;
  reader.ReadIntPoint(graphSize);
  savedGraphSize_ = graphSize;
  if (kind == kStoredSidewaysBar) {
    kind = static_cast<int32_t>(MeterKind::kBar);
    barOrientation_ = 1;
  }
  // A kind this program does not know is shown as a readout rather than refused.
  MeterKind applied = MeterKind::kDigital;
  if (kind == static_cast<int32_t>(MeterKind::kBar)) applied = MeterKind::kBar;
  if (kind == static_cast<int32_t>(MeterKind::kGraph)) applied = MeterKind::kGraph;
  kind_ = MeterKind::kDigital;
  SetMeterKind(applied);
  // The rotation tells which stored column comes first; it is checked against the columns once
  // they are read.
  rotation_ = static_cast<int16_t>(std::max<int32_t>(rotation, 0));
}

void TOutput::ReadColumnsBlock(TObjectReader& reader) {
  const int32_t count = reader.ReadInt();
  // A count below 1 or above what a meter holds is damage: no sixth column, no column 0.
  if (count < 1 || count > kMaxFiledColumns) ThrowFailure(kErrBadDocument, 0);
  const int16_t rotation = rotation_;
  rotation_ = 0;
  SetColumnCount(count);
  // Stored column 1 stands at r + 1 of the shown order.
  rotation_ = static_cast<int16_t>(rotation % count);
  for (int32_t k = 0; k < count; ++k) {
    TNumberText& column = *columns_[static_cast<size_t>(RecordedIndex(k))];
    Str255 label;
    reader.ReadString(label);
    RecodeOldLabel(label);
    column.SetLabel(label);
    reader.ReadReal();  // the value shown when the document was saved
    const double minimum = reader.ReadReal();
    const double maximum = reader.ReadReal();
    column.SetRange(minimum, maximum);
    RGB16Color colour;
    reader.ReadColor(colour);
    column.SetColor(colour);
    column.SetShown(reader.ReadBoolean());
    column.SetDashFlag(reader.ReadBoolean());
    column.SetAutoScale(reader.ReadBoolean());
    column.SetUnitKind(reader.ReadLong());
  }
  for (auto& column : columns_) column->SetWrap(false);
  ApplyWrapToFirst();
  AdjustSize();
}

void TOutput::ReadLinkBlock(TObjectReader& reader) {
  linkOption_ = reader.ReadBoolean();
  linkValues_ = reader.ReadBoolean();
  transposeLink_ = reader.ReadBoolean();
  firstLinkRow_ = reader.ReadLong();
  firstLinkColumn_ = reader.ReadLong();
  if (firstLinkRow_ == 0) firstLinkRow_ = 1;
  if (firstLinkColumn_ == 0) firstLinkColumn_ = 1;
  if (!reader.IsUnversioned()) return;
  // The oldest documents kept no names: each column is linked under its cell.
  for (int i = 2; i <= kColumnRecordCount; ++i) {
    TColumnRecord& record = records_[static_cast<size_t>(i - 1)];
    if (record.name.Length() == 0) {
      int32_t row = firstLinkRow_ + i - 2;
      int32_t column = firstLinkColumn_;
      if (transposeLink_) std::swap(row, column);
      char text[32];
      std::snprintf(text, sizeof text, "R%dC%d", static_cast<int>(row), static_cast<int>(column));
      record.name.Assign(text);
    }
    record.linked = true;
  }
}
