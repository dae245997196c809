#pragma once
// The virtual machine: runs a loaded module's procedure in a run context. Locals and operands
// share one value stack; procedure frames record where each procedure's locals begin. Errors
// are C++ exceptions inside the machine only, caught by the loop and turned into On Error jumps
// or the run's final error.

#include <cstdint>
#include <string>
#include <vector>

#include "basic/Builtins.h"
#include "basic/Engine.h"

namespace basic {

// An element of an array value read with its indexes; raises 9 outside the bounds.
Value ReadElement(const Value& array, const Value* indexes, int32_t count);

class Machine : public BuiltinHost {
 public:
  explicit Machine(ScriptRunContext& context);
  // Runs the context's entry to its end; the outcome is left in the context.
  void Run();

  // While the run is stopped in break mode: a variable of the current procedure or the module
  // by lower-case name, as text.
  bool ReadVariable(const std::string& key, std::string* text) const;

  RandomState& Random() override { return random_; }
  int32_t ShowMessage(const std::string& text) override;

 private:
  struct Frame {
    int32_t proc = 0;
    int32_t returnPc = 0;  // in the caller
    int32_t base = 0;      // first local on the stack
    int32_t handlerMode = 0;  // 0 none, 1 resume next, 2 go to handlerPc
    int32_t handlerPc = 0;
    bool inHandler = false;
    int32_t errorPc = 0;  // where the error being handled happened, in this procedure
  };
  struct StopRun {};

  // What a call of a procedure needs, worked out once per run.
  struct ProcPlan {
    int32_t codeStart = 0;
    int32_t params = 0;
    int32_t locals = 0;
    int32_t need = 0;     // stack slots of a frame: locals, operands and the result
    int32_t result = -1;  // the result's local; -1 for a Sub
    // No parameter or local is an array and no parameter is an object, so a call whose arguments
    // already hold the parameters' types only copies the locals' start values.
    bool quick = false;
    std::vector<VType> paramTypes;  // kEmpty takes anything
    std::vector<Value> start;       // start values of the locals after the parameters
  };

  enum class Access { kGet, kSet, kCall };
  // Members found for (class, name, kind of call), when the name has one registration only.
  struct CachedMember {
    int32_t cls = -2;
    const char* key = nullptr;
    Access access = Access::kGet;
    int32_t argc = 0;
    bool wantResult = false;
    const MemberDef* member = nullptr;
  };

  // Machine.cpp: the loop, procedure frames and errors.
  void MakePlans();
  static bool ArgsFit(const ProcPlan& plan, const Value* args) {
    for (int32_t i = 0; i < plan.params; ++i) {
      const VType wanted = plan.paramTypes[i];
      if (wanted != VType::kEmpty && args[i].type() != wanted) return false;
    }
    return true;
  }
  const SlotInfo& LocalSlot(int32_t slot) const { return image_.procs[frames_.back().proc].locals[slot]; }
  void EnterProc(int32_t proc, int32_t argc, int32_t returnPc);
  int32_t LeaveProc();
  void Execute(int32_t start);
  void Loop();
  bool EachNext(int32_t index, Value* locals);
  bool HandleError(const ScriptError& error, int32_t& pc);
  void Resume(int32_t mode, int32_t target, int32_t& pc);
  int32_t NextStatement(const ProcInfo& proc, int32_t pc) const;
  int32_t StatementStart(const ProcInfo& proc, int32_t pc) const;
  void Yield();
  // Break mode: the statement starting at pc is about to run.
  void AtStatement(int32_t pc);
  bool ShouldBreak(int32_t line, int32_t depth) const;
  void Print(const Value& value, int32_t mode);
  void Show(int32_t kind, const std::string& text);

  // MachineCalls.cpp: variables, arrays and loops.
  void InitGlobals();
  Value& Var(int32_t ref);
  void StoreVar(int32_t ref, Value value);
  void StoreLocal(int32_t slot, Value value);
  Value Typed(const SlotInfo& slot, Value value);
  Value NewArray(const SlotInfo& slot, const Value* bounds, int32_t dims, const ArrayRep* keep);
  Value& Element(int32_t ref, const Value* indexes, int32_t count);
  Value Default(const SlotInfo& slot);
  bool ForPrep(const LoopInfo& loop);
  bool ForNext(const LoopInfo& loop);
  bool EachStep(const LoopInfo& loop, bool first);
  void Append(int32_t ref, const Value& tail);
  // Runs the procedure of that name of a shared module in a run of its own; raises 35 when no
  // shared module has it, and the callee's error when its run fails.
  Value CallExternal(const std::string& key, Value* args, int32_t argc);

  // MachineMembers.cpp: members of the program's objects.
  Value CallNamed(const Value& object, std::string_view key, Access access, Value* args,
                  int32_t argc, bool wantResult, CachedMember* site = nullptr);
  // A member call of the code, through the site's own cache.
  Value CallSite(int32_t site, const Value& object, Access access, Value* args, int32_t argc);
  const MemberDef* Choose(const std::vector<const MemberDef*>& candidates, Access access,
                          const Value* args, int32_t argc, bool wantResult);
  int ArgFit(const MemberDef& member, size_t i, const Value& value);
  Value Dispatch(const Value& object, const MemberDef& member, Access access, Value* args,
                 int32_t argc);
  Value Passed(VType type, const Value& arg);
  void AfterCall();
  void TakeOuts(const MemberDef& member, Access access, int32_t argc);
  Value ObjectResult(const MemberDef& member);

  static constexpr size_t kMemberCacheSize = 64;
  static constexpr size_t kMaxFrames = 100000;  // calls deeper than this are out of stack space

  ScriptRunContext& context_;
  ScriptModule& module_;
  ScriptEngine& engine_;
  const CodeImage& image_;
  const Value* const constants_;
  std::vector<Instr> code_;  // the image's code with neighbours paired (MakePlans)
  std::vector<ProcPlan> plans_;
  std::vector<VType> loopWhole_;  // per loop: the Integer or Long type of its local variable, else kEmpty
  std::vector<Value> stack_;
  int32_t sp_ = 0;  // first free stack slot
  const Instr* ip_ = nullptr;  // the next instruction of code_, as the loop last handed it over
  std::vector<Frame> frames_;
  std::vector<Value> globals_;
  std::vector<Value> outs_;
  std::vector<uint8_t> outValid_;
  ScriptFrame frame_;
  int32_t errNumber_ = 0;
  std::string errText_;
  int32_t yieldCountdown_ = 1;
  RandomState random_;
  std::string line_;
  Value emptyString_;
  CachedMember memberCache_[kMemberCacheSize];
  std::vector<CachedMember> siteCache_;  // per member site of the code
  std::vector<CachedMember> itemCache_;  // the Item member per For Each loop
  // Break mode: the first instructions of the statements, which kStatement stands in for in
  // code_, and the line and depth of calls of the statement that ran last.
  std::vector<Instr> statementFirst_;
  int32_t lastLine_ = -1;
  int32_t lastDepth_ = -1;
};

}  // namespace basic
