// Statements and blocks.

#include "basic/Parser.h"

namespace basic {

bool Parser::AtTerminator(const std::vector<std::string>& terminators) const {
  if (Cur().kind == Tok::kEnd) return true;
  if (Cur().kind != Tok::kName) return false;
  for (const std::string& t : terminators) {
    const size_t space = t.find(' ');
    if (space == std::string::npos) {
      if (Cur().key == t) return true;
    } else if (Cur().key == t.substr(0, space) && IsWordAhead(1, t.substr(space + 1).c_str())) {
      return true;
    }
  }
  return false;
}

Block Parser::ParseBlock(const std::vector<std::string>& terminators) {
  DepthGuard guard(*this);
  Block block;
  for (;;) {
    SkipNewlines();
    if (AtTerminator(terminators)) break;
    if (IsWord("end") && (IsWordAhead(1, "sub") || IsWordAhead(1, "function")))
      Fail("Unexpected '" + Cur().text + " " + Ahead(1).text + "': a block is not closed");
    if (IsWord("sub") || IsWord("function")) Fail("A Sub or Function cannot be inside another");
    block.push_back(ParseStatement());
  }
  if (Cur().kind == Tok::kEnd) Fail("Unexpected end of text: expected '" + terminators[0] + "'");
  return block;
}

StmtPtr Parser::ParseStatement() {
  nodes_ = 0;
  const Token& at = Cur();
  if (at.kind != Tok::kName) return ParseAssignOrCall();
  const std::string& key = at.key;
  // A label: a name followed by ':'.
  if (!IsReservedWord(key) && Ahead(1).kind == Tok::kNewline && Ahead(1).colon &&
      pos_ > 0 && tokens_[pos_ - 1].kind == Tok::kNewline && !tokens_[pos_ - 1].colon) {
    StmtPtr stmt = MakeStmt(StmtKind::kLabel, at);
    stmt->name = at.key;
    Advance();
    Advance();
    return stmt;
  }
  if (key == "dim") return Advance(), ParseDim();
  if (key == "const") return ParseConst();
  if (key == "redim") return ParseReDim();
  if (key == "if") return ParseIf();
  if (key == "select") return ParseSelect();
  if (key == "for") return ParseFor();
  if (key == "do") return ParseDo();
  if (key == "while") return ParseWhile();
  if (key == "exit") return ParseExit();
  if (key == "print") return ParsePrint();
  if (key == "on") return ParseOnError();
  if (key == "resume") return ParseResume();
  if (key == "goto") {
    StmtPtr stmt = MakeStmt(StmtKind::kGoTo, at);
    Advance();
    stmt->name = Lower(ExpectName("a label after GoTo"));
    EndOfStatement();
    return stmt;
  }
  if (key == "end" && (Ahead(1).kind == Tok::kNewline || Ahead(1).kind == Tok::kEnd)) {
    StmtPtr stmt = MakeStmt(StmtKind::kEnd, at);
    Advance();
    EndOfStatement();
    return stmt;
  }
  if (key == "erase") {
    StmtPtr stmt = MakeStmt(StmtKind::kErase, at);
    Advance();
    stmt->target = ParsePrimary();
    EndOfStatement();
    return stmt;
  }
  if (key == "call") {
    Advance();
    StmtPtr stmt = MakeStmt(StmtKind::kCall, at);
    stmt->target = ParsePostfix(ParsePrimary());
    EndOfStatement();
    return stmt;
  }
  if (key == "set" || key == "let") {
    const bool isSet = key == "set";
    Advance();
    StmtPtr stmt = ParseAssignOrCall();
    if (stmt->kind != StmtKind::kAssign) FailAt(at, "Expected an assignment");
    stmt->isSet = isSet;
    return stmt;
  }
  if (IsReservedWord(key)) Fail("Unexpected '" + at.text + "'");
  return ParseAssignOrCall();
}

StmtPtr Parser::ParseAssignOrCall() {
  const Token& at = Cur();
  if (at.kind != Tok::kName) Fail("Expected a statement");
  ExprPtr target = ParsePostfix(ParsePrimary());
  if (Accept(Tok::kEq)) {
    StmtPtr stmt = MakeStmt(StmtKind::kAssign, at);
    stmt->target = std::move(target);
    stmt->value = ParseExpr();
    EndOfStatement();
    return stmt;
  }
  StmtPtr stmt = MakeStmt(StmtKind::kCall, at);
  if (!AtEndOfStatement() && !IsWord("else")) {
    // Arguments without parentheses: "obj.Method 1, 2" or "MySub x".
    auto call = MakeExpr(ExprKind::kApply, at);
    call->target = std::move(target);
    do {
      call->args.push_back(ParseExpr());
    } while (Accept(Tok::kComma));
    target = std::move(call);
  }
  stmt->target = std::move(target);
  if (!IsWord("else")) EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseIf() {
  StmtPtr stmt = MakeStmt(StmtKind::kIf, Cur());
  Advance();
  Branch first;
  first.cond = ParseExpr();
  ExpectWord("then", "'Then'");
  if (Cur().kind != Tok::kNewline || Cur().colon) {
    // The one-line form: If c Then a: b Else c: d
    first.body = ParseSingleLineStatements();
    stmt->branches.push_back(std::move(first));
    if (AcceptWord("else")) {
      Branch otherwise;
      otherwise.body = ParseSingleLineStatements();
      stmt->branches.push_back(std::move(otherwise));
    }
    EndOfStatement();
    return stmt;
  }
  first.body = ParseBlock({"elseif", "else", "end if"});
  stmt->branches.push_back(std::move(first));
  while (IsWord("elseif")) {
    Advance();
    Branch branch;
    branch.cond = ParseExpr();
    ExpectWord("then", "'Then'");
    EndOfStatement();
    branch.body = ParseBlock({"elseif", "else", "end if"});
    stmt->branches.push_back(std::move(branch));
  }
  if (AcceptWord("else")) {
    Branch otherwise;
    if (Cur().kind == Tok::kNewline) EndOfStatement();
    otherwise.body = ParseBlock({"end if"});
    stmt->branches.push_back(std::move(otherwise));
  }
  ExpectWord("end", "'End If'");
  ExpectWord("if", "'End If'");
  EndOfStatement();
  return stmt;
}

Block Parser::ParseSingleLineStatements() {
  DepthGuard guard(*this);
  ++singleLine_;
  struct Restore {
    int& count;
    ~Restore() { --count; }
  } restore{singleLine_};
  Block block;
  Accept(Tok::kNewline);  // "Then:" is allowed
  while (!(Cur().kind == Tok::kNewline && !Cur().colon) && Cur().kind != Tok::kEnd &&
         !IsWord("else")) {
    if (IsWord("if")) {
      block.push_back(ParseIf());
      break;
    }
    const size_t before = pos_;
    StmtPtr stmt = ParseStatement();
    block.push_back(std::move(stmt));
    // ParseStatement ate the ':' or the newline; a real newline ends the one-line If.
    if (pos_ > before && tokens_[pos_ - 1].kind == Tok::kNewline && !tokens_[pos_ - 1].colon) {
      --pos_;
      break;
    }
  }
  return block;
}

StmtPtr Parser::ParseSelect() {
  StmtPtr stmt = MakeStmt(StmtKind::kSelect, Cur());
  Advance();
  ExpectWord("case", "'Case' after 'Select'");
  stmt->value = ParseExpr();
  EndOfStatement();
  SkipNewlines();
  while (AcceptWord("case")) {
    Branch branch;
    if (!AcceptWord("else")) {
      do {
        CaseItem item;
        if (AcceptWord("is")) {
          item.isRelation = true;
          const Tok op = Cur().kind;
          switch (op) {
            case Tok::kEq: item.relation = BinOp::kEq; break;
            case Tok::kNe: item.relation = BinOp::kNe; break;
            case Tok::kLt: item.relation = BinOp::kLt; break;
            case Tok::kGt: item.relation = BinOp::kGt; break;
            case Tok::kLe: item.relation = BinOp::kLe; break;
            case Tok::kGe: item.relation = BinOp::kGe; break;
            default: Fail("Expected a comparison after 'Case Is'");
          }
          Advance();
          item.value = ParseExpr();
        } else {
          item.value = ParseExpr();
          if (AcceptWord("to")) item.upper = ParseExpr();
        }
        branch.cases.push_back(std::move(item));
      } while (Accept(Tok::kComma));
    }
    const bool isElse = branch.cases.empty();
    branch.body = ParseBlock({"case", "end select"});
    stmt->branches.push_back(std::move(branch));
    if (isElse && IsWord("case")) Fail("'Case Else' must be the last case");
  }
  ExpectWord("end", "'End Select'");
  ExpectWord("select", "'End Select'");
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseFor() {
  const Token& at = Cur();
  Advance();
  if (AcceptWord("each")) {
    StmtPtr stmt = MakeStmt(StmtKind::kForEach, at);
    stmt->target = MakeExpr(ExprKind::kName, Cur());
    stmt->target->name = ExpectName("a loop variable");
    stmt->target->key = Lower(stmt->target->name);
    ExpectWord("in", "'In'");
    stmt->value = ParseExpr();
    EndOfStatement();
    stmt->body = ParseBlock({"next"});
    ExpectWord("next", "'Next'");
    if (Cur().kind == Tok::kName && Cur().key == stmt->target->key) Advance();
    EndOfStatement();
    return stmt;
  }
  StmtPtr stmt = MakeStmt(StmtKind::kFor, at);
  stmt->target = MakeExpr(ExprKind::kName, Cur());
  stmt->target->name = ExpectName("a loop variable");
  stmt->target->key = Lower(stmt->target->name);
  Expect(Tok::kEq, "'='");
  stmt->value = ParseExpr();
  ExpectWord("to", "'To'");
  stmt->limit = ParseExpr();
  if (AcceptWord("step")) stmt->step = ParseExpr();
  EndOfStatement();
  stmt->body = ParseBlock({"next"});
  ExpectWord("next", "'Next'");
  if (Cur().kind == Tok::kName && !IsReservedWord(Cur().key)) {
    if (Cur().key != stmt->target->key) Fail("'Next' names another loop variable");
    Advance();
  }
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseDo() {
  StmtPtr stmt = MakeStmt(StmtKind::kDo, Cur());
  Advance();
  if (IsWord("while") || IsWord("until")) {
    stmt->atTop = true;
    stmt->until = Advance().key == "until";
    stmt->value = ParseExpr();
  }
  EndOfStatement();
  stmt->body = ParseBlock({"loop"});
  ExpectWord("loop", "'Loop'");
  if (IsWord("while") || IsWord("until")) {
    if (stmt->value) Fail("A Do loop has its condition at the top or at the bottom, not both");
    stmt->until = Advance().key == "until";
    stmt->value = ParseExpr();
  }
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseWhile() {
  StmtPtr stmt = MakeStmt(StmtKind::kDo, Cur());
  Advance();
  stmt->atTop = true;
  stmt->value = ParseExpr();
  EndOfStatement();
  stmt->body = ParseBlock({"wend"});
  ExpectWord("wend", "'Wend'");
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseExit() {
  StmtPtr stmt = MakeStmt(StmtKind::kExit, Cur());
  Advance();
  if (IsWord("for") || IsWord("do") || IsWord("sub") || IsWord("function")) {
    stmt->name = Advance().key;
  } else {
    Fail("Expected For, Do, Sub or Function after 'Exit'");
  }
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParsePrint() {
  StmtPtr stmt = MakeStmt(StmtKind::kPrint, Cur());
  Advance();
  while (!AtEndOfStatement() && !IsWord("else")) {
    stmt->args.push_back(ParseExpr());
    char separator = ' ';
    if (Accept(Tok::kSemicolon)) separator = ';';
    else if (Accept(Tok::kComma)) separator = ',';
    stmt->separators.push_back(separator);
    if (separator == ' ') break;
  }
  if (!IsWord("else")) EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseOnError() {
  StmtPtr stmt = MakeStmt(StmtKind::kOnError, Cur());
  Advance();
  ExpectWord("error", "'Error' after 'On'");
  if (AcceptWord("resume")) {
    ExpectWord("next", "'Next' after 'On Error Resume'");
    stmt->name = "resume next";
  } else {
    ExpectWord("goto", "'GoTo' or 'Resume Next' after 'On Error'");
    if (Cur().kind == Tok::kNumber && Cur().number == 0) {
      Advance();
    } else {
      stmt->name = Lower(ExpectName("a label"));
    }
  }
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseResume() {
  StmtPtr stmt = MakeStmt(StmtKind::kResume, Cur());
  Advance();
  if (AcceptWord("next")) stmt->name = "next";
  else if (!AtEndOfStatement()) stmt->name = Lower(ExpectName("a label"));
  EndOfStatement();
  return stmt;
}

StmtPtr Parser::ParseReDim() {
  StmtPtr stmt = MakeStmt(StmtKind::kReDim, Cur());
  Advance();
  stmt->preserve = AcceptWord("preserve");
  do {
    stmt->decls.push_back(ParseVarDecl(true));
    if (stmt->decls.back().bounds.empty()) Fail("ReDim needs the new bounds");
  } while (Accept(Tok::kComma));
  EndOfStatement();
  return stmt;
}

}  // namespace basic
