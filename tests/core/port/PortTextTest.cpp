// The font cache, the face table, drawing and measuring strings, and the font settings.

#include <map>
#include <string>

#include "tests/core/port/PortTestSupport.h"

namespace {

class FakeSettings : public PortSettings {
 public:
  std::string GetString(const char* section, const char* key,
                        const std::string& fallback) override {
    auto it = values.find(std::string(section) + "/" + key);
    return it == values.end() ? fallback : it->second;
  }
  int32_t GetInt(const char* section, const char* key, int32_t fallback) override {
    auto it = values.find(std::string(section) + "/" + key);
    return it == values.end() ? fallback : std::stoi(it->second);
  }
  void WriteString(const char* section, const char* key, const std::string& value) override {
    values[std::string(section) + "/" + key] = value;
  }
  void WriteInt(const char* section, const char* key, int32_t value) override {
    values[std::string(section) + "/" + key] = std::to_string(value);
  }
  std::map<std::string, std::string> values;
};

class FontCacheTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    ResetFaceTable();
    ResetDefaultFontSize();
    DefaultFont() = FontSpec{};
    BigFont() = FontSpec{};
  }
  void TearDown() override {
    SetPortSettings(nullptr);
    PortTest::TearDown();
  }
  FontSpec Spec(int16_t size) {
    return FontSpec{FontNumberFromName(Str255("Sans Serif")), 0, size};
  }
};

TEST_F(FontCacheTest, AFullCacheHandsOutFontsThatReleaseDeletes) {
  std::vector<HFONT> held;
  for (int16_t size = 10; size < 17; ++size) {
    const FontSpec spec = Spec(size);
    held.push_back(GetCachedFont(&spec));
  }
  const size_t objects = CountGdiObjects();
  const FontSpec eighth = Spec(30);
  HFONT extra = GetCachedFont(&eighth);
  EXPECT_EQ(CountGdiObjects(), objects + 1);
  for (int i = 0; i < kFontCacheRows; ++i)
    EXPECT_NE(GetFontCacheRow(i).font, extra);
  ReleaseFont(extra);
  EXPECT_EQ(CountGdiObjects(), objects);
  for (HFONT font : held)
    ReleaseFont(font);
  EXPECT_EQ(CountGdiObjects(), objects);  // cached fonts stay
}

TEST_F(FontCacheTest, AReleasedRowKeepsItsFontForTheNextHit) {
  const FontSpec spec = Spec(12);
  HFONT first = GetCachedFont(&spec);
  ReleaseFont(first);
  const int32_t created = FontsCreatedByCache();
  HFONT again = GetCachedFont(&spec);
  EXPECT_EQ(again, first);
  EXPECT_EQ(FontsCreatedByCache(), created);
  ReleaseFont(again);
}

TEST_F(FontCacheTest, EveryThirtiethLookupHalvesTheFrequencies) {
  // A busy row that is released becomes old; ageing lets a newer row outlast it.
  const FontSpec busy = Spec(10);
  for (int i = 0; i < 9; ++i)
    ReleaseFont(GetCachedFont(&busy));  // frequency 9
  int lookups = 9;
  std::vector<FontSpec> others;
  for (int16_t size = 20; size < 26; ++size)
    others.push_back(Spec(size));
  for (const FontSpec& s : others) {
    for (int i = 0; i < 3; ++i)
      ReleaseFont(GetCachedFont(&s));  // each frequency 3
    lookups += 3;
  }
  ASSERT_EQ(lookups, 27);
  EXPECT_EQ(GetFontCacheRow(0).frequency, 9);
  const FontSpec third = Spec(10);
  ReleaseFont(GetCachedFont(&third));  // lookup 28
  ReleaseFont(GetCachedFont(&third));  // lookup 29
  EXPECT_EQ(GetFontCacheRow(0).frequency, 11);
  const FontSpec newcomer = Spec(40);
  ReleaseFont(GetCachedFont(&newcomer));  // lookup 30: halving first, then a miss
  EXPECT_EQ(GetFontCacheRow(0).frequency, 5);
  EXPECT_EQ(GetFontCacheRow(1).key, Spec(40));  // the first of the rows at 3 (now 1)
  EXPECT_EQ(GetFontCacheRow(1).frequency, 1);
}

TEST_F(FontCacheTest, TheEmptyKeyHitsAnEmptyRowWithoutPinningIt) {
  const FontSpec zero{0, 0, 0};
  HFONT font = GetCachedFont(&zero);
  EXPECT_EQ(font, GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetFontCacheRow(0).inUse, 0);
  EXPECT_EQ(GetCachedFont(nullptr), GetStockObject(SYSTEM_FONT));
  ReleaseFont(font);
  // The row can still be taken by another request.
  for (int16_t size = 10; size < 10 + kFontCacheRows; ++size) {
    const FontSpec spec = Spec(size);
    GetCachedFont(&spec);
  }
  for (int i = 0; i < kFontCacheRows; ++i)
    EXPECT_NE(GetFontCacheRow(i).font, font);
}

