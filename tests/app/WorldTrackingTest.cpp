// Selecting, dragging, turning and snapping with the mouse in a world's document window,
// headless and end to end through the window layer: a world of two boxes, a free point and a
// polygon is opened; a band selects the boxes, a drag moves them by the exact world delta and
// the pixels follow, undo and redo take the move back and forth, the turning tool turns them a
// quarter turn about their middle, the point dropped on a box's centre snaps there, and the
// document saved and opened again is as the gestures left it. Beside it, which tracker each
// click gets: fresh standing trackers per click, player mode, the click-stops-run flag, double
// clicks, the trackers of tools made from their objects, and the snapper as trackers see it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "bodies/Background.h"
#include "bodies/BodyPicture.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "core/TickCount.h"
#include "core/geometry/Rounding.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "inout/inputs/InputEdit.h"
#include "app/ActionHost.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/gadgets/PictGadget.h"
#include "tests/app/BlackPicture.h"
#include "inout/gadgets/TextGadget.h"
#include "platform/win32/Metafile.h"
#include "app/shell/MenuBar.h"
#include "platform/win32/Accelerator.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/GadgetTextField.h"
#include "model/command/CommandBase.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"
#include "tools/samples/SampleBuilder.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "constraints/Pin.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/dde/TableSuiteHandler.h"
#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Control.h"
#include "views/trackers/GeometryRefDragTracker.h"
#include "views/trackers/MoveTrackers.h"
#include "views/trackers/PolygonTrackers.h"
#include "views/trackers/ResizeTrackers.h"
#include "views/trackers/RotateTracker.h"
#include "views/trackers/SelectionTrackers.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/world/HotPointSnapper.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldTracking.h"
#include "views/world/WorldTrackingClicks.h"
#include "views/world/WorldWindow.h"

namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBoxColour = RGB(200, 0, 0);
constexpr double kPixelsPerMetre = 100.0;
constexpr int16_t kFirstBox = 2;
constexpr int16_t kSecondBox = 3;
constexpr int16_t kFreePoint = 4;
constexpr int16_t kPolygon = 5;
constexpr int16_t kPicture = 73;
constexpr int16_t kPolygonPrototype = 2511;  // the line converter's polygon body

// The desktop as a script: each poll for its events delivers the user's next action.
class TScriptedDesktop : public WindowPresenter {
 public:
  explicit TScriptedDesktop(std::function<void()> onPoll) : onPoll_(std::move(onPoll)) {}
  void TopLevelCreated(HWND) override {}
  void TopLevelChanged(HWND) override {}
  void TopLevelDestroyed(HWND) override {}
  void SurfaceUpdated(HWND, const RECT&) override {}
  bool WaitForEvents(int32_t) override {
    PollEvents();
    return true;
  }
  void PollEvents() override { onPoll_(); }
  void ShowCursorShape(uintptr_t) override {}
  bool PutDesktopText(const std::string&) override { return false; }
  bool GetDesktopText(std::string*) override { return false; }

 private:
  std::function<void()> onPoll_;
};

// Two boxes side by side, a free point above them and a polygon below, without gravity.
std::unique_ptr<TQVDoc> MakeTrackingWorld() {
  using namespace sample_worlds;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& ground = AddGround(world);
  for (const auto& [identifier, x] : {std::pair{kFirstBox, -1.0}, std::pair{kSecondBox, 1.0}}) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, 0.4);
    box.SetNumberProperty(kTagHeight, 0.4);
    box.SetMass(1.0);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(0.0));
    box.SetShortProperty(kTagFillPattern, 1);
    box.SetColourProperty(kTagFillColour, ColorRefToRGB16(kBoxColour));
  }
  AddPoint(world, kFreePoint, ground, {0.0, 1.2});
  TPolygon& polygon = Add<TPolygon>(world, kPolygon);
  TTable& vertices = Add<TTable>(world, 6);
  for (const TVector& p : {TVector{-0.2, -0.2}, TVector{0.2, -0.2}, TVector{0.2, 0.2}})
    vertices.AppendPoint(p);
  polygon.LinkVertexTable(&vertices);
  polygon.SetFormulaProperty(kTagPosX, TFormula(0.0));
  polygon.SetFormulaProperty(kTagPosY, TFormula(-1.5));
  polygon.ShapeChanged(1);
  return document;
}

// A current target that notes the command it is asked for and makes none.
class TNotingTarget : public TTargetHandler {
 public:
  TCommandCore* DoMenuCommand(int16_t command) override {
    asked = command;
    return nullptr;
  }
  int16_t asked = 0;
};

class WorldTrackingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
    InstallWindowBinding();
    main_ = new CMainFrame;
    ASSERT_TRUE(main_->CreateMainWindow());
    ShowWindow(main_->m_hWnd, SW_SHOW);
    InstallWindowLayer(main_);
    app_->Commands().SetMainFrame(main_->m_hWnd);
    documents_ = std::make_unique<TDocumentWindows>();
    // Each test process its own file: tests of this suite run side by side.
    path_ = std::string(::testing::TempDir()) + "yb-tracking-world-" + std::to_string(::getpid()) +
            ".yb";
    MakeWorld()->WriteDocument(path_);
    Open();
  }
  virtual std::unique_ptr<TQVDoc> MakeWorld() { return MakeTrackingWorld(); }
  void TearDown() override {
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    documents_.reset();
    SetCurrentPort(GetGlobalPort());
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentWrappedView(nullptr);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    UseProcessClock();
    std::fclose(stream_);
    std::remove(path_.c_str());
  }

  void Open() {
    TOpenDocumentCommand open(path_);
    open.OnOpened([&](TQVDoc& document) {
      world_ = &document.World();
      documents_->Open(open.TakeDocument(), open.Path());
    });
    app_->Commands().HandleCommand(&open);
    ASSERT_NE(world_, nullptr);
    window_ = documents_->Documents().front()->WorldWindow();
    ASSERT_NE(window_, nullptr);
    view_ = window_->MainView();
    ASSERT_NE(view_, nullptr);
    Pump();
    world_->Scale().SetConstant(kPixelsPerMetre);
    view_->CentreOrigin();
    view_->ScaleChanged();
    Pump();
  }

  TThing* Object(int16_t identifier) {
    return dynamic_cast<TThing*>(world_->FindObject(identifier));
  }
  TVector3 Placement(int16_t identifier) {
    TVector3 placement;
    Object(identifier)->GetPlacement(placement);
    return placement;
  }
  MacPoint ScreenOf(double x, double y) { return view_->WorldToView(TVector(x, y)); }
  MacPoint ScreenOf(int16_t identifier) {
    const TVector3 at = Placement(identifier);
    return ScreenOf(at.x, at.y);
  }

  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  COLORREF At(const MacPoint& point) {
    RECT viewRect;
    GetWindowRect(view_->GetWindowHandle(), &viewRect);
    RECT mainRect;
    GetWindowRect(main_->m_hWnd, &mainRect);
    const uint32_t pixel =
        GetWindowSurface(main_->m_hWnd)
            ->Pixel(viewRect.left - mainRect.left + point.h, viewRect.top - mainRect.top + point.v);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  // The world point a tracker takes for a view point, snapped as the trackers snap it.
  TVector TrackedWorld(const MacPoint& point) {
    TWorldTrackerContext& context = *window_->TrackerContext();
    TVector world =
        Transform2D::ApplyToVector(context.ScreenToWorldTransform(), TVector(point.h, -point.v));
    const double step = context.TrackingSnappingDistance();
    SnapToMultiple(world.x, step);
    SnapToMultiple(world.y, step);
    return world;
  }

  int32_t RunLoop(std::vector<std::function<void()>> whenIdle) {
    size_t next = 0;
    SetIdleScript([&] {
      if (next < whenIdle.size()) {
        whenIdle[next++]();
      } else {
        PostQuitMessage(0);
      }
      return true;
    });
    const int32_t exitCode = app_->RunEventLoop(main_->m_hWnd);
    SetIdleScript(nullptr);
    EXPECT_EQ(next, whenIdle.size());
    return exitCode;
  }
  // A drag made only of what the user does, through the program's event loop: the button goes
  // down at the press, each poll of the tracking loop moves the pointer on, and after the last
  // point the button comes up. Each move may come a pause (milliseconds) after the last.
  void LiveDrag(const MacPoint& press, const std::vector<MacPoint>& moves, DWORD pause = 0) {
    const HWND view = view_->GetWindowHandle();
    auto screen = [view](const MacPoint& point) {
      POINT at{point.h, point.v};
      ClientToScreen(view, &at);
      return at;
    };
    std::vector<std::function<void()>> desktop;
    for (const MacPoint& move : moves)
      desktop.push_back([=] {
        AdvanceVirtualClock(pause);
        InjectMouseMove(screen(move));
      });
    desktop.push_back([=] { InjectMouseButton(MouseButton::kLeft, false, screen(moves.back())); });
    size_t next = 0;
    TScriptedDesktop presenter([&] {
      MSG waiting;
      if (PeekMessage(&waiting, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) return;
      if (GetCapture() == view && next < desktop.size()) desktop[next++]();
    });
    SetWindowPresenter(&presenter);
    RunLoop({[=] {
      InjectMouseMove(screen(press));
      InjectMouseButton(MouseButton::kLeft, true, screen(press));
    }});
    SetWindowPresenter(nullptr);
    EXPECT_EQ(next, desktop.size());
    EXPECT_EQ(GetCapture(), nullptr);
    Pump();
  }
  void Command(int16_t command) {
    SendMessage(main_->m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
    while (app_->Commands().PerformNextQueued()) {
    }
    Pump();
  }
  // A click of the left button at a view point, with Shift held when asked.
  std::function<void()> Click(MacPoint point, bool shift) {
    const HWND view = view_->GetWindowHandle();
    return [=] {
      POINT at{point.h, point.v};
      ClientToScreen(view, &at);
      if (shift) InjectKey(VK_SHIFT, true);
      InjectMouseMove(at);
      InjectMouseButton(MouseButton::kLeft, true, at);
      InjectMouseButton(MouseButton::kLeft, false, at);
      if (shift) InjectKey(VK_SHIFT, false);
    };
  }
  // A picture gadget of 20 x 16 black pixels at (20, 20) on the window, numbered kPicture.
  TPictGadget& AddBlackPicture() {
    TPictGadget& picture = AdoptBlackPicture(*world_, kPicture);
    picture.MoveBy(MacPoint(20, 20));
    return picture;
  }
  // A press straight into the window's dispatch, as the view hands it on.
  TCommandCore* Press(const MacPoint& point, int16_t clicks = 1, WPARAM keys = 0) {
    TMouseEvent event;
    event.kind = TMouseEvent::kMouseDown;
    event.clickCount = clicks;
    event.copy.message = clicks > 1 ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
    event.copy.wParam = keys;
    event.copy.time = GetTickCount();
    return window_->MouseDown(point, &event);
  }
  static void Free(TCommandCore* command) {
    if (command && command->IsFreeWhenDone()) delete command;
  }
  // A double click at the point, tracked through its press.
  void DoubleClick(const MacPoint& point) {
    TCommandCore* press = Press(point, 2);
    auto* tracker = dynamic_cast<TCommandBase*>(press);
    ASSERT_NE(tracker, nullptr);
    tracker->TrackMouse(0, QV_CPoint(point), QV_CPoint(point), QV_CPoint(point), false);
    Free(press);
  }

  std::FILE* stream_ = nullptr;
  std::string path_;
  std::unique_ptr<TApp> app_;
  CMainFrame* main_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  TWorldDoc* world_ = nullptr;
  TWorldWindow* window_ = nullptr;
  TMainWorldView* view_ = nullptr;
};

MacPoint Offset(const MacPoint& point, int16_t dh, int16_t dv) {
  return MacPoint(static_cast<int16_t>(point.h + dh), static_cast<int16_t>(point.v + dv));
}

TEST_F(WorldTrackingTest, SelectDragUndoTurnSnapSaveAndReopen) {
  world_->SetAngleSnap(0);  // the grid's finest step, below a pixel
  const MacPoint origin = ScreenOf(0.0, 0.0);
  const COLORREF beside = At(Offset(origin, 0, 40));
  ASSERT_EQ(beside, kWhite);

  // A band round both boxes selects them, and not the point above or the polygon below.
  LiveDrag(Offset(origin, -140, -30), {Offset(origin, 0, 0), Offset(origin, 140, 30)});
  ASSERT_EQ(world_->Selection().size(), 2u);
  EXPECT_EQ(world_->Selection()[0], Object(kFirstBox));
  EXPECT_EQ(world_->Selection()[1], Object(kSecondBox));
  // The band's inverted frame is gone.
  EXPECT_EQ(At(Offset(origin, -140, 0)), kWhite);
  EXPECT_EQ(At(Offset(origin, 0, 30)), kWhite);

  // A drag from the first box moves both by the exact world delta; the pixels follow.
  const TVector3 firstStart = Placement(kFirstBox);
  const TVector3 secondStart = Placement(kSecondBox);
  const MacPoint press = ScreenOf(kFirstBox);
  const MacPoint release = Offset(press, 30, -20);
  const TVector from = TrackedWorld(press);
  const TVector to = TrackedWorld(release);
  LiveDrag(press, {Offset(press, 5, 0), Offset(press, 20, -10), release});
  const TVector3 firstMoved = Placement(kFirstBox);
  const TVector3 secondMoved = Placement(kSecondBox);
  EXPECT_DOUBLE_EQ(firstMoved.x, firstStart.x + (to.x - from.x));
  EXPECT_DOUBLE_EQ(firstMoved.y, firstStart.y + (to.y - from.y));
  EXPECT_DOUBLE_EQ(secondMoved.x, secondStart.x + (to.x - from.x));
  EXPECT_DOUBLE_EQ(secondMoved.y, secondStart.y + (to.y - from.y));
  EXPECT_NEAR(to.x - from.x, 0.3, 0.01);
  EXPECT_EQ(At(Offset(ScreenOf(firstStart.x, firstStart.y), 0, 15)), kWhite);
  EXPECT_EQ(At(Offset(ScreenOf(kFirstBox), 0, 15)), kBoxColour);
  EXPECT_EQ(At(Offset(ScreenOf(kSecondBox), 0, 15)), kBoxColour);

  // Undo takes the move back, redo brings it again.
  Command(101);
  EXPECT_DOUBLE_EQ(Placement(kFirstBox).x, firstStart.x);
  EXPECT_DOUBLE_EQ(Placement(kSecondBox).y, secondStart.y);
  EXPECT_EQ(At(Offset(ScreenOf(kFirstBox), 0, 15)), kBoxColour);
  Command(101);
  EXPECT_DOUBLE_EQ(Placement(kFirstBox).x, firstMoved.x);
  EXPECT_DOUBLE_EQ(Placement(kSecondBox).y, secondMoved.y);

  // The turning tool turns the selection about its middle: from right of the middle to above
  // it is a quarter turn.
  Command(TWorldDoc::kDragSelectionTool);
  ASSERT_EQ(world_->GetCurrentTool(), TWorldDoc::kDragSelectionTool);
  const TVector middle((firstMoved.x + secondMoved.x) / 2, (firstMoved.y + secondMoved.y) / 2);
  const MacPoint grip = ScreenOf(secondMoved.x, secondMoved.y);
  const MacPoint top = ScreenOf(middle.x, middle.y + (secondMoved.x - middle.x));
  LiveDrag(grip, {Offset(grip, -10, -30), Offset(top, 10, 0), top});
  const TVector3 firstTurned = Placement(kFirstBox);
  const TVector3 secondTurned = Placement(kSecondBox);
  const double angle = secondTurned.r - secondMoved.r;
  EXPECT_NEAR(angle, std::numbers::pi / 2, 0.02);
  EXPECT_DOUBLE_EQ(firstTurned.r - firstMoved.r, angle);
  for (const auto& [start, turned] :
       {std::pair{firstMoved, firstTurned}, std::pair{secondMoved, secondTurned}}) {
    const double dx = start.x - middle.x;
    const double dy = start.y - middle.y;
    EXPECT_NEAR(turned.x, middle.x + std::cos(angle) * dx - std::sin(angle) * dy, 1e-9);
    EXPECT_NEAR(turned.y, middle.y + std::sin(angle) * dx + std::cos(angle) * dy, 1e-9);
  }
  // The boxes stand above and below the middle now.
  EXPECT_EQ(At(Offset(ScreenOf(secondTurned.x, secondTurned.y), 0, 15)), kBoxColour);

  // The free point dropped near the second box's centre snaps onto it and sits on the box.
  Command(TWorldBase::kSelectionTool);
  THotPointSnapper* snapper = view_->GetSnapper();
  ASSERT_NE(snapper, nullptr);
  snapper->Refresh();
  ASSERT_NE(snapper->IsActive(), 0);
  const MacPoint pointAt = ScreenOf(kFreePoint);
  const MacPoint boxCentre = ScreenOf(kSecondBox);
  LiveDrag(pointAt, {Offset(pointAt, 10, 10), Offset(boxCentre, 2, -2)});
  auto* point = dynamic_cast<TPoint*>(Object(kFreePoint));
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetBody(), Object(kSecondBox));
  const TVector3 snapped = Placement(kFreePoint);
  EXPECT_NEAR(snapped.x, secondTurned.x, 1e-9);
  EXPECT_NEAR(snapped.y, secondTurned.y, 1e-9);

  // Saved and opened again, everything stands where the gestures left it.
  const std::string saved = std::string(::testing::TempDir()) + "yb-tracked-world.yb";
  documents_->Documents().front()->Document().WriteDocument(saved);
  TQVDoc reopened;
  reopened.ReadDocument(saved);
  std::remove(saved.c_str());
  for (int16_t identifier : {kFirstBox, kSecondBox, kFreePoint, kPolygon}) {
    SCOPED_TRACE(identifier);
    auto* thing = dynamic_cast<TThing*>(reopened.World().FindObject(identifier));
    ASSERT_NE(thing, nullptr);
    TVector3 read;
    thing->GetPlacement(read);
    const TVector3 left = Placement(identifier);
    EXPECT_NEAR(read.x, left.x, 1e-12);
    EXPECT_NEAR(read.y, left.y, 1e-12);
    EXPECT_NEAR(read.r, left.r, 1e-12);
  }
  auto* readPoint = dynamic_cast<TPoint*>(reopened.World().FindObject(kFreePoint));
  ASSERT_NE(readPoint, nullptr);
  ASSERT_NE(readPoint->GetBody(), nullptr);
  EXPECT_EQ(readPoint->GetBody()->GetIdentifier(), kSecondBox);
}

TEST_F(WorldTrackingTest, EachClickGetsAFreshStandingTrackerOfItsKind) {
  TWorldClickDispatch& clicks = *window_->Clicks();
  const MacPoint empty = ScreenOf(0.0, 0.6);
  TCommandCore* band = Press(empty);
  EXPECT_NE(dynamic_cast<TRubberBandTracker*>(band), nullptr);
  EXPECT_EQ(clicks.AreaTracker(), nullptr);  // handed out
  TCommandCore* second = Press(empty);
  EXPECT_NE(dynamic_cast<TRubberBandTracker*>(second), nullptr);
  EXPECT_NE(second, band);
  Free(band);
  Free(second);

  // A box: the selection's move tracker; the free point alone: the point's own.
  TCommandCore* move = Press(ScreenOf(kFirstBox));
  EXPECT_EQ(move->GetCommandNumber(), kCmdMoveObjects);
  EXPECT_NE(dynamic_cast<TMoveObjectsTracker*>(move), nullptr);
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFirstBox)});
  Free(move);
  TCommandCore* pointMove = Press(ScreenOf(kFreePoint));
  auto* movePoint = dynamic_cast<TMovePointTracker*>(pointMove);
  ASSERT_NE(movePoint, nullptr);
  EXPECT_EQ(movePoint->Point(), Object(kFreePoint));
  Free(pointMove);

  // The turning tool hands out the drag tracker about the selection's middle.
  world_->SetMode(TWorldDoc::kDragSelectionTool, 0);
  TCommandCore* turn = Press(ScreenOf(kSecondBox));
  auto* rotate = dynamic_cast<TRotateTracker*>(turn);
  ASSERT_NE(rotate, nullptr);
  EXPECT_EQ(rotate->Centre(), TVector(1.0, 0.0));
  Free(turn);
  // Any other tool (the zoom tools are the view's own) makes no tracker here.
  world_->SetMode(2001, 0);
  EXPECT_EQ(Press(ScreenOf(kFirstBox)), nullptr);
}

