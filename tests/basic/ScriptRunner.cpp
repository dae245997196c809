#include "tests/basic/ScriptRunner.h"

#include <memory>

namespace {

std::string* g_output = nullptr;

int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
  if (g_output != nullptr && (kind == kScriptShowPrint || kind == kScriptShowMessage)) {
    *g_output += text;
    *g_output += '\n';
  }
  return 0;
}

}  // namespace

ScriptOutcome RunScript(const std::string& text, ScriptEngine* engine) {
  ScriptOutcome outcome;
  std::unique_ptr<ScriptEngine, void (*)(ScriptEngine*)> own(nullptr, ScriptEndEngine);
  if (engine == nullptr) {
    uint16_t status = 0;
    engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    own.reset(engine);
  }
  ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
  ScriptCompileRequest request;
  request.text = text.c_str();
  request.engine = engine;
  if (ScriptCompile(&request) != kScriptCompiled) {
    outcome.errorLine = request.errorLine;
    outcome.errorColumn = request.errorColumn;
    outcome.compileError = request.errorMessage;
    return outcome;
  }
  outcome.compiled = true;
  std::unique_ptr<ScriptCode, void (*)(ScriptCode*)> code(request.code, ScriptFreeCode);
  uint16_t error = 0;
  ScriptModule* module = ScriptLoadModule(engine, code.get(), &error);
  if (module == nullptr) {
    outcome.failed = true;
    outcome.errorText = "module refused";
    return outcome;
  }
  uint32_t contextError = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
  if (context == nullptr) {
    outcome.failed = true;
    outcome.errorText = "no Main";
    ScriptUnloadModule(module);
    return outcome;
  }
  g_output = &outcome.output;
  ScriptRun(context);
  g_output = nullptr;
  outcome.failed = ScriptControl(context, kScriptRunFailed, 0, nullptr) != 0;
  outcome.stopped = ScriptControl(context, kScriptRunStopped, 0, nullptr) != 0;
  outcome.errorNumber = static_cast<int32_t>(ScriptControl(context, kScriptRunErrorNumber, 0, nullptr));
  outcome.errorLine = static_cast<int32_t>(ScriptControl(context, kScriptRunErrorLine, 0, nullptr));
  outcome.errorText = ScriptRunErrorText(context);
  ScriptFreeRunContext(context);
  ScriptUnloadModule(module);
  return outcome;
}
