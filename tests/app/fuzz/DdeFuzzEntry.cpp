#include "tests/app/fuzz/DdeFuzzEntry.h"

#include <string>

#include "app/services/DdeScriptService.h"
#include "platform/dde/DdeFrame.h"

DdeFuzzReach DdeFuzzRead(const uint8_t* data, size_t size) {
  DdeFuzzReach reach;
  TDdeScriptBuffer buffer;
  size_t at = 0;
  while (at < size) {
    DdeFrame frame;
    size_t used = 0;
    const DdeFrameStatus status = DecodeDdeFrame(data + at, size - at, &frame, &used);
    if (status == DdeFrameStatus::kBad) reach.bad = true;
    if (status != DdeFrameStatus::kComplete) break;
    if (used == 0 || used > size - at) ++reach.broken;
    if (used == 0 || used > size - at) break;
    at += used;
    ++reach.frames;
    // What was read writes back to the same bytes.
    if (EncodeDdeFrame(frame) != std::vector<uint8_t>(data + at - used, data + at)) ++reach.broken;
    if (frame.type != DdeFrameType::kExecute) continue;
    ++reach.executes;
    const std::string before = buffer.Text();
    const std::string text(frame.data.begin(), frame.data.end());
    int32_t length = static_cast<int32_t>(frame.data.size());
    int16_t error = 0;
    if (buffer.Extract(text.c_str(), &length, &error)) {
      ++reach.scripts;
      buffer.Clear();
    } else if (error != 0) {
      ++reach.refused;
      if (buffer.Text() != before) ++reach.broken;
    }
    if (buffer.Text().size() + 1 > TDdeScriptBuffer::kCapacity) ++reach.broken;
  }
  return reach;
}

#ifdef YB_DDE_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (DdeFuzzRead(data, size).broken != 0) __builtin_trap();
  return 0;
}
#endif
