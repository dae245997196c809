// The program's main window on a desktop without a window manager (a bare virtual X server, as
// a newcomer may meet it): it names the document it opened, moves by its caption, offers no
// minimize that nothing could undo, and closes by its close box, and the program then ends
// cleanly, with the leak check on in sanitizer builds. A start-up script in the program's folder
// runs once the document is open, and File > Quit ends the program with 0. A run started with
// Ctrl+R stops at Ctrl+.: the keys reach the program while it runs.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/TApp.h"
#include "model/world/QVDoc.h"
#include "platform/win32/MenuLayout.h"
#include "tests/app/ProgramDocuments.h"
#include "platform/win32/Window.h"
#include "scripting/host/Application.h"

// Last: Xlib's macros (None, Status, ...) would clash with the names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Set in the copy of this test that runs under the virtual display.
constexpr char kUnderVirtualDisplay[] = "YB_MAIN_WINDOW_UNDER_XVFB";

using Clock = std::chrono::steady_clock;

void Pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string SelfPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  path[length] = '\0';
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Suppressions() {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tools/lsan-suppressions.txt";
}

// The program, started with the leak check on; its output goes to a file.
class Program {
 public:
  // programFolder, when given, stands for the program's own folder (where qvstart.ybs is).
  Program(const std::string& output, const std::string& document,
          const std::string& programFolder = {}) {
    pid_ = fork();
    if (pid_ != 0) return;
    const std::string lsan = "suppressions=" + Suppressions() + ":print_suppressions=0";
    setenv("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1", 1);
    setenv("LSAN_OPTIONS", lsan.c_str(), 1);
    if (!programFolder.empty()) setenv("YB_PROGRAM_DIR", programFolder.c_str(), 1);
    // The program keeps its settings beside the output, never in the user's own.
    setenv("XDG_CONFIG_HOME", (output + ".config").c_str(), 1);
    if (!freopen(output.c_str(), "w", stdout) || !freopen(output.c_str(), "a", stderr)) _exit(126);
    execl(YB_PROGRAM, YB_PROGRAM, document.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ~Program() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Started() const { return pid_ > 0; }
  // Waits at most `milliseconds` for the program to end; true once it has.
  bool WaitForExit(int milliseconds) {
    const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
    // Looks at least once, so that a wait of 0 milliseconds asks whether it has ended.
    while (!exited_) {
      exited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
      if (exited_ || Clock::now() >= end) break;
      Pause(20);
    }
    return exited_;
  }
  int ExitStatus() const { return status_; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
};

struct Placement {
  int x = 0, y = 0, width = 0, height = 0;
};

// How many top-level windows the X server shows.
int MappedWindows(Display* display) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return 0;
  int mapped = 0;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable)
      ++mapped;
  }
  if (children) XFree(children);
  return mapped;
}

// The program's window as the X server shows it: the mapped top-level window of the default
// size. With no window manager, its position is its place on the screen.
bool FindMainWindow(Display* display, Placement* found, std::string* title = nullptr) {
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return false;
  bool any = false;
  for (unsigned i = 0; i < count && !any; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    if (attributes.map_state != IsViewable || attributes.width != 800) continue;
    *found = Placement{attributes.x, attributes.y, attributes.width, attributes.height};
    any = true;
    char* name = nullptr;
    if (title && XFetchName(display, children[i], &name) && name) {
      *title = name;
      XFree(name);
    }
  }
  if (children) XFree(children);
  return any;
}

// The titles of the mapped top-level windows: a dialog is told from a menu popup, which has
// none, so a test never types into a dialog that is not there yet.
std::vector<std::string> MappedTitles(Display* display) {
  std::vector<std::string> titles;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return titles;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) ||
        attributes.map_state != IsViewable)
      continue;
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name) {
      titles.emplace_back(name);
      XFree(name);
    }
  }
  if (children) XFree(children);
  return titles;
}

bool MappedWindowTitled(Display* display, const std::string& wanted) {
  const std::vector<std::string> titles = MappedTitles(display);
  return std::find(titles.begin(), titles.end(), wanted) != titles.end();
}

std::string Joined(const std::vector<std::string>& titles) {
  std::string all;
  for (const std::string& title : titles) all += "\"" + title + "\" ";
  return all;
}

