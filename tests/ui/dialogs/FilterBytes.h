#pragma once
// Builds the bytes of "fltr" item records for the dialog tests.

#include <cstdint>
#include <string>
#include <vector>

class FilterBytes {
 public:
  FilterBytes& Word(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
    return *this;
  }
  FilterBytes& Long(uint32_t value) {
    Word(static_cast<uint16_t>(value & 0xFFFF));
    return Word(static_cast<uint16_t>(value >> 16));
  }
  FilterBytes& Tag(const char (&tag)[5]) {
    bytes_.insert(bytes_.end(), tag, tag + 4);
    return *this;
  }
  FilterBytes& Text(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
    return *this;
  }
  // Header word, attach flag, item number, style, left, top, right, bottom, text, then the four
  // layout values.
  FilterBytes& Record(uint16_t attach, int16_t item, uint32_t style, int16_t left, int16_t top,
                      int16_t right, int16_t bottom, const std::string& text,
                      uint16_t growsH = 0, uint16_t growsV = 0, uint16_t shown = 1) {
    Word(0).Word(attach).Word(static_cast<uint16_t>(item)).Long(style);
    Word(static_cast<uint16_t>(left)).Word(static_cast<uint16_t>(top));
    Word(static_cast<uint16_t>(right)).Word(static_cast<uint16_t>(bottom));
    Text(text);
    return Word(growsH).Word(growsV).Word(0).Word(shown);
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};
