#include "views/world/WorldMenus.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "bodies/Background.h"
#include "bodies/points/Point.h"
#include "bodies/vectors/VectorThing.h"
#include "constraints/CollisionGroup.h"
#include "constraints/Constraint.h"
#include "constraints/ObjectConverter.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/periphery/ImportCommand.h"
#include "ui/dialogs/FloatingWindows.h"
#include "views/trackers/DuplicateCommands.h"
#include "views/world/CustomConstraintCommand.h"
#include "views/world/FieldMenuCommands.h"
#include "views/world/GadgetTextField.h"
#include "views/world/MainWorldView.h"
#include "views/world/SelectionFont.h"
#include "views/world/TemplateCommand.h"
#include "views/world/PictureCommands.h"
#include "views/world/VectorMenuCommands.h"
#include "views/world/WorldViewCompanions.h"
#include "views/world/ObjectMenuCommand.h"
#include "views/world/ObjectMenus.h"
#include "views/world/WorldTracking.h"
#include "views/world/WorldWindow.h"

namespace {

bool ShiftHeld() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

uint16_t Toggled(uint16_t flag) { return flag != 0 ? 0 : 1; }

// The commands of the world's own objects that change the world: axes, centre of mass,
// collisions and conversions. A world that plays offers none of them.
constexpr int16_t kWorldObjectEditCommands[] = {
    kCmdShowAxes,     kCmdToggleCOM,
    kCmdCollide,      kCmdDontCollide,
    TObjectConverter::kCmdShapesToLines, TObjectConverter::kCmdLinesToPolygon,
    TObjectConverter::kCmdLinesToCurve};

bool IsWorldObjectEditCommand(int16_t command) {
  return std::find(std::begin(kWorldObjectEditCommands), std::end(kWorldObjectEditCommands),
                   command) != std::end(kWorldObjectEditCommands);
}

bool IsRunRow(int16_t command) {
  return command == kCmdRun || command == kCmdReset || command == kCmdPlayBackToStart ||
         command == kCmdStepForward || command == kCmdStepBack;
}

// The property dialogs of the selection: 1600 and 10410 to 10416, but not 10415.
bool IsSelectionDialog(int16_t command) {
  return command == kCmdSelectionProperties ||
         (command >= 10410 && command <= 10416 && command != 10415);
}

// The dialogs of the world itself: settings, units, appearance, skip frames and tracking.
bool IsWorldDialog(int16_t command) {
  return command == 1005 || command == 1014 || command == 1077 || command == kCmdSkipFramesBase ||
         command == kCmdTrackingBase;
}

std::unique_ptr<TCommandCore> MakeDialog(int16_t command, TWorldDoc& world,
                                         const std::vector<TLink*>* selection) {
  auto dialog = std::make_unique<TDialogCommand>();
  dialog->InitDialogCommand(command, &world, selection);
  return dialog;
}

// The import reads into the document of the world; a world with no document imports nothing.
TCommandCore* MakeImport(TWorldDoc& world) {
  auto* document = dynamic_cast<TQVDoc*>(world.GetDocument());
  if (document == nullptr) return nullptr;
  auto import = std::make_unique<TImportCommand>();
  import->Initialize(kImportCommandNumber, document);
  return import.release();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The small commands

TReloadCommand::TReloadCommand(TWorldDoc& world) : world_(world) {
  Init(kCmdReload, world.GetDocument(), nullptr, nullptr);
}

void TReloadCommand::DoIt() {
  world_.ResetHistory(1);
  world_.LoadEngineWorld();
}

TFrameZeroCommand::TFrameZeroCommand(TWorldDoc& world) {
  SetUp(kCmdFrameZero, world.GetDocument(), &world, 0, 1, 1);
}

void TFrameZeroCommand::Perform() {
  TCommand::Perform();
  TWorldDoc* const world = GetWorld();
  if (IsDone() == 0 || world == nullptr) return;
  // Stopped before its run came back (a Stop or a click while it waited), the world still shows
  // a later frame: the bodies go back to frame 0 first, so that the run forgotten leaves them
  // where they started, never where the run had taken them.
  if (world->CurrentFrame() > 0) {
    world->RunToFrame(0, nullptr);
    world->ShowFrame(0, 1);
  }
  world->ResetHistory(1);
}

TRefusalCommand::TRefusalCommand(TWorldDoc& world) : world_(world) {
  Init(0, world.GetDocument(), nullptr, nullptr);
}

void TRefusalCommand::DoIt() { world_.Host().ShowError(kErrNotAvailable, kNotAvailableMessage); }

void SetUpRadioGroup(int16_t group, int16_t base, int16_t menu, int16_t value) {
  EnableMenuCommand(group, true);
  bool checked = false;
  for (int16_t item = 1; item <= 11; ++item) {
    const int16_t command = CommandFromMenuItem(menu, item);
    if (command < base || command > base + 99) continue;
    const bool on = command - base == value;
    EnableCheckMenuCommand(command, true, on);
    checked = checked || on;
  }
  if (!checked) EnableCheckMenuCommand(base, true, true);
}

void MarkMixedStates(const std::vector<TLink*>& selection) {
  enum class State { kUnset, kOff, kOn, kMixed };
  const auto mark = [&selection](int16_t command) {
    State state = State::kUnset;
    bool enabled = false;
    for (TLink* object : selection) {
      auto* thing = dynamic_cast<TVectorThing*>(object);
      uint16_t objectEnabled = 1;
      uint16_t checked = 0;
      if (thing == nullptr || !thing->GetCommandState(command, objectEnabled, checked)) continue;
      enabled = enabled || objectEnabled != 0;
      const State answer = checked != 0 ? State::kOn : State::kOff;
      if (state == State::kUnset)
        state = answer;
      else if (state != answer)
        state = State::kMixed;
    }
    SetMenuItemMark(command, kNoMark);
    if (state == State::kMixed) {
      EnableMenuCommand(command, enabled);
      SetMenuItemMark(command, static_cast<uint8_t>('-'));
      return;
    }
    EnableCheckMenuCommand(command, enabled, state == State::kOn);
  };
  for (int16_t command = 5700; command <= 5709; ++command) mark(command);
  for (int16_t command = 11001; command <= 11008; ++command) mark(command);
}

// ---------------------------------------------------------------------------------------------
// The switch

TWorldMenus::TWorldMenus(TMainWorldView& view) : view_(view) {}

TWorldDoc& TWorldMenus::World() const { return *view_.GetWorld(); }

TWorldWindow* TWorldMenus::Window() const {
  auto* window = dynamic_cast<TWorldWindow*>(World().GetDisplay());
  return window != nullptr && window->MainView() == &view_ ? window : nullptr;
}

TCommandCore* TWorldMenus::DoMenuCommand(int16_t command, bool& handled) {
  handled = true;
  TWorldDoc& world = World();
  const bool player = world.GetPlayerMode() != 0;
  if (TObjectMenuCommand::IsObjectMenuCommand(command))
    return TObjectMenuCommand::Make(command, world, world.Selection()).release();
  if (IsRunRow(command)) return DoRunCommand(command);
  if (IsSelectionDialog(command))
    return player ? nullptr : MakeDialog(command, world, &world.Selection()).release();
  if (IsWorldDialog(command))
    return player ? nullptr : MakeDialog(command, world, nullptr).release();
  if (IsFloatingWindowCommand(command)) {
    if (player) return nullptr;
    if (IsFloatingWindowShowCommand(command))
      ShowFloatingWindow(command, world);
    else
      HideFloatingWindow(command);
    return nullptr;
  }
  if (command > kCmdSkipFramesBase && command < kCmdSkipFramesBase + 100) {
    world.SetSkipFrames(static_cast<int16_t>(command - kCmdSkipFramesBase));
    world.DocumentChanged();
    return nullptr;
  }
  if (command > kCmdTrackingBase && command <= kCmdTrackingOff) {
    // "Off" changes how the world is shown, not the document.
    const bool off = command == kCmdTrackingOff;
    world.SetTrackingWord(off ? 0 : static_cast<int16_t>(command - kCmdTrackingBase));
    if (!off) world.DocumentChanged();
    return nullptr;
  }
  if (IsVectorMenuCommand(command)) return player ? nullptr : MakeVectorMenuCommand(command, world);
  if (command == kCmdVectorDisplay || command == kCmdVectorLengths)
    return player ? nullptr : MakeVectorSettingsCommand(command, world);
  switch (command) {
    case kCmdSelectAll:
      SelectAll();
      return nullptr;
    case kCmdAlternateSelection:
      world.SetAlternateSelection(Toggled(world.GetAlternateSelection()));
      if (world.GetAlternateSelection() == 0 && world.GetCurrentTool() == TWorldDoc::kRotateTool)
        world.SetMode(TWorldBase::kSelectionTool, 2);
      world.DocumentChanged();
      return nullptr;
    case kCmdStop:
      world.StopRunning();
      return nullptr;
    case kCmdRunOrStop: {
      const TCommand* running = world.FirstRunningCommand();
      if (running != nullptr && running->IsStopped() == 0 && running->IsDone() == 0) {
        world.StopRunning();
        return nullptr;
      }
      return DoMenuCommand(kCmdRun, handled);
    }
    case kCmdFrameZero:
      return new TFrameZeroCommand(world);
    case kCmdDuplicate:
      return player ? nullptr : DoDuplicate();
    case kCmdLeavePlayerMode:
    case kCmdEnterPlayerMode:
      // A locked world stays in player mode.
      if (command == kCmdLeavePlayerMode && world.GetPlayerModeLocked() != 0) return nullptr;
      SetPlayerMode(command == kCmdEnterPlayerMode ? 1 : 0);
      // The application follows with its menu bar.
      handled = false;
      return nullptr;
    case kCmdCoordinates:
    case kCmdFrameIndicator:
    case kCmdScrollBars:
    case kCmdRulers:
    case kCmdHelpLine:
      return DoDisplaySwitch(command);
    case kCmdLock:
      world.SetLockFlag(Toggled(world.GetLockFlag()));
      world.DocumentChanged();
      return nullptr;
    case kCmdReload:
      world.StopRunning();
      return new TReloadCommand(world);
    case kCmdAngleSnap:
      world.SetAngleSnap(Toggled(world.GetAngleSnap()));
      world.DocumentChanged();
      return nullptr;
    case kCmdNotAvailable:
      // Posted when another program ended a conversation: the documents it served let go.
      if (world.ConversationsEnded()) return nullptr;
      return new TRefusalCommand(world);
    case kImportCommandNumber:
      return player ? nullptr : MakeImport(world);
    case kCmdTextFont:
      return DoFontCommand();
    case kCmdActionTemplate:
      return ChooseTemplateCommand(world, nullptr).release();
    case kCmdFirstDisplay:
      world.SetFirstDisplay(Toggled(world.GetFirstDisplay()));
      world.DocumentChanged();
      return nullptr;
    case kCmdColumnList:
    case kCmdRebuildColumns:
      // Rebuilding switches the list off and on again.
      world.SetColumnList(Toggled(world.GetColumnList()));
      if (command == kCmdRebuildColumns) world.SetColumnList(Toggled(world.GetColumnList()));
      world.DocumentChanged();
      return nullptr;
    default:
      if (std::unique_ptr<TCommandCore> kind = MakeInputKindCommand(command, world))
        return player ? nullptr : kind.release();
      if (!player)
        if (std::unique_ptr<TCommandCore> custom = MakeCustomConstraintCommand(command, world))
          return custom.release();
      if (!player)
        if (std::unique_ptr<TCommandCore> field = MakeAddFieldCommand(command, world))
          return field.release();
      return OfferToObjects(command, handled);
  }
}

TCommandCore* TWorldMenus::OfferToObjects(int16_t command, bool& handled) {
  if (World().GetPlayerMode() != 0 && IsWorldObjectEditCommand(command)) return nullptr;
  for (TLink* object : World().Objects()) {
    auto* handler = dynamic_cast<THandlerLink*>(object);
    if (handler == nullptr) continue;
    bool taken = false;
    std::unique_ptr<TCommandCore> made = handler->DoObjectMenuCommand(command, taken);
    if (taken) {
      handled = true;
      return made.release();
    }
  }
  handled = false;
  return nullptr;
}

TCommandCore* TWorldMenus::DoRunCommand(int16_t command) {
  TWorldDoc& world = World();
  if (command == kCmdRun && ShiftHeld()) {
    // Shift+Run: first back to the last recorded frame, then on from there.
    const auto last = static_cast<int16_t>(world.LastFrame());
    world.Host().PostCommand(world.NewRunCommand(kCmdRun, last, 1, 1).release());
    return world.MakeRunCommand(command, 0).release();
  }
  return world.MakeRunCommand(command, 1).release();
}

TCommandCore* TWorldMenus::DoDuplicate() {
  TWorldDoc& world = World();
  TWorldWindow* window = Window();
  if (window == nullptr || window->TrackerContext() == nullptr || world.Selection().empty())
    return nullptr;
  // Duplicating the last copies again continues the row.
  std::vector<int16_t> selected;
  for (const TLink* object : world.Selection()) selected.push_back(object->GetIdentifier());
  world.SetDuplicateCount(
      selected == world.LastDuplicates() ? static_cast<int16_t>(world.GetDuplicateCount() + 1) : 1);
  const std::vector<TLink*> objects = world.Selection();
  Handle stream = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr)->TakeHandle();
  auto duplicate = std::make_unique<TDuplicateCommand>();
  TWorldTrackerContext* context = window->TrackerContext();
  try {
    duplicate->InitDuplicate(kCmdDuplicate, context, context, stream, 0, world.GetDuplicateCount(),
                             world.DuplicateLength(), &world.LastDuplicates());
  } catch (...) {
    FreeHandle(stream);
    throw;
  }
  FreeHandle(stream);
  return duplicate.release();
}

TTextEditView* TWorldMenus::LiveEditField() const {
  if (TGadgetTextField* field = view_.LiveGadgetTextField(); field != nullptr) return field;
  TLabelEditorView* editor = view_.GetLabelEditor();
  if (editor == nullptr || !editor->IsEditing() || view_.GetEditTarget() == nullptr) return nullptr;
  const CWnd* control = editor->GetControl();
  return control != nullptr && control->GetSafeHwnd() != nullptr && IsWindow(control->GetSafeHwnd())
             ? editor
             : nullptr;
}

TCommandCore* TWorldMenus::DoFontCommand() {
  if (TTextEditView* field = LiveEditField(); field != nullptr && field->IsRich()) {
    field->ChooseFont();
    return nullptr;
  }
  TWorldWindow* window = Window();
  HWND owner = view_.GetWindowHandle();
  if (window != nullptr && window->FrameWindow() != nullptr &&
      window->FrameWindow()->GetWindowHandle() != nullptr)
    owner = window->FrameWindow()->GetWindowHandle();
  return ChooseSelectionFont(World(), owner).release();
}

TCommandCore* TWorldMenus::DoDisplaySwitch(int16_t command) {
  TWorldDoc& world = World();
  TWorldSettings& settings = world.Settings();
  TWorldWindow* window = Window();
  switch (command) {
    case kCmdCoordinates:
      settings.coordinates = Toggled(settings.coordinates);
      if (window != nullptr) window->ShowCoordsBar(settings.coordinates != 0);
      break;
    case kCmdFrameIndicator:
      settings.frameIndicator = Toggled(settings.frameIndicator);
      if (window != nullptr) window->ShowFrameIndicator(settings.frameIndicator != 0);
      break;
    case kCmdScrollBars:
      settings.scrollBars = Toggled(settings.scrollBars);
      if (window != nullptr) {
        window->Layout().scrollBars = static_cast<int16_t>(settings.scrollBars);
        window->ShowHScrollBar(settings.scrollBars != 0);
        window->ShowVScrollBar(settings.scrollBars != 0);
      }
      break;
    case kCmdRulers:
      settings.rulers = Toggled(settings.rulers);
      if (window != nullptr) window->ShowRulers(settings.rulers != 0);
      break;
    case kCmdHelpLine:
      settings.helpLine = Toggled(settings.helpLine);
      if (window != nullptr) window->ShowHelpLine(settings.helpLine != 0);
      break;
    default:
      return nullptr;
  }
  world.DocumentChanged();
  return nullptr;
}

void TWorldMenus::SelectAll() {
  TWorldWindow* window = Window();
  TWorldTrackerContext* context = window != nullptr ? window->TrackerContext() : nullptr;
  if (context == nullptr || World().GetRunState() != kRunIdle) return;
  // Every object: the bodies, points and constraints, and the meters and sliders on the window.
  std::vector<TLink*> added;
  for (const std::vector<TLink*>& objects :
       {context->WorldPositionedObjects(), context->ScreenPositionedObjects()}) {
    for (TLink* object : objects)
      if (!context->IsSelected(object)) added.push_back(object);
  }
  if (added.empty()) return;
  context->SelectObjects(added, true);
  context->RefreshSelectionDisplay();
}

void TWorldMenus::SetPlayerMode(uint16_t on) {
  TWorldDoc& world = World();
  if ((world.GetPlayerMode() != 0) == (on != 0)) return;
  TWorldWindow* window = Window();
  if (window != nullptr) {
    // Playing shows the world alone, without the tools that edit it; editing brings back what
    // the world keeps.
    const bool bars = on == 0 && world.Settings().scrollBars != 0;
    window->ShowHScrollBar(bars);
    window->ShowVScrollBar(bars);
    window->ShowFramePalettes(on == 0);
  }
  world.SetPlayerMode(on != 0 ? 1 : 0);
  if (on != 0) world.SetMode(TWorldBase::kSelectionTool, 2);
  view_.InvalidateForeground();
}

// ---------------------------------------------------------------------------------------------
// The set-up

void TWorldMenus::DoSetupMenus() {
  TWorldDoc& world = World();
  const bool player = world.GetPlayerMode() != 0;
  if (IsMemoryLow()) {
    SetUpObjectsMenus();
    return;
  }
  EnableMenuCommand(1006, true);
  EnableMenuCommand(kCmdTrackingBase, true);
  SetUpRadioGroup(kCmdTrackingGroup, kCmdTrackingBase, 6,
                  world.GetTrackingWord() == 0 ? 99 : world.GetTrackingWord());
  EnableMenuCommand(kCmdSkipFramesBase, true);
  SetUpRadioGroup(kCmdSkipFramesGroup, kCmdSkipFramesBase, 5, world.GetSkipFrames());
  EnableMenuCommand(kCmdEnterPlayerMode, !player);
  EnableMenuCommand(kCmdLeavePlayerMode, player && world.GetPlayerModeLocked() == 0);
  SetUpSwitches();
  if (!player) {
    const TTextEditView* field = LiveEditField();
    // In a text field the command is the field's own, which only a rich field has.
    EnableMenuCommand(kCmdTextFont,
                      field != nullptr ? field->IsRich() : !world.Selection().empty());
    SetUpEditing(field != nullptr);
    MarkMixedStates(world.Selection());
    world.SetSelectionMarksStale(0);
  }
  SetUpObjectMenus(world.Selection(), !player);
  EnableMenuCommand(kCmdReload, true);
  // Back to frame 0, forgetting the run: offered while there is a run to forget.
  EnableMenuCommand(kCmdFrameZero, world.LastFrame() > 0);
  EnableMenuCommand(kCmdActionTemplate, true);
  EnableMenuCommand(TCustomConstraint::kCmdNew, !player && world.FirstRunningCommand() == nullptr);
  // A world without a field offers it all the same: choosing it adds the field. A field the
  // world has sets its own item up below.
  for (int16_t field = kCmdGravityField; IsForceFieldCommand(field); ++field)
    EnableMenuCommand(field, !player && world.FirstRunningCommand() == nullptr);
  EnableCheckMenuCommand(kCmdAngleSnap, !player, world.GetAngleSnap() != 0);
  EnableMenuCommand(1014, !player);
  EnableMenuCommand(kImportCommandNumber, !player);
  EnableMenuCommand(kCmdVectorDisplay, !player);
  EnableMenuCommand(kCmdVectorLengths, !player);
  for (const int16_t picture : {kCmdAttachPictureToBody, kCmdDetachPictureFromBody})
    EnableMenuCommand(picture, !player && PictureCommandApplies(picture, world));
  for (const int16_t show : {kShowPropertiesWindow, kShowPositionWindow, kShowPointTableWindow}) {
    EnableMenuCommand(show, true);
    EnableMenuCommand(static_cast<int16_t>(show + 1), !player && IsFloatingWindowVisible(show));
  }
  EnableMenuCommand(kCmdSelectionProperties, !player && !world.Selection().empty());
  SetUpObjectsMenus();
}

void TWorldMenus::SetUpObjectsMenus() {
  for (TLink* object : World().Objects())
    if (auto* handler = dynamic_cast<THandlerLink*>(object)) handler->DoSetupMenus();
  if (World().GetPlayerMode() == 0) return;
  for (const int16_t command : kWorldObjectEditCommands) EnableMenuCommand(command, false);
}

void TWorldMenus::SetUpSwitches() {
  TWorldDoc& world = World();
  const TWorldSettings& settings = world.Settings();
  const TWorldWindow* window = Window();
  const uint16_t columns = world.GetColumnList();
  EnableCheckMenuCommand(kCmdFirstDisplay, true, world.GetFirstDisplay() != 0);
  EnableCheckMenuCommand(kCmdColumnList, true, columns != 0);
  EnableMenuCommand(kCmdRebuildColumns, columns != 0);
  EnableCheckMenuCommand(kCmdHelpLine, true, settings.helpLine != 0);
  EnableCheckMenuCommand(kCmdFrameIndicator, true, settings.frameIndicator != 0);
  EnableCheckMenuCommand(kCmdCoordinates, true, settings.coordinates != 0);
  EnableCheckMenuCommand(kCmdRulers, true,
                         window != nullptr ? window->HRuler() != nullptr : settings.rulers != 0);
  EnableCheckMenuCommand(kCmdScrollBars, true, settings.scrollBars != 0);
}

void TWorldMenus::SetUpEditing(bool editFieldLive) {
  TWorldDoc& world = World();
  const bool hasSelection = !world.Selection().empty();
  TWorldWindow* window = Window();
  TWorldTrackerContext* context = window != nullptr ? window->TrackerContext() : nullptr;
  const bool anyObject = context != nullptr && !context->WorldPositionedObjects().empty();
  EnableCheckMenuCommand(kCmdAlternateSelection, anyObject, world.GetAlternateSelection() != 0);
  EnableCheckMenuCommand(kCmdLock, true, world.GetLockFlag() != 0);
  EnableMenuCommand(kCmdSelectAll, !editFieldLive && world.GetRunState() == kRunIdle && anyObject);
  EnableMenuCommand(kCmdDuplicate, hasSelection && !editFieldLive);
  for (int16_t command : {1077, 1005, 1014}) EnableMenuCommand(command, true);
}
