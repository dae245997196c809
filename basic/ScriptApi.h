#pragma once
// The entry points of the BASIC script engine, as the program's script host and its type
// libraries call them. Each carries its ordinal number, the number the host knows it by.
//
// Life of a script: ScriptNewEngine (2) -> type libraries described with the builder calls
// (20, 28, 140, 31, 29, 30, 25, 21) and registered (6) -> ScriptCompile (4) -> ScriptLoadModule
// (12) -> ScriptNewRunContext (11) -> ScriptRun (9) -> ScriptFreeRunContext (10) ->
// ScriptUnloadModule (16) -> ScriptFreeDescription (104) -> ScriptEndEngine (3).
// ScriptControl (13) sets and asks the engine's, a context's and compiled code's attributes.
//
// Values cross in a frame: index 0 holds the result, 1 the receiver, 2 onward the arguments.
// Type codes: 2 integer (16-bit), 3 long (32-bit), 5 double, 8 string, 11 boolean (true is -1),
// 13 object; adding 0x400 passes an argument by reference (written back at its own index).
// Text is Windows-1252 bytes. Nothing here throws.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

struct ScriptEngine;       // one engine instance
struct ScriptBuilder;      // a type description being built
struct ScriptDescription;  // a finished type description
struct ScriptCode;         // compiled code: a self-contained block of bytes
struct ScriptModule;       // compiled code loaded into an engine
struct ScriptRunContext;   // one run of an entry; also the call handle and the yield handle
struct ScriptFrame;        // the values of one member call

inline constexpr int16_t kScriptInteger = 2;
inline constexpr int16_t kScriptLong = 3;
inline constexpr int16_t kScriptDouble = 5;
inline constexpr int16_t kScriptString = 8;
inline constexpr int16_t kScriptBoolean = 11;
inline constexpr int16_t kScriptObject = 13;
inline constexpr int16_t kScriptByRef = 0x400;
inline constexpr uint16_t kScriptNoId = 0xFFFF;
inline constexpr uint16_t kScriptDefaultMember = 0x4000;

// The program's callbacks.
using ScriptDispatch = void (*)(ScriptRunContext* call, uint32_t methodId, int32_t highestIndex,
                                ScriptFrame* frame);
using ScriptYield = void (*)(ScriptRunContext* handle);
// What a script shows: kind 0 a line of Print, 1 a MsgBox (the answer is the button pressed,
// 0 taken as OK), 2 a run-time error the script did not handle, 3 a compile error.
using ScriptOutput = int32_t (*)(ScriptRunContext* call, int32_t kind, const char* text);
inline constexpr int32_t kScriptShowPrint = 0;
inline constexpr int32_t kScriptShowMessage = 1;
inline constexpr int32_t kScriptShowRunError = 2;
inline constexpr int32_t kScriptShowCompileError = 3;

// One argument of a registered method: its type code, and its class for an object.
struct ScriptArgSpec {
  int16_t type;
  const char* className = nullptr;
};

// Ordinal 4's request. `version` is 1 and `flags` 0; the engine fills `code` (owned by the caller,
// freed with ScriptFreeCode) or, on a fault, the error fields.
struct ScriptCompileRequest {
  int16_t version = 1;
  int16_t flags = 0;
  const char* text = nullptr;
  ScriptCode* code = nullptr;
  ScriptEngine* engine = nullptr;
  int32_t errorLine = 0;
  int32_t errorColumn = 0;
  std::string errorMessage;
};
inline constexpr int16_t kScriptCompiled = 0;
inline constexpr int16_t kScriptSyntaxError = 1;
inline constexpr int16_t kScriptBadRequest = 2;

// An entry point asked for by name (ordinals 62 and 11).
struct ScriptEntrySpec {
  const char* name = "Main";
  int16_t argCount = 0;
  const int16_t* argTypes = nullptr;
  bool isFunction = false;
};

// Errors of ordinals 12 and 11.
inline constexpr int16_t kScriptCodeDamaged = 1;      // not compiled code, or damaged
inline constexpr int16_t kScriptCodeOtherVersion = 2;  // compiled by another engine version
inline constexpr int16_t kScriptUnknownName = 3;      // a class or global the engine lacks
inline constexpr int16_t kScriptNoEntry = 4;

