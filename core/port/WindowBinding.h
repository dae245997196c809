#pragma once
// Binding the drawing port to a window: getting and releasing the window's device context,
// building the pen, brush and modes from the port record, the port origin (port coordinates are
// client coordinates until the origin moves), clipping, and saving and restoring the whole
// drawing state around nested drawing. Views call it before they draw.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "platform/win32/Gdi.h"

// A port bound to a window: the port's `window` field holds the window, and two more regions
// (the second receives the window's update region).
class TWrappedView;

struct TWindowPort : TPort {
  TWindowPort();
  ~TWindowPort() override;
  RegionRec* extraRegion = nullptr;
  RegionRec* updateRegion = nullptr;
  // The view object drawn through the port (the window object of a document window), or none.
  TWrappedView* view = nullptr;
  HWND Window() const { return static_cast<HWND>(window); }
};

// Initialises the port part, clears the window fields (the view among them) and stores the
// window; the port joins the program's chain of port windows until it is destroyed.
void InitWindowPort(TWindowPort* port, HWND window);

// What the window layer wraps drawing in, if anything: it is told before the port is bound again
// (it ends its own metafile recording and gives back its contexts), and its offsets move clip
// regions set on the port.
class TWrappedView {
 public:
  virtual ~TWrappedView() = default;
  virtual void ReleasePortUse() = 0;
  virtual int16_t OffsetH() const = 0;
  virtual int16_t OffsetV() const = 0;
};
void SetCurrentWrappedView(TWrappedView* view);
TWrappedView* GetCurrentWrappedView();
// Two words of the window layer that the drawing state saves and restores without reading them.
void SetWindowLayerWords(uint16_t first, uint16_t second);
void GetWindowLayerWords(uint16_t* first, uint16_t* second);

// Installs the layer's hooks into the port (context release, mirrored selection).
void InstallWindowBinding();

void BindPortToWindow(TWindowPort* port);
// Gives a context that the binding obtained back to its window (stock pen and brush selected
// back first) and clears the port's window and context; a context set by someone else is only
// forgotten.
void ReleaseBoundPortContext();
void BeginPortDrawing(TWindowPort* port);
void EndPortDrawing();
int16_t PortDrawingNesting();
// 2 while a window's context is bound, 0 otherwise.
int16_t PortBindingState();

// Selects into a context; while a picture is recorded, selections aimed at its context go to the
// reference context first and only non-region objects reach the recording.
HGDIOBJ SelectObjectSaved(HDC dc, HGDIOBJ object);
// Selects the object and deletes what it replaced; false for null arguments.
bool DeleteSelectedObject(HDC dc, HGDIOBJ object);
// While a picture is recorded or a page printed, a clip region aimed at the port's context is
// not selected (the answer is 1); otherwise it is.
int32_t SelectClipRegion(HDC dc, HRGN region);

// Geometry of the current port's window.
MacRect PortGetPortRect();
void PortResetRegionToClientRect();
void PortSetOrigin(int16_t h, int16_t v);
void PortGlobalToLocal(MacPoint& point);
void PortLocalToGlobal(MacPoint& point);
void GetMousePoint(MacPoint& out);

// Clipping of the current port.
void SetPortClip(const RegionRec* region);
void SetPortClipToRect(const MacRect& rect);
// A copy of the port's clip region, in port coordinates.
void GetPortClip(RegionRec* out);
// The rectangle becomes the bounding box of its intersection with the visible region.
void ClipRectToPort(MacRect& rect);

struct DrawingStateRec {
  RegionRec* clip = nullptr;
  uint16_t word1 = 0;
  uint16_t word2 = 0;
  TWrappedView* view = nullptr;
  MacPoint origin;
  TWindowPort* port = nullptr;
  bool useSolidBrushes = false;
  DrawingStateRec();
  ~DrawingStateRec();
  DrawingStateRec(const DrawingStateRec&) = delete;
  DrawingStateRec& operator=(const DrawingStateRec&) = delete;
};
void SaveDrawingState(DrawingStateRec& record);
void RestoreDrawingState(const DrawingStateRec& record);

// The window's update region, copied into the port's update region record.
RegionRec* GetWindowUpdateRegion(TWindowPort* port);
bool IsPortWindowVisible(const TWindowPort* port);
void ShowPortWindowMaximized(TWindowPort* port);
// Moves the window to (h, v) keeping its size; sizes it so that its client area has the size.
void MovePortWindow(TWindowPort* port, int16_t h, int16_t v, bool redraw);
void SizePortWindow(TWindowPort* port, int16_t width, int16_t height, bool redraw);

inline constexpr int16_t kNotInPortWindow = 0;
inline constexpr int16_t kInPortWindowFrame = 1;
inline constexpr int16_t kInPortWindowContent = 3;
// Which port window lies under a screen point (v low, h high), and where.
int16_t WindowAtPoint(uint32_t packedScreenPoint, TWindowPort** out);
using PortWindowVisitor = void (*)(TWindowPort* port, void* data);
void ForEachPortWindow(PortWindowVisitor visitor, void* data);

struct SystemMetricsRec {
  int32_t captionHeight = 0;
  int32_t borderWidth = 0;
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  int32_t scrollBarWidth = 0;
  int32_t scrollBarHeight = 0;
  int32_t iconWidth = 0;
  int32_t iconHeight = 0;
};
const SystemMetricsRec& SystemMetrics();
