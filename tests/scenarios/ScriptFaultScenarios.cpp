// A script run from the Script menu builds on a new document: a default pulley line with its top
// point on a circle runs its ten frames and answers 0, with no alert in the way; a straight
// polygon refuses to be curved with error 902 and stays straight.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "constraints/CollisionGroup.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

namespace scenario {
namespace {

// Whether each pair of bodies (by identifier) collides in the saved world's collision group.
struct Pairs {
  std::string failure;
  std::vector<bool> collide;
};

Pairs CollidingPairs(const std::string& path, const std::vector<std::pair<int, int>>& pairs) {
  Pairs read;
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    TWorldDoc& world = document.World();
    TCollisionGroup* group = nullptr;
    for (TLink* object : world.Objects())
      if (group == nullptr) group = dynamic_cast<TCollisionGroup*>(object);
    if (group == nullptr) read.failure = "the saved world has no collision group";
    for (const auto& [first, second] : pairs) {
      TLink* a = world.FindObject(static_cast<int16_t>(first));
      TLink* b = world.FindObject(static_cast<int16_t>(second));
      if (a == nullptr || b == nullptr) read.failure = "a body is missing from the saved world";
      if (group != nullptr && a != nullptr && b != nullptr)
        read.collide.push_back(group->Applies(a, b) != 0);
    }
  } catch (const QVException& failure) {
    read.failure = "error " + std::to_string(failure.error());
  }
  return read;
}

class ScriptFaults : public ScriptScenario {};

TEST_F(ScriptFaults, ADefaultPulleyRunsItsFramesAndAStraightPolygonRefusesToCurve) {
  ASSERT_TRUE(Start("spring-and-pin.yb"));
  const std::string script = WriteScript(
      "pulley-and-polygon.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.New",
       "  Dim c As YBBody", "  Set c = d.NewBody(\"circle\")",
       "  Dim r As YBConstraint", "  Set r = d.NewConstraint(\"pulley\")",
       "  Dim top As YBPoint", "  Set top = r.TopPoint", "  Set top.Body = c",
       "  Dim before As Integer", "  before = d.CurrentFrame",
       "  Print \"pulley \"; r.Kind; \" ran \"; d.Run(10); \" frames \"; d.CurrentFrame - before",
       "  Dim p As YBBody", "  Set p = d.NewBody(\"polygon\")",
       "  On Error Resume Next", "  p.Curved = True",
       "  Print \"curved error \"; Err.Number; \" now \"; p.Curved", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("curved error"); })) << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Said("pulley pulley ran 0 frames 10\n")) << Program()->Output();
  EXPECT_TRUE(Said("curved error 902 now False\n")) << Program()->Output();
  // No alert stood in the script's way nor stays on the screen.
  EXPECT_FALSE(Said("cannot be solved")) << Program()->Output();
  EXPECT_EQ(Me().FocusedTitle().rfind("Yarrowby - ", 0), 0u)
      << "something else has the keyboard: " << Me().FocusedTitle();
}

// The start-up script (qvstart.ybs in the program's folder) works on a new document: the new
// world holds every force field, so gravity and air resistance are set and read back, and the
// run that follows feels them.
TEST_F(ScriptFaults, AStartupScriptSetsTheFieldsOfANewDocumentAndRunsAPulley) {
  const std::string folder = Home().Path("startup-fields");
  std::filesystem::create_directories(folder);
  WriteScript("startup-fields/qvstart.ybs",
              {"Sub Main()", "  Dim old As YBDocument", "  Set old = YB.ActiveDocument",
               "  Dim d As YBDocument", "  Set d = YB.New",
               "  d.Gravity = \"Linear\"", "  d.LinearGravityConst = 9.81",
               "  d.AirResistanceType = \"standard\"", "  d.AirResistanceVCoeff = 0.5",
               "  Print \"fields \"; d.Gravity; \" \"; d.LinearGravityConst; \" \"; "
               "d.AirResistanceType; \" \"; d.AirResistanceVCoeff",
               "  Dim c As YBBody", "  Set c = d.NewBody(\"circle\")",
               "  Dim r As YBConstraint", "  Set r = d.NewConstraint(\"pulley\")",
               "  Dim top As YBPoint", "  Set top = r.TopPoint", "  Set top.Body = c",
               "  Dim f As YBBody", "  Set f = d.NewBody(\"circle\")", "  f.PX.Value = 5",
               "  Dim mark As YBPoint", "  Set mark = d.NewPoint(\"point\")", "  Set mark.Body = f",
               "  Dim y As Double", "  y = mark.GlobalPY",
               "  Dim before As Integer", "  before = d.CurrentFrame",
               "  Print \"pulley ran \"; d.Run(10); \" frames \"; d.CurrentFrame - before",
               "  Dim inAir As Double", "  inAir = y - mark.GlobalPY",
               // The same circle in a second new world, with gravity and no air.
               "  Dim e As YBDocument", "  Set e = YB.New", "  e.Gravity = \"linear\"",
               "  e.LinearGravityConst = 9.81", "  Set f = e.NewBody(\"circle\")",
               "  Set mark = e.NewPoint(\"point\")", "  Set mark.Body = f", "  y = mark.GlobalPY",
               "  e.Run 10", "  Dim free As Double", "  free = y - mark.GlobalPY",
               // Frame 0 is the start: the last frame's number counts the steps taken.
               "  Dim t As Double", "  t = e.CurrentFrame * e.AnimationStep",
               "  Print \"falls freely \"; Abs(free - 9.81 * t * t / 2) < 0.001 * free; "
               "\" slower in air \"; inAir > 0 And inAir < free",
               "  Dim p As YBBody", "  Set p = d.NewBody(\"polygon\")",
               "  On Error Resume Next", "  p.Curved = True",
               "  Print \"curved error \"; Err.Number; \" now \"; p.Curved",
               // The document the program opened is older: no fields, no collision group.
               "  Err.Clear", "  old.Gravity = \"linear\"",
               "  Print \"old gravity error \"; Err.Number; \" [\"; old.Gravity; \"]\"",
               "  Err.Clear", "  old.Collide", "  Print \"old collide error \"; Err.Number",
               "End Sub"});
  ASSERT_TRUE(Start("spring-and-pin.yb", {{"YB_PROGRAM_DIR", folder}}));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("old collide error"); })) << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Said("old gravity error 902 []\n")) << Program()->Output();
  EXPECT_TRUE(Said("old collide error 900\n")) << Program()->Output();
  EXPECT_TRUE(Said("fields linear 9.81 standard 0.5\n")) << Program()->Output();
  EXPECT_TRUE(Said("pulley ran 0 frames 10\n")) << Program()->Output();
  EXPECT_TRUE(Said("falls freely True slower in air True\n")) << Program()->Output();
  EXPECT_TRUE(Said("curved error 902 now False\n")) << Program()->Output();
  EXPECT_FALSE(Said("cannot be solved")) << Program()->Output();
  EXPECT_EQ(Me().FocusedTitle().rfind("Yarrowby - ", 0), 0u)
      << "something else has the keyboard: " << Me().FocusedTitle();
  Stop();
  std::filesystem::remove_all(folder);
}

