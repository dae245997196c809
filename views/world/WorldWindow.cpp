#include "views/world/WorldWindow.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "core/MenuSetup.h"
#include "model/Thing.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldWatcher.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPlacement.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WindowBuilder.h"
#include "ui/views/WindowDocument.h"
#include "views/furniture/CoordsView.h"
#include "views/furniture/FrameIndicator.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "model/command/CommandCore.h"
#include "model/command/CommandHandler.h"
#include "views/trackers/FeedbackPen.h"
#include "views/trackers/RotateTracker.h"
#include "views/trackers/ToolTrackers.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldTracking.h"
#include "views/world/WorldTrackingClicks.h"

namespace {

constexpr uint32_t kMainViewIdentifier = MakeTag("wrld");
constexpr int16_t kShowFrameZero = 1042;
constexpr uint8_t kLayoutRulers = 1;
constexpr uint8_t kLayoutIndicator = 2;
constexpr uint8_t kLayoutCoordinates = 16;

}  // namespace

// Hears of objects that come into the world or leave it, while the window shows the world.
class TWorldWindow::ObjectsWatch : public TWorldWatcher {
 public:
  ObjectsWatch(TWorldWindow& window, TWorldDoc& world) : window_(window), world_(&world) {
    world_->AddWatcher(this);
  }
  ~ObjectsWatch() {
    if (world_) world_->RemoveWatcher(this);
  }
  ObjectsWatch(const ObjectsWatch&) = delete;
  ObjectsWatch& operator=(const ObjectsWatch&) = delete;

  void WorldContentsChanged() override {}
  // What the menus offer follows the selection (the Input and Meter menus are the selected
  // object's).
  void WorldSelectionChanged() override { InvalidateMenuSetup(); }
  // The world tells of a leaving object before it frees it.
  void WorldObjectsChanged() override { window_.ForgetLeftObjects(); }
  void WorldGone() override { world_ = nullptr; }

 private:
  TWorldWindow& window_;
  TWorldDoc* world_;
};

TWorldWindow::TWorldWindow(TWorldDoc& world, TWindowDocument& document)
    : world_(world), document_(document) {}

TWorldWindow::~TWorldWindow() {
  objectsWatch_.reset();
  if (indicator_) indicator_->SetFrameHandler(nullptr);
  if (coords_) coords_->SetPointToWorld(nullptr);
  if (world_.GetDisplay() == this) world_.SetDisplay(nullptr);
  world_.SetToolTrackerMaker(nullptr);
  world_.SetPendingPointClearer(nullptr);
  clicks_.reset();
  if (mainView_) {
    mainView_->SetGoneHandler(nullptr);
    mainView_->SetClickHandler(nullptr);
  }
}

void TWorldWindow::Forget() {
  objectsWatch_.reset();
  if (world_.GetDisplay() == this) world_.SetDisplay(nullptr);
  world_.SetToolTrackerMaker(nullptr);
  world_.SetPendingPointClearer(nullptr);
  clicks_.reset();
  trackerContext_.reset();
  trackerView_.reset();
  mainView_ = nullptr;
  hScrollBar_ = nullptr;
  vScrollBar_ = nullptr;
  hRuler_ = nullptr;
  vRuler_ = nullptr;
  indicator_ = nullptr;
  coords_ = nullptr;
  helpLine_ = nullptr;
  manager_ = nullptr;
  frame_ = nullptr;
  lastHit_ = nullptr;
}

