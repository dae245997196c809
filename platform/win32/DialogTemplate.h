#pragma once
// Reading a dialog template (DIALOG resources as the resource compiler stores them): every count
// and text is checked against the template's size. Not for code outside the layer.

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
