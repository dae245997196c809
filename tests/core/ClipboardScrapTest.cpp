#include "core/ClipboardScrap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/Handle.h"
#include "core/Tag.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Window.h"

namespace {

constexpr uint32_t kText = MakeTag("TEXT");
constexpr uint32_t kPicture = MakeTag("PICT");
constexpr uint32_t kObjects = MakeTag("ZAZU");

class ClipboardScrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    ClearPendingScrap();
  }
  void TearDown() override {
    ResetWindowSystem();
    FreeHandlePool();
  }
  static Handle Bytes(const std::string& bytes) {
    return NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  static std::string Of(Handle handle) { return std::string(HandleData(handle), handle->size); }
};

TEST_F(ClipboardScrapTest, ObjectScrapsCarryTheirByteCountBehindTheData) {
  const std::string objects(100, '\x5A');
  const Handle out = Bytes(objects);
  ASSERT_TRUE(EmptyClipboardScrap());
  ASSERT_EQ(PutClipboardScrap(kObjects, out), 0);
  OpenClipboard(nullptr);
  const HGLOBAL block = GetClipboardData(RegisterClipboardFormat("ZAZU"));
  ASSERT_EQ(GlobalSize(block), 104u);
  uint32_t count = 0;
  std::memcpy(&count, static_cast<const char*>(GlobalLock(block)) + 100, 4);
  GlobalUnlock(block);
  CloseClipboard();
  EXPECT_EQ(count, 100u);
  const Handle in = AllocHandle(0);
  ASSERT_EQ(GetClipboardScrap(in, kObjects), 0);
  EXPECT_EQ(Of(in), objects);
  EXPECT_EQ(GetClipboardScrap(nullptr, kObjects), 0);
  EXPECT_EQ(GetClipboardScrap(nullptr, kPicture), kErrClipboard);
  FreeHandle(in);
  FreeHandle(out);
}

TEST_F(ClipboardScrapTest, AByteCountThatDoesNotFitTheBlockIsRefused) {
  // Another program put 8 bytes that claim to be followed by 1000 bytes of data.
  OpenClipboard(nullptr);
  EmptyClipboard();
  const HGLOBAL block = GlobalAlloc(GHND, 8);
  const uint32_t lie = 1000;
  std::memcpy(static_cast<char*>(GlobalLock(block)) + 4, &lie, 4);
  GlobalUnlock(block);
  SetClipboardData(RegisterClipboardFormat("ZAZU"), block);
  CloseClipboard();
  const Handle in = AllocHandle(0);
  EXPECT_EQ(GetClipboardScrap(in, kObjects), kErrClipboard);
  OpenClipboard(nullptr);
  SetClipboardData(RegisterClipboardFormat("ZAZU"), GlobalAlloc(GHND, 3));  // no room for a count
  CloseClipboard();
  EXPECT_EQ(GetClipboardScrap(in, kObjects), kErrClipboard);
  FreeHandle(in);
}

TEST_F(ClipboardScrapTest, TextKeepsItsLastCharacter) {
  const Handle out = Bytes("Pendulum");
  EmptyClipboardScrap();
  ASSERT_EQ(PutClipboardScrap(kText, out), 0);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_OEMTEXT));
  const Handle in = AllocHandle(0);
  ASSERT_EQ(GetClipboardScrap(in, kText), 0);
  EXPECT_EQ(Of(in), "Pendulum");
  PrepareClipboardType(kText);
  EXPECT_TRUE(HasPendingScrap());
  EXPECT_EQ(PendingScrapType(), kText);
  ClearPendingScrap();
  PrepareClipboardType(kObjects);  // not there: nothing recorded
  EXPECT_FALSE(HasPendingScrap());
  FreeHandle(in);
  FreeHandle(out);
}

TEST_F(ClipboardScrapTest, PicturesGoOutWithAMetafileOfTheirOwn) {
  const HDC recorder = CreateMetaFile(nullptr);
  const HMETAFILE metafile = CloseMetaFile(recorder);
  METAFILEPICT picture;
  picture.mm = 8;
  picture.xExt = 320;
  picture.yExt = 240;
  picture.hMF = metafile;
  const Handle out = NewHandleFromBytes(&picture, sizeof picture);
  EmptyClipboardScrap();
  ASSERT_EQ(PutClipboardScrap(kPicture, out), 0);
  const Handle in = AllocHandle(0);
  ASSERT_EQ(GetClipboardScrap(in, kPicture), 0);
  ASSERT_EQ(in->size, sizeof(METAFILEPICT));
  METAFILEPICT back;
  std::memcpy(&back, HandleData(in), sizeof back);
  EXPECT_EQ(back.mm, 8);
  EXPECT_EQ(back.xExt, 320);
  EXPECT_NE(back.hMF, metafile);
  DeleteMetaFile(metafile);  // the clipboard's copy does not depend on ours
  EXPECT_GT(GetMetaFileBitsEx(back.hMF, 0, nullptr), 0u);
  DeleteMetaFile(back.hMF);
  FreeHandle(in);
  FreeHandle(out);
}

TEST_F(ClipboardScrapTest, ABitmapIsReadAsAPictureThatDrawsIt) {
  const HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 6, 4);
  OpenClipboard(nullptr);
  EmptyClipboard();
  ASSERT_EQ(SetClipboardData(CF_BITMAP, bitmap), bitmap);
  EXPECT_EQ(SetClipboardData(CF_METAFILEPICT, bitmap), nullptr);  // not a memory block
  CloseClipboard();
  PrepareClipboardType(kPicture);
  EXPECT_TRUE(HasPendingScrap());
  const Handle in = AllocHandle(0);
  ASSERT_EQ(GetClipboardScrap(in, kPicture), 0);
  METAFILEPICT picture;
  std::memcpy(&picture, HandleData(in), sizeof picture);
  EXPECT_EQ(picture.mm, 8);
  EXPECT_EQ(picture.xExt, 6);
  EXPECT_EQ(picture.yExt, 4);
  ASSERT_NE(picture.hMF, nullptr);
  EXPECT_GT(GetMetaFileBitsEx(picture.hMF, 0, nullptr), 18u);  // more than the header
  DeleteMetaFile(picture.hMF);
  FreeHandle(in);
  EmptyClipboardScrap();  // the clipboard deletes its bitmap
  EXPECT_EQ(GetObjectType(bitmap), 0u);
}

TEST_F(ClipboardScrapTest, ABusyClipboardAnswersMinus46) {
  OpenClipboard(nullptr);  // someone else holds it open
  const Handle out = Bytes("x");
  EXPECT_EQ(PutClipboardScrap(kText, out), kErrClipboard);
  EXPECT_EQ(GetClipboardScrap(out, kText), kErrClipboard);
  EXPECT_FALSE(EmptyClipboardScrap());
  CloseClipboard();
  FreeHandle(out);
}

}  // namespace
