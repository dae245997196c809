#include "simulation/HistoryStore.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/Failure.h"
#include "model/filing/DocumentFormat.h"

namespace {

constexpr int32_t kTrailerBytes = 24;
constexpr int kHeaderWords = kHistoryHeaderBytes / 4;
constexpr uint64_t kLargestBlock = 0x7FFFFFFF;

uint64_t LoadBig64(const uint8_t* bytes) {
  return static_cast<uint64_t>(LoadBig32(bytes)) << 32 | LoadBig32(bytes + 4);
}

void StoreBig64(uint8_t* bytes, uint64_t value) {
  StoreBig32(bytes, static_cast<uint32_t>(value >> 32));
  StoreBig32(bytes + 4, static_cast<uint32_t>(value));
}

void Reverse(uint8_t* bytes, size_t n) {
  std::reverse(bytes, bytes + n);
}

RealWidth WidthOf(HistoryFloatFormat format) {
  switch (format) {
    case HistoryFloatFormat::kSingle:
      return RealWidth::k32;
    case HistoryFloatFormat::kDouble:
      return RealWidth::k64;
    case HistoryFloatFormat::kExtended:
      return RealWidth::k80;
    case HistoryFloatFormat::kPadded:
      return RealWidth::k96;
  }
  return RealWidth::k64;
}

}  // namespace

bool FloatFormatFromBits(int32_t code, HistoryFloatFormat& format) {
  switch (code) {
    case 4:
    case 32:
      format = HistoryFloatFormat::kSingle;
      return true;
    case 64:
      format = HistoryFloatFormat::kDouble;
      return true;
    case 80:
      format = HistoryFloatFormat::kExtended;
      return true;
    case 96:
      format = HistoryFloatFormat::kPadded;
      return true;
    default:
      return false;
  }
}

// ---- Cursors ----

void THistoryCursor::Reset() {
  index = 0;
  object = nullptr;
  ownerId = 0;
}

void THistoryCursor::Position(const THistoryStore& store, int32_t frame, int32_t offset) {
  store_ = &store;
  frame_ = frame;
  offset_ = offset;
}

double THistoryCursor::Value() const {
  return store_ != nullptr ? store_->GetValue(frame_, offset_) : kHistoryNoValue;
}

double ReadHistoryValue(const THistoryCursor& cursor) {
  return cursor.Value();
}

double ReadHistoryValueAndAdvance(THistoryCursor& cursor) {
  const double value = cursor.Value();
  cursor.Next();
  return value;
}

// ---- The store ----

THistoryStore::THistoryStore() {
  block_ = AllocHandle(kHistoryHeaderBytes);
  std::memset(HandleData(block_), 0, kHistoryHeaderBytes);
  SetHeaderWord(kHistoryWordFloatSize, kHistoryFloatSize);
  SetFrameCount(0);
}

THistoryStore::~THistoryStore() {
  if (block_ == nullptr) return;
  UnlockHandle(block_);
  FreeHandle(block_);
}

uint32_t THistoryStore::GetBlockSize() const {
  return GetHandleByteSize(block_);
}

int32_t THistoryStore::HeaderWord(int word) const {
  int32_t value = 0;
  if (word < 0 || word >= kHeaderWords) return 0;
  std::memcpy(&value, HandleData(block_) + 4 * word, 4);
  return value;
}

void THistoryStore::SetHeaderWord(int word, int32_t value) {
  if (word < 0 || word >= kHeaderWords) return;
  std::memcpy(HandleData(block_) + 4 * word, &value, 4);
}

double THistoryStore::GetTimeStep() const {
  double step = 0.0;
  std::memcpy(&step, HandleData(block_) + 4 * kHistoryWordTimeStep, 8);
  return step;
}

void THistoryStore::SetTimeStep(double seconds) {
  std::memcpy(HandleData(block_) + 4 * kHistoryWordTimeStep, &seconds, 8);
}

