// The engine host: start and end of the engine, compiling, modules, runs and their breaks, and
// the script libraries that scripts load.

#include "scripting/host/ScriptHost.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "core/Failure.h"
#include "core/TickCount.h"
#include "platform/win32/Input.h"
#include "scripting/document/DocumentLibrary.h"
#include "scripting/host/Application.h"
#include "scripting/host/CallFrame.h"
#include "scripting/host/EngineLibrary.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/objects/BodyLibrary.h"
#include "scripting/objects/CellLibrary.h"
#include "scripting/objects/ConstraintLibrary.h"
#include "scripting/objects/InputLibrary.h"
#include "scripting/objects/LinkLibrary.h"
#include "scripting/objects/OutputLibrary.h"
#include "scripting/objects/PointLibrary.h"

namespace {

ScriptEngine* g_engine = nullptr;
int32_t g_nextBreakCheck = 0;
TScriptApplication* g_application = nullptr;

constexpr int32_t kFirstCheckTicks = 20;
constexpr int32_t kCheckIntervalTicks = 10;
constexpr int32_t kVirtualKeyControl = 0x11;
constexpr int32_t kVirtualKeyBreak = 0x43;
constexpr int16_t kRunContextMode = 4;
constexpr intptr_t kRunStackSlots = 0x2000;

bool KeyDown(int32_t key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

bool BreakRequested() {
  if (KeyDown(kVirtualKeyControl) && KeyDown(kVirtualKeyBreak)) return true;
  return g_application != nullptr && g_application->QuitRequested();
}

// Objects a script holds keep one reference each for the run.
void HoldObject(void* object) { static_cast<TAPIDispatcher*>(object)->AddRef(); }
void LetGoObject(void* object) { static_cast<TAPIDispatcher*>(object)->Release(); }
const ScriptObjectHooks kObjectHooks{&HoldObject, &LetGoObject};

// A silent abort: the operation ends without a word.
[[noreturn]] void EndSilently() { ThrowFailure(kErrNone, 0); }

// A run context freed, and the script's module unloaded, on every way out of a run.
class TRunCleanup {
 public:
  explicit TRunCleanup(TScriptText* script) : script_(script) {}
  ~TRunCleanup() {
    ScriptFreeRunContext(context_);
    if (script_->Module() != nullptr) {
      ScriptUnloadModule(script_->Module());
      script_->SetModule(nullptr);
    }
  }
  void Hold(ScriptRunContext* context) { context_ = context; }

 private:
  TScriptText* script_;
  ScriptRunContext* context_ = nullptr;
};

}  // namespace

TScriptApplication* ScriptApplication() { return g_application; }
void SetScriptApplication(TScriptApplication* application) { g_application = application; }

const std::array<TScriptLibrary, kScriptLibraryCount>& ScriptLibraries() {
  static const std::array<TScriptLibrary, kScriptLibraryCount> libraries = {{
      {"DE22YBApp", &DescribeYBApplication, &DispatchYBApplication},
      {"DE22YBDoc", &DescribeYBDocument, &DispatchYBDocument},
      {"DE22YBLnk", &DescribeYBLink, &DispatchYBLink},
      {"DE22YBBdy", &DescribeYBBody, &DispatchYBBody},
      {"DE22YBPnt", &DescribeYBPoint, &DispatchYBPoint},
      {"DE22YBCns", &DescribeYBConstraint, &DispatchYBConstraint},
      {"DE22YBInp", &DescribeYBInput, &DispatchYBInput},
      {"DE22YBOut", &DescribeYBOutput, &DispatchYBOutput},
      {"DE22YBCel", &DescribeYBCell, &DispatchYBCell},
  }};
  return libraries;
}

ScriptEngine* CurrentScriptEngine() { return g_engine; }

int32_t ShowScriptOutput(ScriptRunContext*, int32_t kind, const char* text) {
  if (text == nullptr) text = "";
  if (kind == kScriptShowPrint) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return 0;
  }
  if (g_application != nullptr) {
    g_application->ShowScriptMessage(kind, text);
  } else {
    std::fprintf(stderr, "%s\n", text);
  }
  return 0;
}