TEST_F(WorldTrackingTest, PlayerModeAndRunsChooseTheObjectTrackerOrNone) {
  world_->SetPlayerMode(1);
  world_->Select(Object(kFirstBox));
  // Empty space in player mode empties the selection and starts nothing.
  EXPECT_EQ(Press(ScreenOf(0.0, 0.6)), nullptr);
  EXPECT_TRUE(world_->Selection().empty());
  // An object takes the object tracker, which selects nothing in player mode.
  TCommandCore* press = Press(ScreenOf(kFirstBox));
  auto* object = dynamic_cast<TTracker480*>(press);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetClassIDAt(0), TTracker480::kClassID);
  EXPECT_EQ(object->HitObject(), Object(kFirstBox));
  EXPECT_TRUE(world_->Selection().empty());
  Free(press);
}

// A double click on an object with a dialog of its own selects it alone and queues that dialog
// on it; on an object without one it sends "open" down the target chain.
TEST_F(WorldTrackingTest, ADoubleClickOpensTheObjectsDialogOrSendsOpenToTheCurrentTarget) {
  TNotingTarget target;
  SetCurrentTarget(&target);
  TCommandHandler& commands = app_->Commands();
  const auto queuedDialogs = [&commands] {
    std::vector<TRefHolder*> dialogs;
    for (int32_t index = 1; index <= commands.QueuedCount(); ++index) {
      if (auto* dialog = dynamic_cast<TRefHolder*>(commands.QueuedAt(index)))
        dialogs.push_back(dialog);
    }
    return dialogs;
  };

  world_->Select(Object(kSecondBox));
  DoubleClick(ScreenOf(kFirstBox));
  EXPECT_EQ(target.asked, 0);
  const std::vector<TRefHolder*> dialogs = queuedDialogs();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0]->GetCommandNumber(), TMass::kPropertiesDialog);
  EXPECT_EQ(dialogs[0]->Objects(), std::vector<TLink*>{Object(kFirstBox)});
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFirstBox)});
  commands.RemoveQueued(dialogs[0]);
  delete dialogs[0];

  // A free point has no dialog of its own.
  DoubleClick(ScreenOf(kFreePoint));
  EXPECT_EQ(target.asked, kCmdOpenSelection);
  EXPECT_TRUE(queuedDialogs().empty());
  SetCurrentTarget(nullptr);
}

TEST_F(WorldTrackingTest, ToolsTakeTheTrackerOfTheirObjectOncePerClick) {
  world_->Select(Object(kFirstBox));
  world_->SetMode(kPolygonPrototype, 0);
  TCommandCore* waiting = world_->GetToolTracker();
  ASSERT_NE(dynamic_cast<TPolygonSketchTracker*>(waiting), nullptr);
  EXPECT_EQ(waiting->GetCommandNumber(), kPolygonPrototype);
  // The same tool again finds the waiting tracker.
  EXPECT_EQ(world_->TrackerForTool(kPolygonPrototype), waiting);

  // A click takes it and starts the new object alone; the next click gets a new one.
  TCommandCore* first = Press(ScreenOf(0.0, 0.6));
  EXPECT_EQ(first, waiting);
  EXPECT_EQ(first->IsFreeWhenDone(), 1);
  EXPECT_TRUE(world_->Selection().empty());
  EXPECT_EQ(world_->GetToolTracker(), nullptr);
  TCommandCore* second = Press(ScreenOf(0.0, 0.6));
  ASSERT_NE(dynamic_cast<TPolygonSketchTracker*>(second), nullptr);
  EXPECT_NE(second, first);
  Free(first);
  Free(second);

  // A tool without a prototype: -25005, and the click is only said to have failed.
  try {
    world_->SetMode(2799, 0);
    ADD_FAILURE() << "no failure";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25005);
  }
  int32_t alerts = 0;
  SetIdleScript([&] {
    const HWND box = GetMessageBoxWindow();
    if (!box) return false;
    ++alerts;
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  EXPECT_EQ(Press(ScreenOf(0.0, 0.6)), nullptr);
  SetIdleScript(nullptr);
  EXPECT_EQ(alerts, 1);
}

TEST_F(WorldTrackingTest, TrackersFindTheViewsSnapperAndItsHotPoints) {
  THotPointSnapper* snapper = view_->GetSnapper();
  ASSERT_NE(snapper, nullptr);
  snapper->Refresh();
  ASSERT_NE(snapper->IsActive(), 0);
  TWorldTrackerContext& context = *window_->TrackerContext();
  TObject* item = context.FindItem(kHotPointSnapperTag);
  auto* tracking = dynamic_cast<TTrackingSnapper*>(item);
  ASSERT_NE(tracking, nullptr);
  EXPECT_EQ(HotPointSnapperOf(item), snapper);
  EXPECT_TRUE(tracking->IsSnapperActive());
  // A screen point beside the second box's centre finds the centre; free space finds nothing.
  const TVector3 centre = Placement(kSecondBox);
  TVector found;
  ASSERT_TRUE(tracking->FindHotPointNear(Offset(ScreenOf(kSecondBox), 2, -2), found));
  EXPECT_NEAR(found.x, centre.x, 1e-9);
  EXPECT_NEAR(found.y, centre.y, 1e-9);
  EXPECT_FALSE(tracking->FindHotPointNear(ScreenOf(0.0, 0.6), found));

  // A tracker that always wants hot points starts in the window and snaps through it.
  TWorldTrackerView trackerView(*view_);
  TTracker487 handle;
  handle.InitHandle(&trackerView, &context, Object(kSecondBox), 0);
  EXPECT_EQ(handle.Snapper(), tracking);
  // A body's corner dragged by a resize or a sketch lands on the hot point beside it.
  auto* firstBox = dynamic_cast<TBasicMass*>(Object(kFirstBox));
  ASSERT_NE(firstBox, nullptr);
  TShapeResizeTracker resize;
  resize.InitShapeResize(&trackerView, &context, firstBox, 0);
  TShapeSketchTracker sketch;
  sketch.InitSketch(0, &trackerView, &context, nullptr, firstBox);
  const auto landsOnTheCentre = [&](auto& tracker) {
    TVector corner(centre.x + 2.0 / kPixelsPerMetre, centre.y);
    tracker.ConstrainWorldPoint(corner, corner, corner);
    EXPECT_NEAR(corner.x, centre.x, 1e-9);
    EXPECT_NEAR(corner.y, centre.y, 1e-9);
    EXPECT_EQ(tracker.IsOnHotPoint(), 1);
  };
  landsOnTheCentre(resize);
  landsOnTheCentre(sketch);
  // With snapping off it starts all the same, without a snapper.
  Command(kCmdSnapToHotPoints);
  ASSERT_EQ(snapper->IsActive(), 0);
  EXPECT_FALSE(tracking->IsSnapperActive());
  TTracker487 unsnapped;
  unsnapped.InitHandle(&trackerView, &context, Object(kSecondBox), 0);
  EXPECT_EQ(unsnapped.Snapper(), nullptr);
}

TEST_F(WorldTrackingTest, TrackersTakeTheUsersDragDelayAndTheWorldsSnappingDistance) {
  TWorldTrackerContext& context = *window_->TrackerContext();
  for (const auto& [preference, delay] : {std::pair{int16_t{0}, 32767}, std::pair{int16_t{1}, 0},
                                          std::pair{int16_t{2}, 20}}) {
    context.SetStoredDragDelay(preference);
    auto* tracker = dynamic_cast<TCommandBase*>(Press(ScreenOf(kFirstBox)));
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->DragDelay(), delay) << preference;
    Free(tracker);
  }
  // The grid snap on: the grid spacing; off: the grid's finest step.
  double spacing = 0, minor = 0, fine = 0;
  int16_t count = 0;
  view_->GetGridParameters(spacing, minor, fine, count);
  // The world itself answers so while its main view is open: a sketched shape snaps to it.
  world_->SetAngleSnap(1);
  EXPECT_EQ(context.TrackingSnappingDistance(), spacing);
  EXPECT_EQ(world_->SnappingDistance(), spacing);
  world_->SetAngleSnap(0);
  EXPECT_EQ(context.TrackingSnappingDistance(), fine);
  EXPECT_EQ(world_->SnappingDistance(), fine);
  EXPECT_LT(fine * kPixelsPerMetre, 1.0);
}

// A press's time and the tracker's clock are ticks of one clock: holding the button still for
// a little more than a quarter of a second begins the drag, a shorter hold does not.
TEST_F(WorldTrackingTest, HoldingThePressStillAQuarterSecondBeginsTheDrag) {
  for (const auto& [pause, begins] : {std::pair{DWORD{200}, false}, std::pair{DWORD{300}, true}}) {
    const MacPoint at = ScreenOf(kFirstBox);
    auto* tracker = dynamic_cast<TSelectionDragTracker*>(Press(at));
    ASSERT_NE(tracker, nullptr);
    const QV_CPoint anchor(at.h, at.v);
    QV_CPoint next = anchor;
    tracker->TrackConstrain(anchor, anchor, next);
    tracker->TrackMouse(0, anchor, anchor, next, true);
    AdvanceVirtualClock(pause);
    tracker->TrackMouse(1, anchor, anchor, next, false);
    EXPECT_EQ(tracker->HasBegun() != 0, begins) << pause << " ms";
    tracker->TrackMouse(2, anchor, anchor, next, false);
    Free(tracker);
  }
}

TEST_F(WorldTrackingTest, TheBandPacesTheViewOnlyWhileItIsDragged) {
  TWorldTrackerContext& context = *window_->TrackerContext();
  const MacPoint empty = ScreenOf(0.0, 0.6);
  auto* band = dynamic_cast<TCommandBase*>(Press(empty));
  ASSERT_NE(band, nullptr);
  QV_CPoint anchor(empty.h, empty.v);
  QV_CPoint next = anchor;
  band->TrackConstrain(anchor, anchor, next);
  band->TrackMouse(0, anchor, anchor, next, true);
  EXPECT_TRUE(context.IsPacing());
  band->TrackMouse(2, anchor, anchor, next, true);
  EXPECT_FALSE(context.IsPacing());
  Free(band);
}

