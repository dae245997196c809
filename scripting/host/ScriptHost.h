#pragma once
// The one instance of the BASIC engine: started with the application's script object as root,
// it registers the nine type libraries of the script object model, compiles script texts, loads
// them as modules, runs their "Main", keeps the script libraries loaded by scripts, lets the
// user break a running script, and ends the engine.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "basic/ScriptApi.h"
#include "core/FileSpec.h"
#include "scripting/host/APIDispatcher.h"
#include "scripting/host/ScriptText.h"

// The outcome of the Scripts menu's run, edit and library operations: kind (what was asked: 1
// run, 2 run of an object, 4 edit, 6 load, 8 unload) and code (0 success; 5 nothing to act on;
// 6 no shell; 7 no host).
struct ScriptResult {
  uint16_t kind = 0;
  uint16_t code = 0;
};
inline bool operator==(ScriptResult a, ScriptResult b) { return a.kind == b.kind && a.code == b.code; }

// One type library: its name, the step that describes it (null while not built) and its
// dispatch callback.
using TDescribeLibrary = ScriptDescription* (*)(TAPIDispatcher* root, void* scratch);
struct TScriptLibrary {
  const char* name;
  TDescribeLibrary describe;
  ScriptDispatch dispatch;
};
inline constexpr size_t kScriptLibraryCount = 9;
// The libraries in the order they are registered.
const std::array<TScriptLibrary, kScriptLibraryCount>& ScriptLibraries();

// Failures of the host.
inline constexpr int16_t kErrNoScriptEngine = -25153;
inline constexpr int16_t kErrScriptFailed = -25210;
inline constexpr int32_t kMsgScriptFailed = 0x7F610015;

class TScriptHostBase {
 public:
  TScriptHostBase() = default;
  // Deletes the root.
  virtual ~TScriptHostBase();
  TScriptHostBase(const TScriptHostBase&) = delete;
  TScriptHostBase& operator=(const TScriptHostBase&) = delete;

  virtual int16_t Compile(TScriptText*) { return 0; }
  virtual int16_t RunMain(TScriptText*) { return 0; }
  virtual int16_t StartEngine(TAPIDispatcher*) { return 0; }
  virtual int16_t CompileAndRun(TScriptText*) { return 0; }
  virtual TScriptText* FindScriptByName(const Str255&) { return nullptr; }
  virtual TScriptText* FindScriptByFile(const FSSpec& file) = 0;
  virtual ScriptResult AddScript(TScriptText*) { return {6, 7}; }
  virtual ScriptResult RemoveScript(TScriptText*) { return {8, 7}; }

  TAPIDispatcher* Root() const { return root_; }

 protected:
  std::vector<TScriptText*> scripts_;  // owned
  TAPIDispatcher* root_ = nullptr;
};

class TScriptHost : public TScriptHostBase {
 public:
  TScriptHost();
  // Deletes the loaded libraries, frees the descriptions and ends the engine.
  ~TScriptHost() override;

  // 0 when the engine started, -1 when it could not be made.
  int16_t StartEngine(TAPIDispatcher* root) override;
  // Raises -25210 when the script does not compile; keeps code it already holds.
  int16_t Compile(TScriptText* script) override;
  // 0 when the script ran, -1 when it has no "Main", 1 when the user broke the run off (a
  // script's own End is no break). A run that ends in a run-time error raises -25210 afterwards.
  // The script holds no module afterwards.
  int16_t RunMain(TScriptText* script) override;
  // Loads the script's file, compiles it and runs its "Main"; without an engine a silent abort.
  int16_t CompileAndRun(TScriptText* script) override;
  TScriptText* FindScriptByName(const Str255& name) override;
  TScriptText* FindScriptByFile(const FSSpec& file) override;
  TScriptText* FindScriptByModule(const ScriptModule* module) const;
  // Loads a script library and keeps it (once); (6, 5) when it has no file to load.
  ScriptResult AddScript(TScriptText* script) override;
  // Unloads a loaded library and deletes it; (8, 5) when it is not loaded.
  ScriptResult RemoveScript(TScriptText* script) override;

  ScriptEngine* GetEngine() const { return engine_; }
  const std::vector<TScriptText*>& Scripts() const { return scripts_; }

  // The engine's yield callback: at most once every 10 ticks, the first time 20 ticks after a
  // run starts, it stops the script when the break keys are held or the program is quitting.
  static void Yield(ScriptRunContext* handle);
  // The next break check comes 20 ticks from now.
  static void StartBreakChecks();

 private:
  void LoadModule(TScriptText* script);
  ScriptRunContext* NewRunContext(TScriptText* script);
  void RunContext(ScriptRunContext* context);

  ScriptEngine* engine_ = nullptr;
  std::array<ScriptDescription*, kScriptLibraryCount> descriptions_{};
};

// The engine of the running host, for the script shell and editor; null when none.
ScriptEngine* CurrentScriptEngine();

// The engine's output hook: Print goes to standard output, message boxes and errors to the
// application.
int32_t ShowScriptOutput(ScriptRunContext* call, int32_t kind, const char* text);
