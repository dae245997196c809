// Scripts run from the Script menu on the document a person sees: a script's message box takes
// the keyboard and gives it back once answered, a script that moves a body moves it on the
// screen, leaving nothing of it behind, and in the world that is saved, and a formula a script
// types in centimetres runs as the length it names.

#include <algorithm>
#include <string>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

namespace scenario {
namespace {

constexpr char kMessageTitle[] = "Yarrowby Script";
constexpr uint32_t kBackground = 0xFFFFFF;

class Scripts : public ScriptScenario {};

TEST_F(Scripts, AMessageBoxOfAScriptIsAnsweredByReturnAndGivesTheKeyboardBack) {
  if (!Program()) {
    ASSERT_TRUE(Start("spring-and-pin.yb"));
  }
  const std::string script =
      WriteScript("message.ybs", {"Sub Main()", "  Dim answer", "  Print \"asking\"",
                                  "  answer = MsgBox(\"The spring is ready\")",
                                  "  Print \"answered \"; answer", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == kMessageTitle; }))
      << "no message box took the keyboard: " << Me().FocusedTitle();
  EXPECT_TRUE(Said("asking\n"));
  EXPECT_FALSE(Said("answered")) << "the script went on before its message was answered";

  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(kMessageTitle) == 0; }))
      << "Return did not answer the message box";
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Me().WaitUntil([&] { return Said("answered 1\n"); })) << Program()->Output();

  // The program is the keyboard's again: its keys make a new world.
  Me().Control("n");
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().UntitledWorldWindow() != 0; }))
      << "Ctrl+N did nothing after the message box";
  ASSERT_TRUE(Me().Idle());
}

// A body moved by a script leaves no picture at its old place, as the same move typed into the
// coordinates bar leaves none.
TEST_F(Scripts, AScriptMovesABodyOnTheScreenLeavingNothingBehindAndInTheSavedWorld) {
  ASSERT_TRUE(OpenCopy("script-moves.yb"));
  // The square is the one drawing in the right half of the world window's top.
  const Box frame = Frame();
  const Box search{frame.x + frame.width * 5 / 8, frame.y + frame.height / 8, frame.width / 4,
                   frame.height / 8};
  const Box square = Me().Grab(search).BoundsOf(IsInk);
  ASSERT_FALSE(square.Empty()) << "the square is not where the world window shows it";
  // Where the script puts it, below and left of it, nothing is drawn yet.
  const Box below{frame.x + frame.width / 2, frame.y + frame.height / 4, frame.width / 4,
                  frame.height / 4};
  ASSERT_TRUE(Me().Grab(below).BoundsOf(IsInk).Empty());

  // The world's first body is the square, at (1.5 m, 0); the script takes it down and left.
  const std::string script = WriteScript(
      "move.ybs", {"Sub Main()", "  Dim b", "  Set b = YB.ActiveDocument.Bodies(1)",
                   "  b.PX.Value = 0.8", "  b.PY.Value = -0.3",
                   "  Print \"moved \"; b.ID; \" \"; b.PX.Value; \" \"; b.PY.Value", "End Sub"});
  ASSERT_TRUE(RunScript(script, true));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("moved 2 0.8 -0.3\n"); }))
      << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  // The window shows the background where the square was...
  const Picture left = Me().Grab(square);
  EXPECT_EQ(left.Count([](uint32_t pixel) { return pixel != kBackground; }), 0)
      << "the square's picture stays where it was";
  // ...and the square where the script put it.
  EXPECT_FALSE(Me().Grab(below).BoundsOf(IsInk).Empty())
      << "the square is not shown at its new place";

  // Saved, the body is where the script put it.
  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.failure, "");
  const auto moved = std::find_if(saved.bodies.begin(), saved.bodies.end(),
                                  [](const SavedBody& body) { return body.id == 2; });
  ASSERT_NE(moved, saved.bodies.end()) << "the saved world lost the body";
  EXPECT_NEAR(moved->x, 0.8, 1e-9);
  EXPECT_NEAR(moved->y, -0.3, 1e-9);
}

// A script that shows lengths in centimetres types the spring's rest length as "50*2": the run
// that follows keeps the box swinging between 50 and 150 cm from the anchor, as the metre the
// formula names holds it, and the formula reads back as typed.
TEST_F(Scripts, ARestLengthTypedInCentimetresHoldsTheBoxAsTheMetreItNames) {
  ASSERT_TRUE(OpenCopy("script-cm.yb"));
  const std::string script = WriteScript(
      "centimetres.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.ActiveDocument",
       "  d.DistanceUnit = \"centimeters\"", "  d.Constraints(1).Length.Formula = \"50*2\"",
       "  d.Run 40",
       "  Print \"rest \"; d.Constraints(1).Length.Formula; \" \"; "
       "d.Constraints(1).Length.Value",
       "  Print \"box \"; d.Bodies(1).PX.Value", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("box "); })) << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  const std::string said = Program()->Output();
  EXPECT_NE(said.find("rest 50*2 100\n"), std::string::npos) << said;
  const size_t box = said.find("box ");
  ASSERT_NE(box, std::string::npos);
  const double x = std::stod(said.substr(box + 4));
  EXPECT_GE(x, 50.0) << said;
  EXPECT_LE(x, 150.0) << said;
}

}  // namespace
}  // namespace scenario
