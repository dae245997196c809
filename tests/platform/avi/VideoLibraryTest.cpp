// Movies written through the thirteen operations, read back by ffprobe and decoded by ffmpeg.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/avi/VideoLibrary.h"
#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "avi-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  size_t Count() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(path_), {}));
  }

 private:
  fs::path path_;
};

void Fill(MemoryCanvas& canvas, COLORREF colour, const RECT& rect) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(canvas.dc(), &rect, brush);
  DeleteObject(brush);
}

// A frame of the test movies: a white field, a red block top left and a blue one whose column
// moves with the frame number.
void DrawFrame(MemoryCanvas& canvas, int frame) {
  Fill(canvas, RGB(255, 255, 255), {0, 0, canvas.width(), canvas.height()});
  Fill(canvas, RGB(255, 0, 0), {0, 0, 8, 6});
  Fill(canvas, RGB(0, 0, 255), {10 + 2 * frame, 10, 14 + 2 * frame, 16});
}

// Writes frames of canvas through the library the way the movie maker does.
bool WriteMovie(AviVideoLibrary& library, const fs::path& file, MemoryCanvas& canvas, int depth,
                int frames, int rate, int count) {
  if (!library.LibraryInitialized()) library.InitVideoLibrary();
  const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), depth, 0);
  if (dib.empty()) return false;
  const int32_t colours = dib[32] | dib[33] << 8;
  if (!library.InitStream(file.c_str(), frames, rate, canvas.width(), canvas.height(), dib))
    return false;
  library.MakeCompressedStream();
  if (!library.SetFrameFormat(dib, 40 + 4 * colours)) return false;
  for (int i = 0; i < frames; ++i) {
    DrawFrame(canvas, i);
    if (library.MakeFrames(canvas.bitmap(), depth, canvas.width(), canvas.height(), count, 1) !=
        0) {
      library.CloseDataStream();
      library.CloseVideoStream();
      return false;
    }
  }
  const bool done = library.CloseDataStream() != 0;
  return library.CloseVideoStream() != 0 && done;
}

// The movie's frames as ffmpeg decodes them, packed rgb24 rows.
std::vector<uint8_t> DecodeFrame(const fs::path& file, int frame) {
  const std::string out = Shell("ffmpeg -v error -i '" + file.string() +
                              "' -vf 'select=eq(n\\," + std::to_string(frame) +
                              ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
  return {out.begin(), out.end()};
}

COLORREF DecodedAt(const std::vector<uint8_t>& rgb, int width, int x, int y) {
  const size_t at = 3 * (static_cast<size_t>(y) * width + x);
  return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
}

class VideoLibraryTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (Shell("command -v ffprobe").empty()) FAIL() << "ffprobe is missing: tools/install-deps.sh test";
  }
  TempFolder folder;
};

