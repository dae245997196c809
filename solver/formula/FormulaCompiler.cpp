#include "solver/formula/FormulaCompiler.h"

#include "solver/formula/FormulaMath.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Deeper nesting than this is refused rather than risking the parser's own stack.
constexpr int32_t kMaxNesting = 100;
// Formula texts are short (a quantity keeps 255 characters); far longer texts are refused so
// that no list or recursion grows without bound.
constexpr size_t kMaxText = 4096;
constexpr size_t kMaxObjects = 32767;

enum class FunctionKind : uint8_t {
  kScalar,       // every argument a scalar, FormulaFunction
  kSquare,       // sqr: scalar or vector
  kAbs,          // abs: scalar or vector
  kAngle,        // angle(vector)
  kIf,           // if(condition, then, else)
  kSection,      // section(object, vector)
  kExtdt,        // extdt()
  kGroupCofM,    // GroupCofM(group)
  kInteraction,  // the world's interaction queries
};

// Argument shapes of the interaction queries.
enum class Shape : uint8_t { kObject, kFieldObject, kFieldObjectPair, kObjectPair, kForce };

struct FunctionDef {
  const char* name;
  FunctionKind kind;
  int32_t minArgs;
  int32_t maxArgs;
  uint8_t id;  // FormulaFunction or FormulaInteraction
  Shape shape = Shape::kObject;
};

constexpr uint8_t Fn(FormulaFunction f) {
  return static_cast<uint8_t>(f);
}
constexpr uint8_t Iq(FormulaInteraction q) {
  return static_cast<uint8_t>(q);
}
constexpr int32_t kMany = 64;

constexpr FunctionDef kFunctions[] = {
    {"sin", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kSin)},
    {"cos", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kCos)},
    {"tan", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kTan)},
    {"asin", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kAsin)},
    {"acos", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kAcos)},
    {"atan", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kAtan)},
    {"atan2", FunctionKind::kScalar, 2, 2, Fn(FormulaFunction::kAtan2)},
    {"sqrt", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kSqrt)},
    {"exp", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kExp)},
    {"ln", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kLn)},
    {"log", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kLog10)},
    {"sign", FunctionKind::kScalar, 1, 1, Fn(FormulaFunction::kSign)},
    {"min", FunctionKind::kScalar, 2, kMany, Fn(FormulaFunction::kMin)},
    {"max", FunctionKind::kScalar, 2, kMany, Fn(FormulaFunction::kMax)},
    {"abs", FunctionKind::kAbs, 1, 1, 0},
    {"sqr", FunctionKind::kSquare, 1, 1, 0},
    {"angle", FunctionKind::kAngle, 1, 1, 0},
    {"if", FunctionKind::kIf, 3, 3, 0},
    {"section", FunctionKind::kSection, 2, 2, 0},
    {"extdt", FunctionKind::kExtdt, 0, 0, 0},
    {"GroupCofM", FunctionKind::kGroupCofM, 1, 1, 0},
    {"constraintforce", FunctionKind::kInteraction, 1, 2, Iq(FormulaInteraction::kConstraintForce),
     Shape::kForce},
    {"constraintpairs", FunctionKind::kInteraction, 2, 2, Iq(FormulaInteraction::kConstraintPairs),
     Shape::kFieldObject},
    {"constraintforcepair", FunctionKind::kInteraction, 3, 3,
     Iq(FormulaInteraction::kConstraintForcePair), Shape::kFieldObjectPair},
    {"contactpairs", FunctionKind::kInteraction, 1, 1, Iq(FormulaInteraction::kContactPairs),
     Shape::kObject},
    {"collisionpairs", FunctionKind::kInteraction, 1, 1, Iq(FormulaInteraction::kCollisionPairs),
     Shape::kObject},
    {"contactforcepair", FunctionKind::kInteraction, 2, 2,
     Iq(FormulaInteraction::kContactForcePair), Shape::kObjectPair},
    {"collisionimpulsepair", FunctionKind::kInteraction, 2, 2,
     Iq(FormulaInteraction::kCollisionImpulsePair), Shape::kObjectPair},
    {"frictionforcepair", FunctionKind::kInteraction, 2, 2,
     Iq(FormulaInteraction::kFrictionForcePair), Shape::kObjectPair},
    {"contactpair", FunctionKind::kInteraction, 2, 2, Iq(FormulaInteraction::kContactPair),
     Shape::kObjectPair},
    {"collisionpair", FunctionKind::kInteraction, 2, 2, Iq(FormulaInteraction::kCollisionPair),
     Shape::kObjectPair},
};

int32_t FindFunction(std::string_view name) {
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(kFunctions)); ++i) {
    if (FormulaNameEquals(name, kFunctions[i].name)) return i;
  }
  return -1;
}

bool IsCountQuery(FormulaInteraction q) {
  return q == FormulaInteraction::kConstraintPairs || q == FormulaInteraction::kContactPairs ||
         q == FormulaInteraction::kCollisionPairs;
}

