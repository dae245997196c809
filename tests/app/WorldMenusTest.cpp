// The world's menus end to end: commands sent to the main frame as the menu bar sends them, the
// menu set-up read back from the bar, and gestures made of synthetic mouse messages.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/shell/MenuBar.h"
#include "bodies/vectors/VectorArrows.h"
#include "bodies/vectors/VectorThing.h"
#include "bodies/Shapes.h"
#include "constraints/Field.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/MenuCommands.h"
#include "inout/gadgets/Gadget.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "inout/gadgets/ActionButton.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDeleteCommand.h"
#include "model/world/WorldEditCheck.h"
#include "platform/win32/FontDialog.h"
#include "platform/win32/Menu.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/periphery/ImportCommand.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/FloatingWindows.h"
#include "tests/app/SketchFixture.h"
#include "views/furniture/RulerView.h"
#include "views/trackers/DependentsAction.h"
#include "views/trackers/DuplicateCommands.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/FieldMenuCommands.h"
#include "views/world/SelectionFont.h"
#include "views/world/TemplateCommand.h"
#include "views/world/TemplateLink.h"
#include "views/world/WorldTracking.h"
#include "views/world/ObjectMenus.h"
#include "views/world/WorldMenus.h"

namespace {

using sample_worlds::kBoxId;
using sample_worlds::kWheelId;

// Answers the world's questions as told and keeps what it is given to post.
class TAnsweringHost : public TWorldHost {
 public:
  bool AskYesNo(int16_t alert) override {
    asked.push_back(alert);
    return answer;
  }
  void PostCommand(TCommandCore* command) override { posted.emplace_back(command); }
  void ShowError(int16_t error, int32_t message) override { shown.emplace_back(error, message); }
  std::vector<std::pair<int16_t, int32_t>> shown;
  bool answer = false;
  std::vector<int16_t> asked;
  std::vector<std::unique_ptr<TCommandCore>> posted;
};

class WorldMenusTest : public SketchFixture {
 protected:
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }
  int32_t Changes() const { return world_->GetDocument()->GetChangeCount(); }
  void SetUpMenus() { app_->Commands().SetupTheMenus(); }
  UINT State(int16_t command) {
    return GetMenuState(GetMenu(main_->m_hWnd), static_cast<UINT>(command), MF_BYCOMMAND);
  }
  bool Checked(int16_t command) { return (State(command) & MF_CHECKED) != 0; }
  bool Greyed(int16_t command) { return (State(command) & MF_GRAYED) != 0; }
  std::unique_ptr<TCommandCore> Made(int16_t command) {
    return std::unique_ptr<TCommandCore>(view_->DoMenuCommand(command));
  }
  // Whether the item shows a mark image of its own (the mixed mark) instead of the check.
  bool HasOwnMark(int16_t command) {
    void* unchecked = nullptr;
    void* checked = nullptr;
    GetMenuItemBitmaps(GetMenu(main_->m_hWnd), static_cast<UINT>(command), MF_BYCOMMAND,
                       &unchecked, &checked);
    return unchecked != nullptr;
  }
  TVector3 Placement(TLink* object) {
    TVector3 at;
    static_cast<TThing*>(object)->GetPlacement(at);
    return at;
  }
};

TEST_F(WorldMenusTest, TrackingAndFrameSkipsAreRadioGroupsOfTheirMenus) {
  const int32_t before = Changes();
  // No tracks changes how the world shows, not the document.
  Command(1501);
  EXPECT_EQ(world_->GetTrackingWord(), 1);
  EXPECT_EQ(Changes(), before + 1);
  Command(kCmdTrackingOff);
  EXPECT_EQ(world_->GetTrackingWord(), 0);
  EXPECT_EQ(Changes(), before + 1);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdTrackingOff));
  EXPECT_FALSE(Checked(1501));
  EXPECT_FALSE(Greyed(1532));

  Command(1504);
  SetUpMenus();
  EXPECT_TRUE(Checked(1504));
  EXPECT_FALSE(Checked(kCmdTrackingOff));
  EXPECT_FALSE(Checked(kCmdTrackingBase));
  // A value without an item of its own checks "Other...".
  world_->SetTrackingWord(7);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdTrackingBase));
  EXPECT_FALSE(Checked(1504));

  Command(1408);
  EXPECT_EQ(world_->GetSkipFrames(), 8);
  SetUpMenus();
  EXPECT_TRUE(Checked(1408));
  EXPECT_FALSE(Checked(1401));
  EXPECT_FALSE(Checked(kCmdSkipFramesBase));
}

// The frame-skip and tracking submenus hold their commands in the order that item numbers
// of menus 5 and 6 stand for.
TEST_F(WorldMenusTest, FrameSkipAndTrackingItemsStandWhereTheirMenuNumbersSay) {
  const HMENU bar = GetMenu(main_->m_hWnd);
  const auto submenuHolding = [&](UINT command) -> HMENU {
    for (int32_t i = 0; i < GetMenuItemCount(bar); ++i) {
      const HMENU popup = GetSubMenu(bar, i);
      for (int32_t j = 0; popup != nullptr && j < GetMenuItemCount(popup); ++j) {
        const HMENU inner = GetSubMenu(popup, j);
        if (inner != nullptr && GetMenuItemID(inner, 0) == command) return inner;
      }
    }
    return nullptr;
  };
  for (const auto& [menu, count] : {std::pair<int16_t, int32_t>{5, 6}, {6, 8}}) {
    const HMENU items = submenuHolding(static_cast<UINT>(CommandFromMenuItem(menu, 1)));
    ASSERT_NE(items, nullptr) << menu;
    ASSERT_EQ(GetMenuItemCount(items), count) << menu;
    for (int16_t item = 1; item <= count; ++item)
      EXPECT_EQ(GetMenuItemID(items, item - 1), static_cast<UINT>(CommandFromMenuItem(menu, item)))
          << menu << "/" << item;
  }
}

TEST_F(WorldMenusTest, RunOrStopAndShiftRun) {
  // Nothing runs: the toggle runs.
  std::unique_ptr<TCommandCore> run = Made(kCmdRunOrStop);
  ASSERT_NE(run, nullptr);
  EXPECT_TRUE(run->IsMemberClass(TCommand::kClassID));
  EXPECT_EQ(run->GetCommandNumber(), kCmdRun);
  // It runs: the toggle stops it and makes nothing.
  EXPECT_EQ(Made(kCmdRunOrStop), nullptr);
  EXPECT_NE(static_cast<TCommand*>(run.get())->IsStopped(), 0);
  run.reset();

  // Shift+Run posts a run back to the last recorded frame and answers a second run.
  InjectKey(VK_SHIFT, true);
  Pump();
  std::unique_ptr<TCommandCore> second = Made(kCmdRun);
  InjectKey(VK_SHIFT, false);
  Pump();
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(world_->RunningCommands().size(), 2u);
  const TCommand* posted = world_->RunningCommands().front();
  EXPECT_NE(posted, second.get());
  EXPECT_EQ(posted->GetCommandNumber(), kCmdRun);
  EXPECT_EQ(posted->GetTarget(), world_->LastFrame() < 0 ? -1 : world_->LastFrame());
  EXPECT_EQ(posted->IsExact(), 1);
  EXPECT_EQ(second->GetCommandNumber(), kCmdRun);
  EXPECT_EQ(static_cast<TCommand*>(second.get())->IsExact(), 0);
}

