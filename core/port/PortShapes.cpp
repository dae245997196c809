#include "core/port/PortShapes.h"

#include <array>

#include "core/port/Port.h"
#include "platform/win32/Bitmap.h"

namespace {

// The built-in pictures: 8 rows of 8 pixels, bit 7 leftmost, 1 the foreground.
constexpr uint8_t kPatterns[kPatternCount][8] = {
    {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // 0 solid
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},  // 1 half tone
    {0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77},  // 2 dark
    {0x88, 0x22, 0x88, 0x22, 0x88, 0x22, 0x88, 0x22},  // 3 light
    {0x80, 0x00, 0x08, 0x00, 0x80, 0x00, 0x08, 0x00},  // 4 sparse dots
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 5 empty
    {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00},  // 6 horizontal lines
    {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},  // 7 vertical lines
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // 8 rising diagonal
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // 9 falling diagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // 10 grid
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // 11 diagonal grid
    {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08},  // 12 bricks
    {0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00},  // 13 wide horizontal
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC},  // 14 wide vertical
    {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F},  // 15 checks
    {0x11, 0x00, 0x44, 0x00, 0x11, 0x00, 0x44, 0x00},  // 16 fine dots
    {0x88, 0x54, 0x22, 0x45, 0x88, 0x15, 0x22, 0x51},  // 17 weave
    {0x80, 0x80, 0x41, 0x3E, 0x08, 0x08, 0x14, 0xE3},  // 18 scales
    {0x77, 0xBB, 0xDD, 0xEE, 0x77, 0xBB, 0xDD, 0xEE},  // 19 thick rising
    {0xEE, 0xDD, 0xBB, 0x77, 0xEE, 0xDD, 0xBB, 0x77},  // 20 thick falling
    {0x00, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x7E, 0x00},  // 21 squares
    {0x18, 0x3C, 0x7E, 0xFF, 0xFF, 0x7E, 0x3C, 0x18},  // 22 diamonds
    {0xFF, 0x81, 0x81, 0x81, 0x81, 0x81, 0x81, 0xFF},  // 23 boxes
};

struct Patterns {
  std::array<HBITMAP, kPatternCount> bitmaps{};
  std::array<HBRUSH, kPatternCount> brushes{};
  HDC copyDC = nullptr;  // shared memory context for bitmap copies
};

Patterns& P() {
  static Patterns patterns;
  return patterns;
}

HBITMAP BuiltInPattern(int16_t number) {
  uint8_t bits[16] = {};  // rows padded to 16 bits
  for (int row = 0; row < 8; ++row)
    bits[row * 2] = kPatterns[number][row];
  return CreateBitmap(8, 8, 1, 1, bits);
}

struct Target {
  TPort* port = nullptr;
  HDC dc = nullptr;
  explicit operator bool() const { return port && dc && port->penVisibility >= 0; }
};

Target Current() {
  return Target{GetCurrentPort(), GetPortDC()};
}

RECT Win(const MacRect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

// Draws with a brush in place of the selected one (and the null pen when asked).
template <typename Draw>
void WithBrush(HDC dc, HGDIOBJ brush, bool nullPen, Draw draw) {
  HGDIOBJ oldBrush = PortSelectObject(dc, brush);
  HGDIOBJ oldPen = nullPen ? PortSelectObject(dc, GetStockObject(NULL_PEN)) : nullptr;
  draw();
  if (oldPen) PortSelectObject(dc, oldPen);
  if (oldBrush) PortSelectObject(dc, oldBrush);
}

void InvertRegion(HDC dc, HRGN region) {
  if (!region) return;
  InvertRgn(dc, region);
  DeleteObject(region);
}

struct RectCall {
  MacRect rect;
  int16_t w = 0;
  int16_t h = 0;
};

}  // namespace

void InitPortPatterns() {
  Patterns& p = P();
  for (int16_t i = 0; i < kPatternCount; ++i) {
    if (p.bitmaps[i]) continue;
    HBITMAP bitmap =
        LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(kFirstPatternBitmap + i)));
    p.bitmaps[i] = bitmap ? bitmap : BuiltInPattern(i);
    p.brushes[i] = CreatePatternBrush(p.bitmaps[i]);
  }
}

