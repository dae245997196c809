#pragma once
// The list of a popup item as the object selector of the property dialogs fills and reads it:
// entries are texts, one of which is chosen (indexes from 0).

#include <cstdint>

#include "core/PString.h"

class TEntryList {
 public:
  virtual void ClearEntries() = 0;
  // A marked entry is shown as the current one.
  virtual void AppendEntry(const Str255& text, bool marked) = 0;
  virtual void InsertEntry(const Str255& text, int32_t index) = 0;
  virtual int32_t EntryCount() const = 0;
  virtual void SelectEntry(int32_t index) = 0;
  // The chosen entry, or -1.
  virtual int32_t CurrentEntry() const = 0;
  virtual Str255 EntryText(int32_t index) const = 0;
  virtual void RedrawEntries() = 0;

 protected:
  ~TEntryList() = default;
};
