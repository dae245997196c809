#pragma once
// The one object through which the program reaches scripting: it owns the engine host and the
// script entries that scripts add to the Scripts menu, runs script files and script text, and
// loads and unloads the script libraries that scripts ask for.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/FileSpec.h"
#include "core/PString.h"
#include "model/handler/TargetHandler.h"
#include "scripting/host/ScriptHost.h"

class TScriptShell;

// One script entry of the Scripts menu.
struct ScriptsMenuEntry {
  uint16_t enabled = 1;
  Str255 itemText;
  Str255 path;
  int16_t command = 0;  // the menu command it carries; 0 until it has one
};

class ScriptsMenu : public TTargetHandler {
 public:
  // The Scripts menu is menu 1 of the menu services, the pop-up at bar position 3; its entries
  // follow its fixed items (Run Script, New Script, Open Script). The services count the run-time
  // items of menu 1 from menu 94's position + 2, so that position is set to make the two agree.
  static constexpr int16_t kMenuNumber = 1;
  static constexpr int16_t kFixedItems = 3;
  static constexpr int16_t kMenu94Position = kFixedItems - 2;
  static constexpr int16_t kFirstEntryCommand = 5521;
  static constexpr int16_t kMaxEntries = 25;
  // The commands by which action buttons run the entries, by place.
  static constexpr int16_t kFirstButtonScriptCommand = 8241;

  // The one menu; its pointer is the program's until it is deleted.
  ScriptsMenu();
  // Deletes the shell (stopping its run and closing its window), the host (and with it the
  // application's script object) and the entries.
  ~ScriptsMenu() override;
  static ScriptsMenu* Current();

  // Makes the host and starts its engine with the application's script object as root, and
  // the script shell on that engine.
  void Initialize(int16_t flag, TAPIDispatcher* application);
  TScriptHost* Host() const { return host_.get(); }
  TScriptShell* GetShell() const { return shell_.get(); }

  // The Scripts menu's commands become command objects; the others go on to the next handler.
  TCommandCore* DoMenuCommand(int16_t commandNumber) override;
  void DoSetupMenus() override;

  int32_t CountItems() const { return static_cast<int32_t>(entries_.size()); }
  void SetItemCommand(int32_t index, int16_t command);
  // Inserts before place position (1 to count + 1, at most 25 entries); false when refused.
  bool InsertItem(int16_t position, const Str255& itemText, const Str255& path);
  bool DeleteItem(int16_t position);
  void EnableItem(int16_t position, uint16_t enable);
  // The entry's text and path (both empty outside 1..count) and its command.
  void GetItem(int16_t position, Str255& itemText, Str255& path, int16_t* command) const;
  const ScriptsMenuEntry* Entry(int32_t position) const;

  // Kind 1 and the host's compile-and-run result; (2, 5) without a script, (2, 7) without host.
  void RunScriptObject(ScriptResult& result, TScriptText* script);
  // Hands the script to the shell, which owns it unless the user keeps the script it holds;
  // (4, 5) without a script, (4, 6) without a shell.
  void EditScriptObject(ScriptResult& result, TScriptText* script);
  // The host's result of loading or unloading the library at the path.
  void LoadLibraryScript(ScriptResult& result, const Str255& path);
  void UnloadLibraryScript(ScriptResult& result, const Str255& path);
  // Runs the text as a script of its own.
  void RunScriptText(ScriptResult& result, const char* text, int32_t length);

  // A loaded library of that name, else (or when always-new) a new script for the file, which
  // the caller owns; found tells which.
  TScriptText* ScriptFromFile(const FSSpec& file, bool alwaysNew, bool* found);
  TScriptText* ScriptFromPath(const Str255& path, bool alwaysNew, bool* found);
  // A new script, read only from the file, of the entry that carries the command; null when none.
  TScriptText* ScriptFromMenuEntry(int16_t command) const;

 private:
  std::unique_ptr<TScriptHost> host_;
  std::unique_ptr<TScriptShell> shell_;
  std::vector<std::unique_ptr<ScriptsMenuEntry>> entries_;
};

// The file record of a path: the path itself, or its file name for a path of 63
// characters or more.
FSSpec ScriptFileSpecOfPath(const Str255& path);
