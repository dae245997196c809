// The properties dialogs of bodies and springs, opened by a double click on the object in the
// world's window: what is typed, picked and dragged there is what the saved world holds.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "constraints/Springs.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// What a saved world holds of its box and spring.
struct SavedProperties {
  std::string failure;
  double density = -1.0, staticFriction = -1.0, kineticFriction = -1.0, elasticity = -1.0;
  int16_t material = -1;
  double stiffness = -1.0;
};

double ValueOf(TLink& object, uint32_t tag) {
  const TFormula* formula = object.GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr);
  return formula != nullptr ? formula->GetValue() : -1.0;
}

SavedProperties ReadProperties(const std::string& path) {
  SavedProperties saved;
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (auto* box = dynamic_cast<TMass*>(object); box != nullptr && box->GetIdentifier() == 2) {
        double lowest = 0.0;
        int32_t dimension = 0;
        uint16_t editable = 0;
        box->GetRealProperty(body_tags::kTagDensity, saved.density, lowest, dimension, editable);
        saved.staticFriction = ValueOf(*box, body_tags::kTagStaticFriction);
        saved.kineticFriction = ValueOf(*box, body_tags::kTagKineticFriction);
        saved.elasticity = ValueOf(*box, body_tags::kTagElasticity);
        uint16_t material = 0;
        box->GetShortProperty(body_tags::kTagMaterial, material, nullptr);
        saved.material = static_cast<int16_t>(material);
      } else if (auto* spring = dynamic_cast<TLSpring*>(object)) {
        saved.stiffness = ValueOf(*spring, MakeTag("a___"));
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

class BodyDialogs : public SampleScenario {
 protected:
  // A copy of the spring-and-pin sample under the name, opened in a fresh program; the box's
  // place on the screen.
  void OpenBox(const std::string& name) {
    ASSERT_TRUE(OpenCopy(name));
    box_ = OutlineOf("TRectangle");
    ASSERT_FALSE(box_.Empty()) << "the box is not shown: " << Opened().Description();
  }
  // Double-clicks at the point and waits for the dialog of the title to take the keyboard.
  void OpenDialogAt(int x, int y, const std::string& title) {
    Me().DoubleClick(x, y);
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(title) != 0; }))
        << "no " << title << ": " << testing::PrintToString(Me().Titles());
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == title; }))
        << "the dialog did not take the keyboard: " << Me().FocusedTitle();
    dialog_ = Me().Place(Me().WindowTitled(title));
  }
  // Ctrl+S, then the box's and the spring's properties as the copy was saved.
  SavedProperties SaveProperties() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadProperties(CopyPath());
  }

  Box box_;
  Box dialog_;
};

