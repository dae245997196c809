// The machine's loop, its error handling and its output.

#include "basic/Machine.h"

#include <algorithm>
#include <cmath>

#include "basic/Operators.h"

namespace basic {

namespace {

constexpr int32_t kYieldInterval = 1024;

bool IsWhole(VType t) { return t == VType::kInteger || t == VType::kLong; }

}  // namespace

Machine::Machine(ScriptRunContext& context)
    : context_(context),
      module_(*context.module),
      engine_(*context.module->engine),
      image_(context.module->image) {
  frame_.call = &context;
}

void Machine::Run() {
  stack_.assign(static_cast<size_t>(std::max(context_.stackSize, 64)), Value());
  sp_ = 0;
  frames_.clear();
  try {
    InitGlobals();
    EnterProc(context_.entry, 0, -1);
    Execute(image_.procs[context_.entry].codeStart);
  } catch (const StopRun&) {
    context_.stopped = true;
  } catch (const ScriptError& error) {
    int32_t pc = 0;
    HandleError(error, pc);  // an error before the first instruction cannot be handled
  }
  if (!line_.empty()) Show(kScriptShowPrint, line_);
  line_.clear();
  frames_.clear();
  stack_.clear();
  globals_.clear();
}

void Machine::Execute(int32_t pc) {
  for (;;) {
    try {
      const Instr* const code = image_.code.data();
      Value* locals = &stack_[frames_.back().base];
      for (;;) {
        const Instr& in = code[pc++];
        switch (in.op) {
          case Op::kConst: stack_[sp_++] = image_.constants[in.a]; break;
          case Op::kNothing: stack_[sp_++] = Value::Object(nullptr, -1); break;
          case Op::kLoadLocal: stack_[sp_++] = locals[in.a]; break;
          case Op::kStoreLocal: {
            Value& slot = locals[in.a];
            Value& top = stack_[--sp_];
            if (slot.type() == top.type() && slot.type() != VType::kObject) slot = std::move(top);
            else StoreLocal(in.a, std::move(top));
            break;
          }
          case Op::kLoadGlobal: stack_[sp_++] = globals_[in.a]; break;
          case Op::kStoreGlobal: StoreVar(GlobalRef(in.a), std::move(stack_[--sp_])); break;
          case Op::kAppend: Append(in.a, stack_[sp_ - 1]); stack_[--sp_] = Value(); break;
          case Op::kLoadHost: {
            const auto& [object, cls] = module_.hostObjects[in.a];
            stack_[sp_++] = Value::Object(object, cls);
            break;
          }
          case Op::kLoadElem: {
            sp_ -= in.b;
            Value element = Element(in.a, &stack_[sp_], in.b);
            for (int32_t i = 0; i < in.b; ++i) stack_[sp_ + i] = Value();
            stack_[sp_++] = std::move(element);
            break;
          }
          case Op::kStoreElem: {
            Value value = std::move(stack_[--sp_]);
            sp_ -= in.b;
            Value& element = Element(in.a, &stack_[sp_], in.b);
            const ArrayRep* rep = Var(in.a).RawArray();
            SlotInfo slot;
            slot.type = rep->element;
            element = Typed(slot, std::move(value));
            for (int32_t i = 0; i < in.b; ++i) stack_[sp_ + i] = Value();
            break;
          }
          case Op::kDimArray:
          case Op::kReDim: {
            const int32_t dims = in.b & 0xFF;
            sp_ -= 2 * dims;
            const SlotInfo& slot = in.a >= 0 ? image_.procs[frames_.back().proc].locals[in.a]
                                             : image_.globals[-1 - in.a];
            const bool keep = in.op == Op::kReDim && (in.b & kPreserve);
            Value& var = Var(in.a);
            Value array = NewArray(slot, &stack_[sp_], dims, keep && var.type() == VType::kArray ? var.RawArray() : nullptr);
            var = std::move(array);
            for (int32_t i = 0; i < 2 * dims; ++i) stack_[sp_ + i] = Value();
            break;
          }
          case Op::kErase: {
            const SlotInfo& slot = in.a >= 0 ? image_.procs[frames_.back().proc].locals[in.a]
                                             : image_.globals[-1 - in.a];
            Var(in.a) = NewArray(slot, nullptr, 0, nullptr);
            break;
          }
          case Op::kPop: stack_[--sp_] = Value(); break;
          case Op::kAdd:
          case Op::kSub:
          case Op::kMul: {
            Value& left = stack_[sp_ - 2];
            const Value& right = stack_[sp_ - 1];
            if (IsWhole(left.type()) && IsWhole(right.type())) {
              const int64_t a = left.RawInt(), b = right.RawInt();
              const int64_t r = in.op == Op::kAdd ? a + b : in.op == Op::kSub ? a - b : a * b;
              left = WholeResult(r, left.type() == VType::kLong || right.type() == VType::kLong);
            } else if (left.type() == VType::kDouble && right.type() == VType::kDouble) {
              const double a = left.RawDouble(), b = right.RawDouble();
              const double r = in.op == Op::kAdd ? a + b : in.op == Op::kSub ? a - b : a * b;
              if (!std::isfinite(r)) Raise(6);
              left = Value::Double(r);
            } else {
              left = Binary(in.op, left, right);
            }
            stack_[--sp_] = Value();
            break;
          }
          case Op::kLt:
          case Op::kLe:
          case Op::kGt:
          case Op::kGe:
          case Op::kEq:
          case Op::kNe: {
            Value& left = stack_[sp_ - 2];
            const Value& right = stack_[sp_ - 1];
            int c;
            if (IsWhole(left.type()) && IsWhole(right.type())) {
              c = left.RawInt() < right.RawInt() ? -1 : left.RawInt() > right.RawInt() ? 1 : 0;
            } else {
              c = Compare(left, right);
            }
            bool r = false;
            switch (in.op) {
              case Op::kLt: r = c < 0; break;
              case Op::kLe: r = c <= 0; break;
              case Op::kGt: r = c > 0; break;
              case Op::kGe: r = c >= 0; break;
              case Op::kEq: r = c == 0; break;
              default: r = c != 0; break;
            }
            left = Value::Boolean(r);
            stack_[--sp_] = Value();
            break;
          }
          case Op::kDiv: case Op::kIntDiv: case Op::kMod: case Op::kPow: case Op::kConcat:
          case Op::kIs: case Op::kAnd: case Op::kOr: case Op::kXor: case Op::kEqv: case Op::kImp: {
            Value& left = stack_[sp_ - 2];
            left = Binary(in.op, left, stack_[sp_ - 1]);
            stack_[--sp_] = Value();
            break;
          }
          case Op::kNeg: stack_[sp_ - 1] = Negate(stack_[sp_ - 1]); break;
          case Op::kNot: stack_[sp_ - 1] = Not(stack_[sp_ - 1]); break;
          case Op::kJump:
            if (in.a < pc && --yieldCountdown_ == 0) Yield();
            pc = in.a;
            break;
          case Op::kJumpFalse:
          case Op::kJumpTrue: {
            Value& top = stack_[--sp_];
            const bool truth = top.type() == VType::kBoolean ? top.RawInt() != 0 : top.ToBoolean();
            top = Value();
            if (truth == (in.op == Op::kJumpTrue)) {
              if (in.a < pc && --yieldCountdown_ == 0) Yield();
              pc = in.a;
            }
            break;
          }
          case Op::kCall:
            if (--yieldCountdown_ == 0) Yield();
            EnterProc(in.a, in.b, pc);
            pc = image_.procs[in.a].codeStart;
            locals = &stack_[frames_.back().base];
            break;
          case Op::kReturn: {
            const int32_t back = LeaveProc();
            if (back < 0) return;
            pc = back;
            locals = &stack_[frames_.back().base];
            break;
          }
          case Op::kBuiltin: {
            sp_ -= in.b;
            Value result = CallBuiltin(static_cast<Builtin>(in.a), &stack_[sp_], in.b, *this);
            for (int32_t i = 0; i < in.b; ++i) stack_[sp_ + i] = Value();
            stack_[sp_++] = std::move(result);
            break;
          }
          case Op::kMemberGet:
          case Op::kMemberCall:
          case Op::kMemberSet:
          case Op::kDefault: {
            const MemberSite& site = image_.sites[in.a];
            const int32_t argc = site.argc + (in.op == Op::kMemberSet ? 1 : 0);
            sp_ -= argc + 1;
            const Access access = in.op == Op::kMemberSet ? Access::kSet
                                  : in.op == Op::kMemberGet ? Access::kGet : Access::kCall;
            Value result = CallMember(stack_[sp_], site.name, access, &stack_[sp_ + 1], argc,
                                      site.wantResult);
            for (int32_t i = 0; i <= argc; ++i) stack_[sp_ + i] = Value();
            if (in.op != Op::kMemberSet) stack_[sp_++] = std::move(result);
            locals = &stack_[frames_.back().base];
            break;
          }
          case Op::kOut:
            if (static_cast<size_t>(in.b) < outValid_.size() && outValid_[in.b])
              StoreVar(in.a, outs_[in.b]);
            break;
          case Op::kForPrep:
            if (!ForPrep(image_.loops[in.a])) pc = in.b;
            break;
          case Op::kForNext:
            if (--yieldCountdown_ == 0) Yield();
            if (ForNext(image_.loops[in.a])) pc = in.b;
            break;
          case Op::kEachPrep:
            locals[image_.loops[in.a].hidden] = std::move(stack_[--sp_]);
            if (!EachStep(image_.loops[in.a], true)) pc = in.b;
            break;
          case Op::kEachNext:
            if (--yieldCountdown_ == 0) Yield();
            if (EachStep(image_.loops[in.a], false)) pc = in.b;
            break;
          case Op::kPrint:
            if (in.a == 3) {
              Print(Value(), 3);
            } else {
              Print(stack_[sp_ - 1], in.a);
              stack_[--sp_] = Value();
            }
            break;
          case Op::kOnError: {
            Frame& f = frames_.back();
            f.handlerMode = in.a;
            f.handlerPc = in.b;
            errNumber_ = 0;
            errText_.clear();
            break;
          }
          case Op::kResume: Resume(in.a, in.b, pc); break;
          case Op::kErrGet:
            if (in.a == 0) stack_[sp_++] = Value::Long(errNumber_);
            else stack_[sp_++] = Value::String(errText_);
            break;
          case Op::kErrRaise: {
            sp_ -= in.b;
            const int32_t number = stack_[sp_].ToLong();
            std::string text = in.b >= 3 ? stack_[sp_ + 2].ToString() : ErrorText(number);
            for (int32_t i = 0; i < in.b; ++i) stack_[sp_ + i] = Value();
            throw ScriptError{number, std::move(text)};
          }
          case Op::kErrClear:
            errNumber_ = 0;
            errText_.clear();
            break;
          case Op::kEnd: throw StopRun{};
          case Op::kCount: Raise(51);
        }
      }
    } catch (const ScriptError& error) {
      if (!HandleError(error, pc)) return;
    }
  }
}

bool Machine::HandleError(const ScriptError& error, int32_t& pc) {
  const int32_t top = static_cast<int32_t>(frames_.size()) - 1;
  for (int32_t fi = top; fi >= 0; --fi) {
    Frame& f = frames_[fi];
    if (f.handlerMode == 0 || (f.handlerMode == 2 && f.inHandler)) continue;
    const int32_t at = fi == top ? pc - 1 : frames_[fi + 1].returnPc - 1;
    while (static_cast<int32_t>(frames_.size()) > fi + 1) LeaveProc();
    const ProcInfo& proc = image_.procs[f.proc];
    const int32_t operands = f.base + static_cast<int32_t>(proc.locals.size());
    while (sp_ > operands) stack_[--sp_] = Value();
    errNumber_ = error.number;
    errText_ = error.text;
    if (f.handlerMode == 1) {
      pc = NextStatement(proc, at);
    } else {
      f.inHandler = true;
      f.errorPc = at;
      pc = f.handlerPc;
    }
    return true;
  }
  context_.failed = true;
  context_.errorNumber = error.number;
  context_.errorText = error.text;
  const int32_t at = pc - 1;
  context_.errorLine = at >= 0 && static_cast<size_t>(at) < image_.lines.size() ? image_.lines[at] : 0;
  Show(kScriptShowRunError, "Run-time error " + std::to_string(error.number) + " at line " +
                                std::to_string(context_.errorLine) + ": " + error.text);
  while (!frames_.empty()) LeaveProc();
  return false;
}

void Machine::Resume(int32_t mode, int32_t target, int32_t& pc) {
  Frame& f = frames_.back();
  if (!f.inHandler) Raise(20);
  const ProcInfo& proc = image_.procs[f.proc];
  if (mode == 0) pc = StatementStart(proc, f.errorPc);
  else if (mode == 1) pc = NextStatement(proc, f.errorPc);
  else pc = target;
  f.inHandler = false;
  errNumber_ = 0;
  errText_.clear();
}

int32_t Machine::NextStatement(const ProcInfo& proc, int32_t pc) const {
  const auto it = std::upper_bound(proc.statements.begin(), proc.statements.end(), pc);
  return it == proc.statements.end() ? proc.codeEnd - 1 : *it;
}

int32_t Machine::StatementStart(const ProcInfo& proc, int32_t pc) const {
  auto it = std::upper_bound(proc.statements.begin(), proc.statements.end(), pc);
  return it == proc.statements.begin() ? proc.codeStart : *--it;
}

void Machine::Yield() {
  yieldCountdown_ = kYieldInterval;
  if (engine_.yield != nullptr) engine_.yield(&context_);
  if (context_.stopRequested) throw StopRun{};
}

void Machine::Print(const Value& value, int32_t mode) {
  if (mode != 3) line_ += value.type() == VType::kObject ? std::string("<object>") : value.ToString();
  if (mode == 1) line_.append(14 - line_.size() % 14, ' ');
  if (mode >= 2) {
    Show(kScriptShowPrint, line_);
    line_.clear();
  }
  if (line_.size() > kMaxStringLength) Raise(14);
}

void Machine::Show(int32_t kind, const std::string& text) {
  if (engine_.output != nullptr) engine_.output(&context_, kind, text.c_str());
}

int32_t Machine::ShowMessage(const std::string& text) {
  if (!line_.empty()) {
    Show(kScriptShowPrint, line_);
    line_.clear();
  }
  const int32_t answer = engine_.output != nullptr ? engine_.output(&context_, kScriptShowMessage, text.c_str()) : 0;
  return answer == 0 ? 1 : answer;
}

}  // namespace basic
