#include "scripting/shell/ScriptCommands.h"

#include <memory>
#include <optional>
#include <string>

#include "core/Failure.h"
#include "core/MenuSetup.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "scripting/shell/ScriptShell.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

constexpr int16_t kRunChosenScript = 5515;
constexpr int16_t kOpenScript = 5504;

std::optional<std::string> ChooseScriptFile(const char* title) {
  OpenFileRequest request;
  request.owner = GetActiveWindow();
  request.title = title;
  request.filter = "*.ybs|*.ybs||";
  return RunOpenFileDialog(request);
}

}  // namespace

void TScriptCommand::InitScriptCommand(int16_t commandNumber, ScriptsMenu* menu) {
  Init(commandNumber, nullptr, nullptr, nullptr);
  menu_ = menu;
  name_ = Str255();
}

void TRunScriptCommand::DoIt() {
  if (menu_ == nullptr) return;
  const int16_t command = GetCommandNumber();
  TScriptText* script = nullptr;
  bool found = false;
  if (command == kRunChosenScript) {
    const std::optional<std::string> chosen = ChooseScriptFile("Run Script");
    if (!chosen) return;
    script = menu_->ScriptFromFile(ScriptFileSpecOfPath(Str255(chosen->c_str())), false, &found);
    if (script == nullptr) return;
    script->SetPath(Str255(chosen->c_str()));
    script->SetFileBacked(true);
  } else {
    script = menu_->ScriptFromMenuEntry(command);
    if (script == nullptr) return;
    script->SetReadOnly(true);
  }
  // A script made here goes when the run ends; one found stays with its owner.
  std::unique_ptr<TScriptText> made(found ? nullptr : script);
  ScriptResult result;
  menu_->RunScriptObject(result, script);
}

void TEditScriptCommand::DoIt() {
  if (menu_ == nullptr) return;
  std::string chosenName;
  if (GetCommandNumber() == kOpenScript) {
    const std::optional<std::string> chosen = ChooseScriptFile("Open Script");
    if (!chosen) {
      name_ = Str255();
      return;
    }
    chosenName = *chosen;
    name_ = Str255(chosenName.c_str());
  }
  bool found = false;
  TScriptText* script = menu_->ScriptFromPath(Str255(chosenName.c_str()), true, &found);
  if (script == nullptr) return;
  script->SetFileBacked(!chosenName.empty());
  if (!chosenName.empty()) {
    script->SetFileType(ScriptFileTypeOfName(chosenName.c_str()));
  } else {
    script->SetFileSpec(FSSpec(), false);
  }
  ScriptResult result;
  menu_->EditScriptObject(result, script);
  // The user kept the unsaved script the shell held: the new one was not taken.
  if (menu_->GetShell() == nullptr || menu_->GetShell()->Script() != script) delete script;
}

void TCloseScriptShellCommand::DoIt() {
  if (menu_ == nullptr || menu_->GetShell() == nullptr) return;
  if (!menu_->GetShell()->Close()) ThrowFailure(0, kScriptShellSilentAbort);
  InvalidateMenuSetup();
}
