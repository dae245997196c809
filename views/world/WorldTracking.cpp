#include "views/world/WorldTracking.h"

#include <algorithm>

#include "core/Failure.h"
#include "model/Thing.h"
#include "model/world/WorldDoc.h"
#include "views/world/HotPointSnapper.h"
#include "views/world/MainWorldView.h"

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

// ---- The world ---------------------------------------------------------------------------------

TWorldTrackerContext::TWorldTrackerContext(TWorldDoc& world, TMainWorldView& view)
    : world_(world), view_(view) {}

TActionContext& TWorldTrackerContext::Context() { return world_; }

TLink& TWorldTrackerContext::ContextLink() { return Context().ContextLink(); }
TCommandDocument* TWorldTrackerContext::GetDocument() { return Context().GetDocument(); }
TEditState& TWorldTrackerContext::EditState() { return Context().EditState(); }
std::vector<TLink*> TWorldTrackerContext::Objects() { return Context().Objects(); }
TObject* TWorldTrackerContext::FindItem(uint32_t classTag) {
  // The hot-point snapper belongs to the main view.
  if (classTag == MakeTag("hpSn") && view_.GetSnapper() != nullptr) return view_.GetSnapper();
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
  view_.InvalidateForeground();
}
void TWorldTrackerContext::RedrawAll(int16_t first, int16_t second) {
  Context().RedrawAll(first, second);
  view_.InvalidateForeground();
}
void TWorldTrackerContext::EndUpdate() { Context().EndUpdate(); }
void TWorldTrackerContext::RefreshToolColours() { Context().RefreshToolColours(); }
void TWorldTrackerContext::RecomputeFormulas(const std::vector<TLink*>& first,
                                             const std::vector<TLink*>& second,
                                             TGeometryObjectCache* cache,
                                             RecomputeProgress progress, void* progressState) {
  Context().RecomputeFormulas(first, second, cache, progress, progressState);
}

void TWorldTrackerContext::TrackingEnded() { view_.InvalidateForeground(); }

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

std::vector<TLink*> TWorldTrackerContext::WorldPositionedObjects() {
  std::vector<TLink*> objects;
  for (TLink* object : world_.Objects())
    if (dynamic_cast<TThing*>(object) != nullptr) objects.push_back(object);
  return objects;
}

bool TWorldTrackerContext::IsWorldPositioned(const TLink* object) const {
  return dynamic_cast<const TThing*>(object) != nullptr;
}

bool TWorldTrackerContext::LiesInRect(TLink* object, const MacRect& rect) {
  auto* thing = dynamic_cast<TThing*>(object);
  if (thing == nullptr) return false;
  const MacRect bounds = view_.ObjectRect(thing);
  return bounds.left >= rect.left && bounds.top >= rect.top && bounds.right <= rect.right &&
         bounds.bottom <= rect.bottom;
}

bool TWorldTrackerContext::GadgetSelectionOn() const {
  return world_.GetCurrentTool() != TWorldDoc::kRotateTool;
}

void TWorldTrackerContext::CheckLowSpace() { FailIfMemoryLow(); }

bool TWorldTrackerContext::RefusesEditing() const { return world_.FirstRunningCommand() != nullptr; }

std::vector<TLink*> TWorldTrackerContext::SelectedObjects() { return world_.Selection(); }

TVector3 TWorldTrackerContext::PositionOf(const TLink* object) {
  TVector3 placement(0.0, 0.0, 0.0);
  if (auto* thing = dynamic_cast<TThing*>(const_cast<TLink*>(object))) thing->GetPlacement(placement);
  return placement;
}

void TWorldTrackerContext::PlaceObject(TLink* object, const TVector3& position) {
  auto* thing = dynamic_cast<TThing*>(object);
  if (thing == nullptr) return;
  thing->SetPlacement(position);
  view_.InvalidateForeground();
}

void TWorldTrackerContext::DragEnded(TLink*) { view_.InvalidateForeground(); }

void TWorldTrackerContext::ChangeEnded() { view_.InvalidateForeground(); }

void TWorldTrackerContext::AdoptPlacedObjects(std::vector<std::unique_ptr<TLink>> objects) {
  const TViewPoint& size = view_.GetStoredSize();
  const MacPoint viewSize(static_cast<int16_t>(size.h), static_cast<int16_t>(size.v));
  for (const auto& object : objects)
    if (object && object->IsThing() != 0) static_cast<TThing*>(object.get())->SetViewSize(viewSize);
  world_.AdoptPlacedObjects(std::move(objects));
  view_.InvalidateForeground();
}

void TWorldTrackerContext::AfterPlacing() { world_.AfterPlacing(); }

void TWorldTrackerContext::PlacingUndone() {
  world_.PlacingUndone();
  view_.InvalidateForeground();
}

void TWorldTrackerContext::PlacingRedone(int16_t first, int16_t second) {
  world_.PlacingRedone(first, second);
  view_.InvalidateForeground();
}
