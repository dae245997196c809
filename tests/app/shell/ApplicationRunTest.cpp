// The program from start-up to quitting, headless, driven as a user would drive it: a sample
// named on the command line opens in a document window; File > Open shows the open dialog,
// answered by typed keys; after a change the Edit menu offers to undo it by name; Help > About
// shows the version texts; File > Quit ends the program with 0. File > New and Window > Tile lay
// two worlds side by side over the whole workspace. World > Run runs the sample until the Stop
// key, taken between frames, stops it, a drag of the tape's thumb replays its frames, and closing
// the world it changed asks to save it.
// Started for embedding, it shows nothing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "app/shell/StartupHooks.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "ui/views/OwlSubview.h"
#include "model/world/WorldParticipants.h"
#include "tests/app/SketchFixture.h"
#include "views/furniture/FrameIndicator.h"
#include "views/world/MainWorldView.h"

namespace {

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

// A change a view would post: undoable, numbered as Edit > Delete.
class TDeleteCommand : public TCommandCore {
 public:
  TDeleteCommand() { InitCommand(106, nullptr, nullptr, nullptr); }
};

POINT Centre(const RECT& rect) {
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Click(POINT screen) {
  InjectMouseMove(screen);
  InjectMouseButton(MouseButton::kLeft, true, screen);
  InjectMouseButton(MouseButton::kLeft, false, screen);
}

// The screen point of an item of the open popup menu (items above it all plain or separators as
// listed).
POINT PopupItem(int32_t itemsAbove, int32_t separatorsAbove) {
  RECT area;
  GetWindowRect(GetActivePopupMenuWindow(), &area);
  return POINT{area.left + 20, area.top + 1 + itemsAbove * kMenuItemHeight +
                                   separatorsAbove * kMenuSeparatorHeight + kMenuItemHeight / 2};
}

class ApplicationRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-config-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    config_ = folder;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(config_, ignored);
    SetIdleScript(nullptr);
    StartupHooks() = TStartupHooks();
    ResetWindowSystem();
    UseProcessClock();
    std::fclose(stream_);
  }
  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }
  std::string FrontTitle() {
    TOwlSubview* front = TOwlSubview::CurrentWindow();
    return front != nullptr ? front->GetTitle() : std::string();
  }

  std::FILE* stream_ = nullptr;
  std::string config_;
};

TEST_F(ApplicationRunTest, OpensFromTheCommandLineAndTheDialogUndoesByNameAndQuitsFromTheMenu) {
  TApp app(stream_);
  app.SetConfigDirectory(config_);
  std::vector<std::string> seen;
  StartupHooks().afterMainFrame = [&](TCommandHandler&, HWND) { seen.push_back("after frame"); };
  StartupHooks().runStartupScript = [&](const std::string& path) {
    seen.push_back("script " + std::string(std::filesystem::path(path).filename()));
  };
  const std::string second = Sample("pendulum.yb");
  std::string undoText;
  std::string aboutCompany;
  std::string recentShown;
  int32_t step = 0;
  HWND frame = nullptr;
  SetIdleScript([&] {
    ++step;
    if (step == 1) {
      frame = app.MainFrame()->m_hWnd;
      EXPECT_TRUE(IsWindowVisible(frame));
      EXPECT_EQ(FrontTitle(), "spring-and-pin.yb");
      Click(Centre(MenuBarItemRect(frame, 0)));  // File
      return true;
    }
    if (step == 2) {
      EXPECT_NE(GetActivePopupMenuWindow(), nullptr);
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(1, 0));  // Open...
      return true;
    }
    if (step == 3) {
      EXPECT_NE(GetOpenFileDialogWindow(), nullptr);
      if (GetOpenFileDialogWindow() == nullptr) return false;
      for (const char c : second) InjectCharacter(static_cast<uint8_t>(c));
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    if (step == 4) {
      EXPECT_EQ(GetOpenFileDialogWindow(), nullptr);
      EXPECT_EQ(FrontTitle(), "pendulum.yb");
      app.Commands().PostCommand(new TDeleteCommand);
      PostMessage(frame, WM_NULL, 0, 0);  // the loop performs the change on its next pass
      return true;
    }
    if (step == 5) {
      Click(Centre(MenuBarItemRect(frame, 1)));  // Edit
      return true;
    }
    if (step == 6) {
      undoText = GetMenuItemText(GetMenu(frame), 101, MF_BYCOMMAND);
      InjectKeyStroke(VK_ESCAPE);
      return true;
    }
    if (step == 7) {
      Click(Centre(MenuBarItemRect(frame, 8)));  // Help
      return true;
    }
    if (step == 8) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(0, 0));  // About Yarrowby...
      return true;
    }
    if (step == 9) {
      aboutCompany = GetDlgItemTextString(GetActiveWindow(), 10);
      InjectKeyStroke(VK_RETURN);
      return true;
    }
    if (step == 10) {
      Click(Centre(MenuBarItemRect(frame, 0)));  // File
      return true;
    }
    if (step == 11) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      // The two documents opened are the recent files now.
      recentShown = GetMenuItemText(GetMenu(frame), 57617, MF_BYCOMMAND);
      Click(PopupItem(12, 3));  // Quit, after twelve items and three separators
      return true;
    }
    return false;
  });
  CCommandLineInfo line;
  ParseCommandLine({Sample("spring-and-pin.yb")}, line);
  EXPECT_EQ(app.RunProgram(line), 0);
  EXPECT_EQ(step, 11) << "the program ended at step " << step;
  EXPECT_EQ(undoText, "Undo Delete\bCtrl+Z");
  EXPECT_EQ(aboutCompany, "The Yarrowby developers");
  EXPECT_EQ(seen, (std::vector<std::string>{"after frame", "script qvstart.ybs"}));
  EXPECT_EQ(app.FirstLabel().AsCString(), std::string("Input"));
  EXPECT_EQ(app.ProfileFolder(), "Yarrowby");
  EXPECT_EQ(recentShown, "&2 spring-and-pin.yb");
  EXPECT_EQ(Reported(), "");
  // The settings were kept in the profile named by the program's strings.
  std::ifstream profile(config_ + "/Yarrowby/yb.ini");
  const std::string kept((std::istreambuf_iterator<char>(profile)), {});
  EXPECT_NE(kept.find("Doc Zoom State=1"), std::string::npos) << kept;
  EXPECT_NE(kept.find("File1=" + std::filesystem::weakly_canonical(second).string()),
            std::string::npos)
      << kept;
}

