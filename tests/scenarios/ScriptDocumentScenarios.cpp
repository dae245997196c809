// Scripts act on the document windows a person sees: the active document is the window last
// clicked and a script brings another forward; a document a script opens has a window, and its
// changes are asked about at Quit; a script's Close closes as File > Close does; Save As renames
// the window, so that File > Save writes the new file; and a script hides and shows a window,
// the menus going to the window still shown.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

namespace scenario {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the shell command printed, its errors included.
std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (const size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// What the program prints, started with the arguments and no desktop at all.
std::string WithoutDesktop(const std::string& arguments) {
  return Shell("env -u DISPLAY " + Quoted(ProgramPath()) + " " + arguments);
}

// How many lines of the listing name the class.
int CountOf(const std::string& listing, const std::string& className) {
  int count = 0;
  for (size_t at = listing.find(className); at != std::string::npos;
       at = listing.find(className, at + 1))
    ++count;
  return count;
}

class ScriptDocuments : public ScriptScenario {
 protected:
  static ::testing::AssertionResult TitleNames(const std::string& name) {
    if (!Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; }))
      return ::testing::AssertionFailure() << "the title does not name " << name << ": "
                                           << Me().Titles().front();
    return Me().Idle();
  }
  // Runs the script from the Script menu and waits until it has printed the words.
  ::testing::AssertionResult RunUntilSaid(const std::string& name,
                                          const std::vector<std::string>& lines,
                                          const std::string& words) {
    if (::testing::AssertionResult ran = RunScript(WriteScript(name, lines)); !ran) return ran;
    if (!Me().WaitUntil([&] { return Said(words); }))
      return ::testing::AssertionFailure() << "the script did not say \"" << words << "\":\n"
                                           << Program()->Output();
    Me().MoveTo(0, 0);
    return Me().Idle();
  }
  // The question a changed world asks before it goes, answered by the key.
  static ::testing::AssertionResult Answer(const std::string& key) {
    if (!Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
      return ::testing::AssertionFailure() << "no question took the keyboard: "
                                           << Me().FocusedTitle();
    Me().Key(key);
    return ::testing::AssertionSuccess();
  }
  // Sends the text to the program's script service as one execute, as another program does.
  static ::testing::AssertionResult Execute(const std::string& text) {
    const std::string said = Shell(ExecuteCommand(text));
    if (said.find("acknowledged") != 0)
      return ::testing::AssertionFailure() << "the execute was not taken: " << said;
    return ::testing::AssertionSuccess();
  }

  // Sends the text without waiting for its answer, which the returned file receives.
  static std::string ExecuteInBackground(const std::string& text, const std::string& name) {
    const std::string answer = Home().Path(name);
    std::filesystem::remove(answer);
    Shell("(" + ExecuteCommand(text) + " > " + Quoted(answer) + " 2>&1 &)");
    return answer;
  }
  // With the changed world's close question open: a sent Close answers 900 at once and asks
  // nothing more; Yes saves the world and closes it, and the service goes on.
  void SentCloseWhileAsking(const std::string& file, int circles) {
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }));
    ExecuteInBackground(
        "On Error Resume Next : YB.ActiveDocument.Close : Print \"second \"; Err.Number",
        "second.txt");
    ASSERT_TRUE(Me().WaitUntil([] { return Said("second "); })) << Program()->Output();
    EXPECT_TRUE(Said("second 900\n")) << Program()->Output();
    ASSERT_TRUE(Answer("y"));
    ASSERT_TRUE(Me().WaitUntil([&] { return Plain(Me().Grab(WorldView())); }))
        << "the window stayed";
    ASSERT_TRUE(Me().Idle());
    const std::vector<std::string> titles = Me().Titles();
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Yarrowby"), 1) << "a question shows";
    EXPECT_TRUE(Execute("Print \"served\""));
    EXPECT_EQ(CountOf(WithoutDesktop("--list-objects '" + file + "'"), "TOval"), circles + 1);
  }

  // The frame's workspace below the bars and right of the palettes.
  Box Workspace() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 66, frame.height - 110};
  }
  // The world's view inside a document window as the program first places it.
  Box WorldView() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 96, 714, 494};
  }
  // Whether the whole box shows one plain colour: no window stands there.
  static bool Plain(const Picture& picture) {
    const uint32_t first = picture.pixels.front();
    return picture.Count([&](uint32_t pixel) { return pixel == first; }) ==
           static_cast<int>(picture.pixels.size());
  }
};

