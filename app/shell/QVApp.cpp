#include "app/shell/QVApp.h"

#include "app/frames/Settings.h"
#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/Tag.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Window.h"
#include "scripting/shell/ScriptsMenu.h"
#include "ui/dialogs/FloatingWindows.h"

IMPLEMENT_DYNAMIC(TQVApp, TMacApplication)

BOOL TQVApp::InitInstance() {
  SetDocManager(std::make_unique<TQVDocManager>());
  return TMacApplication::InitInstance();
}

int32_t TQVApp::Run() {
  const HWND main = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
  SetExitCode(RunEventLoop(main));
  return ExitInstance();
}

void TQVApp::CreateHelpers() {
  InitMacApp();
}

TCommand* TQVApp::CurrentRunCommand() const {
  for (int32_t index = 1; index <= QueuedCount(); ++index) {
    auto* run = dynamic_cast<TCommand*>(QueuedAt(index));
    if (run != nullptr && run->IsStopped() == 0 && run->IsDone() == 0) return run;
  }
  return nullptr;
}

void TQVApp::StopCurrentRun() {
  while (TCommand* run = CurrentRunCommand())
    run->Stop();
}

void TQVApp::PostCommand(TCommandCore* command) {
  if (command == nullptr) return;
  switch (command->GetCommandNumber()) {
    case 36:
    case 10:
    case 31:
    case 0:
      StopCurrentRun();
      break;
    default:
      break;
  }
  TMacApplication::PostCommand(command);
}

TCommandCore* TQVApp::DoMenuCommand(int16_t command) {
  if (command < 0) return nullptr;
  switch (command) {
    case 1053:
      SetPlayerMode(false);
      ApplyPlayerMode();
      return nullptr;
    case 1054:
      SetPlayerMode(true);
      ApplyPlayerMode();
      return nullptr;
    default:
      return TMacApplication::DoMenuCommand(command);
  }
}

BOOL TQVApp::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (id == static_cast<UINT>(ScriptsMenu::kFirstEntryCommand) && code == CN_UPDATE_COMMAND_UI &&
      extra != nullptr) {
    RebuildMenu(*static_cast<CCmdUI*>(extra));
    return TRUE;
  }
  return TMacApplication::OnCmdMsg(id, code, extra);
}

void TQVApp::RebuildMenu(CCmdUI& update) {
  ScriptsMenu* const scripts = ScriptsMenu::Current();
  if (scripts == nullptr || scripts->CountItems() == 0) {
    // The item says again what it said before scripts took its place, and the items of entries
    // that are gone go with them.
    if (!scriptItemText_.empty() && update.m_hMenu != nullptr) {
      while (GetMenuItemCount(update.m_hMenu) > static_cast<int32_t>(update.m_nIndex) + 1)
        DeleteMenu(update.m_hMenu, update.m_nIndex + 1, MF_BYPOSITION);
      update.m_nIndexMax = static_cast<UINT>(GetMenuItemCount(update.m_hMenu));
      update.SetText(scriptItemText_.c_str());
    }
    update.Enable(FALSE);
    return;
  }
  const HMENU menu = update.m_hMenu;
  if (menu == nullptr) return;
  if (scriptItemText_.empty()) {
    char text[256] = "";
    GetMenuString(menu, update.m_nID, text, sizeof text, MF_BYCOMMAND);
    scriptItemText_ = text;
  }
  UINT position = update.m_nIndex;
  while (GetMenuItemCount(menu) > static_cast<int32_t>(position))
    DeleteMenu(menu, position, MF_BYPOSITION);
  int16_t command = ScriptsMenu::kFirstEntryCommand;
  for (int32_t entry = 1; entry <= scripts->CountItems(); ++entry, ++position, ++command) {
    Str255 name;
    Str255 path;
    scripts->GetItem(static_cast<int16_t>(entry), name, path, nullptr);
    scripts->SetItemCommand(entry, command);
    // An entry a script disabled stays greyed each time the menu is built again.
    const UINT state = scripts->Entry(entry)->enabled != 0 ? MF_ENABLED : MF_GRAYED;
    InsertMenu(menu, position, MF_BYPOSITION | MF_STRING | state, static_cast<UINT>(command),
               name.AsCString());
  }
  update.m_nIndex = position - 1;
  update.m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
  update.m_bEnableChanged = TRUE;
}

