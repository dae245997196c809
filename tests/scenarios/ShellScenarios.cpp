// The program's shell as a person meets it: the picture that greets a plain start and goes at a
// click, a world printed to a file from the File menu and the print dialog, and the script
// service's socket, which goes with the program however it is ended.

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
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

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// A grey picture read from a binary PGM file; empty when it cannot be read.
struct GreyPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  // Ink: the thin lines of a drawing come out light grey at low resolutions.
  bool Dark(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)] < 200; }
};

GreyPicture ReadPgm(const std::string& path) {
  GreyPicture picture;
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  file >> magic >> picture.width >> picture.height >> maximum;
  file.get();
  if (magic != "P5" || maximum != 255 || picture.width <= 0 || picture.height <= 0) return {};
  picture.pixels.resize(static_cast<size_t>(picture.width * picture.height));
  file.read(reinterpret_cast<char*>(picture.pixels.data()),
            static_cast<std::streamsize>(picture.pixels.size()));
  if (!file) return {};
  return picture;
}

// The page of a PDF file as pdftoppm renders it in grey; empty when it cannot.
GreyPicture RenderPage(const std::string& pdf, const std::string& stem) {
  const std::string command = "pdftoppm -r 72 -gray -singlefile " + Quoted(pdf) + " " +
                              Quoted(stem) + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  return ReadPgm(stem + ".pgm");
}

// The boxes around the groups of touching dark pixels of the page, largest first.
std::vector<Box> InkedShapes(const GreyPicture& page) {
  std::vector<Box> shapes;
  std::vector<bool> seen(page.pixels.size(), false);
  for (int start = 0; start < page.width * page.height; ++start) {
    if (seen[static_cast<size_t>(start)] || !page.Dark(start % page.width, start / page.width))
      continue;
    int left = page.width, top = page.height, right = -1, bottom = -1;
    std::vector<int> open{start};
    seen[static_cast<size_t>(start)] = true;
    while (!open.empty()) {
      const int at = open.back();
      open.pop_back();
      const int x = at % page.width, y = at / page.width;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= page.width || ny >= page.height) continue;
          const int next = ny * page.width + nx;
          if (seen[static_cast<size_t>(next)] || !page.Dark(nx, ny)) continue;
          seen[static_cast<size_t>(next)] = true;
          open.push_back(next);
        }
    }
    shapes.push_back(Box{left, top, right - left + 1, bottom - top + 1});
  }
  std::sort(shapes.begin(), shapes.end(), [](const Box& a, const Box& b) {
    return a.width * a.height > b.width * b.height;
  });
  return shapes;
}

// The script service's socket files in the private DDE folder, by the process number each names.
std::vector<int> SocketOwners(const std::string& folder) {
  std::vector<int> owners;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    int pid = 0;
    char tail[8] = {};
    if (std::sscanf(name.c_str(), "yb.%d.%7s", &pid, tail) == 2 && std::string(tail) == "sock")
      owners.push_back(pid);
  }
  std::sort(owners.begin(), owners.end());
  return owners;
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
  // The lines written over the picture keep inside its panel (x 14 to 206): beside the panel,
  // level with the lines (y 92 to 200 and the notice's at 264), the picture shows unchanged.
  const Picture shown = Me().Grab(PicturePlace());
  int spilled = 0;
  for (int y = 92; y < 280; ++y) {
    if (y >= 200 && y < 264) continue;
    for (int x = 0; x < 260; ++x)
      if (x < 14 || x > 206) spilled += shown.At(x + 1, y + 1) != picture.At(x, y);
  }
  EXPECT_EQ(spilled, 0) << "a line runs out of the picture's panel";

  // A click on it takes it away at once, leaving the main window alone.
  const Box place = PicturePlace();
  Me().Click(place.x + place.width / 2, place.y + place.height / 2);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().ShownWindows(), 1);
  EXPECT_LT(PictureMatches(picture), 20) << "the picture stayed after the click";
}

TEST_F(Shell, PrintingFromTheFileMenuPutsBothBodiesOfTheWorldOnThePage) {
  ASSERT_TRUE(Start("spring-and-pin.yb"));
  ASSERT_TRUE(Click({"File", "Print..."}));
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Print"; }))
      << "the print dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  // The output file's field holds the keyboard: its name is replaced by the one typed.
  const std::string pdf = Home().Path("shell-printed.pdf");
  Me().Key("Home");
  Me().Key("End", {"Shift_L"});
  Me().Type(pdf);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Print") == 0; }))
      << "the print dialog stayed";
  ASSERT_TRUE(Me().Idle());

  const GreyPicture page = RenderPage(pdf, Home().Path("shell-page"));
  ASSERT_FALSE(page.pixels.empty()) << "pdftoppm read no page from " << pdf;
  // The spring-and-pin world: a circle 0.5 m across about (0, -1 m), and a square 0.1 m across
  // about (1.5 m, 0) hung from the pin by the spring. The circle is the round shape on the page;
  // by its size, the square's far corner stands where the world puts it.
  const std::vector<Box> shapes = InkedShapes(page);
  const auto round = std::find_if(shapes.begin(), shapes.end(), [](const Box& shape) {
    return shape.width > 10 && std::abs(shape.width - shape.height) <= 2;
  });
  std::string seen;
  for (const Box& shape : shapes)
    seen += " " + std::to_string(shape.width) + "x" + std::to_string(shape.height) + "+" +
            std::to_string(shape.x) + "+" + std::to_string(shape.y);
  ASSERT_NE(round, shapes.end()) << "no circle on the page; shapes:" << seen;
  const double perMetre = round->width / 0.5;
  const double centreX = round->x + round->width / 2.0;
  const double centreY = round->y + round->height / 2.0;
  int right = 0, top = page.height;
  for (const Box& shape : shapes) {
    right = std::max(right, shape.Right());
    top = std::min(top, shape.y);
  }
  EXPECT_NEAR(right, centreX + 1.55 * perMetre, 4) << "the square is not at the page's right; shapes:" << seen;
  EXPECT_NEAR(top, centreY - 1.05 * perMetre, 4) << "the square is not at the page's top; shapes:" << seen;
  // The whole view fits on the page.
  EXPECT_LT(right, page.width - 1);
}

TEST_F(Shell, TheScriptServicesSocketGoesWithAnEndedProgramOrAtTheNextStart) {
  const std::string folder = Home().Path("dde");
  ASSERT_TRUE(Start());
  const std::vector<int> first = SocketOwners(folder);
  ASSERT_EQ(first.size(), 1u) << "the program offers no script service";
  // Ended as a desktop session or a user's kill ends it: its socket goes with it.
  ASSERT_EQ(kill(first[0], SIGTERM), 0);
  ASSERT_TRUE(Program()->WaitForExit());
  EXPECT_EQ(Program()->ExitCode(), 128 + SIGTERM);
  EXPECT_TRUE(SocketOwners(folder).empty());

  // Killed outright it can remove nothing; the next start clears what it left.
  ASSERT_TRUE(Start());
  const std::vector<int> second = SocketOwners(folder);
  ASSERT_EQ(second.size(), 1u);
  ASSERT_EQ(kill(second[0], SIGKILL), 0);
  ASSERT_TRUE(Program()->WaitForExit());
  EXPECT_EQ(SocketOwners(folder), second);
  ASSERT_TRUE(Start());
  const std::vector<int> third = SocketOwners(folder);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_NE(third[0], second[0]) << "the killed program's socket stayed";
}

}  // namespace
}  // namespace scenario
