// Verifies compiled code before it runs: every operand within its table, every jump inside its
// procedure, and one operand-stack depth per instruction on every path, so the machine never
// needs to check indexes or stack bounds while it runs.

#include <algorithm>

#include "basic/Builtins.h"
#include "basic/Bytecode.h"

namespace basic {

namespace {

[[noreturn]] void Bad(const char* why) {
  throw ScriptError{1, std::string("Compiled code is damaged: ") + why};
}

void Check(bool ok, const char* why) {
  if (!ok) Bad(why);
}

bool ValidType(VType type) {
  switch (type) {
    case VType::kEmpty: case VType::kInteger: case VType::kLong: case VType::kDouble:
    case VType::kString: case VType::kBoolean: case VType::kObject: return true;
    default: return false;
  }
}

void CheckSlot(const SlotInfo& slot, const CodeImage& image) {
  Check(ValidType(slot.type), "a variable has no known type");
  Check(slot.classRef >= -1 && slot.classRef < static_cast<int32_t>(image.classNames.size()), "a class index");
  Check(slot.bounds.size() <= 8 && (slot.bounds.empty() || slot.isArray), "array bounds");
  int64_t total = 1;
  for (const auto& [lower, upper] : slot.bounds) {
    Check(static_cast<int64_t>(upper) >= static_cast<int64_t>(lower) - 1, "array bounds");
    total *= static_cast<int64_t>(upper) - lower + 1;
    Check(total <= kMaxArrayElements, "array size");
  }
}

class ProcVerifier {
 public:
  ProcVerifier(CodeImage& image, ProcInfo& proc) : image_(image), proc_(proc) {}

  void Run() {
    const int32_t size = static_cast<int32_t>(image_.code.size());
    Check(proc_.codeStart >= 0 && proc_.codeStart < proc_.codeEnd && proc_.codeEnd <= size, "a procedure's code range");
    Check(proc_.paramCount >= 0 && proc_.byRef.size() == static_cast<size_t>(proc_.paramCount) &&
              static_cast<size_t>(proc_.paramCount) <= proc_.locals.size(), "a procedure's parameters");
    for (const SlotInfo& slot : proc_.locals) CheckSlot(slot, image_);
    Check(proc_.isFunction ? proc_.resultSlot >= proc_.paramCount && proc_.resultSlot < Locals()
                           : proc_.resultSlot == -1, "a function's result");
    Check(std::is_sorted(proc_.statements.begin(), proc_.statements.end()), "statement order");
    depth_.assign(proc_.codeEnd - proc_.codeStart, -1);
    Root(proc_.codeStart);
    for (int32_t s : proc_.statements) {
      Check(s >= proc_.codeStart && s < proc_.codeEnd, "a statement outside its procedure");
      Root(s);
    }
    while (!work_.empty()) {
      const int32_t pc = work_.back();
      work_.pop_back();
      Step(pc);
    }
  }

 private:
  int32_t Locals() const { return static_cast<int32_t>(proc_.locals.size()); }
  bool InProc(int32_t pc) const { return pc >= proc_.codeStart && pc < proc_.codeEnd; }

  // Statement starts and handler targets are entered with an empty operand stack.
  void Root(int32_t pc) { Flow(pc, 0); }

  void Flow(int32_t pc, int32_t depth) {
    Check(InProc(pc), "a jump outside its procedure");
    int32_t& known = depth_[pc - proc_.codeStart];
    if (known == depth) return;
    Check(known == -1, "the operand stack differs between paths");
    known = depth;
    proc_.maxStack = std::max(proc_.maxStack, depth + 1);
    work_.push_back(pc);
  }

  void VarRef(int32_t ref, bool array) {
    const SlotInfo* slot = nullptr;
    if (ref >= 0) {
      Check(ref < Locals(), "a local index");
      slot = &proc_.locals[ref];
    } else {
      Check(-1 - static_cast<int64_t>(ref) < static_cast<int64_t>(image_.globals.size()), "a global index");
      slot = &image_.globals[-1 - ref];
    }
    Check(slot->isArray == array, "an array used as a scalar or the reverse");
  }

