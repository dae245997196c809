#pragma once
// The language's built-in functions: their names and argument counts for the compiler, and their
// work for the machine (Builtins.cpp, number formats in Format.cpp).

#include <cstdint>
#include <string>
#include <string_view>

#include "basic/Value.h"

namespace basic {

enum class Builtin : int32_t {
  kLen, kLeft, kRight, kMid, kInStr, kUCase, kLCase, kTrim, kLTrim, kRTrim, kSpace, kChr, kAsc,
  kStr, kVal, kCStr, kCInt, kCLng, kCDbl, kCBool, kFormat, kHex,
  kAbs, kSgn, kSqr, kSin, kCos, kTan, kAtn, kExp, kLog, kInt, kFix, kRound, kRnd, kRandomize,
  kUBound, kLBound, kIsNumeric, kIsObject, kMsgBox, kTimer, kStrComp, kReplace,
  kCount
};

struct BuiltinInfo {
  const char* name;  // lower case
  int8_t least;
  int8_t most;
};

const BuiltinInfo& GetBuiltin(Builtin id);
// The built-in function of this lower-case name, or kCount.
Builtin FindBuiltin(std::string_view key);

// The state the random-number functions keep per run.
struct RandomState {
  uint32_t seed = 0x50000;
  double last = 0;
};

class BuiltinHost {
 public:
  virtual ~BuiltinHost() = default;
  virtual RandomState& Random() = 0;
  // Shows a message box and answers the button (1 for OK).
  virtual int32_t ShowMessage(const std::string& text) = 0;
};

// Runs a built-in with its arguments; raises ScriptError on bad arguments.
Value CallBuiltin(Builtin id, const Value* args, int32_t argc, BuiltinHost& host);

// Format(number, pattern): the named formats ("General Number", "Fixed", "Standard",
// "Percent", "Scientific") and patterns of 0, #, '.', ',', '%' and E+/E-.
std::string FormatValue(const Value& value, std::string_view pattern);

}  // namespace basic
