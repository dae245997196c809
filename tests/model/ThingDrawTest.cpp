// Track marks and lines of a thing, drawn into a memory bitmap and probed in pixels.

#include "core/Resources.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/Resource.h"
#include "tests/core/port/PortTestSupport.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);

// A thing whose track point the test moves.
class Mover : public TThing {
 public:
  QV_CPoint point{20, 10};
  void GetTrackPoint(QV_CPoint& out) override { out = point; }
};

class ThingDrawTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    mover.Initialize();
    SetPortForeColor(RGB16Color{0xFFFF, 0, 0});
  }
  Mover mover;
  const MacRect area{0, 0, kWidth, kHeight};
};

TEST_F(ThingDrawTest, FirstTrackLineStartsAtTheFirstTrackPointNotAtTheOrigin) {
  mover.SetFlagProperty(MakeTag("trkL"), 1);
  mover.DrawTrackMark(area, 0);
  EXPECT_EQ(Count(kRed), 0);  // nothing to join yet
  EXPECT_EQ(At(0, 0), kWhite);
  mover.point = QV_CPoint(30, 10);
  mover.DrawTrackMark(area, 0);
  EXPECT_EQ(At(20, 10), kRed);
  EXPECT_EQ(At(25, 10), kRed);
  EXPECT_EQ(At(30, 10), kRed);
  EXPECT_EQ(At(5, 5), kWhite);
  EXPECT_EQ(mover.LastTrackPoint(), QV_CPoint(30, 10));
}

TEST_F(ThingDrawTest, SuppressedLineStillMovesTheLastPointAndMarksDrawADot) {
  mover.SetFlagProperty(MakeTag("trkL"), 1);
  mover.SetFlagProperty(MakeTag("trk_"), 1);
  mover.DrawTrackMark(area, 0);
  // A dot of the 2 x 2 pen, its top left one pixel up and left of the track point.
  EXPECT_EQ(At(19, 9), kRed);
  EXPECT_GE(Count(kRed), 1);
  EXPECT_LE(Count(kRed), 4);
  mover.point = QV_CPoint(40, 30);
  mover.DrawTrackMark(area, 1);  // flags suppress the line, not the dot
  EXPECT_EQ(At(30, 20), kWhite);
  EXPECT_EQ(At(39, 29), kRed);
  EXPECT_EQ(mover.LastTrackPoint(), QV_CPoint(40, 30));
}

TEST_F(ThingDrawTest, LabelledCrossStrokes) {
  mover.DrawLabelledCross(MacPoint(20, 20));
  for (int d : {-5, 0, 9}) {
    EXPECT_EQ(At(20 + d, 20), kRed) << d;
    EXPECT_EQ(At(20, 20 + d), kRed) << d;
  }
  EXPECT_EQ(At(14, 20), kWhite);
  EXPECT_EQ(At(20, 30), kWhite);
}

TEST_F(ThingDrawTest, TheOriginLabelTakesTheDefaultStyleEvenAsTheFirstTextDrawn) {
  // A text list whose fifth item is the origin label.
  static const uint8_t list[] = {0, 5, 0, 0, 0, 0, 6, 'O', 'r', 'i', 'g', 'i', 'n'};
  static const ResourceEntry entries[] = {{"STRD", 0, nullptr, 1200, list, sizeof list}};
  static const ResourceModuleTable table = {"thing-draw-test.dll", entries, 1};
  RegisterResourceModule(table);
  SetResourceModule1(LoadResourceLibrary("thing-draw-test.dll"));
  // As in a fresh process: nothing has asked for the default style, another face took number 0.
  ResetFaceTable();
  ResetDefaultFontSize();
  DefaultFont() = FontSpec{};
  FontNumberFromName(Str255("Some Other Face"));
  mover.DrawLabelledCross(MacPoint(10, 10));
  const std::vector<COLORREF> first = Pixels();
  int32_t labelPixels = 0;
  for (int32_t y = 12; y < kHeight; ++y)
    for (int32_t x = 13; x < kWidth; ++x)
      labelPixels += At(x, y) != kWhite ? 1 : 0;
  EXPECT_GT(labelPixels, 0);

  GetDefaultFontSize();  // anything else may load it first
  RECT all{0, 0, kWidth, kHeight};
  FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  mover.DrawLabelledCross(MacPoint(10, 10));
  EXPECT_EQ(Pixels(), first);
  SetResourceModule1(nullptr);
  UnregisterResourceModule("thing-draw-test.dll");
}

TEST_F(ThingDrawTest, MarksOutsideTheAreaAreNotDrawn) {
  mover.SetFlagProperty(MakeTag("trk_"), 1);
  mover.DrawTrackMark(MacRect(0, 0, 10, 10), 0);
  EXPECT_EQ(Count(kRed), 0);
}

TEST_F(ThingDrawTest, ColourGoesToTheBackgroundUnlessItIsTheDefault) {
  SetPortBackColor(RGB16Color{0, 0xFF00, 0});
  mover.ApplyColour(0);
  RGB16Color back;
  GetPortBackColor(back);
  EXPECT_EQ(back, (RGB16Color{0, 0xFF00, 0}));  // default colour: the port keeps its own
  mover.ApplyColour(8);
  GetPortBackColor(back);
  EXPECT_EQ(back, RGB16Color());  // flag 8: the thing's colour, default or not
  mover.SetColourProperty(MakeTag("colr"), {0x1200, 0x3400, 0x5600});
  SetPortBackColor(RGB16Color{0, 0xFF00, 0});
  mover.ApplyColour(0);
  GetPortBackColor(back);
  EXPECT_EQ(back, (RGB16Color{0x1200, 0x3400, 0x5600}));
}

}  // namespace

namespace {

TEST_F(PortTest, TextStyleRoundTripsThroughADocument) {
  TSingleStyleLink link;
  link.Initialize();
  link.SetIdentifier(4);
  FontSpec font;
  font.fontNumber = FontNumberFromName("Sans");
  font.style = kStyleBold | kStyleItalic;
  font.size = 14;
  link.SetTextStyle(font, RGB16Color{0x100, 0x200, 0x300});
  link.SetLabelOffset(QV_CPoint(3, -2));

  struct Taker : TSingleStyleLink {
    uint16_t CanReadBlock(int16_t) override { return 1; }
  } taker;
  taker.Initialize();
  taker.SetIdentifier(4);
  TLink world;
  world.AddDependent(&taker);
  std::vector<TLink*> list{&link};
  auto writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  Handle stored = writer->TakeHandle();
  ReadObjects(stored, 2, 2, &world, nullptr, nullptr, nullptr);
  FreeHandle(stored);
  EXPECT_EQ(taker.GetFont(), font);
  EXPECT_EQ(taker.GetTextColour(), (RGB16Color{0x100, 0x200, 0x300}));
  EXPECT_EQ(taker.GetLabelOffset(), QV_CPoint(3, -2));

  // A stored size of 0 reads as the default size.
  font.size = 0;
  link.SetTextStyle(font, RGB16Color());
  writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  stored = writer->TakeHandle();
  ReadObjects(stored, 2, 2, &world, nullptr, nullptr, nullptr);
  FreeHandle(stored);
  EXPECT_EQ(taker.GetFont().size, GetDefaultFontSize());
}

}  // namespace