// Edit > Don't Collide, as a script asks for it on the world the user made with File > New: the
// saved world keeps the selected pair apart and every other pair colliding.
TEST_F(ScriptFaults, AScriptKeepsTheSelectedPairOfANewWorldFromColliding) {
  ASSERT_TRUE(Running());
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Person::NamesUntitledWorld(Me().FocusedTitle()); }))
      << "no new world took the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  const std::string saved = Home().Path("kept-apart.yb");
  std::filesystem::remove(saved);
  const std::string script = WriteScript(
      "kept-apart.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.ActiveDocument",
       "  Dim a As YBBody", "  Set a = d.NewBody(\"circle\")", "  Dim b As YBBody",
       "  Set b = d.NewBody(\"square\")", "  Dim c As YBBody", "  Set c = d.NewBody(\"circle\")",
       "  d.Select a", "  d.Select b", "  On Error Resume Next", "  d.Collide False",
       "  Print \"apart error \"; Err.Number; \" ids \"; a.ID; \" \"; b.ID; \" \"; c.ID",
       "  Err.Clear",
       "  d.SaveAs \"" + saved + "\"", "  Print \"saved error \"; Err.Number", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("saved error"); })) << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Said("saved error 0\n")) << Program()->Output();
  const std::string output = Program()->Output();
  const size_t at = output.rfind("apart error ");
  ASSERT_NE(at, std::string::npos) << output;
  int error = -1, a = 0, b = 0, c = 0;
  ASSERT_EQ(std::sscanf(output.c_str() + at, "apart error %d ids %d %d %d", &error, &a, &b, &c), 4)
      << output;
  EXPECT_EQ(error, 0);
  const Pairs pairs = CollidingPairs(saved, {{a, b}, {a, c}, {b, c}});
  ASSERT_EQ(pairs.failure, "");
  EXPECT_EQ(pairs.collide, (std::vector<bool>{false, true, true}));
}

// Collide works on a document the script made itself as on one the user opened.
TEST_F(ScriptFaults, AScriptCollidesTheBodiesOfADocumentItMade) {
  ASSERT_TRUE(Running());
  const std::string script = WriteScript(
      "made-collide.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.New", "  Dim a As YBBody",
       "  Set a = d.NewBody(\"circle\")", "  Dim b As YBBody", "  Set b = d.NewBody(\"circle\")",
       "  d.Select a", "  d.Select b", "  On Error Resume Next", "  d.Collide False",
       "  Print \"made collide error \"; Err.Number", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("made collide error"); })) << Program()->Output();
  EXPECT_TRUE(Said("made collide error 0\n")) << Program()->Output();
}

// A sent script's run that fails is shown as World > Run shows it, and the script then hears
// of it by the run's answer.
TEST_F(ScriptFaults, ASentRunThatFailsAlertsAndAnswersOne) {
  ASSERT_TRUE(Start("spring-and-pin.yb"));
  FILE* sender = popen(ExecuteCommand("Set d = YB.ActiveDocument : d.Constraint(5).K.Value = 1E+300"
                                      " : Print \"ran \"; d.Run(20)")
                           .c_str(),
                       "r");
  ASSERT_NE(sender, nullptr);
  const bool alerted = Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; });
  EXPECT_TRUE(alerted) << "no alert: " << Program()->Output();
  EXPECT_TRUE(Said("A value of constraint 5 grew too large to hold.")) << Program()->Output();
  if (alerted) Me().Key("Return");
  EXPECT_TRUE(Me().WaitUntil([] { return Said("ran "); })) << Program()->Output();
  EXPECT_TRUE(Said("ran 1\n")) << Program()->Output();
  pclose(sender);
}

}  // namespace
}  // namespace scenario
