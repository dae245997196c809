#include "core/port/Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/Resources.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/core/WindowTestSupport.h"

namespace {

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    InitDrawingPort();
    InstallWindowBinding();
    RegisterPlainWindowClass("PictureWindow");
    window_ = CreateWindowEx(0, "PictureWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                             nullptr, nullptr);
    InitWindowPort(&port_, window_);
    BindPortToWindow(&port_);
  }
  void TearDown() override {
    AbandonPictureRecording();
    TWindowPort none;
    BindPortToWindow(&none);
    SetCurrentPort(GetGlobalPort());
    ResetWindowSystem();
    FreeDrawingPort();
  }
  // A picture of a blue square at (10, 10)-(20, 20) in a 40 x 40 frame.
  PictureRec* BlueSquare() {
    PictureRec* picture = OpenPicture(MacRect(0, 0, 40, 40));
    const HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    const RECT square{10, 10, 20, 20};
    FillRect(GetPortDC(), &square, blue);
    DeleteObject(blue);
    ClosePicture();
    return picture;
  }
  uint32_t Pixel(int32_t x, int32_t y) { return GetWindowSurface(window_)->Pixel(x, y); }
  HWND window_ = nullptr;
  TWindowPort port_;
};

TEST_F(PictureTest, RecordingTakesThePortContextAndGivesItBack) {
  const HDC windowDC = GetPortDC();
  PictureRec* picture = OpenPicture(MacRect(0, 0, 40, 40));
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(IsPictureRecording());
  EXPECT_NE(GetPortDC(), windowDC);
  EXPECT_EQ(picture->xExtent, 40);
  const HMETAFILE metafile = ClosePicture();
  EXPECT_NE(metafile, nullptr);
  EXPECT_EQ(picture->metafile, metafile);
  EXPECT_EQ(GetPortDC(), windowDC);
  EXPECT_FALSE(IsPictureRecording());
  KillPicture(picture);
}

TEST_F(PictureTest, OpeningASecondPictureAbandonsTheFirst) {
  PictureRec* first = OpenPicture(MacRect(0, 0, 10, 10));
  PictureRec* second = OpenPicture(MacRect(0, 0, 20, 20));
  EXPECT_EQ(first->metafile, nullptr);
  ClosePicture();
  EXPECT_NE(second->metafile, nullptr);
  EXPECT_EQ(first->metafile, nullptr);
  KillPicture(first);
  KillPicture(second);
}

TEST_F(PictureTest, RegionsAimedAtTheRecordingStayOutOfIt) {
  PictureRec* picture = OpenPicture(MacRect(0, 0, 10, 10));
  const HRGN region = CreateRectRgn(0, 0, 5, 5);
  const HGDIOBJ answer = SelectObjectSaved(GetPortDC(), region);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(answer), static_cast<uintptr_t>(SIMPLEREGION));
  EXPECT_EQ(SelectClipRegion(GetPortDC(), region), SIMPLEREGION);
  ClosePicture();
  // Played back, the picture clips nothing: it draws everywhere it drew.
  DeleteObject(region);
  KillPicture(picture);
  // Binding the port again while recording abandons the recording.
  PictureRec* dropped = OpenPicture(MacRect(0, 0, 10, 10));
  BindPortToWindow(&port_);
  EXPECT_FALSE(IsPictureRecording());
  EXPECT_NE(GetPortDC(), nullptr);
  KillPicture(dropped);
}

TEST_F(PictureTest, PicturesDrawOnlyWhereTheyDrewAndKeepTheirImagesForOneSize) {
  PictureRec* picture = BlueSquare();
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT all{0, 0, 100, 100};
  FillRect(GetPortDC(), &all, red);
  DeleteObject(red);
  DrawPicture(picture, MacRect(0, 0, 40, 40), false);
  EXPECT_EQ(Pixel(15, 15), 0x0000FFu);
  EXPECT_EQ(Pixel(30, 30), 0xFF0000u);  // not drawn by the picture: still red
  EXPECT_EQ(Pixel(5, 15), 0xFF0000u);
  const HBITMAP mask = picture->mask;
  DrawPicture(picture, MacRect(50, 50, 90, 90), false);
  EXPECT_EQ(picture->mask, mask);
  EXPECT_EQ(Pixel(65, 65), 0x0000FFu);
  DrawPicture(picture, MacRect(0, 0, 80, 80), false);
  EXPECT_EQ(picture->cachedWidth, 80);
  KillPicture(picture);
}

