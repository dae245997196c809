#include "app/frames/Settings.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/Resources.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kEditorFontFile[] = "YB.INI";
constexpr char kEditorFontKey[] = "BSEditFont";
constexpr UINT kFirstWindowKeyString = 3454;
constexpr int kPlacementNumbers = 10;

// The whole text as one integer; nullopt for anything else (empty, signs alone, trailing
// characters, out of the 32-bit range).
std::optional<int64_t> WholeNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return std::nullopt;
  if (value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
  return value;
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? std::string::npos
                                                                  : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// The sixteen key names, in record order: Properties, Appearance, Geometry, script shell. The
// shell's names come first among the strings.
UINT KeyStringOf(int index) {
  const int window = index / 4;
  const int field = index % 4;
  const int stringBlock = 3 - window;  // shell 0, Geometry 1, Appearance 2, Properties 3
  return kFirstWindowKeyString + static_cast<UINT>(stringBlock * 4 + field);
}

std::string KeyName(UINT id) {
  char text[256] = "";
  if (LoadStringA(GetResourceModule1(), id, text, sizeof text) > 0) return text;
  if (LoadStringA(GetResourceModule2(), id, text, sizeof text) > 0) return text;
  // Without the resource library the key is still kept, under its number.
  return "Window" + std::to_string(id);
}

std::string EditorFontFile() {
  return (std::filesystem::path(GetWindowsDirectory()) / kEditorFontFile).string();
}

}  // namespace

std::string FormatWindowPlacement(const WINDOWPLACEMENT& placement) {
  char text[160];
  std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", placement.flags,
                placement.showCmd, placement.ptMinPosition.x, placement.ptMinPosition.y,
                placement.ptMaxPosition.x, placement.ptMaxPosition.y,
                placement.rcNormalPosition.left, placement.rcNormalPosition.top,
                placement.rcNormalPosition.right, placement.rcNormalPosition.bottom);
  return text;
}

std::optional<WINDOWPLACEMENT> ParseWindowPlacement(const std::string& text) {
  const std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() != kPlacementNumbers) return std::nullopt;
  int64_t numbers[kPlacementNumbers];
  for (int i = 0; i < kPlacementNumbers; ++i) {
    const std::optional<int64_t> number = WholeNumber(parts[static_cast<size_t>(i)]);
    if (!number) return std::nullopt;
    // The two first are unsigned, the others signed 32-bit numbers.
    if (i < 2 ? *number < 0 : *number > INT32_MAX) return std::nullopt;
    numbers[i] = *number;
  }
  WINDOWPLACEMENT placement;
  placement.length = sizeof(WINDOWPLACEMENT);
  placement.flags = static_cast<UINT>(numbers[0]);
  placement.showCmd = static_cast<UINT>(numbers[1]);
  placement.ptMinPosition = POINT{static_cast<int32_t>(numbers[2]), static_cast<int32_t>(numbers[3])};
  placement.ptMaxPosition = POINT{static_cast<int32_t>(numbers[4]), static_cast<int32_t>(numbers[5])};
  placement.rcNormalPosition = RECT{static_cast<int32_t>(numbers[6]), static_cast<int32_t>(numbers[7]),
                                    static_cast<int32_t>(numbers[8]), static_cast<int32_t>(numbers[9])};
  return placement;
}

std::optional<WINDOWPLACEMENT> ReadWindowPlacement() {
  std::optional<WINDOWPLACEMENT> placement =
      ParseWindowPlacement(GetProfileString(kSettingsSection, kWindowPosKey, ""));
  if (!placement) return std::nullopt;
  const RECT& normal = placement->rcNormalPosition;
  const int32_t width = GetSystemMetrics(SM_CXSCREEN);
  const int32_t height = GetSystemMetrics(SM_CYSCREEN);
  // A window saved on a larger screen (or an empty rectangle) would be shown where nobody sees it.
  if (normal.right <= normal.left || normal.bottom <= normal.top) return std::nullopt;
  if (normal.right <= 0 || normal.bottom <= 0 || normal.left >= width || normal.top >= height)
    return std::nullopt;
  return placement;
}

