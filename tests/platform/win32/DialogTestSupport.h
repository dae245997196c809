#pragma once
// Dialog templates written in the layout the resource compiler stores, and a script of what the
// user does while a modal loop waits for input.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/Dialog.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowMessages.h"

class DialogTemplateWriter {
 public:
  void Word(uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Long(uint32_t value) {
    Word(static_cast<uint16_t>(value));
    Word(static_cast<uint16_t>(value >> 16));
  }
  void Text(const std::string& text) {
    for (char c : text)
      Word(static_cast<uint8_t>(c));
    Word(0);
  }
  void Align() {
    while (bytes.size() % 4 != 0)
      bytes.push_back(0);
  }
  // A dialog of `cx` by `cy` units; with a face, the template names its font.
  void Header(uint32_t style, uint16_t count, const std::string& title, int16_t cx = 160,
              int16_t cy = 80, const std::string& face = "", uint16_t points = 0) {
    Long(style | (face.empty() ? 0 : DS_SETFONT));
    Long(0);
    Word(count);
    for (int16_t value : {int16_t{10}, int16_t{10}, cx, cy})
      Word(static_cast<uint16_t>(value));
    Word(0);  // no menu
    Word(0);  // the standard class
    Text(title);
    if (!face.empty()) {
      Word(points);
      Text(face);
    }
  }
  void Item(uint32_t style, uint16_t id, uint16_t classOrdinal, const std::string& text, int16_t x,
            int16_t y, int16_t cx = 40, int16_t cy = 12) {
    Align();
    Long(style | WS_CHILD | WS_VISIBLE);
    Long(0);
    for (int16_t value : {x, y, cx, cy})
      Word(static_cast<uint16_t>(value));
    Word(id);
    Word(0xFFFF);
    Word(classOrdinal);
    Text(text);
    Word(0);
  }
  uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
  std::vector<uint8_t> bytes;
};

inline constexpr uint16_t kButtonOrdinal = 0x80;
inline constexpr uint16_t kEditOrdinal = 0x81;
inline constexpr uint16_t kStaticOrdinal = 0x82;

// Runs each step when the layer waits for input, as a user acts while a modal loop runs.
inline void ScriptUser(std::deque<std::function<void()>> steps) {
  SetIdleScript([steps = std::move(steps)]() mutable {
    if (steps.empty()) return false;
    steps.front()();
    steps.pop_front();
    return true;
  });
}
