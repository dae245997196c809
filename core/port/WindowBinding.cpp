#include "core/port/WindowBinding.h"

#include <algorithm>
#include <vector>

#include "core/port/Picture.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowRegion.h"

namespace {

struct BindingState {
  int16_t state = 0;
  HWND savedWindow = nullptr;
  int16_t nesting = 0;
  TWrappedView* view = nullptr;
  uint16_t word1 = 0;
  uint16_t word2 = 0;
  MacPoint origin;
  std::vector<TWindowPort*> chain;
};

BindingState& Binding() {
  static BindingState state;
  return state;
}

constexpr int16_t kWindowContextBound = 2;

TWindowPort* CurrentWindowPort() {
  return dynamic_cast<TWindowPort*>(GetCurrentPort());
}

POINT ClientOrigin(HWND window) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return origin;
}

void ReleaseBoundContext() {
  BindingState& binding = Binding();
  const HDC dc = GetPortDC();
  if (!dc || binding.state != kWindowContextBound) return;
  DeleteObject(SelectObject(dc, GetStockObject(NULL_BRUSH)));
  DeleteObject(SelectObject(dc, GetStockObject(NULL_PEN)));
  ReleaseDC(binding.savedWindow ? binding.savedWindow : GetPortWindow(), dc);
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
  binding.savedWindow = nullptr;
  binding.state = 0;
}

void ReleaseHook(HWND window, HDC dc) {
  ReleaseDC(window, dc);
}

}  // namespace

TWindowPort::TWindowPort() {
  extraRegion = AllocRegion();
  updateRegion = AllocRegion();
}

TWindowPort::~TWindowPort() {
  auto& chain = Binding().chain;
  chain.erase(std::remove(chain.begin(), chain.end(), this), chain.end());
  if (GetCurrentPort() == this) {
    ReleaseBoundContext();
    SetCurrentPort(GetGlobalPort());
  }
  FreeRegion(extraRegion);
  FreeRegion(updateRegion);
}

void InitWindowPort(TWindowPort* port, HWND window) {
  if (!port) return;
  port->window = window;
  port->view = nullptr;
  // A new port clips nothing: its clip region is as wide as the coordinates go.
  RegionSetRect(port->ClipRegion(), INT16_MIN + 1, INT16_MIN + 1, INT16_MAX, INT16_MAX);
  RegionSetEmpty(port->extraRegion);
  RegionSetEmpty(port->updateRegion);
  auto& chain = Binding().chain;
  if (std::find(chain.begin(), chain.end(), port) == chain.end()) chain.push_back(port);
}

void SetCurrentWrappedView(TWrappedView* view) {
  Binding().view = view;
}
TWrappedView* GetCurrentWrappedView() {
  return Binding().view;
}

void SetWindowLayerWords(uint16_t first, uint16_t second) {
  Binding().word1 = first;
  Binding().word2 = second;
}

void GetWindowLayerWords(uint16_t* first, uint16_t* second) {
  if (first) *first = Binding().word1;
  if (second) *second = Binding().word2;
}

void InstallWindowBinding() {
  SetReleaseDCHook(ReleaseHook);
  SetSelectObjectHook(SelectObjectSaved);
}

void ReleaseBoundPortContext() {
  ReleaseBoundContext();
  SetPortDC(nullptr);
  SetPortWindow(nullptr);
}

void BindPortToWindow(TWindowPort* port) {
  if (!port) return;
  if (IsPictureRecording()) AbandonPictureRecording();
  if (TWrappedView* view = Binding().view) view->ReleasePortUse();
  SetCurrentPort(port);
  ReleaseBoundContext();
  const HWND window = port->Window();
  if (!IsWindow(window)) return;  // current, but nothing to draw into
  BindingState& binding = Binding();
  const HDC dc = GetDC(window);
  if (!dc) return;
  binding.state = kWindowContextBound;
  binding.savedWindow = window;
  SetPortWindow(window);
  SetPortDC(dc);
  SelectObject(dc, CreatePen(port->penPattern, port->penSize.h, port->foreColor));
  SetBkColor(dc, port->backColor);
  SetBkMode(dc, OPAQUE);
  SetROP2(dc, port->penMode);
  SelectObject(dc, CreateSolidBrush(RGB(255, 255, 255)));
  // The window origin and the viewport origin both at the client area's screen corner: port
  // coordinates are client coordinates until the origin moves.
  const POINT origin = ClientOrigin(window);
  SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
  PortSetOrigin(0, 0);
}

