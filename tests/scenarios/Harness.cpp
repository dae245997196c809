#include "tests/scenarios/Harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <thread>

#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace scenario {
namespace {

using Clock = std::chrono::steady_clock;

std::string SourceDir() {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return source ? source : YB_SOURCE_FALLBACK;
}

std::string ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Windows come and go under a scenario's feet: asking about one that just went is no error.
int IgnoreVanishedWindows(::Display*, XErrorEvent* error) {
  // (The geometry of a window that went is refused as a bad drawable.)
  if (error->error_code == BadWindow || error->error_code == BadMatch ||
      error->error_code == BadDrawable)
    return 0;
  ADD_FAILURE() << "X error " << int(error->error_code) << " on request "
                << int(error->request_code);
  return 0;
}

std::string TitleOf(::Display* display, Window window) {
  std::string title;
  char* name = nullptr;
  if (XFetchName(display, window, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

std::vector<Window> ShownTopLevels(::Display* display) {
  std::vector<Window> shown;
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return shown;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable)
      shown.push_back(children[i]);
  }
  if (children) XFree(children);
  return shown;
}

KeySym SymbolOf(const std::string& name) {
  if (name.size() == 1) {
    switch (name[0]) {
      case '/': return XK_slash;
      case '-': return XK_minus;
      case '.': return XK_period;
      case '_': return XK_underscore;
      case ' ': return XK_space;
      case ',': return XK_comma;
      default: break;
    }
  }
  return XStringToKeysym(name.c_str());
}

// What a suite shares, set while it runs.
std::unique_ptr<VirtualDesktop> gDesktop;
std::unique_ptr<PrivateHome> gHome;
std::unique_ptr<Person> gPerson;
std::unique_ptr<RunningProgram> gProgram;
// Whether the program shared by the suite may carry on into the next test.
bool gProgramTrusted = false;
std::string gWaitingFor;
// Whether the running test's first failure has had its picture taken.
bool gFailurePictured = false;
std::string gTestName;

}  // namespace

bool IsInk(uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) < 0x80 && ((pixel >> 8) & 0xFF) < 0x80 && (pixel & 0xFF) < 0x80;
}

Box HangingCircle(const Picture& picture, bool (*ink)(uint32_t)) {
  const int width = picture.box.width;
  // The foot: the lowest row with ink, and the middle of its run there.
  int foot = -1;
  for (int v = picture.box.height - 1; v >= 0 && foot < 0; --v) {
    for (int h = 0; h < width; ++h) {
      if (ink(picture.At(h, v))) {
        foot = v;
        break;
      }
    }
  }
  if (foot < 0) return {};
  int first = 0;
  while (!ink(picture.At(first, foot))) ++first;
  int last = first;
  while (last + 1 < width && ink(picture.At(last + 1, foot))) ++last;
  const int centre = (first + last) / 2;
  // Going up from the foot, the outline's left edge moves left until the circle's middle row and
  // back right above it. In each row it is the left end of the first run of ink met going left
  // from the middle after a gap, or of the run at the middle itself where none follows (the flat
  // foot).
  int leftmost = centre;
  for (int v = foot; v >= 0; --v) {
    int h = centre;
    int left = -1;
    while (h >= 0 && ink(picture.At(h, v))) left = h--;
    while (h >= 0 && !ink(picture.At(h, v))) --h;
    if (h >= 0) {
      while (h >= 0 && ink(picture.At(h, v))) left = h--;
    }
    // A row whose outline lies right of the farthest reach by more than a pixel is past the middle.
    if (left < 0 || left > leftmost + 1) break;
    if (left < leftmost) leftmost = left;
  }
  const int radius = centre - leftmost;
  if (radius <= 0) return {};
  return {picture.box.x + centre - radius, picture.box.y + foot - 2 * radius, 2 * radius + 1,
          2 * radius + 1};
}

