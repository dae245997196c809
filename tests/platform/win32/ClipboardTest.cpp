#include "platform/win32/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class ClipboardTest : public WindowTest {};

HGLOBAL Block(const std::string& bytes) {
  const HGLOBAL block = GlobalAlloc(GHND, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::string Bytes(HGLOBAL block) {
  const char* data = static_cast<const char*>(GlobalLock(block));
  std::string out(data, GlobalSize(block));
  GlobalUnlock(block);
  return out;
}

TEST_F(ClipboardTest, DataNeedsAnOpenClipboardAndTextFormatsStandInForEachOther) {
  const HGLOBAL early = Block("x");
  EXPECT_EQ(SetClipboardData(CF_TEXT, early), nullptr);
  GlobalFree(early);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_TRUE(EmptyClipboard());
  const std::string text("abc\0", 4);
  SetClipboardData(CF_OEMTEXT, Block(text));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_METAFILEPICT));
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // closed
  OpenClipboard(nullptr);
  EXPECT_EQ(Bytes(GetClipboardData(CF_TEXT)), text);
  EXPECT_EQ(EnumClipboardFormats(0), CF_OEMTEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_OEMTEXT), 0u);
  CloseClipboard();
}

TEST_F(ClipboardTest, RegisteredFormatsAreStableAndCarryTheirBytes) {
  const UINT format = RegisterClipboardFormat("ZAZU");
  EXPECT_GE(format, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("zazu"), format);
  EXPECT_NE(RegisterClipboardFormat("Other"), format);
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
  OpenClipboard(nullptr);
  EmptyClipboard();
  SetClipboardData(format, Block(std::string("\x01\x00\x02", 3)));
  CloseClipboard();
  OpenClipboard(nullptr);
  EXPECT_EQ(Bytes(GetClipboardData(format)), std::string("\x01\x00\x02", 3));
  CloseClipboard();
}

TEST_F(ClipboardTest, GlobalBlocksAreZeroedCheckedAndFreedOnce) {
  const HGLOBAL block = GlobalAlloc(GHND, 8);
  EXPECT_EQ(GlobalSize(block), 8u);
  EXPECT_EQ(Bytes(block), std::string(8, '\0'));
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalSize(block), 0u);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);
}

TEST_F(ClipboardTest, DesktopTextIsConvertedBetweenWindows1252AndUtf8) {
  const std::string program = "caf\xE9 \x80 \x93ok\x94";
  const std::string desktop = Windows1252ToUtf8(program);
  EXPECT_EQ(desktop, "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D");
  EXPECT_EQ(Utf8ToWindows1252(desktop), program);
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x88\x9E"), "?");  // no such character
  EXPECT_EQ(Utf8ToWindows1252("a\xC3"), "a?");        // cut short
  EXPECT_EQ(Utf8ToWindows1252("\x80z"), "?z");        // stray continuation byte
}

}  // namespace