// Names that mean something by themselves and cannot name an object.
bool IsReserved(std::string_view name) {
  static constexpr const char* kWords[] = {"and",   "or",         "not",  "true",  "false",
                                           "pi",    "time",       "self", "other", "body",
                                           "point", "constraint", "input"};
  for (const char* word : kWords) {
    if (FormulaNameEquals(name, word)) return true;
  }
  return FindFunction(name) >= 0;
}

}  // namespace

FormulaCompiler::FormulaCompiler(std::string_view text, FormulaProgram& program)
    : lexer_(text), program_(program) {}

bool FormulaCompiler::Refuse(int32_t code, int32_t position) {
  Fail(code, position);
  return false;
}

int32_t FormulaCompiler::Fail(int32_t code, int32_t position) {
  if (errorCode_ == 0) {
    errorCode_ = code;
    errorPosition_ = position;
  }
  return -1;
}

bool FormulaCompiler::Advance() {
  const int32_t code = lexer_.Next();
  if (code != kFormulaOk) {
    Fail(code, lexer_.Start());
    return false;
  }
  return true;
}

bool FormulaCompiler::Expect(FormulaToken token, int32_t code) {
  if (lexer_.Token() != token) {
    Fail(code, lexer_.Start());
    return false;
  }
  return Advance();
}

int32_t FormulaCompiler::AddNode(const Node& node) {
  nodes_.push_back(node);
  return static_cast<int32_t>(nodes_.size()) - 1;
}

int32_t FormulaCompiler::AddNode(Kind kind, int32_t position, int32_t a, int32_t b, FormulaToken op,
                                 double value, std::string_view name) {
  Node node;
  node.kind = kind;
  node.position = position;
  node.a = a;
  node.b = b;
  node.op = op;
  node.value = value;
  node.name = name;
  nodes_.push_back(node);
  return static_cast<int32_t>(nodes_.size()) - 1;
}

int32_t FormulaCompiler::Compile(int32_t& position) {
  program_ = FormulaProgram();
  position = 0;
  if (lexer_.TextSize() > kMaxText) {
    position = kMaxText;
    return kFormulaTooComplex;
  }
  if (!Advance()) {
    position = errorPosition_;
    return errorCode_;
  }
  if (lexer_.Token() == FormulaToken::kEnd) return kFormulaEmpty;
  // The formula itself is no level of nesting: its brackets and signs count from 1.
  const int32_t root = ParseOr();
  if (root >= 0 && lexer_.Token() != FormulaToken::kEnd) {
    Fail(kFormulaUnexpectedText, lexer_.Start());
  }
  Type type = Type::kScalar;
  if (errorCode_ == 0 && Emit(root, type) && type == Type::kObject) {
    // A bare object is not a value ("self", "Wheel").
    RefuseObject(root);
  }
  if (errorCode_ == 0 &&
      (program_.depth_ > FormulaProgram::kMaxStack || program_.objects_.size() > kMaxObjects)) {
    Fail(kFormulaTooComplex, 0);
  }
  if (errorCode_ != 0) {
    program_ = FormulaProgram();
    position = errorPosition_;
    return errorCode_;
  }
  program_.vector_ = type == Type::kVector;
  program_.Prepare(program_.code_);
  return kFormulaOk;
}

// ---- Parsing ----

int32_t FormulaCompiler::ParseExpression() {
  if (++nesting_ > kMaxNesting) return Fail(kFormulaTooComplex, lexer_.Start());
  const int32_t node = ParseOr();
  --nesting_;
  return node;
}

int32_t FormulaCompiler::ParseOr() {
  int32_t left = ParseAnd();
  while (left >= 0 && lexer_.Token() == FormulaToken::kName &&
         FormulaNameEquals(lexer_.Text(), "or")) {
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    const int32_t right = ParseAnd();
    if (right < 0) return -1;
    left = AddNode(Kind::kOr, position, left, right);
  }
  return left;
}

int32_t FormulaCompiler::ParseAnd() {
  int32_t left = ParseNot();
  while (left >= 0 && lexer_.Token() == FormulaToken::kName &&
         FormulaNameEquals(lexer_.Text(), "and")) {
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    const int32_t right = ParseNot();
    if (right < 0) return -1;
    left = AddNode(Kind::kAnd, position, left, right);
  }
  return left;
}

int32_t FormulaCompiler::ParseNot() {
  if (lexer_.Token() == FormulaToken::kName && FormulaNameEquals(lexer_.Text(), "not")) {
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    if (++nesting_ > kMaxNesting) return Fail(kFormulaTooComplex, position);
    const int32_t operand = ParseNot();
    --nesting_;
    if (operand < 0) return -1;
    return AddNode(Kind::kNot, position, operand);
  }
  return ParseCompare();
}

int32_t FormulaCompiler::ParseCompare() {
  int32_t left = ParseSum();
  while (left >= 0) {
    const FormulaToken op = lexer_.Token();
    if (op != FormulaToken::kLess && op != FormulaToken::kGreater &&
        op != FormulaToken::kLessEqual && op != FormulaToken::kGreaterEqual &&
        op != FormulaToken::kEqual && op != FormulaToken::kNotEqual) {
      break;
    }
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    const int32_t right = ParseSum();
    if (right < 0) return -1;
    left = AddNode(Kind::kCompare, position, left, right, op);
  }
  return left;
}

