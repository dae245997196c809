// Finishing the gadgets that the creation commands make: a meter takes the names of the objects
// it was made for into its name and its column formulas, and a framed meter is made wide enough
// for its name; the creation commands are the classes of their family.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/NumberText.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/gadgets/GadgetTrackers.h"
#include "inout/inputs/Input.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"

namespace {

std::string TextOf(TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return text.AsCString();
}

TEST(GadgetFinishing, AMeterTakesItsTargetsNamesIntoItsNameAndFormulas) {
  TNamedLink box;
  box.SetName("Box");
  TNamedLink wheel;
  wheel.SetName("Wheel");
  TOutput meter;
  meter.Initialize();
  meter.SetName("%");
  meter.SetColumnCount(3);
  meter.Column(2)->Formula().SetFromPieces(Str255("&+1"));
  meter.Column(3)->Formula().SetFromPieces(Str255("@*2"));
  ASSERT_TRUE(meter.Column(2)->Formula().IsFormula());

  FinishGadget(meter, &box, &wheel);
  EXPECT_EQ(std::string(meter.GetName().AsCString()).rfind("Box", 0), 0u);
  EXPECT_EQ(TextOf(meter.Column(2)->Formula()), "Box+1");
  EXPECT_EQ(TextOf(meter.Column(3)->Formula()), "Wheel*2");

  // Without placeholders nothing changes.
  FinishGadget(meter, &wheel, &box);
  EXPECT_EQ(TextOf(meter.Column(2)->Formula()), "Box+1");
}

TEST(GadgetFinishing, AFramedMeterShowingItsNameIsWideEnoughForIt) {
  TOutput meter;
  meter.Initialize();
  meter.SetName("A rather long name for a narrow meter");
  meter.SetShowName(true);
  meter.SetSize(MacPoint(20, 16));
  ASSERT_TRUE(meter.IsFramed());
  const int16_t wanted = static_cast<int16_t>(meter.GetLabelWidth() + 31);
  ASSERT_LT(meter.GetFrame().right - meter.GetFrame().left, wanted);
  FinishGadget(meter, nullptr, nullptr);
  EXPECT_EQ(meter.GetFrame().right - meter.GetFrame().left, wanted);

  // A meter wider than that keeps its width.
  TOutput wide;
  wide.Initialize();
  wide.SetName("Short");
  wide.SetShowName(true);
  wide.SetSize(MacPoint(300, 16));
  const int16_t width = static_cast<int16_t>(wide.GetFrame().right - wide.GetFrame().left);
  FinishGadget(wide, nullptr, nullptr);
  EXPECT_EQ(wide.GetFrame().right - wide.GetFrame().left, width);
}

// An object that records what the input controls hand it, and takes them or not.
class TRecordingTarget : public TNamedLink, public TInputControlTarget {
 public:
  explicit TRecordingTarget(bool takes) : takes_(takes) {}
  bool AttachInputControls(int16_t command, const Str255& first, const Str255& second,
                           double& firstValue, double& secondValue, double& firstMinimum,
                           double& firstMaximum, double&, double&) override {
    command_ = command;
    first_ = first.AsCString();
    second_ = second.AsCString();
    if (!takes_) return false;
    firstValue = 5.0;
    secondValue = -2.0;
    firstMinimum = 0.0;
    firstMaximum = 1.0;
    return true;
  }
  bool takes_;
  int16_t command_ = 0;
  std::string first_;
  std::string second_;
};

std::unique_ptr<TInput> NewInput(int16_t identifier) {
  auto input = std::make_unique<TInput>();
  input->Initialize();
  input->SetIdentifier(identifier);
  input->SetMinMax(0.0, 1.0);
  input->SetValue(0.5, false, false);
  return input;
}

TEST(GadgetFinishing, InputsHandTheirFormulaNamesAndTakeValuesTheirRangesHold) {
  TRecordingTarget target(true);
  target.SetName("Spring");
  auto first = NewInput(12);
  auto second = NewInput(7);
  first->SetName("% x");
  second->SetName("% y");
  EXPECT_TRUE(FinishInputControls(5321, *first, second.get(), &target));
  EXPECT_STREQ(first->GetName().AsCString(), "Spring 1 x");
  EXPECT_STREQ(second->GetName().AsCString(), "Spring 1 y");
  EXPECT_EQ(target.command_, 5321);
  EXPECT_EQ(target.first_, "Input[12]");
  EXPECT_EQ(target.second_, "Input[7]");
  // The first was given 5 over a range of 0 to 1: the range grows to hold it.
  double minimum = 0.0;
  double maximum = 0.0;
  first->GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 0.0);
  EXPECT_EQ(maximum, 5.0);
  EXPECT_EQ(first->GetValue(), 5.0);
  second->GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, -2.0);
  EXPECT_EQ(second->GetValue(), -2.0);
}

// A slider named only after its target also names the property it drives, as its command's menu
// item calls it; an input whose name says more keeps it.
TEST(GadgetFinishing, AnInputNamedOnlyForItsTargetNamesThePropertyItDrives) {
  SetCommandMenuTextLookup([](int32_t command) {
    return command == 5321 ? std::string("&Spring constant") : std::string();
  });
  TRecordingTarget target(true);
  target.SetName("Spring");
  auto slider = NewInput(12);
  slider->SetName("%");
  auto named = NewInput(7);
  named->SetName("% y");
  FinishInputControls(5321, *slider, named.get(), &target);
  EXPECT_STREQ(slider->GetName().AsCString(), "Spring 1 spring constant");
  EXPECT_STREQ(named->GetName().AsCString(), "Spring 1 y");
  // A command no menu names leaves the target's name alone.
  auto other = NewInput(3);
  other->SetName("%");
  FinishInputControls(5322, *other, nullptr, &target);
  EXPECT_STREQ(other->GetName().AsCString(), "Spring 1");
  SetCommandMenuTextLookup({});
}

TEST(GadgetFinishing, ATargetThatRefusesLeavesTheInputsTheirOwnValues) {
  TRecordingTarget target(false);
  auto input = NewInput(3);
  EXPECT_FALSE(FinishInputControls(5200, *input, nullptr, &target));
  EXPECT_EQ(target.second_, "");
  EXPECT_EQ(input->GetValue(), 0.5);
  double minimum = 0.0;
  double maximum = 0.0;
  input->GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 0.0);
  EXPECT_EQ(maximum, 1.0);
}

TEST(GadgetTrackers, EachCommandClassBelongsToItsFamily) {
  EXPECT_TRUE(TPinGadgetTracker().IsMemberClass(TGadgetFinishTracker::kClassID));
  EXPECT_TRUE(TPinGadgetTracker().IsMemberClass(TGadgetTracker::kClassID));
  EXPECT_TRUE(TInputControlTracker().IsMemberClass(TGadgetTracker::kClassID));
  EXPECT_FALSE(TInputControlTracker().IsMemberClass(TGadgetFinishTracker::kClassID));
  EXPECT_TRUE(TGadgetFinishTracker().IsMemberClass(TCommandSub::kClassID));
}

}  // namespace
