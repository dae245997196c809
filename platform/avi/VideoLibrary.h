#pragma once
// The video writer as the program calls it: thirteen operations that turn the frames of a view's
// off-screen bitmap into a movie file. Results are 32-bit; zero means failure where one is
// tested, and MakeFrames answers 0 or an error code.
//
// AviVideoLibrary writes uncompressed RIFF AVI at 8 bits (with the palette it was made with),
// 24 or 32 bits. The movie grows in a private temporary file beside the chosen one and replaces
// it only when the stream is closed without a failure.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/avi/AviFile.h"
#include "platform/avi/PackedDib.h"
#include "platform/win32/GdiTypes.h"

// The compression options, ten 32-bit words, kept by the program between exports as an opaque
// block of this size.
struct VideoOptions {
  uint32_t codec = 0;  // 0: uncompressed device-independent bitmaps, the only kind written
  uint32_t quality = 10000;
  uint32_t keyFrameInterval = 1;
  uint32_t reserved[7] = {};
};
static_assert(sizeof(VideoOptions) == 40);

// The error MakeFrames answers when a frame cannot be added.
inline constexpr int32_t kVideoFrameFailed = -25205;

class VideoLibrary {
 public:
  virtual ~VideoLibrary() = default;
  virtual int32_t IsVideoAvailable() = 0;
  virtual int32_t InitVideoLibrary() = 0;
  virtual int32_t InitStream(const char* fileName, int32_t frameCount, int32_t rate,
                             int32_t width, int32_t height, std::span<const uint8_t> dib) = 0;
  virtual int32_t SetFrameFormat(std::span<const uint8_t> dib, int32_t formatSize) = 0;
  virtual int32_t CloseVideoStream() = 0;
  virtual int32_t SaveOptionsDialog(HWND owner) = 0;
  // The global block of the original is the returned buffer; empty on failure.
  virtual std::vector<uint8_t> MakeDib(HBITMAP bitmap, int32_t bitDepth, int32_t reserved) = 0;
  virtual int32_t MakeCompressedStream() = 0;
  virtual int32_t LibraryInitialized() = 0;
  virtual int32_t CloseDataStream() = 0;
  virtual int32_t MakeFrames(HBITMAP frame, int32_t bitDepth, int32_t width, int32_t height,
                             int32_t count, int32_t keyFrame) = 0;
  virtual const void* GetArrays(int32_t* size) = 0;
  virtual int32_t SetArrays(const void* options, const int32_t* size) = 0;
};

class AviVideoLibrary final : public VideoLibrary {
 public:
  explicit AviVideoLibrary(std::span<const PALETTEENTRY> palette = {});

  int32_t IsVideoAvailable() override { return 1; }
  int32_t InitVideoLibrary() override;
  int32_t InitStream(const char* fileName, int32_t frameCount, int32_t rate, int32_t width,
                     int32_t height, std::span<const uint8_t> dib) override;
  int32_t SetFrameFormat(std::span<const uint8_t> dib, int32_t formatSize) override;
  int32_t CloseVideoStream() override;
  // Uncompressed frames are the only kind, so there is no choice to offer: answers 0 and keeps
  // the options.
  int32_t SaveOptionsDialog(HWND owner) override;
  std::vector<uint8_t> MakeDib(HBITMAP bitmap, int32_t bitDepth, int32_t reserved) override;
  int32_t MakeCompressedStream() override;
  int32_t LibraryInitialized() override { return initialized_ ? 1 : 0; }
  int32_t CloseDataStream() override;
  int32_t MakeFrames(HBITMAP frame, int32_t bitDepth, int32_t width, int32_t height,
                     int32_t count, int32_t keyFrame) override;
  const void* GetArrays(int32_t* size) override;
  int32_t SetArrays(const void* options, const int32_t* size) override;

  // For tests: the size past which a movie fails instead of growing.
  void SetSizeLimit(uint64_t limit) { sizeLimit_ = limit; }

 private:
  bool initialized_ = false;
  DibPacker packer_;
  VideoOptions options_;
  AviFile file_;
  std::vector<uint8_t> format_;  // header and colour table of the open stream
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bitDepth_ = 0;
  bool formatAccepted_ = false;
  bool finished_ = false;  // CloseDataStream completed the movie
  std::vector<uint8_t> frameBits_;
  uint64_t sizeLimit_ = AviFile::kRiffLimit;
};
