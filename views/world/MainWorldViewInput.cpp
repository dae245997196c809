// TMainWorldView input: the cursor by tool, the hover pass, presses and menu commands, and what
// the snapper asks of the view.

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/Slot.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "core/port/PortRegion.h"
#include "core/port/WindowBinding.h"
#include "model/Thing.h"
#include "model/command/CommandBase.h"
#include "model/world/CreationCommands.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/MainWorldView.h"
#include "views/world/PictureCommands.h"
#include "views/world/PrintAction.h"
#include "views/world/WorldMenus.h"

#include "views/trackers/ToolTrackers.h"

namespace {

constexpr int16_t kCmdStopRunning = 1034;
// The Text tool drags out a block of text on the window.
constexpr int16_t kTextTool = 2537;

bool ModifierHeld() {
  return (GetKeyState(VK_SHIFT) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

double SnapToStep(double value, double step) {
  if (step == 0.0 || value == 0.0 || !std::isfinite(step)) return value;
  return std::round(value / step) * step;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Hit testing

namespace {

// Whether the object answers a press at the point (view coordinates). The ground lies under
// everything and answers none.
bool Hits(TThing* object, const MacPoint& point) {
  if (auto* at = ThingAs<TPoint>(object)) return at->HitTest(point);
  if (auto* line = ThingAs<TLine>(object)) return line->HitTest(point);
  if (auto* mass = ThingAs<TMass>(object))
    return !mass->IsMemberClass(TZeroMass::kClassID) && mass->HitTest(point);
  // A linear constraint is hit along its drawn segments; a rotational one where its primary
  // point is, over which it stands.
  if (auto* constraint = ThingAs<TConstraint>(object)) return constraint->HitTest(point);
  // A slot is hit along its line, away from the points that slide on it.
  if (auto* slot = ThingAs<TSlot>(object)) return slot->HitsForSelection(point);
  return object->HitTestWindowPoint(point) != 0;
}

// Whether a shown body of the list answers a press at the point.
bool OverBody(const std::vector<TThing*>& list, const MacPoint& point) {
  return std::any_of(list.begin(), list.end(), [&point](TThing* object) {
    return ThingAs<TMass>(object) != nullptr && object->IsShown() != 0 && Hits(object, point);
  });
}

// A shown rotational constraint of the list that holds the point object and whose icon is hit
// (it stands on its primary point, which the held one may lie under).
TThing* ConstraintStandingOn(const std::vector<TThing*>& list, TThing* object,
                             const MacPoint& point) {
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    auto* constraint = ThingAs<TConstraint>(*it);
    if (constraint == nullptr || constraint->IsShown() == 0 || !constraint->IsRotational())
      continue;
    const std::vector<TLink*>& held = constraint->Attached();
    if (std::find(held.begin(), held.end(), object) == held.end()) continue;
    if (constraint->HitTest(point)) return *it;
  }
  return nullptr;
}

// The topmost object that answers the press. Over a body, a constraint takes only the presses
// on what it draws: the reach beside its line is for picking it out of free space, and there
// the body under it is what the user sees and means.
TThing* TopmostHit(const std::vector<TThing*>& list, const MacPoint& point, bool overBody) {
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if ((*it)->IsShown() == 0 || !Hits(*it, point)) continue;
    if (auto* constraint = ThingAs<TConstraint>(*it);
        overBody && constraint != nullptr && !constraint->HitsFigure(point))
      continue;
    // A pin or motor is hit where its point is, and its icon covers the point's mark: the press
    // is the constraint's whichever of the two came later into the world.
    if (ThingAs<TPoint>(*it) != nullptr) {
      if (TThing* standing = ConstraintStandingOn(list, *it, point)) return standing;
    }
    return *it;
  }
  return nullptr;
}

// The first hot point of a shown object whose square holds the point (1 to the count), or 0.
int16_t HotPointUnder(TThing& object, const MacPoint& point,
                      const std::function<MacPoint(const TVector&)>& toView) {
  if (object.IsShown() == 0 || object.OffersHotPoints() == 0) return 0;
  const int32_t count = object.GetHotPointCount();
  for (int32_t index = 1; index <= count && index <= 32767; ++index) {
    TVector world;
    if (object.GetHotPointInWorld(static_cast<int16_t>(index), world) == 0) continue;
    const MacPoint spot = toView(world);
    // The square from 3 pixels above and left of the hot point to 3 below and right.
    if (std::abs(point.h - spot.h) <= 3 && std::abs(point.v - spot.v) <= 3)
      return static_cast<int16_t>(index);
  }
  return 0;
}

TThing* TopmostHotSpot(const std::vector<TThing*>& list, const MacPoint& point,
                       const std::function<MacPoint(const TVector&)>& toView, int16_t& index) {
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    index = HotPointUnder(**it, point, toView);
    if (index != 0) return *it;
  }
  return nullptr;
}

}  // namespace

TThing* TMainWorldView::FindHotSpot(const MacPoint& point, int32_t& kind, int16_t& index) {
  kind = kHotSpotHit;
  index = 0;
  if (!world_) return nullptr;
  UpdateObjectTransforms();
  const ObjectLists lists = CollectLists();
  const auto toView = [this](const TVector& world) { return WorldToView(world); };
  if (TThing* hit = TopmostHotSpot(lists.second, point, toView, index)) return hit;
  return TopmostHotSpot(lists.main, point, toView, index);
}

TMainWorldView::AnyHit TMainWorldView::FindAnyHit(const MacPoint& point) {
  AnyHit hit;
  if (!world_) return hit;
  UpdateObjectTransforms();
  const ObjectLists lists = CollectLists();
  const bool editingVertices = world_->GetCurrentTool() == kPartTool;
  const auto toView = [this](const TVector& world) { return WorldToView(world); };
  for (auto it = lists.second.rbegin(); it != lists.second.rend(); ++it) {
    TThing* object = *it;
    if (object->IsShown() == 0) continue;
    int16_t vertex = 0;
    int16_t edge = 0;
    if (editingVertices && object->HitVertexOrEdge(point, hit.kind, vertex, edge) != 0) {
      hit.object = object;
      hit.values[0] = vertex;
      hit.values[1] = edge;
      return hit;
    }
    hit.kind = kHotSpotHit;
    if (const int16_t index = HotPointUnder(*object, point, toView); index != 0) {
      hit.object = object;
      hit.values[0] = index;
      return hit;
    }
  }
  for (const std::vector<TThing*>* list : {&lists.link, &lists.main}) {
    int16_t index = 0;
    if (TThing* object = TopmostHotSpot(*list, point, toView, index)) {
      hit.object = object;
      hit.values[0] = index;
      return hit;
    }
  }
  return hit;
}

TLink* TMainWorldView::FindGadgetArea(const MacPoint& point, bool controls) {
  // Controls are worked in player mode too; text is typed only while the world is edited.
  if (!world_ || (!controls && world_->GetPlayerMode() != 0)) return nullptr;
  const std::vector<TLink*> objects = world_->Objects();
  const int16_t tool = world_->GetCurrentTool();
  const std::unique_ptr<RegionRec, void (*)(RegionRec*)> area(AllocRegion(), FreeRegion);
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    auto* gadget = dynamic_cast<TWindowGadget*>(*it);
    if (gadget == nullptr) continue;
    RegionSetEmpty(area.get());
    gadget->AddWindowCursorAreas(controls ? area.get() : nullptr, controls ? nullptr : area.get(),
                                 nullptr, tool);
    if (RegionContainsPoint(point.Packed(), area.get())) return *it;
  }
  return nullptr;
}

