#include "core/ClipboardScrap.h"

#include <cstring>
#include <vector>

#include "core/Tag.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Gdi.h"

namespace {

constexpr uint32_t kText = MakeTag("TEXT");
constexpr uint32_t kPicture = MakeTag("PICT");
constexpr uint32_t kObjects = MakeTag("ZAZU");
constexpr size_t kCountSize = 4;

bool gPending = false;
uint32_t gPendingType = 0;

UINT PrivateFormat() {
  return RegisterClipboardFormat("ZAZU");
}

// The formats that carry a scrap type, in the order they are preferred when reading.
std::vector<UINT> ReadFormats(uint32_t type) {
  if (type == kText) return {CF_OEMTEXT, CF_DSPTEXT, CF_TEXT};
  if (type == kPicture) return {CF_METAFILEPICT, CF_DSPMETAFILEPICT, CF_BITMAP, CF_DSPBITMAP};
  return {};
}

// Opens the clipboard for the life of the object.
class OpenedClipboard {
 public:
  OpenedClipboard() : open_(OpenClipboard(nullptr)) {}
  ~OpenedClipboard() {
    if (open_) CloseClipboard();
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;
  bool IsOpen() const { return open_; }

 private:
  bool open_;
};

uint32_t HandleSize(Handle handle) {
  return handle ? handle->size : 0;
}

int16_t CopyIntoHandle(Handle data, const void* bytes, uint32_t size) {
  return SetHandleFromBytes(bytes, data, size) == 0 ? 0 : kErrClipboard;
}

// A bitmap becomes a picture record: anisotropic mapping, the bitmap's size as extents, and a
// new metafile that draws the bitmap.
int16_t PictureOfBitmap(Handle data, HBITMAP bitmap) {
  BITMAP size;
  if (!GetObject(bitmap, sizeof size, &size)) return kErrClipboard;
  const HDC recorder = CreateMetaFile(nullptr);
  const HDC source = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(source, bitmap);
  StretchBlt(recorder, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, size.bmWidth, size.bmHeight,
             SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  METAFILEPICT picture;
  picture.mm = MM_ANISOTROPIC;
  picture.xExt = size.bmWidth;
  picture.yExt = size.bmHeight;
  picture.hMF = CloseMetaFile(recorder);
  return CopyIntoHandle(data, &picture, sizeof picture);
}

}  // namespace

void PrepareClipboardType(uint32_t scrapType) {
  bool available = false;
  if (scrapType == kObjects) {
    available = IsClipboardFormatAvailable(PrivateFormat());
  } else {
    for (UINT format : ReadFormats(scrapType))
      available = available || IsClipboardFormatAvailable(format);
  }
  if (!available) return;
  gPending = true;
  gPendingType = scrapType;
}

bool HasPendingScrap() {
  return gPending;
}
uint32_t PendingScrapType() {
  return gPendingType;
}
void ClearPendingScrap() {
  gPending = false;
  gPendingType = 0;
}

int16_t PutClipboardScrap(uint32_t scrapType, Handle data) {
  if (!data || (scrapType != kText && scrapType != kPicture && scrapType != kObjects))
    return kErrClipboard;
  const uint32_t size = HandleSize(data);
  if (scrapType == kPicture && size < sizeof(METAFILEPICT)) return kErrClipboard;
  OpenedClipboard clipboard;
  if (!clipboard.IsOpen()) return kErrClipboard;
  const HGLOBAL block = GlobalAlloc(GHND, size + kCountSize);
  auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
  std::memcpy(bytes, HandleData(data), size);
  if (scrapType != kText) std::memcpy(bytes + size, &size, kCountSize);
  UINT format = CF_OEMTEXT;
  if (scrapType == kPicture) {
    // The clipboard keeps a copy of the metafile of its own.
    METAFILEPICT picture;
    std::memcpy(&picture, bytes, sizeof picture);
    picture.hMF = CopyMetaFile(picture.hMF, nullptr);
    std::memcpy(bytes, &picture, sizeof picture);
    format = CF_METAFILEPICT;
  } else if (scrapType == kObjects) {
    format = PrivateFormat();
  }
  GlobalUnlock(block);
  if (!SetClipboardData(format, block)) {
    GlobalFree(block);
    return kErrClipboard;
  }
  return 0;
}

bool EmptyClipboardScrap() {
  OpenedClipboard clipboard;
  return clipboard.IsOpen() && EmptyClipboard();
}

int16_t GetClipboardScrap(Handle data, uint32_t scrapType) {
  OpenedClipboard clipboard;
  if (!clipboard.IsOpen()) return kErrClipboard;
  HGLOBAL block = nullptr;
  if (scrapType == kObjects) {
    block = GetClipboardData(PrivateFormat());
  } else {
    for (UINT format : ReadFormats(scrapType))
      if (!block) block = GetClipboardData(format);
  }
  if (!block) return kErrClipboard;
  if (!data) return 0;
  if (GetObjectType(block) == OBJ_BITMAP) return PictureOfBitmap(data, static_cast<HBITMAP>(block));
  const size_t blockSize = GlobalSize(block);
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
  int16_t result = kErrClipboard;
  if (scrapType == kText) {
    // Everything up to the NUL (or the end of the block when another program left it out).
    const size_t length = strnlen(reinterpret_cast<const char*>(bytes), blockSize);
    result = CopyIntoHandle(data, bytes, static_cast<uint32_t>(length));
  } else if (scrapType == kPicture) {
    if (blockSize >= sizeof(METAFILEPICT))
      result = CopyIntoHandle(data, bytes, sizeof(METAFILEPICT));
  } else if (blockSize >= kCountSize) {
    // The count comes from whoever filled the clipboard: it must fit inside the block.
    uint32_t count = 0;
    std::memcpy(&count, bytes + blockSize - kCountSize, kCountSize);
    if (count <= blockSize - kCountSize) result = CopyIntoHandle(data, bytes, count);
  }
  GlobalUnlock(block);
  return result;
}
