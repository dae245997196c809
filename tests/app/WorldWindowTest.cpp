// A world in its document window, headless and end to end: the sample opened as the program
// opens it shows its bodies in their colours on white, clicks select, the zoom tool doubles the
// scale about the click, the run commands reach the world through the main frame and the
// pixels follow the recorded frames, a click on a body stops a run, and the grid shows.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "model/command/CommandBase.h"
#include "model/handler/TargetHandler.h"
#include "core/TickCount.h"
#include "core/geometry/Rounding.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/views/MouseEvent.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldHost.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Static.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/app/ProgramDocuments.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "core/Tag.h"
#include "core/UnitHandler.h"
#include "platform/mfc/CEdit.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Resource.h"
#include "simulation/UnitHandler.h"
#include "views/furniture/CoordFields.h"
#include "views/furniture/CoordsView.h"
#include "views/furniture/FrameIndicator.h"
#include "views/furniture/RulerView.h"
#include "views/furniture/ScrollBarContainer.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/trackers/RotateTracker.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldTracking.h"
#include "views/world/WorldTrackingClicks.h"
#include "views/world/WorldWindow.h"

namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBoxColour = RGB(200, 0, 0);
constexpr double kPixelsPerMetre = 100.0;

// Told every frame shown; runs the check.
class TFrameWatcher : public TLink, public TFrameParticipant {
 public:
  std::function<void(int16_t)> onFrame;
  void FrameChanged(int16_t frame, int16_t, int16_t) override {
    if (onFrame) onFrame(frame);
  }
};

// A window that counts its paints, beside the document window.
int32_t gPaints = 0;
LRESULT CountPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(window, message, wParam, lParam);
  ++gPaints;
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  EndPaint(window, &paint);
  return 0;
}

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

class WorldWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The rotating tool's default centre is the program's one; an earlier test's stays otherwise.
    DefaultRotationCentre() = TVector(0.0, 0.0);
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
    // The main frame is made hidden; the program shows it once start-up is done. The pixels
    // and world positions below are measured in a frame of 640 by 480 without its palettes.
    main_->ShowPalettes(false);
    MoveWindow(main_->m_hWnd, 40, 40, 640, 480, FALSE);
    ShowWindow(main_->m_hWnd, SW_SHOW);
    InstallWindowLayer(main_);
    app_->Commands().SetMainFrame(main_->m_hWnd);
    // The windows open at their own size, not maximised.
    app_->SetDocZoomState(0);
    documents_ = std::make_unique<TDocumentWindows>();
    OpenSample();
  }
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
  }

  // The spring-and-pin sample at 100 pixels a metre, its box filled in one colour.
  void OpenSample() {
    TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" +
                              sample_worlds::kSpringAndPinFile);
    open.OnOpened([&](TQVDoc& document) {
      world_ = &document.World();
      program_documents::WithoutFurniture(*world_);
      box_ = dynamic_cast<TRectangle*>(world_->FindObject(sample_worlds::kBoxId));
      if (box_) {
        box_->SetShortProperty(kTagFillPattern, 1);
        box_->SetColourProperty(kTagFillColour, ColorRefToRGB16(kBoxColour));
      }
      documents_->Open(open.TakeDocument(), open.Path());
    });
    app_->Commands().HandleCommand(&open);
    ASSERT_NE(world_, nullptr);
    ASSERT_NE(box_, nullptr);
    ASSERT_EQ(documents_->Documents().size(), 1u);
    window_ = documents_->Documents().front()->WorldWindow();
    ASSERT_NE(window_, nullptr);
    view_ = window_->MainView();
    ASSERT_NE(view_, nullptr);
    Pump();
    fittedScale_ = view_->GetScale();
    // The tests measure at 100 pixels a metre around the world's origin.
    world_->Scale().SetConstant(kPixelsPerMetre);
    view_->CentreOrigin();
    view_->ScaleChanged();
    Pump();
  }

  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  // The main frame's pixel under a point of the main view.
  COLORREF At(const MacPoint& point) {
    RECT viewRect;
    GetWindowRect(view_->GetWindowHandle(), &viewRect);
    RECT mainRect;
    GetWindowRect(main_->m_hWnd, &mainRect);
    const uint32_t pixel = GetWindowSurface(main_->m_hWnd)
                               ->Pixel(viewRect.left - mainRect.left + point.h,
                                       viewRect.top - mainRect.top + point.v);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  MacPoint BoxCentre() {
    TVector position;
    box_->GetPosition(position);
    return view_->WorldToView(position);
  }
  // A point inside the box clear of the spring's end point, drawn over its centre.
  MacPoint InBox() {
    const MacPoint centre = BoxCentre();
    return MacPoint(centre.h, static_cast<int16_t>(centre.v + 4));
  }
  // Pixels of the box's colour along the row through its centre.
  int32_t BoxWidthInPixels() {
    const MacPoint centre = InBox();
    int32_t count = 0;
    for (int16_t h = 0; h < view_->GetStoredSize().h; ++h)
      count += At(MacPoint(h, centre.v)) == kBoxColour ? 1 : 0;
    return count;
  }
  // The world displacement of a drag between two view points: both ends snap to the world's
  // snapping distance, as the trackers snap them.
  TVector DragDelta(const MacPoint& from, const MacPoint& to) {
    TWorldTrackerContext& context = *window_->TrackerContext();
    const double step = context.TrackingSnappingDistance();
    auto snapped = [&](const MacPoint& point) {
      TVector world = Transform2D::ApplyToVector(context.ScreenToWorldTransform(),
                                                 TVector(point.h, -point.v));
      SnapToMultiple(world.x, step);
      SnapToMultiple(world.y, step);
      return world;
    };
    const TVector a = snapped(from);
    const TVector b = snapped(to);
    return TVector(b.x - a.x, b.y - a.y);
  }
  void Click(const MacPoint& point) {
    InjectClick(view_->GetWindowHandle(), POINT{point.h, point.v});
    Pump();
  }
  // The press that the window hands a tracker for, driven as the tracking loop drives it
  // (press, the moves, the release), then performed by the command handler.
  void Gesture(const MacPoint& press, const std::vector<MacPoint>& moves) {
    TMouseEvent event;
    event.kind = TMouseEvent::kMouseDown;
    event.clickCount = 1;
    auto* tracker = dynamic_cast<TCommandBase*>(window_->MouseDown(press, &event));
    ASSERT_NE(tracker, nullptr);
    EXPECT_EQ(tracker->IsFreeWhenDone(), 1);
    TEventRecord record;
    record.message = WM_LBUTTONDOWN;
    record.when = static_cast<uint32_t>(GetTickCount60());
    tracker->HandleEvent(record);
    const QV_CPoint anchor(press.h, press.v);
    QV_CPoint previous = anchor;
    QV_CPoint next = anchor;
    tracker->TrackConstrain(anchor, previous, next);
    tracker->TrackMouse(0, anchor, previous, next, true);
    tracker->TrackFeedback(anchor, next, true, true);
    previous = next;
    for (const MacPoint& move : moves) {
      next = QV_CPoint(move.h, move.v);
      tracker->TrackConstrain(anchor, previous, next);
      tracker->TrackFeedback(anchor, previous, false, true);
      tracker->TrackMouse(1, anchor, previous, next, true);
      tracker->TrackFeedback(anchor, next, true, true);
      previous = next;
    }
    tracker->TrackFeedback(anchor, previous, false, true);
    tracker->TrackMouse(2, anchor, previous, previous, true);
    tracker->SetViewPresent(0);  // tracked already
    app_->Commands().PerformCommand(tracker);
    Pump();
  }
  // The program's event loop over the main frame with a script for when it runs out of events:
  // each step is run in turn, and after the last one the program quits.
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
  // A drag made only of what the user does, through the program's event loop: on idle the
  // button goes down at the press; then each time the tracking loop asks the desktop for news
  // the pointer moves to the next point, and after the last one the button comes up. The
  // button is thus held while every move is tracked.
  // With `movesWithPress`, the first moves arrive in the same batch as the press, queued behind
  // it before tracking starts, as a desktop delivers a quick flick.
  void LiveDrag(const MacPoint& press, const std::vector<MacPoint>& moves,
                size_t movesWithPress = 0, HWND window = nullptr) {
    const HWND view = window ? window : view_->GetWindowHandle();
    auto screen = [view](const MacPoint& point) {
      POINT at{point.h, point.v};
      ClientToScreen(view, &at);
      return at;
    };
    std::vector<std::function<void()>> desktop;
    for (size_t i = movesWithPress; i < moves.size(); ++i)
      desktop.push_back([=] { InjectMouseMove(screen(moves[i])); });
    desktop.push_back([=] { InjectMouseButton(MouseButton::kLeft, false, screen(moves.back())); });
    size_t next = 0;
    TScriptedDesktop presenter([&] {
      // Only while the view holds the mouse, the moves belonging to the drag, and only once the
      // program has read the mouse messages waiting: the user does not outrun the program.
      MSG waiting;
      if (PeekMessage(&waiting, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) return;
      if (GetCapture() == view && next < desktop.size()) desktop[next++]();
    });
    SetWindowPresenter(&presenter);
    RunLoop({[=] {
      InjectMouseMove(screen(press));
      InjectMouseButton(MouseButton::kLeft, true, screen(press));
      for (size_t i = 0; i < movesWithPress; ++i) InjectMouseMove(screen(moves[i]));
    }});
    SetWindowPresenter(nullptr);
    EXPECT_EQ(next, desktop.size());
    EXPECT_EQ(GetCapture(), nullptr);
    Pump();
  }
  void PostCommand(int16_t command) {
    PostMessage(main_->m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
  }
  void Command(int16_t command) {
    SendMessage(main_->m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
    while (app_->Commands().PerformNextQueued()) {
    }
    Pump();
  }
  // Runs (or replays) from the current frame until the frame, noting the box's place at each
  // frame shown, by frame.
  std::map<int16_t, MacPoint> RunUntil(int16_t last) {
    std::map<int16_t, MacPoint> places;
    TFrameWatcher watcher;
    watcher.onFrame = [&](int16_t frame) {
      places[frame] = InBox();
      if (frame >= last) world_->StopRunning();
    };
    world_->UpdateViewObject(&watcher, 1);
    Command(kCmdRun);
    world_->UpdateViewObject(&watcher, 0);
    Pump();
    return places;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  CMainFrame* main_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  TWorldDoc* world_ = nullptr;
  TRectangle* box_ = nullptr;
  TWorldWindow* window_ = nullptr;
  TMainWorldView* view_ = nullptr;
  double fittedScale_ = 0.0;
};

TEST_F(WorldWindowTest, TheSampleOpensShownWhole) {
  // The sample never placed its view: it was fitted to the window when it opened.
  EXPECT_NE(fittedScale_, 0.0);
  world_->Scale().SetConstant(fittedScale_);
  view_->ZoomToFit();
  EXPECT_DOUBLE_EQ(view_->GetScale(), fittedScale_);
  const TViewPoint& size = view_->GetStoredSize();
  for (TLink* object : world_->Objects()) {
    auto* mass = dynamic_cast<TMass*>(object);
    if (!mass || mass->IsMemberClass(TZeroMass::kClassID)) continue;
    const MacRect rect = view_->ObjectRect(mass);
    EXPECT_GE(rect.left, 0);
    EXPECT_GE(rect.top, 0);
    EXPECT_LE(rect.right, size.h);
    EXPECT_LE(rect.bottom, size.v);
  }
  // The wheel is a disk of half a metre across in the picture.
  EXPECT_GT(fittedScale_ * 0.5, 20.0);
}

TEST_F(WorldWindowTest, TheSampleShowsItsBodiesOnWhiteAndAClickSelects) {
  const MacPoint centre = InBox();
  ASSERT_GT(centre.h, 10);
  ASSERT_LT(centre.h, view_->GetStoredSize().h - 10);
  EXPECT_EQ(At(centre), kBoxColour);
  EXPECT_EQ(BoxWidthInPixels(), 9);  // 0.1 m at 100 pixels a metre, inside its outline
  EXPECT_EQ(At(MacPoint(static_cast<int16_t>(centre.h + 40), centre.v)), kWhite);

  Click(centre);
  ASSERT_EQ(world_->Selection().size(), 1u);
  EXPECT_EQ(world_->Selection().front(), box_);
  // Over a corner of the selected box the cursor offers its handle; beside it, the arrow.
  const MacPoint corner(static_cast<int16_t>(BoxCentre().h + 5), static_cast<int16_t>(BoxCentre().v + 5));
  view_->DoSetCursor(corner, nullptr);
  EXPECT_EQ(view_->CurrentCursorResource(), TMainWorldView::kHandleCursor);
  view_->DoSetCursor(MacPoint(static_cast<int16_t>(corner.h + 30), corner.v), nullptr);
  EXPECT_EQ(view_->CurrentCursorResource(), 0u);
  Click(MacPoint(static_cast<int16_t>(centre.h + 40), static_cast<int16_t>(centre.v + 40)));
  EXPECT_TRUE(world_->Selection().empty());
}

// The spring runs level from the origin to the box's centre, 150 pixels. In free space a press
// 4 pixels beside its line still picks it; inside the box only a press on the line does, and
// beside the line the box is picked; the spring's end belongs to its point.
TEST_F(WorldWindowTest, OverTheBoxTheSpringTakesOnlyPressesOnItsLine) {
  TLink* const spring = world_->FindObject(sample_worlds::kSpringId);
  ASSERT_NE(spring, nullptr);
  const MacPoint centre = BoxCentre();
  const auto at = [&centre](int dh, int dv) {
    return MacPoint(static_cast<int16_t>(centre.h + dh), static_cast<int16_t>(centre.v + dv));
  };
  ASSERT_EQ(At(at(-4, 3)), kBoxColour);
  // Along its straight lead to the box (its coil lies further out).
  EXPECT_EQ(view_->FindObjectAt(at(-15, 0)), spring);
  EXPECT_EQ(view_->FindObjectAt(at(-15, 4)), spring);
  EXPECT_EQ(view_->FindObjectAt(at(-15, 6)), nullptr);
  EXPECT_EQ(view_->FindObjectAt(at(-4, 0)), spring);
  EXPECT_EQ(view_->FindObjectAt(at(-4, 1)), spring);
  EXPECT_EQ(view_->FindObjectAt(at(-4, 3)), box_);
  EXPECT_EQ(view_->FindObjectAt(at(4, -4)), box_);
  auto* end = dynamic_cast<TPoint*>(view_->FindObjectAt(centre));
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->GetBody(), box_);

  // A click beside the line inside the box selects the box, one near the line outside it the
  // spring.
  Click(at(-4, 3));
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{box_});
  Click(at(-15, 2));
  EXPECT_EQ(world_->Selection(), std::vector<TLink*>{spring});
}

TEST_F(WorldWindowTest, OnlyTheSelectionToolsSelectByClicking) {
  for (const int16_t tool : {int16_t{2000}, int16_t{2003}, int16_t{2012}, int16_t{2010}, int16_t{2799}}) {
    SCOPED_TRACE(tool);
    world_->DeselectAll();
    // A tool whose resource holds no prototype object has no tracker to take the click.
    try {
      world_->SetMode(tool, 0);
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), -25005);
    }
    EXPECT_EQ(world_->GetCurrentTool(), tool);
    // Its click says so in an alert, which the user answers.
    int32_t alerts = 0;
    SetIdleScript([&] {
      const HWND box = GetMessageBoxWindow();
      if (!box) return false;
      ++alerts;
      InjectKeyStroke(VK_RETURN);
      return true;
    });
    Click(InBox());
    SetIdleScript(nullptr);
    const bool selects = tool == 2000 || tool == 2003 || tool == 2012;
    EXPECT_EQ(world_->Selection().size(), selects ? 1u : 0u);
    EXPECT_EQ(alerts, selects ? 0 : 1);
  }
}

