// A full redraw of a world of 1,000 boxes with 500 springs between them through a document
// window's pictures (background, objects, copy to the window), a frame of it running and a
// redraw of one box's place, beside plain Cairo drawing the same shapes into one image. The goal
// is 60 redraws a second or better on one core, within 1.2 times Cairo's time; "ratio_to_cairo"
// reports where it stands. Both sides are timed by the processor time of the thread, so that
// other work on a shared machine does not move the ratio. Items are redraws.

#include <cairo.h>

#include <time.h>

#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"
#include "tools/samples/SampleBuilder.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

namespace {

using namespace body_tags;

constexpr int32_t kBodies = 1000;
constexpr int32_t kSprings = 500;
constexpr int32_t kWidth = 1000;
constexpr int32_t kHeight = 800;
constexpr double kScale = 100.0;  // pixels a metre
constexpr double kBoxSize = 0.12;

// Seconds of processor time this thread has used.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Where box i stands: a grid of 40 by 25 across the view, the origin at the top left.
TVector BoxPlace(int32_t i) {
  return TVector(0.125 + (i % 40) * 0.25, -(0.16 + (i / 40) * 0.32));
}

class Host : public CWnd {
 public:
  void PostNcDestroy() override { delete this; }
};

class Scene {
 public:
  Scene() {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    ResetWindowSystem();
    InitDrawingPort();
    InstallWindowBinding();
    TMass::RegisterClass();
    auto* host = new Host;
    host->CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 20, kHeight + 20,
                   nullptr, nullptr, nullptr);
    auto* window = new TOwlWindow(host, "doc", nullptr, TViewPoint{0, 0},
                                  TViewPoint{kWidth, kHeight});
    window->CreateView(nullptr, host);
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    auto* root = new TOwlSubview;
    root->IOwlView(nullptr, std::move(port), false, true, true);
    BuildWorld();
    manager_ = static_cast<TDezevOffScreenMgr*>(BuildOffScreenManager(nullptr, root));
    manager_->Open();
    manager_->RebuildBuffers(true);
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{kWidth, kHeight}, &world_);
    // The world's origin at the top left, where the boxes start, as Cairo draws them.
    world_.SetOffsets(0.0, 0.0);
    view_->ViewChanged();
  }
  ~Scene() {
    ResetWindowSystem();
    SetCurrentWrappedView(nullptr);
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentPort(GetGlobalPort());
    FreeDrawingPort();
    TMass::TermClass();
  }
  // Everything stale, drawn again and copied to the window.
  void Redraw() {
    view_->ClearPendingFlags();
    view_->InvalidateAllDeep();
    manager_->DrawNow();
  }
  // A frame of a run: the objects drawn again over the background picture, which stays.
  void RedrawFrame() {
    view_->ClearPendingFlags();
    view_->InvalidateForeground();
    manager_->DrawNow();
  }
  void SetRunState(int32_t state) { view_->SetRunState(state); }
  // One box's place stale, as when a box is moved: only what lies there is drawn again.
  void RedrawOneBox() {
    view_->ClearPendingFlags();
    view_->InvalidateWorldRect(view_->ObjectRect(movedBox_));
    manager_->DrawNow();
  }

 private:
  void BuildWorld() {
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_.AdoptObject(std::move(snapper));
    world_.Scale().SetConstant(kScale);
    world_.SetOffsets(0.0, 0.0);
    sample_worlds::AddGround(world_);
    std::vector<TRectangle*> boxes;
    int16_t id = 1;
    for (int32_t i = 0; i < kBodies; ++i) {
      TRectangle& box = sample_worlds::Add<TRectangle>(world_, id++);
      box.SetNumberProperty(kTagWidth, kBoxSize);
      box.SetNumberProperty(kTagHeight, kBoxSize);
      box.SetShortProperty(kTagFillPattern, 1);
      box.SetColourProperty(kTagFillColour,
                            RGB16Color{static_cast<uint16_t>((i * 7919) & 0xFFFF), 0x4000,
                                       static_cast<uint16_t>((i * 104729) & 0xFFFF)});
      const TVector at = BoxPlace(i);
      box.SetFormulaProperty(kTagPosX, TFormula(at.x));
      box.SetFormulaProperty(kTagPosY, TFormula(at.y));
      boxes.push_back(&box);
    }
    movedBox_ = boxes[kBodies / 2];
    for (int32_t s = 0; s < kSprings; ++s) {
      TMass& a = *boxes[static_cast<size_t>(2 * s)];
      TMass& b = *boxes[static_cast<size_t>(2 * s + 1)];
      TPoint& from = sample_worlds::AddPoint(world_, id++, a, {0.0, 0.0});
      TPoint& to = sample_worlds::AddPoint(world_, id++, b, {0.0, 0.0});
      TLSpring& spring = sample_worlds::Add<TLSpring>(world_, id++);
      spring.AttachObject(&from);
      spring.AttachObject(&to);
    }
  }

  TWorldDoc world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TRectangle* movedBox_ = nullptr;
};

