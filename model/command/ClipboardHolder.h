#pragma once
// A clipboard view: what holds the data the program last put on the clipboard. A copy command
// builds a view of its own and claims the clipboard with it; the application's own view reads
// the system clipboard.

#include <cstdint>

#include "core/Handle.h"

class TClipboardHolder {
 public:
  // The data of the scrap type copied into destination (when there is one); answers its size,
  // or a negative error number.
  virtual int32_t GetScrapData(Handle destination, uint32_t scrapType) = 0;
  // A later claim has replaced this view for good; a view built by a copy may go now.
  virtual void ReleaseClaim() {}

 protected:
  ~TClipboardHolder() = default;
};

// The application's own clipboard view: it has no window and reads the system clipboard.
class TSystemClipboardHolder : public TClipboardHolder {
 public:
  int32_t GetScrapData(Handle destination, uint32_t scrapType) override;
};
