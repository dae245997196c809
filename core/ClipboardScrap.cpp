#include "core/ClipboardScrap.h"

#include <cstring>
#include <vector>

#include "core/Tag.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Metafile.h"

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
  if (type == kPicture) return {CF_METAFILEPICT, CF_DSPMETAFILEPICT};
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
