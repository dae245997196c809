// The force fields of a new world, from World > Force Fields: a circle sketched in a new world
// stays where it is when the world runs; once Gravity... is set to a uniform 9.81 it falls, on
// the screen and in the frames of the saved world; set back to none, it stays again. World > New
// Custom Constraint holds the circle where the formula typed for its goal puts it.
//
// A user's values reach the world however the user leaves the dialog, and going back to frame 0
// puts the bodies where they started (group DialogOk): a value typed into Gravity... and
// confirmed with a click on OK is the saved world's gravity; after a run stopped at a later
// frame, World > Back to Frame 0 and Forget the Run leaves the sketched circle where it was.

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// The Gravity dialog's controls, in dialog units: "Not at all", "Uniformly, down:", its value,
// and OK.
struct DialogUnits {
  int x = 0, y = 0;
};
constexpr DialogUnits kNoGravity{40, 25};
constexpr DialogUnits kLineGravity{40, 41};
constexpr DialogUnits kLineGravityValue{138, 40};
constexpr DialogUnits kOk{141, 85};
constexpr DialogUnits kCancel{197, 85};

// What a saved world holds: its gravity, its recorded frames, and its circle (the body that is
// not the background) where the world shows it and at the first and the last frame (metres, y
// up).
struct SavedField {
  std::string failure;
  int32_t gravityKind = -1;
  double lineGravity = 0.0;
  int32_t frames = 0;
  bool hasCircle = false;
  double circleX = 0.0, circleY = 0.0;
  double firstY = 0.0, lastY = 0.0;
  int circleId = -1;
  double lastX = 0.0;
  // The custom constraints, and the text of the first one's first goal.
  int customConstraints = 0;
  std::string firstGoal;
};

