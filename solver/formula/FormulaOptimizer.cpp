// Rewrites the compiler's stack code into steps (FormulaSteps.h). Each instruction is translated,
// then merged with the step before it where a fused step computes the same thing: the same
// operations in the same order on the same values, so results agree to the last bit and faults
// are the same faults. Nothing is merged across a jump target, where another path joins.

#include <cmath>
#include <cstdint>

#include "solver/formula/FormulaProgram.h"
#include "solver/formula/FormulaSteps.h"

namespace {

using Op = FormulaOp;
using S = FormulaStepOp;

// The largest whole exponent that multiplies instead of calling pow (as FormulaPower does).
constexpr double kWholePowerLimit = 16.0;

bool IsCountQuery(FormulaInteraction q) {
  return q == FormulaInteraction::kConstraintPairs || q == FormulaInteraction::kContactPairs ||
         q == FormulaInteraction::kCollisionPairs;
}

bool IsPairQuery(FormulaInteraction q) {
  return q == FormulaInteraction::kConstraintForcePair ||
         q == FormulaInteraction::kContactForcePair ||
         q == FormulaInteraction::kCollisionImpulsePair ||
         q == FormulaInteraction::kFrictionForcePair || q == FormulaInteraction::kContactPair ||
         q == FormulaInteraction::kCollisionPair;
}

// How many slots an instruction adds to the stack (on the path that does not jump).
int32_t SlotChange(const FormulaInstruction& in) {
  switch (in.op) {
    case Op::kConst:
    case Op::kLoad:
    case Op::kTime:
    case Op::kExternalStep:
    case Op::kInput:
    case Op::kMemberComponent:
      return 1;
    case Op::kLoad3:
      return 3;
    case Op::kAdd:
    case Op::kSub:
    case Op::kMul:
    case Op::kDiv:
    case Op::kPow:
    case Op::kLess:
    case Op::kGreater:
    case Op::kLessEqual:
    case Op::kGreaterEqual:
    case Op::kEqual:
    case Op::kNotEqual:
    case Op::kJumpUnlessTrue:
    case Op::kAndJump:
    case Op::kOrJump:
    case Op::kVScale:
    case Op::kSVScale:
    case Op::kVDivide:
      return -1;
    case Op::kCall:
      return 1 - in.a;
    case Op::kVAdd:
    case Op::kVSub:
      return -3;
    case Op::kVLength:
    case Op::kVSquare:
    case Op::kVAngle:
    case Op::kVComponent:
    case Op::kSection:
      return -2;
    case Op::kMember: {
      const auto member = static_cast<FormulaMember>(in.sub);
      return member == FormulaMember::kMass || member == FormulaMember::kCharge ? 1 : 3;
    }
    case Op::kGroupCofM:
      return 2;
    case Op::kInteraction: {
      const auto query = static_cast<FormulaInteraction>(in.sub);
      return (IsCountQuery(query) ? 1 : 3) - (IsPairQuery(query) ? 1 : 0);
    }
    default:
      return 0;
  }
}

FormulaStep WithConstant(FormulaStepOp op, double k) {
  FormulaStep step;
  step.op = op;
  step.k = k;
  return step;
}

// top ^ k: whole exponents multiply (with the count in a), others go to pow.
FormulaStep PowerStep(double k) {
  if (k == std::floor(k) && std::fabs(k) <= kWholePowerLimit) {
    FormulaStep step = WithConstant(S::kPowWhole, k);
    step.a = static_cast<int32_t>(std::fabs(k));
    step.sub = k < 0.0 ? 1 : 0;
    return step;
  }
  return WithConstant(S::kPowK, k);
}

// The one-instruction translation, before any merging.
FormulaStep Translate(const FormulaInstruction& in) {
  FormulaStep step;
  step.sub = in.sub;
  step.a = in.a;
  step.b = in.b;
  step.k = in.value;
  step.m = in.address;
  switch (in.op) {
    // clang-format off
    case Op::kConst: step.op = S::kPushK; break;
    case Op::kLoad: step.op = S::kPushM; break;
    case Op::kLoad3: step.op = S::kPushM3; break;
    case Op::kAdd: step.op = S::kAdd; break;
    case Op::kSub: step.op = S::kSub; break;
    case Op::kMul: step.op = S::kMul; break;
    case Op::kDiv: step.op = S::kDiv; break;
    case Op::kPow: step.op = S::kPow; break;
    case Op::kNeg: step.op = S::kNeg; break;
    case Op::kLess: step.op = S::kLess; break;
    case Op::kGreater: step.op = S::kGreater; break;
    case Op::kLessEqual: step.op = S::kLessEqual; break;
    case Op::kGreaterEqual: step.op = S::kGreaterEqual; break;
    case Op::kEqual: step.op = S::kEqual; break;
    case Op::kNotEqual: step.op = S::kNotEqual; break;
    case Op::kNot: step.op = S::kNot; break;
    case Op::kTruth: step.op = S::kTruth; break;
    case Op::kJump: step.op = S::kJump; break;
    case Op::kJumpUnlessTrue: step.op = S::kJumpUnlessTrue; break;
    case Op::kAndJump: step.op = S::kAndJump; break;
    case Op::kOrJump: step.op = S::kOrJump; break;
    case Op::kAddC: step.op = S::kAddK; break;
    // x - k is x + (-k) in floating point, to the last bit.
    case Op::kSubC: step.op = S::kAddK; step.k = -in.value; break;
    case Op::kMulC: step.op = S::kMulK; break;
    case Op::kDivC: step.op = S::kDivK; break;
    case Op::kCSub: step.op = S::kRSubK; break;
    case Op::kCDiv: step.op = S::kRDivK; break;
    case Op::kPowC: return PowerStep(in.value);
    case Op::kVAdd: step.op = S::kVAdd; break;
    case Op::kVSub: step.op = S::kVSub; break;
    case Op::kVNeg: step.op = S::kVNeg; break;
    case Op::kVScale: step.op = S::kVScale; break;
    case Op::kSVScale: step.op = S::kSVScale; break;
    case Op::kVDivide: step.op = S::kVDivide; break;
    case Op::kVLength: step.op = S::kVLength; break;
    case Op::kVSquare: step.op = S::kVSquare; break;
    case Op::kVAngle: step.op = S::kVAngle; break;
    case Op::kVComponent: step.op = S::kVComponent; break;
    case Op::kTime: step.op = S::kTime; break;
    case Op::kExternalStep: step.op = S::kExternalStep; break;
    case Op::kInput: step.op = S::kInput; break;
    case Op::kMember: step.op = S::kMember; break;
    case Op::kMemberComponent: step.op = S::kMemberComponent; break;
    case Op::kGroupCofM: step.op = S::kGroupCofM; break;
    case Op::kSection: step.op = S::kSection; break;
    case Op::kInteraction: step.op = S::kInteraction; break;
      // clang-format on
    case Op::kCall:
      step.op = S::kCall;
      if (in.a != 1) break;
      switch (static_cast<FormulaFunction>(in.sub)) {
        // clang-format off
        case FormulaFunction::kSin: step.op = S::kSin; break;
        case FormulaFunction::kCos: step.op = S::kCos; break;
        case FormulaFunction::kTan: step.op = S::kTan; break;
        case FormulaFunction::kAtan: step.op = S::kAtan; break;
        case FormulaFunction::kExp: step.op = S::kExp; break;
        case FormulaFunction::kSqrt: step.op = S::kSqrt; break;
        case FormulaFunction::kAsin: step.op = S::kAsin; break;
        case FormulaFunction::kAcos: step.op = S::kAcos; break;
        case FormulaFunction::kLn: step.op = S::kLn; break;
        case FormulaFunction::kLog10: step.op = S::kLog10; break;
        case FormulaFunction::kAbs: step.op = S::kAbs; break;
        case FormulaFunction::kSign: step.op = S::kSign; break;
        case FormulaFunction::kSquare: step.op = S::kSquare; break;
        default: break;
          // clang-format on
      }
      break;
  }
  return step;
}

// Steps that cannot fail (pushes of reads aside, which fail only with kFormulaNoValue), so that
// moving a read past them cannot change which fault a run reports. Arithmetic is checked only
// where its result leaves a function or the program.
bool NeverFails(FormulaStepOp op) {
  switch (op) {
    case S::kPushK:
    case S::kPushM:
    case S::kPushMAddK:
    case S::kPushMMulK:
    case S::kPushMAffine:
    case S::kPushMAddM:
    case S::kPushMSubM:
    case S::kPushMMulM:
    case S::kPushM3Length:
    case S::kPushM3Square:
    case S::kAdd:
    case S::kSub:
    case S::kMul:
    case S::kMulMulK:
    case S::kAddK:
    case S::kMulK:
    case S::kRSubK:
    case S::kAffineK:
    case S::kAddM:
    case S::kSubM:
    case S::kMulM:
    case S::kRSubM:
    case S::kNeg:
    case S::kSign:
    case S::kLess:
    case S::kGreater:
    case S::kLessEqual:
    case S::kGreaterEqual:
    case S::kEqual:
    case S::kNotEqual:
    case S::kLessK:
    case S::kGreaterK:
    case S::kLessEqualK:
    case S::kGreaterEqualK:
    case S::kEqualK:
    case S::kNotEqualK:
      return true;
    default:
      return false;
  }
}

// Functions that give a finite value for every finite argument: they cannot fail on a value just
// read, which is checked to be finite.
bool FiniteOnFinite(FormulaStepOp op) {
  return op == S::kSin || op == S::kCos || op == S::kTan || op == S::kAtan || op == S::kAbs;
}

class Optimizer {
 public:
  explicit Optimizer(std::vector<FormulaStep>& steps) : steps_(steps) {}

