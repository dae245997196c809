#include "platform/avi/AviFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint64_t kTotalFramesAt = 48;  // avih's dwTotalFrames
constexpr uint64_t kLengthAt = 140;      // strh's dwLength
constexpr size_t kBitmapHeaderSize = 40;

// Little-endian bytes of the headers.
class Bytes {
 public:
  void Tag(const char (&tag)[5]) { out_.insert(out_.end(), tag, tag + 4); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Raw(std::span<const uint8_t> data) { out_.insert(out_.end(), data.begin(), data.end()); }
  void PadEven() {
    if (out_.size() % 2) out_.push_back(0);
  }
  const std::vector<uint8_t>& Data() const { return out_; }

 private:
  std::vector<uint8_t> out_;
};

uint32_t ReadU32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint16_t ReadU16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

// Bytes of one frame of the format, or 0 when the format is not one this writer carries.
uint32_t FrameBytes(std::span<const uint8_t> format, uint32_t width, uint32_t height) {
  if (format.size() < kBitmapHeaderSize || width == 0 || height == 0) return 0;
  const uint32_t headerSize = ReadU32(format, 0);
  const auto formatWidth = static_cast<int32_t>(ReadU32(format, 4));
  const auto formatHeight = static_cast<int32_t>(ReadU32(format, 8));
  const uint16_t bits = ReadU16(format, 14);
  const uint32_t compression = ReadU32(format, 16);
  const uint32_t colours = ReadU32(format, 32);
  if (headerSize != kBitmapHeaderSize || compression != 0) return 0;
  if (formatWidth != static_cast<int32_t>(width) || formatHeight != static_cast<int32_t>(height))
    return 0;
  if (bits != 8 && bits != 24 && bits != 32) return 0;
  if (bits == 8 && (colours == 0 || colours > 256)) return 0;
  if (bits != 8 && colours != 0) return 0;
  if (format.size() != kBitmapHeaderSize + 4ull * colours) return 0;
  const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  const uint64_t total = stride * height;
  return total > AviFile::kRiffLimit ? 0 : static_cast<uint32_t>(total);
}

}  // namespace

AviFile::~AviFile() {
  Abandon();
}

bool AviFile::Open(const std::string& destination, std::span<const uint8_t> format,
                   uint32_t width, uint32_t height, uint32_t framesPerSecond) {
  Abandon();
  frameBytes_ = FrameBytes(format, width, height);
  if (frameBytes_ == 0 || framesPerSecond == 0 || destination.empty()) return false;

  // The temporary file sits in the destination's folder, so that the finished movie is renamed
  // into place instead of copied.
  const size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  std::string pattern = folder + ".movie-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  fd_ = fd;
  failed_ = false;
  destination_ = destination;
  temporary_ = pattern;
  index_.clear();
  position_ = 0;

  const uint32_t formatSize = static_cast<uint32_t>(format.size());
  const uint32_t paddedFormat = formatSize + formatSize % 2;
  const uint32_t strlSize = 4 + 8 + 56 + 8 + paddedFormat;
  const uint32_t hdrlSize = 4 + 8 + 56 + 8 + strlSize;
  Bytes b;
  b.Tag("RIFF");
  b.U32(0);  // patched at the end
  b.Tag("AVI ");
  b.Tag("LIST");
  b.U32(hdrlSize);
  b.Tag("hdrl");
  b.Tag("avih");
  b.U32(56);
  b.U32(1000000 / framesPerSecond);
  b.U32(static_cast<uint32_t>(
      std::min<uint64_t>(static_cast<uint64_t>(frameBytes_) * framesPerSecond, 0xFFFFFFFFu)));
  b.U32(0);
  b.U32(kAvifHasIndex);
  b.U32(0);  // total frames, patched
  b.U32(0);
  b.U32(1);
  b.U32(frameBytes_);
  b.U32(width);
  b.U32(height);
  for (int i = 0; i < 4; ++i) b.U32(0);
  b.Tag("LIST");
  b.U32(strlSize);
  b.Tag("strl");
  b.Tag("strh");
  b.U32(56);
  b.Tag("vids");
  b.Tag("DIB ");
  b.U32(0);  // flags
  b.U16(0);  // priority
  b.U16(0);  // language
  b.U32(0);  // initial frames
  b.U32(1);  // scale
  b.U32(framesPerSecond);
  b.U32(0);  // start
  b.U32(0);  // length, patched
  b.U32(frameBytes_);
  b.U32(0xFFFFFFFFu);  // default quality
  b.U32(0);            // sample size: frames vary in nothing, but each is its own chunk
  b.U16(0);
  b.U16(0);
  b.U16(static_cast<uint16_t>(std::min<uint32_t>(width, 0x7FFF)));
  b.U16(static_cast<uint16_t>(std::min<uint32_t>(height, 0x7FFF)));
  b.Tag("strf");
  b.U32(formatSize);
  b.Raw(format);
  b.PadEven();
  b.Tag("LIST");
  b.U32(0);  // patched
  b.Tag("movi");
  moviTag_ = b.Data().size() - 4;
  if (!Write(b.Data().data(), b.Data().size())) {
    Abandon();
    return false;
  }
  return true;
}