// The document frames in the main frame's MDI client.
std::vector<HWND> DocumentFrames(CMainFrame& frame) {
  std::vector<HWND> frames;
  for (HWND child = GetWindow(frame.m_hWndMDIClient, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    frames.push_back(child);
  return frames;
}

std::vector<RECT> WindowRects(const std::vector<HWND>& windows) {
  std::vector<RECT> rects;
  for (const HWND window : windows) {
    RECT rect;
    GetWindowRect(window, &rect);
    rects.push_back(rect);
  }
  return rects;
}

bool FirstTwoOverlap(const std::vector<RECT>& rects) {
  return !(rects[0].right <= rects[1].left || rects[1].right <= rects[0].left ||
           rects[0].bottom <= rects[1].top || rects[1].bottom <= rects[0].top);
}

// How many pixels of the dark workspace behind the documents show along the row through the
// middle of the MDI client.
int32_t WorkspacePixelsShowing(CMainFrame& frame) {
  RECT client;
  GetWindowRect(frame.m_hWndMDIClient, &client);
  RECT outer;
  GetWindowRect(frame.m_hWnd, &outer);
  const WindowSurface* surface = GetWindowSurface(frame.m_hWnd);
  const int32_t y = (client.top + client.bottom) / 2 - outer.top;
  int32_t count = 0;
  for (int32_t x = client.left; x < client.right; ++x)
    count += (surface->Pixel(x - outer.left, y) & 0xFFFFFF) == 0x808080 ? 1 : 0;
  return count;
}

// A session with the menus: File > New makes a second world over the sample, and Window > Tile
// lays both out side by side so that they fill the workspace.
TEST_F(ApplicationRunTest, NewAndTileFromTheMenus) {
  TApp app(stream_);
  app.SetConfigDirectory(config_);
  int32_t step = 0;
  HWND frame = nullptr;
  std::vector<RECT> before;
  std::vector<RECT> tiled;
  int32_t workspaceShowing = -1;
  SetIdleScript([&] {
    ++step;
    if (step == 1) {
      frame = app.MainFrame()->m_hWnd;
      Click(Centre(MenuBarItemRect(frame, 0)));  // File
      return true;
    }
    if (step == 2) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(0, 0));  // New
      return true;
    }
    if (step == 3) {
      EXPECT_EQ(app.Documents()->OpenCount(), 2u);
      before = WindowRects(DocumentFrames(*app.MainFrame()));
      Click(Centre(MenuBarItemRect(frame, 7)));  // Window
      return true;
    }
    if (step == 4) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(1, 0));  // Tile
      return true;
    }
    if (step == 5) {
      UpdateWindow(frame);
      workspaceShowing = WorkspacePixelsShowing(*app.MainFrame());
      tiled = WindowRects(DocumentFrames(*app.MainFrame()));
      PostMessage(frame, WM_CLOSE, 0, 0);
      return true;
    }
    return false;
  });
  CCommandLineInfo line;
  ParseCommandLine({Sample("spring-and-pin.yb")}, line);
  app.RunProgram(line);
  EXPECT_GE(step, 5) << "the session ended at step " << step;
  ASSERT_EQ(before.size(), 2u);
  EXPECT_TRUE(FirstTwoOverlap(before));
  ASSERT_EQ(tiled.size(), 2u);
  EXPECT_FALSE(FirstTwoOverlap(tiled)) << "tiled windows overlap";
  EXPECT_EQ(workspaceShowing, 0) << "the tiled worlds leave the workspace showing";
}

