#pragma once
// World views for the off-screen tests: a view that paints a background colour and an object
// square and logs each pass it is asked to draw, and a fixture with a double-buffered manager
// inside the window object of the view tests.

#include <string>

#include "core/port/PortShapes.h"
#include "tests/ui/views/ViewTestSupport.h"
#include "views/offscreen/DezevOffScreenMgr.h"
#include "views/offscreen/OffScreenViewBase.h"

namespace view_test {

class TPaintedView : public TOffScreenViewBase {
 public:
  TPaintedView(std::string name, COLORREF background, COLORREF object, MacRect square)
      : name_(std::move(name)), background_(background), object_(object), square_(square) {}
  void DrawBackground(const MacRect& rect) override {
    Log().push_back(name_ + " background");
    if (failBackground) ThrowFailure(-1, 0);
    Fill(rect, background_);
  }
  void DrawObjects(const MacRect&) override {
    Log().push_back(name_ + " objects");
    Fill(square_, object_);
  }
  void DrawOverlay(const MacRect& rect) override {
    Log().push_back(name_ + " overlay");
    TOffScreenViewBase::DrawOverlay(rect);
  }
  static void Fill(const MacRect& rect, COLORREF colour) {
    const HBRUSH brush = CreateSolidBrush(colour);
    PortFillRectBrush(rect, brush);
    DeleteObject(brush);
  }
  void MoveSquare(const MacRect& to) {
    InvalidateShallow(square_);
    square_ = to;
    InvalidateShallow(square_);
  }
  bool failBackground = false;

 private:
  std::string name_;
  COLORREF background_;
  COLORREF object_;
  MacRect square_;
};

class OffScreenTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    OffScreenGlobals() = TOffScreenGlobals{};
    OffScreenGlobals().showError = [](int16_t error, int32_t message) {
      Log().push_back("alert " + std::to_string(error) + " " + std::to_string(message));
    };
  }
  void TearDown() override {
    OffScreenGlobals() = TOffScreenGlobals{};
    ViewTest::TearDown();
  }
  // A double-buffered manager over the window object, opened, with its pictures made.
  TDezevOffScreenMgr* OpenManager() {
    auto* manager = static_cast<TDezevOffScreenMgr*>(BuildOffScreenManager(nullptr, root_));
    manager->Open();
    manager->RebuildBuffers(false);
    return manager;
  }
  TPaintedView* AddView(TWrappedWindow* manager, int32_t h, int32_t v, int32_t width,
                        int32_t height, COLORREF background, COLORREF object, MacRect square,
                        const std::string& name = "view") {
    auto* view = new TPaintedView(name, background, object, square);
    view->InitOffScreenView(nullptr, manager, TViewPoint{h, v}, TViewPoint{width, height}, 5, 5,
                            nullptr, nullptr);
    return view;
  }
  COLORREF At(int32_t x, int32_t y) {
    const uint32_t pixel = Pixel(x, y);
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
  }
  bool Logged(const std::string& entry) const {
    for (const std::string& line : Log())
      if (line == entry) return true;
    return false;
  }
};

}  // namespace view_test
