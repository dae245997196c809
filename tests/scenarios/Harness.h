#pragma once
// Drives the real program as a person does: a private virtual X server per scenario group, the
// program started on it with a private home, and input sent only through the XTest extension
// (pointer moves, button presses and releases, keys). A scenario never sleeps to let the program
// catch up: it asks the program whether it is idle (a client message answered by a window
// property once every earlier event is handled) and otherwise waits for what it can observe (a
// titled window, the keyboard focus, pixels, the program's exit).

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Xlib's own types, without its macros (None, Status, ...), which would clash with test code.
struct _XDisplay;
using XDisplay = _XDisplay;
using XWindowId = unsigned long;

namespace scenario {

// How long a scenario waits for an event before it calls it a failure: generous, since sanitizer
// builds on busy cores are slow; a passing scenario never waits this long.
constexpr int kPatience = 60000;

struct Box {
  int x = 0, y = 0, width = 0, height = 0;
  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Empty() const { return width <= 0 || height <= 0; }
  bool operator==(const Box& other) const = default;
};

// Pixels read back from the screen, 0x00RRGGBB, row by row.
struct Picture {
  Box box;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * box.width + x)]; }
  bool operator==(const Picture& other) const = default;
  // How many pixels differ from another picture of the same box.
  int Differences(const Picture& other) const;
  // How many pixels satisfy the test.
  int Count(const std::function<bool(uint32_t)>& test) const;
  // The smallest box holding every pixel that satisfies the test, in screen coordinates; empty
  // when there is none.
  Box BoundsOf(const std::function<bool(uint32_t)>& test) const;
};

// Ink rather than paper: a pixel whose channels are all dark.
bool IsInk(uint32_t pixel);

// The box of a circle hanging lowest in the picture, as a pendulum's bob hangs under its rod: its
// foot is the middle of the lowest run of pixels that pass `ink`, and its radius how far left of
// the foot its outline reaches in the rows below its middle (where no rod from above comes). An
// empty box when nothing passes.
Box HangingCircle(const Picture& picture, bool (*ink)(uint32_t) = IsInk);

// The smallest box that holds every pixel in which two pictures of one place differ, in screen
// coordinates; empty when they are alike.
Box ChangedBox(const Picture& before, const Picture& after);

// The track of a horizontal slider that appeared between two pictures of one place, in screen
// coordinates, without its name above it or its value beside it: the longest run of changed
// pixels in a row (the track's framed edge), from the first to the last row where a run as long
// starts at the same place. Empty when nothing changed.
Box SliderTrack(const Picture& before, const Picture& after);

// A virtual X server of its own (the server picks a free display number, so parallel runs never
// share one), without a window manager, and a connection to it.
class VirtualDesktop {
 public:
  VirtualDesktop();
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  bool Running() const { return display_ != nullptr; }
  const std::string& Name() const { return name_; }  // ":N"
  XDisplay* Display() const { return display_; }
  const std::string& Failure() const { return failure_; }

 private:
  pid_t server_ = -1;
  std::string name_;
  XDisplay* display_ = nullptr;
  std::string failure_;
};

// A private place for the program: home, settings, runtime and DDE folders, and copies of the
// bundled samples that a scenario may change.
class PrivateHome {
 public:
  PrivateHome();
  ~PrivateHome();
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;

  const std::string& Root() const { return root_; }
  std::string Sample(const std::string& name) const { return root_ + "/samples/" + name; }
  std::string Path(const std::string& name) const { return root_ + "/" + name; }
  std::string Output() const { return root_ + "/output.txt"; }

 private:
  std::string root_;
};

// The program under test: the test tree's sanitizer build, or YB_SCENARIO_PROGRAM.
std::string ProgramPath();

