// The gadget rectangle and the in/output base: geometry, hit tests, selection handles, tags,
// column records, cell names, placeholders and the position block.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/gadgets/InOutput.h"
#include "model/filing/ObjectWriter.h"
#include "tests/support/MemoryCanvas.h"

namespace {

// Records every area a gadget asks its owner to redraw, and every change notice.
class RecordingOwner : public TLinkOwner {
 public:
  void ObjectChanged(TLink&) override { ++changes; }
  RGB16Color DisplayColour(const RGB16Color& c) override { return c; }
  void TrackingEnabled() override {}
  std::optional<MacPoint> WorldToScreen(const TVector&) override { return {}; }
  double GridSpacing() const override { return 0.0; }
  double AngleStep() const override { return 0.0; }
  void InvalidateArea(const MacRect& area) override { areas.push_back(area); }

  std::vector<MacRect> areas;
  int changes = 0;
};

class GadgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    gadget.Initialize();
    gadget.SetOwner(&owner);
    gadget.MoveBy(MacPoint(20, 10));  // h 20, v 10
    gadget.SetSize(MacPoint(40, 30));  // width 40, height 30
    owner.areas.clear();
    owner.changes = 0;
  }
  void TearDown() override {
    FreeDrawingPort();
    FreeHandlePool();
  }
  RecordingOwner owner;
  TInOutput gadget;
};

TEST_F(GadgetTest, SizeIsAtLeastTwelveAndCornerResizeKeepsTheOppositeCorner) {
  // "gsh_" 5 gives width 12 and leaves the position alone.
  gadget.SetShortProperty(kTagGadgetWidth, 5);
  EXPECT_EQ(gadget.GetSize(), MacPoint(12, 30));
  EXPECT_EQ(gadget.GetPosition(), MacPoint(20, 10));

  // From the top-left corner the bottom-right corner stays at (60, 40).
  gadget.SetSize(MacPoint(40, 30));
  gadget.ResizeFromCorner(kCornerTopLeft, MacPoint(25, 3));
  EXPECT_EQ(gadget.GetSize(), MacPoint(25, 12));
  EXPECT_EQ(gadget.GetFrame(), MacRect(35, 28, 60, 40));

  gadget.ResizeFromCorner(kCornerTopRight, MacPoint(30, 20));
  EXPECT_EQ(gadget.GetFrame(), MacRect(35, 20, 65, 40));
  gadget.ResizeFromCorner(kCornerBottomLeft, MacPoint(20, 20));
  EXPECT_EQ(gadget.GetFrame(), MacRect(45, 20, 65, 40));
}

TEST_F(GadgetTest, SettingTheSameSizeRedrawsNothing) {
  gadget.SetSize(MacPoint(40, 30));
  EXPECT_TRUE(owner.areas.empty());
  EXPECT_EQ(owner.changes, 0);

  gadget.SetSize(MacPoint(50, 30));
  ASSERT_EQ(owner.areas.size(), 2u);
  // Old and new areas, each the frame grown by three pixels.
  EXPECT_EQ(owner.areas[0], MacRect(17, 7, 63, 43));
  EXPECT_EQ(owner.areas[1], MacRect(17, 7, 73, 43));
  EXPECT_EQ(owner.changes, 1);
}

TEST_F(GadgetTest, HitTestsTreatEdgesAsTheirRulesSay) {
  // The frame excludes its right and bottom edges; a corner is hit within 5 pixels inclusive.
  EXPECT_TRUE(gadget.ContainsPoint(MacPoint(20, 10)));
  EXPECT_TRUE(gadget.ContainsPoint(MacPoint(59, 39)));
  EXPECT_FALSE(gadget.ContainsPoint(MacPoint(60, 20)));
  EXPECT_FALSE(gadget.ContainsPoint(MacPoint(30, 40)));

  int16_t corner = -1;
  ASSERT_TRUE(gadget.HitCorner(MacPoint(60, 40), corner));
  EXPECT_EQ(corner, kCornerBottomRight);
  ASSERT_TRUE(gadget.HitCorner(MacPoint(15, 45), corner));
  EXPECT_EQ(corner, kCornerBottomLeft);
  ASSERT_TRUE(gadget.HitCorner(MacPoint(65, 5), corner));
  EXPECT_EQ(corner, kCornerTopRight);
  EXPECT_FALSE(gadget.HitCorner(MacPoint(66, 5), corner));
  EXPECT_FALSE(gadget.HitCorner(MacPoint(40, 10), corner));

  EXPECT_TRUE(gadget.IntersectsRect(MacRect(0, 0, 100, 100)));
  EXPECT_FALSE(gadget.IntersectsRect(MacRect(0, 0, 30, 100)));  // only part of the frame
}

TEST_F(GadgetTest, PositionTagsAndNumberedPropertiesMoveTheGadget) {
  gadget.SetShortProperty(kTagGadgetLeft, 100);
  gadget.SetShortProperty(kTagGadgetTop, static_cast<uint16_t>(-5));
  EXPECT_EQ(gadget.GetPosition(), MacPoint(100, -5));
  EXPECT_EQ(gadget.GetSize(), MacPoint(40, 30));

  double value = 0.0;
  ASSERT_TRUE(gadget.GetNumberedValue(TGadget::kIndexTop, value));
  EXPECT_EQ(value, -5.0);
  EXPECT_TRUE(gadget.SetNumberedValue(TGadget::kIndexLeft, 7.9));  // floored
  EXPECT_EQ(gadget.GetPosition().h, 7);
  // A coordinate beyond 16 bits stops at the limit rather than wrapping to the other side.
  gadget.SetNumberedValue(TGadget::kIndexLeft, 40000.0);
  EXPECT_EQ(gadget.GetPosition().h, 32767);
  gadget.SetNumberedValue(TGadget::kIndexLeft, -40000.0);
  EXPECT_EQ(gadget.GetPosition().h, -32768);
  EXPECT_FALSE(gadget.SetNumberedValue(3, 1.0));
}

