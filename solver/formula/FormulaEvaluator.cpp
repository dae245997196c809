// The stack machine that runs compiled formulas. The compiler has checked types and stack depth,
// so the loop only computes; every fault it can meet (division by zero, a domain error, a missing
// object, a non-finite result) ends the run with its code instead of a NaN.

#include <cmath>

#include "solver/formula/FormulaMath.h"
#include "solver/formula/FormulaProgram.h"

namespace {

int32_t ResolveObject(const FormulaProgram& program, int32_t index, const FormulaEnvironment* env,
                      FormulaObject& out) {
  const FormulaObjectRef& ref = program.Objects()[index];
  switch (ref.source) {
    case FormulaObjectRef::Source::kFixed:
      out = ref.object;
      return kFormulaOk;
    case FormulaObjectRef::Source::kSelf:
      return env->Participant(0, out);
    case FormulaObjectRef::Source::kOther:
      return env->Participant(1, out);
    case FormulaObjectRef::Source::kNamed:
      return env->FindObject(ref.name, ref.object.number, out);
  }
  return kFormulaUnknownObject;
}

bool IsCount(FormulaInteraction q) {
  return q == FormulaInteraction::kConstraintPairs || q == FormulaInteraction::kContactPairs ||
         q == FormulaInteraction::kCollisionPairs;
}

// Values from the world are checked as they arrive: a NaN never enters the arithmetic.
bool Finite(const FormulaVector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.r);
}

