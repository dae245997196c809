// TMainWorldView: construction, Init, the world-to-view transform, zoom and scroll, run states,
// frames and the world extent.

#include "views/world/MainWorldView.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/geometry/Rounding.h"
#include "model/Thing.h"
#include "model/command/CommandHandler.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "model/world/WorldWatcher.h"
#include "platform/win32/Clock.h"
#include "ui/dialogs/FloatingWindows.h"
#include "ui/views/ViewServices.h"
#include "views/furniture/RulerView.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/offscreen/OffScreenMgr.h"
#include "views/world/WorldViewCompanions.h"

// The world tells its view objects of each frame shown and of each tool chosen; this one passes
// the frame to the view, and the tool to the view's snapper, which marks the hot point under the
// pointer while a tool that makes objects is chosen.
class TMainWorldView::FrameLink : public TLink, public TFrameParticipant, public TToolObserver {
 public:
  explicit FrameLink(TMainWorldView& view) : view_(view) {}
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override {
    view_.FrameChanged(frame, first, last);
  }
  void ToolChanged(int16_t, int16_t) override {
    if (THotPointSnapper* snapper = view_.GetSnapper()) snapper->UpdateForTool();
  }

 private:
  TMainWorldView& view_;
};

// Every change of the world's objects (a command done, undone or redone; objects that come or
// go) reaches the view, which marks where the objects' shapes were and are stale.
class TMainWorldView::WorldWatch : public TWorldWatcher {
 public:
  WorldWatch(TMainWorldView& view, TWorldDoc& world) : view_(view), world_(&world) {
    world_->AddWatcher(this);
  }
  ~WorldWatch() {
    if (world_) world_->RemoveWatcher(this);
  }
  WorldWatch(const WorldWatch&) = delete;
  WorldWatch& operator=(const WorldWatch&) = delete;

  void WorldContentsChanged() override {
    view_.InvalidateChangedAreas();
    view_.RulersFollowUnits();
  }
  void WorldSelectionChanged() override {}
  void WorldObjectsChanged() override { view_.InvalidateChangedAreas(); }
  void WorldGone() override { world_ = nullptr; }

 private:
  TMainWorldView& view_;
  TWorldDoc* world_;
};

TMainWorldView::TMainWorldView() : lastAutoscroll_(OffScreenTicks()) {}

TMainWorldView::~TMainWorldView() {
  worldWatch_.reset();
  FreeCompanions();
  if (goneHandler_) goneHandler_();
  // The floating windows edit no world that has no window.
  if (world_) FloatingWindowsLeave(*world_);
  if (world_ && frameLink_) world_->UpdateViewObject(frameLink_.get(), 0);
  if (snapper_ && snapper_->GetView() == this) snapper_->SetView(nullptr);
}

void TMainWorldView::Init(CDocument* document, TWrappedWindow* superview, TViewPoint location,
                          TViewPoint size, TWorldDoc* world) {
  InitOffScreenView(document, superview, location, size, TWrappedWindow::kRuleFollow,
                    TWrappedWindow::kRuleFollow, nullptr, nullptr);
  SetIdleFrequency(kHoverInterval);
  world_ = world;
  MakeCompanions();
  if (!world_) return;
  snapper_ = FindHotPointSnapper(*world_);
  FailIfNull(snapper_);
  snapper_->SetView(this);
  snapper_->UpdateGridSnap();
  frameLink_ = std::make_unique<FrameLink>(*this);
  world_->UpdateViewObject(frameLink_.get(), 1);
  worldWatch_ = std::make_unique<WorldWatch>(*this, *world_);
  world_->SetViewWidth(size.h);
  // A world that never chose where its origin lies shows it in the middle of the view.
  if (world_->GetHorizontalOffset() == 0.0 && world_->GetVerticalOffset() == 0.0) CentreOrigin();
  currentFrame_ = world_->CurrentFrame();
  // The first drawing puts every object's shape into the background.
  RememberShownAreas();
}

