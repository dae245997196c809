// One move step of a drag of 200 selected boxes in a world of 1,000, through the world's own
// tracker adapters and its document window: the constrained point, the feedback, the placing of
// every selected box from its start and the redraw of what the step damaged. The goal is 60
// steps a second or better on one core. Items are steps.

#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/TickCount.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "resources/ResourceLibraries.h"
#include "tools/samples/SampleBuilder.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/trackers/MoveTrackers.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldTracking.h"

namespace {

using namespace body_tags;

constexpr int32_t kBodies = 1000;
constexpr int32_t kWidth = 1000;
constexpr int32_t kHeight = 800;
constexpr double kScale = 100.0;  // pixels a metre
constexpr double kBoxSize = 0.12;

class Host : public CWnd {
 public:
  void PostNcDestroy() override { delete this; }
};

class MoveScene {
 public:
  MoveScene() {
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
    auto* window =
        new TOwlWindow(host, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{kWidth, kHeight});
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
    trackerView_ = std::make_unique<TWorldTrackerView>(*view_);
    context_ = std::make_unique<TWorldTrackerContext>(world_, *view_);
    manager_->DrawNow();
  }
  ~MoveScene() {
    context_.reset();
    trackerView_.reset();
    ResetWindowSystem();
    SetCurrentWrappedView(nullptr);
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentPort(GetGlobalPort());
    FreeDrawingPort();
    TMass::TermClass();
  }

  // A drag of the selection from its first box, pressed and held still long enough to begin.
  std::unique_ptr<TMoveObjectsTracker> Press(QV_CPoint& anchor) {
    auto tracker = std::make_unique<TMoveObjectsTracker>();
    tracker->InitMoveObjects(trackerView_.get(), context_.get());
    tracker->SetHitObject(world_.Selection().front());
    TEventRecord event;
    event.message = WM_LBUTTONDOWN;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker->HandleEvent(event);
    TVector3 first;
    static_cast<TThing*>(world_.Selection().front())->GetPlacement(first);
    const MacPoint at = view_->WorldToView(TVector(first.x, first.y));
    anchor = QV_CPoint(at.h, at.v);
    QV_CPoint next = anchor;
    tracker->TrackConstrain(anchor, anchor, next);
    tracker->TrackMouse(0, anchor, anchor, next, true);
    return tracker;
  }
  void DrawDamage() { manager_->DrawNow(); }

 private:
  void BuildWorld() {
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_.AdoptObject(std::move(snapper));
    world_.Scale().SetConstant(kScale);
    world_.SetOffsets(0.0, 0.0);
    world_.SetAngleSnap(0);
    sample_worlds::AddGround(world_);
    for (int32_t i = 0; i < kBodies; ++i) {
      TRectangle& box = sample_worlds::Add<TRectangle>(world_, static_cast<int16_t>(i + 1));
      box.SetNumberProperty(kTagWidth, kBoxSize);
      box.SetNumberProperty(kTagHeight, kBoxSize);
      box.SetShortProperty(kTagFillPattern, 1);
      box.SetFormulaProperty(kTagPosX, TFormula(0.125 + (i % 40) * 0.25));
      box.SetFormulaProperty(kTagPosY, TFormula(-(0.16 + (i / 40) * 0.32)));
      if (i % 5 == 0) world_.Select(&box);
    }
  }

  TWorldDoc world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  std::unique_ptr<TWorldTrackerView> trackerView_;
  std::unique_ptr<TWorldTrackerContext> context_;
};

void BM_WorldMoveStepOf200Selected(benchmark::State& state) {
  UseVirtualClock(1000);
  {
    MoveScene scene;
    QV_CPoint anchor;
    std::unique_ptr<TMoveObjectsTracker> tracker = scene.Press(anchor);
    QV_CPoint previous = anchor;
    int16_t step = 0;
    for (auto _ : state) {
      step = static_cast<int16_t>((step + 1) % 40);
      QV_CPoint next(static_cast<int16_t>(anchor.h + step),
                     static_cast<int16_t>(anchor.v + step / 2));
      tracker->TrackConstrain(anchor, previous, next);
      tracker->TrackFeedback(anchor, previous, false, true);
      tracker->TrackMouse(1, anchor, previous, next, true);
      tracker->TrackFeedback(anchor, next, true, true);
      scene.DrawDamage();
      previous = next;
    }
    state.SetItemsProcessed(state.iterations());
  }
  UseProcessClock();
}
BENCHMARK(BM_WorldMoveStepOf200Selected)->Unit(benchmark::kMillisecond);

}  // namespace
