// The built-in functions.

#include "basic/Builtins.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>

namespace basic {

namespace {

constexpr BuiltinInfo kBuiltins[] = {
    {"len", 1, 1},    {"left", 2, 2},      {"right", 2, 2},    {"mid", 2, 3},
    {"instr", 2, 3},  {"ucase", 1, 1},     {"lcase", 1, 1},    {"trim", 1, 1},
    {"ltrim", 1, 1},  {"rtrim", 1, 1},     {"space", 1, 1},    {"chr", 1, 1},
    {"asc", 1, 1},    {"str", 1, 1},       {"val", 1, 1},      {"cstr", 1, 1},
    {"cint", 1, 1},   {"clng", 1, 1},      {"cdbl", 1, 1},     {"cbool", 1, 1},
    {"format", 1, 2}, {"hex", 1, 1},       {"abs", 1, 1},      {"sgn", 1, 1},
    {"sqr", 1, 1},    {"sin", 1, 1},       {"cos", 1, 1},      {"tan", 1, 1},
    {"atn", 1, 1},    {"exp", 1, 1},       {"log", 1, 1},      {"int", 1, 1},
    {"fix", 1, 1},    {"round", 1, 2},     {"rnd", 0, 1},      {"randomize", 0, 1},
    {"ubound", 1, 2}, {"lbound", 1, 2},    {"isnumeric", 1, 1}, {"isobject", 1, 1},
    {"msgbox", 1, 3}, {"timer", 0, 0},     {"strcomp", 2, 3},  {"replace", 3, 3},
};
static_assert(sizeof kBuiltins / sizeof kBuiltins[0] == static_cast<size_t>(Builtin::kCount));

// A whole number that a text length or position must be: raises 5 when negative.
int64_t Count(const Value& v) {
  const int32_t n = v.ToLong();
  if (n < 0) Raise(5);
  return n;
}

// The value keeps its numeric type where it can (Abs, Int and Fix of an Integer stay Integer).
Value SameKind(const Value& v, double d) {
  if ((v.type() == VType::kInteger || v.type() == VType::kBoolean) && d >= -32768 && d <= 32767)
    return Value::Integer(static_cast<int16_t>(d));
  if (v.type() == VType::kLong && d >= -2147483648.0 && d <= 2147483647.0)
    return Value::Long(static_cast<int32_t>(d));
  return Value::Double(d);
}

double Math(Builtin id, double x) {
  switch (id) {
    case Builtin::kSqr:
      if (x < 0) Raise(5);
      return std::sqrt(x);
    case Builtin::kSin: return std::sin(x);
    case Builtin::kCos: return std::cos(x);
    case Builtin::kTan: return std::tan(x);
    case Builtin::kAtn: return std::atan(x);
    case Builtin::kExp: {
      const double r = std::exp(x);
      if (std::isinf(r)) Raise(6);
      return r;
    }
    default:  // Log
      if (x <= 0) Raise(5);
      return std::log(x);
  }
}

// Rnd as the classic 24-bit generator, so a seeded sequence repeats exactly.
double NextRandom(RandomState& state, const Value* arg) {
  if (arg != nullptr) {
    const double x = arg->ToDouble();
    if (x == 0) return state.last;
    if (x < 0) {
      float f = static_cast<float>(x);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      state.seed = (bits + (bits >> 24)) & 0xFFFFFF;
    }
  }
  state.seed = (state.seed * 1140671485u + 12820163u) & 0xFFFFFF;
  state.last = state.seed / 16777216.0;
  return state.last;
}

Value Bound(const Value* args, int32_t argc, bool upper) {
  if (args[0].type() != VType::kArray) Raise(13);
  const ArrayRep& rep = *args[0].RawArray();
  const int32_t dim = argc > 1 ? args[1].ToLong() : 1;
  if (dim < 1 || static_cast<size_t>(dim) > rep.bounds.size()) Raise(9);
  const auto [lower, high] = rep.bounds[dim - 1];
  return Value::Long(upper ? high : lower);
}

std::string Replace(const std::string& text, const std::string& find, const std::string& with) {
  if (find.empty()) return text;
  std::string out;
  size_t from = 0;
  for (size_t at; (at = text.find(find, from)) != std::string::npos; from = at + find.size()) {
    out.append(text, from, at - from);
    out += with;
    if (out.size() > kMaxStringLength) Raise(14);
  }
  out.append(text, from, std::string::npos);
  return out;
}

}  // namespace

const BuiltinInfo& GetBuiltin(Builtin id) { return kBuiltins[static_cast<int>(id)]; }

Builtin FindBuiltin(std::string_view key) {
  for (int i = 0; i < static_cast<int>(Builtin::kCount); ++i)
    if (key == kBuiltins[i].name) return static_cast<Builtin>(i);
  return Builtin::kCount;
}

Value CallBuiltin(Builtin id, const Value* args, int32_t argc, BuiltinHost& host) {
  switch (id) {
    case Builtin::kLen: return Value::Long(static_cast<int32_t>(args[0].ToString().size()));
    case Builtin::kLeft: {
      const std::string s = args[0].ToString();
      return Value::String(s.substr(0, static_cast<size_t>(std::min<int64_t>(Count(args[1]), s.size()))));
    }
    case Builtin::kRight: {
      const std::string s = args[0].ToString();
      const auto n = static_cast<size_t>(std::min<int64_t>(Count(args[1]), s.size()));
      return Value::String(s.substr(s.size() - n));
    }
    case Builtin::kMid: {
      const std::string s = args[0].ToString();
      const int64_t start = args[1].ToLong();
      if (start < 1) Raise(5);
      if (static_cast<size_t>(start) > s.size()) return Value::String("");
      const int64_t length = argc > 2 ? Count(args[2]) : static_cast<int64_t>(s.size());
      return Value::String(s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)));
    }
    case Builtin::kInStr: {
      // InStr([start,] text, find): the 1-based position, 0 when not found.
      const bool hasStart = argc == 3;
      const int64_t start = hasStart ? args[0].ToLong() : 1;
      if (start < 1) Raise(5);
      const std::string s = args[hasStart ? 1 : 0].ToString();
      const std::string find = args[hasStart ? 2 : 1].ToString();
      if (static_cast<size_t>(start) > s.size() + 1) return Value::Long(0);
      const size_t at = s.find(find, static_cast<size_t>(start - 1));
      return Value::Long(at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
    }
    case Builtin::kUCase: return Value::String(Upper(args[0].ToString()));
    case Builtin::kLCase: return Value::String(Lower(args[0].ToString()));
    case Builtin::kTrim:
    case Builtin::kLTrim:
    case Builtin::kRTrim: {
      std::string s = args[0].ToString();
      if (id != Builtin::kLTrim) s.erase(s.find_last_not_of(' ') + 1);
      if (id != Builtin::kRTrim) s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
      return Value::String(std::move(s));
    }
    case Builtin::kSpace: {
      const int64_t n = Count(args[0]);
      if (static_cast<size_t>(n) > kMaxStringLength) Raise(14);
      return Value::String(std::string(static_cast<size_t>(n), ' '));
    }
    case Builtin::kChr: {
      const int32_t code = args[0].ToLong();
      if (code < 0 || code > 255) Raise(5);
      return Value::String(std::string(1, static_cast<char>(code)));
    }
    case Builtin::kAsc: {
      const std::string s = args[0].ToString();
      if (s.empty()) Raise(5);
      return Value::Integer(static_cast<unsigned char>(s[0]));
    }
    case Builtin::kStr: {
      const double d = args[0].ToDouble();
      const std::string text = args[0].type() == VType::kString ? FormatNumber(d) : Value(args[0]).ToString();
      return Value::String(d >= 0 && args[0].type() != VType::kBoolean ? " " + text : text);
    }
    case Builtin::kVal: return Value::Double(LeadingNumber(args[0].ToString()));
    case Builtin::kCStr: return Value::String(args[0].ToString());
    case Builtin::kCInt: return Value::Integer(args[0].ToInteger());
    case Builtin::kCLng: return Value::Long(args[0].ToLong());
    case Builtin::kCDbl: return Value::Double(args[0].ToDouble());
    case Builtin::kCBool: return Value::Boolean(args[0].ToBoolean());
    case Builtin::kFormat:
      return Value::String(FormatValue(args[0], argc > 1 ? args[1].ToString() : std::string()));
    case Builtin::kHex: {
      char buffer[16];
      const int32_t v = args[0].ToLong();
      if (args[0].type() == VType::kInteger) std::snprintf(buffer, sizeof buffer, "%X", static_cast<uint16_t>(v));
      else std::snprintf(buffer, sizeof buffer, "%X", static_cast<uint32_t>(v));
      return Value::String(buffer);
    }
    case Builtin::kAbs: return SameKind(args[0], std::fabs(args[0].ToDouble()));
    case Builtin::kSgn: {
      const double d = args[0].ToDouble();
      return Value::Integer(static_cast<int16_t>(d > 0 ? 1 : d < 0 ? -1 : 0));
    }
    case Builtin::kInt: return SameKind(args[0], std::floor(args[0].ToDouble()));
    case Builtin::kFix: return SameKind(args[0], std::trunc(args[0].ToDouble()));
    case Builtin::kRound: {
      const int32_t places = argc > 1 ? args[1].ToLong() : 0;
      if (places < 0 || places > 15) Raise(5);
      const double scale = std::pow(10.0, places);
      return Value::Double(RoundHalfEven(args[0].ToDouble() * scale) / scale);
    }
    case Builtin::kSqr: case Builtin::kSin: case Builtin::kCos: case Builtin::kTan:
    case Builtin::kAtn: case Builtin::kExp: case Builtin::kLog:
      return Value::Double(Math(id, args[0].ToDouble()));
    case Builtin::kRnd: return Value::Double(NextRandom(host.Random(), argc > 0 ? &args[0] : nullptr));
    case Builtin::kRandomize: {
      RandomState& state = host.Random();
      const double seed = argc > 0 ? args[0].ToDouble()
                                   : static_cast<double>(std::chrono::steady_clock::now().time_since_epoch().count() % 65536);
      state.seed = (state.seed & 0xFF) | ((static_cast<uint32_t>(static_cast<int64_t>(seed)) & 0xFFFF) << 8);
      return Value();
    }
    case Builtin::kUBound: return Bound(args, argc, true);
    case Builtin::kLBound: return Bound(args, argc, false);
    case Builtin::kIsNumeric: {
      double d = 0;
      const VType t = args[0].type();
      if (t == VType::kString) return Value::Boolean(ParseNumber(args[0].RawString(), d));
      return Value::Boolean(t != VType::kObject && t != VType::kArray);
    }
    case Builtin::kIsObject: return Value::Boolean(args[0].type() == VType::kObject);
    case Builtin::kMsgBox: return Value::Integer(static_cast<int16_t>(host.ShowMessage(args[0].ToString())));
    case Builtin::kTimer: {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      const double seconds = std::chrono::duration<double>(now).count();
      return Value::Double(std::fmod(seconds, 86400.0));
    }
    case Builtin::kStrComp: {
      std::string a = args[0].ToString(), b = args[1].ToString();
      if (argc > 2 && args[2].ToLong() == 1) a = Lower(a), b = Lower(b);
      const int c = a.compare(b);
      return Value::Integer(static_cast<int16_t>(c < 0 ? -1 : c > 0 ? 1 : 0));
    }
    case Builtin::kReplace: return Value::String(Replace(args[0].ToString(), args[1].ToString(), args[2].ToString()));
    case Builtin::kCount: break;
  }
  Raise(5);
}

}  // namespace basic
