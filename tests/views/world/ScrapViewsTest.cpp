// The scrap views a copy fills: the picture kept isotropic as a played copy in its slot, the
// refused third form, and the view without an object stream.

#include "views/world/ScrapViews.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Metafile.h"
#include "tests/ui/views/ViewTestSupport.h"

namespace view_test {
namespace {

constexpr COLORREF kRed = RGB(200, 0, 0);

// A metafile that fills the rectangle red.
HMETAFILE RedRectangle(int32_t width, int32_t height) {
  const HDC recorder = CreateMetaFile(nullptr);
  const HBRUSH red = CreateSolidBrush(kRed);
  const HGDIOBJ old = SelectObject(recorder, red);
  Rectangle(recorder, 0, 0, width, height);
  SelectObject(recorder, old);
  DeleteObject(red);
  return CloseMetaFile(recorder);
}

// Screen pixels as the hundredths of a millimetre a picture's extents are given in, rounded up.
int32_t Hundredths(int32_t pixels) {
  const HDC screen = CreateCompatibleDC(nullptr);
  const int32_t dpi = GetDeviceCaps(screen, LOGPIXELSX);
  DeleteDC(screen);
  return (pixels * 2540 + dpi - 1) / dpi;
}

// A picture that shows as width by height pixels on the screen.
Handle PictureHandle(int32_t width, int32_t height, HMETAFILE metafile) {
  METAFILEPICT picture;
  picture.mm = MM_ANISOTROPIC;
  picture.xExt = Hundredths(width);
  picture.yExt = Hundredths(height);
  picture.hMF = metafile;
  return NewHandleFromBytes(&picture, sizeof picture);
}

Handle Text(const std::string& text) {
  return NewHandleFromBytes(text.data(), static_cast<uint32_t>(text.size()));
}

std::string ClipboardText() {
  const Handle text = AllocHandle(0);
  const int16_t error = GetClipboardScrap(text, kTextScrapType);
  const std::string read = error == 0 ? std::string(HandleData(text), text->size) : "";
  FreeHandle(text);
  return read;
}

// A handle record goes back to the pool with this size.
bool IsFreed(Handle handle) { return handle->size == 0xFFFFFFFF; }

class ScrapViewsTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    InitHandlePool();
    ClearPendingScrap();
  }
  void TearDown() override {
    ViewTest::TearDown();
    FreeHandlePool();
  }

};

TEST_F(ScrapViewsTest, APictureIsKeptIsotropicAsAPlayedCopyAndASecondReplacesItInItsSlot) {
  TPictureScrapView scrap;
  scrap.IPictureScrapView(Text("objects"), nullptr);
  const HMETAFILE first = RedRectangle(40, 20);
  const Handle given = PictureHandle(40, 20, first);
  ASSERT_TRUE(scrap.AddScrapData(kPictureScrapType, given));
  // The caller keeps what it gave.
  EXPECT_FALSE(IsFreed(given));
  ASSERT_NE(scrap.Picture(), nullptr);
  EXPECT_EQ(scrap.Picture()->mm, MM_ISOTROPIC);
  EXPECT_EQ(scrap.Picture()->xExt, Hundredths(40));
  EXPECT_EQ(scrap.Picture()->yExt, Hundredths(20));
  ASSERT_NE(scrap.Picture()->hMF, nullptr);
  EXPECT_NE(scrap.Picture()->hMF, first);
  EXPECT_EQ(scrap.SlotType(0), kPictureScrapType);
  EXPECT_TRUE(scrap.HasScrapType(kPictureScrapType));
  EXPECT_FALSE(scrap.HasScrapType(kTextScrapType));
  TViewPoint size;
  scrap.GetSize(size);
  EXPECT_EQ(size, (TViewPoint{40, 20}));

  // The copy draws what the original draws.
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateBitmap(50, 30, 1, 32, nullptr);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, 50, 30, WHITENESS);
  ASSERT_TRUE(PlayMetaFile(dc, scrap.Picture()->hMF));
  EXPECT_EQ(GetPixel(dc, 20, 10), kRed);
  EXPECT_EQ(GetPixel(dc, 45, 25), RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);

  const HMETAFILE second = RedRectangle(60, 30);
  const Handle again = PictureHandle(60, 30, second);
  ASSERT_TRUE(scrap.AddScrapData(kPictureScrapType, again));
  EXPECT_EQ(scrap.SlotType(0), kPictureScrapType);
  EXPECT_EQ(scrap.SlotType(1), kNoScrapType);
  scrap.GetSize(size);
  EXPECT_EQ(size, (TViewPoint{60, 30}));
  FreeHandle(given);
  FreeHandle(again);
  DeleteMetaFile(first);
  DeleteMetaFile(second);
}

TEST_F(ScrapViewsTest, AThirdDistinctFormIsRefusedAndItsDataFreed) {
  TPictureScrapView scrap;
  scrap.IPictureScrapView(Text("objects"), nullptr);
  const Handle oldText = Text("old");
  ASSERT_TRUE(scrap.AddScrapData(kTextScrapType, oldText));
  const Handle newText = Text("new");
  ASSERT_TRUE(scrap.AddScrapData(kTextScrapType, newText));
  // The same type again replaces its slot's data.
  EXPECT_TRUE(IsFreed(oldText));
  EXPECT_EQ(scrap.SlotData(0), newText);
  const HMETAFILE metafile = RedRectangle(10, 10);
  const Handle picture = PictureHandle(10, 10, metafile);
  ASSERT_TRUE(scrap.AddScrapData(kPictureScrapType, picture));

  const Handle third = Text("{\\rtf1}");
  EXPECT_FALSE(scrap.AddScrapData(MakeTag("RTF "), third));
  EXPECT_TRUE(IsFreed(third));
  EXPECT_FALSE(scrap.HasScrapType(MakeTag("RTF ")));
  EXPECT_EQ(scrap.SlotType(0), kTextScrapType);
  EXPECT_EQ(scrap.SlotType(1), kPictureScrapType);
  FreeHandle(picture);
  DeleteMetaFile(metafile);
}

TEST_F(ScrapViewsTest, AViewWithoutObjectsAnswersNoDataAndWritesOnlyItsForms) {
  // Nothing of the program's own on the clipboard: a view cannot read it.
  ASSERT_TRUE(EmptyClipboardScrap());
  TScrapView reading;
  try {
    reading.IScrapView(nullptr, nullptr);
    ADD_FAILURE() << "read an object stream from an empty clipboard";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrClipboard);
  }
  EXPECT_EQ(reading.GetScrapData(nullptr, kObjectScrapType), kErrNoScrapData);

  TPictureScrapView scrap;
  ASSERT_TRUE(scrap.AddScrapData(kTextScrapType, Text("text only")));
  const Handle objects = Text("someone else's objects");
  ASSERT_EQ(PutClipboardScrap(kObjectScrapType, objects), 0);
  FreeHandle(objects);
  scrap.WriteScrap();
  EXPECT_EQ(GetClipboardScrap(nullptr, kObjectScrapType), kErrClipboard);
  EXPECT_EQ(ClipboardText(), "text only");
}

}  // namespace
}  // namespace view_test