int32_t THistoryStore::GetFirstFrame() const {
  const int32_t mark = GetMark();
  const int32_t count = GetFrameCount();
  return mark > 0 && mark < count ? count - mark + 1 : 0;
}

int32_t THistoryStore::SlotOf(int32_t frame) const {
  const int32_t mark = GetMark();
  if (mark <= 0 || frame == 0) return frame;
  return 1 + (frame - 1) % mark;
}

int32_t THistoryStore::SlotsInUse() const {
  const int32_t count = std::max(GetFrameCount(), 0);
  const int32_t mark = GetMark();
  return mark > 0 ? std::min(count, mark + 1) : count;
}

uint64_t THistoryStore::BytesForSlots(int64_t slots) const {
  const auto values = static_cast<uint64_t>(std::max(GetValuesPerFrame(), 0));
  return static_cast<uint64_t>(std::max<int64_t>(slots, 0)) * values * sizeof(double);
}

int32_t THistoryStore::SlotCapacity() const {
  const uint64_t frameBytes = BytesForSlots(1);
  if (frameBytes == 0) return std::numeric_limits<int32_t>::max();
  const uint64_t capacity = (GetBlockSize() - kHistoryHeaderBytes) / frameBytes;
  return static_cast<int32_t>(std::min<uint64_t>(capacity, std::numeric_limits<int32_t>::max()));
}

bool THistoryStore::HoldsFrame(int32_t frame) const {
  if (frame < 0 || frame >= GetFrameCount()) return false;
  if (frame != 0 && frame < GetFirstFrame()) return false;
  const uint64_t end = kHistoryHeaderBytes + BytesForSlots(int64_t{SlotOf(frame)} + 1);
  return end <= GetBlockSize();
}

int64_t THistoryStore::ValueOffset(int32_t frame, int32_t index) const {
  if (!HoldsFrame(frame) || bigEndianSlots_ >= 0) return -1;
  if (index < 0 || index >= GetValuesPerFrame()) return -1;
  return static_cast<int64_t>(kHistoryHeaderBytes + BytesForSlots(SlotOf(frame))) +
         int64_t{index} * 8;
}

double THistoryStore::GetValue(int32_t frame, int32_t index) const {
  const int64_t offset = ValueOffset(frame, index);
  if (offset < 0) return kHistoryNoValue;
  double value = 0.0;
  std::memcpy(&value, HandleData(block_) + offset, sizeof value);
  return value;
}

bool THistoryStore::SetValue(int32_t frame, int32_t index, double value) {
  const int64_t offset = ValueOffset(frame, index);
  if (offset < 0) return false;
  std::memcpy(HandleData(block_) + offset, &value, sizeof value);
  return true;
}

void THistoryStore::Resize(uint32_t bytes) {
  const bool wasLocked = IsHandleLocked(block_);
  ResizeHandle(block_, std::max<uint32_t>(bytes, kHistoryHeaderBytes));
  if (wasLocked) LockHandle(block_);
}

void THistoryStore::SetFrameCount(int32_t count) {
  count = std::max(count, 0);
  const int32_t mark = GetMark();
  const int64_t slots = mark > 0 ? std::min<int64_t>(count, int64_t{mark} + 1) : count;
  const uint64_t data = std::max<uint64_t>(
      BytesForSlots(std::max<int64_t>(slots, kHistoryMinimumFrames)), kHistoryMinimumDataBytes);
  if (data + kHistoryHeaderBytes > kLargestBlock) ThrowFailure(kErrOutOfMemory, 0);
  Resize(static_cast<uint32_t>(data + kHistoryHeaderBytes));
  SetHeaderWord(kHistoryWordFrameCount, count);
  if (currentFrame_ >= count) currentFrame_ = static_cast<int16_t>(count - 1);
}

