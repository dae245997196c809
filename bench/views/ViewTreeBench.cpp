// View trees on every mouse move: finding the view that sets the cursor and sending a click
// through a window of 1,000 sub-views, and a window whose 200 views follow it when it is
// resized. Items are calls.

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Window.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"

namespace {

class Host : public CWnd {
 public:
  void PostNcDestroy() override { delete this; }
};

// A window object over a document window, with `count` views in a grid (or following it).
class Tree {
 public:
  Tree(int32_t count, int32_t rule) {
    ResetWindowSystem();
    InitDrawingPort();
    InstallWindowBinding();
    auto* host = new Host;
    host->CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, 1200, 800, nullptr, nullptr,
                   nullptr);
    auto* window = new TOwlWindow(host, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{1000, 800});
    window->CreateView(nullptr, host);
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    root_ = new TOwlSubview;
    root_->IOwlView(nullptr, std::move(port), false, true, true);
    // A container under the document window's top child, so that the views keep their rules.
    auto* container = new TWrappedWindow;
    TViewPoint origin{0, 0};
    TViewPoint whole{1000, 800};
    container->InitFromParent(nullptr, root_, origin, whole, 0, 0);
    for (int32_t i = 0; i < count; ++i) {
      auto* view = new TWrappedWindow;
      TViewPoint location{(i % 40) * 25, (i / 40) * 20};
      TViewPoint size{24, 19};
      view->InitFromParent(nullptr, container, location, size, rule, rule);
    }
    container_ = container;
  }
  ~Tree() {
    ResetWindowSystem();
    SetCurrentWrappedView(nullptr);
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentPort(GetGlobalPort());
    FreeDrawingPort();
  }
  TOwlSubview* Root() const { return root_; }
  TWrappedWindow* Container() const { return container_; }

 private:
  TOwlSubview* root_ = nullptr;
  TWrappedWindow* container_ = nullptr;
};

// Where the mouse is at each step: moving a pixel at a time along a zigzag over the views, as
// mouse-move messages come; or jumping far each time (every step in another view, the worst
// case, where every call binds the port to another window).
TViewPoint MousePath(int32_t step, bool jumping) {
  if (jumping) return TViewPoint{(step * 37) % 1000, (step * 53) % 500};
  const int32_t x = step % 2000;
  return TViewPoint{x < 1000 ? x : 1999 - x, (step / 7) % 500};
}

void BM_FindCursorView(benchmark::State& state) {
  Tree tree(1000, 5);
  RegionRec* region = AllocRegion();
  int32_t step = 0;
  for (auto _ : state) {
    const TViewPoint point = MousePath(step++, state.range(0) != 0);
    benchmark::DoNotOptimize(tree.Container()->FindCursorView(point, region));
  }
  FreeRegion(region);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindCursorView)->ArgName("jumping")->Arg(0)->Arg(1);

void BM_HandleMouseDown(benchmark::State& state) {
  Tree tree(1000, 5);
  TMouseEvent event;
  int32_t step = 0;
  for (auto _ : state) {
    const TViewPoint point = MousePath(step++, state.range(0) != 0);
    TCommandCore* command = nullptr;
    benchmark::DoNotOptimize(tree.Container()->HandleMouseDown(point, &event, 0, &command));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleMouseDown)->ArgName("jumping")->Arg(0)->Arg(1);

void BM_ResizeWithFollowingViews(benchmark::State& state) {
  Tree tree(200, TWrappedWindow::kRuleFollow);
  bool wide = false;
  for (auto _ : state) {
    wide = !wide;
    tree.Container()->Resize(wide ? 1010 : 1000, wide ? 805 : 800, false);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ResizeWithFollowingViews)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