TEST_F(WorldTrackingTest, TheToolCursorIsTheWaitingTrackersAndAPressClearsTheClickWord) {
  const MacPoint empty = ScreenOf(0.0, 0.6);
  world_->SetMode(kPolygonPrototype, 0);
  auto* waiting = dynamic_cast<TCommandBase*>(world_->GetToolTracker());
  ASSERT_NE(waiting, nullptr);
  waiting->SetCursorResource(kCursorDrag);
  ASSERT_TRUE(view_->DoSetCursor(empty, nullptr));
  EXPECT_EQ(view_->CurrentCursorResource(), kCursorDrag);
  // Without a waiting tracker the tool's own cursor shows: the arrow for selection.
  world_->SetMode(TWorldBase::kSelectionTool, 0);
  ASSERT_TRUE(view_->DoSetCursor(empty, nullptr));
  EXPECT_EQ(view_->CurrentCursorResource(), 0u);

  ASSERT_EQ(world_->GetClickWord(), 1);
  TCommandCore* band = Press(empty);
  EXPECT_EQ(world_->GetClickWord(), 0);
  Free(band);
}

// A slider placed on the window is drawn over the world and worked by a live drag: the value
// follows the pointer, the thumb's pixels move with it, and the finished change is one undoable
// command.
TEST_F(WorldTrackingTest, ASliderOnTheWindowIsDrawnAndDraggedLive) {
  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(70);
  TInput& slider = *made;
  world_->AdoptObject(std::move(made));
  slider.MoveBy(MacPoint(20, 20));
  slider.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
  slider.SetValue(0.0, false, false);
  view_->InvalidateForeground();
  Pump();
  const MacRect track = slider.GetTrackRect();
  const int16_t middle = static_cast<int16_t>((track.top + track.bottom) / 2);
  const int16_t half = static_cast<int16_t>(slider.GetThumbLength() / 2);
  // The thumb's white inside sits at the start of the track; its far end is the track's shade.
  const MacPoint thumbStart(static_cast<int16_t>(track.left + 3), static_cast<int16_t>(track.top + 3));
  const MacPoint trackEnd(static_cast<int16_t>(track.right - 4), static_cast<int16_t>(track.top + 3));
  EXPECT_EQ(At(thumbStart), kWhite);

  // Over the track the pointer shows that a press works the control.
  view_->DoSetCursor(MacPoint(static_cast<int16_t>(track.left + 2), middle), nullptr);
  EXPECT_EQ(view_->CurrentCursorResource(), TMainWorldView::kHandleCursor);
  view_->DoSetCursor(MacPoint(400, 300), nullptr);
  EXPECT_NE(view_->CurrentCursorResource(), TMainWorldView::kHandleCursor);

  const MacPoint press(static_cast<int16_t>(track.left + half), middle);
  const MacPoint end(static_cast<int16_t>(track.right - 1), middle);
  LiveDrag(press, {MacPoint(static_cast<int16_t>(track.left + half + 51), middle), end});
  EXPECT_EQ(slider.GetValue(), 1.0);
  EXPECT_EQ(At(trackEnd), kWhite);  // the thumb went to the far end
  EXPECT_TRUE(world_->Selection().empty());  // working a control selects nothing

  // The event loop performed the queued change: it is the last command.
  EXPECT_FALSE(app_->Commands().PerformNextQueued());
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetValue(), 0.0);
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetValue(), 1.0);
}

// What the desktop shows of one pixel of the main frame, as the frame's pixels are put on it.
class TWatchedPixel : public TScriptedDesktop {
 public:
  TWatchedPixel(HWND main, POINT pixel) : TScriptedDesktop([] {}), main_(main), pixel_(pixel) {}
  void SurfaceUpdated(HWND window, const RECT&) override {
    if (window == main_) shown = GetWindowSurface(window)->Pixel(pixel_.x, pixel_.y);
  }
  uint32_t shown = 0x123456;

 private:
  HWND main_;
  POINT pixel_;
};

// A figure a tracker inverts on the view is on the desktop as soon as the tracker has drawn it,
// and so is its erasing.
TEST_F(WorldTrackingTest, FeedbackInvertedOnTheViewIsOnTheDesktopAtOnce) {
  const MacPoint at = ScreenOf(1.0, 1.0);
  ASSERT_EQ(At(at), kWhite);
  RECT viewRect;
  GetWindowRect(view_->GetWindowHandle(), &viewRect);
  RECT mainRect;
  GetWindowRect(main_->m_hWnd, &mainRect);
  TWatchedPixel desktop(main_->m_hWnd, POINT{viewRect.left - mainRect.left + at.h,
                                             viewRect.top - mainRect.top + at.v});
  SetWindowPresenter(&desktop);
  TWorldTrackerView port(*view_);
  const auto invert = [&] {
    HDC dc = port.BeginFeedbackDrawing();
    ASSERT_NE(dc, nullptr);
    PortResetPen();
    PortSetPenMode(R2_NOTXORPEN);
    PortMoveTo(at.h - 3, at.v);
    PortLineTo(7, 0);
    PortResetPen();
    port.EndFeedbackDrawing(dc);
  };
  invert();
  EXPECT_EQ(desktop.shown, 0x000000u) << "the figure is not on the desktop";
  invert();
  EXPECT_EQ(desktop.shown, 0xFFFFFFu) << "the erased figure is still on the desktop";
  SetWindowPresenter(nullptr);
}

// The marker the snapper crosses over a hot point under the hovering pointer is on the desktop
// as soon as it is drawn, and so is its erasing when the pointer leaves.
TEST_F(WorldTrackingTest, TheHotPointMarkerIsOnTheDesktopAsSoonAsItIsDrawn) {
  THotPointSnapper* snapper = view_->GetSnapper();
  ASSERT_NE(snapper, nullptr);
  snapper->Refresh();
  snapper->ShowHotPoints();
  ASSERT_NE(snapper->IsMarkerWanted(), 0);
  // The box's centre is a hot point; the cross's arm passes 3 pixels up and left of it.
  const MacPoint centre = ScreenOf(kFirstBox);
  const MacPoint arm = Offset(centre, -3, -3);
  ASSERT_EQ(At(arm), kBoxColour);
  RECT viewRect;
  GetWindowRect(view_->GetWindowHandle(), &viewRect);
  RECT mainRect;
  GetWindowRect(main_->m_hWnd, &mainRect);
  const POINT pixel{viewRect.left - mainRect.left + arm.h, viewRect.top - mainRect.top + arm.v};
  // Only what the desktop is told of the pixel's area counts.
  class TWatchedArea : public TScriptedDesktop {
   public:
    TWatchedArea(HWND main, POINT pixel) : TScriptedDesktop([] {}), main_(main), pixel_(pixel) {}
    void SurfaceUpdated(HWND window, const RECT& area) override {
      if (window == main_ && PtInRect(area, pixel_))
        shown = GetWindowSurface(window)->Pixel(pixel_.x, pixel_.y);
    }
    uint32_t shown = 0x123456;

   private:
    HWND main_;
    POINT pixel_;
  } desktop(main_->m_hWnd, pixel);
  SetWindowPresenter(&desktop);
  view_->TrackMouseOver(Offset(centre, 1, 1));
  EXPECT_EQ(snapper->GetHoverObject(), Object(kFirstBox));
  const uint32_t box = (GetRValue(kBoxColour) << 16) | (GetGValue(kBoxColour) << 8) |
                       GetBValue(kBoxColour);
  EXPECT_EQ(desktop.shown, ~box & 0xFFFFFFu) << "the marker is not on the desktop";
  view_->TrackMouseOver(ScreenOf(0.0, 0.6));
  EXPECT_EQ(snapper->GetHoverObject(), nullptr);
  EXPECT_EQ(desktop.shown, box) << "the erased marker is still on the desktop";
  SetWindowPresenter(nullptr);
}

// A band round a slider on the window selects it; its bottom right corner dragged stretches it,
// the top left staying, as one undoable resize of the control.
TEST_F(WorldTrackingTest, ABandGathersASliderWhoseCornerStretchesItAsOneUndoableResize) {
  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(70);
  TInput& slider = *made;
  world_->AdoptObject(std::move(made));
  slider.MoveBy(MacPoint(20, 20));
  slider.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
  view_->InvalidateForeground();
  Pump();
  const MacRect start = slider.GetFrame();

  // The band from the empty space below the slider, up past its top left.
  LiveDrag(MacPoint(160, 50), {MacPoint(100, 30), MacPoint(10, 10)});
  ASSERT_EQ(world_->Selection().size(), 1u);
  EXPECT_EQ(world_->Selection().front(), &slider);

  const MacPoint corner(static_cast<int16_t>(start.right - 1), static_cast<int16_t>(start.bottom - 1));
  LiveDrag(corner, {Offset(corner, 10, 4), Offset(corner, 30, 10)});
  EXPECT_EQ(slider.GetFrame(), MacRect(start.left, start.top, static_cast<int16_t>(start.right + 30),
                                       static_cast<int16_t>(start.bottom + 10)));
  TCommandCore* resize = app_->Commands().GetLastCommand();
  ASSERT_NE(resize, nullptr);
  EXPECT_EQ(resize->GetCommandNumber(), 2001);
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetFrame(), start);
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetFrame().right, start.right + 30);
}

// A slider on the window goes with a dragged selection only when it is selected too, by the
// pixels the mouse moved.
TEST_F(WorldTrackingTest, ASliderMovesWithADraggedBoxOnlyWhenSelectedWithIt) {
  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(70);
  TInput& slider = *made;
  world_->AdoptObject(std::move(made));
  slider.MoveBy(MacPoint(20, 20));
  slider.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
  view_->InvalidateForeground();
  Pump();
  const MacRect start = slider.GetFrame();

  // The box alone: the slider stays.
  const MacPoint box = ScreenOf(kFirstBox);
  LiveDrag(box, {Offset(box, 5, 0), Offset(box, 20, 10)});
  ASSERT_EQ(world_->Selection().size(), 1u);
  EXPECT_EQ(slider.GetFrame(), start);

  // With the slider added to the selection, both go. (A while later: the press is no second
  // click of a double click.)
  world_->Select(&slider);
  AdvanceVirtualClock(2000);
  const MacPoint moved = ScreenOf(kFirstBox);
  LiveDrag(moved, {Offset(moved, 5, 0), Offset(moved, 20, 10)});
  EXPECT_EQ(world_->Selection().size(), 2u);
  MacRect expected = start;
  expected.Offset(20, 10);
  EXPECT_EQ(slider.GetFrame(), expected);
}