TLink* TMainWorldView::FindObjectAt(const MacPoint& point, bool includeMain) {
  if (!world_) return nullptr;
  UpdateObjectTransforms();
  const ObjectLists lists = CollectLists();
  const bool overBody =
      OverBody(lists.link, point) || (includeMain && OverBody(lists.main, point));
  if (!world_->Selection().empty()) {
    if (TThing* hit = TopmostHit(StillInWorld(priorityList_), point, overBody)) return hit;
  }
  if (TThing* hit = TopmostHit(lists.link, point, overBody)) return hit;
  if (TThing* hit = TopmostHit(lists.line, point, overBody)) return hit;
  return includeMain ? TopmostHit(lists.main, point, overBody) : nullptr;
}

TThing* TMainWorldView::FindHandleHit(const MacPoint& point, int32_t& handle) {
  if (!world_) return nullptr;
  UpdateObjectTransforms();
  const ObjectLists lists = CollectLists();
  const Selection selection(world_);
  // Only a selected object shows its handles.
  for (const std::vector<TThing*>* list : {&lists.line, &lists.main}) {
    for (auto it = list->rbegin(); it != list->rend(); ++it) {
      TThing* object = *it;
      if (object->IsShown() == 0 || !selection.Has(object)) continue;
      if (auto* mass = ThingAs<TMass>(object); mass && mass->HitHandle(point, handle))
        return object;
      if (auto* line = ThingAs<TLine>(object); line && line->HitHandle(point, handle))
        return object;
    }
  }
  return nullptr;
}

