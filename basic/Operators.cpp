// Operators on values.

#include "basic/Operators.h"

#include <cmath>
#include <cstdint>

namespace basic {

namespace {

// The result type of integer arithmetic: the wider operand, at least Integer.
bool BothWhole(const Value& a, const Value& b) {
  auto whole = [](const Value& v) {
    return v.type() == VType::kInteger || v.type() == VType::kLong ||
           v.type() == VType::kBoolean || v.type() == VType::kEmpty;
  };
  return whole(a) && whole(b);
}

Value Whole(int64_t v, const Value& a, const Value& b) {
  return WholeResult(v, a.type() == VType::kLong || b.type() == VType::kLong);
}

// Strings take part in arithmetic as numbers, as Val-free conversion (13 when not a number).
Value Numeric(const Value& v) {
  if (v.type() == VType::kString) {
    double d = 0;
    if (!ParseNumber(v.RawString(), d)) Raise(13);
    return Value::Double(d);
  }
  if (v.type() == VType::kObject || v.type() == VType::kArray) Raise(13);
  return v;
}

Value Checked(double d) {
  if (std::isnan(d) || std::isinf(d)) Raise(6);
  return Value::Double(d);
}

int32_t Bits(const Value& v) { return v.ToLong(); }

Value Logical(Op op, const Value& a, const Value& b) {
  const int32_t x = Bits(a), y = Bits(b);
  int32_t r = 0;
  switch (op) {
    case Op::kAnd: r = x & y; break;
    case Op::kOr: r = x | y; break;
    case Op::kXor: r = x ^ y; break;
    case Op::kEqv: r = ~(x ^ y); break;
    default: r = ~x | y; break;  // Imp
  }
  if (a.type() == VType::kBoolean && b.type() == VType::kBoolean) return Value::Boolean(r != 0);
  return Whole(r, a, b);
}

}  // namespace

int Compare(const Value& left, const Value& right) {
  if (left.type() == VType::kString && right.type() == VType::kString) {
    const int c = left.RawString().compare(right.RawString());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  if (left.type() == VType::kString && right.type() == VType::kEmpty)
    return left.RawString().empty() ? 0 : 1;
  if (right.type() == VType::kString && left.type() == VType::kEmpty)
    return right.RawString().empty() ? 0 : -1;
  const double a = Numeric(left).ToDouble(), b = Numeric(right).ToDouble();
  return a < b ? -1 : a > b ? 1 : 0;
}

Value Binary(Op op, const Value& a, const Value& b) {
  switch (op) {
    case Op::kAdd:
      if (a.type() == VType::kString && b.type() == VType::kString)
        return Value::String(a.RawString() + b.RawString());
      [[fallthrough]];
    case Op::kSub:
    case Op::kMul: {
      const Value x = Numeric(a), y = Numeric(b);
      if (BothWhole(x, y)) {
        const int64_t p = x.RawInt(), q = y.RawInt();
        return Whole(op == Op::kAdd ? p + q : op == Op::kSub ? p - q : p * q, x, y);
      }
      const double p = x.ToDouble(), q = y.ToDouble();
      return Checked(op == Op::kAdd ? p + q : op == Op::kSub ? p - q : p * q);
    }
    case Op::kDiv: {
      const double q = Numeric(b).ToDouble();
      if (q == 0) Raise(11);
      return Checked(Numeric(a).ToDouble() / q);
    }
    case Op::kIntDiv:
    case Op::kMod: {
      const Value x = Numeric(a), y = Numeric(b);
      const int64_t p = x.ToLong(), q = y.ToLong();
      if (q == 0) Raise(11);
      const int64_t r = op == Op::kIntDiv ? p / q : p % q;
      const bool longs = x.type() == VType::kLong || y.type() == VType::kLong ||
                         x.type() == VType::kDouble || y.type() == VType::kDouble;
      if (longs) return Whole(r, Value::Long(0), Value::Long(0));
      return Whole(r, x, y);
    }
    case Op::kPow: {
      const double p = Numeric(a).ToDouble(), q = Numeric(b).ToDouble();
      if (p == 0 && q < 0) Raise(5);
      if (p < 0 && q != std::trunc(q)) Raise(5);
      return Checked(std::pow(p, q));
    }
    case Op::kConcat: {
      if (a.type() == VType::kObject || b.type() == VType::kObject) Raise(13);
      std::string text = a.ToString();
      text += b.ToString();
      return Value::String(std::move(text));
    }
    case Op::kEq: return Value::Boolean(Compare(a, b) == 0);
    case Op::kNe: return Value::Boolean(Compare(a, b) != 0);
    case Op::kLt: return Value::Boolean(Compare(a, b) < 0);
    case Op::kGt: return Value::Boolean(Compare(a, b) > 0);
    case Op::kLe: return Value::Boolean(Compare(a, b) <= 0);
    case Op::kGe: return Value::Boolean(Compare(a, b) >= 0);
    case Op::kIs:
      if (a.type() != VType::kObject || b.type() != VType::kObject) Raise(424);
      return Value::Boolean(a.RawObject() == b.RawObject());
    case Op::kAnd:
    case Op::kOr:
    case Op::kXor:
    case Op::kEqv:
    case Op::kImp: return Logical(op, Numeric(a), Numeric(b));
    default: Raise(5);
  }
}

Value Negate(const Value& operand) {
  const Value v = Numeric(operand);
  if (v.type() == VType::kDouble) return Value::Double(-v.RawDouble());
  return Whole(-static_cast<int64_t>(v.RawInt()), v, Value::Integer(0));
}

Value Not(const Value& operand) {
  const Value v = Numeric(operand);
  if (v.type() == VType::kBoolean) return Value::Boolean(v.RawInt() == 0);
  return Whole(~v.ToLong(), v, Value::Integer(0));
}

}  // namespace basic