// Codes of ordinal 13.
inline constexpr int16_t kScriptCodeSize = 0;         // on code: its size in bytes
inline constexpr int16_t kScriptSetOutput = 1;        // on the engine: ScriptOutput
inline constexpr int16_t kScriptRunStopped = 1;       // on a context: nonzero when broken or End
inline constexpr int16_t kScriptRunFailed = 2;        // on a context: nonzero after an error
inline constexpr int16_t kScriptRunErrorNumber = 3;   // on a context: the error's number
inline constexpr int16_t kScriptSetOwner = 4;         // on the engine: the owning window
inline constexpr int16_t kScriptGetUser = 4;          // on a context: what code 5 attached
inline constexpr int16_t kScriptSetUser = 5;          // on a context: attach a pointer
inline constexpr int16_t kScriptRunErrorLine = 6;     // on a context: the error's line
inline constexpr int16_t kScriptRunStopAsked = 7;     // on a context: nonzero when code 11 stopped it
inline constexpr int16_t kScriptSetStackSize = 9;     // on a context: value slots (0x2000)
inline constexpr int16_t kScriptSetYield = 10;        // on the engine: ScriptYield; answers the one before
inline constexpr int16_t kScriptStop = 11;            // on a context: number 1 stops the run
inline constexpr int16_t kScriptSetObjectHooks = 12;  // on the engine: ScriptObjectHooks

// Optional: the engine takes one reference on every object a member call hands it and gives
// them all back when the run ends, so an object a script still holds is never freed, and its
// address never reused for another object, while the script runs.
struct ScriptObjectHooks {
  void (*addRef)(void* object) = nullptr;
  void (*release)(void* object) = nullptr;
};

// Ordinal 2: (3, 0, status, 0, 0). Null, with a nonzero status, on failure.
ScriptEngine* ScriptNewEngine(int16_t mode, int16_t flags, uint16_t* status, void* reserved1,
                              void* reserved2);
// Ordinal 3: ends the engine and frees what it still holds.
void ScriptEndEngine(ScriptEngine* engine);

// Ordinal 13, per kind of handle.
intptr_t ScriptControl(ScriptEngine* engine, int16_t code, intptr_t number, void* pointer);
intptr_t ScriptControl(ScriptRunContext* context, int16_t code, intptr_t number, void* pointer);
intptr_t ScriptControl(const ScriptCode* code, int16_t what, intptr_t number, const void* pointer);

// Ordinal 4: compiles request->text. 0 when compiled; otherwise the error fields say where and
// why, and the engine's output callback is shown the message.
int16_t ScriptCompile(ScriptCompileRequest* request);
// Compiled code as bytes, to keep with a script, and back. ScriptCodeFromBytes refuses damaged
// bytes and those of another engine version (null, with the reason in *error).
const uint8_t* ScriptCodeBytes(const ScriptCode* code);
ScriptCode* ScriptCodeFromBytes(const uint8_t* bytes, size_t size, int16_t* error);
void ScriptFreeCode(ScriptCode* code);

// Ordinal 12: loads code into the engine; null with *error nonzero on failure.
ScriptModule* ScriptLoadModule(ScriptEngine* engine, const ScriptCode* code, uint16_t* error);
// Ordinal 16.
void ScriptUnloadModule(ScriptModule* module);
// Shares a loaded module's procedures with the other modules (or stops sharing them): a name
// that code compiled or run later does not define calls the procedure of that name of the first
// module shared, in the order they were shared, its arguments passed by value. Each call runs
// in a run of its own, so the module's variables start afresh on every call. Unloading a module
// ends its sharing, and the name is undefined again.
void ScriptShareModule(ScriptModule* module, bool shared);
// Ordinal 62: 0 when the code has the entry (name, argument count and kind), else 1.
int16_t ScriptFindEntry(const ScriptCode* code, const ScriptEntrySpec& entry);
// Ordinal 11: (module, entry, 4, error).
ScriptRunContext* ScriptNewRunContext(ScriptModule* module, const ScriptEntrySpec& entry,
                                      int16_t mode, uint32_t* error);
// Ordinal 9: runs the entry to its end, an error, End, or a stop from the yield callback.
// 0 when the run ended without an error.
int16_t ScriptRun(ScriptRunContext* context);
// Ordinal 10.
void ScriptFreeRunContext(ScriptRunContext* context);
// The text of the error that ended the run ("" when none).
const char* ScriptRunErrorText(const ScriptRunContext* context);