bool AviFile::AddFrame(std::span<const uint8_t> bits, uint32_t count) {
  if (fd_ < 0 || failed_) return false;
  if (bits.size() != frameBytes_) return Fail();
  const uint64_t chunk = 8 + frameBytes_ + frameBytes_ % 2;
  // What the file will hold once these frames and their index entries are in.
  const uint64_t frames = index_.size() + static_cast<uint64_t>(count);
  const uint64_t finished = position_ + chunk * count + 8 + 16 * frames;
  if (finished > limit_) return Fail();

  Bytes head;
  head.Tag("00db");
  head.U32(frameBytes_);
  static constexpr uint8_t kPad = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const auto offset = static_cast<uint32_t>(position_ - moviTag_);
    if (!Write(head.Data().data(), 8) || !Write(bits.data(), bits.size())) return Fail();
    if (frameBytes_ % 2 && !Write(&kPad, 1)) return Fail();
    index_.push_back({offset, frameBytes_});
  }
  return true;
}

bool AviFile::Finish() {
  if (fd_ < 0) return false;
  if (failed_) {
    Abandon();
    return false;
  }
  const uint64_t moviEnd = position_;
  Bytes idx;
  idx.Tag("idx1");
  idx.U32(static_cast<uint32_t>(16 * index_.size()));
  for (const IndexEntry& entry : index_) {
    idx.Tag("00db");
    idx.U32(kAviifKeyFrame);
    idx.U32(entry.offset);
    idx.U32(entry.size);
  }
  const auto frames = static_cast<uint32_t>(index_.size());
  const bool written =
      Write(idx.Data().data(), idx.Data().size()) &&
      WriteAt(4, static_cast<uint32_t>(position_ - 8)) &&
      WriteAt(moviTag_ - 4, static_cast<uint32_t>(moviEnd - moviTag_)) &&
      WriteAt(kTotalFramesAt, frames) && WriteAt(kLengthAt, frames) && fsync(fd_) == 0;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0 || !written || rename(temporary_.c_str(), destination_.c_str()) != 0) {
    unlink(temporary_.c_str());
    temporary_.clear();
    return false;
  }
  // mkstemp made the file readable by its owner only; a movie is an ordinary document.
  const mode_t mask = umask(0);
  umask(mask);
  chmod(destination_.c_str(), 0666 & ~mask);
  temporary_.clear();
  return true;
}

void AviFile::Abandon() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    unlink(temporary_.c_str());
    temporary_.clear();
  }
  failed_ = false;
  index_.clear();
}

bool AviFile::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
    position_ += static_cast<uint64_t>(n);
  }
  return true;
}

bool AviFile::WriteAt(uint64_t position, uint32_t value) {
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  return pwrite(fd_, bytes, 4, static_cast<off_t>(position)) == 4;
}

bool AviFile::Fail() {
  failed_ = true;
  return false;
}