void TWorldWindow::OpenWindow(bool alternateFrame) {
  if (!frame_) {
    frame_ = ::OpenWindow(alternateFrame ? kHiddenDocumentWindowKind : kDocumentWindowKind,
                          &document_);
    FailIfNull(frame_);
  }
  if (!world_.GetUnitHandler()) ThrowFailure(kErrNoUnitHandler, 0);
  const TViewPoint size = frame_->GetStoredSize();
  manager_ = static_cast<TDezevOffScreenMgr*>(BuildOffScreenManager(&document_, frame_));
  auto* view = new TMainWorldView;
  try {
    view->Init(&document_, manager_, TViewPoint{0, 0}, size, &world_);
  } catch (...) {
    // The view's window, once made, owns it.
    if (!view->GetWindow()) delete view;
    throw;
  }
  mainView_ = view;
  objectsWatch_ = std::make_unique<ObjectsWatch>(*this, world_);
  world_.SetDisplay(this);
  // The window stands where the document last kept it.
  world_.GiveWindowSettings();
  trackerView_ = std::make_unique<TWorldTrackerView>(*view);
  trackerContext_ = std::make_unique<TWorldTrackerContext>(world_, *view);
  clicks_ = std::make_unique<TWorldClickDispatch>(world_, *view, *trackerView_, *trackerContext_);
  world_.SetToolTrackerMaker([this](int16_t tool) {
    return MakeToolTracker(tool, trackerView_.get(), trackerContext_.get());
  });
  mainView_->SetIdentifier(static_cast<int32_t>(kMainViewIdentifier));
  mainView_->SetGoneHandler([this] { Forget(); });
  mainView_->SetClickHandler([this](TMainWorldView&, const MacPoint& point, TMouseEvent* event) {
    return MouseDown(point, event);
  });
  world_.SetPendingPointClearer([this] {
    if (mainView_) mainView_->ClearPendingPoint();
  });
  mainView_->SetHoverHandler([this](const MacPoint& point, bool overFree) {
    MouseMoved(point, overFree);
  });
  mainView_->SetOverlayHandler([this](const MacRect& rect) {
    if (TRotateTracker* rotate = clicks_ ? clicks_->DragTracker() : nullptr)
      rotate->RestoreCentreLineIn(rect);
    // A sketch shown between clicks is drawn again where the paint covered it.
    if (TCommandHandler* application = TCommandHandler::Application())
      if (auto* overlay = dynamic_cast<TFeedbackOverlay*>(application->Tracker()))
        overlay->RestoreFeedbackIn(rect);
  });
  frame_->SetTargetView(mainView_);
  const MacPoint viewSize(static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
  for (TLink* object : world_.Objects()) {
    if (object && object->IsThing() != 0) static_cast<TThing*>(object)->SetViewSize(viewSize);
  }
  mainView_->RecomputeWorldExtent();
  SetUpFurniture();
  manager_->Open();
  manager_->RebuildBuffers(true);
  mainView_->InvalidateBackground();
  SetCurrentTarget(mainView_);
  if (world_.GetStartAtFrameZero() != 0) world_.DoCommand(kShowFrameZero, 1);
}

void TWorldWindow::SetUpFurniture() {
  if (!frame_) return;
  if (mainView_) mainView_->SetShowGrid((layout_.flags & 8) != 0 ? 1 : 0);
  ShowHScrollBar(layout_.scrollBars != 0);
  ShowVScrollBar(layout_.scrollBars != 0);
  ShowRulers((layout_.flags & kLayoutRulers) != 0);
  ShowFrameIndicator((layout_.flags & kLayoutIndicator) != 0);
  ShowCoordsBar((layout_.flags & kLayoutCoordinates) != 0);
  ShowHelpLine(world_.Settings().helpLine != 0);
  ApplyWindowSettings();
  TOwlView* window = frame_->GetWindow();
  CFrameWnd* parentFrame = window && window->m_hWnd ? window->GetParentFrame() : nullptr;
  if (zoomDocuments_ && parentFrame) {
    if (const HWND client = ::GetParent(parentFrame->m_hWnd))
      ::SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(parentFrame->m_hWnd), 0);
  }
  if (zoomToExtents_ && mainView_) {
    zoomToExtents_ = false;
    mainView_->ZoomToFit();
  }
  if (fitDrawing_ && mainView_) {
    fitDrawing_ = false;
    mainView_->FitDrawing();
  }
}

