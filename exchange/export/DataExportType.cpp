#include "exchange/export/DataExportType.h"

#include "core/ClassRegistry.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagIncludeHeader = MakeTag("emIH");
constexpr uint32_t kTagIncludeXAxis = MakeTag("emIX");
constexpr int16_t kCmdDataExportSecond = 1750;

TObject* NewDataExportType() {
  return new TDataExportType;
}

}  // namespace

void RegisterDataExportTypeClass() {
  RegisterClassInfo("TDataExportType", TDataExportType::kTag, TDataExportType::kClassID,
                    NewDataExportType, sizeof(TDataExportType));
}

TDataExportType::TDataExportType() {
  SetIdentity(kCmdExportMeterData, kTagDataExporter, MakeTag("TEXT"), kBlankExportTag);
}

bool TDataExportType::ServesCommand(int16_t command) const {
  return command == kCmdDataExportSecond || TExportType::ServesCommand(command);
}

bool TDataExportType::OwnsBlock(int16_t code) const {
  return code == kBlockDataExportType || TExportType::OwnsBlock(code);
}

bool TDataExportType::ReadBlock(int16_t code, TObjectReader& reader) {
  if (code != kBlockDataExportType) return TExportType::ReadBlock(code, reader);
  ReadBaseFields(reader);
  includeHeader_ = reader.ReadBoolean();
  includeXAxis_ = reader.ReadBoolean();
  copierClassTag_ = reader.ReadTag();
  return true;
}

void TDataExportType::WriteBlock(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDataExportType) return TExportType::WriteBlock(code, writer);
  WriteBaseFields(writer);
  writer.WriteBoolean(includeHeader_ ? 1 : 0);
  writer.WriteBoolean(includeXAxis_ ? 1 : 0);
  writer.WriteTag(copierClassTag_);
}

void TDataExportType::WriteBlocks(TObjectWriter& writer) {
  if (GetHandler()) writer.WriteBlock(*GetHandler(), kBlockDataExportType);
  TExportType::WriteBlocks(writer);
}

bool TDataExportType::GetFlagProperty(uint32_t tag, uint16_t& value) {
  if (tag == kTagIncludeHeader) {
    value = includeHeader_ ? 1 : 0;
    return true;
  }
  if (tag == kTagIncludeXAxis) {
    value = includeXAxis_ ? 1 : 0;
    return true;
  }
  return TExportType::GetFlagProperty(tag, value);
}

bool TDataExportType::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagIncludeHeader) {
    includeHeader_ = value != 0;
    return true;
  }
  if (tag == kTagIncludeXAxis) {
    includeXAxis_ = value != 0;
    return true;
  }
  return TExportType::SetFlagProperty(tag, value);
}
