// Expressions, by precedence from the loosest to the tightest binding:
// Imp, Eqv, Xor, Or, And, Not, comparisons and Is, &, + and -, Mod, \, * and /, unary -, ^.

#include "basic/Parser.h"

namespace basic {

namespace {

enum Level { kImp, kEqv, kXor, kOr, kAnd, kNotLevel, kCompare, kConcatLevel, kAddLevel,
             kModLevel, kIntDivLevel, kMulLevel, kNegLevel, kPowLevel };

// The binary operator of this level at the current token, if there is one.
bool OperatorAt(int level, const Token& t, BinOp& op) {
  const bool name = t.kind == Tok::kName;
  switch (level) {
    case kImp: op = BinOp::kImp; return name && t.key == "imp";
    case kEqv: op = BinOp::kEqv; return name && t.key == "eqv";
    case kXor: op = BinOp::kXor; return name && t.key == "xor";
    case kOr: op = BinOp::kOr; return name && t.key == "or";
    case kAnd: op = BinOp::kAnd; return name && t.key == "and";
    case kCompare:
      switch (t.kind) {
        case Tok::kEq: op = BinOp::kEq; return true;
        case Tok::kNe: op = BinOp::kNe; return true;
        case Tok::kLt: op = BinOp::kLt; return true;
        case Tok::kGt: op = BinOp::kGt; return true;
        case Tok::kLe: op = BinOp::kLe; return true;
        case Tok::kGe: op = BinOp::kGe; return true;
        default: op = BinOp::kIs; return name && t.key == "is";
      }
    case kConcatLevel: op = BinOp::kConcat; return t.kind == Tok::kAmp;
    case kAddLevel:
      op = t.kind == Tok::kPlus ? BinOp::kAdd : BinOp::kSub;
      return t.kind == Tok::kPlus || t.kind == Tok::kMinus;
    case kModLevel: op = BinOp::kMod; return name && t.key == "mod";
    case kIntDivLevel: op = BinOp::kIntDiv; return t.kind == Tok::kBackslash;
    case kMulLevel:
      op = t.kind == Tok::kStar ? BinOp::kMul : BinOp::kDiv;
      return t.kind == Tok::kStar || t.kind == Tok::kSlash;
    default: return false;
  }
}

}  // namespace

void Parser::CountNode() {
  // Long chains make deep trees; past this the statement is refused rather than risk the stack.
  if (++nodes_ > 2000) Fail("Expression too complex");
}

ExprPtr Parser::ParseExpr() {
  DepthGuard guard(*this);
  return ParseBinary(kImp);
}

ExprPtr Parser::ParseBinary(int level) {
  if (level == kNotLevel || level == kNegLevel) return ParseUnary(level);
  if (level == kPowLevel) {
    ExprPtr left = ParsePostfix(ParsePrimary());
    while (Cur().kind == Tok::kCaret) {
      auto node = MakeExpr(ExprKind::kBinary, Cur());
      Advance();
      CountNode();
      node->op = BinOp::kPow;
      node->target = std::move(left);
      // The exponent may carry its own sign: 2 ^ -1.
      node->right = Cur().kind == Tok::kMinus ? ParseUnary(kNegLevel) : ParsePostfix(ParsePrimary());
      left = std::move(node);
    }
    return left;
  }
  ExprPtr left = ParseBinary(level + 1);
  BinOp op;
  while (OperatorAt(level, Cur(), op)) {
    auto node = MakeExpr(ExprKind::kBinary, Cur());
    Advance();
    CountNode();
    node->op = op;
    node->target = std::move(left);
    node->right = ParseBinary(level + 1);
    left = std::move(node);
  }
  return left;
}

ExprPtr Parser::ParseUnary(int level) {
  const bool isNot = level == kNotLevel;
  if (isNot ? IsWord("not") : (Cur().kind == Tok::kMinus || Cur().kind == Tok::kPlus)) {
    DepthGuard guard(*this);
    const Token& at = Cur();
    const bool plus = at.kind == Tok::kPlus;
    Advance();
    ExprPtr operand = ParseUnary(level);
    if (plus) return operand;
    auto node = MakeExpr(ExprKind::kUnary, at);
    node->op = isNot ? BinOp::kNot : BinOp::kNeg;
    node->target = std::move(operand);
    return node;
  }
  return ParseBinary(level + 1);
}

ExprPtr Parser::ParsePrimary() {
  const Token& at = Cur();
  switch (at.kind) {
    case Tok::kNumber: {
      auto node = MakeExpr(ExprKind::kConst, at);
      const double v = at.number;
      if (at.integral && v >= -32768 && v <= 32767) node->constant = Value::Integer(static_cast<int16_t>(v));
      else if (at.integral && v >= -2147483648.0 && v <= 2147483647.0) node->constant = Value::Long(static_cast<int32_t>(v));
      else node->constant = Value::Double(v);
      Advance();
      return node;
    }
    case Tok::kString: {
      auto node = MakeExpr(ExprKind::kConst, at);
      node->constant = Value::String(at.text);
      Advance();
      return node;
    }
    case Tok::kLParen: {
      Advance();
      ExprPtr inner = ParseExpr();
      Expect(Tok::kRParen, "')'");
      return inner;
    }
    case Tok::kName: {
      if (at.key == "true" || at.key == "false") {
        auto node = MakeExpr(ExprKind::kConst, at);
        node->constant = Value::Boolean(at.key == "true");
        Advance();
        return node;
      }
      if (at.key == "nothing") {
        Advance();
        return MakeExpr(ExprKind::kNothing, at);
      }
      if (IsReservedWord(at.key)) Fail("Expected an expression, found '" + at.text + "'");
      auto node = MakeExpr(ExprKind::kName, at);
      node->name = at.text;
      node->key = at.key;
      Advance();
      return node;
    }
    default: Fail("Expected an expression");
  }
}

ExprPtr Parser::ParsePostfix(ExprPtr target) {
  for (;;) {
    if (Cur().kind == Tok::kDot) {
      const Token& at = Cur();
      Advance();
      if (Cur().kind != Tok::kName) Fail("Expected a member name after '.'");
      CountNode();
      auto node = MakeExpr(ExprKind::kMember, at);
      node->name = Cur().text;
      node->key = Cur().key;
      Advance();
      node->target = std::move(target);
      target = std::move(node);
    } else if (Cur().kind == Tok::kLParen) {
      auto node = MakeExpr(ExprKind::kApply, Cur());
      CountNode();
      node->args = ParseArgs();
      node->target = std::move(target);
      target = std::move(node);
    } else {
      return target;
    }
  }
}

std::vector<ExprPtr> Parser::ParseArgs() {
  Expect(Tok::kLParen, "'('");
  std::vector<ExprPtr> args;
  if (Accept(Tok::kRParen)) return args;
  do {
    args.push_back(ParseExpr());
  } while (Accept(Tok::kComma));
  Expect(Tok::kRParen, "')' after the arguments");
  return args;
}

}  // namespace basic
