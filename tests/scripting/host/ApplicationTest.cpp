// The object YB as scripts use it: its version, documents, floating windows, directories, menu
// entries and the scripts and libraries it runs and loads.

#include <gtest/gtest.h>

#include "core/Keys.h"
#include "scripting/document/APIDocument.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

using Application = ScriptedProgram;

// The error a statement raises, as "number: text", or "0: " when none.
std::string Caught(const std::string& statement) {
  return "On Error Resume Next\n" + statement + "\nPrint Err.Number; \": \"; Err.Description";
}

TEST_F(Application, VersionAndOneDocumentCollection) {
  EXPECT_EQ(Run("Print YB.Version\nPrint YB.Documents Is YB.Documents\n"
                "Print YB.Documents.Count; \" \"; YB.Documents.Item(1) Is Nothing"),
            "Version 4.0.1\nTrue\n0 True\n");
}

TEST_F(Application, ActiveDocumentIsNothingWithoutADocumentAndIgnoresOtherObjects) {
  EXPECT_EQ(Run("Print YB.ActiveDocument Is Nothing"), "True\n");
  application_.NewDocument();
  EXPECT_EQ(Run(Caught("Set YB.ActiveDocument = YB.Documents\nSet YB.ActiveDocument = Nothing")),
            "0: \n");
  EXPECT_TRUE(application_.activated.empty());
  EXPECT_EQ(Run("Set YB.ActiveDocument = YB.Documents.Item(1)"), "");
  ASSERT_EQ(application_.activated.size(), 1u);
  EXPECT_EQ(application_.activated[0], application_.front);
}

TEST_F(Application, NewAndOpenGiveTheNewDocumentAndAFailedOpenGivesNothing) {
  application_.openable = "/worlds/ramp.yb";
  EXPECT_EQ(Run("Print YB.New() Is YB.ActiveDocument\n"
                "Print YB.Open(\"/worlds/missing.yb\") Is Nothing\n"
                "Print YB.Open(\"/worlds/ramp.yb\") Is YB.Documents.Item(2)\n"
                "Print YB.Documents.Count"),
            "True\nTrue\nTrue\n2\n");
}

TEST_F(Application, FloatingWindowIsCommandedOnlyWhenItsStateChanges) {
  EXPECT_EQ(Run("YB.ShowGeometryWindow = False\nYB.ShowGeometryWindow = True\n"
                "YB.ShowGeometryWindow = True\nPrint YB.ShowGeometryWindow; \" \"; CInt(YB.ShowGeometryWindow)"),
            "True -1\n");
  EXPECT_EQ(application_.commands, std::vector<int16_t>{10200});
}

TEST_F(Application, DirectoriesOfTheProgramAndOfTheRunningScript) {
  SetProgramDirectory("/opt/a-rather-long-folder-name/that-goes-on/beyond-sixty-five/characters/yb/");
  const std::string path = WriteScript("where.ybs", "Sub Main()\nPrint YB.CurrentScriptPath\nEnd Sub\n");
  EXPECT_EQ(Run("Print YB.StartupDirectory\nPrint \"[\"; YB.CurrentScriptPath; \"]\"\n"
                "YB.RunScript \"" + path + "\""),
            "/opt/a-rather-long-folder-name/that-goes-on/beyond-sixty-five/characters/yb\n[]\n" +
                folder_.string() + "/\n");
}

TEST_F(Application, MenuEntriesInsertedReadAndDeleted) {
  EXPECT_EQ(Run("YB.InsertMenuItem 1, \"Spin\", \"/s/spin.ybs\"\n"
                "YB.InsertMenuItem 3, \"Refused\", \"/s/x.ybs\"\n"
                "YB.InsertMenuItem 1, \"Drop\", \"/s/drop.ybs\"\n"
                "Dim p As String\np = \"start\"\n"
                "Print YB.GetMenuItem(2); \" \"; p\nPrint YB.GetMenuItem(1, p); \" \"; p\n"
                "Print \"[\"; YB.GetMenuItem(3, p); \"][\"; p; \"]\"\n"
                "YB.EnableMenuItem 2, False\nYB.DeleteMenuItem 1\nPrint YB.GetMenuItem(1)"),
            "Spin start\nDrop /s/drop.ybs\n[][]\nSpin\n");
  ASSERT_EQ(menu_->CountItems(), 1);
  EXPECT_EQ(menu_->Entry(1)->enabled, 0);
}

