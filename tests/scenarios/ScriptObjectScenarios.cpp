// Scripts that reach the objects of the world a person sees, run from Script > Run Script... or
// sent by another program: exports that keep the run, the objects a script walks, the numbers of
// new objects, a library shared between scripts, the order of objects, and undo of a script's
// edit.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

namespace scenario {
namespace {

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  while (size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

class ScriptObjects : public ScriptScenario {
 protected:
  // What the program printed last after the marker, up to the end of that line.
  static std::string SaidAfter(const std::string& marker) {
    const std::string output = "\n" + (Program() != nullptr ? Program()->Output() : "");
    const size_t at = output.rfind("\n" + marker);
    if (at == std::string::npos) return "";
    const size_t start = at + 1 + marker.size();
    return output.substr(start, output.find('\n', start) - start);
  }

  // Runs Main with the lines from Script > Run Script... and waits until it printed "done".
  ::testing::AssertionResult RunLines(const std::string& name, std::vector<std::string> lines) {
    lines.insert(lines.begin(), {"Sub Main()", "Dim d", "Set d = YB.ActiveDocument"});
    lines.insert(lines.end(), {"Print \"done " + name + "\"", "End Sub"});
    if (auto ran = RunScript(WriteScript(name + ".ybs", lines)); !ran) return ran;
    if (!Me().WaitUntil([&] { return Said("done " + name + "\n"); }))
      return ::testing::AssertionFailure() << "the script did not finish:\n" << Program()->Output();
    return Me().Idle();
  }

  // Sends the text to the program's script service as one execute, as another program does.
  static ::testing::AssertionResult Execute(const std::string& text) {
    const std::filesystem::path tool =
        std::filesystem::path(YB_PROGRAM).parent_path().parent_path() / "tools/dde/yb-dde-execute";
    const std::string said = Shell("YB_DDE_DIR=" + Quoted(Home().Path("dde")) + " " +
                                   Quoted(tool.string()) + " " + Quoted(text) + " 2>&1");
    if (said.find("acknowledged") != 0)
      return ::testing::AssertionFailure() << "the execute was not taken: " << said;
    return ::testing::AssertionSuccess();
  }
};

TEST_F(ScriptObjects, ExportsFromAScriptWriteTheirRangeFromTheRecordedRunAndKeepIt) {
  ASSERT_TRUE(OpenCopy("script-export.yb", "pendulum.yb"));
  const std::string drawing = Home().Path("range.dxf");
  const std::string table = Home().Path("range.dta");
  // A meter of the bob's place, then a run of 30 frames and both exports of frames 2 to 10.
  ASSERT_TRUE(RunLines(
      "export", {"Dim m", "Set m = d.NewOutput", "m.Column(2).Cell.Formula = \"body[2].p.x\"",
                 "m.Column(3).Cell.Formula = \"body[2].p.y\"", "d.Run 30",
                 "Print \"before \"; d.HistoryFrames", "d.ExportStartFrame = 2",
                 "d.ExportStopFrame = 10", "d.ExportDXF \"" + drawing + "\"",
                 "d.ExportMeterData \"" + table + "\"", "Print \"after \"; d.HistoryFrames"}));
  const int before = std::atoi(SaidAfter("before ").c_str());
  EXPECT_GE(before, 30) << Program()->Output();
  EXPECT_EQ(std::atoi(SaidAfter("after ").c_str()), before) << "an export lost the run";

  // The table has the frames 2 to 10, one row each: the bob's x and y in the last columns.
  std::ifstream rows(table);
  std::vector<std::vector<double>> values;
  for (std::string line; std::getline(rows, line);) {
    std::istringstream fields(line);
    std::vector<double> row;
    for (double value = 0; fields >> value;) row.push_back(value);
    if (!row.empty()) values.push_back(row);
  }
  ASSERT_EQ(values.size(), 9u) << "not one row per frame from 2 to 10:\n" << Shell("cat " + Quoted(table));
  ASSERT_GE(values.front().size(), 3u);
  const double x = values.front()[values.front().size() - 2];
  const double y = values.front().back();
  // The bob swings: frame 10 is elsewhere than frame 2.
  EXPECT_GT(std::abs(values.back()[values.back().size() - 2] - x), 1e-3);

  // The drawing is of frame 2 alone: the bob's circle where the meter put it then.
  const std::string circles = Shell(
      "/usr/bin/python3 -c \"import ezdxf,sys\n"
      "for e in ezdxf.readfile(sys.argv[1]).modelspace():\n"
      "  if e.dxftype() == 'CIRCLE': print(e.dxf.center.x, e.dxf.center.y)\n"
      "\" " + Quoted(drawing) + " 2>&1");
  std::istringstream centres(circles);
  double cx = 0, cy = 0;
  ASSERT_TRUE(centres >> cx >> cy) << "ezdxf read no circle:\n" << circles;
  EXPECT_NEAR(cx, x, 2e-4) << circles;
  EXPECT_NEAR(cy, y, 2e-4) << circles;
  double more = 0;
  EXPECT_FALSE(centres >> more) << "more than one drawing of the bob:\n" << circles;
}

TEST_F(ScriptObjects, APointOfTheLockedPointToolIsASquarePoint) {
  ASSERT_TRUE(OpenCopy("script-locked.yb"));
  ASSERT_TRUE(Choose({"Tools", "Locked Point"}));
  const Box frame = Frame();
  Me().Click(frame.x + frame.width / 2 - 60, frame.y + frame.height - 120);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(RunLines("kinds", {"Print \"last \"; d.Points(d.Points.Count).Kind",
                                 "Print \"new \"; d.NewPoint(\"point\").Kind",
                                 "Print \"square \"; d.NewPoint(\"squarepoint\").Kind"}));
  EXPECT_EQ(SaidAfter("last "), "squarepoint") << Program()->Output();
  EXPECT_EQ(SaidAfter("new "), "point");
  EXPECT_EQ(SaidAfter("square "), "squarepoint");
}

TEST_F(ScriptObjects, ObjectsAScriptMakesAreInItsCollectionsAndAFieldIsNot) {
  ASSERT_TRUE(OpenCopy("script-numbers.yb"));
  ASSERT_TRUE(RunLines(
      "numbers",
      {"Dim i, a, inObjects, inPoints", "For i = 1 To 4", "d.NewBody \"circle\"", "Next i",
       "Set a = d.NewPoint(\"anchor\")", "For i = 1 To d.Objects.Count",
       "If d.Objects(i) Is a Then inObjects = True", "Next i", "For i = 1 To d.Points.Count",
       "If d.Points(i) Is a Then inPoints = True", "Next i",
       "Print \"anchor \"; a.Kind; \" \"; inObjects; \" \"; inPoints"}));
  EXPECT_EQ(SaidAfter("anchor "), "anchor True True") << Program()->Output();

  // The pendulum's gravity is the world's own: a script walking its objects meets only the bob,
  // its points and its rod.
  ASSERT_TRUE(OpenCopy("script-field.yb", "pendulum.yb"));
  ASSERT_TRUE(RunLines("walk", {"Print \"walk \"; d.Objects.Count; \" \"; d.Bodies.Count + "
                                "d.Points.Count + d.Constraints.Count"}));
  EXPECT_EQ(SaidAfter("walk "), "4 4") << Program()->Output();
}

TEST_F(ScriptObjects, ALibraryLoadedByOneExecuteAnswersTheNext) {
  ASSERT_TRUE(Running("spring-and-pin.yb"));
  const std::string library = WriteScript(
      "twice.ybs", {"Function Twice(x)", "  Twice = 2 * x", "End Function"});
  ASSERT_TRUE(Execute("YB.LoadYBBLibrary \"" + library + "\"\nPrint \"loaded\""));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("loaded\n"); })) << Program()->Output();
  ASSERT_TRUE(Execute("Print \"twice \"; Twice(21)"));
  ASSERT_TRUE(Me().WaitUntil([&] { return Said("twice "); })) << Program()->Output();
  EXPECT_EQ(SaidAfter("twice "), "42");
}

