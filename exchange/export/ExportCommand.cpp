#include "exchange/export/ExportCommand.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <vector>

#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "exchange/export/DataExporter.h"
#include "exchange/export/ExportFileName.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/Exporter.h"
#include "exchange/export/WorldExportHandler.h"
#include "exchange/video/VideoExportType.h"
#include "exchange/video/VideoMovieMaker.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Font.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Static.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"

namespace {

constexpr int16_t kFilterString = 19994;
constexpr int16_t kTitleString = 12190;
constexpr int16_t kFolderLabelString = 12191;
constexpr int16_t kNameLabelString = 12192;
constexpr int16_t kKindLabelString = 12193;
constexpr int16_t kOkString = 12194;
// The range a dialog offers when nothing is recorded.
constexpr int32_t kDefaultStopFrame = 100;
constexpr int32_t kFieldWidth = 60;
constexpr int32_t kRowHeight = 20;
constexpr int32_t kGap = 8;

// The kinds of the dialog's list, in its order.
constexpr int16_t kKinds[] = {kCmdExportMeterData, kCmdExportDxfFrame, kCmdExportVideo};

std::string TableString(int16_t id) {
  Str255 text;
  QV_GetIndString(text, id, 0);
  return std::string(text.Chars(), text.Length());
}

int32_t KindIndex(int16_t command) {
  if (command == kCmdExportDxfFrames) command = kCmdExportDxfFrame;
  for (int32_t i = 0; i < 3; ++i)
    if (kKinds[i] == command) return i;
  return 0;
}

// The descriptions of the filter's kinds ("Meter Data (*.dta)" ...).
std::vector<std::string> KindNames(const std::string& filter) {
  std::vector<std::string> names;
  size_t at = 0;
  while (at < filter.size() && names.size() < 3) {
    const size_t bar = filter.find('|', at);
    if (bar == std::string::npos || bar == at) break;
    names.push_back(filter.substr(at, bar - at));
    const size_t next = filter.find('|', bar + 1);
    if (next == std::string::npos) break;
    at = next + 1;
  }
  return names;
}

HWND AddControl(HWND dialog, const char* className, const char* text, DWORD style, int32_t x,
                int32_t y, int32_t width, int32_t id, int32_t height = kRowHeight) {
  return CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                        dialog, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
}

// The width a label's text needs on one line in the label's own font, its "&" marks taken out.
int32_t LabelTextWidth(HWND label) {
  const std::string text = GetWindowTextString(label);
  const ControlDc dc(label);
  RECT box{0, 0, 0, 0};
  DrawText(dc.dc(), text.c_str(), static_cast<int32_t>(text.size()), &box,
           DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
  return box.right - box.left;
}

RECT BoxInDialog(HWND dialog, HWND control) {
  RECT box;
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// Widens a label of the file dialog to show its whole text, moving the fields to its right on
// its row over by as much.
void FitLabel(HWND dialog, HWND label) {
  const RECT box = BoxInDialog(dialog, label);
  const int32_t more = LabelTextWidth(label) + 2 - (box.right - box.left);
  if (more <= 0) return;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT field = BoxInDialog(dialog, child);
    if (child == label || field.top != box.top || field.left < box.right) continue;
    MoveWindow(child, field.left + more, field.top,
               std::max<int32_t>(field.right - field.left - more, 0), field.bottom - field.top,
               TRUE);
  }
  MoveWindow(label, box.left, box.top, box.right - box.left + more, box.bottom - box.top, TRUE);
}

// Takes away the field right of a label on its row and answers the place it had; the place
// of an empty field there when the row has none.
RECT TakeRowField(HWND dialog, HWND label) {
  const RECT box = BoxInDialog(dialog, label);
  RECT client;
  GetClientRect(dialog, &client);
  RECT place{box.right + kGap / 2, box.top, client.right - kGap, box.top + kRowHeight};
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT field = BoxInDialog(dialog, child);
    if (child == label || field.top != box.top || field.left < box.right) continue;
    place = field;
    DestroyWindow(child);
    break;
  }
  return place;
}

// A label as wide as its text, at (x, y); answers where the next control may start.
int32_t AddLabel(HWND dialog, const char* text, int32_t x, int32_t y) {
  HWND label = AddControl(dialog, kStaticClass, text, SS_LEFT, x, y, 0, -1);
  const int32_t width = LabelTextWidth(label) + 2;
  MoveWindow(label, x, y, width, kRowHeight, TRUE);
  return x + width + kGap / 2;
}

// The frames the dialog proposes: the shown frame alone for a one-frame kind, else the whole
// recorded history.
void ProposedRange(TExportHandler& handler, TWorldDoc& world, int32_t& start, int32_t& stop) {
  int32_t kept = 0;
  int32_t keptStop = 0;
  bool singleFrame = false;
  handler.GetCommandInfo(handler.GetCurrentCommand(), kept, keptStop, singleFrame);
  const int32_t marked = world.FirstHeldFrame();
  if (singleFrame) {
    start = std::max<int32_t>(marked, world.CurrentFrame());
    stop = start;
    return;
  }
  start = marked;
  stop = world.LastFrame() > 0 ? world.LastFrame() : kDefaultStopFrame;
}

int32_t FieldNumber(HWND dialog, int32_t id, int32_t fallback) {
  const std::string text = GetWindowTextString(GetDlgItem(dialog, id));
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() ? static_cast<int32_t>(value) : fallback;
}

}  // namespace