// The title of the top-level window that holds the keyboard focus ("" when none has it).
std::string FocusedTitle(Display* display) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  if (focus == None || focus == PointerRoot) return "";
  std::string title;
  char* name = nullptr;
  if (XFetchName(display, focus, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

template <class Done>
bool Within(int milliseconds, Done done) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < end) {
    if (done()) return true;
    Pause(20);
  }
  return done();
}

void Key(Display* display, KeySym symbol, bool down) {
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down ? True : False, CurrentTime);
  XFlush(display);
  Pause(15);
}

void PointerTo(Display* display, int x, int y) {
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XFlush(display);
  Pause(15);
}

void LeftButton(Display* display, bool down) {
  XTestFakeButtonEvent(display, 1, down ? True : False, CurrentTime);
  XFlush(display);
  Pause(15);
}

// Clicks an item of the open menu until it is taken: a click that comes before a busy program's
// menu tracks the mouse is not seen, and the menu (the untitled window) stays open.
template <class Click, class Done>
bool ChooseMenuItem(Display* display, Click click, Done done) {
  return Within(20000, [&] {
    if (!done() && MappedWindowTitled(display, "")) {
      click();
      Within(2000, done);
    }
    return done();
  });
}

// The virtual display, with the program's windows coming and going under the test's feet: a
// window that went between listing and asking about it is no error (the default handler would end
// the test's process).
int IgnoreVanishedWindows(Display*, XErrorEvent* error) {
  if (error->error_code == BadWindow) return 0;
  ADD_FAILURE() << "X error " << int(error->error_code) << " on request "
                << int(error->request_code);
  return 0;
}

Display* OpenDisplay() {
  XSetErrorHandler(IgnoreVanishedWindows);
  return XOpenDisplay(nullptr);
}

void Click(Display* display, int x, int y) {
  PointerTo(display, x, y);
  LeftButton(display, true);
  LeftButton(display, false);
}

// Opens the File menu of the main window shown at `shown` (the menu bar lies under the caption,
// File first on it) and chooses the item below the given items and separators until `done`.
template <class Done>
::testing::AssertionResult ChooseFromFileMenu(Display* display, const Placement& shown,
                                              int itemsAbove, int separatorsAbove, Done done) {
  const int frame = GetSystemMetrics(SM_CXFRAME);
  const int barTop = shown.y + frame + GetSystemMetrics(SM_CYCAPTION);
  const int barHeight = GetSystemMetrics(SM_CYMENU);
  Click(display, shown.x + frame + 10, barTop + barHeight / 2);
  if (!Within(20000, [&] { return MappedWindows(display) == 2; }))
    return ::testing::AssertionFailure() << "the File menu did not open";
  const int itemY = barTop + barHeight + 1 + itemsAbove * kMenuItemHeight +
                    separatorsAbove * kMenuSeparatorHeight + kMenuItemHeight / 2;
  if (!ChooseMenuItem(display, [&] { Click(display, shown.x + frame + 20, itemY); }, done))
    return ::testing::AssertionFailure() << "the File menu's item was not taken";
  return ::testing::AssertionSuccess();
}

// The full name of the test that runs.
std::string CurrentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

void RunUnderVirtualDisplay() {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xvfb-run is not installed, so the main window cannot be driven on a virtual "
                    "display (tools/packages/test-windows.txt lists the xvfb package)";
  char output[] = "/tmp/yb-mainwindow-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  // Each test process starts its search for a free display number at its own place, so that
  // virtual displays started side by side never share one server.
  const std::string command = std::string(kUnderVirtualDisplay) + "=1 LSAN_OPTIONS=suppressions='" +
                              Suppressions() + "' xvfb-run -a -n " +
                              std::to_string(100 + getpid() % 30000) +
                              " -s '-screen 0 1024x768x24' '" + SelfPath() +
                              "' --gtest_filter=" + CurrentTestName() + " >" + output + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << "under the virtual display:\n" << ReadAll(output);
  std::remove(output);
}