void BeginPortDrawing(TWindowPort* port) {
  ++Binding().nesting;
  BindPortToWindow(port);
}

void EndPortDrawing() {
  --Binding().nesting;
}
int16_t PortDrawingNesting() {
  return Binding().nesting;
}
int16_t PortBindingState() {
  return Binding().state;
}

HGDIOBJ SelectObjectSaved(HDC dc, HGDIOBJ object) {
  if (!dc) return nullptr;
  if (IsPictureRecording() && dc == PictureMetafileDC() && PictureReferenceDC()) {
    const HGDIOBJ previous = SelectObject(PictureReferenceDC(), object);
    const auto code = reinterpret_cast<uintptr_t>(previous);
    if (code == SIMPLEREGION || code == COMPLEXREGION || code == NULLREGION) return previous;
    SelectObject(dc, object);
    return previous;
  }
  return SelectObject(dc, object);
}

bool DeleteSelectedObject(HDC dc, HGDIOBJ object) {
  if (!dc || !object) return false;
  DeleteObject(SelectObjectSaved(dc, object));
  return true;
}

int32_t SelectClipRegion(HDC dc, HRGN region) {
  if ((IsPictureRecording() || GetUseSolidBrushes()) && dc == GetPortDC()) return SIMPLEREGION;
  return SelectClipRgn(dc, region);
}

MacRect PortGetPortRect() {
  const HWND window = GetPortWindow();
  if (!IsWindow(window)) return MacRect();
  RECT client;
  GetClientRect(window, &client);
  const MacPoint origin = Binding().origin;
  OffsetRect(&client, -origin.h, -origin.v);
  return MacRectFromWinRect(client);
}

void PortResetRegionToClientRect() {
  TPort* port = GetCurrentPort();
  const HWND window = GetPortWindow();
  if (!port || !IsWindow(window)) return;
  RECT client;
  GetClientRect(window, &client);
  RegionSetMacRect(port->VisibleRegion(), MacRectFromWinRect(client));
}

void PortSetOrigin(int16_t h, int16_t v) {
  const HDC dc = GetPortDC();
  const HWND window = GetPortWindow();
  if (!dc || !IsWindow(window)) return;
  const POINT origin = ClientOrigin(window);
  SetViewportOrgEx(dc, origin.x + h, origin.y + v, nullptr);
  Binding().origin = MacPoint(h, v);
}

void PortGlobalToLocal(MacPoint& point) {
  POINT p{point.h, point.v};
  if (!ScreenToClient(GetPortWindow(), &p)) return;
  point = MacPoint(static_cast<int16_t>(p.x - Binding().origin.h),
                   static_cast<int16_t>(p.y - Binding().origin.v));
}

void PortLocalToGlobal(MacPoint& point) {
  POINT p{point.h + Binding().origin.h, point.v + Binding().origin.v};
  if (!ClientToScreen(GetPortWindow(), &p)) return;
  point = MacPoint(static_cast<int16_t>(p.x), static_cast<int16_t>(p.y));
}

void GetMousePoint(MacPoint& out) {
  POINT cursor;
  GetCursorPos(&cursor);
  out = MacPoint(static_cast<int16_t>(cursor.x), static_cast<int16_t>(cursor.y));
  PortGlobalToLocal(out);
}

void SetPortClip(const RegionRec* region) {
  TPort* port = GetCurrentPort();
  if (!port || !region) return;
  RegionRec* clip = port->ClipRegion();
  RegionCopy(region, clip);
  const TWrappedView* view = Binding().view;
  const int16_t dh = view ? view->OffsetH() : 0;
  const int16_t dv = view ? view->OffsetV() : 0;
  RegionOffset(clip, dh, dv);
  SelectClipRegion(GetPortDC(), clip->region);
  RegionOffset(clip, static_cast<int16_t>(-dh), static_cast<int16_t>(-dv));
}

void SetPortClipToRect(const MacRect& rect) {
  RegionRec* region = AllocRegion();
  RegionSetMacRect(region, rect);
  SetPortClip(region);
  FreeRegion(region);
}

void GetPortClip(RegionRec* out) {
  TPort* port = GetCurrentPort();
  if (!port || !out) return;
  RegionCopy(port->ClipRegion(), out);
}

void ClipRectToPort(MacRect& rect) {
  TPort* port = GetCurrentPort();
  if (!port) return;
  RegionRec* area = AllocRegion();
  RegionSetMacRect(area, rect);
  RegionIntersect(area, port->VisibleRegion(), area);
  rect = area->box;
  FreeRegion(area);
}

