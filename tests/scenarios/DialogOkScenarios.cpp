// A user's values reach the world however the user leaves a dialog, and going back to frame 0
// puts the bodies where they started: a value typed into Gravity... and confirmed with a click on
// OK is the saved world's gravity; after a run that was stopped at a later frame, World > Back to
// Frame 0 and Forget the Run leaves the sketched circle where it was sketched.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "bodies/Body.h"
#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "platform/win32/MenuLayout.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// The World menu, counted from resources/main/menus.rc: "Back to Frame 0 and Forget the Run"
// below Run, Stop, Reset, a separator, Step Forward, Step Back and Back to Start; "Force Fields" below 26 items and seven
// separators; "Frame Tape" below 19 items and four separators.
constexpr int kForgetRunItem = 6, kForgetRunSeparators = 1;
constexpr int kFrameTapeItem = 19, kFrameTapeSeparators = 4;
constexpr int kForceFieldsItem = 26, kForceFieldsSeparators = 7;

// The Gravity dialog's controls, in dialog units: "Uniformly, down:", its value, and OK.
struct DialogUnits {
  int x = 0, y = 0;
};
constexpr DialogUnits kLineGravity{40, 41};
constexpr DialogUnits kLineGravityValue{138, 40};
constexpr DialogUnits kOk{141, 85};

// What a saved world holds: its gravity, its recorded frames and where its circle is.
struct SavedWorld {
  std::string failure;
  int32_t gravityKind = -1;
  double lineGravity = 0.0;
  int32_t frames = -1;
  double circleX = 0.0, circleY = 0.0;
};

