#pragma once
// What the program keeps in its profile from one run to the next: the main frame's placement
// ("Settings", "WindowPos"), the rectangles of the script shell and the three floating windows
// (sixteen keys named by strings 3454 to 3469), and the script editor's font ("BSEditFont" in
// "YB.INI" in the configuration directory). A damaged or partial value reads as not saved.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/WindowPlacement.h"

inline constexpr char kSettingsSection[] = "Settings";
inline constexpr char kWindowPosKey[] = "WindowPos";

// The placement saved as "WindowPos": exactly ten numbers (flags, show command, minimised x, y,
// maximised x, y, normal left, top, right, bottom). Anything else, or a normal rectangle that
// misses the screen entirely (a screen that has shrunk since), reads as nothing saved.
std::optional<WINDOWPLACEMENT> ReadWindowPlacement();
void WriteWindowPlacement(const WINDOWPLACEMENT& placement);
// The text of a placement, and the placement of a text (nullopt unless exactly ten numbers).
std::string FormatWindowPlacement(const WINDOWPLACEMENT& placement);
std::optional<WINDOWPLACEMENT> ParseWindowPlacement(const std::string& text);

// The rectangles of the floating windows and the script shell, as sixteen unsigned 16-bit
// numbers: Properties, Appearance, Geometry, then the script shell, each left, top, width,
// height. Reading keeps the low 16 bits of the stored number, so -5 reads as 65531.
class TWindowSettings {
 public:
  enum Window { kProperties = 0, kAppearance = 1, kGeometry = 2, kScriptShell = 3 };
  using Rect = std::array<uint16_t, 4>;

  // The defaults: the shell at (1, 1), 650 by 300; the others all 0.
  TWindowSettings();

  // The key names from the resource library, then the sixteen numbers (defaults where absent).
  void Read();
  // The sixteen numbers under their names, the shell's first, in the order of the names.
  void Write() const;

  const Rect& Get(Window window) const { return rects_[window]; }
  void Set(Window window, const Rect& rect) { rects_[window] = rect; }
  // Stores a window rectangle: left and top, width and height. A window whose saved numbers
  // were refused keeps them until it stands anywhere but where it stood when they were refused.
  void Store(Window window, int32_t left, int32_t top, int32_t right, int32_t bottom);
  // The saved numbers of the window were refused; it stands at its default place, `left` ...
  // `bottom`, and the saved numbers are kept until it is moved from there.
  void KeepRefused(Window window, int32_t left, int32_t top, int32_t right, int32_t bottom);
  // Whether a stored rectangle may be used on a screen of this size: all four numbers set,
  // left + 10 and top + 10 inside the screen.
  static bool IsUsable(const Rect& rect, int32_t screenWidth, int32_t screenHeight);

 private:
  static Rect RectOf(int32_t left, int32_t top, int32_t right, int32_t bottom);

  std::array<Rect, 4> rects_;
  // Where each window stood when its saved numbers were refused; none once it has moved.
  std::array<std::optional<Rect>, 4> refusedAt_;
};

// The script editor's font: face name and three numbers of the editor's own.
struct TEditorFont {
  std::string face;
  std::array<int32_t, 3> values{};
};
// "BSEditFont" in "YB.INI", section "Settings"; nullopt when absent or damaged.
std::optional<TEditorFont> ReadEditorFont();
bool WriteEditorFont(const TEditorFont& font);
