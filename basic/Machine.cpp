// The machine's loop, its procedure frames, its error handling and its output.

#include "basic/Machine.h"

#include <algorithm>
#include <cmath>

#include "basic/Operators.h"

namespace basic {

namespace {

constexpr int32_t kYieldInterval = 1024;

bool IsWhole(VType t) { return t == VType::kInteger || t == VType::kLong; }

bool IsNumber(VType t) { return IsWhole(t) || t == VType::kDouble; }
bool IsArithmetic(Op op) { return op == Op::kAdd || op == Op::kSub || op == Op::kMul; }
bool IsComparison(Op op) { return op >= Op::kEq && op <= Op::kGe; }

// +, - and * of two whole or Double numbers into `result`, typed as the general road types them.
// False, with `result` untouched, for other operands or a Double result out of range: the general
// road then takes the operation and raises what it must. `result` may be `left`.
inline bool QuickArithmetic(Op op, const Value& left, const Value& right, Value& result) {
  const VType lt = left.type(), rt = right.type();
  if (IsWhole(lt) && IsWhole(rt)) {
    const int64_t a = left.RawInt(), b = right.RawInt();
    const int64_t r = op == Op::kAdd ? a + b : op == Op::kSub ? a - b : a * b;
    if (lt == VType::kInteger && rt == VType::kInteger && r >= -32768 && r <= 32767)
      result.SetNumber(VType::kInteger, static_cast<int32_t>(r));
    else if (r >= INT32_MIN && r <= INT32_MAX)
      result.SetNumber(VType::kLong, static_cast<int32_t>(r));
    else
      result.SetDouble(static_cast<double>(r));
    return true;
  }
  if (!IsNumber(lt) || !IsNumber(rt)) return false;
  const double a = lt == VType::kDouble ? left.RawDouble() : left.RawInt();
  const double b = rt == VType::kDouble ? right.RawDouble() : right.RawInt();
  const double r = op == Op::kAdd ? a + b : op == Op::kSub ? a - b : a * b;
  if (!std::isfinite(r)) return false;
  result.SetDouble(r);
  return true;
}

// A comparison operator applied; numbers without the general road, which never fails for them.
inline bool Compared(Op op, const Value& left, const Value& right) {
  int c;
  const VType lt = left.type(), rt = right.type();
  if (IsWhole(lt) && IsWhole(rt)) {
    c = left.RawInt() < right.RawInt() ? -1 : left.RawInt() > right.RawInt() ? 1 : 0;
  } else if (IsNumber(lt) && IsNumber(rt)) {
    const double a = lt == VType::kDouble ? left.RawDouble() : left.RawInt();
    const double b = rt == VType::kDouble ? right.RawDouble() : right.RawInt();
    c = a < b ? -1 : a > b ? 1 : 0;
  } else {
    c = Compare(left, right);
  }
  switch (op) {
    case Op::kLt: return c < 0;
    case Op::kLe: return c <= 0;
    case Op::kGt: return c > 0;
    case Op::kGe: return c >= 0;
    case Op::kEq: return c == 0;
    default: return c != 0;
  }
}

// The pair instruction `in` and the one after it make, or `in`'s own operation when they make
// none. A load followed by a load followed by an operator with a constant leaves the second load
// to pair with the operator.
Op PairOf(const Instr& in, const Instr& next, const Instr* after) {
  const auto withConstant = [](const Instr& i) {
    return i.op == Op::kBinaryConst || (i.op == Op::kCompareJump && (i.b & kCompareConst) != 0);
  };
  if (in.op == Op::kLoadLocal) {
    if (next.op == Op::kBinaryConst) return Op::kLocalBinaryConst;
    if (next.op == Op::kCompareJump && (next.b & kCompareConst) != 0) return Op::kLocalCompareJump;
    if (next.op == Op::kLoadLocal && (after == nullptr || !withConstant(*after))) return Op::kLoadLocal2;
  }
  if (IsArithmetic(in.op) && next.op == Op::kStoreLocal) return Op::kArithmeticStore;
  return in.op;
}

}  // namespace

Machine::Machine(ScriptRunContext& context)
    : context_(context),
      module_(*context.module),
      engine_(*context.module->engine),
      image_(context.module->image),
      constants_(context.module->image.constants.data()),
      siteCache_(context.module->image.sites.size()),
      itemCache_(context.module->image.loops.size()) {
  frame_.call = &context;
  MakePlans();
}

void Machine::MakePlans() {
  // The loop runs a copy of the code in which neighbouring instructions that often follow each
  // other are paired. The second of a pair stays as it was, so a jump to it still lands on it.
  code_ = image_.code;
  // A run that can break stands kStatement in for the first instruction of every statement; no
  // pair reaches into a statement, so that none runs without its check.
  const bool breaks = context_.breakHandler != nullptr;
  std::vector<uint8_t> starts(breaks ? code_.size() : 0, 0);
  for (const ProcInfo& proc : image_.procs) {
    if (!breaks) break;
    for (int32_t pc : proc.statements) {
      if (pc >= proc.codeStart && pc < proc.codeEnd) starts[pc] = 1;
    }
  }
  for (const ProcInfo& proc : image_.procs) {
    for (int32_t pc = proc.codeStart; pc + 1 < proc.codeEnd; ++pc) {
      if (breaks && (starts[pc + 1] || (pc + 2 < proc.codeEnd && starts[pc + 2]))) continue;
      const Instr& in = image_.code[pc];
      const Op pair = PairOf(in, image_.code[pc + 1], pc + 2 < proc.codeEnd ? &image_.code[pc + 2] : nullptr);
      if (pair == in.op) continue;
      code_[pc].op = pair;
      if (pair == Op::kArithmeticStore) code_[pc].b = static_cast<int32_t>(in.op);
    }
  }
  for (size_t pc = 0; pc < starts.size(); ++pc) {
    if (!starts[pc]) continue;
    statementFirst_.push_back(code_[pc]);
    code_[pc] = Instr{Op::kStatement, static_cast<int32_t>(statementFirst_.size()) - 1, 0};
  }
  plans_.reserve(image_.procs.size());
  for (const ProcInfo& proc : image_.procs) {
    ProcPlan plan;
    plan.codeStart = proc.codeStart;
    plan.params = proc.paramCount;
    plan.locals = static_cast<int32_t>(proc.locals.size());
    plan.need = plan.locals + proc.maxStack + 1;
    plan.result = proc.isFunction ? proc.resultSlot : -1;
    plan.quick = true;
    for (int32_t i = 0; i < plan.locals; ++i) {
      const SlotInfo& slot = proc.locals[i];
      if (slot.isArray || (i < plan.params && slot.type == VType::kObject)) plan.quick = false;
      if (i < plan.params) plan.paramTypes.push_back(slot.type);
      else if (!slot.isArray) plan.start.push_back(Default(slot));
    }
    if (!plan.quick) plan.start.clear();
    plans_.push_back(std::move(plan));
  }
  // A counted loop whose variable is a local declared Integer or Long steps without conversions.
  // Loops are found through their instructions; one that two procedures would share (only
  // possible in doctored code) takes the general road. Instructions no path reaches were never
  // verified, so their indexes are checked here.
  constexpr VType kUnseen = VType::kArray;
  loopWhole_.assign(image_.loops.size(), kUnseen);
  for (const ProcInfo& proc : image_.procs) {
    for (int32_t pc = proc.codeStart; pc < proc.codeEnd; ++pc) {
      const Instr& in = image_.code[pc];
      if (in.op != Op::kForPrep && in.op != Op::kForNext) continue;
      if (in.a < 0 || static_cast<size_t>(in.a) >= image_.loops.size()) continue;
      const int32_t var = image_.loops[in.a].var;
      const bool local = var >= 0 && static_cast<size_t>(var) < proc.locals.size();
      const VType type = local ? proc.locals[var].type : VType::kEmpty;
      VType& seen = loopWhole_[in.a];
      seen = seen == kUnseen || seen == type ? type : VType::kEmpty;
    }
  }
  for (VType& type : loopWhole_) {
    if (type != VType::kInteger && type != VType::kLong) type = VType::kEmpty;
  }
}

void Machine::Run() {
  stack_.assign(static_cast<size_t>(std::max(context_.stackSize, 64)), Value());
  sp_ = 0;
  frames_.clear();
  frames_.reserve(64);
  try {
    InitGlobals();
    const auto argc = static_cast<int32_t>(context_.arguments.size());
    for (Value& argument : context_.arguments) stack_[sp_++] = std::move(argument);
    context_.arguments.clear();
    EnterProc(context_.entry, argc, -1);
    Execute(image_.procs[context_.entry].codeStart);
    // The entry's result is what its return left on the stack.
    if (!context_.failed && !context_.stopped && sp_ > 0) context_.result = std::move(stack_[sp_ - 1]);
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

// Procedure frames: the loop calls these on every call and return.
void Machine::EnterProc(int32_t index, int32_t argc, int32_t returnPc) {
  const ProcInfo& proc = image_.procs[index];
  const int32_t base = sp_ - argc;
  const auto locals = static_cast<int32_t>(proc.locals.size());
  if (static_cast<size_t>(base) + locals + proc.maxStack + 1 > stack_.size() || frames_.size() >= kMaxFrames)
    Raise(28);
  Value* const frame = stack_.data() + base;
  const SlotInfo* const slots = proc.locals.data();
  for (int32_t i = 0; i < argc; ++i) {
    const SlotInfo& slot = slots[i];
    Value& arg = frame[i];
    if ((arg.type() != slot.type && slot.type != VType::kEmpty) || arg.type() == VType::kObject || slot.isArray)
      arg = Typed(slot, std::move(arg));
  }
  for (int32_t i = argc; i < locals; ++i) {
    const SlotInfo& slot = slots[i];
    Value& local = frame[i];
    local.Clear();
    switch (slot.isArray ? VType::kArray : slot.type) {
      case VType::kInteger:
      case VType::kLong:
      case VType::kBoolean: local.SetNumber(slot.type, 0); break;
      case VType::kDouble: local.SetDouble(0); break;
      case VType::kEmpty: break;
      default: local = Default(slot); break;
    }
  }
  frames_.push_back(Frame{index, returnPc, base, 0, 0, false, 0});
  sp_ = base + locals;
}

int32_t Machine::LeaveProc() {
  const Frame& frame = frames_.back();
  const ProcInfo& proc = image_.procs[frame.proc];
  Value result = proc.isFunction ? std::move(stack_[frame.base + proc.resultSlot]) : Value();
  // By-reference parameters go back only where the caller takes them (kOut follows the call).
  if (frame.returnPc >= 0 && image_.code[frame.returnPc].op == Op::kOut) {
    if (outs_.size() < static_cast<size_t>(proc.paramCount)) {
      outs_.resize(proc.paramCount);
      outValid_.resize(proc.paramCount);
    }
    std::fill(outValid_.begin(), outValid_.end(), 0);
    for (int32_t i = 0; i < proc.paramCount; ++i) {
      if (!proc.byRef[i]) continue;
      outValid_[i] = 1;
      outs_[i] = std::move(stack_[frame.base + i]);
    }
  }
  for (int32_t i = frame.base; i < sp_; ++i) stack_[i].Clear();
  sp_ = frame.base;
  const int32_t back = frame.returnPc;
  frames_.pop_back();
  stack_[sp_++] = std::move(result);
  return back;
}

// Runs from `start` until the entry returns; an error goes to its handler, and the loop goes on
// from there, or ends the run.
void Machine::Execute(int32_t start) {
  ip_ = code_.data() + start;
  for (;;) {
    try {
      Loop();
      return;
    } catch (const ScriptError& error) {
      int32_t pc = static_cast<int32_t>(ip_ - code_.data());
      if (!HandleError(error, pc)) return;
      ip_ = code_.data() + pc;
    }
  }
}

// The hot loop keeps the instruction pointer and the stack top in locals and hands both back to
// ip_ and sp_ before anything that may fail or looks at the stack from outside (calls, members,
// errors). No handler sits in this function and few values stay live across its calls, so the
// compiler keeps them in registers. Every slot above the top is Empty, so a push only copies in
// and a pop clears.
void Machine::Loop() {
  const Instr* const code = code_.data();
  const Instr* ip = ip_;
  Value* sp = stack_.data() + sp_;
  Value* locals = stack_.data() + frames_.back().base;
#define YB_SYNC() (sp_ = static_cast<int32_t>(sp - stack_.data()), ip_ = ip)
#define YB_RELOAD() (sp = stack_.data() + sp_)
#define YB_JUMP(target)                                              \
  do {                                                               \
    const Instr* const to = code + (target);                         \
    if (to < ip && --yieldCountdown_ <= 0) YB_SYNC(), Yield();       \
    ip = to;                                                         \
  } while (false)
  for (;;) {
    const Instr* at = ip++;
  dispatch:
    const Instr& in = *at;
    switch (in.op) {
      case Op::kStatement:
        YB_SYNC();
        AtStatement(static_cast<int32_t>(at - code));
        at = &statementFirst_[in.a];
        goto dispatch;
      case Op::kConst: *sp++ = constants_[in.a]; break;
      case Op::kNothing: *sp++ = Value::Object(nullptr, -1); break;
      case Op::kLoadLocal: *sp++ = locals[in.a]; break;
      case Op::kStoreLocal: {
        Value& slot = locals[in.a];
        Value& top = *--sp;
        if (slot.type() == top.type() && slot.type() != VType::kObject) {
          slot = std::move(top);
        } else {
          YB_SYNC();
          slot = Typed(LocalSlot(in.a), std::move(top));
        }
        top.Clear();
        break;
      }
      case Op::kLoadGlobal: *sp++ = globals_[in.a]; break;
      case Op::kStoreGlobal:
        --sp;
        YB_SYNC();
        StoreVar(GlobalRef(in.a), std::move(*sp));
        sp->Clear();
        break;
      case Op::kAppend:
        YB_SYNC();
        Append(in.a, sp[-1]);
        (--sp)->Clear();
        break;
      case Op::kLoadHost: {
        const auto& [object, cls] = module_.hostObjects[in.a];
        *sp++ = Value::Object(object, cls);
        break;
      }
      case Op::kLoadElem: {
        sp -= in.b;
        YB_SYNC();
        Value element = Element(in.a, sp, in.b);
        for (int32_t i = 0; i < in.b; ++i) sp[i].Clear();
        *sp++ = std::move(element);
        break;
      }
      case Op::kStoreElem: {
        Value value = std::move(*--sp);
        sp -= in.b;
        YB_SYNC();
        // An element never holds an array, so arrays cannot contain themselves.
        if (value.type() == VType::kArray) Raise(13);
        Value& element = Element(in.a, sp, in.b);
        SlotInfo slot;
        slot.type = Var(in.a).RawArray()->element;
        element = Typed(slot, std::move(value));
        for (int32_t i = 0; i < in.b; ++i) sp[i].Clear();
        break;
      }
      case Op::kDimArray:
      case Op::kReDim: {
        const int32_t dims = in.b & 0xFF;
        sp -= 2 * dims;
        YB_SYNC();
        const SlotInfo& slot = in.a >= 0 ? LocalSlot(in.a) : image_.globals[-1 - in.a];
        const bool keep = in.op == Op::kReDim && (in.b & kPreserve);
        Value& var = Var(in.a);
        Value array = NewArray(slot, sp, dims, keep && var.type() == VType::kArray ? var.RawArray() : nullptr);
        var = std::move(array);
        for (int32_t i = 0; i < 2 * dims; ++i) sp[i].Clear();
        break;
      }
      case Op::kErase:
        Var(in.a) = NewArray(in.a >= 0 ? LocalSlot(in.a) : image_.globals[-1 - in.a], nullptr, 0, nullptr);
        break;
      case Op::kPop: (--sp)->Clear(); break;
      case Op::kAdd:
      case Op::kSub:
      case Op::kMul:
        if (!QuickArithmetic(in.op, sp[-2], sp[-1], sp[-2])) {
          YB_SYNC();
          sp[-2] = Binary(in.op, sp[-2], sp[-1]);
        }
        (--sp)->Clear();
        break;
      case Op::kBinaryConst: {
        const Op op = static_cast<Op>(in.b);
        Value& left = sp[-1];
        const Value& right = constants_[in.a];
        if (IsArithmetic(op) && QuickArithmetic(op, left, right, left)) break;
        if (IsComparison(op) && IsNumber(left.type()) && IsNumber(right.type())) {
          left = Value::Boolean(Compared(op, left, right));
          break;
        }
        YB_SYNC();
        if (IsComparison(op)) left = Value::Boolean(Compared(op, left, right));
        else left = Binary(op, left, right);
        break;
      }
      case Op::kLocalBinaryConst: {
        const Value& left = locals[in.a];
        const Op op = static_cast<Op>(ip->b);
        const Value& right = constants_[ip->a];
        Value result;
        if (IsArithmetic(op) ? QuickArithmetic(op, left, right, result)
                             : IsComparison(op) && IsNumber(left.type()) && IsNumber(right.type())) {
          if (!IsArithmetic(op)) result = Value::Boolean(Compared(op, left, right));
          *sp++ = std::move(result);
          ++ip;
          break;
        }
        *sp++ = left;
        break;
      }
      case Op::kLocalCompareJump: {
        const Value& left = locals[in.a];
        const Instr& next = *ip;
        const Value& right = constants_[next.b >> 10];
        if (!IsNumber(left.type()) || !IsNumber(right.type())) {
          *sp++ = left;
          break;
        }
        ++ip;
        const bool r = Compared(static_cast<Op>(next.b & 0xFF), left, right);
        if (r == ((next.b & 0x100) != 0)) YB_JUMP(next.a);
        break;
      }
      case Op::kLoadLocal2:
        *sp++ = locals[in.a];
        *sp++ = locals[ip->a];
        ++ip;
        break;
      case Op::kArithmeticStore: {
        const Op op = static_cast<Op>(in.b);
        Value& target = locals[ip->a];
        Value result;
        if (QuickArithmetic(op, sp[-2], sp[-1], result) && result.type() == target.type()) {
          target = std::move(result);
          (--sp)->Clear();
          (--sp)->Clear();
          ++ip;
          break;
        }
        if (!QuickArithmetic(op, sp[-2], sp[-1], sp[-2])) {
          YB_SYNC();
          sp[-2] = Binary(op, sp[-2], sp[-1]);
        }
        (--sp)->Clear();
        break;
      }
      case Op::kLt:
      case Op::kLe:
      case Op::kGt:
      case Op::kGe:
      case Op::kEq:
      case Op::kNe: {
        if (!IsNumber(sp[-2].type()) || !IsNumber(sp[-1].type())) YB_SYNC();
        const bool r = Compared(in.op, sp[-2], sp[-1]);
        (--sp)->Clear();
        sp[-1] = Value::Boolean(r);
        break;
      }
      case Op::kCompareJump: {
        const bool constant = (in.b & kCompareConst) != 0;
        const Value& right = constant ? constants_[in.b >> 10] : sp[-1];
        Value& left = constant ? sp[-1] : sp[-2];
        if (!IsNumber(left.type()) || !IsNumber(right.type())) YB_SYNC();
        const bool r = Compared(static_cast<Op>(in.b & 0xFF), left, right);
        (--sp)->Clear();
        if (!constant) (--sp)->Clear();
        if (r == ((in.b & 0x100) != 0)) YB_JUMP(in.a);
        break;
      }
      case Op::kDiv: case Op::kIntDiv: case Op::kMod: case Op::kPow: case Op::kConcat:
      case Op::kIs: case Op::kAnd: case Op::kOr: case Op::kXor: case Op::kEqv: case Op::kImp: {
        YB_SYNC();
        Value& left = sp[-2];
        left = Binary(in.op, left, sp[-1]);
        (--sp)->Clear();
        break;
      }
      case Op::kNeg: YB_SYNC(); sp[-1] = Negate(sp[-1]); break;
      case Op::kNot: YB_SYNC(); sp[-1] = Not(sp[-1]); break;
      case Op::kJump: YB_JUMP(in.a); break;
      case Op::kJumpFalse:
      case Op::kJumpTrue: {
        Value& top = *--sp;
        bool truth;
        if (top.type() == VType::kBoolean) {
          truth = top.RawInt() != 0;
        } else {
          YB_SYNC();
          truth = top.ToBoolean();
        }
        top.Clear();
        if (truth == (in.op == Op::kJumpTrue)) YB_JUMP(in.a);
        break;
      }
      case Op::kCall: {
        if (--yieldCountdown_ <= 0) YB_SYNC(), Yield();
        const ProcPlan& plan = plans_[in.a];
        Value* const frame = sp - in.b;
        const int32_t base = static_cast<int32_t>(frame - stack_.data());
        if (plan.quick && in.b == plan.params && base + plan.need <= static_cast<int32_t>(stack_.size()) &&
            frames_.size() < kMaxFrames && ArgsFit(plan, frame)) {
          // Parameters that already hold their declared types and locals that start as numbers:
          // the frame is the arguments where they lie and a copy of the locals' start values.
          const Value* init = plan.start.data();
          for (Value* local = sp; local < frame + plan.locals; ++local) *local = *init++;
          frames_.push_back(Frame{in.a, static_cast<int32_t>(ip - code), base, 0, 0, false, 0});
          sp = frame + plan.locals;
        } else {
          YB_SYNC();
          EnterProc(in.a, in.b, static_cast<int32_t>(ip - code));
          YB_RELOAD();
        }
        ip = code + plan.codeStart;
        locals = frame;
        break;
      }
      case Op::kReturn: {
        const Frame& frame = frames_.back();
        if (frame.returnPc < 0 || code[frame.returnPc].op == Op::kOut) {
          YB_SYNC();
          const int32_t back = LeaveProc();
          if (back < 0) return;
          YB_RELOAD();
          ip = code + back;
        } else {
          // No by-reference parameter goes back: the result takes the frame's place.
          const ProcPlan& plan = plans_[frame.proc];
          Value* const base = stack_.data() + frame.base;
          Value result = plan.result >= 0 ? std::move(base[plan.result]) : Value();
          while (sp > base) (--sp)->Clear();
          *sp++ = std::move(result);
          ip = code + frame.returnPc;
          frames_.pop_back();
        }
        locals = stack_.data() + frames_.back().base;
        break;
      }
      case Op::kBuiltin: {
        sp -= in.b;
        YB_SYNC();
        Value result = CallBuiltin(static_cast<Builtin>(in.a), sp, in.b, *this);
        for (int32_t i = 0; i < in.b; ++i) sp[i].Clear();
        *sp++ = std::move(result);
        break;
      }
      case Op::kMemberGet: {
        // A property read (never with arguments): the result takes the object's place.
        Value& object = sp[-1];
        YB_SYNC();
        const CachedMember& cached = siteCache_[in.a];
        const bool hit = object.type() == VType::kObject && object.RawObject() != nullptr &&
                         cached.cls == object.ObjectClass();
        Value result = hit ? Dispatch(object, *cached.member, Access::kGet, nullptr, 0)
                           : CallSite(in.a, object, Access::kGet, nullptr, 0);
        object = std::move(result);
        break;
      }
      case Op::kMemberCall:
      case Op::kMemberSet:
      case Op::kDefault: {
        const int32_t argc = image_.sites[in.a].argc + (in.op == Op::kMemberSet ? 1 : 0);
        sp -= argc + 1;
        YB_SYNC();
        const Access access = in.op == Op::kMemberSet ? Access::kSet : Access::kCall;
        // The site's cache, checked here: a hit goes straight to the member.
        const CachedMember& cached = siteCache_[in.a];
        const bool hit =
            sp->type() == VType::kObject && sp->RawObject() != nullptr && cached.cls == sp->ObjectClass();
        Value result = hit ? Dispatch(*sp, *cached.member, access, sp + 1, argc)
                           : CallSite(in.a, *sp, access, sp + 1, argc);
        for (int32_t i = 0; i <= argc; ++i) sp[i].Clear();
        if (in.op != Op::kMemberSet) *sp++ = std::move(result);
        break;
      }
      case Op::kOut:
        if (static_cast<size_t>(in.b) < outValid_.size() && outValid_[in.b]) {
          YB_SYNC();
          StoreVar(in.a, outs_[in.b]);
        }
        break;
      case Op::kForPrep:
        YB_SYNC();
        if (!ForPrep(image_.loops[in.a])) ip = code + in.b;
        break;
      case Op::kForNext: {
        YB_SYNC();
        if (--yieldCountdown_ <= 0) Yield();
        const LoopInfo& loop = image_.loops[in.a];
        if (loop.var >= 0) {
          // The common counted loop: a Long or Integer variable stepped by a whole number.
          Value& var = locals[loop.var];
          const Value* hidden = locals + loop.hidden;
          const VType t = var.type();
          if (t == loopWhole_[in.a] && IsWhole(t) && IsWhole(hidden[0].type()) &&
              IsWhole(hidden[1].type())) {
            const int64_t next = static_cast<int64_t>(var.RawInt()) + hidden[1].RawInt();
            const bool narrow = t == VType::kInteger;
            if (narrow ? (next < -32768 || next > 32767) : (next < INT32_MIN || next > INT32_MAX)) Raise(6);
            var.SetRawInt(static_cast<int32_t>(next));
            if (hidden[1].RawInt() >= 0 ? next <= hidden[0].RawInt() : next >= hidden[0].RawInt()) ip = code + in.b;
            break;
          }
        }
        if (ForNext(loop)) ip = code + in.b;
        break;
      }
      case Op::kEachPrep:
        locals[image_.loops[in.a].hidden] = std::move(*--sp);
        sp->Clear();
        YB_SYNC();
        if (!EachStep(image_.loops[in.a], true)) ip = code + in.b;
        break;
      case Op::kEachNext:
        YB_SYNC();
        if (--yieldCountdown_ <= 0) Yield();
        if (EachNext(in.a, locals)) ip = code + in.b;
        break;
      case Op::kPrint:
        YB_SYNC();
        if (in.a == 3) {
          Print(Value(), 3);
        } else {
          Print(sp[-1], in.a);
          (--sp)->Clear();
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
      case Op::kResume: {
        YB_SYNC();
        int32_t pc = static_cast<int32_t>(ip - code);
        Resume(in.a, in.b, pc);
        ip = code + pc;
        break;
      }
      case Op::kErrGet:
        if (in.a == 0) *sp++ = Value::Long(errNumber_);
        else *sp++ = Value::String(errText_);
        break;
      case Op::kErrRaise: {
        sp -= in.b;
        YB_SYNC();
        const int32_t number = sp[0].ToLong();
        if (number == 0) Raise(5);  // error 0 is no error: raising it is a mistake of its own
        std::string text = in.b >= 3 ? sp[2].ToString() : ErrorText(number);
        for (int32_t i = 0; i < in.b; ++i) sp[i].Clear();
        throw ScriptError{number, std::move(text)};
      }
      case Op::kErrClear:
        errNumber_ = 0;
        errText_.clear();
        break;
      case Op::kEnd: YB_SYNC(); throw StopRun{};
      case Op::kCallExternal: {
        sp -= in.b;
        YB_SYNC();
        Value result = CallExternal(image_.names[in.a], sp, in.b);
        for (int32_t i = 0; i < in.b; ++i) sp[i].Clear();
        *sp++ = std::move(result);
        break;
      }
      case Op::kCount: YB_SYNC(); Raise(51);
      default:
        // The verifier lets no other value through, so the dispatch needs no range check.
        __builtin_unreachable();
    }
  }
#undef YB_SYNC
#undef YB_RELOAD
#undef YB_JUMP
}

// The next turn of a For Each loop; false when it is done.
bool Machine::EachNext(int32_t index, Value* locals) {
  const LoopInfo& loop = image_.loops[index];
  Value* const hidden = locals + loop.hidden;  // the collection, its count and the index
  const CachedMember& cached = itemCache_[index];
  if (loop.var < 0 || hidden[0].type() != VType::kObject || hidden[0].RawObject() == nullptr ||
      cached.cls != hidden[0].ObjectClass())
    return EachStep(loop, false);
  // The next item of a collection whose Item member is known: straight to the member.
  const int32_t next = hidden[2].RawInt() + 1;
  hidden[2].SetRawInt(next);
  if (next > hidden[1].RawInt()) return false;
  Value arg = next <= 32767 ? Value::Integer(static_cast<int16_t>(next)) : Value::Long(next);
  Value item = Dispatch(hidden[0], *cached.member, Access::kCall, &arg, 1);
  Value& var = locals[loop.var];
  if (item.type() == VType::kObject && var.type() == VType::kObject && item.ObjectClass() == var.ObjectClass())
    var = std::move(item);  // the declared class already: nothing to convert
  else
    StoreLocal(loop.var, std::move(item));
  return true;
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
    // A handler that resumes the failing statement loops without a jump back: count it too.
    if (--yieldCountdown_ <= 0) Yield();
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

bool Machine::ShouldBreak(int32_t line, int32_t depth) const {
  // Stops are by line: a line that holds several statements stops once each time the run comes
  // to it, for a breakpoint and for a step alike.
  if (line == lastLine_ && depth == lastDepth_) return false;
  switch (context_.step) {
    case kScriptStepInto: return true;
    case kScriptStepOver: return depth <= context_.stepDepth;
    case kScriptStepOut: return depth < context_.stepDepth;
    default: break;
  }
  return std::binary_search(context_.breakLines.begin(), context_.breakLines.end(), line);
}

void Machine::AtStatement(int32_t pc) {
  const int32_t line = image_.lines[pc];
  const auto depth = static_cast<int32_t>(frames_.size());
  const bool stop = ShouldBreak(line, depth);
  lastLine_ = line;
  lastDepth_ = depth;
  if (!stop) return;
  context_.step = kScriptContinue;
  context_.breakLine = line;
  context_.inBreak = true;
  context_.breakHandler(&context_, line);
  context_.inBreak = false;
  context_.breakLine = 0;
  context_.stepDepth = depth;
  if (context_.stopRequested) throw StopRun{};
}

bool Machine::ReadVariable(const std::string& key, std::string* text) const {
  const Value* found = nullptr;
  if (!frames_.empty()) {
    const Frame& frame = frames_.back();
    const std::vector<std::string>& names = image_.procs[frame.proc].localNames;
    for (size_t i = 0; i < names.size() && found == nullptr; ++i) {
      if (!names[i].empty() && names[i] == key) found = &stack_[frame.base + i];
    }
  }
  for (size_t g = 0; g < image_.globalNames.size() && found == nullptr; ++g) {
    if (image_.globalNames[g] == key && g < globals_.size()) found = &globals_[g];
  }
  if (found == nullptr) return false;
  if (text == nullptr) return true;
  switch (found->type()) {
    case VType::kObject: *text = found->RawObject() == nullptr ? "Nothing" : "<object>"; break;
    case VType::kArray: *text = "<array>"; break;
    case VType::kString:
      text->assign(1, '"');
      text->append(found->ToString());
      text->push_back('"');
      break;
    default: *text = found->ToString(); break;
  }
  return true;
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