int32_t FormulaCompiler::ParseSum() {
  int32_t left = ParseProduct();
  while (left >= 0 &&
         (lexer_.Token() == FormulaToken::kPlus || lexer_.Token() == FormulaToken::kMinus)) {
    const FormulaToken op = lexer_.Token();
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    const int32_t right = ParseProduct();
    if (right < 0) return -1;
    left = AddNode(Kind::kBinary, position, left, right, op);
  }
  return left;
}

int32_t FormulaCompiler::ParseProduct() {
  int32_t left = ParseUnary();
  while (left >= 0 &&
         (lexer_.Token() == FormulaToken::kStar || lexer_.Token() == FormulaToken::kSlash)) {
    const FormulaToken op = lexer_.Token();
    const int32_t position = lexer_.Start();
    if (!Advance()) return -1;
    const int32_t right = ParseUnary();
    if (right < 0) return -1;
    left = AddNode(Kind::kBinary, position, left, right, op);
  }
  return left;
}

// Unary signs bind looser than "^": "-x^2" is -(x^2), "2^-1" is 0.5.
int32_t FormulaCompiler::ParseUnary() {
  const FormulaToken op = lexer_.Token();
  if (op != FormulaToken::kMinus && op != FormulaToken::kPlus) return ParsePower();
  const int32_t position = lexer_.Start();
  if (!Advance()) return -1;
  if (++nesting_ > kMaxNesting) return Fail(kFormulaTooComplex, position);
  const int32_t operand = ParseUnary();
  --nesting_;
  if (operand < 0 || op == FormulaToken::kPlus) return operand;
  return AddNode(Kind::kNegate, position, operand);
}

// "^" is right-associative: "2^3^2" is 2^9.
int32_t FormulaCompiler::ParsePower() {
  const int32_t base = ParsePostfix();
  if (base < 0 || lexer_.Token() != FormulaToken::kCaret) return base;
  const int32_t position = lexer_.Start();
  if (!Advance()) return -1;
  if (++nesting_ > kMaxNesting) return Fail(kFormulaTooComplex, position);
  const int32_t exponent = ParseUnary();
  --nesting_;
  if (exponent < 0) return -1;
  return AddNode(Kind::kBinary, position, base, exponent, FormulaToken::kCaret);
}

int32_t FormulaCompiler::ParsePostfix() {
  int32_t node = ParsePrimary();
  while (node >= 0 && lexer_.Token() == FormulaToken::kDot) {
    if (!Advance()) return -1;
    if (lexer_.Token() != FormulaToken::kName) return Fail(kFormulaUnknownMember, lexer_.Start());
    // The node starts where its object does; the member's own offset is kept for its errors.
    const int32_t start = nodes_[node].position;
    node = AddNode(Kind::kMember, start, node, -1, FormulaToken::kEnd, 0.0, lexer_.Text());
    nodes_[node].first = lexer_.Start();
    if (!Advance()) return -1;
  }
  return node;
}

int32_t FormulaCompiler::ParsePrimary() {
  const int32_t position = lexer_.Start();
  switch (lexer_.Token()) {
    case FormulaToken::kNumber: {
      const double value = lexer_.Number();
      if (!Advance()) return -1;
      return AddNode(Kind::kNumber, position, -1, -1, FormulaToken::kEnd, value);
    }
    case FormulaToken::kOpenParen: {
      if (!Advance()) return -1;
      const int32_t inner = ParseExpression();
      if (inner < 0) return -1;
      if (lexer_.Token() != FormulaToken::kCloseParen) return Fail(kFormulaMissingClose, position);
      return Advance() ? inner : -1;
    }
    case FormulaToken::kBar: {
      if (!Advance()) return -1;
      const int32_t inner = ParseExpression();
      if (inner < 0) return -1;
      if (lexer_.Token() != FormulaToken::kBar) return Fail(kFormulaMissingClose, position);
      if (!Advance()) return -1;
      return AddNode(Kind::kMagnitude, position, inner);
    }
    case FormulaToken::kName:
      return ParseName();
    default:
      return Fail(kFormulaExpectedOperand, position);
  }
}

