#include "platform/win32/Dc.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "platform/win32/DcPrinter.h"
#include "platform/win32/Metafile.h"

namespace {

struct DcTable {
  std::unordered_map<uintptr_t, std::unique_ptr<DeviceContext>> contexts;
  uintptr_t next = 0x70000000;
  // The context of the handle looked up last: drawing calls come in runs on one context.
  uintptr_t recentHandle = 0;
  DeviceContext* recent = nullptr;
};

DcTable& Contexts() {
  static DcTable table;
  return table;
}

HBITMAP DefaultBitmap() {
  static HBITMAP bitmap = [] {
    HBITMAP made = CreateBitmap(1, 1, 1, 1, nullptr);
    LookupGdiObject(made)->stock = true;
    return made;
  }();
  return bitmap;
}

int64_t RoundDiv(int64_t numerator, int64_t denominator) {
  if (denominator == 0) return 0;
  if (denominator < 0) numerator = -numerator, denominator = -denominator;
  const int64_t half = denominator / 2;
  return numerator >= 0 ? (numerator + half) / denominator : -((-numerator + half) / denominator);
}

}  // namespace

HDC AddDeviceContext(std::unique_ptr<DeviceContext> dc) {
  DcTable& table = Contexts();
  const uintptr_t handle = table.next;
  table.next += 4;
  dc->handle = handle;
  dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.pen), GetStockObject(BLACK_PEN));
  dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.brush), GetStockObject(WHITE_BRUSH));
  dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.font), GetStockObject(SYSTEM_FONT));
  dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.palette), GetStockObject(DEFAULT_PALETTE));
  if (dc->kind == DeviceContext::Kind::Memory) {
    dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.bitmap), DefaultBitmap());
    GdiBitmap* bitmap = LookupBitmap(DefaultBitmap());
    dc->surface = bitmap->surface;
  }
  table.contexts.emplace(handle, std::move(dc));
  return reinterpret_cast<HDC>(handle);
}

namespace {

// The isotropic mode keeps one scale on both axes by shrinking the larger viewport extent.
void AdjustIsotropic(DcState& s) {
  if (s.mapMode != MM_ISOTROPIC || s.windowExtent.cx == 0 || s.windowExtent.cy == 0) return;
  const int64_t wx = std::abs(s.windowExtent.cx);
  const int64_t wy = std::abs(s.windowExtent.cy);
  const int64_t vx = std::abs(s.viewportExtent.cx);
  const int64_t vy = std::abs(s.viewportExtent.cy);
  if (vx * wy < vy * wx) {
    const int64_t y = RoundDiv(wy * vx, wx);
    s.viewportExtent.cy = static_cast<int32_t>(s.viewportExtent.cy < 0 ? -y : y);
  } else {
    const int64_t x = RoundDiv(wx * vy, wy);
    s.viewportExtent.cx = static_cast<int32_t>(s.viewportExtent.cx < 0 ? -x : x);
  }
}

DeviceContext* Live(HDC hdc) {
  return LookupDC(hdc);
}

void RecordColor(MetafileRecorder& recorder, uint16_t function, COLORREF color) {
  recorder.Record(function, {static_cast<int16_t>(color & 0xFFFF),
                             static_cast<int16_t>((color >> 16) & 0xFFFF)});
}

}  // namespace

DeviceContext::DeviceContext(Kind kind) : kind(kind) {}

DeviceContext::~DeviceContext() {
  for (const DcState& s : saved)
    ReleaseState(s);
  ReleaseState(state);
  if (kind == Kind::Surface && surface) cairo_surface_destroy(surface);
}

void DeviceContext::Select(HGDIOBJ& slot, HGDIOBJ object) {
  RetainGdiObject(object);
  HGDIOBJ previous = slot;
  slot = object;
  ReleaseGdiObject(previous);
}

void DeviceContext::RetainState(const DcState& s) {
  for (HGDIOBJ o :
       {static_cast<HGDIOBJ>(s.pen), static_cast<HGDIOBJ>(s.brush), static_cast<HGDIOBJ>(s.font),
        static_cast<HGDIOBJ>(s.bitmap), static_cast<HGDIOBJ>(s.palette)}) {
    RetainGdiObject(o);
  }
}