TEST_F(ScriptDocuments, TheActiveDocumentIsTheWindowClickedAndAScriptBringsAnotherForward) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  ASSERT_TRUE(Choose({"File", "Open..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Open a world"; }));
  Me().Type(Home().Sample("spring-and-pin.yb"));
  Me().Key("Return");
  ASSERT_TRUE(TitleNames("spring-and-pin.yb"));
  // Window > Tile: the two windows side by side; a click on each tells which stands where.
  ASSERT_TRUE(Choose({"Window", "Tile"}));
  const Box workspace = Workspace();
  const int half = workspace.width / 2;
  const Box left{workspace.x + 10, workspace.y + 40, half - 40, workspace.height - 60};
  const Box right{workspace.x + half + 10, workspace.y + 40, half - 40, workspace.height - 60};
  Me().Click(left.x + 5, left.y + 5);
  ASSERT_TRUE(Me().Idle());
  const bool pendulumLeft = Me().WindowTitled("Yarrowby - pendulum.yb") != 0;
  const Box pendulum = pendulumLeft ? left : right;
  // The pendulum's window clicked last; the captions as they show it.
  Me().Click(pendulum.x + 5, pendulum.y + 5);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(TitleNames("pendulum.yb"));
  const Box captions{workspace.x, workspace.y - 6, workspace.width, 12};
  const Picture pendulumFront = Me().Grab(captions);

  ASSERT_TRUE(RunUntilSaid(
      "activate.ybs",
      {"Sub Main()", "  Print \"active \"; YB.ActiveDocument.Name", "  Dim d As YBDocument",
       "  Dim i As Integer", "  For i = 1 To YB.Documents.Count",
       "    If YB.Documents.Item(i).Name = \"spring-and-pin.yb\" Then Set d = YB.Documents.Item(i)",
       "  Next i", "  Set YB.ActiveDocument = d", "  Print \"now \"; YB.ActiveDocument.Name",
       "End Sub"},
      "now "));
  EXPECT_TRUE(Said("active pendulum.yb\n")) << Program()->Output();
  EXPECT_TRUE(Said("now spring-and-pin.yb\n")) << Program()->Output();
  EXPECT_NE(Me().WindowTitled("Yarrowby - spring-and-pin.yb"), 0u)
      << "the main window does not name the document brought forward";
  // The captions show the other window active now; clicking the pendulum again shows them as
  // they were.
  EXPECT_NE(Me().Grab(captions), pendulumFront) << "no caption changed";
  // Another program asking through the script service sees the same front document.
  ASSERT_TRUE(Execute("Print \"service \"; YB.ActiveDocument.Name"));
  ASSERT_TRUE(Me().WaitUntil([] { return Said("service "); })) << Program()->Output();
  EXPECT_TRUE(Said("service spring-and-pin.yb\n")) << Program()->Output();
  Me().Click(pendulum.x + 5, pendulum.y + 5);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(captions).Differences(pendulumFront), 0);
}

