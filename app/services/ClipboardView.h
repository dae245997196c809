#pragma once
// The clipboard view: draws what the clipboard holds in the best form it can show (a bitmap
// first, then a picture, then text), or says that the form cannot be shown. A view with a window
// joins the clipboard-viewer chain, so that every change of the clipboard repaints it. A packed
// device-independent bitmap is drawn from its header, colour table and bits.

#include <cstdint>
#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

#include "model/command/ClipboardHolder.h"
#include "ui/views/WrappedWindow.h"

class TOwlSubview;

class TClipboardView : public TWrappedWindow, public TClipboardHolder {
  DECLARE_CLASS_ID(341, TWrappedWindow)

 public:
  static constexpr int32_t kClassId = kClassID;
  static constexpr int32_t kPriorityCount = 15;
  // The formats in the order they are preferred.
  static const UINT kPriority[kPriorityCount];
  // The view's size when it is set up.
  static constexpr int32_t kSide = 200;

  TClipboardView() = default;
  TClipboardView(const TClipboardView&) = delete;
  TClipboardView& operator=(const TClipboardView&) = delete;

  // Set-up in the parent view at (0, 0), 200 by 200, sized as GetSize answers. With a parent the
  // view has a window, which joins the clipboard-viewer chain (the window keeps the next viewer)
  // so that every change of the clipboard redraws it; without one it has no window.
  void IClipboardView(TWrappedWindow* parent);
  // The clipboard, drawn into the view's window as DrawClipboard draws it; the window object's
  // window is titled after the format shown.
  void Draw(const MacRect& area) override;
  // The format drawn last (0 for nothing, -1 for none of the listed formats).
  int32_t LastFormat() const { return lastFormat_; }

  // As the application's own clipboard view: the system clipboard's data.
  int32_t GetScrapData(Handle destination, uint32_t scrapType) override;

  // A clipboard view in the window object's window, joined to the viewer chain.
  static void JoinViewerChain(TOwlSubview* windowObject);
  // Draws the clipboard's preferred format into a context of a view `width` by `height` at
  // (0, 0). An empty clipboard draws nothing; answers the format drawn (0 when empty, -1 when
  // it holds none of the listed formats).
  static int32_t DrawClipboard(HDC dc, int32_t width, int32_t height);
  // The name of a listed format ("BITMAP" ...), or its registered name; empty when it has none.
  static std::string FormatName(int32_t format);
  // "Clipboard -- <name>", or "Clipboard" for a format without a name.
  static std::string Title(int32_t format);

  // The viewport extent of a picture in the isotropic or anisotropic mapping modes: the view's
  // size for a zero x extent, the picture's size in device units for a positive one, and for a
  // negative one (an aspect ratio only) the largest size of that ratio that fits the view; a
  // ratio with a zero y extent fills the view. `device` holds the horizontal and vertical
  // resolution (pixels) and size (millimetres).
  struct DeviceMetrics {
    int32_t horizontalPixels;
    int32_t verticalPixels;
    int32_t horizontalMillimetres;
    int32_t verticalMillimetres;
  };
  static SIZE PictureViewport(int32_t xExtent, int32_t yExtent, int32_t width, int32_t height,
                              const DeviceMetrics& device);

 private:
  int32_t lastFormat_ = 0;
  TSystemClipboardHolder reader_;
};
