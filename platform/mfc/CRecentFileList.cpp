#include "platform/mfc/CRecentFileList.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/win32/Profile.h"

namespace {

std::string EntryKey(const std::string& format, int number) {
  char key[64];
  std::snprintf(key, sizeof key, format.c_str(), number);
  return key;
}

// The position of the first item of the list's commands, searching submenus; false when none.
bool FindFirst(HMENU menu, UINT first, UINT last, HMENU* holder, int32_t* position) {
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    if (HMENU submenu = GetSubMenu(menu, i)) {
      if (FindFirst(submenu, first, last, holder, position)) return true;
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    if (id >= first && id <= last) {
      *holder = menu;
      *position = i;
      return true;
    }
  }
  return false;
}

}  // namespace

CRecentFileList::CRecentFileList(UINT firstCommand, const char* section, const char* entryFormat,
                                 int size)
    : first_(firstCommand), section_(section), entryFormat_(entryFormat),
      size_(std::clamp(size, 1, static_cast<int>(kLastCommand - kFirstCommand + 1))) {}

void CRecentFileList::Add(const std::string& path) {
  if (path.empty()) return;
  paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
  paths_.insert(paths_.begin(), path);
  if (static_cast<int>(paths_.size()) > size_) paths_.resize(static_cast<size_t>(size_));
}

void CRecentFileList::Remove(int index) {
  if (index < 0 || index >= GetCount()) return;
  paths_.erase(paths_.begin() + index);
}

void CRecentFileList::ReadList() {
  paths_.clear();
  for (int i = 1; i <= size_; ++i) {
    const std::string path =
        GetProfileString(section_.c_str(), EntryKey(entryFormat_, i).c_str(), "");
    if (!path.empty()) paths_.push_back(path);
  }
}

void CRecentFileList::WriteList() const {
  for (int i = 1; i <= size_; ++i) {
    const bool present = i <= GetCount();
    WriteProfileString(section_.c_str(), EntryKey(entryFormat_, i).c_str(),
                       present ? paths_[static_cast<size_t>(i - 1)].c_str() : nullptr);
  }
}

void CRecentFileList::UpdateMenu(HMENU menu) const {
  const UINT last = first_ + static_cast<UINT>(size_) - 1;
  HMENU holder = nullptr;
  int32_t position = 0;
  if (menu == nullptr || !FindFirst(menu, first_, last, &holder, &position)) return;
  // Take the list's items out, then put the entries in their place.
  while (position < GetMenuItemCount(holder)) {
    const UINT id = GetMenuItemID(holder, position);
    if (id < first_ || id > last) break;
    DeleteMenu(holder, static_cast<UINT>(position), MF_BYPOSITION);
  }
  if (paths_.empty()) {
    InsertMenu(holder, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING | MF_GRAYED, first_,
               "Recent File");
    return;
  }
  for (int i = 0; i < GetCount(); ++i) {
    std::string name;
    for (const char c : std::filesystem::path(paths_[static_cast<size_t>(i)]).filename().string()) {
      name += c;
      if (c == '&') name += '&';  // a '&' of the name is no mnemonic
    }
    std::string text = "&";
    text += std::to_string(i + 1);
    text += ' ';
    text += name;
    InsertMenu(holder, static_cast<UINT>(position + i), MF_BYPOSITION | MF_STRING,
               first_ + static_cast<UINT>(i), text.c_str());
  }
}
