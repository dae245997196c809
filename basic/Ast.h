#pragma once
// The syntax tree the parser builds and the compiler walks. One node type for expressions and one
// for statements keep the tree small; each kind says which fields it uses.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "basic/Value.h"

namespace basic {

enum class BinOp : uint8_t {
  kPow, kMul, kDiv, kIntDiv, kMod, kAdd, kSub, kConcat,
  kEq, kNe, kLt, kGt, kLe, kGe, kIs, kAnd, kOr, kXor, kEqv, kImp,
  kNeg, kNot,  // unary
};

enum class ExprKind : uint8_t {
  kConst,    // constant
  kName,     // name / key
  kMember,   // target.name
  kApply,    // target(args): call, array element or default member
  kUnary,    // op target
  kBinary,   // target op right
  kNothing,  // Nothing
};

struct Expr {
  ExprKind kind = ExprKind::kConst;
  int32_t line = 0;
  int32_t column = 0;
  BinOp op = BinOp::kAdd;
  Value constant;
  std::string name;
  std::string key;
  std::unique_ptr<Expr> target;
  std::unique_ptr<Expr> right;
  std::vector<std::unique_ptr<Expr>> args;
};
using ExprPtr = std::unique_ptr<Expr>;

// A declared type: one of the engine types, Variant (kEmpty), or an object of a named class.
struct TypeRef {
  VType type = VType::kEmpty;
  std::string className;  // for objects of a registered class; empty for any object
};

struct VarDecl {
  std::string name;
  std::string key;
  int32_t line = 0;
  int32_t column = 0;
  TypeRef type;
  bool isArray = false;
  std::vector<std::pair<ExprPtr, ExprPtr>> bounds;  // (lower or null, upper) per dimension
};

struct Stmt;
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

// One Case item: a value, a range "a To b", or "Is op value".
struct CaseItem {
  ExprPtr value;
  ExprPtr upper;  // for ranges
  bool isRelation = false;
  BinOp relation = BinOp::kEq;
};

// A branch of If (cond null for Else) or of Select Case (no cases for Case Else).
struct Branch {
  ExprPtr cond;
  std::vector<CaseItem> cases;
  Block body;
};

enum class StmtKind : uint8_t {
  kAssign,   // target = value (Set when isSet)
  kCall,     // target called as a statement; args in call
  kDim,      // decls
  kConst,    // decls with values in value
  kReDim,    // decls, preserve
  kIf,       // branches
  kSelect,   // value, branches
  kFor,      // target (loop variable), value (from), limit, step, body
  kForEach,  // target, value (collection), body
  kDo,       // value (condition or null), atTop, until, body
  kExit,     // name: "for", "do", "sub", "function"
  kPrint,    // args, separators
  kOnError,  // name: label, or "" for GoTo 0, or "resume next"
  kResume,   // name: label, "" to retry, "next"
  kGoTo,     // name
  kLabel,    // name
  kEnd,
  kErase,    // target
};

struct Stmt {
  StmtKind kind = StmtKind::kCall;
  int32_t line = 0;
  int32_t column = 0;
  bool isSet = false;
  bool atTop = false;
  bool until = false;
  bool preserve = false;
  std::string name;
  ExprPtr target;
  ExprPtr value;
  ExprPtr limit;
  ExprPtr step;
  std::vector<ExprPtr> args;
  std::vector<char> separators;  // Print: ';' ',' or ' ' after each item
  std::vector<VarDecl> decls;
  std::vector<Branch> branches;
  Block body;
};

struct Param {
  std::string name;
  std::string key;
  TypeRef type;
  bool isArray = false;  // name(): the caller's array itself
  bool byRef = true;
  bool optional = false;
  ExprPtr defaultValue;
};

struct Proc {
  std::string name;
  std::string key;
  int32_t line = 0;
  int32_t column = 0;
  int32_t endLine = 0;  // the line of its End Sub or End Function
  bool isFunction = false;
  std::vector<Param> params;
  TypeRef result;
  Block body;
};

struct ModuleAst {
  bool explicitNames = false;
  std::vector<StmtPtr> declarations;  // module-level Dim and Const, in order
  std::vector<Proc> procs;
};

// Parses a whole module; throws CompileError with the place and a message.
ModuleAst Parse(const std::vector<struct Token>& tokens);

}  // namespace basic
