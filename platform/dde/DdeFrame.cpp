#include "platform/dde/DdeFrame.h"

#include <algorithm>

namespace {

constexpr uint8_t kHasService = 1;
constexpr uint8_t kHasTopic = 2;

void PutU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetU32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutName(std::vector<uint8_t>& out, const std::string& name) {
  const size_t length = std::min(name.size(), kMaxDdeNameLength);
  PutU16(out, static_cast<uint16_t>(length));
  out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(length));
}

// A reader over the fields of one frame that never passes its end.
class FieldReader {
 public:
  FieldReader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool Byte(uint8_t* value) {
    if (size_ - at_ < 1) return false;
    *value = bytes_[at_++];
    return true;
  }
  bool Name(std::string* name) {
    if (size_ - at_ < 2) return false;
    const size_t length = bytes_[at_] | static_cast<size_t>(bytes_[at_ + 1]) << 8;
    at_ += 2;
    if (length > kMaxDdeNameLength || size_ - at_ < length) return false;
    name->assign(reinterpret_cast<const char*>(bytes_ + at_), length);
    at_ += length;
    return true;
  }
  bool U32(uint32_t* value) {
    if (size_ - at_ < 4) return false;
    *value = GetU32(bytes_ + at_);
    at_ += 4;
    return true;
  }
  void Rest(std::vector<uint8_t>* data) {
    data->assign(bytes_ + at_, bytes_ + size_);
    at_ = size_;
  }
  bool AtEnd() const { return at_ == size_; }

 private:
  const uint8_t* bytes_;
  size_t size_;
  size_t at_ = 0;
};

bool ReadNames(FieldReader& reader, DdeFrame* frame) {
  uint8_t flags = 0;
  if (!reader.Byte(&flags) || (flags & ~(kHasService | kHasTopic)) != 0) return false;
  frame->hasService = (flags & kHasService) != 0;
  frame->hasTopic = (flags & kHasTopic) != 0;
  if (!reader.Name(&frame->service) || !reader.Name(&frame->topic)) return false;
  // An absent name carries no bytes.
  return (frame->hasService || frame->service.empty()) && (frame->hasTopic || frame->topic.empty());
}

}  // namespace

std::vector<uint8_t> EncodeDdeFrame(const DdeFrame& frame) {
  std::vector<uint8_t> body;
  body.push_back(static_cast<uint8_t>(frame.type));
  switch (frame.type) {
    case DdeFrameType::kConnect:
    case DdeFrameType::kConnected:
      body.push_back(static_cast<uint8_t>((frame.hasService ? kHasService : 0) |
                                          (frame.hasTopic ? kHasTopic : 0)));
      PutName(body, frame.hasService ? frame.service : std::string());
      PutName(body, frame.hasTopic ? frame.topic : std::string());
      break;
    case DdeFrameType::kExecute: {
      const size_t length = std::min<size_t>(frame.data.size(), kMaxDdeFrameLength - 1);
      body.insert(body.end(), frame.data.begin(), frame.data.begin() + static_cast<std::ptrdiff_t>(length));
      break;
    }
    case DdeFrameType::kAck:
      PutU32(body, frame.result);
      break;
    case DdeFrameType::kPoke:
    case DdeFrameType::kRequest:
    case DdeFrameType::kData: {
      if (frame.type == DdeFrameType::kData) {
        PutU32(body, frame.result);
      } else {
        PutName(body, frame.item);
      }
      PutU32(body, frame.format);
      PutName(body, frame.formatName);
      if (frame.type == DdeFrameType::kRequest) break;
      const size_t length = std::min<size_t>(frame.data.size(), kMaxDdeFrameLength - 1 - body.size());
      body.insert(body.end(), frame.data.begin(), frame.data.begin() + static_cast<std::ptrdiff_t>(length));
      break;
    }
    case DdeFrameType::kRefused:
    case DdeFrameType::kDisconnect:
      break;
  }
  std::vector<uint8_t> out;
  out.reserve(body.size() + 4);
  PutU32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

DdeFrameStatus DecodeDdeFrame(const uint8_t* bytes, size_t size, DdeFrame* frame, size_t* used) {
  if (size < 4) return DdeFrameStatus::kIncomplete;
  const uint32_t length = GetU32(bytes);
  if (length == 0 || length > kMaxDdeFrameLength) return DdeFrameStatus::kBad;
  if (size - 4 < length) return DdeFrameStatus::kIncomplete;
  FieldReader reader(bytes + 4, length);
  uint8_t type = 0;
  reader.Byte(&type);
  *frame = DdeFrame{};
  frame->type = static_cast<DdeFrameType>(type);
  bool sound = false;
  switch (frame->type) {
    case DdeFrameType::kConnect:
    case DdeFrameType::kConnected:
      sound = ReadNames(reader, frame);
      break;
    case DdeFrameType::kExecute:
      reader.Rest(&frame->data);
      sound = true;
      break;
    case DdeFrameType::kAck:
      sound = reader.U32(&frame->result);
      break;
    case DdeFrameType::kPoke:
    case DdeFrameType::kRequest:
    case DdeFrameType::kData:
      sound = (frame->type == DdeFrameType::kData ? reader.U32(&frame->result)
                                                  : reader.Name(&frame->item)) &&
              reader.U32(&frame->format) && reader.Name(&frame->formatName);
      if (sound && frame->type != DdeFrameType::kRequest) reader.Rest(&frame->data);
      break;
    case DdeFrameType::kRefused:
    case DdeFrameType::kDisconnect:
      sound = true;
      break;
  }
  if (!sound || !reader.AtEnd()) return DdeFrameStatus::kBad;
  *used = 4 + static_cast<size_t>(length);
  return DdeFrameStatus::kComplete;
}
