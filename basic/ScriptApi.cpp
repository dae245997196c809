// The engine's entry points: engines, compiling, code, modules, run contexts, attributes, and
// the values and strings of a member call.

#include "basic/ScriptApi.h"

#include <algorithm>
#include <cstring>

#include "basic/Compiler.h"
#include "basic/Engine.h"
#include "basic/Machine.h"

using basic::Value;
using basic::VType;

namespace {

// Runs nested through a member call (a script starting a script) stop at this depth.
constexpr size_t kMaxNestedRuns = 8;

void DeleteEngineWhenDone(ScriptEngine* engine) {
  if (engine->ended && engine->modules == 0 && engine->running.empty()) delete engine;
}

void DeleteModuleWhenDone(ScriptModule* module) {
  if (!module->unloaded || module->contexts > 0) return;
  ScriptEngine* engine = module->engine;
  delete module;
  --engine->modules;
  DeleteEngineWhenDone(engine);
}

Value* Slot(ScriptFrame* frame, int32_t index) {
  if (frame == nullptr || index < 0 || index >= frame->used) return nullptr;
  return &frame->slots[index];
}

template <typename T, typename F>
T ReadArg(ScriptFrame* frame, int32_t index, F read) {
  const Value* slot = Slot(frame, index);
  if (slot == nullptr) return T{};
  try {
    return read(*slot);
  } catch (const basic::ScriptError&) {
    return T{};
  }
}

ScriptRunContext* Running(ScriptEngine* engine) {
  return engine != nullptr && !engine->running.empty() ? engine->running.back() : nullptr;
}

}  // namespace

ScriptRunContext::~ScriptRunContext() = default;

ScriptEngine* ScriptNewEngine(int16_t, int16_t, uint16_t* status, void*, void*) {
  if (status != nullptr) *status = 0;
  return new ScriptEngine;
}

void ScriptEndEngine(ScriptEngine* engine) {
  if (engine == nullptr) return;
  engine->ended = true;
  DeleteEngineWhenDone(engine);
}

intptr_t ScriptControl(ScriptEngine* engine, int16_t code, intptr_t, void* pointer) {
  if (engine == nullptr) return 0;
  switch (code) {
    case kScriptSetYield: {
      const ScriptYield previous = engine->yield;
      engine->yield = reinterpret_cast<ScriptYield>(pointer);
      return reinterpret_cast<intptr_t>(previous);
    }
    case kScriptSetOutput: engine->output = reinterpret_cast<ScriptOutput>(pointer); return 0;
    case kScriptSetObjectHooks:
      engine->hooks = pointer != nullptr ? *static_cast<const ScriptObjectHooks*>(pointer) : ScriptObjectHooks{};
      return 0;
    case kScriptSetOwner: {
      void* previous = engine->owner;
      engine->owner = pointer;
      return reinterpret_cast<intptr_t>(previous);
    }
    default: return 0;
  }
}

intptr_t ScriptControl(ScriptRunContext* context, int16_t code, intptr_t number, void* pointer) {
  if (context == nullptr) return 0;
  switch (code) {
    case kScriptRunStopped: return context->stopped ? 1 : 0;
    case kScriptRunFailed: return context->failed ? 1 : 0;
    case kScriptRunErrorNumber: return context->errorNumber;
    case kScriptGetUser: return reinterpret_cast<intptr_t>(context->user);
    case kScriptSetUser: context->user = pointer; return 0;
    case kScriptRunErrorLine: return context->errorLine;
    case kScriptRunStopAsked: return context->stopped && context->stopRequested ? 1 : 0;
    case kScriptSetStackSize:
      if (number >= 64 && number <= (1 << 20)) context->stackSize = static_cast<int32_t>(number);
      return context->stackSize;
    case kScriptStop:
      if (number == 1) context->stopRequested = true;
      return 0;
    default: return 0;
  }
}

intptr_t ScriptControl(const ScriptCode* code, int16_t what, intptr_t, const void*) {
  if (code == nullptr) return 0;
  return what == kScriptCodeSize ? static_cast<intptr_t>(code->bytes.size()) : 0;
}

