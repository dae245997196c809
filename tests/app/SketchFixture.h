#pragma once
// What the end-to-end sketching tests share: the program with its main frame and the
// spring-and-pin sample open in a document window, the event loop, and gestures made only of
// synthetic mouse messages that the tracking loop reads as a user's.

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
#include "tests/app/ProgramDocuments.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr double kPixelsPerMetre = 50.0;

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

class SketchFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    path_ =
        std::filesystem::temp_directory_path() /
        ("yb-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
         "-" + std::to_string(::getpid()) + ".yb");
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

  // The document opened: the spring-and-pin sample, unless a fixture gives its own.
  virtual std::string DocumentPath() {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::kSpringAndPinFile;
  }
  // The document at 50 pixels a metre around the world's origin.
  void OpenSample() {
    TOpenDocumentCommand open(DocumentPath());
    open.OnOpened([&](TQVDoc& document) {
      world_ = &document.World();
      program_documents::WithoutFurniture(*world_);
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
