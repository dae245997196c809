// The drawing port: pen, colours, shapes, pattern fills and the palette, probed in pixels.

#include <cstring>

#include "core/port/PortRegion.h"
#include "tests/core/port/PortTestSupport.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

TEST(PortColor, ChannelsAreRedBlueGreenInMemory) {
  EXPECT_EQ(RGB16ToColorRef(RGB16Color{0xFFFF, 0, 0}), RGB(255, 0, 0));
  EXPECT_EQ(RGB16ToColorRef(RGB16Color{0, 0xFFFF, 0}), RGB(0, 0, 255));
  EXPECT_EQ(RGB16ToColorRef(RGB16Color{0, 0, 0xFFFF}), RGB(0, 255, 0));
  EXPECT_EQ(RGB16ToColorRef(RGB16Color{0x12FF, 0x34FF, 0x56FF}), RGB(0x12, 0x56, 0x34));
  const RGB16Color back = ColorRefToRGB16(RGB(255, 1, 128));
  EXPECT_EQ(back.red, 0xFF00);
  EXPECT_EQ(back.green, 0x0100);
  EXPECT_EQ(back.blue, 0x8000);
}

TEST_F(PortTest, SettingTheSameForegroundTwiceMakesNoSecondPen) {
  SetPortForeColor(RGB16Color{0xFFFF, 0, 0});
  const HGDIOBJ pen = GetCurrentObject(dc_, OBJ_PEN);
  const size_t objects = CountGdiObjects();
  SetPortForeColor(RGB16Color{0xFF00, 0, 0});  // the same COLORREF
  EXPECT_EQ(GetCurrentObject(dc_, OBJ_PEN), pen);
  EXPECT_EQ(CountGdiObjects(), objects);
  SetPortForeColor(RGB16Color{0, 0xFFFF, 0});
  EXPECT_NE(GetCurrentObject(dc_, OBJ_PEN), pen);
  EXPECT_EQ(CountGdiObjects(), objects);  // the replaced pen was deleted
  LOGPEN log;
  GetObject(GetCurrentObject(dc_, OBJ_PEN), sizeof log, &log);
  EXPECT_EQ(log.lopnColor, RGB(0, 0, 255));
  SetPortBackColor(RGB16Color{0, 0, 0xFFFF});
  EXPECT_EQ(GetBkColor(dc_), RGB(0, 255, 0));
}

TEST_F(PortTest, LinesIncludeTheirEndPointAndRelativeLinesMoveOn) {
  SetPortForeColor(RGB16Color{0xFFFF, 0, 0});
  PortMoveTo(2, 3);
  RecordPolygonPoint(10, 3);
  EXPECT_EQ(At(10, 3), RGB(255, 0, 0));
  EXPECT_EQ(At(2, 3), RGB(255, 0, 0));
  PortLineTo(0, 5);
  EXPECT_EQ(At(10, 7), RGB(255, 0, 0));
  EXPECT_EQ(At(10, 8), kWhite);  // the relative line leaves out its end
  MacPoint location;
  PortGetPenLocation(location);
  EXPECT_EQ(location.h, 10);
  EXPECT_EQ(location.v, 8);
}

TEST_F(PortTest, AHiddenPenDrawsNothingButStillMoves) {
  PortHidePen();
  const MacRect r(5, 5, 30, 30);
  PortFrameRect(r);
  PortFrameOval(r);
  PortPaintRect(r);
  PortFillRectWithPattern(r, 0);
  PortFillRectPattern(r);
  PortMoveTo(1, 1);
  RecordPolygonPoint(40, 40);
  PortDrawPString(Str255("hidden"));
  EXPECT_EQ(Count(kWhite), kWidth * kHeight);
  EXPECT_EQ(GetCurrentPort()->penLocation.h, 1);
  POINT p;
  GetCurrentPositionEx(dc_, &p);
  EXPECT_EQ(p.x, 40);
  PortShowPen();
  PortFrameRect(r);
  EXPECT_EQ(At(5, 5), kBlack);
}

TEST_F(PortTest, PenSizeModeAndState) {
  PortSetPenSize(3, 7);
  EXPECT_EQ(GetCurrentPort()->penSize.h, 3);
  EXPECT_EQ(GetCurrentPort()->penSize.v, 3);
  PortSetPenMode(R2_XORPEN);
  EXPECT_EQ(GetROP2(dc_), R2_XORPEN);
  PenState saved;
  PortGetPenState(saved);
  PortResetPen();
  EXPECT_EQ(GetCurrentPort()->penSize.h, 1);
  EXPECT_EQ(GetROP2(dc_), R2_COPYPEN);
  PortSetPenState(saved);
  EXPECT_EQ(GetROP2(dc_), R2_XORPEN);
  EXPECT_EQ(GetCurrentPort()->penSize.h, 3);
  const uint8_t dotted[8] = {PS_DOT, 0, 0, 0, 0, 0, 0, 0};
  PortSetPenSize(1, 1);
  PortSetPenPattern(dotted);
  LOGPEN log;
  GetObject(GetCurrentObject(dc_, OBJ_PEN), sizeof log, &log);
  EXPECT_EQ(log.lopnStyle, static_cast<UINT>(PS_DOT));
}

