// Bodies, points and lines sketched end to end in a world's window: each tool chosen from the
// Tools menu, the mouse only synthetic messages through the program's event loop, the result
// checked in the world, in the window's pixels, in the saved and reopened document and in a run.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldParticipants.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPresenter.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr double kPixelsPerMetre = 50.0;

constexpr int16_t kCircleTool = 2500;
constexpr int16_t kRectangleTool = 2503;
constexpr int16_t kPolygonTool = 2511;
constexpr int16_t kCurvedPolygonTool = 2557;
constexpr int16_t kPointTool = 2505;
constexpr int16_t kAnchorTool = 2534;
constexpr int16_t kLineTool = 2549;
constexpr int16_t kVertexEditing = 2012;

// Told every frame shown; stops the run at frame 10.
class TFrameWatcher : public TLink, public TFrameParticipant {
 public:
  explicit TFrameWatcher(TWorldDoc& world) : world_(world) {}
  void FrameChanged(int16_t frame, int16_t, int16_t) override {
    if (frame >= 10) world_.StopRunning();
  }

 private:
  TWorldDoc& world_;
};

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

class SketchToolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    path_ = std::filesystem::temp_directory_path() /
            ("yb-sketch-tools-" + std::to_string(::getpid()) + ".yb");
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
    std::filesystem::remove(path_);
  }

  // The spring-and-pin sample at 50 pixels a metre around the world's origin.
  void OpenSample() {
    TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::kSpringAndPinFile);
    open.OnOpened([&](TQVDoc& document) {
      world_ = &document.World();
      documents_->Open(open.TakeDocument(), open.Path());
    });
    app_->Commands().HandleCommand(&open);
    ASSERT_NE(world_, nullptr);
    ASSERT_EQ(documents_->Documents().size(), 1u);
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

  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  // The view point of a world point.
  MacPoint On(double x, double y) { return view_->WorldToView(TVector(x, y)); }
  // The main frame's pixel under a point of the main view.
  COLORREF PixelAt(const MacPoint& point) {
    RECT viewRect;
    GetWindowRect(view_->GetWindowHandle(), &viewRect);
    RECT mainRect;
    GetWindowRect(main_->m_hWnd, &mainRect);
    const uint32_t pixel =
        GetWindowSurface(main_->m_hWnd)
            ->Pixel(viewRect.left - mainRect.left + point.h, viewRect.top - mainRect.top + point.v);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  // Whether anything is drawn within two pixels of the point.
  bool InkNear(const MacPoint& point) {
    for (int16_t dv = -2; dv <= 2; ++dv)
      for (int16_t dh = -2; dh <= 2; ++dh)
        if (PixelAt(MacPoint(static_cast<int16_t>(point.h + dh),
                             static_cast<int16_t>(point.v + dv))) != kWhite)
          return true;
    return false;
  }
  void Command(int16_t command) {
    SendMessage(main_->m_hWnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
    while (app_->Commands().PerformNextQueued()) {
    }
    Pump();
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
  POINT Screen(const MacPoint& point) {
    POINT at{point.h, point.v};
    ClientToScreen(view_->GetWindowHandle(), &at);
    return at;
  }
  // What the user does once the press has started a gesture, one action each time the tracking
  // loop asks the desktop for news and has read the mouse messages waiting.
  // Between the clicks of a click-by-click gesture the button is up and nothing holds the mouse.
  void Gesture(const MacPoint& press, std::vector<std::function<void()>> desktop,
               bool heldThroughout = true) {
    size_t next = 0;
    TScriptedDesktop presenter([&] {
      // A click waits until the gesture has taken the press before it.
      MSG waiting;
      if (heldThroughout
              ? PeekMessage(&waiting, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)
              : PeekMessage(&waiting, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE))
        return;
      const bool tracking = !heldThroughout || GetCapture() == view_->GetWindowHandle();
      if (tracking && next < desktop.size()) desktop[next++]();
    });
    SetWindowPresenter(&presenter);
    RunLoop({[&] {
      InjectMouseMove(Screen(press));
      InjectMouseButton(MouseButton::kLeft, true, Screen(press));
    }});
    SetWindowPresenter(nullptr);
    EXPECT_EQ(next, desktop.size());
    EXPECT_EQ(GetCapture(), nullptr);
    Pump();
  }
  // A press at the first world point, moves through the others and the release at the last.
  void Drag(const std::vector<TVector>& points) {
    std::vector<std::function<void()>> desktop;
    for (size_t i = 1; i < points.size(); ++i) {
      const POINT at = Screen(On(points[i].x, points[i].y));
      desktop.push_back([at] { InjectMouseMove(at); });
    }
    const POINT last = Screen(On(points.back().x, points.back().y));
    desktop.push_back([last] { InjectMouseButton(MouseButton::kLeft, false, last); });
    Gesture(On(points.front().x, points.front().y), desktop);
  }
  // A click at the first world point, then a click at each other one, then a click on the last
  // again, which ends the gesture.
  void ClickByClick(const std::vector<TVector>& points) {
    std::vector<std::function<void()>> desktop;
    const POINT first = Screen(On(points.front().x, points.front().y));
    desktop.push_back([first] { InjectMouseButton(MouseButton::kLeft, false, first); });
    std::vector<TVector> clicks(points.begin() + 1, points.end());
    clicks.push_back(points.back());
    for (const TVector& p : clicks) {
      const POINT at = Screen(On(p.x, p.y));
      desktop.push_back([at] { InjectMouseMove(at); });
      desktop.push_back([at] {
        // Clicks apart in time: none of them makes a double click.
        AdvanceVirtualClock(1000);
        InjectMouseButton(MouseButton::kLeft, true, at);
        InjectMouseButton(MouseButton::kLeft, false, at);
      });
    }
    Gesture(On(points.front().x, points.front().y), desktop, false);
  }
  // A click: press and release at the world point.
  void ClickAt(double x, double y) { Drag({TVector(x, y)}); }

  // The objects of the class added since the count of objects was taken.
  template <class T>
  T* Newest() {
    const std::vector<TLink*> objects = world_->Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
      if ((*it)->IsMemberClass(T::kClassID)) return static_cast<T*>(*it);
    return nullptr;
  }

  std::FILE* stream_ = nullptr;
  std::filesystem::path path_;
  std::unique_ptr<TApp> app_;
  CMainFrame* main_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  TWorldDoc* world_ = nullptr;
  TWorldWindow* window_ = nullptr;
  TMainWorldView* view_ = nullptr;
};

TEST_F(SketchToolsTest, ARectangleIsDraggedOutFromTheToolsMenu) {
  const size_t before = world_->Objects().size();
  Command(kRectangleTool);
  EXPECT_EQ(world_->GetCurrentTool(), kRectangleTool);
  // The world's grid is a metre.
  Drag({{0.5, 0.5}, {1.0, 0.8}, {2.4, 1.6}});
  ASSERT_EQ(world_->Objects().size(), before + 1);
  auto* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NEAR(rectangle->GetSize().x, 2.0, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1.0, 1e-9);
  EXPECT_TRUE(InkNear(On(0.5, 1.0)));
  EXPECT_TRUE(InkNear(On(2.5, 1.0)));
  EXPECT_FALSE(InkNear(On(2.8, 1.0)));
}

TEST_F(SketchToolsTest, EveryKindIsSketchedEditedSavedReopenedAndRun) {
  // The trackers' own grid off (its step below a pixel), so that points and vertices go where
  // they are dropped; shapes still size to the metre grid.
  world_->SetAngleSnap(0);
  // A rectangle, 2 by 1 on the metre grid.
  Command(kRectangleTool);
  Drag({{0.5, 0.5}, {2.4, 1.6}});
  TRectangle* rectangle = Newest<TRectangle>();
  ASSERT_NE(rectangle, nullptr);

  // A circle: the shorter side of the drag, 1.1, snaps to twice the grid.
  Command(kCircleTool);
  Drag({{-2, 0.5}, {-2.6, 1.2}, {-3.1, 1.9}});
  TOval* circle = Newest<TOval>();
  ASSERT_NE(circle, nullptr);
  EXPECT_NEAR(circle->GetSize().x, 2, 1e-9);
  EXPECT_NEAR(circle->GetPositionValues().x, -3, 1e-9);
  EXPECT_NEAR(circle->GetPositionValues().y, 1.5, 1e-9);

  // A polygon and a curved polygon, click by click.
  Command(kPolygonTool);
  ClickByClick({{-3, -1}, {-1, -1}, {-2, -2.5}});
  TPolygon* polygon = Newest<TPolygon>();
  ASSERT_NE(polygon, nullptr);
  ASSERT_EQ(polygon->GetVertices()->GetCount(), 3);
  Command(kCurvedPolygonTool);
  ClickByClick({{1, -1}, {3, -1}, {3, -2.5}, {1, -2.5}});
  auto* curved = dynamic_cast<TCurvPoly*>(Newest<TPolygon>());
  ASSERT_NE(curved, nullptr);
  EXPECT_TRUE(curved->IsCurved());
  EXPECT_EQ(curved->GetVertices()->GetCount(), 4);

  // A point on the rectangle, an anchor on the circle, a line.
  Command(kPointTool);
  ClickAt(2.0, 1.2);
  TPoint* point = Newest<TPoint>();
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetBody(), rectangle);
  // A second point near the rectangle's top-left corner: the snapper puts it on the corner.
  ClickAt(0.52, 1.48);
  TPoint* cornerPoint = Newest<TPoint>();
  ASSERT_NE(cornerPoint, point);
  EXPECT_EQ(cornerPoint->GetBody(), rectangle);
  EXPECT_NEAR(cornerPoint->GetWorldXY().x, 0.5, 1e-9);
  EXPECT_NEAR(cornerPoint->GetWorldXY().y, 1.5, 1e-9);
  Command(kAnchorTool);
  ClickAt(-3, 1.5);
  TAnchor* anchor = Newest<TAnchor>();
  ASSERT_NE(anchor, nullptr);
  EXPECT_EQ(anchor->GetBody(), circle);
  EXPECT_TRUE(circle->IsAnchored());
  Command(kLineTool);
  Drag({{-1, 2.5}, {0, 2.6}, {1, 2.8}});
  TLine* line = Newest<TLine>();
  ASSERT_NE(line, nullptr);
  EXPECT_NEAR(line->GetEndPoint2().x, 1, 0.03);

  // Vertex editing: a press on the middle of the polygon's first edge inserts a vertex there
  // that follows the drag.
  Command(kVertexEditing);
  Drag({{-2, -1}, {-2, -0.6}, {-2, -0.3}});
  ASSERT_EQ(polygon->GetVertices()->GetCount(), 4);
  TVector inserted;
  ASSERT_TRUE(polygon->GetVertex(2, inserted));
  polygon->LocalToWorld(inserted);
  EXPECT_NEAR(inserted.x, -2, 0.03);
  EXPECT_NEAR(inserted.y, -0.3, 0.03);

  // With the selection tool, the selected rectangle's top-right handle stretches it from its
  // bottom-left corner, and the points on it stay where they are in the world.
  Command(TWorldBase::kSelectionTool);
  ClickAt(1.5, 1.0);
  ASSERT_EQ(world_->Selection().size(), 1u);
  const TVector pointAt = point->GetWorldXY();
  Drag({{2.5, 1.5}, {3.0, 1.5}, {3.5, 1.5}});
  EXPECT_NEAR(rectangle->GetSize().x, 3, 1e-9);
  EXPECT_NEAR(rectangle->GetSize().y, 1, 1e-9);
  EXPECT_NEAR(rectangle->GetPositionValues().x, 2, 1e-9);
  EXPECT_NEAR(point->GetWorldXY().x, pointAt.x, 1e-9);
  EXPECT_NEAR(point->GetWorldXY().y, pointAt.y, 1e-9);

  // The window shows them all.
  EXPECT_TRUE(InkNear(On(0.5, 1.0)));   // the rectangle's left side
  EXPECT_TRUE(InkNear(On(3.5, 1.0)));   // and its right side, stretched
  EXPECT_TRUE(InkNear(On(-4, 1.5)));    // the circle's left rim
  EXPECT_TRUE(InkNear(On(-3, -1)));     // a polygon vertex
  EXPECT_TRUE(InkNear(On(-2, -0.3)));   // the inserted vertex
  EXPECT_TRUE(InkNear(On(2, 1.2)));     // the point
  EXPECT_FALSE(InkNear(On(-2, -0.9)));  // where the polygon's edge was

  // Saved and reopened, with the attachments.
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  TWorldDoc& again = reopened.World();
  auto* pointAgain = dynamic_cast<TPoint*>(again.FindObject(point->GetIdentifier()));
  ASSERT_NE(pointAgain, nullptr);
  ASSERT_NE(pointAgain->GetBody(), nullptr);
  EXPECT_EQ(pointAgain->GetBody()->GetIdentifier(), rectangle->GetIdentifier());
  auto* cornerAgain = dynamic_cast<TPoint*>(again.FindObject(cornerPoint->GetIdentifier()));
  ASSERT_NE(cornerAgain, nullptr);
  EXPECT_NEAR(cornerAgain->GetLocalXY().x, cornerPoint->GetLocalXY().x, 1e-12);
  EXPECT_NEAR(cornerAgain->GetLocalXY().y, cornerPoint->GetLocalXY().y, 1e-12);
  auto* anchorAgain = dynamic_cast<TAnchor*>(again.FindObject(anchor->GetIdentifier()));
  ASSERT_NE(anchorAgain, nullptr);
  EXPECT_EQ(anchorAgain->GetBody()->GetIdentifier(), circle->GetIdentifier());
  auto* polygonAgain = dynamic_cast<TPolygon*>(again.FindObject(polygon->GetIdentifier()));
  ASSERT_NE(polygonAgain, nullptr);
  EXPECT_EQ(polygonAgain->GetVertices()->GetCount(), 4);
  auto* curvedAgain = dynamic_cast<TCurvPoly*>(again.FindObject(curved->GetIdentifier()));
  ASSERT_NE(curvedAgain, nullptr);
  EXPECT_TRUE(curvedAgain->IsCurved());

  // Run: the anchored circle stays where it is.
  const TVector3 circleAt = circle->GetPositionValues();
  TFrameWatcher watcher(*world_);
  world_->UpdateViewObject(&watcher, 1);
  Command(kCmdRun);
  world_->UpdateViewObject(&watcher, 0);
  ASSERT_NE(world_->GetStore(), nullptr);
  EXPECT_EQ(world_->CurrentFrame(), 10);
  const TVector3 circleNow = circle->GetPositionValues();
  EXPECT_NEAR(circleNow.x, circleAt.x, 1e-9);
  EXPECT_NEAR(circleNow.y, circleAt.y, 1e-9);
}

}  // namespace
