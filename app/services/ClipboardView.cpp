#include "app/services/ClipboardView.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"

namespace {

constexpr UINT CF_DIB = 8;
constexpr UINT CF_DIF = 5;
constexpr UINT CF_OWNERDISPLAY = 0x80;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_RIFF = 0x0B;
constexpr UINT CF_SYLK = 4;
constexpr UINT CF_TIFF = 6;
constexpr UINT CF_WAVE = 0x0C;

constexpr const char* kNames[TClipboardView::kPriorityCount] = {
    "BITMAP", "DIB", "DSPBITMAP", "DSPMETAFILEPICT", "METAFILEPICT", "OEMTEXT", "DSPTEXT", "TEXT",
    "DIF", "OWNERDISPLAY", "PALETTE", "RIFF", "SYLK", "TIFF", "WAVE"};

constexpr char kUnviewable[] = "unviewable clipboard format";
constexpr char kUnregistered[] = "unregistered clipboard format!!!";

void DrawWords(HDC dc, const char* words) {
  TextOut(dc, 0, 0, words, static_cast<int32_t>(std::strlen(words)));
}

void CopyBitmap(HDC dc, HBITMAP bitmap, int32_t width, int32_t height) {
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// A packed device-independent bitmap is a memory block: a bitmap is made of it to be drawn.
// Bits shorter than their header says, or of a form the bitmaps cannot read, draw nothing.
void CopyPackedBitmap(HDC dc, HGLOBAL block, int32_t width, int32_t height) {
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return;
  const HBITMAP bitmap = CreateBitmapFromDib(std::span<const uint8_t>(bytes, GlobalSize(block)));
  GlobalUnlock(block);
  if (bitmap == nullptr) return;
  CopyBitmap(dc, bitmap, width, height);
  DeleteObject(bitmap);
}

void DrawBitmap(HDC dc, UINT format, int32_t width, int32_t height) {
  if (!OpenClipboard(nullptr)) return;
  if (format == CF_DIB) {
    if (const HGLOBAL block = GetClipboardData(format)) CopyPackedBitmap(dc, block, width, height);
  } else if (const auto bitmap = static_cast<HBITMAP>(GetClipboardData(format))) {
    CopyBitmap(dc, bitmap, width, height);
  }
  CloseClipboard();
}

void DrawPicture(HDC dc, UINT format, int32_t width, int32_t height) {
  if (!OpenClipboard(nullptr)) return;
  HGLOBAL block = GetClipboardData(format);
  const auto* picture = block != nullptr && GlobalSize(block) >= sizeof(METAFILEPICT)
                            ? static_cast<const METAFILEPICT*>(GlobalLock(block))
                            : nullptr;
  if (picture != nullptr) {
    SetMapMode(dc, picture->mm);
    if (picture->mm == MM_ISOTROPIC || picture->mm == MM_ANISOTROPIC) {
      const TClipboardView::DeviceMetrics device{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES),
                                                 GetDeviceCaps(dc, HORZSIZE), GetDeviceCaps(dc, VERTSIZE)};
      const SIZE extent = TClipboardView::PictureViewport(picture->xExt, picture->yExt, width, height, device);
      // Records that set no window extent of their own span the picture's extent, as
      // everywhere else the program plays one; without it they would be scaled from single
      // units and land far outside the view. A picture that sets its window (the world's copied
      // pictures do) replaces this one as it plays.
      if (picture->xExt != 0 && picture->yExt != 0)
        SetWindowExtEx(dc, std::abs(picture->xExt), std::abs(picture->yExt), nullptr);
      SetViewportExtEx(dc, extent.cx, extent.cy, nullptr);
    }
    PlayMetaFile(dc, picture->hMF);
    GlobalUnlock(block);
  }
  CloseClipboard();
}

void DrawText(HDC dc, UINT format) {
  if (!OpenClipboard(nullptr)) return;
  HGLOBAL block = GetClipboardData(format);
  if (const auto* text = block != nullptr ? static_cast<const char*>(GlobalLock(block)) : nullptr) {
    // The text ends at its zero, or at the end of its block.
    const size_t length = strnlen(text, GlobalSize(block));
    TextOut(dc, 0, 0, text, static_cast<int32_t>(length));
    GlobalUnlock(block);
  }
  CloseClipboard();
}

}  // namespace

const UINT TClipboardView::kPriority[kPriorityCount] = {
    CF_BITMAP, CF_DIB,     CF_DSPBITMAP, CF_DSPMETAFILEPICT, CF_METAFILEPICT,
    CF_OEMTEXT, CF_DSPTEXT, CF_TEXT,     CF_DIF,             CF_OWNERDISPLAY,
    CF_PALETTE, CF_RIFF,    CF_SYLK,     CF_TIFF,            CF_WAVE};