void DeviceContext::ReleaseState(const DcState& s) {
  if (GdiBitmap* bitmap = LookupBitmap(s.bitmap);
      bitmap && bitmap->selectCount == 1 && bitmap->selectedInto == reinterpret_cast<HDC>(handle)) {
    bitmap->selectedInto = nullptr;
  }
  for (HGDIOBJ o :
       {static_cast<HGDIOBJ>(s.pen), static_cast<HGDIOBJ>(s.brush), static_cast<HGDIOBJ>(s.font),
        static_cast<HGDIOBJ>(s.bitmap), static_cast<HGDIOBJ>(s.palette)}) {
    ReleaseGdiObject(o);
  }
}

namespace {

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// d * to / from rounded to nearest, without overflow for any 32-bit extents.
int64_t MapLength(int64_t d, int32_t to, int32_t from) {
  if (from == 0) return 0;
  __int128 n = static_cast<__int128>(d) * to;
  __int128 q = from;
  if (q < 0) n = -n, q = -q;
  const __int128 r = n >= 0 ? (n + q / 2) / q : -((-n + q / 2) / q);
  return static_cast<int64_t>(std::clamp<__int128>(r, INT64_MIN / 2, INT64_MAX / 2));
}

}  // namespace

POINT DeviceContext::ToDeviceScaled(POINT p) const {
  const DcState& s = state;
  const int64_t dx = int64_t{p.x} - s.windowOrigin.x;
  const int64_t dy = int64_t{p.y} - s.windowOrigin.y;
  const int64_t x = MapLength(dx, s.viewportExtent.cx, s.windowExtent.cx);
  const int64_t y = MapLength(dy, s.viewportExtent.cy, s.windowExtent.cy);
  return POINT{ClampDevice(x + s.viewportOrigin.x), ClampDevice(y + s.viewportOrigin.y)};
}

POINT DeviceContext::ToLogical(POINT p) const {
  const DcState& s = state;
  const int64_t dx = int64_t{p.x} - s.viewportOrigin.x;
  const int64_t dy = int64_t{p.y} - s.viewportOrigin.y;
  if (s.mapMode == MM_TEXT) {
    return POINT{Saturate(dx + s.windowOrigin.x), Saturate(dy + s.windowOrigin.y)};
  }
  const int64_t x = MapLength(dx, s.windowExtent.cx, s.viewportExtent.cx);
  const int64_t y = MapLength(dy, s.windowExtent.cy, s.viewportExtent.cy);
  return POINT{Saturate(x + s.windowOrigin.x), Saturate(y + s.windowOrigin.y)};
}

int32_t DeviceContext::ScaleX(int32_t length) const {
  if (state.mapMode == MM_TEXT) return length;
  return ClampDevice(std::abs(MapLength(length, state.viewportExtent.cx, state.windowExtent.cx)));
}

int32_t DeviceContext::ScaleY(int32_t length) const {
  if (state.mapMode == MM_TEXT) return length;
  return ClampDevice(std::abs(MapLength(length, state.viewportExtent.cy, state.windowExtent.cy)));
}

int32_t DeviceContext::Width() const {
  return surface ? cairo_image_surface_get_width(surface) : 0;
}

int32_t DeviceContext::Height() const {
  return surface ? cairo_image_surface_get_height(surface) : 0;
}

const RegionData& DeviceContext::EffectiveClip() const {
  if (visibleSource) {
    visible = visibleSource();
    visibleSource = nullptr;
  }
  const RECT surface{0, 0, Width(), Height()};
  // Drawing calls follow one another under the same clip: compared by value, the regions cost
  // far less than cutting and combining them again for every call.
  ClipMemo& memo = clipMemo_;
  if (memo.valid && memo.width == surface.right && memo.height == surface.bottom &&
      memo.origin.x == origin.x && memo.origin.y == origin.y && memo.visible == visible &&
      memo.clip == state.clip)
    return memo.result;
  // Regions are cut to the surface before they are combined, so a clip region far larger than
  // the surface costs each drawing call only its bands over the surface.
  RegionData clip =
      visible ? visible->Within(surface) : RegionData::Rect(0, 0, surface.right, surface.bottom);
  if (state.clip) {
    RegionData user = state.clip->Within(
        RECT{-origin.x, -origin.y, surface.right - origin.x, surface.bottom - origin.y});
    user.Offset(origin.x, origin.y);
    clip = RegionData::Combine(clip, user, RGN_AND);
  }
  memo.valid = true;
  memo.width = surface.right;
  memo.height = surface.bottom;
  memo.origin = origin;
  memo.visible = visible;
  memo.clip = state.clip;
  memo.result = std::move(clip);
  return memo.result;
}