TEST_F(PictureTest, BitmapPicturesStretchTheirSixteenPixelsOntoTheDestination) {
  // A 16 x 16 DIB of 24 bits per pixel, all green.
  std::vector<uint8_t> dib(40 + 16 * 16 * 3, 0);
  const auto put32 = [&](size_t at, int32_t value) { std::memcpy(&dib[at], &value, 4); };
  put32(0, 40);
  put32(4, 16);
  put32(8, 16);
  dib[12] = 1;
  dib[14] = 24;
  for (size_t i = 40; i < dib.size(); i += 3)
    dib[i + 1] = 0xFF;
  const ResourceEntry entries[] = {
      {nullptr, 2, nullptr, 4242, dib.data(), static_cast<uint32_t>(dib.size())}};
  RegisterResourceModule(ResourceModuleTable{"pictures-test.dll", entries, 1});
  SetResourceModule1(LoadResourceLibrary("pictures-test.dll"));
  PictureRec* picture = GetPicture(4242);
  EXPECT_EQ(picture->frame.right, 16);
  DrawPicture(picture, MacRect(0, 0, 32, 32), false);
  EXPECT_EQ(Pixel(20, 20), 0x00FF00u);
  EXPECT_EQ(Pixel(40, 40), 0xFFFFFFu);
  EXPECT_EQ(GetPicture(4243), picture);                 // one shared record
  DrawPicture(picture, MacRect(40, 40, 60, 60), true);  // no such bitmap anywhere: nothing
  EXPECT_EQ(Pixel(50, 50), 0xFFFFFFu);
  KillPicture(picture);
  SetResourceModule1(nullptr);
  UnregisterResourceModule("pictures-test.dll");
}

// A picture drawn thousands of times larger than the window composes only the window's part.
TEST_F(PictureTest, AZoomedPictureComposesOnlyWhatTheWindowShows) {
  PictureRec* recorded = BlueSquare();
  PictureRec* scaled = PictureFromMetafile(MM_ANISOTROPIC, 40, 40, recorded->metafile);
  // The square, a quarter of the picture across, spans [-5000, 5000) on both axes.
  DrawPicture(scaled, MacRect(-15000, -15000, 25000, 25000), false);
  EXPECT_EQ(Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(Pixel(99, 99), 0x0000FFu);
  BITMAP cached;
  ASSERT_GT(GetObject(scaled->mask, sizeof cached, &cached), 0);
  EXPECT_EQ(cached.bmWidth, 100);
  EXPECT_EQ(cached.bmHeight, 100);
  // Its edge in view: blue up to it, the window's own pixels beyond.
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT all{0, 0, 100, 100};
  FillRect(GetPortDC(), &all, red);
  DeleteObject(red);
  DrawPicture(scaled, MacRect(-19950, -19950, 20050, 20050), false);
  EXPECT_EQ(Pixel(49, 49), 0x0000FFu);
  EXPECT_EQ(Pixel(50, 50), 0xFF0000u);
  KillPicture(scaled);
  KillPicture(recorded);
}

TEST_F(PictureTest, PicturesFromMetafileDescriptionsGetAFrameFromTheirExtents) {
  PictureRec* recorded = BlueSquare();
  PictureRec* ratio = PictureFromMetafile(MM_ANISOTROPIC, -400, -100, recorded->metafile);
  EXPECT_EQ(ratio->frame.right, 320);
  EXPECT_EQ(ratio->frame.bottom, 80);
  EXPECT_NE(ratio->metafile, recorded->metafile);
  PictureRec* sized = PictureFromMetafile(MM_ANISOTROPIC, 2540, 1270, recorded->metafile);
  EXPECT_EQ(sized->frame.right, 96);
  EXPECT_EQ(sized->frame.bottom, 48);
  PictureRec* empty = PictureFromMetafile(MM_ANISOTROPIC, 0, 0, nullptr);
  EXPECT_EQ(empty->frame.right, 0);
  EXPECT_EQ(empty->metafile, nullptr);
  KillPicture(empty);
  KillPicture(sized);
  KillPicture(ratio);
  KillPicture(recorded);
}

}  // namespace