TEST_F(PortTest, ErasingWithWhiteIsAWhitenessBlit) {
  // Recorded into a metafile, the erase shows up as one blit and no brush.
  HDC recorder = CreateMetaFile(nullptr);
  SetPortDC(recorder);
  PortFillRectPattern(MacRect(0, 0, 10, 10));
  SetPortDC(dc_);
  HMETAFILE metafile = CloseMetaFile(recorder);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(metafile);
  ASSERT_EQ(bits.size(), 18u + 18u + 6u);  // header, one 9-word blit, the end record
  uint32_t rop;
  std::memcpy(&rop, bits.data() + 18 + 6, 4);
  EXPECT_EQ(rop, WHITENESS);
  // Another background colour fills with that colour.
  SetPortBackColor(RGB16Color{0, 0xFFFF, 0});
  PortFillRectPattern(MacRect(0, 0, 10, 10));
  EXPECT_EQ(At(9, 9), RGB(0, 0, 255));
  EXPECT_EQ(At(10, 10), kWhite);
  EXPECT_EQ(GetTextColor(dc_), kBlack);  // colours put back
}

TEST_F(PortTest, PatternNumbersPickBitmapsStockBrushesAndSystemColours) {
  SetPortForeColor(RGB16Color{0xFFFF, 0, 0});
  SetPortBackColor(RGB16Color{0, 0xFFFF, 0});
  // Number 4 is the fifth pattern bitmap: sparse dots in the foreground on the background.
  PortFillRectWithPattern(MacRect(0, 0, 17, 17), 4);
  EXPECT_EQ(At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(1, 0), RGB(0, 0, 255));
  EXPECT_EQ(At(4, 2), RGB(255, 0, 0));
  EXPECT_EQ(At(16, 16), kWhite);  // without a pen the fill ends one pixel short
  // Number 1 is the stock grey brush whatever the colours.
  PortFillRectWithPattern(MacRect(20, 0, 30, 10), 1);
  EXPECT_EQ(At(21, 1), RGB(128, 128, 128));
  EXPECT_EQ(At(22, 1), RGB(128, 128, 128));
  // 4096 + n is system colour n.
  PortFillRectWithPattern(MacRect(40, 0, 50, 10), 4096 + 5);
  EXPECT_EQ(At(41, 1), GetSysColor(5));
  // Out of range numbers draw nothing.
  PortFillRectWithPattern(MacRect(0, 20, 10, 30), 24);
  PortFillOvalWithPattern(MacRect(0, 20, 10, 30), 4096);
  EXPECT_EQ(At(4, 24), kWhite);
  EXPECT_EQ(GetROP2(dc_), R2_COPYPEN);
  EXPECT_EQ(GetTextColor(dc_), kBlack);
}

TEST_F(PortTest, InvertingTwiceRestores) {
  PortFillRectWithPattern(MacRect(0, 0, 64, 48), 1);
  const std::vector<COLORREF> before = Pixels();
  PortInvertRect(MacRect(3, 3, 40, 30));
  PortInvertOval(MacRect(10, 5, 60, 45));
  PortInvertRoundRect(MacRect(0, 0, 30, 20), 8, 8);
  EXPECT_NE(Pixels(), before);
  PortInvertRect(MacRect(3, 3, 40, 30));
  PortInvertOval(MacRect(10, 5, 60, 45));
  PortInvertRoundRect(MacRect(0, 0, 30, 20), 8, 8);
  EXPECT_EQ(Pixels(), before);
}

TEST_F(PortTest, BitmapCopiesBlitOrStretch) {
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 4, 4);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  PatBlt(source, 0, 0, 4, 4, BLACKNESS);
  SelectObject(source, old);
  DeleteDC(source);
  PortCopyBitmap(bitmap, MacRect(0, 0, 4, 4), MacRect(10, 10, 14, 14), SRCCOPY);
  EXPECT_EQ(Count(kBlack), 16);
  PortCopyBitmap(bitmap, MacRect(0, 0, 4, 4), MacRect(20, 20, 28, 28), SRCCOPY);
  EXPECT_EQ(Count(kBlack), 16 + 64);
  EXPECT_EQ(GetBkColor(dc_), kWhite);
  DeleteObject(bitmap);
}

