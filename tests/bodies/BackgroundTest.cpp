// The background body: object 0, inert, filed as block 5205 alone, its axes computed from the
// view and drawn in their own colour into a memory bitmap.

#include "bodies/Background.h"

#include <optional>

#include "model/command/CommandCore.h"
#include "tests/bodies/ShapeTestSupport.h"
#include "tests/support/MemoryCanvas.h"

namespace shape_test {
namespace {

using BackgroundTest = ShapeFixture;

// The view that puts the world origin at screen point (h, v), one pixel a unit.
Transform2D ViewWithOriginAt(int16_t h, int16_t v) {
  return Transform2D(1.0, 0.0, h, -v, 0.0, 1.0);
}

TEST_F(BackgroundTest, IsObjectZeroFiledAsOneBlockAndNeverHit) {
  auto background = Make<TZeroMass>();
  EXPECT_EQ(background->GetIdentifier(), 0);
  EXPECT_EQ(background->GetName(), Str255("0"));
  background->SetShowAxes(1);
  const std::vector<uint8_t> bytes = Document(*background);
  EXPECT_EQ(Codes(Blocks(bytes, kBlockBackground, true)), (std::vector<int32_t>{5205}));
  // The solver sees the object, but none of its blocks.
  EXPECT_TRUE(Blocks(Native(*background), kBlockBackground, false).empty());

  const auto read = ReadOne<TZeroMass>(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetShowAxes(), 1);
  EXPECT_EQ(Document(*read), bytes);

  EXPECT_FALSE(background->HitTest(MacPoint(0, 0)));
  EXPECT_FALSE(background->HitTestLocal({0.0, 0.0}));
  EXPECT_FALSE(background->HitTestRect(MacRect(-100, -100, 100, 100)));
  background->SetAnchored(1);
  EXPECT_FALSE(background->IsAnchored());

  // Joining to the background joins the other body to it; itself and null change nothing.
  auto body = Rectangle(1.0, 1.0);
  background->JoinTo(body.get());
  EXPECT_EQ(body->GetJoinedTo(), background.get());
  EXPECT_EQ(background->GetJoinedTo(), nullptr);
  background->JoinTo(background.get());
  background->JoinTo(nullptr);
  EXPECT_EQ(background->GetJoinedTo(), nullptr);
  EXPECT_TRUE(body->IsJoinedWith(background.get()));
}

TEST_F(BackgroundTest, CommandTogglesTheAxesAndItsCheckMark) {
  auto background = Make<TZeroMass>();
  uint16_t enabled = 0;
  uint16_t mark = 1;
  ASSERT_TRUE(background->GetCommandState(kCmdShowAxes, enabled, mark));
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(mark, 0);
  bool handled = false;
  EXPECT_EQ(background->DoObjectMenuCommand(kCmdShowAxes, handled), nullptr);
  EXPECT_TRUE(handled);
  background->GetCommandState(kCmdShowAxes, enabled, mark);
  EXPECT_EQ(mark, 1);
  background->DoCommandValue(kCmdShowAxes, 0);
  EXPECT_EQ(background->GetShowAxes(), 0);
  EXPECT_EQ(background->DoObjectMenuCommand(1075, handled), nullptr);
  EXPECT_FALSE(handled);
}

TEST_F(BackgroundTest, BoundsAndAxesFollowTheView) {
  auto background = Make<TZeroMass>();
  background->SetViewSize(MacPoint(200, 100));
  background->SetShowAxes(1);
  background->ValidateScreenTransform(ViewWithOriginAt(100, 50));
  const TDoubleRect& bounds = background->LocalBounds();
  EXPECT_EQ(bounds.left, -100.0);
  EXPECT_EQ(bounds.top, 50.0);
  EXPECT_EQ(bounds.right, 100.0);
  EXPECT_EQ(bounds.bottom, -50.0);
  MacPoint from, to;
  ASSERT_TRUE(background->IsXAxisShown());
  background->GetXAxis(from, to);
  EXPECT_EQ(from, MacPoint(0, 50));
  EXPECT_EQ(to, MacPoint(200, 50));
  ASSERT_TRUE(background->IsYAxisShown());
  background->GetYAxis(from, to);
  EXPECT_EQ(from, MacPoint(100, 0));
  EXPECT_EQ(to, MacPoint(100, 100));

  // The same view again does not compute the bounds again, though the cache was cleared.
  background->SetLocalBounds(TDoubleRect(1, 2, 3, 4));
  background->InvalidateScreenCache();
  background->ValidateScreenTransform(ViewWithOriginAt(100, 50));
  EXPECT_EQ(background->LocalBounds().right, 3.0);

  // An origin on the left edge still shows the y axis; one below the view hides the x axis.
  background->InvalidateScreenCache();
  background->ValidateScreenTransform(ViewWithOriginAt(0, 150));
  EXPECT_TRUE(background->IsYAxisShown());
  EXPECT_FALSE(background->IsXAxisShown());
  EXPECT_EQ(background->LocalBounds().left, 0.0);
}

// A drawing port bound to a white memory bitmap.
class BackgroundDrawTest : public ::testing::Test {
 protected:
  static constexpr int16_t kWidth = 64;
  static constexpr int16_t kHeight = 48;
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    canvas.emplace(kWidth, kHeight);
    SetPortDC(canvas->dc());
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeDrawingPort();
    FreeHandlePool();
  }
  COLORREF At(int32_t x, int32_t y) const { return canvas->At(x, y); }
  int32_t Count(COLORREF color) const { return canvas->Count(color); }

  std::optional<MemoryCanvas> canvas;
};

TEST_F(BackgroundDrawTest, AxesAreDrawnInTheirColourAndThePenColourComesBack) {
  TZeroMass background;
  background.Initialize();
  background.SetViewSize(MacPoint(kWidth, kHeight));
  background.SetShowAxes(1);
  background.ValidateScreenTransform(ViewWithOriginAt(20, 10));
  const RGB16Color red{0xFFFF, 0, 0};
  SetPortForeColor(red);
  const MacRect area(0, 0, kWidth, kHeight);
  background.Draw(area, 0);
  const COLORREF axis = RGB16ToColorRef(kAxisColour);
  EXPECT_EQ(axis, RGB(0x02, 0xEA, 0xAB));
  EXPECT_EQ(At(40, 10), axis);
  EXPECT_EQ(At(0, 10), axis);
  EXPECT_EQ(At(20, 30), axis);
  EXPECT_EQ(At(40, 30), RGB(255, 255, 255));
  EXPECT_EQ(Count(RGB16ToColorRef(red)), 0);
  RGB16Color after{0, 0, 0};
  GetPortForeColor(after);
  EXPECT_EQ(RGB16ToColorRef(after), RGB16ToColorRef(red));

  // Hidden axes draw nothing.
  TZeroMass hidden;
  hidden.Initialize();
  hidden.SetViewSize(MacPoint(kWidth, kHeight));
  hidden.ValidateScreenTransform(ViewWithOriginAt(30, 30));
  const int32_t before = Count(axis);
  hidden.Draw(area, 0);
  EXPECT_EQ(Count(axis), before);
}

}  // namespace
}  // namespace shape_test