SavedField ReadSavedField(const std::string& path) {
  SavedField saved;
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    TMass* circle = nullptr;
    for (TLink* object : world.Objects()) {
      if (auto* gravity = dynamic_cast<TGravCnstr*>(object)) {
        saved.gravityKind = gravity->GetKind();
        saved.lineGravity = gravity->GetLineGravity();
      }
      if (auto* custom = dynamic_cast<TCustomConstraint*>(object)) {
        if (++saved.customConstraints == 1 && !custom->Goals().empty())
          saved.firstGoal = custom->Goals()[0]->InternalText();
      }
      auto* body = dynamic_cast<TMass*>(object);
      if (body != nullptr && body->GetIdentifier() != 0) circle = body;
    }
    const TFrameStore* store = world.GetStore();
    saved.frames = store != nullptr ? store->FrameCount() : 0;
    if (circle != nullptr) {
      saved.hasCircle = true;
      saved.circleId = circle->GetIdentifier();
      saved.circleX = circle->GetPositionValues().x;
      saved.circleY = circle->GetPositionValues().y;
      if (store != nullptr) {
        world.ShowFrame(0, 0);
        saved.firstY = circle->GetPositionValues().y;
        world.ShowFrame(static_cast<int16_t>(store->LastFrame()), 0);
        saved.lastY = circle->GetPositionValues().y;
        saved.lastX = circle->GetPositionValues().x;
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

// The mean row of the dark pixels of a picture; NaN when there are none.
double MeanDarkRow(const Picture& picture) {
  double sum = 0.0;
  int count = 0;
  for (int y = 0; y < picture.box.height; ++y)
    for (int x = 0; x < picture.box.width; ++x)
      if (IsDark(picture.At(x, y))) {
        sum += y;
        ++count;
      }
  return count > 0 ? sum / count : std::nan("");
}

class Fields : public Scenario {
 protected:
  Box At(int x, int y, int width = 0, int height = 0) const {
    const Box frame = Frame();
    return {frame.x + x, frame.y + y, width, height};
  }
  // The circle and the room below it, away from the tape and the coordinates bar.
  Box WorldBelowCircle() const { return At(300, 120, 180, 280); }

  // Ctrl+N: an empty new world.
  void NewWorld() {
    Me().Control("n");
    ASSERT_TRUE(Me().WaitUntil([&] {
      return Me().UntitledWorldWindow() != 0 &&
             Me().Grab(WorldBelowCircle()).Count(IsDark) == 0;
    })) << "no empty new world was shown";
    ASSERT_TRUE(Me().Idle());
  }

  // A circle dragged out with Tools > Circle in the world, and the world's tape shown.
  void SketchACircle() {
    ASSERT_TRUE(Click({"Tools", "Circle"}));
    ASSERT_TRUE(Me().Idle());
    const Box from = At(340, 150), to = At(420, 230);
    Me().FastDrag(from.x, from.y, to.x, to.y);
    ASSERT_TRUE(Me().Idle());
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
    ASSERT_FALSE(std::isnan(MeanDarkRow(Me().Grab(WorldBelowCircle())))) << "no circle is shown";
    // The tape below the world counts the frames of a run, also while nothing moves.
    ASSERT_TRUE(Click({"World", "Frame Tape"}));
    ASSERT_TRUE(Me().Idle());
  }

  // Ctrl+R, until the main window has changed a few times (the tape's frames move on, and the
  // circle when it falls; a running world never answers that it is idle) and then until
  // `enough` holds, which must go on holding as the run goes on; then Ctrl+. to stop.
  void RunAWhile(const std::function<bool()>& enough = [] { return true; }) {
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
    const bool reached = Me().WaitUntil(enough);
    Me().Control("period");
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(reached) << "the run never showed what it was waited for";
  }

  // Ctrl+T back to the start, then World > Back to Frame 0 and Forget the Run.
  void ForgetTheRun() {
    Me().Control("t");
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Click({"World", "Back to Frame 0 and Forget the Run"}));
    ASSERT_TRUE(Me().Idle());
  }

  // World > Force Fields > Gravity..., the choice clicked, then a value typed (when there is
  // one) and confirmed with Return or with a click on OK.
  enum class Confirm { kReturn, kClickOk };
  void SetGravity(DialogUnits choice, const std::string& value, Confirm confirm = Confirm::kReturn) {
    ASSERT_TRUE(Click({"World", "Force Fields", "Gravity..."}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Gravity"; }))
        << "no Gravity dialog took the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    dialog_ = Me().Place(Me().WindowTitled("Gravity"));
    ClickIn(choice);
    if (!value.empty()) {
      ClickIn(kLineGravityValue);
      Me().Key("End");
      Me().Key("Home", {"Shift_L"});
      Me().Type(value);
    }
    if (!value.empty() && confirm == Confirm::kReturn) {
      Me().Key("Return");
    } else {
      ClickIn(kOk);
    }
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Gravity") == 0; }))
        << "OK did not close the dialog";
    ASSERT_TRUE(Me().Idle());
  }

  // Gravity... opened with "Uniformly, down:" chosen, a formula typed as its value and OK
  // clicked: the alert that refuses it is answered with Return, and the dialog stays open.
  void RefuseAFormulaForGravity() {
    ASSERT_TRUE(Click({"World", "Force Fields", "Gravity..."}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Gravity"; }))
        << "no Gravity dialog took the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    dialog_ = Me().Place(Me().WindowTitled("Gravity"));
    ClickIn(kLineGravity);
    ClickIn(kLineGravityValue);
    Me().Key("End");
    Me().Key("Home", {"Shift_L"});
    TypeFormula("1-");
    ClickIn(kOk);
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
        << "the formula was not refused: " << Me().FocusedTitle();
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Gravity"; }))
        << "the dialog did not stay open: " << Me().FocusedTitle();
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

  // Types a formula: Type spells letters and digits, the rest go by their key names.
  void TypeFormula(const std::string& text) {
    static const std::map<char, const char*> kNames = {{'[', "bracketleft"},
                                                       {']', "bracketright"},
                                                       {'.', "period"},
                                                       {'-', "minus"},
                                                       {' ', "space"}};
    for (const char c : text) {
      const auto named = kNames.find(c);
      if (named != kNames.end())
        Me().Key(named->second);
      else
        Me().Type(std::string(1, c));
    }
  }

  // World > New Custom Constraint, its first goal's formula typed in the Properties window and
  // left with Tab (past the object list and the name).
  void MakeCustomConstraint(const std::string& goal) {
    ASSERT_TRUE(Click({"World", "New Custom Constraint"}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Properties"; }))
        << "the Properties window did not come up: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    Me().Key("Tab");
    Me().Key("Tab");
    TypeFormula(goal);
    Me().Key("Tab");
  }

  // Ctrl+S: the first time the new world is saved it asks for a name, typed into the folder
  // that the dialog offers.
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

TEST_F(Fields, GravityFromItsDialogMakesANewWorldsCircleFallAndNoneKeepsItStill) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(SketchACircle());
  const Box world = WorldBelowCircle();
  const double still = MeanDarkRow(Me().Grab(world));

  // Without gravity the circle stays.
  ASSERT_NO_FATAL_FAILURE(RunAWhile());
  EXPECT_NEAR(MeanDarkRow(Me().Grab(world)), still, 0.5) << "the circle moved without gravity";
  SavedField run = ReadSavedField(Save("field-gravity.yb"));
  ASSERT_EQ(run.failure, "");
  EXPECT_GT(run.frames, 1);
  EXPECT_DOUBLE_EQ(run.lastY, run.firstY);

  // Uniform gravity of 9.81: it falls, on the screen however fast the run goes (out of the
  // picture, too) and in the saved frames.
  ASSERT_NO_FATAL_FAILURE(ForgetTheRun());
  ASSERT_NO_FATAL_FAILURE(SetGravity(kLineGravity, "9.81"));
  const auto fell = [&] {
    const double row = MeanDarkRow(Me().Grab(world));
    return std::isnan(row) || row > still + 10.0;
  };
  ASSERT_NO_FATAL_FAILURE(RunAWhile(fell));
  const double fallen = MeanDarkRow(Me().Grab(world));
  EXPECT_TRUE(std::isnan(fallen) || fallen > still + 10.0) << "the circle did not fall";
  run = ReadSavedField(Save("field-gravity.yb"));
  ASSERT_EQ(run.failure, "");
  ASSERT_GT(run.frames, 1);
  EXPECT_LT(run.lastY, run.firstY) << "the saved frames do not show the circle falling";

  // Gravity none: it stays again.
  ASSERT_NO_FATAL_FAILURE(ForgetTheRun());
  EXPECT_NEAR(MeanDarkRow(Me().Grab(world)), still, 0.5) << "frame 0 shows the circle elsewhere";
  ASSERT_NO_FATAL_FAILURE(SetGravity(kNoGravity, ""));
  ASSERT_NO_FATAL_FAILURE(RunAWhile());
  EXPECT_NEAR(MeanDarkRow(Me().Grab(world)), still, 0.5) << "the circle moved without gravity";
  run = ReadSavedField(Save("field-gravity.yb"));
  ASSERT_EQ(run.failure, "");
  EXPECT_GT(run.frames, 1);
  EXPECT_DOUBLE_EQ(run.lastY, run.firstY);
}

// World > New Custom Constraint puts one into the world and shows it in the Properties window,
// where the formula typed for its first goal (a position goal) is held at 0 when the world runs:
// the sketched circle is brought onto the line x = y + 1 and stays there.
TEST_F(Fields, ACustomConstraintsPositionGoalTypedInThePropertiesWindowIsSavedAndHeldAtRun) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(SketchACircle());
  const SavedField sketched = ReadSavedField(Save("custom-constraint.yb"));
  ASSERT_EQ(sketched.failure, "");
  ASSERT_TRUE(sketched.hasCircle);
  ASSERT_GT(std::abs(sketched.circleX - sketched.circleY - 1), 0.1) << "it starts on the line";

  const std::string body = "body[" + std::to_string(sketched.circleId) + "]";
  const std::string goal = body + ".p.x - " + body + ".p.y - 1";
  ASSERT_NO_FATAL_FAILURE(MakeCustomConstraint(goal));
  ASSERT_TRUE(Me().Idle());
  const SavedField made = ReadSavedField(Save("custom-constraint.yb"));
  ASSERT_EQ(made.failure, "");
  EXPECT_EQ(made.customConstraints, 1);
  EXPECT_EQ(made.firstGoal, goal);

  ASSERT_NO_FATAL_FAILURE(RunAWhile());
  const SavedField run = ReadSavedField(Save("custom-constraint.yb"));
  ASSERT_EQ(run.failure, "");
  ASSERT_GT(run.frames, 1);
  EXPECT_NEAR(run.lastX - run.lastY, 1.0, 1e-6) << "the goal was not held";
}

// The dialog's values and the forgotten run, each in a program of its own.
class DialogOk : public Fields {};

// A goal naming a body the world lacks, left with Tab, is refused in an alert; the program goes on.
TEST_F(DialogOk, AGoalNamingAMissingBodyIsRefusedWhenTheFieldIsLeft) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(MakeCustomConstraint("body[999].p.x"));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
      << "no alert: " << Me().FocusedTitle();
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle()) << "the program did not go on";
}

TEST_F(DialogOk, AGravityTypedAndConfirmedWithAClickOnOkIsSaved) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(SetGravity(kLineGravity, "9.81", Confirm::kClickOk));
  const SavedField saved = ReadSavedField(Save("ok-gravity.yb"));
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.gravityKind, TGravCnstr::kLine);
  EXPECT_EQ(saved.lineGravity, 9.81);
}

// After a refused value, one click on OK (once the value is mended) or on Cancel closes the
// dialog: neither the refusal nor the press that met it holds the next click back.
TEST_F(DialogOk, AfterARefusedValueOneClickOnOkOrCancelClosesTheDialog) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(RefuseAFormulaForGravity());
  ClickIn(kCancel);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Gravity") == 0; }))
      << "one click on Cancel did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  ASSERT_NO_FATAL_FAILURE(RefuseAFormulaForGravity());
  ClickIn(kLineGravityValue);
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type("9.81");
  ClickIn(kOk);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Gravity") == 0; }))
      << "one click on OK did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  const SavedField saved = ReadSavedField(Save("mended-gravity.yb"));
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.gravityKind, TGravCnstr::kLine);
  EXPECT_EQ(saved.lineGravity, 9.81);
}

TEST_F(DialogOk, BackToFrameZeroAfterAStoppedRunLeavesTheCircleWhereItWasSketched) {
  ASSERT_TRUE(Start(""));
  ASSERT_NO_FATAL_FAILURE(NewWorld());
  ASSERT_NO_FATAL_FAILURE(SketchACircle());
  ASSERT_NO_FATAL_FAILURE(SetGravity(kLineGravity, "9.81", Confirm::kClickOk));
  const SavedField sketched = ReadSavedField(Save("frame-zero.yb"));
  ASSERT_EQ(sketched.failure, "");
  ASSERT_TRUE(sketched.hasCircle);

  // Stopped at a later frame, not reset: the menu item itself goes back before it forgets.
  ASSERT_NO_FATAL_FAILURE(RunAWhile());
  ASSERT_TRUE(Click({"World", "Back to Frame 0 and Forget the Run"}));
  ASSERT_TRUE(Me().Idle());
  const SavedField forgotten = ReadSavedField(Save("frame-zero.yb"));
  ASSERT_EQ(forgotten.failure, "");
  EXPECT_LE(forgotten.frames, 1) << "the run was not forgotten";
  EXPECT_DOUBLE_EQ(forgotten.circleX, sketched.circleX);
  EXPECT_DOUBLE_EQ(forgotten.circleY, sketched.circleY);
}

}  // namespace
}  // namespace scenario