int32_t FormulaCompiler::ParseName() {
  const std::string_view name = lexer_.Text();
  const int32_t position = lexer_.Start();
  if (!Advance()) return -1;
  if (lexer_.Token() == FormulaToken::kOpenParen) return ParseCall(name, position);
  if (lexer_.Token() == FormulaToken::kOpenBracket) return ParseIndexed(name, position);
  if (FormulaNameEquals(name, "true"))
    return AddNode(Kind::kNumber, position, -1, -1, FormulaToken::kEnd, 1.0);
  if (FormulaNameEquals(name, "false")) return AddNode(Kind::kNumber, position);
  if (FormulaNameEquals(name, "pi")) {
    return AddNode(Kind::kNumber, position, -1, -1, FormulaToken::kEnd, std::numbers::pi);
  }
  if (FormulaNameEquals(name, "time")) return AddNode(Kind::kTime, position);
  FormulaObjectRef ref;
  if (FormulaNameEquals(name, "self")) {
    ref.source = FormulaObjectRef::Source::kSelf;
  } else if (FormulaNameEquals(name, "other")) {
    ref.source = FormulaObjectRef::Source::kOther;
  } else if (IsReserved(name)) {
    return Fail(kFormulaUnknownName, position);
  } else {
    ref.source = FormulaObjectRef::Source::kNamed;
    ref.object.number = -1;
    ref.name = std::string(name);
  }
  ref.textStart = position;
  ref.textEnd = position + static_cast<int32_t>(name.size());
  program_.objects_.push_back(ref);
  return AddNode(Kind::kObject, position, static_cast<int32_t>(program_.objects_.size()) - 1);
}

int32_t FormulaCompiler::ParseCall(std::string_view name, int32_t position) {
  const int32_t function = FindFunction(name);
  if (function < 0) return Fail(kFormulaUnknownName, position);
  const int32_t open = lexer_.Start();
  if (!Advance()) return -1;
  std::vector<int32_t> args;
  if (lexer_.Token() != FormulaToken::kCloseParen) {
    while (true) {
      const int32_t arg = ParseExpression();
      if (arg < 0) return -1;
      args.push_back(arg);
      if (lexer_.Token() == FormulaToken::kComma) {
        if (!Advance()) return -1;
        continue;
      }
      break;
    }
    if (lexer_.Token() != FormulaToken::kCloseParen) {
      return Fail(
          lexer_.Token() == FormulaToken::kEnd ? kFormulaMissingClose : kFormulaUnexpectedText,
          lexer_.Token() == FormulaToken::kEnd ? open : lexer_.Start());
    }
  }
  if (!Advance()) return -1;
  const FunctionDef& def = kFunctions[function];
  const int32_t count = static_cast<int32_t>(args.size());
  if (count < def.minArgs || count > def.maxArgs) return Fail(kFormulaArgumentCount, position);
  Node node;
  node.kind = Kind::kCall;
  node.position = position;
  node.first = static_cast<int32_t>(args_.size());
  node.count = count;
  node.function = function;
  args_.insert(args_.end(), args.begin(), args.end());
  return AddNode(node);
}

// name[n]: body[n], point[n], Constraint[n], Input[n], or another kind the world resolves.
int32_t FormulaCompiler::ParseIndexed(std::string_view name, int32_t position) {
  if (!Advance()) return -1;
  if (lexer_.Token() != FormulaToken::kNumber) return Fail(kFormulaBadNumber, lexer_.Start());
  const double value = lexer_.Number();
  if (value != std::floor(value) || value < 0.0 || value > std::numeric_limits<int32_t>::max()) {
    return Fail(kFormulaBadNumber, lexer_.Start());
  }
  if (!Advance()) return -1;
  if (lexer_.Token() != FormulaToken::kCloseBracket) return Fail(kFormulaMissingClose, position);
  const int32_t end = lexer_.End();
  if (!Advance()) return -1;
  const int32_t number = static_cast<int32_t>(value);
  if (FormulaNameEquals(name, "input")) {
    return AddNode(Kind::kInput, position, number);
  }
  FormulaObjectRef ref;
  ref.object.number = number;
  if (FormulaNameEquals(name, "body")) {
    ref.object.kind = FormulaObjectKind::kBody;
  } else if (FormulaNameEquals(name, "point")) {
    ref.object.kind = FormulaObjectKind::kPoint;
  } else if (FormulaNameEquals(name, "constraint")) {
    ref.object.kind = FormulaObjectKind::kConstraint;
  } else if (IsReserved(name)) {
    return Fail(kFormulaUnknownName, position);
  } else {
    ref.source = FormulaObjectRef::Source::kNamed;
    ref.name = std::string(name);
  }
  ref.textStart = position;
  ref.textEnd = end;
  program_.objects_.push_back(ref);
  return AddNode(Kind::kObject, position, static_cast<int32_t>(program_.objects_.size()) - 1);
}

// ---- Emitting ----

void FormulaCompiler::Push(FormulaOp op, int32_t slotsChange, int32_t a, uint8_t sub, int16_t b,
                           double value) {
  FormulaInstruction instruction;
  instruction.op = op;
  instruction.sub = sub;
  instruction.b = b;
  instruction.a = a;
  instruction.value = value;
  program_.code_.push_back(instruction);
  switch (op) {
    case FormulaOp::kTime:
    case FormulaOp::kExternalStep:
    case FormulaOp::kInput:
    case FormulaOp::kMember:
    case FormulaOp::kGroupCofM:
    case FormulaOp::kSection:
    case FormulaOp::kInteraction:
      program_.needsWorld_ = true;
      break;
    default:
      break;
  }
  depth_ += slotsChange;
  if (depth_ > program_.depth_) program_.depth_ = depth_;
}

