#include "model/command/ClipboardHolder.h"

#include "core/ClipboardScrap.h"

int32_t TSystemClipboardHolder::GetScrapData(Handle destination, uint32_t scrapType) {
  const int16_t error = GetClipboardScrap(destination, scrapType);
  if (error != 0) return error;
  return destination != nullptr ? static_cast<int32_t>(GetHandleByteSize(destination)) : 0;
}