class RunningProgram {
 public:
  using Environment = std::vector<std::pair<std::string, std::string>>;
  RunningProgram(const VirtualDesktop& desktop, const PrivateHome& home,
                 const std::vector<std::string>& arguments, const Environment& extra = {});
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return pid_ > 0; }
  // Waits for the end of the program; true once it has ended (0 milliseconds: has it ended?).
  bool WaitForExit(int milliseconds = kPatience);
  bool Exited() const { return exited_; }
  // 0 for a clean end with status 0.
  int ExitCode() const;
  std::string Output() const;

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
  std::string output_;
};

// The input a person gives and what a person sees, on one desktop.
class Person {
 public:
  explicit Person(XDisplay* display) : display_(display) {}

  // Pointer and buttons (1 left, 3 right), keys by X keysym name ("Return", "a", "F1").
  void MoveTo(int x, int y);
  void Press(int button = 1);
  void Release(int button = 1);
  void Click(int x, int y, int button = 1);
  // A click with the shift key held, which adds to the selection or takes out of it (pressed as
  // a chord is).
  void ShiftClick(int x, int y);
  void DoubleClick(int x, int y);
  // A slow drag waits for the program to be idle after each of its moves; a fast one sends the
  // press, three moves and the release together.
  void SlowDrag(int fromX, int fromY, int toX, int toY, int moves = 8);
  void FastDrag(int fromX, int fromY, int toX, int toY);
  // A key pressed and released; with modifiers held, as a person presses a chord: the modifiers
  // go down, the program settles, the key is pressed and released, the program settles, the
  // modifiers come up.
  void Key(const std::string& keysym, const std::vector<std::string>& held = {});
  void Control(const std::string& keysym) { Key(keysym, {"Control_L"}); }
  // The modifiers held down around what `act` does, as Key holds them around a key.
  void HoldWhile(const std::vector<std::string>& held, const std::function<void()>& act);
  // Typed key by key, each handled before the next: letters, digits and the punctuation of file
  // names.
  void Type(const std::string& text);

  // The program's answer to "are you idle?" for the main window: every event sent before it has
  // been handled and nothing is left to do. Fails after kPatience.
  ::testing::AssertionResult Idle();
  // The lighter answer: every event sent before it has been handled and the program has done its
  // idle work since. A running world, never idle, still settles between its frames.
  ::testing::AssertionResult Settle();

  // Top-level windows shown on the screen.
  XWindowId MainWindow() const;  // the frame, titled "Yarrowby..."
  XWindowId WindowTitled(const std::string& title) const;
  // The main frame while it names an untitled world: "Untitled", or a later one's numbered name.
  XWindowId UntitledWorldWindow() const;
  static bool NamesUntitledWorld(const std::string& title);
  std::vector<std::string> Titles() const;
  std::string FocusedTitle() const;
  Box Place(XWindowId window) const;
  int ShownWindows() const;
  std::vector<XWindowId> Shown() const;
  std::vector<Box> ShownPlaces() const;

  Picture Grab(const Box& box) const;
  Picture GrabScreen() const;
  bool SavePng(const std::string& path) const;

  // Waits until `done` holds (polled); false after `milliseconds`.
  bool WaitUntil(const std::function<bool()>& done, int milliseconds = kPatience) const;

 private:
  void Flush() const;
  void Tap(const std::string& keysym);
  // Sends the question to the main window and waits for its answer; `goneAnswers`: a main window
  // that goes meanwhile counts as an answer.
  ::testing::AssertionResult Ask(const char* probeName, const char* answerName, bool goneAnswers);
  XDisplay* display_;
  long serial_ = 0;
};

// A menu item named by its labels, from the menu bar's title down.
using MenuPath = std::vector<std::string>;

// What the program puts into its menus as it runs, which its menu resource cannot say.
struct MenuShape {
  // The menu resource whose popup stands as the Input or Meter menu for the selection
  // ("InCircleMenu", "OutMassMenu").
  std::string objectMenu{};
  // How many recent files the File menu lists (its placeholder, when none, counts as one).
  int recentFiles = 1;
  // The menu bar: the editing one, or player mode's "PLAYERMODE".
  std::string bar{};
};