void FormulaCompiler::PlaceLabel(int32_t jumpAt) {
  program_.code_[jumpAt].a = Here();
  foldBarrier_ = Here();
}

// Replaces the last instruction, a scalar operation on `count` constants just before it, by its
// constant result when that result is an ordinary number; faults are left for run time.
bool FormulaCompiler::FoldConstants(int32_t count) {
  auto& code = program_.code_;
  const int32_t op = Here() - 1;
  const int32_t first = op - count;
  if (first < foldBarrier_) return false;
  double v[kMany] = {};
  for (int32_t i = 0; i < count; ++i) {
    if (code[first + i].op != FormulaOp::kConst) return false;
    v[i] = code[first + i].value;
  }
  const FormulaInstruction& instr = code[op];
  double out = 0.0;
  int32_t status = kFormulaOk;
  switch (instr.op) {
    case FormulaOp::kNeg:
      out = -v[0];
      break;
    case FormulaOp::kAdd:
      out = v[0] + v[1];
      break;
    case FormulaOp::kSub:
      out = v[0] - v[1];
      break;
    case FormulaOp::kMul:
      out = v[0] * v[1];
      break;
    case FormulaOp::kDiv:
      if (v[1] == 0.0) return false;
      out = v[0] / v[1];
      break;
    case FormulaOp::kPow:
      status = FormulaPower(v[0], v[1], out);
      break;
    case FormulaOp::kCall:
      status = FormulaApplyFunction(static_cast<FormulaFunction>(instr.sub), v, count, out);
      break;
    default:
      return false;
  }
  if (status != kFormulaOk || !std::isfinite(out)) return false;
  code.resize(first);
  FormulaInstruction constant;
  constant.value = out;
  code.push_back(constant);
  return true;
}

// Gives the binary operation just pushed its constant operand, when one side is a single
// constant: one instruction instead of three. The operands' code starts at leftStart and
// rightStart.
bool FormulaCompiler::FuseConstant(int32_t leftStart, int32_t rightStart) {
  auto& code = program_.code_;
  const int32_t op = Here() - 1;
  const FormulaOp binary = code[op].op;
  if (rightStart == op - 1 && code[op - 1].op == FormulaOp::kConst) {
    FormulaOp fused = FormulaOp::kAddC;
    switch (binary) {
      case FormulaOp::kAdd:
        fused = FormulaOp::kAddC;
        break;
      case FormulaOp::kSub:
        fused = FormulaOp::kSubC;
        break;
      case FormulaOp::kMul:
        fused = FormulaOp::kMulC;
        break;
      case FormulaOp::kDiv:
        fused = FormulaOp::kDivC;
        break;
      case FormulaOp::kPow:
        fused = FormulaOp::kPowC;
        break;
      default:
        return false;
    }
    code[op - 1].op = fused;
    code.pop_back();
    return true;
  }
  if (leftStart < foldBarrier_ || rightStart != leftStart + 1 ||
      code[leftStart].op != FormulaOp::kConst) {
    return false;
  }
  FormulaOp fused = FormulaOp::kAddC;
  switch (binary) {
    case FormulaOp::kAdd:
      fused = FormulaOp::kAddC;
      break;
    case FormulaOp::kMul:
      fused = FormulaOp::kMulC;
      break;
    case FormulaOp::kSub:
      fused = FormulaOp::kCSub;
      break;
    case FormulaOp::kDiv:
      fused = FormulaOp::kCDiv;
      break;
    default:
      return false;
  }
  const double value = code[leftStart].value;
  code.erase(code.begin() + leftStart);
  code.back().op = fused;
  code.back().value = value;
  return true;
}

bool FormulaCompiler::EmitScalar(int32_t node) {
  Type type = Type::kScalar;
  if (!Emit(node, type)) return false;
  if (type == Type::kScalar) return true;
  return type == Type::kObject ? RefuseObject(node)
                               : Refuse(kFormulaTypeMismatch, nodes_[node].position);
}

// An object where a value is needed. A bare name that is not an object of the language is most
// likely a misspelt function or constant, so it is reported as an unknown name.
bool FormulaCompiler::RefuseObject(int32_t node) {
  const Node& n = nodes_[node];
  const bool named = n.kind == Kind::kObject &&
                     program_.objects_[n.a].source == FormulaObjectRef::Source::kNamed &&
                     program_.objects_[n.a].object.number == -1;
  return Refuse(named ? kFormulaUnknownName : kFormulaTypeMismatch, n.position);
}

