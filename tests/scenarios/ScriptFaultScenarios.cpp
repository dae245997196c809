// A script run from the Script menu builds on a new document: a default pulley line with its top
// point on a circle runs its ten frames and answers 0, with no alert in the way; a straight
// polygon refuses to be curved with error 902 and stays straight.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

class ScriptFaults : public Scenario {
 protected:
  // The program on a sample, without its start-up picture.
  ::testing::AssertionResult StartPlain(const std::string& sample) {
    RunningProgram& program = Launch({"-nologo", Home().Sample(sample)});
    if (!Me().WaitUntil([&] { return Me().MainWindow() != 0 || program.WaitForExit(0); }) ||
        Me().MainWindow() == 0)
      return ::testing::AssertionFailure() << "the main window never appeared:\n"
                                           << program.Output();
    return Me().Idle();
  }

  static std::string WriteScript(const std::string& name, const std::vector<std::string>& lines) {
    const std::string path = Home().Path(name);
    std::ofstream file(path, std::ios::binary);
    for (const std::string& line : lines) file << line << "\r\n";
    return path;
  }

  // Script > Run Script..., the path typed into the file dialog, and Return.
  ::testing::AssertionResult RunScript(const std::string& path) {
    if (!ChooseMenu(MenuTitleX("Script"), 0, 0))
      return ::testing::AssertionFailure() << "the Script menu did not open";
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == "Run Script"; }))
      return ::testing::AssertionFailure()
             << "the script file dialog did not take the keyboard: " << Me().FocusedTitle();
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    Me().Type(path);
    Me().Key("Return");
    return ::testing::AssertionSuccess();
  }

  static bool Said(const std::string& words) {
    return Program() != nullptr && Program()->Output().find(words) != std::string::npos;
  }
};

TEST_F(ScriptFaults, ADefaultPulleyRunsItsFramesAndAStraightPolygonRefusesToCurve) {
  ASSERT_TRUE(StartPlain("spring-and-pin.yb"));
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
              {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.New",
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
               "  Print \"curved error \"; Err.Number; \" now \"; p.Curved", "End Sub"});
  ASSERT_TRUE(Start("spring-and-pin.yb", {{"YB_PROGRAM_DIR", folder}}));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("curved error"); })) << Program()->Output();
  ASSERT_TRUE(Me().Idle());
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

}  // namespace
}  // namespace scenario