DeviceContext* LookupDC(HDC hdc) {
  DcTable& table = Contexts();
  const auto key = reinterpret_cast<uintptr_t>(hdc);
  if (table.recent != nullptr && table.recentHandle == key) return table.recent;
  auto it = table.contexts.find(key);
  if (it == table.contexts.end()) return nullptr;
  table.recentHandle = key;
  table.recent = it->second.get();
  return table.recent;
}

HDC CreateSurfaceDC(cairo_surface_t* surface, POINT origin, const RegionData* visible) {
  if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_RGB24 && format != CAIRO_FORMAT_ARGB32) return nullptr;
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Surface);
  dc->surface = cairo_surface_reference(surface);
  dc->origin = origin;
  if (visible) dc->visible = *visible;
  return AddDeviceContext(std::move(dc));
}

HDC CreateSurfaceDCDeferred(cairo_surface_t* surface, POINT origin,
                            std::function<RegionData()> source) {
  const HDC hdc = CreateSurfaceDC(surface, origin, nullptr);
  if (DeviceContext* dc = Live(hdc)) dc->visibleSource = std::move(source);
  return hdc;
}

bool SettleSurfaceDCVisible(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !dc->visibleSource) return false;
  dc->visible = dc->visibleSource();
  dc->visibleSource = nullptr;
  return true;
}

void SetSurfaceDCOrigin(HDC hdc, POINT origin, const RegionData* visible) {
  DeviceContext* dc = Live(hdc);
  if (!dc || dc->kind != DeviceContext::Kind::Surface) return;
  dc->origin = origin;
  dc->visibleSource = nullptr;
  if (visible)
    dc->visible = *visible;
  else
    dc->visible.reset();
}

cairo_surface_t* GetDCSurface(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->surface : nullptr;
}

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !Live(hdc)) return nullptr;
  return AddDeviceContext(std::make_unique<DeviceContext>(DeviceContext::Kind::Memory));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int32_t width, int32_t height) {
  DeviceContext* dc = hdc ? Live(hdc) : nullptr;
  if (hdc && !dc) return nullptr;
  bool monochrome = false;
  if (dc && dc->kind == DeviceContext::Kind::Memory) {
    const GdiBitmap* selected = LookupBitmap(dc->state.bitmap);
    monochrome = selected && selected->monochrome;
  }
  return CreateBitmap(width, height, 1, monochrome ? 1 : 32, nullptr);
}

BOOL DeleteDC(HDC hdc) {
  DcTable& table = Contexts();
  auto it = table.contexts.find(reinterpret_cast<uintptr_t>(hdc));
  if (it == table.contexts.end()) return FALSE;
  std::unique_ptr<DeviceContext> dc = std::move(it->second);
  table.contexts.erase(it);
  if (table.recent == dc.get()) table.recent = nullptr;
  if (dc->printer) dc->printer->Abort();
  return TRUE;
}

