// The Scripts menu: its script entries, and runs and libraries of script files and text.

#include "scripting/shell/ScriptsMenu.h"

#include <algorithm>
#include <string>

#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "scripting/shell/ScriptCommands.h"
#include "scripting/shell/ScriptShell.h"

namespace {

ScriptsMenu* g_menu = nullptr;

constexpr int kShortPathLimit = 63;

// The file name of a path: after its last '/' or '\'.
Str255 FileNameOfPath(const Str255& path) {
  for (int i = path.Length(); i >= 1; --i) {
    const char c = static_cast<char>(*path.CharAt(i));
    if (c == '/' || c == '\\') {
      Str255 name;
      path.Substring(name, i + 1, path.Length() - i);
      return name;
    }
  }
  return path;
}

}  // namespace

FSSpec ScriptFileSpecOfPath(const Str255& path) {
  FSSpec spec;
  spec.name = path.Length() < kShortPathLimit ? path : FileNameOfPath(path);
  return spec;
}

ScriptsMenu::ScriptsMenu() { g_menu = this; }

ScriptsMenu::~ScriptsMenu() {
  shell_.reset();
  host_.reset();
  entries_.clear();
  if (g_menu == this) g_menu = nullptr;
}

ScriptsMenu* ScriptsMenu::Current() { return g_menu; }

void ScriptsMenu::Initialize(int16_t, TAPIDispatcher* application) {
  InitTargetHandler(nullptr);
  SetIdleFrequency(kNeverIdle);
  host_ = std::make_unique<TScriptHost>();
  host_->StartEngine(application);
  shell_ = std::make_unique<TScriptShell>(host_->GetEngine());
  shell_->LoadScriptDialogLibrary(host_.get());
  entries_.clear();
}

TCommandCore* ScriptsMenu::DoMenuCommand(int16_t commandNumber) {
  constexpr int16_t kRunChosen = 5515;
  constexpr int16_t kNewScript = 5503;
  constexpr int16_t kOpenScript = 5504;
  constexpr int16_t kQuit = 1191;
  // An action button names a script by its place in the menu (8241 the first); it runs as the
  // entry's own command does.
  if (commandNumber >= kFirstButtonScriptCommand &&
      commandNumber < kFirstButtonScriptCommand + kMaxEntries) {
    const ScriptsMenuEntry* entry = Entry(commandNumber - kFirstButtonScriptCommand + 1);
    if (entry == nullptr || entry->command == 0) return nullptr;
    commandNumber = entry->command;
  }
  const bool shellOpen = shell_ != nullptr && shell_->IsOpen();
  TScriptCommand* command = nullptr;
  if (commandNumber == kRunChosen || commandNumber <= 0 ||
      (commandNumber >= kFirstEntryCommand && commandNumber < kFirstEntryCommand + kMaxEntries)) {
    command = new TRunScriptCommand;
  } else if (commandNumber == kNewScript || commandNumber == kOpenScript) {
    if (shellOpen) {
      shell_->Show();
      return nullptr;
    }
    command = new TEditScriptCommand;
  } else if (commandNumber == kQuit) {
    if (!shellOpen) return nullptr;
    command = new TCloseScriptShellCommand;
  } else {
    return TTargetHandler::DoMenuCommand(commandNumber);
  }
  command->InitScriptCommand(commandNumber, this);
  return command;
}

void ScriptsMenu::DoSetupMenus() {
  if (host_ && host_->GetEngine() != nullptr) {
    const bool low = IsMemoryLow();
    EnableMenuCommand(5515, !low);
    // Opening a script needs the shell just as a new one does; nothing else enables it.
    const bool shellReady = shell_ != nullptr && shell_->Available() && !low;
    EnableMenuCommand(5503, shellReady);
    EnableMenuCommand(5504, shellReady);
  }
  TTargetHandler::DoSetupMenus();
}

void ScriptsMenu::EditScriptObject(ScriptResult& result, TScriptText* script) {
  if (script == nullptr) {
    result = {4, 5};
    return;
  }
  if (!shell_) {
    result = {4, 6};
    return;
  }
  shell_->EditScript(result, script);
}

TScriptText* ScriptsMenu::ScriptFromMenuEntry(int16_t command) const {
  if (command < kFirstEntryCommand || command >= kFirstEntryCommand + kMaxEntries) return nullptr;
  for (const auto& entry : entries_) {
    if (entry->command != command) continue;
    auto script = std::make_unique<TScriptText>();
    script->Reset();
    script->SetPath(entry->path);
    script->SetFileSpec(ScriptFileSpecOfPath(entry->path), true);
    return script.release();
  }
  return nullptr;
}

void ScriptsMenu::SetItemCommand(int32_t index, int16_t command) {
  if (index >= 1 && index <= CountItems()) entries_[static_cast<size_t>(index - 1)]->command = command;
}