TEST_F(WorldWindowTest, TheWorldFollowsTheObjectUnderTheHoveringPointer) {
  view_->TrackMouseOver(InBox());
  EXPECT_EQ(window_->LastHitObject(), box_);
  view_->TrackMouseOver(MacPoint(static_cast<int16_t>(InBox().h + 60), InBox().v));
  EXPECT_EQ(window_->LastHitObject(), nullptr);
}

// Records what the world window writes to the main frame's status line.
class TRecordingFrame : public CFrameWnd {
 public:
  std::vector<std::string> texts;
  void SetMessageText(const char* text) override { texts.emplace_back(text ? text : "(null)"); }
};

TEST_F(WorldWindowTest, TheStatusLineNamesTheHoveredObjectAndGoesIdleOverFreeSpace) {
  box_->SetName("Crate");
  TRecordingFrame recorder;
  SetMainFrame(&recorder);
  const MacPoint free(static_cast<int16_t>(InBox().h + 60), InBox().v);
  view_->TrackMouseOver(InBox());
  view_->TrackMouseOver(free);
  box_->SetName("");
  view_->TrackMouseOver(InBox());
  // While the world runs the line is left alone.
  world_->SetRunState(kRunForward);
  view_->TrackMouseOver(free);
  world_->SetRunState(kRunIdle);
  SetMainFrame(main_);
  // Free space shows the program's idle text; an unnamed object an empty line.
  EXPECT_EQ(recorder.texts, (std::vector<std::string>{"Crate", "Ready", ""}));
}

TEST_F(WorldWindowTest, TheMainFramesStatusBarShowsTheHoveredObjectsName) {
  RegisterStaticClass();
  const HWND bar =
      CreateWindow(kStaticClass, "", WS_CHILD | WS_VISIBLE, 0, 460, 640, 20, main_->m_hWnd,
                   reinterpret_cast<HMENU>(static_cast<intptr_t>(AFX_IDW_STATUS_BAR)), nullptr);
  ASSERT_NE(bar, nullptr);
  box_->SetName("Crate");
  char text[64] = "";
  view_->TrackMouseOver(InBox());
  GetWindowText(bar, text, sizeof text);
  EXPECT_STREQ(text, "Crate");
  view_->TrackMouseOver(MacPoint(static_cast<int16_t>(InBox().h + 60), InBox().v));
  GetWindowText(bar, text, sizeof text);
  EXPECT_STREQ(text, "Ready");
  DestroyWindow(bar);
}

TEST_F(WorldWindowTest, ThePressFindsTheBoxsCornerAsAHotSpotAndNothingInsideIt) {
  TVector cornerInWorld;
  ASSERT_EQ(box_->GetHotPointInWorld(2, cornerInWorld), 1);
  const MacPoint corner = view_->WorldToView(cornerInWorld);
  int32_t kind = 0;
  int16_t index = 0;
  const MacPoint nearCorner(static_cast<int16_t>(corner.h + 3), static_cast<int16_t>(corner.v - 3));
  EXPECT_EQ(view_->FindHotSpot(nearCorner, kind, index), box_);
  EXPECT_EQ(kind, TMainWorldView::kHotSpotHit);
  EXPECT_EQ(index, 2);
  const TMainWorldView::AnyHit hit = view_->FindAnyHit(nearCorner);
  EXPECT_EQ(hit.object, box_);
  EXPECT_EQ(hit.kind, TMainWorldView::kHotSpotHit);
  EXPECT_EQ(hit.values[0], 2);
  // Four pixels off, and inside the box away from its corners, there is no hot spot.
  EXPECT_EQ(view_->FindHotSpot(MacPoint(static_cast<int16_t>(corner.h + 4), corner.v), kind, index),
            nullptr);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(view_->FindAnyHit(BoxCentre()).object, nullptr);
  // A hidden box offers nothing.
  box_->SetFlagProperty(MakeTag("show"), 0);
  EXPECT_EQ(view_->FindAnyHit(nearCorner).object, nullptr);
  box_->SetFlagProperty(MakeTag("show"), 1);
}

