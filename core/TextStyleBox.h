#pragma once
// Measuring and drawing word-wrapped text in a box.

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/win32/GdiTypes.h"

// Height and width of the extent of the text.
int32_t TextHeight(HDC dc, const char* text, int32_t length);
int32_t TextWidth(HDC dc, const char* text, int32_t length);

inline constexpr int16_t kJustifyCentre = 0;
inline constexpr int16_t kJustifyRight = -1;
inline constexpr int16_t kJustifyLeft = 1;

// Draws (or, with `draw` false, only measures) the text word-wrapped in the box, centred, right-
// or left-aligned; answers the height used. On the screen the system's text layout does it;
// while a metafile is recorded or a page printed the lines are laid out here, so that the
// recorded drawing does not depend on the device. CR, LF and CR LF each end a line.
int32_t DrawTextInBox(HDC dc, const char* text, int32_t length, const MacRect& box,
                      int16_t justification, bool draw);
