// Springs and dampers: the force laws they hand to the solver as text, the exponent's effect on
// the rest value, units, hit tests, and a spring-mass run against its closed form with and
// without damping.

#include <cmath>
#include <numbers>

#include "core/Alert.h"
#include "core/Failure.h"
#include "simulation/GeometryManager.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;

std::string LawOf(TXCnstr& c) {
  c.MarkChanged();
  c.PrepareGoals();
  Str255 text;
  c.Goal(c.GetExtraGoals() + 1).GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

template <class T>
std::unique_ptr<T> Make(int16_t identifier) {
  auto c = std::make_unique<T>();
  c->Initialize();
  c->SetIdentifier(identifier);
  return c;
}

TEST(SpringLawTest, GoalTextsFollowTheLawWithExponentRestValueAndDamping) {
  auto spring = Make<TLSpring>(3);
  spring->Quantity().SetFromPieces("K");
  spring->RestValue().SetFromPieces("L");
  EXPECT_EQ(LawOf(*spring), "-(K) * (Constraint[3].dp.x - (L))");
  EXPECT_EQ(spring->Goal(1).type, 0);
  EXPECT_EQ(spring->Goal(1).component, 0);
  spring->SpringDamping().SetFromPieces("a+b");
  // The damping coefficient is bracketed: "a+b" multiplies the velocity as a whole.
  EXPECT_EQ(LawOf(*spring), "-((K) * (Constraint[3].dp.x - (L)))-((a+b) * Constraint[3].dv.x)");
  spring->SpringDamping().SetConstant(0.0);
  spring->SetExponent(2);
  EXPECT_EQ(LawOf(*spring), "-(K) * (Constraint[3].dp.x - (L))^2");
  spring->SetExponent(-2);
  EXPECT_EQ(LawOf(*spring), "-(K) * (Constraint[3].dp.x - (L))^(-2)");

  auto rotational = Make<TRDampSpring>(4);
  rotational->Quantity().SetFromPieces("K");
  rotational->RestValue().SetFromPieces("L");
  rotational->SetFormulaProperty(kTagDamping, TFormula(0.5));
  EXPECT_EQ(LawOf(*rotational), "-((K) * (Constraint[4].dp.r - (L)))-((0.5) * Constraint[4].dv.r)");
  EXPECT_EQ(rotational->Goal(1).component, 2);

  auto both = Make<TLDampSpring>(5);
  both->Quantity().SetFromPieces("K");
  both->RestValue().SetFromPieces("L");
  both->SetFormulaProperty(kTagDamping, TFormula(2.0));
  EXPECT_EQ(LawOf(*both), "-(K) * (Constraint[5].dp.x - (L))-(2) * Constraint[5].dv.x");

  auto damper = Make<TLDamper>(6);
  damper->Quantity().SetFromPieces("K");
  damper->SetExponent(2);
  EXPECT_EQ(LawOf(*damper), "-(K) * Constraint[6].dv.x^2");
  auto rdamper = Make<TRDamper>(7);
  rdamper->Quantity().SetFromPieces("K");
  rdamper->SetExponent(-1);
  EXPECT_EQ(LawOf(*rdamper), "-(K) * Constraint[7].dv.r^(-1)");

  // A law past the formula limit (formulas set past the entry's check, as a foreign document may
  // hold them) is refused rather than cut, naming the constraint and the limit.
  spring->Quantity().SetFromPieces(std::string(200, '1').c_str());
  spring->RestValue().SetFromPieces(std::string(100, '2').c_str());
  FailureDetailText() = Str255();
  EXPECT_THROW(LawOf(*spring), QVException);
  const std::string detail(FailureDetailText().Chars(),
                           static_cast<size_t>(FailureDetailText().Length()));
  EXPECT_NE(detail.find("constraint 3"), std::string::npos) << detail;
  EXPECT_NE(detail.find("255"), std::string::npos) << detail;
  FailureDetailText() = Str255();
}

TEST(SpringLawTest, ExponentChangesResetAConstantRestValueOnly) {
  TPoint a, b;
  a.Initialize();
  b.Initialize();
  a.SetLocalPosition({0.0, 0.0, 0.0});
  b.SetLocalPosition({3.0, 4.0, 0.0});
  auto spring = Make<TLSpring>(1);
  spring->AttachObject(&a);
  spring->AttachObject(&b);
  spring->RestValue().SetConstant(2.0);
  spring->SetShortProperty(kTagExponent, 2);
  EXPECT_EQ(spring->RestValue().GetValue(), 2.0);
  spring->SetShortProperty(kTagExponent, static_cast<uint16_t>(-1));
  EXPECT_EQ(spring->RestValue().GetValue(), 0.0);
  uint16_t flag = 1;
  spring->GetFormulaProperty(kTagRestValue, nullptr, nullptr, nullptr, &flag);
  EXPECT_EQ(flag, 0);
  spring->SetFormulaProperty(kTagRestValue, TFormula(7.0));
  EXPECT_EQ(spring->RestValue().GetValue(), 0.0);
  spring->SetShortProperty(kTagExponent, 1);
  EXPECT_EQ(spring->RestValue().GetValue(), 5.0);
  spring->RestValue().SetFromPieces("2*time");
  spring->SetShortProperty(kTagExponent, static_cast<uint16_t>(-1));
  EXPECT_TRUE(spring->RestValue().IsFormula());
  spring->DetachObject(&b);
  spring->DetachObject(&a);
}

TEST(SpringLawTest, UnitsAndHitTests) {
  auto spring = Make<TLSpring>(1);
  EXPECT_EQ(spring->QuantityUnit(), static_cast<int32_t>(DimensionProduct(kUnitForce, DimensionPower(kUnitLength, -1))));
  int32_t unit = 0;
  spring->GetFormulaProperty(kTagDamping, nullptr, nullptr, &unit, nullptr);
  EXPECT_EQ(unit, static_cast<int32_t>(kUnitMassPerTime));
  auto rotational = Make<TRSpring>(2);
  rotational->GetFormulaProperty(kTagRestValue, nullptr, nullptr, &unit, nullptr);
  EXPECT_EQ(unit, static_cast<int32_t>(kUnitAngle));
  rotational->GetFormulaProperty(kTagDamping, nullptr, nullptr, &unit, nullptr);
  EXPECT_EQ(unit, static_cast<int32_t>(DimensionQuotient(kUnitTorque, kUnitAngularVelocity)));

  auto both = Make<TLDampSpring>(3);
  EXPECT_TRUE(both->HitsShape(0.5, 1.2));
  EXPECT_FALSE(spring->HitsShape(0.5, 1.2));
  EXPECT_TRUE(spring->HitsShape(1.0 / 6.0, 1.1));
  EXPECT_FALSE(spring->HitsShape(0.16, 0.0));
  auto damper = Make<TLDamper>(4);
  EXPECT_TRUE(damper->HitsShape(0.43, -1.1));
  EXPECT_FALSE(damper->HitsShape(0.64, 0.0));
}

// A 1 kg box on a spring of k = 100 N/m and rest length 1 m from a point of the background,
// let go 0.5 m stretched: x(t) = 1 + 0.5 cos(10 t); with c = 2 N s/m it decays as e^(-t). The
// spring's constant and rest length may be formulas that name the box and a mark by name.
class SpringRunTest : public ConstraintRunTest {
 protected:
  void RegisterClasses() override {
    ConstraintRunTest::RegisterClasses();
    RegisterGeometryManager();
  }
  void FreeClasses() override {
    FreeGeometryManager();
    ConstraintRunTest::FreeClasses();
  }
  static TFormula Named(const char* text) {
    TFormula formula;
    formula.SetFromPieces(text);
    return formula;
  }

  void RunSpring(bool damped, bool named = false) {
    {
      TQVDoc document;
      TWorldDoc& world = document.World();
      Add<TEngine>(world, 1);
      TZeroMass& background = Add<TZeroMass>(world, 0);
      TRectangle& box = Add<TRectangle>(world, 2);
      box.SetNumberProperty(kTagWidth, 0.1);
      box.SetNumberProperty(kTagHeight, 0.1);
      box.SetMass(1.0);
      box.SetFormulaProperty(kTagPosX, TFormula(1.5));
      box.SetFormulaProperty(kTagPosY, TFormula(0.0));
      TPoint& fixed = Add<TPoint>(world, 3);
      fixed.AttachToBody(&background);
      fixed.SetLocalPosition({0.0, 0.0, 0.0});
      TPoint& end = Add<TPoint>(world, 4);
      end.AttachToBody(&box);
      end.SetLocalPosition({0.0, 0.0, 0.0});
      TXCnstr* spring = nullptr;
      if (damped) {
        TLDampSpring& s = Add<TLDampSpring>(world, 5);
        s.SetFormulaProperty(kTagDamping, TFormula(2.0));
        spring = &s;
      } else {
        spring = &Add<TLSpring>(world, 5);
      }
      spring->SetShortProperty(kTagAlwaysActive, 1);
      spring->AttachObject(&fixed);
      spring->AttachObject(&end);
      if (named) {
        box.SetName("Box");
        TPoint& mark = Add<TPoint>(world, 6);
        mark.SetName("Mark");
        mark.AttachToBody(&background);
        mark.SetLocalPosition({1.0, 5.0, 0.0});
        spring->SetFormulaProperty(kTagQuantity, Named("100 * Box.mass"));
        spring->SetFormulaProperty(kTagRestValue, Named("mark.p.x"));
      } else {
        spring->SetFormulaProperty(kTagQuantity, TFormula(100.0));
        spring->SetFormulaProperty(kTagRestValue, TFormula(1.0));
      }
      document.WriteDocument(path.string());
    }
    TQVDoc document;
    document.ReadDocument(path.string());
    TWorldDoc& world = document.World();
    auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
    auto* spring = dynamic_cast<TXCnstr*>(world.FindObject(5));
    ASSERT_NE(box, nullptr);
    ASSERT_NE(spring, nullptr);
    if (!named) {
      EXPECT_EQ(spring->Quantity().GetValue(), 100.0);
    }
    const double step = world.GetEngine()->TimeStep();
    constexpr int16_t kFrames = 60;
    world.RunToFrame(kFrames, nullptr);
    ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
    const double wd = damped ? std::sqrt(99.0) : 10.0;
    for (int16_t frame = 0; frame <= kFrames; ++frame) {
      world.ShowFrame(frame, 1);
      const double t = frame * step;
      const double expected = damped
          ? 1.0 + 0.5 * std::exp(-t) * (std::cos(wd * t) + std::sin(wd * t) / wd)
          : 1.0 + 0.5 * std::cos(wd * t);
      // Period, amplitude and decrement good to 1e-8: the swing of 0.5 m is off by no more than
      // 1e-8 of itself for each radian of phase it has run through.
      EXPECT_NEAR(box->PositionX()->GetValue(), expected, 1e-8 * 0.5 * (1.0 + wd * t)) << frame;
    }
  }
};

TEST_F(SpringRunTest, ASpringMassOscillatesAtItsNaturalFrequency) { RunSpring(false); }
TEST_F(SpringRunTest, ADampedSpringMassDecaysAtItsDecrement) { RunSpring(true); }
TEST_F(SpringRunTest, ASpringWhoseFormulasNameTheBoxAndAMarkOscillatesAlike) {
  RunSpring(false, true);
}

}  // namespace

