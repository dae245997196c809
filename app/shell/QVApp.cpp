#include "app/shell/QVApp.h"

#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Menu.h"
#include "scripting/shell/ScriptsMenu.h"

IMPLEMENT_DYNAMIC(TQVApp, TMacApplication)

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

void TQVApp::DoSetupMenus() {
  TMacApplication::DoSetupMenus();
  EnableMenuCommand(1054, !PlayerMode());
  EnableMenuCommand(1053, PlayerMode() && !IsMemoryLow());
}

void TQVApp::ApplyPlayerMode() {
  if (PlayerMode()) SetMenuBarForMode(kPlayerModeBar);
  InvalidateMenuSetup();
}

BOOL TQVApp::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (code == CN_UPDATE_COMMAND_UI && id == static_cast<UINT>(ScriptsMenu::kFirstEntryCommand) &&
      extra != nullptr) {
    RebuildMenu(static_cast<CCmdUI*>(extra));
    return TRUE;
  }
  return TMacApplication::OnCmdMsg(id, code, extra);
}

void TQVApp::RebuildMenu(CCmdUI* update) {
  ScriptsMenu* scripts = ScriptsMenu::Current();
  const HMENU menu = update->m_hMenu;
  if (scripts != nullptr && scripts->PlaceholderText().IsEmpty() && menu != nullptr) {
    char text[256] = {};
    GetMenuString(menu, update->m_nID, text, sizeof text, MF_BYCOMMAND);
    scripts->SetPlaceholderText(Str255(text));
  }
  if (scripts == nullptr || scripts->CountItems() == 0) {
    // The entries are gone: the placeholder comes back in the first entry's place.
    if (menu != nullptr && scripts != nullptr && !scripts->PlaceholderText().IsEmpty()) {
      while (GetMenuItemCount(menu) > static_cast<int32_t>(update->m_nIndex) + 1)
        DeleteMenu(menu, update->m_nIndex + 1, MF_BYPOSITION);
      update->m_nID = static_cast<UINT>(ScriptsMenu::kFirstEntryCommand);
      update->SetText(scripts->PlaceholderText().AsCString());
      update->m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
    }
    update->Enable(FALSE);
    return;
  }
  if (menu == nullptr) return;
  UINT position = update->m_nIndex;
  while (GetMenuItemCount(menu) > static_cast<int32_t>(position)) DeleteMenu(menu, position, MF_BYPOSITION);
  for (int32_t entry = 1; entry <= scripts->CountItems(); ++entry, ++position) {
    const auto command = static_cast<int16_t>(ScriptsMenu::kFirstEntryCommand + entry - 1);
    scripts->SetItemCommand(entry, command);
    const ScriptsMenuEntry* item = scripts->Entry(entry);
    InsertMenu(menu, position, MF_BYPOSITION | MF_STRING | (item->enabled != 0 ? MF_ENABLED : MF_GRAYED),
               static_cast<UINT>(static_cast<uint16_t>(command)), item->itemText.AsCString());
  }
  update->m_nIndex = position - 1;
  update->m_nIndexMax = static_cast<UINT>(GetMenuItemCount(menu));
  update->m_bEnableChanged = TRUE;
}
