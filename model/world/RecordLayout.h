#pragma once
// Where the values of each object of a world stand in a recorded frame: the layout the solver
// writes frames in (solver/stream/FrameLayout.h), worked out from the world's objects in the
// order they are handed to the solver.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "solver/stream/FrameLayout.h"

class TLink;

struct TRecordLayout {
  yb::stream::FrameLayout frame;
  // Each body's number (from 0) in stream order.
  std::unordered_map<const TLink*, int32_t> bodyNumber;
  // Where each object's element values start among all recorded values, and how many there are.
  struct Recorded {
    int64_t start = 0;
    int32_t count = 0;
  };
  std::unordered_map<const TLink*, Recorded> recorded;

  // The objects in stream order (the world first). Bodies record the full state unless every
  // body wants its position alone.
  static TRecordLayout Of(const std::vector<TLink*>& objects);
  // Where the values of the body start in a frame; -1 for no body of the layout.
  int64_t BodyOffset(const TLink* object) const;
  // Where the element values of the object start in a frame; -1 for no object of the layout.
  int64_t RecordedOffset(const TLink* object) const;
  // How many element values the object records (0 for no object of the layout).
  int32_t RecordedCount(const TLink* object) const;
};
