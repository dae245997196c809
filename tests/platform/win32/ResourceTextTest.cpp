#include "platform/win32/ResourceText.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceTextTest, EveryByteSurvivesTheRoundTripThroughUtf8) {
  for (int byte = 1; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const std::string utf8 = Win1252ToUtf8(&c, 1);
    char32_t code = 0;
    size_t length = 0;
    ASSERT_TRUE(DecodeUtf8(utf8, 0, code, length)) << byte;
    EXPECT_EQ(length, utf8.size()) << byte;
    uint8_t back = 0;
    ASSERT_TRUE(ResourceCharFromUnicode(code, back)) << byte;
    EXPECT_EQ(back, byte);
  }
  std::string astral;
  AppendUtf8(astral, U'\U0001F600');
  EXPECT_EQ(astral, "\xF0\x9F\x98\x80");
}

TEST(ResourceTextTest, BrokenSequencesSayHowMuchToSkip) {
  char32_t code = 0;
  size_t length = 0;
  EXPECT_TRUE(DecodeUtf8("a\xE2\x82\xAC", 1, code, length));
  EXPECT_EQ(code, U'\u20AC');
  EXPECT_EQ(length, 3u);
  EXPECT_FALSE(DecodeUtf8("\x80z", 0, code, length));  // a stray continuation byte
  EXPECT_EQ(length, 1u);
  EXPECT_FALSE(DecodeUtf8("\xE2z\xAC", 0, code, length));  // broken by a byte that starts anew
  EXPECT_EQ(length, 1u);
  EXPECT_FALSE(DecodeUtf8("a\xE2\x82", 1, code, length));  // cut short: the rest goes
  EXPECT_EQ(length, 2u);
  for (const char* never : {"\xF8\x80\x80\x80", "\xFF\x80\x80"}) {
    EXPECT_FALSE(DecodeUtf8(never, 0, code, length)) << "bytes 0xF8 to 0xFF start no character";
    EXPECT_EQ(length, 1u);
  }
}

}  // namespace
