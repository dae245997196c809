#include "views/world/WorldTrackingClicks.h"

#include <memory>
#include <utility>
#include <vector>

#include "bodies/Body.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/assembly/BodyAssembly.h"
#include "bodies/lines/Line.h"
#include "bodies/vectors/VectorThing.h"
#include "bodies/points/Point.h"
#include "constraints/CurvedSlot.h"
#include "core/Failure.h"
#include "core/TickCount.h"
#include "model/command/ActionBase.h"
#include "model/handler/TargetHandler.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/WindowMessages.h"
#include "ui/views/MouseEvent.h"
#include "views/trackers/ConstraintTrackers.h"
#include "views/trackers/GadgetPressTracker.h"
#include "views/world/GadgetTextField.h"
#include "views/trackers/LineTrackers.h"
#include "views/trackers/MoveTrackers.h"
#include "views/trackers/PolygonTrackers.h"
#include "views/trackers/ResizeTrackers.h"
#include "views/trackers/RotateTracker.h"
#include "views/trackers/SelectionTrackers.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/trackers/VectorCommands.h"
#include "views/world/MainWorldView.h"
#include "views/world/SelectionCommands.h"
#include "views/world/WorldTracking.h"

namespace {

TEventRecord RecordOf(const MacPoint& point, const TMouseEvent* event) {
  TEventRecord record;
  record.where = point;
  if (event == nullptr || event->message == nullptr) {
    record.message = WM_LBUTTONDOWN;
    record.when = static_cast<uint32_t>(GetTickCount60());
    return record;
  }
  record.message = event->clickCount > 1 ? WM_LBUTTONDBLCLK : event->message->message;
  record.wParam = event->message->wParam;
  // Messages are stamped in milliseconds; trackers count their delays in ticks of the same clock.
  record.when = static_cast<uint32_t>(TicksFromMilliseconds(event->message->time));
  return record;
}

bool IsSelectionTool(int16_t tool) {
  return tool == TWorldBase::kSelectionTool || tool == TWorldDoc::kDragSelectionTool ||
         tool == TWorldDoc::kPartTool;
}

// Hands a tracker out of its standing field: it is set up with the event and frees itself once
// the command handler is done with it.
template <class Tracker>
TCommandCore* HandOut(std::unique_ptr<Tracker>& field, const TEventRecord& event) {
  TEventRecord copy = event;
  field->HandleEvent(copy);
  field->SetFreeWhenDone(1);
  return field.release();
}

// Hands out a tracker made for this press alone.
TCommandCore* HandOutMade(std::unique_ptr<TCommandCore> tracker, const TEventRecord& event) {
  if (auto* action = dynamic_cast<TActionBase*>(tracker.get())) {
    TEventRecord copy = event;
    action->HandleEvent(copy);
  }
  tracker->SetFreeWhenDone(1);
  return tracker.release();
}

// A movable body that a joint holds to other objects: dragging it must carry them along.
bool IsJoinedBody(TWorldDoc& world, TLink* hit) {
  auto* body = dynamic_cast<TMass*>(hit);
  if (body == nullptr || IsFixedInAssembly(*body)) return false;
  for (TLink* object : world.Objects()) {
    auto* point = dynamic_cast<TPoint*>(object);
    if (point == nullptr || point->GetBody() != body || point->Constraints() == nullptr) continue;
    const TList& constraints = *point->Constraints();
    for (int32_t i = 1; i <= constraints.GetCount(); ++i) {
      auto* participant = dynamic_cast<TAssemblyParticipant*>(constraints.At(i));
      std::vector<TLink*> joined;
      if (participant != nullptr) participant->CollectJoined(joined);
      if (!joined.empty()) return true;
    }
  }
  return false;
}

// A control on the window as the resize tracker stretches it: the size of its frame, and the
// dragged corner put where it gives the size asked for, the opposite corner staying. The views
// draw it again at each step, where it stood and where it stands.
class TWindowGadgetResizing : public TResizableGadget {
 public:
  TWindowGadgetResizing(TLink& object, TWindowGadget& gadget, TTrackerWorld& shown)
      : object_(object), gadget_(gadget), shown_(shown) {}
  int16_t GadgetWidth() const override {
    const MacRect frame = gadget_.WindowFrame();
    return static_cast<int16_t>(frame.right - frame.left);
  }
  int16_t GadgetHeight() const override {
    const MacRect frame = gadget_.WindowFrame();
    return static_cast<int16_t>(frame.bottom - frame.top);
  }
  void PrepareResize() override {}
  // The old frame is drawn again with the new one.
  void EraseGadget() override {}
  void SetSizeAtCorner(int16_t width, int16_t height, int32_t corner) override {
    const MacRect frame = gadget_.WindowFrame();
    const bool left = corner == 0 || corner == 2;
    const bool top = corner == 0 || corner == 1;
    const MacPoint to(static_cast<int16_t>(left ? frame.right - width : frame.left + width),
                      static_cast<int16_t>(top ? frame.bottom - height : frame.top + height));
    gadget_.DragWindowHandle(static_cast<int16_t>(corner), to);
  }
  void DrawGadget() override {
    object_.Changed();
    shown_.ShowChanges();
  }

