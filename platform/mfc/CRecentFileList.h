#pragma once
// The recent-file list: the last documents opened, newest first, kept in the application's
// profile and shown as numbered items of a menu (commands first, first + 1, ...).

#include <string>
#include <vector>

#include "platform/win32/Menu.h"

class CRecentFileList {
 public:
  static constexpr UINT kFirstCommand = 57616;  // ID_FILE_MRU_FILE1
  static constexpr UINT kLastCommand = 57631;

  CRecentFileList(UINT firstCommand, const char* section, const char* entryFormat, int size);

  // Puts the path first; an older entry of the same path goes, and the oldest beyond the size.
  void Add(const std::string& path);
  void Remove(int index);
  int GetSize() const { return size_; }
  int GetCount() const { return static_cast<int>(paths_.size()); }
  const std::string& operator[](int index) const { return paths_[static_cast<size_t>(index)]; }

  // From and to the application's profile ("File1" ... in the section).
  void ReadList();
  void WriteList() const;

  // Replaces the list's items in the menu (where the first of them is) by the entries, "&1 name"
  // and so on, or by one greyed "Recent File" item while the list is empty.
  void UpdateMenu(HMENU menu) const;

 private:
  UINT first_;
  std::string section_;
  std::string entryFormat_;
  int size_;
  std::vector<std::string> paths_;
};