int16_t ScriptCompile(ScriptCompileRequest* request) {
  if (request == nullptr) return kScriptBadRequest;
  request->code = nullptr;
  if (request->text == nullptr) return kScriptBadRequest;
  ScriptEngine* engine = request->engine;
  basic::CompileEnvironment environment;
  environment.knowsClass = [engine](const std::string& name) {
    return engine != nullptr && engine->FindClass(name) >= 0;
  };
  environment.knowsGlobal = [engine](const std::string& key) {
    return engine != nullptr && engine->FindGlobal(key) != nullptr;
  };
  environment.findProcedure = [engine](const std::string& key, basic::ExternalProc* found) {
    int32_t proc = 0;
    const ScriptModule* module = engine != nullptr ? engine->FindSharedProc(key, &proc) : nullptr;
    if (module == nullptr) return false;
    found->params = module->image.procs[proc].paramCount;
    found->isFunction = module->image.procs[proc].isFunction;
    return true;
  };
  try {
    basic::CodeImage image = basic::CompileText(request->text, environment);
    basic::VerifyImage(image);
    request->code = new ScriptCode{basic::WriteImage(image), std::move(image.globalNames), {}, {}};
    for (basic::ProcInfo& proc : image.procs) {
      request->code->localNames.push_back(std::move(proc.localNames));
      for (int32_t pc : proc.statements) request->code->statementLines.push_back(image.lines[pc]);
    }
    std::vector<int32_t>& lines = request->code->statementLines;
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    request->errorLine = request->errorColumn = 0;
    request->errorMessage.clear();
    return kScriptCompiled;
  } catch (const basic::CompileError& error) {
    request->errorLine = error.line;
    request->errorColumn = error.column;
    request->errorMessage = error.message;
  } catch (const basic::ScriptError& error) {
    request->errorLine = request->errorColumn = 0;
    request->errorMessage = error.text;
  } catch (const std::bad_alloc&) {
    request->errorLine = request->errorColumn = 0;
    request->errorMessage = "Out of memory";
  }
  if (engine != nullptr && engine->output != nullptr) {
    const std::string text = "Compile error at line " + std::to_string(request->errorLine) +
                             ", column " + std::to_string(request->errorColumn) + ": " +
                             request->errorMessage;
    engine->output(nullptr, kScriptShowCompileError, text.c_str());
  }
  return kScriptSyntaxError;
}

const uint8_t* ScriptCodeBytes(const ScriptCode* code) {
  return code != nullptr ? code->bytes.data() : nullptr;
}

ScriptCode* ScriptCodeFromBytes(const uint8_t* bytes, size_t size, int16_t* error) {
  if (error != nullptr) *error = 0;
  try {
    basic::ReadImage(bytes, size);
    return new ScriptCode{std::vector<uint8_t>(bytes, bytes + size), {}, {}, {}};
  } catch (const basic::ScriptError& fault) {
    if (error != nullptr) *error = static_cast<int16_t>(fault.number);
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = kScriptCodeDamaged;
  }
  return nullptr;
}

void ScriptFreeCode(ScriptCode* code) { delete code; }

ScriptModule* ScriptLoadModule(ScriptEngine* engine, const ScriptCode* code, uint16_t* error) {
  if (error != nullptr) *error = 0;
  auto fail = [error](int16_t why) -> ScriptModule* {
    if (error != nullptr) *error = static_cast<uint16_t>(why);
    return nullptr;
  };
  if (engine == nullptr || code == nullptr) return fail(kScriptCodeDamaged);
  auto module = std::make_unique<ScriptModule>();
  module->engine = engine;
  try {
    module->image = basic::ReadImage(code->bytes.data(), code->bytes.size());
  } catch (const basic::ScriptError& fault) {
    return fail(static_cast<int16_t>(fault.number));
  } catch (const std::bad_alloc&) {
    return fail(kScriptCodeDamaged);
  }
  for (const std::string& name : module->image.classNames) {
    const int32_t cls = engine->FindClass(name);
    if (cls < 0) return fail(kScriptUnknownName);
    module->classIds.push_back(cls);
  }
  for (int32_t name : module->image.hostGlobals) {
    const basic::HostGlobal* global = engine->FindGlobal(module->image.names[name]);
    if (global == nullptr) return fail(kScriptUnknownName);
    module->hostObjects.emplace_back(global->object, engine->FindClass(global->className));
  }
  if (code->localNames.size() == module->image.procs.size() &&
      code->globalNames.size() == module->image.globals.size()) {
    module->image.globalNames = code->globalNames;
    for (size_t i = 0; i < code->localNames.size(); ++i)
      module->image.procs[i].localNames = code->localNames[i];
  }
  ++engine->modules;
  return module.release();
}

void ScriptUnloadModule(ScriptModule* module) {
  if (module == nullptr) return;
  std::erase(module->engine->shared, module);
  module->unloaded = true;
  DeleteModuleWhenDone(module);
}

void ScriptShareModule(ScriptModule* module, bool shared) {
  if (module == nullptr || module->unloaded) return;
  std::vector<ScriptModule*>& modules = module->engine->shared;
  std::erase(modules, module);
  if (shared) modules.push_back(module);
}

ScriptModule* ScriptEngine::FindSharedProc(std::string_view key, int32_t* proc) const {
  for (ScriptModule* module : shared) {
    const std::vector<basic::ProcInfo>& procs = module->image.procs;
    for (size_t i = 0; i < procs.size(); ++i) {
      if (basic::Lower(procs[i].name) != key) continue;
      *proc = static_cast<int32_t>(i);
      return module;
    }
  }
  return nullptr;
}

