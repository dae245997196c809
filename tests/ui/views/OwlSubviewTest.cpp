// Window objects: activation moves the current target and the keyboard focus, a click in an
// inactive window only brings it forward, closing needs the owner's consent, and resizing
// touches the size box only where it was and where it is.

#include "ui/views/WindowDocument.h"
#include "tests/ui/views/ViewTestSupport.h"

namespace view_test {
namespace {

class TCountingWindow : public TOwlSubview {
 public:
  void DrawSizeBox() override { ++sizeBoxDrawn; }
  int32_t sizeBoxDrawn = 0;
};

class TConsentDocument : public TWindowDocument {
 public:
  bool MayClose() override { return agrees; }
  bool agrees = false;
};

class OwlSubviewTest : public ViewTest {
 protected:
  template <typename Object = TCountingWindow>
  Object* Open(TWindowDocument* document = nullptr, bool sizeBox = true) {
    auto* window = new TOwlWindow(host_, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{200, 150});
    if (!window->CreateView(nullptr, host_)) return nullptr;
    window->ShowWindow(SW_SHOW);
    auto port = std::make_unique<TWindowPort>();
    InitWindowPort(port.get(), window->m_hWnd);
    auto* object = new Object;
    object->IOwlView(document, std::move(port), sizeBox, true, true);
    return object;
  }
};

TEST_F(OwlSubviewTest, ActivationMakesTheTargetViewCurrentOnlyWhenTheStateChanges) {
  TCountingWindow* window = Open();
  TTestView* view = Place(window, "inner", 0, 0, 20, 20);
  window->SetTargetView(view);
  window->Activate(true);
  EXPECT_TRUE(window->IsActive());
  EXPECT_EQ(CurrentTarget(), view);
  EXPECT_EQ(TOwlSubview::CurrentWindow(), window);

  // Active already: the target stays whatever it became, but the size box is drawn again.
  SetCurrentTarget(root_);
  const int32_t drawn = window->sizeBoxDrawn;
  window->Activate(true);
  EXPECT_EQ(CurrentTarget(), root_);
  EXPECT_EQ(window->sizeBoxDrawn, drawn + 1);
}

TEST_F(OwlSubviewTest, DeactivatingHandsTheFocusToTheMainFramesTopmostChild) {
  TCountingWindow* window = Open();
  window->Activate(true);
  window->Activate(false);
  EXPECT_FALSE(window->IsActive());
  EXPECT_EQ(CurrentTarget(), application_.get());
  const HWND top = GetTopWindow(host_->m_hWnd);
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(GetFocus(), top);
  EXPECT_EQ(GetActiveWindow(), host_->m_hWnd);
}

TEST_F(OwlSubviewTest, ActivatingAnotherWindowDeactivatesTheCurrentOne) {
  TCountingWindow* first = Open();
  TCountingWindow* second = Open();
  first->Activate(true);
  second->Activate(true);
  EXPECT_FALSE(first->IsActive());
  EXPECT_EQ(TOwlSubview::CurrentWindow(), second);
  EXPECT_EQ(first->GetHighlight(), TWrappedWindow::kHighlightInactive);
  EXPECT_EQ(second->GetHighlight(), TWrappedWindow::kHighlightActive);
}

TEST_F(OwlSubviewTest, AClickInAnInactiveWindowOnlyBringsItForward) {
  TCountingWindow* first = Open();
  TCountingWindow* second = Open();
  Place(second, "content", 0, 0, 100, 100);
  first->Activate(true);
  Log().clear();
  TCommandCore* command = nullptr;
  TMouseEvent event;
  EXPECT_FALSE(second->HandleMouseDown(TViewPoint{10, 10}, &event, 0, &command));
  EXPECT_EQ(command, nullptr);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(TOwlSubview::CurrentWindow(), second);

  // Now active, the same click reaches the content.
  EXPECT_TRUE(second->HandleMouseDown(TViewPoint{10, 10}, &event, 0, &command));
  EXPECT_EQ(Log().back(), "content clicked");
  delete command;

  // With click-through an inactive window hands the first click on as well.
  first->clickThrough = true;
  Place(first, "other", 0, 0, 100, 100);
  EXPECT_TRUE(first->HandleMouseDown(TViewPoint{10, 10}, &event, 0, &command));
  EXPECT_EQ(Log().back(), "other clicked");
  delete command;

  // Clicks on the other window parts count as handled and do nothing.
  for (TWindowPart part : {TWindowPart::kDesk, TWindowPart::kMenuBar, TWindowPart::kCloseBox,
                           TWindowPart::kZoomIn, TWindowPart::kZoomOut})
    EXPECT_TRUE(first->HandleMouseDownInPart(part, TViewPoint{10, 10}, &event, &command));
}

TEST_F(OwlSubviewTest, ClosingNeedsTheOwnersConsent) {
  TConsentDocument document;
  document.SetTitle("spring.yb");
  TCountingWindow* owned = Open(&document);
  EXPECT_EQ(owned->GetTitle(), "spring.yb");
  EXPECT_EQ(owned->GetNextHandler(), document.HandlerPart());
  ASSERT_EQ(document.Windows().size(), 1u);
  const HWND window = owned->GetWindowHandle();

  owned->CloseRequest();
  EXPECT_TRUE(IsWindow(window));
  document.agrees = true;
  owned->CloseRequest();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(document.Windows().empty());

  // A free window closes at once.
  TCountingWindow* free = Open();
  const HWND freeWindow = free->GetWindowHandle();
  free->CloseRequest();
  EXPECT_FALSE(IsWindow(freeWindow));
}

TEST_F(OwlSubviewTest, TheCloseCommandClosesTheWindowAndIsEnabledByTheClosableFlag) {
  TCountingWindow* window = Open();
  const HWND handle = window->GetWindowHandle();
  TCommandCore* command = window->DoMenuCommand(TOwlSubview::kCloseWindowCommand);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(command->IsMemberClass(330));
  EXPECT_EQ(command->GetCommandNumber(), 31);
  application_->PerformCommand(command);
  EXPECT_FALSE(IsWindow(handle));
}

TEST_F(OwlSubviewTest, ResizingInvalidatesTheSizeBoxWhereItWasAndWhereItIs) {
  TCountingWindow* window = Open();
  const HWND handle = window->GetWindowHandle();
  const TViewPoint size = window->GetStoredSize();
  Pump();
  ValidateRect(handle, nullptr);
  window->Resize(size.h, size.v, true);  // the same size: nothing
  EXPECT_EQ(UpdateBox(handle).right, 0);

  window->Resize(size.h - 40, size.v - 30, true);
  RECT client;
  GetClientRect(handle, &client);
  EXPECT_EQ(client.right, size.h - 40);
  EXPECT_EQ(client.bottom, size.v - 30);
  EXPECT_EQ(window->GetStoredSize(), (TViewPoint{size.h - 40, size.v - 30}));
}

TEST_F(OwlSubviewTest, CentringMovesInBothDirectionsWhenEitherIsAsked) {
  TCountingWindow* window = Open();
  const HWND handle = window->GetWindowHandle();
  MoveWindow(handle, 0, 0, 100, 80, FALSE);
  window->Centre(false, false, false);
  RECT rect;
  GetWindowRect(handle, &rect);
  POINT corner{rect.left, rect.top};
  ScreenToClient(host_->m_hWnd, &corner);
  EXPECT_EQ(corner.x, 0);
  window->Centre(true, false, false);
  GetWindowRect(handle, &rect);
  corner = POINT{rect.left, rect.top};
  ScreenToClient(host_->m_hWnd, &corner);
  EXPECT_EQ(corner.x, (400 - 100) / 2);
  EXPECT_EQ(corner.y, (300 - 80) / 2);
}

TEST_F(OwlSubviewTest, OpeningShowsTheWindowAndClosingHidesIt) {
  TCountingWindow* window = Open();
  window->Show(false, false);
  EXPECT_FALSE(window->IsShown());
  window->showOnOpen = true;
  window->Open();
  EXPECT_TRUE(window->IsShown());
  window->Close();
  EXPECT_FALSE(window->IsShown());
  EXPECT_FALSE(window->IsActive());
}

}  // namespace
}  // namespace view_test
