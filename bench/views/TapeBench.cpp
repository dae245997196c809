// The tape's thumb dragged from one end of the recording to the other over a world of 1,000
// falling boxes: each step of the drag shows the frame under the mouse (every body brought to
// it) and draws the window again. The goal is 60 frames a second or better on one core;
// "frames_per_second" reports where it stands. Items are frames shown.

#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>

#include "app/TApp.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "tools/samples/SampleBuilder.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "views/furniture/FrameIndicator.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

namespace {

using namespace body_tags;

constexpr int32_t kBodies = 1000;
constexpr int32_t kFrames = 120;
constexpr int32_t kWidth = 1000;
constexpr int32_t kHeight = 800;
constexpr double kBoxSize = 0.12;

class Host : public CWnd {
 public:
  void PostNcDestroy() override { delete this; }
};

class TapeScene {
 public:
  TapeScene() {
    ResetWindowSystem();
    app_.LoadResourceDlls();
    app_.InitUnits();
    InstallWindowBinding();
    document_ = std::make_unique<TQVDoc>();
    BuildWorld();
    auto* host = new Host;
    host->CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 20, kHeight + 60,
                   nullptr, nullptr, nullptr);
    auto* window = new TOwlWindow(host, "doc", nullptr, TViewPoint{0, 0},
                                  TViewPoint{kWidth, kHeight + 40});
    window->CreateView(nullptr, host);
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    auto* root = new TOwlSubview;
    root->IOwlView(nullptr, std::move(port), false, true, true);
    manager_ = static_cast<TDezevOffScreenMgr*>(BuildOffScreenManager(nullptr, root));
    manager_->Open();
    manager_->RebuildBuffers(true);
    TWorldDoc& world = document_->World();
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{kWidth, kHeight}, &world);
    world.SetOffsets(0.0, 0.0);
    view_->ViewChanged();
    tape_ = new TFrameIndic;
    tape_->Init(nullptr, manager_, TViewPoint{0, kHeight + 20}, kWidth, 1, view_, nullptr);
    tape_->Show(true, true);
    tape_->SetFrameHandler([this, &world](int16_t frame) {
      world.ShowFrame(frame, 0);
      manager_->DrawNow();
    });
    world.RunToFrame(kFrames, nullptr);
    world.ShowFrame(0, 0);
    manager_->DrawNow();
  }
  ~TapeScene() {
    ResetWindowSystem();
    SetCurrentWrappedView(nullptr);
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentPort(GetGlobalPort());
    document_.reset();
    app_.Commands().DropAllCommands();
    app_.TermUnits();
    app_.FreeResourceDlls();
  }
  // One drag of the thumb from the first frame to the last, a step a frame; answers the frames
  // shown.
  int32_t DragAcross() {
    const MacRect slider = tape_->GetSliderRect();
    const int32_t room = slider.right - tape_->ThumbWidth() - slider.left;
    const int32_t last = tape_->GetLastFrame();
    TIndicatorThumbTracker tracker(*tape_);
    const QV_CPoint grab(static_cast<int16_t>(slider.left + 2), 5);
    tracker.TrackMouse(0, grab, grab, grab, true);
    QV_CPoint previous = grab;
    for (int32_t frame = 1; frame <= last; ++frame) {
      const QV_CPoint next(static_cast<int16_t>(slider.left + 2 + (frame * room + last - 1) / last),
                           5);
      tracker.TrackMouse(1, grab, previous, next, true);
      previous = next;
    }
    tracker.TrackMouse(2, grab, previous, previous, true);
    const int32_t shown = tape_->GetCurrentFrame();
    // Back to the start, untimed by the caller's count.
    document_->World().ShowFrame(0, 0);
    return shown;
  }
  int32_t LastFrame() const { return tape_->GetLastFrame(); }

 private:
  void BuildWorld() {
    TWorldDoc& world = document_->World();
    world.Scale().SetConstant(100.0);
    int16_t id = 100;
    for (int32_t i = 0; i < kBodies; ++i) {
      TRectangle& box = sample_worlds::Add<TRectangle>(world, id++);
      box.SetNumberProperty(kTagWidth, kBoxSize);
      box.SetNumberProperty(kTagHeight, kBoxSize);
      box.SetFormulaProperty(kTagPosX, TFormula(0.125 + (i % 40) * 0.25));
      box.SetFormulaProperty(kTagPosY, TFormula(-(0.16 + (i / 40) * 0.32)));
    }
  }

  TApp app_{nullptr};
  std::unique_ptr<TQVDoc> document_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TFrameIndic* tape_ = nullptr;
};

void BM_TapeThumbDragAcrossTheRecording(benchmark::State& state) {
  TapeScene scene;
  if (scene.LastFrame() < kFrames) {
    state.SkipWithError("the world recorded no frames");
    return;
  }
  int64_t frames = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    frames += scene.DragAcross();
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  state.SetItemsProcessed(frames);
  state.counters["frames_per_second"] =
      static_cast<double>(frames) / std::max(spent.count(), 1e-9);
}
BENCHMARK(BM_TapeThumbDragAcrossTheRecording)->Unit(benchmark::kMillisecond);

}  // namespace
