#include "core/port/Port.h"

#include <cstring>
#include <utility>
#include <vector>

#include "core/port/PortRegion.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"

namespace {

struct PortGlobals {
  std::unique_ptr<TPort> globalPort;
  TPort* current = nullptr;
  HDC dc = nullptr;
  HWND window = nullptr;
  bool useSolidBrushes = false;
  bool recordingMetafile = false;
  POINT mirror;
  ReleaseDCHook releaseHook = nullptr;
  SelectObjectHook selectHook = nullptr;
  ChooseColorHook chooseHook = nullptr;
  HPALETTE palette = nullptr;
  int32_t liveDCHolders = 0;
  int32_t liveWindowHolders = 0;
};

PortGlobals& G() {
  static PortGlobals globals;
  return globals;
}

// The port and its context when both exist.
bool Ready(TPort*& port, HDC& dc) {
  port = G().current;
  dc = G().dc;
  return port && dc;
}

bool PenVisible(const TPort* port) {
  return port->penVisibility >= 0;
}

// Creates the port's pen from its pattern word, width and colour, selects it and deletes the
// pen it replaces; a pen that cannot be made leaves the previous one selected. A pen that
// already draws so stays, unless a metafile is being recorded, which keeps every pen made.
void RebuildPen(TPort* port, HDC dc) {
  const DeviceContext* context = LookupDC(dc);
  if (context && !context->recorder &&
      PenDrawsAs(GetCurrentObject(dc, OBJ_PEN), port->penPattern, port->penSize.h, port->foreColor))
    return;
  HPEN pen = CreatePen(port->penPattern, port->penSize.h, port->foreColor);
  if (!pen) return;
  HGDIOBJ previous = PortSelectObject(dc, pen);
  if (previous) DeleteObject(previous);
}

void StoreMirror(int32_t h, int32_t v) {
  G().mirror = POINT{h, v};
}

// The program palette: a grid of red, green and blue levels that starts at (42, 63, 170) and
// wraps round to end at (42, 63, 85), with four greys in place of part of one green level.
std::vector<PALETTEENTRY> BuildPalette() {
  static constexpr uint8_t kRed[] = {0, 42, 85, 127, 170, 212, 255};
  static constexpr uint8_t kGreen[] = {0, 31, 63, 95, 127, 159, 191, 223, 255};
  static constexpr uint8_t kBlue[] = {0, 85, 170, 255};
  std::vector<PALETTEENTRY> grid;
  for (uint8_t r : kRed) {
    for (uint8_t g : kGreen) {
      for (uint8_t b : kBlue) {
        if (g == 159 && b != 0) continue;  // room for the greys
        grid.push_back(PALETTEENTRY{r, g, b, PC_NOCOLLAPSE});
      }
    }
  }
  size_t start = 0;
  while (!(grid[start].peRed == 42 && grid[start].peGreen == 63 && grid[start].peBlue == 170)) {
    ++start;
  }
  std::vector<PALETTEENTRY> entries(grid.begin() + static_cast<ptrdiff_t>(start), grid.end());
  for (uint8_t level : {51, 102, 153, 204}) {
    entries.push_back(PALETTEENTRY{level, level, level, PC_NOCOLLAPSE});
  }
  entries.push_back(PALETTEENTRY{51, 102, 153, PC_NOCOLLAPSE});  // a cube colour
  entries.insert(entries.end(), grid.begin(), grid.begin() + static_cast<ptrdiff_t>(start));
  return entries;
}

}  // namespace

COLORREF RGB16ToColorRef(const RGB16Color& color) {
  return RGB(color.red >> 8, color.green >> 8, color.blue >> 8);
}

RGB16Color ColorRefToRGB16(COLORREF color) {
  RGB16Color out;
  out.red = static_cast<uint16_t>(GetRValue(color) * 256);
  out.blue = static_cast<uint16_t>(GetBValue(color) * 256);
  out.green = static_cast<uint16_t>(GetGValue(color) * 256);
  return out;
}

TPort::TPort() = default;

TPort::~TPort() {
  FreeRegion(visible_);
  FreeRegion(clip_);
  if (G().current == this) G().current = G().globalPort.get();
}

RegionRec* TPort::VisibleRegion() {
  if (!visible_) visible_ = AllocRegion();
  return visible_;
}

RegionRec* TPort::ClipRegion() {
  if (!clip_) clip_ = AllocRegion();
  return clip_;
}

void InitDrawingPort() {
  PortGlobals& g = G();
  if (!g.globalPort) g.globalPort = std::make_unique<TPort>();
  g.current = g.globalPort.get();
  InitPortPatterns();
  InitFontCache();
}

