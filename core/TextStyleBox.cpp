#include "core/TextStyleBox.h"

#include <string>

#include "core/port/Port.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"

namespace {

SIZE Extent(HDC dc, const char* text, int32_t length) {
  SIZE size;
  if (!text || length <= 0 || !GetTextExtentPoint32(dc, text, length, &size)) size = SIZE{};
  return size;
}

int32_t LineHeight(HDC dc) {
  TEXTMETRIC metrics;
  if (!GetTextMetrics(dc, &metrics)) return Extent(dc, "X", 1).cy;
  return metrics.tmHeight;
}

bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// The hand layout of metafiles and printing.
int32_t LayOutByHand(HDC dc, const char* text, int32_t length, const MacRect& box,
                     int16_t justification, bool draw) {
  const int32_t width = box.right - box.left;
  const int32_t lineHeight = LineHeight(dc);
  int32_t y = box.top;
  int32_t start = 0;
  while (start < length && y <= box.bottom) {
    // Count characters until a line end, the end of the text, or the width is exceeded.
    int32_t n = 0;
    bool overflow = false;
    while (start + n < length && !IsLineEnd(text[start + n])) {
      if (Extent(dc, text + start, n + 1).cx > width) {
        overflow = true;
        break;
      }
      ++n;
    }
    // Past the width, the line ends after its last space; without one it keeps every counted
    // character, the one that went past the width included.
    int32_t count = n;
    if (overflow) {
      const int32_t counted = n + 1;
      int32_t lastSpace = -1;
      for (int32_t i = 0; i < counted; ++i)
        if (text[start + i] == ' ') lastSpace = i;
      count = lastSpace >= 0 ? lastSpace + 1 : counted;
    }
    if (draw && count > 0) {
      const int32_t extent = Extent(dc, text + start, count).cx;
      int32_t x = box.left;
      if (justification == kJustifyCentre) x = box.left + (width - extent) / 2;
      if (justification == kJustifyRight) x = box.left + width - extent;
      if (justification == kJustifyLeft || justification == kJustifyCentre ||
          justification == kJustifyRight)
        TextOut(dc, x, y, text + start, count);
    }
    y += lineHeight;
    start += count;
    // Only the line end itself is skipped: CR, LF, or CR followed by LF.
    if (!overflow && start < length && IsLineEnd(text[start])) {
      const bool crlf = text[start] == '\r' && start + 1 < length && text[start + 1] == '\n';
      start += crlf ? 2 : 1;
    }
  }
  return y - box.top + lineHeight;
}

}  // namespace

int32_t TextHeight(HDC dc, const char* text, int32_t length) {
  return Extent(dc, text, length).cy;
}

int32_t TextWidth(HDC dc, const char* text, int32_t length) {
  return Extent(dc, text, length).cx;
}

int32_t DrawTextInBox(HDC dc, const char* text, int32_t length, const MacRect& box,
                      int16_t justification, bool draw) {
  if (!dc || !text || length <= 0) return 0;
  const int32_t oldMode = SetMapMode(dc, MM_TEXT);
  const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  int32_t height = 0;
  if (IsRecordingMetafile() || GetUseSolidBrushes()) {
    height = LayOutByHand(dc, text, length, box, justification, draw);
  } else {
    RECT rect{box.left, box.top, box.right, box.bottom};
    UINT format = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
    if (justification == kJustifyCentre) format |= DT_CENTER;
    if (justification == kJustifyRight) format |= DT_RIGHT;
    if (!draw) format |= DT_CALCRECT;
    height = DrawText(dc, text, length, &rect, format);
  }
  SetTextAlign(dc, oldAlign);
  SetMapMode(dc, oldMode);
  return height;
}