// ---------------------------------------------------------------------------------------------
// Transform

double TMainWorldView::GetScale() const {
  return world_ ? world_->Scale().GetValue() : 1.0;
}

void TMainWorldView::UpdateTransform() {
  if (transformValid_) return;
  const double scale = GetScale();
  const double h = world_ ? world_->GetHorizontalOffset() : 0.0;
  const double v = world_ ? world_->GetVerticalOffset() : 0.0;
  viewTransform_ = Transform2D(scale, 0.0, h, v, 0.0, scale, 1);
  transformValid_ = true;
}

const Transform2D& TMainWorldView::GetViewTransform() {
  UpdateTransform();
  return viewTransform_;
}

void TMainWorldView::UpdateObjectTransforms() {
  UpdateTransform();
  const TViewPoint& size = GetStoredSize();
  const MacPoint viewSize(static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
  for (TThing* thing : Things()) {
    // The background covers the view as it is now, whatever size the window has taken since.
    if (auto* ground = ThingAs<TZeroMass>(thing)) ground->SetViewSize(viewSize);
    if (auto* mass = ThingAs<TMass>(thing)) {
      mass->InvalidateScreenCache();
      mass->ValidateScreenTransform(viewTransform_);
    } else {
      thing->SetViewTransform(viewTransform_);
    }
  }
}

MacPoint TMainWorldView::WorldToView(const TVector& world) {
  MacPoint out;
  Transform2D::ToScreenPoint(GetViewTransform(), world, out);
  return out;
}

TVector TMainWorldView::ViewToWorld(const MacPoint& point) {
  return Transform2D::ApplyToPoint(GetViewTransform().Inverse(), point);
}

bool TMainWorldView::IsZoomInTool() const {
  const bool zoomIn = world_ && world_->GetCurrentTool() == kZoomInTool;
  return zoomIn != modifierDown_;
}

void TMainWorldView::ZoomAt(bool zoomIn, const MacPoint& point) {
  ZoomAboutPoint(TVector(point.h, -point.v), zoomIn ? 2.0 : 0.5);
  const TViewPoint& size = GetStoredSize();
  ScrollBy(MacPoint(static_cast<int16_t>(point.h - size.h / 2),
                    static_cast<int16_t>(point.v - size.v / 2)));
}

void TMainWorldView::ZoomAboutPoint(const TVector& viewPoint, double factor) {
  if (!world_ || !(factor > 0.0) || !std::isfinite(factor)) return;
  const double scale = GetScale() * factor;
  if (!std::isnormal(scale)) return;
  const double h = viewPoint.x - factor * (viewPoint.x - world_->GetHorizontalOffset());
  const double v = viewPoint.y - factor * (viewPoint.y - world_->GetVerticalOffset());
  world_->Scale().SetConstant(scale);
  world_->SetOffsets(h, v);
  ScaleChanged();
}

void TMainWorldView::SetScaleAboutMiddle(double scale) {
  const double current = GetScale();
  if (!(current > 0.0)) return;
  const TViewPoint& size = GetStoredSize();
  ZoomAboutPoint(TVector(size.h / 2, -(size.v / 2)), scale / current);
}

void TMainWorldView::ScrollBy(const MacPoint& delta) {
  if ((delta.h == 0 && delta.v == 0) || !world_) return;
  world_->SetOffsets(world_->GetHorizontalOffset() - delta.h,
                     world_->GetVerticalOffset() + delta.v);
  ViewChanged();
}

void TMainWorldView::CentreOrigin() {
  if (!world_) return;
  const TViewPoint& size = GetStoredSize();
  world_->SetOffsets(size.h / 2, -(size.v / 2));
  transformValid_ = false;
}

namespace {

// The step towards a distance d past an edge: (min(d, 64) x speed) / 32, truncated, at least one
// pixel in the sign's direction. Only distances past the far edge are capped.
int16_t AutoscrollStep(int32_t distance, int32_t sign, int32_t speed) {
  const int32_t capped = std::min(distance, 64);
  const int32_t step = capped * speed / 32;
  return static_cast<int16_t>(step != 0 ? step : sign);
}

// Widens `all` to take in `bounds` (world rectangles: top above bottom); the first one is taken
// as it is.
void Unite(TDoubleRect& all, bool& any, const TDoubleRect& bounds) {
  if (!any) {
    all = bounds;
    any = true;
    return;
  }
  all.left = std::min(all.left, bounds.left);
  all.right = std::max(all.right, bounds.right);
  all.top = std::max(all.top, bounds.top);
  all.bottom = std::min(all.bottom, bounds.bottom);
}

}  // namespace

int16_t TMainWorldView::AutoScroll(const MacPoint& point) {
  if (!autoscrollEnabled_) return 0;
  const uint32_t now = OffScreenTicks();
  const TViewPoint& size = GetStoredSize();
  int16_t dh = 0;
  int16_t dv = 0;
  if (point.h < 0)
    dh = AutoscrollStep(point.h, -1, autoscrollSpeed_);
  else if (point.h > size.h)
    dh = AutoscrollStep(point.h - size.h, 1, autoscrollSpeed_);
  if (point.v < 0)
    dv = AutoscrollStep(point.v, -1, autoscrollSpeed_);
  else if (point.v > size.v)
    dv = AutoscrollStep(point.v - size.v, 1, autoscrollSpeed_);
  if (dh == 0 && dv == 0) {
    if (autoscrolling_ && runState_ == kRunning) {
      if (showGrid_ != 0) InvalidateBackground();
      frameRedrawPending_ = true;
    }
    autoscrolling_ = false;
    return 0;
  }
  // Steps come at most every 3 ticks; a step asked for sooner waits for the next call.
  if (!TickReached(now, lastAutoscroll_ + 3)) return 0;
  lastAutoscroll_ = now;
  if (!autoscrolling_) {
    autoscrolling_ = true;
    recomposeFrame_ = true;
    InvalidateBackground();
  }
  frameRedrawPending_ = false;
  ScrollBy(MacPoint(dh, dv));
  return 1;
}

void TMainWorldView::ZoomToFit(double fraction) {
  if (!world_) return;
  RecomputeWorldExtent();
  ZoomToBounds(objectBounds_, fraction);
  // The bodies frame the world. A point drawn beyond that frame (a pendulum's pivot on the
  // ground) would leave the world opened on a part of it: the fit then takes in the drawing too.
  const TDoubleRect drawing = DrawingBounds();
  if (Shows(drawing)) return;
  TDoubleRect all = objectBounds_;
  bool any = objectsFound_;
  Unite(all, any, drawing);
  ZoomToBounds(all, fraction);
}

bool TMainWorldView::Shows(const TDoubleRect& bounds) const {
  if (!world_) return false;
  // As ZoomToBounds sets them: a world point (x, y) is shown at (scale x + h, -(scale y + v)).
  const double scale = GetScale();
  const double h = world_->GetHorizontalOffset();
  const double v = world_->GetVerticalOffset();
  const TViewPoint& size = GetStoredSize();
  const double left = scale * bounds.left + h;
  const double right = scale * bounds.right + h;
  const double top = -(scale * bounds.top + v);
  const double bottom = -(scale * bounds.bottom + v);
  return left >= 0.0 && right <= size.h && top >= 0.0 && bottom <= size.v;
}

void TMainWorldView::FitDrawing() {
  if (!world_) return;
  RecomputeWorldExtent();
  // A tenth to spare on each side: the drawing fills 1 / 1.2 of the view across the way it
  // fits tighter.
  ZoomToBounds(DrawingBounds(), 1.0 / 1.2);
}

TDoubleRect TMainWorldView::DrawingBounds() const {
  bool any = false;
  TDoubleRect all{0, 0, 0, 0};
  const ObjectLists lists = CollectLists();
  for (const auto* list : {&lists.main, &lists.line}) {
    for (TThing* thing : *list) {
      TDoubleRect bounds{0, 0, 0, 0};
      // What is not drawn (a centre of mass switched off) takes no room.
      if (thing->IsShown() == 0) continue;
      // A point's mark keeps its size in pixels: only where it stands counts.
      if (ThingAs<TPoint>(thing) != nullptr) {
        if (thing->GetBounds(bounds) == 0) continue;
        const double x = (bounds.left + bounds.right) / 2;
        const double y = (bounds.top + bounds.bottom) / 2;
        bounds = TDoubleRect(x, y, x, y);
      } else if (!ThingAs<TMass>(thing) && !ThingAs<TLine>(thing)) {
        continue;
      } else if (!DrawnBounds(*thing, bounds)) {
        continue;
      }
      Unite(all, any, bounds);
    }
  }
  return all;
}

void TMainWorldView::ZoomToBounds(const TDoubleRect& bounds, double fraction) {
  const double width = bounds.right - bounds.left;
  const double height = bounds.top - bounds.bottom;
  const TViewPoint& size = GetStoredSize();
  double scale = GetScale();
  if (width > 0.0 && height > 0.0)
    scale = fraction * std::min(size.h / width, size.v / height);
  else if (width > 0.0)
    scale = fraction * size.h / width;
  else if (height > 0.0)
    scale = fraction * size.v / height;
  if (!std::isnormal(scale) || scale <= 0.0) return;
  const double cx = (bounds.left + bounds.right) / 2;
  const double cy = (bounds.top + bounds.bottom) / 2;
  world_->Scale().SetConstant(scale);
  world_->SetOffsets(size.h / 2 - scale * cx, -(size.v / 2) - scale * cy);
  ScaleChanged();
}

void TMainWorldView::TransformChanged() {
  transformValid_ = false;
  lastFrameDrawn_ = -1;
  gridValid_ = false;
  if (snapper_) snapper_->ViewTransformChanged();
  InvalidateForeground();
  if (runState_ == kEditing || (tracksFrom_ >= 0 && !autoscrolling_)) InvalidateBackground();
  TOffScreenViewBase::TransformChanged();
  InvalidateRulers();
}

void TMainWorldView::ScaleChanged() {
  gridValid_ = false;
  if (snapper_) snapper_->InvalidateTolerance();
  // The base tells the view of the change first (ViewChanged): the pictures follow there.
  TOffScreenViewBase::ScaleChanged();
}

void TMainWorldView::InvalidateRulers() {
  for (TOffScreenViewBase* dependent : Dependents()) {
    if (auto* ruler = dynamic_cast<TRulerView*>(dependent)) ruler->InvalidateAllDeep();
  }
}

void TMainWorldView::RulersFollowUnits() {
  for (TOffScreenViewBase* dependent : Dependents()) {
    if (auto* ruler = dynamic_cast<TRulerView*>(dependent)) ruler->FollowUnits();
  }
}

void TMainWorldView::ViewChanged() {
  transformValid_ = false;
  lastFrameDrawn_ = -1;
  gridValid_ = false;
  // Tracks in the background stood where the old view put them, and so did the shapes that the
  // editing background holds: they are drawn again.
  const bool tracked = tracksFrom_ >= 0 && !autoscrolling_;
  if (tracked || runState_ == kEditing)
    InvalidateBackground();
  else
    InvalidateForeground();
  if (snapper_) snapper_->ViewTransformChanged();
  TOffScreenViewBase::ViewChanged();
  InvalidateRulers();
  ArmIdleUpdater();
  // Without an application nothing performs the updater: the extent follows at once.
  if (!TCommandHandler::Application()) RecomputeWorldExtent();
}

// ---------------------------------------------------------------------------------------------
// Run states and frames

void TMainWorldView::SetRunState(int32_t state) {
  const int32_t previous = runState_;
  runState_ = state;
  if (state == kEditing && previous != kEditing) {
    autoscrolling_ = false;
    frameRedrawPending_ = false;
    // The editing background holds the objects' shapes, which stand where the run left them;
    // the tracks the run left are drawn again with them.
    InvalidateBackground();
    backgroundDirty_ = foregroundDirty_ = false;
  } else if (state != kEditing && previous == kEditing) {
    // Running or replaying, the background holds what stays (ground, grid and tracks): the
    // shapes at their editing places go.
    InvalidateBackground();
  }
  if (state == kRunning) {
    backgroundDirty_ = foregroundDirty_ = false;
    if (previous != kRunning) frameRedrawPending_ = true;
  } else if (state == kReplaying) {
    backgroundDirty_ = foregroundDirty_ = false;
    frameRedrawPending_ = false;
  }
  TOffScreenViewBase::SetRunState(state);
  if (snapper_) snapper_->EraseHoverMarkerIf(state);
}

bool TMainWorldView::WorldDrawsTracks() const {
  if (!world_ || world_->GetTrackingWord() < 1) return false;
  const TWorldSettings& settings = world_->Settings();
  if (runState_ == kRunning) return settings.tracksWhileRunning != 0;
  if (runState_ == kReplaying) return settings.tracksWhileReplaying != 0;
  return true;
}

void TMainWorldView::WorldRunStateChanged(int32_t state) {
  const bool starting = state != kRunIdle && !worldRunning_;
  worldRunning_ = state != kRunIdle;
  // A run that starts erases the tracks of earlier ones when the world asks for it.
  if (starting && world_ && world_->GetAutoEraseTrack() != 0) EraseTracks();
  if (state == kRunIdle) LeaveEndedRun();
}

void TMainWorldView::LeaveEndedRun() {
  if (world_ && runState_ != kEditing && world_->GetRunState() == kRunIdle &&
      !world_->FirstRunningCommand())
    SetRunState(kEditing);
}

void TMainWorldView::EraseTracks() {
  lastFrameDrawn_ = -1;
  RestartTracks(WorldDrawsTracks() ? currentFrame_ : -1);
  InvalidateBackground();
}

void TMainWorldView::RestartTracks(int32_t frame) {
  tracksFrom_ = tracksTo_ = tracksLast_ = frame < 0 ? -1 : frame;
}

void TMainWorldView::ShowFrameTracks() {
  if (currentFrame_ < 0 || !WorldDrawsTracks()) {
    // Tracks drawn before tracking went off (or before the frames were forgotten) go with the
    // next frame shown. Nothing of this frame is in the background: the running pictures draw
    // every object.
    if (lastFrameDrawn_ >= 0 || tracksFrom_ >= 0) InvalidateBackground();
    lastFrameDrawn_ = -1;
    RestartTracks(-1);
    lastDrawnObject_ = nullptr;
    return;
  }
  // The same frame shown again adds nothing.
  if (runState_ == kEditing && !NeedsFrameRedraw()) return;
  if (currentFrame_ == lastFrameDrawn_) return;
  // While running, frames come one after the other; shown from the tape, a frame far from the
  // last one drawn draws the tracks afresh, which the background does when it is drawn again.
  // After a change of view the tracks held so far are drawn again from the recorded frames.
  const int32_t previous = lastFrameDrawn_ >= 0 ? lastFrameDrawn_ : tracksLast_;
  const bool fresh = previous < 0;
  const bool far = fresh || std::abs(previous - currentFrame_) > world_->GetTrackFrameGap();
  const bool afresh = runState_ == kRunning ? fresh : far;
  if (afresh) {
    RestartTracks(currentFrame_);
  } else {
    tracksFrom_ = std::min(tracksFrom_, currentFrame_);
    tracksTo_ = std::max(tracksTo_, currentFrame_);
    tracksLast_ = currentFrame_;
  }
  // A run that has just started or that autoscroll held draws its background again whole.
  const bool whole = runState_ == kRunning ? NeedsFrameRedraw() && !fresh : afresh;
  if (whole)
    InvalidateBackground();
  else
    StampFrameIntoBackground(fresh);
  lastFrameDrawn_ = currentFrame_;
}

void TMainWorldView::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  TOffScreenViewBase::FrameChanged(frame, first, last);
  currentFrame_ = frame;
  if (world_) {
    const int32_t state = world_->GetRunState() == kRunIdle ? kEditing
                          : world_->FirstRunningCommand() && frame >= world_->LastFrame()
                              ? kRunning
                              : kReplaying;
    if (state != runState_) SetRunState(state);
  }
  // The objects stand where the frame puts them; while a run goes on, the window shows each
  // frame as it comes.
  if (runState_ == kEditing) InvalidateChangedAreas();
  ShowFrameTracks();
  ClearPendingShallow();
  InvalidateForeground();
  if (world_ && world_->FirstRunningCommand()) UpdateNow();
}