TThing* TMainWorldView::FindObjectInRect(const MacRect& rect) {
  UpdateObjectTransforms();
  const ObjectLists lists = CollectLists();
  for (auto it = lists.link.rbegin(); it != lists.link.rend(); ++it) {
    auto* mass = ThingAs<TMass>(*it);
    if (mass && mass->HitTestRect(rect)) return *it;
  }
  return lists.link.empty() ? nullptr : lists.link.front();
}

// ---------------------------------------------------------------------------------------------
// Cursor

void TMainWorldView::SetToolCursor(uint32_t resource) {
  cursor_ = resource;
  HCURSOR cursor = resource == 0 ? nullptr : LoadCursor(GetResourceModule1(), resource);
  if (!cursor) cursor = LoadCursor(nullptr, IDC_ARROW);
  // The view's window keeps showing it as the pointer moves over it.
  if (const HWND window = GetWindowHandle())
    SetClassLongPtr(window, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
  SetCursor(cursor);
}

uint32_t TMainWorldView::ToolTrackerCursor(int16_t tool) const {
  // The tracker that waits for the tool's next press knows its cursor.
  const auto* tracker = dynamic_cast<const TCommandBase*>(world_ ? world_->GetToolTracker() : nullptr);
  if (tracker != nullptr && tracker->CursorResource() != 0) return tracker->CursorResource();
  return ToolCursor(tool);
}

void TMainWorldView::ClearPendingPoint() {
  if (snapper_) snapper_->EraseHoverMarkerIf(1);
  lastHoverPoint_ = MacPoint(-1, -1);
}

bool TMainWorldView::DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion) {
  try {
    TOffScreenViewBase::DoSetCursor(portPoint, cursorRegion);
    // Over a handle of a selected object while editing, or over a control on the window, with
    // no modifier held.
    int32_t handle = 0;
    if (world_ && !modifierDown_ &&
        ((runState_ == kEditing && FindHandleHit(portPoint, handle)) ||
         FindGadgetControlArea(portPoint))) {
      SetToolCursor(kHandleCursor);
      return true;
    }
    if (world_ && !modifierDown_ && (FindLabelHit(portPoint) || FindGadgetTextArea(portPoint))) {
      SetToolCursor(kLabelCursor);
      return true;
    }
    const int16_t tool = world_ ? world_->GetCurrentTool() : kSelectTool;
    uint32_t resource = 0;
    switch (tool) {
      case kSelectTool:
      case kDragSelectTool:
        resource = runState_ != kEditing ? kRunningCursor : 0;
        break;
      case kZoomInTool:
      case kZoomOutTool:
        resource = IsZoomInTool() ? kZoomInCursor : kZoomOutCursor;
        break;
      case kPartTool:
        resource = kPartCursor;
        break;
      default:
        resource = ToolTrackerCursor(tool);
        break;
    }
    SetToolCursor(resource);
    return true;
  } catch (const QVException&) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Hover

int16_t TMainWorldView::DoIdle(int16_t) {
  // A run that ended leaves the view to editing.
  LeaveEndedRun();
  RunIdleUpdater();
  const HWND window = GetWindowHandle();
  if (!window) return 0;
  POINT screen{0, 0};
  GetCursorPos(&screen);
  POINT client = screen;
  ScreenToClient(window, &client);
  TrackMouseOver(MacPoint(static_cast<int16_t>(client.x), static_cast<int16_t>(client.y)));
  return 0;
}

void TMainWorldView::TrackMouseOver(const MacPoint& point) {
  const TViewPoint& size = GetStoredSize();
  const bool inView = point.h >= 0 && point.v >= 0 && point.h <= size.h && point.v <= size.v;
  if (inView && ModifierHeld() != modifierDown_) modifierDown_ = !modifierDown_;
  const bool overFree = inView;
  if (!overFree && !overFreeSpace_) return;
  if (hoverHandler_) hoverHandler_(point, overFree);
  if (snapper_) snapper_->UpdateHoverMarker(POINT{point.h, point.v}, overFree ? 1 : 0, 0);
  if (point.h == lastHoverPoint_.h && point.v == lastHoverPoint_.v) return;
  UpdateObjectTransforms();
  lastHoverPoint_ = point;
  const double step = world_ ? world_->SnappingDistance() : 0.0;
  const TVector world = ViewToWorld(point);
  const TVector snapped(SnapToStep(world.x, step), SnapToStep(world.y, step));
  if (overFree == overFreeSpace_ && snapped.x == lastSnappedPoint_.x &&
      snapped.y == lastSnappedPoint_.y)
    return;
  const MacPoint feedback = WorldToView(snapped);
  const int32_t values[6] = {(lastFeedbackPoint_.h << 16) | (lastFeedbackPoint_.v & 0xFFFF),
                             (feedback.h << 16) | (feedback.v & 0xFFFF),
                             0,
                             0,
                             overFreeSpace_ ? 1 : 0,
                             overFree ? 1 : 0};
  TrackFeedback(values);
  overFreeSpace_ = overFree;
  lastSnappedPoint_ = snapped;
  lastFeedbackPoint_ = feedback;
}

// ---------------------------------------------------------------------------------------------
// Presses and menu commands

TCommandCore* TMainWorldView::DoMouseCommand(const MacPoint& portPoint, TMouseEvent* event,
                                             int32_t) {
  // The press is judged against the picture the user sees: stale parts are painted first.
  if (TOffScreenMgr* manager = GetManager();
      manager && (!RegionIsEmpty(manager->GetDeepRegion()) ||
                  !RegionIsEmpty(manager->GetShallowRegion())))
    manager->Update();
  UpdateObjectTransforms();
  const int16_t tool = world_ ? world_->GetCurrentTool() : kSelectTool;
  if (tool == kZoomInTool || tool == kZoomOutTool) {
    ZoomAt(IsZoomInTool(), portPoint);
    return nullptr;
  }
  return clickHandler_ ? clickHandler_(*this, portPoint, event) : nullptr;
}

TCommandCore* TMainWorldView::DoMenuCommand(int16_t commandNumber) {
  // While a label is edited, the text commands act on its text and the others end the editing.
  if (LabelEditingCommand(commandNumber)) return nullptr;
  if (GadgetTextCommand(commandNumber)) return nullptr;
  if (commandNumber == kCmdShowGrid) {
    SetShowGrid(GetShowGrid() == 0 ? 1 : 0);
    return nullptr;
  }
  if (commandNumber == kCmdEraseTrack) {
    EraseTracks();
    return nullptr;
  }
  if (commandNumber == kCmdSnapToHotPoints && snapper_) {
    uint16_t handled = 0;
    TCommandCore* command = snapper_->DoMenuCommand(commandNumber, handled);
    if (handled != 0) return command;
  }
  // A world that plays is not edited: of the tools only the selection tool is taken, and no
  // picture, meter or input control is made.
  const bool playing = world_ && world_->GetPlayerMode() != 0;
  // Numbered among the tools, the picture commands act on the selection.
  if (world_ && IsPictureCommand(commandNumber)) {
    if (playing) return nullptr;
    return MakePictureCommand(commandNumber, *world_).release();
  }
  if (world_ && TWorldDoc::IsToolCommand(commandNumber)) {
    if (playing && commandNumber != kSelectTool) return nullptr;
    const bool wasEditingVertices = world_->GetCurrentTool() == kPartTool;
    world_->SetMode(commandNumber, 0);
    // A selected curve shows its vertices' handles only while vertices are edited.
    if (wasEditingVertices != (world_->GetCurrentTool() == kPartTool) &&
        !world_->Selection().empty())
      InvalidateForeground();
    return nullptr;
  }
  if (world_ && IsCreationCommand(commandNumber)) {
    if (playing) return nullptr;
    // Meters and input controls for the selected objects; never handed on.
    return MakeCreationCommand(commandNumber, *world_).release();
  }
  if (commandNumber == kCmdPrint || commandNumber == kCmdPrintDefault) {
    auto action = std::make_unique<TPrintAction>();
    action->InitPrint(commandNumber, this, world_ ? world_->GetDocument() : nullptr);
    return action.release();
  }
  bool clipboardRow = false;
  TCommandCore* clipboardCommand = DoClipboardMenuCommand(*this, commandNumber, clipboardRow);
  if (clipboardRow) return clipboardCommand;
  if (world_) {
    bool handled = false;
    TCommandCore* command = TWorldMenus(*this).DoMenuCommand(commandNumber, handled);
    if (handled) return command;
  }
  return TOffScreenViewBase::DoMenuCommand(commandNumber);
}

void TMainWorldView::DoSetupMenus() {
  TOffScreenViewBase::DoSetupMenus();
  EnableCheckMenuCommand(kCmdShowGrid, true, showGrid_ != 0);
  EnableMenuCommand(kCmdEraseTrack, true);
  if (snapper_) snapper_->DoSetupMenus();
  EnableMenuCommand(kCmdPrint, true);
  EnableMenuCommand(kCmdPrintDefault, true);
  if (!world_) return;
  SetupClipboardMenus(*world_);
  for (int16_t command :
       {kCmdRun, kCmdReset, kCmdPlayBackToStart, kCmdStepForward, kCmdStepBack, kCmdStopRunning})
    EnableMenuCommand(command, true);
  TWorldMenus(*this).DoSetupMenus();
  const int16_t tool = world_->GetCurrentTool();
  const bool editing = world_->GetPlayerMode() == 0;
  EnableCheckMenuCommand(kSelectTool, true, kSelectTool == tool);
  for (int16_t command : {kDragSelectTool, kZoomInTool, kZoomOutTool, kPartTool})
    EnableCheckMenuCommand(command, editing, command == tool);
  for (int16_t command : kObjectTools) EnableCheckMenuCommand(command, editing, command == tool);
  for (int16_t command : kConstraintTools)
    EnableCheckMenuCommand(command, editing, command == tool);
  EnableCheckMenuCommand(kTextTool, editing, kTextTool == tool);
}

// ---------------------------------------------------------------------------------------------
// What the snapper asks

void TMainWorldView::GetGridParameters(GridParameters& grid) {
  double major = 0.0, minor = 0.0, fine = 0.0;
  int16_t count = 0;
  GetGridParameters(major, minor, fine, count);
  grid.spacing = major;
  grid.minorSpacing = minor;
  grid.fineStep = fine;
  grid.subdivisions = count;
}

int16_t TMainWorldView::HorizontalPixelDistance(double worldLength) {
  const double pixels = worldLength * GetScale();
  if (!std::isfinite(pixels)) return pixels > 0 ? 32767 : -32767;
  return static_cast<int16_t>(std::clamp(std::lround(pixels), -32767L, 32767L));
}

TLink* TMainWorldView::FindObjectAt(const POINT& pixel, int16_t) {
  return FindObjectAt(MacPoint(static_cast<int16_t>(pixel.x), static_cast<int16_t>(pixel.y)));
}

TLink* TMainWorldView::FindObjectInRect(const TVector& world, double) {
  for (TThing* thing : Things()) {
    if (thing->ContainsWorldPoint(world) != 0) return thing;
  }
  return nullptr;
}

uint16_t TMainWorldView::SnapPointToView(int16_t tolerance, const POINT& pixel, TVector& world,
                                         POINT& window, int32_t& kind) {
  MacPoint view;
  const bool snapped = SnapToGridLines(
      tolerance, MacPoint(static_cast<int16_t>(pixel.x), static_cast<int16_t>(pixel.y)), world,
      view, kind);
  window = POINT{view.h, view.v};
  return snapped ? 1 : 0;
}

POINT TMainWorldView::WorldToWindow(const TVector& world) {
  const MacPoint point = WorldToView(world);
  return POINT{point.h, point.v};
}

TVector TMainWorldView::WindowToWorld(const POINT& pixel) {
  return ViewToWorld(MacPoint(static_cast<int16_t>(pixel.x), static_cast<int16_t>(pixel.y)));
}

HDC TMainWorldView::BeginHotPointDrawing() {
  InvalidateFocus();
  if (!Focus()) return nullptr;
  return GetPortDC();
}

void TMainWorldView::EndHotPointDrawing(HDC dc) {
  InvalidateFocus();
  // The view draws through its manager's window, whose context stays bound after the view lets
  // go of it; the desktop shows the figure only once that context goes back to the window.
  if (TOffScreenMgr* manager = GetManager(); manager != nullptr && dc != nullptr &&
                                             GetPortDC() == dc)
    manager->InvalidateFocus();
}
