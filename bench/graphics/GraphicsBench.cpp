// Filling and line drawing through the graphics layer against plain Cairo drawing of the same
// shapes on a surface of the same size; items are pixels touched.

#include <cmath>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/win32/Gdi.h"

namespace {

constexpr int kSize = 512;

// A memory context over a kSize x kSize bitmap.
class Canvas {
 public:
  Canvas() {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(nullptr, kSize, kSize);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// A Cairo context on an image surface of the same size, without antialiasing.
class CairoCanvas {
 public:
  CairoCanvas() {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSize, kSize);
    cr_ = cairo_create(surface_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr_, 0.8, 0.1, 0.2);
  }
  ~CairoCanvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  cairo_t* cr() const { return cr_; }
  void Flush() const { cairo_surface_flush(surface_); }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void BM_GdiFillRect(benchmark::State& state) {
  Canvas canvas;
  HBRUSH brush = CreateSolidBrush(RGB(200, 30, 50));
  const int side = static_cast<int>(state.range(0));
  const RECT r{0, 0, side, side};
  for (auto _ : state) {
    const int result = FillRect(canvas.dc(), &r, brush);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
  DeleteObject(brush);
}
BENCHMARK(BM_GdiFillRect)->Arg(16)->Arg(128)->Arg(512);

void BM_CairoFillRect(benchmark::State& state) {
  CairoCanvas canvas;
  const int side = static_cast<int>(state.range(0));
  for (auto _ : state) {
    cairo_rectangle(canvas.cr(), 0, 0, side, side);
    cairo_fill(canvas.cr());
    canvas.Flush();
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_CairoFillRect)->Arg(16)->Arg(128)->Arg(512);

void BM_GdiXorRect(benchmark::State& state) {
  Canvas canvas;
  SetROP2(canvas.dc(), R2_XORPEN);
  SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
  HBRUSH brush = CreateSolidBrush(RGB(200, 30, 50));
  HGDIOBJ old = SelectObject(canvas.dc(), brush);
  const int side = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const BOOL result = Rectangle(canvas.dc(), 0, 0, side + 1, side + 1);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
  SelectObject(canvas.dc(), old);
  DeleteObject(brush);
}
BENCHMARK(BM_GdiXorRect)->Arg(128)->Arg(512);

void BM_CairoXorRect(benchmark::State& state) {
  CairoCanvas canvas;
  cairo_set_operator(canvas.cr(), CAIRO_OPERATOR_XOR);
  const int side = static_cast<int>(state.range(0));
  for (auto _ : state) {
    cairo_rectangle(canvas.cr(), 0, 0, side, side);
    cairo_fill(canvas.cr());
    canvas.Flush();
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_CairoXorRect)->Arg(128)->Arg(512);

void BM_GdiEllipse(benchmark::State& state) {
  Canvas canvas;
  HBRUSH brush = CreateSolidBrush(RGB(200, 30, 50));
  HGDIOBJ old = SelectObject(canvas.dc(), brush);
  const int side = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const BOOL result = Ellipse(canvas.dc(), 0, 0, side, side);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * M_PI * side * side / 4));
  SelectObject(canvas.dc(), old);
  DeleteObject(brush);
}
BENCHMARK(BM_GdiEllipse)->Arg(32)->Arg(256);

void BM_CairoEllipse(benchmark::State& state) {
  CairoCanvas canvas;
  const double side = static_cast<double>(state.range(0));
  for (auto _ : state) {
    cairo_save(canvas.cr());
    cairo_translate(canvas.cr(), side / 2, side / 2);
    cairo_scale(canvas.cr(), side / 2, side / 2);
    cairo_arc(canvas.cr(), 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(canvas.cr());
    cairo_set_source_rgb(canvas.cr(), 0.8, 0.1, 0.2);
    cairo_fill_preserve(canvas.cr());
    cairo_set_source_rgb(canvas.cr(), 0, 0, 0);
    cairo_set_line_width(canvas.cr(), 1);
    cairo_stroke(canvas.cr());
    canvas.Flush();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * M_PI * side * side / 4));
}
BENCHMARK(BM_CairoEllipse)->Arg(32)->Arg(256);

// A fan of one-pixel lines from the centre; each line is half the canvas long.
void BM_GdiLines(benchmark::State& state) {
  Canvas canvas;
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      const double angle = 2 * M_PI * i / count;
      MoveToEx(canvas.dc(), kSize / 2, kSize / 2, nullptr);
      LineTo(canvas.dc(), kSize / 2 + static_cast<int>(250 * std::cos(angle)),
             kSize / 2 + static_cast<int>(250 * std::sin(angle)));
    }
  }
  state.SetItemsProcessed(state.iterations() * count * 250);
}
BENCHMARK(BM_GdiLines)->Arg(64);

void BM_CairoLines(benchmark::State& state) {
  CairoCanvas canvas;
  cairo_set_line_width(canvas.cr(), 1);
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < count; ++i) {
      const double angle = 2 * M_PI * i / count;
      cairo_move_to(canvas.cr(), kSize / 2 + 0.5, kSize / 2 + 0.5);
      cairo_line_to(canvas.cr(), kSize / 2 + static_cast<int>(250 * std::cos(angle)) + 0.5,
                    kSize / 2 + static_cast<int>(250 * std::sin(angle)) + 0.5);
      cairo_stroke(canvas.cr());
    }
    canvas.Flush();
  }
  state.SetItemsProcessed(state.iterations() * count * 250);
}
BENCHMARK(BM_CairoLines)->Arg(64);

