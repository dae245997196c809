#pragma once
// Menu properties: a tag whose value is one entry of a list that the object itself offers (the
// inputs it can be linked with, say), shown by a popup of a property dialog. The object fills
// the entries, each a text that may be checked, and says which one is chosen; setting the
// property hands it back the text of the entry the user chose. An object offers menus by
// deriving from TMenuProperties beside its link class.

#include <cstdint>
#include <vector>

#include "core/PString.h"

struct TMenuEntry {
  Str255 text;
  bool checked = false;
};

class TMenuProperties {
 public:
  // 1 when the object has a menu for the tag: entries replaced by its entries, chosen the index
  // of the chosen one (-1 for none), and the 16-bit flag behind extra (when given) cleared when
  // the menu cannot be used now. 0 leaves everything alone.
  virtual uint16_t GetMenuProperty(uint32_t tag, std::vector<TMenuEntry>& entries,
                                   int16_t& chosen, void* extra) = 0;
  // The entry of the text becomes the chosen one; tags without a menu are ignored.
  virtual void SetMenuProperty(uint32_t tag, const Str255& text) = 0;

 protected:
  ~TMenuProperties() = default;
};
