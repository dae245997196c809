// The script compiler and the machine under arbitrary text. Built as a libFuzzer program with
// clang (BasicFuzzer.cmake) and replayed over the committed seeds by basic_tests. Each input is
// compiled; compiled code is run with a yield callback that stops it after a bounded number of
// checks, and a copy of its code with one instruction operand changed is offered to the loader.
// Any broken promise returns nonzero (and traps under libFuzzer): a compile error without a
// place inside the text, a run that fails without an error number or text, code the engine
// wrote that it will not read back.

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string>
#include <vector>

#include "basic/Bytecode.h"
#include "basic/ScriptApi.h"

namespace {

int g_yields = 0;

void StopSoon(ScriptRunContext* handle) {
  if (++g_yields >= 8) ScriptControl(handle, kScriptStop, 1, nullptr);
}

int32_t Quiet(ScriptRunContext*, int32_t, const char*) { return 0; }

void Members(ScriptRunContext* call, uint32_t id, int32_t highest, ScriptFrame* frame) {
  switch (id & 0xFFFF) {
    case 1: ScriptReturnLong(frame, 0, 3); break;                        // Count
    case 2: ScriptReturnObject(frame, 0, ScriptArgObject(frame, 1)); break;  // Item
    case 3: ScriptReturnString(frame, 0, ScriptMakeString(call, "name")); break;
    case 4: ScriptRaiseError(call, 0, 901, "gone"); break;
    case 5: if (highest >= 2) ScriptReturnDouble(frame, 2, 2.5); break;
    default: break;
  }
}

ScriptEngine* MakeEngine(ScriptDescription*& description) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptControl(engine, kScriptSetYield, 0, reinterpret_cast<void*>(&StopSoon));
  ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Quiet));
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Thing", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Name", kScriptNoId, 3, kScriptString, nullptr);
  ScriptDefineSub(b, 0, "Fail", 4, 0, 0, {});
  ScriptDefineSub(b, 0, "Fill", 5, 1, 1, {{kScriptDouble | kScriptByRef}});
  ScriptDefineCollectionClass(b, 1, "Things", kScriptNoId, nullptr);
  ScriptDefineFunction(b, 0, "Count", 1, kScriptLong, nullptr, 0, 0, {});
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 2, kScriptObject, "Thing", 1, 1, {{kScriptInteger}});
  static int object;
  ScriptDefineGlobal(b, "World", kScriptObject, "Things", &object);
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "Fuzz", description, &Members);
  return engine;
}

// Runs Main of the code when it has one; 0 when the outcome kept its promises.
int RunMain(ScriptEngine* engine, const ScriptCode* code, uint32_t& reached) {
  uint16_t error = 0;
  ScriptModule* module = ScriptLoadModule(engine, code, &error);
  if (module == nullptr) return error == 0 ? 10 : 0;
  uint32_t contextError = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
  int broken = 0;
  if (context != nullptr) {
    g_yields = 0;
    ScriptRun(context);
    const bool failed = ScriptControl(context, kScriptRunFailed, 0, nullptr) != 0;
    if (failed) reached |= 4;
    if (ScriptControl(context, kScriptRunStopped, 0, nullptr) != 0) reached |= 8;
    if (!failed) reached |= 16;
    if (failed && (ScriptControl(context, kScriptRunErrorNumber, 0, nullptr) == 0 ||
                   std::string(ScriptRunErrorText(context)).empty()))
      broken = 11;
    ScriptFreeRunContext(context);
  }
  ScriptUnloadModule(module);
  return broken;
}

}  // namespace

// 0 when the engine kept every promise on this text; `reached` collects what the input reached:
// 1 compiled, 2 compile error, 4 run-time error, 8 stopped, 16 ran to its end, 32 changed code
// refused, 64 changed code accepted.
int BasicFuzzCheck(const uint8_t* data, size_t size, uint32_t& reached) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ScriptDescription* description = nullptr;
  ScriptEngine* engine = MakeEngine(description);
  ScriptCompileRequest request;
  request.text = text.c_str();  // the text up to its first NUL, as the host hands it over
  request.engine = engine;
  int broken = 0;
  if (ScriptCompile(&request) != kScriptCompiled) {
    reached |= 2;
    // Lines end with LF, CR LF or a lone CR, as the tokenizer counts them.
    size_t lines = 1;
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++lines;
    if (request.code != nullptr || request.errorMessage.empty() || request.errorLine < 1 ||
        static_cast<size_t>(request.errorLine) > lines + 1 || request.errorColumn < 0)
      broken = 1;
  } else {
    reached |= 1;
    broken = RunMain(engine, request.code, reached);
    const uint8_t* bytes = ScriptCodeBytes(request.code);
    const auto length = static_cast<size_t>(ScriptControl(request.code, kScriptCodeSize, 0, nullptr));
    try {
      basic::CodeImage image = basic::ReadImage(bytes, length);
      if (!image.code.empty() && broken == 0) {
        basic::Instr& changed = image.code[(size + 7u * size) % image.code.size()];
        changed.a = (size % 3 == 0) ? changed.a + 1 : (size % 3 == 1) ? -changed.a - 2 : changed.a * 7;
        if (size % 5 == 0) changed.b += 1;
        const std::vector<uint8_t> mutated = basic::WriteImage(image);
        int16_t error = 0;
        ScriptCode* code = ScriptCodeFromBytes(mutated.data(), mutated.size(), &error);
        if (code == nullptr) {
          reached |= 32;
        } else {
          reached |= 64;
          broken = RunMain(engine, code, reached);
          ScriptFreeCode(code);
        }
      }
    } catch (const basic::ScriptError&) {
      broken = 12;  // the engine must read back what it wrote
    }
    ScriptFreeCode(request.code);
  }
  ScriptEndEngine(engine);
  ScriptFreeDescription(description);
  return broken;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t reached = 0;
  if (BasicFuzzCheck(data, size, reached) != 0) __builtin_trap();
  return 0;
}