void THistoryStore::MakeRoom() {
  if (IsMemoryLow()) ThrowFailure(kErrOutOfMemory, 0);
  const uint64_t increment =
      std::max<uint64_t>(kHistoryMinimumDataBytes, BytesForSlots(kHistoryMinimumFrames));
  const uint64_t size = uint64_t{GetBlockSize()} + increment;
  if (size > kLargestBlock) ThrowFailure(kErrOutOfMemory, 0);
  Resize(static_cast<uint32_t>(size));
}

void THistoryStore::SetValuesPerFrame(int32_t count) {
  SetHeaderWord(kHistoryWordValuesPerFrame, std::max(count, 0));
}

void THistoryStore::SetMark(bool set) {
  SetHeaderWord(kHistoryWordMark, set ? std::max(GetFrameCount() - 1, 0) : 0);
}

int16_t THistoryStore::SetReadMode(int16_t mode) {
  const int16_t previous = readMode_;
  readMode_ = mode;
  return previous;
}

THistoryCursor& THistoryStore::PositionAtFrame(int32_t frame) {
  cursor_.Position(*this, frame, 0);
  return cursor_;
}

bool THistoryStore::Lock() {
  const bool wasLocked = IsHandleLocked(block_);
  LockHandle(block_);
  return wasLocked;
}

void THistoryStore::RestoreLock(bool wasLocked) {
  if (!wasLocked) UnlockHandle(block_);
}

void THistoryStore::PrepareForLoadedBlock() {
  SetHeaderWord(kHistoryWordMark, 0);
  SetFrameCount(0);
  currentFrame_ = -1;
  cursors_.clear();
}

std::vector<uint8_t> THistoryStore::RawBlock() const {
  const uint64_t data = BytesForSlots(SlotsInUse());
  std::vector<uint8_t> raw(kHistoryHeaderBytes + data + kTrailerBytes, 0);
  for (int word = 0; word < kHeaderWords; ++word) {
    if (word == kHistoryWordTimeStep || word == kHistoryWordTimeStep + 1) continue;
    StoreBig32(&raw[4 * word], static_cast<uint32_t>(HeaderWord(word)));
  }
  StoreBig64(&raw[4 * kHistoryWordTimeStep], std::bit_cast<uint64_t>(GetTimeStep()));
  const char* values = HandleData(block_) + kHistoryHeaderBytes;
  for (uint64_t at = 0; at < data; at += 8) {
    uint64_t bits = 0;
    std::memcpy(&bits, values + at, 8);
    StoreBig64(&raw[kHistoryHeaderBytes + at], bits);
  }
  uint8_t* trailer = raw.data() + kHistoryHeaderBytes + data;
  StoreBig32(trailer + 8, static_cast<uint32_t>(int32_t{ownField_}));
  StoreBig32(trailer + 12, static_cast<uint32_t>(GetValuesPerFrame()));
  StoreBig32(trailer + 16, static_cast<uint32_t>(GetFrameCount()));
  StoreBig32(trailer + 20, static_cast<uint32_t>(GetFloatSizeCode()));
  return raw;
}