TEST_F(GadgetTest, LinkedGadgetAcceptsOnlyGadgetsAndIsForgottenWhenItGoes) {
  TInOutput other;
  other.Initialize();
  TLink plain;
  gadget.SetLinkedGadget(&other);
  EXPECT_EQ(gadget.GetLinkedGadget(), &other);
  gadget.SetLinkedGadget(&plain);
  EXPECT_EQ(gadget.GetLinkedGadget(), &other);
  gadget.ObjectRemoved(&other);
  EXPECT_EQ(gadget.GetLinkedGadget(), nullptr);
  gadget.SetLinkedGadget(nullptr);
}

TEST_F(GadgetTest, SelectionHandlesDrawnTwiceEraseThemselves) {
  MemoryCanvas canvas(100, 100);
  SetPortDC(canvas.dc());
  constexpr COLORREF kWhite = RGB(255, 255, 255);
  gadget.DrawSelection(false, false);
  EXPECT_EQ(canvas.At(20, 10), kWhite);
  gadget.DrawSelection(false, true);
  // Handles are 5 by 5 from (-2, -2) at each corner of the frame's last pixels.
  EXPECT_NE(canvas.At(18, 8), kWhite);
  EXPECT_NE(canvas.At(22, 12), kWhite);
  EXPECT_EQ(canvas.At(23, 13), kWhite);
  EXPECT_NE(canvas.At(59, 39), kWhite);
  EXPECT_NE(canvas.At(20, 39), kWhite);
  gadget.DrawSelection(true, false);
  EXPECT_EQ(canvas.At(18, 8), kWhite);
  EXPECT_EQ(canvas.At(59, 39), kWhite);
  SetPortDC(nullptr);
}

TEST_F(GadgetTest, PositionBlockHoldsVThenH) {
  TObjectWriterKind2 writer;
  writer.Init(nullptr);
  gadget.WriteBlockContents(kBlockGadgetPosition, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 10, 0, 20}));
}

TEST_F(GadgetTest, ColumnRecordsClampReadsAndIgnoreWritesOutsideTheSix) {
  gadget.SetColumnRecord("first", 0, 1);
  gadget.SetColumnRecord("last", 5, 0);
  gadget.SetColumnRecord("beyond", 6, 1);
  gadget.SetColumnRecord("before", -1, 1);
  Str255 name;
  int16_t index = -1;
  int16_t linked = 0;
  gadget.GetColumnRecord(name, index, linked);
  EXPECT_STREQ(name.AsCString(), "first");
  EXPECT_EQ(index, 0);
  EXPECT_EQ(linked, 1);
  index = 9;
  gadget.GetColumnRecord(name, index, linked);
  EXPECT_STREQ(name.AsCString(), "last");
  EXPECT_EQ(index, 5);
  EXPECT_EQ(linked, 0);
}

TEST_F(GadgetTest, PlaceholdersTakeTheTargetsNamesAndNumbers) {
  TNamedLink spring;
  spring.SetName("Spring");
  spring.SetNumberText("4");
  gadget.SetName("% and ^");
  gadget.ExpandNamePlaceholders(&spring, nullptr);
  EXPECT_STREQ(gadget.GetName().AsCString(), "Spring 4 and ");

  // Nothing to replace: the name is not set again.
  gadget.SetShowName(true);
  owner.areas.clear();
  gadget.ExpandNamePlaceholders(&spring, &spring);
  EXPECT_TRUE(owner.areas.empty());

  // A result longer than a name can hold is cut to its capacity.
  Str255 many;
  for (int i = 0; i < 100; ++i) many.AppendChar('%');
  gadget.SetName(many);
  gadget.ExpandNamePlaceholders(&spring, nullptr);
  EXPECT_EQ(gadget.GetName().Length(), 255);
}

TEST_F(GadgetTest, TheMatlabTestIsCaseSensitive) {
  EXPECT_TRUE(TInOutput::NamesMatlab("run matlab session"));
  EXPECT_FALSE(TInOutput::NamesMatlab("Matlab"));
  EXPECT_FALSE(TInOutput::NamesMatlab(""));
}

TEST_F(GadgetTest, LabelSitsCentredAboveTheFrame) {
  gadget.SetName("Speed");
  const int16_t width = gadget.GetLabelWidth();
  ASSERT_GT(width, 0);
  const MacRect label = gadget.GetLabelRect();
  EXPECT_EQ(label.bottom, 10);
  EXPECT_EQ(label.top, 10 - gadget.GetLineHeight());
  EXPECT_EQ(label.left, (20 + 60 - width) / 2);
  EXPECT_EQ(label.right - label.left, width);
  // With the name shown, the label belongs to the gadget for clicks.
  const MacPoint above(static_cast<int16_t>(label.left + 1), static_cast<int16_t>(label.top + 1));
  EXPECT_FALSE(gadget.ContainsPoint(above));
  gadget.SetShowName(true);
  EXPECT_TRUE(gadget.ContainsPoint(above));
}

}  // namespace