TEST_F(ScriptDocuments, ADocumentAScriptOpensHasAWindowAndItsChangeIsAskedAboutAtQuit) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string opened = Home().Path("h0.yb");
  std::filesystem::copy_file(Home().Sample("spring-and-pin.yb"), opened,
                             std::filesystem::copy_options::overwrite_existing);
  const int circles = CountOf(WithoutDesktop("--list-objects '" + opened + "'"), "TOval");
  const Picture pendulum = Me().Grab(WorldView());

  ASSERT_TRUE(RunScript(WriteScript(
      "open.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.Open(\"" + opened + "\")",
       "  Dim c As YBBody", "  Set c = d.NewBody(\"circle\")",
       "  Print \"opened \"; d.Name; \" front \"; YB.ActiveDocument.Name",
       "  Dim e As YBDocument", "  Set e = YB.Open(\"" + Home().Path("missing.yb") + "\")",
       "  Print \"missing \"; e Is Nothing", "End Sub"})));
  // The file that cannot be read gives the script no document, and no other.
  ASSERT_TRUE(Me().WaitUntil([] { return Said("missing "); })) << Program()->Output();
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Said("opened h0.yb front h0.yb\n")) << Program()->Output();
  EXPECT_TRUE(Said("missing True\n")) << Program()->Output();
  EXPECT_NE(Me().WindowTitled("Yarrowby - h0.yb"), 0u) << "the main window does not name it";
  EXPECT_NE(Me().Grab(WorldView()), pendulum) << "no window shows the opened world";

  // Quit asks about the world the script changed; Yes saves it.
  Me().Control("q");
  ASSERT_TRUE(Answer("y"));
  ASSERT_TRUE(Program()->WaitForExit()) << Program()->Output();
  EXPECT_EQ(Program()->ExitCode(), 0) << Program()->Output();
  EXPECT_EQ(CountOf(WithoutDesktop("--list-objects '" + opened + "'"), "TOval"), circles + 1);
}

// A script's Save saves as File > Save does: the world written, Quit has nothing to ask.
TEST_F(ScriptDocuments, AWorldAScriptChangedAndSavedQuitsWithoutAQuestion) {
  ASSERT_TRUE(OpenCopy("script-save.yb", "pendulum.yb"));
  const std::string& copy = CopyPath();
  const int circles = CountOf(WithoutDesktop("--list-objects '" + copy + "'"), "TOval");
  ASSERT_TRUE(RunUntilSaid("save.ybs",
                           {"Sub Main()", "  Dim c As YBBody",
                            "  Set c = YB.ActiveDocument.NewBody(\"circle\")",
                            "  YB.ActiveDocument.Save", "  Print \"saved\"", "End Sub"},
                           "saved"));
  EXPECT_EQ(CountOf(WithoutDesktop("--list-objects '" + copy + "'"), "TOval"), circles + 1);
  Me().Control("q");
  EXPECT_TRUE(Program()->WaitForExit()) << "Quit asked about the saved world: "
                                        << Me().FocusedTitle();
}

// Save of a world never saved asks for its name, as File > Save does, and writes it there.
TEST_F(ScriptDocuments, SaveOfANewWorldAsksForItsNameAndWritesIt) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string saved = Home().Path("named.yb");
  std::filesystem::remove(saved);
  ASSERT_TRUE(RunScript(WriteScript(
      "save-new.ybs", {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.New",
                       "  Dim c As YBBody", "  Set c = d.NewBody(\"circle\")", "  d.Save",
                       "  Print \"saved \"; d.Name", "End Sub"})));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }))
      << Me().FocusedTitle() << "\n" << Program()->Output();
  ASSERT_TRUE(Me().Idle());
  Me().Type(saved);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Said("saved "); })) << Program()->Output();
  EXPECT_TRUE(Said("saved named.yb\n")) << Program()->Output();
  EXPECT_EQ(CountOf(WithoutDesktop("--list-objects '" + saved + "'"), "TOval"), 1);
}

TEST_F(ScriptDocuments, CloseClosesAnUnchangedWindowAtOnce) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  ASSERT_TRUE(RunUntilSaid("close.ybs",
                           {"Sub Main()", "  YB.ActiveDocument.Close",
                            "  Print \"closed \"; YB.Documents.Count", "End Sub"},
                           "closed "));
  EXPECT_TRUE(Said("closed 0\n")) << Program()->Output();
  EXPECT_TRUE(Plain(Me().Grab(WorldView()))) << "the window is still shown";
}