void FreePortPatterns() {
  Patterns& p = P();
  for (int16_t i = 0; i < kPatternCount; ++i) {
    if (p.brushes[i]) DeleteObject(p.brushes[i]);
    if (p.bitmaps[i]) DeleteObject(p.bitmaps[i]);
    p.brushes[i] = nullptr;
    p.bitmaps[i] = nullptr;
  }
  if (p.copyDC) DeleteDC(p.copyDC);
  p.copyDC = nullptr;
}

HBITMAP GetPatternBitmap(int16_t number) {
  return number >= 0 && number < kPatternCount ? P().bitmaps[number] : nullptr;
}

HBRUSH GetPatternBrush(int16_t number) {
  return number >= 0 && number < kPatternCount ? P().brushes[number] : nullptr;
}

void PortFrameRect(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  WithBrush(t.dc, GetStockObject(NULL_BRUSH), false,
            [&] { Rectangle(t.dc, r.left, r.top, r.right, r.bottom); });
}

void PortFrameOval(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  WithBrush(t.dc, GetStockObject(NULL_BRUSH), false,
            [&] { Ellipse(t.dc, r.left, r.top, r.right, r.bottom); });
}

void PortFrameRoundRect(const MacRect& r, int16_t cornerWidth, int16_t cornerHeight) {
  const Target t = Current();
  if (!t) return;
  WithBrush(t.dc, GetStockObject(NULL_BRUSH), false,
            [&] { RoundRect(t.dc, r.left, r.top, r.right, r.bottom, cornerWidth, cornerHeight); });
}

void PortPaintRect(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  HGDIOBJ old = PortSelectObject(t.dc, GetStockObject(NULL_PEN));
  Rectangle(t.dc, r.left, r.top, r.right, r.bottom);
  if (old) PortSelectObject(t.dc, old);
}

void PortPaintOval(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  HGDIOBJ old = PortSelectObject(t.dc, GetStockObject(NULL_PEN));
  Ellipse(t.dc, r.left, r.top, r.right, r.bottom);
  if (old) PortSelectObject(t.dc, old);
}

void PortPaintRoundRect(const MacRect& r, int16_t cornerWidth, int16_t cornerHeight) {
  const Target t = Current();
  if (!t) return;
  HGDIOBJ old = PortSelectObject(t.dc, GetStockObject(NULL_PEN));
  RoundRect(t.dc, r.left, r.top, r.right, r.bottom, cornerWidth, cornerHeight);
  if (old) PortSelectObject(t.dc, old);
}

void PortInvertRect(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  if (IsRecordingMetafile()) {
    PatBlt(t.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
  } else {
    const RECT rect = Win(r);
    InvertRect(t.dc, &rect);
  }
}

void PortInvertOval(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  InvertRegion(t.dc, CreateEllipticRgn(r.left, r.top, r.right, r.bottom));
}

void PortInvertRoundRect(const MacRect& r, int16_t cornerWidth, int16_t cornerHeight) {
  const Target t = Current();
  if (!t) return;
  InvertRegion(t.dc,
               CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, cornerWidth, cornerHeight));
}

void PortFillRectPattern(const MacRect& r) {
  const Target t = Current();
  if (!t) return;
  const COLORREF back = t.port->backColor;
  const int32_t width = r.right - r.left;
  const int32_t height = r.bottom - r.top;
  if (back == RGB(255, 255, 255)) {
    PatBlt(t.dc, r.left, r.top, width, height, WHITENESS);
    return;
  }
  if (back == RGB(0, 0, 0)) {
    PatBlt(t.dc, r.left, r.top, width, height, BLACKNESS);
    return;
  }
  const COLORREF oldText = SetTextColor(t.dc, back);
  const COLORREF oldBack = SetBkColor(t.dc, back);
  const RECT rect = Win(r);
  if (GetUseSolidBrushes()) {
    HBRUSH solid = CreateSolidBrush(back);
    FillRect(t.dc, &rect, solid);
    DeleteObject(solid);
  } else {
    FillRect(t.dc, &rect, GetPatternBrush(0));
  }
  SetTextColor(t.dc, oldText);
  SetBkColor(t.dc, oldBack);
}