// The pixels of a window as its top-level window shows them, row by row.
std::vector<uint32_t> ShownPixels(HWND window) {
  HWND top = window;
  while (GetParent(top) != nullptr) top = GetParent(top);
  RECT outer;
  GetWindowRect(top, &outer);
  RECT area;
  GetWindowRect(window, &area);
  const WindowSurface* surface = GetWindowSurface(top);
  std::vector<uint32_t> pixels;
  for (int32_t y = area.top; y < area.bottom; ++y)
    for (int32_t x = area.left; x < area.right; ++x)
      pixels.push_back(surface->Pixel(x - outer.left, y - outer.top) & 0xFFFFFF);
  return pixels;
}

// Presses Ctrl+. (Stop) once the world shows the frame: a user's key during a long run.
class TStopKeyAtFrame : public TLink, public TFrameParticipant {
 public:
  explicit TStopKeyAtFrame(int16_t frame) : frame_(frame) {}
  void FrameChanged(int16_t frame, int16_t, int16_t) override {
    if (frame != frame_) return;
    InjectKey(VK_CONTROL, true);
    InjectKeyStroke(0xBE);  // the period key
    InjectKey(VK_CONTROL, false);
  }

 private:
  int16_t frame_;
};

// Drags the tape's thumb, grabbed in its middle, by `by` pixels: the desktop hands the moves
// and the release over one at a time while the strip tracks the mouse.
class TThumbDrag {
 public:
  void Start(TFrameIndic& tape, int32_t by) {
    const MacRect thumb = tape.GetThumbRect();
    POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    const HWND strip = tape.GetWindowHandle();
    ClientToScreen(strip, &grab);
    steps_.clear();
    taken_ = 0;
    for (const int32_t part : {1, 2, 4})
      steps_.push_back([=] { InjectMouseMove(POINT{grab.x + by * part / 4, grab.y}); });
    steps_.push_back(
        [=] { InjectMouseButton(MouseButton::kLeft, false, POINT{grab.x + by, grab.y}); });
    desktop_ = std::make_unique<TScriptedDesktop>([this, strip] {
      MSG waiting;
      if (PeekMessage(&waiting, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) return;
      if (GetCapture() == strip && taken_ < steps_.size()) steps_[taken_++]();
    });
    SetWindowPresenter(desktop_.get());
    InjectMouseMove(grab);
    InjectMouseButton(MouseButton::kLeft, true, grab);
  }
  // The desktop goes; true when the whole drag was taken.
  bool Finish() {
    SetWindowPresenter(nullptr);
    return taken_ == steps_.size();
  }

 private:
  std::vector<std::function<void()>> steps_;
  size_t taken_ = 0;
  std::unique_ptr<TScriptedDesktop> desktop_;
};

// World > Run runs the sample, which has no stop frame; the Stop key pressed while frame 5 shows
// is taken between two frames and the run stops there. The tape's thumb dragged to its left end
// shows the first frame, and dragged back to its right end the fifth again, pixel for pixel.
// File > Close then asks whether to save the world the run changed.
TEST_F(ApplicationRunTest, RunFromTheWorldMenuStopsAtTheStopKeyAndTheTapeReplaysItsFrames) {
  TApp app(stream_);
  app.SetConfigDirectory(config_);
  int32_t step = 0;
  HWND frame = nullptr;
  TWorldWindowDocument* document = nullptr;
  HWND view = nullptr;
  std::vector<uint32_t> before, stopped, atFirst, atLast;
  int16_t stoppedAt = -1, first = -1, last = -1;
  bool dragsTaken = true;
  std::string question;
  size_t openAfterClose = 99;
  TStopKeyAtFrame stopKey(5);
  TThumbDrag drag;
  const auto world = [&]() -> TWorldDoc& { return document->Document().World(); };
  const auto tape = [&]() -> TFrameIndic& { return *document->WorldWindow()->FrameIndicator(); };
  SetIdleScript([&] {
    ++step;
    if (step == 1) {
      frame = app.MainFrame()->m_hWnd;
      document = app.Documents()->NewestOpenDocument();
      view = document->WorldWindow()->MainView()->GetWindowHandle();
      UpdateWindow(frame);
      before = ShownPixels(view);
      world().UpdateViewObject(&stopKey, 1);
      Click(Centre(MenuBarItemRect(frame, 2)));  // World
      return true;
    }
    if (step == 2) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(0, 0));  // Run
      return true;
    }
    if (step == 3) {
      world().UpdateViewObject(&stopKey, 0);
      stoppedAt = world().CurrentFrame();
      UpdateWindow(frame);
      stopped = ShownPixels(view);
      drag.Start(tape(), -800);
      return true;
    }
    if (step == 4) {
      dragsTaken = drag.Finish() && dragsTaken;
      first = world().CurrentFrame();
      UpdateWindow(frame);
      atFirst = ShownPixels(view);
      drag.Start(tape(), 800);
      return true;
    }
    if (step == 5) {
      dragsTaken = drag.Finish() && dragsTaken;
      last = world().CurrentFrame();
      UpdateWindow(frame);
      atLast = ShownPixels(view);
      Click(Centre(MenuBarItemRect(frame, 0)));  // File
      return true;
    }
    if (step == 6) {
      if (GetActivePopupMenuWindow() == nullptr) return false;
      Click(PopupItem(2, 0));  // Close
      return true;
    }
    if (step == 7) {
      // The run changed the world: closing it asks first, and No gives the run up.
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr) return false;
      question = GetWindowTextString(GetDlgItem(box, 0xFFFF));
      InjectKeyStroke('N');
      return true;
    }
    if (step == 8) {
      openAfterClose = app.Documents()->OpenCount();
      PostMessage(frame, WM_CLOSE, 0, 0);
      return true;
    }
    return false;
  });
  CCommandLineInfo line;
  ParseCommandLine({Sample("spring-and-pin.yb")}, line);
  app.RunProgram(line);
  EXPECT_GE(step, 8) << "the session ended at step " << step;
  EXPECT_GT(stoppedAt, 0) << "the world did not run";
  EXPECT_LE(stoppedAt, 6) << "the stop key was not taken between frames";
  EXPECT_NE(stopped, before) << "the run did not move the world on the screen";
  EXPECT_TRUE(dragsTaken);
  EXPECT_EQ(first, 0);
  EXPECT_NE(atFirst, stopped);
  EXPECT_EQ(last, stoppedAt);
  EXPECT_EQ(atLast, stopped) << "the replayed frame looks different from the frame run";
  EXPECT_NE(question.find("spring-and-pin.yb"), std::string::npos) << question;
  EXPECT_EQ(openAfterClose, 0u);
  EXPECT_EQ(Reported(), "");
}

