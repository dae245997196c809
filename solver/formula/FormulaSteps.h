#pragma once
// The form a program takes when it runs. The compiler's stack code (FormulaProgram::Code) is
// rewritten into steps that keep the top of the stack in a register and carry their operands with
// them: a constant (k, k2) or a value the environment keeps at a fixed address (m, m2). Common
// sequences become one step ("x - 0.5" then "* -100" reads, subtracts and scales at once), so a
// typical formula runs in a handful of steps. Every step computes exactly what the instructions it
// replaces computed, in the same order, with the same faults.

#include <cstdint>
#include <vector>

struct FormulaInstruction;

enum class FormulaStepOp : uint8_t {
  kReturn,  // the end of every program
  // control, as in FormulaOp
  kJump,
  kJumpUnlessTrue,
  kAndJump,
  kOrJump,
  kTruth,
  kNot,
  // pushes
  kPushK,         // push k
  kPushM,         // push *m
  kPushM3,        // push m[0], m[1], m[2]
  kPushMAddK,     // push *m + k
  kPushMMulK,     // push *m * k
  kPushMAffine,   // push (*m + k) * k2
  kPushMAddM,     // push *m + *m2
  kPushMSubM,     // push *m - *m2
  kPushMMulM,     // push *m * *m2
  kPushM3Length,  // push |(m[0], m[1])|, m[2] read as well
  kPushM3Square,  // push m[0]^2 + m[1]^2, m[2] read as well
  // binary operations on the two top slots
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kEqual,
  kNotEqual,
  kMulDivK,  // top := (second * top) / k
  kMulMulK,  // top := (second * top) * k
  // the top with a constant operand
  kAddK,
  kMulK,
  kDivK,
  kRSubK,     // k - top
  kRDivK,     // k / top
  kPowK,      // top ^ k, k not a small whole number
  kPowWhole,  // top ^ n for a whole n, |n| = a <= 16, negative when sub is 1
  kAffineK,   // (top + k) * k2
  kLessK,
  kGreaterK,
  kLessEqualK,
  kGreaterEqualK,
  kEqualK,
  kNotEqualK,
  // the top with a value read at m
  kAddM,
  kSubM,
  kMulM,
  kDivM,
  kRSubM,  // *m - top
  kRDivM,  // *m / top
  // scalar functions of the top
  kNeg,
  kSin,
  kCos,
  kTan,
  kAtan,
  kExp,
  kSqrt,
  kAsin,
  kAcos,
  kLn,
  kLog10,
  kAbs,
  kSign,
  kSquare,
  kCall,  // FormulaFunction sub of a arguments (atan2, min, max)
  // vectors, as in FormulaOp
  kVAdd,
  kVSub,
  kVNeg,
  kVScale,
  kSVScale,
  kVDivide,
  kVLength,
  kVSquare,
  kVSubSquare,  // sqr(a - b) of two vectors, as kVSub then kVSquare
  kVAngle,
  kVComponent,
  // the world, asked through the environment, as in FormulaOp
  kTime,
  kExternalStep,
  kInput,
  kMember,
  kMemberComponent,
  kMemberLength,   // |member| of a vector member, as kMember then kVLength
  kMemberSquare,   // sqr(member), as kMember then kVSquare
  kMemberSection,  // section(object b, member), as kMember then kSection
  kGroupCofM,
  kSection,
  kInteraction,
};

struct FormulaStep {
  FormulaStepOp op = FormulaStepOp::kReturn;
  uint8_t sub = 0;
  int16_t b = -1;
  int32_t a = 0;  // jump target, object index, input number or argument count
  double k = 0.0;
  double k2 = 0.0;
  const double* m = nullptr;
  const double* m2 = nullptr;
};

// How evaluation starts a program. Most formulas are one step once merged (a spring's force law,
// an input, a constant); those are computed without entering the loop.
enum class FormulaEntry : uint8_t {
  kNone,    // nothing compiled
  kVector,  // a vector program: the loop
  kLoop,    // a scalar program of several steps: the loop
  kConstant,
  kRead,
  kReadAddK,
  kReadMulK,
  kReadAffine,
  kReadAddM,
  kReadSubM,
  kReadMulM,
};

// Rewrites checked stack code into steps, ending with kReturn.
void FormulaOptimize(const std::vector<FormulaInstruction>& code, std::vector<FormulaStep>& steps);