// The same shapes with Cairo alone: filled and framed boxes, the two end points of each spring
// as small circles and the spring as a zigzag of 12 segments, without antialiasing.
void DrawWithCairo(cairo_t* cr) {
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  const double half = kBoxSize * kScale / 2;
  for (int32_t i = 0; i < kBodies; ++i) {
    const TVector at = BoxPlace(i);
    const double x = at.x * kScale;
    const double y = -at.y * kScale;
    cairo_rectangle(cr, x - half, y - half, 2 * half, 2 * half);
    cairo_set_source_rgb(cr, (i % 7) / 7.0, 0.25, (i % 11) / 11.0);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_stroke(cr);
  }
  for (int32_t s = 0; s < kSprings; ++s) {
    const TVector a = BoxPlace(2 * s);
    const TVector b = BoxPlace(2 * s + 1);
    for (const TVector& end : {a, b}) {
      cairo_arc(cr, end.x * kScale, -end.y * kScale, 4, 0, 2 * M_PI);
      cairo_stroke(cr);
    }
    cairo_move_to(cr, a.x * kScale, -a.y * kScale);
    for (int k = 1; k <= 12; ++k) {
      const double t = k / 12.0;
      const double x = (a.x + (b.x - a.x) * t) * kScale;
      const double y = -(a.y + (b.y - a.y) * t) * kScale + (k % 2 == 0 ? -4 : 4) * (k < 12);
      cairo_line_to(cr, x, y);
    }
    cairo_stroke(cr);
  }
}

double CairoSecondsPerRedraw() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  constexpr int kRounds = 30;
  const double start = ThreadSeconds();
  for (int i = 0; i < kRounds; ++i) {
    DrawWithCairo(cr);
    cairo_surface_flush(surface);
  }
  const double spent = ThreadSeconds() - start;
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return spent / kRounds;
}

void BM_WorldFullRedraw(benchmark::State& state) {
  Scene scene;
  scene.Redraw();
  const double start = ThreadSeconds();
  int64_t redraws = 0;
  for (auto _ : state) {
    scene.Redraw();
    ++redraws;
  }
  const double ours =
      (ThreadSeconds() - start) / static_cast<double>(std::max<int64_t>(redraws, 1));
  state.SetItemsProcessed(redraws);
  state.counters["redraws_per_second"] = 1.0 / ours;
  state.counters["ratio_to_cairo"] = ours / CairoSecondsPerRedraw();
}
BENCHMARK(BM_WorldFullRedraw)->Unit(benchmark::kMillisecond);

// The same world running: each frame draws every object once into the display picture and
// copies it to the window (editing, a full redraw draws the objects into both pictures).
void BM_WorldRunningFrame(benchmark::State& state) {
  Scene scene;
  scene.SetRunState(TMainWorldView::kRunning);
  scene.Redraw();
  const double start = ThreadSeconds();
  int64_t frames = 0;
  for (auto _ : state) {
    scene.RedrawFrame();
    ++frames;
  }
  const double ours = (ThreadSeconds() - start) / static_cast<double>(std::max<int64_t>(frames, 1));
  state.SetItemsProcessed(frames);
  state.counters["frames_per_second"] = 1.0 / ours;
  state.counters["ratio_to_cairo"] = ours / CairoSecondsPerRedraw();
}
BENCHMARK(BM_WorldRunningFrame)->Unit(benchmark::kMillisecond);

// The same world with one box's place stale: the cost follows the damage, not the world.
void BM_WorldOneBoxRedraw(benchmark::State& state) {
  Scene scene;
  scene.Redraw();
  for (auto _ : state)
    scene.RedrawOneBox();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WorldOneBoxRedraw)->Unit(benchmark::kMicrosecond);

void BM_CairoSameShapes(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  for (auto _ : state) {
    DrawWithCairo(cr);
    cairo_surface_flush(surface);
  }
  state.SetItemsProcessed(state.iterations());
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoSameShapes)->Unit(benchmark::kMillisecond);

}  // namespace


