// TMainWorldView's layers: the world's object lists, the three layer draws that choose by run
// state which passes over the lists fill the background picture, the display picture and the
// screen, the passes themselves and the reference crosshair.
//
// Editing, the background holds the white ground, the grid and the objects' shapes, and the
// display their full editing picture. Running, the background holds what stays (the grid, and
// the objects' tracks when the world leaves tracks) and the display every object at its frame.
// Replaying, the display shows every object at the recorded frame and the selection is drawn
// over it on the screen.

#include <algorithm>
#include <utility>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/Thing.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/Dc.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Icon.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/MainWorldView.h"

namespace {

constexpr RGB16Color kBlack{0, 0, 0};
constexpr RGB16Color kWhite{0xFFFF, 0xFFFF, 0xFFFF};

void FillWhite(const MacRect& rect) {
  const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  PortFillRectBrush(rect, white);
  DeleteObject(white);
}

bool Visible(const TThing* object) {
  return object && object->IsShown() != 0;
}

// The port as each object expects to find it: a one-pixel copying pen, black on white.
void PreparePortForObject() {
  PortResetPen();
  SetPortForeColor(kBlack);
  SetPortBackColor(kWhite);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lists

TMainWorldView::Selection::Selection(const TWorldDoc* world) {
  if (!world) return;
  for (TLink* object : world->Selection())
    objects_.insert(object);
}

bool TMainWorldView::Selection::Has(const TLink* object) const {
  return objects_.count(object) != 0;
}

TMainWorldView::ObjectLists TMainWorldView::CollectLists() const {
  ObjectLists lists;
  // The centre of mass marks a place among the bodies: it goes over them.
  std::vector<TThing*> marks;
  for (TThing* thing : Things()) {
    if (thing->IsMemberClass(TLine::kClassID)) continue;  // drawn as the line handler's
    if (thing->IsMemberClass(TCOMPoint::kClassID)) {
      marks.push_back(thing);
      continue;
    }
    if (!thing->GetSubObjects().empty()) {
      lists.link.push_back(thing);
      continue;
    }
    lists.main.push_back(thing);
    if (thing->IsMemberClass(TMass::kClassID) && !thing->IsMemberClass(TZeroMass::kClassID))
      lists.second.push_back(thing);
  }
  lists.main.insert(lists.main.end(), marks.begin(), marks.end());
  if (!world_) return lists;
  for (TLink* object : world_->Objects()) {
    if (!object->IsMemberClass(TLineHandler::kClassID)) continue;
    static_cast<TLineHandler*>(object)->ForEachLine(
        [&](TLine& line) { lists.line.push_back(&line); });
    break;
  }
  return lists;
}

std::vector<TThing*> TMainWorldView::HighlightList() const {
  std::vector<TThing*> list;
  if (!world_) return list;
  for (TLink* object : world_->Selection()) {
    if (object && object->IsThing() != 0) list.push_back(static_cast<TThing*>(object));
  }
  return list;
}

bool TMainWorldView::InOverlay(const TThing* object) const {
  return std::find(overlayList_.begin(), overlayList_.end(), object) != overlayList_.end();
}

std::vector<TThing*> TMainWorldView::StillInWorld(const std::vector<TThing*>& objects) const {
  std::vector<TThing*> live;
  if (objects.empty() || !world_) return live;
  const std::vector<TLink*> all = world_->Objects();
  const std::unordered_set<const TLink*> present(all.begin(), all.end());
  for (TThing* object : objects) {
    if (present.count(object) != 0) live.push_back(object);
  }
  return live;
}

bool TMainWorldView::StillInWorld(const TThing* object) const {
  if (!object || !world_) return false;
  const std::vector<TLink*> objects = world_->Objects();
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

// ---------------------------------------------------------------------------------------------
// The objects' two draws

void TMainWorldView::FirstDraw(TThing* object, const MacRect& rect, int16_t mode,
                               const Selection& selection) {
  SecondDraw(object, rect, mode);
  // The editing picture of a selected object shows its mark: a body its handles, a point its
  // inverted square, a constraint its figure drawn over with a wide inverting pen, a line a
  // square at each end.
  if (runState_ != kEditing || !selection.Has(object)) return;
  if (auto* mass = ThingAs<TMass>(object)) {
    mass->HighlightSelection(rect, 0, 1);
    return;
  }
  PreparePortForObject();
  PortSetPenMode(R2_NOTXORPEN);
  if (auto* point = ThingAs<TPoint>(object))
    point->Highlight(0, 1);
  else if (auto* constraint = ThingAs<TCnstr>(object))
    constraint->HighlightSelection(rect, 0, 1);
  else if (auto* line = ThingAs<TLine>(object))
    line->DrawHandles();
  PreparePortForObject();
}

void TMainWorldView::SecondDraw(TThing* object, const MacRect& rect, int16_t) {
  // Objects whose screen bounds miss the area drawn are not drawn at all.
  const MacRect bounds = ObjectRect(object);
  const MacRect& area = cullArea_;
  if (bounds.right > bounds.left && !(bounds.left < area.right && area.left < bounds.right &&
                                      bounds.top < area.bottom && area.top < bounds.bottom))
    return;
  PreparePortForObject();
  // Every mode draws the object's own picture; the modes differ in which objects they reach.
  object->Draw(rect, 0);
}

void TMainWorldView::DrawSelectedShapes(const MacRect& area) {
  const Selection selection(world_);
  if (selection.Empty()) return;
  const MacRect cull = cullArea_;
  cullArea_ = area;
  const ObjectLists lists = CollectLists();
  for (const auto* list : {&lists.main, &lists.link, &lists.line}) {
    for (TThing* object : *list)
      if (Visible(object) && selection.Has(object)) SecondDraw(object, area, kModePlain);
  }
  cullArea_ = cull;
}

// ---------------------------------------------------------------------------------------------
// Layers

void TMainWorldView::DrawBackground(const MacRect& rect) {
  shapesInBackground_ = {};
  FillWhite(rect);
  UpdateObjectTransforms();
  // A background drawn again holds the tracks of the current frame alone.
  if (runState_ == kEditing) {
    if (showGrid_ != 0) DrawGridLines(rect);
    DeviceContext* picture = PictureBeingDrawn(0);
    const int64_t mixing = picture ? picture->work.mixingPaints : 0;
    RunPass(2, rect);
    if (picture && picture->work.mixingPaints == mixing) {
      shapesInBackground_ = {true, GetManager()->UpdateCount(), GetPortDC(), picture->work.paints,
                             picture->EffectiveClip()};
    }
    if (WorldDrawsTracks() && currentFrame_ >= 0) DrawBackgroundTracks(rect);
    PreparePort();
    return;
  }
  if (WorldDrawsTracks())
    DrawBackgroundTracks(rect);
  else
    lastDrawnObject_ = nullptr;
  if (showGrid_ != 0 && !autoscrolling_) DrawGridLines(rect);
  frameRedrawPending_ = false;
  PreparePort();
}

void TMainWorldView::DrawObjects(const MacRect& rect) {
  switch (runState_) {
    case kEditing:
      UpdateObjectTransforms();
      reuseStampedShapes_ = DisplayHoldsStampedShapes();
      RunPass(3, rect);
      reuseStampedShapes_ = false;
      DrawReferenceCrosshair(rect, false);
      break;
    case kRunning:
      UpdateObjectTransforms();
      if (!autoscrolling_ && WorldDrawsTracks()) {
        RunPass(7, rect);
      } else {
        if (showGrid_ != 0) DrawGridLines(rect);
        RunPass(11, rect);
      }
      DrawReferenceCrosshair(rect, false);
      break;
    default:
      // Replaying, each recorded frame marks the display picture stale and it shows the objects
      // at that frame; the selection goes over them on the screen.
      UpdateObjectTransforms();
      if (autoscrolling_ && showGrid_ != 0) DrawGridLines(rect);
      RunPass(11, rect);
      break;
  }
  DrawWindowGadgets(rect);
  if (itemsDrawer_) itemsDrawer_();
  PreparePort();
}

// The controls placed on the window go over the world, in the world's order, the selected ones
// with their handles while the world is edited.
void TMainWorldView::DrawWindowGadgets(const MacRect& rect) {
  if (world_ == nullptr) return;
  const Selection selection(world_);
  for (TLink* object : world_->Objects()) {
    auto* gadget = dynamic_cast<TWindowGadget*>(object);
    if (gadget == nullptr) continue;
    gadget->DrawOnWindow(rect);
    if (runState_ == kEditing && selection.Has(object)) gadget->DrawWindowSelection();
  }
}

void TMainWorldView::DrawOverlay(const MacRect& rect) {
  if (snapper_) snapper_->ClearHoverMarker();
  switch (runState_) {
    case kEditing:
      TOffScreenViewBase::DrawOverlay(rect);
      break;
    case kRunning:
      break;
    default:
      UpdateObjectTransforms();
      RunPass(5, rect);
      DrawReferenceCrosshair(rect, true);
      break;
  }
  PreparePort();
  if (overlayHandler_) overlayHandler_(rect);
}

// ---------------------------------------------------------------------------------------------
// Passes

MacRect TMainWorldView::VisibleArea(const MacRect& rect) {
  RECT clip;
  const HDC dc = GetPortDC();
  if (!dc || GetClipBox(dc, &clip) == ERROR) return rect;
  const MacRect box(NarrowTo16(clip.left), NarrowTo16(clip.top), NarrowTo16(clip.right),
                    NarrowTo16(clip.bottom));
  const MacRect area(std::max(rect.left, box.left), std::max(rect.top, box.top),
                     std::min(rect.right, box.right), std::min(rect.bottom, box.bottom));
  if (area.left >= area.right || area.top >= area.bottom) return MacRect();
  return area;
}

DeviceContext* TMainWorldView::PictureBeingDrawn(int16_t which) const {
  auto* buffered = dynamic_cast<TDezevOffScreenMgr*>(GetManager());
  if (!buffered || GetUseSolidBrushes() || IsRecordingMetafile()) return nullptr;
  if (buffered->GetCurrentPass() !=
      (which == 0 ? TOffScreenMgr::kBackgroundPass : TOffScreenMgr::kObjectsPass))
    return nullptr;
  HDC dc = nullptr;
  buffered->GetBufferInfo(which, &dc, nullptr, nullptr, nullptr);
  return dc && dc == GetPortDC() ? LookupDC(dc) : nullptr;
}

bool TMainWorldView::DisplayHoldsStampedShapes() {
  const ShapesInBackground stamped = std::exchange(shapesInBackground_, {});
  if (!stamped.valid || GetManager()->UpdateCount() != stamped.update) return false;
  const DeviceContext* background = LookupDC(stamped.dc);
  const DeviceContext* display = PictureBeingDrawn(1);
  return background && display && background->work.paints == stamped.paints &&
         display->EffectiveClip() == stamped.area;
}

void TMainWorldView::RunPass(int16_t pass, const MacRect& rect) {
  // Only the part of the rectangle that the port lets through is worth drawing.
  cullArea_ = VisibleArea(rect);
  const ObjectLists lists = CollectLists();
  const Selection selection(world_);
  switch (pass) {
    case 1:
      DrawListShapes(lists.main, rect);
      DrawListShapes(lists.link, rect);
      DrawListShapes(lists.line, rect);
      break;
    case 2:
      DrawListShapes(lists.main, rect);
      break;
    case 3:
      DrawEditingPicture(lists, rect, selection);
      break;
    case 4:
      DrawUnselectedLinks(lists, rect, selection);
      break;
    case 5:
      DrawSelectionOnScreen(lists, rect, selection);
      break;
    case 6:
      DrawLinksUpToSelection(lists, rect, selection);
      break;
    case 7:
      DrawAfterLastDrawn(lists, rect, selection);
      break;
    case 8:
      lastDrawnObject_ = nullptr;
      if (DrawUpToSelection(lists.main, rect, selection))
        DrawUpToSelection(lists.link, rect, selection);
      break;
    case 9:
      lastDrawnObject_ = nullptr;
      DrawUpToSelection(lists.main, rect, selection);
      break;
    case 10:
      DrawFrameOfRun(lists, rect, selection);
      break;
    case 11:
      DrawRunningPicture(lists, rect);
      break;
    default:
      break;
  }
}

void TMainWorldView::DrawListShapes(const std::vector<TThing*>& list, const MacRect& rect) {
  for (TThing* object : list) {
    if (Visible(object)) SecondDraw(object, rect, kModePlain);
  }
}

void TMainWorldView::DrawEditingPicture(const ObjectLists& lists, const MacRect& rect,
                                        const Selection& selection) {
  // Over a copy of a background that holds the main list's shapes, drawn just now over the same
  // area by paints that cover what lies under them, the objects ahead of the first selected one
  // would only paint again the pixels they already have there: they are left as they stand.
  // From the first selected object on, each is drawn, so everything after goes over them as
  // before.
  bool reusing = reuseStampedShapes_;
  for (TThing* object : lists.main) {
    if (!Visible(object)) continue;
    if (reusing && !selection.Has(object)) continue;
    reusing = false;
    FirstDraw(object, rect, kModePlain, selection);
  }
  DrawListShapes(lists.link, rect);
  for (TThing* object : lists.line) {
    if (Visible(object)) FirstDraw(object, rect, kModePlain, selection);
  }
}

void TMainWorldView::DrawUnselectedLinks(const ObjectLists& lists, const MacRect& rect,
                                         const Selection& selection) {
  for (TThing* object : lists.link) {
    if (Visible(object) && !selection.Has(object)) FirstDraw(object, rect, kModePlain, selection);
  }
}

void TMainWorldView::DrawSelectionOnScreen(const ObjectLists& lists, const MacRect& rect,
                                           const Selection& selection) {
  if (!overlayList_.empty()) {
    for (TThing* object : StillInWorld(overlayList_)) {
      if (Visible(object)) SecondDraw(object, rect, kModeOverlay);
    }
    return;
  }
  for (const std::vector<TThing*>* list : {&lists.main, &lists.second}) {
    for (TThing* object : *list) {
      if (Visible(object) && selection.Has(object)) SecondDraw(object, rect, kModeSelected);
    }
  }
}

void TMainWorldView::DrawLinksUpToSelection(const ObjectLists& lists, const MacRect& rect,
                                            const Selection& selection) {
  // The display picture skips everything up to the last object stamped, the main list's
  // objects first: they are stamped in that order, or the skipped ones would be lost.
  lastDrawnObject_ = nullptr;
  for (const std::vector<TThing*>* list : {&lists.main, &lists.link}) {
    for (TThing* object : *list) {
      if (!Visible(object)) continue;
      if (selection.Has(object)) return;
      FirstDraw(object, rect, kModePlain, selection);
      lastDrawnObject_ = object;
    }
  }
}

bool TMainWorldView::DrawUpToSelection(const std::vector<TThing*>& list, const MacRect& rect,
                                       const Selection& selection) {
  for (TThing* object : list) {
    if (!Visible(object)) continue;
    if (selection.Has(object)) return false;
    SecondDraw(object, rect, kModePlain);
    lastDrawnObject_ = object;
  }
  return true;
}

void TMainWorldView::DrawAfterLastDrawn(const ObjectLists& lists, const MacRect& rect,
                                        const Selection& selection) {
  // The unselected objects up to the last one stamped into the background are there already.
  bool skipping = lastDrawnObject_ != nullptr;
  for (const std::vector<TThing*>* list : {&lists.main, &lists.link, &lists.line}) {
    for (TThing* object : *list) {
      if (!Visible(object)) continue;
      if (skipping && !selection.Has(object)) {
        if (object == lastDrawnObject_) skipping = false;
        continue;
      }
      SecondDraw(object, rect, InOverlay(object) ? kModeOverlayMember : kModePlain);
    }
  }
}

void TMainWorldView::DrawFrameOfRun(const ObjectLists& lists, const MacRect& rect,
                                    const Selection& selection) {
  // No object asks the world to erase the picture between frames: the tracks stay.
  if (WorldDrawsTracks()) DrawLinksUpToSelection(lists, rect, selection);
}

void TMainWorldView::DrawRunningPicture(const ObjectLists& lists, const MacRect& rect) {
  if (overlayList_.empty() && (lastDrawnObject_ == nullptr || StillInWorld(lastDrawnObject_))) {
    bool skipping = lastDrawnObject_ != nullptr;
    for (TThing* object : lists.main) {
      if (skipping) {
        if (object == lastDrawnObject_) skipping = false;
        continue;
      }
      if (Visible(object) && !InOverlay(object)) SecondDraw(object, rect, kModePlain);
    }
  }
  for (TThing* object : lists.link) {
    if (Visible(object) && !InOverlay(object)) SecondDraw(object, rect, kModePlain);
  }
  for (TThing* object : StillInWorld(overlayList_))
    SecondDraw(object, rect, kModeOverlayMember);
}

// ---------------------------------------------------------------------------------------------
// Tracks

bool TMainWorldView::NeedsFrameRedraw() const {
  if (runState_ == kRunning) return frameRedrawPending_;
  if (runState_ == kReplaying) return false;
  if (lastFrameDrawn_ == currentFrame_) return false;
  if (world_ && world_->GetTrackingWord() >= 1) return true;
  for (TThing* object : CollectLists().main) {
    if (Visible(object) && (object->GetTrackLine() != 0 || object->GetTrackMarks() != 0))
      return true;
  }
  return false;
}

void TMainWorldView::DrawFrameTracks(const MacRect& rect, bool fresh, int32_t frame) {
  const int32_t every = std::max<int32_t>(1, world_ ? world_->GetTrackingWord() : 1);
  // The objects are stamped at every Nth frame only; between, the running pictures draw them
  // all over the background.
  const bool stamped = frame < 0 || frame % every == 0;
  if (stamped)
    RunPass(10, rect);
  else
    lastDrawnObject_ = nullptr;
  const uint16_t suppressLine = fresh ? 1 : 0;
  for (TThing* body : CollectLists().second) {
    if (!Visible(body)) continue;
    PreparePortForObject();
    if (stamped)
      body->DrawTrackMark(rect, suppressLine);
    else
      body->DrawTrackLine(rect, suppressLine);
  }
}

void TMainWorldView::PlaceObjectsAtFrame(int32_t frame) {
  const auto shown = static_cast<int16_t>(frame);
  const auto first = static_cast<int16_t>(world_->FirstHeldFrame());
  const auto last = static_cast<int16_t>(world_->LastFrame());
  for (const auto* list : {&world_->Bodies(), &world_->EightValueObjects()}) {
    for (TLink* object : *list) {
      if (auto* participant = dynamic_cast<TFrameParticipant*>(object))
        participant->FrameChanged(shown, first, last);
    }
  }
  UpdateObjectTransforms();
}

void TMainWorldView::DrawBackgroundTracks(const MacRect& rect) {
  const TFrameStore* store = world_ ? world_->GetStore() : nullptr;
  const bool shownFromStore = store != nullptr && store->CurrentFrame() == currentFrame_;
  const int32_t from = std::max<int32_t>(tracksFrom_, shownFromStore ? world_->FirstHeldFrame() : 0);
  const int32_t to = std::min<int32_t>(tracksTo_, shownFromStore ? world_->LastFrame() : -1);
  // Only the frame shown, or frames that are no longer held: its tracks alone.
  if (autoscrolling_ || currentFrame_ < 0 || from < 0 || from >= to) {
    DrawFrameTracks(rect, true, currentFrame_);
    return;
  }
  // The tracks are drawn again frame by frame as the frames were shown one after the other;
  // the objects of the frame shown go over them last, and the next frame's lines go on from
  // where the last one added left them.
  for (int32_t frame = from; frame <= to; ++frame) {
    PlaceObjectsAtFrame(frame);
    const bool mine = frame == currentFrame_;
    const bool stamped = frame % std::max<int32_t>(1, world_->GetTrackingWord()) == 0;
    if (stamped && !mine) RunPass(10, rect);
    for (TThing* body : CollectLists().second) {
      if (!Visible(body)) continue;
      PreparePortForObject();
      if (stamped)
        body->DrawTrackMark(rect, frame == from ? 1 : 0);
      else
        body->DrawTrackLine(rect, frame == from ? 1 : 0);
    }
  }
  const int32_t last = std::clamp(tracksLast_, from, to);
  if (last != to) {
    PlaceObjectsAtFrame(last);
    for (TThing* body : CollectLists().second) body->DrawTrackLine(rect, 1);
  }
  PlaceObjectsAtFrame(currentFrame_);
  if (currentFrame_ % std::max<int32_t>(1, world_->GetTrackingWord()) == 0)
    RunPass(10, rect);
  else
    lastDrawnObject_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Reference crosshair

void TMainWorldView::SetReference(TThing* object, uint16_t crosshair, uint16_t icon) {
  reference_ = object;
  referenceCrosshair_ = crosshair;
  referenceIcon_ = icon;
  InvalidateForeground();
}

TLink* TMainWorldView::GetReferenceObject() {
  return reference_;
}

void TMainWorldView::DrawReferenceCrosshair(const MacRect& rect, bool suppress) {
  if (suppress || (referenceCrosshair_ == 0 && referenceIcon_ == 0)) return;
  if (!reference_ || !StillInWorld(reference_)) return;
  TVector position;
  reference_->GetPosition(position);
  const MacPoint at = WorldToView(position);
  if (referenceCrosshair_ != 0) {
    PortResetPen();
    SetPortForeColor(reference_->GetColour());
    PortMoveTo(rect.left, at.v);
    PortLineTo(static_cast<int16_t>(rect.right - rect.left), 0);
    PortMoveTo(at.h, rect.top);
    PortLineTo(0, static_cast<int16_t>(rect.bottom - rect.top));
  }
  if (referenceIcon_ != 0 && at.h >= rect.left && at.h <= rect.right && at.v >= rect.top &&
      at.v <= rect.bottom) {
    const HICON icon =
        LoadIcon(static_cast<HINSTANCE>(GetResourceModule1()), "FrameOfReferenceIcon");
    DrawIconMasked(icon, at.h, at.v);
  }
  SetPortForeColor(kBlack);
}
