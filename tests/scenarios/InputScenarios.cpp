// Sliders made from the Input menu of a selected body or point: the slider shows at the top left
// of the world's view as soon as it is made, and once its thumb is dragged the object takes the
// slider's value (it redraws), keeps it in the saved document as a formula of the slider, and
// Edit > Undo gives the old value back.

#include <string>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "inout/inputs/Input.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

// Where the spring-and-pin sample shows the points at the world's origin (the spring's anchor and
// the wheel's pin), and how many pixels a metre is.
constexpr int kAnchorX = 236;
constexpr int kAnchorY = 130;
constexpr int kPixelsPerMetre = 297;
// How far below the origin, in pixels, a point of the world's background stands clear of all.
constexpr int kBelowAnchor = 60;
// The room at the top left of the world's view where new sliders go.
constexpr int kGadgetsX = 60;
constexpr int kGadgetsY = 95;
// How long a slider's thumb is along its track.
constexpr int kThumbLength = 18;

// A formula and the value of the slider it names, as a saved document keeps them.
struct SavedDriven {
  std::string failure;
  std::string formula;
  bool sliderFound = false;
  double sliderValue = 0.0;
};

// Reads the document and, among the objects of class T (only the one of the identifier, when
// it is not 0), the formula that `formulaOf` picks and that names a slider of the world; without
// one, the picked formula of the last object looked at.
template <class T, class Pick>
SavedDriven ReadDriven(const std::string& path, int16_t identifier, Pick formulaOf) {
  SavedDriven saved;
  saved.failure = "no such object in the saved world";
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  for (TLink* candidate : world.Objects()) {
    auto* object = dynamic_cast<T*>(candidate);
    if (object == nullptr || (identifier != 0 && object->GetIdentifier() != identifier)) continue;
    saved.failure.clear();
    Str255 text;
    formulaOf(*object)->GetText(text);
    saved.formula = text.AsCString();
    saved.sliderFound = NamesSlider(world, *formulaOf(*object), saved.sliderValue);
    if (saved.sliderFound) return saved;
  }
  return saved;
}

class Inputs : public Scenario {
 protected:
  // The room at the top left of the world's view where new sliders go, `width` pixels wide.
  Box GadgetArea(int width) const {
    const Box frame = Frame();
    return {frame.x + kGadgetsX, frame.y + kGadgetsY, width, 50};
  }
  // Chooses the item of the selected object's Input menu (the menu resource the program shows
  // for it) and answers the box of the slider that appeared in the area, which showed `empty`
  // before the object was selected.
  Box MakeSlider(const Picture& empty, const std::string& item, const std::string& inputMenu) {
    Me().MoveTo(0, 0);
    EXPECT_TRUE(Me().Idle());
    EXPECT_TRUE(Choose({"Input", item}, {.objectMenu = inputMenu}));
    EXPECT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
    return SliderTrack(empty, Me().Grab(empty.box));
  }
  // Drags the slider's thumb from one end of its track to the other.
  void DragThumb(const Box& slider, bool fromRight) {
    const int y = slider.y + slider.height / 2;
    const int right = slider.Right() - 1 - kThumbLength / 2;
    const int left = slider.x + kThumbLength / 2;
    if (fromRight)
      Me().SlowDrag(right, y, slider.x - 20, y);
    else
      Me().SlowDrag(left, y, slider.Right() + 20, y);
    EXPECT_TRUE(Me().Idle());
  }
};

// The bob of the pendulum, selected, gets a slider on its radius; dragging the thumb to the
// large end grows the bob at once, the saved radius reads the slider, and undo brings the bob's
// size back. (The range starts at the view's grid step, which the fitted bob's radius is below.)
TEST_F(Inputs, ARadiusSliderResizesTheBobAndUndoRestoresIt) {
  ASSERT_TRUE(StartOnSample(sample_worlds::pendulum::kFile));
  const Box frame = Frame();
  // The bob hangs lowest in the world's view, which the scroll bars and palettes leave out.
  const Box world{frame.x + 58, frame.y + 80, frame.width - 106, frame.height - 150};
  const Box bob = HangingCircle(Me().Grab(world));
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  const int radius = bob.width / 2;
  const int centreX = bob.x + radius;
  const int centreY = bob.y + radius;
  // The outline of the bob where it is farthest left.
  const Box outline{bob.x - 3, centreY - 6, 7, 12};
  const auto outlineShown = [&] { return Me().Grab(outline).Count(IsDark) > 0; };
  ASSERT_TRUE(outlineShown()) << "the bob is not where it was found";
  // Clear of the bob's outline and its rod.
  const Picture empty = Me().Grab(GadgetArea(240));

  // Inside the bob, clear of its rod, its centre and its radius line.
  Me().Click(centreX + radius / 3, centreY + radius / 2);
  ASSERT_TRUE(Me().Idle());
  const Box slider = MakeSlider(empty, "Radius", "InCircleMenu");
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  ASSERT_GE(slider.height, 8) << "no slider appeared at the top left of the world";

  // The slider starts at the bob's radius, the bottom of its range.
  DragThumb(slider, false);
  EXPECT_FALSE(outlineShown()) << "the bob kept its size";

  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedDriven saved = ReadDriven<TOval>(
      Home().Sample(sample_worlds::pendulum::kFile), sample_worlds::pendulum::kBobId,
      [](TOval& bob) { return bob.RadiusFormula(); });
  ASSERT_EQ(saved.failure, "");
  EXPECT_TRUE(saved.sliderFound) << "the radius reads no slider: " << saved.formula;
  EXPECT_GT(saved.sliderValue, 0.1);

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(outlineShown()) << "undo left the bob large";
}

// A point put on the background below the world's origin with the Point tool gets a slider on
// its x position; dragging the thumb to the far end moves the point a metre to the right. (At
// the origin itself the wheel's pin stands over the points and takes the click.)
TEST_F(Inputs, AnXPositionSliderMovesThePoint) {
  ASSERT_TRUE(StartOnSample("spring-and-pin.yb"));
  const Box frame = Frame();
  const int pointY = kAnchorY + kBelowAnchor;
  const Box moved{frame.x + kAnchorX + kPixelsPerMetre - 8, frame.y + pointY - 8, 16, 16};
  const Picture before = Me().Grab(moved);
  // Clear of the anchor's mark.
  const Picture empty = Me().Grab(GadgetArea(kAnchorX - 10 - kGadgetsX));

  // Tools > Point, clicked below the origin; then Tools > Select, and a click selects the new
  // point.
  ASSERT_TRUE(Choose({"Tools", "Point"}));
  Me().Click(frame.x + kAnchorX, frame.y + pointY);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Tools", "Select"}));
  Me().Click(frame.x + kAnchorX, frame.y + pointY);
  ASSERT_TRUE(Me().Idle());
  const Box slider = MakeSlider(empty, "x position", "InPointMenu");
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";

  // The point stands at x = 0, the bottom of the slider's range of 0 to 1 metre.
  DragThumb(slider, false);
  EXPECT_GT(Me().Grab(moved).Differences(before), 4) << "the point did not move";

  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedDriven saved =
      ReadDriven<TPoint>(Home().Sample("spring-and-pin.yb"), 0,
                         [](TPoint& point) { return point.LocalX(); });
  ASSERT_EQ(saved.failure, "");
  EXPECT_TRUE(saved.sliderFound) << "the point's x reads no slider: " << saved.formula;
  EXPECT_DOUBLE_EQ(saved.sliderValue, 1.0);
}

}  // namespace
}  // namespace scenario