TEST_F(ScriptObjects, ABodySentToBackIsFirstInTheScriptsWalkAndInTheSavedFile) {
  ASSERT_TRUE(OpenCopy("script-order.yb"));
  // The wheel (6) comes after the rectangle (2) until it is sent to the back.
  ASSERT_TRUE(RunLines("order", {"Print \"first \"; d.Objects(1).ID", "d.Select d.Body(6)",
                                 "d.SendToBack", "Print \"back \"; d.Objects(1).ID"}));
  EXPECT_EQ(SaidAfter("first "), "2") << Program()->Output();
  EXPECT_EQ(SaidAfter("back "), "6") << Program()->Output();
  const SavedWorld saved = SaveAndRead();
  ASSERT_EQ(saved.failure, "");
  ASSERT_FALSE(saved.bodies.empty()) << "the saved world has no bodies";
  const int firstBody = saved.bodies.front().id;
  EXPECT_EQ(firstBody, 6) << "the saved file keeps the old order";
}

TEST_F(ScriptObjects, OneUndoTakesBackAVertexAScriptAdded) {
  ASSERT_TRUE(OpenCopy("script-vertex.yb"));
  const std::vector<std::string> outline = {
      "Dim i, x As Double, y As Double, s", "Set p = d.Bodies(d.Bodies.Count)",
      "For i = 1 To p.VertexCount", "p.GetVertex i, x, y", "s = s & \" \" & x & \",\" & y",
      "Next i"};
  std::vector<std::string> first = {"Dim p", "Set p = d.NewBody(\"polygon\")"};
  first.insert(first.end(), outline.begin(), outline.end());
  first.insert(first.end(), {"Print \"triangle\"; s", "p.AddVertex 4, 0.01, 0.2"});
  ASSERT_TRUE(RunLines("vertex", first));
  const std::string triangle = SaidAfter("triangle");
  ASSERT_FALSE(triangle.empty()) << Program()->Output();

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  std::vector<std::string> second = {"Dim p"};
  second.insert(second.end(), outline.begin(), outline.end());
  second.insert(second.end(), {"Print \"undone\"; s"});
  ASSERT_TRUE(RunLines("undone", second));
  EXPECT_EQ(SaidAfter("undone"), triangle) << Program()->Output();
}

}  // namespace
}  // namespace scenario