TEST_F(WorldMenusTest, PlayerModeRefusesEditingAndItsLockKeepsIt) {
  world_->Select(world_->FindObject(kBoxId));
  ASSERT_NE(window_->HScrollBar(), nullptr);
  Command(kCmdEnterPlayerMode);
  EXPECT_EQ(world_->GetPlayerMode(), 1);
  EXPECT_EQ(window_->HScrollBar(), nullptr);
  EXPECT_EQ(window_->VScrollBar(), nullptr);
  EXPECT_EQ(Made(kCmdDuplicate), nullptr);
  EXPECT_EQ(Made(1005), nullptr);
  EXPECT_EQ(Made(1600), nullptr);
  // Delete is not refused.
  std::unique_ptr<TCommandCore> clear = Made(kCmdClear);
  EXPECT_NE(dynamic_cast<TTracker488*>(clear.get()), nullptr);
  // Of the tools only the selection tool is taken.
  EXPECT_EQ(Made(TWorldDoc::kFirstCreationTool), nullptr);
  EXPECT_EQ(world_->GetCurrentTool(), TWorldBase::kSelectionTool);

  world_->SetPlayerModeLocked(1);
  SetUpMenus();
  EXPECT_TRUE(Greyed(kCmdLeavePlayerMode));
  Command(kCmdLeavePlayerMode);
  EXPECT_EQ(world_->GetPlayerMode(), 1);
  world_->SetPlayerModeLocked(0);
  SetUpMenus();
  EXPECT_FALSE(Greyed(kCmdLeavePlayerMode));
  Command(kCmdLeavePlayerMode);
  EXPECT_EQ(world_->GetPlayerMode(), 0);
  EXPECT_NE(window_->HScrollBar(), nullptr);
  EXPECT_NE(window_->VScrollBar(), nullptr);
}

// What the drawing importer was handed by the last import.
struct DrawingRead {
  std::string path;
  int16_t mode = -1;
  int calls = 0;
};
DrawingRead g_drawingRead;
TQVDoc* g_importing = nullptr;

void ReadEmptyDrawing(const std::string& path, double, std::vector<uint8_t>& text, std::string&) {
  ++g_drawingRead.calls;
  g_drawingRead.path = path;
  g_drawingRead.mode = g_importing->GetImportMode();
  const std::string world =
      "ZAZU YB3X \"Version 2.5\" IE64 MSWindows 0 0 0 0\n10000 \"    \"\n-1\n-1\n";
  text.assign(world.begin(), world.end());
}

TEST_F(WorldMenusTest, FileImportReadsTheDxfFileTypedIntoItsDialogIntoTheFrontWorld) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("yb-menu-import-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "PLAN.DXF") << "0\nEOF\n";
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  g_importing = dynamic_cast<TQVDoc*>(world_->GetDocument());
  ASSERT_NE(g_importing, nullptr);
  g_drawingRead = DrawingRead();
  TQVDoc::SetDrawingImporter(&ReadEmptyDrawing);

  SetUpMenus();
  EXPECT_FALSE(Greyed(kImportCommandNumber));
  ScriptUser({[] {
                InjectKey(VK_SHIFT, true);
                for (const char c : std::string("PLAN")) InjectKeyStroke(c);
                InjectKey(VK_SHIFT, false);
                InjectCharacter('.');
                InjectKey(VK_SHIFT, true);
                for (const char c : std::string("DXF")) InjectKeyStroke(c);
                InjectKey(VK_SHIFT, false);
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  Command(kImportCommandNumber);
  SetIdleScript(nullptr);
  EXPECT_EQ(g_drawingRead.calls, 1);
  EXPECT_EQ(std::filesystem::path(g_drawingRead.path), folder / "PLAN.DXF");
  EXPECT_EQ(g_drawingRead.mode, kImportDrawingMode);
  EXPECT_EQ(g_importing->GetImportMode(), 0);
  EXPECT_EQ(CommandBusyFlag(), 0);

  // A world shown as a player is not edited: the item is greyed and makes nothing.
  Command(kCmdEnterPlayerMode);
  SetUpMenus();
  EXPECT_TRUE(Greyed(kImportCommandNumber));
  EXPECT_EQ(Made(kImportCommandNumber), nullptr);

  TQVDoc::SetDrawingImporter(nullptr);
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}

// An item of an object's output menu makes a meter of the selected object that follows the run:
// the box on its spring goes as x(t) = 1 + 0.5 cos(10 t), and the spring is as long as x.
TEST_F(WorldMenusTest, OutputMenuItemsMakeMetersThatFollowTheSelectedObject) {
  const auto meterFrom = [&](TLink* object, const Str255& menuName, int32_t item) -> TOutput* {
    const HMENU menu = LoadMenuResource(menuName.AsCString());
    EXPECT_NE(menu, nullptr) << menuName.AsCString();
    if (menu == nullptr) return nullptr;
    const auto command = static_cast<int16_t>(GetMenuItemID(GetSubMenu(menu, 0), item));
    DestroyMenu(menu);
    world_->DeselectAll();
    world_->Select(object);
    const size_t before = world_->Objects().size();
    Command(command);
    EXPECT_GT(world_->Objects().size(), before) << command;
    return dynamic_cast<TOutput*>(world_->Objects().back());
  };
  TLink* box = world_->FindObject(kBoxId);
  auto* spring = static_cast<TLSpring*>(world_->FindObject(sample_worlds::kSpringId));
  TOutput* position = meterFrom(box, TMass::OutMenuName(), 0);
  TOutput* length = meterFrom(spring, spring->GetOutMenuName(), 0);
  ASSERT_NE(position, nullptr);
  ASSERT_NE(length, nullptr);
  ASSERT_EQ(position->GetColumnCount(), 4);
  ASSERT_EQ(length->GetColumnCount(), 2);
  // Every item of the menus of a body, a point, a spring and a pin makes a meter whose formulas
  // the world reads.
  auto* point = static_cast<TPoint*>(world_->FindObject(sample_worlds::kWheelPinnedPointId));
  auto* pin = static_cast<TPin*>(world_->FindObject(sample_worlds::kWheelPinId));
  const std::vector<std::pair<TLink*, Str255>> menus = {{box, TMass::OutMenuName()},
                                                        {point, point->GetOutMenuName()},
                                                        {spring, spring->GetOutMenuName()},
                                                        {pin, pin->GetOutMenuName()}};
  for (const auto& [object, name] : menus) {
    const HMENU menu = LoadMenuResource(name.AsCString());
    ASSERT_NE(menu, nullptr) << name.AsCString();
    const int32_t items = GetMenuItemCount(GetSubMenu(menu, 0));
    DestroyMenu(menu);
    for (int32_t item = 0; item < items; ++item) {
      TOutput* meter = meterFrom(object, name, item);
      ASSERT_NE(meter, nullptr) << name.AsCString() << " " << item;
      for (int32_t i = 1; i <= meter->GetColumnCount(); ++i) {
        EXPECT_TRUE(meter->Column(i)->Formula().IsFormula());
        EXPECT_EQ(meter->Column(i)->Formula().CompileError(), 0) << name.AsCString() << " " << item;
      }
    }
  }

  const double step = world_->GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(0.5 / step));
  world_->RunToFrame(frames, nullptr);
  for (const int16_t frame : {static_cast<int16_t>(frames / 2), frames}) {
    SCOPED_TRACE(frame);
    world_->ShowFrame(frame, 1);
    view_->InvalidateForeground();
    Pump();
    const double t = frame * step;
    const double x = 1.0 + 0.5 * std::cos(10.0 * t);
    EXPECT_NEAR(position->Column(1)->GetCurrentValue(), t, 1e-9);
    EXPECT_NEAR(position->Column(2)->GetCurrentValue(), x, 1e-2);
    EXPECT_NEAR(position->Column(3)->GetCurrentValue(), 0.0, 1e-6);
    EXPECT_NEAR(length->Column(2)->GetCurrentValue(), x, 1e-2);
  }
}

TEST_F(WorldMenusTest, DisplaySwitchesShowAndHideTheFurnitureAndMarkTheirItems) {
  const int32_t before = Changes();
  const int16_t viewLeft = static_cast<int16_t>(view_->GetLocation().h);
  Command(kCmdRulers);
  ASSERT_NE(window_->HRuler(), nullptr);
  ASSERT_NE(window_->VRuler(), nullptr);
  // The vertical ruler takes the main view's left.
  EXPECT_EQ(view_->GetLocation().h, viewLeft + TRulerView::kThickness);
  Command(kCmdScrollBars);
  EXPECT_EQ(window_->HScrollBar(), nullptr);
  EXPECT_EQ(window_->VScrollBar(), nullptr);
  const bool coordinatesBefore = window_->CoordsBar() != nullptr;
  Command(kCmdCoordinates);
  EXPECT_EQ(window_->CoordsBar() != nullptr, !coordinatesBefore);
  Command(kCmdFrameIndicator);
  EXPECT_NE(window_->FrameIndicator(), nullptr);
  Command(kCmdHelpLine);
  EXPECT_EQ(Changes(), before + 5);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdRulers));
  EXPECT_FALSE(Checked(kCmdScrollBars));
  EXPECT_EQ(Checked(kCmdCoordinates), world_->Settings().coordinates != 0);
  EXPECT_TRUE(Checked(kCmdFrameIndicator));
  EXPECT_EQ(Checked(kCmdHelpLine), world_->Settings().helpLine != 0);

  Command(kCmdRulers);
  Command(kCmdScrollBars);
  EXPECT_EQ(window_->HRuler(), nullptr);
  EXPECT_NE(window_->HScrollBar(), nullptr);
  EXPECT_EQ(view_->GetLocation().h, viewLeft);
  Command(kCmdShowGrid);
  SetUpMenus();
  EXPECT_FALSE(Checked(kCmdRulers));
  EXPECT_TRUE(Checked(kCmdScrollBars));
  EXPECT_EQ(Checked(kCmdShowGrid), view_->GetShowGrid() != 0);
  EXPECT_NE(view_->GetShowGrid(), 0);
}

