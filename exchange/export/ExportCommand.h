#pragma once
// The export menu command: the export file dialog asks for the file, the kind of export (meter
// data, drawing, movie) and the frame range; the exporter of the chosen kind then writes the
// recorded frames into the whole path chosen.
//
//   TCommandCore (295) > TSmallCommand (325) > TExportCommand (410)

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/command/CommandCore.h"
#include "platform/win32/WindowTypes.h"

class TExportHandler;
class TExporter;
class TWorldDoc;

// Field, button and list of the export dialog, beside its name and folder.
inline constexpr int32_t kExportStartFrameId = 1000;
inline constexpr int32_t kExportStopFrameId = 1010;
inline constexpr int32_t kExportOptionsId = 102;
inline constexpr int32_t kExportKindListId = 1136;
// No exporter could be made for the chosen kind.
inline constexpr int16_t kErrNoExporter = -20007;

// The export dialog over the world: the path chosen (with the kind's extension), or nothing when
// the user gave up. The handler keeps the kind, the range and the names chosen.
std::optional<std::string> RunExportDialog(TExportHandler& handler, TWorldDoc& world, HWND owner);

// The kind's exporter for the file at the path, initialised over the handler's range (the
// frame the world shows when none was chosen) and not yet run; -108 when no type serves the
// command, -20007 when its exporter is not registered.
std::unique_ptr<TExporter> MakeExporterFor(TExportHandler& handler, TWorldDoc& world,
                                           int16_t command, const std::string& path);

class TExportCommand : public TSmallCommand {
  DECLARE_CLASS_ID(410, TSmallCommand)

 public:
  // A null world is the out-of-memory failure. The command numbers 1710-1750 open the dialog
  // on their own kind.
  void Init(int16_t commandNumber, TWorldDoc* world, TExportHandler* handler, HWND owner);
  // Runs the dialog, then the chosen kind's exporter; giving up ends silently.
  void DoIt() override;

 private:
  TWorldDoc* world_ = nullptr;
  TExportHandler* handler_ = nullptr;
  HWND owner_ = nullptr;
  int16_t exportCommand_ = 0;
};

// The export settings menu command: the settings dialog of the kind the handler exports now
// (meter data when it has exported nothing yet). Cancelling leaves the settings as they were.
class TExportSettingsCommand : public TSmallCommand {
 public:
  // A null world or handler is the out-of-memory failure.
  void Init(TWorldDoc* world, TExportHandler* handler, HWND owner);
  void DoIt() override;

 private:
  TExportHandler* handler_ = nullptr;
  HWND owner_ = nullptr;
};

// The command for the world's export menu command: the export command for 1700 and 1710-1750
// (one kind), the settings command for 1701; the world gets an export handler if it has none.
// Null for any other number.
std::unique_ptr<TSmallCommand> MakeExportMenuCommand(int16_t commandNumber, TWorldDoc& world,
                                                     HWND owner);