TEST_F(WorldWindowTest, TheViewWindowKeepsTheViewsCursorAsTheMouseMoves) {
  world_->SetCurrentTool(TMainWorldView::kZoomInTool);
  view_->DoSetCursor(InBox(), nullptr);
  ASSERT_EQ(view_->CurrentCursorResource(), TMainWorldView::kZoomInCursor);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  SendMessage(view_->GetWindowHandle(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  CursorInfo info;
  ASSERT_TRUE(DescribeCursor(GetCursor(), &info));
  EXPECT_FALSE(info.standard);
  EXPECT_EQ(info.id, TMainWorldView::kZoomInCursor);
}

TEST_F(WorldWindowTest, TheZoomToolDoublesTheScaleAboutTheClick) {
  const int32_t before = BoxWidthInPixels();
  // Chosen from the Tools menu, which then checks it alone.
  Command(TMainWorldView::kZoomInTool);
  EXPECT_EQ(world_->GetCurrentTool(), TMainWorldView::kZoomInTool);
  app_->Commands().SetupTheMenus();
  const HMENU bar = GetMenu(main_->m_hWnd);
  for (const UINT tool : {2000u, 2003u, 2005u, 2006u}) {
    const UINT state = GetMenuState(bar, tool, MF_BYCOMMAND);
    EXPECT_EQ(state & MF_GRAYED, 0u) << tool;
    EXPECT_EQ((state & MF_CHECKED) != 0, tool == 2005u) << tool;
  }
  Click(InBox());
  EXPECT_DOUBLE_EQ(view_->GetScale(), 2 * kPixelsPerMetre);
  // The clicked point, 4 pixels below the box's centre before, comes to the middle of the view.
  const MacPoint centre = BoxCentre();
  EXPECT_NEAR(centre.h, view_->GetStoredSize().h / 2, 1);
  EXPECT_NEAR(centre.v + 8, view_->GetStoredSize().v / 2, 1);
  EXPECT_EQ(BoxWidthInPixels(), 2 * before + 1);
}

TEST_F(WorldWindowTest, RunCommandsReachTheWorldAndThePixelsFollowTheFrames) {
  TFrameWatcher watcher;
  int32_t shownWhileRunning = 0;
  int32_t framesSeen = 0;
  watcher.onFrame = [&](int16_t frame) {
    ++framesSeen;
    // Each frame is in the window as soon as it is shown, without waiting for the run to end.
    shownWhileRunning += At(InBox()) == kBoxColour ? 1 : 0;
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  const MacPoint start = InBox();
  Command(kCmdRun);
  ASSERT_NE(world_->GetStore(), nullptr);
  EXPECT_EQ(world_->CurrentFrame(), 10);
  EXPECT_GE(framesSeen, 10);
  EXPECT_EQ(shownWhileRunning, framesSeen);
  const MacPoint moved = InBox();
  ASSERT_LT(moved.h, start.h - 6);  // the spring pulls the box towards its anchor
  EXPECT_EQ(At(moved), kBoxColour);
  EXPECT_EQ(At(start), kWhite);
  for (int step = 0; step < 8; ++step)
    Command(kCmdStepBack);
  EXPECT_EQ(world_->CurrentFrame(), 2);
  const MacPoint earlier = InBox();
  EXPECT_GT(earlier.h, moved.h + 6);
  EXPECT_EQ(At(earlier), kBoxColour);
  EXPECT_EQ(At(moved), kWhite);
  world_->UpdateViewObject(&watcher, 0);
}

TEST_F(WorldWindowTest, ARunWithTrackingLeavesTheBoxsTrackUntilTrackingGoesOff) {
  // The box's place at every frame of a run of ten. Without tracking only its last place shows
  // it (RunCommandsReachTheWorldAndThePixelsFollowTheFrames).
  const auto run = [&](int16_t tracking) {
    std::vector<MacPoint> places;
    TFrameWatcher watcher;
    watcher.onFrame = [&](int16_t frame) {
      places.push_back(InBox());
      if (frame >= 10) world_->StopRunning();
    };
    world_->UpdateViewObject(&watcher, 1);
    world_->SetTrackingWord(tracking);
    Command(kCmdRun);
    Pump();
    world_->UpdateViewObject(&watcher, 0);
    EXPECT_EQ(world_->CurrentFrame(), 10);
    return places;
  };
  // Places left white; the spring, drawn over the track, may cover a place in black.
  const auto blank = [&](const std::vector<MacPoint>& places) {
    int32_t count = 0;
    for (const MacPoint& place : places)
      count += At(place) == kWhite ? 1 : 0;
    return count;
  };
  const std::vector<MacPoint> tracked = run(1);
  ASSERT_GE(tracked.size(), 10u);
  ASSERT_LT(tracked.back().h, tracked.front().h - 20);  // the box moved well beyond its width
  EXPECT_EQ(blank(tracked), 0);
  EXPECT_EQ(At(tracked.front()), kBoxColour);
  // Tracking turned off, the next frame shown draws the background again without the track.
  world_->SetTrackingWord(0);
  Command(kCmdReset);
  Pump();
  EXPECT_EQ(world_->CurrentFrame(), 0);
  EXPECT_EQ(At(tracked.back()), kWhite);
  EXPECT_EQ(At(tracked.front()), kBoxColour);
}

TEST_F(WorldWindowTest, ErasingTheTrackDuringARunKeepsOnlyWhatComesAfter) {
  std::vector<MacPoint> places;
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    places.push_back(InBox());
    if (frame == 5) SendMessage(main_->m_hWnd, WM_COMMAND, static_cast<WPARAM>(kCmdEraseTrack), 0);
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  world_->SetTrackingWord(1);
  Command(kCmdRun);
  world_->UpdateViewObject(&watcher, 0);
  ASSERT_EQ(places.size(), 11u);
  ASSERT_GT(places[1].h, places[5].h + 12);
  EXPECT_EQ(At(places[1]), kWhite);
  EXPECT_EQ(At(places[7]), kBoxColour);
}

TEST_F(WorldWindowTest, TrackingEveryNthFrameStampsOnlyThoseFrames) {
  world_->SetTrackingWord(5);
  std::map<int16_t, MacPoint> places = RunUntil(10);
  ASSERT_EQ(world_->CurrentFrame(), 10);
  ASSERT_GE(places.size(), 11u);
  for (int16_t frame : {0, 5, 10}) EXPECT_EQ(At(places[frame]), kBoxColour) << frame;
  // Frames between the stamps leave nothing where no stamp covers their place.
  int32_t blankBetween = 0;
  for (int16_t frame : {2, 3, 7, 8}) blankBetween += At(places[frame]) == kWhite ? 1 : 0;
  EXPECT_GE(blankBetween, 2);
}

TEST_F(WorldWindowTest, TracksStayAfterARunUntilARunStartsWithAutoEraseOrTheyAreErased) {
  world_->SetTrackingWord(1);
  const std::map<int16_t, MacPoint> places = RunUntil(10);
  ASSERT_GT(places.at(1).h, places.at(10).h + 20);
  // Editing again, the track is still there, and a run that starts adds to it.
  EXPECT_EQ(At(places.at(1)), kBoxColour);
  RunUntil(11);
  ASSERT_EQ(world_->CurrentFrame(), 11);
  EXPECT_EQ(At(places.at(1)), kBoxColour);
  // With auto-erase a run that starts erases the tracks first.
  world_->SetAutoEraseTrack(1);
  const std::map<int16_t, MacPoint> third = RunUntil(12);
  ASSERT_EQ(world_->CurrentFrame(), 12);
  EXPECT_EQ(At(places.at(1)), kWhite);
  EXPECT_EQ(At(third.at(12)), kBoxColour);

  // Erasing keeps only the frame shown.
  world_->SetAutoEraseTrack(0);
  world_->Settings().trackFrameGap = 20;
  Command(kCmdReset);
  ASSERT_EQ(world_->CurrentFrame(), 0);
  for (int step = 0; step < 5; ++step) Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 5);
  EXPECT_EQ(At(places.at(1)), kBoxColour);
  Command(kCmdEraseTrack);
  EXPECT_EQ(At(places.at(1)), kWhite);
  EXPECT_EQ(At(places.at(5)), kBoxColour);
}

TEST_F(WorldWindowTest, ReplayedAndSteppedFramesAddTracksAndAFarJumpDrawsThemAfresh) {
  const std::map<int16_t, MacPoint> places = RunUntil(10);
  ASSERT_GT(places.at(1).h, places.at(5).h + 12);
  // No tracks from a run without tracking.
  EXPECT_EQ(At(places.at(1)), kWhite);
  world_->SetTrackingWord(1);
  Command(kCmdReset);
  ASSERT_EQ(world_->CurrentFrame(), 0);
  // The recorded frames replayed leave their tracks.
  RunUntil(10);
  ASSERT_EQ(world_->CurrentFrame(), 10);
  for (int16_t frame : {1, 5, 10}) EXPECT_EQ(At(places.at(frame)), kBoxColour) << frame;

  // Back to the start is further than the frame gap: the tracks are drawn afresh from there.
  world_->Settings().trackFrameGap = 3;
  Command(kCmdReset);
  EXPECT_EQ(At(places.at(5)), kWhite);
  EXPECT_EQ(At(places.at(0)), kBoxColour);
  // Steps within the gap add to them.
  for (int step = 0; step < 5; ++step) Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 5);
  EXPECT_EQ(At(places.at(0)), kBoxColour);
  EXPECT_EQ(At(places.at(5)), kBoxColour);
  EXPECT_EQ(view_->GetLastFrameDrawn(), 5);
  // Tracking off, the next frame shown takes them away.
  world_->SetTrackingWord(0);
  Command(kCmdStepBack);
  EXPECT_EQ(At(places.at(0)), kWhite);
}

TEST_F(WorldWindowTest, TracksAreDrawnAgainFromTheRecordedFramesAfterAScrollOrAZoom) {
  world_->SetTrackingWord(1);
  std::map<int16_t, TVector> positions;
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    box_->GetPosition(positions[frame]);
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  Command(kCmdRun);
  world_->UpdateViewObject(&watcher, 0);
  ASSERT_EQ(world_->CurrentFrame(), 10);
  // Where the box stood at a frame in the view as it is now (the point inside it that InBox
  // names).
  const auto place = [&](int16_t frame) {
    const MacPoint centre = view_->WorldToView(positions.at(frame));
    return MacPoint(centre.h, static_cast<int16_t>(centre.v + 4));
  };
  const MacPoint before1 = place(1);
  ASSERT_EQ(At(before1), kBoxColour);

  // Scrolled down by more than the box is high, the track moves up with the world.
  view_->ScrollBy(MacPoint(0, 60));
  Pump();
  for (int16_t frame : {1, 5, 10}) EXPECT_EQ(At(place(frame)), kBoxColour) << frame;
  EXPECT_EQ(At(before1), kWhite);
  EXPECT_EQ(view_->GetTrackedFrames(), std::make_pair(0, 10));
  // The box stands at the frame shown.
  EXPECT_EQ(BoxCentre().h, view_->WorldToView(positions.at(10)).h);

  // Zoomed in twice as close, the track spans twice as many pixels.
  const int32_t span = place(1).h - place(10).h;
  view_->ZoomAboutPoint(TVector(place(5).h, -place(5).v), 2.0);
  Pump();
  EXPECT_NEAR(place(1).h - place(10).h, 2 * span, 1);
  for (int16_t frame : {1, 5, 10}) EXPECT_EQ(At(place(frame)), kBoxColour) << frame;

  // A step back within the frame gap adds to the tracks drawn again; the box shows there.
  Command(kCmdStepBack);
  ASSERT_EQ(world_->CurrentFrame(), 9);
  EXPECT_EQ(At(place(1)), kBoxColour);
  EXPECT_EQ(view_->GetTrackedFrames(), std::make_pair(0, 10));
  EXPECT_EQ(BoxCentre().h, view_->WorldToView(positions.at(9)).h);
}

TEST_F(WorldWindowTest, AFrameNeedsDrawingAgainOnlyWhenItsTracksAreNotDrawn) {
  RunUntil(3);
  Command(kCmdReset);
  ASSERT_EQ(view_->GetRunState(), TMainWorldView::kEditing);
  // Nothing leaves tracks: no frame needs drawing again.
  view_->ScrollBy(MacPoint(5, 0));
  EXPECT_FALSE(view_->NeedsFrameRedraw());
  // The box's own track line makes it needed until the frame's tracks are drawn.
  box_->SetFlagProperty(MakeTag("trkL"), 1);
  EXPECT_TRUE(view_->NeedsFrameRedraw());
  box_->SetFlagProperty(MakeTag("trkL"), 0);
  world_->SetTrackingWord(1);
  EXPECT_TRUE(view_->NeedsFrameRedraw());
  Command(kCmdStepForward);
  EXPECT_EQ(view_->GetLastFrameDrawn(), world_->CurrentFrame());
  EXPECT_FALSE(view_->NeedsFrameRedraw());
  view_->ScrollBy(MacPoint(5, 0));
  EXPECT_TRUE(view_->NeedsFrameRedraw());
  view_->SetRunState(TMainWorldView::kReplaying);
  EXPECT_FALSE(view_->NeedsFrameRedraw());
  view_->SetRunState(TMainWorldView::kEditing);
}

TEST_F(WorldWindowTest, AClickOnABodyStopsARun) {
  TFrameWatcher watcher;
  int16_t last = 0;
  watcher.onFrame = [&](int16_t frame) {
    last = frame;
    if (frame == 5) Click(InBox());
    if (frame >= 40) world_->StopRunning();  // a safety net: the click should stop it first
  };
  world_->UpdateViewObject(&watcher, 1);
  Command(kCmdRun);
  EXPECT_EQ(last, 5);
  // The click stopped the run, and the object tracker took the click on the box.
  ASSERT_EQ(world_->Selection().size(), 1u);
  EXPECT_EQ(world_->Selection().front(), box_);

  // With the click-stops-run flag a click during a run only stops it.
  world_->DeselectAll();
  world_->SetClickStopsRun(1);
  Command(kCmdReset);
  last = 0;
  Command(kCmdRun);
  EXPECT_EQ(last, 5);
  EXPECT_TRUE(world_->Selection().empty());
  world_->UpdateViewObject(&watcher, 0);
}

TEST_F(WorldWindowTest, TheGridFlagShowsGridLines) {
  const RGB16Color grid = TMainWorldView::kGridColour;
  const COLORREF gridColour = RGB16ToColorRef(grid);
  // The world origin lies on a grid line in the middle of the view.
  const MacPoint origin = view_->WorldToView(TVector(0.0, 0.0));
  const MacPoint probe(origin.h, static_cast<int16_t>(origin.v + 7));
  EXPECT_NE(At(probe), gridColour);
  Command(kCmdShowGrid);
  EXPECT_EQ(view_->GetShowGrid(), 1);
  EXPECT_EQ(At(probe), gridColour);
  Command(kCmdShowGrid);
  EXPECT_NE(At(probe), gridColour);
}

TEST_F(WorldWindowTest, TheStoredLayoutPlacesTheWindowAndZoomedDocumentsAreMaximised) {
  CFrameWnd* frame = window_->FrameWindow()->GetWindow()->GetParentFrame();
  ASSERT_NE(frame, nullptr);
  RECT before;
  frame->GetWindowRect(&before);
  window_->SetUpFurniture();  // no stored width: the window stays where it is
  RECT now;
  frame->GetWindowRect(&now);
  EXPECT_EQ(now.left, before.left);
  EXPECT_EQ(now.right, before.right);
  window_->Layout() = TWindowLayout{0, 300, 200, 30, 40};
  window_->SetUpFurniture();
  frame->GetWindowRect(&now);
  EXPECT_EQ(now.right - now.left, 300 + 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(now.bottom - now.top,
            200 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  BOOL maximized = FALSE;
  main_->MDIGetActive(&maximized);
  EXPECT_FALSE(maximized);
  window_->SetZoomDocuments(true);
  window_->SetUpFurniture();
  EXPECT_EQ(main_->MDIGetActive(&maximized), frame);
  EXPECT_TRUE(maximized);
}

TEST_F(WorldWindowTest, AWorldWithoutUnitHandlerGetsNoWindow) {
  class TPlainDocument : public TWindowDocument {} document;
  documents_->Template().AddDocument(&document);
  TWorldDoc bare;
  TWorldWindow window(bare, document);
  try {
    window.OpenWindow();
    ADD_FAILURE() << "opened";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrNoUnitHandler);
  }
  EXPECT_EQ(window.MainView(), nullptr);
  if (CFrameWnd* frame = document.GetWindowFrame()) frame->DestroyWindow();
}

TEST_F(WorldWindowTest, SnappingToHotPointsFlipsWithItsCommand) {
  THotPointSnapper* snapper = view_->GetSnapper();
  ASSERT_NE(snapper, nullptr);
  const uint16_t before = snapper->GetSnapToHotPoints();
  Command(kCmdSnapToHotPoints);
  EXPECT_NE(snapper->GetSnapToHotPoints(), before);
  Command(kCmdSnapToHotPoints);
  EXPECT_EQ(snapper->GetSnapToHotPoints(), before);

  // Saved with snapping off and opened again, the document's snapper keeps it off.
  if (before != 0) Command(kCmdSnapToHotPoints);
  ASSERT_EQ(snapper->GetSnapToHotPoints(), 0);
  const std::string path = std::string(::testing::TempDir()) + "yb-snapping-off.yb";
  documents_->Documents().front()->Document().WriteDocument(path);
  TQVDoc reopened;
  reopened.ReadDocument(path);
  std::remove(path.c_str());
  THotPointSnapper* read = FindHotPointSnapper(reopened.World());
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetSnapToHotPoints(), 0);
}

TEST_F(WorldWindowTest, AHoverOverAPointDrawsTheCrossAndLeavingRestoresThePixels) {
  world_->SetCurrentTool(2500);  // a creation tool
  view_->SettingChanged(0, 0);
  TPoint* point = dynamic_cast<TPoint*>(world_->FindObject(4));  // the spring's end on the box
  ASSERT_NE(point, nullptr);
  const MacPoint at = BoxCentre();
  const auto snapshot = [&] {
    std::vector<COLORREF> pixels;
    for (int dv = -8; dv <= 8; ++dv)
      for (int dh = -8; dh <= 8; ++dh)
        pixels.push_back(At(MacPoint(static_cast<int16_t>(at.h + dh), static_cast<int16_t>(at.v + dv))));
    return pixels;
  };
  const std::vector<COLORREF> before = snapshot();
  view_->TrackMouseOver(MacPoint(static_cast<int16_t>(at.h + 1), at.v));
  ASSERT_NE(view_->GetSnapper()->GetHoverObject(), nullptr);
  const std::vector<COLORREF> marked = snapshot();
  EXPECT_NE(marked, before);
  view_->TrackMouseOver(MacPoint(static_cast<int16_t>(at.h + 60), static_cast<int16_t>(at.v + 60)));
  EXPECT_EQ(view_->GetSnapper()->GetHoverObject(), nullptr);
  EXPECT_EQ(snapshot(), before);
}

TEST_F(WorldWindowTest, ChangingTheToolTakesBackTheHoverMark) {
  world_->SetCurrentTool(2500);  // a creation tool
  view_->SettingChanged(0, 0);
  const MacPoint at = BoxCentre();
  const auto snapshot = [&] {
    std::vector<COLORREF> pixels;
    for (int dv = -8; dv <= 8; ++dv)
      for (int dh = -8; dh <= 8; ++dh)
        pixels.push_back(At(MacPoint(static_cast<int16_t>(at.h + dh), static_cast<int16_t>(at.v + dv))));
    return pixels;
  };
  const std::vector<COLORREF> before = snapshot();
  view_->TrackMouseOver(MacPoint(static_cast<int16_t>(at.h + 1), at.v));
  ASSERT_NE(view_->GetSnapper()->GetHoverObject(), nullptr);
  ASSERT_NE(snapshot(), before);
  world_->SetMode(TWorldBase::kSelectionTool, 0);
  EXPECT_EQ(view_->GetSnapper()->GetHoverObject(), nullptr);
  EXPECT_EQ(snapshot(), before);
}

// Hovering with the rotating tool draws the line from the centre it turns about to the pointer.
// Redrawing the view under the line, in part or whole, leaves the line whole, and leaving the
// view takes all of it back: nothing stale stays behind.
TEST_F(WorldWindowTest, TheRotationCentreLineFollowsTheHoverAndRedrawsLeaveNothingStale) {
  world_->SetMode(TWorldDoc::kDragSelectionTool, 0);
  const MacPoint box = BoxCentre();
  Click(MacPoint(static_cast<int16_t>(box.h + 60), box.v));  // makes the standing trackers
  ASSERT_NE(window_->Clicks()->DragTracker(), nullptr);
  Pump();
  const auto whole = [&] {
    std::vector<COLORREF> pixels;
    for (int16_t v = 0; v < view_->GetStoredSize().v; ++v)
      for (int16_t h = 0; h < view_->GetStoredSize().h; ++h) pixels.push_back(At(MacPoint(h, v)));
    return pixels;
  };
  const std::vector<COLORREF> before = whole();
  // Beyond the box seen from the centre, so that the line crosses the box.
  const MacPoint centre = view_->WorldToView(DefaultRotationCentre());
  const MacPoint beyond(static_cast<int16_t>(box.h + (box.h - centre.h) / 8),
                        static_cast<int16_t>(box.v + (box.v - centre.v) / 8));
  ASSERT_FALSE(beyond == centre);
  view_->TrackMouseOver(beyond);
  const std::vector<COLORREF> lined = whole();
  ASSERT_NE(lined, before);
  // The line runs from the centre through the box.
  const MacPoint middle(static_cast<int16_t>((centre.h + box.h) / 2),
                        static_cast<int16_t>((centre.v + box.v) / 2));
  const auto atMiddle = static_cast<size_t>(middle.v * view_->GetStoredSize().h + middle.h);
  EXPECT_NE(lined[atMiddle], before[atMiddle]);

  view_->RedrawObject(box_, 0, false);
  Pump();
  EXPECT_EQ(whole(), lined);
  InvalidateRect(view_->GetWindowHandle(), nullptr, FALSE);
  Pump();
  EXPECT_EQ(whole(), lined);

  view_->TrackMouseOver(
      MacPoint(static_cast<int16_t>(beyond.h + 10), static_cast<int16_t>(beyond.v - 10)));
  EXPECT_NE(whole(), lined);
  view_->TrackMouseOver(MacPoint(-20, -20));
  EXPECT_EQ(whole(), before);

  // Another tool shows no line.
  world_->SetMode(TWorldBase::kSelectionTool, 0);
  view_->TrackMouseOver(beyond);
  EXPECT_EQ(whole(), before);
}

TEST_F(WorldWindowTest, ABodyMovedRedrawsOnlyWhereItWasAndWhereItIs) {
  const auto whole = [&] {
    std::vector<COLORREF> pixels;
    for (int16_t v = 0; v < view_->GetStoredSize().v; v += 2)
      for (int16_t h = 0; h < view_->GetStoredSize().h; h += 2) pixels.push_back(At(MacPoint(h, v)));
    return pixels;
  };
  const std::vector<COLORREF> before = whole();
  const MacRect was = view_->ObjectRect(box_);
  view_->RedrawObject(box_, 0, false);
  box_->SetPlacement(TVector3(1.2, 0.3, 0.0));
  view_->UpdateObjectTransforms();
  const MacRect is = view_->ObjectRect(box_);
  view_->RedrawObject(box_, 0, false);
  Pump();
  EXPECT_EQ(At(InBox()), kBoxColour);
  const std::vector<COLORREF> after = whole();
  size_t index = 0;
  int32_t changed = 0;
  for (int16_t v = 0; v < view_->GetStoredSize().v; v += 2) {
    for (int16_t h = 0; h < view_->GetStoredSize().h; h += 2, ++index) {
      const auto inside = [&](const MacRect& r) {
        return h >= r.left && h < r.right && v >= r.top && v < r.bottom;
      };
      if (after[index] != before[index]) ++changed;
      if (!inside(was) && !inside(is)) {
        ASSERT_EQ(after[index], before[index]) << h << "," << v;
      }
    }
  }
  EXPECT_GT(changed, 0);
}

// The solver takes a quarter of a second for each frame on the virtual clock, so that a run's
// time slice of a second holds four frames.
constexpr DWORD kMillisecondsPerFrame = 250;
constexpr size_t kFramesPerSlice = 4;

TEST_F(WorldWindowTest, ARunFromTheMenuGoesASlicePerPassAndAClickOnABodyStopsIt) {
  WNDCLASS counterClass;
  counterClass.lpfnWndProc = CountPaints;
  counterClass.lpszClassName = "PaintCounter";
  RegisterClass(&counterClass);
  const HWND counter = CreateWindowEx(0, "PaintCounter", "counter", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      0, 0, 50, 50, nullptr, nullptr, nullptr);
  Pump();
  gPaints = 0;
  const MacPoint start = InBox();
  std::vector<int16_t> frames;
  std::vector<int32_t> paintsSeen;
  int32_t shownAtOnce = 0;
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    frames.push_back(frame);
    paintsSeen.push_back(gPaints);
    shownAtOnce += At(InBox()) == kBoxColour ? 1 : 0;
    AdvanceVirtualClock(kMillisecondsPerFrame);
    // Damage in the first slice; the click on the box as the second slice shows it, which
    // waits in the queue until the slice is over.
    if (frames.size() == 2) InvalidateRect(counter, nullptr, FALSE);
    if (frames.size() == 2 * kFramesPerSlice)
      InjectClick(view_->GetWindowHandle(), POINT{InBox().h, InBox().v});
    if (frames.size() >= 60) world_->StopRunning();  // a safety net: the click stops it first
  };
  world_->UpdateViewObject(&watcher, 1);
  PostCommand(kCmdRun);
  int16_t stoppedAt = -1;
  MacPoint stoppedBox;
  const int32_t exitCode = RunLoop({[&] {
                                      stoppedAt = world_->CurrentFrame();
                                      stoppedBox = InBox();
                                      PostCommand(kCmdReset);
                                    }});
  world_->UpdateViewObject(&watcher, 0);
  EXPECT_EQ(exitCode, 0);

  // The click was handled between the slices: the run stopped at the end of the second, long
  // before any end of its own, and the click selected nothing.
  ASSERT_EQ(frames.size(), 2 * kFramesPerSlice + 1);  // and the reset's frame 0
  EXPECT_EQ(stoppedAt, frames[2 * kFramesPerSlice - 1]);
  for (size_t i = 1; i < 2 * kFramesPerSlice; ++i)
    EXPECT_EQ(frames[i], frames[i - 1] + 1);
  EXPECT_TRUE(world_->Selection().empty());
  // The damage of the first slice was painted between the slices, not during either.
  EXPECT_EQ(paintsSeen[kFramesPerSlice - 1], 0);
  EXPECT_EQ(paintsSeen[kFramesPerSlice], 1);
  EXPECT_EQ(paintsSeen[2 * kFramesPerSlice - 1], 1);
  // Every frame was in the window as it was reached; the box had moved when the run stopped.
  EXPECT_EQ(shownAtOnce, static_cast<int32_t>(frames.size()));
  EXPECT_LT(stoppedBox.h, start.h - 1);

  // The reset went back to frame 0, where the box started, and left no command behind.
  EXPECT_EQ(frames.back(), 0);
  EXPECT_EQ(world_->CurrentFrame(), 0);
  EXPECT_EQ(InBox().h, start.h);
  EXPECT_EQ(At(start), kBoxColour);
  EXPECT_EQ(app_->Commands().QueuedCount(), 0);
  EXPECT_EQ(world_->GetRunState(), kRunIdle);
  DestroyWindow(counter);
}

