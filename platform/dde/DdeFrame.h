#pragma once
// The frames that carry a conversation over a socket: a 32-bit little-endian length of what
// follows, then a type byte and the type's fields. A frame longer than the bound, of an unknown
// type, or whose fields do not fill it exactly is bad: the conversation ends.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class DdeFrameType : uint8_t {
  kConnect = 1,     // names asked for; either may be absent (a wildcard)
  kConnected = 2,   // the names the conversation has
  kRefused = 3,
  kExecute = 4,     // the command bytes
  kAck = 5,         // the 32-bit answer flags of the last execute
  kDisconnect = 6,
  kPoke = 7,        // the item, the format and the bytes
  kRequest = 8,     // the item and the format asked for
  kData = 9,        // the answer of a request: whether there is data, its format and bytes
};

struct DdeFrame {
  DdeFrameType type = DdeFrameType::kDisconnect;
  bool hasService = false;
  bool hasTopic = false;
  std::string service;
  std::string topic;
  std::string item;
  uint32_t format = 0;
  std::string formatName;  // a registered format travels by its name, as numbers differ by process
  std::vector<uint8_t> data;
  uint32_t result = 0;

  static DdeFrame Of(DdeFrameType type) {
    DdeFrame frame;
    frame.type = type;
    return frame;
  }
  // A connect or connected frame; an empty name pointer is an absent name.
  static DdeFrame Names(DdeFrameType type, const std::string* service, const std::string* topic) {
    DdeFrame frame = Of(type);
    frame.hasService = service != nullptr;
    frame.hasTopic = topic != nullptr;
    if (service != nullptr) frame.service = *service;
    if (topic != nullptr) frame.topic = *topic;
    return frame;
  }
};

// The bound of a frame's length (type byte and fields); names are at most 255 bytes.
inline constexpr uint32_t kMaxDdeFrameLength = 1u << 20;
inline constexpr size_t kMaxDdeNameLength = 255;

enum class DdeFrameStatus { kIncomplete, kComplete, kBad };

// The bytes of a frame. Names longer than 255 bytes and data past the bound are cut.
std::vector<uint8_t> EncodeDdeFrame(const DdeFrame& frame);
// Reads one frame from the start of `bytes`; on kComplete `used` is its length in bytes.
DdeFrameStatus DecodeDdeFrame(const uint8_t* bytes, size_t size, DdeFrame* frame, size_t* used);
