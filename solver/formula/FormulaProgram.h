#pragma once
// A compiled formula: a short program for a stack machine, checked for types when compiled, so
// that evaluation only computes. `parse_equation` compiles text into a program and
// `execute_program` evaluates it against an environment (FormulaEnvironment.h). Evaluation does
// not allocate: the stack lives in the evaluator's frame and its depth is fixed when compiling.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "solver/formula/FormulaEnvironment.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaSteps.h"

// The operations of the machine. Scalars take one stack slot, vectors three (x, y, r).
enum class FormulaOp : uint8_t {
  kConst,  // push value
  // scalar arithmetic and logic
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kNeg,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kEqual,
  kNotEqual,
  kNot,
  kTruth,
  kJump,            // pc := a
  kJumpUnlessTrue,  // pop c; unless c > 0, pc := a
  kAndJump,         // unless top > 0: top := 0, pc := a; else pop
  kOrJump,          // if top > 0: top := 1, pc := a; else pop
  kCall,            // scalar function `sub` (FormulaFunction) of `a` arguments
  // a scalar operation with a constant operand: top := top op value, or value op top (kC...)
  kAddC,
  kSubC,
  kMulC,
  kDivC,
  kPowC,
  kCSub,
  kCDiv,
  // vectors
  kVAdd,
  kVSub,
  kVNeg,
  kVScale,   // vector, scalar -> vector
  kSVScale,  // scalar, vector -> vector
  kVDivide,  // vector, scalar -> vector
  kVLength,
  kVSquare,
  kVAngle,
  kVComponent,  // vector -> its component `sub` (0 x, 1 y, 2 r)
  // the world
  kTime,
  kExternalStep,
  kInput,            // push the value of input a
  kMember,           // push member `sub` (FormulaMember) of object a: 3 slots, or 1 for scalars
  kMemberComponent,  // push component b (0 x, 1 y, 2 r) of vector member `sub` of object a
  kLoad,             // push *address (a value the environment keeps, see FormulaProgram::Bind)
  kLoad3,            // push address[0], address[1], address[2]
  kGroupCofM,        // group number -> vector
  kSection,          // vector -> scalar, for object a
  kInteraction,      // query `sub` (FormulaInteraction) on object a with field object b;
                     // pair queries pop the pair index first; count queries push 1 slot
};

// The scalar functions of kCall.
enum class FormulaFunction : uint8_t {
  kSin,
  kCos,
  kTan,
  kAsin,
  kAcos,
  kAtan,
  kAtan2,
  kSqrt,
  kExp,
  kLn,
  kLog10,
  kAbs,
  kSign,
  kSquare,
  kMin,
  kMax,
};

struct FormulaInstruction {
  FormulaOp op = FormulaOp::kConst;
  uint8_t sub = 0;
  int16_t b = -1;
  int32_t a = 0;
  double value = 0.0;
  const double* address = nullptr;
};

// How an object operand is found when the program runs.
struct FormulaObjectRef {
  enum class Source : uint8_t { kFixed, kSelf, kOther, kNamed };
  Source source = Source::kFixed;
  FormulaObject object;  // kFixed: the object; kNamed: the number given with the name (-1 none)
  std::string name;      // kNamed: the name or kind as written
  // Where the reference stands in the text, [textStart, textEnd) in bytes, with its bracketed
  // number when it has one; -1 for a plain number standing for an object.
  int32_t textStart = -1;
  int32_t textEnd = -1;
};

// The value of a formula: a scalar, or a vector (x, y, r).
struct FormulaValue {
  bool isVector = false;
  double x = 0.0;
  double y = 0.0;
  double r = 0.0;
};

class FormulaProgram {
 public:
  // The most stack slots any program may use; deeper formulas are refused when compiled.
  static constexpr int32_t kMaxStack = 256;

  bool IsCompiled() const { return !code_.empty(); }
  bool IsVector() const { return vector_; }
  // True when the program does not depend on the world (a number, or arithmetic on numbers).
  bool IsConstant() const { return code_.size() == 1 && code_[0].op == FormulaOp::kConst; }
  int32_t StackDepth() const { return depth_; }
  const std::vector<FormulaInstruction>& Code() const { return code_; }
  // The steps evaluation runs: the code with common sequences merged (FormulaSteps.h), remade
  // when compiling and binding.
  const std::vector<FormulaStep>& Steps() const { return steps_; }
  FormulaEntry Entry() const { return entry_; }
  // True when the steps ask the world for one member of one object more than once.
  bool AsksMemberTwice() const { return asksMemberTwice_; }
  // The step of a one-step program (FormulaEntry kConstant to kReadMulK), kept at hand.
  const FormulaStep& SingleStep() const { return single_; }
  // The objects the formula names, in order of first use (for dependency lists).
  const std::vector<FormulaObjectRef>& Objects() const { return objects_; }
  // True when the formula reads `time`, `extdt()` or an input.
  bool UsesTime() const { return usesTime_; }
  // True when evaluation needs an environment.
  bool NeedsWorld() const { return needsWorld_; }

  // Reads the values the environment keeps at fixed addresses (FormulaEnvironment::Address)
  // directly from now on, instead of asking for them at each evaluation: references to fixed
  // objects, inputs and the time. `self`, `other` and names are still asked each time. The
  // addresses must stay valid while the program is evaluated; bind again when they move. Answers
  // the number of references bound.
  int32_t Bind(const FormulaEnvironment& env);

 private:
  friend class FormulaCompiler;
  // Makes the steps from code, the compiled code or a bound copy (FormulaOptimizer.cpp).
  void Prepare(const std::vector<FormulaInstruction>& code);
  std::vector<FormulaInstruction> code_;
  std::vector<FormulaStep> steps_;
  std::vector<FormulaObjectRef> objects_;
  int32_t depth_ = 0;
  bool vector_ = false;
  bool usesTime_ = false;
  bool needsWorld_ = false;
  FormulaEntry entry_ = FormulaEntry::kNone;
  bool asksMemberTwice_ = false;
  FormulaStep single_;
};

// Compiles text into program. Answers 0, or a compiler code (FormulaErrors.h) with the offset of
// the fault (0-based, in bytes) in errorPosition when it is not null; on failure the program is
// left empty.
int32_t parse_equation(std::string_view text, FormulaProgram& program,
                       int32_t* errorPosition = nullptr);

// Evaluates program against env (which may be null for formulas that name nothing of the world).
// Answers 0 and the value, or an evaluation code; result is untouched on failure.
int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        FormulaValue& result);

// The same for a scalar: a vector result is refused with kFormulaTypeMismatch.
int32_t execute_program(const FormulaProgram& program, const FormulaEnvironment* env,
                        double& result);
