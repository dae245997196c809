#pragma once
// One off-screen picture: a memory device context with a bitmap of a view's size, set up with a
// black one-pixel pen, a white brush and the system font, and a port record of its own so that
// the drawing port can draw into it as into a window.

#include <cstdint>

#include "core/TObject.h"
#include "core/port/Port.h"
#include "platform/win32/Gdi.h"

class TOffScreenBitmap : public TObject {
  DECLARE_CLASS_ID(389, TObject)

 public:
  TOffScreenBitmap() = default;
  // Gives back the pen, brush and font it selected and deletes the context and its bitmap.
  ~TOffScreenBitmap() override;
  TOffScreenBitmap(const TOffScreenBitmap&) = delete;
  TOffScreenBitmap& operator=(const TOffScreenBitmap&) = delete;

  // Makes the context and bitmap compatible with the reference context; a context or bitmap
  // that cannot be made raises -108. Answers 1.
  int16_t InitBitmap(HDC reference, int32_t width, int32_t height);
  // A new bitmap of the size replaces the current one (-108 when it cannot be made).
  virtual void Resize(int32_t width, int32_t height);
  virtual HDC GetMemoryDC() const { return dc_; }
  // Drawing into the picture may begin: the first lock takes any clip region off the picture's
  // context. Always 1.
  virtual int16_t Lock();
  virtual void Unlock() { clipReset_ = 0; }
  void GetInfo(HDC* dc, HBITMAP* bitmap, int16_t* width, int16_t* height) const;
  TPort& Port() { return port_; }
  int16_t Width() const { return width_; }
  int16_t Height() const { return height_; }

 private:
  TPort port_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  int16_t width_ = 0;
  int16_t height_ = 0;
  int16_t clipReset_ = 0;
};
