// Rectangles, squares and circles: their mass properties, snapping points, hit tests, run checks,
// documents read back byte for byte and their record in the solver's stream.

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/Failure.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace shape_test {
namespace {

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

TFormula Constant(double value) {
  return TFormula(value);
}

double MomentInMode(TMass& body, int16_t mode) {
  body.SetShortProperty(kTagMomentMode, static_cast<uint16_t>(mode));
  return body.GetMoment();
}

int16_t FailureOf(TMass& body) {
  try {
    body.CheckShape(1);
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

using ShapeTest = ShapeFixture;

TEST_F(ShapeTest, AreasAndMomentsFollowTheShapeInEveryMomentMode) {
  auto rectangle = Rectangle(2.0, 1.0);
  EXPECT_EQ(rectangle->GetMass(), 2.0);  // area times the unit density
  rectangle->SetFormulaProperty(kTagMass, Constant(6.0));
  EXPECT_EQ(rectangle->GetArea(), 2.0);
  EXPECT_EQ(rectangle->GetDensity(), 3.0);
  EXPECT_DOUBLE_EQ(MomentInMode(*rectangle, 2), 2.5);
  EXPECT_DOUBLE_EQ(MomentInMode(*rectangle, 3), 5.0);
  EXPECT_DOUBLE_EQ(MomentInMode(*rectangle, 4), 2.0);

  auto circle = Circle(1.0);
  circle->SetFormulaProperty(kTagMass, Constant(2.0));
  EXPECT_DOUBLE_EQ(circle->GetArea(), std::numbers::pi);
  EXPECT_DOUBLE_EQ(MomentInMode(*circle, 2), 1.0);
  EXPECT_DOUBLE_EQ(MomentInMode(*circle, 3), 2.0);
  EXPECT_DOUBLE_EQ(MomentInMode(*circle, 4), 0.8);
  EXPECT_EQ(circle->GetShapeRadius(), 1.0);

  // A square keeps its sides equal whichever is set; bounds and area follow the side.
  auto square = Rectangle(2.0, 2.0);
  square->SetEqualSides(1);
  square->SetNumberProperty(kTagHeight, 3.0);
  EXPECT_EQ(square->GetSize(), TVector(3.0, 3.0));
  const TDoubleRect bounds = square->LocalBounds();
  EXPECT_EQ(bounds.left, -1.5);
  EXPECT_EQ(bounds.top, 1.5);
  EXPECT_EQ(bounds.right, 1.5);
  EXPECT_EQ(bounds.bottom, -1.5);
  EXPECT_EQ(square->GetArea(), 9.0);
  EXPECT_EQ(square->ExtentSquared(), 2.25);
}

TEST_F(ShapeTest, ADimensionGivenAsAFormulaTextKeepsItsText) {
  auto rectangle = Rectangle(1.0, 1.0);
  TFormula width;
  width.SetFromPieces("1 + 3");
  rectangle->SetFormulaProperty(kTagWidth, width);
  ASSERT_TRUE(rectangle->WidthFormula()->IsFormula());
  EXPECT_EQ(TextOf(*rectangle->WidthFormula()), "1 + 3");
  EXPECT_EQ(rectangle->GetSize().x, 4.0);
  EXPECT_EQ(rectangle->LocalBounds().right, 2.0);
  EXPECT_EQ(rectangle->GetArea(), 4.0);

  const auto read = ReadOne<TRectangle>(Document(*rectangle));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(TextOf(*read->WidthFormula()), "1 + 3");
}

TEST_F(ShapeTest, SnappingPointsAreTriedInTheirOrder) {
  auto rectangle = Rectangle(4.0, 2.0);
  TSnapResult found;
  const auto kindAt = [&](TBasicMass& shape, TVector point, double d) {
    found = TSnapResult();
    return shape.FindSnapPoint(point, d, found) ? found.kind : 0;
  };
  EXPECT_EQ(kindAt(*rectangle, {0.0, 1.0}, 0.5), 6);
  EXPECT_EQ(kindAt(*rectangle, {0.0, -1.1}, 0.5), 7);
  EXPECT_EQ(kindAt(*rectangle, {-2.0, 0.0}, 0.5), 8);
  EXPECT_EQ(kindAt(*rectangle, {2.0, 0.0}, 0.5), 9);
  EXPECT_EQ(kindAt(*rectangle, {-2.0, 1.0}, 0.5), 2);
  EXPECT_EQ(kindAt(*rectangle, {2.0, 1.0}, 0.5), 3);
  EXPECT_EQ(kindAt(*rectangle, {-1.9, -0.9}, 0.5), 4);
  EXPECT_EQ(kindAt(*rectangle, {2.0, -1.0}, 0.5), 5);
  // The end circles of a wide rectangle, only while the tolerance is below their offset.
  EXPECT_EQ(kindAt(*rectangle, {-1.0, 0.0}, 0.5), 12);
  EXPECT_EQ(found.local, TVector(-1.0, 0.0));
  EXPECT_EQ(kindAt(*rectangle, {1.0, 0.2}, 0.5), 13);
  EXPECT_NE(kindAt(*rectangle, {-1.0, 0.0}, 1.0), 12);
  EXPECT_EQ(kindAt(*rectangle, {0.3, 0.3}, 0.1), 0);
  EXPECT_EQ(kindAt(*rectangle, {0.05, -0.1}, 0.1), 1);  // the reference point, edges included

  // The world point goes through the body's frame: turned a quarter, the top middle lies left.
  rectangle->SetPlacement({10.0, 0.0, std::numbers::pi / 2});
  EXPECT_EQ(kindAt(*rectangle, {9.0, 0.0}, 0.01), 6);
  EXPECT_NEAR(found.world.x, 9.0, 1e-12);

  auto circle = Circle(1.0);
  EXPECT_EQ(kindAt(*circle, {1.0, 0.05}, 0.1), 9);
  EXPECT_EQ(kindAt(*circle, {0.7, 0.7}, 0.1), 0);  // no corners on a circle

  TVector corner{0, 0};
  EXPECT_EQ(rectangle->GetHotPoint(1, corner), 1);
  EXPECT_EQ(corner, TVector(2.0, 1.0));
  EXPECT_EQ(rectangle->GetHotPoint(3, corner), 1);
  EXPECT_EQ(corner, TVector(-2.0, -1.0));
  EXPECT_EQ(rectangle->GetHotPoint(5, corner), 0);
  EXPECT_EQ(corner, TVector(0.0, 0.0));
}

TEST_F(ShapeTest, HitsUseTheMarginAndHandlesTheirOrder) {
  auto square = Rectangle(2.0, 2.0);
  EXPECT_TRUE(square->HitTestLocal({1.009, 0.0}));
  EXPECT_TRUE(square->HitTestLocal({1.01, -1.01}));  // the widened edge itself
  EXPECT_FALSE(square->HitTestLocal({1.011, 0.0}));
  auto wide = Rectangle(4.0, 2.0);  // the smaller side sets the margin
  EXPECT_TRUE(wide->HitTestLocal({2.009, 0.0}));
  EXPECT_FALSE(wide->HitTestLocal({2.015, 0.0}));

  auto circle = Circle(1.0);
  EXPECT_TRUE(circle->HitTestLocal({1.002, 0.0}));
  EXPECT_FALSE(circle->HitTestLocal({0.0, -1.003}));

  // On screen one unit is one pixel, y down; the handle squares reach three pixels each way.
  auto flat = Rectangle(4.0, 2.0);
  flat->SetPlacement({100.0, -50.0, 0.0});
  flat->ValidateScreenTransform(Transform2D());
  int32_t handle = -1;
  ASSERT_TRUE(flat->HitHandle(MacPoint(102, 50), handle));  // right-hand corners both reach it
  EXPECT_EQ(handle, 3);
  ASSERT_TRUE(flat->HitHandle(MacPoint(95, 46), handle));  // 3 left and 3 above top-left
  EXPECT_EQ(handle, 0);
  ASSERT_TRUE(flat->HitHandle(MacPoint(98, 54), handle));
  EXPECT_EQ(handle, 2);
  handle = -1;
  EXPECT_FALSE(flat->HitHandle(MacPoint(100, 44), handle));
  EXPECT_EQ(handle, -1);
  EXPECT_TRUE(flat->HitTest(MacPoint(101, 50)));
  EXPECT_FALSE(flat->HitTest(MacPoint(103, 50)));
  EXPECT_TRUE(flat->IsTinyOnScreen());
  auto eight = Rectangle(8.0, 8.0);
  eight->ValidateScreenTransform(Transform2D());
  EXPECT_TRUE(eight->IsTinyOnScreen());
  auto ten = Rectangle(10.0, 10.0);
  ten->ValidateScreenTransform(Transform2D());
  EXPECT_FALSE(ten->IsTinyOnScreen());

  // A frame placed with its cosine and sine takes them as they are.
  flat->SetShownFrame({100.0, -50.0, 0.5}, 0.0, 1.0);
  EXPECT_TRUE(flat->IsShownValid());
  EXPECT_EQ(flat->ShownTransform().cosine, 0.0);
  EXPECT_EQ(flat->GetRotationValue(), 0.5);
  flat->SetRotationValue(0.0);
  EXPECT_FALSE(flat->IsShownValid());
  EXPECT_EQ(flat->GetShownTransform().sine, 0.0);
  flat->ValidateScreenTransform(Transform2D());

  // A moved body's screen data goes stale and is made again.
  flat->MoveBy({10.0, 0.0});
  EXPECT_FALSE(flat->IsScreenValid());
  flat->ValidateScreenTransform(Transform2D());
  EXPECT_EQ(flat->GetScreenPoint(), MacPoint(110, 50));
}

TEST_F(ShapeTest, TheRunCheckRefusesDimensionsThatAreNotPositive) {
  auto rectangle = Rectangle(1.0, 0.0);
  rectangle->SetDescription("body[2]");
  EXPECT_EQ(FailureOf(*rectangle), kErrHeightNotPositive);
  rectangle->SetNumberProperty(kTagHeight, 1.0);
  rectangle->SetNumberProperty(kTagWidth, -1.0);
  EXPECT_EQ(FailureOf(*rectangle), kErrWidthNotPositive);
  // A dimension that is not a number fails as well.
  rectangle->SetNumberProperty(kTagWidth, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(FailureOf(*rectangle), kErrWidthNotPositive);
  rectangle->SetNumberProperty(kTagWidth, 2.0);
  EXPECT_EQ(FailureOf(*rectangle), 0);
  rectangle->SetNumberProperty(kTagHeight, 0.0);
  EXPECT_NO_THROW(rectangle->CheckShape(0));  // failures only when asked for

  auto circle = Circle(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(FailureOf(*circle), kErrRadiusNotPositive);
  circle->SetNumberProperty(kTagRadius, 0.5);
  EXPECT_EQ(FailureOf(*circle), 0);
}

TEST_F(ShapeTest, DocumentsHoldEveryBlockInOrderAndReadBackByteForByte) {
  auto rectangle = Rectangle(2.0, 1.0);
  rectangle->SetFormulaProperty(kTagPosX, Constant(3.0));
  rectangle->SetShortProperty(kTagFillPattern, 24);
  rectangle->SetColourProperty(kTagFillColour, RGB16Color{0x1234, 0x5678, 0x9ABC});
  rectangle->SetFlagProperty(kTagTrackOutline, 1);
  TFormula charge;
  charge.SetFromPieces("2 * 3");
  rectangle->SetFormulaProperty(kTagCharge, charge);
  rectangle->SetDescription("body[2]");
  const std::vector<uint8_t> bytes = Document(*rectangle);
  // The shape's blocks, the body's, then those of the bases, among them the recorded charge.
  std::vector<int32_t> codes = Codes(Blocks(bytes, kBlockRectangleFormulas, true));
  ASSERT_GE(codes.size(), 6u);
  EXPECT_EQ(std::vector<int32_t>(codes.begin(), codes.begin() + 6),
            (std::vector<int32_t>{5041, 1203, 5005, 1200, 5029, 5252}));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), kBlockElements), 1);
  const auto read = ReadOne<TRectangle>(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetSize(), TVector(2.0, 1.0));
  uint16_t value = 0;
  ASSERT_TRUE(read->GetShortProperty(kTagFillPattern, value, nullptr));
  EXPECT_EQ(value, 24);
  EXPECT_EQ(read->GetMaterial(), 0);  // a charge set directly makes the body custom
  EXPECT_TRUE(read->Charge()->IsFormula());
  read->SetDescription("body[2]");
  EXPECT_EQ(Document(*read), bytes);

  auto square = Rectangle(2.0, 2.0);
  square->SetEqualSides(1);
  const std::vector<uint8_t> squareBytes = Document(*square);
  EXPECT_EQ(Codes(Blocks(squareBytes, kBlockRectangleFormulas, true))[2], kBlockEqualSides);
  const auto readSquare = ReadOne<TRectangle>(squareBytes);
  ASSERT_NE(readSquare, nullptr);
  EXPECT_TRUE(readSquare->HasEqualSides());
  EXPECT_EQ(Document(*readSquare), squareBytes);

  auto circle = Circle(0.5);
  circle->SetFlagProperty(kTagRadiusLine, 0);
  const std::vector<uint8_t> circleBytes = Document(*circle);
  codes = Codes(Blocks(circleBytes, kBlockRadiusLine, true));
  ASSERT_GE(codes.size(), 8u);
  EXPECT_EQ(std::vector<int32_t>(codes.begin(), codes.begin() + 8),
            (std::vector<int32_t>{5007, 5042, 1202, 5214, 5005, 1200, 5029, 5252}));
  EXPECT_EQ(std::count(codes.begin(), codes.end(), kBlockElements), 0);
  const auto readCircle = ReadOne<TOval>(circleBytes);
  ASSERT_NE(readCircle, nullptr);
  EXPECT_EQ(readCircle->ShowsRadiusLine(), 0);
  EXPECT_EQ(readCircle->GetShapeRadius(), 0.5);
  EXPECT_EQ(Document(*readCircle), circleBytes);
}

TEST_F(ShapeTest, StoredDisplayValuesOutsideTheirRangeAreBroughtIn) {
  auto rectangle = Rectangle(2.0, 1.0);
  std::vector<uint8_t> bytes = Document(*rectangle);
  const std::vector<Block> blocks = Blocks(bytes, kBlockRectangleFormulas, true);
  const auto display = std::find_if(blocks.begin(), blocks.end(),
                                    [](const Block& b) { return b.code == TMass::kBlockDisplay; });
  ASSERT_NE(display, blocks.end());
  // Pen, filled, pattern, colour (6 bytes), two marks, track bits, material, moment mode.
  const auto put = [&](size_t offset, int32_t value) {
    for (size_t i = 0; i < 4; ++i)
      bytes[display->begin + offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  };
  ASSERT_EQ(display->end - display->begin, 38u);
  put(8, 25);
  put(30, 0);
  put(34, 0);
  const auto read = ReadOne<TRectangle>(bytes);
  ASSERT_NE(read, nullptr);
  uint16_t value = 0;
  read->GetShortProperty(kTagFillPattern, value, nullptr);
  EXPECT_EQ(value, 24);
  read->GetShortProperty(kTagMaterial, value, nullptr);
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(read->IsMassGiven());
  EXPECT_EQ(read->GetMomentModeValue(), kMomentGiven);
  put(8, 0);
  const auto low = ReadOne<TRectangle>(bytes);
  ASSERT_NE(low, nullptr);
  low->GetShortProperty(kTagFillPattern, value, nullptr);
  EXPECT_EQ(value, 1);
}

// Reads the formula items and integers of a native block 1200.
struct SolverRecord {
  std::vector<double> constants;
  std::vector<std::string> texts;
  int16_t recordWord = 0;
  int16_t anchored = 0;
};

SolverRecord DecodeRecord(const std::vector<uint8_t>& bytes, const Block& block) {
  SolverRecord record;
  size_t p = block.begin;
  const auto code = [&] {
    int16_t value;
    std::memcpy(&value, bytes.data() + p, 2);
    p += 2;
    return value;
  };
  for (int i = 0; i < 16; ++i) {
    if (code() == 1) {
      double value;
      std::memcpy(&value, bytes.data() + p, 8);
      p += 8;
      record.constants.push_back(value);
      record.texts.emplace_back();
      continue;
    }
    const int16_t length = code();
    record.texts.emplace_back(reinterpret_cast<const char*>(bytes.data() + p), length);
    record.constants.push_back(std::nan(""));
    p += static_cast<size_t>(length + (length & 1));
  }
  record.recordWord = code();
  record.anchored = code();
  EXPECT_EQ(p, block.end);
  return record;
}

TEST_F(ShapeTest, TheSolverStreamCarriesOnlyTheSizeAndTheBodyRecord) {
  auto rectangle = Rectangle(2.0, 1.0);
  rectangle->SetFormulaProperty(kTagPosX, Constant(1.5));
  rectangle->SetFormulaProperty(kTagPosY, Constant(-2.0));
  rectangle->SetFormulaProperty(kTagVelX, Constant(4.0));
  rectangle->SetFormulaProperty(kTagMass, Constant(6.0));
  rectangle->SetFormulaProperty(kTagStaticFriction, Constant(0.25));
  TFormula spin;
  spin.SetFromPieces("1 / 2");
  rectangle->SetFormulaProperty(kTagVelRot, spin);
  rectangle->SetAnchored(-2);
  const std::vector<uint8_t> bytes = Native(*rectangle);
  const std::vector<Block> blocks = Blocks(bytes, kBlockRectangleSize, false);
  ASSERT_EQ(Codes(blocks), (std::vector<int32_t>{1203, 1200}));
  double size[2];
  std::memcpy(size, bytes.data() + blocks[0].begin, 16);
  EXPECT_EQ(size[0], 2.0);
  EXPECT_EQ(size[1], 1.0);

  const SolverRecord record = DecodeRecord(bytes, blocks[1]);
  EXPECT_EQ(record.constants[0], 1.5);
  EXPECT_EQ(record.constants[1], -2.0);
  EXPECT_EQ(record.constants[3], 4.0);
  EXPECT_EQ(record.texts[5], "1 / 2");
  EXPECT_EQ(record.constants[6], 6.0);    // mass
  EXPECT_EQ(record.constants[7], 2.5);    // moment m (w^2 + h^2) / 12
  EXPECT_EQ(record.constants[10], 0.25);  // static friction
  EXPECT_EQ(record.recordWord, 0);
  EXPECT_EQ(record.anchored, -2);

  auto circle = Circle(0.5);
  EXPECT_EQ(Codes(Blocks(Native(*circle), kBlockCircleSize, false)),
            (std::vector<int32_t>{1202, 1200}));
}

}  // namespace
}  // namespace shape_test