  void Run(const std::vector<FormulaInstruction>& code) {
    const auto size = static_cast<int32_t>(code.size());
    std::vector<bool> label(code.size() + 1, false);
    std::vector<int32_t> labelDepth(code.size() + 1, 0);
    for (const FormulaInstruction& in : code) {
      if (in.op == Op::kJump || in.op == Op::kJumpUnlessTrue || in.op == Op::kAndJump ||
          in.op == Op::kOrJump) {
        label[in.a] = true;
      }
    }
    std::vector<int32_t> where(code.size() + 1, 0);
    steps_.clear();
    before_.clear();
    int32_t depth = 0;
    for (int32_t i = 0; i < size; ++i) {
      const FormulaInstruction& in = code[i];
      if (label[i]) {
        barrier_ = static_cast<int32_t>(steps_.size());
        depth = labelDepth[i];
      }
      where[i] = static_cast<int32_t>(steps_.size());
      // Where the jump lands the stack is as it is here, less the condition a test pops.
      if (in.op == Op::kJump || in.op == Op::kAndJump || in.op == Op::kOrJump) {
        labelDepth[in.a] = depth;
      } else if (in.op == Op::kJumpUnlessTrue) {
        labelDepth[in.a] = depth - 1;
      }
      const bool jump = in.op == Op::kJump || in.op == Op::kJumpUnlessTrue ||
                        in.op == Op::kAndJump || in.op == Op::kOrJump;
      if (jump) {
        Append(Translate(in), depth);  // jumps never merge
        barrier_ = static_cast<int32_t>(steps_.size());
      } else {
        Add(Translate(in), depth);
      }
      depth += SlotChange(in);
    }
    where[size] = static_cast<int32_t>(steps_.size());
    Append(FormulaStep{}, depth);  // kReturn
    for (FormulaStep& step : steps_) {
      if (step.op == S::kJump || step.op == S::kJumpUnlessTrue || step.op == S::kAndJump ||
          step.op == S::kOrJump) {
        step.a = where[step.a];
      }
    }
  }

