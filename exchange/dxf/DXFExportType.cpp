#include "exchange/dxf/DXFExportType.h"

#include <cstdint>

#include "core/ClassRegistry.h"
#include "exchange/export/ExportHandler.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

TObject* NewDXFExportType() {
  return new TDXFExportType;
}

}  // namespace

void RegisterDXFExportTypeClass() {
  RegisterClassInfo("TDXFExportType", TDXFExportType::kTag, TDXFExportType::kClassID,
                    NewDXFExportType, sizeof(TDXFExportType));
}

TDXFExportType::TDXFExportType() : secondCommand_(kCmdExportDxfFrames) {
  SetIdentity(kCmdExportDxfFrame, kTagDxfExporter, MakeTag("TEXT"), kBlankExportTag);
}

bool TDXFExportType::ServesCommand(int16_t command) const {
  return command == secondCommand_ || TExportType::ServesCommand(command);
}

int32_t TDXFExportType::GetFrameLimit(int16_t command) const {
  return command == GetCommand() ? 1 : INT32_MAX;
}

bool TDXFExportType::OwnsBlock(int16_t code) const {
  return code == kBlockDxfExportType || TExportType::OwnsBlock(code);
}

bool TDXFExportType::ReadBlock(int16_t code, TObjectReader& reader) {
  if (code != kBlockDxfExportType) return TExportType::ReadBlock(code, reader);
  ReadBaseFields(reader);
  secondCommand_ = static_cast<int16_t>(reader.ReadInt());
  return true;
}

void TDXFExportType::WriteBlock(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDxfExportType) return TExportType::WriteBlock(code, writer);
  WriteBaseFields(writer);
  writer.WriteShort(secondCommand_);
}

void TDXFExportType::WriteBlocks(TObjectWriter& writer) {
  if (GetHandler()) writer.WriteBlock(*GetHandler(), kBlockDxfExportType);
  TExportType::WriteBlocks(writer);
}