void TWorldWindow::ApplyWindowSettings() {
  if (!frame_ || layout_.width <= 0) return;
  TOwlView* window = frame_->GetWindow();
  CFrameWnd* parentFrame = window && window->m_hWnd ? window->GetParentFrame() : nullptr;
  if (!parentFrame) return;
  const int32_t border = GetSystemMetrics(SM_CXFRAME);
  const int32_t borderV = GetSystemMetrics(SM_CYFRAME);
  const int32_t caption = GetSystemMetrics(SM_CYCAPTION);
  parentFrame->MoveWindow(layout_.left, layout_.top, layout_.width + 2 * border,
                          layout_.height + 2 * borderV + caption);
}

void TWorldWindow::SetFurniture(const TWorldSettings& settings) {
  layout_.scrollBars = static_cast<int16_t>(settings.scrollBars);
  const auto set = [this](uint8_t bit, bool on) {
    layout_.flags = static_cast<uint8_t>(on ? (layout_.flags | bit) : (layout_.flags & ~bit));
  };
  set(kLayoutRulers, settings.rulers != 0);
  set(kLayoutIndicator, settings.frameIndicator != 0);
  set(kLayoutCoordinates, settings.coordinates != 0);
}

void TWorldWindow::GetFurniture(TWorldSettings& settings) const {
  if (!mainView_) return;
  settings.rulers = hRuler_ != nullptr ? 1 : 0;
  settings.frameIndicator = indicator_ != nullptr ? 1 : 0;
  settings.coordinates = coords_ != nullptr ? 1 : 0;
}

bool TWorldWindow::GetShowGrid() const {
  return mainView_ ? mainView_->GetShowGrid() != 0 : (layout_.flags & 8) != 0;
}

void TWorldWindow::SetShowGrid(bool show) {
  layout_.flags = static_cast<uint8_t>(show ? (layout_.flags | 8) : (layout_.flags & ~8));
  // The view draws its background again only when the flag changes.
  if (mainView_) mainView_->SetShowGrid(show ? 1 : 0);
}

TCommandCore* TWorldWindow::DoWorldMenuCommand(int16_t command) {
  return mainView_ ? mainView_->DoMenuCommand(command) : nullptr;
}

void TWorldWindow::ZoomToExtents() {
  if (mainView_) mainView_->ZoomToFit();
}

bool TWorldWindow::SetViewScale(double scale) {
  if (!mainView_) return false;
  mainView_->SetScaleAboutMiddle(scale);
  return true;
}

void TWorldWindow::UpdateView() {
  if (mainView_) mainView_->Update();
}

void TWorldWindow::InvalidateViews() {
  if (!mainView_) return;
  // The shapes and the axes are drawn into the background layer: it is drawn again too.
  mainView_->InvalidateBackground();
  mainView_->InvalidateForeground();
}

void TWorldWindow::InvalidateArea(const MacRect& area) {
  if (mainView_) mainView_->InvalidateWorldRect(area);
}

void TWorldWindow::EraseTracks() {
  if (mainView_) mainView_->EraseTracks();
}

TWindowPlacement TWorldWindow::GetPlacement() const {
  return {layout_.left, layout_.top, layout_.width, layout_.height};
}

void TWorldWindow::SetPlacement(const TWindowPlacement& placement) {
  layout_.left = placement.left;
  layout_.top = placement.top;
  layout_.width = placement.width;
  layout_.height = placement.height;
}

void TWorldWindow::SetShown(bool shown) {
  if (frame_) frame_->Show(shown, false);
}

void TWorldWindow::FocusView() {
  if (mainView_) mainView_->Focus();
}

MacPoint TWorldWindow::WorldToPixel(const TVector& point) {
  return mainView_ ? mainView_->WorldToView(point) : MacPoint();
}

MacRect TWorldWindow::ExtentInPort() const {
  MacRect extent;
  if (mainView_) mainView_->GetExtentInPort(extent);
  return extent;
}