TEST_F(ApplicationRunTest, AnEmbeddingStartShowsNothingAndRunsNoScript) {
  TApp app(stream_);
  app.SetConfigDirectory(config_);
  bool scriptRan = false;
  StartupHooks().runStartupScript = [&](const std::string&) { scriptRan = true; };
  CCommandLineInfo line;
  ParseCommandLine({"-Embedding", Sample("spring-and-pin.yb")}, line);
  EXPECT_FALSE(line.m_bShowSplash);
  ASSERT_TRUE(app.InitInstance(line));
  ASSERT_NE(app.MainFrame(), nullptr);
  EXPECT_FALSE(IsWindowVisible(app.MainFrame()->m_hWnd));
  EXPECT_EQ(TOwlSubview::CurrentWindow(), nullptr);
  EXPECT_FALSE(scriptRan);
  EXPECT_EQ(app.ExitInstance(), 0);
}

TEST_F(ApplicationRunTest, AFileOpenTwiceByTwoNamesHasOneWindowAndAnUnreadableOneEndsStartUp) {
  TApp app(stream_);
  app.SetConfigDirectory(config_);
  CCommandLineInfo line;
  ASSERT_TRUE(app.InitInstance(line));
  ASSERT_TRUE(app.OpenDocumentFile(Sample("pendulum.yb")));
  TOwlSubview* first = TOwlSubview::CurrentWindow();
  ASSERT_TRUE(app.OpenDocumentFile(Sample("../samples/pendulum.yb")));
  EXPECT_EQ(TOwlSubview::CurrentWindow(), first);
  app.ExitInstance();

  TApp failing(stream_);
  failing.SetConfigDirectory(config_);
  CCommandLineInfo missing;
  ParseCommandLine({"/nonexistent/world.yb"}, missing);
  EXPECT_EQ(failing.RunProgram(missing), 1);
  EXPECT_NE(Reported().find("The document \"/nonexistent/world.yb\" was not opened."),
            std::string::npos);
}

}  // namespace