bool FormulaCompiler::Emit(int32_t index, Type& type) {
  const Node node = nodes_[index];
  switch (node.kind) {
    case Kind::kNumber:
      Push(FormulaOp::kConst, 1, 0, 0, -1, node.value);
      type = Type::kScalar;
      return true;
    case Kind::kTime:
      Push(FormulaOp::kTime, 1);
      program_.usesTime_ = true;
      type = Type::kScalar;
      return true;
    case Kind::kInput:
      Push(FormulaOp::kInput, 1, node.a);
      program_.usesTime_ = true;
      type = Type::kScalar;
      return true;
    case Kind::kObject:
      type = Type::kObject;
      return true;
    case Kind::kNegate: {
      Type inner = Type::kScalar;
      if (!Emit(node.a, inner)) return false;
      if (inner == Type::kObject) return RefuseObject(node.a);
      type = inner;
      EmitNegation(inner);
      return true;
    }
    case Kind::kNot:
      if (!EmitScalar(node.a)) return false;
      Push(FormulaOp::kNot, 0);
      type = Type::kScalar;
      return true;
    case Kind::kMagnitude: {
      Type inner = Type::kScalar;
      if (!Emit(node.a, inner)) return false;
      if (inner == Type::kObject) return RefuseObject(node.a);
      if (inner == Type::kVector) {
        Push(FormulaOp::kVLength, -2);
      } else {
        Push(FormulaOp::kCall, 0, 1, static_cast<uint8_t>(FormulaFunction::kAbs));
        FoldConstants(1);
      }
      type = Type::kScalar;
      return true;
    }
    case Kind::kAnd:
    case Kind::kOr: {
      if (!EmitScalar(node.a)) return false;
      const int32_t jump = Here();
      Push(node.kind == Kind::kAnd ? FormulaOp::kAndJump : FormulaOp::kOrJump, -1);
      if (!EmitScalar(node.b)) return false;
      Push(FormulaOp::kTruth, 0);
      PlaceLabel(jump);
      type = Type::kScalar;
      return true;
    }
    case Kind::kCompare:
    case Kind::kBinary:
      return EmitBinary(node, type);
    case Kind::kCall:
      return EmitCall(node, type);
    case Kind::kMember:
      return EmitMember(node, type);
  }
  return false;
}

// Negates the value just emitted.
void FormulaCompiler::EmitNegation(Type type) {
  auto& code = program_.code_;
  const FormulaOp last = code.back().op;
  const bool scaled =
      last == FormulaOp::kMulC || last == FormulaOp::kDivC || last == FormulaOp::kCDiv;
  if (type == Type::kScalar && scaled && Here() - 1 >= foldBarrier_) {
    // -(x * c) is x * (-c) exactly: the sign goes into the constant.
    code.back().value = -code.back().value;
    return;
  }
  Push(type == Type::kVector ? FormulaOp::kVNeg : FormulaOp::kNeg, 0);
  if (type == Type::kScalar) FoldConstants(1);
}

bool FormulaCompiler::EmitBinary(const Node& node, Type& type) {
  Type left = Type::kScalar;
  Type right = Type::kScalar;
  const int32_t leftStart = Here();
  // (-a) * b is -(a * b) and (-a) / b is -(a / b), to the last bit: the sign is applied to the
  // product, where it can go into a constant factor ("-|self.v| * ... * (0.5)").
  const bool product = node.kind == Kind::kBinary &&
                       (node.op == FormulaToken::kStar || node.op == FormulaToken::kSlash);
  bool negateLater = product && nodes_[node.a].kind == Kind::kNegate;
  if (negateLater) {
    const int32_t operand = nodes_[node.a].a;
    if (!Emit(operand, left)) return false;
    if (left == Type::kObject) return RefuseObject(operand);
    if (left == Type::kVector) {
      Push(FormulaOp::kVNeg, 0);
      negateLater = false;
    }
  } else if (!Emit(node.a, left)) {
    return false;
  }
  const int32_t rightStart = Here();
  if (!Emit(node.b, right)) return false;
  if (left == Type::kObject) return RefuseObject(node.a);
  if (right == Type::kObject) return RefuseObject(node.b);
  type = Type::kScalar;
  if (node.kind == Kind::kCompare) {
    if (left != Type::kScalar || right != Type::kScalar) {
      return Refuse(kFormulaTypeMismatch, node.position);
    }
    FormulaOp op = FormulaOp::kEqual;
    switch (node.op) {
      case FormulaToken::kLess:
        op = FormulaOp::kLess;
        break;
      case FormulaToken::kGreater:
        op = FormulaOp::kGreater;
        break;
      case FormulaToken::kLessEqual:
        op = FormulaOp::kLessEqual;
        break;
      case FormulaToken::kGreaterEqual:
        op = FormulaOp::kGreaterEqual;
        break;
      case FormulaToken::kNotEqual:
        op = FormulaOp::kNotEqual;
        break;
      default:
        break;
    }
    Push(op, -1);
    return true;
  }
  const bool lv = left == Type::kVector;
  const bool rv = right == Type::kVector;
  switch (node.op) {
    case FormulaToken::kPlus:
    case FormulaToken::kMinus:
      if (lv != rv) return Refuse(kFormulaTypeMismatch, node.position);
      if (lv) {
        Push(node.op == FormulaToken::kPlus ? FormulaOp::kVAdd : FormulaOp::kVSub, -3);
        type = Type::kVector;
      } else {
        Push(node.op == FormulaToken::kPlus ? FormulaOp::kAdd : FormulaOp::kSub, -1);
        FoldConstants(2) || FuseConstant(leftStart, rightStart);
      }
      return true;
    case FormulaToken::kStar:
      if (lv && rv) return Refuse(kFormulaTypeMismatch, node.position);
      if (lv || rv) {
        Push(lv ? FormulaOp::kVScale : FormulaOp::kSVScale, -1);
        type = Type::kVector;
      } else {
        Push(FormulaOp::kMul, -1);
        FoldConstants(2) || FuseConstant(leftStart, rightStart);
      }
      if (negateLater) EmitNegation(type);
      return true;
    case FormulaToken::kSlash:
      if (rv) return Refuse(kFormulaTypeMismatch, node.position);
      if (lv) {
        Push(FormulaOp::kVDivide, -1);
        type = Type::kVector;
      } else {
        Push(FormulaOp::kDiv, -1);
        FoldConstants(2) || FuseConstant(leftStart, rightStart);
      }
      if (negateLater) EmitNegation(type);
      return true;
    case FormulaToken::kCaret:
      if (lv || rv) return Refuse(kFormulaTypeMismatch, node.position);
      Push(FormulaOp::kPow, -1);
      FoldConstants(2) || FuseConstant(leftStart, rightStart);
      return true;
    default:
      return Refuse(kFormulaExpectedOperand, node.position);
  }
}

