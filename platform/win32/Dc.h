#pragma once
// Device contexts. A context draws into a 32-bit pixel buffer that is a Cairo image surface: the
// bitmap selected into a memory context, a page of a printer context, or any surface handed to
// CreateSurfaceDC (the hook for window contexts: a window's context is a context on the screen
// surface with the window's origin and its visible region as the base clip). A metafile context
// has no pixels: it records what is drawn (Metafile.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <cairo.h>

#include "platform/win32/GdiObjects.h"
#include "platform/win32/GdiTypes.h"
#include "platform/win32/Region.h"

class MetafileRecorder;
class PrinterJob;

// What SaveDC keeps and RestoreDC puts back.
struct DcState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;
  HPALETTE palette = nullptr;
  POINT position;
  POINT brushOrigin;
  COLORREF textColor = 0;
  COLORREF backColor = RGB(255, 255, 255);
  int32_t backMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int32_t rop2 = R2_COPYPEN;
  int32_t polyFillMode = ALTERNATE;
  int32_t stretchMode = 1;
  int32_t mapMode = MM_TEXT;
  POINT windowOrigin;
  POINT viewportOrigin;
  SIZE windowExtent{1, 1};
  SIZE viewportExtent{1, 1};
  // The clip region in device coordinates of this context (before its surface origin); none
  // means everything visible.
  std::optional<RegionData> clip;
};

// Work done by the drawing calls on a context, kept so that tests and benchmarks can see that
// drawing costs what lands on the surface and not what the shape measures: rows walked by scan
// conversion, steps taken along one-pixel lines, pixels of Cairo coverage masks, pixels read
// from the source of blits, and the most rectangles held by one region painted. Painting calls
// are counted too, and among them those whose pixels mix with what lies under them (exclusive-or,
// masks, merges): a picture drawn without such calls comes out the same when drawn again over
// itself, which lets the off-screen pictures skip drawing what a copy already holds.
struct DrawWork {
  int64_t rows = 0;
  int64_t lineSteps = 0;
  int64_t maskPixels = 0;
  int64_t sourcePixels = 0;
  size_t largestRegion = 0;
  int64_t paints = 0;
  int64_t mixingPaints = 0;
};

// Buffers the drawing calls of a context reuse, so that a short line allocates nothing. Each is
// used within one call and left empty.
struct DrawScratch {
  std::vector<POINT> points;
  RegionData::Builder on;
  RegionData::Builder off;
};

class DeviceContext {
 public:
  enum class Kind { Memory, Surface, Printer, Metafile };
  DeviceContext(Kind kind);
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  Kind kind;
  uintptr_t handle = 0;
  DcState state;
  std::vector<DcState> saved;

  // Pixel target: the surface drawn into (not owned for a memory context: it is the selected
  // bitmap's), the surface position of device point (0, 0), and the surface area this context
  // may touch (all of it when none).
  cairo_surface_t* surface = nullptr;
  POINT origin;
  // Worked out when first needed, by visibleSource when it is set (a window's context that is
  // never drawn into never needs it).
  mutable std::optional<RegionData> visible;
  mutable std::function<RegionData()> visibleSource;
  int32_t dpi = 96;

  DrawWork work;
  DrawScratch scratch;

 private:
  static int32_t ClampDevice(int64_t v) {
    return static_cast<int32_t>(v < -kDeviceLimit ? -kDeviceLimit
                                                  : (v > kDeviceLimit ? kDeviceLimit : v));
  }
  POINT ToDeviceScaled(POINT p) const;

  // What the last effective clip was worked out from, and the clip itself.
  struct ClipMemo {
    bool valid = false;
    std::optional<RegionData> visible;
    std::optional<RegionData> clip;
    POINT origin{0, 0};
    int32_t width = 0;
    int32_t height = 0;
    RegionData result;
  };
  mutable ClipMemo clipMemo_;

 public:

  std::unique_ptr<MetafileRecorder> recorder;
  std::unique_ptr<PrinterJob> printer;

  // Objects held by state and saved states are counted so that deleting them is deferred.
  void Select(HGDIOBJ& slot, HGDIOBJ object);
  void RetainState(const DcState& s);
  void ReleaseState(const DcState& s);

  // Device coordinates stay within this bound, so that a mapping that sends a point far beyond
  // any surface neither wraps round nor overflows where drawing adds a surface origin or takes
  // the difference of two coordinates.
  static constexpr int64_t kDeviceLimit = (int64_t{1} << 30) - (int64_t{1} << 20);