// The tracking world with its first box hung from a pin a metre above it.
class PinnedBoxTest : public WorldTrackingTest {
 protected:
  static constexpr int16_t kPivot = 10;
  static constexpr int16_t kHung = 11;
  static constexpr int16_t kPin = 12;
  std::unique_ptr<TQVDoc> MakeWorld() override {
    using namespace sample_worlds;
    std::unique_ptr<TQVDoc> document = MakeTrackingWorld();
    TWorldDoc& world = document->World();
    auto* ground = dynamic_cast<TMass*>(world.FindObject(kBackgroundId));
    auto* box = dynamic_cast<TMass*>(world.FindObject(kFirstBox));
    TPoint& pivot = AddPoint(world, kPivot, *ground, {-1.0, 1.0});
    TPoint& hung = AddPoint(world, kHung, *box, {0.0, 1.0});
    AddPin(world, kPin, pivot, hung);
    return document;
  }
};

// The pinned box dragged on the window swings round its pin, as one undoable geometry drag;
// with the Select and Drag tool and Control down, the world's pending pin is the drag's
// reference, taken once and let go while the drag lasts.
TEST_F(PinnedBoxTest, APinnedBodyIsDraggedRoundItsPin) {
  auto* hung = dynamic_cast<TPoint*>(world_->FindObject(kHung));
  auto* pin = dynamic_cast<TPin*>(world_->FindObject(kPin));
  ASSERT_NE(hung, nullptr);
  ASSERT_NE(pin, nullptr);
  std::vector<MacPoint> arc;
  for (int step = 1; step <= 9; ++step) {
    const double angle = step * (std::numbers::pi / 18.0);
    arc.push_back(ScreenOf(-1.0 + std::sin(angle), 1.0 - std::cos(angle)));
  }
  // The user holds the button a moment before the box follows.
  LiveDrag(ScreenOf(kFirstBox), arc, 300);
  ASSERT_NE(app_->Commands().GetLastCommand(), nullptr);
  EXPECT_EQ(app_->Commands().GetLastCommand()->GetCommandNumber(), kCmdGeometryDrag);
  EXPECT_NEAR(hung->GetWorldXY().x, -1.0, 1e-6);
  EXPECT_NEAR(hung->GetWorldXY().y, 1.0, 1e-6);
  EXPECT_NEAR(Placement(kFirstBox).x, 0.0, 0.02);
  EXPECT_NEAR(Placement(kFirstBox).y, 1.0, 0.02);
  EXPECT_EQ(Placement(kSecondBox), TVector3(1.0, 0.0, 0.0));
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(Placement(kFirstBox), TVector3(-1.0, 0.0, 0.0));

  Command(TWorldDoc::kDragSelectionTool);
  world_->SetPendingObject(pin);
  TCommandCore* plain = Press(ScreenOf(kFirstBox));
  auto* drag = dynamic_cast<TGeometryRefDragTracker*>(plain);
  ASSERT_NE(drag, nullptr);
  EXPECT_EQ(drag->ReferenceObject(), Object(kFirstBox));
  EXPECT_EQ(world_->PendingObject(), pin);
  Free(plain);
  InjectKey(VK_CONTROL, true);
  TCommandCore* held = Press(ScreenOf(kFirstBox));
  InjectKey(VK_CONTROL, false);
  drag = dynamic_cast<TGeometryRefDragTracker*>(held);
  ASSERT_NE(drag, nullptr);
  EXPECT_EQ(drag->GetCommandNumber(), kCmdGeometryRefDrag);
  EXPECT_EQ(drag->ReferenceObject(), pin);
  EXPECT_EQ(drag->SwitchedOff(), pin);
  EXPECT_FALSE(pin->IsInactive());
  EXPECT_EQ(world_->PendingObject(), nullptr);
  Free(held);
  EXPECT_TRUE(pin->IsInactive());

  // A rectangle dragged out with its tool is left pending: the next Control-press with the
  // Select and Drag tool refers to it, once.
  Command(2503);
  LiveDrag(ScreenOf(1.5, 1.5), {ScreenOf(2.0, 1.8), ScreenOf(2.5, 2.0)});
  TLink* rectangle = world_->Objects().back();
  ASSERT_TRUE(rectangle->IsMemberClass(TBasicMass::kClassID));
  EXPECT_EQ(world_->PendingObject(), rectangle);
  Command(TWorldDoc::kDragSelectionTool);
  InjectKey(VK_CONTROL, true);
  TCommandCore* refers = Press(ScreenOf(kFirstBox));
  InjectKey(VK_CONTROL, false);
  drag = dynamic_cast<TGeometryRefDragTracker*>(refers);
  ASSERT_NE(drag, nullptr);
  EXPECT_EQ(drag->ReferenceObject(), rectangle);
  EXPECT_EQ(world_->PendingObject(), nullptr);
  Free(refers);
}

// The pin's mark covers both its points: a double click there selects the pin alone and asks
// the current target to show it; a double click on a free point still opens the point.
TEST_F(PinnedBoxTest, ADoubleClickOnThePinsMarkOpensThePin) {
  TNotingTarget target;
  SetCurrentTarget(&target);
  DoubleClick(ScreenOf(-1.0, 1.0));
  EXPECT_EQ(target.asked, kCmdOpenSelection);
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kPin)});

  target.asked = 0;
  DoubleClick(ScreenOf(kFreePoint));
  EXPECT_EQ(target.asked, kCmdOpenSelection);
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFreePoint)});
  SetCurrentTarget(nullptr);
}

// The spring-and-pin world in its window: the spring's input menu places a slider for its
// constant, and the slider, dragged with the mouse, sets the constant of the next run.
class SpringSliderPlacingTest : public WorldTrackingTest {
 protected:
  std::unique_ptr<TQVDoc> MakeWorld() override { return sample_worlds::MakeSpringAndPin(); }

  TInput* NewestInput() {
    TInput* found = nullptr;
    for (TLink* object : world_->Objects()) {
      if (auto* input = dynamic_cast<TInput*>(object)) found = input;
    }
    return found;
  }
  std::string SpringConstantText() {
    auto* spring = dynamic_cast<TLSpring*>(world_->FindObject(sample_worlds::kSpringId));
    Str255 text;
    if (spring != nullptr) spring->Quantity().GetText(text);
    return text.AsCString();
  }
  // The box of 1 kg swings about x = 1 with amplitude 0.5 and angular frequency sqrt(k).
  void ExpectSwing(double k) {
    SCOPED_TRACE(k);
    auto* box = dynamic_cast<TRectangle*>(world_->FindObject(sample_worlds::kBoxId));
    ASSERT_NE(box, nullptr);
    const double step = world_->GetEngine()->TimeStep();
    const auto frames = static_cast<int16_t>(std::ceil(1.5 / step));
    world_->RunToFrame(frames, nullptr);
    for (int16_t frame = 0; frame <= frames; frame += 7) {
      world_->ShowFrame(frame, 1);
      EXPECT_NEAR(box->PositionX()->GetValue(), 1.0 + 0.5 * std::cos(std::sqrt(k) * frame * step),
                  1e-6)
          << frame;
    }
    world_->ShowFrame(0, 1);
  }
};

TEST_F(SpringSliderPlacingTest, TheSpringsInputMenuPlacesASliderThatDrivesTheRun) {
  auto* spring = dynamic_cast<TLSpring*>(world_->FindObject(sample_worlds::kSpringId));
  ASSERT_NE(spring, nullptr);
  ASSERT_EQ(SpringConstantText(), "100");
  world_->Select(spring);
  Command(TSpringBase::kCommandConstantInput);

  TInput* slider = NewestInput();
  ASSERT_NE(slider, nullptr);
  const std::string formulaName = "Input[" + std::to_string(slider->GetIdentifier()) + "]";
  EXPECT_EQ(SpringConstantText(), formulaName);
  double minimum = 0.0;
  double maximum = 0.0;
  slider->GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 1.0);
  EXPECT_EQ(maximum, 100.0);
  EXPECT_EQ(slider->GetValue(), 100.0);
  EXPECT_EQ(std::string(slider->GetName().AsCString()).rfind(spring->GetName().AsCString(), 0), 0u);

  // Undo takes the slider away and gives the spring its constant back; redo places it again.
  const int16_t identifier = slider->GetIdentifier();
  Command(101);
  EXPECT_EQ(NewestInput(), nullptr);
  EXPECT_EQ(SpringConstantText(), "100");
  Command(101);
  slider = NewestInput();
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->GetIdentifier(), identifier);
  EXPECT_EQ(SpringConstantText(), formulaName);
  ExpectSwing(100.0);

  // The slider is drawn on the window: its thumb's edge stands at the far end of the track.
  view_->InvalidateForeground();
  Pump();
  const MacRect track = slider->GetTrackRect();
  const int16_t middle = static_cast<int16_t>((track.top + track.bottom) / 2);
  const int16_t length = slider->GetThumbLength();
  const int16_t half = static_cast<int16_t>(length / 2);
  const MacPoint thumbEdge(static_cast<int16_t>(track.right - length),
                           static_cast<int16_t>(track.top + 3));
  EXPECT_NE(At(thumbEdge), kWhite);

  // A drag of the thumb halfway back sets a new constant, and the run follows it.
  const MacPoint press(static_cast<int16_t>(track.right - 1 - half), middle);
  const MacPoint release(static_cast<int16_t>(track.left + half + (track.right - track.left) / 2),
                         middle);
  LiveDrag(press, {MacPoint(static_cast<int16_t>(press.h - 10), middle), release});
  const double k = slider->GetValue();
  EXPECT_GT(k, 20.0);
  EXPECT_LT(k, 80.0);
  EXPECT_EQ(SpringConstantText(), formulaName);
  EXPECT_EQ(At(thumbEdge), kWhite);  // the thumb left the end
  ExpectSwing(k);

  // Undo of the drag brings the old constant's run back.
  Command(101);
  EXPECT_EQ(slider->GetValue(), 100.0);
  ExpectSwing(100.0);

  // Redone and saved, the reopened world keeps the slider and its constant.
  Command(101);
  ASSERT_EQ(slider->GetValue(), k);
  auto* document = dynamic_cast<TQVDoc*>(world_->GetDocument());
  ASSERT_NE(document, nullptr);
  document->WriteDocument(path_);
  TQVDoc reopened;
  reopened.ReadDocument(path_);
  auto* kept = dynamic_cast<TInput*>(reopened.World().FindObject(identifier));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetValue(), k);
  auto* keptSpring = dynamic_cast<TLSpring*>(reopened.World().FindObject(sample_worlds::kSpringId));
  ASSERT_NE(keptSpring, nullptr);
  Str255 text;
  keptSpring->Quantity().GetText(text);
  EXPECT_EQ(std::string(text.AsCString()), formulaName);
}

