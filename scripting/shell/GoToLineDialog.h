#pragma once
// The Script Editor's Go to Line: a dialog that asks for a line number of the script, starting
// from the caret's line, and does not close on a number that is no line of the script.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32/WindowTypes.h"

inline constexpr char kGoToLineTemplate[] = "BS_GOTOLINE";
inline constexpr int32_t kGoToLineLabelId = 101;
inline constexpr int32_t kGoToLineFieldId = 102;

// The line a typed text names: digits only (blanks around them allowed), 1 to `lastLine`.
std::optional<int32_t> ParseLineNumber(const std::string& text, int32_t lastLine);
// Asks over `owner`; the chosen line, or 0 when the user cancelled.
int32_t AskLineNumber(HWND owner, int32_t currentLine, int32_t lastLine);