void FreeDrawingPort() {
  PortGlobals& g = G();
  FreeFontCache();
  FreePortPatterns();
  if (g.palette) DeleteObject(g.palette);
  g.palette = nullptr;
  g.current = nullptr;
  g.globalPort.reset();
  g.current = nullptr;
  g.dc = nullptr;
  g.window = nullptr;
  g.useSolidBrushes = false;
  g.recordingMetafile = false;
  g.mirror = POINT{};
}

TPort* GetCurrentPort() {
  return G().current;
}
void GetCurrentPortInto(TPort** out) {
  if (out) *out = G().current;
}
TPort* SetCurrentPort(TPort* port) {
  return std::exchange(G().current, port);
}
TPort* GetGlobalPort() {
  return G().globalPort.get();
}

HDC GetPortDC() {
  return G().dc;
}
HDC SetPortDC(HDC dc) {
  return std::exchange(G().dc, dc);
}
HWND GetPortWindow() {
  return G().window;
}
HWND SetPortWindow(HWND window) {
  return std::exchange(G().window, window);
}

PortDCHolder::PortDCHolder(HDC dc, HWND window) : dc_(dc), window_(window) {
  ++G().liveDCHolders;
}

PortDCHolder::~PortDCHolder() {
  --G().liveDCHolders;
  if (dc_ && window_ && G().releaseHook) G().releaseHook(window_, dc_);
}

HDC PortDCHolder::Set(HDC dc) {
  return std::exchange(dc_, dc);
}
int32_t PortDCHolder::LiveCount() {
  return G().liveDCHolders;
}

PortWindowHolder::PortWindowHolder(HWND window) : window_(window) {
  ++G().liveWindowHolders;
}
PortWindowHolder::~PortWindowHolder() {
  --G().liveWindowHolders;
}
HWND PortWindowHolder::Set(HWND window) {
  return std::exchange(window_, window);
}
int32_t PortWindowHolder::LiveCount() {
  return G().liveWindowHolders;
}

void SetReleaseDCHook(ReleaseDCHook hook) {
  G().releaseHook = hook;
}
void SetSelectObjectHook(SelectObjectHook hook) {
  G().selectHook = hook;
}

HGDIOBJ PortSelectObject(HDC dc, HGDIOBJ object) {
  if (!dc) return nullptr;
  return G().selectHook ? G().selectHook(dc, object) : SelectObject(dc, object);
}

bool GetUseSolidBrushes() {
  return G().useSolidBrushes;
}
void SetUseSolidBrushes(bool on) {
  G().useSolidBrushes = on;
}
bool IsRecordingMetafile() {
  return G().recordingMetafile;
}
void SetRecordingMetafile(bool on) {
  G().recordingMetafile = on;
}

void PortMoveTo(int32_t h, int32_t v) {
  TPort* port = G().current;
  if (!port) return;
  if (G().dc) MoveToEx(G().dc, h, v, nullptr);
  port->penLocation = MacPoint(static_cast<int16_t>(h), static_cast<int16_t>(v));
  StoreMirror(h, v);
}

void RecordPolygonPoint(int32_t h, int32_t v) {
  TPort* port;
  HDC dc;
  if (IsRecordingPolygon()) {
    AppendPolygonPoint(h, v);
    StoreMirror(h, v);
    if (G().dc) MoveToEx(G().dc, h, v, nullptr);
    return;
  }
  if (!Ready(port, dc)) return;
  if (PenVisible(port)) {
    LineTo(dc, h, v);
    SetPixel(dc, h, v, port->foreColor);  // lines include their end point
  } else {
    MoveToEx(dc, h, v, nullptr);
  }
  StoreMirror(h, v);
}

void PortLineTo(int32_t dh, int32_t dv) {
  TPort* port;
  HDC dc;
  if (!Ready(port, dc)) return;
  POINT start;
  if (!GetCurrentPositionEx(dc, &start)) return;
  if (IsRecordingMetafile()) start = G().mirror;
  const POINT end{start.x + dh, start.y + dv};
  if (IsRecordingPolygon()) {
    if (port->polygon && port->polygon->Count() == 0) AppendPolygonPoint(start.x, start.y);
    AppendPolygonPoint(end.x, end.y);
    MoveToEx(dc, end.x, end.y, nullptr);
  } else if (PenVisible(port)) {
    if (IsRecordingMetafile()) MoveToEx(dc, start.x, start.y, nullptr);
    LineTo(dc, end.x, end.y);
  } else {
    MoveToEx(dc, end.x, end.y, nullptr);
  }
  StoreMirror(end.x, end.y);
}