void TClipboardView::IClipboardView(TWrappedWindow* parent) {
  TViewPoint location{0, 0};
  TViewPoint size{kSide, kSide};
  InitFromParent(nullptr, parent, location, size, 4, 4);
  lastFormat_ = 0;
  if (TOwlView* window = GetWindow(); window != nullptr && window->m_hWnd != nullptr)
    window->JoinClipboardViewerChain();
}

int32_t TClipboardView::GetScrapData(Handle destination, uint32_t scrapType) {
  return reader_.GetScrapData(destination, scrapType);
}

void TClipboardView::JoinViewerChain(TOwlSubview* windowObject) {
  if (!windowObject) return;
  auto view = std::make_unique<TClipboardView>();
  view->IClipboardView(windowObject);
  // The window object holds its views from now on.
  view.release();
}

void TClipboardView::Draw(const MacRect&) {
  const HWND window = GetWindowHandle();
  if (window == nullptr) return;
  RECT client{0, 0, 0, 0};
  GetClientRect(window, &client);
  const HDC dc = GetDC(window);
  if (dc == nullptr) return;
  const int32_t saved = SaveDC(dc);
  lastFormat_ = DrawClipboard(dc, client.right - client.left, client.bottom - client.top);
  RestoreDC(dc, saved);
  ReleaseDC(window, dc);
  // The window object's window is titled after what it shows.
  TWrappedWindow* const windowObject = GetSuperview();
  HWND titled = windowObject != nullptr ? windowObject->GetWindowHandle() : nullptr;
  // A window in a document frame of its own is named by the frame's caption.
  if (titled != nullptr &&
      dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(GetParent(titled))) != nullptr)
    titled = GetParent(titled);
  if (titled != nullptr && lastFormat_ != 0) {
    const std::string title = Title(lastFormat_);
    if (GetWindowTextString(titled) != title) SetWindowText(titled, title.c_str());
  }
}

SIZE TClipboardView::PictureViewport(int32_t xExtent, int32_t yExtent, int32_t width, int32_t height,
                                     const DeviceMetrics& device) {
  const auto& d = device;
  if (xExtent == 0 || (xExtent < 0 && yExtent == 0) || d.horizontalMillimetres == 0 ||
      d.verticalMillimetres == 0 || d.horizontalPixels == 0 || d.verticalPixels == 0)
    return SIZE{width, height};
  if (xExtent > 0) {
    return SIZE{static_cast<LONG>(int64_t{xExtent} * d.horizontalPixels / d.horizontalMillimetres / 100),
                static_cast<LONG>(int64_t{yExtent} * d.verticalPixels / d.verticalMillimetres / 100)};
  }
  const int64_t scaleX = -(int64_t{d.horizontalMillimetres} * width * 100 / d.horizontalPixels / xExtent);
  const int64_t scaleY = -(int64_t{d.verticalMillimetres} * height * 100 / d.verticalPixels / yExtent);
  const int64_t scale = std::min(scaleX, scaleY);
  const auto x = static_cast<int16_t>(-(int64_t{d.horizontalPixels} * xExtent * scale / d.horizontalMillimetres / 100));
  const auto y = static_cast<int16_t>(-(int64_t{d.verticalPixels} * yExtent * scale / d.verticalMillimetres / 100));
  return SIZE{x, y};
}

int32_t TClipboardView::DrawClipboard(HDC dc, int32_t width, int32_t height) {
  const int32_t format = GetPriorityClipboardFormat(kPriority, kPriorityCount);
  if (format == 0 || dc == nullptr) return format;
  const UINT code = static_cast<UINT>(format);
  switch (code) {
    case CF_BITMAP:
    case CF_DIB:
    case CF_DSPBITMAP:
      DrawBitmap(dc, code, width, height);
      break;
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT:
      DrawPicture(dc, code, width, height);
      break;
    case CF_OEMTEXT:
    case CF_DSPTEXT:
    case CF_TEXT:
      DrawText(dc, code);
      break;
    case CF_DIF:
    case CF_OWNERDISPLAY:
    case CF_PALETTE:
    case CF_RIFF:
    case CF_SYLK:
    case CF_TIFF:
    case CF_WAVE:
      DrawWords(dc, kUnviewable);
      break;
    default:
      DrawWords(dc, FormatName(format).empty() ? kUnregistered : kUnviewable);
      break;
  }
  return format;
}

std::string TClipboardView::FormatName(int32_t format) {
  for (int32_t i = 0; i < kPriorityCount; ++i) {
    if (static_cast<int32_t>(kPriority[i]) == format) return kNames[i];
  }
  char name[256] = "";
  if (format <= 0 || GetClipboardFormatName(static_cast<UINT>(format), name, sizeof name) == 0) return {};
  return name;
}

std::string TClipboardView::Title(int32_t format) {
  const std::string name = FormatName(format);
  return name.empty() ? "Clipboard" : "Clipboard -- " + name;
}
