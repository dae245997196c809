#include "core/port/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <strings.h>

#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/WindowRegion.h"

namespace {

struct Recording {
  PictureRec* picture = nullptr;
  HDC metafileDC = nullptr;
  HDC referenceDC = nullptr;
  HDC savedDC = nullptr;
  HWND savedWindow = nullptr;
};

Recording& Current() {
  static Recording recording;
  return recording;
}

constexpr int32_t kBitmapPictureSize = 16;
constexpr int32_t kFitWidth = 320;
constexpr int32_t kFitHeight = 240;
constexpr int32_t kHundredthsOfMmPerInch = 2540;

// Moves the stock-null object into `from` and the object it held into `to`.
void MoveSelection(HDC from, HDC to, int32_t nullStock) {
  if (!from || !to) return;
  const HGDIOBJ held = SelectObject(from, GetStockObject(nullStock));
  if (held) SelectObjectSaved(to, held);
}

// Ends the recording: pen and brush go back, the port gets its context and window back.
HMETAFILE FinishRecording() {
  Recording& recording = Current();
  MoveSelection(recording.metafileDC, recording.savedDC, NULL_PEN);
  MoveSelection(recording.metafileDC, recording.savedDC, NULL_BRUSH);
  const HMETAFILE metafile = CloseMetaFile(recording.metafileDC);
  if (recording.referenceDC) DeleteDC(recording.referenceDC);
  SetPortDC(recording.savedDC);
  SetPortWindow(recording.savedWindow);
  SetRecordingMetafile(false);
  recording = Recording{};
  return metafile;
}

bool IsScaled(int32_t mapMode) {
  return mapMode == MM_ISOTROPIC || mapMode == MM_ANISOTROPIC;
}

// Plays the picture into a memory context of the given size.
void PlayInto(HDC memory, const PictureRec& picture, int32_t width, int32_t height) {
  SaveDC(memory);
  if (IsScaled(picture.mapMode)) {
    SetMapMode(memory, MM_ANISOTROPIC);
    SetWindowExtEx(memory, std::max(1, std::abs(picture.xExtent)),
                   std::max(1, std::abs(picture.yExtent)), nullptr);
    SetViewportExtEx(memory, width, height, nullptr);
  } else {
    SetViewportOrgEx(memory, -picture.frame.left, -picture.frame.top, nullptr);
  }
  PlayMetaFile(memory, picture.metafile);
  RestoreDC(memory, -1);
}

void DropCache(PictureRec& picture) {
  if (picture.mask) DeleteObject(picture.mask);
  if (picture.image) DeleteObject(picture.image);
  picture.mask = picture.image = nullptr;
  picture.cachedWidth = picture.cachedHeight = -1;
}

// A context drawing into the bitmap selected in memory as if the bitmap were the whole
// destination, with the destination point `at` on the bitmap's top-left pixel. The shift lies
// below the context's mapping, so a metafile setting its own origins keeps it.
HDC PartContext(HDC memory, POINT at) {
  return CreateSurfaceDC(GetDCSurface(memory), POINT{-at.x, -at.y}, nullptr);
}

// Builds the two images of the part of a destination of the given size: the picture over
// black, and a mask that is white where it did not draw.
void BuildCache(HDC dc, PictureRec& picture, int32_t width, int32_t height, const RECT& part) {
  DropCache(picture);
  const int32_t partWidth = part.right - part.left;
  const int32_t partHeight = part.bottom - part.top;
  const HDC memory = CreateCompatibleDC(dc);
  const HDC other = CreateCompatibleDC(dc);
  picture.mask = CreateCompatibleBitmap(dc, partWidth, partHeight);
  picture.image = CreateCompatibleBitmap(dc, partWidth, partHeight);
  const HGDIOBJ oldMemory = SelectObject(memory, picture.mask);
  const HGDIOBJ oldOther = SelectObject(other, picture.image);
  const POINT at{part.left, part.top};
  const HDC maskPart = PartContext(memory, at);
  const HDC imagePart = PartContext(other, at);
  PatBlt(maskPart, part.left, part.top, partWidth, partHeight, WHITENESS);
  PlayInto(maskPart, picture, width, height);
  PatBlt(imagePart, part.left, part.top, partWidth, partHeight, BLACKNESS);
  PlayInto(imagePart, picture, width, height);
  DeleteDC(maskPart);
  DeleteDC(imagePart);
  BitBlt(memory, 0, 0, partWidth, partHeight, other, 0, 0, SRCINVERT);
  SelectObject(memory, oldMemory);
  SelectObject(other, oldOther);
  DeleteDC(memory);
  DeleteDC(other);
  picture.cachedWidth = width;
  picture.cachedHeight = height;
  picture.cachedPart = part;
}

// Only the part of the destination inside the context's clip is composed and copied, so a
// picture zoomed far beyond the window costs what the window shows of it.
void DrawTransparently(HDC dc, PictureRec& picture, const MacRect& destination) {
  const int32_t width = destination.right - destination.left;
  const int32_t height = destination.bottom - destination.top;
  if (width <= 0 || height <= 0) return;
  RECT clip;
  if (GetClipBox(dc, &clip) == ERROR) return;
  const RECT part{std::max(clip.left - destination.left, 0),
                  std::max(clip.top - destination.top, 0),
                  std::min(clip.right - destination.left, width),
                  std::min(clip.bottom - destination.top, height)};
  if (part.left >= part.right || part.top >= part.bottom) return;
  if (picture.cachedWidth != width || picture.cachedHeight != height ||
      !EqualRect(picture.cachedPart, part)) {
    BuildCache(dc, picture, width, height, part);
  }
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(memory, picture.mask);
  const int32_t x = destination.left + part.left;
  const int32_t y = destination.top + part.top;
  const int32_t partWidth = part.right - part.left;
  const int32_t partHeight = part.bottom - part.top;
  BitBlt(dc, x, y, partWidth, partHeight, memory, 0, 0, SRCAND);
  SelectObject(memory, picture.image);
  BitBlt(dc, x, y, partWidth, partHeight, memory, 0, 0, SRCINVERT);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void DrawOnPage(HDC dc, const PictureRec& picture, const MacRect& destination) {
  const int32_t width = destination.right - destination.left;
  const int32_t height = destination.bottom - destination.top;
  SaveDC(dc);
  if (IsScaled(picture.mapMode)) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, std::max(1, std::abs(picture.xExtent)),
                   std::max(1, std::abs(picture.yExtent)), nullptr);
    SetViewportExtEx(dc, width, height, nullptr);
    SetViewportOrgEx(dc, destination.left, destination.top, nullptr);
  } else {
    OffsetViewportOrgEx(dc, destination.left - picture.frame.left,
                        destination.top - picture.frame.top, nullptr);
  }
  PlayMetaFile(dc, picture.metafile);
  RestoreDC(dc, -1);
}

