#pragma once
// The script engine as the host enters it. The engine is linked in and its handles are typed
// pointers, so most entries are basic/ScriptApi.h's functions as they are. The functions here
// stand where the engine's own interface differs from the records the host keeps:
// - the compile request: a status of 0x12 means the engine raised, any other nonzero status a
//   script that did not compile (no code is kept for it);
// - the entry record: a 178-byte record that the host fills, read into the engine's entry spec;
// - a boolean argument: the engine answers -1 for true; the call frame hands on 1.
// Code 1 of the engine's control call installs the engine's output hook (Print, MsgBox and the
// text of errors), and code 12 its object hooks.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "basic/ScriptApi.h"

// The request the host hands to the compile call.
struct TEngineCompileRequest {
  int16_t version = 1;
  int16_t flags = 0;
  const char* text = nullptr;
  ScriptCode* code = nullptr;  // out: owned by the caller
  ScriptEngine* engine = nullptr;
};
// Statuses of EngineCompile.
inline constexpr int16_t kEngineCompiled = 0;
inline constexpr int16_t kEngineNotCompiled = 1;
inline constexpr int16_t kEngineRaised = 0x12;

// An entry point asked for by name: the 178-byte record and its 83-byte argument records.
class TEntryRecord {
 public:
  static constexpr size_t kSize = 178;
  static constexpr size_t kArgumentSize = 83;
  static constexpr size_t kNameSize = 81;

  // The name is cut to 80 characters; one argument record per type.
  TEntryRecord(const char* name, int16_t argumentCount, const int16_t* argumentTypes,
               bool isFunction);

  const uint8_t* Bytes() const { return bytes_; }
  const char* Name() const { return reinterpret_cast<const char*>(bytes_); }
  int16_t ArgumentCount() const;
  bool IsFunction() const;
  // The type code in the first word of argument record i (0-based).
  int16_t ArgumentType(int16_t i) const;

 private:
  uint8_t bytes_[kSize] = {};
  // Argument records, kept beside the record: a pointer does not fit its 32-bit field here.
  std::vector<uint8_t> arguments_;
};

ScriptEngine* EngineStart(uint16_t* status);                                     // ordinal 2
int16_t EngineCompile(TEngineCompileRequest* request);                           // ordinal 4
int16_t EngineFindEntry(const ScriptCode* code, const TEntryRecord& entry);      // ordinal 62
ScriptRunContext* EngineNewRunContext(ScriptModule* module, const TEntryRecord& entry,
                                      int16_t mode, uint32_t* error);            // ordinal 11
// Ordinal 112 as the call frame reads it: 1 for any nonzero engine value, else 0.
int16_t EngineArgBoolean(ScriptFrame* frame, int32_t index);