// Menus as a person looks at them rather than chooses from them, laid out from the editing
// menu bar's resource: the middle of a title on the bar of the main window shown at `frame`
// (screen pixels; -1 when there is no such title), and the row of the item at the end of the
// path in its popup shown at `popup` (empty when there is none), where its check mark or grey
// letters are seen.
int MenuTitleMiddle(const Box& frame, const std::string& title);
Box MenuItemRow(const Box& popup, const MenuPath& path);

// A scenario group: one virtual desktop and one program start shared by the tests of a suite;
// a test that needs a fresh program (or whose predecessor failed) starts it again.
class Scenario : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Starts (again) the program on a document of the private samples ("" for none), without the
  // start-up picture; waits for its main window and its first idle answer.
  ::testing::AssertionResult Start(const std::string& sample = "spring-and-pin.yb",
                                   const RunningProgram::Environment& extra = {});
  // Starts the program as Start does, without waiting for a main window (a start that ends in
  // an alert).
  RunningProgram& Launch(const std::vector<std::string>& arguments,
                         const RunningProgram::Environment& extra = {});
  // The program the group shares, started on the sample when there is none to go on with.
  ::testing::AssertionResult Running(const std::string& sample = "spring-and-pin.yb");
  // Ends the program by killing it (the next Start begins afresh).
  void Stop();
  // A script file of the private home, its lines ended as the program's own scripts end them.
  static std::string WriteScript(const std::string& name, const std::vector<std::string>& lines);

  static VirtualDesktop& Desktop();
  static PrivateHome& Home();
  static Person& Me();
  static RunningProgram* Program();

  // The main window's place and the places of its furniture, from the layer's metrics.
  Box Frame() const;
  // Chooses a menu item by its labels as the program's menu resource writes them, without their
  // '&' marks and shortcuts, from the menu bar's title down: {"World", "Force Fields",
  // "Gravity..."}; then takes the pointer away from the window and waits for the program to
  // finish what the item began (a dialog that opens is waited for by the scenario itself).
  ::testing::AssertionResult Choose(const MenuPath& path, const MenuShape& shape = {});
  // The same, leaving the pointer where it clicked and not waiting: for items that start
  // something the scenario watches as it goes (a run, a modal loop).
  ::testing::AssertionResult Click(const MenuPath& path, const MenuShape& shape = {});
  // File > the n-th recent file (1 for the first).
  ::testing::AssertionResult ChooseRecentFile(int n);
  // Window > the n-th document window that the menu lists (1 for the first).
  ::testing::AssertionResult ChooseWindow(int n);
  // A fresh program on a sample, once the splash window has gone; the pointer waits outside the
  // main window, where it raises no tool tip.
  ::testing::AssertionResult StartOnSample(const std::string& sample);
  // File > More Exports > DXF of This Frame..., and the drawing's path typed over the name the
  // dialog proposes.
  ::testing::AssertionResult ExportShownFrame(const std::string& path);
  // A World menu item by its letter (Alt+W, then the letter), the times asked, idle after each.
  static ::testing::AssertionResult WorldMenuByKeys(const std::string& letter, int times = 1);

 private:
  // Opens the menu of a bar title at one click; `popup` is where its items are clicked.
  ::testing::AssertionResult OpenTitle(const std::string& title, const MenuShape& shape,
                                       Box& popup);
  // Clicks in a title's menu `pixelsMore` below the middle of the item after `itemsAbove` of its
  // resource's items (a place the program fills as it runs).
  ::testing::AssertionResult ClickBelow(const std::string& title, int itemsAbove, int pixelsMore);
};

// A scenario that fails for a fault that another piece of work mends: it runs, its failure is
// reported as waiting, and only a pass (time to remove the mark) fails the run.
void MarkWaiting(const std::string& forWhat);
#define WAITS_FOR(title) ::scenario::MarkWaiting(title)

// Takes a picture of the screen at the running test's first failure, into YB_SCENARIO_FAILURES
// (or /tmp), and says where; or says why there is none.
void PictureTheFailure();

}  // namespace scenario