// The largest size within 320 x 240 with the aspect ratio of the extents.
MacRect FitFrame(int32_t xExtent, int32_t yExtent) {
  const double x = std::abs(static_cast<double>(xExtent));
  const double y = std::abs(static_cast<double>(yExtent));
  const double scale = std::max(x / kFitWidth, y / kFitHeight);
  if (scale <= 0) return MacRect();
  return MacRect(0, 0, static_cast<int16_t>(x / scale), static_cast<int16_t>(y / scale));
}

PictureRec& SharedBitmapPicture() {
  static PictureRec picture;
  return picture;
}

void DrawBitmapPicture(HDC dc, const PictureRec& picture, const MacRect& destination,
                       bool fromAnyLibrary) {
  const HMODULE module = fromAnyLibrary ? nullptr : GetResourceModule1();
  if (!fromAnyLibrary && !module) return;
  const HBITMAP bitmap =
      LoadBitmap(module, MAKEINTRESOURCEA(static_cast<uint16_t>(picture.bitmapId)));
  if (!bitmap) return;
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  StretchBlt(dc, destination.left, destination.top, destination.right - destination.left,
             destination.bottom - destination.top, memory, 0, 0, kBitmapPictureSize,
             kBitmapPictureSize, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

}  // namespace

PictureRec* GetPicture(int32_t bitmapId) {
  PictureRec& picture = SharedBitmapPicture();
  picture = PictureRec{};
  picture.frame = MacRect(0, 0, kBitmapPictureSize, kBitmapPictureSize);
  picture.bitmapId = bitmapId;
  return &picture;
}

PictureRec* OpenPicture(const MacRect& frame) {
  if (IsPictureRecording()) AbandonPictureRecording();
  auto* picture = new PictureRec;
  picture->frame = frame;
  picture->xExtent = frame.right - frame.left;
  picture->yExtent = frame.bottom - frame.top;
  picture->mapMode = GetPortDC() ? GetMapMode(GetPortDC()) : MM_TEXT;
  Recording& recording = Current();
  recording.savedDC = GetPortDC();
  recording.savedWindow = GetPortWindow();
  recording.metafileDC = CreateMetaFile(nullptr);
  if (!recording.metafileDC) {
    delete picture;
    recording = Recording{};
    return nullptr;
  }
  recording.referenceDC = CreateCompatibleDC(nullptr);
  recording.picture = picture;
  SetPortDC(recording.metafileDC);
  SetRecordingMetafile(true);
  MoveSelection(recording.savedDC, recording.metafileDC, NULL_PEN);
  MoveSelection(recording.savedDC, recording.metafileDC, NULL_BRUSH);
  return picture;
}

HMETAFILE ClosePicture() {
  if (!IsPictureRecording()) return nullptr;
  PictureRec* picture = Current().picture;
  const HMETAFILE metafile = FinishRecording();
  picture->metafile = metafile;
  return metafile;
}

bool IsPictureRecording() {
  return Current().metafileDC != nullptr;
}

// The recording is discarded, but the port gets back the context it had, so that the binding
// can still give it back to its window.
void AbandonPictureRecording() {
  if (!IsPictureRecording()) return;
  const HMETAFILE metafile = FinishRecording();
  if (metafile) DeleteMetaFile(metafile);
}

HDC PictureMetafileDC() {
  return Current().metafileDC;
}
HDC PictureReferenceDC() {
  return Current().referenceDC;
}

void DrawPicture(PictureRec* picture, const MacRect& destination, bool fromFrameworkResources) {
  const HDC dc = GetPortDC();
  if (!picture || !dc) return;
  if (picture->bitmapId != 0) {
    DrawBitmapPicture(dc, *picture, destination, fromFrameworkResources);
    return;
  }
  if (!picture->metafile) return;
  if (GetUseSolidBrushes())
    DrawOnPage(dc, *picture, destination);
  else
    DrawTransparently(dc, *picture, destination);
}

void KillPicture(PictureRec* picture) {
  if (!picture) return;
  if (Current().picture == picture) AbandonPictureRecording();
  if (picture->metafile) DeleteMetaFile(picture->metafile);
  DropCache(*picture);
  if (picture == &SharedBitmapPicture()) {
    *picture = PictureRec{};
    return;
  }
  delete picture;
}

PictureRec* PictureFromMetafile(int32_t mapMode, int32_t xExtent, int32_t yExtent,
                                HMETAFILE metafile) {
  auto* picture = new PictureRec;
  picture->metafile = metafile ? CopyMetaFile(metafile, nullptr) : nullptr;
  picture->mapMode = mapMode;
  picture->xExtent = xExtent;
  picture->yExtent = yExtent;
  if (xExtent < 0 || yExtent < 0) {
    picture->frame = FitFrame(xExtent, yExtent);
    return picture;
  }
  // Extents in hundredths of a millimetre, shown at the screen's resolution.
  const HDC screen = CreateCompatibleDC(nullptr);
  const int32_t dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int32_t dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  DeleteDC(screen);
  const int32_t width = static_cast<int32_t>(int64_t{xExtent} * dpiX / kHundredthsOfMmPerInch);
  const int32_t height = static_cast<int32_t>(int64_t{yExtent} * dpiY / kHundredthsOfMmPerInch);
  if (width > 0 && height > 0 && width <= INT16_MAX && height <= INT16_MAX)
    picture->frame = MacRect(0, 0, static_cast<int16_t>(width), static_cast<int16_t>(height));
  else
    picture->frame = FitFrame(xExtent, yExtent);
  return picture;
}

const char* const kToolIconNames[kToolIconCount] = {"AnchorIcon",
                                                    "RLockSpringCnstrIcon",
                                                    "RSpringCnstrIcon",
                                                    "PointIcon",
                                                    "LockedPointIcon",
                                                    "BasePointIcon",
                                                    "COMIcon",
                                                    "COMXIcon",
                                                    "MinusIcon",
                                                    "PlusIcon",
                                                    "EyeIcon",
                                                    "RLockDamperCnstrIcon",
                                                    "RDamperCnstrIcon",
                                                    "RPistonCnstrIcon",
                                                    "RCnstrIcon",
                                                    "RLockCnstrIcon",
                                                    "PinIcon",
                                                    "RotateIcon",
                                                    "ButtonIcon",
                                                    "BeadIcon",
                                                    "PressedButtonIcon",
                                                    "PinLockIcon",
                                                    "GearIcon",
                                                    "GearInternalIcon",
                                                    "GearHiliteIcon",
                                                    "GearInternalHiliteIcon",
                                                    "FrameOfReferenceIcon"};

namespace {

HICON (&ToolIcons())[kToolIconCount] {
  static HICON icons[kToolIconCount] = {};
  return icons;
}

constexpr int32_t kIconSide = 32;
// Destination AND NOT source: clears the image where the mask keeps the page.
constexpr DWORD kDestinationAndNotSource = 0x00220326;

// A 32 x 32 memory context compatible with dc, holding a bitmap of its own.
class IconCanvas {
 public:
  explicit IconCanvas(HDC dc)
      : dc_(CreateCompatibleDC(dc)), bitmap_(CreateCompatibleBitmap(dc, kIconSide, kIconSide)) {
    if (dc_ && bitmap_) previous_ = SelectObject(dc_, bitmap_);
  }
  ~IconCanvas() {
    if (previous_) SelectObject(dc_, previous_);
    if (dc_) DeleteDC(dc_);
    if (bitmap_) DeleteObject(bitmap_);
  }
  IconCanvas(const IconCanvas&) = delete;
  IconCanvas& operator=(const IconCanvas&) = delete;
  bool Ok() const { return previous_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_ = nullptr;
};

// A printed page cannot take the screen's exclusive-or of the image, so the icon is composed
// apart: the mask (black where the icon is opaque) ANDed onto the page, then the image, cleared
// where the mask keeps the page, ORed onto it.
bool DrawComposedIcon(HDC dc, HICON icon, int32_t left, int32_t top) {
  IconCanvas mask(dc);
  IconCanvas image(dc);
  if (!mask.Ok() || !image.Ok()) return false;
  if (!DrawIconEx(mask.dc(), 0, 0, icon, kIconSide, kIconSide, 0, nullptr, DI_MASK) ||
      !DrawIconEx(image.dc(), 0, 0, icon, kIconSide, kIconSide, 0, nullptr, DI_IMAGE)) {
    return false;
  }
  BitBlt(image.dc(), 0, 0, kIconSide, kIconSide, mask.dc(), 0, 0, kDestinationAndNotSource);
  return StretchBlt(dc, left, top, kIconSide, kIconSide, mask.dc(), 0, 0, kIconSide, kIconSide,
                    SRCAND) &&
         StretchBlt(dc, left, top, kIconSide, kIconSide, image.dc(), 0, 0, kIconSide, kIconSide,
                    SRCPAINT);
}

}  // namespace

void LoadToolIcons() {
  for (int i = 0; i < kToolIconCount; ++i)
    ToolIcons()[i] = LoadAppIcon(kToolIconNames[i]);
}

HICON GetToolIcon(const char* name) {
  if (!name) return nullptr;
  for (int i = 0; i < kToolIconCount; ++i) {
    if (strcasecmp(kToolIconNames[i], name) == 0) return ToolIcons()[i];
  }
  return nullptr;
}

HICON LoadAppIcon(LPCSTR name) {
  for (HMODULE module : {GetResourceModule1(), GetResourceModule2(), GetResourceModule3()}) {
    if (!module) continue;
    if (HICON icon = LoadIcon(module, name)) return icon;
  }
  return nullptr;
}

bool DrawIconMasked(HICON icon, int16_t h, int16_t v) {
  const HDC dc = GetPortDC();
  if (!icon || !dc) return false;
  const int32_t left = h - kIconSide / 2;
  const int32_t top = v - kIconSide / 2;
  if (GetUseSolidBrushes()) return DrawComposedIcon(dc, icon, left, top);
  return DrawIcon(dc, left, top, icon) != FALSE;
}