  void Loop(int32_t index, int32_t hidden) {
    Check(index >= 0 && index < static_cast<int32_t>(image_.loops.size()), "a loop index");
    const LoopInfo& loop = image_.loops[index];
    VarRef(loop.var, false);
    Check(loop.hidden >= 0 && loop.hidden + hidden <= Locals(), "a loop's hidden variables");
  }

  void Step(int32_t pc) {
    const Instr& in = image_.code[pc];
    const int32_t depth = depth_[pc - proc_.codeStart];
    int32_t pops = 0, pushes = 0;
    bool next = true;
    int32_t jump = -1;  // a jump target, checked whatever its value
    bool jumps = false;
    const auto a = in.a, b = in.b;
    switch (in.op) {
      case Op::kConst: Check(a >= 0 && a < static_cast<int32_t>(image_.constants.size()), "a constant index"); pushes = 1; break;
      case Op::kNothing: pushes = 1; break;
      case Op::kLoadLocal: Check(a >= 0 && a < Locals(), "a local index"); pushes = 1; break;
      case Op::kStoreLocal: Check(a >= 0 && a < Locals(), "a local index"); pops = 1; break;
      case Op::kLoadGlobal: Check(a >= 0 && a < static_cast<int32_t>(image_.globals.size()), "a global index"); pushes = 1; break;
      case Op::kStoreGlobal:
        Check(a >= 0 && a < static_cast<int32_t>(image_.globals.size()), "a global index");
        Check(!image_.globals[a].isArray, "an array used as a scalar");
        pops = 1;
        break;
      case Op::kAppend: VarRef(a, false); pops = 1; break;
      case Op::kLoadHost: Check(a >= 0 && a < static_cast<int32_t>(image_.hostGlobals.size()), "a global object"); pushes = 1; break;
      case Op::kLoadElem: VarRef(a, true); Check(b >= 1 && b <= 8, "index count"); pops = b; pushes = 1; break;
      case Op::kStoreElem: VarRef(a, true); Check(b >= 1 && b <= 8, "index count"); pops = b + 1; break;
      case Op::kDimArray:
      case Op::kReDim:
        VarRef(a, true);
        Check((b & 0xFF) >= 1 && (b & 0xFF) <= 8 && (b & ~(0xFF | kPreserve)) == 0, "array dimensions");
        pops = 2 * (b & 0xFF);
        break;
      case Op::kErase: VarRef(a, true); break;
      case Op::kPop: pops = 1; break;
      case Op::kNeg: case Op::kNot: pops = 1; pushes = 1; break;
      case Op::kJump: next = false; jump = a; jumps = true; break;
      case Op::kJumpFalse: case Op::kJumpTrue: pops = 1; jump = a; jumps = true; break;
      case Op::kCompareJump: {
        const int32_t op = b & 0xFF;
        const bool constant = (b & kCompareConst) != 0;
        Check(b >= 0 && op >= static_cast<int32_t>(Op::kEq) && op <= static_cast<int32_t>(Op::kGe),
              "a comparison");
        Check(!constant || (b >> 10) < static_cast<int32_t>(image_.constants.size()), "a constant index");
        Check(constant || (b >> 10) == 0, "a comparison");
        pops = constant ? 1 : 2;
        jump = a;
        jumps = true;
        break;
      }
      case Op::kBinaryConst:
        Check(a >= 0 && a < static_cast<int32_t>(image_.constants.size()), "a constant index");
        Check(b >= static_cast<int32_t>(Op::kAdd) && b <= static_cast<int32_t>(Op::kGe) &&
                  b != static_cast<int32_t>(Op::kIs), "an operator");
        pops = 1;
        pushes = 1;
        break;
      case Op::kCall:
        Check(a >= 0 && a < static_cast<int32_t>(image_.procs.size()), "a procedure index");
        Check(b == image_.procs[a].paramCount, "an argument count");
        pops = b;
        pushes = 1;
        break;
      case Op::kReturn: next = false; break;
      case Op::kBuiltin: {
        Check(a >= 0 && a < static_cast<int32_t>(Builtin::kCount), "a function index");
        const BuiltinInfo& info = GetBuiltin(static_cast<Builtin>(a));
        Check(b >= info.least && b <= info.most, "an argument count");
        pops = b;
        pushes = 1;
        break;
      }
      case Op::kMemberGet: case Op::kMemberCall: case Op::kMemberSet: case Op::kDefault: {
        Check(a >= 0 && a < static_cast<int32_t>(image_.sites.size()), "a member index");
        const MemberSite& site = image_.sites[a];
        Check(site.name >= 0 && site.name < static_cast<int32_t>(image_.names.size()), "a name index");
        Check(site.argc >= 0 && site.argc <= 30, "an argument count");
        Check(in.op != Op::kMemberGet || site.argc == 0, "an argument count");
        pops = site.argc + 1 + (in.op == Op::kMemberSet ? 1 : 0);
        pushes = in.op == Op::kMemberSet ? 0 : 1;
        break;
      }
      case Op::kOut: VarRef(a, false); Check(b >= 0 && b < 64, "an argument index"); break;
      case Op::kForPrep: case Op::kEachPrep:
        Loop(a, in.op == Op::kEachPrep ? 3 : 2);
        pops = in.op == Op::kEachPrep ? 1 : 0;
        jump = b;
        jumps = true;
        break;
      case Op::kForNext: case Op::kEachNext: Loop(a, in.op == Op::kEachNext ? 3 : 2); jump = b; jumps = true; break;
      case Op::kPrint: Check(a >= 0 && a <= 3, "a print mode"); pops = a == 3 ? 0 : 1; break;
      case Op::kOnError:
        Check(a >= 0 && a <= 2, "an error mode");
        if (a == 2) Check(InProc(b), "a handler outside its procedure"), Root(b);
        break;
      case Op::kResume:
        Check(a >= 0 && a <= 2, "a resume mode");
        if (a == 2) Check(InProc(b), "a label outside its procedure"), Root(b);
        next = false;
        break;
      case Op::kErrGet: Check(a == 0 || a == 1, "an Err property"); pushes = 1; break;
      case Op::kErrRaise: Check(b >= 1 && b <= 3, "an argument count"); pops = b; next = false; break;
      case Op::kErrClear: break;
      case Op::kEnd: next = false; break;
      case Op::kCallExternal:
        Check(a >= 0 && a < static_cast<int32_t>(image_.names.size()), "a name index");
        Check(b >= 0 && b <= 60, "an argument count");
        pops = b;
        pushes = 1;
        break;
      case Op::kAdd: case Op::kSub: case Op::kMul: case Op::kDiv: case Op::kIntDiv: case Op::kMod:
      case Op::kPow: case Op::kConcat: case Op::kEq: case Op::kNe: case Op::kLt: case Op::kGt:
      case Op::kLe: case Op::kGe: case Op::kIs: case Op::kAnd: case Op::kOr: case Op::kXor:
      case Op::kEqv: case Op::kImp: pops = 2; pushes = 1; break;
      default: Bad("an unknown instruction");
    }
    Check(pops <= depth, "the operand stack underflows");
    const int32_t after = depth - pops + pushes;
    Check(after <= 4096, "the operand stack grows too deep");
    if (next) Flow(pc + 1, after);
    if (jumps) Flow(jump, after);
  }

  CodeImage& image_;
  ProcInfo& proc_;
  std::vector<int32_t> depth_;
  std::vector<int32_t> work_;
};

}  // namespace

void VerifyImage(CodeImage& image) {
  Check(image.lines.size() == image.code.size(), "the line table");
  for (const SlotInfo& slot : image.globals) CheckSlot(slot, image);
  for (int32_t name : image.hostGlobals)
    Check(name >= 0 && name < static_cast<int32_t>(image.names.size()), "a global object's name");
  for (ProcInfo& proc : image.procs) {
    proc.maxStack = 0;
    ProcVerifier(image, proc).Run();
  }
}

}  // namespace basic
