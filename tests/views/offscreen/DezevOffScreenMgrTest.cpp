// The double-buffered manager drawn headless: its pictures reach the window's pixels, only
// damage is copied, its window never erases, and pictures that cannot be made leave the window
// unpainted without further failures.

#include "platform/win32/Cursor.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace view_test {
namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);

class TRefusingMgr : public TDezevOffScreenMgr {
 public:
  bool refuse = false;

 protected:
  std::unique_ptr<TOffScreenBitmap> MakeBitmap(HDC reference) override {
    if (refuse) ThrowFailure(kErrOutOfMemory, 0);
    return TDezevOffScreenMgr::MakeBitmap(reference);
  }
};

using DezevOffScreenMgrTest = OffScreenTest;

TEST_F(DezevOffScreenMgrTest, BothPicturesComposeTheWindowAndOnlyDamageIsCopied) {
  TDezevOffScreenMgr* manager = OpenManager();
  ASSERT_NE(manager->DisplayBuffer(), nullptr);
  ASSERT_NE(manager->BackgroundBuffer(), nullptr);
  EXPECT_STREQ(manager->WindowName(), "TDezevOffScreenMgr");
  // Its window paints over its children, has the arrow as its class cursor and its own number.
  const HWND window = manager->GetWindowHandle();
  EXPECT_EQ(GetWindowLongPtr(window, GWL_STYLE) & WS_CLIPCHILDREN, 0);
  EXPECT_EQ(GetWindowLongPtr(window, GWLP_ID), 59698);
  EXPECT_EQ(GetClassLongPtr(window, GCLP_HCURSOR),
            reinterpret_cast<uintptr_t>(LoadCursor(nullptr, IDC_ARROW)));
  EXPECT_EQ(manager->GetManager(), nullptr);
  TPaintedView* view = AddView(manager, 20, 10, 200, 150, kBlue, kRed, MacRect(10, 10, 30, 30));
  EXPECT_EQ(view->GetManager(), manager);
  view->InvalidateAllDeep();
  Pump();
  EXPECT_EQ(At(25, 15), kBlue);
  EXPECT_EQ(At(35, 25), kRed);   // the square at (10, 10) of the view
  EXPECT_EQ(At(60, 60), kBlue);
  EXPECT_EQ(At(300, 250), RGB(255, 255, 255));  // the manager's own background, cleared white

  // One square moved: only its old and new places change on the screen.
  const std::vector<uint32_t> before = [&] {
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < 300; y += 3)
      for (int32_t x = 0; x < 400; x += 3) pixels.push_back(Pixel(x, y));
    return pixels;
  }();
  Log().clear();
  view->MoveSquare(MacRect(100, 50, 120, 70));
  Pump();
  EXPECT_FALSE(Logged("view background"));
  EXPECT_TRUE(Logged("view objects"));
  EXPECT_EQ(At(35, 25), kBlue);
  EXPECT_EQ(At(125, 65), kRed);
  size_t index = 0;
  for (int32_t y = 0; y < 300; y += 3) {
    for (int32_t x = 0; x < 400; x += 3, ++index) {
      const bool stale = (x >= 30 && x < 50 && y >= 20 && y < 40) ||
                         (x >= 120 && x < 140 && y >= 60 && y < 80);
      if (!stale) {
        ASSERT_EQ(Pixel(x, y), before[index]) << x << "," << y;
      }
    }
  }
}

TEST_F(DezevOffScreenMgrTest, TheWindowNeverErasesAndChildWindowsForwardTheirDamage) {
  TDezevOffScreenMgr* manager = OpenManager();
  TPaintedView* view = AddView(manager, 40, 30, 100, 80, kBlue, kRed, MacRect(0, 0, 1, 1));
  view->InvalidateAllDeep();
  Pump();
  ASSERT_EQ(At(60, 50), kBlue);
  // The view's own window, damaged, has its parent repaint the same place from the pictures.
  RECT damaged{10, 10, 20, 20};
  InvalidateRect(view->GetWindowHandle(), &damaged, TRUE);
  SendMessage(view->GetWindowHandle(), WM_PAINT, 0, 0);
  const RECT box = UpdateBox(manager->GetWindowHandle());
  EXPECT_EQ(box.left, 50);
  EXPECT_EQ(box.top, 40);
  EXPECT_EQ(box.right, 60);
  EXPECT_EQ(box.bottom, 50);
  LRESULT erased = SendMessage(manager->GetWindowHandle(), WM_ERASEBKGND, 0, 0);
  EXPECT_EQ(erased, 1);
  Pump();
  EXPECT_EQ(At(55, 45), kBlue);
}

TEST_F(DezevOffScreenMgrTest, PicturesThatCannotBeMadeAreBothFreedAndPaintingGoesOnQuietly) {
  auto* manager = new TRefusingMgr;
  manager->InitOffScreenMgr(nullptr, root_, TViewPoint{0, 0}, TViewPoint{400, 300}, 5, 5);
  manager->Open();
  OffScreenGlobals().alertTime = OffScreenTicks();
  manager->RebuildBuffers(true);
  TPaintedView* view = AddView(manager, 0, 0, 100, 100, kGreen, kRed, MacRect(0, 0, 10, 10));
  view->InvalidateAllDeep();
  Pump();
  ASSERT_EQ(At(50, 50), kGreen);
  AdvanceVirtualClock(100);
  manager->refuse = true;
  manager->RebuildBuffers(true);
  EXPECT_EQ(manager->DisplayBuffer(), nullptr);
  EXPECT_EQ(manager->BackgroundBuffer(), nullptr);
  EXPECT_TRUE(Logged("alert -108 " + std::to_string(int32_t(0xFFFF05E2))));
  EXPECT_THROW(manager->CheckBuffers(), QVException);
  Log().clear();
  InvalidateRect(manager->GetWindowHandle(), nullptr, FALSE);
  EXPECT_NO_THROW(Pump());
  EXPECT_FALSE(Logged("view background"));
  HDC dc = nullptr;
  manager->GetBufferInfo(2, &dc, nullptr, nullptr, nullptr);
  EXPECT_EQ(dc, nullptr);
}

TEST_F(DezevOffScreenMgrTest, ABitmapBeyondTheSizeLimitIsOutOfMemory) {
  TOffScreenBitmap bitmap;
  try {
    bitmap.InitBitmap(nullptr, 100000, 100000);
    ADD_FAILURE() << "made";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
}

TEST_F(DezevOffScreenMgrTest, DrawingInAPictureGoesToTheScreenOnlyWithTheNextCopy) {
  TDezevOffScreenMgr* manager = OpenManager();
  TPaintedView* view = AddView(manager, 0, 0, 200, 200, kBlue, kRed, MacRect(0, 0, 1, 1));
  view->InvalidateAllDeep();
  Pump();
  view->DrawInDisplayBuffer(
      [](void*) { TPaintedView::Fill(MacRect(50, 50, 60, 60), RGB(0, 255, 0)); }, nullptr);
  EXPECT_EQ(At(55, 55), kBlue);
  HDC display = nullptr;
  int16_t width = -1;
  view->GetPassPicture(1, &display, nullptr, &width, nullptr);
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(width, manager->GetStoredSize().h);
  EXPECT_EQ(GetPixel(display, 55, 55), kGreen);
  manager->InvalidateWindowRect(MacRect(50, 50, 60, 60));
  Pump();
  EXPECT_EQ(At(55, 55), kGreen);
  EXPECT_EQ(manager->CurrentTarget(), TDezevOffScreenMgr::kTargetScreen);
}

}  // namespace
}  // namespace view_test
