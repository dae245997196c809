#pragma once
// The compiled form of a module: instructions for a stack machine with every variable resolved
// to a slot, and the tables they index. It is position-independent, so it is stored as bytes
// (CodeImage.cpp) and loaded back without the text.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "basic/Value.h"

namespace basic {

enum class Op : uint8_t {
  kConst,        // push constants[a]
  kNothing,      // push Nothing
  kLoadLocal,    // push locals[a]
  kStoreLocal,   // pop into locals[a], converted to its declared type
  kLoadGlobal,   // push globals[a]
  kStoreGlobal,  // pop into globals[a]
  kAppend,       // pop x; variable a (VarRef) := variable & x, in place when it can
  kLoadHost,     // push the host's global object hostGlobals[a]
  kLoadElem,     // pop b indexes; push element of array variable a (VarRef)
  kStoreElem,    // pop value, pop b indexes; store into array variable a
  kDimArray,     // pop 2*b bounds (lower, upper per dimension); make array variable a
  kReDim,        // as kDimArray; b | kPreserve keeps the elements
  kErase,        // variable a becomes an empty array
  kPop,
  // operators: pop operands, push result
  kAdd, kSub, kMul, kDiv, kIntDiv, kMod, kPow, kConcat,
  kEq, kNe, kLt, kGt, kLe, kGe, kIs, kAnd, kOr, kXor, kEqv, kImp, kNeg, kNot,
  kJump,       // pc := a
  kJumpFalse,  // pop; unless true, pc := a
  kJumpTrue,   // pop; if true, pc := a
  kCompareJump,  // compare with the operator b & 0xFF (kEq ... kGe) the top two values, or with
                 // kCompareConst set the top and constants[b >> 10]; pop them; when the result
                 // equals bit 8 of b, pc := a. A comparison and a conditional jump in one.
  kBinaryConst,  // top := top op constants[a], op = b (kAdd ... kGe): an operator and its constant
  kCall,       // call procs[a] with b arguments; pushes the result (Empty for a Sub)
  kReturn,
  kBuiltin,    // call builtin function a with b arguments; pushes the result
  kMemberGet,  // pop object; push property sites[a]
  kMemberSet,  // pop value, args, object; set
  kMemberCall, // pop args, object; call; push the result
  kDefault,    // pop args, object; call the default member (sites[a]); push the result
  kOut,        // if argument b of the last call came back by reference, store it to VarRef a
  kForPrep,    // loops[a]: start the counted loop (variable holds the start); done: pc := b
  kForNext,    // loops[a]: step; unless done, pc := b
  kEachPrep,   // pop collection; loops[a]; empty: pc := b
  kEachNext,   // loops[a]: next element; unless done, pc := b
  kPrint,      // a: 0 value then ";", 1 value then ",", 2 value then end of line, 3 end of line
  kOnError,    // a: 0 off, 1 resume next, 2 go to pc b
  kResume,     // a: 0 retry the statement, 1 the next statement, 2 go to pc b
  kErrGet,     // push Err.Number (a 0) or Err.Description (a 1)
  kErrRaise,   // pop b arguments (number, source, description) and raise
  kErrClear,
  kEnd,        // end the script
  kCallExternal,  // call the procedure named names[a] of a shared module with b arguments (by
                  // value); pushes the result (Empty for a Sub)
  kCount,
  // Pairs the machine makes of loaded code; never stored, so a stored image holding one is
  // refused. Each does its own instruction and the one after it in one step when the operands
  // take the quick road, and otherwise its own instruction only, the next then running as it is.
  kLocalBinaryConst,  // kLoadLocal a, then the kBinaryConst after it
  kLocalCompareJump,  // kLoadLocal a, then the kCompareJump with a constant after it
  kLoadLocal2,        // kLoadLocal a, then the kLoadLocal after it
  kArithmeticStore,   // the operator b (kAdd, kSub or kMul), then the kStoreLocal after it
  // The start of a statement in a run that can break: asks whether to stop there, then runs
  // the statement's own first instruction, kept aside at index a.
  kStatement,
};

inline constexpr int32_t kPreserve = 0x100;
inline constexpr int32_t kCompareConst = 0x200;

// A variable reference in an operand: a local slot (>= 0) or global g as -1 - g.
inline constexpr int32_t GlobalRef(int32_t g) { return -1 - g; }

struct Instr {
  Op op;
  int32_t a;
  int32_t b;
};

// The declared type of a variable. `classRef` indexes CodeImage::classNames, -1 for any object.
struct SlotInfo {
  VType type = VType::kEmpty;
  int32_t classRef = -1;
  bool isArray = false;
  std::vector<std::pair<int32_t, int32_t>> bounds;  // fixed bounds of a module-level array
};

struct ProcInfo {
  std::string name;
  bool isFunction = false;
  int32_t paramCount = 0;
  std::vector<uint8_t> byRef;     // per parameter
  std::vector<SlotInfo> locals;   // parameters first, then the result, then the rest
  int32_t resultSlot = -1;
  int32_t codeStart = 0;
  int32_t codeEnd = 0;
  std::vector<int32_t> statements;  // pc of each statement's start, ascending
  int32_t maxStack = 0;             // operand stack depth, found when the code is verified
  // Per local slot, its lower-case name ("" for hidden ones). Only freshly compiled code has
  // names; they are not part of the stored bytes.
  std::vector<std::string> localNames;
};

// A member named at one place of the code.
struct MemberSite {
  int32_t name = 0;  // names[name], lower case; empty for the default member
  int32_t argc = 0;
  bool wantResult = true;
};

// A For or For Each loop: its variable and the hidden locals after it.
struct LoopInfo {
  int32_t var = 0;     // VarRef of the loop variable
  int32_t hidden = 0;  // first hidden local: limit and step, or collection, count and index
};

struct CodeImage {
  std::vector<Value> constants;  // integers, longs, doubles, strings, booleans
  std::vector<std::string> names;
  std::vector<std::string> classNames;
  std::vector<int32_t> hostGlobals;  // names[] of the host's global objects used
  std::vector<SlotInfo> globals;
  std::vector<ProcInfo> procs;
  std::vector<MemberSite> sites;
  std::vector<LoopInfo> loops;
  std::vector<Instr> code;
  std::vector<int32_t> lines;  // per instruction
  std::vector<std::string> globalNames;  // as ProcInfo::localNames, per global slot
};

// The serialized form: bytes to image and back. ReadImage throws ScriptError 1 (damaged) or
// 2 (other version) with a message; it verifies every index and the stack depth of every path.
std::vector<uint8_t> WriteImage(const CodeImage& image);
// The bytes of compiled code around the tables' bytes: the header with their size and checksum.
std::vector<uint8_t> SealImage(const std::vector<uint8_t>& payload);
CodeImage ReadImage(const uint8_t* bytes, size_t size);
// Checks an image's instructions against its tables and computes each procedure's stack depth.
void VerifyImage(CodeImage& image);

// The engine version written into compiled code.
inline constexpr uint16_t kImageFormat = 1;

}  // namespace basic