void WithPatternBrush(int16_t pattern, bool systemNumbers, bool keepPen, void (*fill)(HDC, void*),
                      void* data) {
  const Target t = Current();
  if (!t) return;
  HGDIOBJ brush = nullptr;
  bool isPattern = false;
  if (systemNumbers && pattern >= kFirstSystemColorPattern &&
      pattern < kFirstSystemColorPattern + kPatternCount) {
    brush = GetSysColorBrush(pattern - kFirstSystemColorPattern);
  } else if (systemNumbers && pattern >= 0 && pattern <= 5 && pattern != 4) {
    static constexpr int32_t kStock[6] = {BLACK_BRUSH,  GRAY_BRUSH, DKGRAY_BRUSH,
                                          LTGRAY_BRUSH, 0,          WHITE_BRUSH};
    brush = GetStockObject(kStock[pattern]);
  } else {
    brush = GetPatternBrush(pattern);
    isPattern = true;
  }
  if (!brush) return;
  PortSetPenMode(R2_COPYPEN);
  COLORREF oldText = 0;
  COLORREF oldBack = 0;
  if (isPattern) {
    // The bitmap's 0 bits take the text colour and its 1 bits the background colour.
    oldText = SetTextColor(t.dc, GetNearestColor(t.dc, t.port->backColor));
    oldBack = SetBkColor(t.dc, GetNearestColor(t.dc, t.port->foreColor));
  }
  WithBrush(t.dc, brush, !keepPen, [&] { fill(t.dc, data); });
  if (isPattern) {
    SetTextColor(t.dc, oldText);
    SetBkColor(t.dc, oldBack);
  }
}

void PortFillRectWithPattern(const MacRect& rect, int16_t pattern) {
  RectCall call{rect};
  WithPatternBrush(
      pattern, true, false,
      [](HDC dc, void* data) {
        const MacRect& r = static_cast<RectCall*>(data)->rect;
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
      },
      &call);
}

void PortFillRectWithPatternOutlined(const MacRect& rect, int16_t pattern) {
  RectCall call{rect};
  WithPatternBrush(
      pattern, false, true,
      [](HDC dc, void* data) {
        const MacRect& r = static_cast<RectCall*>(data)->rect;
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
      },
      &call);
}

void PortFillOvalWithPattern(const MacRect& rect, int16_t pattern) {
  RectCall call{rect};
  WithPatternBrush(
      pattern, false, false,
      [](HDC dc, void* data) {
        const MacRect& r = static_cast<RectCall*>(data)->rect;
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
      },
      &call);
}

void PortFillOvalWithPatternOutlined(const MacRect& rect, int16_t pattern) {
  RectCall call{rect};
  WithPatternBrush(
      pattern, false, true,
      [](HDC dc, void* data) {
        const MacRect& r = static_cast<RectCall*>(data)->rect;
        Ellipse(dc, r.left, r.top, r.right, r.bottom);
      },
      &call);
}

void PortFillRoundRectWithPattern(const MacRect& rect, int16_t cornerWidth, int16_t cornerHeight,
                                  int16_t pattern) {
  RectCall call{rect, cornerWidth, cornerHeight};
  WithPatternBrush(
      pattern, false, false,
      [](HDC dc, void* data) {
        const auto* c = static_cast<RectCall*>(data);
        RoundRect(dc, c->rect.left, c->rect.top, c->rect.right, c->rect.bottom, c->w, c->h);
      },
      &call);
}

void PortFillRectBrush(const MacRect& r, HBRUSH brush) {
  const TPort* port = GetCurrentPort();
  HDC dc = GetPortDC();
  if (!port || !dc || !brush) return;
  if (GetUseSolidBrushes() || IsRecordingMetafile()) {
    WithBrush(dc, brush, true, [&] { Rectangle(dc, r.left, r.top, r.right, r.bottom); });
    return;
  }
  const RECT rect = Win(r);
  FillRect(dc, &rect, brush);
}

void PortCopyBitmap(HBITMAP bitmap, const MacRect& source, const MacRect& destination, DWORD rop) {
  HDC dc = GetPortDC();
  if (!GetCurrentPort() || !dc || !bitmap) return;
  Patterns& p = P();
  if (!p.copyDC) p.copyDC = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(p.copyDC, bitmap);
  if (!old) return;
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  const int32_t sw = source.right - source.left;
  const int32_t sh = source.bottom - source.top;
  const int32_t dw = destination.right - destination.left;
  const int32_t dh = destination.bottom - destination.top;
  if (sw == dw && sh == dh && !IsRecordingMetafile()) {
    BitBlt(dc, destination.left, destination.top, dw, dh, p.copyDC, source.left, source.top, rop);
  } else {
    StretchBlt(dc, destination.left, destination.top, dw, dh, p.copyDC, source.left, source.top, sw,
               sh, rop);
  }
  SetBkColor(dc, oldBack);
  SelectObject(p.copyDC, old);
}