void WriteWindowPlacement(const WINDOWPLACEMENT& placement) {
  WriteProfileString(kSettingsSection, kWindowPosKey, FormatWindowPlacement(placement).c_str());
}

TWindowSettings::TWindowSettings() {
  for (Rect& rect : rects_)
    rect = Rect{0, 0, 0, 0};
  rects_[kScriptShell] = Rect{1, 1, 650, 300};
}

void TWindowSettings::Read() {
  const TWindowSettings defaults;
  for (int i = 0; i < 16; ++i) {
    const uint16_t fallback = defaults.rects_[static_cast<size_t>(i / 4)][static_cast<size_t>(i % 4)];
    const UINT stored =
        GetProfileInt(kSettingsSection, KeyName(KeyStringOf(i)).c_str(), fallback);
    rects_[static_cast<size_t>(i / 4)][static_cast<size_t>(i % 4)] = static_cast<uint16_t>(stored);
  }
}

void TWindowSettings::Write() const {
  // In the order of the names: the shell's, the Geometry window's, the Appearance window's,
  // the Properties window's.
  for (int window = 3; window >= 0; --window) {
    for (int field = 0; field < 4; ++field) {
      const int index = window * 4 + field;
      const uint16_t value = rects_[static_cast<size_t>(window)][static_cast<size_t>(field)];
      WriteProfileString(kSettingsSection, KeyName(KeyStringOf(index)).c_str(),
                         std::to_string(value).c_str());
    }
  }
}

TWindowSettings::Rect TWindowSettings::RectOf(int32_t left, int32_t top, int32_t right,
                                              int32_t bottom) {
  return Rect{static_cast<uint16_t>(left), static_cast<uint16_t>(top),
              static_cast<uint16_t>(right - left), static_cast<uint16_t>(bottom - top)};
}

void TWindowSettings::Store(Window window, int32_t left, int32_t top, int32_t right,
                            int32_t bottom) {
  const Rect rect = RectOf(left, top, right, bottom);
  std::optional<Rect>& refused = refusedAt_[window];
  if (refused && *refused == rect) return;
  refused.reset();
  rects_[window] = rect;
}

void TWindowSettings::KeepRefused(Window window, int32_t left, int32_t top, int32_t right,
                                  int32_t bottom) {
  refusedAt_[window] = RectOf(left, top, right, bottom);
}

bool TWindowSettings::IsUsable(const Rect& rect, int32_t screenWidth, int32_t screenHeight) {
  for (const uint16_t value : rect) {
    if (value == 0) return false;
  }
  return rect[0] + 10 < screenWidth && rect[1] + 10 < screenHeight;
}

std::optional<TEditorFont> ReadEditorFont() {
  const std::string text =
      GetPrivateProfileString(kSettingsSection, kEditorFontKey, "", EditorFontFile());
  const std::vector<std::string> parts = SplitCommas(text);
  if (parts.size() != 4 || parts[0].empty()) return std::nullopt;
  TEditorFont font;
  font.face = parts[0];
  for (size_t i = 0; i < 3; ++i) {
    const std::optional<int64_t> number = WholeNumber(parts[i + 1]);
    if (!number || *number > INT32_MAX) return std::nullopt;
    font.values[i] = static_cast<int32_t>(*number);
  }
  return font;
}

bool WriteEditorFont(const TEditorFont& font) {
  // A face name with a comma could not be read back.
  if (font.face.empty() || font.face.find(',') != std::string::npos) return false;
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, ",%d,%d,%d", font.values[0], font.values[1],
                font.values[2]);
  return WritePrivateProfileString(kSettingsSection, kEditorFontKey,
                                   (font.face + numbers).c_str(), EditorFontFile()) != FALSE;
}