// ffprobe's view of the stream: frames, rate, width and height, codec and pixel format.
TEST_P(VideoLibraryTest, FfmpegReadsFramesRateSizeAndPixels) {
  const int depth = GetParam();
  MemoryCanvas canvas(40, 24);
  AviVideoLibrary library;
  const fs::path movie = folder / "run.avi";
  ASSERT_TRUE(WriteMovie(library, movie, canvas, depth, 4, 12, 3));

  const std::string probe =
      Shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
          "stream=nb_read_frames,r_frame_rate,width,height -of default=nw=1 '" +
          movie.string() + "'");
  EXPECT_NE(probe.find("width=40"), std::string::npos) << probe;
  EXPECT_NE(probe.find("height=24"), std::string::npos) << probe;
  EXPECT_NE(probe.find("r_frame_rate=12/1"), std::string::npos) << probe;
  EXPECT_NE(probe.find("nb_read_frames=12"), std::string::npos) << probe;  // 4 frames x 3

  // Frames 0..2 are the first drawing, 9..11 the last.
  for (const auto& [decoded, drawn] : {std::pair{1, 0}, std::pair{10, 3}}) {
    const std::vector<uint8_t> rgb = DecodeFrame(movie, decoded);
    ASSERT_EQ(rgb.size(), 40u * 24u * 3u);
    DrawFrame(canvas, drawn);
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(DecodedAt(rgb, 40, x, y), canvas.At(x, y))
            << "frame " << decoded << " at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, VideoLibraryTest, ::testing::Values(8, 24, 32));

TEST(VideoLibrary, EightBitFramesUseThePaletteGiven) {
  TempFolder folder;
  std::vector<PALETTEENTRY> palette(3);
  palette[0] = {255, 255, 255, 0};
  palette[1] = {200, 0, 0, 0};  // the nearest to pure red
  palette[2] = {0, 0, 160, 0};
  AviVideoLibrary library(palette);
  MemoryCanvas canvas(40, 24);
  const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), 8, 0);
  ASSERT_EQ(dib.size(), 40u + 3u * 4u + 40u * 24u);
  EXPECT_EQ(dib[32], 3);  // biClrUsed
  EXPECT_EQ(dib[40 + 4 + 2], 200);  // second entry's red, stored blue-green-red

  const fs::path movie = folder / "palette.avi";
  ASSERT_TRUE(WriteMovie(library, movie, canvas, 8, 1, 10, 1));
  const std::vector<uint8_t> rgb = DecodeFrame(movie, 0);
  ASSERT_EQ(rgb.size(), 40u * 24u * 3u);
  EXPECT_EQ(DecodedAt(rgb, 40, 2, 2), RGB(200, 0, 0));
  EXPECT_EQ(DecodedAt(rgb, 40, 11, 12), RGB(0, 0, 160));
  EXPECT_EQ(DecodedAt(rgb, 40, 30, 20), RGB(255, 255, 255));
}

// The movie's own bytes: counts patched at close, the index pointing at every chunk.
TEST(VideoLibrary, HeadersAndIndexDescribeTheFrames) {
  TempFolder folder;
  MemoryCanvas canvas(7, 3);  // 7 x 3 bytes at 8 bits: rows padded to 8
  AviVideoLibrary library;
  const fs::path movie = folder / "bytes.avi";
  ASSERT_TRUE(WriteMovie(library, movie, canvas, 8, 2, 25, 2));
  const std::vector<uint8_t> bytes = ReadAll(movie);
  auto u32 = [&](size_t at) {
    return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                 bytes[at + 3] << 24);
  };
  ASSERT_GT(bytes.size(), 200u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(u32(4), bytes.size() - 8);
  EXPECT_EQ(u32(32), 40000u);  // microseconds per frame at 25 per second
  EXPECT_EQ(u32(48), 4u);      // total frames
  EXPECT_EQ(u32(140), 4u);     // the stream's length
  EXPECT_EQ(std::string(bytes.begin() + 108, bytes.begin() + 112), "vids");
  const size_t idx = bytes.size() - 8 - 4 * 16;
  ASSERT_EQ(std::string(bytes.begin() + idx, bytes.begin() + idx + 4), "idx1");
  EXPECT_EQ(u32(idx + 4), 64u);
  const std::string text(bytes.begin(), bytes.end());
  const size_t movi = text.find("movi");
  ASSERT_NE(movi, std::string::npos);
  for (int i = 0; i < 4; ++i) {
    const size_t entry = idx + 8 + 16 * i;
    EXPECT_EQ(std::string(bytes.begin() + entry, bytes.begin() + entry + 4), "00db");
    EXPECT_EQ(u32(entry + 12), 24u);
    const size_t chunk = movi + u32(entry + 8);
    EXPECT_EQ(std::string(bytes.begin() + chunk, bytes.begin() + chunk + 4), "00db");
    EXPECT_EQ(u32(chunk + 4), 24u);
  }
}

