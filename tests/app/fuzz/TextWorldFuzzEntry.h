#pragma once
// The text world fuzz check, shared by the libFuzzer entry and the replay test: the bytes are
// read as a text world into a new document's world; what is read is then saved as a document,
// and the saved document read back.

#include <cstddef>
#include <cstdint>

struct TextWorldReach {
  bool read = false;        // the text was read to its end
  int objects = 0;          // objects it made
  int tables = 0;           // of them, point tables with points
  int springs = 0;          // of them, springs
  bool historyRead = false;  // the world took a history from it
  bool saved = false;       // the world was saved and the document read back
  int broken = 0;           // promises broken (must stay 0)
};

// Needs the program's resources and units set up (TextWorldFuzzSetup).
TextWorldReach TextWorldFuzzRead(const uint8_t* data, size_t size);

class TextWorldFuzzSetup {
 public:
  TextWorldFuzzSetup();
  ~TextWorldFuzzSetup();
  TextWorldFuzzSetup(const TextWorldFuzzSetup&) = delete;
  TextWorldFuzzSetup& operator=(const TextWorldFuzzSetup&) = delete;
};