 private:
  TLink& object_;
  TWindowGadget& gadget_;
  TTrackerWorld& shown_;
};

}  // namespace

TWorldClickDispatch::TWorldClickDispatch(TWorldDoc& world, TMainWorldView& view,
                                         TWorldTrackerView& trackerView,
                                         TWorldTrackerContext& context)
    : world_(world), view_(view), trackerView_(trackerView), context_(context) {}

TWorldClickDispatch::~TWorldClickDispatch() = default;

void TWorldClickDispatch::MakeStandingTrackers() {
  if (!objectTracker_) {
    auto tracker = std::make_unique<TTracker480>();
    tracker->InitObjectTracker(kCmdSelectTracking, &trackerView_, &context_, 0, 0);
    objectTracker_ = std::move(tracker);
  }
  if (!areaTracker_) {
    auto tracker = std::make_unique<TRubberBandTracker>();
    tracker->InitRubberBand(&trackerView_, &context_);
    areaTracker_ = std::move(tracker);
  }
  if (!dragTracker_) {
    auto tracker = std::make_unique<TRotateTracker>();
    tracker->InitRotate(&trackerView_, &context_);
    dragTracker_ = std::move(tracker);
  }
  if (!secondTracker_) {
    auto tracker = std::make_unique<TMovePointTracker>();
    tracker->InitMovePoint(&trackerView_, &context_);
    secondTracker_ = std::move(tracker);
  }
  if (!thirdTracker_) {
    auto tracker = std::make_unique<TMoveObjectsTracker>();
    tracker->InitMoveObjects(&trackerView_, &context_);
    thirdTracker_ = std::move(tracker);
  }
}

void TWorldClickDispatch::FreeStandingTrackers() {
  objectTracker_.reset();
  areaTracker_.reset();
  dragTracker_.reset();
  secondTracker_.reset();
  thirdTracker_.reset();
}

TCommandCore* TWorldClickDispatch::MouseDown(const MacPoint& point, TMouseEvent* event) {
  if (world_.GetClickStopsRun() != 0 && world_.FirstRunningCommand() != nullptr) {
    world_.StopRunning();
    return nullptr;
  }
  const int16_t tool = world_.GetCurrentTool();
  if (tool == TWorldDoc::kDragSelectionTool && dragTracker_) dragTracker_->CentreLine(false, point);
  MakeStandingTrackers();
  const TEventRecord record = RecordOf(point, event);
  TCommandCore* answer = nullptr;
  if (TWorldDoc::UsesToolTracker(tool)) {
    answer = ToolTrackerClick(record);
  } else if (IsSelectionTool(tool)) {
    answer = ClickDispatch(point, event);
  }
  world_.ClearClickWord();
  context_.RefreshSelectionDisplay();
  return answer;
}

TCommandCore* TWorldClickDispatch::ToolTrackerClick(const TEventRecord& event) {
  // Nothing is made while the world moves.
  if (world_.FirstRunningCommand() != nullptr) world_.StopRunning();
  const int16_t tool = world_.GetCurrentTool();
  std::unique_ptr<TCommandCore> taken = world_.TakeToolTracker(world_.TrackerForTool(tool));
  if (!taken) return nullptr;
  // A new object starts alone: what was selected before is not part of its gesture.
  if (TWorldDoc::IsCreationTool(tool)) world_.DeselectAll();
  return HandOutMade(std::move(taken), event);
}