namespace {

// The procedure of the code that matches an entry, or -1.
int32_t FindProc(const basic::CodeImage& image, const ScriptEntrySpec& entry) {
  if (entry.name == nullptr) return -1;
  const std::string key = basic::Lower(entry.name);
  for (size_t i = 0; i < image.procs.size(); ++i) {
    const basic::ProcInfo& proc = image.procs[i];
    if (basic::Lower(proc.name) != key) continue;
    if (proc.isFunction != entry.isFunction || proc.paramCount != entry.argCount) return -1;
    return static_cast<int32_t>(i);
  }
  return -1;
}

}  // namespace

int16_t ScriptFindEntry(const ScriptCode* code, const ScriptEntrySpec& entry) {
  if (code == nullptr) return 1;
  try {
    const basic::CodeImage image = basic::ReadImage(code->bytes.data(), code->bytes.size());
    return FindProc(image, entry) >= 0 ? 0 : 1;
  } catch (const basic::ScriptError&) {
    return 1;
  }
}

ScriptRunContext* ScriptNewRunContext(ScriptModule* module, const ScriptEntrySpec& entry,
                                      int16_t, uint32_t* error) {
  if (error != nullptr) *error = 0;
  const int32_t proc = module != nullptr ? FindProc(module->image, entry) : -1;
  // Only entries without arguments can be started: there is nothing to pass them.
  if (proc < 0 || entry.argCount != 0) {
    if (error != nullptr) *error = kScriptNoEntry;
    return nullptr;
  }
  return basic::NewProcedureRun(module, proc);
}

ScriptRunContext* basic::NewProcedureRun(ScriptModule* module, int32_t proc) {
  auto* context = new ScriptRunContext;
  context->module = module;
  context->entry = proc;
  ++module->contexts;
  return context;
}

int16_t ScriptRun(ScriptRunContext* context) {
  if (context == nullptr || context->running) return 1;  // a context runs once at a time
  ScriptEngine* engine = context->module->engine;
  context->failed = context->stopped = context->stopRequested = context->pendingError = false;
  context->errorNumber = context->errorLine = 0;
  context->errorText.clear();
  if (engine->running.size() >= kMaxNestedRuns) {
    context->failed = true;
    context->errorNumber = 28;
    context->errorText = "Too many scripts started from one another";
    return 1;
  }
  engine->running.push_back(context);
  context->running = true;
  try {
    context->machine = std::make_unique<basic::Machine>(*context);
    context->machine->Run();
  } catch (const std::bad_alloc&) {
    context->failed = true;
    context->errorNumber = 7;
    context->errorText = basic::ErrorText(7);
  }
  context->machine.reset();
  // Objects the run held go back only now: no value of the run refers to them any more.
  // A called procedure's run hands them to its caller, whose values may hold them still.
  if (engine->hooks.release != nullptr)
    for (void* object : context->held)
      if (context->caller == nullptr || !context->caller->held.insert(object).second)
        engine->hooks.release(object);
  context->held.clear();
  context->ran = true;
  context->running = false;
  engine->running.pop_back();
  const int16_t result = context->failed ? 1 : 0;
  if (context->freeAfterRun) ScriptFreeRunContext(context);
  return result;
}

void ScriptFreeRunContext(ScriptRunContext* context) {
  if (context == nullptr) return;
  if (context->running) {
    context->freeAfterRun = true;
    return;
  }
  ScriptModule* module = context->module;
  delete context;
  --module->contexts;
  DeleteModuleWhenDone(module);
}

const char* ScriptRunErrorText(const ScriptRunContext* context) {
  return context != nullptr ? context->errorText.c_str() : "";
}

void* ScriptArgObject(ScriptFrame* frame, int32_t index) {
  const Value* slot = Slot(frame, index);
  return slot != nullptr && slot->type() == VType::kObject ? slot->RawObject() : nullptr;
}

int16_t ScriptArgInteger(ScriptFrame* frame, int32_t index) {
  // The argument mostly holds the registered type already: no conversion, nothing to catch.
  const Value* slot = Slot(frame, index);
  if (slot != nullptr && slot->type() == VType::kInteger) return static_cast<int16_t>(slot->RawInt());
  return ReadArg<int16_t>(frame, index, [](const Value& v) { return v.ToInteger(); });
}

int16_t ScriptArgBoolean(ScriptFrame* frame, int32_t index) {
  return ReadArg<int16_t>(frame, index, [](const Value& v) -> int16_t { return v.ToBoolean() ? -1 : 0; });
}

int32_t ScriptArgLong(ScriptFrame* frame, int32_t index) {
  const Value* slot = Slot(frame, index);
  if (slot != nullptr && (slot->type() == VType::kLong || slot->type() == VType::kInteger)) return slot->RawInt();
  return ReadArg<int32_t>(frame, index, [](const Value& v) { return v.ToLong(); });
}