TEST_F(ScriptDocuments, CloseOfAChangedWindowAsksAndCancelKeepsItAndNoLeavesTheFile) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string file = Home().Sample("pendulum.yb");
  const std::string bytes = FileBytes(file);
  ASSERT_TRUE(RunScript(WriteScript(
      "close-changed.ybs",
      {"Sub Main()", "  Dim d As YBDocument", "  Set d = YB.ActiveDocument", "  Dim c As YBBody",
       "  Set c = d.NewBody(\"circle\")", "  d.Close", "  Print \"kept \"; YB.Documents.Count",
       "  d.Close", "  Print \"closed \"; YB.Documents.Count", "  On Error Resume Next",
       "  Dim n As String", "  n = d.Name", "  Print \"then \"; Err.Number", "End Sub"})));
  ASSERT_TRUE(Answer("Escape"));
  ASSERT_TRUE(Me().WaitUntil([] { return Said("kept "); })) << Program()->Output();
  EXPECT_TRUE(Said("kept 1\n")) << Program()->Output();
  ASSERT_TRUE(Answer("n"));
  ASSERT_TRUE(Me().WaitUntil([] { return Said("then "); })) << Program()->Output();
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Said("closed 0\nthen 901\n")) << Program()->Output();
  EXPECT_TRUE(Plain(Me().Grab(WorldView()))) << "the window is still shown";
  EXPECT_EQ(FileBytes(file), bytes) << "the file changed";
}

TEST_F(ScriptDocuments, ASentCloseWhileASentCloseAsksAnswers900) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string file = Home().Sample("pendulum.yb");
  const int circles = CountOf(WithoutDesktop("--list-objects '" + file + "'"), "TOval");
  ASSERT_TRUE(Execute("YB.ActiveDocument.NewBody \"circle\""));
  const std::string first = ExecuteInBackground("YB.ActiveDocument.Close", "first.txt");
  SentCloseWhileAsking(file, circles);
  EXPECT_TRUE(Me().WaitUntil([&] { return FileBytes(first).find("acknowledged") == 0; }))
      << FileBytes(first);
}

TEST_F(ScriptDocuments, ASentCloseWhileFileCloseAsksAnswers900) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string file = Home().Sample("pendulum.yb");
  const int circles = CountOf(WithoutDesktop("--list-objects '" + file + "'"), "TOval");
  ASSERT_TRUE(Execute("YB.ActiveDocument.NewBody \"circle\""));
  Me().Control("w");
  SentCloseWhileAsking(file, circles);
}

TEST_F(ScriptDocuments, ASentCloseUnderTheSaveAsDialogAnswers900) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string file = Home().Sample("pendulum.yb");
  const std::string bytes = FileBytes(file);
  const Picture shown = Me().Grab(WorldView());
  ASSERT_TRUE(Choose({"File", "Save As..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }));
  ASSERT_TRUE(Execute("On Error Resume Next : YB.ActiveDocument.Close : Print \"close \"; Err.Number"));
  ASSERT_TRUE(Me().WaitUntil([] { return Said("close "); })) << Program()->Output();
  EXPECT_TRUE(Said("close 900\n")) << Program()->Output();
  Me().Key("Escape");
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(WorldView()).Differences(shown), 0) << "the world's window changed";
  EXPECT_EQ(FileBytes(file), bytes) << "the file changed";
}

TEST_F(ScriptDocuments, SaveAsRenamesTheWindowSoThatFileSaveWritesTheNewFile) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const std::string old = Home().Sample("pendulum.yb");
  const std::string oldBytes = FileBytes(old);
  const std::string saved = Home().Path("saved1.yb");
  std::filesystem::remove(saved);
  ASSERT_TRUE(RunUntilSaid("save-as.ybs",
                           {"Sub Main()", "  YB.ActiveDocument.SaveAs \"" + saved + "\"",
                            "  Print \"saved as \"; YB.ActiveDocument.Name", "End Sub"},
                           "saved as "));
  EXPECT_TRUE(Said("saved as saved1.yb\n")) << Program()->Output();
  ASSERT_TRUE(TitleNames("saved1.yb"));
  const int circles = CountOf(WithoutDesktop("--list-objects '" + saved + "'"), "TOval");
  ASSERT_GT(circles, 0) << "the world was not saved under the new name";

  // A circle drawn with the mouse, then File > Save.
  ASSERT_TRUE(Choose({"Tools", "Circle"}));
  const Box view = WorldView();
  Me().SlowDrag(view.x + 60, view.y + 60, view.x + 120, view.y + 120);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"File", "Save"}));
  EXPECT_EQ(CountOf(WithoutDesktop("--list-objects '" + saved + "'"), "TOval"), circles + 1)
      << "File > Save did not write the file saved as";
  EXPECT_EQ(FileBytes(old), oldBytes) << "File > Save wrote the old file";
}