TCommandCore* TWorldClickDispatch::HandleGesture(const MacPoint& point, const TEventRecord& event) {
  view_.UpdateObjectTransforms();
  for (TLink* object : world_.Selection()) {
    if (TCommandCore* end = LineEndGesture(object, point, event)) return end;
    auto* body = dynamic_cast<TMass*>(object);
    int32_t handle = 0;
    if (body == nullptr || !body->HitHandle(point, handle)) continue;
    std::unique_ptr<TCommandCore> tracker;
    if (body->IsMemberClass(TPolygon::kClassID))
      tracker = MakePolygonResizeTracker(&trackerView_, &context_, static_cast<TPolygon&>(*body),
                                         handle);
    else if (body->IsMemberClass(TBasicMass::kClassID))
      tracker = CreateResizeTracker(&trackerView_, &context_, static_cast<TBasicMass&>(*body),
                                    handle);
    if (tracker) return HandOutMade(std::move(tracker), event);
  }
  return nullptr;
}

TCommandCore* TWorldClickDispatch::WindowHandleGesture(const MacPoint& point,
                                                       const TEventRecord& event) {
  const std::vector<TLink*> objects = world_.Objects();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    auto* gadget = dynamic_cast<TWindowGadget*>(*it);
    int16_t handle = 0;
    if (gadget == nullptr || !context_.IsSelected(*it) || !gadget->HitWindowHandle(point, handle))
      continue;
    auto tracker = std::make_unique<TResizeTracker>();
    tracker->InitResize(&trackerView_, &context_, *it,
                        std::make_unique<TWindowGadgetResizing>(**it, *gadget, context_), handle);
    return HandOutMade(std::move(tracker), event);
  }
  return nullptr;
}

TCommandCore* TWorldClickDispatch::VectorGesture(const MacPoint& point,
                                                 const TEventRecord& event) {
  view_.UpdateObjectTransforms();
  const std::vector<TLink*> objects = world_.Objects();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    auto* thing = dynamic_cast<TVectorThing*>(*it);
    int16_t part = 0;
    if (thing == nullptr || !thing->HitTestVectors(point, part)) continue;
    std::unique_ptr<TCommandCore> drag = MakeVectorCommand(&trackerView_, &context_, thing, part);
    if (drag) return HandOutMade(std::move(drag), event);
  }
  return nullptr;
}

TCommandCore* TWorldClickDispatch::LineEndGesture(TLink* object, const MacPoint& point,
                                                  const TEventRecord& event) {
  auto* line = dynamic_cast<TLine*>(object);
  int32_t handle = 0;
  if (line == nullptr || !line->HitHandle(point, handle)) return nullptr;
  auto tracker = std::make_unique<TLineEndTracker>();
  tracker->InitLineEnd(&trackerView_, &context_, line, handle);
  return HandOutMade(std::move(tracker), event);
}

TCommandCore* TWorldClickDispatch::VertexGesture(const MacPoint& point, const TEventRecord& event) {
  // The topmost polygon with a vertex or an edge under the press; an edge may lie just outside
  // the body.
  const std::vector<TLink*> objects = world_.Objects();
  const auto toScreen = [this](const TVector& world) { return view_.WorldToView(world); };
  TPolygon* found = nullptr;
  int16_t vertex = 0;
  int16_t edge = 0;
  for (auto it = objects.rbegin(); it != objects.rend() && found == nullptr; ++it) {
    if (*it == nullptr || !(*it)->IsMemberClass(TPolygon::kClassID)) continue;
    auto* polygon = static_cast<TPolygon*>(*it);
    if (FindPolygonHandle(*polygon, point, toScreen, vertex, edge)) found = polygon;
  }
  if (found == nullptr) return CurvedSlotVertexGesture(point, event);
  world_.DeselectAll();
  world_.Select(found);
  view_.InvalidateForeground();
  return HandOutMade(MakePolygonVertexTracker(&trackerView_, &context_, *found, edge, vertex),
                     event);
}