TEST(MainWindow, MovesByItsCaptionAndClosesByItsCloseBox) {
  // Always on a display of its own without a window manager, never on the user's desktop.
  if (!std::getenv(kUnderVirtualDisplay)) {
    RunUnderVirtualDisplay();
    return;
  }
  Display* display = OpenDisplay();
  ASSERT_NE(display, nullptr);
  char output[] = "/tmp/yb-program-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    Program program(output, YB_SAMPLES_DIR "/spring-and-pin.yb");
    ASSERT_TRUE(program.Started());
    Placement before;
    ASSERT_TRUE(Within(20000, [&] { return FindMainWindow(display, &before); }))
        << "the main window never appeared:\n"
        << ReadAll(output);
    // The document named on the command line is opened in the event loop and named in the title.
    std::string title;
    EXPECT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &before, &title) && title == "Yarrowby - spring-and-pin.yb";
    })) << "the title is \"" << title << "\"";

    // Drag the caption by (60, 40), in steps as a hand would.
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    const int grabX = before.x + 100, grabY = before.y + frame + caption / 2;
    PointerTo(display, grabX, grabY);
    LeftButton(display, true);
    for (int step = 1; step <= 6; ++step)
      PointerTo(display, grabX + 10 * step, grabY + 40 * step / 6);
    LeftButton(display, false);
    Placement after;
    EXPECT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &after) && after.x == before.x + 60 &&
             after.y == before.y + 40;
    })) << "the window is at (" << after.x << ", " << after.y << "), was at (" << before.x
        << ", " << before.y << ")";

    // The close box sits at the right end of the caption, the minimize box two boxes left of it.
    const int box = caption - 4;
    const int closeX = after.x + after.width - frame - 2 - box / 2;
    const int closeY = after.y + frame + 2 + box / 2;
    // With no window manager nothing could give a minimized window back: the minimize box does
    // nothing, and the next click, on the close box, acts at once.
    Click(display, closeX - 2 * box - 2, closeY);
    Placement still;
    EXPECT_TRUE(FindMainWindow(display, &still)) << "the minimize box took the window away";
    Click(display, closeX, closeY);
    const bool ended = program.WaitForExit(20000);
    ASSERT_TRUE(ended) << "the close box did not end the program:\n" << ReadAll(output);
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()) && WEXITSTATUS(program.ExitStatus()) == 0)
        << "the program ended with status " << program.ExitStatus() << ":\n"
        << ReadAll(output);
  }
  std::remove(output);
  XCloseDisplay(display);
}

TEST(MainWindow, AnAlertAboutADocumentThatCannotBeReadIsAnsweredFromTheKeyboard) {
  if (!std::getenv(kUnderVirtualDisplay)) {
    RunUnderVirtualDisplay();
    return;
  }
  Display* display = OpenDisplay();
  ASSERT_NE(display, nullptr);
  char output[] = "/tmp/yb-program-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    // A document named on the command line that cannot be read: the program says so in an
    // alert, and start-up ends there once it is answered.
    Program program(output, "/nonexistent/world.yb");
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(Within(20000, [&] { return MappedWindows(display) == 1; }))
        << "no alert appeared:\n"
        << ReadAll(output);
    // Return answers the alert from the keyboard.
    Key(display, XK_Return, true);
    Key(display, XK_Return, false);
    ASSERT_TRUE(program.WaitForExit(20000))
        << "the alert was not answered by Return:\n"
        << ReadAll(output);
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()) && WEXITSTATUS(program.ExitStatus()) == 1)
        << "the program ended with status " << program.ExitStatus() << ":\n"
        << ReadAll(output);
    EXPECT_NE(ReadAll(output).find("The document \"/nonexistent/world.yb\" was not opened."),
              std::string::npos)
        << ReadAll(output);
  }
  std::remove(output);
  XCloseDisplay(display);
}

