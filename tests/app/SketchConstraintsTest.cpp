// Constraints sketched end to end in a world's window: each tool chosen from the Tools menu,
// the mouse only synthetic messages through the program's event loop, the result checked in the
// world, in the window's pixels, in the saved and reopened document and in a run.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
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
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
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
constexpr int16_t kRectangleTool = 2503;
constexpr int16_t kCircleTool = 2500;
constexpr int16_t kPinTool = 2524;
constexpr int16_t kSpringTool = 2509;
constexpr int16_t kGearTool = 2552;
constexpr int16_t kCurvedSlotTool = 2546;
constexpr int16_t kForceTool = 2506;
constexpr int16_t kVertexEditing = 2012;


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

class SketchConstraintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    path_ = std::filesystem::temp_directory_path() /
            ("yb-sketch-constraints-" + std::to_string(::getpid()) + ".yb");
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
    TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" +
                              sample_worlds::kSpringAndPinFile);
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
    const uint32_t pixel = GetWindowSurface(main_->m_hWnd)
                               ->Pixel(viewRect.left - mainRect.left + point.h,
                                       viewRect.top - mainRect.top + point.v);
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
  void Gesture(const MacPoint& press, std::vector<std::function<void()>> desktop) {
    size_t next = 0;
    TScriptedDesktop presenter([&] {
      MSG waiting;
      if (PeekMessage(&waiting, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) return;
      if (GetCapture() == view_->GetWindowHandle() && next < desktop.size()) desktop[next++]();
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
      desktop.push_back([at] { InjectMouseButton(MouseButton::kLeft, true, at); });
      desktop.push_back([at] { InjectMouseButton(MouseButton::kLeft, false, at); });
    }
    Gesture(On(points.front().x, points.front().y), desktop);
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

// The centre and half size of a body's box.
struct Box {
  TVector centre;
  TVector half;
};

Box BoxOf(TBasicMass& body) {
  TVector centre(0.0, 0.0);
  body.GetPosition(centre);
  const TVector size = body.GetSize();
  return {centre, TVector(size.x / 2.0, size.y / 2.0)};
}

TMass* BodyOf(TLink* object) {
  auto* point = dynamic_cast<TPoint*>(object);
  return point != nullptr ? point->GetBody() : nullptr;
}

template <class T>
T* FirstOf(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object->IsMemberClass(T::kClassID)) return static_cast<T*>(object);
  return nullptr;
}

TEST_F(SketchConstraintsTest, APinAndAForceSketchedOnABodyMakeItSwingAboutThePin) {
  // The trackers' own grid off (its step below a pixel), so that ends go where they are
  // dropped and snap only to hot points.
  world_->SetAngleSnap(0);
  Command(kRectangleTool);
  Drag({{-3.4, -1.6}, {-2.0, -2.0}, {-0.6, -2.4}});
  auto* bar = Newest<TRectangle>();
  ASSERT_NE(bar, nullptr);
  bar->SetMass(1.0);
  const Box box = BoxOf(*bar);
  ASSERT_GT(box.half.x, 0.5);
  const TVector left(box.centre.x - box.half.x + 0.2, box.centre.y);
  const TVector right(box.centre.x + box.half.x - 0.2, box.centre.y);
  const TVector tail(right.x, right.y - 1.2);

  // The pin: a press on the bar's left end and a release there.
  Command(kPinTool);
  EXPECT_EQ(world_->GetCurrentTool(), kPinTool);
  Drag({left, {left.x + 0.05, left.y}, left});
  auto* pin = Newest<TPin>();
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(pin->Attached()[0]), bar);
  ASSERT_NE(BodyOf(pin->Attached()[1]), nullptr);
  EXPECT_EQ(BodyOf(pin->Attached()[1])->GetIdentifier(), 0);

  // The force: pressed on the bar's right end, its tail dragged out below.
  Command(kForceTool);
  Drag({right, {right.x, right.y - 0.6}, tail});
  auto* force = Newest<TForce>();
  ASSERT_NE(force, nullptr);
  ASSERT_EQ(force->AttachedCount(), 1);
  EXPECT_EQ(BodyOf(force->Attached()[0]), bar);
  EXPECT_NEAR(force->Fx().GetValue(), 0.0, 0.05);
  EXPECT_NEAR(force->Fy().GetValue(), 1.2 / force->GetArrowScale(), 0.05);
  // The pin is drawn where it holds the bar.
  EXPECT_TRUE(InkNear(On(left.x, left.y)));

  // Saved and reopened, the pin and the force hold the same bodies.
  const int16_t barId = static_cast<int16_t>(bar->GetIdentifier());
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  TWorldDoc& again = reopened.World();
  auto* pinAgain = dynamic_cast<TPin*>(again.FindObject(pin->GetIdentifier()));
  ASSERT_NE(pinAgain, nullptr);
  ASSERT_EQ(pinAgain->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(pinAgain->Attached()[0])->GetIdentifier(), barId);
  EXPECT_EQ(BodyOf(pinAgain->Attached()[1])->GetIdentifier(), 0);
  auto* forceAgain = dynamic_cast<TForce*>(again.FindObject(force->GetIdentifier()));
  ASSERT_NE(forceAgain, nullptr);
  ASSERT_EQ(forceAgain->AttachedCount(), 1);
  EXPECT_EQ(BodyOf(forceAgain->Attached()[0])->GetIdentifier(), barId);
  EXPECT_DOUBLE_EQ(forceAgain->Fy().GetValue(), force->Fy().GetValue());

  // Run, the force turns the bar about the pin: the pinned end stays, the bar's centre moves.
  auto* pinned = dynamic_cast<TPoint*>(pin->Attached()[0]);
  ASSERT_NE(pinned, nullptr);
  for (int step = 0; step < 20; ++step) Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 20);
  EXPECT_GT(bar->GetRotationValue(), 0.01);
  EXPECT_NEAR(pinned->GetWorldXY().x, left.x, 0.01);
  EXPECT_NEAR(pinned->GetWorldXY().y, left.y, 0.01);
  TVector centre(0.0, 0.0);
  bar->GetPosition(centre);
  const double arm = std::hypot(box.centre.x - left.x, box.centre.y - left.y);
  EXPECT_NEAR(std::hypot(centre.x - left.x, centre.y - left.y), arm, 0.01);
  EXPECT_GT(centre.y, box.centre.y + 0.01);
}

