// The constraint spine and the pin: attachment rules, activation and its properties, the goals a
// pin hands to the solver in block 1310 byte for byte, and the two-point quantity's correction.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "core/Handle.h"
#include "core/Failure.h"
#include "model/filing/ObjectReaderText.h"
#include "model/filing/ObjectWriter.h"

namespace {

// A two-point kind whose quantity follows the geometry.
class TFollowingConstraint : public TTwoPointConstraint {
 public:
  bool HasQuantity() const override { return true; }
  bool KeepsQuantity(double) const override { return false; }
  int16_t KindBlockCode() const override { return 5256; }
  void ForceQuantityRead() { SetQuantityRead(); }
};

std::vector<uint8_t> Bytes(TLink& object, int16_t code) {
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  object.WriteBlockContents(code, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

void Put16(std::vector<uint8_t>& out, int16_t v) {
  out.insert(out.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 2);
}
void PutConstant(std::vector<uint8_t>& out, double v) {
  Put16(out, 1);
  out.insert(out.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 8);
}

class ConstraintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterCustomConstraintClasses();
    SettleDefaultConstraintSize();
    for (int16_t i = 0; i < 3; ++i) {
      auto point = std::make_unique<TPoint>();
      point->Initialize();
      point->SetIdentifier(static_cast<int16_t>(10 + i));
      points.push_back(std::move(point));
    }
  }
  void TearDown() override {
    points.clear();
    FreeCustomConstraintGlobals();
    FreeHandlePool();
  }
  TPoint& P(int i) { return *points[static_cast<size_t>(i)]; }
  std::vector<std::unique_ptr<TPoint>> points;
};

TEST_F(ConstraintTest, AttachingKeepsOneEntryAndThePrimaryFollowsTheList) {
  TCustomConstraint c;
  c.Initialize();
  EXPECT_FALSE(c.IsAttachedTo(nullptr));
  c.AttachObject(&P(0));
  c.AttachObject(&P(1));
  c.AttachObject(&P(0));
  ASSERT_EQ(c.AttachedCount(), 2);
  EXPECT_EQ(c.GetPrimaryObject(), &P(0));
  EXPECT_EQ(c.GetOtherObject(&P(0)), &P(1));
  EXPECT_EQ(c.GetOtherObject(&P(1)), &P(0));
  EXPECT_EQ(P(0).ConstraintCount(), 1);
  // A custom constraint never goes with the objects it was attached to; the others do.
  EXPECT_FALSE(c.LosesAttachments({&P(0)}));
  TPin pin;
  pin.Initialize();
  pin.AttachObject(&P(0));
  pin.AttachObject(&P(1));
  EXPECT_TRUE(pin.LosesAttachments({&P(1)}));
  EXPECT_FALSE(pin.LosesAttachments({&P(2)}));

  c.DetachObject(&P(0));
  EXPECT_EQ(c.GetPrimaryObject(), &P(1));
  EXPECT_EQ(c.GetReferenceObject(), &P(1));
  EXPECT_EQ(P(0).ConstraintCount(), 1);  // still on the pin
  c.DetachObject(&P(1));
  EXPECT_EQ(c.GetPrimaryObject(), nullptr);
  EXPECT_EQ(c.GetReferenceObject(), nullptr);
  pin.DetachObject(&P(0));
  EXPECT_EQ(P(0).ConstraintCount(), 0);
}

TEST_F(ConstraintTest, ActivationConditionAndItsProperties) {
  TPin pin;
  pin.Initialize();
  EXPECT_EQ(pin.Activate(1), 0);
  EXPECT_TRUE(pin.IsActive());
  pin.Activate(1);
  EXPECT_TRUE(pin.IsActive());
  pin.Deactivate(1);
  pin.Deactivate(1);
  EXPECT_TRUE(pin.IsInactive());

  pin.SetShortProperty(kTagAlwaysActive, 1);
  EXPECT_TRUE(pin.IsAlwaysActive());
  EXPECT_EQ(pin.GetFormulaProperty(kTagActivation, nullptr, nullptr, nullptr, nullptr), nullptr);
  TFormula condition;
  condition.SetFromPieces("time > 1");
  pin.SetFormulaProperty(kTagActivation, condition);
  EXPECT_FALSE(pin.IsAlwaysActive());
  EXPECT_NE(pin.GetFormulaProperty(kTagActivation, nullptr, nullptr, nullptr, nullptr), nullptr);
  pin.SelectChoice(kTagActiveWhen);
  Str255 text;
  pin.Activation().GetText(text);
  EXPECT_TRUE(PStringEqualsCString(text, "false"));

  pin.ResizeGoals(4);
  EXPECT_EQ(pin.Goals().size(), 4u);
  pin.ResizeGoals(-3);
  EXPECT_TRUE(pin.Goals().empty());
}

// Block 1310 of a pin joining two points, as the solver reads it: no related object, the
// primary point's rotation, the condition, the attached points and two position goals x and y.
TEST_F(ConstraintTest, PinRecordHoldsPositionGoalsOnXAndYByteForByte) {
  TPin pin;
  pin.Initialize();
  pin.SetShortProperty(kTagAlwaysActive, 1);
  pin.AttachObject(&P(0));
  pin.AttachObject(&P(1));
  std::vector<uint8_t> expected;
  Put16(expected, -1);
  PutConstant(expected, 0.0);
  PutConstant(expected, 1.0);
  Put16(expected, 0);
  Put16(expected, -1);
  PutConstant(expected, 0.0);
  Put16(expected, 2);
  Put16(expected, 10);
  Put16(expected, 11);
  Put16(expected, 2);
  for (int16_t component : {1, 0}) {
    Put16(expected, 1);
    Put16(expected, 0);
    Put16(expected, component);
    PutConstant(expected, 0.0);
  }
  EXPECT_EQ(Bytes(pin, TCnstr::kBlockRecord), expected);
  EXPECT_EQ(pin.KindGoalCount(), 2);

  // Welded: a rotation goal comes first, a constant or "(0)" by the mode; active: no goals.
  pin.SetWeld(1);
  std::vector<uint8_t> welded = Bytes(pin, TCnstr::kBlockRecord);
  ASSERT_EQ(pin.Goals().size(), 3u);
  EXPECT_EQ(pin.Goal(1).component, 2);
  EXPECT_EQ(pin.Goal(1).type, 1);
  EXPECT_FALSE(pin.Goal(1).IsFormula());
  pin.SelectChoice(kTagPinMode);
  Bytes(pin, TCnstr::kBlockRecord);
  EXPECT_TRUE(pin.Goal(1).IsFormula());
  pin.Activate(0);
  Bytes(pin, TCnstr::kBlockRecord);
  EXPECT_TRUE(pin.Goals().empty());

  // The lock of a pin cannot be undone and is no property of it.
  pin.SelectChoice(kTagPivot);
  EXPECT_EQ(pin.IsLocked(), 1);
  uint16_t value = 0;
  EXPECT_EQ(pin.GetShortProperty(kTagLocked, value, nullptr), 0);
  EXPECT_EQ(Bytes(pin, TCnstr::kBlockActive), (std::vector<uint8_t>{1, 0}));
}

TEST_F(ConstraintTest, PinModeChoicesOnlyMeanSomethingOnAWeldingPin) {
  TPin pin;
  pin.Initialize();
  int16_t value = -1;
  pin.GetChoiceProperty(kTagPinMode, value, nullptr);
  EXPECT_EQ(value, 1);
  pin.GetChoiceProperty(kTagPinOther, value, nullptr);
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(pin.IsChoiceEnabled(kTagPinWelded));
  EXPECT_EQ(pin.GetKindNumber(), 2524);
  pin.SetWeld(1);
  EXPECT_TRUE(pin.IsChoiceEnabled(kTagPinMode));
  EXPECT_EQ(pin.GetKindNumber(), 2523);
}

TEST_F(ConstraintTest, TwoPointQuantityFollowsTheEndsWithoutOutgrowingTheFormulaLimit) {
  TFollowingConstraint c;
  c.Initialize();
  P(0).SetLocalPosition({0.0, 0.0, 0.0});
  P(1).SetLocalPosition({12.0, 0.0, 0.0});
  c.AttachObject(&P(0));
  c.AttachObject(&P(1));
  // A constant becomes the distance; a formula gets the difference appended.
  c.Quantity().SetConstant(10.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  EXPECT_EQ(c.Quantity().GetValue(), 12.0);
  EXPECT_FALSE(c.Quantity().IsFormula());

  Str255 text;
  c.Quantity().SetFromPieces("a+b");
  c.Quantity().StoreConstant(10.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  c.Quantity().GetText(text);
  EXPECT_TRUE(PStringEqualsCString(text, "(a+b)+2")) << text.Chars();

  c.Quantity().SetFromPieces("a+b");
  c.Quantity().StoreConstant(13.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  c.Quantity().GetText(text);
  EXPECT_TRUE(PStringEqualsCString(text, "(a+b)-1")) << text.Chars();

  // A text typed in centimetres gets the difference in centimetres.
  c.Quantity().SetFromPieces("a+b");
  c.Quantity().SetUnits(TFormulaUnits{0.01, 0.01, 0x1000000});
  c.Quantity().StoreConstant(10.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  c.Quantity().GetText(text);
  EXPECT_TRUE(PStringEqualsCString(text, "(a+b)+200")) << text.Chars();
  c.Quantity().ClearUnits();

  // Within 0.01 % nothing changes; a text that would pass 255 characters stays as it was.
  c.Quantity().SetConstant(12.0005);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  EXPECT_EQ(c.Quantity().GetValue(), 12.0005);
  const std::string longText(252, '1');
  c.Quantity().SetFromPieces(longText.c_str());
  c.Quantity().StoreConstant(10.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  c.Quantity().GetText(text);
  EXPECT_EQ(text.Length(), 252);

  // With a single end nothing is adjusted.
  c.DetachObject(&P(1));
  c.Quantity().SetConstant(3.0);
  c.ForceQuantityRead();
  c.AdjustQuantityToGeometry();
  EXPECT_EQ(c.Quantity().GetValue(), 3.0);
}

}  // namespace

namespace {

// The failure of reading the block's contents from a text, or 0.
int16_t TextBlockError(TLink& object, int16_t code, const std::string& text) {
  TObjectReaderKind0 reader;
  const std::span bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  reader.Init(std::make_unique<TextFilerStream>(bytes), RealWidth::k64, nullptr, nullptr, nullptr);
  try {
    object.ReadBlockContents(code, reader);
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

}  // namespace

TEST_F(ConstraintTest, DamagedCountsInATextAreTheTextReadersFailure) {
  TPin pin;
  pin.Initialize();
  EXPECT_EQ(TextBlockError(pin, TCnstr::kBlockAttached, "0 "), 0);
  EXPECT_EQ(TextBlockError(pin, TCnstr::kBlockAttached, "-1 "), kErrTextFormat);
  // The record with its goal count below zero.
  EXPECT_EQ(TextBlockError(pin, TCnstr::kBlockRecord, "-1 0 1 0 -1 0 0 -1 "), kErrTextFormat);
}