 private:
  void Append(const FormulaStep& step, int32_t depth) {
    steps_.push_back(step);
    before_.push_back(depth);
  }

  // The last step, when it may be merged with the next.
  FormulaStep* Last() {
    return static_cast<int32_t>(steps_.size()) > barrier_ ? &steps_.back() : nullptr;
  }

  void Drop() {
    steps_.pop_back();
    before_.pop_back();
  }

  // Adds step, which starts with `depth` slots on the stack, merging it where it can.
  void Add(FormulaStep step, int32_t depth) {
    FormulaStep* last = Last();
    if (last == nullptr) return Append(step, depth);
    const int32_t lastDepth = before_.back();
    switch (step.op) {
      case S::kAdd:
      case S::kSub:
      case S::kMul:
      case S::kDiv:
        if (last->op == S::kPushM) {  // the right operand is a read
          FormulaStep fused = step;
          fused.op = step.op == S::kAdd   ? S::kAddM
                     : step.op == S::kSub ? S::kSubM
                     : step.op == S::kMul ? S::kMulM
                                          : S::kDivM;
          fused.m = last->m;
          Drop();
          return Add(fused, lastDepth);
        }
        if (last->op == S::kPushK) {  // the right operand is a constant
          const double k = last->k;
          Drop();
          return Add(step.op == S::kAdd   ? WithConstant(S::kAddK, k)
                     : step.op == S::kSub ? WithConstant(S::kAddK, -k)
                     : step.op == S::kMul ? WithConstant(S::kMulK, k)
                                          : WithConstant(S::kDivK, k),
                     lastDepth);
        }
        if (MoveLeftRead(step, depth)) return;
        break;
      case S::kPow:
        if (last->op == S::kPushK) {
          const double k = last->k;
          Drop();
          return Add(PowerStep(k), lastDepth);
        }
        break;
      case S::kLess:
      case S::kGreater:
      case S::kLessEqual:
      case S::kGreaterEqual:
      case S::kEqual:
      case S::kNotEqual:
        if (last->op == S::kPushK) {
          const double k = last->k;
          const auto offset = static_cast<int32_t>(step.op) - static_cast<int32_t>(S::kLess);
          Drop();
          return Add(WithConstant(static_cast<S>(static_cast<int32_t>(S::kLessK) + offset), k),
                     lastDepth);
        }
        break;
      case S::kAddK:
        if (last->op == S::kPushM) {
          last->op = S::kPushMAddK;
          last->k = step.k;
          return;
        }
        if (last->op == S::kNeg) {  // -x + k is k - x
          Drop();
          return Add(WithConstant(S::kRSubK, step.k), lastDepth);
        }
        break;
      case S::kMulK:
        if (last->op == S::kPushM) {
          last->op = S::kPushMMulK;
          last->k = step.k;
          return;
        }
        if (last->op == S::kPushMAddK) {
          last->op = S::kPushMAffine;
          last->k2 = step.k;
          return;
        }
        if (last->op == S::kAddK) {
          last->op = S::kAffineK;
          last->k2 = step.k;
          return;
        }
        if (last->op == S::kMul) {
          last->op = S::kMulMulK;
          last->k = step.k;
          return;
        }
        if (last->op == S::kNeg) {  // (-x) * k is x * (-k)
          Drop();
          return Add(WithConstant(S::kMulK, -step.k), lastDepth);
        }
        break;
      case S::kDivK:
        if (last->op == S::kMul) {
          last->op = S::kMulDivK;
          last->k = step.k;
          return;
        }
        if (last->op == S::kNeg) {  // (-x) / k is x / (-k)
          Drop();
          return Add(WithConstant(S::kDivK, -step.k), lastDepth);
        }
        break;
      case S::kRDivK:
        if (last->op == S::kNeg) {  // k / (-x) is (-k) / x
          Drop();
          return Add(WithConstant(S::kRDivK, -step.k), lastDepth);
        }
        break;
      case S::kSection:
        if (last->op == S::kMember && step.a <= INT16_MAX) {
          last->op = S::kMemberSection;
          last->b = static_cast<int16_t>(step.a);
          return;
        }
        break;
      case S::kVLength:
      case S::kVSquare: {
        const bool length = step.op == S::kVLength;
        if (last->op == S::kMember) {
          last->op = length ? S::kMemberLength : S::kMemberSquare;
          return;
        }
        if (last->op == S::kPushM3) {
          last->op = length ? S::kPushM3Length : S::kPushM3Square;
          return;
        }
        if (!length && last->op == S::kVSub) {
          last->op = S::kVSubSquare;
          return;
        }
        break;
      }
      case S::kAddM:
      case S::kSubM:
      case S::kMulM:
        if (last->op == S::kPushM) {
          last->op = step.op == S::kAddM   ? S::kPushMAddM
                     : step.op == S::kSubM ? S::kPushMSubM
                                           : S::kPushMMulM;
          last->m2 = step.m;
          return;
        }
        break;
      default:
        break;
    }
    Append(step, depth);
  }

