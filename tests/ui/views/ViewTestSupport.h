#pragma once
// A fresh window system with an application handler, a top-level host window and a window
// object over a view window inside it: the root of the view trees the tests build. Test views
// paint a colour and make logged commands.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/CommandNesting.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"

namespace view_test {

inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

class TLoggedCommand : public TSmallCommand {
 public:
  explicit TLoggedCommand(std::string name) : name_(std::move(name)) {
    InitCommand(500, nullptr, nullptr, nullptr);
  }
  ~TLoggedCommand() override { Log().push_back(name_ + " deleted"); }
  void Perform() override { Log().push_back(name_ + " performed"); }
  std::string name_;
};

// A view that paints its extent in one colour and answers clicks with a logged command.
class TTestView : public TWrappedWindow {
 public:
  explicit TTestView(std::string name, COLORREF colour = RGB(255, 0, 0))
      : name_(std::move(name)), colour_(colour) {}
  ~TTestView() override { Log().push_back(name_ + " view deleted"); }
  void Draw(const MacRect&) override {
    const HDC dc = GetPortDC();
    if (!dc) return;
    const RECT all{0, 0, GetStoredSize().h, GetStoredSize().v};
    const HBRUSH brush = CreateSolidBrush(colour_);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    Log().push_back(name_ + " drawn");
  }
  TCommandCore* DoMouseCommand(const MacPoint& point, TMouseEvent* event, int32_t) override {
    lastPoint = point;
    lastClicks = event ? event->clickCount : 0;
    lastControl = event ? event->controlKey + event->commandKey : 0;
    lastShift = event ? event->shiftKey : 0;
    Log().push_back(name_ + " clicked");
    return new TLoggedCommand(name_ + " command");
  }
  bool DoSetCursor(const MacPoint& point, RegionRec* region) override {
    Log().push_back(name_ + " cursor");
    return TWrappedWindow::DoSetCursor(point, region);
  }
  MacPoint lastPoint;
  int16_t lastClicks = 0;
  int32_t lastControl = 0;
  int16_t lastShift = 0;

 private:
  std::string name_;
  COLORREF colour_;
};

class TReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    InitDrawingPort();
    InstallWindowBinding();
    Log().clear();
    application_ = std::make_unique<TCommandHandler>(nesting_);
    host_ = new HostWindow;
    host_->CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 50, 40, 400, 300, nullptr,
                    nullptr, nullptr);
    application_->SetMainFrame(host_->m_hWnd);
    root_ = MakeWindowObject(host_, 400, 300);
  }
  void TearDown() override {
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    SetCurrentWrappedView(nullptr);
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentPort(GetGlobalPort());
    application_.reset();
    FreeDrawingPort();
    UseProcessClock();
  }

  // A window object over a new document view window filling `parent`.
  TOwlSubview* MakeWindowObject(CWnd* parent, int32_t width, int32_t height) {
    auto* window = new TOwlWindow(parent, "doc", nullptr, TViewPoint{0, 0},
                                  TViewPoint{width, height});
    if (!window->CreateView(nullptr, parent)) return nullptr;
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    auto* object = new TOwlSubview;
    object->IOwlView(nullptr, std::move(port), true, true, true);
    return object;
  }

  // A view placed in `superview` at (h, v) with size (width, height).
  template <typename View = TTestView>
  View* Place(TWrappedWindow* superview, const std::string& name, int32_t h, int32_t v,
              int32_t width, int32_t height, int32_t horizontalRule = 5, int32_t verticalRule = 5,
              COLORREF colour = RGB(255, 0, 0)) {
    auto* view = new View(name, colour);
    TViewPoint location{h, v};
    TViewPoint size{width, height};
    view->InitFromParent(nullptr, superview, location, size, horizontalRule, verticalRule);
    return view;
  }

  // Paints everything waiting, as the message loop would.
  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  uint32_t Pixel(int32_t x, int32_t y) { return GetWindowSurface(host_->m_hWnd)->Pixel(x, y); }
  // The update area of a window, in its client coordinates.
  static RECT UpdateBox(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, region, FALSE);
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    return box;
  }

  class HostWindow : public CWnd {
   public:
    void PostNcDestroy() override { delete this; }
  };

  TReporter reporter_;
  TCommandNesting nesting_{reporter_};
  std::unique_ptr<TCommandHandler> application_;
  HostWindow* host_ = nullptr;
  TOwlSubview* root_ = nullptr;
};

}  // namespace view_test
