#pragma once
// Reading a dialog template (DIALOG resources as the resource compiler stores them): every count
// and text is checked against the template's size; and writing one, for the layer's own dialogs
// that are laid out in code. Not for code outside the layer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/WindowTypes.h"

// A name field of a template: an ordinal or a text.
struct NameField {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  std::string text;
};

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint16_t id = 0;
  NameField windowClass;
  NameField title;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string title;
  // With DS_SETFONT: the font's size in points and its face.
  uint16_t pointSize = 0;
  std::string face;
  std::vector<DialogItem> items;
};

// Null when the template is malformed or cut short.
std::optional<DialogTemplate> ReadDialogTemplate(const uint8_t* bytes, uint32_t size);

// Class ordinals of a template's items.
inline constexpr uint16_t kTemplateButtonClass = 0x80;
inline constexpr uint16_t kTemplateEditClass = 0x81;
inline constexpr uint16_t kTemplateStaticClass = 0x82;

// A template in the layout of a DIALOG resource, written field by field.
class TemplateWriter {
 public:
  void Word(uint16_t value);
  void Long(uint32_t value);
  // A text as 16-bit characters with its terminating zero.
  void Text(const std::string& text);
  // One item, aligned to 4 bytes: a visible child of the class ordinal.
  void Item(uint32_t style, uint16_t id, uint16_t classOrdinal, const std::string& text, int16_t x,
            int16_t y, int16_t cx, int16_t cy);
  std::vector<uint8_t> bytes;
};