TEST_F(SpringSliderPlacingTest, AMeterFromTheMeterCommandShowsEachFrameOnTheWindow) {
  world_->Select(world_->FindObject(sample_worlds::kBoxId));
  Command(5000);
  TOutput* meter = nullptr;
  for (TLink* object : world_->Objects()) {
    if (auto* found = dynamic_cast<TOutput*>(object)) meter = found;
  }
  ASSERT_NE(meter, nullptr);

  // A bar of the time over [0, 2] s, grown upwards.
  constexpr RGB16Color kBarColour{.red = 0xFFFF, .blue = 0, .green = 0};
  meter->SetColumnCount(2);
  TFormula time;
  time.SetFormattedText(Str255("time"), nullptr, 0);
  meter->SetColumnFormula(2, time);
  meter->SetColumnRange(2, 0.0, 2.0);
  meter->Column(2)->SetColor(kBarColour);
  meter->SetMeterKind(MeterKind::kBar);
  meter->SetPosition(200, 300);
  meter->SetSize(MacPoint(20, 103));
  ASSERT_EQ(meter->GetBarLength(), 100);
  const MacRect full = meter->GetBarRect(1);
  const int16_t across = static_cast<int16_t>((full.left + full.right) / 2);
  // The bar's pixel at a height of h pixels from its foot.
  const auto barAt = [&](int pixels) {
    return At(MacPoint(across, static_cast<int16_t>(full.bottom - pixels)));
  };

  const double step = world_->GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(1.5 / step));
  world_->RunToFrame(frames, nullptr);
  for (const int16_t frame : {frames, static_cast<int16_t>(frames / 3)}) {
    SCOPED_TRACE(frame);
    world_->ShowFrame(frame, 1);
    view_->InvalidateForeground();
    Pump();
    EXPECT_NEAR(meter->Column(2)->GetCurrentValue(), frame * step, 1e-9);
    // The bar reaches t / 2 of its length: red below, white above.
    const int reach = static_cast<int>(std::lround(frame * step / 2.0 * 100.0));
    EXPECT_EQ(barAt(reach - 3), RGB(255, 0, 0));
    EXPECT_EQ(barAt(reach + 3), kWhite);
  }
}

TEST_F(SpringSliderPlacingTest, AGraphMeterPlotsTheRecordedFramesOnTheWindow) {
  Command(5000);
  TOutput* meter = nullptr;
  for (TLink* object : world_->Objects()) {
    if (auto* found = dynamic_cast<TOutput*>(object)) meter = found;
  }
  ASSERT_NE(meter, nullptr);
  // The time against itself over [0, 2] s: the samples lie on the plot's diagonal.
  meter->SetColumnCount(2);
  TFormula time;
  time.SetFormattedText(Str255("time"), nullptr, 0);
  for (int32_t i = 1; i <= 2; ++i) {
    meter->SetColumnFormula(i, time);
    meter->SetColumnRange(i, 0.0, 2.0);
  }
  meter->Column(2)->SetColor(RGB16Color{.red = 0, .blue = 0xFFFF, .green = 0});
  meter->SetMeterKind(MeterKind::kGraph);
  meter->SetPosition(10, 10);
  meter->SetSize(MacPoint(200, 100));
  const MacRect plot = meter->GetContentFrame();

  const double step = world_->GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(1.5 / step));
  world_->RunToFrame(frames, nullptr);
  world_->ShowFrame(frames, 1);
  view_->InvalidateForeground();
  Pump();
  const auto sample = [&](double t, double along) {
    return MacPoint(
        static_cast<int16_t>(plot.left + std::lround(t / 2.0 * (plot.right - plot.left))),
        static_cast<int16_t>(plot.bottom - std::lround(along / 2.0 * (plot.bottom - plot.top))));
  };
  for (const int16_t frame :
       {static_cast<int16_t>(frames / 4), static_cast<int16_t>(frames / 2), frames}) {
    SCOPED_TRACE(frame);
    const double t = frame * step;
    EXPECT_EQ(At(sample(t, t)), RGB(0, 0, 255));
    EXPECT_EQ(At(sample(t, t / 2.0 + 0.1)), kWhite);  // off the curve
  }
}

}  // namespace

namespace {

// A text box on the window: a click in its value field opens an edit control there, and the
// keys typed through the event loop set the value as one undoable change.
TEST_F(WorldTrackingTest, ATextBoxOnTheWindowTakesATypedValue) {
  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(71);
  TInput& box = *made;
  world_->AdoptObject(std::move(made));
  box.SetKind(TInputKind::kTextBox);
  box.MoveBy(MacPoint(20, 20));
  box.SetMinMax(0.0, 1.0);
  box.SetValue(0.25, false, false);
  view_->InvalidateForeground();
  Pump();
  const MacRect field = box.GetValueTextRect();
  const MacPoint inside(static_cast<int16_t>((field.left + field.right) / 2),
                        static_cast<int16_t>((field.top + field.bottom) / 2));
  const HWND view = view_->GetWindowHandle();
  POINT screen{inside.h, inside.v};
  ClientToScreen(view, &screen);
  RunLoop({[=] {
             InjectMouseMove(screen);
             InjectMouseButton(MouseButton::kLeft, true, screen);
             InjectMouseButton(MouseButton::kLeft, false, screen);
           },
           [] {}});
  ASSERT_NE(box.GetTextEdit(), nullptr);
  EXPECT_EQ(GetFocus(), box.GetTextEdit()->GetSafeHwnd());
  // While the value is typed the frame has the editing keys, which leave Delete to the field.
  const auto frameKeys = [this] {
    const HACCEL keys = main_->GetDefaultAccelerator();
    return keys != nullptr ? CopyAcceleratorTable(keys, nullptr, 0) : 0;
  };
  const int32_t editingKeys = frameKeys();

  RunLoop({[] { InjectKeyStroke('5'); }, [] { InjectKeyStroke(VK_RETURN); }, [] {}});
  EXPECT_EQ(box.GetValue(), 1.0);
  EXPECT_EQ(box.GetTextEdit()->GetText(), box.FormatValueText().AsCString());
  RunLoop({[] { InjectKeyStroke(VK_TAB); }, [] {}});
  EXPECT_EQ(box.GetTextEdit(), nullptr);
  EXPECT_GT(frameKeys(), editingKeys);

  // The event loop performed the queued change: it is the last command.
  EXPECT_FALSE(app_->Commands().PerformNextQueued());
  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(box.GetValue(), 0.25);
}

}  // namespace

namespace {

// An action button on the window performs its menu command through the program when pressed:
// a Step Forward button steps the world on.
TEST_F(WorldTrackingTest, AnActionButtonOnTheWindowPerformsItsCommand) {
  class Host : public TProgramActionHost {
   public:
    using TProgramActionHost::TProgramActionHost;
    TCommandCore* MakeMenuCommand(int16_t command) override {
      TCommandCore* made = TProgramActionHost::MakeMenuCommand(command);
      asked.push_back(command);
      if (made != nullptr) ++made_;
      return made;
    }
    std::vector<int16_t> asked;
    int made_ = 0;
  } host(*app_);
  TActionButton::SetHost(&host);
  auto made = std::make_unique<TActionButton>();
  made->Initialize();
  made->SetIdentifier(72);
  TActionButton& button = *made;
  world_->AdoptObject(std::move(made));
  button.MoveBy(MacPoint(20, 20));
  button.SetSize(MacPoint(90, 30));
  button.SetCommand(1101);
  const auto start = world_->CurrentFrame();
  view_->InvalidateForeground();
  Pump();
  const MacRect face = button.GetFaceRect();
  POINT screen{(face.left + face.right) / 2, (face.top + face.bottom) / 2};
  ClientToScreen(view_->GetWindowHandle(), &screen);
  RunLoop({[=] {
             InjectMouseMove(screen);
             InjectMouseButton(MouseButton::kLeft, true, screen);
             InjectMouseButton(MouseButton::kLeft, false, screen);
           },
           [] {}, [] {}});
  EXPECT_FALSE(button.IsPressed());
  ASSERT_FALSE(host.asked.empty());
  EXPECT_EQ(host.asked[0], 1101);
  EXPECT_EQ(host.made_, 1);
  EXPECT_GT(world_->CurrentFrame(), start);  // the world stepped on
  TActionButton::SetHost(nullptr);
}

// A picture on the window is clicked into the selection, a box joins it with Shift, and the Edit
// menu's command attaches the picture: the window then shows it where the box is, and undo puts
// it back in its own place.
TEST_F(WorldTrackingTest, APictureClickedWithABoxIsAttachedFromTheMenu) {
  TPictGadget& picture = AddBlackPicture();
  view_->InvalidateForeground();
  Pump();
  EXPECT_EQ(At(MacPoint(30, 28)), RGB(0, 0, 0));
  const MacPoint box = ScreenOf(kFirstBox);
  RunLoop({Click(MacPoint(30, 28), false), [] {}, Click(box, true), [] {}});
  const auto selected = [this](TLink* object) {
    const std::vector<TLink*>& selection = world_->Selection();
    return std::find(selection.begin(), selection.end(), object) != selection.end();
  };
  ASSERT_TRUE(selected(&picture));
  ASSERT_TRUE(selected(Object(kFirstBox)));
  const auto greyed = [this](int16_t command) {
    app_->Commands().SetupTheMenus();
    const UINT state =
        GetMenuState(GetMenu(main_->m_hWnd), static_cast<UINT>(command), MF_BYCOMMAND);
    return state == static_cast<UINT>(-1) || (state & MF_GRAYED) != 0;
  };
  EXPECT_FALSE(greyed(kCmdAttachPicture));
  EXPECT_TRUE(greyed(kCmdDetachPicture));

  Command(kCmdAttachPicture);
  ASSERT_NE(picture.GetAttachedBody(), nullptr);
  EXPECT_EQ(picture.GetAttachedBody()->GetIdentifier(), kFirstBox);
  view_->InvalidateForeground();
  Pump();
  EXPECT_EQ(At(box), RGB(0, 0, 0));                 // the box shows the picture
  EXPECT_EQ(At(MacPoint(30, 28)), kWhite);          // which left its own place
  EXPECT_FALSE(greyed(kCmdDetachPicture));
  EXPECT_TRUE(greyed(kCmdAttachPicture));

  Command(101);
  EXPECT_EQ(picture.GetAttachedBody(), nullptr);
  EXPECT_EQ(picture.GetPosition(), MacPoint(20, 20));
  view_->InvalidateForeground();
  Pump();
  EXPECT_EQ(At(MacPoint(30, 28)), RGB(0, 0, 0));
  EXPECT_EQ(At(box), kBoxColour);
}

// A box carrying a picture is cleared from the Edit menu: the picture, which is the box's look,
// leaves with it and is drawn nowhere; undo brings the box back carrying it, in a run too, and
// redo, undo again and a saved document keep that. Cleared alone, the picture comes back to the
// box it rode; cleared together, both come back linked.
TEST_F(WorldTrackingTest, AClearedBoxTakesItsPictureAlongAndUndoBringsBothBackLinked) {
  world_->Select(&AddBlackPicture());
  world_->Select(Object(kFirstBox));
  Command(kCmdAttachPicture);
  const auto carried = [this](const char* when) {
    SCOPED_TRACE(when);
    auto* picture = dynamic_cast<TPictGadget*>(world_->FindObject(kPicture));
    auto* box = dynamic_cast<TMass*>(world_->FindObject(kFirstBox));
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(picture->GetAttachedBody(), box);
    EXPECT_EQ(box->GetPicture(), static_cast<TBodyPicture*>(picture));
    view_->InvalidateForeground();
    Pump();
    const MacPoint centre = ScreenOf(kFirstBox);
    EXPECT_EQ(picture->GetPosition(), Offset(centre, -10, -8));
    EXPECT_EQ(At(centre), RGB(0, 0, 0));
    EXPECT_EQ(At(MacPoint(30, 28)), kWhite);
  };
  carried("attached");
  const MacPoint boxAt = ScreenOf(kFirstBox);
  const auto gone = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(world_->FindObject(kFirstBox), nullptr);
    EXPECT_EQ(world_->FindObject(kPicture), nullptr);
    view_->InvalidateForeground();
    Pump();
    EXPECT_EQ(At(boxAt), kWhite);  // nothing left where the box was
  };