void ScriptArgDouble(ScriptFrame* frame, int32_t index, double* value) {
  if (value == nullptr) return;
  const Value* slot = Slot(frame, index);
  if (slot != nullptr && slot->type() == VType::kDouble) {
    *value = slot->RawDouble();
    return;
  }
  *value = ReadArg<double>(frame, index, [](const Value& v) { return v.ToDouble(); });
}

uint16_t ScriptArgString(ScriptFrame* frame, int32_t index) {
  const Value* slot = Slot(frame, index);
  if (slot == nullptr || frame->call == nullptr) return 0;
  std::string text = ReadArg<std::string>(frame, index, [](const Value& v) { return v.ToString(); });
  return ScriptMakeString(frame->call, text.c_str());
}

void ScriptReturnObject(ScriptFrame* frame, int32_t index, void* object) {
  if (Value* slot = Slot(frame, index)) *slot = Value::Object(object, -1);
}

void ScriptReturnInteger(ScriptFrame* frame, int32_t index, int16_t value) {
  if (Value* slot = Slot(frame, index)) *slot = Value::Integer(value);
}

void ScriptReturnBoolean(ScriptFrame* frame, int32_t index, int16_t value) {
  if (Value* slot = Slot(frame, index)) *slot = Value::Boolean(value != 0);
}

void ScriptReturnLong(ScriptFrame* frame, int32_t index, int32_t value) {
  if (Value* slot = Slot(frame, index)) *slot = Value::Long(value);
}

void ScriptReturnDouble(ScriptFrame* frame, int32_t index, double value) {
  if (Value* slot = Slot(frame, index)) *slot = Value::Double(value);
}

void ScriptReturnString(ScriptFrame* frame, int32_t index, uint16_t string) {
  Value* slot = Slot(frame, index);
  if (slot == nullptr || frame->call == nullptr) return;
  const char* text = ScriptLockString(frame->call, string);
  *slot = Value::String(text != nullptr ? text : "");
}

const char* ScriptLockString(ScriptRunContext* call, uint16_t string) {
  if (call == nullptr || string == 0 || string > call->strings.size()) return nullptr;
  return call->strings[string - 1].c_str();
}

void ScriptUnlockString(ScriptRunContext*, uint16_t) {}

uint16_t ScriptMakeString(ScriptRunContext* call, const char* text) {
  if (call == nullptr || call->strings.size() >= 0xFFFF) return 0;
  std::string copy = text != nullptr ? text : "";
  if (copy.size() > basic::kMaxStringLength) return 0;
  call->strings.push_back(std::move(copy));
  return static_cast<uint16_t>(call->strings.size());
}

const char* ScriptLockString(ScriptEngine* engine, uint16_t string) {
  return ScriptLockString(Running(engine), string);
}

void ScriptUnlockString(ScriptEngine*, uint16_t) {}

uint16_t ScriptMakeString(ScriptEngine* engine, const char* text) {
  return ScriptMakeString(Running(engine), text);
}

void ScriptRaiseError(ScriptRunContext* call, int16_t, int32_t number, const char* text) {
  if (call == nullptr) return;
  call->pendingError = true;
  call->pendingNumber = number != 0 ? number : 5;  // error 0 would read as no error at all
  call->pendingText = text != nullptr ? text : basic::ErrorText(number);
}

void ScriptRaiseError(ScriptEngine* engine, int16_t reserved, int32_t number, const char* text) {
  ScriptRaiseError(Running(engine), reserved, number, text);
}

void ScriptSetBreakHandler(ScriptRunContext* context, ScriptBreakHandler handler) {
  if (context != nullptr && !context->running) context->breakHandler = handler;
}

void ScriptSetBreakpoints(ScriptRunContext* context, const int32_t* lines, size_t count) {
  if (context == nullptr) return;
  context->breakLines.assign(lines, lines + (lines != nullptr ? count : 0));
  std::sort(context->breakLines.begin(), context->breakLines.end());
}

void ScriptStep(ScriptRunContext* context, int16_t how) {
  if (context == nullptr || how < kScriptContinue || how > kScriptStepOut) return;
  context->step = how;
}

bool ScriptIsInBreak(const ScriptRunContext* context) {
  return context != nullptr && context->inBreak;
}

bool ScriptReadVariable(const ScriptRunContext* context, const char* name, std::string* text) {
  if (context == nullptr || name == nullptr || !context->inBreak || !context->machine) return false;
  return context->machine->ReadVariable(basic::Lower(name), text);
}

bool ScriptLineHasStatement(const ScriptCode* code, int32_t line) {
  return code != nullptr &&
         std::binary_search(code->statementLines.begin(), code->statementLines.end(), line);
}