void TMainWorldView::SettingChanged(int32_t first, int32_t second) {
  TOffScreenViewBase::SettingChanged(first, second);
  if (snapper_) snapper_->UpdateForTool();
}

void TMainWorldView::OptionChanged(int32_t first, int32_t second) {
  TOffScreenViewBase::OptionChanged(first, second);
  if (snapper_) snapper_->NoteOptionChanged(first, second);
}

void TMainWorldView::RunStateChanged(int32_t state) {
  TOffScreenViewBase::RunStateChanged(state);
  if (state != kEditing) EndLabelEditing(true);
  if ((state != kEditing) != notEditing_) {
    notEditing_ = !notEditing_;
    ResetCursorRegion();
  }
  if (snapper_) snapper_->UpdateForWorldState();
}

void TMainWorldView::InvalidateForeground() {
  InvalidateAllShallow();
  // Replaying without autoscroll, every frame marks the picture again.
  if (runState_ == kReplaying && !autoscrolling_) ClearPendingShallow();
}

void TMainWorldView::InvalidateBackground() {
  InvalidateAllDeep();
  const bool keep =
      runState_ == kEditing || (autoscrolling_ && (runState_ == kRunning || showGrid_ != 0));
  if (!keep) ClearPendingDeep();
  if (runState_ == kEditing) RememberShownAreas();
}