int32_t Run(const FormulaProgram& program, const FormulaEnvironment* env, double* s, int32_t& top) {
  const FormulaInstruction* code = program.Code().data();
  const int32_t size = static_cast<int32_t>(program.Code().size());
  int32_t sp = 0;  // number of slots in use
  for (int32_t pc = 0; pc < size; ++pc) {
    const FormulaInstruction& in = code[pc];
    switch (in.op) {
      case FormulaOp::kConst:
        s[sp++] = in.value;
        break;
      case FormulaOp::kAdd:
        --sp, s[sp - 1] += s[sp];
        break;
      case FormulaOp::kSub:
        --sp, s[sp - 1] -= s[sp];
        break;
      case FormulaOp::kMul:
        --sp, s[sp - 1] *= s[sp];
        break;
      case FormulaOp::kDiv:
        --sp;
        if (s[sp] == 0.0) return kFormulaDivideByZero;
        s[sp - 1] /= s[sp];
        break;
      case FormulaOp::kPow: {
        --sp;
        const int32_t status = FormulaPower(s[sp - 1], s[sp], s[sp - 1]);
        if (status != kFormulaOk) return status;
        break;
      }
      case FormulaOp::kNeg:
        s[sp - 1] = -s[sp - 1];
        break;
      case FormulaOp::kLess:
        --sp, s[sp - 1] = s[sp - 1] < s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kGreater:
        --sp, s[sp - 1] = s[sp - 1] > s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kLessEqual:
        --sp, s[sp - 1] = s[sp - 1] <= s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kGreaterEqual:
        --sp, s[sp - 1] = s[sp - 1] >= s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kEqual:
        --sp, s[sp - 1] = s[sp - 1] == s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kNotEqual:
        --sp, s[sp - 1] = s[sp - 1] != s[sp] ? 1.0 : 0.0;
        break;
      case FormulaOp::kNot:
        s[sp - 1] = FormulaTruth(s[sp - 1]) ? 0.0 : 1.0;
        break;
      case FormulaOp::kTruth:
        s[sp - 1] = FormulaTruth(s[sp - 1]) ? 1.0 : 0.0;
        break;
      case FormulaOp::kJump:
        pc = in.a - 1;
        break;
      case FormulaOp::kJumpUnlessTrue:
        if (!FormulaTruth(s[--sp])) pc = in.a - 1;
        break;
      case FormulaOp::kAndJump:
        if (!FormulaTruth(s[sp - 1])) {
          s[sp - 1] = 0.0;
          pc = in.a - 1;
        } else {
          --sp;
        }
        break;
      case FormulaOp::kOrJump:
        if (FormulaTruth(s[sp - 1])) {
          s[sp - 1] = 1.0;
          pc = in.a - 1;
        } else {
          --sp;
        }
        break;
      case FormulaOp::kCall: {
        sp -= in.a;
        double out = 0.0;
        const int32_t status =
            FormulaApplyFunction(static_cast<FormulaFunction>(in.sub), s + sp, in.a, out);
        if (status != kFormulaOk) return status;
        s[sp++] = out;
        break;
      }
      case FormulaOp::kAddC:
        s[sp - 1] += in.value;
        break;
      case FormulaOp::kSubC:
        s[sp - 1] -= in.value;
        break;
      case FormulaOp::kMulC:
        s[sp - 1] *= in.value;
        break;
      case FormulaOp::kDivC:
        if (in.value == 0.0) return kFormulaDivideByZero;
        s[sp - 1] /= in.value;
        break;
      case FormulaOp::kCSub:
        s[sp - 1] = in.value - s[sp - 1];
        break;
      case FormulaOp::kCDiv:
        if (s[sp - 1] == 0.0) return kFormulaDivideByZero;
        s[sp - 1] = in.value / s[sp - 1];
        break;
      case FormulaOp::kPowC: {
        const int32_t status = FormulaPower(s[sp - 1], in.value, s[sp - 1]);
        if (status != kFormulaOk) return status;
        break;
      }
      case FormulaOp::kLoad:
        s[sp++] = *in.address;
        break;
      case FormulaOp::kLoad3:
        s[sp] = in.address[0], s[sp + 1] = in.address[1], s[sp + 2] = in.address[2];
        sp += 3;
        break;
      case FormulaOp::kMemberComponent: {
        FormulaObject object;
        int32_t status = ResolveObject(program, in.a, env, object);
        FormulaVector v;
        if (status == kFormulaOk) status = env->Member(object, FormulaMember(in.sub), v);
        if (status != kFormulaOk) return status;
        const double value = in.b == 0 ? v.x : (in.b == 1 ? v.y : v.r);
        if (!std::isfinite(value)) return kFormulaNoValue;
        s[sp++] = value;
        break;
      }
      case FormulaOp::kVAdd:
        sp -= 3;
        s[sp - 3] += s[sp], s[sp - 2] += s[sp + 1], s[sp - 1] += s[sp + 2];
        break;
      case FormulaOp::kVSub:
        sp -= 3;
        s[sp - 3] -= s[sp], s[sp - 2] -= s[sp + 1], s[sp - 1] -= s[sp + 2];
        break;
      case FormulaOp::kVNeg:
        s[sp - 3] = -s[sp - 3], s[sp - 2] = -s[sp - 2], s[sp - 1] = -s[sp - 1];
        break;
      case FormulaOp::kVScale: {
        const double k = s[--sp];
        s[sp - 3] *= k, s[sp - 2] *= k, s[sp - 1] *= k;
        break;
      }
      case FormulaOp::kSVScale: {
        const double k = s[sp - 4];
        s[sp - 4] = s[sp - 3] * k, s[sp - 3] = s[sp - 2] * k, s[sp - 2] = s[sp - 1] * k;
        --sp;
        break;
      }
      case FormulaOp::kVDivide: {
        const double k = s[--sp];
        if (k == 0.0) return kFormulaDivideByZero;
        s[sp - 3] /= k, s[sp - 2] /= k, s[sp - 1] /= k;
        break;
      }
      case FormulaOp::kVLength:
        sp -= 2;
        s[sp - 1] = std::sqrt(s[sp - 1] * s[sp - 1] + s[sp] * s[sp]);
        break;
      case FormulaOp::kVSquare:
        sp -= 2;
        s[sp - 1] = s[sp - 1] * s[sp - 1] + s[sp] * s[sp];
        break;
      case FormulaOp::kVAngle:
        sp -= 2;
        s[sp - 1] = std::atan2(s[sp], s[sp - 1]);
        break;
      case FormulaOp::kVComponent:
        sp -= 2;
        s[sp - 1] = s[sp - 1 + in.sub];
        break;
      case FormulaOp::kTime:
      case FormulaOp::kExternalStep: {
        double value = 0.0;
        const int32_t status =
            in.op == FormulaOp::kTime ? env->Time(value) : env->ExternalStep(value);
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        s[sp++] = value;
        break;
      }
      case FormulaOp::kInput: {
        double value = 0.0;
        const int32_t status = env->InputValue(in.a, value);
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        s[sp++] = value;
        break;
      }
      case FormulaOp::kMember: {
        FormulaObject object;
        int32_t status = ResolveObject(program, in.a, env, object);
        FormulaVector v;
        if (status == kFormulaOk) status = env->Member(object, FormulaMember(in.sub), v);
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        s[sp++] = v.x;
        const auto member = FormulaMember(in.sub);
        if (member != FormulaMember::kMass && member != FormulaMember::kCharge) {
          s[sp++] = v.y;
          s[sp++] = v.r;
        }
        break;
      }
      case FormulaOp::kGroupCofM: {
        const double group = s[sp - 1];
        if (group != std::floor(group) || std::fabs(group) > 32767.0) return kFormulaUnknownObject;
        FormulaVector v;
        const int32_t status = env->GroupCentreOfMass(static_cast<int32_t>(group), v);
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        s[sp - 1] = v.x, s[sp++] = v.y, s[sp++] = v.r;
        break;
      }
      case FormulaOp::kSection: {
        FormulaObject object;
        int32_t status = ResolveObject(program, in.a, env, object);
        double value = 0.0;
        sp -= 3;
        if (status == kFormulaOk) {
          status = env->Section(object, FormulaVector{s[sp], s[sp + 1], s[sp + 2]}, value);
        }
        if (status != kFormulaOk) return status;
        if (!std::isfinite(value)) return kFormulaNoValue;
        s[sp++] = value;
        break;
      }
      case FormulaOp::kInteraction: {
        const auto query = FormulaInteraction(in.sub);
        const bool pairQuery = query == FormulaInteraction::kConstraintForcePair ||
                               query == FormulaInteraction::kContactForcePair ||
                               query == FormulaInteraction::kCollisionImpulsePair ||
                               query == FormulaInteraction::kFrictionForcePair ||
                               query == FormulaInteraction::kContactPair ||
                               query == FormulaInteraction::kCollisionPair;
        int32_t pair = 0;
        if (pairQuery) {
          const double index = s[--sp];
          if (index != std::floor(index) || index < 1.0 || index > 32767.0) {
            return kFormulaNoValue;
          }
          pair = static_cast<int32_t>(index);
        }
        FormulaObject object;
        FormulaObject field;
        int32_t status = ResolveObject(program, in.a, env, object);
        if (status == kFormulaOk && in.b >= 0) status = ResolveObject(program, in.b, env, field);
        FormulaVector v;
        if (status == kFormulaOk) status = env->Interaction(query, field, object, pair, v);
        if (status != kFormulaOk) return status;
        if (!Finite(v)) return kFormulaNoValue;
        s[sp++] = v.x;
        if (!IsCount(query)) s[sp++] = v.y, s[sp++] = v.r;
        break;
      }
    }
  }
  top = sp;
  return kFormulaOk;
}

}  // namespace