TEST(MainWindow, RunsTheStartupScriptAfterTheDocumentOpensAndQuitsFromTheFileMenu) {
  if (!std::getenv(kUnderVirtualDisplay)) {
    RunUnderVirtualDisplay();
    return;
  }
  Display* display = OpenDisplay();
  ASSERT_NE(display, nullptr);
  char folder[] = "/tmp/yb-program-folder-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string script = std::string(folder) + "/qvstart.ybs";
  std::ofstream(script, std::ios::binary)
      << "Sub Main()\r\n  Print YB.Version\r\n  Print YB.Documents.Count\r\n"
         "  Print YB.ActiveDocument Is YB.Documents.Item(1)\r\n  Print YB.CurrentScriptPath\r\n"
         "End Sub\r\n";
  const std::string expected =
      std::string(TAPIApplication::kVersion) + "\n1\nTrue\n" + std::string(folder) + "/\n";
  char output[] = "/tmp/yb-program-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    Program program(output, YB_SAMPLES_DIR "/spring-and-pin.yb", folder);
    ASSERT_TRUE(program.Started());
    Placement shown;
    std::string title;
    ASSERT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &shown, &title) && title == "Yarrowby - spring-and-pin.yb";
    })) << "the main window never named the document:\n"
        << ReadAll(output);
    // The script has spoken once start-up is over.
    EXPECT_TRUE(Within(20000, [&] { return ReadAll(output) == expected; })) << ReadAll(output);

    // File > Quit with the mouse: Quit follows New, Open, Close, Save, Save As, Page Setup,
    // Print, Import, Export, Export Settings and the one recent file, with three separators
    // between them.
    ASSERT_TRUE(ChooseFromFileMenu(display, shown, 11, 3, [&] { return program.WaitForExit(0); }))
        << "File > Quit did not end the program:\n"
        << ReadAll(output);
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()) && WEXITSTATUS(program.ExitStatus()) == 0)
        << "the program ended with status " << program.ExitStatus() << ":\n"
        << ReadAll(output);
    EXPECT_EQ(ReadAll(output), expected);
  }
  std::remove(output);
  std::remove(script.c_str());
  rmdir(folder);
  std::error_code ignored;
  std::filesystem::remove_all(std::string(output) + ".config", ignored);
  XCloseDisplay(display);
}

// The window's pixels as the X server shows them.
std::vector<unsigned long> WindowPixels(Display* display, const Placement& shown) {
  std::vector<unsigned long> pixels;
  XImage* image = XGetImage(display, DefaultRootWindow(display), shown.x, shown.y,
                            static_cast<unsigned>(shown.width),
                            static_cast<unsigned>(shown.height), AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  for (int y = 0; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x) pixels.push_back(XGetPixel(image, x, y));
  XDestroyImage(image);
  return pixels;
}

void ControlKey(Display* display, KeySym symbol) {
  Key(display, XK_Control_L, true);
  Key(display, symbol, true);
  Key(display, symbol, false);
  Key(display, XK_Control_L, false);
}

TEST(MainWindow, ARunWithoutAnEndStopsAtTheStopKey) {
  if (!std::getenv(kUnderVirtualDisplay)) {
    RunUnderVirtualDisplay();
    return;
  }
  Display* display = OpenDisplay();
  ASSERT_NE(display, nullptr);
  char output[] = "/tmp/yb-program-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    // The sample has no stop frame: its run goes on until it is stopped.
    Program program(output, YB_SAMPLES_DIR "/spring-and-pin.yb");
    ASSERT_TRUE(program.Started());
    Placement shown;
    std::string title;
    ASSERT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &shown, &title) && title == "Yarrowby - spring-and-pin.yb";
    })) << ReadAll(output);
    Pause(500);
    const std::vector<unsigned long> still = WindowPixels(display, shown);
    ControlKey(display, XK_r);
    ASSERT_TRUE(Within(20000, [&] { return WindowPixels(display, shown) != still; }))
        << "the world did not run:\n" << ReadAll(output);
    ControlKey(display, XK_period);
    // Stopped, the window shows one frame and stays as it is.
    std::vector<unsigned long> last;
    EXPECT_TRUE(Within(20000, [&] {
      std::vector<unsigned long> now = WindowPixels(display, shown);
      Pause(500);
      const bool same = WindowPixels(display, shown) == now;
      last = std::move(now);
      return same;
    })) << "the run went on after the stop key:\n" << ReadAll(output);
    // File > Quit asks whether to save the world the run changed; N answers No.
    const auto asking = [&] {
      return MappedWindows(display) == 2 && !MappedWindowTitled(display, "");
    };
    ASSERT_TRUE(ChooseFromFileMenu(display, shown, 11, 3, asking))
        << "File > Quit did not ask to save the changed world:\n" << ReadAll(output);
    Key(display, XK_n, true);
    Key(display, XK_n, false);
    ASSERT_TRUE(program.WaitForExit(20000)) << "No did not end the program:\n" << ReadAll(output);
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()) && WEXITSTATUS(program.ExitStatus()) == 0)
        << ReadAll(output);
  }
  std::remove(output);
  std::error_code ignored;
  std::filesystem::remove_all(std::string(output) + ".config", ignored);
  XCloseDisplay(display);
}

