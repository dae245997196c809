// A world's run recorded as a movie: each exported frame, as the view's picture shows it, goes
// into the movie mlpt times at the type's rate; ffprobe and ffmpeg read the movie back.

#include "exchange/video/VideoMovieMaker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "exchange/export/ExportHandler.h"
#include "exchange/video/VideoExportType.h"
#include "platform/avi/VideoLibrary.h"
#include "simulation/UnitHandler.h"
#include "tests/model/world/WorldTestSupport.h"
#include "tests/support/MemoryCanvas.h"
#include "ui/views/OwlView.h"

namespace {

namespace fs = std::filesystem;
using world_test::TTestEngine;
using world_test::TTestHost;
using world_test::TTestStore;
using world_test::WorldScope;

constexpr int kWidth = 40;
constexpr int kHeight = 24;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// The colour the view shows for a frame.
COLORREF FrameColour(int32_t frame) {
  return RGB(40 * frame, 200 - 30 * frame, 90);
}

// Stands in for the world's window: its picture shows the frame being exported.
class TCanvasMovieMaker : public TVideoMovieMaker {
 public:
  MemoryCanvas canvas{kWidth, kHeight};
  // Whether document windows kept their size at every frame.
  bool sizesKept = true;

 protected:
  bool GetFrameSurface(HDC& dc, HBITMAP& bitmap, int16_t& width, int16_t& height) override {
    sizesKept = sizesKept && TOwlWindow::SuspendSizeHandling();
    HBRUSH brush = CreateSolidBrush(FrameColour(CurrentExportFrame()));
    RECT band{0, 0, kWidth / 2, kHeight};
    FillRect(canvas.dc(), &band, brush);
    DeleteObject(brush);
    dc = canvas.dc();
    bitmap = canvas.bitmap();
    width = kWidth;
    height = kHeight;
    return true;
  }
};

class VideoMovieMakerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto owned = std::make_unique<TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    world->SetEngine(std::make_unique<TTestEngine>(*store));
    world->AdoptObject(std::make_unique<TWorldUnitHandler>());
    handler.Initialize();
    auto movie = std::make_unique<TVideoExportType>();
    type = movie.get();
    type->Init(kTagVideoExportType, &handler);
    handler.AddExportType(std::move(movie));
    char pattern[] = "/tmp/yb-movie-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    BindVideoLibrary(nullptr);
    fs::remove_all(folder);
    world.reset();
    scope.reset();
  }

  void Export(TVideoMovieMaker& maker, int32_t start, int32_t stop) {
    TExportFileSpec target;
    target.name.Assign(Movie().c_str());
    maker.Init(kCmdExportVideo, world.get(), &view, &handler, type, target, TExportNameSpec(),
               false, start, stop);
    maker.Perform();
  }
  std::string Movie() const { return folder + "/run.avi"; }
  int16_t ErrorOfExport(int32_t start, int32_t stop) {
    TCanvasMovieMaker maker;
    try {
      Export(maker, start, stop);
    } catch (const QVException& failure) {
      return failure.error();
    }
    return 0;
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TTestStore* store = nullptr;
  TExportHandler handler;
  TVideoExportType* type = nullptr;
  int view = 0;
  std::string folder;
};

TEST_F(VideoMovieMakerTest, EveryFrameGoesInRepeatedAtTheRateAndTheSize) {
  if (Shell("command -v ffprobe").empty()) GTEST_SKIP() << "ffprobe is missing";
  BindVideoLibrary(std::make_unique<AviVideoLibrary>());
  type->SetIntProperty(MakeTag("rate"), 12);
  type->SetIntProperty(MakeTag("mlpt"), 2);
  type->SetIndexProperty(MakeTag("bmpd"), 24);
  EXPECT_FALSE(TVideoMovieMaker::IsRecording());
  {
    TCanvasMovieMaker maker;
    Export(maker, 1, 3);
    EXPECT_EQ(maker.ExportedFrames(), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_TRUE(maker.sizesKept);
  }
  EXPECT_FALSE(TVideoMovieMaker::IsRecording());
  EXPECT_FALSE(TOwlWindow::SuspendSizeHandling());
  const std::string probe =
      Shell("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=nb_read_frames,r_frame_rate,width,height -of default=nw=1 '" +
            Movie() + "'");
  EXPECT_NE(probe.find("width=40"), std::string::npos) << probe;
  EXPECT_NE(probe.find("height=24"), std::string::npos) << probe;
  EXPECT_NE(probe.find("r_frame_rate=12/1"), std::string::npos) << probe;
  EXPECT_NE(probe.find("nb_read_frames=6"), std::string::npos) << probe;  // 3 frames x 2
  // Movie frames 2 and 3 are world frame 2: the left band in its colour, the right one white.
  for (int decoded : {2, 3}) {
    const std::string rgb = Shell("ffmpeg -v error -i '" + Movie() + "' -vf 'select=eq(n\\," +
                                  std::to_string(decoded) +
                                  ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    ASSERT_EQ(rgb.size(), static_cast<size_t>(kWidth * kHeight * 3));
    const auto at = [&](int x, int y) {
      const size_t i = 3 * (static_cast<size_t>(y) * kWidth + x);
      return RGB(static_cast<uint8_t>(rgb[i]), static_cast<uint8_t>(rgb[i + 1]),
                 static_cast<uint8_t>(rgb[i + 2]));
    };
    EXPECT_EQ(at(3, 5), FrameColour(2)) << decoded;
    EXPECT_EQ(at(kWidth - 2, kHeight - 2), RGB(255, 255, 255)) << decoded;
  }
  // The writer's options are kept for the next movie.
  EXPECT_TRUE(type->HasOptions());
}

TEST_F(VideoMovieMakerTest, WithoutAWriterOrPastItsLimitNoMovieIsLeft) {
  EXPECT_EQ(ErrorOfExport(0, 2), kErrVideoUnavailable);
  EXPECT_FALSE(fs::exists(Movie()));

  auto library = std::make_unique<AviVideoLibrary>();
  library->SetSizeLimit(4096);  // room for the headers and hardly a frame
  BindVideoLibrary(std::move(library));
  type->SetIndexProperty(MakeTag("bmpd"), 32);
  EXPECT_EQ(ErrorOfExport(0, 4), kVideoFrameFailed);
  EXPECT_FALSE(TVideoMovieMaker::IsRecording());
  EXPECT_FALSE(TOwlWindow::SuspendSizeHandling());
  EXPECT_FALSE(fs::exists(Movie()));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0);
}

}  // namespace