TEST_F(SketchConstraintsTest, ASpringAndAGearJoinTwoCirclesAndACurvedSlotIsDrawn) {
  // The trackers' own grid off (its step below a pixel), so that ends go where they are
  // dropped and snap only to hot points.
  world_->SetAngleSnap(0);
  Command(kCircleTool);
  Drag({{0.6, -1.6}, {1.5, -2.0}, {2.4, -2.4}});
  auto* big = Newest<TOval>();
  Command(kCircleTool);
  Drag({{2.6, -1.6}, {3.0, -1.8}, {3.4, -2.0}});
  auto* small = Newest<TOval>();
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(big, small);
  // Wheels of the sizes the gear is to take its ratio from.
  big->SetRadius(0.6);
  big->SetPlacement(TVector3(1.2, -2.0, 0.0));
  big->ShapeChanged(1);
  small->SetRadius(0.3);
  small->SetPlacement(TVector3(2.6, -2.0, 0.0));
  small->ShapeChanged(1);
  Pump();
  const Box first = BoxOf(*big);
  const Box second = BoxOf(*small);
  ASSERT_GT(first.half.x, 0.0);
  ASSERT_GT(second.half.x, 0.0);

  Command(kSpringTool);
  Drag({first.centre, {2.5, -2.0}, second.centre});
  auto* spring = Newest<TLSpring>();
  ASSERT_NE(spring, nullptr);
  ASSERT_EQ(spring->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(spring->Attached()[0]), big);
  EXPECT_EQ(BodyOf(spring->Attached()[1]), small);

  Command(kGearTool);
  Drag({{first.centre.x + 0.1, first.centre.y}, {2.5, -2.0},
        {second.centre.x, second.centre.y + 0.05}});
  auto* gear = Newest<TGear>();
  ASSERT_NE(gear, nullptr);
  ASSERT_EQ(gear->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(gear->Attached()[0]), big);
  EXPECT_EQ(BodyOf(gear->Attached()[1]), small);
  const double ratio = big->GetShapeRadius() / small->GetShapeRadius();
  EXPECT_DOUBLE_EQ(gear->Ratio().GetValue(), ratio);
  EXPECT_DOUBLE_EQ(gear->Quantity().GetValue(), ratio);

  // A curved slot drawn on the background: open, its two control points the press and the
  // release, the curve in the pixels between them.
  const TVector from(-3.0, 2.0);
  const TVector to(-1.0, 2.0);
  EXPECT_FALSE(InkNear(On(-2.0, 2.0)));
  Command(kCurvedSlotTool);
  Drag({from, {-2.0, 2.2}, to});
  auto* slot = Newest<TCurvedSlot>();
  ASSERT_NE(slot, nullptr);
  EXPECT_FALSE(slot->IsClosed());
  EXPECT_EQ(slot->ControlPointCount(), 2);
  EXPECT_TRUE(InkNear(On(-2.0, 2.0)));

  // A third control point, then in vertex editing that one is dragged onto the first: the
  // curve closes.
  const TVector third(-2.0, 1.0);
  TVector onCurve = third;
  slot->WorldToLocal(onCurve);
  slot->AppendVertex(onCurve);
  slot->InvalidateCurve(1);
  Pump();
  Command(kVertexEditing);
  Drag({third, {-2.5, 1.5}, from});
  EXPECT_EQ(slot->GetSelectedVertex(), 3);
  EXPECT_TRUE(slot->IsClosed());

  // Saved and reopened with its attachments and its ratio.
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  auto* gearAgain = dynamic_cast<TGear*>(reopened.World().FindObject(gear->GetIdentifier()));
  ASSERT_NE(gearAgain, nullptr);
  ASSERT_EQ(gearAgain->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(gearAgain->Attached()[0])->GetIdentifier(), big->GetIdentifier());
  EXPECT_EQ(BodyOf(gearAgain->Attached()[1])->GetIdentifier(), small->GetIdentifier());
  EXPECT_DOUBLE_EQ(gearAgain->Ratio().GetValue(), ratio);
  auto* springAgain = dynamic_cast<TLSpring*>(reopened.World().FindObject(spring->GetIdentifier()));
  ASSERT_NE(springAgain, nullptr);
  EXPECT_EQ(springAgain->AttachedCount(), 2);
  auto* slotAgain = dynamic_cast<TCurvedSlot*>(reopened.World().FindObject(slot->GetIdentifier()));
  ASSERT_NE(slotAgain, nullptr);
  EXPECT_EQ(slotAgain->ControlPointCount(), slot->ControlPointCount());
  EXPECT_TRUE(slotAgain->IsClosed());
}

}  // namespace
