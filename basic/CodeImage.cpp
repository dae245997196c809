// Compiled code as bytes: a header (magic, format version, payload size, checksum) and the
// image's tables. Reading checks every length against what remains and every index against its
// table, then verifies each procedure's code, so damaged or hostile bytes are refused, never run.

#include <cstring>

#include "basic/Builtins.h"
#include "basic/Bytecode.h"

namespace basic {

namespace {

constexpr char kMagic[4] = {'Y', 'B', 'B', 'C'};
constexpr size_t kHeaderSize = 16;

[[noreturn]] void Damaged(const char* why) {
  throw ScriptError{1, std::string("Compiled code is damaged: ") + why};
}

uint32_t Checksum(const uint8_t* data, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

class Writer {
 public:
  void U8(uint8_t v) { bytes.push_back(v); }
  void I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void F64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
  }
  void Slot(const SlotInfo& slot) {
    U8(static_cast<uint8_t>(slot.type));
    I32(slot.classRef);
    U8(slot.isArray ? 1 : 0);
    I32(static_cast<int32_t>(slot.bounds.size()));
    for (const auto& [lower, upper] : slot.bounds) I32(lower), I32(upper);
  }
  std::vector<uint8_t> bytes;
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() {
    Need(1);
    return data_[pos_++];
  }
  int32_t I32() {
    Need(4);
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(data_[pos_++]) << (8 * i);
    return static_cast<int32_t>(u);
  }
  double F64() {
    Need(8);
    uint64_t u = 0;
    for (int i = 0; i < 8; ++i) u |= static_cast<uint64_t>(data_[pos_++]) << (8 * i);
    double v;
    std::memcpy(&v, &u, 8);
    return v;
  }
  // A count of items of at least `itemSize` bytes each, checked against what remains.
  size_t Count(size_t itemSize) {
    const int32_t n = I32();
    if (n < 0 || static_cast<size_t>(n) > (size_ - pos_) / itemSize) Damaged("a count exceeds the data");
    return static_cast<size_t>(n);
  }
  std::string Str() {
    const size_t n = Count(1);
    std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  SlotInfo Slot() {
    SlotInfo slot;
    slot.type = static_cast<VType>(U8());
    slot.classRef = I32();
    slot.isArray = U8() != 0;
    const size_t n = Count(8);
    for (size_t i = 0; i < n; ++i) {
      const int32_t lower = I32();
      slot.bounds.emplace_back(lower, I32());
    }
    return slot;
  }
  bool AtEnd() const { return pos_ == size_; }

 private:
  void Need(size_t n) const {
    if (size_ - pos_ < n) Damaged("it ends too early");
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<uint8_t> WriteImage(const CodeImage& image) {
  Writer w;
  w.I32(static_cast<int32_t>(image.constants.size()));
  for (const Value& c : image.constants) {
    w.U8(static_cast<uint8_t>(c.type()));
    if (c.type() == VType::kDouble) w.F64(c.RawDouble());
    else if (c.type() == VType::kString) w.Str(c.RawString());
    else if (c.type() != VType::kEmpty) w.I32(c.RawInt());
  }
  w.I32(static_cast<int32_t>(image.names.size()));
  for (const std::string& s : image.names) w.Str(s);
  w.I32(static_cast<int32_t>(image.classNames.size()));
  for (const std::string& s : image.classNames) w.Str(s);
  w.I32(static_cast<int32_t>(image.hostGlobals.size()));
  for (int32_t g : image.hostGlobals) w.I32(g);
  w.I32(static_cast<int32_t>(image.globals.size()));
  for (const SlotInfo& slot : image.globals) w.Slot(slot);
  w.I32(static_cast<int32_t>(image.procs.size()));
  for (const ProcInfo& p : image.procs) {
    w.Str(p.name);
    w.U8(p.isFunction ? 1 : 0);
    w.I32(p.paramCount);
    w.I32(static_cast<int32_t>(p.byRef.size()));
    for (uint8_t b : p.byRef) w.U8(b);
    w.I32(static_cast<int32_t>(p.locals.size()));
    for (const SlotInfo& slot : p.locals) w.Slot(slot);
    w.I32(p.resultSlot);
    w.I32(p.codeStart);
    w.I32(p.codeEnd);
    w.I32(static_cast<int32_t>(p.statements.size()));
    for (int32_t s : p.statements) w.I32(s);
  }
  w.I32(static_cast<int32_t>(image.sites.size()));
  for (const MemberSite& s : image.sites) w.I32(s.name), w.I32(s.argc), w.U8(s.wantResult ? 1 : 0);
  w.I32(static_cast<int32_t>(image.loops.size()));
  for (const LoopInfo& l : image.loops) w.I32(l.var), w.I32(l.hidden);
  w.I32(static_cast<int32_t>(image.code.size()));
  for (const Instr& in : image.code) w.U8(static_cast<uint8_t>(in.op)), w.I32(in.a), w.I32(in.b);
  for (int32_t line : image.lines) w.I32(line);
  return SealImage(w.bytes);
}

std::vector<uint8_t> SealImage(const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out(kMagic, kMagic + 4);
  Writer header;
  header.I32(kImageFormat);
  header.I32(static_cast<int32_t>(payload.size()));
  header.I32(static_cast<int32_t>(Checksum(payload.data(), payload.size())));
  out.insert(out.end(), header.bytes.begin(), header.bytes.end());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

CodeImage ReadImage(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < kHeaderSize || std::memcmp(bytes, kMagic, 4) != 0)
    Damaged("it is not compiled script code");
  Reader header(bytes + 4, kHeaderSize - 4);
  const int32_t format = header.I32();
  if (format != kImageFormat)
    throw ScriptError{2, "Compiled code is from another engine version; compile the script again"};
  const int32_t payload = header.I32();
  const auto checksum = static_cast<uint32_t>(header.I32());
  if (payload < 0 || static_cast<size_t>(payload) != size - kHeaderSize) Damaged("its size is wrong");
  if (Checksum(bytes + kHeaderSize, size - kHeaderSize) != checksum) Damaged("its checksum is wrong");

  Reader r(bytes + kHeaderSize, size - kHeaderSize);
  CodeImage image;
  for (size_t n = r.Count(1); n > 0; --n) {
    const auto type = static_cast<VType>(r.U8());
    switch (type) {
      case VType::kEmpty: image.constants.emplace_back(); break;
      case VType::kInteger: image.constants.push_back(Value::Integer(static_cast<int16_t>(r.I32()))); break;
      case VType::kLong: image.constants.push_back(Value::Long(r.I32())); break;
      case VType::kBoolean: image.constants.push_back(Value::Boolean(r.I32() != 0)); break;
      case VType::kDouble: image.constants.push_back(Value::Double(r.F64())); break;
      case VType::kString: image.constants.push_back(Value::String(r.Str())); break;
      default: Damaged("a constant has no known type");
    }
  }
  for (size_t n = r.Count(4); n > 0; --n) image.names.push_back(r.Str());
  for (size_t n = r.Count(4); n > 0; --n) image.classNames.push_back(r.Str());
  for (size_t n = r.Count(4); n > 0; --n) image.hostGlobals.push_back(r.I32());
  for (size_t n = r.Count(10); n > 0; --n) image.globals.push_back(r.Slot());
  for (size_t n = r.Count(29); n > 0; --n) {
    ProcInfo p;
    p.name = r.Str();
    p.isFunction = r.U8() != 0;
    p.paramCount = r.I32();
    for (size_t k = r.Count(1); k > 0; --k) p.byRef.push_back(r.U8());
    for (size_t k = r.Count(10); k > 0; --k) p.locals.push_back(r.Slot());
    p.resultSlot = r.I32();
    p.codeStart = r.I32();
    p.codeEnd = r.I32();
    for (size_t k = r.Count(4); k > 0; --k) p.statements.push_back(r.I32());
    image.procs.push_back(std::move(p));
  }
  for (size_t n = r.Count(9); n > 0; --n) {
    MemberSite s;
    s.name = r.I32();
    s.argc = r.I32();
    s.wantResult = r.U8() != 0;
    image.sites.push_back(s);
  }
  for (size_t n = r.Count(8); n > 0; --n) {
    LoopInfo l;
    l.var = r.I32();
    l.hidden = r.I32();
    image.loops.push_back(l);
  }
  const size_t count = r.Count(13);
  for (size_t n = count; n > 0; --n) {
    Instr in;
    in.op = static_cast<Op>(r.U8());
    in.a = r.I32();
    in.b = r.I32();
    image.code.push_back(in);
  }
  for (size_t n = count; n > 0; --n) image.lines.push_back(r.I32());
  if (!r.AtEnd()) Damaged("there are bytes after the code");
  VerifyImage(image);
  return image;
}

}  // namespace basic
