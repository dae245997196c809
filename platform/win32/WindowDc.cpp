#include "platform/win32/WindowDc.h"

#include <map>
#include <memory>
#include <unordered_map>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/RegionGdi.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"

namespace {

struct WindowDcRecord {
  HWND window = nullptr;
  RECT surfaceArea;  // what the context may have touched, in surface coordinates
  bool settled = true;  // false while its visible region is not worked out: nothing was drawn
};

std::map<HDC, WindowDcRecord>& Contexts() {
  static std::map<HDC, WindowDcRecord> contexts;
  return contexts;
}

RegionData ToRegion(const WindowArea& area) {
  return WindowAreaRegion(area);
}

// A context on the top-level surface: origin at the client area (or the window) and the given
// screen area as its limit.
HDC MakeContext(HWND window, bool wholeWindow, WindowArea visible) {
  const WindowRecord* record = FindWindowRecord(window);
  const WindowRecord* top = FindWindowRecord(GetAncestorTopLevel(window));
  if (!record || !top || !top->surface) return nullptr;
  const RECT topScreen = WindowScreenRect(*top);
  const RECT own = wholeWindow ? WindowScreenRect(*record) : ClientScreenRect(*record);
  visible.Offset(-topScreen.left, -topScreen.top);
  const RegionData region = ToRegion(visible);
  const POINT origin{own.left - topScreen.left, own.top - topScreen.top};
  const HDC dc = CreateSurfaceDC(top->surface->Cairo(), origin, &region);
  if (dc) Contexts()[dc] = WindowDcRecord{window, visible.Bounds()};
  return dc;
}

void Finish(HDC dc) {
  auto found = Contexts().find(dc);
  if (found == Contexts().end()) return;
  const WindowDcRecord record = found->second;
  Contexts().erase(found);
  DeleteDC(dc);
  if (!record.settled) return;  // never drawn into
  const HWND top = GetAncestorTopLevel(record.window);
  WindowPresenter* presenter = GetWindowPresenter();
  if (presenter && top && !IsRectEmpty(record.surfaceArea))
    presenter->SurfaceUpdated(top, record.surfaceArea);
}

}  // namespace

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || !paint) return nullptr;
  // The update area limits the context; taking it sends WM_NCPAINT and WM_ERASEBKGND.
  WindowArea update = record->update;
  const RECT client = ClientScreenRect(*record);
  update.Offset(client.left, client.top);
  WindowArea visible = VisibleScreenArea(*record, false);
  WindowArea limit;
  for (const RECT& rect : update.Rects()) {
    WindowArea piece = visible;
    piece.IntersectWith(rect);
    limit.Add(piece);
  }
  const HDC dc = MakeContext(window, false, limit);
  BOOL erased = FALSE;
  RECT bounds = TakeUpdateArea(window, reinterpret_cast<WPARAM>(dc), &erased);
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->fErase = erased ? FALSE : TRUE;
  paint->rcPaint = bounds;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (!paint || !paint->hdc) return FALSE;
  Finish(paint->hdc);
  return TRUE;
}

namespace {

// The clip regions of window contexts, worked out once for the current layout of the windows.
struct ContextRegionCache {
  uint64_t generation = UINT64_MAX;
  std::unordered_map<uintptr_t, RegionData> client;
  std::unordered_map<uintptr_t, RegionData> whole;
};

ContextRegionCache& RegionCache() {
  static ContextRegionCache cache;
  return cache;
}

// The visible region of a window's context, for the current layout of the windows.
const RegionData& WindowRegion(HWND window, bool wholeWindow, const RECT& topScreen) {
  ContextRegionCache& cache = RegionCache();
  if (cache.generation != WindowLayoutGeneration()) {
    cache.client.clear();
    cache.whole.clear();
    cache.generation = WindowLayoutGeneration();
  }
  auto& regions = wholeWindow ? cache.whole : cache.client;
  const auto key = reinterpret_cast<uintptr_t>(window);
  auto found = regions.find(key);
  if (found == regions.end()) {
    const WindowRecord* record = FindWindowRecord(window);
    WindowArea visible = record ? VisibleScreenArea(*record, wholeWindow) : WindowArea();
    visible.Offset(-topScreen.left, -topScreen.top);
    found = regions.emplace(key, ToRegion(visible)).first;
  }
  return found->second;
}

// A context whose limit is all of the window that can be seen. The limit is worked out when a
// drawing call first needs it, or before the windows' layout next changes, whichever comes
// first: a context taken only to be given back (as views do when they focus) costs little.
HDC MakeWindowContext(HWND window, bool wholeWindow) {
  const WindowRecord* record = FindWindowRecord(window);
  const WindowRecord* top = FindWindowRecord(GetAncestorTopLevel(window));
  if (!record || !top || !top->surface) return nullptr;
  const RECT topScreen = WindowScreenRect(*top);
  const RECT own = wholeWindow ? WindowScreenRect(*record) : ClientScreenRect(*record);
  const POINT origin{own.left - topScreen.left, own.top - topScreen.top};
  auto holder = std::make_shared<HDC>(nullptr);
  const HDC dc = CreateSurfaceDCDeferred(
      top->surface->Cairo(), origin, [window, wholeWindow, topScreen, holder]() {
        const RegionData& region = WindowRegion(window, wholeWindow, topScreen);
        const auto found = Contexts().find(*holder);
        if (found != Contexts().end()) {
          found->second.surfaceArea = region.Box();
          found->second.settled = true;
        }
        return region;
      });
  if (!dc) return nullptr;
  *holder = dc;
  Contexts()[dc] = WindowDcRecord{window, RECT{}, false};
  return dc;
}

}  // namespace

void SettleWindowContexts() {
  for (auto& [dc, record] : Contexts())
    if (!record.settled) SettleSurfaceDCVisible(dc);
}

HDC GetDC(HWND window) {
  return MakeWindowContext(window, false);
}

HDC GetWindowDC(HWND window) {
  return MakeWindowContext(window, true);
}

int32_t ReleaseDC(HWND, HDC dc) {
  if (!Contexts().count(dc)) return 0;
  Finish(dc);
  return 1;
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) {
  if (!region) return InvalidateRect(window, nullptr, erase);
  const GdiRegion* data = LookupRegion(region);
  if (!data || !IsWindow(window)) return FALSE;
  for (const RECT& rect : data->data.Rects())
    InvalidateRect(window, &rect, erase);
  return TRUE;
}

BOOL ValidateRgn(HWND window, HRGN region) {
  if (!region) return ValidateRect(window, nullptr);
  const GdiRegion* data = LookupRegion(region);
  if (!data || !IsWindow(window)) return FALSE;
  for (const RECT& rect : data->data.Rects())
    ValidateRect(window, &rect);
  return TRUE;
}

int32_t GetUpdateRgn(HWND window, HRGN region, BOOL) {
  const WindowRecord* record = FindWindowRecord(window);
  GdiRegion* out = LookupRegion(region);
  if (!record || !out) return ERROR;
  out->data = ToRegion(record->update);
  return out->data.Kind();
}

// ---------------------------------------------------------------------------------------------
// What DefWindowProc paints.

void DefaultPaint(HWND window) {
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
}

LRESULT DefaultEraseBackground(HWND window, WPARAM context) {
  const WindowRecord* record = FindWindowRecord(window);
  const HDC dc = reinterpret_cast<HDC>(context);
  if (!record || !dc || record->background == kNoBackground) return 0;
  RECT client;
  GetClientRect(window, &client);
  const uint32_t rgb = record->background;
  const HBRUSH brush = CreateSolidBrush(rgb);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  return 1;
}
