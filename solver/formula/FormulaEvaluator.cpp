// The machine that runs a program's steps (FormulaSteps.h). The compiler has checked types and
// stack depth, so the loop only computes. The top of the stack lives in `top`, the slots below
// it in the frame's array; a step that pushes first stores the old top. Every fault the loop can
// meet (division by zero, a domain error, a missing object, a value that is not a number) ends
// the run with its code instead of a NaN.

#include <cmath>
#include <cstring>

#include "solver/formula/FormulaMath.h"
#include "solver/formula/FormulaProgram.h"

namespace {

using S = FormulaStepOp;

bool Finite(const FormulaVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.r);
}

bool IsCount(FormulaInteraction q) {
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

// What one evaluation asks the world. The world cannot change while a formula is being evaluated,
// so `self` and `other` are asked once, and a member asked again of the same object ("self.v"
// twice in an air drag) is answered from the last answer. Objects are handed on by address,
// where they were written, rather than copied.
class WorldQueries {
 public:
  WorldQueries(const FormulaProgram& program, const FormulaEnvironment* env)
      : program_(program), env_(env), keepMembers_(program.AsksMemberTwice()) {}

  // Answers 0 and the object in `out` (which may point to scratch), or the environment's code.
  int32_t Resolve(int32_t index, FormulaObject& scratch, const FormulaObject*& out) {
    const FormulaObjectRef& ref = program_.Objects()[index];
    switch (ref.source) {
      case FormulaObjectRef::Source::kFixed:
        out = &ref.object;
        return kFormulaOk;
      case FormulaObjectRef::Source::kSelf:
        return Participant(0, out);
      case FormulaObjectRef::Source::kOther:
        return Participant(1, out);
      case FormulaObjectRef::Source::kNamed:
        out = &scratch;
        return env_->FindObject(ref.name, ref.object.number, scratch);
    }
    return kFormulaUnknownObject;
  }

  int32_t Member(const FormulaObject& object, FormulaMember member, FormulaVector& out) {
    if (!keepMembers_) return env_->Member(object, member, out);
    if (haveLast_ && lastMember_ == member && lastObject_.kind == object.kind &&
        lastObject_.number == object.number) {
      out = last_;
      return kFormulaOk;
    }
    const int32_t status = env_->Member(object, member, out);
    if (status != kFormulaOk) return status;
    haveLast_ = true;
    lastObject_.kind = object.kind;
    lastObject_.number = object.number;
    lastMember_ = member;
    last_ = out;
    return kFormulaOk;
  }

 private:
  int32_t Participant(int32_t which, const FormulaObject*& out) {
    if (!known_[which]) {
      const int32_t status = env_->Participant(which, participant_[which]);
      if (status != kFormulaOk) return status;
      known_[which] = true;
    }
    out = &participant_[which];
    return kFormulaOk;
  }

  const FormulaProgram& program_;
  const FormulaEnvironment* env_;
  FormulaObject participant_[2];
  bool known_[2] = {false, false};
  const bool keepMembers_;  // only programs that ask twice keep an answer
  bool haveLast_ = false;
  FormulaMember lastMember_ = FormulaMember::kPosition;
  FormulaObject lastObject_;
  FormulaVector last_;
};

// A value read from where the environment keeps it; a NaN never enters the arithmetic.
#define YB_READ(into, address)                        \
  do {                                                \
    into = *(address);                                \
    if (!std::isfinite(into)) return kFormulaNoValue; \
  } while (false)

// Runs the steps. Answers 0 with the top of the stack in `top` and the slots below it from
// stack[1] upwards (stack[0] receives the empty stack's top on the first push).
[[gnu::always_inline]] inline int32_t Run(const FormulaProgram& program,
                                          const FormulaEnvironment* env, double* stack,
                                          double& result) {
  const FormulaStep* step = program.Steps().data();
  const FormulaStep* const first = step;
  double* sp = stack;
  double top = 0.0;
  WorldQueries world(program, env);
  for (;; ++step) {
    switch (step->op) {
      case S::kReturn:
        result = top;
        return kFormulaOk;
      case S::kJump:
        step = first + step->a - 1;
        break;
      case S::kJumpUnlessTrue: {
        const double condition = top;
        top = *--sp;
        if (!FormulaTruth(condition)) step = first + step->a - 1;
        break;
      }
      case S::kAndJump:
        if (!FormulaTruth(top)) {
          top = 0.0;
          step = first + step->a - 1;
        } else {
          top = *--sp;
        }
        break;
      case S::kOrJump:
        if (FormulaTruth(top)) {
          top = 1.0;
          step = first + step->a - 1;
        } else {
          top = *--sp;
        }
        break;
      case S::kTruth:
        top = FormulaTruth(top) ? 1.0 : 0.0;
        break;
      case S::kNot:
        top = FormulaTruth(top) ? 0.0 : 1.0;
        break;

      case S::kPushK:
        *sp++ = top;
        top = step->k;
        break;
      case S::kPushM:
        *sp++ = top;
        YB_READ(top, step->m);
        break;
      case S::kPushM3: {
        double x, y, r;
        YB_READ(x, step->m);
        YB_READ(y, step->m + 1);
        YB_READ(r, step->m + 2);
        *sp++ = top;
        *sp++ = x;
        *sp++ = y;
        top = r;
        break;
      }
      case S::kPushMAddK: {
        double v;
        YB_READ(v, step->m);
        *sp++ = top;
        top = v + step->k;
        break;
      }
      case S::kPushMMulK: {
        double v;
        YB_READ(v, step->m);
        *sp++ = top;
        top = v * step->k;
        break;
      }
      case S::kPushMAffine: {
        double v;
        YB_READ(v, step->m);
        *sp++ = top;
        top = (v + step->k) * step->k2;
        break;
      }
      case S::kPushMAddM: {
        double a, b;
        YB_READ(a, step->m);
        YB_READ(b, step->m2);
        *sp++ = top;
        top = a + b;
        break;
      }
      case S::kPushMSubM: {
        double a, b;
        YB_READ(a, step->m);
        YB_READ(b, step->m2);
        *sp++ = top;
        top = a - b;
        break;
      }
      case S::kPushMMulM: {
        double a, b;
        YB_READ(a, step->m);
        YB_READ(b, step->m2);
        *sp++ = top;
        top = a * b;
        break;
      }

      case S::kPushM3Length:
      case S::kPushM3Square: {
        double x, y, r;
        YB_READ(x, step->m);
        YB_READ(y, step->m + 1);
        YB_READ(r, step->m + 2);
        (void)r;
        *sp++ = top;
        top = x * x + y * y;
        if (step->op == S::kPushM3Length) top = std::sqrt(top);
        break;
      }

      case S::kAdd:
        top = *--sp + top;
        break;
      case S::kSub:
        top = *--sp - top;
        break;
      case S::kMul:
        top = *--sp * top;
        break;
      case S::kDiv:
        if (top == 0.0) return kFormulaDivideByZero;
        top = *--sp / top;
        break;
      case S::kPow: {
        const double base = *--sp;
        const int32_t status = FormulaPower(base, top, top);
        if (status != kFormulaOk) return status;
        break;
      }
      case S::kLess:
        top = *--sp < top ? 1.0 : 0.0;
        break;
      case S::kGreater:
        top = *--sp > top ? 1.0 : 0.0;
        break;
      case S::kLessEqual:
        top = *--sp <= top ? 1.0 : 0.0;
        break;
      case S::kGreaterEqual:
        top = *--sp >= top ? 1.0 : 0.0;
        break;
      case S::kEqual:
        top = *--sp == top ? 1.0 : 0.0;
        break;
      case S::kNotEqual:
        top = *--sp != top ? 1.0 : 0.0;
        break;
      case S::kMulDivK:
        if (step->k == 0.0) return kFormulaDivideByZero;
        top = *--sp * top / step->k;
        break;

      case S::kMulMulK:
        top = *--sp * top * step->k;
        break;
      case S::kAddK:
        top += step->k;
        break;
      case S::kMulK:
        top *= step->k;
        break;
      case S::kDivK:
        if (step->k == 0.0) return kFormulaDivideByZero;
        top /= step->k;
        break;
      case S::kRSubK:
        top = step->k - top;
        break;
      case S::kRDivK:
        if (top == 0.0) return kFormulaDivideByZero;
        top = step->k / top;
        break;
      case S::kPowK: {
        const int32_t status = FormulaPower(top, step->k, top);
        if (status != kFormulaOk) return status;
        break;
      }
      case S::kPowWhole: {
        const bool inverse = step->sub != 0;
        if (inverse && top == 0.0) return kFormulaDivideByZero;
        double base = top;
        double product = 1.0;
        for (int32_t n = step->a; n != 0; n >>= 1) {
          if ((n & 1) != 0) product *= base;
          base *= base;
        }
        top = inverse ? 1.0 / product : product;
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      }
      case S::kAffineK:
        top = (top + step->k) * step->k2;
        break;
      case S::kLessK:
        top = top < step->k ? 1.0 : 0.0;
        break;
      case S::kGreaterK:
        top = top > step->k ? 1.0 : 0.0;
        break;
      case S::kLessEqualK:
        top = top <= step->k ? 1.0 : 0.0;
        break;
      case S::kGreaterEqualK:
        top = top >= step->k ? 1.0 : 0.0;
        break;
      case S::kEqualK:
        top = top == step->k ? 1.0 : 0.0;
        break;
      case S::kNotEqualK:
        top = top != step->k ? 1.0 : 0.0;
        break;

      case S::kAddM: {
        double v;
        YB_READ(v, step->m);
        top += v;
        break;
      }
      case S::kSubM: {
        double v;
        YB_READ(v, step->m);
        top -= v;
        break;
      }
      case S::kMulM: {
        double v;
        YB_READ(v, step->m);
        top *= v;
        break;
      }
      case S::kDivM: {
        double v;
        YB_READ(v, step->m);
        if (v == 0.0) return kFormulaDivideByZero;
        top /= v;
        break;
      }
      case S::kRSubM: {
        double v;
        YB_READ(v, step->m);
        top = v - top;
        break;
      }
      case S::kRDivM: {
        double v;
        YB_READ(v, step->m);
        if (top == 0.0) return kFormulaDivideByZero;
        top = v / top;
        break;
      }

      case S::kNeg:
        top = -top;
        break;
      case S::kSin:
        top = std::sin(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kCos:
        top = std::cos(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kTan:
        top = std::tan(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kAtan:
        top = std::atan(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kExp:
        top = std::exp(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kSqrt:
        if (top < 0.0) return kFormulaDomain;
        top = std::sqrt(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kAbs:
        top = std::fabs(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kSquare:
        top = top * top;
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kAsin:
        if (!(top >= -1.0 && top <= 1.0)) return kFormulaDomain;
        top = std::asin(top);
        break;
      case S::kAcos:
        if (!(top >= -1.0 && top <= 1.0)) return kFormulaDomain;
        top = std::acos(top);
        break;
      case S::kLn:
        if (!(top > 0.0)) return kFormulaDomain;
        top = std::log(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kLog10:
        if (!(top > 0.0)) return kFormulaDomain;
        top = std::log10(top);
        if (!std::isfinite(top)) return kFormulaOverflow;
        break;
      case S::kSign:
        top = top > 0.0 ? 1.0 : (top < 0.0 ? -1.0 : 0.0);
        break;
      case S::kCall: {
        // The arguments are the slots below the top and the top itself, stored after them.
        const int32_t count = step->a;
        *sp = top;
        sp -= count - 1;
        const int32_t status =
            FormulaApplyFunction(static_cast<FormulaFunction>(step->sub), sp, count, top);
        if (status != kFormulaOk) return status;
        break;
      }

      // Vectors: x and y are the two slots below the top, r is the top.
      case S::kVAdd:  // x1 y1 r1 x2 y2 | r2
        sp -= 3;
        sp[-2] += sp[1];
        sp[-1] += sp[2];
        top = sp[0] + top;
        break;
      case S::kVSub:
        sp -= 3;
        sp[-2] -= sp[1];
        sp[-1] -= sp[2];
        top = sp[0] - top;
        break;
      case S::kVNeg:
        sp[-2] = -sp[-2];
        sp[-1] = -sp[-1];
        top = -top;
        break;
      case S::kVScale: {  // vector, scalar
        const double k = top;
        --sp;
        sp[-2] *= k;
        sp[-1] *= k;
        top = sp[0] * k;
        break;
      }
      case S::kSVScale: {  // scalar, vector
        const double k = sp[-3];
        sp[-3] = sp[-2] * k;
        sp[-2] = sp[-1] * k;
        top *= k;
        --sp;
        break;
      }
      case S::kVDivide: {
        const double k = top;
        if (k == 0.0) return kFormulaDivideByZero;
        --sp;
        sp[-2] /= k;
        sp[-1] /= k;
        top = sp[0] / k;
        break;
      }
      case S::kVLength:
        sp -= 2;
        top = std::sqrt(sp[0] * sp[0] + sp[1] * sp[1]);
        break;
      case S::kVSquare:
        sp -= 2;
        top = sp[0] * sp[0] + sp[1] * sp[1];
        break;
      case S::kVSubSquare: {  // x1 y1 r1 x2 y2 | r2
        sp -= 5;
        const double dx = sp[0] - sp[3];
        const double dy = sp[1] - sp[4];
        top = dx * dx + dy * dy;
        break;
      }
      case S::kVAngle:
        sp -= 2;
        top = std::atan2(sp[1], sp[0]);
        break;
      case S::kVComponent:
        sp -= 2;
        if (step->sub < 2) top = sp[step->sub];
        break;

      case S::kTime:
      case S::kExternalStep: {
        double value = 0.0;
        const int32_t status = step->op == S::kTime ? env->Time(value) : env->ExternalStep(value);
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        *sp++ = top;
        top = value;
        break;
      }
      case S::kInput: {
        double value = 0.0;
        const int32_t status = env->InputValue(step->a, value);
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        *sp++ = top;
        top = value;
        break;
      }
      case S::kMemberLength:
      case S::kMemberSquare: {
        FormulaObject scratch;
        const FormulaObject* object = nullptr;
        int32_t status = world.Resolve(step->a, scratch, object);
        FormulaVector v;
        if (status == kFormulaOk) {
          status = world.Member(*object, static_cast<FormulaMember>(step->sub), v);
        }
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        *sp++ = top;
        top = v.x * v.x + v.y * v.y;
        if (step->op == S::kMemberLength) top = std::sqrt(top);
        break;
      }
      case S::kMember:
      case S::kMemberComponent: {
        FormulaObject scratch;
        const FormulaObject* object = nullptr;
        int32_t status = world.Resolve(step->a, scratch, object);
        FormulaVector v;
        const auto member = static_cast<FormulaMember>(step->sub);
        if (status == kFormulaOk) status = world.Member(*object, member, v);
        if (status != kFormulaOk) return status;
        *sp++ = top;
        if (step->op == S::kMemberComponent) {
          top = step->b == 0 ? v.x : (step->b == 1 ? v.y : v.r);
          if (!std::isfinite(top)) return kFormulaNoValue;
          break;
        }
        if (!Finite(v)) return kFormulaNoValue;
        if (member == FormulaMember::kMass || member == FormulaMember::kCharge) {
          top = v.x;
        } else {
          *sp++ = v.x;
          *sp++ = v.y;
          top = v.r;
        }
        break;
      }
      case S::kGroupCofM: {
        const double group = top;
        if (group != std::floor(group) || std::fabs(group) > 32767.0) return kFormulaUnknownObject;
        FormulaVector v;
        const int32_t status = env->GroupCentreOfMass(static_cast<int32_t>(group), v);
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        *sp++ = v.x;
        *sp++ = v.y;
        top = v.r;
        break;
      }
      case S::kMemberSection: {
        // The member is asked and checked first, as a step of its own would.
        FormulaObject scratch;
        const FormulaObject* object = nullptr;
        int32_t status = world.Resolve(step->a, scratch, object);
        FormulaVector v;
        if (status == kFormulaOk) {
          status = world.Member(*object, static_cast<FormulaMember>(step->sub), v);
        }
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        status = world.Resolve(step->b, scratch, object);
        double value = 0.0;
        if (status == kFormulaOk) status = env->Section(*object, v, value);
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        *sp++ = top;
        top = value;
        break;
      }
      case S::kSection: {
        FormulaObject scratch;
        const FormulaObject* object = nullptr;
        int32_t status = world.Resolve(step->a, scratch, object);
        sp -= 2;
        double value = 0.0;
        if (status == kFormulaOk) {
          status = env->Section(*object, FormulaVector{sp[0], sp[1], top}, value);
        }
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        top = value;
        break;
      }
      case S::kInteraction: {
        const auto query = static_cast<FormulaInteraction>(step->sub);
        int32_t pair = 0;
        if (IsPairQuery(query)) {
          const double index = top;
          if (index != std::floor(index) || index < 1.0 || index > 32767.0) {
            return kFormulaNoValue;
          }
          pair = static_cast<int32_t>(index);
          top = *--sp;
        }
        FormulaObject objectScratch;
        FormulaObject fieldScratch;
        const FormulaObject* object = nullptr;
        const FormulaObject* field = &fieldScratch;  // kNumber 0 when the query takes none
        int32_t status = world.Resolve(step->a, objectScratch, object);
        if (status == kFormulaOk && step->b >= 0) {
          status = world.Resolve(step->b, fieldScratch, field);
        }
        FormulaVector v;
        if (status == kFormulaOk) status = env->Interaction(query, *field, *object, pair, v);
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        *sp++ = top;
        if (IsCount(query)) {
          top = v.x;
        } else {
          *sp++ = v.x;
          *sp++ = v.y;
          top = v.r;
        }
        break;
      }
      default:
        __builtin_unreachable();  // the optimiser makes no other steps
    }
  }
}

#undef YB_READ

// The fault of a one-step program whose value is not a number: a value read that was not one
// (as the loop would have found first), else the arithmetic overflowed.
int32_t SingleStepFault(const FormulaStep& step) {
  if (step.m != nullptr && !std::isfinite(*step.m)) return kFormulaNoValue;
  if (step.m2 != nullptr && !std::isfinite(*step.m2)) return kFormulaNoValue;
  return kFormulaOverflow;
}

// Computes a one-step program (FormulaEntry) without the loop; false for the others.
inline bool RunSingleStep(FormulaEntry entry, const FormulaStep& step, double& value) {
  switch (entry) {
    case FormulaEntry::kConstant:
      value = step.k;
      return true;
    case FormulaEntry::kRead:
      value = *step.m;
      return true;
    case FormulaEntry::kReadAddK:
      value = *step.m + step.k;
      return true;
    case FormulaEntry::kReadMulK:
      value = *step.m * step.k;
      return true;
    case FormulaEntry::kReadAffine:
      value = (*step.m + step.k) * step.k2;
      return true;
    case FormulaEntry::kReadAddM:
      value = *step.m + *step.m2;
      return true;
    case FormulaEntry::kReadSubM:
      value = *step.m - *step.m2;
      return true;
    case FormulaEntry::kReadMulM:
      value = *step.m * *step.m2;
      return true;
    default:
      return false;
  }
}

// The loop for a scalar program, kept apart so that one-step programs need no frame.
[[gnu::noinline]] int32_t RunScalar(const FormulaProgram& program, const FormulaEnvironment* env,
                                    double& result) {
  double stack[FormulaProgram::kMaxStack + 1];
  double value = 0.0;
  const int32_t status = Run(program, env, stack, value);
  if (status != kFormulaOk) return status;
  if (!std::isfinite(value)) return kFormulaOverflow;
  result = value;
  return kFormulaOk;
}

}  // namespace

int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        FormulaValue& result) {
  const FormulaEntry entry = program.Entry();
  if (entry == FormulaEntry::kNone || (env == nullptr && program.NeedsWorld())) {
    return kFormulaNoProgram;
  }
  FormulaValue value;
  value.isVector = entry == FormulaEntry::kVector;
  const FormulaStep& single = program.SingleStep();
  if (RunSingleStep(entry, single, value.x)) {
    if (!std::isfinite(value.x)) return SingleStepFault(single);
    result = value;
    return kFormulaOk;
  }
  double stack[FormulaProgram::kMaxStack + 1];
  double top = 0.0;
  const int32_t status = Run(program, env, stack, top);
  if (status != kFormulaOk) return status;
  if (value.isVector) {
    value.x = stack[1], value.y = stack[2], value.r = top;
  } else {
    value.x = top;
  }
  if (!std::isfinite(value.x) || !std::isfinite(value.y) || !std::isfinite(value.r)) {
    return kFormulaOverflow;
  }
  result = value;
  return kFormulaOk;
}

int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        double& result) {
  const FormulaEntry entry = program.Entry();
  if (env == nullptr && program.NeedsWorld()) return kFormulaNoProgram;
  const FormulaStep* step = &program.SingleStep();
  double value = 0.0;
  switch (entry) {
    case FormulaEntry::kNone:
      return kFormulaNoProgram;
    case FormulaEntry::kVector:
      return kFormulaTypeMismatch;
    case FormulaEntry::kLoop:
      return RunScalar(program, env, result);
    case FormulaEntry::kConstant:
      value = step->k;
      break;
    case FormulaEntry::kRead:
      value = *step->m;
      break;
    case FormulaEntry::kReadAddK:
      value = *step->m + step->k;
      break;
    case FormulaEntry::kReadMulK:
      value = *step->m * step->k;
      break;
    case FormulaEntry::kReadAffine:
      value = (*step->m + step->k) * step->k2;
      break;
    case FormulaEntry::kReadAddM:
      value = *step->m + *step->m2;
      break;
    case FormulaEntry::kReadSubM:
      value = *step->m - *step->m2;
      break;
    case FormulaEntry::kReadMulM:
      value = *step->m * *step->m2;
      break;
  }
  if (!std::isfinite(value)) return SingleStepFault(*step);
  result = value;
  return kFormulaOk;
}