std::unordered_map<const TThing*, MacRect> TMainWorldView::ShownAreasNow() {
  std::unordered_map<const TThing*, MacRect> areas;
  if (!world_) return areas;
  UpdateObjectTransforms();
  for (TThing* object : CollectLists().main) {
    const MacRect rect = ObjectRect(object);
    if (rect.right > rect.left && rect.bottom > rect.top) areas.emplace(object, rect);
  }
  return areas;
}

std::vector<std::pair<const TLink*, MacRect>> TMainWorldView::ShownGadgetsNow() const {
  std::vector<std::pair<const TLink*, MacRect>> gadgets;
  if (!world_) return gadgets;
  for (TLink* object : world_->Objects()) {
    if (const auto* gadget = dynamic_cast<const TWindowGadget*>(object))
      gadgets.emplace_back(object, gadget->WindowFrame());
  }
  return gadgets;
}

void TMainWorldView::RememberShownAreas() {
  shownAreas_ = ShownAreasNow();
  shownGadgets_ = ShownGadgetsNow();
}

void TMainWorldView::InvalidateChangedAreas() {
  if (runState_ != kEditing || !world_) return;
  std::unordered_map<const TThing*, MacRect> now = ShownAreasNow();
  // The places that objects left: they went, moved or shrank.
  for (const auto& [object, before] : shownAreas_) {
    const auto found = now.find(object);
    if (found == now.end() || !(found->second == before)) InvalidateWorldRect(before);
  }
  // Every object where it stands now, since a turn or a new colour keeps its place.
  for (const auto& [object, rect] : now) InvalidateWorldRect(rect);
  shownAreas_ = std::move(now);
  std::vector<std::pair<const TLink*, MacRect>> gadgets = ShownGadgetsNow();
  if (gadgets != shownGadgets_) InvalidateForeground();
  shownGadgets_ = std::move(gadgets);
}