TEST(MainWindow, SaveAsFromTheFileMenuWritesAWorldThatReadsBackAndRewritesAlike) {
  if (!std::getenv(kUnderVirtualDisplay)) {
    RunUnderVirtualDisplay();
    return;
  }
  Display* display = OpenDisplay();
  ASSERT_NE(display, nullptr);
  // A folder whose name is typed with plain keys: lower-case letters, digits and dashes.
  const std::string folder = "/tmp/yb-saveas-" + std::to_string(getpid());
  std::filesystem::create_directories(folder);
  const std::string saved = folder + "/saved.yb";
  char output[] = "/tmp/yb-program-XXXXXX";
  const int fd = mkstemp(output);
  ASSERT_GE(fd, 0);
  close(fd);
  {
    Program program(output, YB_SAMPLES_DIR "/spring-and-pin.yb");
    ASSERT_TRUE(program.Started());
    Placement shown;
    std::string title;
    ASSERT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &shown, &title) && title == "Yarrowby - spring-and-pin.yb";
    })) << ReadAll(output);
    // File > Save As..., the fifth item.
    ASSERT_TRUE(ChooseFromFileMenu(display, shown, 4, 0, [&] {
      return MappedWindows(display) == 2 && MappedWindowTitled(display, "Save the world as");
    }))
        << "the save dialog did not open; mapped: " << Joined(MappedTitles(display));
    // Keys go where the focus is: type only once the dialog holds it.
    ASSERT_TRUE(Within(20000, [&] { return FocusedTitle(display) == "Save the world as"; }))
        << "the save dialog did not take the keyboard focus: " << FocusedTitle(display);
    Pause(300);
    for (const char c : saved) {
      const std::string name(1, c);
      const KeySym symbol = c == '/'   ? XK_slash
                            : c == '-' ? XK_minus
                            : c == '.' ? XK_period
                                       : XStringToKeysym(name.c_str());
      Key(display, symbol, true);
      Key(display, symbol, false);
    }
    Key(display, XK_Return, true);
    Key(display, XK_Return, false);
    ASSERT_TRUE(Within(20000, [&] { return std::filesystem::exists(saved); }))
        << "Save As wrote nothing:\n" << ReadAll(output);
    EXPECT_TRUE(Within(20000, [&] {
      return FindMainWindow(display, &shown, &title) && title == "Yarrowby - saved.yb";
    })) << title;

    // File > Quit, below the two recent files now; the saved world closes without a question.
    ASSERT_TRUE(ChooseFromFileMenu(display, shown, 12, 3, [&] { return program.WaitForExit(0); }))
        << "File > Quit did not end the program:\n"
        << ReadAll(output);
    EXPECT_TRUE(WIFEXITED(program.ExitStatus()) && WEXITSTATUS(program.ExitStatus()) == 0)
        << ReadAll(output);
  }
  // What was written reads back and is written again byte for byte.
  {
    TApp app;
    app.LoadResourceDlls();
    app.InitUnits();
    {
      TQVDoc readBack;
      readBack.ReadDocument(saved);
      const std::string again = folder + "/again.yb";
      readBack.WriteDocument(again);
      EXPECT_EQ(program_documents::FirstDifference(program_documents::ReadBytes(saved),
                                                   program_documents::ReadBytes(again)),
                -1);
    }
    app.TermUnits();
    app.FreeResourceDlls();
  }
  std::remove(output);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  std::filesystem::remove_all(std::string(output) + ".config", ignored);
  XCloseDisplay(display);
}

}  // namespace