void TWorldWindow::ScrollToOrigin(double horizontal, double vertical) {
  if (!mainView_) return;
  // The world keeps where its origin stands in the view: right of the view's left edge by the
  // horizontal offset, and below its top by minus the vertical one.
  world_.SetOffsets(horizontal, vertical);
  mainView_->ViewChanged();
}

bool TWorldWindow::GetWindowRecord(TWindowRecord& record) const {
  TOwlView* window = frame_ ? frame_->GetWindow() : nullptr;
  CFrameWnd* parentFrame = window && window->m_hWnd ? window->GetParentFrame() : nullptr;
  if (!parentFrame) return false;
  WINDOWPLACEMENT placement;
  if (!::GetWindowPlacement(parentFrame->m_hWnd, &placement)) return false;
  record.flags = static_cast<int16_t>(placement.flags);
  record.showCommand = static_cast<int16_t>(placement.showCmd);
  record.minimized = MacPoint::FromPOINT(placement.ptMinPosition);
  record.maximized = MacPoint::FromPOINT(placement.ptMaxPosition);
  const RECT& normal = placement.rcNormalPosition;
  record.normal = MacRect(static_cast<int16_t>(normal.left), static_cast<int16_t>(normal.top),
                          static_cast<int16_t>(normal.right), static_cast<int16_t>(normal.bottom));
  return true;
}

void TWorldWindow::ActivateFrame(bool activating) {
  if (!activating || !mainView_) return;
  SetCurrentTarget(mainView_);
  mainView_->InvalidateForeground();
}

void TWorldWindow::ResetTool() {
  world_.SetMode(TWorldBase::kSelectionTool, 2);
}

TCommandCore* TWorldWindow::MouseDown(const MacPoint& point, TMouseEvent* event) {
  if (!mainView_ || !clicks_) return nullptr;
  lastHit_ = mainView_->FindObjectAt(point);
  try {
    return clicks_->MouseDown(point, event);
  } catch (const QVException& failure) {
    // A tool that cannot make its tracker is said, and the click is done.
    if (failure.error() != 0) world_.Host().ShowError(failure.error(), failure.message());
    return nullptr;
  }
}

void TWorldWindow::MouseMoved(const MacPoint& point, bool moving) {
  ShowRotationCentreLine(point, moving);
  if (!mainView_ || !moving || world_.GetRunState() != kRunIdle) {
    lastHit_ = nullptr;
    return;
  }
  // With the Control key down the object found last is kept.
  const bool keep = lastHit_ && (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  if (!keep) lastHit_ = mainView_->FindObjectAt(point);
  ShowHoverStatus();
}

void TWorldWindow::ForgetLeftObjects() {
  if (!lastHit_) return;
  const std::vector<TLink*> objects = world_.Objects();
  if (std::find(objects.begin(), objects.end(), lastHit_) == objects.end()) lastHit_ = nullptr;
}

void TWorldWindow::ShowRotationCentreLine(const MacPoint& point, bool inView) {
  if (!clicks_) return;
  // The rotating tool shows what it turns about; the line goes when the pointer leaves the
  // view, the tool changes or a run starts.
  const bool show = inView && world_.GetRunState() == kRunIdle &&
                    world_.GetCurrentTool() == TWorldDoc::kDragSelectionTool;
  clicks_->ShowCentreLine(show, point);
}

void TWorldWindow::ShowHoverStatus() const {
  CFrameWnd* mainFrame = GetMainFrame();
  if (!mainFrame || IsMemoryLow()) return;
  // While a gesture goes on the status line is the gesture's: it may say how to go on.
  if (const TCommandHandler* application = TCommandHandler::Application();
      application != nullptr && application->Tracker() != nullptr)
    return;
  // The status line names the object under the pointer; an unnamed one clears the line.
  const auto* named = dynamic_cast<const TNamedLink*>(lastHit_);
  if (!named) {
    mainFrame->ResetMessageText();
    return;
  }
  const std::string name(named->GetName().Chars(),
                         static_cast<size_t>(named->GetName().Length()));
  mainFrame->SetMessageText(name.c_str());
}