void TMainWorldView::InvalidateWorldRect(const MacRect& rect) {
  backgroundDirty_ = true;
  if (runState_ == kEditing)
    InvalidateDeep(rect);
  else if (runState_ == kRunning && !autoscrolling_)
    InvalidateShallow(rect);
  else if (autoscrolling_ && (runState_ == kRunning || showGrid_ != 0))
    InvalidateDeep(rect);
}

void TMainWorldView::InvalidateRectOnScreen(const MacRect& rect) {
  foregroundDirty_ = true;
  auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(GetManager());
  if (runState_ == kReplaying && !autoscrolling_ && buffered && buffered->Focus()) {
    const TViewPoint& size = GetStoredSize();
    MacRect clipped(std::max<int16_t>(rect.left, 0), std::max<int16_t>(rect.top, 0),
                    std::min<int16_t>(rect.right, NarrowTo16(size.h)),
                    std::min<int16_t>(rect.bottom, NarrowTo16(size.v)));
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) return;
    clipped.Offset(NarrowTo16(GetLocation().h), NarrowTo16(GetLocation().v));
    buffered->InvalidateWindowRect(clipped);
    return;
  }
  InvalidateShallow(rect);
}

// ---------------------------------------------------------------------------------------------
// Extent

void TMainWorldView::RecomputeWorldExtent() {
  if (idleUpdater_) idleUpdater_->Disarm();
  bool any = false;
  TDoubleRect all{0, 0, 0, 0};
  // The bodies make the extent; the ground lies under everything and makes none.
  for (TThing* thing : CollectLists().second) {
    TDoubleRect bounds{0, 0, 0, 0};
    if (!DrawnBounds(*thing, bounds)) continue;
    Unite(all, any, bounds);
  }
  objectBounds_ = all;
  objectsFound_ = any;
  const TViewPoint& size = GetStoredSize();
  const double scale = GetScale();
  viewCentre_ =
      ViewToWorld(MacPoint(static_cast<int16_t>(size.h >> 1), static_cast<int16_t>(size.v >> 1)));
  const double growH = std::max(0, (size.h >> 1) - 6) / scale;
  const double growV = std::max(0, (size.v >> 1) - 6) / scale;
  worldExtent_ =
      TDoubleRect(all.left - growH, all.top + growV, all.right + growH, all.bottom - growV);
  // The view's centre stays inside the extent.
  worldExtent_.left = std::min(worldExtent_.left, viewCentre_.x);
  worldExtent_.right = std::max(worldExtent_.right, viewCentre_.x);
  worldExtent_.top = std::max(worldExtent_.top, viewCentre_.y);
  worldExtent_.bottom = std::min(worldExtent_.bottom, viewCentre_.y);
  BroadcastScrollState();
}

// The scroll bars work in pixels: the world scaled to the view with y up, so that scrolling the
// view by d pixels moves the centre, and so the bars' position, by exactly d. The vertical
// position counts downwards (the bar's top is the world's top).
void TMainWorldView::BroadcastScrollState() {
  const double scale = GetScale();
  const TDoubleRect pixels(worldExtent_.left * scale, worldExtent_.top * scale,
                           worldExtent_.right * scale, worldExtent_.bottom * scale);
  const auto h = static_cast<uint16_t>(RoundToShort(viewCentre_.x * scale));
  const auto v = static_cast<uint16_t>(RoundToShort(-viewCentre_.y * scale));
  ScrollStateChanged((static_cast<uint32_t>(h) << 16) | v, pixels);
}

std::vector<TThing*> TMainWorldView::Things() const {
  std::vector<TThing*> things;
  if (!world_) return things;
  for (TLink* object : world_->Objects()) {
    if (object && object->IsThing() != 0) things.push_back(static_cast<TThing*>(object));
  }
  return things;
}

uint16_t GetViewFlag(TMainWorldView& view) {
  return view.GetShowGrid();
}

void SetViewFlag(TMainWorldView& view, uint16_t show) {
  view.SetShowGrid(show);
}
