#pragma once
// The settings of the meter-data export: whether each meter's x-axis column is written before
// its value columns, and whether the file starts with the preamble and column headers.

#include <cstdint>

#include "exchange/export/ExportType.h"

inline constexpr int16_t kBlockDataExportType = 5269;
inline constexpr uint32_t kTagDataExporter = MakeTag("exMD");

class TDataExportType : public TExportType {
  DECLARE_CLASS_ID(655, TExportType)

 public:
  static constexpr uint32_t kTag = kTagDataExportType;

  // Serves the meter-data command 1713 (and 1750).
  TDataExportType();

  bool ServesCommand(int16_t command) const override;
  bool OwnsBlock(int16_t code) const override;
  bool ReadBlock(int16_t code, TObjectReader& reader) override;
  void WriteBlock(int16_t code, TObjectWriter& writer) override;
  void WriteBlocks(TObjectWriter& writer) override;
  // "emIH": the header; "emIX": the x-axis columns.
  bool GetFlagProperty(uint32_t tag, uint16_t& value) override;
  bool SetFlagProperty(uint32_t tag, uint16_t value) override;

  void GetOptions(bool& includeHeader, bool& includeXAxis) const {
    includeHeader = includeHeader_;
    includeXAxis = includeXAxis_;
  }

 private:
  bool includeXAxis_ = false;
  bool includeHeader_ = false;
  uint32_t copierClassTag_ = kBlankExportTag;  // stored and read back only
};

// Registers the meter-data export type with the class registry.
void RegisterDataExportTypeClass();
