#include "platform/display/SdlPresenter.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "tests/platform/display/DesktopStack.h"
#include "tests/platform/display/FakePointer.h"

namespace {

struct Clicks {
  int32_t count = 0;
  POINT at;
};
Clicks gClicks;

LRESULT ClickProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    ++gClicks.count;
    gClicks.at = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  }
  return DefWindowProc(window, message, wParam, lParam);
}

// Pumps desktop events and messages until `done` holds or the time is up.
template <class Done>
bool PumpUntil(WindowPresenter& presenter, Done done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    presenter.WaitForEvents(20);
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessage(&message);
    if (done()) return true;
  }
  return done();
}

std::string SelfPath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  path[length] = '\0';
  return path;
}

std::string TempFile(const std::string& contents) {
  char path[] = "/tmp/yb-display-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return {};
  const ssize_t written = write(fd, contents.data(), contents.size());
  close(fd);
  return written == static_cast<ssize_t>(contents.size()) ? path : "";
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Runs one test of this file again in a child process on a private virtual display, which has no
// window manager.
void RunUnderVirtualDisplay(const char* testName) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "xvfb-run is not installed, so no virtual display can be started for the "
                    "desktop window test (tools/packages/test-windows.txt lists the xvfb package)";
  // The child opens and closes a real window with the leak check on (in sanitizer builds): what
  // the desktop's own libraries keep until exit is suppressed by name, a leak of ours fails it.
  const std::string output = TempFile("");
  ASSERT_FALSE(output.empty());
  const char* source = std::getenv("YB_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "YB_SOURCE_DIR names the source tree (CTest sets it)";
  const std::string command =
      "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions='" +
      std::string(source) + "/tools/lsan-suppressions.txt' xvfb-run -a -n " +
      std::to_string(100 + getpid() % 30000) + " -s '-screen 0 800x600x24' '" + SelfPath() +
      "' --gtest_filter=SdlPresenterTest." + testName + " >" + output + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << "the test failed under the virtual display:\n"
                                             << ReadAll(output);
  std::remove(output.c_str());
}

// The window layer on the real desktop through a fresh presenter, with a class of the procedure
// registered; the layer is reset when it goes.
struct OnTheDesktop {
  OnTheDesktop(WNDPROC procedure, const char* className) {
    ResetWindowSystem();
    UseProcessClock();
    presenter = SdlPresenter::Create();
    if (!presenter) return;
    SetWindowPresenter(presenter.get());
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = className;
    RegisterClass(&windowClass);
  }
  ~OnTheDesktop() {
    ResetWindowSystem();
    SetWindowPresenter(nullptr);
  }
  std::unique_ptr<SdlPresenter> presenter;
};

TEST(SdlPresenterTest, KeypadKeysBecomeTheLayersKeysTheDecimalPointIncluded) {
  EXPECT_EQ(SdlPresenter::VirtualKeyOf(SDLK_KP_PERIOD), VK_DECIMAL);
  EXPECT_EQ(SdlPresenter::VirtualKeyOf(SDLK_KP_0), VK_NUMPAD0);
  EXPECT_EQ(SdlPresenter::VirtualKeyOf(SDLK_KP_9), VK_NUMPAD0 + 9);
}

TEST(SdlPresenterTest, ARealClickReachesAWindowProcedure) {
  if (!DisplayAvailable()) {
    RunUnderVirtualDisplay("ARealClickReachesAWindowProcedure");
    return;
  }
  OnTheDesktop onDesktop(ClickProc, "Clickable");
  ASSERT_NE(onDesktop.presenter, nullptr);
  SdlPresenter* presenter = onDesktop.presenter.get();
  const HWND window = CreateWindowEx(0, "Clickable", "Click me", WS_POPUP | WS_VISIBLE, 100, 100,
                                     200, 150, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(presenter->DesktopWindowOf(window), nullptr);
  PumpUntil(
      *presenter, [] { return false; }, 300);  // let the window appear

  // A loaded display may map the window later than that; a click that met no window is lost, so
  // click again until one arrives.
  bool clicked = false;
  for (int attempt = 0; attempt < 8 && !clicked; ++attempt) {
    ASSERT_TRUE(FakeLeftClick(130, 140));
    clicked = PumpUntil(
        *presenter, [] { return gClicks.count > 0; }, 1000);
  }
  EXPECT_TRUE(clicked);
  EXPECT_EQ(gClicks.at.x, 30);
  EXPECT_EQ(gClicks.at.y, 40);

  // Text put on our clipboard reaches the desktop's, as UTF-8.
  OpenClipboard(nullptr);
  EmptyClipboard();
  const HGLOBAL text = GlobalAlloc(GHND, 6);
  std::memcpy(GlobalLock(text), "caf\xE9!", 6);
  GlobalUnlock(text);
  SetClipboardData(CF_TEXT, text);
  CloseClipboard();
  std::string desktop;
  EXPECT_TRUE(presenter->GetDesktopText(&desktop));
  EXPECT_EQ(desktop, "caf\xC3\xA9!");

  DestroyWindow(window);
}

// Handles every desktop event that the requests made so far have caused (the question to the
// server answers only once they are all in) and every message they led to.
void Settle(WindowPresenter& presenter, SDL_Window* any) {
  KeyboardWindow(any);
  presenter.PollEvents();
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessage(&message);
}

// Whether a thread of this process sleeps (waits in the kernel) rather than runs.
bool Sleeping(pid_t thread) {
  std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::string line;
  std::getline(stat, line);
  const size_t name = line.rfind(')');
  return name != std::string::npos && line.size() > name + 2 && line[name + 2] == 'S';
}

// Where `window` stands in a stack listed from the front, or -1.
int Place(const std::vector<unsigned long>& stack, unsigned long window) {
  for (size_t i = 0; i < stack.size(); ++i)
    if (stack[i] == window) return static_cast<int>(i);
  return -1;
}

HWND MakeWindow(const char* title, DWORD exStyle, DWORD style, RECT place, HWND owner) {
  return CreateWindowEx(exStyle, "Plain", title, style, place.left, place.top,
                        place.right - place.left, place.bottom - place.top, owner, nullptr,
                        nullptr);
}

// Without a window manager the program is its own: the keyboard stays with the active window
// while pop-ups that never activate come and go (a tool tip, a dropped list), owned windows stay
// in front of their owner on the desktop too, and a window that goes hands the keyboard back.
TEST(SdlPresenterTest, WithoutAManagerTheDesktopFollowsTheLayer) {
  if (!DisplayAvailable()) {
    RunUnderVirtualDisplay("WithoutAManagerTheDesktopFollowsTheLayer");
    return;
  }
  OnTheDesktop onDesktop(DefWindowProc, "Plain");
  ASSERT_NE(onDesktop.presenter, nullptr);
  SdlPresenter* presenter = onDesktop.presenter.get();
  RegisterStandardControls();
  const HWND main =
      MakeWindow("Main", 0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, {40, 40, 440, 340}, nullptr);
  const HWND tool =
      MakeWindow("Tool", 0, WS_POPUP | WS_CAPTION | WS_VISIBLE, {300, 60, 500, 200}, main);
  SDL_Window* any = presenter->DesktopWindowOf(main);
  ASSERT_NE(any, nullptr);
  const auto x = [&](HWND window) { return XWindowOfDesktop(presenter->DesktopWindowOf(window)); };

  // The owner activated after its tool window: the keyboard goes to it, the tool window stays
  // in front of it.
  SetActiveWindow(main);
  Settle(*presenter, any);
  EXPECT_EQ(KeyboardWindow(any), x(main));
  std::vector<unsigned long> stack = StackFromFront(any);
  EXPECT_LT(Place(stack, x(tool)), Place(stack, x(main)));

  // A tool tip shows in front of everything, and takes no keyboard as it comes or goes.
  const HWND tip =
      MakeWindow("", WS_EX_TOPMOST | WS_EX_NOACTIVATE, WS_POPUP | WS_BORDER, {0, 0, 1, 1}, main);
  SetWindowPos(tip, HWND_TOPMOST, 100, 100, 60, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Settle(*presenter, any);
  EXPECT_EQ(StackFromFront(any).front(), x(tip));
  EXPECT_EQ(KeyboardWindow(any), x(main));
  ShowWindow(tip, SW_HIDE);
  Settle(*presenter, any);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(KeyboardWindow(any), x(main));

  // A dropped list stays down: its desktop window takes neither the keyboard nor the activation.
  const HWND combo = CreateWindowEx(0, kComboBoxClass, "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST,
                                    10, 10, 150, 120, main, nullptr, nullptr);
  for (const char* item : {"one", "two", "three"})
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SetFocus(combo);
  SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
  const HWND list = GetComboDroppedList(combo);
  ASSERT_NE(list, nullptr);
  Settle(*presenter, any);
  EXPECT_EQ(GetComboDroppedList(combo), list);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(KeyboardWindow(any), x(main));
  SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);

  // Another window in front; the owner activated again brings its tool window along.
  const HWND other =
      MakeWindow("Other", 0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, {100, 100, 600, 400}, nullptr);
  Settle(*presenter, any);
  EXPECT_EQ(KeyboardWindow(any), x(other));
  EXPECT_EQ(StackFromFront(any).front(), x(other));
  SetActiveWindow(main);
  Settle(*presenter, any);
  stack = StackFromFront(any);
  EXPECT_LT(Place(stack, x(tool)), Place(stack, x(main)));
  EXPECT_LT(Place(stack, x(main)), Place(stack, x(other)));

  // A dialog that goes gives the keyboard back to its owner.
  const HWND dialog =
      MakeWindow("Dialog", 0, WS_POPUP | WS_CAPTION | WS_VISIBLE, {150, 150, 350, 250}, main);
  Settle(*presenter, any);
  EXPECT_EQ(KeyboardWindow(any), x(dialog));
  DestroyWindow(dialog);
  Settle(*presenter, any);
  EXPECT_EQ(GetActiveWindow(), main);
  EXPECT_EQ(KeyboardWindow(any), x(main));
}

// Waiting for the desktop sends nothing to our own desktop windows: a message sent to the newest
// one while the program waits could reach the display after that window was closed (a tool tip
// that went), and be refused. Another program's messages arrive while the presenter waits.
TEST(SdlPresenterTest, AWaitForTheDesktopSendsNothingToOurWindows) {
  if (!DisplayAvailable()) {
    RunUnderVirtualDisplay("AWaitForTheDesktopSendsNothingToOurWindows");
    return;
  }
  OnTheDesktop onDesktop(DefWindowProc, "Plain");
  ASSERT_NE(onDesktop.presenter, nullptr);
  SdlPresenter* presenter = onDesktop.presenter.get();
  const HWND main =
      MakeWindow("Main", 0, WS_OVERLAPPEDWINDOW | WS_VISIBLE, {40, 40, 440, 340}, nullptr);
  const HWND tip =
      MakeWindow("", WS_EX_TOPMOST | WS_EX_NOACTIVATE, WS_POPUP | WS_BORDER, {0, 0, 1, 1}, main);
  SetWindowPos(tip, HWND_TOPMOST, 100, 100, 60, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SDL_Window* any = presenter->DesktopWindowOf(main);
  ASSERT_NE(any, nullptr);
  Settle(*presenter, any);
  const unsigned long target = XWindowOfDesktop(any);

  ClientMessageCounter sent(any, "_YB_TEST_MESSAGE");
  ClientMessageCounter wakes(any, "_SDL_WAKEUP");
  constexpr int kMessages = 5;
  const pid_t waiter = static_cast<pid_t>(syscall(SYS_gettid));
  std::atomic<int> delivered = 0;
  std::atomic<bool> done = false;
  // Each message goes once the one before it was taken in and the presenter's thread sleeps,
  // waiting.
  std::thread other([&] {
    for (int i = 0; i < kMessages; ++i) {
      while (sent.Count() < i || !Sleeping(waiter)) std::this_thread::yield();
      if (SendFromAnotherClient(target, "_YB_TEST_MESSAGE")) ++delivered;
    }
    done = true;
  });
  while (!done || sent.Count() < delivered) presenter->WaitForEvents(100);
  other.join();
  EXPECT_EQ(sent.Count(), kMessages);
  EXPECT_EQ(wakes.Count(), 0);
}

}  // namespace
