// The parser's token helpers and the module-level declarations.

#include "basic/Parser.h"

#include <algorithm>
#include <array>

namespace basic {

bool IsReservedWord(const std::string& key) {
  static constexpr std::array<const char*, 52> kWords = {
      "and",    "as",     "byref",   "byval",  "call",   "case",     "const",   "dim",
      "do",     "each",   "else",    "elseif", "end",    "erase",    "exit",    "false",
      "for",    "function", "global", "goto",  "if",     "in",       "is",      "loop",
      "mod",    "next",   "not",     "nothing", "on",    "optional", "or",      "preserve",
      "print",  "private", "public", "redim",  "resume", "select",   "set",     "step",
      "sub",    "then",   "to",      "true",   "until",  "wend",     "while",   "xor",
      "eqv",    "imp",    "let",     "option"};
  return std::any_of(kWords.begin(), kWords.end(), [&](const char* w) { return key == w; });
}

bool Parser::AcceptWord(const char* key) {
  if (!IsWord(key)) return false;
  Advance();
  return true;
}

bool Parser::Accept(Tok kind) {
  if (Cur().kind != kind) return false;
  Advance();
  return true;
}

void Parser::ExpectWord(const char* key, const char* what) {
  if (!AcceptWord(key)) Fail(std::string("Expected ") + what);
}

void Parser::Expect(Tok kind, const char* what) {
  if (!Accept(kind)) Fail(std::string("Expected ") + what);
}

void Parser::EndOfStatement() {
  if (Cur().kind == Tok::kEnd) return;
  if (singleLine_ > 0 && IsWord("else")) return;  // If c Then a Else b
  if (Cur().kind != Tok::kNewline) Fail("Expected end of statement");
  Advance();
}

void Parser::SkipNewlines() {
  while (Cur().kind == Tok::kNewline) Advance();
}

void Parser::Fail(const std::string& message) const { FailAt(Cur(), message); }

void Parser::FailAt(const Token& token, const std::string& message) const {
  throw CompileError{token.line, token.column, message};
}

std::string Parser::ExpectName(const char* what) {
  if (Cur().kind != Tok::kName || IsReservedWord(Cur().key)) Fail(std::string("Expected ") + what);
  return Advance().text;
}

void Parser::Enter() {
  if (++depth_ > kMaxDepth) Fail("Statement or expression nested too deeply");
}

ModuleAst Parser::ParseModule() {
  ModuleAst module;
  for (;;) {
    SkipNewlines();
    if (Cur().kind == Tok::kEnd) break;
    if (AcceptWord("option")) {
      if (!AcceptWord("explicit")) Fail("Expected 'Explicit' after 'Option'");
      module.explicitNames = true;
      EndOfStatement();
      continue;
    }
    // Visibility words change nothing: a module's names are visible to its own procedures.
    const bool visibility = IsWord("public") || IsWord("private") || IsWord("global");
    if (visibility) Advance();
    if (AcceptWord("sub")) {
      ParseProc(module, false);
    } else if (AcceptWord("function")) {
      ParseProc(module, true);
    } else if (IsWord("const")) {
      module.declarations.push_back(ParseConst());
    } else if (visibility || IsWord("dim")) {
      if (!visibility) Advance();
      module.declarations.push_back(ParseDim());
    } else {
      Fail("Expected Sub, Function, Dim or Const at module level");
    }
  }
  return module;
}

void Parser::ParseProc(ModuleAst& module, bool isFunction) {
  Proc proc;
  proc.line = Cur().line;
  proc.column = Cur().column;
  proc.isFunction = isFunction;
  const Token& nameToken = Cur();
  proc.name = ExpectName(isFunction ? "a function name" : "a sub name");
  proc.key = Lower(proc.name);
  for (const Proc& other : module.procs)
    if (other.key == proc.key) FailAt(nameToken, "'" + proc.name + "' is already defined");
  if (Accept(Tok::kLParen) && !Accept(Tok::kRParen)) {
    do {
      if (proc.params.size() == 60) Fail("A procedure has at most 60 parameters");
      proc.params.push_back(ParseParam());
      for (size_t i = 0; i + 1 < proc.params.size(); ++i)
        if (proc.params[i].key == proc.params.back().key)
          Fail("Parameter '" + proc.params.back().name + "' is named twice");
      if (!proc.params.back().optional && proc.params.size() > 1 &&
          proc.params[proc.params.size() - 2].optional)
        Fail("A parameter after an Optional one must be Optional too");
    } while (Accept(Tok::kComma));
    Expect(Tok::kRParen, "')' after the parameters");
  }
  if (isFunction && IsWord("as")) proc.result = ParseAsType();
  EndOfStatement();
  const char* end = isFunction ? "function" : "sub";
  proc.body = ParseBlock({std::string("end ") + end});
  proc.endLine = Cur().line;
  ExpectWord("end", isFunction ? "'End Function'" : "'End Sub'");
  ExpectWord(end, isFunction ? "'End Function'" : "'End Sub'");
  EndOfStatement();
  module.procs.push_back(std::move(proc));
}

Param Parser::ParseParam() {
  Param param;
  if (AcceptWord("optional")) param.optional = true;
  if (AcceptWord("byval")) param.byRef = false;
  else AcceptWord("byref");
  param.name = ExpectName("a parameter name");
  param.key = Lower(param.name);
  if (Accept(Tok::kLParen)) {
    Expect(Tok::kRParen, "')' after an array parameter's name");
    if (!param.byRef) Fail("An array parameter cannot be ByVal");
    param.isArray = true;
  }
  if (IsWord("as")) param.type = ParseAsType();
  if (Accept(Tok::kEq)) {
    if (!param.optional) Fail("Only an Optional parameter can have a default value");
    param.defaultValue = ParseExpr();
  }
  return param;
}

TypeRef Parser::ParseAsType() {
  ExpectWord("as", "'As'");
  if (Cur().kind != Tok::kName) Fail("Expected a type name");
  TypeRef type;
  const std::string key = Cur().key;
  std::string name = Advance().text;
  if (key == "integer" || key == "byte") type.type = VType::kInteger;
  else if (key == "long") type.type = VType::kLong;
  else if (key == "double" || key == "single" || key == "currency") type.type = VType::kDouble;
  else if (key == "string") type.type = VType::kString;
  else if (key == "boolean") type.type = VType::kBoolean;
  else if (key == "object") type.type = VType::kObject;
  else if (key == "variant") type.type = VType::kEmpty;
  else {
    // A registered class, perhaps qualified by its library: "DE22YBBdy.YBBody".
    while (Accept(Tok::kDot)) {
      if (Cur().kind != Tok::kName) Fail("Expected a class name after '.'");
      name += "." + Advance().text;
    }
    type.type = VType::kObject;
    type.className = std::move(name);
  }
  return type;
}

VarDecl Parser::ParseVarDecl(bool allowBounds) {
  VarDecl decl;
  decl.line = Cur().line;
  decl.column = Cur().column;
  decl.name = ExpectName("a variable name");
  decl.key = Lower(decl.name);
  if (Accept(Tok::kLParen)) {
    decl.isArray = true;
    if (!Accept(Tok::kRParen)) {
      if (!allowBounds) Fail("Expected ')'");
      do {
        ExprPtr first = ParseExpr();
        ExprPtr lower;
        if (AcceptWord("to")) {
          lower = std::move(first);
          first = ParseExpr();
        }
        decl.bounds.emplace_back(std::move(lower), std::move(first));
      } while (Accept(Tok::kComma));
      if (decl.bounds.size() > 8) Fail("An array has at most 8 dimensions");
      Expect(Tok::kRParen, "')' after the array bounds");
    }
  }
  if (IsWord("as")) decl.type = ParseAsType();
  return decl;
}

StmtPtr Parser::ParseDim() {
  StmtPtr stmt = MakeStmt(StmtKind::kDim, Cur());
  do {
    stmt->decls.push_back(ParseVarDecl(true));
  } while (Accept(Tok::kComma));
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseConst() {
  StmtPtr stmt = MakeStmt(StmtKind::kConst, Cur());
  ExpectWord("const", "'Const'");
  do {
    VarDecl decl;
    decl.line = Cur().line;
    decl.column = Cur().column;
    decl.name = ExpectName("a constant name");
    decl.key = Lower(decl.name);
    if (IsWord("as")) decl.type = ParseAsType();
    Expect(Tok::kEq, "'=' and the constant's value");
    stmt->decls.push_back(std::move(decl));
    stmt->args.push_back(ParseExpr());
  } while (Accept(Tok::kComma));
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::MakeStmt(StmtKind kind, const Token& at) const {
  auto stmt = std::make_unique<Stmt>();
  stmt->kind = kind;
  stmt->line = at.line;
  stmt->column = at.column;
  return stmt;
}

ExprPtr Parser::MakeExpr(ExprKind kind, const Token& at) const {
  auto expr = std::make_unique<Expr>();
  expr->kind = kind;
  expr->line = at.line;
  expr->column = at.column;
  return expr;
}

ModuleAst Parse(const std::vector<Token>& tokens) { return Parser(tokens).ParseModule(); }

}  // namespace basic
