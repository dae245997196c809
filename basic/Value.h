#pragma once
// The engine's value: a small tagged type of 16 bytes. Strings are shared, reference-counted byte
// strings in Windows-1252; objects are the program's pointers typed by a registered class.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace basic {

// The six engine types, numbered as the host sees them, and Empty for an unassigned Variant.
enum class VType : uint8_t {
  kEmpty = 0,
  kInteger = 2,
  kLong = 3,
  kDouble = 5,
  kString = 8,
  kBoolean = 11,
  kObject = 13,
  kArray = 0x20,  // an array variable's storage; never a declared type of its own
};

// A run-time error: its number and text. The virtual machine turns it into a trappable error.
struct ScriptError {
  int32_t number;
  std::string text;
};

// Raises one of the engine's own run-time errors by number with its standard text.
[[noreturn]] void Raise(int32_t number);
const char* ErrorText(int32_t number);

// The longest string a script may build, so a runaway loop fails instead of eating all memory.
inline constexpr size_t kMaxStringLength = size_t{16} << 20;

struct StringRep {
  int32_t refs;
  std::string text;
};

class Value;
struct ArrayRep;

class Value {
 public:
  Value() : head_(Head(VType::kEmpty)) { u_.i = 0; }
  Value(const Value& other) : head_(other.head_), u_(other.u_) { Retain(); }
  Value(Value&& other) noexcept : head_(other.head_), u_(other.u_) { other.head_ = Head(VType::kEmpty); }
  Value& operator=(const Value& other) {
    if (!Shared() && !other.Shared()) {
      head_ = other.head_, u_ = other.u_;
    } else if (this != &other) {
      other.Retain();
      Release();
      head_ = other.head_, u_ = other.u_;
    }
    return *this;
  }
  Value& operator=(Value&& other) noexcept {
    if (this != &other) {
      Release();
      head_ = other.head_, u_ = other.u_;
      other.head_ = Head(VType::kEmpty);
    }
    return *this;
  }
  ~Value() { Release(); }

  // Makes this value Empty.
  void Clear() {
    Release();
    head_ = Head(VType::kEmpty);
  }
  // Changes the number of a value that already holds that type (Integer, Long or Boolean; Double).
  void SetRawInt(int32_t v) { u_.i = v; }
  void SetRawDouble(double v) { u_.d = v; }
  // Overwrites a value that holds no string or array with a number.
  void SetNumber(VType type, int32_t v) {
    head_ = Head(type);
    u_.i = v;
  }
  void SetDouble(double v) {
    head_ = Head(VType::kDouble);
    u_.d = v;
  }

  static Value Integer(int16_t v) { Value r(VType::kInteger); r.u_.i = v; return r; }
  static Value Long(int32_t v) { Value r(VType::kLong); r.u_.i = v; return r; }
  static Value Double(double v) { Value r(VType::kDouble); r.u_.d = v; return r; }
  static Value Boolean(bool v) { Value r(VType::kBoolean); r.u_.i = v ? -1 : 0; return r; }
  static Value String(std::string text);
  // An object of registered class `cls` (-1 untyped); null is Nothing.
  static Value Array(ArrayRep* rep);  // takes the one reference of a new rep
  static Value Object(void* object, int32_t cls) {
    Value r(VType::kObject);
    r.u_.o = object;
    r.head_ = Head(VType::kObject, cls);
    return r;
  }

  VType type() const { return static_cast<VType>(head_ & 0xFF); }
  bool IsNumeric() const {
    const VType t = type();
    return t == VType::kInteger || t == VType::kLong || t == VType::kDouble || t == VType::kBoolean ||
           t == VType::kEmpty;
  }
  int32_t RawInt() const { return static_cast<int32_t>(u_.i); }
  double RawDouble() const { return u_.d; }
  void* RawObject() const { return u_.o; }
  int32_t ObjectClass() const { return static_cast<int32_t>(head_ >> 32); }
  void SetObjectClass(int32_t cls) { head_ = (head_ & 0xFFFFFFFFu) | ClassBits(cls); }
  const std::string& RawString() const { return u_.s->text; }
  ArrayRep* RawArray() const { return u_.a; }
  // The string for appending in place, when no other value shares it.
  std::string* UniqueString() {
    return type() == VType::kString && u_.s->refs == 1 ? &u_.s->text : nullptr;
  }

  // Conversions with the usual rules; they raise 13 (type mismatch) or 6 (overflow).
  double ToDouble() const;
  int32_t ToLong() const;
  int16_t ToInteger() const;
  bool ToBoolean() const;
  std::string ToString() const;
  // Converts to a declared type (Variant keeps the value as it is).
  Value ConvertTo(VType type) const;

 private:
  explicit Value(VType type) : head_(Head(type)) { u_.i = 0; }

  // The head word: the type in the low byte, bit 8 set when the value holds a string or an array
  // (so copies count references), the class of an object in the high half. One word, so a value
  // is written and copied as two whole words: a value written in parts and soon read whole
  // stalls the read.
  static constexpr uint64_t kSharedBit = 0x100;
  static constexpr uint64_t ClassBits(int32_t cls) {
    return static_cast<uint64_t>(static_cast<uint32_t>(cls)) << 32;
  }
  static constexpr uint64_t Head(VType type, int32_t cls = -1) {
    const bool shared = type == VType::kString || type == VType::kArray;
    return static_cast<uint64_t>(type) | (shared ? kSharedBit : 0) | ClassBits(cls);
  }
  bool Shared() const { return (head_ & kSharedBit) != 0; }
  void Retain() const {
    if (Shared()) RetainShared();
  }
  void Release() {
    if (Shared()) ReleaseShared();
  }
  void RetainShared() const;
  void ReleaseShared();

  uint64_t head_;
  // Whole numbers fill all eight bytes too.
  union {
    int64_t i;
    double d;
    void* o;
    StringRep* s;
    ArrayRep* a;
  } u_;
};

// An array: its element type, its bounds per dimension and its elements in row-major order.
struct ArrayRep {
  int32_t refs = 1;
  VType element = VType::kEmpty;
  int32_t elementClass = -1;
  std::vector<std::pair<int32_t, int32_t>> bounds;  // (lower, upper) per dimension
  std::vector<Value> items;
};

// The most elements one array may hold.
inline constexpr int64_t kMaxArrayElements = int64_t{1} << 22;

// Number parsing and printing as the conversion functions use them.
// Parses a whole string as a number (blanks around allowed, "&H" hex); false when it is none.
bool ParseNumber(std::string_view text, double& out);
// The leading number of a text as Val reads it (0 when there is none).
double LeadingNumber(std::string_view text);
// A number as CStr writes it: integers plainly, others with up to 15 significant digits.
std::string FormatNumber(double value);
// Rounds half to even, as CInt and CLng do.
double RoundHalfEven(double value);

// Windows-1252 case mapping.
char UpperChar(char c);
char LowerChar(char c);
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);

}  // namespace basic