// The thumb of a slider in the picture: the one upright outline as tall as the thumb among the
// short marks of the track, found by its two sides.
std::optional<Box> ThumbIn(const Picture& picture) {
  constexpr int kThumbSide = 12;
  const auto isEdge = [](uint32_t pixel) {
    const uint32_t level = (((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF)) / 3;
    return level >= 100 && level < 180;
  };
  int left = -1, right = -1, top = picture.box.height, bottom = -1;
  for (int x = 0; x < picture.box.width; ++x) {
    std::vector<int> edges;
    for (int y = 0; y < picture.box.height; ++y) {
      if (isEdge(picture.At(x, y))) edges.push_back(y);
    }
    if (static_cast<int>(edges.size()) < kThumbSide) continue;
    if (left < 0) left = x;
    right = x;
    top = std::min(top, edges.front());
    bottom = std::max(bottom, edges.back());
  }
  if (left < 0 || right == left) return std::nullopt;
  return Box{picture.box.x + left, picture.box.y + top, right - left + 1, bottom - top + 1};
}

// Steel, the third material after Custom: its numbers as the material resource stores them.
constexpr double kSteelDensity = 7.8000001907348633;
constexpr double kSteelStaticFriction = 0.74000000953674316;
constexpr double kSteelKineticFriction = 0.56999999284744263;

// The material picked is saved with its density and frictions, and the elasticity the slider
// was dragged to.
TEST_F(BodyDialogs, AMaterialPickedAndTheElasticitySliderDraggedToItsEndAreSaved) {
  ASSERT_NO_FATAL_FAILURE(OpenBox("box-of-a-material.yb"));
  ASSERT_NO_FATAL_FAILURE(
      OpenDialogAt(box_.x + box_.width / 2, box_.y + box_.height / 4, "Body Properties"));
  // The material popup at the top of the right column: open it and go down to Steel.
  Me().Click(dialog_.x + 560, dialog_.y + 45);
  ASSERT_TRUE(Me().Idle());
  for (int i = 0; i < 3; ++i) Me().Key("Down");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  // The elasticity slider's thumb, found on the screen in the slider's row, dragged past the
  // slider's left end, where 1 is.
  const Box track{dialog_.x + 570, dialog_.y + 62, 100, 30};
  const std::optional<Box> thumb = ThumbIn(Me().Grab(track));
  ASSERT_TRUE(thumb.has_value()) << "no slider thumb is shown";
  const int thumbX = thumb->x + thumb->width / 2;
  const int thumbY = thumb->y + thumb->height / 2;
  Me().SlowDrag(thumbX, thumbY, track.x - 40, thumbY);
  ASSERT_TRUE(Me().Idle());
  Me().Click(dialog_.x + 546, dialog_.Bottom() - 25);  // OK, at the foot of the right column
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Body Properties") == 0; }))
      << "OK did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  const SavedProperties saved = SaveProperties();
  ASSERT_EQ(saved.failure, "");
  EXPECT_DOUBLE_EQ(saved.density, kSteelDensity);
  EXPECT_DOUBLE_EQ(saved.staticFriction, kSteelStaticFriction);
  EXPECT_DOUBLE_EQ(saved.kineticFriction, kSteelKineticFriction);
  EXPECT_DOUBLE_EQ(saved.elasticity, 1.0);
  // An elasticity of its own makes the body one of no material.
  EXPECT_EQ(saved.material, 0);
}

// The spring's dialog opens on the double click; keys typed straight after a click on the
// stiffness reach the stiffness, and what they give is saved.
TEST_F(BodyDialogs, AStiffnessTypedInTheSpringsOwnDialogIsSaved) {
  ASSERT_NO_FATAL_FAILURE(OpenBox("spring-of-a-new-stiffness.yb"));
  const SavedProperties before = SaveProperties();
  ASSERT_NE(before.stiffness, 42.0);
  // On the coil, between the anchor and the box, at the height of the box's middle.
  ASSERT_NO_FATAL_FAILURE(
      OpenDialogAt(box_.x - 150, box_.y + box_.height / 2, "Spring Properties"));
  Me().Click(dialog_.x + 150, dialog_.y + 77);  // the stiffness
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type("42");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Spring Properties") == 0; }))
      << "Return did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  EXPECT_DOUBLE_EQ(SaveProperties().stiffness, 42.0);
}

// A field clicked as soon as the dialog shows keeps the keys typed into it, though the shape's
// panel is built after the dialog shows.
TEST_F(BodyDialogs, AMassTypedAtOnceIntoTheClickedFieldIsSaved) {
  ASSERT_NO_FATAL_FAILURE(OpenBox("box-typed-at-once.yb"));
  Me().DoubleClick(box_.x + box_.width / 2, box_.y + box_.height / 4);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Body Properties") != 0; }))
      << "no Body Properties: " << testing::PrintToString(Me().Titles());
  const Box dialog = Me().Place(Me().WindowTitled("Body Properties"));
  Me().Click(dialog.x + 175, dialog.y + 77);  // the mass
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type("3");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Body Properties") == 0; }))
      << "Return did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.BodiesOfKind("TRectangle").size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TRectangle")[0].mass, 3.0) << saved.Description();
}

// More... closes the body's dialog and goes on to the Properties window, where every object
// can be edited.
TEST_F(BodyDialogs, MoreGoesOnToThePropertiesWindow) {
  ASSERT_NO_FATAL_FAILURE(OpenBox("box-for-more-choices.yb"));
  ASSERT_NO_FATAL_FAILURE(
      OpenDialogAt(box_.x + box_.width / 2, box_.y + box_.height / 4, "Body Properties"));
  Me().Click(dialog_.x + 60, dialog_.Bottom() - 25);  // More..., at the foot of the left column
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Body Properties") == 0; }))
      << "More... did not close the dialog";
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Properties") != 0; }))
      << "no Properties window: " << testing::PrintToString(Me().Titles());
  ASSERT_TRUE(Me().Idle());
}

}  // namespace
}  // namespace scenario