TCommandCore* TWorldClickDispatch::CurvedSlotVertexGesture(const MacPoint& point,
                                                           const TEventRecord& event) {
  // The topmost curved slot with a control point's handle under the press.
  const std::vector<TLink*> objects = world_.Objects();
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    if (*it == nullptr || !(*it)->IsMemberClass(TCurvedSlot::kClassID)) continue;
    auto* slot = static_cast<TCurvedSlot*>(*it);
    int16_t part = 0;
    int32_t index = 0;
    int32_t span = 0;
    if (!slot->FindHit(point, part, index, span) || part != 1) continue;
    TVector start = slot->ControlPoint(index);
    slot->LocalToWorld(start);
    auto tracker = std::make_unique<TCurvedSlotVertexTracker>();
    tracker->InitCurvedSlotVertex(&trackerView_, &context_, slot, static_cast<int16_t>(index),
                                  start);
    return HandOutMade(std::move(tracker), event);
  }
  return nullptr;
}

TCommandCore* TWorldClickDispatch::ClickDispatch(const MacPoint& point, TMouseEvent* event) {
  // A press elsewhere ends the typing of a gadget's text (which may take an emptied gadget out)
  // and the typing of an input's value: its edit control would otherwise keep the keyboard,
  // unseen once the world redraws over it, and take the keys meant for the world.
  view_.EndGadgetTextEdit();
  for (TLink* object : world_.Objects())
    if (auto* gadget = dynamic_cast<TWindowGadget*>(object)) gadget->EndWindowTextEdit();
  if (world_.GetPlayerMode() == 0 && world_.FirstRunningCommand() == nullptr)
    if (TCommandCore* resize = WindowHandleGesture(point, RecordOf(point, event))) return resize;
  // A control on the window is worked by a press, also while the world runs: the frontmost
  // control under the press takes it. A double click on a gadget of text, or a press in its label
  // area, begins typing into it.
  const bool doubleClick = event != nullptr && event->clickCount > 1;
  // With World > Select Controls First on, a press on a control selects it instead of working
  // it; while the world runs, when nothing can be selected, the control ignores the press.
  const bool controlsLocked = world_.GetAlternateSelection() != 0 && world_.GetPlayerMode() == 0;
  const std::vector<TLink*> objects = world_.Objects();
  TLink* const textArea = view_.FindGadgetTextArea(point);
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    auto* text = dynamic_cast<TWindowTextGadget*>(*it);
    if ((doubleClick || *it == textArea) && text != nullptr && world_.GetPlayerMode() == 0 &&
        text->StartsTextEdit(point) && view_.BeginGadgetTextEdit(*it))
      return nullptr;
    auto* gadget = dynamic_cast<TWindowGadget*>(*it);
    if (gadget == nullptr) continue;
    if (!controlsLocked && gadget->BeginWindowTextEdit(point, view_.GetMFCWindow())) return nullptr;
    if (!gadget->HitsWindowControl(point)) continue;
    if (controlsLocked) {
      if (world_.FirstRunningCommand() != nullptr) return nullptr;
      break;
    }
    auto redraw = [this] { view_.InvalidateForeground(); };
    return HandOutMade(std::make_unique<TGadgetPressTracker>(*gadget, &trackerView_, redraw),
                       RecordOf(point, event));
  }
  const bool player = world_.GetPlayerMode() != 0;
  // Gadgets lie over the world: a press in one's frame takes it, to select and move it.
  TLink* hit = player ? nullptr : WindowGadgetAt(objects, point);
  if (hit == nullptr) hit = view_.FindObjectAt(point);
  const TEventRecord record = RecordOf(point, event);
  if (world_.FirstRunningCommand() != nullptr) {
    // A click on an object stops the run before any tracker starts.
    if (hit == nullptr) return nullptr;
    world_.StopRunning();
    return player ? nullptr : HandOutObjectTracker(hit, record);
  }
  if (!player) {
    const int16_t tool = world_.GetCurrentTool();
    TCommandCore* edit = tool == TWorldDoc::kPartTool ? VertexGesture(point, record)
                                                      : HandleGesture(point, record);
    if (edit == nullptr) edit = VectorGesture(point, record);
    if (edit != nullptr) return edit;
  }
  if (hit == nullptr) {
    if (player) {
      world_.DeselectAll();
      return nullptr;
    }
    FailIfMemoryLow();
    return HandOutAreaTracker(record);
  }
  if (!player) {
    if (IsJoinedBody(world_, hit)) return HandOutGeometryDrag(point, hit, record);
    if (world_.GetCurrentTool() == TWorldDoc::kDragSelectionTool)
      return HandOutDragTracker(hit, record);
    return HandOutMoveTracker(hit, record);
  }
  return HandOutObjectTracker(hit, record);
}