TEST_F(PortTest, RelativeLinesWhileRecordingAMetafileFollowEachOther) {
  HDC recorder = CreateMetaFile(nullptr);
  SetPortDC(recorder);
  SetRecordingMetafile(true);
  PortMoveTo(5, 5);
  PortLineTo(10, 0);
  PortLineTo(0, 10);
  SetRecordingMetafile(false);
  SetPortDC(dc_);
  HMETAFILE metafile = CloseMetaFile(recorder);
  PlayMetaFile(dc_, metafile);
  DeleteMetaFile(metafile);
  EXPECT_EQ(At(10, 5), kBlack);
  EXPECT_EQ(At(15, 10), kBlack);  // the second line starts where the first ended
  EXPECT_EQ(At(5, 10), kWhite);
}

TEST_F(PortTest, DestroyingTheCurrentPortMakesTheGlobalPortCurrent) {
  auto port = std::make_unique<TPort>();
  SetCurrentPort(port.get());
  EXPECT_EQ(GetCurrentPort(), port.get());
  EXPECT_NE(port->ClipRegion(), nullptr);
  port.reset();
  EXPECT_EQ(GetCurrentPort(), GetGlobalPort());
}

TEST_F(PortTest, WithoutAContextNothingHappens) {
  SetPortDC(nullptr);
  PortFrameRect(MacRect(0, 0, 10, 10));
  PortLineTo(5, 5);
  PortSetPenMode(R2_XORPEN);
  SetPortDC(dc_);
  EXPECT_EQ(Count(kWhite), kWidth * kHeight);
  EXPECT_EQ(GetROP2(dc_), R2_COPYPEN);
}

HWND releasedWindow = nullptr;
HDC releasedDC = nullptr;
void NoteRelease(HWND window, HDC dc) {
  releasedWindow = window;
  releasedDC = dc;
}

TEST_F(PortTest, HoldersCountThemselvesAndGiveContextsBackToTheirWindows) {
  SetReleaseDCHook(NoteRelease);
  const HWND window = reinterpret_cast<HWND>(uintptr_t{0x1234});
  const int32_t before = PortDCHolder::LiveCount();
  {
    PortDCHolder plain(dc_);
    PortDCHolder owned(dc_, window);
    PortWindowHolder windowHolder(window);
    EXPECT_EQ(PortDCHolder::LiveCount(), before + 2);
    EXPECT_EQ(PortWindowHolder::LiveCount(), 1);
    EXPECT_EQ(plain.Set(nullptr), dc_);
  }
  EXPECT_EQ(PortDCHolder::LiveCount(), before);
  EXPECT_EQ(releasedWindow, window);
  EXPECT_EQ(releasedDC, dc_);
  SetReleaseDCHook(nullptr);
  EXPECT_EQ(SetPortWindow(window), nullptr);
  EXPECT_EQ(SetPortWindow(nullptr), window);
}

bool chooseAnswer = false;
COLORREF chooseStart = 0;
bool customAllStart = false;
bool FakeChooseColor(COLORREF& color, COLORREF custom[16]) {
  chooseStart = color;
  customAllStart = true;
  for (int i = 0; i < 16; ++i)
    customAllStart = customAllStart && custom[i] == color;
  color = RGB(255, 0, 51);
  return chooseAnswer;
}

TEST(PortColorDialog, StartsFromTheColourAndWritesFullChannelsBack) {
  SetChooseColorHook(FakeChooseColor);
  RGB16Color color{0xFFFF, 0x8000, 0};  // red, blue, green
  chooseAnswer = false;
  EXPECT_FALSE(PortChooseColor(color));
  EXPECT_EQ(chooseStart, RGB(255, 0, 127));
  EXPECT_TRUE(customAllStart);
  EXPECT_EQ(color.blue, 0x8000);  // unchanged when cancelled
  chooseAnswer = true;
  EXPECT_TRUE(PortChooseColor(color));
  EXPECT_EQ(color.red, 0xFFFF);
  EXPECT_EQ(color.green, 0);
  EXPECT_EQ(color.blue, 51 * 257);
  SetChooseColorHook(nullptr);
  EXPECT_FALSE(PortChooseColor(color));
}

TEST(PortPalette, TheProgramPaletteIsTheColourGrid) {
  const PALETTEENTRY* entries = AppPaletteEntries();
  auto is = [](const PALETTEENTRY& e, int r, int g, int b) {
    return e.peRed == r && e.peGreen == g && e.peBlue == b && e.peFlags == PC_NOCOLLAPSE;
  };
  EXPECT_TRUE(is(entries[0], 42, 63, 170));
  EXPECT_TRUE(is(entries[1], 42, 63, 255));
  EXPECT_TRUE(is(entries[2], 42, 95, 0));
  EXPECT_TRUE(is(entries[3], 42, 95, 85));
  EXPECT_TRUE(is(entries[234], 42, 63, 0));
  EXPECT_TRUE(is(entries[235], 42, 63, 85));
  HDC dc = CreateCompatibleDC(nullptr);
  SelectAppPalette(dc);
  const HGDIOBJ palette = GetCurrentObject(dc, OBJ_PAL);
  EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(palette), 0, 0, nullptr), 236u);
  DeleteDC(dc);
}

}  // namespace
