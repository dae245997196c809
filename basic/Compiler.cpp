// The compiler's module level: declarations, procedures, names and constant folding.

#include "basic/Compiler.h"

#include "basic/Operators.h"
#include "basic/Parser.h"

namespace basic {

CodeImage CompileText(std::string_view text, const CompileEnvironment& environment) {
  const std::vector<Token> tokens = Tokenize(text);
  const ModuleAst module = Parse(tokens);
  return Compiler(module, environment).Run();
}

Compiler::Compiler(const ModuleAst& module, const CompileEnvironment& environment)
    : module_(module), environment_(environment) {}

void Compiler::Fail(int32_t line, int32_t column, const std::string& message) const {
  throw CompileError{line, column, message};
}

CodeImage Compiler::Run() {
  for (const Proc& proc : module_.procs) {
    procs_[proc.key] = static_cast<int32_t>(image_.procs.size());
    ProcInfo info;
    info.name = proc.name;
    info.isFunction = proc.isFunction;
    info.paramCount = static_cast<int32_t>(proc.params.size());
    for (const Param& param : proc.params) info.byRef.push_back(param.byRef ? 1 : 0);
    image_.procs.push_back(std::move(info));
  }
  DeclareModule();
  for (size_t i = 0; i < module_.procs.size(); ++i) CompileProc(module_.procs[i], image_.procs[i]);
  return std::move(image_);
}

void Compiler::DeclareModule() {
  for (const StmtPtr& stmt : module_.declarations) {
    for (size_t i = 0; i < stmt->decls.size(); ++i) {
      const VarDecl& decl = stmt->decls[i];
      if (globals_.count(decl.key) || globalConsts_.count(decl.key) || procs_.count(decl.key))
        Fail(decl.line, decl.column, "'" + decl.name + "' is already defined");
      if (stmt->kind == StmtKind::kConst) {
        Value value = Fold(*stmt->args[i]);
        if (decl.type.type != VType::kEmpty && decl.type.type != VType::kObject)
          value = Convert(value, decl.type.type, decl);
        globalConsts_[decl.key] = std::move(value);
        continue;
      }
      SlotInfo slot = MakeSlot(decl.type, &decl, decl.line, decl.column);
      int64_t total = 1;
      for (const auto& [lower, upper] : decl.bounds) {
        const int32_t lo = lower ? Convert(Fold(*lower), VType::kLong, decl).RawInt() : 0;
        const int32_t hi = Convert(Fold(*upper), VType::kLong, decl).RawInt();
        if (static_cast<int64_t>(hi) < static_cast<int64_t>(lo) - 1)
          Fail(decl.line, decl.column, "Array bounds are reversed");
        total *= static_cast<int64_t>(hi) - lo + 1;
        if (total > kMaxArrayElements) Fail(decl.line, decl.column, "Array '" + decl.name + "' is too large");
        slot.bounds.emplace_back(lo, hi);
      }
      globals_[decl.key] = static_cast<int32_t>(image_.globals.size());
      image_.globals.push_back(std::move(slot));
      image_.globalNames.push_back(decl.key);
    }
  }
}

// A constant converted for a declaration; a value that does not convert is a compile error there.
Value Compiler::Convert(const Value& value, VType type, const VarDecl& decl) const {
  try {
    return value.ConvertTo(type);
  } catch (const ScriptError& error) {
    Fail(decl.line, decl.column, "'" + decl.name + "': " + error.text);
  }
}

SlotInfo Compiler::MakeSlot(const TypeRef& type, const VarDecl* decl, int32_t line, int32_t column) {
  SlotInfo slot;
  slot.type = type.type;
  if (!type.className.empty()) slot.classRef = ClassRef(type.className, line, column);
  slot.isArray = decl != nullptr && decl->isArray;
  return slot;
}

int32_t Compiler::ClassRef(const std::string& name, int32_t line, int32_t column) {
  if (!environment_.knowsClass || !environment_.knowsClass(name))
    Fail(line, column, "Unknown type '" + name + "'");
  for (size_t i = 0; i < image_.classNames.size(); ++i)
    if (Lower(image_.classNames[i]) == Lower(name)) return static_cast<int32_t>(i);
  image_.classNames.push_back(name);
  return static_cast<int32_t>(image_.classNames.size() - 1);
}

void Compiler::CompileProc(const Proc& proc, ProcInfo& info) {
  proc_ = &proc;
  info_ = &info;
  locals_.clear();
  localConsts_.clear();
  labels_.clear();
  labelFixups_.clear();
  loops_.clear();
  exitProc_.clear();
  info.codeStart = Here();
  for (const Param& param : proc.params) {
    SlotInfo slot = MakeSlot(param.type, nullptr, proc.line, proc.column);
    slot.isArray = param.isArray;
    AddLocal(param.key, std::move(slot));
  }
  if (proc.isFunction) {
    info.resultSlot = AddLocal("", MakeSlot(proc.result, nullptr, proc.line, proc.column));
  }
  line_ = proc.line;
  CompileBlock(proc.body);
  for (int32_t at : exitProc_) Patch(at, Here());
  if (proc.endLine > 0) line_ = proc.endLine;
  info.statements.push_back(Here());
  Emit(Op::kReturn);
  for (const auto& [at, label, line, column] : labelFixups_) {
    const auto found = labels_.find(label);
    if (found == labels_.end()) Fail(line, column, "Label '" + label + "' is not defined");
    image_.code[at].b = found->second;
    if (image_.code[at].op == Op::kJump) image_.code[at].a = found->second;
  }
  info.codeEnd = Here();
  // A jump to a return returns at once.
  for (int32_t pc = info.codeStart; pc < info.codeEnd; ++pc) {
    Instr& in = image_.code[pc];
    if (in.op == Op::kJump && in.a >= info.codeStart && in.a < info.codeEnd &&
        image_.code[in.a].op == Op::kReturn)
      in = Instr{Op::kReturn, 0, 0};
  }
}

int32_t Compiler::AddLocal(const std::string& key, SlotInfo slot) {
  const int32_t index = static_cast<int32_t>(info_->locals.size());
  info_->locals.push_back(std::move(slot));
  info_->localNames.push_back(key);
  if (!key.empty()) locals_[key] = index;
  return index;
}

Compiler::Sym Compiler::Resolve(const std::string& key) const {
  Sym sym;
  if (const auto it = locals_.find(key); it != locals_.end()) {
    sym.kind = SymKind::kLocal;
    sym.index = it->second;
    sym.isArray = info_->locals[it->second].isArray;
  } else if (const auto c = localConsts_.find(key); c != localConsts_.end()) {
    sym.kind = SymKind::kConst;
    sym.constant = c->second;
  } else if (const auto g = globals_.find(key); g != globals_.end()) {
    sym.kind = SymKind::kGlobal;
    sym.index = g->second;
    sym.isArray = image_.globals[g->second].isArray;
  } else if (const auto gc = globalConsts_.find(key); gc != globalConsts_.end()) {
    sym.kind = SymKind::kConst;
    sym.constant = gc->second;
  } else if (const auto p = procs_.find(key); p != procs_.end()) {
    sym.kind = SymKind::kProc;
    sym.index = p->second;
  } else if (const Builtin b = FindBuiltin(key); b != Builtin::kCount) {
    sym.kind = SymKind::kBuiltin;
    sym.index = static_cast<int32_t>(b);
  } else if (environment_.knowsGlobal && environment_.knowsGlobal(key)) {
    sym.kind = SymKind::kHost;
  }
  return sym;
}

// A name that is assigned to: an existing variable, or a new Variant local where the module
// does not ask for explicit declarations.
Compiler::Sym Compiler::ResolveForWrite(const Expr& name) {
  Sym sym = Resolve(name.key);
  if (sym.kind == SymKind::kLocal || sym.kind == SymKind::kGlobal) return sym;
  if (sym.kind == SymKind::kProc && proc_->isFunction && name.key == proc_->key) {
    sym.kind = SymKind::kLocal;
    sym.index = info_->resultSlot;
    return sym;
  }
  if (sym.kind == SymKind::kConst) Fail(name.line, name.column, "Cannot assign to constant '" + name.name + "'");
  if (sym.kind != SymKind::kNone && sym.kind != SymKind::kBuiltin)
    Fail(name.line, name.column, "Cannot assign to '" + name.name + "'");
  if (module_.explicitNames) Fail(name.line, name.column, "Variable '" + name.name + "' is not declared");
  sym.kind = SymKind::kLocal;
  sym.index = AddLocal(name.key, SlotInfo{});
  sym.isArray = false;
  return sym;
}

int32_t Compiler::Name(const std::string& text) {
  const auto found = names_.find(text);
  if (found != names_.end()) return found->second;
  const int32_t index = static_cast<int32_t>(image_.names.size());
  image_.names.push_back(text);
  names_[text] = index;
  return index;
}

int32_t Compiler::Constant(const Value& value) {
  image_.constants.push_back(value);
  return static_cast<int32_t>(image_.constants.size() - 1);
}

int32_t Compiler::Emit(Op op, int32_t a, int32_t b) {
  // Peephole: an operator whose right operand is a constant takes it as its operand, and a
  // comparison followed by a conditional jump becomes one instruction. Nothing jumps into the
  // middle of an expression, so the instructions joined are always run together; the check on
  // statement starts keeps what error handlers resume at.
  const bool joinable = static_cast<int32_t>(image_.code.size()) > info_->codeStart &&
                        (info_->statements.empty() || info_->statements.back() != Here());
  if (joinable && op >= Op::kAdd && op <= Op::kGe && op != Op::kIs &&
      image_.code.back().op == Op::kConst && Here() - 1 > info_->codeStart &&
      (info_->statements.empty() || info_->statements.back() != Here() - 1)) {
    Instr& last = image_.code.back();
    last.op = Op::kBinaryConst;
    last.b = static_cast<int32_t>(op);
    return Here() - 1;
  }
  if (joinable && (op == Op::kJumpFalse || op == Op::kJumpTrue)) {
    Instr& last = image_.code.back();
    const int32_t sense = (op == Op::kJumpTrue ? 1 : 0) << 8;
    const bool compare = last.op >= Op::kEq && last.op <= Op::kGe;
    const bool compareConst = last.op == Op::kBinaryConst && last.b >= static_cast<int32_t>(Op::kEq) &&
                              last.b <= static_cast<int32_t>(Op::kGe) && last.a < (1 << 21);
    if (compare || compareConst) {
      last.b = compare ? static_cast<int32_t>(last.op) | sense
                       : last.b | sense | kCompareConst | (last.a << 10);
      last.op = Op::kCompareJump;
      last.a = a;
      return Here() - 1;
    }
  }
  image_.code.push_back(Instr{op, a, b});
  image_.lines.push_back(line_);
  return Here() - 1;
}

// Evaluates a constant expression: literals, constants and operators on them.
Value Compiler::Fold(const Expr& expr) {
  try {
    switch (expr.kind) {
      case ExprKind::kConst: return expr.constant;
      case ExprKind::kName: {
        const Sym sym = proc_ != nullptr ? Resolve(expr.key) : Sym{};
        if (sym.kind == SymKind::kConst) return sym.constant;
        const auto found = globalConsts_.find(expr.key);
        if (found != globalConsts_.end()) return found->second;
        break;
      }
      case ExprKind::kUnary: {
        const Value v = Fold(*expr.target);
        return expr.op == BinOp::kNeg ? Negate(v) : Not(v);
      }
      case ExprKind::kBinary: {
        static constexpr Op kOps[] = {Op::kPow, Op::kMul, Op::kDiv, Op::kIntDiv, Op::kMod,
                                      Op::kAdd, Op::kSub, Op::kConcat, Op::kEq, Op::kNe,
                                      Op::kLt, Op::kGt, Op::kLe, Op::kGe, Op::kIs, Op::kAnd,
                                      Op::kOr, Op::kXor, Op::kEqv, Op::kImp};
        const Value left = Fold(*expr.target);
        const Value right = Fold(*expr.right);
        return Binary(kOps[static_cast<int>(expr.op)], left, right);
      }
      default: break;
    }
  } catch (const ScriptError& error) {
    Fail(expr.line, expr.column, "Constant expression fails: " + error.text);
  }
  Fail(expr.line, expr.column, "Expected a constant expression");
}

}  // namespace basic