TScriptHostBase::~TScriptHostBase() { delete root_; }

TScriptHost::TScriptHost() { g_engine = nullptr; }

TScriptHost::~TScriptHost() {
  for (TScriptText* script : scripts_) delete script;
  scripts_.clear();
  if (engine_ != nullptr) {
    for (ScriptDescription*& description : descriptions_) {
      ScriptFreeDescription(description);
      description = nullptr;
    }
    ScriptEndEngine(engine_);
  }
  engine_ = nullptr;
  g_engine = nullptr;
}

int16_t TScriptHost::StartEngine(TAPIDispatcher* root) {
  engine_ = nullptr;
  if (root != nullptr) root_ = root;
  uint16_t status = 0;
  ScriptEngine* engine = EngineStart(&status);
  if (engine == nullptr || status != 0) {
    if (engine != nullptr) ScriptEndEngine(engine);
    return -1;
  }
  engine_ = engine;
  ScriptControl(engine_, kScriptSetYield, 0, reinterpret_cast<void*>(&TScriptHost::Yield));
  ScriptControl(engine_, kScriptSetOutput, 0, reinterpret_cast<void*>(&ShowScriptOutput));
  ScriptControl(engine_, kScriptSetObjectHooks, 0, const_cast<ScriptObjectHooks*>(&kObjectHooks));
  const auto& libraries = ScriptLibraries();
  for (size_t i = 0; i < libraries.size(); ++i) {
    if (libraries[i].describe == nullptr) continue;  // a library not built yet
    int32_t scratch = 0;
    ScriptDescription* description = libraries[i].describe(root_, &scratch);
    if (description == nullptr) continue;
    descriptions_[i] = description;
    ScriptRegisterLibrary(engine_, libraries[i].name, description, libraries[i].dispatch);
  }
  g_engine = engine_;
  return 0;
}

int16_t TScriptHost::Compile(TScriptText* script) {
  if (engine_ == nullptr) EndSilently();
  if (script->GetCode(kScriptCodeVersion) != nullptr) return 0;
  std::string text;
  script->GetText(text);
  TEngineCompileRequest request;
  request.text = text.c_str();
  request.engine = engine_;
  // A script that does not compile keeps no code: it cannot be run.
  if (EngineCompile(&request) != kEngineCompiled)
    ThrowFailure(kErrScriptFailed, kMsgScriptFailed);
  script->SetLibraryCode(request.code);
  ScriptControl(request.code, kScriptCodeSize, 0, request.code);
  script->SetCode(request.code, kScriptCodeVersion, false);
  return 0;
}

void TScriptHost::LoadModule(TScriptText* script) {
  if (engine_ == nullptr) EndSilently();
  if (script->Module() != nullptr) {
    ScriptUnloadModule(script->Module());
    script->SetModule(nullptr);
  }
  uint16_t error = 0;
  ScriptModule* module = ScriptLoadModule(engine_, script->LibraryCode(), &error);
  if (module == nullptr || error != 0) {
    ScriptUnloadModule(module);
    EndSilently();
  }
  script->SetModule(module);
}

ScriptRunContext* TScriptHost::NewRunContext(TScriptText* script) {
  if (engine_ == nullptr || script->Module() == nullptr) EndSilently();
  if (!script->EntryFound() && script->FindEntry("Main", 0, nullptr, false) != 0) EndSilently();
  uint32_t error = 0;
  ScriptRunContext* context = EngineNewRunContext(script->Module(), *script->Entry(),
                                                  kRunContextMode, &error);
  if (context == nullptr || error != 0) {
    ScriptFreeRunContext(context);
    EndSilently();
  }
  ScriptControl(context, kScriptSetStackSize, kRunStackSlots, nullptr);
  ScriptControl(context, kScriptSetUser, 0, static_cast<TObject*>(script));
  return context;
}

