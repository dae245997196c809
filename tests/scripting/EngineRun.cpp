#include "tests/scripting/EngineRun.h"

#include <memory>

#include "scripting/host/APIDispatcher.h"

namespace {

std::string* g_output = nullptr;

int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
  if (g_output != nullptr && kind == kScriptShowPrint) *g_output += std::string(text) + "\n";
  return 0;
}

void AddRefObject(void* object) { static_cast<TAPIDispatcher*>(object)->AddRef(); }
void ReleaseObject(void* object) { static_cast<TAPIDispatcher*>(object)->Release(); }

}  // namespace

void InstallObjectHooks(ScriptEngine* engine) {
  static const ScriptObjectHooks hooks{&AddRefObject, &ReleaseObject};
  ScriptControl(engine, kScriptSetObjectHooks, 0, const_cast<ScriptObjectHooks*>(&hooks));
}

TEngineRun RunInEngine(ScriptEngine* engine, const std::string& text) {
  TEngineRun run;
  ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
  ScriptCompileRequest request;
  request.text = text.c_str();
  request.engine = engine;
  if (ScriptCompile(&request) != kScriptCompiled) {
    run.errorText = request.errorMessage;
    return run;
  }
  run.compiled = true;
  std::unique_ptr<ScriptCode, void (*)(ScriptCode*)> code(request.code, ScriptFreeCode);
  uint16_t error = 0;
  ScriptModule* module = ScriptLoadModule(engine, code.get(), &error);
  if (module == nullptr) return run;
  uint32_t contextError = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
  if (context != nullptr) {
    g_output = &run.output;
    ScriptRun(context);
    g_output = nullptr;
    run.failed = ScriptControl(context, kScriptRunFailed, 0, nullptr) != 0;
    run.errorNumber = static_cast<int32_t>(ScriptControl(context, kScriptRunErrorNumber, 0, nullptr));
    run.errorText = ScriptRunErrorText(context);
    ScriptFreeRunContext(context);
  }
  ScriptUnloadModule(module);
  return run;
}