std::optional<std::string> RunExportDialog(TExportHandler& handler, TWorldDoc& world,
                                           HWND owner) {
  Str255 documentPath;
  handler.GetDefaultExportName(documentPath);
  const std::string proposed = ProposedExportName(documentPath.Chars());
  const std::string filter = TableString(kFilterString);

  OpenFileRequest request;
  request.owner = owner;
  request.title = TableString(kTitleString);
  request.filter = filter;
  // The list shows the files of the kind the handler will export, and follows the kind chosen.
  request.pattern = KindIndex(handler.GetCurrentCommand());
  request.patternsChange = true;
  request.save = true;
  request.flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (proposed != "*") {
    const std::filesystem::path path(proposed);
    request.folder = path.parent_path().string();
    request.initialName = path.filename().string();
  }
  request.extraRows = 2;
  request.onInit = [&](HWND dialog) {
    const std::pair<int32_t, int16_t> labels[] = {{kFolderLabelId, kFolderLabelString},
                                                  {kFileNameLabelId, kNameLabelString},
                                                  {kFileTypeLabelId, kKindLabelString},
                                                  {IDOK, kOkString}};
    for (const auto& [id, text] : labels) {
      HWND control = GetDlgItem(dialog, id);
      if (control == nullptr) continue;
      SetWindowText(control, TableString(text).c_str());
      if (id != IDOK) FitLabel(dialog, control);
    }
    // The kind list takes the place of the file dialog's one description of a kind. A combo
    // box is made as tall as its field and its dropped list together: room for every kind,
    // whatever the height of the font's lines.
    const RECT kindBox = TakeRowField(dialog, GetDlgItem(dialog, kFileTypeLabelId));
    constexpr int32_t kKindCount = static_cast<int32_t>(std::size(kKinds));
    HWND kinds = AddControl(dialog, kComboBoxClass, "",
                            CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_TABSTOP, kindBox.left,
                            kindBox.top, kindBox.right - kindBox.left, kExportKindListId,
                            (2 * kKindCount + 1) * kRowHeight);
    for (const std::string& name : KindNames(filter))
      SendMessage(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    // The list opens on the kind the handler will export.
    SendMessage(kinds, CB_SETCURSEL, static_cast<WPARAM>(KindIndex(handler.GetCurrentCommand())),
                0);
    int32_t y = FileDialogExtraTop(dialog);
    int32_t start = 0;
    int32_t stop = 0;
    ProposedRange(handler, world, start, stop);
    int32_t x = AddLabel(dialog, "From frame", kGap, y);
    AddControl(dialog, kEditClass, std::to_string(start).c_str(), WS_TABSTOP, x, y, kFieldWidth,
               kExportStartFrameId);
    x = AddLabel(dialog, "to", x + kFieldWidth + kGap, y);
    AddControl(dialog, kEditClass, std::to_string(stop).c_str(), WS_TABSTOP, x, y, kFieldWidth,
               kExportStopFrameId);
    y += kRowHeight + kGap;
    AddControl(dialog, kButtonClass, "Options...", BS_PUSHBUTTON | WS_TABSTOP, kGap, y,
               2 * kFieldWidth, kExportOptionsId);
  };
  request.onCommand = [&](HWND dialog, int32_t id, int32_t code) {
    // The settings of the kind chosen now.
    if (id == kExportOptionsId && code == BN_CLICKED) {
      handler.RunTypeSettings(handler.GetCurrentCommand(), dialog);
      return;
    }
    if (id != kExportKindListId || code != CBN_SELCHANGE) return;
    const LRESULT index = SendMessage(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= 3) return;
    handler.SetCurrentCommand(kKinds[index]);
    ShowFilesOfPattern(dialog, static_cast<int32_t>(index));
    // The frames proposed are the new kind's: a movie of the run after a drawing of one frame.
    int32_t start = 0;
    int32_t stop = 0;
    ProposedRange(handler, world, start, stop);
    SetWindowText(GetDlgItem(dialog, kExportStartFrameId), std::to_string(start).c_str());
    SetWindowText(GetDlgItem(dialog, kExportStopFrameId), std::to_string(stop).c_str());
  };
  request.onAccept = [&](HWND dialog, const std::string& path) -> std::optional<std::string> {
    const int16_t command = handler.GetCurrentCommand();
    if (command == kCmdExportVideo && !VideoAvailable()) {
      ErrorAlert(kErrVideoUnavailable, 0);
      return std::nullopt;
    }
    // Meter data of a world without meters would be an empty file: the user hears why instead.
    TExportType* type = handler.FindExportType(command);
    const bool noMeters =
        command == kCmdExportMeterData && type != nullptr && MetersToExport(world, *type).empty();
    if (noMeters) {
      MessageBox(dialog, "There are no meters to export.", "Yarrowby", MB_OK | MB_ICONEXCLAMATION);
      return std::nullopt;
    }
    int32_t start = -1;
    int32_t stop = -1;
    bool singleFrame = false;
    handler.GetCommandInfo(command, start, stop, singleFrame);
    handler.SetCommandInfo(command, FieldNumber(dialog, kExportStartFrameId, start),
                           FieldNumber(dialog, kExportStopFrameId, stop));
    const TExportNameCheck check = CheckExportFileName(path, command);
    if (!check.accepted) {
      MessageBox(dialog, "Invalid file extension!", "Yarrowby", MB_OK | MB_ICONEXCLAMATION);
      return std::nullopt;
    }
    KeepExportFileName(handler, command, check);
    return (std::filesystem::path(path).parent_path() / check.name).string();
  };
  return RunSaveFileDialog(request);
}

std::unique_ptr<TExporter> MakeExporterFor(TExportHandler& handler, TWorldDoc& world,
                                           int16_t command, const std::string& path) {
  TExportType* type = handler.FindExportType(command);
  if (type == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  std::unique_ptr<TObject> made(CreateObjectByTag(type->GetExporterClassTag()));
  auto* exporter = dynamic_cast<TExporter*>(made.get());
  if (exporter == nullptr) ThrowFailure(kErrNoExporter, 0);
  made.release();
  std::unique_ptr<TExporter> owned(exporter);
  int32_t start = -1;
  int32_t stop = -1;
  bool singleFrame = false;
  handler.GetCommandInfo(command, start, stop, singleFrame);
  if (start < 0) start = std::max<int32_t>(world.CurrentFrame(), 0);
  if (stop < 0) stop = start;
  TExportFileSpec fileSpec;
  fileSpec.fileType = handler.GetFileTypeTag(command);
  fileSpec.name.Assign(path.c_str());
  TExportNameSpec nameSpec;
  nameSpec.name = fileSpec.name;
  void* view = world.GetDisplay() != nullptr ? static_cast<void*>(world.GetDisplay())
                                             : static_cast<void*>(&world);
  owned->Init(command, &world, view, &handler, type, fileSpec, nameSpec, false, start, stop);
  return owned;
}

void TExportCommand::Init(int16_t commandNumber, TWorldDoc* world, TExportHandler* handler,
                          HWND owner) {
  if (world == nullptr || handler == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  TSmallCommand::Init(commandNumber, world->GetDocument(), nullptr, nullptr);
  world_ = world;
  handler_ = handler;
  owner_ = owner;
  exportCommand_ = commandNumber;
}

void TExportCommand::DoIt() {
  // A kind's own command opens the dialog on that kind.
  if (exportCommand_ != kCmdExport && handler_->FindExportType(exportCommand_) != nullptr)
    handler_->SetCurrentCommand(exportCommand_);
  if (handler_->FindExportType(handler_->GetCurrentCommand()) == nullptr)
    handler_->SetCurrentCommand(kCmdExportMeterData);
  const std::optional<std::string> path = RunExportDialog(*handler_, *world_, owner_);
  if (!path) ThrowFailure(kErrNone, 0);
  std::unique_ptr<TExporter> exporter =
      MakeExporterFor(*handler_, *world_, handler_->GetCurrentCommand(), *path);
  exporter->Perform();
}

void TExportSettingsCommand::Init(TWorldDoc* world, TExportHandler* handler, HWND owner) {
  if (world == nullptr || handler == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  TSmallCommand::Init(kCmdExportSettings, world->GetDocument(), nullptr, nullptr);
  handler_ = handler;
  owner_ = owner;
}

void TExportSettingsCommand::DoIt() {
  // The handler answers the dialog's fields from the type of its current kind.
  if (handler_->FindExportType(handler_->GetCurrentCommand()) == nullptr)
    handler_->SetCurrentCommand(kCmdExportMeterData);
  handler_->RunTypeSettings(handler_->GetCurrentCommand(), owner_);
}

std::unique_ptr<TSmallCommand> MakeExportMenuCommand(int16_t commandNumber, TWorldDoc& world,
                                                     HWND owner) {
  if (commandNumber == kCmdExportSettings) {
    auto command = std::make_unique<TExportSettingsCommand>();
    command->Init(&world, &ExportHandlerFor(world), owner);
    return command;
  }
  const bool export_ = commandNumber == kCmdExport ||
                       (commandNumber >= kCmdExportFirstType && commandNumber <= kCmdExportLastType);
  if (!export_) return nullptr;
  auto command = std::make_unique<TExportCommand>();
  command->Init(commandNumber, &world, &ExportHandlerFor(world), owner);
  return command;
}