namespace {

struct KindType {
  int32_t kind;
  uint32_t type;
};

constexpr KindType kKindTypes[] = {
    {kTextDocumentKind, MakeTag("TEXT")},       {1201, MakeTag("zuqP")},
    {1202, MakeTag("zuqX")},                    {1203, MakeTag("zu\xB4P")},
    {1204, MakeTag("zu\xB4X")},                {kStationeryDocumentKind, MakeTag("ZUQd")},
    {kWorldDocumentKind, MakeTag("ZodA")},
};

}  // namespace

int32_t TQVApp::DocumentKindOfFile(const uint32_t* fileType) {
  if (fileType == nullptr) return kWorldDocumentKind;
  for (const KindType& entry : kKindTypes) {
    // Stationery is never told by a file's type.
    if (entry.type == *fileType && entry.kind != kStationeryDocumentKind) return entry.kind;
  }
  return kWorldDocumentKind;
}

uint32_t TQVApp::WorldTypeOfKind(int32_t kind) {
  for (const KindType& entry : kKindTypes) {
    if (entry.kind == kind) return entry.type;
  }
  return MakeTag("ZodA");
}

std::unique_ptr<TQVDoc> TQVApp::CreateDocument(int32_t kind) const {
  const bool embedded = kind == kEmbeddedWorldDocumentKind;
  auto document = std::make_unique<TQVDoc>(WorldTypeOfKind(kind),
                                           embedded ? int16_t{0} : openingPreferences_);
  if (embedded) document->SetNewWorldValue(newWorldValue_);
  return document;
}

bool TQVApp::MayOpenDocument() {
  const TCommand* const run = CurrentRunCommand();
  if (run == nullptr || run->AllowsOpen() != 0) return true;
  // A short high tone says the open was refused while the run goes on.
  Beep(2000, 100);
  return false;
}

void TQVApp::DoSetupMenus() {
  TMacApplication::DoSetupMenus();
  // The script items the Scripts menu holds now.
  if (ScriptsMenu* const scripts = ScriptsMenu::Current()) {
    for (int32_t entry = 1; entry <= scripts->CountItems(); ++entry) {
      const ScriptsMenuEntry* const item = scripts->Entry(entry);
      if (item != nullptr && item->command != 0)
        EnableMenuCommand(item->command, item->enabled != 0 && !IsMemoryLow());
    }
  }
  EnableMenuCommand(1054, !PlayerMode());
  EnableMenuCommand(1053, PlayerMode() && !IsMemoryLow());
}

void TQVApp::ApplyPlayerMode() {
  // Leaving the mode gives back the editing bar and keys; without it the user would be left
  // with the player's few menus and no way to edit the world again.
  if (PlayerMode())
    SetMenuBarForMode(kPlayerModeBar);
  else if (playerBarShown_)
    SetMenuBarForMode(kNormalModeBar);
  playerBarShown_ = PlayerMode();
  InvalidateMenuSetup();
}

namespace {

struct FloatingPlace {
  int16_t command;
  TWindowSettings::Window setting;
  bool keepsSize;
};

constexpr FloatingPlace kFloatingPlaces[] = {
    {kShowPropertiesWindow, TWindowSettings::kProperties, false},
    {kShowPositionWindow, TWindowSettings::kAppearance, true},
    {kShowPointTableWindow, TWindowSettings::kGeometry, false},
};

}  // namespace

void TQVApp::LayoutWindows(TWindowSettings& saved) {
  BuildFloatingWindows();
  const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
  for (const FloatingPlace& place : kFloatingPlaces) {
    const TWindowSettings::Rect& rect = saved.Get(place.setting);
    const HWND window = FloatingWindowHandle(place.command);
    if (window == nullptr) continue;
    if (!TWindowSettings::IsUsable(rect, screenWidth, screenHeight)) {
      // The saved place may suit another screen: it is kept unless the user moves the window.
      RECT standing{};
      if (GetWindowRect(window, &standing))
        saved.KeepRefused(place.setting, standing.left, standing.top, standing.right,
                          standing.bottom);
      continue;
    }
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (place.keepsSize) flags |= SWP_NOSIZE;
    SetWindowPos(window, nullptr, rect[0], rect[1], rect[2], rect[3], flags);
  }
  ApplyPlayerMode();
}

void TQVApp::StoreWindowPlaces(TWindowSettings& settings) {
  for (const FloatingPlace& place : kFloatingPlaces) {
    const HWND window = FloatingWindowHandle(place.command);
    RECT rect{};
    if (window == nullptr || !GetWindowRect(window, &rect)) continue;
    settings.Store(place.setting, rect.left, rect.top, rect.right, rect.bottom);
  }
}