  bool CannotFault(int32_t index) const {
    const FormulaStepOp op = steps_[index].op;
    if (NeverFails(op)) return true;
    return FiniteOnFinite(op) && index > barrier_ && steps_[index - 1].op == S::kPushM;
  }

  // "a <op> (right operand)" where a is a plain read and the right operand can fail only on its
  // own reads: the read moves behind the operand and becomes the step's operand, so the operand's
  // result need not wait on the stack. Reads have no effects, so only the order of two NoValue
  // faults could change, and they are the same fault.
  bool MoveLeftRead(const FormulaStep& step, int32_t depth) {
    // The right operand starts where the stack last held one slot less than now.
    auto start = static_cast<int32_t>(steps_.size()) - 1;
    while (start >= barrier_ && before_[start] != depth - 1) {
      if (!CannotFault(start)) return false;
      --start;
    }
    if (start <= barrier_ || !CannotFault(start)) return false;
    const int32_t left = start - 1;
    if (steps_[left].op != S::kPushM || before_[left] != depth - 2) return false;
    const double* read = steps_[left].m;
    steps_.erase(steps_.begin() + left);
    before_.erase(before_.begin() + left);
    for (auto i = static_cast<size_t>(left); i < before_.size(); ++i)
      --before_[i];
    FormulaStep moved = step;
    moved.op = step.op == S::kAdd   ? S::kAddM
               : step.op == S::kSub ? S::kRSubM
               : step.op == S::kMul ? S::kMulM
                                    : S::kRDivM;
    moved.m = read;
    Append(moved, depth - 1);
    return true;
  }