TEST_F(WorldMenusTest, ReloadForgetsTheRunAndTheRefusalSaysSo) {
  Command(kCmdStepForward);
  Command(kCmdStepForward);
  ASSERT_GE(world_->LastFrame(), 1);
  std::unique_ptr<TCommandCore> reload = Made(kCmdReload);
  ASSERT_NE(reload, nullptr);
  EXPECT_TRUE(reload->IsMemberClass(TReloadCommand::kClassID));
  reload->Perform();
  EXPECT_LE(world_->LastFrame(), 0);
  EXPECT_NE(world_->IsSolverWorldLoaded(), 0);

  // Back to frame 0 by a run that then forgets the frames it passed.
  Command(kCmdStepForward);
  ASSERT_GE(world_->LastFrame(), 1);
  std::unique_ptr<TCommandCore> frameZero = Made(kCmdFrameZero);
  ASSERT_NE(frameZero, nullptr);
  EXPECT_TRUE(frameZero->IsMemberClass(TFrameZeroCommand::kClassID));
  EXPECT_EQ(static_cast<TCommand*>(frameZero.get())->GetTarget(), 0);
  frameZero.reset();
  Command(kCmdFrameZero);
  EXPECT_LE(world_->LastFrame(), 0);

  TAnsweringHost host;
  world_->SetHost(&host);
  Command(kCmdNotAvailable);
  world_->SetHost(nullptr);
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown.front().first, kErrNotAvailable);
  // Item 17 of list 32609.
  EXPECT_EQ(host.shown.front().second, 0x7F610011);
}

}  // namespace

namespace {

TEST_F(WorldMenusTest, BandSelectedBodiesAreDuplicatedFurtherEachTimeUndoneSavedAndReopened) {
  TLink* box = world_->FindObject(kBoxId);
  TLink* wheel = world_->FindObject(kWheelId);
  // A band round the box and the wheel.
  Drag({TVector(-0.4, 0.3), TVector(0.5, -0.5), TVector(1.8, -1.4)});
  ASSERT_TRUE(std::find(world_->Selection().begin(), world_->Selection().end(), box) !=
              world_->Selection().end());
  ASSERT_TRUE(std::find(world_->Selection().begin(), world_->Selection().end(), wheel) !=
              world_->Selection().end());
  const size_t selected = world_->Selection().size();
  const size_t before = world_->Objects().size();
  const TVector3 boxAt = Placement(box);

  // The first copy lands d0 * 1 * 2 right and below, d0 being 6 pixels at the world's scale.
  const double d0 = 6.0 / kPixelsPerMetre;
  Command(kCmdDuplicate);
  ASSERT_EQ(world_->Objects().size(), before + selected);
  ASSERT_EQ(world_->Selection().size(), selected);
  const std::vector<TLink*> first = world_->Selection();
  TLink* boxCopy = nullptr;
  for (TLink* copy : first)
    if (copy->IsMemberClass(TRectangle::kClassID) && copy != box) boxCopy = copy;
  ASSERT_NE(boxCopy, nullptr);
  EXPECT_NEAR(Placement(boxCopy).x, boxAt.x + 2 * d0, 1e-9);
  EXPECT_NEAR(Placement(boxCopy).y, boxAt.y - 2 * d0, 1e-9);
  // Drawn there, and the original where it was.
  EXPECT_TRUE(InkNear(On(boxAt.x + 2 * d0, boxAt.y - 2 * d0)));
  EXPECT_TRUE(InkNear(On(boxAt.x, boxAt.y)));

  // A second duplicate in a row moves the copies of the copies d0 * 2 * 2 on.
  Command(kCmdDuplicate);
  ASSERT_EQ(world_->Objects().size(), before + 2 * selected);
  TLink* boxCopy2 = nullptr;
  for (TLink* copy : world_->Selection())
    if (copy->IsMemberClass(TRectangle::kClassID)) boxCopy2 = copy;
  ASSERT_NE(boxCopy2, nullptr);
  const int16_t secondId = boxCopy2->GetIdentifier();
  EXPECT_NEAR(Placement(boxCopy2).x, boxAt.x + 2 * d0 + 4 * d0, 1e-9);
  EXPECT_NEAR(Placement(boxCopy2).y, boxAt.y - 2 * d0 - 4 * d0, 1e-9);

  // Saved and opened again, the copies are there.
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  EXPECT_EQ(reopened.World().Objects().size(), before + 2 * selected);
  auto* readCopy = dynamic_cast<TThing*>(reopened.World().FindObject(secondId));
  ASSERT_NE(readCopy, nullptr);
  TVector3 read;
  readCopy->GetPlacement(read);
  EXPECT_NEAR(read.x, boxAt.x + 6 * d0, 1e-9);

  // Undo takes the last copies out; redo brings them back where they were.
  const MacPoint secondCopy = On(boxAt.x + 6 * d0, boxAt.y - 6 * d0);
  ASSERT_TRUE(InkNear(secondCopy));
  Command(101);
  EXPECT_EQ(world_->Objects().size(), before + selected);
  EXPECT_EQ(world_->FindObject(secondId), nullptr);
  EXPECT_FALSE(InkNear(secondCopy));
  EXPECT_TRUE(InkNear(On(boxAt.x + 2 * d0, boxAt.y - 2 * d0)));
  Command(101);
  EXPECT_EQ(world_->Objects().size(), before + 2 * selected);
  TLink* redone = world_->FindObject(secondId);
  ASSERT_NE(redone, nullptr);
  EXPECT_NEAR(Placement(redone).x, boxAt.x + 6 * d0, 1e-9);
  EXPECT_TRUE(InkNear(secondCopy));
}

}  // namespace