namespace {

// A formula text of exactly n characters: "1+1+...", or "11+1+..." for an even n.
TFormula FormulaOfLength(size_t n) {
  std::string text = n % 2 == 1 ? "1" : "11";
  while (text.size() < n)
    text += "+1";
  TFormula formula;
  formula.SetFromPieces(text.c_str());
  return formula;
}

int16_t ErrorSetting(TLink& object, uint32_t tag, const TFormula& formula) {
  try {
    object.SetFormulaProperty(tag, formula);
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

// The longest formula the property takes now, entered; 0 when it takes none.
size_t FillToLimit(TLink& object, uint32_t tag) {
  for (size_t n = Str255::kCapacity; n > 0; --n) {
    if (ErrorSetting(object, tag, FormulaOfLength(n)) == 0) return n;
  }
  return 0;
}

TEST(SpringLawTest, AValueThatWouldMakeTheLawTooLongIsRefusedWhereItIsEntered) {
  auto spring = Make<TLSpring>(3);
  ASSERT_EQ(ErrorSetting(*spring, kTagQuantity, FormulaOfLength(141)), 0);
  FailureDetailText() = Str255();
  EXPECT_EQ(ErrorSetting(*spring, kTagRestValue, FormulaOfLength(121)), -28811);
  const std::string detail(FailureDetailText().Chars(),
                           static_cast<size_t>(FailureDetailText().Length()));
  EXPECT_NE(detail.find("255"), std::string::npos) << detail;
  FailureDetailText() = Str255();
  // The refused value is not kept: the rest length is what it was, and the law still fits.
  EXPECT_FALSE(spring->RestValue().IsFormula());
  EXPECT_LE(LawOf(*spring).size(), 255u);
  EXPECT_EQ(ErrorSetting(*spring, kTagRestValue, FormulaOfLength(21)), 0);
}

class SpringLimitTest : public ConstraintRunTest {};

// Every formula of every kind filled to the longest it takes, under the exponent and identifier
// that make the law longest: the world still saves, and opens with the same laws.
TEST_F(SpringLimitTest, KindsFilledToTheirLimitsStillSave) {
  struct Kind {
    int16_t identifier;
    std::vector<uint32_t> tags;
  };
  const std::vector<Kind> kinds = {
      {32767, {kTagQuantity, kTagRestValue, kTagDamping}},
      {32766, {kTagRestValue, kTagDamping, kTagQuantity}},
      {32765, {kTagDamping, kTagQuantity, kTagRestValue}},
      {32764, {kTagQuantity, kTagDamping, kTagRestValue}},
      {32763, {kTagQuantity}},
      {32762, {kTagQuantity}},
  };
  std::vector<std::string> laws;
  const auto document = SaveAndReopen([&](TWorldDoc& world) {
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TPoint& a = AddPoint(world, 1, background, 0.0, 0.0);
    TPoint& b = AddPoint(world, 2, background, 1.0, 0.0);
    std::vector<TXCnstr*> made = {&Add<TLSpring>(world, kinds[0].identifier),
                                  &Add<TRSpring>(world, kinds[1].identifier),
                                  &Add<TLDampSpring>(world, kinds[2].identifier),
                                  &Add<TRDampSpring>(world, kinds[3].identifier),
                                  &Add<TLDamper>(world, kinds[4].identifier),
                                  &Add<TRDamper>(world, kinds[5].identifier)};
    for (size_t k = 0; k < made.size(); ++k) {
      TXCnstr& c = *made[k];
      c.AttachObject(&a);
      c.AttachObject(&b);
      // The pieces share the law's room: the first takes the most it can, the others what is
      // left.
      EXPECT_GT(FillToLimit(c, kinds[k].tags[0]), 100u) << k;
      for (size_t t = 1; t < kinds[k].tags.size(); ++t)
        FillToLimit(c, kinds[k].tags[t]);
      // Every exponent keeps the law within its limit.
      for (int16_t e : {int16_t{-32768}, int16_t{0}, int16_t{2}}) {
        c.SetShortProperty(kTagExponent, static_cast<uint16_t>(e));
        EXPECT_LE(LawOf(c).size(), TXCnstr::kLawTextLimit) << k << " " << e;
      }
      c.SetShortProperty(kTagExponent, static_cast<uint16_t>(int16_t{-32768}));
      laws.push_back(LawOf(c));
    }
  });
  for (size_t k = 0; k < kinds.size(); ++k) {
    auto* c = dynamic_cast<TXCnstr*>(document->World().FindObject(kinds[k].identifier));
    ASSERT_NE(c, nullptr) << k;
    EXPECT_EQ(LawOf(*c), laws[k]) << k;
  }
}

}  // namespace

namespace {

// Screen hits: the ends belong to the attached objects, the line is hit within 5 pixels, and a
// spring's coil is hit across its drawn width (12 pixels a size).
TEST(ConstraintHitTest, SegmentsEndsAndDrawnShapes) {
  SetDefaultConstraintSize(12.0);
  auto spring = Make<TLSpring>(1);
  const MacPoint a(0, 0), b(100, 0);
  EXPECT_FALSE(spring->HitsSegment(a, b, MacPoint(2, 0), false));
  EXPECT_FALSE(spring->HitsSegment(a, b, MacPoint(98, 1), true));
  EXPECT_TRUE(spring->HitsSegment(a, b, MacPoint(50, 4), false));
  EXPECT_FALSE(spring->HitsSegment(a, b, MacPoint(50, 10), false));
  EXPECT_TRUE(spring->HitsSegment(a, b, MacPoint(50, 10), true));
  EXPECT_FALSE(spring->HitsSegment(a, b, MacPoint(50, 14), true));
  EXPECT_FALSE(spring->HitsSegment(a, b, MacPoint(10, 10), true));
  EXPECT_TRUE(TConstraint::HitTestLine(MacPoint(30, 33), MacPoint(100, 100)));
  EXPECT_FALSE(TConstraint::HitTestLine(MacPoint(30, 40), MacPoint(100, 100)));
  EXPECT_TRUE(TConstraint::HitTestLine(MacPoint(5, 90), MacPoint(0, 100)));
}

}  // namespace
