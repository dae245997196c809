#pragma once
// The script shell: the Script Editor window with the engine's edit window inside it, and the
// one script it edits. It opens, saves, compiles and runs that script, and asks before unsaved
// changes are dropped.

#include <cstddef>
#include <cstdint>

#include "core/FileSpec.h"
#include "core/PString.h"
#include "platform/win32/WindowTypes.h"
#include "scripting/host/ScriptHost.h"
#include "scripting/host/ScriptText.h"

inline constexpr char kScriptShellMainClass[] = "BasicScript_Main";
inline constexpr char kScriptShellViewClass[] = "BasicScript_View";
inline constexpr char kScriptEditorCaption[] = "Script Editor";
inline constexpr int16_t kScriptEditorStrings = 252;
// The message reference of a silent refusal: the user chose to keep what would be dropped.
inline constexpr int32_t kScriptShellSilentAbort = 0x7F830000;

// The values of the shell window's kept rectangle: left, top, width and height.
inline constexpr size_t kShellRectValues = 4;

// What the shell's window and the editor share; one shell exists.
struct ScriptShellState {
  HWND editWindow = nullptr;
  HWND mainWindow = nullptr;
  HWND owner = nullptr;  // the application's window when the shell window was made
  uint16_t modified = 0;
  uint16_t readOnly = 0;
  bool closeRequested = false;
  // The shell window's rectangle when it was last closed (left, top, width, height); a width of
  // 0 leaves the window where it was made.
  int16_t savedRect[kShellRectValues] = {0, 0, 0, 0};
};
ScriptShellState& ShellState();

class TScriptShell {
 public:
  explicit TScriptShell(ScriptEngine* engine);
  virtual ~TScriptShell();
  static TScriptShell* Current();

  virtual void EditScript(ScriptResult& result, TScriptText* script);
  virtual bool IsOpen() const;
  virtual int16_t OnWindowClosed(uint16_t flag);
  virtual void ShowScript();
  virtual void StoreScript();
  virtual TScriptText* FindByName(const Str255& name);
  virtual TScriptText* FindBySpec(const FSSpec& file);
  virtual void NewScript();
  virtual bool OpenScript(const char* path);
  virtual bool SaveScript();
  virtual bool SaveScriptFileAs(const char* path);
  virtual void StoreAndCompile();
  virtual int16_t LoadScriptDialogLibrary(TScriptHost* host);
  virtual void Show();

  // Asked by the Scripts menu on quit: true when the shell is closed or need not be.
  bool Close();
  bool ConfirmDiscard();
  bool ConfirmDiscardGuarded();
  void Destroy();
  void CreateWindow();

  bool Available() const { return available_ != 0; }
  TScriptText* Script() const { return current_; }
  TScriptHost* Host() const { return host_; }
  ScriptEngine* Engine() const { return engine_; }

 private:
  int32_t AskSaveChanges();

  ScriptEngine* engine_ = nullptr;
  TScriptHost* host_ = nullptr;
  TScriptText* current_ = nullptr;  // owned
  uint16_t available_ = 0;
};

// The file name of a path (after its last '\' or '/'; the whole path without one).
std::string ScriptFileNameOfPath(const std::string& path);
