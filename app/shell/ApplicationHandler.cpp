#include "app/shell/ApplicationHandler.h"

#include <string>

#include "app/shell/ApplicationCommands.h"
#include "app/shell/MenuBar.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/NumberText.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Message.h"

namespace {

// Disabled before the chain enables what applies, in this order.
constexpr int16_t kFixedDisables[] = {10, 20, 31, 32, 178, 176, 36, 101, 103, 104, 105, 1035, 1032};

// The application's window commands and the MDI arrangement each stands for.
enum class Arrangement { kIcons, kTile, kCascade };

void Arrange(Arrangement how) {
  auto* frame = dynamic_cast<CMDIFrameWnd*>(CWnd::FromHandlePermanent(GetMainFrameHwnd()));
  if (frame == nullptr) return;
  switch (how) {
    case Arrangement::kIcons:
      frame->MDIIconArrange();
      break;
    case Arrangement::kTile:
      frame->MDITile();
      break;
    case Arrangement::kCascade:
      frame->MDICascade();
      break;
  }
}

bool IsThisHandler(TTargetHandler* handler, void* self) {
  return handler == self;
}

// What the Undo item calls a command: its own name when it has one (commands that no menu item
// names, and dialogs, whose items end in dots), else its menu item's text.
std::string UndoName(int16_t command) {
  Str255 name;
  if (CommandResourceName(command, name)) return name.AsCString();
  return MenuCommandName(command);
}

}  // namespace

TApplicationHandler::TApplicationHandler(TCommandNesting& nesting) : TCommandHandler(nesting) {}

bool TApplicationHandler::OnTargetChain() {
  TTargetHandler* const target = GetTarget();
  return target != nullptr && target->FirstInChain(IsThisHandler, this) != nullptr;
}

TCommandCore* TApplicationHandler::MenuIdToCommand(int32_t packed) {
  const auto menu = static_cast<int16_t>(static_cast<uint32_t>(packed) >> 16);
  const auto item = static_cast<int16_t>(packed & 0xFFFF);
  const int16_t command = CommandFromMenuItem(menu, item);
  if (command < 0 && menu == 5) return nullptr;
  try {
    // A chain that does not end here still reaches the application's own commands.
    TTargetHandler* const target = GetTarget();
    if (target != nullptr && target != this) {
      TCommandCore* const answer = target->DoMenuCommand(command);
      if (answer != nullptr || OnTargetChain()) return answer;
    }
    return DoMenuCommand(command);
  } catch (const QVException& failure) {
    ThrowFailure(failure.error(), failure.message() != 0 ? failure.message() : command);
  }
}

bool TApplicationHandler::HandleFrameworkCommand(UINT id) {
  constexpr UINT kFirstRecentFile = 57616;
  constexpr UINT kLastRecentFile = 57631;
  constexpr UINT kAppExit = 57665;
  if (id >= kFirstRecentFile && id <= kLastRecentFile) {
    if (services_.openRecentFile) {
      const int index = static_cast<int>(id - kFirstRecentFile);
      Nesting().Perform([this, index] { services_.openRecentFile(index); });
    }
    return true;
  }
  if (id == kAppExit) {
    Nesting().Perform([this] { DoMenuCommand(36); });
    return true;
  }
  return false;
}

bool TApplicationHandler::ChooseMenuItem(int32_t packed) {
  TCommandCore* command = nullptr;
  Nesting().Perform([&] { command = MenuIdToCommand(packed); });
  if (command == nullptr) return false;
  if (command->StaysQueued() != 0) {
    PostCommand(command);
  } else {
    HandleCommand(command);
  }
  InvalidateMenuSetup();
  return true;
}

TCommandCore* TApplicationHandler::DoMenuCommand(int16_t command) {
  TCommandCore* const own = OwnMenuCommand(command);
  if (own != nullptr) return own;
  // A command the application does not make goes to its window-less handlers (the Scripts
  // menu heads them).
  TTargetHandler* const coHandlers = IdleChainHead();
  return coHandlers != nullptr ? coHandlers->DoMenuCommand(command) : nullptr;
}

TCommandCore* TApplicationHandler::OwnMenuCommand(int16_t command) {
  if (command == 1) return new TFirstApplicationCommand(*this);
  if (command >= 10 && command <= 19) return new TNewDocumentCommand(*this, command);
  if (command >= 20 && command <= 29) return new TOpenFileCommand(*this, command);
  // The export items of one kind each.
  if (command >= 1710 && command <= 1750)
    return services_.exportFrontWorld ? services_.exportFrontWorld(command) : nullptr;
  if (command >= 1125 && command <= 1127)
    return services_.loadTableFrontWorld ? services_.loadTableFrontWorld(command) : nullptr;
  if (command >= 1130 && command <= 1135)
    return services_.linkExternalFrontWorld ? services_.linkExternalFrontWorld(command) : nullptr;
  switch (command) {
    case 31:
      if (services_.closeFrontWindow) services_.closeFrontWindow();
      return nullptr;
    case 30:
    case 32:
      if (services_.saveFrontDocument) services_.saveFrontDocument(command == 32);
      return nullptr;
    case 35:
      return nullptr;
    case 1700:
    case 1701:
      return services_.exportFrontWorld ? services_.exportFrontWorld(command) : nullptr;
    case kAboutCommand:
      if (services_.showAbout) services_.showAbout();
      return nullptr;
    case kShowClipboardCommand & ~kAlternateCommandBit:  // what the chosen item arrives as
    case kShowClipboardCommand:
      if (services_.showClipboard) services_.showClipboard();
      return nullptr;
    case 36:
      if (CommandBusyFlag() != 0) {
        if (services_.stopRunning) services_.stopRunning();
      } else if (services_.exitProgram) {
        services_.exitProgram();
      }
      return nullptr;
    case kUndoCommand:
      return new TUndoRedoCommand(*this);
    case 3995:
      InvalidateMenuSetup();
      return nullptr;
    case 3996:
      toggle3996_ = toggle3996_ != 0 ? 0 : 1;
      InvalidateMenuSetup();
      return nullptr;
    case 7951:
    case 24335:
      Arrange(Arrangement::kIcons);
      return nullptr;
    case 7952:
    case 24336:
      Arrange(Arrangement::kTile);
      return nullptr;
    case 7953:
    case 24337:
      Arrange(Arrangement::kCascade);
      return nullptr;
    default:
      return TCommandHandler::DoMenuCommand(command);
  }
}