namespace {

TEST_F(WorldMenusTest, VectorCommandsAreMarkedMixedWhenTheSelectionDisagrees) {
  // The vector commands in a menu of the bar, as a vectors menu would hold them.
  const HMENU world = GetSubMenu(GetMenu(main_->m_hWnd), 2);
  AppendMenu(world, MF_STRING, kCmdShowVelocity, "Velocity");
  AppendMenu(world, MF_STRING, kCmdShowAcceleration, "Acceleration");
  auto* box = dynamic_cast<TVectorThing*>(world_->FindObject(kBoxId));
  auto* wheel = dynamic_cast<TVectorThing*>(world_->FindObject(kWheelId));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(wheel, nullptr);
  world_->Select(box);
  world_->Select(wheel);
  box->DoCommandValue(kCmdShowVelocity, 1);
  SetUpMenus();
  EXPECT_TRUE(HasOwnMark(kCmdShowVelocity));
  EXPECT_FALSE(Greyed(kCmdShowVelocity));
  EXPECT_FALSE(Checked(kCmdShowAcceleration));
  EXPECT_FALSE(HasOwnMark(kCmdShowAcceleration));

  wheel->DoCommandValue(kCmdShowVelocity, 1);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdShowVelocity));
  EXPECT_FALSE(HasOwnMark(kCmdShowVelocity));
  // Nothing selected knows the command: unchecked and greyed.
  world_->DeselectAll();
  SetUpMenus();
  EXPECT_TRUE(Greyed(kCmdShowVelocity));
  EXPECT_FALSE(Checked(kCmdShowVelocity));
}

}  // namespace

namespace {

TEST_F(WorldMenusTest, ATemplateGivesItsFirstObjectToTheCaller) {
  const size_t objects = world_->Objects().size();
  std::unique_ptr<TLink> line = LoadTemplateLink(2549, world_);
  ASSERT_NE(line, nullptr);
  EXPECT_NE(dynamic_cast<TLine*>(line.get()), nullptr);
  // The template is the caller's, not one of the world's objects.
  EXPECT_EQ(world_->Objects().size(), objects);
  line.reset();
  EXPECT_THROW(LoadTemplateLink(31999, world_), QVException);
}

}  // namespace

namespace {

// The font dialog answered by the user: the size typed, then OK (or Escape to cancel).
void AnswerFontDialog(const char* size, bool ok, bool& answered, std::string& shownSize) {
  SetIdleScript([=, &answered, &shownSize] {
    const HWND dialog = GetFontDialogWindow();
    if (dialog == nullptr || answered) return false;
    answered = true;
    char text[16] = {};
    GetWindowText(GetDlgItem(dialog, kFontSizeEdit), text, sizeof text);
    shownSize = text;
    SetFocus(GetDlgItem(dialog, kFontSizeEdit));
    SetWindowText(GetDlgItem(dialog, kFontSizeEdit), size);
    InjectKeyStroke(ok ? VK_RETURN : VK_ESCAPE);
    return true;
  });
}

TEST_F(WorldMenusTest, TheFontCommandSetsTheSelectionsTextStyleUndoably) {
  auto* box = dynamic_cast<TSingleStyleLink*>(world_->FindObject(kBoxId));
  auto* wheel = dynamic_cast<TSingleStyleLink*>(world_->FindObject(kWheelId));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(wheel, nullptr);
  SetUpMenus();
  EXPECT_TRUE(Greyed(kCmdTextFont));
  world_->Select(box);
  world_->Select(wheel);
  SetUpMenus();
  EXPECT_FALSE(Greyed(kCmdTextFont));
  const FontSpec before = box->GetFont();
  ASSERT_EQ(wheel->GetFont(), before);

  // Cancelled: nothing changes and nothing is done.
  bool answered = false;
  std::string shown;
  AnswerFontDialog("30", false, answered, shown);
  Command(kCmdTextFont);
  EXPECT_TRUE(answered);
  EXPECT_EQ(box->GetFont(), before);

  // The dialog starts from the style both share; the new size goes to both as one change.
  answered = false;
  AnswerFontDialog("30", true, answered, shown);
  const int32_t changes = Changes();
  Command(kCmdTextFont);
  SetIdleScript(nullptr);
  EXPECT_TRUE(answered);
  EXPECT_FALSE(shown.empty());
  const FontSpec after = box->GetFont();
  EXPECT_GT(after.size, before.size);
  EXPECT_EQ(wheel->GetFont(), after);
  EXPECT_EQ(Changes(), changes + 1);
  Command(101);
  EXPECT_EQ(box->GetFont(), before);
  EXPECT_EQ(wheel->GetFont(), before);
  Command(101);
  EXPECT_EQ(wheel->GetFont(), after);

  // The dialog shows the size both now share; styles that differ leave it at its own default.
  answered = false;
  AnswerFontDialog("9", false, answered, shown);
  Command(kCmdTextFont);
  EXPECT_EQ(shown, "30");
  FontSpec other = after;
  other.size = static_cast<int16_t>(after.size + 4);
  box->SetTextStyle(other, box->GetTextColour());
  answered = false;
  AnswerFontDialog("9", false, answered, shown);
  Command(kCmdTextFont);
  SetIdleScript(nullptr);
  EXPECT_TRUE(answered);
  EXPECT_NE(shown, "30");
}

TEST_F(WorldMenusTest, FloatingWindowsAreShownOverTheSelectionAndHidden) {
  world_->Select(world_->FindObject(kBoxId));
  EXPECT_FALSE(IsFloatingWindowVisible(kShowPointTableWindow));
  Command(kShowPointTableWindow);
  TDialogWindow* table = FloatingWindow(kShowPointTableWindow);
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(IsFloatingWindowVisible(kShowPointTableWindow));
  EXPECT_EQ(GetActiveWindow(), table->GetDialogHandle());
  SetUpMenus();
  EXPECT_FALSE(Greyed(kShowPointTableWindow));
  // Hidden, then shown again: the same window.
  Command(kShowPointTableWindow + 1);
  EXPECT_FALSE(IsFloatingWindowVisible(kShowPointTableWindow));
  Command(kShowPointTableWindow);
  EXPECT_EQ(FloatingWindow(kShowPointTableWindow), table);
  EXPECT_TRUE(IsFloatingWindowVisible(kShowPointTableWindow));

  // The properties window, and nothing in player mode.
  Command(kShowPropertiesWindow);
  EXPECT_TRUE(IsFloatingWindowVisible(kShowPropertiesWindow));
  Command(kCmdEnterPlayerMode);
  Command(kShowPropertiesWindow + 1);
  EXPECT_TRUE(IsFloatingWindowVisible(kShowPropertiesWindow));
  Command(kCmdLeavePlayerMode);
  Command(kShowPropertiesWindow + 1);
  EXPECT_FALSE(IsFloatingWindowVisible(kShowPropertiesWindow));
}

}  // namespace