// An object operand: a reference, or a whole number standing for an object number.
bool FormulaCompiler::ObjectArgument(int32_t index, int32_t& object) {
  const Node& node = nodes_[index];
  if (node.kind == Kind::kObject) {
    object = node.a;
    return true;
  }
  const bool negated = node.kind == Kind::kNegate && nodes_[node.a].kind == Kind::kNumber;
  const double value = negated ? -nodes_[node.a].value : node.value;
  if ((node.kind == Kind::kNumber || negated) && value == std::floor(value) &&
      std::fabs(value) <= std::numeric_limits<int32_t>::max()) {
    FormulaObjectRef ref;
    ref.object = {FormulaObjectKind::kNumber, static_cast<int32_t>(value)};
    program_.objects_.push_back(ref);
    object = static_cast<int32_t>(program_.objects_.size()) - 1;
    return true;
  }
  Fail(kFormulaTypeMismatch, node.position);
  return false;
}

bool FormulaCompiler::EmitCall(const Node& node, Type& type) {
  const FunctionDef& def = kFunctions[node.function];
  const int32_t* args = args_.data() + node.first;
  type = Type::kScalar;
  switch (def.kind) {
    case FunctionKind::kScalar:
      for (int32_t i = 0; i < node.count; ++i) {
        if (!EmitScalar(args[i])) return false;
      }
      Push(FormulaOp::kCall, 1 - node.count, node.count, def.id);
      FoldConstants(node.count);
      return true;
    case FunctionKind::kSquare:
    case FunctionKind::kAbs:
    case FunctionKind::kAngle: {
      Type arg = Type::kScalar;
      if (!Emit(args[0], arg)) return false;
      if (arg == Type::kObject || (def.kind == FunctionKind::kAngle && arg != Type::kVector)) {
        return Refuse(kFormulaTypeMismatch, nodes_[args[0]].position);
      }
      if (def.kind == FunctionKind::kAngle) {
        Push(FormulaOp::kVAngle, -2);
      } else if (arg == Type::kVector) {
        Push(def.kind == FunctionKind::kSquare ? FormulaOp::kVSquare : FormulaOp::kVLength, -2);
      } else {
        const auto f =
            def.kind == FunctionKind::kSquare ? FormulaFunction::kSquare : FormulaFunction::kAbs;
        Push(FormulaOp::kCall, 0, 1, static_cast<uint8_t>(f));
        FoldConstants(1);
      }
      return true;
    }
    case FunctionKind::kIf: {
      if (!EmitScalar(args[0])) return false;
      const int32_t toElse = Here();
      Push(FormulaOp::kJumpUnlessTrue, -1);
      const int32_t base = depth_;
      Type thenType = Type::kScalar;
      if (!Emit(args[1], thenType)) return false;
      const int32_t toEnd = Here();
      Push(FormulaOp::kJump, 0);
      PlaceLabel(toElse);
      depth_ = base;
      Type elseType = Type::kScalar;
      if (!Emit(args[2], elseType)) return false;
      PlaceLabel(toEnd);
      if (thenType != elseType || thenType == Type::kObject) {
        return Refuse(kFormulaTypeMismatch, node.position);
      }
      type = thenType;
      return true;
    }
    case FunctionKind::kSection: {
      int32_t object = 0;
      if (!ObjectArgument(args[0], object)) return false;
      Type dir = Type::kScalar;
      if (!Emit(args[1], dir)) return false;
      if (dir != Type::kVector) return Refuse(kFormulaTypeMismatch, nodes_[args[1]].position);
      Push(FormulaOp::kSection, -2, object);
      return true;
    }
    case FunctionKind::kExtdt:
      Push(FormulaOp::kExternalStep, 1);
      program_.usesTime_ = true;
      return true;
    case FunctionKind::kGroupCofM:
      if (!EmitScalar(args[0])) return false;
      Push(FormulaOp::kGroupCofM, 2);
      type = Type::kVector;
      return true;
    case FunctionKind::kInteraction: {
      int32_t field = -1;
      int32_t object = 0;
      int32_t next = 0;
      const bool hasField = def.shape == Shape::kFieldObject ||
                            def.shape == Shape::kFieldObjectPair ||
                            (def.shape == Shape::kForce && node.count == 2);
      if (hasField && !ObjectArgument(args[next++], field)) return false;
      if (!ObjectArgument(args[next++], object)) return false;
      const bool hasPair = def.shape == Shape::kFieldObjectPair || def.shape == Shape::kObjectPair;
      if (hasPair && !EmitScalar(args[next])) return false;
      const auto query = static_cast<FormulaInteraction>(def.id);
      const int32_t pushed = IsCountQuery(query) ? 1 : 3;
      Push(FormulaOp::kInteraction, pushed - (hasPair ? 1 : 0), object, def.id,
           static_cast<int16_t>(field));
      type = IsCountQuery(query) ? Type::kScalar : Type::kVector;
      return true;
    }
  }
  return false;
}