int32_t SaveDC(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return 0;
  if (dc->recorder) dc->recorder->Record(META_SAVEDC, {});
  dc->RetainState(dc->state);
  dc->saved.push_back(dc->state);
  return static_cast<int32_t>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int32_t level) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  const auto depth = static_cast<int32_t>(dc->saved.size());
  const int32_t target = level < 0 ? depth + level + 1 : level;
  if (target < 1 || target > depth) return FALSE;
  if (dc->recorder) dc->recorder->Record(META_RESTOREDC, {static_cast<int16_t>(level)});
  while (static_cast<int32_t>(dc->saved.size()) > target) {
    dc->ReleaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  dc->ReleaseState(dc->state);
  dc->state = std::move(dc->saved.back());
  dc->saved.pop_back();
  if (dc->kind == DeviceContext::Kind::Memory) {
    if (GdiBitmap* bitmap = LookupBitmap(dc->state.bitmap)) {
      dc->surface = bitmap->surface;
      bitmap->selectedInto = hdc;
    }
  }
  return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  DeviceContext* dc = Live(hdc);
  GdiObject* gdi = LookupGdiObject(object);
  if (!dc || !gdi || gdi->deletePending) return nullptr;
  DcState& s = dc->state;
  if (gdi->type == OBJ_REGION) {
    return reinterpret_cast<HGDIOBJ>(
        static_cast<uintptr_t>(SelectClipRgn(hdc, static_cast<HRGN>(object))));
  }
  if (dc->recorder && gdi->type != OBJ_BITMAP && !dc->recorder->Select(object)) return nullptr;
  HGDIOBJ* slot = nullptr;
  switch (gdi->type) {
    case OBJ_PEN:
      slot = reinterpret_cast<HGDIOBJ*>(&s.pen);
      break;
    case OBJ_BRUSH:
      slot = reinterpret_cast<HGDIOBJ*>(&s.brush);
      break;
    case OBJ_FONT:
      slot = reinterpret_cast<HGDIOBJ*>(&s.font);
      break;
    case OBJ_BITMAP: {
      if (dc->kind != DeviceContext::Kind::Memory) return nullptr;
      auto* bitmap = static_cast<GdiBitmap*>(gdi);
      if (bitmap->selectedInto && bitmap->selectedInto != hdc && !bitmap->stock) return nullptr;
      if (GdiBitmap* old = LookupBitmap(s.bitmap)) old->selectedInto = nullptr;
      bitmap->selectedInto = hdc;
      dc->surface = bitmap->surface;
      slot = reinterpret_cast<HGDIOBJ*>(&s.bitmap);
      break;
    }
    default:
      return nullptr;
  }
  HGDIOBJ previous = *slot;
  dc->Select(*slot, object);
  return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN:
      return dc->state.pen;
    case OBJ_BRUSH:
      return dc->state.brush;
    case OBJ_FONT:
      return dc->state.font;
    case OBJ_BITMAP:
      return dc->state.bitmap;
    case OBJ_PAL:
      return dc->state.palette;
    default:
      return nullptr;
  }
}

int32_t GetDeviceCaps(HDC hdc, int32_t index) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return 0;
  switch (index) {
    case HORZRES:
      return dc->Width();
    case VERTRES:
      return dc->Height();
    case HORZSIZE:
      return static_cast<int32_t>(dc->Width() * 254 / (dc->dpi * 10));
    case VERTSIZE:
      return static_cast<int32_t>(dc->Height() * 254 / (dc->dpi * 10));
    case LOGPIXELSX:
    case LOGPIXELSY:
      return dc->dpi;
    case BITSPIXEL:
      return 32;
    case PLANES:
      return 1;
    case RASTERCAPS:
      return 0x0001 | 0x0008 | 0x0800;  // bit transfers, large bitmaps, stretching
    default:
      return 0;
  }
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return CLR_INVALID;
  if (dc->recorder) RecordColor(*dc->recorder, META_SETTEXTCOLOR, color);
  return std::exchange(dc->state.textColor, color & 0xFFFFFF);
}

COLORREF GetTextColor(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return CLR_INVALID;
  if (dc->recorder) RecordColor(*dc->recorder, META_SETBKCOLOR, color);
  return std::exchange(dc->state.backColor, color & 0xFFFFFF);
}

COLORREF GetBkColor(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.backColor : CLR_INVALID;
}

int32_t SetBkMode(HDC hdc, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  if (dc->recorder) dc->recorder->Record(META_SETBKMODE, {static_cast<int16_t>(mode)});
  return std::exchange(dc->state.backMode, mode);
}

int32_t GetBkMode(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.backMode : 0;
}

int32_t SetROP2(HDC hdc, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
  if (dc->recorder) dc->recorder->Record(META_SETROP2, {static_cast<int16_t>(mode)});
  return std::exchange(dc->state.rop2, mode);
}

int32_t GetROP2(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.rop2 : 0;
}

UINT SetTextAlign(HDC hdc, UINT align) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return GDI_ERROR;
  if (dc->recorder) dc->recorder->Record(META_SETTEXTALIGN, {static_cast<int16_t>(align)});
  return std::exchange(dc->state.textAlign, align);
}

UINT GetTextAlign(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.textAlign : GDI_ERROR;
}

int32_t SetPolyFillMode(HDC hdc, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
  if (dc->recorder) dc->recorder->Record(META_SETPOLYFILLMODE, {static_cast<int16_t>(mode)});
  return std::exchange(dc->state.polyFillMode, mode);
}

int32_t GetPolyFillMode(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.polyFillMode : 0;
}