namespace {

// Keys the user presses, one each time the program waits for input.
void PressWhenIdle(std::vector<int32_t> keys) {
  SetIdleScript([keys, next = size_t{0}]() mutable {
    if (next >= keys.size()) return false;
    InjectKeyStroke(keys[next++]);
    return true;
  });
}

std::vector<TActionButton*> Buttons(TWorldDoc& world) {
  std::vector<TActionButton*> buttons;
  for (TLink* object : world.Objects())
    if (auto* button = dynamic_cast<TActionButton*>(object)) buttons.push_back(button);
  return buttons;
}

// A selected input's menu on the bar offers its kinds, its own checked; choosing one makes it
// an input of that kind, undoably.
TEST_F(WorldMenusTest, AnInputsMenuChangesItsKindUndoably) {
  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(95);
  TInput& input = *made;
  world_->AdoptObject(std::move(made));
  input.SetKind(TInputKind::kSlider);
  world_->Select(&input);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdInputSlider));
  EXPECT_FALSE(Checked(kCmdInputTextBox));
  EXPECT_FALSE(Greyed(kCmdInputTable));

  Command(kCmdInputTextBox);
  EXPECT_EQ(input.GetKind(), TInputKind::kTextBox);
  SetUpMenus();
  EXPECT_TRUE(Checked(kCmdInputTextBox));
  EXPECT_FALSE(Checked(kCmdInputSlider));
  Command(kCmdInputTable);
  EXPECT_EQ(input.GetKind(), TInputKind::kTable);
  Command(101);
  EXPECT_EQ(input.GetKind(), TInputKind::kTextBox);

  // Without a selected input the kinds make nothing.
  world_->DeselectAll();
  EXPECT_EQ(MakeInputKindCommand(kCmdInputButton, *world_), nullptr);
}

TEST_F(WorldMenusTest, NewButtonPlacesTheChosenActionsButtonUndoably) {
  // Cancelled: nothing is placed.
  PressWhenIdle({VK_DOWN, VK_ESCAPE});
  Command(kCmdActionTemplate);
  EXPECT_TRUE(Buttons(*world_).empty());

  // The third action, Reset, on a button at the window's top-left corner.
  PressWhenIdle({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
  Command(kCmdActionTemplate);
  std::vector<TActionButton*> buttons = Buttons(*world_);
  ASSERT_EQ(buttons.size(), 1u);
  EXPECT_EQ(buttons.front()->GetCommand(), 1032);
  const MacRect first = buttons.front()->GetFrame();
  EXPECT_EQ(first.left, 0);
  EXPECT_EQ(first.top, 0);
  EXPECT_GT(first.bottom, first.top);
  EXPECT_GT(first.right, first.left);
  // The next one goes below it.
  PressWhenIdle({VK_DOWN, VK_RETURN});
  Command(kCmdActionTemplate);
  SetIdleScript(nullptr);
  buttons = Buttons(*world_);
  ASSERT_EQ(buttons.size(), 2u);
  EXPECT_EQ(buttons.back()->GetCommand(), 1031);
  EXPECT_EQ(buttons.back()->GetFrame().top, first.bottom);
  Command(101);
  EXPECT_EQ(Buttons(*world_).size(), 1u);

  // A button that opens a document keeps the document's path.
  TTemplateChoice choice;
  choice.command = kCmdOpenDocumentTemplate;
  choice.item = kOpenDocumentChoice;
  choice.path = "/tmp/other.yb";
  std::unique_ptr<TCommandCore> open = MakeTemplateCommand(choice, *world_);
  ASSERT_NE(open, nullptr);
  open->Perform();
  TOpenActionButton* opener = nullptr;
  for (TActionButton* button : Buttons(*world_))
    if (auto* found = dynamic_cast<TOpenActionButton*>(button)) opener = found;
  ASSERT_NE(opener, nullptr);
  EXPECT_STREQ(opener->GetDocument().path.Chars(), "/tmp/other.yb");
}

// A world saved without force fields offers them all the same: choosing one adds the field, as
// a new world has it (off), undoably.
TEST_F(WorldMenusTest, AForceFieldTheWorldLacksIsOfferedAndAddedUndoably) {
  const auto gravity = [&] {
    std::vector<TGravCnstr*> found;
    for (TLink* object : world_->Objects())
      if (auto* field = dynamic_cast<TGravCnstr*>(object)) found.push_back(field);
    return found;
  };
  ASSERT_TRUE(gravity().empty());
  SetUpMenus();
  EXPECT_FALSE(Greyed(kCmdGravityField));
  EXPECT_FALSE(Greyed(kCmdCustomField));
  Command(kCmdGravityField);
  ASSERT_EQ(gravity().size(), 1u);
  EXPECT_TRUE(IsKindOfSafe(gravity().front()->GetRelatedObject(), TGroup::kClassID));
  EXPECT_FALSE(gravity().front()->IsFieldOn());
  // The world has it now: the field answers the item itself, and nothing more is added.
  Command(kCmdGravityField);
  EXPECT_EQ(gravity().size(), 1u);
  Command(101);
  EXPECT_TRUE(gravity().empty());
}

// The bar's input and meter menus are those of the first selected object: their items make
// the object's gadgets, they stay put while the selection does, and they are empty and greyed
// with nothing selected.
TEST_F(WorldMenusTest, TheBarShowsTheSelectedObjectsInputAndMeterMenus) {
  const HMENU bar = GetMenu(main_->m_hWnd);
  const auto barPopup = [&](int32_t position) { return GetSubMenu(bar, position + MenuBarShift()); };
  const auto barGreyed = [&](int32_t position) {
    const auto at = static_cast<UINT>(position + MenuBarShift());
    return (GetMenuState(bar, at, MF_BYPOSITION) & MF_GRAYED) != 0;
  };
  const auto items = [](HMENU menu) {
    std::vector<UINT> ids;
    for (int32_t i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i)
      ids.push_back(GetMenuItemID(menu, i));
    return ids;
  };
  const auto resourceItems = [&](const Str255& name) {
    const HMENU menu = LoadMenuResource(name.AsCString());
    const std::vector<UINT> ids = items(GetSubMenu(menu, 0));
    DestroyMenu(menu);
    return ids;
  };

  world_->DeselectAll();
  SetUpMenus();
  for (const int32_t position : {kInputMenuPosition, kMeterMenuPosition}) {
    EXPECT_EQ(GetMenuItemCount(barPopup(position)), 0);
    EXPECT_TRUE(barGreyed(position));
  }

  auto* spring = static_cast<TLSpring*>(world_->FindObject(sample_worlds::kSpringId));
  world_->Select(spring);
  SetUpMenus();
  const HMENU inputs = barPopup(kInputMenuPosition);
  ASSERT_EQ(items(inputs), resourceItems(spring->GetInMenuName()));
  EXPECT_EQ(items(barPopup(kMeterMenuPosition)), resourceItems(spring->GetOutMenuName()));
  EXPECT_FALSE(barGreyed(kInputMenuPosition));
  EXPECT_FALSE(Greyed(5321));
  // A second set-up, as when the menu opens, keeps the menu that is shown.
  SetUpMenus();
  EXPECT_EQ(barPopup(kInputMenuPosition), inputs);

  const size_t before = world_->Objects().size();
  Command(5321);
  ASSERT_EQ(world_->Objects().size(), before + 1);
  EXPECT_NE(dynamic_cast<TInput*>(world_->Objects().back()), nullptr);

  TLink* box = world_->FindObject(kBoxId);
  world_->DeselectAll();
  world_->Select(box);
  SetUpMenus();
  ASSERT_NE(dynamic_cast<TRectangle*>(box), nullptr);
  EXPECT_EQ(items(barPopup(kInputMenuPosition)),
            resourceItems(static_cast<TRectangle*>(box)->InMenuName()));
  const std::vector<UINT> meters = items(barPopup(kMeterMenuPosition));
  ASSERT_EQ(meters, resourceItems(TMass::OutMenuName()));
  Command(static_cast<int16_t>(meters.front()));
  EXPECT_NE(dynamic_cast<TOutput*>(world_->Objects().back()), nullptr);

  // A maximised document window puts no menu of its own before the bar's: the positions hold.
  const HWND frame = documents_->Documents().front()->GetWindowFrame()->m_hWnd;
  ShowWindow(frame, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(frame));
  world_->DeselectAll();
  world_->Select(spring);
  SetUpMenus();
  EXPECT_EQ(items(GetSubMenu(bar, kInputMenuPosition)), resourceItems(spring->GetInMenuName()));
}

// After a run, the editing commands ask whether to reset the world and make nothing; a yes
// posts the reset.
TEST_F(WorldMenusTest, EditingARecordedWorldAsksToResetAndMakesNothing) {
  TLink* box = world_->FindObject(kBoxId);
  world_->Select(box);
  Command(kCmdCopy);
  Command(kCmdStepForward);
  ASSERT_GE(world_->LastFrame(), 1);
  TAnsweringHost host;
  world_->SetHost(&host);
  const size_t objects = world_->Objects().size();
  for (const int16_t command : {kCmdCut, kCmdClear, kCmdPaste, kCmdActionTemplate})
    Command(command);
  EXPECT_EQ(world_->Objects().size(), objects);
  EXPECT_EQ(world_->FindObject(kBoxId), box);
  EXPECT_EQ(host.asked, std::vector<int16_t>(4, kEditRecordedWorldAlert));
  EXPECT_TRUE(host.posted.empty());
  host.answer = true;
  Command(kCmdClear);
  EXPECT_EQ(world_->FindObject(kBoxId), box);
  ASSERT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.posted.front()->GetCommandNumber(), kCmdReset);
  // Once the reset is done the command chosen again goes ahead without a question.
  host.posted.front()->Perform();
  EXPECT_EQ(world_->CurrentFrame(), 0);
  world_->DeselectAll();
  world_->Select(box);
  Command(kCmdClear);
  world_->SetHost(nullptr);
  EXPECT_EQ(host.asked.size(), 5u);
  EXPECT_EQ(world_->FindObject(kBoxId), nullptr);
}

// A corner of a selected control on the window, dragged, resizes the control; the opposite
// corner stays.
TEST_F(WorldMenusTest, ACornerOfASelectedControlDraggedResizesIt) {
  world_->Select(world_->FindObject(sample_worlds::kSpringId));
  Command(5321);
  auto* slider = dynamic_cast<TInput*>(world_->Objects().back());
  ASSERT_NE(slider, nullptr);
  // The bare track: its value field, right of its frame, would take a press at the corner.
  slider->SetShowText(false);
  slider->SetShowName(false);
  world_->DeselectAll();
  world_->Select(slider);
  Pump();
  const MacRect before = slider->GetFrame();
  const POINT to = Screen(MacPoint(static_cast<int16_t>(before.right + 40), before.bottom));
  Gesture(MacPoint(before.right, before.bottom),
          {[to] { InjectMouseMove(to); },
           [to] { InjectMouseButton(MouseButton::kLeft, false, to); }});
  const MacRect after = slider->GetFrame();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right, before.right + 40);
  // Not selected, the same press drags nothing to a new size.
  world_->DeselectAll();
  Pump();
  const POINT back = Screen(MacPoint(after.left, after.bottom));
  Gesture(MacPoint(after.right, after.bottom),
          {[back] { InjectMouseMove(back); },
           [back] { InjectMouseButton(MouseButton::kLeft, false, back); }});
  EXPECT_EQ(slider->GetFrame().right - slider->GetFrame().left, after.right - after.left);
}