TEST_F(FontCacheTest, TheFaceTableHoldsSixtyNames) {
  for (int i = 0; i < kFaceTableSize; ++i) {
    Str255 name("Face ");
    name.AppendNumber(i);
    EXPECT_EQ(FontNumberFromName(name), i);
  }
  EXPECT_EQ(FontNumberFromName(Str255("One too many")), 0);
  EXPECT_EQ(FontNumberFromName(Str255("Face 7")), 7);
  Str255 back;
  FontNameFromNumber(7, back);
  EXPECT_TRUE(PStringEqualsCString(back, "Face 7"));
}

TEST_F(FontCacheTest, LogFontsCarryStyleSizeAndATruncatedFace) {
  Str255 longName;
  for (int i = 0; i < 200; ++i)
    longName.AppendChar(static_cast<char>('a' + i % 26));
  const FontSpec spec{FontNumberFromName(longName), kStyleBold | kStyleUnderline, 14};
  LOGFONT log;
  FontSpecToLogFont(spec, log);
  EXPECT_EQ(log.lfHeight, -14);
  EXPECT_EQ(log.lfWeight, FW_BOLD);
  EXPECT_EQ(log.lfUnderline, 1);
  EXPECT_EQ(log.lfItalic, 0);
  EXPECT_EQ(std::string(log.lfFaceName).size(), 31u);
  FontSpec back;
  LogFontToFontSpec(log, back);
  EXPECT_EQ(back.size, 14);
  EXPECT_EQ(back.style, kStyleBold | kStyleUnderline);
}

TEST_F(FontCacheTest, ExportedDefaultFacesReadBackAsTheLocalDefault) {
  FakeSettings settings;
  SetPortSettings(&settings);
  settings.values["Font/Name"] = "Liberation Sans";
  settings.values["Font/Size"] = "11";
  ASSERT_TRUE(ReadDefaultFontSetting());
  EXPECT_EQ(GetDefaultFontSize(), 11);
  Str255 name("Liberation Sans");
  ExportFonts(name);
  EXPECT_TRUE(PStringEqualsCString(name, "A"));
  // Another machine has another default.
  settings.values["Font/Name"] = "DejaVu Serif";
  ASSERT_TRUE(ReadDefaultFontSetting());
  settings.values["ImportFonts/A"] = "A";
  ImportFonts(name);
  EXPECT_TRUE(PStringEqualsCString(name, "DejaVu Serif"));
  // A face mapped to nothing becomes the big font's face.
  settings.values["BigFont/Name"] = "DejaVu Sans";
  settings.values["BigFont/Size"] = "18";
  ASSERT_TRUE(ReadBigFontSetting());
  settings.values["ImportFonts/Gone"] = "";
  Str255 gone("Gone");
  ImportFonts(gone);
  EXPECT_TRUE(PStringEqualsCString(gone, "DejaVu Sans"));
  // Incomplete sections leave the records alone.
  settings.values["BigFont/Size"] = "0";
  EXPECT_FALSE(ReadBigFontSetting());
  EXPECT_EQ(BigFont().size, 18);
  WriteBigFontSetting();
  EXPECT_EQ(settings.values["BigFont/Size"], "18");
  EXPECT_EQ(settings.values["BigFont/Name"], "DejaVu Sans");
}

TEST_F(FontCacheTest, TheDefaultSizeFallsBackWhenTheResourceIsMissing) {
  EXPECT_EQ(GetDefaultFontSize(), 8);
  Str255 face;
  FontNameFromNumber(DefaultFont().fontNumber, face);
  EXPECT_TRUE(PStringEqualsCString(face, "Sans Serif"));
}

TEST_F(FontCacheTest, StringsDrawAtThePenAndMoveIt) {
  const FontSpec spec = Spec(14);
  SetPortFont(&spec);
  EXPECT_EQ(GetCurrentPort()->textSize, 14);
  SetPortForeColor(RGB16Color{0xFFFF, 0, 0});
  PortMoveTo(4, 30);
  PortDrawPString(Str255("Hit"));
  const int16_t width = PortStringWidth(Str255("Hit"));
  EXPECT_GT(width, 10);
  POINT p;
  GetCurrentPositionEx(dc_, &p);
  EXPECT_EQ(p.x, 4 + width);
  EXPECT_GT(Count(RGB(255, 0, 0)), 10);
  EXPECT_EQ(GetBkMode(dc_), OPAQUE);  // put back
  DrawGrayPString(Str255("Hit"), true);
  EXPECT_GT(Count(RGB(0x7F, 0x7F, 0x7F)), 10);
  FontInfoRec info;
  GetPortFontMetrics(info);
  EXPECT_GT(info.ascent, 8);
  EXPECT_GT(info.widMax, 0);
  FontSpec got;
  RGB16Color color;
  GetPortFont(got, color);
  EXPECT_EQ(got, spec);
  EXPECT_EQ(color.red, 0xFF00);
  SelectSystemFont();
}

TEST_F(FontCacheTest, MetricsOfASpecLeaveThePortWithoutAContext) {
  FontInfoRec small;
  FontInfoRec large;
  FontTextMetrics(Spec(10), small);
  EXPECT_EQ(GetPortDC(), nullptr);
  FontTextMetrics(Spec(24), large);
  EXPECT_GT(large.ascent, small.ascent);
  EXPECT_GT(large.widMax, small.widMax);
  SetPortDC(dc_);
}

}  // namespace
