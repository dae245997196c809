#pragma once
// The About box: dialog 100, its text items filled from the program's own version block.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

// The product version the module's version block names ("1.0"); empty without one. The one
// source of the program's version: About, the start-up picture and --version show it.
std::string ProductVersionOf(HMODULE module);

class TAboutDialog {
 public:
  static constexpr uint16_t kTemplate = 100;

  // The version block is read from the module when the dialog initialises.
  explicit TAboutDialog(HMODULE versionModule) : versionModule_(versionModule) {}

  // Runs the dialog modally over the owner; answers how it ended (IDOK), or -1 when it could not
  // be made.
  intptr_t DoModal(HWND owner);

  // Sets each item from its key under "\StringFileInfo\040904b0\"; an item whose key the block
  // lacks keeps the template's text, and an empty block leaves every item as it is.
  static void FillItems(HWND dialog, const std::vector<uint8_t>& versionBlock);

 private:
  static intptr_t DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void ReadVersionBlock();

  HMODULE versionModule_;
  std::vector<uint8_t> versionBlock_;
};
