// The cost of adding one 640 x 480 frame to a movie, beside the cost of drawing it: a frame
// holds 100 bodies (ovals and rectangles in several colours). Each run writes 1,000 frames.
// Goals: at 24 bits a frame costs at most as much to add as to draw, at 8 bits (nearest colour
// of the palette) at most twice as much.

#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include "platform/avi/VideoLibrary.h"
#include "platform/win32/Gdi.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kBodies = 100;
constexpr int kFrames = 1000;

class Canvas {
 public:
  Canvas() {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(nullptr, kWidth, kHeight);
    old_ = SelectObject(dc_, bitmap_);
    for (int i = 0; i < 6; ++i) {
      brushes_.push_back(CreateSolidBrush(RGB(40 * i, 255 - 40 * i, (97 * i) % 256)));
    }
  }
  ~Canvas() {
    for (HBRUSH brush : brushes_) DeleteObject(brush);
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HBITMAP bitmap() const { return bitmap_; }

  // One frame of a world of bodies that move with the frame number.
  void Draw(int frame) {
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < kBodies; ++i) {
      const int x = (i * 61 + frame * 3) % (kWidth - 40);
      const int y = (i * 37 + frame * 2) % (kHeight - 40);
      HGDIOBJ old = SelectObject(dc_, brushes_[i % brushes_.size()]);
      if (i % 2) {
        Ellipse(dc_, x, y, x + 36, y + 36);
      } else {
        Rectangle(dc_, x, y, x + 40, y + 24);
      }
      SelectObject(dc_, old);
    }
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::vector<HBRUSH> brushes_;
};

void DrawFrames(benchmark::State& state) {
  Canvas canvas;
  for (auto _ : state) {
    for (int frame = 0; frame < kFrames; ++frame) canvas.Draw(frame);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(DrawFrames)->Unit(benchmark::kMillisecond);

// Adds the same frame kFrames times: the writer's part alone, without the drawing.
void AddFrames(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  Canvas canvas;
  canvas.Draw(0);
  const std::string file = (std::filesystem::temp_directory_path() /
                            ("bench-" + std::to_string(getpid()) + ".avi"))
                               .string();
  AviVideoLibrary library;
  library.InitVideoLibrary();
  for (auto _ : state) {
    const std::vector<uint8_t> dib = library.MakeDib(canvas.bitmap(), depth, 0);
    const int32_t colours = dib[32] | dib[33] << 8;
    library.InitStream(file.c_str(), kFrames, 25, kWidth, kHeight, dib);
    library.SetFrameFormat(dib, 40 + 4 * colours);
    for (int frame = 0; frame < kFrames; ++frame) {
      if (library.MakeFrames(canvas.bitmap(), depth, kWidth, kHeight, 1, 1) != 0) {
        state.SkipWithError("a frame could not be added");
        break;
      }
    }
    library.CloseDataStream();
    library.CloseVideoStream();
  }
  std::filesystem::remove(file);
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(AddFrames)->Arg(8)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