Box ChangedBox(const Picture& before, const Picture& after) {
  int left = before.box.width, top = before.box.height, right = -1, bottom = -1;
  for (int y = 0; y < before.box.height; ++y) {
    for (int x = 0; x < before.box.width; ++x) {
      if (before.At(x, y) == after.At(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return {before.box.x + left, before.box.y + top, right - left + 1, bottom - top + 1};
}

Box SliderTrack(const Picture& before, const Picture& after) {
  int longest = 0, start = 0, top = -1, bottom = -1;
  for (int y = 0; y < before.box.height; ++y) {
    for (int x = 0; x < before.box.width;) {
      if (before.At(x, y) == after.At(x, y)) {
        ++x;
        continue;
      }
      const int from = x;
      while (x < before.box.width && before.At(x, y) != after.At(x, y)) ++x;
      const int run = x - from;
      if (run > longest) {
        longest = run;
        start = from;
        top = bottom = y;
      } else if (run == longest && from == start) {
        bottom = y;
      }
    }
  }
  if (longest == 0) return {};
  return {before.box.x + start, before.box.y + top, longest, bottom - top + 1};
}

int Picture::Differences(const Picture& other) const {
  if (other.pixels.size() != pixels.size()) return static_cast<int>(pixels.size());
  int count = 0;
  for (size_t i = 0; i < pixels.size(); ++i) count += pixels[i] != other.pixels[i];
  return count;
}

int Picture::Count(const std::function<bool(uint32_t)>& test) const {
  int count = 0;
  for (const uint32_t pixel : pixels) count += test(pixel);
  return count;
}

Box Picture::BoundsOf(const std::function<bool(uint32_t)>& test) const {
  int left = box.width, top = box.height, right = -1, bottom = -1;
  for (int y = 0; y < box.height; ++y) {
    for (int x = 0; x < box.width; ++x) {
      if (!test(At(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return {box.x + left, box.y + top, right - left + 1, bottom - top + 1};
}

// --- The virtual desktop ------------------------------------------------------------------------

VirtualDesktop::VirtualDesktop() {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    failure_ = "no pipe";
    return;
  }
  server_ = fork();
  if (server_ == 0) {
    close(pipeEnds[0]);
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
      dup2(quiet, 1);
      dup2(quiet, 2);
    }
    const std::string fd = std::to_string(pipeEnds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  // The server writes its display number once it accepts connections.
  std::string number;
  char c;
  pollfd watched{pipeEnds[0], POLLIN, 0};
  while (poll(&watched, 1, kPatience) > 0 && read(pipeEnds[0], &c, 1) == 1 && c != '\n')
    number.push_back(c);
  close(pipeEnds[0]);
  if (number.empty()) {
    failure_ = "Xvfb did not start (tools/packages/test-windows.txt lists the xvfb package)";
    return;
  }
  name_ = ":" + number;
  XSetErrorHandler(IgnoreVanishedWindows);
  display_ = XOpenDisplay(name_.c_str());
  if (!display_) failure_ = "could not connect to " + name_;
}

VirtualDesktop::~VirtualDesktop() {
  if (display_) XCloseDisplay(display_);
  if (server_ > 0) {
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
}

// --- The private home -------------------------------------------------------------------------

PrivateHome::PrivateHome() {
  char pattern[] = "/tmp/yb-scenario-XXXXXX";
  if (!mkdtemp(pattern)) return;
  root_ = pattern;
  namespace fs = std::filesystem;
  for (const char* folder : {"home", "config", "run", "dde"}) {
    fs::create_directories(Path(folder));
    chmod(Path(folder).c_str(), 0700);
  }
  fs::copy(SourceDir() + "/samples", Path("samples"), fs::copy_options::recursive);
}

PrivateHome::~PrivateHome() {
  std::error_code ignored;
  if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
}

// --- The program --------------------------------------------------------------------------------

std::string ProgramPath() {
  const char* chosen = std::getenv("YB_SCENARIO_PROGRAM");
  return chosen && *chosen ? chosen : YB_PROGRAM;
}

RunningProgram::RunningProgram(const VirtualDesktop& desktop, const PrivateHome& home,
                               const std::vector<std::string>& arguments,
                               const Environment& extra)
    : output_(home.Output()) {
  const std::string program = ProgramPath();
  pid_ = fork();
  if (pid_ != 0) return;
  setenv("DISPLAY", desktop.Name().c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  setenv("HOME", home.Path("home").c_str(), 1);
  setenv("XDG_CONFIG_HOME", home.Path("config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.Path("run").c_str(), 1);
  setenv("YB_DDE_DIR", home.Path("dde").c_str(), 1);
  setenv("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=1", 1);
  const std::string lsan =
      "suppressions=" + SourceDir() + "/tools/lsan-suppressions.txt:print_suppressions=0";
  setenv("LSAN_OPTIONS", lsan.c_str(), 1);
  for (const auto& [name, value] : extra) setenv(name.c_str(), value.c_str(), 1);
  if (chdir(home.Path("home").c_str()) != 0) _exit(126);
  if (!freopen(output_.c_str(), "w", stdout) || !freopen(output_.c_str(), "a", stderr))
    _exit(126);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

RunningProgram::~RunningProgram() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool RunningProgram::WaitForExit(int milliseconds) {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (!exited_) {
    exited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
    if (exited_ || Clock::now() >= end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return exited_;
}

int RunningProgram::ExitCode() const {
  if (!exited_) return -1;
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
}

std::string RunningProgram::Output() const { return ReadAll(output_); }

// --- The person ---------------------------------------------------------------------------------

void Person::Flush() const { XFlush(display_); }

void Person::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  Flush();
}

void Person::Press(int button) {
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), True, CurrentTime);
  Flush();
}

void Person::Release(int button) {
  XTestFakeButtonEvent(display_, static_cast<unsigned>(button), False, CurrentTime);
  Flush();
}

void Person::Click(int x, int y, int button) {
  MoveTo(x, y);
  Press(button);
  Release(button);
}

void Person::ShiftClick(int x, int y) {
  MoveTo(x, y);
  HoldWhile({"Shift_L"}, [&] {
    Press();
    Release();
  });
}

void Person::DoubleClick(int x, int y) {
  Click(x, y);
  Press();
  Release();
}

void Person::SlowDrag(int fromX, int fromY, int toX, int toY, int moves) {
  MoveTo(fromX, fromY);
  EXPECT_TRUE(Idle());
  Press();
  EXPECT_TRUE(Idle());
  for (int step = 1; step <= moves; ++step) {
    MoveTo(fromX + (toX - fromX) * step / moves, fromY + (toY - fromY) * step / moves);
    EXPECT_TRUE(Idle());
  }
  Release();
}

void Person::FastDrag(int fromX, int fromY, int toX, int toY) {
  MoveTo(fromX, fromY);
  EXPECT_TRUE(Idle());
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  for (int step = 1; step <= 3; ++step)
    XTestFakeMotionEvent(display_, -1, fromX + (toX - fromX) * step / 3,
                         fromY + (toY - fromY) * step / 3, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  Flush();
}

void Person::Tap(const std::string& keysym) {
  const KeyCode code = XKeysymToKeycode(display_, SymbolOf(keysym));
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
  Flush();
}

void Person::HoldWhile(const std::vector<std::string>& held, const std::function<void()>& act) {
  for (const std::string& modifier : held)
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, SymbolOf(modifier)), True, CurrentTime);
  Flush();
  // A person holds the modifier a moment before the key: the program sees it down while it idles
  // (or, during a run, between frames).
  EXPECT_TRUE(Settle());
  act();
  EXPECT_TRUE(Settle());
  for (auto it = held.rbegin(); it != held.rend(); ++it)
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, SymbolOf(*it)), False, CurrentTime);
  Flush();
}

void Person::Key(const std::string& keysym, const std::vector<std::string>& held) {
  if (held.empty()) {
    Tap(keysym);
    return;
  }
  HoldWhile(held, [&] { Tap(keysym); });
}

void Person::Type(const std::string& text) {
  for (const char c : text) {
    const bool upper = std::isupper(static_cast<unsigned char>(c)) != 0;
    const std::string name(1, upper ? static_cast<char>(std::tolower(c)) : c);
    if (upper)
      Key(name, {"Shift_L"});
    else
      Key(name);
    // A person's keys come one at a time.
    EXPECT_TRUE(Idle());
  }
}

::testing::AssertionResult Person::Ask(const char* probeName, const char* answerName,
                                       bool goneAnswers) {
  const Window main = MainWindow();
  if (main == 0) return ::testing::AssertionFailure() << "no main window to ask whether it is idle";
  const Atom probe = XInternAtom(display_, probeName, False);
  const Atom answer = XInternAtom(display_, answerName, False);
  const long serial = ++serial_;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = main;
  event.xclient.message_type = probe;
  event.xclient.format = 32;
  event.xclient.data.l[0] = serial;
  XSendEvent(display_, main, False, NoEventMask, &event);
  Flush();
  const bool answered = WaitUntil([&] {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display_, main, answer, 0, 1, False, XA_CARDINAL,
                                          &type, &format, &count, &after, &data);
    const bool same = status == Success && count == 1 && data &&
                      *reinterpret_cast<long*>(data) == serial;
    if (data) XFree(data);
    return same || (goneAnswers && MainWindow() != main);
  });
  if (answered) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the program never answered " << probeName;
}

::testing::AssertionResult Person::Idle() { return Ask("_YB_IDLE_PROBE", "_YB_IDLE", false); }

::testing::AssertionResult Person::Settle() {
  // Before the main window shows (a start that ends in an alert) there is no one to ask: the
  // server has at least taken the input in order.
  if (MainWindow() == 0) {
    XSync(display_, False);
    return ::testing::AssertionSuccess();
  }
  // A key that ends the program (a question answered on quitting) leaves nothing to settle.
  return Ask("_YB_SETTLED_PROBE", "_YB_SETTLED", true);
}

XWindowId Person::MainWindow() const {
  for (const Window window : ShownTopLevels(display_))
    if (TitleOf(display_, window).rfind("Yarrowby", 0) == 0) return window;
  return 0;
}

XWindowId Person::WindowTitled(const std::string& title) const {
  for (const Window window : ShownTopLevels(display_))
    if (TitleOf(display_, window) == title) return window;
  return 0;
}

bool Person::NamesUntitledWorld(const std::string& title) {
  const std::string untitled = "Yarrowby - Untitled";
  if (title.compare(0, untitled.size(), untitled) != 0) return false;
  const std::string number = title.substr(untitled.size());
  if (number.empty()) return true;
  return number.size() >= 2 && number[0] == ' ' &&
         number.find_first_not_of("0123456789", 1) == std::string::npos;
}

XWindowId Person::UntitledWorldWindow() const {
  for (const Window window : ShownTopLevels(display_))
    if (NamesUntitledWorld(TitleOf(display_, window))) return window;
  return 0;
}

std::vector<std::string> Person::Titles() const {
  std::vector<std::string> titles;
  for (const Window window : ShownTopLevels(display_)) titles.push_back(TitleOf(display_, window));
  return titles;
}

std::string Person::FocusedTitle() const {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot) return "";
  return TitleOf(display_, focus);
}

Box Person::Place(XWindowId window) const {
  XWindowAttributes attributes;
  if (!window || !XGetWindowAttributes(display_, window, &attributes)) return {};
  return Box{attributes.x, attributes.y, attributes.width, attributes.height};
}

int Person::ShownWindows() const { return static_cast<int>(ShownTopLevels(display_).size()); }

std::vector<XWindowId> Person::Shown() const { return ShownTopLevels(display_); }

std::vector<Box> Person::ShownPlaces() const {
  std::vector<Box> places;
  for (const Window window : ShownTopLevels(display_)) places.push_back(Place(window));
  return places;
}

Picture Person::Grab(const Box& box) const {
  Picture picture;
  picture.box = box;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), box.x, box.y,
                            static_cast<unsigned>(box.width), static_cast<unsigned>(box.height),
                            AllPlanes, ZPixmap);
  if (!image) return picture;
  picture.pixels.reserve(static_cast<size_t>(box.width * box.height));
  for (int y = 0; y < box.height; ++y)
    for (int x = 0; x < box.width; ++x)
      picture.pixels.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
  XDestroyImage(image);
  return picture;
}

Picture Person::GrabScreen() const {
  const Screen* screen = DefaultScreenOfDisplay(display_);
  return Grab(Box{0, 0, WidthOfScreen(screen), HeightOfScreen(screen)});
}

bool Person::SavePng(const std::string& path) const {
  const Picture screen = GrabScreen();
  if (screen.pixels.empty()) return false;
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, screen.box.width, screen.box.height);
  const int stride = cairo_image_surface_get_stride(surface);
  unsigned char* data = cairo_image_surface_get_data(surface);
  for (int y = 0; y < screen.box.height; ++y)
    std::memcpy(data + y * stride, &screen.pixels[static_cast<size_t>(y * screen.box.width)],
                static_cast<size_t>(screen.box.width) * 4);
  cairo_surface_mark_dirty(surface);
  const bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return written;
}

bool Person::WaitUntil(const std::function<bool()>& done, int milliseconds) const {
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// --- The scenario group -------------------------------------------------------------------------

void Scenario::SetUpTestSuite() {
  gDesktop = std::make_unique<VirtualDesktop>();
  gHome = std::make_unique<PrivateHome>();
  gPerson = std::make_unique<Person>(gDesktop->Display());
}

void Scenario::TearDownTestSuite() {
  gProgram.reset();
  gPerson.reset();
  gHome.reset();
  gDesktop.reset();
}

void Scenario::SetUp() {
  gWaitingFor.clear();
  gFailurePictured = false;
  // Named here: a listener told of a failure cannot ask the test framework, which is busy then.
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  gTestName = std::string(info->test_suite_name()) + "." + info->name();
  if (!gDesktop->Running()) GTEST_SKIP() << gDesktop->Failure();
}

void Scenario::TearDown() {
  const bool failed = HasFailure();
  if (failed && gProgram) std::cout << "The program said:\n" << gProgram->Output() << "\n";
  gProgramTrusted = gProgram != nullptr && !failed && !gProgram->WaitForExit(0);
}

RunningProgram& Scenario::Launch(const std::vector<std::string>& arguments,
                                 const RunningProgram::Environment& extra) {
  Stop();
  gProgram = std::make_unique<RunningProgram>(*gDesktop, *gHome, arguments, extra);
  gProgramTrusted = true;
  return *gProgram;
}

::testing::AssertionResult Scenario::Start(const std::string& sample,
                                           const RunningProgram::Environment& extra) {
  // Without the start-up picture, which would stand in front of the window for its first
  // seconds and take the first click; a scenario about the picture launches the program itself.
  std::vector<std::string> arguments{"-nologo"};
  if (!sample.empty()) arguments.push_back(gHome->Sample(sample));
  Launch(arguments, extra);
  if (!gProgram->Started()) return ::testing::AssertionFailure() << "the program did not start";
  const bool shown = gPerson->WaitUntil([&] {
    return gPerson->MainWindow() != 0 || gProgram->WaitForExit(0);
  });
  if (!shown || gPerson->MainWindow() == 0)
    return ::testing::AssertionFailure() << "the main window never appeared:\n"
                                         << gProgram->Output();
  gProgramTrusted = true;
  return gPerson->Idle();
}

::testing::AssertionResult Scenario::Running(const std::string& sample) {
  if (Program()) return ::testing::AssertionSuccess();
  return Start(sample);
}

std::string Scenario::WriteScript(const std::string& name,
                                  const std::vector<std::string>& lines) {
  const std::string path = gHome->Path(name);
  std::ofstream file(path, std::ios::binary);
  for (const std::string& line : lines) file << line << "\r\n";
  return path;
}

void Scenario::Stop() {
  gProgram.reset();
  gProgramTrusted = false;
}

VirtualDesktop& Scenario::Desktop() { return *gDesktop; }
PrivateHome& Scenario::Home() { return *gHome; }
Person& Scenario::Me() { return *gPerson; }
RunningProgram* Scenario::Program() { return gProgramTrusted ? gProgram.get() : nullptr; }

Box Scenario::Frame() const { return gPerson->Place(gPerson->MainWindow()); }

::testing::AssertionResult Scenario::StartOnSample(const std::string& sample) {
  gPerson->MoveTo(0, 0);
  if (::testing::AssertionResult started = Start(sample); !started) return started;
  if (!gPerson->WaitUntil([] { return gPerson->ShownWindows() == 1; }))
    return ::testing::AssertionFailure() << "the splash window stayed";
  return gPerson->Idle();
}

// --- Menus by their labels ----------------------------------------------------------------------

namespace {

// A menu as its resource lays it out.
struct MenuEntry {
  std::string label;  // without '&' marks and shortcut
  bool separator = false;
  std::vector<MenuEntry> items;  // a popup's
};

MenuEntry EntriesOf(HMENU menu) {
  MenuEntry entry;
  const MenuRecord* record = FindMenuRecord(menu);
  if (!record) return entry;
  for (const MenuItem& item : record->items) {
    MenuEntry child;
    child.label = MenuLabel(item.text);
    child.separator = (item.flags & MF_SEPARATOR) != 0;
    if (item.submenu) child.items = EntriesOf(item.submenu).items;
    entry.items.push_back(std::move(child));
  }
  return entry;
}

// The menu resource of that name ("20000" by number), read once from the program's own
// resources; an empty menu when there is none.
const MenuEntry& MenuResource(const std::string& name) {
  static std::map<std::string, MenuEntry> read;
  if (const auto found = read.find(name); found != read.end()) return found->second;
  RegisterResourceLibraries();
  const HMODULE module = LoadResourceLibrary(kMainResourceLibrary);
  const bool number = !name.empty() && std::all_of(name.begin(), name.end(), ::isdigit);
  const HMENU menu =
      LoadMenu(module, number ? MAKEINTRESOURCEA(static_cast<uint16_t>(std::stoi(name)))
                              : name.c_str());
  MenuEntry entry = EntriesOf(menu);
  if (menu) DestroyMenu(menu);
  FreeResourceLibrary(module);
  return read[name] = std::move(entry);
}

const MenuEntry& Bar(const MenuShape& shape) {
  return MenuResource(shape.bar.empty() ? "20000" : shape.bar);
}

// The popup of a bar title, with the selection's object menu standing for Input and Meter.
const MenuEntry* TitleMenu(const std::string& title, const MenuShape& shape) {
  if ((title == "Input" || title == "Meter") && !shape.objectMenu.empty()) {
    const MenuEntry& object = MenuResource(shape.objectMenu);
    return object.items.empty() ? nullptr : &object.items.front();
  }
  for (const MenuEntry& item : Bar(shape).items)
    if (item.label == title) return &item;
  return nullptr;
}

// Where an item sits in its popup window: its height below the popup's top edge, the border
// and every item above it counted.
int ItemMiddle(const MenuEntry& menu, size_t index) {
  int top = 1;
  for (size_t i = 0; i < index; ++i)
    top += menu.items[i].separator ? kMenuSeparatorHeight : kMenuItemHeight;
  return top + kMenuItemHeight / 2;
}

// Items the program lists in the File menu in place of the recent files' placeholder.
constexpr char kRecentPlaceholder[] = "Recent File";

// The File menu's items below its recent files move down by the files listed after the first.
int RecentFilesAbove(const std::string& title, const MenuEntry& menu, size_t index,
                     const MenuShape& shape) {
  if (title != "File") return 0;
  for (size_t i = 0; i < index; ++i)
    if (menu.items[i].label == kRecentPlaceholder) return std::max(shape.recentFiles, 1) - 1;
  return 0;
}

}  // namespace

namespace {

// The middle of a title on a menu bar, from the frame's left edge; -1 when it has none.
int TitleX(const MenuEntry& bar, const std::string& title) {
  int x = GetSystemMetrics(SM_CXFRAME);
  for (const MenuEntry& item : bar.items) {
    const int width = static_cast<int>(item.label.size()) * kMenuCharWidth + 16;
    if (item.label == title) return x + width / 2;
    x += width;
  }
  return -1;
}

}  // namespace

int MenuTitleMiddle(const Box& frame, const std::string& title) {
  const int x = TitleX(Bar({}), title);
  return x < 0 ? -1 : frame.x + x;
}

Box MenuItemRow(const Box& popup, const MenuPath& path) {
  const MenuEntry* menu = &Bar({});
  for (size_t level = 0; level < path.size(); ++level) {
    const auto item = std::find_if(menu->items.begin(), menu->items.end(),
                                   [&](const MenuEntry& e) { return e.label == path[level]; });
    if (item == menu->items.end()) return {};
    if (level + 1 == path.size()) {
      const size_t index = static_cast<size_t>(item - menu->items.begin());
      const int height = item->separator ? kMenuSeparatorHeight : kMenuItemHeight;
      return {popup.x, popup.y + ItemMiddle(*menu, index) - kMenuItemHeight / 2, popup.width,
              height};
    }
    menu = &*item;
  }
  return {};
}

::testing::AssertionResult Scenario::OpenTitle(const std::string& title, const MenuShape& shape,
                                               Box& popup) {
  const Box frame = Frame();
  if (frame.Empty()) return ::testing::AssertionFailure() << "no main window";
  const int x = TitleX(Bar(shape), title);
  if (x < 0) return ::testing::AssertionFailure() << "the menu bar has no title " << title;
  const int barTop = frame.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
  const int barHeight = GetSystemMetrics(SM_CYMENU);
  // The menu is a window that was not there before the click (the start-up picture or a tool
  // tip may go at the same time).
  const std::vector<XWindowId> before = gPerson->Shown();
  gPerson->Click(frame.x + x, barTop + barHeight / 2);
  if (!gPerson->Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
  const std::vector<XWindowId> after = gPerson->Shown();
  const bool opened = std::any_of(after.begin(), after.end(), [&](XWindowId window) {
    return std::find(before.begin(), before.end(), window) == before.end();
  });
  if (!opened)
    return ::testing::AssertionFailure() << "the " << title << " menu did not open at one click";
  // The popup hangs below its title; items are clicked 10 pixels left of the title's middle,
  // inside the narrowest popup.
  popup = Box{frame.x + x - 30, barTop + barHeight, 0, 0};
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Scenario::Click(const MenuPath& path, const MenuShape& shape) {
  if (path.size() < 2)
    return ::testing::AssertionFailure() << "a menu item needs a title and a label";
  const MenuEntry* menu = TitleMenu(path[0], shape);
  if (!menu) return ::testing::AssertionFailure() << "no menu titled " << path[0];
  Box popup;
  if (::testing::AssertionResult opened = OpenTitle(path[0], shape, popup); !opened)
    return opened;
  for (size_t level = 1; level < path.size(); ++level) {
    const auto item = std::find_if(menu->items.begin(), menu->items.end(),
                                   [&](const MenuEntry& e) { return e.label == path[level]; });
    if (item == menu->items.end())
      return ::testing::AssertionFailure()
             << "the menu " << path[level - 1] << " has no item " << path[level];
    const size_t index = static_cast<size_t>(item - menu->items.begin());
    const int below = level == 1 ? RecentFilesAbove(path[0], *menu, index, shape) : 0;
    const std::vector<Box> before = gPerson->ShownPlaces();
    gPerson->Click(popup.x + 20, popup.y + ItemMiddle(*menu, index) + below * kMenuItemHeight);
    if (item->items.empty()) return ::testing::AssertionSuccess();
    // Each further popup opens right of its item.
    if (!gPerson->Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    popup = Box{};
    for (const Box& place : gPerson->ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end() && place.x > popup.x)
        popup = place;
    if (popup.Empty())
      return ::testing::AssertionFailure() << "the " << path[level] << " submenu did not open";
    menu = &*item;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Scenario::Choose(const MenuPath& path, const MenuShape& shape) {
  if (::testing::AssertionResult chosen = Click(path, shape); !chosen) return chosen;
  gPerson->MoveTo(0, 0);
  return gPerson->Idle();
}

::testing::AssertionResult Scenario::WorldMenuByKeys(const std::string& letter, int times) {
  for (int step = 0; step < times; ++step) {
    Me().Key("w", {"Alt_L"});
    Me().Key(letter);
    if (::testing::AssertionResult idle = Me().Idle(); !idle) return idle;
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult Scenario::ExportShownFrame(const std::string& path) {
  if (::testing::AssertionResult chosen = Click({"File", "More Exports", "DXF of This Frame..."});
      !chosen)
    return chosen;
  if (!Me().WaitUntil([] { return Me().FocusedTitle() == "Export"; }))
    return ::testing::AssertionFailure() << "the export dialog did not open: "
                                         << Me().FocusedTitle();
  if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
  for (int i = 0; i < 40; ++i) Me().Key("BackSpace");
  Me().Type(path);
  Me().Key("Return");
  if (!Me().WaitUntil([] { return Me().WindowTitled("Export") == 0; }))
    return ::testing::AssertionFailure() << "the export dialog stayed";
  return Me().Idle();
}

::testing::AssertionResult Scenario::ClickBelow(const std::string& title, int itemsAbove,
                                                int pixelsMore) {
  const MenuEntry* menu = TitleMenu(title, {});
  if (!menu) return ::testing::AssertionFailure() << "no menu titled " << title;
  Box popup;
  if (::testing::AssertionResult opened = OpenTitle(title, {}, popup); !opened) return opened;
  gPerson->Click(popup.x + 20,
                 popup.y + ItemMiddle(*menu, static_cast<size_t>(itemsAbove)) + pixelsMore);
  gPerson->MoveTo(0, 0);
  return gPerson->Idle();
}

::testing::AssertionResult Scenario::ChooseRecentFile(int n) {
  const MenuEntry* file = TitleMenu("File", {});
  if (!file) return ::testing::AssertionFailure() << "no File menu";
  const auto recent = std::find_if(file->items.begin(), file->items.end(),
                                   [](const MenuEntry& e) { return e.label == kRecentPlaceholder; });
  if (recent == file->items.end())
    return ::testing::AssertionFailure() << "the File menu keeps no place for recent files";
  // The recent files stand where the placeholder stands.
  return ClickBelow("File", static_cast<int>(recent - file->items.begin()),
                    (n - 1) * kMenuItemHeight);
}

::testing::AssertionResult Scenario::ChooseWindow(int n) {
  const MenuEntry* window = TitleMenu("Window", {});
  if (!window) return ::testing::AssertionFailure() << "no Window menu";
  // The documents follow the menu's own items and a separator.
  return ClickBelow("Window", static_cast<int>(window->items.size()),
                    kMenuSeparatorHeight + (n - 1) * kMenuItemHeight);
}

void MarkWaiting(const std::string& forWhat) { gWaitingFor = forWhat; }

void PictureTheFailure() {
  if (gFailurePictured || !gPerson) return;
  gFailurePictured = true;
  const char* folder = std::getenv("YB_SCENARIO_FAILURES");
  const std::string where = folder && *folder ? folder : "/tmp";
  std::filesystem::create_directories(where);
  const std::string png = where + "/" + gTestName + ".png";
  const std::vector<std::string> titles = gPerson->Titles();
  if (titles.empty()) {
    std::cout << "No window was shown at the failure, so no picture was taken";
    if (gProgram && gProgram->WaitForExit(0))
      std::cout << " (the program had ended with " << gProgram->ExitCode() << ")";
    std::cout << "\n";
  } else if (gPerson->SavePng(png)) {
    std::cout << "The screen at the failure: " << png
              << " (shown: " << ::testing::PrintToString(titles) << ")\n";
  } else {
    std::cout << "The screen could not be read or written to " << png << "\n";
  }
}

// The title a scenario of the running test waits for, or "".
const std::string& WaitingFor() { return gWaitingFor; }

}  // namespace scenario