void PortGetPenLocation(MacPoint& out) {
  POINT p{};
  if (G().dc) {
    GetCurrentPositionEx(G().dc, &p);
  } else {
    HDC screen = CreateCompatibleDC(nullptr);
    GetCurrentPositionEx(screen, &p);
    DeleteDC(screen);
  }
  out = MacPoint(static_cast<int16_t>(p.x), static_cast<int16_t>(p.y));
}

POINT GetPenPositionMirror() {
  return G().mirror;
}

void PortSetPenMode(int16_t mode) {
  TPort* port;
  HDC dc;
  if (!Ready(port, dc)) return;
  SetROP2(dc, mode);
  if (port->penMode != mode) port->penMode = mode;
}

void PortSetPenSize(int16_t width, int16_t /*height*/) {
  TPort* port;
  HDC dc;
  if (!Ready(port, dc)) return;
  port->penSize = MacPoint(width, width);
  RebuildPen(port, dc);
}

void PortSetPenPattern(const uint8_t pattern[8]) {
  TPort* port;
  HDC dc;
  if (!Ready(port, dc) || !pattern) return;
  int16_t word = 0;
  std::memcpy(&word, pattern, sizeof word);
  port->penPattern = word;
  RebuildPen(port, dc);
}

void PortResetPen() {
  static constexpr uint8_t kSolid[8] = {};
  PortSetPenSize(1, 1);
  PortSetPenMode(R2_COPYPEN);
  PortSetPenPattern(kSolid);
}

void PortGetPenState(PenState& out) {
  const TPort* port = G().current;
  if (!port) return;
  out.location = port->penLocation;
  out.size = port->penSize;
  out.mode = port->penMode;
  out.pattern = port->penPattern;
}

void PortSetPenState(const PenState& state) {
  TPort* port = G().current;
  if (!port) return;
  PortMoveTo(state.location.h, state.location.v);
  if (!(state.size == port->penSize)) PortSetPenSize(state.size.h, state.size.v);
  if (state.mode != port->penMode) PortSetPenMode(state.mode);
  if (state.pattern != port->penPattern) {
    uint8_t pattern[8] = {};
    std::memcpy(pattern, &state.pattern, sizeof state.pattern);
    PortSetPenPattern(pattern);
  }
}

void PortShowPen() {
  if (TPort* port = G().current) ++port->penVisibility;
}

void PortHidePen() {
  if (TPort* port = G().current) --port->penVisibility;
}

void PortSetForeColor(TPort* port, const RGB16Color& color) {
  if (!port) return;
  const COLORREF value = RGB16ToColorRef(color);
  if (value == port->foreColor) return;
  port->foreColor = value;
  if (G().dc && port == G().current) RebuildPen(port, G().dc);
}

void PortSetBackColor(TPort* port, const RGB16Color& color) {
  if (!port) return;
  port->backColor = RGB16ToColorRef(color);
  if (G().dc && port == G().current) SetBkColor(G().dc, port->backColor);
}

void SetPortForeColor(const RGB16Color& color) {
  PortSetForeColor(G().current, color);
}
void SetPortBackColor(const RGB16Color& color) {
  PortSetBackColor(G().current, color);
}

void GetPortForeColor(RGB16Color& out) {
  if (const TPort* port = G().current) out = ColorRefToRGB16(port->foreColor);
}

void GetPortBackColor(RGB16Color& out) {
  if (const TPort* port = G().current) out = ColorRefToRGB16(port->backColor);
}

void SetChooseColorHook(ChooseColorHook hook) {
  G().chooseHook = hook;
}

bool PortChooseColor(RGB16Color& color) {
  if (!G().chooseHook) return false;
  auto down = [](uint16_t channel) { return static_cast<int>(channel * 255u / 65535u); };
  COLORREF value = RGB(down(color.red), down(color.green), down(color.blue));
  COLORREF custom[16];
  for (COLORREF& c : custom)
    c = value;
  if (!G().chooseHook(value, custom)) return false;
  auto up = [](uint8_t byte) { return static_cast<uint16_t>(byte * 65535u / 255u); };
  color.red = up(GetRValue(value));
  color.green = up(GetGValue(value));
  color.blue = up(GetBValue(value));
  return true;
}

const PALETTEENTRY* AppPaletteEntries() {
  static const std::vector<PALETTEENTRY> entries = BuildPalette();
  return entries.data();
}

void SelectAppPalette(HDC dc) {
  if (!dc) return;
  if (!G().palette) {
    constexpr int kCount = 236;
    std::vector<uint8_t> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * kCount);
    auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
    log->palVersion = 0x300;
    log->palNumEntries = kCount;
    std::memcpy(log->palPalEntry, AppPaletteEntries(), sizeof(PALETTEENTRY) * kCount);
    G().palette = CreatePalette(log);
  }
  SelectPalette(dc, G().palette, FALSE);
  RealizePalette(dc);
}