int16_t THistoryStore::LoadRawBlock(std::span<const uint8_t> bytes) {
  if (bytes.size() < static_cast<size_t>(kHistoryHeaderBytes + kTrailerBytes)) return kErrBadFormat;
  const uint8_t* end = bytes.data() + bytes.size();
  HistoryFloatFormat format = HistoryFloatFormat::kDouble;
  if (!FloatFormatFromBits(static_cast<int32_t>(LoadBig32(end - 4)), format)) return kErrTextFormat;
  const auto frames = static_cast<int32_t>(LoadBig32(end - 8));
  const auto values = static_cast<int32_t>(LoadBig32(end - 12));
  const auto own = static_cast<int32_t>(LoadBig32(end - 16));
  const auto mark = static_cast<int32_t>(LoadBig32(bytes.data() + 4 * kHistoryWordMark));
  if (frames < 0 || values < 0 || mark < 0) return kErrBadFormat;
  // The values held: every frame, or frame 0 and the ring of a marked history. Both counts come
  // from the file, so their products are taken in 128 bits: nothing a file holds can wrap them.
  const int64_t slots = mark > 0 ? std::min<int64_t>(frames, int64_t{mark} + 1) : frames;
  const size_t width = RealWidthBytes(WidthOf(format));
  const unsigned __int128 count =
      static_cast<unsigned __int128>(slots) * static_cast<unsigned __int128>(values);
  if (count * width != bytes.size() - kHistoryHeaderBytes - kTrailerBytes) return kErrBadFormat;
  if (count * 8 + kHistoryHeaderBytes > kLargestBlock) return kErrBadFormat;
  const auto data = static_cast<uint32_t>(count * 8);

  // The new block is made whole beside the present one and takes its place only when it is
  // complete, so a block that is refused (or memory that runs out) leaves the store as it was.
  // It holds what was stored and the minimum room, never room for frames that were not stored.
  const uint32_t size =
      kHistoryHeaderBytes + std::max<uint32_t>(data, static_cast<uint32_t>(kHistoryMinimumDataBytes));
  Handle block = AllocHandle(size);
  char* target = HandleData(block);
  std::memset(target, 0, size);
  for (int word = 0; word < kHeaderWords; ++word) {
    if (word == kHistoryWordTimeStep || word == kHistoryWordTimeStep + 1) continue;
    const auto value = static_cast<int32_t>(LoadBig32(bytes.data() + 4 * word));
    std::memcpy(target + 4 * word, &value, 4);
  }
  const auto put = [target](int word, int32_t value) { std::memcpy(target + 4 * word, &value, 4); };
  put(kHistoryWordFloatSize, kHistoryFloatSize);
  put(kHistoryWordFrameCount, frames);
  put(kHistoryWordValuesPerFrame, values);
  put(kHistoryWordMark, mark);
  const double step = std::bit_cast<double>(LoadBig64(bytes.data() + 4 * kHistoryWordTimeStep));
  std::memcpy(target + 4 * kHistoryWordTimeStep, &step, sizeof step);
  const uint8_t* source = bytes.data() + kHistoryHeaderBytes;
  for (uint32_t at = 0; at < data; at += 8, source += width) {
    const double value = DecodeReal(std::span<const uint8_t>(source, width), WidthOf(format), true);
    std::memcpy(target + kHistoryHeaderBytes + at, &value, sizeof value);
  }

  if (IsHandleLocked(block_)) LockHandle(block);
  UnlockHandle(block_);
  FreeHandle(block_);
  block_ = block;
  bigEndianSlots_ = -1;
  currentFrame_ = -1;
  cursors_.clear();
  ownField_ = static_cast<int16_t>(own);
  return 0;
}

void THistoryStore::SwapBlockBytes() {
  auto* bytes = reinterpret_cast<uint8_t*>(HandleData(block_));
  for (int word = 0; word < kHeaderWords; ++word) {
    if (word == kHistoryWordTimeStep + 1) continue;
    if (word == kHistoryWordTimeStep) {
      Reverse(bytes + 4 * word, 8);
    } else {
      Reverse(bytes + 4 * word, 4);
    }
  }
  const uint64_t data = static_cast<uint64_t>(bigEndianSlots_) *
                        static_cast<uint64_t>(std::max(bigEndianValues_, 0)) * 8;
  for (uint64_t at = 0; at < data; at += 8)
    Reverse(bytes + kHistoryHeaderBytes + at, 8);
}

void THistoryStore::ConvertToBigEndian() {
  if (bigEndianSlots_ >= 0) return;
  bigEndianSlots_ = SlotsInUse();
  bigEndianValues_ = GetValuesPerFrame();
  SwapBlockBytes();
}

void THistoryStore::ConvertToHost() {
  if (bigEndianSlots_ < 0) return;
  SwapBlockBytes();
  bigEndianSlots_ = -1;
}