// New input controls go as blocks down the window's left column, then into a column to the right
// of the last one once the window's bottom is reached.
TEST_F(WorldMenusTest, NewGadgetsGoToTheNextFreePlaceOfTheWindow) {
  auto* spring = static_cast<TLSpring*>(world_->FindObject(sample_worlds::kSpringId));
  const auto newSlider = [&]() -> MacRect {
    world_->DeselectAll();
    world_->Select(spring);
    Command(5321);
    auto* made = dynamic_cast<TGadget*>(world_->Objects().back());
    EXPECT_NE(made, nullptr);
    return made != nullptr ? made->GetFrame() : MacRect();
  };
  const MacRect first = newSlider();
  // The block reaches from the window's corner to the template gadget's far edges.
  const int16_t height = first.bottom;
  const MacRect second = newSlider();
  EXPECT_EQ(second.left, first.left);
  EXPECT_EQ(second.top, first.top + height);
  EXPECT_EQ(world_->PlacementRecord().bottom, 2 * height);
  // Undone and redone, the gadget comes back where it was placed.
  Command(101);
  Command(101);
  auto* redone = dynamic_cast<TGadget*>(world_->Objects().back());
  ASSERT_NE(redone, nullptr);
  EXPECT_EQ(redone->GetFrame().top, second.top);

  const MacRect extent = world_->GetDisplay()->ExtentInPort();
  MacRect& record = world_->PlacementRecord();
  record.bottom = static_cast<int16_t>(extent.bottom - extent.top - height);
  const int16_t columnRight = record.right;
  const MacRect third = newSlider();
  EXPECT_EQ(third.top, first.top);
  EXPECT_EQ(third.left, first.left + columnRight);

  // A column that would pass the window's right edge starts again at the corner.
  record.bottom = static_cast<int16_t>(extent.bottom - extent.top);
  record.right = static_cast<int16_t>(extent.right - extent.left);
  const MacRect fourth = newSlider();
  EXPECT_EQ(fourth.top, first.top);
  EXPECT_EQ(fourth.left, first.left);
}

}  // namespace

