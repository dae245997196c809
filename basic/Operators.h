#pragma once
// The operators on values, shared by the machine and by the compiler's constant folding.
// Arithmetic keeps the narrowest type that holds the result: Integer, then Long, then Double,
// as a user of Visual-Basic-style languages expects; "/" and "^" always give a Double.

#include <cstdint>

#include "basic/Bytecode.h"
#include "basic/Value.h"

namespace basic {

// The type of whole-number arithmetic: Integer while it fits and no operand is Long, then Long,
// then Double.
inline Value WholeResult(int64_t v, bool longs) {
  if (!longs && v >= -32768 && v <= 32767) return Value::Integer(static_cast<int16_t>(v));
  if (v >= INT32_MIN && v <= INT32_MAX) return Value::Long(static_cast<int32_t>(v));
  return Value::Double(static_cast<double>(v));
}

// Applies a binary operator (kAdd ... kImp). Raises 13, 6 or 11 as the operands require.
Value Binary(Op op, const Value& left, const Value& right);
Value Negate(const Value& operand);
Value Not(const Value& operand);
// -1, 0 or 1: strings compare by bytes when both are strings, otherwise as numbers.
int Compare(const Value& left, const Value& right);

}  // namespace basic