TEST(VideoLibrary, AFileOfTheUsersIsNeverTouchedUntilTheMovieIsComplete) {
  TempFolder folder;
  const fs::path movie = folder / "tmp.avi";
  std::ofstream(movie) << "the user's own file";
  MemoryCanvas canvas(16, 8);
  AviVideoLibrary library;
  library.InitVideoLibrary();
  const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), 24, 0);
  ASSERT_TRUE(library.InitStream(movie.c_str(), 1, 10, 16, 8, dib));
  ASSERT_TRUE(library.SetFrameFormat(dib, 40));
  ASSERT_EQ(library.MakeFrames(canvas.bitmap(), 24, 16, 8, 1, 1), 0);
  // Mid-stream the user's file is as it was, and the movie grows in a file beside it.
  EXPECT_EQ(ReadAll(movie).size(), 19u);
  EXPECT_EQ(folder.Count(), 2u);

  // A failing frame (wrong size) fails the movie: the user's file stays, nothing else is left.
  EXPECT_EQ(library.MakeFrames(canvas.bitmap(), 24, 8, 8, 1, 1), kVideoFrameFailed);
  EXPECT_EQ(library.CloseDataStream(), 0);
  EXPECT_EQ(library.CloseVideoStream(), 0);
  EXPECT_EQ(ReadAll(movie).size(), 19u);
  EXPECT_EQ(folder.Count(), 1u);
}

TEST(VideoLibrary, StreamsThatCannotBeWrittenFailClearly) {
  TempFolder folder;
  MemoryCanvas canvas(16, 8);
  AviVideoLibrary library;
  const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), 24, 0);
  EXPECT_TRUE(library.MakeDib(canvas.bitmap(), 16, 0).empty());
  EXPECT_EQ(library.InitStream((folder / "no/such/folder.avi").c_str(), 1, 10, 16, 8, dib), 0);
  EXPECT_EQ(library.InitStream((folder / "a.avi").c_str(), 1, 0, 16, 8, dib), 0);

  // A format other than the stream's is refused, and a stream without one leaves no file.
  ASSERT_TRUE(library.InitStream((folder / "a.avi").c_str(), 1, 10, 16, 8, dib));
  const std::vector<uint8_t> other = library.MakeDib(canvas.bitmap(), 8, 0);
  const int32_t otherSize = static_cast<int32_t>(other.size() - 16 * 8);
  EXPECT_EQ(library.SetFrameFormat(other, otherSize), 0);
  EXPECT_EQ(library.MakeFrames(canvas.bitmap(), 24, 16, 8, 1, 1), kVideoFrameFailed);
  library.CloseDataStream();
  library.CloseVideoStream();
  EXPECT_EQ(folder.Count(), 0u);
}

TEST(VideoLibrary, AMoviePastTheRiffLimitFailsAndLeavesNothing) {
  TempFolder folder;
  MemoryCanvas canvas(16, 8);
  AviVideoLibrary library;
  library.SetSizeLimit(2000);  // headers and a few 384-byte frames
  const fs::path movie = folder / "big.avi";
  const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), 24, 0);
  ASSERT_TRUE(library.InitStream(movie.c_str(), 10, 10, 16, 8, dib));
  ASSERT_TRUE(library.SetFrameFormat(dib, 40));
  int added = 0;
  while (added < 10 && library.MakeFrames(canvas.bitmap(), 24, 16, 8, 1, 1) == 0) ++added;
  EXPECT_GT(added, 0);
  EXPECT_LT(added, 10);
  EXPECT_EQ(library.CloseDataStream(), 0);
  library.CloseVideoStream();
  EXPECT_FALSE(fs::exists(movie));
  EXPECT_EQ(folder.Count(), 0u);
}

TEST(VideoLibrary, OptionsComeBackAsTheyWereSet) {
  AviVideoLibrary library;
  VideoOptions options;
  options.quality = 7500;
  options.reserved[6] = 0xDEADBEEF;
  const int32_t size = sizeof options;
  ASSERT_EQ(library.SetArrays(&options, &size), 1);
  int32_t got = 0;
  const auto* back = static_cast<const VideoOptions*>(library.GetArrays(&got));
  EXPECT_EQ(got, 40);
  EXPECT_EQ(back->quality, 7500u);
  EXPECT_EQ(back->reserved[6], 0xDEADBEEFu);
  // A block naming a codec this writer lacks is refused and the options stay.
  options.codec = 0x47504A4D;
  EXPECT_EQ(library.SetArrays(&options, &size), 0);
  EXPECT_EQ(static_cast<const VideoOptions*>(library.GetArrays(&got))->codec, 0u);
}

}  // namespace
