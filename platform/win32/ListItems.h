#pragma once
// The items of a list box or a combo box: a text (when the control keeps texts) and a value of
// the program's own for each. Not for code outside the layer.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ListItem {
  std::string text;
  uintptr_t data = 0;
};

class ListItems {
 public:
  int32_t count() const { return static_cast<int32_t>(items_.size()); }
  bool Has(int32_t index) const { return index >= 0 && index < count(); }
  const ListItem& at(int32_t index) const { return items_[static_cast<size_t>(index)]; }
  ListItem& at(int32_t index) { return items_[static_cast<size_t>(index)]; }

  // Inserts before `index` (-1 or past the end: at the end); a control that keeps texts takes
  // the text, one that does not keeps the value. Answers the new item's index.
  int32_t Insert(int32_t index, intptr_t argument, bool keepsTexts) {
    ListItem item;
    if (keepsTexts) {
      item.text = argument ? reinterpret_cast<const char*>(argument) : "";
    } else {
      item.data = static_cast<uintptr_t>(argument);
    }
    if (index < 0 || index > count()) index = count();
    items_.insert(items_.begin() + index, std::move(item));
    return index;
  }
  bool Erase(int32_t index) {
    if (!Has(index)) return false;
    items_.erase(items_.begin() + index);
    return true;
  }
  void Clear() { items_.clear(); }

  // As Insert and Erase, with the control's selected index following its item (-1 when the
  // item goes).
  int32_t Insert(int32_t index, intptr_t argument, bool keepsTexts, int32_t& selected) {
    const int32_t at = Insert(index, argument, keepsTexts);
    if (selected >= at) ++selected;
    return at;
  }
  bool Erase(int32_t index, int32_t& selected) {
    if (!Erase(index)) return false;
    if (selected == index) selected = -1;
    if (selected > index) --selected;
    return true;
  }

  // The item queries list boxes and combo boxes answer alike. `error` is the control's answer
  // for an index without an item.
  // Copies the text with its terminator to `buffer`; answers the text's length.
  intptr_t CopyText(int32_t index, intptr_t buffer, intptr_t error) const {
    if (!Has(index) || !buffer) return error;
    const std::string& text = at(index).text;
    std::memcpy(reinterpret_cast<char*>(buffer), text.c_str(), text.size() + 1);
    return static_cast<intptr_t>(text.size());
  }
  intptr_t TextLength(int32_t index, intptr_t error) const {
    return Has(index) ? static_cast<intptr_t>(at(index).text.size()) : error;
  }
  intptr_t Data(int32_t index, intptr_t error) const {
    return Has(index) ? static_cast<intptr_t>(at(index).data) : error;
  }
  intptr_t SetData(int32_t index, intptr_t data, intptr_t error) {
    if (!Has(index)) return error;
    at(index).data = static_cast<uintptr_t>(data);
    return 0;
  }

 private:
  std::vector<ListItem> items_;
};
