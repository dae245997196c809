#include "views/world/WorldTracking.h"

#include <algorithm>
#include <memory>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/Failure.h"
#include "core/TimerServices.h"
#include "model/Thing.h"
#include "model/world/WorldParticipants.h"
#include "model/command/CommandCore.h"
#include "model/handler/TargetHandler.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "ui/views/ViewServices.h"
#include "views/world/HotPointSnapper.h"
#include "views/world/MainWorldView.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPaint.h"

namespace {

// A point in a slot runs along it: a press does not pull it to the mouse.
constexpr int16_t kSlotClass = 616;
// The view's timer that paces a band.
constexpr UINT_PTR kPacingTimer = 0x7A11;

// The contexts of the open main views: a world finds its main view's spacings through them.
std::vector<const TWorldTrackerContext*>& OpenContexts() {
  static std::vector<const TWorldTrackerContext*> contexts;
  return contexts;
}

}  // namespace

// ---- The view ----------------------------------------------------------------------------------

HWND TWorldTrackerView::TrackingWindow() const { return view_.GetWindowHandle(); }

bool TWorldTrackerView::IsInsideAutoscrolling(const MacPoint& point) {
  return view_.AutoScroll(point) != 0;
}

MacRect TWorldTrackerView::TrackingExtent() const {
  const TViewPoint size = view_.GetStoredSize();
  return MacRect(0, 0, static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
}

double TWorldTrackerView::TrackingScale() const { return view_.GetScale(); }

void TWorldTrackerView::SetToolCursor(uint16_t cursorResource) {
  view_.SetToolCursor(cursorResource);
}

HDC TWorldTrackerView::BeginFeedbackDrawing() { return view_.BeginHotPointDrawing(); }

void TWorldTrackerView::EndFeedbackDrawing(HDC dc) { view_.EndHotPointDrawing(dc); }

void TWorldTrackerView::UpdateBeforeFeedback() {
  // The view's picture is painted by the windows around it: all of them paint what is stale.
  const HWND window = view_.GetWindowHandle();
  if (window != nullptr)
    RedrawWindow(GetAncestorTopLevel(window), nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---- The world ---------------------------------------------------------------------------------

THotPointSnapper* TWorldTrackingSnapper::HeldSnapper() const { return view_.GetSnapper(); }

bool TWorldTrackingSnapper::IsSnapperActive() const {
  const THotPointSnapper* snapper = HeldSnapper();
  return snapper != nullptr && snapper->IsActive() != 0;
}

void TWorldTrackingSnapper::ForgetHotPoint() {
  if (THotPointSnapper* snapper = HeldSnapper()) snapper->EraseHoverMarkerIf(1);
}

bool TWorldTrackingSnapper::FindHotPointNear(const MacPoint& screen, TVector& world) {
  THotPointSnapper* snapper = HeldSnapper();
  if (snapper == nullptr || snapper->IsActive() == 0) return false;
  std::unique_ptr<THotPointRecord> record;
  if (snapper->Snap(POINT{screen.h, screen.v}, view_.ViewToWorld(screen),
                    snapper->GetTrackedObject(), record) == 0 ||
      !record)
    return false;
  const TVector3 found = record->GetWorldPosition();
  world = TVector(found.x, found.y);
  return true;
}

void TWorldTrackingSnapper::DrawHotPointMark(const MacPoint& screen) {
  if (THotPointSnapper* snapper = HeldSnapper())
    snapper->UpdateHoverMarker(POINT{screen.h, screen.v}, 1, 0);
}

TWorldTrackerContext::TWorldTrackerContext(TWorldDoc& world, TMainWorldView& view)
    : world_(world), view_(view) {
  OpenContexts().push_back(this);
  TWorldDoc::SetViewSpacingHook(&TWorldTrackerContext::MainViewSpacings);
}

TWorldTrackerContext::~TWorldTrackerContext() { std::erase(OpenContexts(), this); }

bool TWorldTrackerContext::MainViewSpacings(const TWorldDoc& world, double& spacing,
                                            double& fine) {
  for (const TWorldTrackerContext* context : OpenContexts()) {
    if (&context->world_ != &world) continue;
    double minor = 0.0;
    int16_t count = 0;
    context->view_.GetGridParameters(spacing, minor, fine, count);
    return true;
  }
  return false;
}

TActionContext& TWorldTrackerContext::Context() { return world_; }

TLink& TWorldTrackerContext::ContextLink() { return Context().ContextLink(); }
TCommandDocument* TWorldTrackerContext::GetDocument() { return Context().GetDocument(); }
TEditState& TWorldTrackerContext::EditState() { return Context().EditState(); }
std::vector<TLink*> TWorldTrackerContext::Objects() { return Context().Objects(); }
TObject* TWorldTrackerContext::FindItem(uint32_t classTag) {
  // The hot-point snapper belongs to the main view.
  if (classTag == kHotPointSnapperTag && view_.GetSnapper() != nullptr) return &snapper_;
  return Context().FindItem(classTag);
}
TList* TWorldTrackerContext::CurrentSelection() { return Context().CurrentSelection(); }
TList* TWorldTrackerContext::SwapSelection(TList* selection) {
  return Context().SwapSelection(selection);
}
int16_t TWorldTrackerContext::SwapStateWord(int16_t value) { return Context().SwapStateWord(value); }
uint16_t TWorldTrackerContext::OwnsSelections() const {
  return static_cast<const TActionContext&>(world_).OwnsSelections();
}
void TWorldTrackerContext::DiscardSelection(TList* selection) {
  Context().DiscardSelection(selection);
}
void TWorldTrackerContext::KeepSelection(TList* selection) { Context().KeepSelection(selection); }
void TWorldTrackerContext::ForgetSelection(TList* selection) {
  Context().ForgetSelection(selection);
}
void TWorldTrackerContext::Changed(int16_t flag) {
  Context().Changed(flag);
  RedrawChanges();
}
void TWorldTrackerContext::RedrawAll(int16_t first, int16_t second) {
  Context().RedrawAll(first, second);
  RedrawChanges();
}
void TWorldTrackerContext::EndUpdate() { Context().EndUpdate(); }
void TWorldTrackerContext::RefreshToolColours() { Context().RefreshToolColours(); }
void TWorldTrackerContext::RecomputeFormulas(const std::vector<TLink*>& first,
                                             const std::vector<TLink*>& second,
                                             TGeometryObjectCache* cache,
                                             RecomputeProgress progress, void* progressState) {
  Context().RecomputeFormulas(first, second, cache, progress, progressState);
}

int16_t TWorldTrackerContext::DragDelayPreference() const {
  if (storedDragDelay_ == 1 || view_.GetWindowHandle() == nullptr) return 1;
  return storedDragDelay_ == 2 ? 2 : 0;
}

double TWorldTrackerContext::TrackingSnappingDistance() const { return world_.SnappingDistance(); }

void TWorldTrackerContext::TrackingEnded() { RedrawChanges(); }

Transform2D TWorldTrackerContext::ScreenToWorldTransform() const {
  return view_.GetViewTransform().Inverse();
}

Transform2D TWorldTrackerContext::WorldToScreenTransform() const {
  return view_.GetViewTransform();
}

void TWorldTrackerContext::DeselectAll() { world_.DeselectAll(); }
void TWorldTrackerContext::SelectObject(TLink* object) { world_.Select(object); }
void TWorldTrackerContext::DeselectObject(TLink* object) { world_.Deselect(object); }

bool TWorldTrackerContext::IsSelected(TLink* object) const {
  const std::vector<TLink*>& selection = world_.Selection();
  return std::find(selection.begin(), selection.end(), object) != selection.end();
}

void TWorldTrackerContext::SelectObjects(const std::vector<TLink*>& objects, bool extend) {
  if (!extend) world_.DeselectAll();
  for (TLink* object : objects) world_.Select(object);
}

void TWorldTrackerContext::RefreshSelectionDisplay() { view_.InvalidateForeground(); }

std::vector<TLink*> TWorldTrackerContext::ScreenPositionedObjects() {
  std::vector<TLink*> gadgets;
  for (TLink* object : world_.Objects()) {
    const auto* shown = dynamic_cast<const TDisplayLink*>(object);
    if (IsScreenPositioned(object) && shown != nullptr && shown->IsShown() != 0)
      gadgets.push_back(object);
  }
  return gadgets;
}

std::vector<TLink*> TWorldTrackerContext::WorldPositionedObjects() {
  std::vector<TLink*> objects;
  for (TLink* object : world_.Objects())
    if (IsWorldPositioned(object)) objects.push_back(object);
  return objects;
}

bool TWorldTrackerContext::IsScreenPositioned(const TLink* object) const {
  return dynamic_cast<const TWindowGadget*>(object) != nullptr;
}

MacRect TWorldTrackerContext::ScreenBoundsOf(const TLink* object) {
  const auto* gadget = dynamic_cast<const TWindowGadget*>(object);
  return gadget != nullptr ? gadget->WindowFrame() : MacRect();
}

void TWorldTrackerContext::OffsetScreenObject(TLink* object, int16_t dh, int16_t dv) {
  if (auto* gadget = dynamic_cast<TWindowGadget*>(object)) gadget->OffsetOnWindow(dh, dv);
}

bool TWorldTrackerContext::IsWorldPositioned(const TLink* object) const {
  // The background is everywhere: no band takes it, as no click does.
  return dynamic_cast<const TThing*>(object) != nullptr &&
         !object->IsMemberClass(TZeroMass::kClassID);
}

bool TWorldTrackerContext::LiesInRect(TLink* object, const MacRect& rect) {
  // A control's frame is in the view's pixels already.
  const auto* gadget = dynamic_cast<const TWindowGadget*>(object);
  auto* thing = dynamic_cast<TThing*>(object);
  if (gadget == nullptr && thing == nullptr) return false;
  // A constraint lies in the band when its points do, whatever its figure covers.
  if (auto* constraint = dynamic_cast<TCnstr*>(object)) return constraint->LiesInRect(rect);
  const MacRect bounds = gadget != nullptr ? gadget->WindowFrame() : view_.ObjectRect(thing);
  return bounds.left >= rect.left && bounds.top >= rect.top && bounds.right <= rect.right &&
         bounds.bottom <= rect.bottom;
}

MacPoint TWorldTrackerContext::WindowExtent() {
  const TViewPoint& size = view_.GetStoredSize();
  return MacPoint(static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
}

bool TWorldTrackerContext::GadgetSelectionOn() const {
  // Gadgets do not turn: the rotating tool leaves them out of a band.
  return world_.GetCurrentTool() != TWorldDoc::kDragSelectionTool;
}

void TWorldTrackerContext::SendToCurrentTarget(int16_t command) {
  TTargetHandler* target = CurrentTarget();
  if (target == nullptr) return;
  if (TCommandCore* answer = target->DoMenuCommand(command)) target->PostCommand(answer);
}

void TWorldTrackerContext::CheckLowSpace() { FailIfMemoryLow(); }

bool TWorldTrackerContext::RefusesEditing() const {
  return world_.FirstRunningCommand() != nullptr || world_.GetPlayerMode() != 0;
}

std::vector<TLink*> TWorldTrackerContext::SelectedObjects() { return world_.Selection(); }

TVector3 TWorldTrackerContext::PositionOf(const TLink* object) {
  TVector3 placement(0.0, 0.0, 0.0);
  // A constraint stands where the first of the points it carries stands.
  if (const std::vector<TLink*> carried = MovedWith(object); !carried.empty())
    return static_cast<TPoint*>(carried.front())->GetWorldPosition();
  if (auto* thing = dynamic_cast<TThing*>(const_cast<TLink*>(object))) thing->GetPlacement(placement);
  return placement;
}

void TWorldTrackerContext::PlaceObject(TLink* object, const TVector3& position) {
  if (const std::vector<TLink*> carried = MovedWith(object); !carried.empty()) {
    const TVector3 from = PositionOf(object);
    const TVector by(position.x - from.x, position.y - from.y);
    for (TLink* point : carried) {
      static_cast<TPoint*>(point)->MoveBy(by);
      point->Changed();
    }
    RedrawChanges();
    return;
  }
  auto* thing = dynamic_cast<TThing*>(object);
  if (thing == nullptr) return;
  thing->SetPlacement(position);
  RedrawChanges();
}

std::vector<TLink*> TWorldTrackerContext::MovedWith(const TLink* object) {
  std::vector<TLink*> carried;
  const auto* constraint = dynamic_cast<const TConstraint*>(object);
  if (constraint == nullptr) return carried;
  for (TLink* attached : constraint->Attached()) {
    auto* point = dynamic_cast<TPoint*>(attached);
    // A point selected itself, or on a selected body, moves on its own account.
    if (point == nullptr || IsSelected(point) ||
        (point->GetBody() != nullptr && IsSelected(point->GetBody())))
      continue;
    carried.push_back(point);
  }
  return carried;
}

void TWorldTrackerContext::DragEnded(TLink*) { RedrawChanges(); }

void TWorldTrackerContext::ChangeEnded() {
  RedrawChanges();
  // Moving or reshaping what the solver takes changes the world's start: frames recorded from
  // the old start (a run, or a run declined at its first step) and the solver's copy of the
  // world are stale, or the next run would start from where the objects stood before. A world
  // that shows a run keeps it (the edit went to the frame shown), as it does for other edits.
  if (ShowsARun(world_)) return;
  const std::vector<TLink*> selection = world_.Selection();
  if (std::any_of(selection.begin(), selection.end(),
                  [this](const TLink* object) { return SolverTakes(world_, object); }))
    world_.WorldChanged();
}

void TWorldTrackerContext::RedrawChanges() {
  // Shapes stand in the view's background while the world is edited: where a changed object
  // stood and where it stands now are drawn again there, and the marks over them.
  view_.InvalidateChangedAreas();
  view_.InvalidateForeground();
}

void TWorldTrackerContext::ShowChanges() {
  RedrawChanges();
  view_.UpdateNow();
}

void TWorldTrackerContext::AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) {
  const TViewPoint& size = view_.GetStoredSize();
  const MacPoint viewSize(static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
  for (const auto& object : objects)
    if (object && object->IsThing() != 0) static_cast<TThing*>(object.get())->SetViewSize(viewSize);
  world_.AdoptPlacedObjects(std::move(objects));
  RedrawChanges();
}

void TWorldTrackerContext::AfterPlacing() { world_.AfterPlacing(); }

void TWorldTrackerContext::HandOverTrackedObject(TLink* object) {
  world_.HandOverTrackedObject(object);
}

void TWorldTrackerContext::PlacingUndone() {
  world_.PlacingUndone();
  RedrawChanges();
}

void TWorldTrackerContext::PlacingRedone(int16_t first, int16_t second) {
  world_.PlacingRedone(first, second);
  RedrawChanges();
}

TLink* TWorldTrackerContext::ObjectOpenedAt(TLink* hit, const MacPoint& at) {
  auto* point = dynamic_cast<TPoint*>(hit);
  const TList* constraints = point != nullptr ? point->Constraints() : nullptr;
  if (constraints == nullptr) return hit;
  // A pin joins two points at one place and stands on the first: the press may have found
  // either of them.
  for (int32_t i = constraints->GetCount(); i >= 1; --i) {
    auto* constraint = dynamic_cast<TConstraint*>(constraints->At(i));
    if (constraint != nullptr && constraint->HitsAt(at.h, at.v)) return constraint;
  }
  return hit;
}

bool TWorldTrackerContext::IsGrabbablePoint(const TLink* object) const {
  const auto* point = dynamic_cast<const TPoint*>(object);
  if (point == nullptr) return false;
  const TList* constraints = point->Constraints();
  if (constraints == nullptr || constraints->GetCount() == 0) return true;
  const TObject* first = constraints->At(1);
  return first == nullptr || !first->IsMemberClass(kSlotClass);
}

bool TWorldTrackerContext::AttachToHotPointNear(TLink* object, const MacPoint& screen) {
  auto* point = dynamic_cast<TPoint*>(object);
  THotPointSnapper* snapper = FindHotPointSnapper(world_);
  if (point == nullptr || snapper == nullptr || snapper->IsActive() == 0) return false;
  const POINT pixel{screen.h, screen.v};
  std::unique_ptr<THotPointRecord> record;
  if (snapper->Snap(pixel, view_.ViewToWorld(screen), point, record) == 0 || !record) return false;
  TLink* target = record->GetTarget();
  if (target == point || target == nullptr) return false;
  const TVector3 at = record->GetWorldPosition();
  const TVector3 position(at.x, at.y, point->GetWorldRotation());
  // The point goes onto the body that offers the hot point, even where the hot point lies on
  // the body's outline.
  if (auto* body = dynamic_cast<TMass*>(target)) {
    point->AttachToBody(body);
    point->SetWorldPosition(position);
  } else {
    point->MoveToWorldPosition(position);
  }
  Str255 textX, textY;
  if (snapper->GetRecordFormulas(*record, textX, textY) != 0)
    snapper->ApplyPointFormulas(point, textX, textY, {point->LocalX(), point->LocalY()});
  RedrawChanges();
  return true;
}

void TWorldTrackerContext::FixPointQuantities(TLink* object, bool force) {
  auto* point = dynamic_cast<TPoint*>(object);
  if (point == nullptr) return;
  if (force || point->HasAnyFormula()) point->FreezeFormulas();
}

void TWorldTrackerContext::StartPacing(int32_t ticks) {
  const HWND window = view_.GetWindowHandle();
  if (window == nullptr) return;
  StartTimer(window, kPacingTimer, static_cast<UINT>(std::max(ticks, 1) * 1000 / 60), nullptr);
  pacing_ = true;
}

void TWorldTrackerContext::StopPacing() {
  if (!pacing_) return;
  pacing_ = false;
  if (const HWND window = view_.GetWindowHandle()) StopTimer(window, kPacingTimer);
}
