#pragma once
// The settings of the drawing export: one drawing of the current frame (its own command) or one
// drawing per frame of a range (its second command), written by the exporter of tag "exDX".

#include <cstdint>

#include "exchange/export/ExportType.h"

inline constexpr int16_t kBlockDxfExportType = 5267;
inline constexpr uint32_t kTagDxfExporter = MakeTag("exDX");

class TDXFExportType : public TExportType {
  DECLARE_CLASS_ID(660, TExportType)

 public:
  static constexpr uint32_t kTag = kTagDxfExportType;

  // Serves 1711 for one frame and 1712 for a range, one file per frame.
  TDXFExportType();

  bool ServesCommand(int16_t command) const override;
  // 1 (a single frame) for its own command, no limit for the second.
  int32_t GetFrameLimit(int16_t command) const override;
  bool OwnsBlock(int16_t code) const override;
  bool ReadBlock(int16_t code, TObjectReader& reader) override;
  void WriteBlock(int16_t code, TObjectWriter& writer) override;
  void WriteBlocks(TObjectWriter& writer) override;
  int16_t GetSecondCommand() const { return secondCommand_; }

 private:
  int16_t secondCommand_;
};

// Registers the drawing export type with the class registry.
void RegisterDXFExportTypeClass();
