// Finishing the gadgets that the creation commands make: a meter takes the names of the objects
// it was made for into its name and its column formulas, and a framed meter is made wide enough
// for its name; the creation commands are the classes of their family.
#include <gtest/gtest.h>

#include <string>

#include "inout/gadgets/GadgetFinishing.h"
#include "inout/gadgets/GadgetTrackers.h"
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

TEST(GadgetTrackers, EachCommandClassBelongsToItsFamily) {
  EXPECT_TRUE(TPinGadgetTracker().IsMemberClass(TGadgetFinishTracker::kClassID));
  EXPECT_TRUE(TPinGadgetTracker().IsMemberClass(TGadgetTracker::kClassID));
  EXPECT_TRUE(TInputControlTracker().IsMemberClass(TGadgetTracker::kClassID));
  EXPECT_FALSE(TInputControlTracker().IsMemberClass(TGadgetFinishTracker::kClassID));
  EXPECT_TRUE(TGadgetFinishTracker().IsMemberClass(TCommandSub::kClassID));
}

}  // namespace
