#pragma once
// A RIFF AVI movie of one uncompressed video stream: headers (avih, strh "vids", strf with the
// frames' bitmap header and colour table), a "movi" list of "00db" chunks and an "idx1" index.
// The movie is written into a private temporary file beside its destination (made by mkstemp, so
// no file of the user's is ever opened or replaced by accident); only a movie that was finished
// without a failure replaces the destination. Frame counts and sizes are patched at the end.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class AviFile {
 public:
  // The largest file the 32-bit sizes of RIFF can describe.
  static constexpr uint64_t kRiffLimit = 0xFFFFFFFFull;

  AviFile() = default;
  AviFile(const AviFile&) = delete;
  AviFile& operator=(const AviFile&) = delete;
  ~AviFile();  // an unfinished movie is removed

  // Creates the temporary file and writes the headers. format is the packed bitmap header and
  // colour table every frame uses; framesPerSecond above 0. False (nothing left on disk) when the
  // file cannot be made or the format is not an uncompressed 8, 24 or 32-bit bottom-up bitmap.
  bool Open(const std::string& destination, std::span<const uint8_t> format, uint32_t width,
            uint32_t height, uint32_t framesPerSecond);
  // Adds one frame, the bits of the format's layout, count times. False on a write failure, bits
  // of the wrong size, or when the file would outgrow the RIFF limit; the movie is then failed.
  bool AddFrame(std::span<const uint8_t> bits, uint32_t count);
  // Writes the index and patches the counts and sizes; the destination is replaced by the movie.
  // False when the movie had failed or cannot be completed; nothing is left then.
  bool Finish();
  // Marks the movie failed: Finish will drop it.
  void MarkFailed() { failed_ = fd_ >= 0; }
  // Drops the movie and its temporary file.
  void Abandon();

  bool IsOpen() const { return fd_ >= 0; }
  uint32_t FramesWritten() const { return static_cast<uint32_t>(index_.size()); }
  // Lowers the size limit, so that its failure can be shown without writing gigabytes.
  void SetSizeLimit(uint64_t limit) { limit_ = limit; }

 private:
  struct IndexEntry {
    uint32_t offset;  // from the "movi" tag
    uint32_t size;
  };
  bool Write(const void* data, size_t size);
  bool WriteAt(uint64_t position, uint32_t value);
  bool Fail();

  int fd_ = -1;
  bool failed_ = false;
  std::string destination_;
  std::string temporary_;
  uint32_t frameBytes_ = 0;
  uint64_t position_ = 0;
  uint64_t moviTag_ = 0;  // where "movi" sits; the list's size is four bytes before it
  std::vector<IndexEntry> index_;
  uint64_t limit_ = kRiffLimit;
};
