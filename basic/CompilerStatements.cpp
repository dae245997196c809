// The compiler's statements. Every statement leaves the operand stack empty, so an error handler
// can resume at any statement's start; loop state lives in hidden locals.

#include "basic/Compiler.h"

namespace basic {

void Compiler::CompileBlock(const Block& block) {
  if (++depth_ > 200) Fail(line_, 1, "Statements nested too deeply");
  for (const StmtPtr& stmt : block) CompileStatement(*stmt);
  --depth_;
}

void Compiler::CompileStatement(const Stmt& stmt) {
  line_ = stmt.line;
  info_->statements.push_back(Here());
  switch (stmt.kind) {
    case StmtKind::kAssign: CompileAssign(stmt); break;
    case StmtKind::kCall: CompileCallStatement(stmt); break;
    case StmtKind::kDim: CompileDim(stmt); break;
    case StmtKind::kConst: CompileConst(stmt); break;
    case StmtKind::kReDim: CompileReDim(stmt); break;
    case StmtKind::kIf: CompileIf(stmt); break;
    case StmtKind::kSelect: CompileSelect(stmt); break;
    case StmtKind::kFor: CompileFor(stmt); break;
    case StmtKind::kForEach: CompileForEach(stmt); break;
    case StmtKind::kDo: CompileDo(stmt); break;
    case StmtKind::kExit: CompileExit(stmt); break;
    case StmtKind::kPrint: CompilePrint(stmt); break;
    case StmtKind::kOnError:
      if (stmt.name.empty()) Emit(Op::kOnError, 0);
      else if (stmt.name == "resume next") Emit(Op::kOnError, 1);
      else CompileJumpToLabel(Op::kOnError, 2, stmt.name, stmt);
      break;
    case StmtKind::kResume:
      if (stmt.name.empty()) Emit(Op::kResume, 0);
      else if (stmt.name == "next") Emit(Op::kResume, 1);
      else CompileJumpToLabel(Op::kResume, 2, stmt.name, stmt);
      break;
    case StmtKind::kGoTo: CompileJumpToLabel(Op::kJump, 0, stmt.name, stmt); break;
    case StmtKind::kLabel:
      if (labels_.count(stmt.name)) Fail(stmt.line, stmt.column, "Label '" + stmt.name + "' is defined twice");
      labels_[stmt.name] = Here();
      break;
    case StmtKind::kEnd: Emit(Op::kEnd); break;
    case StmtKind::kErase: {
      const Expr& name = *stmt.target;
      const Sym sym = name.kind == ExprKind::kName ? Resolve(name.key) : Sym{};
      if (!sym.isArray) Fail(stmt.line, stmt.column, "Erase needs an array variable");
      Emit(Op::kErase, VarRef(sym));
      break;
    }
  }
}

void Compiler::CompileJumpToLabel(Op op, int32_t a, const std::string& label, const Stmt& stmt) {
  labelFixups_.emplace_back(Emit(op, a, 0), label, stmt.line, stmt.column);
}

void Compiler::CompileAssign(const Stmt& stmt) {
  const Expr& target = *stmt.target;
  if (target.kind == ExprKind::kName) {
    const Sym sym = ResolveForWrite(target);
    if (sym.isArray) Fail(target.line, target.column, "Cannot assign to a whole array");
    const Expr& value = *stmt.value;
    // s = s & x appends in place instead of copying the whole string each time.
    if (value.kind == ExprKind::kBinary && value.op == BinOp::kConcat &&
        value.target->kind == ExprKind::kName && value.target->key == target.key) {
      CompileExpr(*value.right);
      Emit(Op::kAppend, VarRef(sym));
      return;
    }
    CompileExpr(value);
    Emit(sym.kind == SymKind::kLocal ? Op::kStoreLocal : Op::kStoreGlobal, sym.index);
    return;
  }
  if (target.kind == ExprKind::kApply && target.target->kind == ExprKind::kName) {
    const Sym sym = Resolve(target.target->key);
    if (sym.isArray) {
      CompileIndexes(target, target.args);
      CompileExpr(*stmt.value);
      Emit(Op::kStoreElem, VarRef(sym), static_cast<int32_t>(target.args.size()));
      return;
    }
  }
  const Expr* member = &target;
  const std::vector<ExprPtr>* args = nullptr;
  if (target.kind == ExprKind::kApply && target.target->kind == ExprKind::kMember) {
    member = target.target.get();
    args = &target.args;
  }
  if (member->kind != ExprKind::kMember || IsErrObject(*member->target))
    Fail(target.line, target.column, "Cannot assign to this expression");
  if (args) CheckMemberArgs(*member, *args);
  CompileExpr(*member->target);
  if (args) CompileArgs(*args);
  CompileExpr(*stmt.value);
  MemberSite site;
  site.name = Name(member->key);
  site.argc = args ? static_cast<int32_t>(args->size()) : 0;
  image_.sites.push_back(site);
  Emit(Op::kMemberSet, static_cast<int32_t>(image_.sites.size() - 1));
}

void Compiler::CompileCallStatement(const Stmt& stmt) {
  const Expr& target = *stmt.target;
  const Expr& callee = target.kind == ExprKind::kApply ? *target.target : target;
  static const std::vector<ExprPtr> kNoArgs;
  const std::vector<ExprPtr>& args = target.kind == ExprKind::kApply ? target.args : kNoArgs;
  if (callee.kind == ExprKind::kMember && IsErrObject(*callee.target)) {
    if (callee.key == "clear" && args.empty()) {
      Emit(Op::kErrClear);
    } else if (callee.key == "raise" && !args.empty() && args.size() <= 3) {
      CompileArgs(args);
      Emit(Op::kErrRaise, 0, static_cast<int32_t>(args.size()));
    } else {
      Fail(callee.line, callee.column, "Err has the methods Raise and Clear");
    }
    return;
  }
  if (callee.kind == ExprKind::kMember) {
    CompileMemberCall(callee, args, false);
    Emit(Op::kPop);
    return;
  }
  if (callee.kind == ExprKind::kName) {
    const Sym sym = Resolve(callee.key);
    if (sym.kind == SymKind::kProc) {
      CompileProcCall(callee, sym.index, args);
      Emit(Op::kPop);
      return;
    }
    if (sym.kind == SymKind::kBuiltin) {
      CompileBuiltin(callee, static_cast<Builtin>(sym.index), args);
      Emit(Op::kPop);
      return;
    }
    ExternalProc external;
    if (sym.kind == SymKind::kNone && FindExternal(callee.key, &external)) {
      CompileExternalCall(callee, external, args);
      Emit(Op::kPop);
      return;
    }
    if (sym.kind == SymKind::kNone)
      Fail(callee.line, callee.column, "Sub or Function '" + callee.name + "' is not defined");
  }
  if (target.kind != ExprKind::kApply) Fail(target.line, target.column, "Expected a statement");
  CompileApply(target, false);
  Emit(Op::kPop);
}

void Compiler::CompileDim(const Stmt& stmt) {
  for (const VarDecl& decl : stmt.decls) {
    if (locals_.count(decl.key) || localConsts_.count(decl.key))
      Fail(decl.line, decl.column, "'" + decl.name + "' is already defined");
    const int32_t slot = AddLocal(decl.key, MakeSlot(decl.type, &decl, decl.line, decl.column));
    if (decl.bounds.empty()) continue;
    for (const auto& [lower, upper] : decl.bounds) {
      if (lower) CompileExpr(*lower);
      else Emit(Op::kConst, Constant(Value::Integer(0)));
      CompileExpr(*upper);
    }
    Emit(Op::kDimArray, slot, static_cast<int32_t>(decl.bounds.size()));
  }
}

void Compiler::CompileConst(const Stmt& stmt) {
  for (size_t i = 0; i < stmt.decls.size(); ++i) {
    const VarDecl& decl = stmt.decls[i];
    if (locals_.count(decl.key) || localConsts_.count(decl.key))
      Fail(decl.line, decl.column, "'" + decl.name + "' is already defined");
    Value value = Fold(*stmt.args[i]);
    if (decl.type.type != VType::kEmpty && decl.type.type != VType::kObject)
      value = Convert(value, decl.type.type, decl);
    localConsts_[decl.key] = std::move(value);
  }
}

void Compiler::CompileReDim(const Stmt& stmt) {
  for (const VarDecl& decl : stmt.decls) {
    Sym sym = Resolve(decl.key);
    if (sym.kind == SymKind::kNone) {
      if (module_.explicitNames) Fail(decl.line, decl.column, "Variable '" + decl.name + "' is not declared");
      sym.kind = SymKind::kLocal;
      sym.index = AddLocal(decl.key, MakeSlot(decl.type, &decl, decl.line, decl.column));
      sym.isArray = true;
    }
    if (!sym.isArray) Fail(decl.line, decl.column, "'" + decl.name + "' is not an array");
    for (const auto& [lower, upper] : decl.bounds) {
      if (lower) CompileExpr(*lower);
      else Emit(Op::kConst, Constant(Value::Integer(0)));
      CompileExpr(*upper);
    }
    const int32_t count = static_cast<int32_t>(decl.bounds.size());
    Emit(Op::kReDim, VarRef(sym), stmt.preserve ? count | kPreserve : count);
  }
}

void Compiler::CompileIf(const Stmt& stmt) {
  std::vector<int32_t> ends;
  for (const Branch& branch : stmt.branches) {
    int32_t skip = -1;
    if (branch.cond) {
      CompileExpr(*branch.cond);
      skip = Emit(Op::kJumpFalse);
    }
    CompileBlock(branch.body);
    if (skip >= 0) {
      ends.push_back(Emit(Op::kJump));
      Patch(skip, Here());
    }
  }
  for (int32_t at : ends) Patch(at, Here());
}

int32_t Compiler::HiddenLocals(int32_t count) {
  const int32_t first = static_cast<int32_t>(info_->locals.size());
  for (int32_t i = 0; i < count; ++i) AddLocal("", SlotInfo{});
  return first;
}

void Compiler::CompileSelect(const Stmt& stmt) {
  const int32_t subject = HiddenLocals(1);
  CompileExpr(*stmt.value);
  Emit(Op::kStoreLocal, subject);
  std::vector<int32_t> ends;
  for (const Branch& branch : stmt.branches) {
    std::vector<int32_t> matches;
    for (const CaseItem& item : branch.cases) {
      Emit(Op::kLoadLocal, subject);
      CompileExpr(*item.value);
      if (item.upper) {
        Emit(Op::kGe);
        const int32_t below = Emit(Op::kJumpFalse);
        Emit(Op::kLoadLocal, subject);
        CompileExpr(*item.upper);
        Emit(Op::kLe);
        matches.push_back(Emit(Op::kJumpTrue));
        Patch(below, Here());
        continue;
      }
      static constexpr Op kRelations[] = {Op::kEq, Op::kNe, Op::kLt, Op::kGt, Op::kLe, Op::kGe};
      const BinOp relation = item.isRelation ? item.relation : BinOp::kEq;
      Emit(kRelations[static_cast<int>(relation) - static_cast<int>(BinOp::kEq)]);
      matches.push_back(Emit(Op::kJumpTrue));
    }
    const int32_t next = branch.cases.empty() ? -1 : Emit(Op::kJump);
    for (int32_t at : matches) Patch(at, Here());
    CompileBlock(branch.body);
    ends.push_back(Emit(Op::kJump));
    if (next >= 0) Patch(next, Here());
  }
  for (int32_t at : ends) Patch(at, Here());
}

int32_t Compiler::LoopVariable(const Expr& name) {
  const Sym sym = ResolveForWrite(name);
  if (sym.isArray) Fail(name.line, name.column, "A loop variable cannot be an array");
  return VarRef(sym);
}

void Compiler::CompileFor(const Stmt& stmt) {
  LoopInfo loop;
  loop.var = LoopVariable(*stmt.target);
  loop.hidden = HiddenLocals(2);
  CompileExpr(*stmt.value);
  Emit(loop.var >= 0 ? Op::kStoreLocal : Op::kStoreGlobal, loop.var >= 0 ? loop.var : -1 - loop.var);
  CompileExpr(*stmt.limit);
  Emit(Op::kStoreLocal, loop.hidden);
  if (stmt.step) CompileExpr(*stmt.step);
  else Emit(Op::kConst, Constant(Value::Integer(1)));
  Emit(Op::kStoreLocal, loop.hidden + 1);
  image_.loops.push_back(loop);
  const int32_t index = static_cast<int32_t>(image_.loops.size() - 1);
  const int32_t prep = Emit(Op::kForPrep, index);
  const int32_t body = Here();
  loops_.push_back({"for", {}});
  CompileBlock(stmt.body);
  line_ = stmt.line;
  info_->statements.push_back(Here());
  Emit(Op::kForNext, index, body);
  for (int32_t at : loops_.back().exits) Patch(at, Here());
  loops_.pop_back();
  image_.code[prep].b = Here();
}

void Compiler::CompileForEach(const Stmt& stmt) {
  LoopInfo loop;
  loop.var = LoopVariable(*stmt.target);
  loop.hidden = HiddenLocals(3);
  CompileExpr(*stmt.value);
  image_.loops.push_back(loop);
  const int32_t index = static_cast<int32_t>(image_.loops.size() - 1);
  const int32_t prep = Emit(Op::kEachPrep, index);
  const int32_t body = Here();
  loops_.push_back({"for", {}});
  CompileBlock(stmt.body);
  line_ = stmt.line;
  info_->statements.push_back(Here());
  Emit(Op::kEachNext, index, body);
  for (int32_t at : loops_.back().exits) Patch(at, Here());
  loops_.pop_back();
  image_.code[prep].b = Here();
}

void Compiler::CompileDo(const Stmt& stmt) {
  const int32_t top = Here();
  int32_t exitTest = -1;
  if (stmt.atTop && stmt.value) {
    CompileExpr(*stmt.value);
    exitTest = Emit(stmt.until ? Op::kJumpTrue : Op::kJumpFalse);
  }
  loops_.push_back({"do", {}});
  CompileBlock(stmt.body);
  line_ = stmt.line;
  info_->statements.push_back(Here());
  if (!stmt.atTop && stmt.value) {
    CompileExpr(*stmt.value);
    Emit(stmt.until ? Op::kJumpFalse : Op::kJumpTrue, top);
  } else {
    Emit(Op::kJump, top);
  }
  if (exitTest >= 0) Patch(exitTest, Here());
  for (int32_t at : loops_.back().exits) Patch(at, Here());
  loops_.pop_back();
}

void Compiler::CompileExit(const Stmt& stmt) {
  if (stmt.name == "sub" || stmt.name == "function") {
    if ((stmt.name == "function") != proc_->isFunction)
      Fail(stmt.line, stmt.column, "'Exit " + stmt.name + "' outside a " + stmt.name);
    exitProc_.push_back(Emit(Op::kJump));
    return;
  }
  for (auto it = loops_.rbegin(); it != loops_.rend(); ++it) {
    if (it->kind == stmt.name) {
      it->exits.push_back(Emit(Op::kJump));
      return;
    }
  }
  Fail(stmt.line, stmt.column, "'Exit " + stmt.name + "' outside a " + stmt.name + " loop");
}

void Compiler::CompilePrint(const Stmt& stmt) {
  if (stmt.args.empty()) {
    Emit(Op::kPrint, 3);
    return;
  }
  for (size_t i = 0; i < stmt.args.size(); ++i) {
    CompileExpr(*stmt.args[i]);
    const char separator = stmt.separators[i];
    Emit(Op::kPrint, separator == ';' ? 0 : separator == ',' ? 1 : 2);
  }
}

}  // namespace basic