TEST_F(WorldWindowTest, ResetFromTheMenuDuringARunStopsItAndGoesBackToFrameZero) {
  std::vector<int16_t> frames;
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    frames.push_back(frame);
    AdvanceVirtualClock(kMillisecondsPerFrame);
    if (frames.size() == 2) PostCommand(kCmdReset);
    if (frames.size() >= 60) world_->StopRunning();  // a safety net
  };
  world_->UpdateViewObject(&watcher, 1);
  PostCommand(kCmdRun);
  EXPECT_EQ(RunLoop({}), 0);
  world_->UpdateViewObject(&watcher, 0);
  // The run's first slice ran out; the reset came between slices and the run went no further.
  ASSERT_EQ(frames.size(), kFramesPerSlice + 1);
  EXPECT_EQ(frames.back(), 0);
  EXPECT_GT(frames[kFramesPerSlice - 1], 0);
  EXPECT_EQ(world_->CurrentFrame(), 0);
  EXPECT_EQ(app_->Commands().QueuedCount(), 0);
}

TEST_F(WorldWindowTest, ARunPerformedDirectlyStillRunsToItsEnd) {
  int32_t seen = 0;
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    ++seen;
    AdvanceVirtualClock(kMillisecondsPerFrame);
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  std::unique_ptr<TCommand> run = world_->MakeRunCommand(kCmdRun, 1);
  ASSERT_NE(run, nullptr);
  run->SetFreeWhenDone(0);
  app_->Commands().HandleCommand(run.get());
  world_->UpdateViewObject(&watcher, 0);
  // Several slices in one performing: the run went on until it was stopped.
  EXPECT_TRUE(run->IsDone());
  EXPECT_EQ(world_->CurrentFrame(), 10);
  EXPECT_GT(seen, static_cast<int32_t>(kFramesPerSlice));
}

}  // namespace