  std::vector<FormulaStep>& steps_;
  std::vector<int32_t> before_;  // the stack's depth before each step
  int32_t barrier_ = 0;          // steps before this may not merge with later ones
};

}  // namespace

void FormulaOptimize(const std::vector<FormulaInstruction>& code, std::vector<FormulaStep>& steps) {
  Optimizer(steps).Run(code);
}

void FormulaProgram::Prepare(const std::vector<FormulaInstruction>& code) {
  single_ = FormulaStep{};
  if (code.empty()) {  // nothing compiled
    steps_.clear();
    asksMemberTwice_ = false;
    entry_ = FormulaEntry::kNone;
    return;
  }
  FormulaOptimize(code, steps_);
  asksMemberTwice_ = false;
  const auto same = [this](const FormulaStep& a, const FormulaStep& b) {
    const FormulaObjectRef& x = objects_[a.a];
    const FormulaObjectRef& y = objects_[b.a];
    return a.sub == b.sub && x.source == y.source && x.object.kind == y.object.kind &&
           x.object.number == y.object.number && x.name == y.name;
  };
  const auto asks = [](const FormulaStep& step) {
    return step.op == S::kMember || step.op == S::kMemberComponent || step.op == S::kMemberLength ||
           step.op == S::kMemberSquare || step.op == S::kMemberSection;
  };
  for (size_t i = 0; i < steps_.size() && !asksMemberTwice_; ++i) {
    for (size_t j = 0; j < i && asks(steps_[i]); ++j) {
      if (asks(steps_[j]) && same(steps_[i], steps_[j])) asksMemberTwice_ = true;
    }
  }
  entry_ = vector_ ? FormulaEntry::kVector : FormulaEntry::kLoop;
  if (vector_ || steps_.size() != 2) return;
  single_ = steps_[0];
  switch (steps_[0].op) {
    // clang-format off
    case S::kPushK: entry_ = FormulaEntry::kConstant; break;
    case S::kPushM: entry_ = FormulaEntry::kRead; break;
    case S::kPushMAddK: entry_ = FormulaEntry::kReadAddK; break;
    case S::kPushMMulK: entry_ = FormulaEntry::kReadMulK; break;
    case S::kPushMAffine: entry_ = FormulaEntry::kReadAffine; break;
    case S::kPushMAddM: entry_ = FormulaEntry::kReadAddM; break;
    case S::kPushMSubM: entry_ = FormulaEntry::kReadSubM; break;
    case S::kPushMMulM: entry_ = FormulaEntry::kReadMulM; break;
    default: break;
      // clang-format on
  }
}
