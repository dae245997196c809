#include "app/AppDialogServices.h"

#include <cstdio>

#include "app/FieldSettingsCommand.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "constraints/Field.h"
#include "core/Resources.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogServices.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"

namespace {

constexpr UINT kNoHelpString = 24340;
constexpr char kNoHelpFallback[] = "Help is unavailable.";
constexpr char kHelpTitle[] = "Yarrowby";

TApp* RunningApp() { return dynamic_cast<TApp*>(CWinApp::Current()); }

// The program ships no help file: every help request says so, over the active window.
void ShowNoHelp(int32_t, int16_t) {
  char text[256] = "";
  if (LoadStringA(GetResourceModule1(), kNoHelpString, text, sizeof text) <= 0) {
    std::snprintf(text, sizeof text, "%s", kNoHelpFallback);
  }
  MessageBox(GetActiveWindow(), text, kHelpTitle, MB_OK | MB_ICONINFORMATION);
}

// A click's command that its handler has not passed on yet.
void* PendingClickCommand() { return PendingCommand(); }

// Performs the click's command now, once: the click handler then finds nothing left to pass on.
void CompleteClickCommand(void* object) {
  TCommandCore*& pending = PendingCommand();
  if (pending == nullptr || pending != object) return;
  TCommandCore* const command = pending;
  pending = nullptr;
  TCommandHandler* const application = TCommandHandler::Application();
  if (application == nullptr) {
    if (command->IsFreeWhenDone()) delete command;
    return;
  }
  application->PerformCommand(command);
}

// A modal dialog opens with the plain arrow, whatever tool cursor was up.
void PrepareForModalRun() { SetCursor(LoadCursor(nullptr, IDC_ARROW)); }

// The frame of the document that holds the world, and its first window's target view handling
// what the dialog does not (as the menus reach it first: a command a dialog passes up, such as
// More..., reaches the world's view); without one the main frame, with the application as the
// next handler.
TDialogOwnerWindow OwnerWindowOf(TWorldDoc* world) {
  TApp* const app = RunningApp();
  if (app == nullptr) return {};
  if (world != nullptr && app->Documents() != nullptr) {
    for (const auto& document : app->Documents()->Documents()) {
      if (&document->Document().World() != world) continue;
      TDialogOwnerWindow owner;
      owner.window = document->GetWindowFrame();
      if (!document->Windows().empty()) {
        TOwlSubview* const window = document->Windows().front();
        owner.handler = window->GetTargetView() != nullptr ? window->GetTargetView() : window;
      }
      if (owner.window != nullptr) return owner;
    }
  }
  TDialogOwnerWindow owner;
  owner.window = app->MainFrame();
  return owner;
}

}  // namespace

void InstallAppDialogServices() {
  TDialogServices services;
  services.help = ShowNoHelp;
  services.pendingObject = PendingClickCommand;
  services.completePending = CompleteClickCommand;
  services.beforeModalRun = PrepareForModalRun;
  services.ownerWindow = OwnerWindowOf;
  SetDialogServices(services);
  TFieldCnstr::SetSettingsCommandMaker(MakeFieldSettingsCommand);
}

void RemoveAppDialogServices() {
  TFieldCnstr::SetSettingsCommandMaker(nullptr);
  SetDialogServices(TDialogServices());
}