DrawingStateRec::DrawingStateRec() {
  clip = AllocRegion();
}
DrawingStateRec::~DrawingStateRec() {
  FreeRegion(clip);
}

void SaveDrawingState(DrawingStateRec& record) {
  record.port = CurrentWindowPort();
  // The origin itself, so that restoring it shifts drawing the same way again.
  record.origin = Binding().origin;
  if (TPort* port = GetCurrentPort()) RegionCopy(port->ClipRegion(), record.clip);
  record.view = Binding().view;
  record.useSolidBrushes = GetUseSolidBrushes();
  record.word1 = Binding().word1;
  record.word2 = Binding().word2;
}

void RestoreDrawingState(const DrawingStateRec& record) {
  if (record.port) BindPortToWindow(record.port);
  PortSetOrigin(record.origin.h, record.origin.v);
  SetPortClip(record.clip);
  Binding().view = record.view;
  SetUseSolidBrushes(record.useSolidBrushes);
  Binding().word1 = record.word1;
  Binding().word2 = record.word2;
}

RegionRec* GetWindowUpdateRegion(TWindowPort* port) {
  if (!port || !IsWindow(port->Window())) return nullptr;
  RegionRec* record = port->updateRegion;
  GetUpdateRgn(port->Window(), record->region, FALSE);
  RECT box;
  GetRgnBox(record->region, &box);
  record->box = MacRectFromWinRect(box);
  return record;
}

bool IsPortWindowVisible(const TWindowPort* port) {
  return port && IsWindowVisible(port->Window());
}

void ShowPortWindowMaximized(TWindowPort* port) {
  if (port && IsWindow(port->Window())) ShowWindow(port->Window(), SW_SHOWMAXIMIZED);
}

void MovePortWindow(TWindowPort* port, int16_t h, int16_t v, bool redraw) {
  if (!port || !IsWindow(port->Window())) return;
  SetWindowPos(port->Window(), nullptr, h, v, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW));
}

void SizePortWindow(TWindowPort* port, int16_t width, int16_t height, bool redraw) {
  if (!port || !IsWindow(port->Window())) return;
  const auto style = static_cast<DWORD>(GetWindowLongPtr(port->Window(), GWL_STYLE));
  int32_t outerWidth = width;
  int32_t outerHeight = height;
  if ((style & WS_THICKFRAME) && (style & WS_CAPTION) == WS_CAPTION) {
    const SystemMetricsRec& metrics = SystemMetrics();
    outerWidth += 2 * metrics.frameWidth;
    outerHeight += metrics.captionHeight + 2 * metrics.frameHeight;
  }
  SetWindowPos(port->Window(), nullptr, 0, 0, outerWidth, outerHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW));
}

int16_t WindowAtPoint(uint32_t packedScreenPoint, TWindowPort** out) {
  if (out) *out = nullptr;
  const POINT screen{static_cast<int16_t>(packedScreenPoint >> 16),
                     static_cast<int16_t>(packedScreenPoint & 0xFFFF)};
  const HWND under = WindowFromPoint(screen);
  if (!under) return kNotInPortWindow;
  for (TWindowPort* port : Binding().chain) {
    if (port->Window() != under) continue;
    if (out) *out = port;
    POINT client = screen;
    ScreenToClient(under, &client);
    RECT area;
    GetClientRect(under, &area);
    return PtInRect(area, client) ? kInPortWindowContent : kInPortWindowFrame;
  }
  return kNotInPortWindow;
}

void ForEachPortWindow(PortWindowVisitor visitor, void* data) {
  if (!visitor) return;
  const std::vector<TWindowPort*> chain = Binding().chain;  // a visit may close a window
  for (TWindowPort* port : chain)
    visitor(port, data);
}

const SystemMetricsRec& SystemMetrics() {
  static SystemMetricsRec metrics;
  metrics.captionHeight = GetSystemMetrics(SM_CYCAPTION);
  metrics.borderWidth = GetSystemMetrics(SM_CXBORDER);
  metrics.frameWidth = GetSystemMetrics(SM_CXFRAME);
  metrics.frameHeight = GetSystemMetrics(SM_CYFRAME);
  metrics.scrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
  metrics.scrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);
  metrics.iconWidth = GetSystemMetrics(SM_CXICON);
  metrics.iconHeight = GetSystemMetrics(SM_CYICON);
  return metrics;
}
