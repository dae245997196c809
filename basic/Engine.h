#pragma once
// The engine's own records behind the handles of ScriptApi.h: type libraries as registered,
// loaded modules and run contexts.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "basic/Bytecode.h"
#include "basic/ScriptApi.h"
#include "basic/Value.h"

namespace basic {

class Machine;

enum class MemberKind : uint8_t { kProperty, kFunction, kSub };

struct MemberDef {
  MemberKind kind = MemberKind::kSub;
  std::string name;
  std::string key;
  uint16_t flags = 0;
  uint16_t id = kScriptNoId;  // functions and subs
  uint16_t setId = kScriptNoId;
  uint16_t getId = kScriptNoId;
  int16_t resultType = 0;  // properties and functions
  std::string resultClass;
  int16_t least = 0;
  int16_t most = 0;
  std::vector<std::pair<int16_t, std::string>> args;  // type code and class name
  int32_t library = -1;  // whose dispatch callback serves it, set when registered
  bool byRef = false;    // some argument is passed by reference
  // Classes named above, resolved on first use (-2 not yet).
  mutable int32_t resultCls = -2;
  mutable std::vector<int32_t> argClasses;
};

struct ClassDef {
  std::string name;
  std::string baseName;
  bool collection = false;
  std::vector<MemberDef> members;
};

struct GlobalDef {
  std::string name;
  int16_t type = 0;
  std::string className;
  void* object = nullptr;
};

struct DescriptionData {
  std::vector<ClassDef> classes;
  std::vector<GlobalDef> globals;
};

// A registered class. Class names in members are resolved when first needed, since a library
// may name classes of libraries registered after it.
struct ClassInfo {
  ClassDef def;
  std::string key;           // lower-case name
  std::string qualifiedKey;  // "library.name" in lower case
  int32_t library = 0;
  int32_t base = -2;  // -2 not yet resolved, -1 none
};

struct LibraryInfo {
  std::string key;
  ScriptDispatch dispatch = nullptr;
};

struct HostGlobal {
  std::string key;
  std::string className;
  void* object = nullptr;
};

}  // namespace basic

struct ScriptBuilder {
  basic::DescriptionData data;
  bool failed = false;
};

struct ScriptDescription {
  basic::DescriptionData data;
};

struct ScriptCode {
  std::vector<uint8_t> bytes;
  // What a debugger needs of freshly compiled code beside its bytes (empty for code read back
  // from bytes): the names of the variables and the lines on which statements start.
  std::vector<std::string> globalNames;
  std::vector<std::vector<std::string>> localNames;  // per procedure
  std::vector<int32_t> statementLines;               // ascending, each once
};

struct ScriptEngine {
  std::vector<basic::LibraryInfo> libraries;
  std::vector<std::unique_ptr<basic::ClassInfo>> classes;  // stable addresses
  std::vector<basic::HostGlobal> globals;
  ScriptYield yield = nullptr;
  ScriptOutput output = nullptr;
  ScriptObjectHooks hooks;
  void* owner = nullptr;
  std::vector<ScriptRunContext*> running;  // the innermost run last
  int32_t modules = 0;                     // loaded modules not yet unloaded
  std::vector<ScriptModule*> shared;       // modules whose procedures others call, in order
  bool ended = false;

  // The class of this name ("Class" or "Library.Class", any case), or -1.
  int32_t FindClass(std::string_view name) const;
  int32_t BaseOf(int32_t cls);
  bool DerivesFrom(int32_t cls, int32_t ancestor);
  // The overloads of a member of a class or its bases; the member's class in *owner.
  std::vector<const basic::MemberDef*> FindMember(int32_t cls, std::string_view key);
  // The class a member names (its result, or argument i), resolved once.
  int32_t ResultClass(const basic::MemberDef& member);
  int32_t ArgClass(const basic::MemberDef& member, size_t i);
  const basic::HostGlobal* FindGlobal(std::string_view key) const;
  // The first shared module with a procedure of the lower-case name, and the procedure's index
  // in *proc; null when none has one.
  ScriptModule* FindSharedProc(std::string_view key, int32_t* proc) const;
};

namespace basic {
// A run of one procedure of a loaded module, which the caller passes arguments to and frees.
ScriptRunContext* NewProcedureRun(ScriptModule* module, int32_t proc);
}  // namespace basic

struct ScriptModule {
  ScriptEngine* engine = nullptr;
  basic::CodeImage image;
  std::vector<int32_t> classIds;                     // per image.classNames
  std::vector<std::pair<void*, int32_t>> hostObjects;  // per image.hostGlobals
  int32_t contexts = 0;
  bool unloaded = false;
};

struct ScriptFrame {
  std::vector<basic::Value> slots;  // only grows; the first `used` are this call's
  int32_t used = 0;
  ScriptRunContext* call = nullptr;
};

struct ScriptRunContext {
  ScriptModule* module = nullptr;
  int32_t entry = 0;
  int32_t stackSize = 0x2000;
  void* user = nullptr;
  bool ran = false;
  bool failed = false;
  bool stopped = false;
  bool stopRequested = false;
  bool running = false;
  bool freeAfterRun = false;  // freed by a member call of its own run: freed when the run ends
  int32_t errorNumber = 0;
  int32_t errorLine = 0;
  std::string errorText;
  // The error a member call raised (ordinal 56), raised in the script when the call returns.
  bool pendingError = false;
  int32_t pendingNumber = 0;
  std::string pendingText;
  std::vector<std::string> strings;  // string handles of the current member call, 1-based
  std::unordered_set<void*> held;    // objects referenced for the run (ScriptObjectHooks)
  std::unique_ptr<basic::Machine> machine;
  // A run of a procedure with parameters (a call from another module): its arguments, and the
  // result it came back with.
  std::vector<basic::Value> arguments;
  basic::Value result;
  // The run that called this one's procedure: the objects this run held go over to it.
  ScriptRunContext* caller = nullptr;

  // Break mode: a run with a break handler stops before a statement on a breakpoint line, or
  // where a step asked, and calls the handler, which returns when the user continues.
  ScriptBreakHandler breakHandler = nullptr;
  std::vector<int32_t> breakLines;  // ascending
  int16_t step = 0;                 // kScriptContinue ... kScriptStepOut
  int32_t stepDepth = 0;            // the depth of calls where the step was asked
  int32_t breakLine = 0;            // the line stopped at, while stopped
  bool inBreak = false;

  ~ScriptRunContext();
};
