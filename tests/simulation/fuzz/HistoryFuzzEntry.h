#pragma once
// The stored-history fuzz check, shared by the libFuzzer entry and the replay test: the bytes are
// loaded as a history store's stored block, and read as a document into a world whose blocks
// (its settings, its history store and cursors) they hold.

#include <cstddef>
#include <cstdint>
#include <vector>

struct HistoryFuzzReach {
  bool rawLoaded = false;    // the history store took the bytes as a stored block
  bool documentRead = false;  // the document was read to its end
  bool historyRead = false;  // the world took a history from it
  int frames = 0;            // frames of the world's history
  int cursors = 0;           // cursors of the world's history
  int broken = 0;            // promises broken (must stay 0)
};

// Needs the set-up of HistoryFuzzSetup (handle pool, classes, class table, world bridge).
HistoryFuzzReach HistoryFuzzRead(const uint8_t* data, size_t size);

// A world holding a history written as a document, as the seeds are made: frames of two values
// (f * 100 + v), the cursors given; with primitives, the history goes into the older block form.
std::vector<uint8_t> HistoryDocument(int32_t frames, int32_t cursors, bool primitives);

class HistoryFuzzSetup {
 public:
  HistoryFuzzSetup();
  ~HistoryFuzzSetup();
  HistoryFuzzSetup(const HistoryFuzzSetup&) = delete;
  HistoryFuzzSetup& operator=(const HistoryFuzzSetup&) = delete;
};
