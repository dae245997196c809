#pragma once
// The one object per world that owns everything about exporting: the export types, the last
// export command, the frame range and the file names chosen in the export dialog. It answers
// dialog properties by forwarding them to the type that serves the selected command, and files
// its settings and every type's block inside the document.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/PString.h"
#include "core/Tag.h"
#include "exchange/export/ExportType.h"
#include "model/Link.h"

class TWorldBase;

// Export command numbers.
inline constexpr int16_t kCmdExport = 1700;
inline constexpr int16_t kCmdExportSettings = 1701;
inline constexpr int16_t kCmdExportFirstType = 1710;
inline constexpr int16_t kCmdExportLastType = 1750;
inline constexpr int16_t kCmdExportDxfFrame = 1711;
inline constexpr int16_t kCmdExportDxfFrames = 1712;
inline constexpr int16_t kCmdExportMeterData = 1713;
inline constexpr int16_t kCmdExportVideo = 1725;

// Reading a stored export-type block that no type can read.
inline constexpr int16_t kErrExportBlock = -25002;

class TExportHandler : public THandlerLink {
  DECLARE_CLASS_ID(407, THandlerLink)

 public:
  static constexpr uint32_t kTag = MakeTag("expH");

  TExportHandler();
  ~TExportHandler() override;

  // Clears the settings and makes the type list with its catch-all type.
  void Initialize() override;

  // The world: the first world offered, later offers are ignored.
  void AdoptWorld(TWorldBase* world);
  TWorldBase* GetWorld() const { return world_; }
  // The world engine's time step; 1.0 without an engine, 0.0 without a world.
  double WorldTimeStep() const;

  // Types. The handler owns every type added.
  void AddExportType(std::unique_ptr<TExportType> type);
  const std::vector<std::unique_ptr<TExportType>>& ExportTypes() const { return types_; }
  TExportType* FindExportType(int16_t command) const;

  void SetCurrentCommand(int16_t command) {
    currentCommand_ = command;
    selectedCommand_ = command;
  }
  int16_t GetCurrentCommand() const { return currentCommand_; }
  int16_t GetSelectedCommand() const { return selectedCommand_; }
  void GetCommandInfo(int16_t command, int32_t& startFrame, int32_t& stopFrame,
                      bool& singleFrame) const;
  void SetCommandInfo(int16_t command, int32_t startFrame, int32_t stopFrame);
  void GetExportNames(int16_t command, Str255& baseName, Str255& extension) const;
  void SetExportNames(int16_t command, const Str255& baseName, const Str255& extension);
  void GetExportFileName(int16_t command, Str255& name) const;
  void SetExportFileName(int16_t command, const Str255& name);
  uint32_t GetFileTypeTag(int16_t command) const;
  // The whole path of the document that holds the world; empty when it has none.
  void GetDefaultExportName(Str255& name) const;
  // The settings dialog of the type serving the command, offered the world's last recorded
  // frame (100 when nothing is recorded); false when no type serves the command or the user
  // cancelled the dialog.
  bool RunTypeSettings(int16_t command, HWND parent);
  // Asks whether to replace existing files in the yes-or-no prompt: the message, or the
  // exporter's replace question when it is empty. Answers the tag of the button that closed
  // the prompt ("OK__" to go on), or "cncl" when there is no question to ask.
  uint32_t ConfirmReplace(const Str255& message);

  // Properties, answered by the type serving the selected command, else by the base.
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override;
  void SetIntProperty(uint32_t tag, int32_t value) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void SetStringProperty(uint32_t tag, const Str255& value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  // The unit kind of the last number property a type answered.
  int32_t LastUnitKind() const { return lastUnitKind_; }

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;
  void ReaderNotice(TLink518& table, TLink* container) override;

 private:
  // The type serving the selected command that answers through call, or null.
  template <typename Call>
  TExportType* Forward(Call call) const;

  TWorldBase* world_ = nullptr;
  std::vector<std::unique_ptr<TExportType>> types_;
  int16_t selectedCommand_ = 0;
  int16_t currentCommand_ = 0;
  int32_t exportStartFrame_ = -1;
  int32_t exportStopFrame_ = -1;
  TExportType* typeBeingWritten_ = nullptr;
  Str255 exportBaseName_;
  Str255 exportExtension_;
  Str255 exportFileName_;
  int32_t lastUnitKind_ = 0;
};

// Registers the handler's class.
void RegisterExportHandlerClass();
// The current local date and time as "hh:mm:ss mm/dd/yyyy" with the fields of
// "%2d:%02d:%02d %2d/%2d/%2d".
void FormatExportTimeStamp(Str255& text);