TLink* TWorldClickDispatch::WindowGadgetAt(const std::vector<TLink*>& objects,
                                           const MacPoint& point) {
  if (world_.FirstRunningCommand() != nullptr) return nullptr;
  for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
    const auto* gadget = dynamic_cast<const TWindowGadget*>(*it);
    const auto* shown = dynamic_cast<const TDisplayLink*>(*it);
    if (gadget == nullptr || shown == nullptr || shown->IsShown() == 0) continue;
    const MacRect frame = gadget->WindowFrame();
    if (point.h >= frame.left && point.h < frame.right && point.v >= frame.top &&
        point.v < frame.bottom)
      return *it;
  }
  return nullptr;
}

TCommandCore* TWorldClickDispatch::HandOutObjectTracker(TLink* hit, const TEventRecord& event) {
  objectTracker_->SetHitObject(hit);
  // In player mode a press selects nothing.
  if (world_.GetPlayerMode() != 0) objectTracker_->SetSelectOnPress(0);
  return HandOut(objectTracker_, event);
}

TCommandCore* TWorldClickDispatch::HandOutAreaTracker(const TEventRecord& event) {
  return HandOut(areaTracker_, event);
}

TCommandCore* TWorldClickDispatch::HandOutGeometryDrag(const MacPoint& point, TLink* hit,
                                                       const TEventRecord& event) {
  const TGeometryDragPlace place{world_, view_, &trackerView_, &context_};
  std::unique_ptr<TCommandCore> drag;
  if (world_.GetCurrentTool() == TWorldDoc::kDragSelectionTool)
    drag = MakeTool2003Tracker(place, point, hit, false, hit, event);
  else
    drag = MakeTool2002Tracker(place, point, hit, false, hit, event);
  // The factory has given it the press.
  drag->SetFreeWhenDone(1);
  return drag.release();
}

TCommandCore* TWorldClickDispatch::HandOutDragTracker(TLink* hit, const TEventRecord& event) {
  dragTracker_->SetCentre(hit, nullptr, TVector());
  TEventRecord copy = event;
  dragTracker_->HandleEvent(copy);
  // As the press left the selection.
  CentreOnSelection();
  dragTracker_->SetCentre(hit, nullptr, TVector());
  dragTracker_->SetFreeWhenDone(1);
  return dragTracker_.release();
}

void TWorldClickDispatch::CentreOnSelection() {
  const std::vector<TLink*> selection = context_.SelectedObjects();
  if (selection.empty()) return;
  TVector sum(0.0, 0.0);
  for (TLink* object : selection) {
    const TVector3 position = context_.PositionOf(object);
    sum.x += position.x;
    sum.y += position.y;
  }
  DefaultRotationCentre() = TVector(sum.x / static_cast<double>(selection.size()),
                                    sum.y / static_cast<double>(selection.size()));
}

void TWorldClickDispatch::ShowCentreLine(bool show, const MacPoint& point) {
  if (!dragTracker_ || (!show && !dragTracker_->CentreLineShown())) return;
  if (show) {
    CentreOnSelection();
    dragTracker_->SetCentre(dragTracker_->HitObject(), nullptr, TVector());
  }
  dragTracker_->CentreLine(show, point);
}

bool TWorldClickDispatch::MovesPointAlone(TLink* hit, const TEventRecord& event) const {
  if (dynamic_cast<TPoint*>(hit) == nullptr) return false;
  if (!context_.IsSelected(hit)) return (event.wParam & MK_SHIFT) == 0;
  return world_.Selection().size() == 1;
}

TCommandCore* TWorldClickDispatch::HandOutMoveTracker(TLink* hit, const TEventRecord& event) {
  if (MovesPointAlone(hit, event)) {
    secondTracker_->SetPoint(hit);
    return HandOut(secondTracker_, event);
  }
  thirdTracker_->SetHitObject(hit);
  return HandOut(thirdTracker_, event);
}
