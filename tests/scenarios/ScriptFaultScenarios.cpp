// A script run from the Script menu builds on a new document: a default pulley line with its top
// point on a circle runs its ten frames and answers 0, with no alert in the way; a straight
// polygon refuses to be curved with error 902 and stays straight.

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

}  // namespace
}  // namespace scenario