void TApplicationHandler::DoQuit() {
  // As for a chosen item, a chain that does not end here still reaches the application and its
  // window-less handlers (the script shell closes first).
  TTargetHandler* const target = GetTarget();
  TCommandCore* last = nullptr;
  if (target != nullptr && target != this) last = target->DoMenuCommand(kQuitNoticeCommand);
  if (last == nullptr && (target == nullptr || target == this || !OnTargetChain()))
    last = DoMenuCommand(kQuitNoticeCommand);
  if (last != nullptr) PerformCommand(last);
  if (services_.closeAllDocuments) services_.closeAllDocuments();
  PostQuitMessage(0);
}

void TApplicationHandler::DoSetupMenus() {
  // The window-less handlers enable their items before the application's own enabling.
  if (TTargetHandler* const coHandlers = IdleChainHead()) coHandlers->DoSetupMenus();
  TCommandHandler::DoSetupMenus();
  EnableMenuCommand(1, true);
  EnableMenuCommand(36, true);
  EnableMenuCommand(35, true);
  // The About box is always there to read.
  EnableMenuCommand(kAboutCommand, true);
  const bool memoryLow = services_.memoryLow && services_.memoryLow();
  for (const int32_t command : {10, 20, 24335, 24336, 24337, int32_t{kShowClipboardCommand}})
    EnableMenuCommand(static_cast<int16_t>(command), !memoryLow);
  // A world in front can be saved.
  const bool front = services_.frontDocument && services_.frontDocument() != nullptr;
  EnableMenuCommand(30, front);
  EnableMenuCommand(32, front);
  EnableMenuCommand(1700, front && !memoryLow);
  EnableMenuCommand(1701, front && !memoryLow);
  // The drawing exports of the File menu go with Export.
  EnableMenuCommand(1711, front && !memoryLow);
  EnableMenuCommand(1712, front && !memoryLow);
  EnableMenuCommand(1125, front && !memoryLow);
  for (int16_t link = 1130; link <= 1135; ++link) EnableMenuCommand(link, front && !memoryLow);
  if (services_.setUpFrameworkItems) services_.setUpFrameworkItems();
  EnableCheckMenuCommand(3996, true, toggle3996_ != 0);
  EnableCheckMenuCommand(3995, false, flag3995_ != 0);
}

void TApplicationHandler::SetupTheMenus() {
  RunMenuSetup([this] { EnableStandardCommands(); });
}

void TApplicationHandler::EnableStandardCommands() {
  TCommandDocument* const front = services_.frontDocument ? services_.frontDocument() : nullptr;
  ClearPendingScrap();
  for (const int16_t command : kFixedDisables) EnableMenuCommand(command, false);

  TTargetHandler* const target = GetTarget();
  if (target != nullptr && target != this) target->DoSetupMenus();
  if (target == nullptr || target == this || !OnTargetChain()) DoSetupMenus();

  const bool busy = CommandBusyFlag() != 0;
  bool undo = true;
  int16_t command = 0;
  if (busy) {
    for (const int16_t editing : {101, 103, 104, 105, 106}) EnableMenuCommand(editing, true);
  } else if (TCommandCore* const last = GetLastCommand(); last != nullptr && last->CanUndo()) {
    undo = last->IsPerformed() != 0;
    command = last->GetCommandNumber();
    if (last->GetDocument() == nullptr || last->GetDocument() == front)
      EnableMenuCommand(kUndoCommand, true);
  } else {
    command = -1;
  }
  SetUndoLabel(undo, command);
  if (!busy) EnableMenuCommand(105, HasPendingScrap());
}

void TApplicationHandler::SetUndoLabel(bool undo, int16_t command) {
  if (undo == cachedUndo_ && command == cachedCommand_) return;
  const int16_t entry = command == -1 ? kCannotUndoPrefix : (undo ? kUndoPrefix : kRedoPrefix);
  Str255 prefix;
  GetIndString(prefix, kUndoPrefixList, entry);
  std::string label = prefix.AsCString();
  if (command != 0 && command != -1) label += UndoName(command);
  label += "\bCtrl+Z";
  SetMenuCommandText(kUndoCommand, Str255(label.c_str()));
  cachedUndo_ = undo;
  cachedCommand_ = command;
}

void TApplicationHandler::ResetUndoLabelCache() {
  cachedUndo_ = true;
  cachedCommand_ = 0;
}