SavedWorld ReadSavedWorld(const std::string& path) {
  SavedWorld saved;
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  try {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    for (TLink* object : world.Objects()) {
      if (auto* gravity = dynamic_cast<TGravCnstr*>(object)) {
        saved.gravityKind = gravity->GetKind();
        saved.lineGravity = gravity->GetLineGravity();
      }
      auto* body = dynamic_cast<TMass*>(object);
      if (body != nullptr && body->GetIdentifier() != 0) {
        saved.circleX = body->GetPositionValues().x;
        saved.circleY = body->GetPositionValues().y;
      }
    }
    const TFrameStore* store = world.GetStore();
    saved.frames = store != nullptr ? store->FrameCount() : 0;
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  app.TermUnits();
  app.FreeResourceDlls();
  return saved;
}

class DialogOk : public Scenario {
 protected:
  Box At(int x, int y, int width = 0, int height = 0) const {
    const Box frame = Frame();
    return {frame.x + x, frame.y + y, width, height};
  }
  Box WorldBelowCircle() const { return At(300, 120, 180, 280); }

  // Ctrl+N: an empty new world.
  void NewWorld() {
    Me().Control("n");
    ASSERT_TRUE(Me().WaitUntil([&] {
      return Me().WindowTitled("Yarrowby - Untitled") != 0 &&
             Me().Grab(WorldBelowCircle()).Count(IsDark) == 0;
    })) << "no empty new world was shown";
    ASSERT_TRUE(Me().Idle());
  }

  // Tools > Circle dragged out in the world, and the frame tape shown.
  void SketchACircle() {
    // Tools: the selection and zoom tools (5), a separator, the rectangle, the square, the circle.
    ASSERT_TRUE(ChooseMenu(MenuTitleX("Tools"), 7, 1));
    ASSERT_TRUE(Me().Idle());
    const Box from = At(340, 150), to = At(420, 230);
    Me().FastDrag(from.x, from.y, to.x, to.y);
    ASSERT_TRUE(Me().Idle());
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
    ASSERT_GT(Me().Grab(WorldBelowCircle()).Count(IsDark), 0) << "no circle is shown";
    ASSERT_TRUE(ChooseMenu(MenuTitleX("World"), kFrameTapeItem, kFrameTapeSeparators));
    ASSERT_TRUE(Me().Idle());
  }

  // World > Force Fields > Gravity...: Line clicked, the value field clicked, its text selected
  // and the value typed, then a click on OK (no Return).
  void TypeLineGravityAndClickOk(const std::string& value) {
    const std::vector<Box> before = Me().ShownPlaces();
    ASSERT_TRUE(ChooseMenu(MenuTitleX("World"), kForceFieldsItem, kForceFieldsSeparators));
    ASSERT_TRUE(Me().Idle());
    Box submenu;
    for (const Box& place : Me().ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end() && place.x > submenu.x)
        submenu = place;
    ASSERT_FALSE(submenu.Empty()) << "the Force Fields submenu did not open";
    Me().Click(submenu.x + 20, submenu.y + 1 + kMenuItemHeight / 2);  // Gravity..., the first
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Gravity"; }))
        << "no Gravity dialog took the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    dialog_ = Me().Place(Me().WindowTitled("Gravity"));
    ClickIn(kLineGravity);
    ClickIn(kLineGravityValue);
    Me().Key("End");
    Me().Key("Home", {"Shift_L"});
    Me().Type(value);
    ClickIn(kOk);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Gravity") == 0; }))
        << "OK did not close the dialog";
    ASSERT_TRUE(Me().Idle());
  }

  // A place of the dialog given in dialog units, scaled by the size of the dialog's inside
  // (232 by 100 units below its caption) as it is placed on the screen.
  void ClickIn(DialogUnits spot) {
    constexpr int kBorder = 3, kCaption = 18;
    const double across = (dialog_.width - 2 * kBorder) / 232.0;
    const double down = (dialog_.height - kCaption - kBorder) / 100.0;
    Me().Click(dialog_.x + kBorder + static_cast<int>(std::lround(spot.x * across)),
               dialog_.y + kCaption + static_cast<int>(std::lround(spot.y * down)));
    ASSERT_TRUE(Me().Idle());
  }

  // Ctrl+R until the main window has changed a few times, then Ctrl+. to stop.
  void RunAWhile() {
    Picture shown = Me().Grab(Frame());
    Me().Control("r");
    for (int change = 0; change < 6; ++change) {
      ASSERT_TRUE(Me().WaitUntil([&] {
        Picture now = Me().Grab(Frame());
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      })) << "the run stood still after " << change << " changes";
    }
    Me().Control("period");
    ASSERT_TRUE(Me().Idle());
  }

  // Ctrl+S: the first time it asks for a name, typed into the folder the dialog offers.
  std::string Save(const std::string& name) {
    Me().Control("s");
    if (savedPath_.empty()) {
      if (!Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; })) {
        ADD_FAILURE() << "Ctrl+S did not ask where to save: " << Me().FocusedTitle();
        return "";
      }
      EXPECT_TRUE(Me().Idle());
      Me().Type(name);
      Me().Key("Return");
      if (!Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; })) {
        ADD_FAILURE() << "the title does not name " << name;
        return "";
      }
      for (const auto& entry : std::filesystem::recursive_directory_iterator(Home().Root()))
        if (entry.path().filename() == name) savedPath_ = entry.path().string();
    }
    EXPECT_TRUE(Me().Idle());
    return savedPath_;
  }

  Box dialog_;
  std::string savedPath_;
};

TEST_F(DialogOk, AGravityTypedAndConfirmedWithAClickOnOkIsSaved) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(TypeLineGravityAndClickOk("9.81"));
  const SavedWorld saved = ReadSavedWorld(Save("ok-gravity.yb"));
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.gravityKind, TGravCnstr::kLine);
  EXPECT_EQ(saved.lineGravity, 9.81);
}

TEST_F(DialogOk, BackToFrameZeroAfterAStoppedRunLeavesTheCircleWhereItWasSketched) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(SketchACircle());
  ASSERT_NO_FATAL_FAILURE(TypeLineGravityAndClickOk("9.81"));
  const SavedWorld sketched = ReadSavedWorld(Save("frame-zero.yb"));
  ASSERT_EQ(sketched.failure, "");

  ASSERT_NO_FATAL_FAILURE(RunAWhile());
  ASSERT_TRUE(ChooseMenu(MenuTitleX("World"), kForgetRunItem, kForgetRunSeparators));
  ASSERT_TRUE(Me().Idle());
  const SavedWorld forgotten = ReadSavedWorld(Save("frame-zero.yb"));
  ASSERT_EQ(forgotten.failure, "");
  EXPECT_LE(forgotten.frames, 1) << "the run was not forgotten";
  EXPECT_DOUBLE_EQ(forgotten.circleX, sketched.circleX);
  EXPECT_DOUBLE_EQ(forgotten.circleY, sketched.circleY);
}

}  // namespace
}  // namespace scenario