void TScriptHost::RunContext(ScriptRunContext* context) {
  if (engine_ == nullptr || context == nullptr) EndSilently();
  StartBreakChecks();
  if (g_application != nullptr && g_application->MainWindow() != nullptr)
    ScriptControl(engine_, kScriptSetOwner, 0, g_application->MainWindow());
  try {
    ScriptRun(context);
  } catch (...) {
    ThrowFailure(kErrNoScriptEngine, 0);
  }
  const bool failed = ScriptControl(context, kScriptRunFailed, 0, nullptr) != 0;
  ScriptControl(context, kScriptRunStopped, 0, nullptr);
  if (failed) ThrowFailure(kErrScriptFailed, kMsgScriptFailed);
}

int16_t TScriptHost::RunMain(TScriptText* script) {
  if (engine_ == nullptr) ThrowFailure(kErrNoScriptEngine, 2);
  if (!script->EntryFound()) script->FindEntry("Main", 0, nullptr, false);
  if (!script->EntryFound()) return -1;
  TRunCleanup cleanup(script);
  LoadModule(script);
  ScriptRunContext* context = NewRunContext(script);
  cleanup.Hold(context);
  RunContext(context);
  return ScriptControl(context, kScriptRunStopAsked, 0, nullptr) != 0 ? 1 : 0;
}

int16_t TScriptHost::CompileAndRun(TScriptText* script) {
  if (engine_ == nullptr) EndSilently();
  script->Load();
  int16_t result = Compile(script);
  if (result == 0) result = RunMain(script);
  return result;
}

TScriptText* TScriptHost::FindScriptByName(const Str255& name) {
  for (TScriptText* script : scripts_)
    if (PStringEquals(script->Path(), name)) return script;
  return nullptr;
}

TScriptText* TScriptHost::FindScriptByFile(const FSSpec& file) {
  for (TScriptText* script : scripts_) {
    FSSpec own;
    script->GetFileSpec(own);
    if (FSSpec::Equals(own, file)) return script;
  }
  return nullptr;
}

TScriptText* TScriptHost::FindScriptByModule(const ScriptModule* module) const {
  for (TScriptText* script : scripts_)
    if (script->Module() == module) return script;
  return nullptr;
}

ScriptResult TScriptHost::AddScript(TScriptText* script) {
  script->SetReadOnly(true);
  if (script->Load() == 0) return {6, 5};
  if (Compile(script) == 0) LoadModule(script);
  // Scripts compiled and run from now on call its procedures by name, until it is unloaded.
  ScriptShareModule(script->Module(), true);
  if (std::find(scripts_.begin(), scripts_.end(), script) == scripts_.end())
    scripts_.push_back(script);
  return {0, 0};
}

ScriptResult TScriptHost::RemoveScript(TScriptText* script) {
  if (script == nullptr || script->Module() == nullptr) return {8, 5};
  ScriptUnloadModule(script->Module());
  script->SetModule(nullptr);
  scripts_.erase(std::remove(scripts_.begin(), scripts_.end(), script), scripts_.end());
  delete script;
  return {0, 0};
}

void TScriptHost::StartBreakChecks() { g_nextBreakCheck = GetTickCount60() + kFirstCheckTicks; }

void TScriptHost::Yield(ScriptRunContext* handle) {
  if (!TickDeadlineReached(GetTickCount60(), g_nextBreakCheck)) return;
  const TFPUState saved = SaveFPUState();
  const bool stop = BreakRequested() && handle != nullptr;
  RestoreFPUState(saved);
  if (stop) ScriptControl(handle, kScriptStop, 1, nullptr);
  g_nextBreakCheck = GetTickCount60() + kCheckIntervalTicks;
}