// A wide line goes through Cairo's stroker in both.
void BM_GdiWideLines(benchmark::State& state) {
  Canvas canvas;
  HPEN pen = CreatePen(PS_SOLID, 5, RGB(0, 0, 0));
  HGDIOBJ old = SelectObject(canvas.dc(), pen);
  for (auto _ : state) {
    for (int i = 0; i < 64; ++i) {
      MoveToEx(canvas.dc(), 10, 4 + i * 8, nullptr);
      LineTo(canvas.dc(), kSize - 10, 4 + i * 8);
    }
  }
  state.SetItemsProcessed(state.iterations() * 64 * (kSize - 20) * 5);
  SelectObject(canvas.dc(), old);
  DeleteObject(pen);
}
BENCHMARK(BM_GdiWideLines);

void BM_CairoWideLines(benchmark::State& state) {
  CairoCanvas canvas;
  cairo_set_line_width(canvas.cr(), 5);
  cairo_set_line_cap(canvas.cr(), CAIRO_LINE_CAP_ROUND);
  for (auto _ : state) {
    for (int i = 0; i < 64; ++i) {
      cairo_move_to(canvas.cr(), 10.5, 4.5 + i * 8);
      cairo_line_to(canvas.cr(), kSize - 10 + 0.5, 4.5 + i * 8);
      cairo_stroke(canvas.cr());
    }
    canvas.Flush();
  }
  state.SetItemsProcessed(state.iterations() * 64 * (kSize - 20) * 5);
}
BENCHMARK(BM_CairoWideLines);

// Shapes a million pixels across under a clip of side N: an ellipse, a triangle, a region, a
// dashed line and a stretched blit. Drawing clips first, so the time follows N (items are the
// clip's pixels) and not the shapes.
void BM_GdiHugeShapesUnderClip(benchmark::State& state) {
  Canvas canvas;
  Canvas source;
  const int side = static_cast<int>(state.range(0));
  IntersectClipRect(canvas.dc(), 100, 100, 100 + side, 100 + side);
  HBRUSH brush = CreateSolidBrush(RGB(200, 30, 50));
  HPEN dashed = CreatePen(PS_DASH, 1, RGB(0, 0, 0));
  HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
  HGDIOBJ oldPen = SelectObject(canvas.dc(), dashed);
  HRGN region = CreateRectRgn(-1000000, -1000000, 1000000, 1000000);
  const POINT triangle[] = {{-1000000, 1000000}, {300, -1000000}, {1000000, 1000000}};
  for (auto _ : state) {
    Ellipse(canvas.dc(), -1000000, -1000000, 1000000, 1000000);
    Polygon(canvas.dc(), triangle, 3);
    InvertRgn(canvas.dc(), region);
    MoveToEx(canvas.dc(), -1000000, -999900, nullptr);
    LineTo(canvas.dc(), 1000000, 1000100);
    StretchBlt(canvas.dc(), -1000000, -1000000, 2000000, 2000000, source.dc(), 0, 0, kSize, kSize,
               SRCINVERT);
  }
  state.SetItemsProcessed(state.iterations() * side * side);
  SelectObject(canvas.dc(), oldBrush);
  SelectObject(canvas.dc(), oldPen);
  DeleteObject(region);
  DeleteObject(dashed);
  DeleteObject(brush);
}
BENCHMARK(BM_GdiHugeShapesUnderClip)->Arg(16)->Arg(64)->Arg(256);

// Playing a metafile that makes N pens and keeps them all: each takes the lowest free slot of
// the object table, found without walking the table, so the time per pen stays the same as N
// grows.
void BM_MetafilePens(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<uint8_t> bits;
  auto word = [&bits](uint32_t value) {
    bits.push_back(static_cast<uint8_t>(value));
    bits.push_back(static_cast<uint8_t>(value >> 8));
  };
  const uint32_t total = 9 + 8 * static_cast<uint32_t>(count) + 3;
  for (uint32_t value : {1u, 9u, 0x300u, total & 0xFFFF, total >> 16, 0u, 8u, 0u, 0u})
    word(value);
  for (int i = 0; i < count; ++i) {
    for (uint32_t value : {8u, 0u, uint32_t{META_CREATEPENINDIRECT}, uint32_t{PS_SOLID}, 1u, 0u,
                           static_cast<uint32_t>(i & 0xFF), 0u})
      word(value);
  }
  for (uint32_t value : {3u, 0u, 0u})
    word(value);
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
  Canvas canvas;
  for (auto _ : state) {
    const BOOL played = PlayMetaFile(canvas.dc(), metafile);
    benchmark::DoNotOptimize(played);
  }
  state.SetItemsProcessed(state.iterations() * count);
  DeleteMetaFile(metafile);
}
BENCHMARK(BM_MetafilePens)->Arg(10000)->Arg(40000)->Arg(120000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
