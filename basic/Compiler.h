#pragma once
// The compiler: a module's syntax tree to a CodeImage. Names are resolved here once: locals and
// parameters to frame slots, module variables to global slots, constants folded, procedures to
// indexes; members of the program's objects are named and found when the code runs.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "basic/Ast.h"
#include "basic/Builtins.h"
#include "basic/Bytecode.h"
#include "basic/Lexer.h"

namespace basic {

// What the compiler may ask of the engine it compiles for.
// A procedure of another module that the engine shares with every module it compiles.
struct ExternalProc {
  int32_t params = 0;
  bool isFunction = false;
};

struct CompileEnvironment {
  std::function<bool(const std::string& className)> knowsClass;
  std::function<bool(const std::string& key)> knowsGlobal;  // the host's global objects
  // A name the module lacks, looked up among the shared modules' procedures.
  std::function<bool(const std::string& key, ExternalProc* found)> findProcedure;
};

// Compiles text to an image; throws CompileError.
CodeImage CompileText(std::string_view text, const CompileEnvironment& environment);

class Compiler {
 public:
  Compiler(const ModuleAst& module, const CompileEnvironment& environment);
  CodeImage Run();

 private:
  enum class SymKind { kNone, kLocal, kGlobal, kConst, kProc, kHost, kBuiltin };
  struct Sym {
    SymKind kind = SymKind::kNone;
    int32_t index = 0;
    bool isArray = false;
    Value constant;
  };
  struct LoopLabels {
    std::string kind;  // "for" or "do"
    std::vector<int32_t> exits;
  };

  // Module level (Compiler.cpp).
  void DeclareModule();
  void CompileProc(const Proc& proc, ProcInfo& info);
  SlotInfo MakeSlot(const TypeRef& type, const VarDecl* decl, int32_t line, int32_t column);
  int32_t ClassRef(const std::string& name, int32_t line, int32_t column);
  Sym Resolve(const std::string& key) const;
  Sym ResolveForWrite(const Expr& name);
  int32_t AddLocal(const std::string& key, SlotInfo slot);
  int32_t Name(const std::string& text);
  int32_t Constant(const Value& value);
  Value Fold(const Expr& expr);
  Value Convert(const Value& value, VType type, const VarDecl& decl) const;
  [[noreturn]] void Fail(int32_t line, int32_t column, const std::string& message) const;

  // Statements (CompilerStatements.cpp).
  void CompileBlock(const Block& block);
  void CompileStatement(const Stmt& stmt);
  void CompileAssign(const Stmt& stmt);
  void CompileCallStatement(const Stmt& stmt);
  void CompileDim(const Stmt& stmt);
  void CompileConst(const Stmt& stmt);
  void CompileReDim(const Stmt& stmt);
  void CompileIf(const Stmt& stmt);
  void CompileSelect(const Stmt& stmt);
  void CompileFor(const Stmt& stmt);
  void CompileForEach(const Stmt& stmt);
  void CompileDo(const Stmt& stmt);
  void CompileExit(const Stmt& stmt);
  void CompilePrint(const Stmt& stmt);
  void CompileJumpToLabel(Op op, int32_t a, const std::string& label, const Stmt& stmt);
  int32_t LoopVariable(const Expr& name);
  int32_t HiddenLocals(int32_t count);

  // Expressions (CompilerExpressions.cpp).
  void CompileExpr(const Expr& expr);
  void CompileName(const Expr& expr);
  void CompileApply(const Expr& expr, bool wantResult);
  void CompileMemberCall(const Expr& member, const std::vector<ExprPtr>& args, bool wantResult);
  void CompileProcCall(const Expr& at, int32_t proc, const std::vector<ExprPtr>& args);
  // A procedure of a shared module, when the name is one; false otherwise.
  bool FindExternal(const std::string& key, ExternalProc* found) const;
  void CompileExternalCall(const Expr& at, const ExternalProc& callee, const std::vector<ExprPtr>& args);
  void CompileBuiltin(const Expr& at, Builtin id, const std::vector<ExprPtr>& args);
  void CompileArgs(const std::vector<ExprPtr>& args);
  void CheckMemberArgs(const Expr& at, const std::vector<ExprPtr>& args) const;
  void CompileOuts(const std::vector<ExprPtr>& args, const std::vector<uint8_t>* byRef);
  void CompileIndexes(const Expr& at, const std::vector<ExprPtr>& args);
  int32_t VarRef(const Sym& sym) const;
  bool IsErrObject(const Expr& expr) const;

  int32_t Emit(Op op, int32_t a = 0, int32_t b = 0);
  int32_t Here() const { return static_cast<int32_t>(image_.code.size()); }
  void Patch(int32_t at, int32_t target) { image_.code[at].a = target; }

  const ModuleAst& module_;
  const CompileEnvironment& environment_;
  CodeImage image_;
  std::map<std::string, int32_t> procs_;
  std::map<std::string, int32_t> globals_;
  std::map<std::string, Value> globalConsts_;
  std::map<std::string, int32_t> hostGlobals_;
  std::map<std::string, int32_t> names_;

  // The procedure being compiled.
  const Proc* proc_ = nullptr;
  ProcInfo* info_ = nullptr;
  std::map<std::string, int32_t> locals_;
  std::map<std::string, Value> localConsts_;
  std::map<std::string, int32_t> labels_;
  std::vector<std::tuple<int32_t, std::string, int32_t, int32_t>> labelFixups_;
  std::vector<LoopLabels> loops_;
  std::vector<int32_t> exitProc_;
  int32_t line_ = 0;
  int depth_ = 0;
};

}  // namespace basic
