#pragma once
// An export type: the stored settings of one kind of export (which command it serves, which
// exporter class does the work, the output's file tags, the frame step, the number of the first
// per-frame file, whether only the selection is exported, a description). The export handler
// keeps the types, forwards dialog properties to them and lets each file its own block.

#include <cstdint>
#include <vector>

#include "core/PString.h"
#include "core/TObject.h"
#include "core/Tag.h"
#include "platform/win32/WindowTypes.h"

class TExportHandler;
class TObjectReader;
class TObjectWriter;

// Block codes of the export handler and its types.
inline constexpr int16_t kBlockExportHandler = 5260;
inline constexpr int16_t kBlockExportTypeBase = 5261;
inline constexpr int16_t kBlockExportTypeLast = 5289;

// Registered tags of the meter-data and DXF types, and the bytes written in their place at the
// head of the type's block (documents of older versions carry these bytes).
inline constexpr uint32_t kTagDataExportType = MakeTag("eT91");
inline constexpr uint32_t kTagDxfExportType = MakeTag("eT90");
inline constexpr uint32_t kTagDataExportTypeStored = MakeTag("eT\xB5\xB6");
inline constexpr uint32_t kTagDxfExportTypeStored = MakeTag("eT\xB6\xC5");
inline constexpr uint32_t kBlankExportTag = MakeTag("    ");

// The unit kind of a time quantity, as number properties report it.
inline constexpr int32_t kUnitKindTime = 0x100000;

// The tag that replaces a stored class tag, through the translation table ("_v2L" 1: a 16-bit
// count, then pairs of old and new tags); the tag itself when the table lacks it or is missing.
uint32_t TranslateStoredTag(uint32_t tag);

class TExportType : public TObject {
  DECLARE_CLASS_ID(408, TObject)

 public:
  static constexpr int16_t kMaxFrameStep = 32767;

  // Fails with -108 for a null handler.
  void Init(uint32_t classTag, TExportHandler* handler);

  virtual uint32_t GetClassTagFor(int16_t) const { return classTag_; }
  // 32767 for the type's own command, 0 otherwise; exactly 1 marks a single-frame export.
  virtual int32_t GetFrameLimit(int16_t command) const { return command == command_ ? 32767 : 0; }
  virtual bool ServesCommand(int16_t command) const { return command == command_; }
  virtual bool OwnsBlock(int16_t) const { return false; }
  int16_t GetCommand() const { return command_; }
  // Reads the fields after the class tag of block 5261; false for other codes.
  virtual bool ReadBlock(int16_t code, TObjectReader& reader);
  virtual void WriteBlock(int16_t code, TObjectWriter& writer);
  // Asks the writer to write the type's own blocks (through the handler); none in the base.
  virtual void WriteBlocks(TObjectWriter& writer);

  // Dialog properties: a getter answers true only for its own tags.
  virtual bool GetFlagProperty(uint32_t tag, uint16_t& value);
  virtual bool SetFlagProperty(uint32_t tag, uint16_t value);
  virtual bool GetIntProperty(uint32_t tag, int32_t& value);
  virtual bool SetIntProperty(uint32_t tag, int32_t value);
  virtual bool GetNumberProperty(uint32_t tag, double& value, int32_t& unitKind);
  virtual bool SetNumberProperty(uint32_t tag, double value);
  virtual bool CanPerformAction(uint32_t tag);
  virtual bool DoTagAction(uint32_t tag);
  virtual bool GetChoiceState(uint32_t tag, int16_t& value);
  virtual bool DoChoice(uint32_t tag);
  virtual bool GetTextField(uint32_t tag, Str255& text);
  virtual bool SetTextField(uint32_t tag, const Str255& text);
  virtual bool GetIndexProperty(uint32_t tag, int16_t& value);
  virtual bool SetIndexProperty(uint32_t tag, int16_t value);

  // The settings dialog of the command (its property dialog over the handler, which hands the
  // dialog's properties to this type). False when the user cancels it or it cannot be shown.
  virtual bool RunSettingsDialog(int16_t command, HWND parent, int32_t frameLimit);
  // Why a whole number entered in the settings dialog cannot be taken for the property; empty
  // when it can.
  virtual Str255 RefusedNumber(uint32_t /*tag*/, int32_t /*value*/) const { return Str255(); }
  // The last frame and the window the settings dialog was last given.
  int32_t SettingsFrameLimit() const { return settingsFrameLimit_; }
  HWND SettingsParent() const { return settingsParent_; }

  uint32_t GetExporterClassTag() const { return exporterClassTag_; }
  void GetFileInfo(uint32_t& fileType, uint32_t& fileCreator, int16_t& fileFlags) const {
    fileType = fileTypeTag_;
    fileCreator = fileCreatorTag_;
    fileFlags = fileFlags_;
  }
  void GetFrameOptions(int16_t& frameStep, int16_t& firstFileNumber, bool& useSelection) const {
    frameStep = frameStep_;
    firstFileNumber = firstFileNumber_;
    useSelection = useSelection_;
  }
  uint32_t GetFileTypeTag() const { return fileTypeTag_; }
  uint32_t GetClassTag() const { return classTag_; }
  TExportHandler* GetHandler() const { return handler_; }

 protected:
  // What a concrete type fixes when it is made.
  void SetIdentity(int16_t command, uint32_t exporterClassTag, uint32_t fileTypeTag,
                   uint32_t fileCreatorTag) {
    command_ = command;
    exporterClassTag_ = exporterClassTag;
    fileTypeTag_ = fileTypeTag;
    fileCreatorTag_ = fileCreatorTag;
  }
  // The fields every type's block starts with: the class tag (as stored), then the settings.
  // Reading starts after the class tag, which the handler reads.
  void WriteBaseFields(TObjectWriter& writer) const;
  void ReadBaseFields(TObjectReader& reader);
  // The time of one exported step: the world's time step times the frame step.
  virtual double BaseFrameTime() const;

 private:
  TExportHandler* handler_ = nullptr;
  int16_t command_ = 0;
  uint32_t classTag_ = kBlankExportTag;
  uint32_t exporterClassTag_ = kBlankExportTag;
  uint32_t fileTypeTag_ = kBlankExportTag;
  uint32_t fileCreatorTag_ = kBlankExportTag;
  int16_t fileFlags_ = 0;
  Str255 description_;
  int16_t frameStep_ = 1;
  int16_t firstFileNumber_ = 0;
  bool useSelection_ = false;
  int32_t settingsFrameLimit_ = 0;
  HWND settingsParent_ = nullptr;
};

// Claims the blocks of export types this program does not offer, so that documents holding them
// read; each block is kept as it was read and written back unchanged.
class Export3DGFSettings : public TExportType {
 public:
  bool ServesCommand(int16_t) const override { return false; }
  bool OwnsBlock(int16_t code) const override;
  bool ReadBlock(int16_t code, TObjectReader& reader) override;
  void WriteBlock(int16_t code, TObjectWriter& writer) override;
  void WriteBlocks(TObjectWriter& writer) override;

  // The stored class tag read before the block's fields (the handler reads it).
  void NoteStoredTag(uint32_t tag) { storedTag_ = tag; }

 private:
  struct Kept {
    int16_t code;
    uint32_t tag;
    std::vector<uint8_t> bytes;
  };
  std::vector<Kept> kept_;
  uint32_t storedTag_ = kBlankExportTag;
};
