#pragma once
// The drawing port: all drawing of views, bodies, constraints and meters goes through one current
// port that carries a pen (location, size, transfer mode, pattern, visibility), a font, a
// foreground and a background colour, and the device context and window it draws into.

#include <cstdint>
#include <memory>

#include "core/MacTypes.h"
#include "platform/win32/Gdi.h"

struct RegionRec;
struct PolygonRec;

// Three 16-bit channels in memory order red, blue, green.
struct RGB16Color {
  uint16_t red = 0;
  uint16_t blue = 0;
  uint16_t green = 0;
  bool operator==(const RGB16Color&) const = default;
};

// Red is the high byte of the first channel, green of the third, blue of the second.
COLORREF RGB16ToColorRef(const RGB16Color& color);
// Each byte times 256 (255 becomes 0xFF00).
RGB16Color ColorRefToRGB16(COLORREF color);

// The port record. A window's port extends it.
struct TPort {
  TPort();
  virtual ~TPort();
  TPort(const TPort&) = delete;
  TPort& operator=(const TPort&) = delete;

  int16_t penMode = R2_COPYPEN;
  MacRect portRect;
  // The visible and clip regions, created on first use and freed with the port.
  RegionRec* VisibleRegion();
  RegionRec* ClipRegion();
  MacPoint penLocation;
  MacPoint penSize{1, 1};     // the pen width drawn is h
  int16_t penPattern = 0;     // the GDI pen style
  int16_t penVisibility = 0;  // shapes and text are drawn only while >= 0
  int16_t fontNumber = 0;
  uint8_t styleBits = 0;
  int16_t textSize = 9;
  COLORREF foreColor = RGB(0, 0, 0);
  COLORREF backColor = RGB(255, 255, 255);
  uint16_t windowWord1 = 65535;
  uint16_t windowWord2 = 65535;
  int32_t windowLong = 2;
  void* window = nullptr;         // the framework window drawn into, or none
  PolygonRec* polygon = nullptr;  // the polygon being recorded, remembered here

 private:
  RegionRec* visible_ = nullptr;
  RegionRec* clip_ = nullptr;
};

// The pen state as saved and restored by callers.
struct PenState {
  MacPoint location;
  MacPoint size;
  int16_t mode = R2_COPYPEN;
  int16_t pattern = 0;
};

// Start-up and exit: the global port (made current), the pattern bitmaps and brushes, the font
// cache.
void InitDrawingPort();
void FreeDrawingPort();

// The current port; destroying the current port makes the global port current.
TPort* GetCurrentPort();
void GetCurrentPortInto(TPort** out);
TPort* SetCurrentPort(TPort* port);
TPort* GetGlobalPort();

// The device-context and window holders: setting answers the previous handle.
HDC GetPortDC();
HDC SetPortDC(HDC dc);
HWND GetPortWindow();
HWND SetPortWindow(HWND window);

// Holder objects with a count of live holders. A context holder that knows its window gives
// the context back to that window when it goes (through the release hook of the window layer).
class PortDCHolder {
 public:
  explicit PortDCHolder(HDC dc = nullptr, HWND window = nullptr);
  ~PortDCHolder();
  PortDCHolder(const PortDCHolder&) = delete;
  PortDCHolder& operator=(const PortDCHolder&) = delete;
  HDC Set(HDC dc);
  HDC Get() const { return dc_; }
  static int32_t LiveCount();

 private:
  HDC dc_;
  HWND window_;
};

class PortWindowHolder {
 public:
  explicit PortWindowHolder(HWND window = nullptr);
  ~PortWindowHolder();
  PortWindowHolder(const PortWindowHolder&) = delete;
  PortWindowHolder& operator=(const PortWindowHolder&) = delete;
  HWND Set(HWND window);
  HWND Get() const { return window_; }
  static int32_t LiveCount();

 private:
  HWND window_;
};

// The window layer fills these at start-up: giving a window's context back, and the mirrored
// selection that lets a metafile being recorded receive every object selection.
using ReleaseDCHook = void (*)(HWND window, HDC dc);
void SetReleaseDCHook(ReleaseDCHook hook);
using SelectObjectHook = HGDIOBJ (*)(HDC dc, HGDIOBJ object);
void SetSelectObjectHook(SelectObjectHook hook);
// Selects through the hook (a plain selection without one).
HGDIOBJ PortSelectObject(HDC dc, HGDIOBJ object);

bool GetUseSolidBrushes();
void SetUseSolidBrushes(bool on);
bool IsRecordingMetafile();
void SetRecordingMetafile(bool on);

// The pen.
void PortMoveTo(int32_t h, int32_t v);
// The absolute line: to (h, v), its end pixel included.
void RecordPolygonPoint(int32_t h, int32_t v);
// The relative line: by (dh, dv) from the current position.
void PortLineTo(int32_t dh, int32_t dv);
void PortGetPenLocation(MacPoint& out);
// The last position given to PortMoveTo or reached by a line (metafile recording reads it).
POINT GetPenPositionMirror();
void PortSetPenMode(int16_t mode);
void PortResetPen();
void PortSetPenPattern(const uint8_t pattern[8]);
void PortSetPenSize(int16_t width, int16_t height);
void PortGetPenState(PenState& out);
void PortSetPenState(const PenState& state);
void PortShowPen();
void PortHidePen();

// Colours.
void SetPortForeColor(const RGB16Color& color);
void SetPortBackColor(const RGB16Color& color);
void PortSetForeColor(TPort* port, const RGB16Color& color);
void PortSetBackColor(TPort* port, const RGB16Color& color);
void GetPortForeColor(RGB16Color& out);
void GetPortBackColor(RGB16Color& out);
// The colour dialog of the platform: starts from colour with 16 custom colours, answers false
// when cancelled.
using ChooseColorHook = bool (*)(COLORREF& color, COLORREF custom[16]);
void SetChooseColorHook(ChooseColorHook hook);
bool PortChooseColor(RGB16Color& color);
void SelectAppPalette(HDC dc);
// The program palette's entries (236), for tests and the palette window.
const PALETTEENTRY* AppPaletteEntries();
