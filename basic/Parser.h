#pragma once
// The recursive-descent parser: tokens to the syntax tree of one module. Declarations
// (Option, Dim, Const, Sub, Function) are parsed here, statements in ParserStatements.cpp and
// expressions in ParserExpressions.cpp.

#include <string>
#include <vector>

#include "basic/Ast.h"
#include "basic/Lexer.h"

namespace basic {

class Parser {
 public:
  explicit Parser(const std::vector<Token>& tokens) : tokens_(tokens) {}
  ModuleAst ParseModule();

  // Nesting deeper than this is refused, so a hostile text cannot exhaust the native stack.
  static constexpr int kMaxDepth = 100;

 private:
  friend struct DepthGuard;
  // Tokens.
  const Token& Cur() const { return tokens_[pos_]; }
  const Token& Ahead(size_t n) const {
    return tokens_[pos_ + n < tokens_.size() ? pos_ + n : tokens_.size() - 1];
  }
  bool IsWord(const char* key) const { return Cur().kind == Tok::kName && Cur().key == key; }
  bool IsWordAhead(size_t n, const char* key) const {
    return Ahead(n).kind == Tok::kName && Ahead(n).key == key;
  }
  bool AcceptWord(const char* key);
  bool Accept(Tok kind);
  void ExpectWord(const char* key, const char* what);
  void Expect(Tok kind, const char* what);
  const Token& Advance() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
  bool AtEndOfStatement() const { return Cur().kind == Tok::kNewline || Cur().kind == Tok::kEnd; }
  void EndOfStatement();
  void SkipNewlines();
  [[noreturn]] void Fail(const std::string& message) const;
  [[noreturn]] void FailAt(const Token& token, const std::string& message) const;
  std::string ExpectName(const char* what);
  void Enter();
  void Leave() { --depth_; }
  void CountNode();

  // Declarations (Parser.cpp).
  void ParseProc(ModuleAst& module, bool isFunction);
  Param ParseParam();
  TypeRef ParseAsType();
  VarDecl ParseVarDecl(bool allowBounds);
  StmtPtr ParseDim();
  StmtPtr ParseConst();

  // Statements (ParserStatements.cpp).
  Block ParseBlock(const std::vector<std::string>& terminators);
  bool AtTerminator(const std::vector<std::string>& terminators) const;
  StmtPtr ParseStatement();
  StmtPtr ParseIf();
  Block ParseSingleLineStatements();
  StmtPtr ParseSelect();
  StmtPtr ParseFor();
  StmtPtr ParseDo();
  StmtPtr ParseWhile();
  StmtPtr ParseExit();
  StmtPtr ParsePrint();
  StmtPtr ParseOnError();
  StmtPtr ParseResume();
  StmtPtr ParseReDim();
  StmtPtr ParseAssignOrCall();
  StmtPtr MakeStmt(StmtKind kind, const Token& at) const;

  // Expressions (ParserExpressions.cpp).
  ExprPtr ParseExpr();
  ExprPtr ParseBinary(int level);
  ExprPtr ParseUnary(int level);
  ExprPtr ParsePrimary();
  ExprPtr ParsePostfix(ExprPtr target);
  std::vector<ExprPtr> ParseArgs();
  ExprPtr MakeExpr(ExprKind kind, const Token& at) const;

  const std::vector<Token>& tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  int nodes_ = 0;
  int singleLine_ = 0;  // inside the statements of a one-line If  // operators and member steps in the current statement
};

// Keeps the parser's nesting count right on every way out of a nested rule.
struct DepthGuard {
  explicit DepthGuard(Parser& p) : parser(p) { parser.Enter(); }
  ~DepthGuard() { parser.Leave(); }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  Parser& parser;
};

// Words that begin statements or close blocks; they cannot name variables or procedures.
bool IsReservedWord(const std::string& key);

}  // namespace basic
