// An external table document placed from the World menu opens its properties when the button
// comes up on it, and not when a press on it is dragged away and let go elsewhere.

#include <string>

#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// An empty place of the spring-and-pin world, right of the wheel and below the spring, from the
// main window's corner.
constexpr int kTableX = 487;
constexpr int kTableY = 334;

class ExchangeChecks : public Scenario {};

TEST_F(ExchangeChecks, ATableDocumentOpensItsPropertiesOnlyOnAReleaseOverIt) {
  ASSERT_TRUE(StartOnSample("spring-and-pin.yb"));
  // World > Link to External Table...; a click places the document.
  ASSERT_TRUE(Click({"World", "Link to External Table..."}));
  ASSERT_TRUE(Me().Idle());
  const Box frame = Frame();
  const Box around{frame.x + kTableX - 60, frame.y + kTableY - 40, 120, 80};
  const Picture empty = Me().Grab(around);
  Me().Click(frame.x + kTableX, frame.y + kTableY);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  ASSERT_FALSE(ChangedBox(empty, Me().Grab(around)).Empty()) << "no table document was placed";

  // Pressed on the document, dragged off it and let go there: nothing opens.
  Me().SlowDrag(frame.x + kTableX, frame.y + kTableY - 2, frame.x + kTableX + 150, frame.y + kTableY - 2);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().WindowTitled("External Document"), 0u)
      << "the properties opened for a release away from the document";
  const std::string focused = Me().FocusedTitle();
  EXPECT_EQ(focused.rfind("Yarrowby", 0), 0u) << focused;

  // A click on it opens them.
  Me().Click(frame.x + kTableX, frame.y + kTableY - 2);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("External Document") != 0; }))
      << "a click on the table document did not open its properties";
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("External Document") == 0; }));
}

}  // namespace
}  // namespace scenario