bool FormulaCompiler::EmitMember(const Node& node, Type& type) {
  const Node& target = nodes_[node.a];
  if (target.kind == Kind::kObject) {
    struct MemberName {
      const char* name;
      FormulaMember member;
      bool vector;
    };
    static constexpr MemberName kMembers[] = {
        {"p", FormulaMember::kPosition, true},          {"v", FormulaMember::kVelocity, true},
        {"a", FormulaMember::kAcceleration, true},      {"dp", FormulaMember::kDisplacement, true},
        {"dv", FormulaMember::kDisplacementRate, true}, {"mass", FormulaMember::kMass, false},
        {"charge", FormulaMember::kCharge, false},
    };
    for (const MemberName& m : kMembers) {
      if (!FormulaNameEquals(node.name, m.name)) continue;
      Push(FormulaOp::kMember, m.vector ? 3 : 1, target.a, static_cast<uint8_t>(m.member));
      type = m.vector ? Type::kVector : Type::kScalar;
      return true;
    }
    return Refuse(kFormulaUnknownMember, node.first);
  }
  Type inner = Type::kScalar;
  if (!Emit(node.a, inner)) return false;
  if (inner != Type::kVector) return Refuse(kFormulaUnknownMember, node.first);
  static constexpr const char* kComponents[] = {"x", "y", "r"};
  for (uint8_t i = 0; i < 3; ++i) {
    if (!FormulaNameEquals(node.name, kComponents[i])) continue;
    auto& code = program_.code_;
    if (code.back().op == FormulaOp::kMember && Here() - 1 >= foldBarrier_) {
      // One value of a member: ask for just that component.
      code.back().op = FormulaOp::kMemberComponent;
      code.back().b = i;
      depth_ -= 2;
    } else {
      Push(FormulaOp::kVComponent, -2, 0, i);
    }
    type = Type::kScalar;
    return true;
  }
  return Refuse(kFormulaUnknownMember, node.first);
}

int32_t FormulaProgram::Bind(const FormulaEnvironment& env) {
  using Slot = FormulaEnvironment::Slot;
  // The compiled code is kept as it is, so that binding again starts from every reference.
  std::vector<FormulaInstruction> code = code_;
  int32_t bound = 0;
  for (FormulaInstruction& in : code) {
    const double* address = nullptr;
    FormulaOp op = FormulaOp::kLoad;
    switch (in.op) {
      case FormulaOp::kTime:
        address = env.Address(Slot::kTime, FormulaObject{}, FormulaMember::kPosition);
        break;
      case FormulaOp::kInput:
        address =
            env.Address(Slot::kInput, {FormulaObjectKind::kNumber, in.a}, FormulaMember::kPosition);
        break;
      case FormulaOp::kMember:
      case FormulaOp::kMemberComponent: {
        const FormulaObjectRef& ref = objects_[in.a];
        if (ref.source != FormulaObjectRef::Source::kFixed) break;
        const auto member = static_cast<FormulaMember>(in.sub);
        address = env.Address(Slot::kMember, ref.object, member);
        const bool scalar = member == FormulaMember::kMass || member == FormulaMember::kCharge;
        if (address != nullptr && in.op == FormulaOp::kMemberComponent) address += in.b;
        if (in.op == FormulaOp::kMember && !scalar) op = FormulaOp::kLoad3;
        break;
      }
      default:
        break;
    }
    if (address == nullptr) continue;
    in.op = op;
    in.address = address;
    ++bound;
  }
  Prepare(code);
  return bound;
}

int32_t parse_equation(std::string_view text, FormulaProgram& program, int32_t* errorPosition) {
  int32_t position = 0;
  const int32_t code = FormulaCompiler(text, program).Compile(position);
  if (errorPosition != nullptr) *errorPosition = code == kFormulaOk ? 0 : position;
  return code;
}
