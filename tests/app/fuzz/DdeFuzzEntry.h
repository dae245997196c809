#pragma once
// The script service fuzz check, shared by the libFuzzer entry and the replay test: the bytes are
// read as a stream of conversation frames, and the text of every execute among them is given to
// the service's script buffer.

#include <cstddef>
#include <cstdint>

struct DdeFuzzReach {
  int frames = 0;     // whole frames read
  bool bad = false;   // the stream ended with a bad frame
  int executes = 0;   // execute frames among them
  int scripts = 0;    // whole scripts the buffer gathered
  int refused = 0;    // texts the buffer refused
  int broken = 0;     // promises broken (must stay 0)
};

DdeFuzzReach DdeFuzzRead(const uint8_t* data, size_t size);