  world_->DeselectAll();
  LiveDrag(boxAt, {boxAt});  // a click, which tracks as a drag that does not move
  ASSERT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFirstBox)});
  Command(kCmdClear);
  gone("cleared");
  Command(101);
  carried("undone");
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFirstBox)});
  Command(101);
  gone("redone");
  Command(101);
  carried("undone again");

  // The picture alone: the box stays, in its own colours, and undo gives the picture back to it.
  world_->DeselectAll();
  world_->Select(world_->FindObject(kPicture));
  Command(kCmdClear);
  EXPECT_EQ(world_->FindObject(kPicture), nullptr);
  auto* bare = dynamic_cast<TMass*>(world_->FindObject(kFirstBox));
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(bare->GetPicture(), nullptr);
  view_->InvalidateForeground();
  Pump();
  EXPECT_EQ(At(boxAt), kBoxColour);
  Command(101);
  carried("picture back");

  // A band round the box selects it, the picture joins it, and undo brings both back linked.
  LiveDrag(Offset(boxAt, -40, -40), {Offset(boxAt, 0, 0), Offset(boxAt, 40, 40)});
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{Object(kFirstBox)});
  world_->Select(world_->FindObject(kPicture));
  ASSERT_EQ(world_->Selection().size(), 2u);
  Command(kCmdClear);
  gone("both cleared");
  Command(101);
  carried("both back");
  EXPECT_EQ(world_->Selection().size(), 2u);

  // Sent downwards, the box carries the picture down in a run; the shown start carries it back.
  Object(kFirstBox)->SetFormulaProperty(kTagVelY, TFormula(-1.0));
  const TVector3 start = Placement(kFirstBox);
  world_->RunToFrame(20, nullptr);
  world_->ShowFrame(20, 1);
  EXPECT_LT(Placement(kFirstBox).y, start.y - 0.05);
  carried("run");
  world_->ShowFrame(0, 1);
  carried("back at the start");

  auto* document = dynamic_cast<TQVDoc*>(world_->GetDocument());
  ASSERT_NE(document, nullptr);
  document->WriteDocument(path_);
  TQVDoc reopened;
  reopened.ReadDocument(path_);
  auto* keptPicture = dynamic_cast<TPictGadget*>(reopened.World().FindObject(kPicture));
  ASSERT_NE(keptPicture, nullptr);
  EXPECT_EQ(keptPicture->GetAttachedBody(), reopened.World().FindObject(kFirstBox));
}

}  // namespace

namespace {

int32_t FrameKeyCount(CMainFrame& frame) {
  const HACCEL keys = frame.GetDefaultAccelerator();
  return keys != nullptr ? CopyAcceleratorTable(keys, nullptr, 0) : 0;
}

// A text gadget on the window: a double click opens a rich edit control over it, in which the
// keys typed through the event loop go into the text while the frame's keys leave the editing
// keys alone and the Font command is the field's; a press elsewhere gives the gadget its text
// back. Emptied, the gadget leaves the world, and undo brings it back whole.
TEST_F(WorldTrackingTest, ATextGadgetIsTypedIntoOnTheWindow) {
  auto made = std::make_unique<TTextGadget>();
  made->Initialize();
  made->SetIdentifier(72);
  TTextGadget& text = *made;
  world_->AdoptObject(std::move(made));
  text.MoveBy(MacPoint(30, 30));
  text.SetSize(MacPoint(150, 40));
  text.SetText("ab");
  view_->InvalidateForeground();
  Pump();
  const int32_t normalKeys = FrameKeyCount(*main_);
  const HWND view = view_->GetWindowHandle();
  const auto screen = [view](MacPoint point) {
    POINT at{point.h, point.v};
    ClientToScreen(view, &at);
    return at;
  };
  const POINT inside = screen(MacPoint(60, 45));
  const POINT away = screen(MacPoint(400, 300));
  const auto doubleClick = [inside] {
    InjectMouseMove(inside);
    InjectMouseButton(MouseButton::kLeft, true, inside);
    InjectMouseButton(MouseButton::kLeft, false, inside);
    InjectMouseButton(MouseButton::kLeft, true, inside);
    InjectMouseButton(MouseButton::kLeft, false, inside);
  };
  const auto pressAway = [away] {
    InjectMouseMove(away);
    InjectMouseButton(MouseButton::kLeft, true, away);
    InjectMouseButton(MouseButton::kLeft, false, away);
  };

  // A press selects the gadget, which shows its handles; they go while it is typed into.
  const MacPoint handle(29, 29);
  EXPECT_EQ(At(handle), kWhite);
  RunLoop({[inside] {
             InjectMouseMove(inside);
             InjectMouseButton(MouseButton::kLeft, true, inside);
             InjectMouseButton(MouseButton::kLeft, false, inside);
           },
           [] {}});
  ASSERT_EQ(world_->Selection(), std::vector<TLink*>{&text});
  EXPECT_FALSE(text.IsEditing());
  EXPECT_EQ(At(handle), RGB(0, 0, 0));
  AdvanceVirtualClock(2000);  // the next press starts a click of its own
  RunLoop({doubleClick, [] {}});
  ASSERT_TRUE(text.IsEditing());
  EXPECT_EQ(At(handle), kWhite);
  TGadgetTextField* field = view_->LiveGadgetTextField();
  ASSERT_NE(field, nullptr);
  ASSERT_TRUE(field->IsRich());
  const HWND control = field->GetControl()->GetSafeHwnd();
  EXPECT_EQ(GetFocus(), control);
  EXPECT_EQ(GetDlgCtrlID(control), kTextGadgetControlId);
  int16_t bounds[4] = {0, 0, 0, 0};
  field->GetBounds(bounds);
  const MacRect over = text.EditRect();
  // The control lies over the gadget, as high as its text needs.
  EXPECT_EQ(bounds[0], over.top);
  EXPECT_EQ(bounds[1], over.left);
  EXPECT_EQ(bounds[3], over.right);
  const int32_t oneLine = bounds[2] - bounds[0];
  EXPECT_GT(oneLine, 0);
  EXPECT_LE(oneLine, over.bottom - over.top);
  EXPECT_LT(FrameKeyCount(*main_), normalKeys);
  world_->DeselectAll();
  app_->Commands().SetupTheMenus();
  EXPECT_TRUE(IsMenuCommandEnabled(11200));

  // The style the Font command chooses for the field becomes the gadget's.
  TextStyle chosen = field->GetTextStyle();
  chosen.face = static_cast<uint8_t>(chosen.face | kStyleBold);
  field->SetTextStyle(chosen);
  RunLoop({[] { InjectCharacter('c'); }, [] { InjectKeyStroke(VK_RETURN); },
           [] { InjectCharacter('d'); }, pressAway, [] {}});
  EXPECT_NE(text.GetFont().style & kStyleBold, 0);
  EXPECT_FALSE(text.IsEditing());
  EXPECT_EQ(view_->LiveGadgetTextField(), nullptr);
  EXPECT_EQ(text.GetText(), "abc\r\nd");
  // The gadget takes the control's size: two lines now.
  EXPECT_EQ(text.GetSize().h, 150);
  EXPECT_GE(text.GetSize().v, 2 * text.GetLineHeight());
  EXPECT_EQ(FrameKeyCount(*main_), normalKeys);

  // Marked (as a text just placed is), the text frame is typed into at a single press, under
  // the text cursor.
  EXPECT_EQ(view_->FindGadgetTextArea(MacPoint(60, 45)), nullptr);
  text.SetDisplayFlags(1);
  EXPECT_EQ(view_->FindGadgetTextArea(MacPoint(60, 45)), &text);
  EXPECT_EQ(view_->FindGadgetTextArea(MacPoint(400, 300)), nullptr);
  view_->DoSetCursor(MacPoint(60, 45), nullptr);
  EXPECT_EQ(view_->CurrentCursorResource(), TMainWorldView::kLabelCursor);
  RunLoop({[inside] {
             InjectMouseMove(inside);
             InjectMouseButton(MouseButton::kLeft, true, inside);
             InjectMouseButton(MouseButton::kLeft, false, inside);
           },
           [] {}});
  ASSERT_NE(view_->LiveGadgetTextField(), nullptr);
  text.SetDisplayFlags(0);
  view_->LiveGadgetTextField()->SetText("");
  RunLoop({pressAway, [] {}});
  EXPECT_EQ(world_->FindObject(72), nullptr);
  app_->Commands().UndoOrRedoLast();
  auto* back = dynamic_cast<TTextGadget*>(world_->FindObject(72));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetText(), "abc\r\nd");