TEST_F(ScriptDocuments, AHiddenDocumentWindowLeavesNoFrameAndComesBack) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  const Box view = WorldView();
  const Box caption{view.x, view.y - 20, view.width, 16};
  const Picture shown = Me().Grab(view);
  const Picture activeCaption = Me().Grab(caption);
  ASSERT_FALSE(Plain(shown));
  ASSERT_TRUE(RunUntilSaid("hide.ybs",
                           {"Sub Main()", "  YB.Documents.Item(1).ShowDocumentWindow = False",
                            "  Print \"hidden\"", "End Sub"},
                           "hidden"));
  EXPECT_TRUE(Plain(Me().Grab(view))) << "the window or its frame is still shown";
  EXPECT_NE(Me().WindowTitled("Yarrowby"), 0u) << "the title names a hidden document";
  ASSERT_TRUE(RunUntilSaid("show.ybs",
                           {"Sub Main()", "  YB.Documents.Item(1).ShowDocumentWindow = True",
                            "  Print \"shown again \"; YB.ActiveDocument.Name", "End Sub"},
                           "shown again"));
  EXPECT_TRUE(Said("shown again pendulum.yb\n")) << Program()->Output();
  EXPECT_EQ(Me().Grab(view).Differences(shown), 0) << "the window did not come back";
  EXPECT_EQ(Me().Grab(caption).Differences(activeCaption), 0) << "the caption is not drawn active";

  // Hidden behind another document, made the active one: it comes back whole, in front.
  ASSERT_TRUE(RunUntilSaid(
      "activate-hidden.ybs",
      {"Sub Main()", "  Dim p As YBDocument", "  Set p = YB.ActiveDocument", "  Dim s As YBDocument",
       "  Set s = YB.Open(\"" + Home().Sample("spring-and-pin.yb") + "\")",
       "  p.ShowDocumentWindow = False", "  Set YB.ActiveDocument = p",
       "  Print \"active \"; YB.ActiveDocument.Name", "End Sub"},
      "active "));
  EXPECT_TRUE(Said("active pendulum.yb\n")) << Program()->Output();
  EXPECT_EQ(Me().Grab(view).Differences(shown), 0) << "the world is not shown as before";
}

// Hiding the active document's window hands the menus to the document still shown.
TEST_F(ScriptDocuments, HidingTheActiveWindowMakesTheShownDocumentActive) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  Me().Control("n");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(RunUntilSaid("hide-active.ybs",
                           {"Sub Main()", "  Print \"before \"; YB.ActiveDocument.Name",
                            "  YB.ActiveDocument.ShowDocumentWindow = False",
                            "  Print \"after \"; YB.ActiveDocument.Name", "End Sub"},
                           "after "));
  const std::string said = Program()->Output();
  EXPECT_EQ(said.find("before pendulum"), std::string::npos) << said;
  EXPECT_NE(said.find("after pendulum"), std::string::npos) << said;
}

}  // namespace
}  // namespace scenario
