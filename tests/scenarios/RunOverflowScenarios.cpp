// A run the user starts on a world whose spring is far too stiff stops with an alert that says a
// value grew too large and names the spring.

#include <memory>
#include <string>

#include "constraints/Springs.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

constexpr char kStiffSpring[] = "stiff-spring.yb";

class RunOverflow : public Scenario {};

TEST_F(RunOverflow, RunningAWorldWithASpringTooStiffAlertsThatTheSpringsValueOverflowed) {
  {
    const ProgramUnits units;
    std::unique_ptr<TQVDoc> document = sample_worlds::MakeSpringAndPin();
    auto* spring =
        dynamic_cast<TLSpring*>(document->World().FindObject(sample_worlds::kSpringId));
    ASSERT_NE(spring, nullptr);
    spring->SetFormulaProperty(kTagQuantity, TFormula(1e300));
    document->WriteDocument(Home().Sample(kStiffSpring));
  }
  ASSERT_TRUE(Start(kStiffSpring));
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "the run did not stop with an alert";
  const std::string said =
      "The simulation produced a value that is not a number. A value of constraint " +
      std::to_string(sample_worlds::kSpringId) + " grew too large to hold.";
  EXPECT_TRUE(Me().WaitUntil([&] { return Program()->Output().find(said) != std::string::npos; }))
      << Program()->Output();
  Me().Key("Return");
  EXPECT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }))
      << "Return did not close the alert";
}

}  // namespace
}  // namespace scenario