int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        FormulaValue& result) {
  if (!program.IsCompiled() || program.StackDepth() > FormulaProgram::kMaxStack) {
    return kFormulaNoProgram;
  }
  if (program.NeedsWorld() && env == nullptr) return kFormulaNoProgram;
  double stack[FormulaProgram::kMaxStack];
  int32_t top = 0;
  const int32_t status = Run(program, env, stack, top);
  if (status != kFormulaOk) return status;
  FormulaValue value;
  value.isVector = program.IsVector();
  value.x = stack[0];
  if (value.isVector) value.y = stack[1], value.r = stack[2];
  if (!std::isfinite(value.x) || !std::isfinite(value.y) || !std::isfinite(value.r)) {
    return kFormulaOverflow;
  }
  result = value;
  return kFormulaOk;
}

int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        double& result) {
  if (!program.IsCompiled() || program.StackDepth() > FormulaProgram::kMaxStack ||
      (program.NeedsWorld() && env == nullptr)) {
    return kFormulaNoProgram;
  }
  if (program.IsVector()) return kFormulaTypeMismatch;
  double stack[FormulaProgram::kMaxStack];
  int32_t top = 0;
  const int32_t status = Run(program, env, stack, top);
  if (status != kFormulaOk) return status;
  if (!std::isfinite(stack[0])) return kFormulaOverflow;
  result = stack[0];
  return kFormulaOk;
}