namespace {

// Velocity arrows dragged on the window: from the body's point the whole vector follows the mouse,
// the x head changes only x, and undo brings the velocity back. The offset over the velocity
// scale is the velocity, to a pixel (0.02 m at 50 pixels a metre).
TEST_F(WorldMenusTest, DraggingAVelocityArrowSetsTheBodysStartingVelocity) {
  auto* box = dynamic_cast<TVectorThing*>(world_->FindObject(kBoxId));
  ASSERT_NE(box, nullptr);
  world_->DeselectAll();
  box->DoCommandValue(kCmdShowVelocity, 1);
  // The velocity handle, as the world's preference keeps it alive.
  box->SetVectorOption(0, 1);
  view_->InvalidateForeground();
  Pump();
  TGlobalVectorHandler* handler = box->GetVectorHandler();
  ASSERT_NE(handler, nullptr);
  const double scale = handler->GetGroupStyle(kVectorGroupVelocity).scale;
  ASSERT_GT(scale, 0.0);
  MacPoint screen;
  TVector at{0.0, 0.0};
  box->GetVectorAnchor(screen, at);
  const auto velocity = [&] {
    TVector value{0.0, 0.0};
    EXPECT_TRUE(box->GetVectorValue(0, value));
    return value;
  };
  const TVector before = velocity();
  constexpr double kPixel = 0.02;

  // The dragged point snaps to the world's grid.
  const double step = window_->TrackerContext()->TrackingSnappingDistance();
  const auto snapped = [step](double value) {
    return step > 0.0 ? std::round(value / step) * step : value;
  };
  const TVector target{at.x + 1.0, at.y + 1.2};
  const TVector middle{(at.x + snapped(target.x)) / 2, (at.y + snapped(target.y)) / 2};
  EXPECT_FALSE(InkNear(On(middle.x, middle.y)));
  Drag({at, TVector(at.x + 0.5, at.y), target});
  EXPECT_NEAR(velocity().x, (snapped(target.x) - at.x) / scale, kPixel / scale);
  EXPECT_NEAR(velocity().y, (snapped(target.y) - at.y) / scale, kPixel / scale);
  EXPECT_NE(box->IsVectorShown(0), 0);
  // The arrow is drawn out to its head.
  view_->InvalidateForeground();
  Pump();
  EXPECT_TRUE(InkNear(On(middle.x, middle.y)));

  // The x head: wherever the mouse goes up or down, y stays.
  TVectorComponentFlags parts = handler->GetComponentFlags();
  parts.x = 1;
  handler->SetComponentFlags(parts);
  view_->InvalidateForeground();
  Pump();
  const TVector dragged = velocity();
  const TVector xHead{at.x + dragged.x * scale, at.y};
  const TVector xTarget{xHead.x + 1.6, at.y - 1.0};
  Drag({xHead, TVector(xHead.x + 0.5, at.y - 0.5), xTarget});
  EXPECT_NEAR(velocity().x, (snapped(xTarget.x) - at.x) / scale, kPixel / scale);
  EXPECT_DOUBLE_EQ(velocity().y, dragged.y);

  Command(101);
  EXPECT_DOUBLE_EQ(velocity().x, dragged.x);
  EXPECT_DOUBLE_EQ(velocity().y, dragged.y);
  EXPECT_NE(velocity().x, before.x);
}

}  // namespace

namespace {

// The pendulum sample in its window: a graph meter of the bob's position from the bob's meter
// menu and the bob's velocity arrow from the Vectors menu follow a run of two periods, and the
// tape takes both back to an earlier frame. The curve and the arrow are held to the pendulum's
// own equation, integrated finely.
class PendulumWindowTest : public WorldMenusTest {
 protected:
  std::string DocumentPath() override {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::pendulum::kFile;
  }
};

struct Swing {
  double angle;
  double rate;
};

// The swing at each multiple of the step, from rest at the start angle.
std::vector<Swing> PendulumSwings(double step, int32_t count) {
  using namespace sample_worlds::pendulum;
  constexpr double kGravity = 9.81;
  const auto acceleration = [](double angle) { return -kGravity / kLength * std::sin(angle); };
  std::vector<Swing> swings{{kStartAngle, 0.0}};
  constexpr int kSubsteps = 200;
  const double h = step / kSubsteps;
  Swing s = swings.front();
  for (int32_t i = 1; i < count; ++i) {
    for (int k = 0; k < kSubsteps; ++k) {
      const double a1 = acceleration(s.angle), v1 = s.rate;
      const double a2 = acceleration(s.angle + h / 2 * v1), v2 = s.rate + h / 2 * a1;
      const double a3 = acceleration(s.angle + h / 2 * v2), v3 = s.rate + h / 2 * a2;
      const double a4 = acceleration(s.angle + h * v3), v4 = s.rate + h * a3;
      s.angle += h / 6 * (v1 + 2 * v2 + 2 * v3 + v4);
      s.rate += h / 6 * (a1 + 2 * a2 + 2 * a3 + a4);
    }
    swings.push_back(s);
  }
  return swings;
}

TEST_F(PendulumWindowTest, AGraphMeterAndTheVelocityArrowFollowTheRunAndTheTape) {
  using namespace sample_worlds::pendulum;
  TLink* bob = world_->FindObject(kBobId);
  ASSERT_NE(bob, nullptr);
  world_->DeselectAll();
  world_->Select(bob);
  const size_t before = world_->Objects().size();
  Command(5001);  // the bob's meter menu: its position
  ASSERT_GT(world_->Objects().size(), before);
  auto* meter = dynamic_cast<TOutput*>(world_->Objects().back());
  ASSERT_NE(meter, nullptr);
  meter->SetMeterKind(MeterKind::kGraph);
  meter->SetConnectPoints(true);
  world_->DeselectAll();
  world_->Select(bob);
  Command(kCmdShowVelocity);  // World > Vectors > Velocity
  auto* thing = dynamic_cast<TVectorThing*>(bob);
  ASSERT_NE(thing, nullptr);
  ASSERT_EQ(thing->IsVectorShown(0), 1);

  const double step = world_->GetEngine()->TimeStep();
  const double period = 2.0 * std::numbers::pi * std::sqrt(kLength / 9.81);
  const auto frames = static_cast<int16_t>(std::ceil(2.0 * period / step));
  world_->RunToFrame(frames, nullptr);
  ASSERT_EQ(world_->GetStore()->FrameCount(), frames + 1);
  const std::vector<Swing> swings = PendulumSwings(step, frames + 1);

  const auto check = [&](int16_t shown, bool curve) {
    SCOPED_TRACE(shown);
    world_->ShowFrame(shown, 1);
    view_->InvalidateForeground();
    Pump();
    const Swing& s = swings[static_cast<size_t>(shown)];
    EXPECT_NEAR(meter->Column(1)->GetCurrentValue(), shown * step, 1e-9);
    EXPECT_NEAR(meter->Column(2)->GetCurrentValue(), kLength * std::sin(s.angle), 1e-4);
    // The arrow's head: the bob's place plus the velocity scale times its velocity.
    TVector velocity{0.0, 0.0};
    ASSERT_TRUE(thing->GetVectorValue(0, velocity));
    const TVector closed{kLength * s.rate * std::cos(s.angle), kLength * s.rate * std::sin(s.angle)};
    EXPECT_NEAR(velocity.x, closed.x, 1e-3);
    EXPECT_NEAR(velocity.y, closed.y, 1e-3);
    const double scale = thing->GetVectorHandler()->GetGroupStyle(kVectorGroupVelocity).scale;
    const TVector at{kLength * std::sin(s.angle), -kLength * std::cos(s.angle)};
    EXPECT_TRUE(InkNear(On(at.x + scale * closed.x, at.y + scale * closed.y)));
    if (!curve) return;
    // The curve of the bob's x, frame by frame, within a pixel of the equation's.
    const MacRect plot = meter->GetContentFrame();
    TNumberText& time = *meter->Column(1);
    TNumberText& x = *meter->Column(2);
    const COLORREF ink = RGB16ToColorRef(x.GetColor());
    int32_t off = 0;
    int32_t inside = 0;
    for (int16_t f = 0; f <= shown; ++f) {
      const double tx = (f * step - time.GetMinimum()) / (time.GetMaximum() - time.GetMinimum());
      const double xx = (kLength * std::sin(swings[static_cast<size_t>(f)].angle) - x.GetMinimum()) /
                        (x.GetMaximum() - x.GetMinimum());
      const int h = plot.left + static_cast<int>(std::lround(tx * (plot.right - plot.left)));
      const int v = plot.bottom - static_cast<int>(std::lround(xx * (plot.bottom - plot.top)));
      // A value outside the column's range is not drawn.
      if (h < plot.left || h >= plot.right || v < plot.top || v >= plot.bottom) continue;
      ++inside;
      // Where another curve crosses, the one drawn later covers it.
      bool found = false;
      bool crossed = false;
      for (int dv = -1; dv <= 1 && !found; ++dv) {
        for (int dh = -1; dh <= 1 && !found; ++dh) {
          const COLORREF pixel =
              PixelAt(MacPoint(static_cast<int16_t>(h + dh), static_cast<int16_t>(v + dv)));
          found = pixel == ink;
          for (int c = 3; c <= 4; ++c)
            crossed = crossed || pixel == RGB16ToColorRef(meter->Column(c)->GetColor());
        }
      }
      off += found || crossed ? 0 : 1;
    }
    EXPECT_EQ(off, 0);
    EXPECT_GE(inside, 10);
  };
  check(frames, true);
  // The tape back to an earlier frame: the meter's values and the arrow follow it.
  check(static_cast<int16_t>(frames / 3), false);

  // Saved with its frames and opened again, the bob shows its velocity arrow at once, with the
  // frame's velocity, and the window draws the same meter and arrow. The time column pages one
  // width each time the frame is shown until the frame's time lies on its page.
  const auto shot = [&](const MacRect& meterFrame) {
    world_->DeselectAll();
    for (int i = 0; i < 4; ++i) world_->ShowFrame(frames, 1);
    view_->InvalidateForeground();
    Pump();
    std::vector<COLORREF> pixels;
    const MacPoint bob = On(0.0, -kLength);
    // The bob and its arrow, which stay within 40 pixels of the bob's lowest place.
    for (int16_t v = -40; v <= 40; ++v)
      for (int16_t h = -40; h <= 40; ++h)
        pixels.push_back(PixelAt(MacPoint(static_cast<int16_t>(bob.h + h), static_cast<int16_t>(bob.v + v))));
    for (int16_t v = meterFrame.top; v < meterFrame.bottom; ++v)
      for (int16_t h = meterFrame.left; h < meterFrame.right; ++h) pixels.push_back(PixelAt(MacPoint(h, v)));
    return pixels;
  };
  const MacRect meterFrame = meter->GetFrame();
  const std::vector<COLORREF> drawn = shot(meterFrame);
  const auto inked = std::count_if(drawn.begin(), drawn.begin() + 81 * 81,
                                   [](COLORREF pixel) { return pixel != kWhite; });
  EXPECT_GT(inked, 20);
  TVector shownVelocity{0.0, 0.0};
  ASSERT_TRUE(thing->GetVectorValue(0, shownVelocity));
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TOpenDocumentCommand open(path_.string());
  open.OnOpened([&](TQVDoc& document) {
    world_ = &document.World();
    program_documents::WithoutFurniture(*world_);
    documents_->Open(open.TakeDocument(), open.Path());
  });
  app_->Commands().HandleCommand(&open);
  ASSERT_EQ(documents_->Documents().size(), 2u);
  window_ = documents_->Documents().back()->WorldWindow();
  ASSERT_NE(window_, nullptr);
  view_ = window_->MainView();
  Pump();
  world_->Scale().SetConstant(kPixelsPerMetre);
  view_->CentreOrigin();
  view_->ScaleChanged();
  const std::vector<COLORREF> again = shot(meterFrame);
  auto* read = dynamic_cast<TVectorThing*>(world_->FindObject(kBobId));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ArrowCount(), 1);
  TVector readVelocity{0.0, 0.0};
  ASSERT_TRUE(read->GetVectorValue(0, readVelocity));
  EXPECT_EQ(readVelocity, shownVelocity);
  int32_t differ = 0;
  for (size_t i = 0; i < again.size(); ++i) differ += again[i] != drawn[i];
  EXPECT_EQ(differ, 0);
}

}  // namespace

