#include "platform/avi/VideoLibrary.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 40;

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

}  // namespace

AviVideoLibrary::AviVideoLibrary(std::span<const PALETTEENTRY> palette) : packer_(palette) {}

int32_t AviVideoLibrary::InitVideoLibrary() {
  initialized_ = true;
  return 1;
}

std::vector<uint8_t> AviVideoLibrary::MakeDib(HBITMAP bitmap, int32_t bitDepth, int32_t) {
  return packer_.Pack(bitmap, bitDepth);
}

int32_t AviVideoLibrary::InitStream(const char* fileName, int32_t, int32_t rate, int32_t width,
                                    int32_t height, std::span<const uint8_t> dib) {
  CloseVideoStream();
  if (!fileName || rate <= 0 || width <= 0 || height <= 0 || dib.size() < kHeaderSize) return 0;
  const uint32_t colours = ReadU32(dib, 32);
  const size_t formatSize = kHeaderSize + 4ull * colours;
  if (colours > 256 || dib.size() < formatSize) return 0;
  // The stream's frames are width x height: the DIB describes the view's bitmap, which may be
  // larger than the part the movie shows, so its header is made to say the frame's size.
  std::vector<uint8_t> format(dib.begin(), dib.begin() + static_cast<ptrdiff_t>(formatSize));
  for (int i = 0; i < 4; ++i) {
    format[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(width) >> (8 * i));
    format[8 + i] = static_cast<uint8_t>(static_cast<uint32_t>(height) >> (8 * i));
  }
  const int32_t bitDepth = format[14] | format[15] << 8;
  const uint32_t stride = static_cast<uint32_t>(DibPacker::Stride(width, bitDepth));
  const uint32_t imageSize = stride * static_cast<uint32_t>(height);
  for (int i = 0; i < 4; ++i) format[20 + i] = static_cast<uint8_t>(imageSize >> (8 * i));
  file_.SetSizeLimit(sizeLimit_);
  if (!file_.Open(fileName, format, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                  static_cast<uint32_t>(rate)))
    return 0;
  format_ = std::move(format);
  width_ = width;
  height_ = height;
  bitDepth_ = bitDepth;
  formatAccepted_ = false;
  finished_ = false;
  return 1;
}

int32_t AviVideoLibrary::MakeCompressedStream() {
  // Frames are stored as they come: there is no compressor to set up.
  return file_.IsOpen() ? 1 : 0;
}

int32_t AviVideoLibrary::SetFrameFormat(std::span<const uint8_t> dib, int32_t formatSize) {
  if (!file_.IsOpen() || formatSize < static_cast<int32_t>(kHeaderSize) ||
      dib.size() < static_cast<size_t>(formatSize) ||
      static_cast<size_t>(formatSize) != format_.size())
    return 0;
  // The format must be the stream's: same depth, same colour table.
  const bool sameDepth = dib[14] == format_[14] && dib[15] == format_[15];
  const bool sameTable =
      std::equal(format_.begin() + kHeaderSize, format_.end(), dib.begin() + kHeaderSize);
  if (!sameDepth || !sameTable) return 0;
  formatAccepted_ = true;
  return 1;
}

int32_t AviVideoLibrary::MakeFrames(HBITMAP frame, int32_t bitDepth, int32_t width,
                                    int32_t height, int32_t count, int32_t) {
  // A frame that cannot be added leaves a movie with a gap: the whole movie fails.
  const bool fits = formatAccepted_ && bitDepth == bitDepth_ && width == width_ &&
                    height == height_ && count >= 0;
  if (fits && packer_.PackBits(frame, bitDepth, width, height, frameBits_) &&
      file_.AddFrame(frameBits_, static_cast<uint32_t>(count)))
    return 0;
  file_.MarkFailed();
  return kVideoFrameFailed;
}

int32_t AviVideoLibrary::CloseDataStream() {
  if (!file_.IsOpen()) return 0;
  // A stream whose format was never accepted holds no movie worth keeping.
  if (!formatAccepted_) {
    file_.Abandon();
    return 0;
  }
  finished_ = file_.Finish();
  return finished_ ? 1 : 0;
}

int32_t AviVideoLibrary::CloseVideoStream() {
  // A stream closed without its data being completed leaves nothing behind.
  if (file_.IsOpen()) file_.Abandon();
  format_.clear();
  formatAccepted_ = false;
  const bool finished = finished_;
  finished_ = false;
  return finished ? 1 : 0;
}

int32_t AviVideoLibrary::SaveOptionsDialog(HWND) {
  return 0;
}

const void* AviVideoLibrary::GetArrays(int32_t* size) {
  if (size) *size = sizeof(options_);
  return &options_;
}

int32_t AviVideoLibrary::SetArrays(const void* options, const int32_t* size) {
  if (!options || !size || *size <= 0) return 0;
  VideoOptions taken;
  std::memcpy(&taken, options, std::min<size_t>(static_cast<size_t>(*size), sizeof(taken)));
  // Only the uncompressed kind is written; a block naming another codec is refused.
  if (taken.codec != 0) return 0;
  options_ = taken;
  return 1;
}