  // Mapping from logical to device coordinates (device: before the surface origin).
  POINT ToDevice(POINT p) const {
    if (state.mapMode != MM_TEXT) return ToDeviceScaled(p);
    // Drawing calls map every point: the plain mapping is a shift.
    return POINT{ClampDevice(int64_t{p.x} - state.windowOrigin.x + state.viewportOrigin.x),
                 ClampDevice(int64_t{p.y} - state.windowOrigin.y + state.viewportOrigin.y)};
  }
  POINT ToLogical(POINT p) const;
  int32_t ScaleX(int32_t length) const;
  int32_t ScaleY(int32_t length) const;
  // The surface pixels this context may touch, in surface coordinates. Worked out again only
  // when the visible region, the clip region, the origin or the surface size changed since the
  // last call; the answer stays valid until the next call.
  const RegionData& EffectiveClip() const;
  bool HasPixels() const { return surface != nullptr; }
  int32_t Width() const;
  int32_t Height() const;
};

DeviceContext* LookupDC(HDC hdc);
// Enters a new context in the table with the initial selections; answers its handle.
HDC AddDeviceContext(std::unique_ptr<DeviceContext> dc);

// The window-context hook: a context drawing into surface (RGB24 or ARGB32 image surface, held
// by reference), with device (0, 0) at origin and drawing limited to visible (surface
// coordinates). Changing origin and visible region later follows a window that moves or whose
// uncovered area changes.
HDC CreateSurfaceDC(cairo_surface_t* surface, POINT origin, const RegionData* visible);
void SetSurfaceDCOrigin(HDC hdc, POINT origin, const RegionData* visible);
// The same, with the visible region worked out by `source` when a drawing call first needs it,
// or when SettleSurfaceDCVisible is called.
HDC CreateSurfaceDCDeferred(cairo_surface_t* surface, POINT origin,
                            std::function<RegionData()> source);
// Works out a deferred visible region now; answers whether one was still to be worked out.
bool SettleSurfaceDCVisible(HDC hdc);
cairo_surface_t* GetDCSurface(HDC hdc);

// Contexts. A context compatible with null is a memory context compatible with the screen.
HDC CreateCompatibleDC(HDC hdc);
// A bitmap in the colour format of the context: monochrome while a memory context holds its
// initial one-pixel monochrome bitmap, 32-bit otherwise (and for a null context).
HBITMAP CreateCompatibleBitmap(HDC hdc, int32_t width, int32_t height);
BOOL DeleteDC(HDC hdc);
int32_t SaveDC(HDC hdc);
// level > 0 restores that saved state; level < 0 counts back from the latest.
BOOL RestoreDC(HDC hdc, int32_t level);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
int32_t GetDeviceCaps(HDC hdc, int32_t index);

// State.
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int32_t SetBkMode(HDC hdc, int32_t mode);
int32_t GetBkMode(HDC hdc);
int32_t SetROP2(HDC hdc, int32_t mode);
int32_t GetROP2(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);
int32_t SetPolyFillMode(HDC hdc, int32_t mode);
int32_t GetPolyFillMode(HDC hdc);
int32_t SetStretchBltMode(HDC hdc, int32_t mode);
BOOL SetBrushOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous);
BOOL GetCurrentPositionEx(HDC hdc, POINT* out);

// Mapping.
int32_t SetMapMode(HDC hdc, int32_t mode);
int32_t GetMapMode(HDC hdc);
BOOL SetWindowOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous);
BOOL SetViewportOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous);
BOOL GetWindowOrgEx(HDC hdc, POINT* out);
BOOL GetViewportOrgEx(HDC hdc, POINT* out);
BOOL OffsetViewportOrgEx(HDC hdc, int32_t dx, int32_t dy, POINT* previous);
BOOL OffsetWindowOrgEx(HDC hdc, int32_t dx, int32_t dy, POINT* previous);
BOOL SetWindowExtEx(HDC hdc, int32_t x, int32_t y, SIZE* previous);
BOOL SetViewportExtEx(HDC hdc, int32_t x, int32_t y, SIZE* previous);
BOOL GetWindowExtEx(HDC hdc, SIZE* out);
BOOL GetViewportExtEx(HDC hdc, SIZE* out);
BOOL LPtoDP(HDC hdc, POINT* points, int32_t count);
BOOL DPtoLP(HDC hdc, POINT* points, int32_t count);

// Clipping (the region is copied; its coordinates are device coordinates).
int32_t SelectClipRgn(HDC hdc, HRGN region);
int32_t ExtSelectClipRgn(HDC hdc, HRGN region, int32_t mode);
int32_t IntersectClipRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int32_t ExcludeClipRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom);
int32_t GetClipBox(HDC hdc, RECT* out);
// 1 and a copy of the clip region in the given region, 0 when there is none.
int32_t GetClipRgn(HDC hdc, HRGN out);

// Palettes: a 32-bit surface shows every colour as it is.
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL background);
UINT RealizePalette(HDC hdc);
COLORREF GetNearestColor(HDC hdc, COLORREF color);