TEST_F(Application, RunScriptOfAFileThatFailsToCompileOrIsMissingGives907) {
  const std::string broken = WriteScript("broken.ybs", "Sub Main()\n  Print (\nEnd Sub\n");
  const std::string text907 =
      "907: Could not run the specified script.  Check its location and confirm that it compiles.\n";
  EXPECT_EQ(Run(Caught("YB.RunScript \"" + broken + "\"")), text907);
  EXPECT_EQ(Run(Caught("YB.RunScript \"" + (folder_ / "absent.ybs").string() + "\"")), text907);
}

TEST_F(Application, ScriptsNestedNineDeepGive907) {
  for (int depth = 1; depth <= 9; ++depth) {
    const std::string next = (folder_ / ("nest" + std::to_string(depth + 1) + ".ybs")).string();
    WriteScript("nest" + std::to_string(depth) + ".ybs",
                "Sub Main()\n" + (depth < 9 ? "  YB.RunScript \"" + next + "\"\n" : "  Print \"deep\"\n") +
                    "End Sub\n");
  }
  // This script and nest3 to nest9 make eight runs, one inside the other; from nest2 on, nine.
  EXPECT_EQ(Run(Caught("YB.RunScript \"" + (folder_ / "nest3.ybs").string() + "\"")), "deep\n0: \n");
  EXPECT_EQ(Run(Caught("YB.RunScript \"" + (folder_ / "nest2.ybs").string() + "\"")).substr(0, 4), "907:");
}

TEST_F(Application, LongPathRunsAsWellAsAShortOne) {
  const std::string folder = "a-folder-name-long-enough-to-take-the-path-past-sixty-three-characters";
  std::filesystem::create_directories(folder_ / folder);
  const std::string path = WriteScript(folder + "/long.ybs", "Sub Main()\nPrint \"long\"\nEnd Sub\n");
  ASSERT_GE(path.size(), 63u);
  EXPECT_EQ(Run(Caught("YB.RunScript \"" + path + "\"")), "long\n0: \n");
}

TEST_F(Application, LibraryThatDoesNotCompileGives906AndUnloadingWhatIsNotLoadedIsQuiet) {
  const std::string broken = WriteScript("broken.ybs", "Function F(\nEnd Function\n");
  EXPECT_EQ(Run(Caught("YB.LoadYBBLibrary \"" + broken + "\"")),
            "906: Could not load the specified library.  Check its location and confirm that it "
            "compiles.\n");
  EXPECT_EQ(Run(Caught("YB.UnloadYBBLibrary \"" + broken + "\"")), "0: \n");
  EXPECT_TRUE(menu_->Host()->Scripts().empty());
}

TEST_F(Application, AutomationMethodRunsTheScriptAtItsPath) {
  const std::string path = WriteScript("auto.ybs", "Sub Main()\nPrint \"automated\"; YB.Documents.Count\nEnd Sub\n");
  ::testing::internal::CaptureStdout();
  yb_->ExternalAddRef();
  yb_->RunAutoScript(path.c_str());
  yb_->ExternalRelease();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "automated0\n");
  EXPECT_EQ(yb_->AutomationReferences(), 0);
}

TEST_F(Application, MembersNeedingTheApplicationFailWithoutOne) {
  TAPICallLog log;
  TAPIApplication unbound(&log, nullptr);
  EXPECT_EQ(unbound.RunScript(Str255("/nowhere.ybs")).code, 7);
  EXPECT_TRUE(unbound.IsKindOfTag(TAPIApplication::kTag));
  EXPECT_TRUE(unbound.IsKindOfTag(TAPIDispatcher::kTag));
}

}  // namespace