int32_t SetStretchBltMode(HDC hdc, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc || mode < 1 || mode > 4) return 0;
  if (dc->recorder) dc->recorder->Record(META_SETSTRETCHBLTMODE, {static_cast<int16_t>(mode)});
  return std::exchange(dc->state.stretchMode, mode);
}

BOOL SetBrushOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.brushOrigin;
  dc->state.brushOrigin = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.position;
  return TRUE;
}

int32_t SetMapMode(HDC hdc, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc || mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  if (dc->recorder) dc->recorder->Record(META_SETMAPMODE, {static_cast<int16_t>(mode)});
  DcState& s = dc->state;
  const int32_t previous = s.mapMode;
  s.mapMode = mode;
  const int32_t dpi = dc->dpi;
  auto fixed = [&](int32_t units) {
    s.windowExtent = SIZE{units, units};
    s.viewportExtent = SIZE{dpi, -dpi};
  };
  switch (mode) {
    case MM_TEXT:
      s.windowExtent = s.viewportExtent = SIZE{1, 1};
      break;
    case MM_LOMETRIC:
      fixed(254);
      break;
    case MM_HIMETRIC:
      fixed(2540);
      break;
    case MM_LOENGLISH:
      fixed(100);
      break;
    case MM_HIENGLISH:
      fixed(1000);
      break;
    case MM_TWIPS:
      fixed(1440);
      break;
    case MM_ISOTROPIC:
      AdjustIsotropic(s);
      break;
    default:
      break;
  }
  return previous;
}

int32_t GetMapMode(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  return dc ? dc->state.mapMode : 0;
}

namespace {

BOOL SetPoint(HDC hdc, POINT DcState::*field, uint16_t function, int32_t x, int32_t y,
              POINT* previous) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  if (dc->recorder) {
    dc->recorder->Record(function, {static_cast<int16_t>(y), static_cast<int16_t>(x)});
  }
  if (previous) *previous = dc->state.*field;
  dc->state.*field = POINT{x, y};
  return TRUE;
}

BOOL SetExtent(HDC hdc, SIZE DcState::*field, uint16_t function, int32_t x, int32_t y,
               SIZE* previous) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  if (previous) *previous = dc->state.*field;
  if (dc->recorder) {
    dc->recorder->Record(function, {static_cast<int16_t>(y), static_cast<int16_t>(x)});
  }
  if (dc->state.mapMode != MM_ISOTROPIC && dc->state.mapMode != MM_ANISOTROPIC) return TRUE;
  if (x == 0 || y == 0) return FALSE;
  dc->state.*field = SIZE{x, y};
  AdjustIsotropic(dc->state);
  return TRUE;
}

}  // namespace

BOOL SetWindowOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous) {
  return SetPoint(hdc, &DcState::windowOrigin, META_SETWINDOWORG, x, y, previous);
}

BOOL SetViewportOrgEx(HDC hdc, int32_t x, int32_t y, POINT* previous) {
  return SetPoint(hdc, &DcState::viewportOrigin, META_SETVIEWPORTORG, x, y, previous);
}

BOOL GetWindowOrgEx(HDC hdc, POINT* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.windowOrigin;
  return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.viewportOrigin;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int32_t dx, int32_t dy, POINT* previous) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  const POINT p = dc->state.viewportOrigin;
  return SetViewportOrgEx(hdc, p.x + dx, p.y + dy, previous);
}

BOOL OffsetWindowOrgEx(HDC hdc, int32_t dx, int32_t dy, POINT* previous) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return FALSE;
  const POINT p = dc->state.windowOrigin;
  return SetWindowOrgEx(hdc, p.x + dx, p.y + dy, previous);
}

BOOL SetWindowExtEx(HDC hdc, int32_t x, int32_t y, SIZE* previous) {
  return SetExtent(hdc, &DcState::windowExtent, META_SETWINDOWEXT, x, y, previous);
}

BOOL SetViewportExtEx(HDC hdc, int32_t x, int32_t y, SIZE* previous) {
  return SetExtent(hdc, &DcState::viewportExtent, META_SETVIEWPORTEXT, x, y, previous);
}

BOOL GetWindowExtEx(HDC hdc, SIZE* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.windowExtent;
  return TRUE;
}

BOOL GetViewportExtEx(HDC hdc, SIZE* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return FALSE;
  *out = dc->state.viewportExtent;
  return TRUE;
}