namespace {

// The two charges in orbit in their window: the electrostatic arrows from the Vectors menu show
// each charge's pull towards the other after a run, with the head at the charge plus the force
// scale times k q1 q2 / r^2 along the line between them.
class ChargesWindowTest : public WorldMenusTest {
 protected:
  std::string DocumentPath() override {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::charges::kFile;
  }
  // Whether the colour is drawn within two pixels of the point.
  bool ColourNear(const MacPoint& point, COLORREF colour) {
    for (int16_t dv = -2; dv <= 2; ++dv)
      for (int16_t dh = -2; dh <= 2; ++dh)
        if (PixelAt(MacPoint(static_cast<int16_t>(point.h + dh),
                             static_cast<int16_t>(point.v + dv))) == colour)
          return true;
    return false;
  }
};

TEST_F(ChargesWindowTest, ElectrostaticArrowsPointAtEachOtherWithTheFieldsForce) {
  using namespace sample_worlds::charges;
  std::vector<TVectorThing*> charges;
  for (int16_t id : {kPositiveId, kNegativeId}) {
    world_->DeselectAll();
    world_->Select(world_->FindObject(id));
    Command(kCmdShowElectrostatic);  // World > Vectors > Electrostatic
    charges.push_back(dynamic_cast<TVectorThing*>(world_->FindObject(id)));
    ASSERT_NE(charges.back(), nullptr);
    ASSERT_EQ(charges.back()->IsVectorShown(7), 1);
  }
  world_->DeselectAll();
  constexpr int16_t kFrames = 30;
  world_->RunToFrame(kFrames, nullptr);
  constexpr int16_t kShown = 20;
  world_->ShowFrame(kShown, 1);
  view_->InvalidateForeground();
  Pump();

  const TFrameStore& store = *world_->GetStore();
  const TVector at[2] = {{store.Value(kShown, 0), store.Value(kShown, 1)},
                         {store.Value(kShown, 8), store.Value(kShown, 9)}};
  // Turned a good way round, so that the arrows lie across the pixel grid.
  EXPECT_GT(std::abs(at[0].y), 0.2);
  TGlobalVectorHandler& handler = *charges[0]->GetVectorHandler();
  const TVectorGroupStyle style = handler.GetGroupStyle(kVectorGroupForce);
  const auto headsIn = [&](COLORREF ink) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      const TVector& self = at[i];
      const TVector& other = at[1 - i];
      const double dx = other.x - self.x, dy = other.y - self.y, r = std::hypot(dx, dy);
      const TVector force{kConstant * dx / (r * r * r), kConstant * dy / (r * r * r)};
      const TVector head{self.x + style.scale * force.x, self.y + style.scale * force.y};
      EXPECT_TRUE(ColourNear(On(head.x, head.y), ink));
      EXPECT_GT(std::hypot(head.x - self.x, head.y - self.y) * kPixelsPerMetre, 10.0);
      // Nothing points away from the other charge.
      EXPECT_FALSE(InkNear(On(2 * self.x - head.x, 2 * self.y - head.y)));
    }
  };
  headsIn(RGB16ToColorRef(style.colour));
  // A new force colour redraws the window's arrows in it.
  const RGB16Color red{0xFFFF, 0, 0};
  handler.SetColourProperty(kTagForceColour, red);
  Pump();
  headsIn(RGB16ToColorRef(red));
}

}  // namespace
