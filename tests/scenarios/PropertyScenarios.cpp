// Editing a body's properties from the world's window: a double click on the body opens its own
// dialog, a mass typed there is what the saved world holds, and Undo takes it back.

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

class Properties : public SampleScenario {};

// The body's own dialog, opened by a double click, walks its fields with Tab from the top: the
// shape's panel, built a moment after the dialog shows, takes its place among them.
TEST_F(Properties, AMassTypedInTheBodysOwnDialogIsSavedAndUndone) {
  ASSERT_TRUE(OpenCopy("box-with-a-new-mass.yb"));
  ASSERT_EQ(Opened().BodiesOfKind("TRectangle").size(), 1u) << Opened().Description();
  const SavedBody box = Opened().BodiesOfKind("TRectangle")[0];
  const int side = Pixels(box.width);
  const Box shown = OutlineOf("TRectangle");
  ASSERT_FALSE(shown.Empty()) << "the box of " << side << " pixels is not shown";
  constexpr double kNewMass = 2.5;
  ASSERT_NE(box.mass, kNewMass);

  // Inside the box, away from the point at its middle.
  const int windows = Me().ShownWindows();
  Me().DoubleClick(shown.x + side / 4, shown.y + 3 * side / 4);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().ShownWindows() > windows; }))
      << "the double click opened no window";
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().WindowTitled("Body Properties"), 0u)
      << "the window opened is not the body's dialog: " << testing::PrintToString(Me().Titles());
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Body Properties"; }))
      << "the dialog did not take the keyboard: " << Me().FocusedTitle();

  // The name comes first; Tab goes on to the mass and selects it, Return is OK.
  Me().Key("Tab");
  Me().Type("2.5");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Body Properties") == 0; }))
      << "Return did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  const SavedWorld edited = SaveAndRead();
  ASSERT_EQ(edited.BodiesOfKind("TRectangle").size(), 1u) << edited.Description();
  EXPECT_DOUBLE_EQ(edited.BodiesOfKind("TRectangle")[0].mass, kNewMass) << edited.Description();

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  const SavedWorld undone = SaveAndRead();
  ASSERT_EQ(undone.BodiesOfKind("TRectangle").size(), 1u) << undone.Description();
  EXPECT_DOUBLE_EQ(undone.BodiesOfKind("TRectangle")[0].mass, box.mass) << undone.Description();
}

}  // namespace
}  // namespace scenario