BOOL LPtoDP(HDC hdc, POINT* points, int32_t count) {
  DeviceContext* dc = Live(hdc);
  if (!dc || (!points && count > 0)) return FALSE;
  for (int32_t i = 0; i < count; ++i)
    points[i] = dc->ToDevice(points[i]);
  return TRUE;
}

BOOL DPtoLP(HDC hdc, POINT* points, int32_t count) {
  DeviceContext* dc = Live(hdc);
  if (!dc || (!points && count > 0)) return FALSE;
  for (int32_t i = 0; i < count; ++i)
    points[i] = dc->ToLogical(points[i]);
  return TRUE;
}

int32_t SelectClipRgn(HDC hdc, HRGN region) {
  return ExtSelectClipRgn(hdc, region, RGN_COPY);
}

int32_t ExtSelectClipRgn(HDC hdc, HRGN region, int32_t mode) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return ERROR;
  const GdiRegion* rgn = LookupRegion(region);
  DcState& s = dc->state;
  if (!rgn) {
    if (region || mode != RGN_COPY) return ERROR;
    s.clip.reset();
    return SIMPLEREGION;
  }
  if (mode == RGN_COPY) {
    s.clip = rgn->data;
  } else {
    // Without a clip region everything is visible.
    const RegionData all = RegionData::Rect(-(1 << 27), -(1 << 27), 1 << 27, 1 << 27);
    s.clip = RegionData::Combine(s.clip ? *s.clip : all, rgn->data, mode);
  }
  return s.clip->Kind();
}

namespace {

int32_t CombineClipRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        int32_t mode, uint16_t function) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return ERROR;
  if (dc->recorder) {
    dc->recorder->Record(function, {static_cast<int16_t>(bottom), static_cast<int16_t>(right),
                                    static_cast<int16_t>(top), static_cast<int16_t>(left)});
  }
  const POINT a = dc->ToDevice(POINT{left, top});
  const POINT b = dc->ToDevice(POINT{right, bottom});
  const RegionData rect = RegionData::Rect(a.x, a.y, b.x, b.y);
  DcState& s = dc->state;
  const RegionData base =
      s.clip ? *s.clip : RegionData::Rect(-(1 << 27), -(1 << 27), 1 << 27, 1 << 27);
  s.clip = RegionData::Combine(base, rect, mode);
  return s.clip->Kind();
}

}  // namespace

int32_t IntersectClipRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return CombineClipRect(hdc, left, top, right, bottom, RGN_AND, META_INTERSECTCLIPRECT);
}

int32_t ExcludeClipRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return CombineClipRect(hdc, left, top, right, bottom, RGN_DIFF, META_EXCLUDECLIPRECT);
}

int32_t GetClipBox(HDC hdc, RECT* out) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !out) return ERROR;
  RegionData clip = dc->EffectiveClip();
  if (!dc->HasPixels()) {
    clip = dc->state.clip ? *dc->state.clip : RegionData::Rect(-32767, -32767, 32767, 32767);
  } else {
    clip.Offset(-dc->origin.x, -dc->origin.y);
  }
  const RECT box = clip.Box();
  const POINT a = dc->ToLogical(POINT{box.left, box.top});
  const POINT b = dc->ToLogical(POINT{box.right, box.bottom});
  *out = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  return clip.Kind();
}

int32_t GetClipRgn(HDC hdc, HRGN out) {
  DeviceContext* dc = Live(hdc);
  GdiRegion* rgn = LookupRegion(out);
  if (!dc || !rgn) return -1;
  if (!dc->state.clip) return 0;
  rgn->data = *dc->state.clip;
  return 1;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL /*background*/) {
  DeviceContext* dc = Live(hdc);
  if (!dc || !LookupPalette(palette)) return nullptr;
  if (dc->recorder && !dc->recorder->Select(palette)) return nullptr;
  HPALETTE previous = dc->state.palette;
  dc->Select(reinterpret_cast<HGDIOBJ&>(dc->state.palette), palette);
  return previous;
}

UINT RealizePalette(HDC hdc) {
  DeviceContext* dc = Live(hdc);
  if (!dc) return GDI_ERROR;
  if (dc->recorder) dc->recorder->Record(META_REALIZEPALETTE, {});
  return 0;  // a 32-bit surface needs no entries mapped
}

COLORREF GetNearestColor(HDC hdc, COLORREF color) {
  DeviceContext* dc = Live(hdc);
  return dc ? (color & 0xFFFFFF) : CLR_INVALID;
}
