#include "platform/display/KeyboardSync.h"

std::vector<KeyboardSync::Change> KeyboardSync::FromDisplay(int32_t key, bool down) {
  releases_.erase(key);
  std::vector<Change> out = Settle();
  if (down)
    down_.insert(key);
  else
    down_.erase(key);
  out.push_back({key, down});
  return out;
}

void KeyboardSync::MadeUp(int32_t key, bool down) {
  if (down)
    releases_.erase(key);
  else if (down_.contains(key))
    releases_.insert(key);
}

std::vector<KeyboardSync::Change> KeyboardSync::BeforePointer() { return Settle(); }

std::vector<KeyboardSync::Change> KeyboardSync::Settle() {
  std::vector<Change> out;
  for (const int32_t key : releases_) {
    down_.erase(key);
    out.push_back({key, false});
  }
  releases_.clear();
  return out;
}