// Break mode. A run context given a break handler stops before a statement that starts on one
// of its breakpoint lines (once each time the run comes to that line) or where a step asked,
// and calls the handler with the line. The run goes on when the handler returns, as the step
// set meanwhile says (kScriptContinue when none); ScriptControl(context, kScriptStop, 1) from
// the handler ends it instead. Runs without a handler run as fast as ever.
using ScriptBreakHandler = void (*)(ScriptRunContext* context, int32_t line);
inline constexpr int16_t kScriptContinue = 0;
inline constexpr int16_t kScriptStepInto = 1;  // the next statement, in a called procedure too
inline constexpr int16_t kScriptStepOver = 2;  // the next statement of this procedure or its callers
inline constexpr int16_t kScriptStepOut = 3;   // the next statement of a caller
void ScriptSetBreakHandler(ScriptRunContext* context, ScriptBreakHandler handler);
void ScriptSetBreakpoints(ScriptRunContext* context, const int32_t* lines, size_t count);
// Before a run, kScriptStepInto stops at its first statement; while stopped, how to go on.
void ScriptStep(ScriptRunContext* context, int16_t how);
// True while the run waits in its break handler.
bool ScriptIsInBreak(const ScriptRunContext* context);
// While stopped: the value, as text, of a variable of the procedure stopped in or of the module,
// by name in any case. False when there is none of that name; code read back from bytes carries
// no names, so none is known there.
bool ScriptReadVariable(const ScriptRunContext* context, const char* name, std::string* text);
// Whether a statement of freshly compiled code starts on the line.
bool ScriptLineHasStatement(const ScriptCode* code, int32_t line);

// Type descriptions. Members belong to the class defined last.
ScriptBuilder* ScriptBeginDescription();                                             // 20
void ScriptDefineClass(ScriptBuilder* builder, const char* name, uint16_t reserved,   // 28
                       const char* baseName);
void ScriptDefineCollectionClass(ScriptBuilder* builder, int16_t kind, const char* name,  // 140
                                 uint16_t reserved, const char* baseName);
void ScriptDefineProperty(ScriptBuilder* builder, uint16_t flags, const char* name,  // 31
                          uint16_t setId, uint16_t getId, int16_t type, const char* className);
void ScriptDefineSub(ScriptBuilder* builder, uint16_t flags, const char* name, uint16_t id,  // 29
                     int16_t least, int16_t most, std::initializer_list<ScriptArgSpec> args);
void ScriptDefineFunction(ScriptBuilder* builder, uint16_t flags, const char* name,  // 30
                          uint16_t id, int16_t resultType, const char* resultClass, int16_t least,
                          int16_t most, std::initializer_list<ScriptArgSpec> args);
void ScriptDefineGlobal(ScriptBuilder* builder, const char* name, int16_t type,  // 25
                        const char* className, void* object);
// Ordinal 21: nonzero when the description is complete; it is stored in *description and the
// builder is freed either way.
int16_t ScriptFinishDescription(ScriptBuilder* builder, ScriptDescription** description,
                                void* host);
// Ordinal 6: 0, or 0xFFFF when refused (a duplicate library name, a null argument).
uint16_t ScriptRegisterLibrary(ScriptEngine* engine, const char* libraryName,
                               const ScriptDescription* description, ScriptDispatch dispatch);
void ScriptFreeDescription(ScriptDescription* description);  // 104

// Values in a frame.
void* ScriptArgObject(ScriptFrame* frame, int32_t index);                      // 126
int16_t ScriptArgInteger(ScriptFrame* frame, int32_t index);                   // 110
int16_t ScriptArgBoolean(ScriptFrame* frame, int32_t index);                   // 112
int32_t ScriptArgLong(ScriptFrame* frame, int32_t index);                      // 114
void ScriptArgDouble(ScriptFrame* frame, int32_t index, double* value);        // 134
uint16_t ScriptArgString(ScriptFrame* frame, int32_t index);                   // 124
void ScriptReturnObject(ScriptFrame* frame, int32_t index, void* object);      // 127
void ScriptReturnInteger(ScriptFrame* frame, int32_t index, int16_t value);    // 111
void ScriptReturnBoolean(ScriptFrame* frame, int32_t index, int16_t value);    // 113
void ScriptReturnLong(ScriptFrame* frame, int32_t index, int32_t value);       // 115
void ScriptReturnDouble(ScriptFrame* frame, int32_t index, double value);      // 119
void ScriptReturnString(ScriptFrame* frame, int32_t index, uint16_t string);   // 125

// Strings of a call. Handles live until the member call returns; 0 is no string.
const char* ScriptLockString(ScriptRunContext* call, uint16_t string);  // 49
void ScriptUnlockString(ScriptRunContext* call, uint16_t string);       // 50
uint16_t ScriptMakeString(ScriptRunContext* call, const char* text);    // 48
// The same for the engine's running script.
const char* ScriptLockString(ScriptEngine* engine, uint16_t string);
void ScriptUnlockString(ScriptEngine* engine, uint16_t string);
uint16_t ScriptMakeString(ScriptEngine* engine, const char* text);

// Ordinal 56: raises a run-time error in the running script once the member call returns.
void ScriptRaiseError(ScriptRunContext* call, int16_t reserved, int32_t number, const char* text);
void ScriptRaiseError(ScriptEngine* engine, int16_t reserved, int32_t number, const char* text);
