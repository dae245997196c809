// The compiler's expressions and calls.

#include "basic/Compiler.h"

namespace basic {

namespace {

Op OperatorOp(BinOp op) {
  static constexpr Op kOps[] = {Op::kPow, Op::kMul, Op::kDiv, Op::kIntDiv, Op::kMod, Op::kAdd,
                                Op::kSub, Op::kConcat, Op::kEq, Op::kNe, Op::kLt, Op::kGt,
                                Op::kLe, Op::kGe, Op::kIs, Op::kAnd, Op::kOr, Op::kXor,
                                Op::kEqv, Op::kImp, Op::kNeg, Op::kNot};
  return kOps[static_cast<int>(op)];
}

}  // namespace

int32_t Compiler::VarRef(const Sym& sym) const {
  return sym.kind == SymKind::kLocal ? sym.index : GlobalRef(sym.index);
}

bool Compiler::IsErrObject(const Expr& expr) const {
  return expr.kind == ExprKind::kName && expr.key == "err" && Resolve("err").kind == SymKind::kNone;
}

void Compiler::CompileExpr(const Expr& expr) {
  if (++depth_ > 2500) Fail(expr.line, expr.column, "Expression too complex");
  switch (expr.kind) {
    case ExprKind::kConst: Emit(Op::kConst, Constant(expr.constant)); break;
    case ExprKind::kNothing: Emit(Op::kNothing); break;
    case ExprKind::kName: CompileName(expr); break;
    case ExprKind::kMember:
      if (IsErrObject(*expr.target)) {
        if (expr.key == "number") Emit(Op::kErrGet, 0);
        else if (expr.key == "description") Emit(Op::kErrGet, 1);
        else Fail(expr.line, expr.column, "Err has the properties Number and Description");
        break;
      }
      CompileMemberCall(expr, {}, true);
      break;
    case ExprKind::kApply: CompileApply(expr, true); break;
    case ExprKind::kUnary:
      CompileExpr(*expr.target);
      Emit(OperatorOp(expr.op));
      break;
    case ExprKind::kBinary:
      CompileExpr(*expr.target);
      CompileExpr(*expr.right);
      Emit(OperatorOp(expr.op));
      break;
  }
  --depth_;
}

void Compiler::CompileName(const Expr& expr) {
  const Sym sym = Resolve(expr.key);
  switch (sym.kind) {
    case SymKind::kLocal:
    case SymKind::kGlobal:
      // A whole array is a value only as the argument of UBound, LBound or For Each.
      Emit(sym.kind == SymKind::kLocal ? Op::kLoadLocal : Op::kLoadGlobal, sym.index);
      return;
    case SymKind::kConst: Emit(Op::kConst, Constant(sym.constant)); return;
    case SymKind::kProc:
      if (proc_->isFunction && expr.key == proc_->key) {
        Emit(Op::kLoadLocal, info_->resultSlot);
        return;
      }
      if (!image_.procs[sym.index].isFunction)
        Fail(expr.line, expr.column, "Sub '" + expr.name + "' has no value");
      CompileProcCall(expr, sym.index, {});
      return;
    case SymKind::kBuiltin: CompileBuiltin(expr, static_cast<Builtin>(sym.index), {}); return;
    case SymKind::kHost: {
      auto found = hostGlobals_.find(expr.key);
      if (found == hostGlobals_.end()) {
        found = hostGlobals_.emplace(expr.key, static_cast<int32_t>(image_.hostGlobals.size())).first;
        image_.hostGlobals.push_back(Name(expr.key));
      }
      Emit(Op::kLoadHost, found->second);
      return;
    }
    case SymKind::kNone: {
      if (expr.key == "err") Fail(expr.line, expr.column, "Use Err.Number or Err.Description");
      ExternalProc external;
      if (FindExternal(expr.key, &external) && external.isFunction) {
        CompileExternalCall(expr, external, {});
        return;
      }
      if (module_.explicitNames) Fail(expr.line, expr.column, "Variable '" + expr.name + "' is not declared");
      Emit(Op::kLoadLocal, AddLocal(expr.key, SlotInfo{}));
      return;
    }
  }
}

void Compiler::CompileApply(const Expr& expr, bool wantResult) {
  const Expr& callee = *expr.target;
  if (callee.kind == ExprKind::kMember && !IsErrObject(*callee.target)) {
    CompileMemberCall(callee, expr.args, wantResult);
    return;
  }
  if (callee.kind == ExprKind::kName) {
    const Sym sym = Resolve(callee.key);
    if (sym.isArray) {
      CompileIndexes(expr, expr.args);
      Emit(Op::kLoadElem, VarRef(sym), static_cast<int32_t>(expr.args.size()));
      return;
    }
    if (sym.kind == SymKind::kProc) {
      if (wantResult && !image_.procs[sym.index].isFunction)
        Fail(callee.line, callee.column, "Sub '" + callee.name + "' has no value");
      CompileProcCall(callee, sym.index, expr.args);
      return;
    }
    if (sym.kind == SymKind::kBuiltin) {
      CompileBuiltin(callee, static_cast<Builtin>(sym.index), expr.args);
      return;
    }
    ExternalProc external;
    if (sym.kind == SymKind::kNone && FindExternal(callee.key, &external)) {
      if (wantResult && !external.isFunction)
        Fail(callee.line, callee.column, "Sub '" + callee.name + "' has no value");
      CompileExternalCall(callee, external, expr.args);
      return;
    }
    if (sym.kind == SymKind::kNone)
      Fail(callee.line, callee.column, "Sub, Function or array '" + callee.name + "' is not defined");
  }
  // The default member of an object: coll(1) is coll.Item(1).
  CheckMemberArgs(expr, expr.args);
  CompileExpr(callee);
  CompileArgs(expr.args);
  MemberSite site;
  site.name = Name("");
  site.argc = static_cast<int32_t>(expr.args.size());
  site.wantResult = wantResult;
  image_.sites.push_back(site);
  Emit(Op::kDefault, static_cast<int32_t>(image_.sites.size() - 1));
  CompileOuts(expr.args, nullptr);
}

void Compiler::CompileMemberCall(const Expr& member, const std::vector<ExprPtr>& args, bool wantResult) {
  CheckMemberArgs(member, args);
  CompileExpr(*member.target);
  CompileArgs(args);
  MemberSite site;
  site.name = Name(member.key);
  site.argc = static_cast<int32_t>(args.size());
  site.wantResult = wantResult;
  image_.sites.push_back(site);
  const int32_t index = static_cast<int32_t>(image_.sites.size() - 1);
  Emit(args.empty() && wantResult ? Op::kMemberGet : Op::kMemberCall, index);
  CompileOuts(args, nullptr);
}

void Compiler::CompileProcCall(const Expr& at, int32_t index, const std::vector<ExprPtr>& args) {
  const Proc& callee = module_.procs[index];
  if (args.size() > callee.params.size())
    Fail(at.line, at.column, "Too many arguments for '" + callee.name + "'");
  CompileArgs(args);
  for (size_t i = args.size(); i < callee.params.size(); ++i) {
    const Param& param = callee.params[i];
    if (!param.optional) Fail(at.line, at.column, "Argument '" + param.name + "' of '" + callee.name + "' is not optional");
    if (param.defaultValue) Emit(Op::kConst, Constant(Fold(*param.defaultValue)));
    else Emit(Op::kConst, Constant(Value()));
  }
  Emit(Op::kCall, index, static_cast<int32_t>(callee.params.size()));
  CompileOuts(args, &image_.procs[index].byRef);
}

bool Compiler::FindExternal(const std::string& key, ExternalProc* found) const {
  return environment_.findProcedure && environment_.findProcedure(key, found);
}

// Arguments go by value: what the callee does to its parameters stays in its module.
void Compiler::CompileExternalCall(const Expr& at, const ExternalProc& callee,
                                   const std::vector<ExprPtr>& args) {
  if (static_cast<int32_t>(args.size()) != callee.params)
    Fail(at.line, at.column, "Wrong number of arguments for '" + at.name + "'");
  CompileArgs(args);
  Emit(Op::kCallExternal, Name(at.key), static_cast<int32_t>(args.size()));
}

void Compiler::CompileBuiltin(const Expr& at, Builtin id, const std::vector<ExprPtr>& args) {
  const BuiltinInfo& info = GetBuiltin(id);
  const auto count = static_cast<int32_t>(args.size());
  if (count < info.least || count > info.most)
    Fail(at.line, at.column, "Wrong number of arguments for '" + at.name + "'");
  CompileArgs(args);
  Emit(Op::kBuiltin, static_cast<int32_t>(id), count);
}

void Compiler::CompileArgs(const std::vector<ExprPtr>& args) {
  for (const ExprPtr& arg : args) CompileExpr(*arg);
}

void Compiler::CheckMemberArgs(const Expr& at, const std::vector<ExprPtr>& args) const {
  if (args.size() > 30) Fail(at.line, at.column, "A member call takes at most 30 arguments");
}

// After a call, variables passed to by-reference parameters take the values that came back.
void Compiler::CompileOuts(const std::vector<ExprPtr>& args, const std::vector<uint8_t>* byRef) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (byRef != nullptr && !(*byRef)[i]) continue;
    const Expr& arg = *args[i];
    if (arg.kind != ExprKind::kName) continue;
    const Sym sym = Resolve(arg.key);
    if ((sym.kind != SymKind::kLocal && sym.kind != SymKind::kGlobal) || sym.isArray) continue;
    Emit(Op::kOut, VarRef(sym), static_cast<int32_t>(i));
  }
}

void Compiler::CompileIndexes(const Expr& at, const std::vector<ExprPtr>& args) {
  if (args.empty() || args.size() > 8) Fail(at.line, at.column, "An array element needs 1 to 8 indexes");
  CompileArgs(args);
}

}  // namespace basic
