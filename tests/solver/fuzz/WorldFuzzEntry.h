#pragma once
// The world stream fuzz check, shared by the libFuzzer entry and the replay test: the bytes are
// read as a world's native stream and, when the solver takes them, run for a few frames.

#include <cstddef>
#include <cstdint>

struct WorldFuzzReach {
  bool accepted = false;  // read_world took the stream
  int frames = 0;         // frames written into the history block
  int failedRuns = 0;     // run calls that stopped with an error of the mechanics or a formula
  int broken = 0;         // promises broken (must stay 0)
};

WorldFuzzReach WorldFuzzRead(const uint8_t* data, size_t size);
