#pragma once
// Reads the native object stream into a StreamWorld: the 8-byte header, then objects, each its
// 16-bit identifier, its blocks (16-bit code, 32-bit length, contents) and the code -1. Blocks
// the solver does not use are skipped by their length. Every length and count is checked against
// the bytes that remain, every identifier named must be an object of the stream, and a stream
// that breaks any of these rules is refused with StreamError.

#include <cstdint>

#include "solver/stream/StreamWorld.h"

namespace yb::stream {

StreamWorld ReadStream(const uint8_t* bytes, int64_t count);

}  // namespace yb::stream
