// A 600 x 400 graph meter of four columns redrawn in full from its recorded frames, beside plain
// Cairo stroking the same three polylines on a surface of the same size. The frames are as many
// as a run records: frame numbers are 16-bit all through the world (its current frame, stop
// frame and the tape), so a run ends at 32,767 frames. Items are plotted samples.
//
// Then the cost per frame of three four-column graph meters following a run (the frame change
// and the live plot of the newest sample), at the pendulum's pace and with dense frames, beside
// the solver's own time per frame on the pendulum in accurate mode. The meters' columns are
// formulas, as a meter placed on a quantity has, and their ranges hold the values, so that every
// sample is drawn.

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/meters/Output.h"
#include "platform/win32/Gdi.h"
#include "simulation/HistoryStore.h"
#include "solver/dynamics/Simulation.h"
#include "tests/solver/dynamics/Scenes.h"

namespace {

constexpr int16_t kFrames = 32767;
constexpr int kWidth = 600;
constexpr int kHeight = 400;
constexpr double kStep = 0.001;
constexpr double kReach[3] = {2.0, 2.0, 2.0};

double Sample(int32_t frame, int column) {
  const double t = frame * kStep;
  return column == 0 ? t : std::sin(t * column * 3.0 + 0.3) * (1.0 + 0.2 * column);
}

// The pendulum of 10 degrees at its frames, 1/30 s apart: time, the bob's angle, its angular
// velocity and its x, as a swing of the exact period.
constexpr double kPendulumPeriod = 2.011148418;
constexpr double kPendulumFrameStep = 1.0 / 30.0;
constexpr double kPendulumReach[3] = {0.2, 0.6, 0.2};
double PendulumSample(int32_t frame, int column) {
  const double t = frame * kPendulumFrameStep;
  const double amplitude = 10.0 * std::numbers::pi / 180;
  const double w = 2 * std::numbers::pi / kPendulumPeriod;
  const double angle = amplitude * std::cos(w * t);
  switch (column) {
    case 0:
      return t;
    case 1:
      return angle;
    case 2:
      return -amplitude * w * std::sin(w * t);
    default:
      return std::sin(angle);
  }
}

// Four columns of formulas: time on the horizontal axis over 0..span, three curves within
// -reach..reach.
void SetUpColumns(TOutput& meter, double span, const double (&reach)[3]) {
  meter.SetColumnCount(4);
  meter.SetWrapXAxis(false);
  meter.SetMeterKind(MeterKind::kGraph);
  meter.SetConnectPoints(true);
  static constexpr const char* kFormulas[4] = {"time", "sin(3*time)", "sin(6*time)", "sin(9*time)"};
  for (int c = 1; c <= 4; ++c) {
    meter.Column(c)->Formula().SetFromPieces(Str255(kFormulas[c - 1]));
    if (c == 1) {
      meter.Column(c)->SetRange(0.0, span);
    } else {
      meter.Column(c)->SetRange(-reach[c - 2], reach[c - 2]);
    }
  }
}

// The handle pool and the drawing port live around everything the graph holds.
struct DrawingSetUp {
  DrawingSetUp() {
    InitHandlePool();
    InitDrawingPort();
  }
  ~DrawingSetUp() {
    FreeDrawingPort();
    FreeHandlePool();
  }
  DrawingSetUp(const DrawingSetUp&) = delete;
  DrawingSetUp& operator=(const DrawingSetUp&) = delete;
};

class GraphFixture {
 public:
  explicit GraphFixture(bool connected) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(nullptr, kWidth + 40, kHeight + 40);
    old_ = SelectObject(dc_, bitmap_);
    SetPortDC(dc_);
    store_.SetValuesPerFrame(4);
    store_.SetFrameCount(kFrames);
    for (int16_t f = 0; f < kFrames; ++f)
      for (int c = 0; c < 4; ++c) store_.SetValue(f, c, Sample(f, c));
    SetUpColumns(meter_, kFrames * kStep, kReach);
    meter_.SetConnectPoints(connected);
    meter_.SetPosition(0, 0);
    meter_.SetSize(MacPoint(kWidth, kHeight));
    meter_.SetShowAxes(false);
    walk_ = [this](int16_t first, int16_t last, const auto& frame) {
      for (int16_t f = std::max<int16_t>(first, 0); f <= std::min<int16_t>(last, kFrames - 1); ++f)
        frame(f, store_.PositionAtFrame(f));
    };
  }
  ~GraphFixture() {
    SetPortDC(nullptr);
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  void Draw() { meter_.DrawGraph(nullptr, walk_, kFrames - 1); }

 private:
  DrawingSetUp setUp_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  THistoryStore store_;
  TOutput meter_;
  TOutput::FrameWalk walk_;
};

void BM_GraphMeterFullRedraw(benchmark::State& state) {
  GraphFixture graph(true);
  for (auto _ : state) graph.Draw();
  state.SetItemsProcessed(state.iterations() * kFrames * 3);
}
BENCHMARK(BM_GraphMeterFullRedraw)->Unit(benchmark::kMillisecond);

// The same graph with its samples as dots, a new meter's way.
void BM_GraphMeterFullRedrawDots(benchmark::State& state) {
  GraphFixture graph(false);
  for (auto _ : state) graph.Draw();
  state.SetItemsProcessed(state.iterations() * kFrames * 3);
}
BENCHMARK(BM_GraphMeterFullRedrawDots)->Unit(benchmark::kMillisecond);

void BM_CairoPolylines(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  std::vector<std::vector<std::pair<double, double>>> lines(3);
  for (int c = 1; c <= 3; ++c) {
    for (int32_t f = 0; f < kFrames; ++f) {
      lines[c - 1].emplace_back(std::lround(Sample(f, 0) / (kFrames * kStep) * kWidth) + 0.5,
                                kHeight - std::lround((Sample(f, c) + 2.0) / 4.0 * kHeight) + 0.5);
    }
  }
  for (auto _ : state) {
    for (const auto& line : lines) {
      cairo_move_to(cr, line.front().first, line.front().second);
      for (const auto& [x, y] : line) cairo_line_to(cr, x, y);
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
  }
  state.SetItemsProcessed(state.iterations() * kFrames * 3);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoPolylines)->Unit(benchmark::kMillisecond);

// Three meters of plots 200 pixels square, side by side on one bitmap (each framed meter of four
// columns is 230 by 208 pixels), follow the frames of a run one by one: each frame changes them
// and plots its newest sample. Items are frames.
constexpr int16_t kMeterSpacing = 240;
void FollowRun(benchmark::State& state, int16_t runFrames, double span, const double (&reach)[3],
               double (*sample)(int32_t frame, int column)) {
  DrawingSetUp setUp;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 3 * kMeterSpacing, 220);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SetPortDC(dc);
  THistoryStore store;
  store.SetValuesPerFrame(4);
  store.SetFrameCount(runFrames);
  for (int16_t f = 0; f < runFrames; ++f)
    for (int c = 0; c < 4; ++c) store.SetValue(f, c, sample(f, c));
  std::vector<std::unique_ptr<TOutput>> meters;
  for (int i = 0; i < 3; ++i) {
    auto meter = std::make_unique<TOutput>();
    SetUpColumns(*meter, span, reach);
    meter->SetPosition(0, static_cast<int16_t>(i * kMeterSpacing));
    meter->SetSize(MacPoint(200, 200));
    meters.push_back(std::move(meter));
  }
  int16_t frame = 0;
  for (auto _ : state) {
    for (auto& meter : meters) {
      meter->FrameChange(frame, store.PositionAtFrame(frame), true);
      meter->PlotLive(false);
    }
    frame = static_cast<int16_t>((frame + 1) % runFrames);
  }
  state.SetItemsProcessed(state.iterations());
  meters.clear();
  SetPortDC(nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

// The pendulum's own pace: two periods across the meters, its curves moving up to nine pixels a
// frame.
void BM_ThreeMetersPerFrame(benchmark::State& state) {
  const auto frames = static_cast<int16_t>(std::lround(2 * kPendulumPeriod / kPendulumFrameStep));
  FollowRun(state, frames, frames * kPendulumFrameStep, kPendulumReach, PendulumSample);
}
BENCHMARK(BM_ThreeMetersPerFrame)->Unit(benchmark::kMicrosecond);

// Two thousand frames across the meters: the curves move a pixel or less a frame.
void BM_ThreeMetersPerFrameDense(benchmark::State& state) {
  constexpr int16_t kRunFrames = 2000;
  FollowRun(state, kRunFrames, kRunFrames * kStep, kReach, Sample);
}
BENCHMARK(BM_ThreeMetersPerFrameDense)->Unit(benchmark::kMicrosecond);

// The pendulum of 10 degrees in the solver alone, in accurate mode, one animation frame per
// iteration. Items are frames.
void BM_PendulumSolverPerFrame(benchmark::State& state) {
  const yb::dynamics::Model model =
      yb::dynamics::scenes::Pendulum(10.0 * std::numbers::pi / 180).model;
  auto simulation = std::make_unique<yb::dynamics::Simulation>(model, yb::dynamics::RunSettings{});
  const double step = simulation->Settings().animationStep;
  int64_t frame = 0;
  for (auto _ : state) {
    // A fresh run now and then keeps the times of a run's early frames.
    if (++frame > 2000) {
      state.PauseTiming();
      simulation = std::make_unique<yb::dynamics::Simulation>(model, yb::dynamics::RunSettings{});
      frame = 1;
      state.ResumeTiming();
    }
    simulation->AdvanceTo(static_cast<double>(frame) * step);
    benchmark::DoNotOptimize(simulation->Time());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PendulumSolverPerFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