namespace {

MacPoint Offset(const MacPoint& point, int16_t dh, int16_t dv) {
  return MacPoint(static_cast<int16_t>(point.h + dh), static_cast<int16_t>(point.v + dv));
}

TEST_F(WorldWindowTest, ABandSelectsADragMovesByTheExactWorldDeltaAndUndoTakesItBack) {
  const MacPoint centre = BoxCentre();
  // A band round the box from free space selects the box and the spring's end point on it, and
  // nothing that reaches out of the band.
  Gesture(Offset(centre, -12, -12), {Offset(centre, 0, 0), Offset(centre, 12, 12)});
  ASSERT_EQ(world_->Selection().size(), 2u);
  EXPECT_EQ(world_->Selection().front(), box_);
  EXPECT_NE(dynamic_cast<TPoint*>(world_->Selection().back()), nullptr);
  // A band that leaves out half the box selects neither.
  Gesture(Offset(centre, -12, -12), {Offset(centre, 2, 12)});
  EXPECT_TRUE(world_->Selection().empty());
  Gesture(Offset(centre, -12, -12), {Offset(centre, 12, 12)});
  // The band's inverted frame is gone: beside the box, above the spring's line, the view is
  // white again.
  EXPECT_EQ(At(Offset(centre, -12, -6)), kWhite);

  // Snapping to the grid's finest step, below a pixel.
  world_->SetAngleSnap(0);
  TVector3 start;
  box_->GetPlacement(start);
  const MacPoint press = InBox();
  const TVector delta = DragDelta(press, Offset(press, 30, -20));
  Gesture(press, {Offset(press, 10, 0), Offset(press, 30, -20)});
  TVector3 moved;
  box_->GetPlacement(moved);
  EXPECT_NEAR(delta.x, 30 / kPixelsPerMetre, 0.01);
  EXPECT_DOUBLE_EQ(moved.x - start.x, delta.x);
  EXPECT_DOUBLE_EQ(moved.y - start.y, delta.y);
  EXPECT_DOUBLE_EQ(moved.r, start.r);
  // The pixels follow: the box is drawn where it went and white where it was.
  const MacPoint inBox = Offset(centre, 0, 4);  // clear of the point drawn over the centre
  EXPECT_EQ(At(Offset(inBox, 30, -20)), kBoxColour);
  EXPECT_EQ(At(inBox), kWhite);

  Command(101);
  TVector3 undone;
  box_->GetPlacement(undone);
  EXPECT_DOUBLE_EQ(undone.x, start.x);
  EXPECT_DOUBLE_EQ(undone.y, start.y);
  EXPECT_EQ(At(inBox), kBoxColour);
  EXPECT_EQ(At(Offset(inBox, 30, -20)), kWhite);
  Command(101);
  TVector3 redone;
  box_->GetPlacement(redone);
  EXPECT_DOUBLE_EQ(redone.x, moved.x);
  EXPECT_DOUBLE_EQ(redone.y, moved.y);

  // Saved and opened again, the box stands where the drag left it.
  const std::string path = std::string(::testing::TempDir()) + "yb-dragged-box.yb";
  documents_->Documents().front()->Document().WriteDocument(path);
  TQVDoc reopened;
  reopened.ReadDocument(path);
  std::remove(path.c_str());
  auto* box = dynamic_cast<TRectangle*>(reopened.World().FindObject(sample_worlds::kBoxId));
  ASSERT_NE(box, nullptr);
  TVector3 read;
  box->GetPlacement(read);
  EXPECT_DOUBLE_EQ(read.x, moved.x);
  EXPECT_DOUBLE_EQ(read.y, moved.y);
  EXPECT_DOUBLE_EQ(read.r, moved.r);
}

// The same gestures made only of synthetic mouse messages through the event loop.
TEST_F(WorldWindowTest, ALiveBandSelectsAndALiveDragMovesByTheExactWorldDelta) {
  const MacPoint centre = BoxCentre();
  LiveDrag(Offset(centre, -12, -12), {Offset(centre, 0, 0), Offset(centre, 12, 12)});
  ASSERT_EQ(world_->Selection().size(), 2u);
  EXPECT_EQ(world_->Selection().front(), box_);
  LiveDrag(Offset(centre, -12, -12), {Offset(centre, 2, 12)});
  EXPECT_TRUE(world_->Selection().empty());
  EXPECT_EQ(At(Offset(centre, -12, -6)), kWhite);

  world_->SetAngleSnap(0);
  TVector3 start;
  box_->GetPlacement(start);
  const MacPoint press = InBox();
  const TVector delta = DragDelta(press, Offset(press, 30, -20));
  LiveDrag(press, {Offset(press, 4, 0), Offset(press, 10, 0), Offset(press, 30, -20)});
  TVector3 moved;
  box_->GetPlacement(moved);
  EXPECT_DOUBLE_EQ(moved.x - start.x, delta.x);
  EXPECT_DOUBLE_EQ(moved.y - start.y, delta.y);
  EXPECT_DOUBLE_EQ(moved.r, start.r);
  const MacPoint inBox = Offset(centre, 0, 4);
  EXPECT_EQ(At(Offset(inBox, 30, -20)), kBoxColour);
  EXPECT_EQ(At(inBox), kWhite);
  Command(101);
  TVector3 undone;
  box_->GetPlacement(undone);
  EXPECT_DOUBLE_EQ(undone.x, start.x);
  EXPECT_DOUBLE_EQ(undone.y, start.y);
}

// A move that came with the press, already waiting when tracking starts, is tracked.
TEST_F(WorldWindowTest, AMoveQueuedWithThePressIsTrackedAndNotDispatchedPastTheTracker) {
  // With the grid snap on (as a new world has it) a drag moves by whole grid spacings.
  ASSERT_NE(world_->GetAngleSnap(), 0);
  TVector3 start;
  box_->GetPlacement(start);
  const MacPoint press = InBox();
  const TVector delta = DragDelta(press, Offset(press, 60, -20));
  LiveDrag(press, {Offset(press, 60, -20)}, 1);
  TVector3 moved;
  box_->GetPlacement(moved);
  EXPECT_DOUBLE_EQ(moved.x - start.x, delta.x);
  EXPECT_DOUBLE_EQ(moved.y - start.y, delta.y);
  double spacing = 0, minor = 0, fine = 0;
  int16_t count = 0;
  view_->GetGridParameters(spacing, minor, fine, count);
  EXPECT_NE(delta.x, 0.0);
  EXPECT_DOUBLE_EQ(std::remainder(delta.x, spacing), 0.0);

  const MacPoint centre = BoxCentre();
  LiveDrag(Offset(centre, -20, -20), {Offset(centre, 20, 20)}, 1);
  ASSERT_FALSE(world_->Selection().empty());
  EXPECT_EQ(world_->Selection().front(), box_);
}

// Playing the recorded frames back shows the bodies at every frame, as running did.
TEST_F(WorldWindowTest, PlayingBackShowsTheBodiesAtEveryRecordedFrame) {
  TFrameWatcher watcher;
  watcher.onFrame = [&](int16_t frame) {
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  Command(kCmdRun);
  ASSERT_EQ(world_->CurrentFrame(), 10);
  const MacPoint last = InBox();
  int32_t frames = 0;
  int32_t shown = 0;
  watcher.onFrame = [&](int16_t) {
    ++frames;
    shown += At(InBox()) == kBoxColour ? 1 : 0;
  };
  Command(kCmdPlayBackToStart);
  world_->UpdateViewObject(&watcher, 0);
  EXPECT_GE(frames, 2);
  EXPECT_EQ(shown, frames);
  EXPECT_EQ(At(InBox()), kBoxColour);
  EXPECT_EQ(At(last), kWhite);
  // The next idle pass finds the run over and the view back to editing.
  view_->DoIdle(0);
  EXPECT_EQ(view_->GetRunState(), TMainWorldView::kEditing);
}

// Every body of the sample shows its own colour, each on white.
TEST_F(WorldWindowTest, EachBodyShowsItsColourOnWhite) {
  constexpr COLORREF kWheelColour = RGB(0, 0, 180);
  auto* wheel = dynamic_cast<TOval*>(world_->FindObject(sample_worlds::kWheelId));
  ASSERT_NE(wheel, nullptr);
  wheel->SetShortProperty(kTagFillPattern, 1);
  wheel->SetColourProperty(kTagFillColour, ColorRefToRGB16(kWheelColour));
  view_->InvalidateForeground();
  Pump();
  TVector position;
  wheel->GetPosition(position);
  const MacPoint centre = view_->WorldToView(position);
  // Beside the centre, clear of the centre-of-mass mark.
  EXPECT_EQ(At(MacPoint(static_cast<int16_t>(centre.h + 8), static_cast<int16_t>(centre.v + 8))),
            kWheelColour);
  EXPECT_EQ(At(InBox()), kBoxColour);
  const auto radius = static_cast<int16_t>(sample_worlds::kWheelRadius * kPixelsPerMetre);
  EXPECT_EQ(At(MacPoint(static_cast<int16_t>(centre.h - radius - 3), centre.v)), kWhite);
  EXPECT_EQ(At(MacPoint(static_cast<int16_t>(centre.h - radius + 3), centre.v)), kWheelColour);
}

TEST_F(WorldWindowTest, TheWindowPlacesScrollsAndGridsTheWorldForThoseWhoKnowOnlyTheWorld) {
  TWorldDisplay* display = world_->GetDisplay();
  ASSERT_EQ(display, static_cast<TWorldDisplay*>(window_));

  display->SetShowGrid(true);
  EXPECT_TRUE(display->GetShowGrid());
  EXPECT_NE(view_->GetShowGrid(), 0);

  // The origin goes where it is asked, its vertical coordinate counting upward.
  display->ScrollToOrigin(120.0, -80.0);
  const MacPoint origin = display->WorldToPixel(TVector(0.0, 0.0));
  EXPECT_EQ(origin.h, 120);
  EXPECT_EQ(origin.v, 80);
  const MacPoint metre = display->WorldToPixel(TVector(1.0, 1.0));
  EXPECT_EQ(metre.h, 120 + 100);
  EXPECT_EQ(metre.v, 80 - 100);
  const MacRect extent = display->ExtentInPort();
  EXPECT_EQ(extent.right - extent.left, view_->GetStoredSize().h);

  CFrameWnd* frame = window_->FrameWindow()->GetWindow()->GetParentFrame();
  ASSERT_NE(frame, nullptr);
  RECT before;
  GetWindowRect(frame->m_hWnd, &before);
  // A width of 0 leaves the frame where it is; a positive one moves and sizes it.
  display->SetPlacement({before.left + 7, before.top + 9, 0, 150});
  display->ApplyWindowSettings();
  RECT unmoved;
  GetWindowRect(frame->m_hWnd, &unmoved);
  EXPECT_EQ(unmoved.left, before.left);
  EXPECT_EQ(unmoved.right, before.right);
  display->SetPlacement({3, 4, 250, 150});
  display->ApplyWindowSettings();
  Pump();
  RECT moved;
  GetWindowRect(frame->m_hWnd, &moved);
  EXPECT_EQ(moved.right - moved.left, 250 + 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(moved.bottom - moved.top,
            150 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  EXPECT_NE(moved.left, before.left + 7);

  display->SetShown(false);
  EXPECT_FALSE(window_->FrameWindow()->IsShown());
  display->SetShown(true);
  EXPECT_TRUE(window_->FrameWindow()->IsShown());
}

// The column of the box's left edge along the row through its centre, or -1.
int32_t BoxLeftEdge(const std::function<COLORREF(const MacPoint&)>& at, int16_t row, int16_t width) {
  for (int16_t h = 0; h < width; ++h)
    if (at(MacPoint(h, row)) == kBoxColour) return h;
  return -1;
}

TEST_F(WorldWindowTest, TheWindowHasScrollBarsBesideTheMainViewAndHidingThemGivesTheRoomBack) {
  TScrollBarContainer* horizontal = window_->HScrollBar();
  TScrollBarContainer* vertical = window_->VScrollBar();
  ASSERT_NE(horizontal, nullptr);
  ASSERT_NE(vertical, nullptr);
  EXPECT_TRUE(window_->HasBothScrollBars());
  EXPECT_TRUE(window_->HasBottomStrip());
  const TViewPoint content = window_->Manager()->GetStoredSize();
  const int32_t barHeight = GetSystemMetrics(SM_CYHSCROLL);
  const int32_t barWidth = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(horizontal->GetLocation().v, content.v - barHeight - 2);
  EXPECT_EQ(vertical->GetLocation().h, content.h - barWidth - 2);
  EXPECT_EQ(horizontal->GetMaster(), view_);

  const TViewPoint location = view_->GetLocation();
  const TViewPoint size = view_->GetStoredSize();
  window_->ShowHScrollBar(true);  // already shown: nothing
  EXPECT_EQ(window_->HScrollBar(), horizontal);
  window_->ShowHScrollBar(false);
  EXPECT_FALSE(window_->HasBottomStrip());
  EXPECT_FALSE(window_->HasBothScrollBars());
  EXPECT_EQ(view_->GetStoredSize().v, size.v + barHeight + 1);
  window_->ShowVScrollBar(false);
  EXPECT_EQ(view_->GetStoredSize().h, size.h + barWidth + 2);
  window_->ShowVScrollBar(true);
  window_->ShowHScrollBar(true);
  EXPECT_EQ(view_->GetLocation().h, location.h);
  EXPECT_EQ(view_->GetLocation().v, location.v);
  EXPECT_EQ(view_->GetStoredSize().h, size.h);
  EXPECT_EQ(view_->GetStoredSize().v, size.v);

  // A document that forbids scroll bars gets none.
  window_->ShowHScrollBar(false);
  window_->SetScrollBarsForbidden(true);
  window_->ShowHScrollBar(true);
  EXPECT_EQ(window_->HScrollBar(), nullptr);
}

// A press and release of the left button at (x, y) of a window, as its messages.
void PressAt(HWND window, int32_t x, int32_t y) {
  SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessage(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST_F(WorldWindowTest, AClickOnAScrollArrowShiftsTheWorldPixelsByALine) {
  const auto at = [this](const MacPoint& point) { return At(point); };
  const int16_t row = InBox().v;
  const auto width = static_cast<int16_t>(view_->GetStoredSize().h);
  const int32_t before = BoxLeftEdge(at, row, width);
  ASSERT_GT(before, 20);
  HWND horizontal = window_->HScrollBar()->GetScrollBar()->m_hWnd;
  RECT bar;
  GetClientRect(horizontal, &bar);
  // The left arrow shows what lies left of the view: the world moves right.
  PressAt(horizontal, 2, bar.bottom / 2);
  Pump();
  EXPECT_EQ(BoxLeftEdge(at, row, width), before + 12);
  PressAt(horizontal, bar.right - 2, bar.bottom / 2);
  PressAt(horizontal, bar.right - 2, bar.bottom / 2);
  Pump();
  EXPECT_EQ(BoxLeftEdge(at, row, width), before - 12);

  // The up arrow: the world moves down.
  const MacPoint centre = BoxCentre();
  HWND vertical = window_->VScrollBar()->GetScrollBar()->m_hWnd;
  GetClientRect(vertical, &bar);
  PressAt(vertical, bar.right / 2, 2);
  Pump();
  EXPECT_EQ(BoxCentre().v, centre.v + 12);
  EXPECT_EQ(At(MacPoint(centre.h, static_cast<int16_t>(centre.v + 16))), kBoxColour);
}

struct BarState {
  int32_t minimum = 0;
  int32_t maximum = 0;
  int32_t position = 0;
};

BarState StateOf(TScrollBarContainer* container) {
  BarState state;
  container->GetScrollBar()->GetScrollRange(&state.minimum, &state.maximum);
  state.position = container->GetScrollBar()->GetScrollPos();
  return state;
}

TEST_F(WorldWindowTest, TheScrollBarsShowTheViewInPixelsAndFollowItsScrolling) {
  TScrollBarContainer* horizontalBar = window_->HScrollBar();
  TScrollBarContainer* verticalBar = window_->VScrollBar();
  ASSERT_NE(horizontalBar, nullptr);
  ASSERT_NE(verticalBar, nullptr);
  view_->RecomputeWorldExtent();
  const TViewPoint size = view_->GetStoredSize();
  // The range is the bodies' pixels grown by half the view less 6 on each side.
  const int32_t marginH = 2 * ((size.h >> 1) - 6);
  const BarState start = StateOf(horizontalBar);
  const int32_t bodiesH = start.maximum - start.minimum - marginH;
  EXPECT_GE(bodiesH, BoxWidthInPixels() - 2);
  EXPECT_LT(bodiesH, size.h);
  // The position is the view's centre inside that range.
  EXPECT_GT(start.position, start.minimum);
  EXPECT_LT(start.position, start.maximum);
  const BarState upright = StateOf(verticalBar);
  EXPECT_GT(upright.maximum - upright.minimum, 2 * ((size.v >> 1) - 6));
  EXPECT_GT(upright.position, upright.minimum);
  EXPECT_LT(upright.position, upright.maximum);

  // Each arrow moves the thumb by the line the world scrolled; the range stays.
  HWND horizontal = horizontalBar->GetScrollBar()->m_hWnd;
  RECT bar;
  GetClientRect(horizontal, &bar);
  PressAt(horizontal, bar.right - 2, bar.bottom / 2);
  Pump();
  BarState now = StateOf(horizontalBar);
  EXPECT_EQ(now.position, start.position + 12);
  EXPECT_EQ(now.minimum, start.minimum);
  EXPECT_EQ(now.maximum, start.maximum);
  PressAt(horizontal, 2, bar.bottom / 2);
  PressAt(horizontal, 2, bar.bottom / 2);
  Pump();
  EXPECT_EQ(StateOf(horizontalBar).position, start.position - 12);

  // Up shows more of the world's top: the vertical thumb goes toward its minimum.
  HWND vertical = verticalBar->GetScrollBar()->m_hWnd;
  GetClientRect(vertical, &bar);
  PressAt(vertical, bar.right / 2, 2);
  Pump();
  EXPECT_EQ(StateOf(verticalBar).position, upright.position - 12);
  EXPECT_EQ(StateOf(verticalBar).minimum, upright.minimum);
  PressAt(vertical, bar.right / 2, bar.bottom - 2);
  PressAt(vertical, bar.right / 2, bar.bottom - 2);
  Pump();
  EXPECT_EQ(StateOf(verticalBar).position, upright.position + 12);

  // Zooming in doubles the bodies' share of the range.
  Command(TMainWorldView::kZoomInTool);
  Click(InBox());
  ASSERT_DOUBLE_EQ(view_->GetScale(), 2 * kPixelsPerMetre);
  // The extent, and the bars with it, follow at the view's idle time.
  AdvanceVirtualClock(3000);
  view_->DoIdle(0);
  const BarState zoomed = StateOf(horizontalBar);
  EXPECT_NEAR(zoomed.maximum - zoomed.minimum - marginH, 2 * bodiesH, 2);
  EXPECT_GT(zoomed.position, zoomed.minimum);
  EXPECT_LT(zoomed.position, zoomed.maximum);
}

TEST_F(WorldWindowTest, RulersFrameTheMainViewDrawTheGridAndFollowThePointer) {
  const TViewPoint location = view_->GetLocation();
  const TViewPoint size = view_->GetStoredSize();
  window_->ShowRulers(true);
  Pump();
  THRulerView* horizontal = window_->HRuler();
  TVRulerView* vertical = window_->VRuler();
  ASSERT_NE(horizontal, nullptr);
  ASSERT_NE(vertical, nullptr);
  EXPECT_EQ(window_->Manager()->FindSubview(static_cast<int32_t>(MakeTag("Hrul"))), horizontal);
  EXPECT_EQ(window_->Manager()->FindSubview(static_cast<int32_t>(MakeTag("Vrul"))), vertical);
  EXPECT_EQ(view_->GetLocation().h, location.h + 28);
  EXPECT_EQ(view_->GetStoredSize().h, size.h - 28);
  EXPECT_EQ(view_->GetStoredSize().v, size.v - 28);
  EXPECT_EQ(horizontal->GetLocation().v, location.v + size.v - 28);
  EXPECT_EQ(horizontal->GetLocation().h, view_->GetLocation().h);
  EXPECT_EQ(horizontal->GetStoredSize().h, view_->GetStoredSize().h);
  EXPECT_EQ(vertical->GetStoredSize().v, view_->GetStoredSize().v);

  // The ruler's pixels in the main frame.
  RECT mainRect;
  GetWindowRect(main_->m_hWnd, &mainRect);
  const auto rulerPixel = [&](TWrappedWindow* ruler, int32_t x, int32_t y) {
    RECT rulerRect;
    GetWindowRect(ruler->GetWindowHandle(), &rulerRect);
    return GetWindowSurface(main_->m_hWnd)
               ->Pixel(rulerRect.left - mainRect.left + x, rulerRect.top - mainRect.top + y) &
           0xFFFFFF;
  };
  // The origin's grid line is a major tick hanging 12 pixels from the top edge, labelled "0".
  const int32_t origin = view_->WorldToView(TVector(0, 0)).h;
  EXPECT_EQ(rulerPixel(horizontal, origin, 5), 0u);
  EXPECT_EQ(rulerPixel(horizontal, origin, 14), 0xFFFFFFu);
  auto* units = dynamic_cast<TUnitHandler*>(world_->GetUnitHandler());
  ASSERT_NE(units, nullptr);
  EXPECT_EQ(TRulerView::FormatLabel(units, -0.0, 1.0), TRulerView::FormatLabel(units, 0.0, 1.0));
  EXPECT_NE(TRulerView::FormatLabel(units, -0.0, 1.0).front(), '-');
  // The labels are written in the rulers' own text style, smaller than the bar's.
  EXPECT_EQ(horizontal->LabelFont().size, 8);
  EXPECT_EQ(vertical->LabelFont().size, 8);
  int32_t inked = 0;
  for (int32_t x = 1; x < horizontal->GetStoredSize().h; ++x)
    for (int32_t y = 14; y < 26; ++y) inked += rulerPixel(horizontal, x, y) != 0xFFFFFFu ? 1 : 0;
  EXPECT_GT(inked, 3) << TRulerView::FormatLabel(units, 0.0, 1.0);  // the labels

  // The pointer over the world: a dotted line across each ruler under it; again, and it goes.
  const int32_t column = origin + 7;
  std::vector<uint32_t> before;
  for (int32_t y = 0; y < 28; ++y) before.push_back(rulerPixel(horizontal, column, y));
  const int32_t values[6] = {0, (column << 16) | 40, 0, 0, 0, 1};
  view_->TrackFeedback(values);
  EXPECT_TRUE(horizontal->MarkerShown());
  EXPECT_EQ(horizontal->MarkerAlong(), column);
  EXPECT_EQ(vertical->MarkerAlong(), 40);
  int32_t changed = 0;
  for (int32_t y = 0; y < 28; ++y) changed += rulerPixel(horizontal, column, y) != before[y] ? 1 : 0;
  EXPECT_GT(changed, 5);
  horizontal->DrawMarker(column, false);  // drawn over itself: gone
  EXPECT_FALSE(horizontal->MarkerShown());
  for (int32_t y = 0; y < 28; ++y) EXPECT_EQ(rulerPixel(horizontal, column, y), before[y]) << y;

  // The scroll bars make room for themselves beside the rulers too.
  const TViewPoint rulerAt = horizontal->GetLocation();
  const TViewPoint rulerSize = horizontal->GetStoredSize();
  const TViewPoint verticalSize = vertical->GetStoredSize();
  window_->ShowHScrollBar(false);
  window_->ShowVScrollBar(false);
  EXPECT_EQ(horizontal->GetLocation().v, rulerAt.v + GetSystemMetrics(SM_CYHSCROLL) + 1);
  EXPECT_EQ(horizontal->GetStoredSize().h, rulerSize.h + GetSystemMetrics(SM_CXVSCROLL) + 2);
  EXPECT_EQ(vertical->GetStoredSize().v, verticalSize.v + GetSystemMetrics(SM_CYHSCROLL) + 1);
  window_->ShowHScrollBar(true);
  window_->ShowVScrollBar(true);
  EXPECT_EQ(window_->HScrollBar()->GetLocation().h, vertical->GetLocation().h);
  EXPECT_EQ(horizontal->GetLocation().v, rulerAt.v);
  EXPECT_EQ(horizontal->GetStoredSize().h, rulerSize.h);
  EXPECT_EQ(vertical->GetStoredSize().v, verticalSize.v);

  window_->ShowRulers(false);
  EXPECT_EQ(window_->HRuler(), nullptr);
  EXPECT_EQ(view_->GetLocation().h, location.h);
  EXPECT_EQ(view_->GetLocation().v, location.v);
  EXPECT_EQ(view_->GetStoredSize().h, size.h);
  EXPECT_EQ(view_->GetStoredSize().v, size.v);
}

}  // namespace

namespace {

TEST_F(WorldWindowTest, ThePropertyCommandsMakeADialogActionOnTheSelectionOutsidePlayerMode) {
  world_->Select(box_);
  for (int16_t number : {1600, 10410, 10414, 10416}) {
    std::unique_ptr<TCommandCore> made(view_->DoMenuCommand(number));
    ASSERT_NE(made, nullptr) << number;
    EXPECT_TRUE(made->IsMemberClass(TDialogCommand::kClassID)) << number;
    EXPECT_EQ(made->GetCommandNumber(), number);
  }
  // 10415 opens no dialog of the selection, and player mode opens none.
  EXPECT_EQ(std::unique_ptr<TCommandCore>(view_->DoMenuCommand(10415)), nullptr);
  world_->SetPlayerMode(1);
  EXPECT_EQ(std::unique_ptr<TCommandCore>(view_->DoMenuCommand(10410)), nullptr);
  world_->SetPlayerMode(0);
}

}  // namespace

namespace {

struct TPlace {
  TViewPoint location;
  TViewPoint size;
  bool operator==(const TPlace& other) const {
    return location.h == other.location.h && location.v == other.location.v &&
           size.h == other.size.h && size.v == other.size.v;
  }
};

TPlace PlaceOf(const TWrappedWindow* view) {
  return {view->GetLocation(), view->GetStoredSize()};
}

}  // namespace

TEST_F(WorldWindowTest, TheTapeTakesARowAboveTheScrollBarOrTwoHundredPixelsOfTheBarsRow) {
  const int32_t barHeight = GetSystemMetrics(SM_CYHSCROLL);
  const int32_t barWidth = GetSystemMetrics(SM_CXVSCROLL);
  const TViewPoint content = window_->Manager()->GetStoredSize();
  const TPlace main = PlaceOf(view_);
  const TPlace bar = PlaceOf(window_->HScrollBar());
  window_->ShowFrameIndicator(true);
  TFrameIndic* tape = window_->FrameIndicator();
  ASSERT_NE(tape, nullptr);
  EXPECT_EQ(tape->GetMaster(), view_);
  EXPECT_EQ(tape->GetLocation().h, main.location.h - 1);
  EXPECT_EQ(tape->GetLocation().v, content.v - 2 * barHeight - 5);
  EXPECT_EQ(tape->GetStoredSize().h, content.h - tape->GetLocation().h - (barWidth + 1));
  EXPECT_EQ(view_->GetStoredSize().v, main.size.v - (barHeight + 1));
  EXPECT_TRUE(window_->HasBottomStrip());

  // In the scroll bar's row the tape is 200 wide and the bar gives up 199 at its left.
  window_->SetIndicatorInRow(true);
  tape = window_->FrameIndicator();
  ASSERT_NE(tape, nullptr);
  EXPECT_EQ(tape->GetStoredSize().h, 200);
  EXPECT_EQ(tape->GetLocation().v, bar.location.v - 1);
  EXPECT_EQ(window_->HScrollBar()->GetLocation().h, bar.location.h + 199);
  EXPECT_EQ(window_->HScrollBar()->GetStoredSize().h, bar.size.h - 199);
  EXPECT_TRUE(PlaceOf(view_) == main);
  // The bar hidden and shown again keeps the tape's 200 pixels.
  window_->ShowHScrollBar(false);
  window_->ShowHScrollBar(true);
  EXPECT_EQ(window_->FrameIndicator()->GetStoredSize().h, 200);
  EXPECT_EQ(window_->HScrollBar()->GetStoredSize().h, bar.size.h - 199);

  // Every strip shown and hidden again gives the main view back exactly.
  window_->ShowFrameIndicator(false);
  window_->SetIndicatorInRow(false);
  window_->ShowRulers(true);
  window_->ShowFrameIndicator(true);
  window_->ShowVScrollBar(false);
  window_->ShowHScrollBar(false);
  window_->ShowHScrollBar(true);
  window_->ShowVScrollBar(true);
  window_->ShowFrameIndicator(false);
  window_->ShowRulers(false);
  EXPECT_TRUE(PlaceOf(view_) == main);
}

TEST_F(WorldWindowTest, TheTapeRunsTheWorldFromItsSliderAndItsThumbShowsARecordedFrame) {
  window_->ShowFrameIndicator(true);
  Pump();
  TFrameIndic* tape = window_->FrameIndicator();
  ASSERT_NE(tape, nullptr);
  const HWND strip = tape->GetWindowHandle();
  EXPECT_EQ(tape->GetCurrentFrame(), -1);
  TFrameWatcher watcher;
  std::vector<int32_t> modes;
  watcher.onFrame = [&](int16_t frame) {
    modes.push_back(tape->GetRunMode());
    if (frame >= 10) world_->StopRunning();
  };
  world_->UpdateViewObject(&watcher, 1);
  // Nothing recorded yet: a press on the empty slider runs the world.
  const MacRect slider = tape->GetSliderRect();
  PressAt(strip, (slider.left + slider.right) / 2, slider.bottom / 2);
  while (app_->Commands().PerformNextQueued()) {
  }
  Pump();
  world_->UpdateViewObject(&watcher, 0);
  ASSERT_EQ(world_->CurrentFrame(), 10);
  ASSERT_FALSE(modes.empty());
  EXPECT_EQ(modes.front(), TFrameIndic::kForwards);
  EXPECT_EQ(tape->GetRunMode(), TFrameIndic::kStopped);
  EXPECT_EQ(tape->GetCurrentFrame(), 10);
  EXPECT_EQ(tape->GetFirstFrame(), 0);
  EXPECT_EQ(tape->GetLastFrame(), 10);
  EXPECT_EQ(tape->GetThumbRect().right, slider.right);
  const MacPoint atTen = InBox();

  // The thumb dragged by the user to where frame 4 lies: the world shows frame 4.
  const MacRect thumb = tape->GetThumbRect();
  const int32_t grab = 3;
  const int32_t room = slider.right - tape->ThumbWidth() - slider.left;
  const auto to = static_cast<int16_t>(slider.left + grab + (4 * room + 9) / 10);
  const MacPoint press(static_cast<int16_t>(thumb.left + grab), 5);
  LiveDrag(press, {MacPoint(static_cast<int16_t>(press.h - 20), 5), MacPoint(to, 5)}, 0, strip);
  EXPECT_EQ(world_->CurrentFrame(), 4);
  EXPECT_EQ(tape->GetCurrentFrame(), 4);
  EXPECT_FALSE(tape->IsTracking());
  const MacPoint atFour = InBox();
  EXPECT_GT(atFour.h, atTen.h + 3);
  EXPECT_EQ(At(atFour), kBoxColour);
  EXPECT_EQ(At(atTen), kWhite);

  // The step-forward button at the strip's right end, clicked: frame 5.
  PressAt(strip, tape->GetStoredSize().h - 5, 5);
  while (app_->Commands().PerformNextQueued()) {
  }
  Pump();
  EXPECT_EQ(world_->CurrentFrame(), 5);
}

namespace {

std::vector<char> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

namespace {

void ExpectEveryPieceOfFurniture(TWorldWindow& window) {
  EXPECT_NE(window.HRuler(), nullptr);
  EXPECT_NE(window.VRuler(), nullptr);
  EXPECT_NE(window.FrameIndicator(), nullptr);
  EXPECT_NE(window.CoordsBar(), nullptr);
  EXPECT_NE(window.HScrollBar(), nullptr);
  EXPECT_NE(window.VScrollBar(), nullptr);
}

}  // namespace

// The bundled sample, opened as it is, shows every piece of furniture.
TEST_F(WorldWindowTest, TheBundledSampleOpensWithRulersScrollBarsCoordinatesBarAndTape) {
  TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::kSpringAndPinFile);
  open.OnOpened([&](TQVDoc&) { documents_->Open(open.TakeDocument(), open.Path()); });
  app_->Commands().HandleCommand(&open);
  ASSERT_EQ(documents_->Documents().size(), 2u);
  TWorldWindow* sample = documents_->Documents().back()->WorldWindow();
  ASSERT_NE(sample, nullptr);
  Pump();
  ExpectEveryPieceOfFurniture(*sample);
}

TEST_F(WorldWindowTest, ADocumentWhoseLayoutAsksForTheFurnitureOpensWithItAndWritesTheSameBytes) {
  const auto base = std::filesystem::temp_directory_path() /
                    ("yb-furniture-" + std::to_string(::getpid()));
  const std::filesystem::path first = base.string() + "-first.yb";
  const std::filesystem::path second = base.string() + "-second.yb";
  // The window stands at a place of its own, so that the copy opens where it stood.
  window_->SetPlacement({30, 40, 420, 300});
  window_->ApplyWindowSettings();
  window_->ShowRulers(true);
  window_->ShowFrameIndicator(true);
  window_->ShowCoordsBar(true);
  documents_->Documents().front()->Document().WriteDocument(first.string());
  EXPECT_EQ(world_->Settings().rulers, 1);
  EXPECT_EQ(world_->Settings().frameIndicator, 1);
  EXPECT_EQ(world_->Settings().coordinates, 1);

  TWorldWindow* reopened = nullptr;
  TOpenDocumentCommand open(first.string());
  open.OnOpened([&](TQVDoc&) { documents_->Open(open.TakeDocument(), open.Path()); });
  app_->Commands().HandleCommand(&open);
  ASSERT_EQ(documents_->Documents().size(), 2u);
  reopened = documents_->Documents().back()->WorldWindow();
  ASSERT_NE(reopened, nullptr);
  Pump();
  ExpectEveryPieceOfFurniture(*reopened);
  EXPECT_EQ(PlaceOf(reopened->MainView()).size.h, PlaceOf(view_).size.h);
  EXPECT_EQ(PlaceOf(reopened->MainView()).size.v, PlaceOf(view_).size.v);

  documents_->Documents().back()->Document().WriteDocument(second.string());
  const std::vector<char> written = FileBytes(first);
  EXPECT_FALSE(written.empty());
  EXPECT_TRUE(written == FileBytes(second));
  std::filesystem::remove(first);
  std::filesystem::remove(second);
}

namespace {

double PositionX(TLink* object) {
  return object->GetFormulaProperty(kTagPosX, nullptr, nullptr, nullptr, nullptr)->GetValue();
}

}  // namespace

TEST_F(WorldWindowTest, TheCoordinatesBarFollowsThePointerAndTakesBackItsRoom) {
  const TPlace main = PlaceOf(view_);
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(view_->GetStoredSize().v, main.size.v - bar->GetStoredSize().v - 1);
  EXPECT_EQ(bar->GetLocation().v, view_->GetLocation().v + view_->GetStoredSize().v);
  EXPECT_EQ(bar->GetLocation().h, view_->GetLocation().h - 1);
  EXPECT_EQ(bar->CellRect(0).left, 21);
  EXPECT_EQ(bar->CellRect(1).left, 21 + 97);

  // The pointer over the world: its position in the first two cells.
  const MacPoint point(static_cast<int16_t>(BoxCentre().h + 40), 30);
  view_->TrackMouseOver(point);
  window_->Manager()->UpdateNow();
  Pump();
  // The pointer snaps to the world's snapping step, as the rulers' marker does.
  const TVector world = view_->ViewToWorld(point);
  const double step = world_->SnappingDistance();
  ASSERT_GT(step, 0.0);
  ASSERT_FALSE(bar->CellText(0).empty());
  ASSERT_FALSE(bar->CellText(1).empty());
  EXPECT_NEAR(std::stod(bar->CellText(0)), std::round(world.x / step) * step, 0.005);
  EXPECT_NEAR(std::stod(bar->CellText(1)), std::round(world.y / step) * step, 0.005);
  // A text too wide for its cell loses characters at its end.
  const std::string wide(40, '8');
  EXPECT_LE(bar->FitText(wide, 50).size(), 10u);
  EXPECT_LT(bar->FitText(wide, 50).size(), wide.size());

  // With the rulers and the tape around it, hiding all gives the main view back exactly.
  window_->ShowRulers(true);
  window_->ShowFrameIndicator(true);
  window_->ShowVScrollBar(false);
  window_->ShowVScrollBar(true);
  window_->ShowCoordsBar(false);
  window_->ShowFrameIndicator(false);
  window_->ShowRulers(false);
  EXPECT_TRUE(PlaceOf(view_) == main);
}

// A field's label stands between the unit of the cell before and its own cell: the labels of a
// box, a wheel and a point fit there, so that none is drawn over its neighbour.
TEST_F(WorldWindowTest, TheCoordinatesBarsFieldLabelsFitBetweenTheCells) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  const int32_t room = bar->CellRect(1).left - 2 - (bar->CellRect(0).right + 1) -
                       TCoordsView::kUnitWidth;
  ASSERT_GT(room, 0);
  for (const int16_t id :
       {sample_worlds::kBoxId, sample_worlds::kWheelId, sample_worlds::kWheelPinnedPointId}) {
    TLink* object = world_->FindObject(id);
    ASSERT_NE(object, nullptr) << id;
    int labels = 0;
    for (int16_t cell = 0; cell < TCoordsView::kCellCount; ++cell) {
      const TMergedCoordField field =
          MergeCoordField(static_cast<int16_t>(kFirstCoordFieldCode + cell), {object});
      if (!field.present) continue;
      ++labels;
      EXPECT_EQ(bar->FitText(field.label, room), field.label)
          << "object " << id << ", cell " << cell;
    }
    EXPECT_GE(labels, 2) << id;
  }
}

TEST_F(WorldWindowTest, AValueTypedInTheCoordinatesBarMovesTheSelectionInOneUndoableCommand) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  TLink* wheel = world_->FindObject(sample_worlds::kWheelId);
  ASSERT_NE(wheel, nullptr);
  const double boxX = PositionX(box_);
  const double wheelX = PositionX(wheel);
  ASSERT_NE(boxX, wheelX);
  world_->Select(box_);
  world_->Select(wheel);
  window_->Manager()->UpdateNow();
  Pump();
  // Two values that differ show a blank.
  EXPECT_EQ(bar->CellText(0), " ");

  // A click on the first cell opens its edit; a number typed there and Return move both.
  const MacRect cell = bar->CellRect(0);
  PressAt(bar->GetWindowHandle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  ASSERT_NE(bar->Edit(), nullptr);
  EXPECT_EQ(GetFocus(), bar->Edit()->m_hWnd);
  bar->Edit()->SetWindowText("0.25");
  SendMessage(bar->Edit()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
  while (app_->Commands().PerformNextQueued()) {
  }
  Pump();
  EXPECT_FALSE(bar->IsEditing());
  auto* units = dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler());
  ASSERT_NE(units, nullptr);
  double fromDisplay = 1.0;
  units->GetFromDisplayFactor(body_tags::kDimLength, fromDisplay);
  EXPECT_DOUBLE_EQ(PositionX(box_), 0.25 * fromDisplay);
  EXPECT_DOUBLE_EQ(PositionX(wheel), 0.25 * fromDisplay);
  window_->Manager()->UpdateNow();
  EXPECT_NE(bar->CellText(0), " ");

  // One undo takes both back.
  Command(101);
  EXPECT_DOUBLE_EQ(PositionX(box_), boxX);
  EXPECT_DOUBLE_EQ(PositionX(wheel), wheelX);

  // A text that is no number is refused and the edit stays open.
  PressAt(bar->GetWindowHandle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  bar->Edit()->SetWindowText("#?");
  struct TNotedErrors : TWorldHost {
    void ShowError(int16_t error, int32_t) override { errors.push_back(error); }
    std::vector<int16_t> errors;
  } host;
  TWorldHost& previousHost = world_->Host();
  world_->SetHost(&host);
  const int16_t refused = bar->Commit(false);
  world_->SetHost(&previousHost);
  EXPECT_NE(refused, 0);
  EXPECT_EQ(host.errors, std::vector<int16_t>{refused});
  EXPECT_TRUE(bar->IsEditing());
  EXPECT_DOUBLE_EQ(PositionX(box_), boxX);
  // A click between the cells closes the edit (the blank over differing values changes nothing).
  bar->Edit()->SetWindowText("");
  PressAt(bar->GetWindowHandle(), cell.right + 8, (cell.top + cell.bottom) / 2);
  EXPECT_FALSE(bar->IsEditing());
}

TEST_F(WorldWindowTest, TabInTheCoordinatesBarAppliesTheValueAndMovesToTheNextField) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  world_->Select(box_);
  window_->Manager()->UpdateNow();
  const MacRect cell = bar->CellRect(0);
  PressAt(bar->GetWindowHandle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  EXPECT_EQ(bar->Edit()->GetWindowText(), bar->CellText(0));
  bar->Edit()->SetWindowText("0.3");
  SendMessage(bar->Edit()->m_hWnd, WM_KEYDOWN, VK_TAB, 0);
  auto* units = dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler());
  ASSERT_NE(units, nullptr);
  double fromDisplay = 1.0;
  units->GetFromDisplayFactor(body_tags::kDimLength, fromDisplay);
  // Tab performs the change at once and opens the next cell, y.
  EXPECT_DOUBLE_EQ(PositionX(box_), 0.3 * fromDisplay);
  EXPECT_TRUE(bar->IsEditing());
  EXPECT_EQ(bar->EditCell(), 1);
  bar->Edit()->SetWindowText("-0.2");
  SendMessage(bar->Edit()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
  while (app_->Commands().PerformNextQueued()) {
  }
  const TFormula* y = box_->GetFormulaProperty(kTagPosY, nullptr, nullptr, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(y->GetValue(), -0.2 * fromDisplay);
  EXPECT_FALSE(bar->IsEditing());
}

TEST_F(WorldWindowTest, TheCoordinatesBarShowsDistanceAndDirectionAndAKeyOpensItsCell) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  // The pointer right of and above the origin, in the polar mode; it snaps to the world's step.
  const MacPoint point = view_->WorldToView(TVector(0.6, 0.8));
  const double step = world_->SnappingDistance();
  const double x = std::round(0.6 / step) * step;
  const double y = std::round(0.8 / step) * step;
  view_->TrackMouseOver(point);
  bar->SetMode(TCoordsView::kModePolar, false);
  window_->Manager()->UpdateNow();
  ASSERT_FALSE(bar->CellText(2).empty());
  auto* units = dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler());
  ASSERT_NE(units, nullptr);
  double toLength = 1.0;
  double toAngle = 1.0;
  units->GetToDisplayFactor(body_tags::kDimLength, toLength);
  units->GetToDisplayFactor(body_tags::kDimAngle, toAngle);
  EXPECT_NEAR(std::stod(bar->CellText(2)), std::hypot(x, y) * toLength, 0.01 * toLength);
  EXPECT_NEAR(std::stod(bar->CellText(3)), std::atan2(y, x) * toAngle, 0.01 * toAngle);
  bar->SetMode(TCoordsView::kModeAngle, false);
  window_->Manager()->UpdateNow();
  EXPECT_TRUE(bar->CellText(1).empty());

  // A digit typed into the bar with the box selected opens the first cell with it.
  world_->Select(box_);
  window_->Manager()->UpdateNow();
  SendMessage(bar->GetWindowHandle(), WM_CHAR, '7', 0);
  ASSERT_TRUE(bar->IsEditing());
  EXPECT_EQ(bar->EditCell(), 0);
  EXPECT_EQ(bar->Edit()->GetWindowText(), "7");
  bar->ResetDragOrigin();
  EXPECT_FALSE(bar->IsEditing());
}

namespace {

// A pixel of a furniture view in the main frame's surface.
uint32_t FramePixel(HWND frame, HWND view, int32_t x, int32_t y) {
  RECT frameRect;
  GetWindowRect(frame, &frameRect);
  RECT viewRect;
  GetWindowRect(view, &viewRect);
  return GetWindowSurface(frame)->Pixel(viewRect.left - frameRect.left + x,
                                        viewRect.top - frameRect.top + y) &
         0xFFFFFF;
}

std::vector<std::pair<int32_t, int32_t>> KeysOf(HACCEL table) {
  std::vector<ACCEL> keys(static_cast<size_t>(std::max(CopyAcceleratorTable(table, nullptr, 0), 0)));
  CopyAcceleratorTable(table, keys.data(), static_cast<int32_t>(keys.size()));
  std::vector<std::pair<int32_t, int32_t>> out;
  for (const ACCEL& key : keys) out.emplace_back(key.key, key.cmd);
  return out;
}

}  // namespace

TEST_F(WorldWindowTest, TheCoordinatesBarShowsAShapesSizesAndLabelsItsCellsWithPictures) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  ASSERT_NE(bar, nullptr);
  auto* units = dynamic_cast<TWorldUnitHandler*>(world_->GetUnitHandler());
  ASSERT_NE(units, nullptr);
  double toLength = 1.0;
  units->GetToDisplayFactor(body_tags::kDimLength, toLength);

  // The pointer's x is labelled by its picture: an ink "x" of 9 pixels on white, 14 x 11, ending
  // 2 pixels left of the cell and centred on it.
  view_->TrackMouseOver(BoxCentre());
  window_->Manager()->UpdateNow();
  Pump();
  const MacRect first = bar->CellRect(0);
  const int32_t top = first.top + (first.bottom - first.top - 11) / 2;
  // The ink and paper pixels where the label's picture goes.
  const auto labelPixels = [&] {
    std::pair<int32_t, int32_t> counts{0, 0};
    for (int32_t y = top; y < top + 11; ++y) {
      for (int32_t x = first.left - 16; x < first.left - 2; ++x) {
        const uint32_t pixel = FramePixel(main_->m_hWnd, bar->GetWindowHandle(), x, y);
        counts.first += pixel == 0 ? 1 : 0;
        counts.second += pixel == 0xFFFFFF ? 1 : 0;
      }
    }
    return counts;
  };
  EXPECT_EQ(labelPixels(), std::make_pair(9, 14 * 11 - 9));
  // The second set labels a change of x: "dx" has 16 more ink pixels.
  bar->SetAltLabels(true);
  window_->Manager()->UpdateNow();
  Pump();
  EXPECT_EQ(labelPixels(), std::make_pair(25, 14 * 11 - 25));
  bar->SetAltLabels(false);

  // The box alone: x and y, then its height, width and rotation.
  world_->Select(box_);
  window_->Manager()->UpdateNow();
  EXPECT_EQ(bar->ClassA(), TRectangle::kClassID);
  EXPECT_EQ(bar->ClassB(), TRectangle::kClassID);
  const TFormula* height = box_->GetFormulaProperty(kTagHeight, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(height, nullptr);
  ASSERT_FALSE(bar->CellText(2).empty());
  EXPECT_NEAR(std::stod(bar->CellText(2)), height->GetValue() * toLength, 0.01 * toLength);
  EXPECT_FALSE(bar->CellText(3).empty());
  EXPECT_FALSE(bar->CellText(4).empty());

  // A height typed into its cell changes the box in one undoable command.
  const double oldHeight = height->GetValue();
  const MacRect third = bar->CellRect(2);
  PressAt(bar->GetWindowHandle(), (third.left + third.right) / 2, (third.top + third.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  bar->Edit()->SetWindowText("0.4");
  SendMessage(bar->Edit()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
  while (app_->Commands().PerformNextQueued()) {
  }
  EXPECT_DOUBLE_EQ(height->GetValue(), 0.4 / toLength);
  Command(101);
  EXPECT_DOUBLE_EQ(height->GetValue(), oldHeight);

  // Two bodies share x and y, but not their sizes: those cells stay empty and do not open.
  world_->Select(world_->FindObject(sample_worlds::kWheelId));
  window_->Manager()->UpdateNow();
  EXPECT_FALSE(bar->CellText(1).empty());
  EXPECT_TRUE(bar->CellText(2).empty());
  PressAt(bar->GetWindowHandle(), (third.left + third.right) / 2, (third.top + third.bottom) / 2);
  EXPECT_FALSE(bar->IsEditing());

  // A point alone: its local x and y, then where it is in the world.
  world_->DeselectAll();
  world_->Select(world_->FindObject(sample_worlds::kWheelPinnedPointId));
  window_->Manager()->UpdateNow();
  EXPECT_EQ(bar->ClassA(), TPoint::kClassID);
  ASSERT_FALSE(bar->CellText(3).empty());
  TVector wheel;
  dynamic_cast<TThing*>(world_->FindObject(sample_worlds::kWheelId))->GetPosition(wheel);
  EXPECT_NEAR(std::stod(bar->CellText(3)), (wheel.y + sample_worlds::kWheelArm) * toLength, 0.01 * toLength);
  EXPECT_TRUE(bar->CellText(4).empty());
}

TEST_F(WorldWindowTest, WhileACoordinateIsEditedTheFrameTakesTheFloatingWindowsKeys) {
  const auto before = KeysOf(main_->GetDefaultAccelerator());
  const HMODULE module = FindResourceModule("FLOATER", RT_ACCELERATOR);
  ASSERT_NE(module, nullptr);
  const HACCEL floater = LoadAccelerators(module, "FLOATER");
  const auto floating = KeysOf(floater);
  DestroyAcceleratorTable(floater);
  ASSERT_FALSE(floating.empty());
  ASSERT_NE(floating, before);

  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  world_->Select(box_);
  window_->Manager()->UpdateNow();
  const MacRect cell = bar->CellRect(0);
  PressAt(bar->GetWindowHandle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  EXPECT_EQ(KeysOf(main_->GetDefaultAccelerator()), floating);
  // Leaving the field commits it and gives the frame its own keys back.
  SetFocus(view_->GetWindowHandle());
  EXPECT_FALSE(bar->IsEditing());
  EXPECT_EQ(KeysOf(main_->GetDefaultAccelerator()), before);
}

TEST_F(WorldWindowTest, TheWorldShowsAndHidesTheMainFramesStatusBar) {
  const HWND bar = main_->StatusBar().m_hWnd;
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(IsWindowVisible(bar));
  window_->ShowStatusBar(false);
  EXPECT_FALSE(IsWindowVisible(bar));
  window_->ShowStatusBar(true);
  EXPECT_TRUE(IsWindowVisible(bar));
}

// The window's palettes are its frame's: shown and hidden again through the window.
TEST_F(WorldWindowTest, ThePalettesAreShownAndHiddenByTheFrameThatHoldsTheWindow) {
  const auto shown = [&] {
    const auto visible = main_->GetBarVisibility();
    return std::count(visible.begin(), visible.end(), true);
  };
  const auto hidden = shown();
  window_->ShowFramePalettes(true);
  EXPECT_GT(shown(), hidden);
  window_->ShowFramePalettes(false);
  EXPECT_EQ(shown(), hidden);
}

TEST_F(WorldWindowTest, ARefusedCoordinateIsReportedOnceThoughTheAlertTakesTheFocus) {
  window_->ShowCoordsBar(true);
  TCoordsView* bar = window_->CoordsBar();
  world_->Select(box_);
  window_->Manager()->UpdateNow();
  const MacRect cell = bar->CellRect(0);
  PressAt(bar->GetWindowHandle(), (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  ASSERT_TRUE(bar->IsEditing());
  // An alert of its own takes the focus, as a message box does.
  struct TFocusTakingHost : TWorldHost {
    void ShowError(int16_t error, int32_t) override {
      errors.push_back(error);
      SetFocus(elsewhere);
    }
    HWND elsewhere = nullptr;
    std::vector<int16_t> errors;
  } host;
  host.elsewhere = view_->GetWindowHandle();
  TWorldHost& previousHost = world_->Host();
  world_->SetHost(&host);
  bar->Edit()->SetWindowText("2 +");
  SendMessage(bar->Edit()->m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
  world_->SetHost(&previousHost);
  EXPECT_EQ(host.errors.size(), 1u);
  // The edit stays open, has the focus back and its text selected.
  EXPECT_TRUE(bar->IsEditing());
  EXPECT_EQ(GetFocus(), bar->Edit()->m_hWnd);
  EXPECT_EQ(bar->Edit()->GetWindowText(), "2 +");
}
