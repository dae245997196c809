#include "scripting/host/EngineLibrary.h"

#include <cstring>
#include <new>
#include <string>

namespace {

constexpr size_t kCountOffset = 87;
constexpr size_t kOneOffset = 93;
constexpr size_t kFunctionOffset = 176;

void PutWord(uint8_t* at, int16_t value) { std::memcpy(at, &value, sizeof value); }
int16_t GetWord(const uint8_t* at) {
  int16_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The engine's spec of an entry, with the argument types it points to.
struct EntrySpec {
  std::vector<int16_t> types;
  ScriptEntrySpec spec;

  explicit EntrySpec(const TEntryRecord& entry) {
    for (int16_t i = 0; i < entry.ArgumentCount(); ++i) types.push_back(entry.ArgumentType(i));
    spec.name = entry.Name();
    spec.argCount = entry.ArgumentCount();
    spec.argTypes = types.empty() ? nullptr : types.data();
    spec.isFunction = entry.IsFunction();
  }
};

}  // namespace

TEntryRecord::TEntryRecord(const char* name, int16_t argumentCount, const int16_t* argumentTypes,
                           bool isFunction) {
  if (name != nullptr) std::strncpy(reinterpret_cast<char*>(bytes_), name, kNameSize - 1);
  if (argumentCount < 0 || argumentTypes == nullptr) argumentCount = 0;
  PutWord(bytes_ + kCountOffset, argumentCount);
  PutWord(bytes_ + kOneOffset, 1);
  PutWord(bytes_ + kFunctionOffset, isFunction ? -1 : 0);
  arguments_.assign(static_cast<size_t>(argumentCount) * kArgumentSize, 0);
  for (int16_t i = 0; i < argumentCount; ++i)
    PutWord(arguments_.data() + static_cast<size_t>(i) * kArgumentSize, argumentTypes[i]);
}

int16_t TEntryRecord::ArgumentCount() const { return GetWord(bytes_ + kCountOffset); }
bool TEntryRecord::IsFunction() const { return GetWord(bytes_ + kFunctionOffset) != 0; }
int16_t TEntryRecord::ArgumentType(int16_t i) const {
  if (i < 0 || i >= ArgumentCount()) return 0;
  return GetWord(arguments_.data() + static_cast<size_t>(i) * kArgumentSize);
}

ScriptEngine* EngineStart(uint16_t* status) {
  return ScriptNewEngine(3, 0, status, nullptr, nullptr);
}

int16_t EngineCompile(TEngineCompileRequest* request) {
  if (request == nullptr) return kEngineRaised;
  request->code = nullptr;
  ScriptCompileRequest own;
  own.version = request->version;
  own.flags = request->flags;
  own.text = request->text;
  own.engine = request->engine;
  try {
    const int16_t status = ScriptCompile(&own);
    if (status != kScriptCompiled) {
      ScriptFreeCode(own.code);
      return kEngineNotCompiled;
    }
  } catch (...) {
    return kEngineRaised;
  }
  request->code = own.code;
  return request->code != nullptr ? kEngineCompiled : kEngineNotCompiled;
}

int16_t EngineFindEntry(const ScriptCode* code, const TEntryRecord& entry) {
  const EntrySpec spec(entry);
  return ScriptFindEntry(code, spec.spec);
}

ScriptRunContext* EngineNewRunContext(ScriptModule* module, const TEntryRecord& entry,
                                      int16_t mode, uint32_t* error) {
  const EntrySpec spec(entry);
  return ScriptNewRunContext(module, spec.spec, mode, error);
}

int16_t EngineArgBoolean(ScriptFrame* frame, int32_t index) {
  return ScriptArgBoolean(frame, index) != 0 ? 1 : 0;
}
