// A run stopped by a value too large for a number says so and names the object that holds it:
// a spring too stiff, a body too light or a body that cannot turn.

#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "model/Formula.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

struct RunStop {
  int16_t error = 0;
  std::string detail;
};

class RunOverflowTest : public SampleFixture {
 protected:
  // Runs the world a second and keeps what stopped it.
  static RunStop RunOneSecond(TWorldDoc& world) {
    FailureDetailText() = Str255();
    RunStop stop;
    try {
      world.RunToFrame(static_cast<int16_t>(1.0 / world.GetEngine()->TimeStep()), nullptr);
    } catch (const QVException& failure) {
      stop.error = failure.error();
      stop.detail = FailureDetailText().AsCString();
    }
    FailureDetailText() = Str255();
    return stop;
  }
};

// The error numbers of a value that grew too large to hold, as the alert shows them.
constexpr int16_t kErrValueNotANumber = -28701;
constexpr int16_t kErrBadModel = -28700;
constexpr int16_t kErrFormulaTooLarge = -28804;
constexpr int16_t kErrOutOfDomain = -28807;

TEST_F(RunOverflowTest, ASpringTooStiffStopsTheRunNamingTheSpring) {
  std::unique_ptr<TQVDoc> document = sample_worlds::MakeSpringAndPin();
  TWorldDoc& world = document->World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  ASSERT_NE(spring, nullptr);
  spring->SetFormulaProperty(kTagQuantity, TFormula(1e300));
  const RunStop stop = RunOneSecond(world);
  EXPECT_EQ(stop.error, kErrValueNotANumber);
  EXPECT_EQ(stop.detail, "A value of constraint " + std::to_string(sample_worlds::kSpringId) +
                             " grew too large to hold.");
}

TEST_F(RunOverflowTest, ABodyTooLightStopsTheRunNamingTheSpringItFlewOffAndItsName) {
  std::unique_ptr<TQVDoc> document = sample_worlds::MakeSpringAndPin();
  TWorldDoc& world = document->World();
  auto* box = dynamic_cast<TMass*>(world.FindObject(sample_worlds::kBoxId));
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(spring, nullptr);
  spring->SetName("Coil");
  box->SetFormulaProperty(body_tags::kTagMass, TFormula(1e-300));
  const RunStop stop = RunOneSecond(world);
  // The spring's length is the first value too large to hold: the box has flown off along it.
  EXPECT_EQ(stop.error, kErrValueNotANumber);
  EXPECT_EQ(stop.detail, "A value of constraint " + std::to_string(sample_worlds::kSpringId) +
                             " (\"Coil\") grew too large to hold.");
}

TEST_F(RunOverflowTest, AnInfiniteMomentStopsTheRunNamingTheBodyAndAZeroOneIsStillAnInvalidModel) {
  std::unique_ptr<TQVDoc> document = sample_worlds::MakeSpringAndPin();
  TWorldDoc& world = document->World();
  auto* wheel = dynamic_cast<TMass*>(world.FindObject(sample_worlds::kWheelId));
  ASSERT_NE(wheel, nullptr);
  wheel->SetFormulaProperty(body_tags::kTagMoment,
                            TFormula(std::numeric_limits<double>::infinity()));
  RunStop stop = RunOneSecond(world);
  EXPECT_EQ(stop.error, kErrValueNotANumber);
  EXPECT_EQ(stop.detail, "A value of body " + std::to_string(sample_worlds::kWheelId) +
                             " grew too large to hold.");

  // A moment of zero is no overflow: the model stays refused as before, with no detail.
  wheel->SetFormulaProperty(body_tags::kTagMoment, TFormula(0.0));
  world.ResetHistory(1);
  stop = RunOneSecond(world);
  EXPECT_EQ(stop.error, kErrBadModel);
  EXPECT_EQ(stop.detail, "");
}

// A law whose own arithmetic overflows in a world of finite values is the formula's overflow;
// a law that fails otherwise keeps its own error and names nothing.
TEST_F(RunOverflowTest, ALawTooLargeIsTheFormulasOverflowAndOtherFaultsStayTheirOwn) {
  std::unique_ptr<TQVDoc> document = sample_worlds::MakeSpringAndPin();
  TWorldDoc& world = document->World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  ASSERT_NE(spring, nullptr);
  TFormula law;
  law.SetFromPieces(Str255("1e200 * 1e200 * (time + 1)"));
  spring->SetFormulaProperty(kTagQuantity, law);
  RunStop stop = RunOneSecond(world);
  EXPECT_EQ(stop.error, kErrFormulaTooLarge);
  EXPECT_EQ(stop.detail, "A value of constraint " + std::to_string(sample_worlds::kSpringId) +
                             " grew too large to hold.");

  law.SetFromPieces(Str255("sqrt(time - 0.5)"));
  spring->SetFormulaProperty(kTagQuantity, law);
  world.ResetHistory(1);
  stop = RunOneSecond(world);
  EXPECT_EQ(stop.error, kErrOutOfDomain);
  EXPECT_EQ(stop.detail, "");
}

}  // namespace
