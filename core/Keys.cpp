#include "core/Keys.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32/Input.h"
#include "platform/win32/WindowMessages.h"

namespace {

bool IsDown(int32_t key) {
  return GetAsyncKeyState(key) < 0;
}

std::string& ProgramDirectory() {
  static std::string directory;
  return directory;
}

}  // namespace

bool IsShiftKeyDown() {
  return IsDown(VK_SHIFT);
}
bool IsCommandKeyDown() {
  return IsDown(VK_CONTROL);
}
bool IsControlKeyDown() {
  return IsDown(VK_CONTROL);
}
bool IsDecimalKeyDown() {
  return IsDown(VK_DECIMAL);
}
bool IsEscapeKeyDown() {
  return IsDown(VK_ESCAPE);
}

void SysBeep() {
  MessageBeep(0xFFFFFFFF);
}

void SetProgramDirectory(const char* path) {
  const std::string text = path ? path : "";
  // Paths of this system use slashes, and a name between them may hold a backslash or a colon;
  // a stored path without a slash ends its folder at its last backslash, else its last colon.
  size_t end = text.find_last_of('/');
  if (end == std::string::npos) end = text.find_last_of('\\');
  if (end == std::string::npos) end = text.find_last_of(':');
  ProgramDirectory() = end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

void GetProgramDirectory(char* buffer, int32_t* length) {
  if (!length) return;
  const std::string& directory = ProgramDirectory();
  if (buffer && *length > 0)
    std::memcpy(buffer, directory.data(), std::min(directory.size(), static_cast<size_t>(*length)));
  *length = static_cast<int32_t>(directory.size());
}
