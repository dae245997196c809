// The program's shell as a person meets it: the picture that greets a plain start and goes at a
// click, a world printed to a file from the File menu and the print dialog, and the script
// service's socket, which goes with the program however it is ended.

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// The start-up picture: an 8-bit bitmap of 520 by 344 pixels, centred on the screen.
constexpr int kPictureWidth = 520;
constexpr int kPictureHeight = 344;

std::string SourceFolder() {
  const char* given = std::getenv("YB_SOURCE_DIR");
  return given && *given ? given : YB_SOURCE_FALLBACK;
}

// An uncompressed 8-bit BMP file's pixels as 0x00RRGGBB, row by row from the top; empty when the
// file is not one.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

uint32_t Little(const std::string& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
  return value;
}

Bitmap ReadBitmap(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Bitmap bitmap;
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0 || Little(bytes, 28, 2) != 8) return {};
  const uint32_t bits = Little(bytes, 10, 4);
  const uint32_t header = Little(bytes, 14, 4);
  const int width = static_cast<int>(Little(bytes, 18, 4));
  const int height = static_cast<int>(Little(bytes, 22, 4));
  const uint32_t used = Little(bytes, 46, 4);
  const size_t colours = used != 0 ? used : 256;
  const size_t stride = (static_cast<size_t>(width) + 3) & ~size_t{3};
  if (width <= 0 || height <= 0 || 14 + header + colours * 4 > bits ||
      bits + stride * static_cast<size_t>(height) > bytes.size())
    return {};
  bitmap.width = width;
  bitmap.height = height;
  bitmap.pixels.resize(static_cast<size_t>(width * height));
  for (int y = 0; y < height; ++y) {
    const size_t row = bits + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const size_t index = static_cast<uint8_t>(bytes[row + static_cast<size_t>(x)]);
      if (index >= colours) return {};
      bitmap.pixels[static_cast<size_t>(y * width + x)] =
          Little(bytes, 14 + header + index * 4, 3);
    }
  }
  return bitmap;
}

class Shell : public Scenario {
 protected:
  // The place where the start-up picture stands when shown: centred on the screen.
  static Box PicturePlace() {
    return Box{(1024 - kPictureWidth) / 2, (768 - kPictureHeight) / 2, kPictureWidth,
               kPictureHeight};
  }
  // How many of the 192 sample points of the picture's right half, away from the lines written
  // over its left, show the bitmap's own colour on the screen.
  static int PictureMatches(const Bitmap& picture) {
    const Box place = PicturePlace();
    const Picture shown = Me().Grab(place);
    int matches = 0;
    for (int y = 20; y < kPictureHeight - 20; y += 20)
      for (int x = kPictureWidth / 2; x < kPictureWidth - 20; x += 20)
        matches += shown.At(x + 1, y + 1) == picture.At(x, y);  // inside the border
    return matches;
  }
};

TEST_F(Shell, APlainStartShowsThePictureUntilAClick) {
  const Bitmap picture = ReadBitmap(SourceFolder() + "/resources/main/art/splash.bmp");
  ASSERT_EQ(picture.width, kPictureWidth);
  ASSERT_EQ(picture.height, kPictureHeight);
  RunningProgram& program = Launch({});
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().MainWindow() != 0 || program.WaitForExit(0); }))
      << program.Output();
  ASSERT_NE(Me().MainWindow(), 0u) << program.Output();
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(PictureMatches(picture), 192) << "the picture is not in front";
  ASSERT_EQ(Me().ShownWindows(), 2);

  // A click on it takes it away at once, leaving the main window alone.
  const Box place = PicturePlace();
  Me().Click(place.x + place.width / 2, place.y + place.height / 2);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().ShownWindows(), 1);
  EXPECT_LT(PictureMatches(picture), 20) << "the picture stayed after the click";
}

}  // namespace
}  // namespace scenario