  // A gadget taken out of the world while it is typed into takes nothing back.
  app_->Commands().DropAllCommands();
  RunLoop({doubleClick, [] {}});
  ASSERT_NE(view_->LiveGadgetTextField(), nullptr);
  world_->RemoveObject(back);
  RunLoop({pressAway, [] {}});
  EXPECT_EQ(view_->LiveGadgetTextField(), nullptr);
  EXPECT_EQ(FrameKeyCount(*main_), normalKeys);
}

// World > Link to External Table arms the placing tool: the user's press and drag put the table
// document where the pointer is released, linked to the selected input and meter, and the world
// goes back to selecting. A click on the document opens its properties, whose Choose buttons
// take the program and the document from the open dialog.
TEST_F(WorldTrackingTest, ALinkedTableIsPlacedByTheMouseAndItsPropertiesChooseItsFiles) {
  auto madeInput = std::make_unique<TInput>();
  madeInput->Initialize();
  madeInput->SetIdentifier(81);
  TInput& input = *madeInput;
  world_->AdoptObject(std::move(madeInput));
  auto madeMeter = std::make_unique<TOutput>();
  madeMeter->Initialize();
  madeMeter->SetIdentifier(82);
  madeMeter->SetColumnCount(2);
  TOutput& meter = *madeMeter;
  world_->AdoptObject(std::move(madeMeter));
  // What the program does for World > Link to External Table; armed again, the tool links what
  // is selected then.
  world_->DeselectAll();
  world_->Select(&meter);
  ArmExternalTablePlacing(*world_);
  world_->SetMode(TWorldBase::kSelectionTool, 2);
  world_->Select(&input);
  ArmExternalTablePlacing(*world_);
  EXPECT_EQ(world_->GetCurrentTool(), kPlaceExternalTableTool);

  const MacPoint press(200, 150);
  const MacPoint release(260, 190);
  const auto dark = [this, release] {
    int count = 0;
    for (int16_t dv = -12; dv <= 12; dv += 2)
      for (int16_t dh = -12; dh <= 12; dh += 2)
        count += At(Offset(release, dh, dv)) != RGB(255, 255, 255) ? 1 : 0;
    return count;
  };
  const int darkBefore = dark();
  LiveDrag(press, {Offset(press, 30, 20), release});
  TExternalDDETableDoc* document = nullptr;
  for (TLink* object : world_->Objects())
    if (auto* found = dynamic_cast<TExternalDDETableDoc*>(object)) document = found;
  ASSERT_NE(document, nullptr);
  const MacRect frame = document->GetFrame();
  EXPECT_EQ((frame.left + frame.right) / 2, release.h);
  EXPECT_EQ((frame.top + frame.bottom) / 2, release.v);
  EXPECT_EQ(document->LinkedInputs(), std::vector<TLink*>{&input});
  EXPECT_EQ(document->LinkedOutputs(), std::vector<TLink*>{&meter});
  EXPECT_TRUE(input.IsLinked());
  // Each linked one has a cell handler made from its template, asking for the fast table first.
  auto* handler = dynamic_cast<TDDETableSuiteHandler*>(input.GetLinkItem());
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->GetDocument(), document);
  EXPECT_EQ(handler->GetCurrentFormat(), handler->GetTableFormat());
  EXPECT_EQ(world_->FindObject(handler->GetIdentifier()), handler);
  EXPECT_EQ(world_->GetCurrentTool(), TWorldBase::kSelectionTool);
  // The document's picture stands where it was put.
  EXPECT_GT(dark(), darkBefore + 10);

  // A click opens the properties; each Choose button asks for a file.
  const std::string program = ::testing::TempDir() + "sheet-program";
  const std::string sheet = ::testing::TempDir() + "sheet.tab";
  const HWND view = view_->GetWindowHandle();
  POINT at{release.h, release.v};
  ClientToScreen(view, &at);
  std::string shownProgram;
  const auto type = [](const std::string& text) {
    for (const char c : text) InjectCharacter(static_cast<uint8_t>(c));
  };
  const auto enter = [] { InjectKeyStroke(VK_RETURN); };
  // The property dialog, found when it opens: the chosen files give the focus back to the main
  // window.
  HWND properties = nullptr;
  const auto choose = [&properties](int id) {
    if (properties == nullptr) properties = GetActiveWindow();
    SendMessage(GetDlgItem(properties, id), BM_CLICK, 0, 0);
  };
  RunLoop({[at] {
             InjectMouseMove(at);
             InjectMouseButton(MouseButton::kLeft, true, at);
             InjectMouseButton(MouseButton::kLeft, false, at);
           },
           [&] { choose(102); }, [&] { type(program); }, enter,
           [&] {
             shownProgram = GetWindowTextString(GetDlgItem(properties, 101));
             choose(104);
           },
           [&] { type(sheet); }, enter, [&] { choose(IDOK); }});
  EXPECT_EQ(shownProgram, program);
  TExternalAddress address;
  document->GetAddress(address);
  EXPECT_STREQ(address.applicationPath.AsCString(), program.c_str());
  EXPECT_STREQ(address.documentPath.AsCString(), sheet.c_str());
  EXPECT_EQ(document->IsConnected(), 0u);
}


// The properties' popups, filled by the document, choose which input and which meter column the
// cell fields and link radios work on: the second of each, chosen by the keyboard, is linked at
// the typed cell while the first input keeps its link, and saved and opened again the links hold.
TEST_F(WorldTrackingTest, ThePropertiesPopupsChooseWhichInputAndMeterColumnTheCellsAreFor) {
  const auto adopt = [this]<class T>(std::unique_ptr<T> made, int16_t identifier) -> T& {
    made->Initialize();
    made->SetIdentifier(identifier);
    T& object = *made;
    world_->AdoptObject(std::move(made));
    return object;
  };
  TInput& first = adopt(std::make_unique<TInput>(), 81);
  first.SetName(Str255("push"));
  TInput& second = adopt(std::make_unique<TInput>(), 83);
  second.SetName(Str255("pull"));
  TOutput& meter = adopt(std::make_unique<TOutput>(), 82);
  meter.SetColumnCount(3);
  meter.Column(2)->SetLabel(Str255("speed"));
  meter.Column(3)->SetLabel(Str255("spin"));
  ExternalTableManagerFor(*world_);
  auto& document = adopt(std::make_unique<TExternalDDETableDoc>(), 84);
  document.SetCurrentInput(&first);
  document.SetFlagProperty(MakeTag("icnt"), 1);
  first.SetLinkTargetName(Str255("R1C1"));

  HWND properties = nullptr;
  const auto item = [&properties](int id) { return GetDlgItem(properties, id); };
  const auto entries = [&item](int id) {
    std::vector<std::string> texts;
    const auto count = SendMessage(item(id), CB_GETCOUNT, 0, 0);
    for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
      char text[256] = {};
      SendMessage(item(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      texts.emplace_back(text);
    }
    return texts;
  };
  const auto checked = [&item](int id) { return SendMessage(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
  // Pressed, the popup drops its list; the keys take the next entry.
  const auto drop = [&item](int id) {
    RECT place;
    GetWindowRect(item(id), &place);
    const POINT at{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    InjectMouseMove(at);
    InjectMouseButton(MouseButton::kLeft, true, at);
    InjectMouseButton(MouseButton::kLeft, false, at);
  };
  const auto down = [] { InjectKeyStroke(VK_DOWN); };
  const auto enter = [] { InjectKeyStroke(VK_RETURN); };
  const auto typeInto = [&item](int id, const std::string& text) {
    SetFocus(item(id));
    SendMessage(item(id), EM_SETSEL, 0, -1);
    for (const char c : text) InjectCharacter(static_cast<uint8_t>(c));
  };
  std::vector<std::string> inputsOffered;
  std::vector<std::string> columnsOffered;
  bool firstShownLinked = false;
  bool secondShownUnlinked = false;
  RunLoop({[&] { document.TrackClick(2, MacPoint(), true); },
           [&] {
             properties = GetActiveWindow();
             inputsOffered = entries(114);
             columnsOffered = entries(115);
             firstShownLinked = checked(109);
             drop(114);
           },
           down, enter,
           [&] {
             secondShownUnlinked = checked(110) && !checked(109);
             SendMessage(item(109), BM_CLICK, 0, 0);
           },
           [&] { typeInto(108, "R7C3"); }, [&] { drop(115); }, down, enter,
           [&] { SendMessage(item(112), BM_CLICK, 0, 0); }, [&] { typeInto(111, "R7C4"); },
           [&] { SendMessage(item(IDOK), BM_CLICK, 0, 0); }});
  // The linked input is marked; the menus' texts are the names after two blanks.
  EXPECT_EQ(inputsOffered, (std::vector<std::string>{"* push", "  pull"}));
  EXPECT_EQ(columnsOffered, (std::vector<std::string>{"  speed", "  spin"}));
  EXPECT_TRUE(firstShownLinked);
  EXPECT_TRUE(secondShownUnlinked);

  const auto expectLinks = [](TWorldDoc& world) {
    auto* push = dynamic_cast<TInput*>(world.FindObject(81));
    auto* pull = dynamic_cast<TInput*>(world.FindObject(83));
    auto* output = dynamic_cast<TOutput*>(world.FindObject(82));
    auto* table = dynamic_cast<TExternalDDETableDoc*>(world.FindObject(84));
    ASSERT_TRUE(push != nullptr && pull != nullptr && output != nullptr && table != nullptr);
    Str255 cell;
    pull->GetLinkTargetName(cell);
    EXPECT_STREQ(cell.AsCString(), "R7C3");
    EXPECT_TRUE(pull->IsLinked());
    push->GetLinkTargetName(cell);
    EXPECT_STREQ(cell.AsCString(), "R1C1");
    EXPECT_TRUE(push->IsLinked());
    EXPECT_EQ(table->LinkedInputs(), (std::vector<TLink*>{push, pull}));
    EXPECT_EQ(table->LinkedOutputs(), std::vector<TLink*>{output});
    EXPECT_FALSE(output->GetColumnRecord(1).linked);
    EXPECT_TRUE(output->GetColumnRecord(2).linked);
    EXPECT_STREQ(output->GetColumnRecord(2).name.AsCString(), "R7C4");
  };
  expectLinks(*world_);
  const std::string saved = std::string(::testing::TempDir()) + "yb-linked-table-" + std::to_string(::getpid()) + ".yb";
  documents_->Documents().front()->Document().WriteDocument(saved);
  TQVDoc reopened;
  reopened.ReadDocument(saved);
  std::remove(saved.c_str());
  expectLinks(reopened.World());
}

}  // namespace