bool ScriptsMenu::InsertItem(int16_t position, const Str255& itemText, const Str255& path) {
  const int32_t count = CountItems();
  // A 26th entry would carry no command the menu answers: it could never run.
  if (position < 1 || position > kMaxEntries || position > count + 1 || count >= kMaxEntries)
    return false;
  auto entry = std::make_unique<ScriptsMenuEntry>();
  entry->itemText = itemText;
  entry->path = path;
  int32_t place = count + 1;
  for (int32_t p = 1; p <= count; ++p) {
    if (entries_[static_cast<size_t>(p - 1)]->command == 0) {
      place = p;
      break;
    }
  }
  entry->command = static_cast<int16_t>(kFirstEntryCommand + place - 1);
  entries_.insert(entries_.begin() + (position - 1), std::move(entry));
  RedrawMenuBar();
  InvalidateMenuSetup();
  return true;
}

bool ScriptsMenu::DeleteItem(int16_t position) {
  if (position < 1 || position > CountItems()) return false;
  entries_.erase(entries_.begin() + (position - 1));
  InvalidateMenuSetup();
  return true;
}

void ScriptsMenu::EnableItem(int16_t position, uint16_t enable) {
  if (position < 1 || position > CountItems()) return;
  ScriptsMenuEntry& entry = *entries_[static_cast<size_t>(position - 1)];
  if (entry.enabled == enable) return;
  entry.enabled = enable;
  const auto item = static_cast<int16_t>(position + kFixedItems);
  if (enable != 0) {
    EnableMenuItemByPosition(kMenuNumber, item);
  } else {
    DisableMenuItemByPosition(kMenuNumber, item);
  }
  InvalidateMenuSetup();
}

void ScriptsMenu::GetItem(int16_t position, Str255& itemText, Str255& path,
                          int16_t* command) const {
  itemText = Str255();
  path = Str255();
  const ScriptsMenuEntry* entry = Entry(position);
  if (entry == nullptr) return;
  itemText = entry->itemText;
  path = entry->path;
  if (command != nullptr) *command = entry->command;
}

const ScriptsMenuEntry* ScriptsMenu::Entry(int32_t position) const {
  if (position < 1 || position > CountItems()) return nullptr;
  return entries_[static_cast<size_t>(position - 1)].get();
}

void ScriptsMenu::RunScriptObject(ScriptResult& result, TScriptText* script) {
  if (script == nullptr) {
    result = {2, 5};
    return;
  }
  if (!host_) {
    result = {2, 7};
    return;
  }
  result = {1, static_cast<uint16_t>(host_->CompileAndRun(script))};
}

void ScriptsMenu::LoadLibraryScript(ScriptResult& result, const Str255& path) {
  bool found = false;
  TScriptText* script = ScriptFromPath(path, false, &found);
  if (script == nullptr) {
    result = {6, 5};
    return;
  }
  // A script made here belongs to the host once loaded, and is deleted otherwise.
  auto keptByHost = [&] {
    return found || (host_ && std::find(host_->Scripts().begin(), host_->Scripts().end(),
                                        script) != host_->Scripts().end());
  };
  if (!host_) {
    if (!found) delete script;
    result = {6, 7};
    return;
  }
  try {
    result = host_->AddScript(script);
  } catch (...) {
    if (!keptByHost()) delete script;
    throw;
  }
  if (!keptByHost()) delete script;
}

void ScriptsMenu::UnloadLibraryScript(ScriptResult& result, const Str255& path) {
  bool found = false;
  TScriptText* script = ScriptFromPath(path, false, &found);
  if (script == nullptr) {
    result = {8, 5};
    return;
  }
  if (!found) {
    // Not a loaded library: nothing to unload, and the new script goes at once.
    delete script;
    result = host_ ? ScriptResult{8, 5} : ScriptResult{8, 7};
    return;
  }
  result = host_ ? host_->RemoveScript(script) : ScriptResult{8, 7};
}

void ScriptsMenu::RunScriptText(ScriptResult& result, const char* text, int32_t length) {
  auto script = std::make_unique<TScriptText>();
  script->Reset();
  script->SetText(std::string(text != nullptr ? text : "", text != nullptr && length > 0
                                                              ? static_cast<size_t>(length)
                                                              : 0).c_str());
  if (host_) result.code = static_cast<uint16_t>(host_->CompileAndRun(script.get()));
}

TScriptText* ScriptsMenu::ScriptFromFile(const FSSpec& file, bool alwaysNew, bool* found) {
  *found = false;
  TScriptText* script = nullptr;
  if (!file.name.IsEmpty() && host_) script = host_->FindScriptByName(file.name);
  if (!file.name.IsEmpty() && script == nullptr && shell_) script = shell_->FindByName(file.name);
  if (script != nullptr) *found = true;
  if (script != nullptr && !alwaysNew) return script;
  auto fresh = std::make_unique<TScriptText>();
  fresh->Reset();
  fresh->SetFileSpec(file, true);
  return fresh.release();
}

TScriptText* ScriptsMenu::ScriptFromPath(const Str255& path, bool alwaysNew, bool* found) {
  *found = false;
  TScriptText* script = nullptr;
  // The shell's script is not offered here: a library loaded from it would have two owners.
  if (!path.IsEmpty() && host_) script = host_->FindScriptByName(path);
  if (script != nullptr) *found = true;
  if (script != nullptr && !alwaysNew) return script;
  auto fresh = std::make_unique<TScriptText>();
  fresh->Reset();
  fresh->SetFileSpec(ScriptFileSpecOfPath(path), true);
  // A long path's file record holds only the file name: the script still reads the whole path.
  fresh->SetPath(path);
  return fresh.release();
}
