// The multiple-document client, window placement and the clipboard-viewer chain, driven by
// messages as a frame and its document windows send them.

#include <string>
#include <vector>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Input.h"
#include "platform/win32/Mdi.h"
#include "platform/win32/Menu.h"
#include "platform/win32/WindowPlacement.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class MdiTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterMdiClientClass();
    WNDCLASS childClass;
    childClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      MessageLog::Get().entries.push_back({window, message, wParam, lParam});
      return DefMDIChildProc(window, message, wParam, lParam);
    };
    childClass.lpszClassName = "DocumentWindow";
    RegisterClass(&childClass);
    frame_ = TopLevel(0, 0, 600, 400, WS_POPUP | WS_VISIBLE);
    CLIENTCREATESTRUCT create;
    client_ = CreateWindowEx(0, kMdiClientClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 600, 400, frame_,
                             nullptr, &create);
  }
  HWND Document(int32_t x, int32_t y) {
    return CreateWindowEx(0, "DocumentWindow", "doc", WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW,
                          x, y, 200, 150, client_, nullptr, nullptr);
  }
  HWND Active(BOOL* maximised = nullptr) {
    return reinterpret_cast<HWND>(
        SendMessage(client_, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(maximised)));
  }
  static RECT ParentRect(HWND window) {
    WINDOWPLACEMENT placement;
    GetWindowPlacement(window, &placement);
    return placement.rcNormalPosition;
  }
  HWND frame_ = nullptr;
  HWND client_ = nullptr;
};

TEST_F(MdiTest, ActivationTellsBothDocumentWindowsAndBringsTheNewOneForward) {
  const HWND first = Document(0, 0);
  const HWND second = Document(30, 30);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
  EXPECT_EQ(Active(), first);
  Log().Clear();
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  EXPECT_EQ(Active(), second);
  EXPECT_EQ(GetTopWindow(client_), second);
  const std::vector<LoggedMessage> notes = Log().All(WM_MDIACTIVATE);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].window, first);
  EXPECT_EQ(notes[1].window, second);
  for (const LoggedMessage& note : notes) {
    EXPECT_EQ(reinterpret_cast<HWND>(note.wParam), first);
    EXPECT_EQ(reinterpret_cast<HWND>(note.lParam), second);
  }
  // Activating the active window again says nothing.
  Log().Clear();
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  EXPECT_TRUE(Log().All(WM_MDIACTIVATE).empty());
  // When the active one goes, another becomes active.
  DestroyWindow(second);
  EXPECT_EQ(Active(), first);
}

// A hidden document window hands its activation to the frontmost one still shown; with none
// left, no document window is active.
TEST_F(MdiTest, HidingTheActiveWindowActivatesTheFrontmostShownOne) {
  const HWND back = Document(0, 0);
  const HWND middle = Document(20, 20);
  const HWND front = Document(40, 40);
  for (const HWND window : {back, middle, front})
    SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window), 0);
  ASSERT_EQ(Active(), front);
  Log().Clear();
  ShowWindow(front, SW_HIDE);
  EXPECT_EQ(Active(), middle);
  const std::vector<LoggedMessage> notes = Log().All(WM_MDIACTIVATE);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(reinterpret_cast<HWND>(notes[0].lParam), middle);
  // Hiding a window that is not active changes nothing.
  ShowWindow(back, SW_HIDE);
  EXPECT_EQ(Active(), middle);
  Log().Clear();
  ShowWindow(middle, SW_HIDE);
  EXPECT_EQ(Active(), nullptr);
  const std::vector<LoggedMessage> last = Log().All(WM_MDIACTIVATE);
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].window, middle);
  EXPECT_EQ(reinterpret_cast<HWND>(last[0].lParam), nullptr);
}

TEST_F(MdiTest, TheActiveDocumentWindowsCaptionIsDrawnActiveAndOffersMaximising) {
  const HWND first = Document(0, 0);
  const HWND second = Document(220, 0);
  const auto captionPixel = [this](HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    RECT frame;
    GetWindowRect(frame_, &frame);
    return GetWindowSurface(frame_)->Pixel(rect.left - frame.left + 20,
                                           rect.top - frame.top + GetSystemMetrics(SM_CYFRAME) + 3);
  };
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
  Pump();
  const uint32_t active = captionPixel(first);
  const uint32_t inactive = captionPixel(second);
  EXPECT_NE(active, inactive);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  Pump();
  EXPECT_EQ(captionPixel(second), active);
  EXPECT_EQ(captionPixel(first), inactive);

  // The caption has a maximise box; clicking it maximises the window inside the client.
  RECT rect;
  GetWindowRect(second, &rect);
  bool found = false;
  for (int32_t x = rect.left; x < rect.right && !found; ++x)
    for (int32_t y = rect.top; y < rect.top + 24 && !found; ++y)
      if (SendMessage(second, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTMAXBUTTON) found = true;
  EXPECT_TRUE(found);
  SendMessage(second, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(second));
  BOOL maximised = FALSE;
  EXPECT_EQ(Active(&maximised), second);
  EXPECT_TRUE(maximised);
}

TEST_F(MdiTest, MaximisedStateFollowsActivationAndRestoreGivesTheOldPlaceBack) {
  const HWND first = Document(10, 20);
  const HWND second = Document(40, 50);
  SendMessage(client_, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(first), 0);
  BOOL maximised = FALSE;
  EXPECT_EQ(Active(&maximised), first);
  EXPECT_TRUE(maximised);
  RECT rect;
  GetWindowRect(first, &rect);
  EXPECT_EQ(rect.right - rect.left, 600);
  EXPECT_EQ(rect.bottom - rect.top, 400);

  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  EXPECT_TRUE(IsZoomed(second));
  EXPECT_FALSE(IsZoomed(first));
  EXPECT_EQ(ParentRect(first).left, 10);

  SendMessage(client_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(second), 0);
  EXPECT_FALSE(IsZoomed(second));
  EXPECT_EQ(ParentRect(second).left, 40);
  EXPECT_EQ(ParentRect(second).top, 50);
}

TEST_F(MdiTest, RestoringAMaximisedWindowRepaintsWhatItUncovers) {
  // A green document window behind a white one; the white one is maximised over everything.
  // The windows clip one another as a frame's client and document windows do.
  SetWindowLongPtr(client_, GWL_STYLE, GetWindowLongPtr(client_, GWL_STYLE) | WS_CLIPCHILDREN);
  WNDCLASS greenClass;
  greenClass.lpfnWndProc = DefMDIChildProc;
  greenClass.lpszClassName = "GreenDocument";
  greenClass.background = 0x0000FF00;
  RegisterClass(&greenClass);
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS;
  const HWND behind = CreateWindowEx(0, "GreenDocument", "green", style, 300, 200, 250, 150,
                                     client_, nullptr, nullptr);
  const HWND front = CreateWindowEx(0, "DocumentWindow", "white", style, 10, 20, 200, 150,
                                    client_, nullptr, nullptr);
  const auto pixel = [this](int32_t x, int32_t y) {
    return GetWindowSurface(frame_)->Pixel(x, y);
  };
  const uint32_t white = 0xFFFFFF;
  const uint32_t green = 0x00FF00;
  const uint32_t workspace = kMdiWorkspaceColour;  // grey reads the same either way round
  SendMessage(client_, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(front), 0);
  Pump();
  ASSERT_EQ(pixel(580, 380), white);
  ASSERT_EQ(pixel(450, 300), white);

  for (int round = 0; round < 2; ++round) {
    // Restored by the client (the caption's restore box), or by the window itself.
    if (round == 0) {
      SendMessage(client_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(front), 0);
    } else {
      SendMessage(client_, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(front), 0);
      Pump();
      ShowWindow(front, SW_RESTORE);
    }
    Pump();
    EXPECT_FALSE(IsZoomed(front));
    EXPECT_EQ(pixel(580, 380), workspace) << "round " << round;
    EXPECT_EQ(pixel(5, 390), workspace) << "round " << round;
    EXPECT_EQ(pixel(450, 300), green) << "round " << round;
    EXPECT_EQ(pixel(110, 100), white) << "round " << round;  // inside the restored window
  }
  EXPECT_TRUE(IsWindow(behind));
}

TEST_F(MdiTest, TileCoversTheClientWithoutOverlapAndCascadeSteps) {
  const HWND windows[] = {Document(0, 0), Document(5, 5), Document(9, 9), Document(12, 12)};
  SendMessage(client_, WM_MDITILE, MDITILE_VERTICAL, 0);
  int64_t area = 0;
  for (HWND window : windows) {
    const RECT rect = ParentRect(window);
    area += int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
    for (HWND other : windows) {
      if (other == window) continue;
      RECT overlap;
      const RECT otherRect = ParentRect(other);
      EXPECT_FALSE(IntersectRect(&overlap, rect, otherRect));
    }
  }
  EXPECT_EQ(area, 600 * 400);

  SendMessage(client_, WM_MDICASCADE, 0, 0);
  std::vector<int32_t> lefts;
  for (HWND window = GetTopWindow(client_); window; window = GetWindow(window, GW_HWNDNEXT))
    lefts.push_back(ParentRect(window).left);
  ASSERT_EQ(lefts.size(), 4u);
  for (size_t i = 1; i < lefts.size(); ++i)
    EXPECT_LT(lefts[i], lefts[i - 1]);  // the front window is the one furthest in
  EXPECT_EQ(lefts.back(), 0);
}

TEST_F(MdiTest, TileSharesTheClientAmongTheShownWindowsAndLeavesTheMinimisedOnesAlone) {
  const HWND shown[] = {Document(0, 0), Document(5, 5)};
  const HWND hidden = Document(9, 9);
  ShowWindow(hidden, SW_HIDE);
  const HWND minimised = Document(12, 12);
  CloseWindow(minimised);
  SendMessage(client_, WM_MDITILE, MDITILE_VERTICAL, 0);
  int64_t area = 0;
  for (HWND window : shown) {
    const RECT rect = ParentRect(window);
    area += int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
  }
  EXPECT_EQ(area, 600 * 400);
  EXPECT_TRUE(IsIconic(minimised));
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_EQ(ParentRect(hidden).left, 9);
}

TEST_F(MdiTest, MinimisedWindowsLineUpAlongTheBottom) {
  const HWND first = Document(100, 100);
  const HWND second = Document(200, 100);
  CloseWindow(first);
  CloseWindow(second);
  EXPECT_TRUE(IsWindow(first));
  EXPECT_TRUE(IsIconic(first));
  SendMessage(client_, WM_MDIICONARRANGE, 0, 0);
  RECT a, b;
  GetWindowRect(first, &a);
  GetWindowRect(second, &b);
  EXPECT_EQ(a.bottom, 400);
  EXPECT_EQ(b.bottom, 400);
  EXPECT_NE(a.left, b.left);
}

TEST_F(MdiTest, PlacementSurvivesMaximisingAndIsGivenBack) {
  const HWND window = Document(30, 40);
  ShowWindow(window, SW_MAXIMIZE);
  WINDOWPLACEMENT placement;
  ASSERT_TRUE(GetWindowPlacement(window, &placement));
  EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(placement.rcNormalPosition.left, 30);
  EXPECT_EQ(placement.rcNormalPosition.bottom, 190);

  placement.showCmd = SW_SHOWNORMAL;
  placement.rcNormalPosition = {5, 6, 105, 86};
  ASSERT_TRUE(SetWindowPlacement(window, &placement));
  EXPECT_FALSE(IsZoomed(window));
  const RECT rect = ParentRect(window);
  EXPECT_EQ(rect.left, 5);
  EXPECT_EQ(rect.top, 6);
  EXPECT_EQ(rect.right, 105);
  EXPECT_EQ(rect.bottom, 86);
}

// A viewer as programs write them: it keeps the next viewer, passes changes on and repairs the
// chain when a viewer leaves.
std::map<HWND, HWND>& NextViewers() {
  static std::map<HWND, HWND> next;
  return next;
}

LRESULT ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageLog::Get().entries.push_back({window, message, wParam, lParam});
  HWND& next = NextViewers()[window];
  if (message == WM_DRAWCLIPBOARD) {
    if (next) SendMessage(next, message, wParam, lParam);
    return 0;
  }
  if (message == WM_CHANGECBCHAIN) {
    if (reinterpret_cast<HWND>(wParam) == next)
      next = reinterpret_cast<HWND>(lParam);
    else if (next)
      SendMessage(next, message, wParam, lParam);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(MdiTest, EveryViewerOfTheChainHearsEachClipboardChange) {
  NextViewers().clear();
  WNDCLASS viewerClass;
  viewerClass.lpfnWndProc = ViewerProc;
  viewerClass.lpszClassName = "Viewer";
  RegisterClass(&viewerClass);
  const HWND viewers[] = {
      CreateWindowEx(0, "Viewer", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr),
      CreateWindowEx(0, "Viewer", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr),
      CreateWindowEx(0, "Viewer", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr)};
  for (HWND viewer : viewers) {
    Log().Clear();
    NextViewers()[viewer] = SetClipboardViewer(viewer);
    EXPECT_EQ(Log().All(WM_DRAWCLIPBOARD).size(), 1u);  // the newcomer draws at once
  }
  EXPECT_EQ(GetClipboardViewer(), viewers[2]);

  const auto copy = [] {
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_TEXT, GlobalAlloc(GHND, 4));
    CloseClipboard();
  };
  Log().Clear();
  copy();
  for (HWND viewer : viewers)
    EXPECT_EQ(Log().Of(viewer, {WM_DRAWCLIPBOARD}).size(), 1u);

  // Opening and closing without a change tells nobody.
  Log().Clear();
  OpenClipboard(nullptr);
  CloseClipboard();
  EXPECT_TRUE(Log().All(WM_DRAWCLIPBOARD).empty());

  // The middle viewer leaves: its predecessor links past it.
  ChangeClipboardChain(viewers[1], NextViewers()[viewers[1]]);
  EXPECT_EQ(NextViewers()[viewers[2]], viewers[0]);
  Log().Clear();
  copy();
  EXPECT_EQ(Log().Of(viewers[0], {WM_DRAWCLIPBOARD}).size(), 1u);
  EXPECT_TRUE(Log().Of(viewers[1], {WM_DRAWCLIPBOARD}).empty());
  // The head leaves: the chain starts at its successor.
  ChangeClipboardChain(viewers[2], NextViewers()[viewers[2]]);
  EXPECT_EQ(GetClipboardViewer(), viewers[0]);
}

// The items of a menu as "text" with a "*" after checked ones.
std::vector<std::string> Items(HMENU menu) {
  std::vector<std::string> items;
  for (int32_t i = 0; i < GetMenuItemCount(menu); ++i) {
    const auto position = static_cast<UINT>(i);
    const UINT state = GetMenuState(menu, position, MF_BYPOSITION);
    std::string item = (state & MF_SEPARATOR) ? "-" : GetMenuItemText(menu, position, MF_BYPOSITION);
    if (state & MF_CHECKED) item += "*";
    items.push_back(item);
  }
  return items;
}

TEST_F(MdiTest, TheWindowMenuListsTheShownDocumentsInTheirOrderWithTheActiveOneChecked) {
  const HMENU windowMenu = CreatePopupMenu();
  AppendMenu(windowMenu, MF_STRING, 24337, "&Cascade");
  const HWND first = Document(0, 0);
  SetWindowText(first, "R&D");
  const HWND second = Document(30, 30);
  SetWindowText(second, "second");
  const HWND hidden = Document(60, 60);
  ShowWindow(hidden, SW_HIDE);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  SendMessage(client_, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(windowMenu));
  EXPECT_EQ(Items(windowMenu),
            (std::vector<std::string>{"&Cascade", "-", "&1 R&&D", "&2 second*"}));
  EXPECT_EQ(GetMenuItemID(windowMenu, 2), kMdiFirstChildCommand);

  // Activation moves the check; the order stays that of the windows' coming.
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
  EXPECT_EQ(Items(windowMenu),
            (std::vector<std::string>{"&Cascade", "-", "&1 R&&D*", "&2 second"}));
  // A window that goes leaves the list, and the rest is numbered again; a new title is taken
  // when the list is made again.
  DestroyWindow(first);
  SetWindowText(second, "renamed");
  SendMessage(client_, WM_MDIREFRESHMENU, 0, 0);
  EXPECT_EQ(Items(windowMenu), (std::vector<std::string>{"&Cascade", "-", "&1 renamed*"}));
  DestroyWindow(second);
  DestroyWindow(hidden);
  EXPECT_EQ(Items(windowMenu), (std::vector<std::string>{"&Cascade"}));
  DestroyMenu(windowMenu);
}

TEST_F(MdiTest, TheListMovesToAnotherMenuAndLeavesTheFirstAsItWas) {
  const HMENU normal = CreatePopupMenu();
  AppendMenu(normal, MF_STRING, 1, "one");
  const HMENU other = CreatePopupMenu();
  const HWND document = Document(0, 0);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(document), 0);
  SendMessage(client_, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(normal));
  ASSERT_EQ(GetMenuItemCount(normal), 3);
  SendMessage(client_, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(Items(normal), (std::vector<std::string>{"one"}));
  EXPECT_EQ(Items(other), (std::vector<std::string>{"-", "&1 doc*"}));
  DestroyMenu(normal);
  DestroyMenu(other);
}

TEST_F(MdiTest, AListedWindowChosenComesForwardRestoredAndOtherCommandsAreLeftAlone) {
  const HMENU windowMenu = CreatePopupMenu();
  const HWND first = Document(0, 0);
  const HWND second = Document(30, 30);
  SendMessage(client_, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(windowMenu));
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
  ShowWindow(first, SW_MINIMIZE);
  ASSERT_EQ(GetMenuItemID(windowMenu, 1), kMdiFirstChildCommand);
  DefFrameProc(frame_, client_, WM_COMMAND, kMdiFirstChildCommand, 0);
  EXPECT_EQ(Active(), first);
  EXPECT_FALSE(IsIconic(first));
  EXPECT_EQ(GetTopWindow(client_), first);
  // A command past the list, or any other, activates nothing.
  DefFrameProc(frame_, client_, WM_COMMAND, kMdiFirstChildCommand + 5, 0);
  DefFrameProc(frame_, client_, WM_COMMAND, 24337, 0);
  EXPECT_EQ(Active(), first);
  DestroyMenu(windowMenu);
}

TEST_F(MdiTest, APressInsideTheDocumentWindowBehindBringsItForward) {
  const HWND back = Document(0, 0);
  const HWND front = Document(250, 0);
  const HWND content = Child(back, 10, 10, 100, 80);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(front), 0);
  SetActiveWindow(frame_);
  Pump();
  ASSERT_EQ(Active(), front);
  InjectClick(content, {5, 5});
  Pump();
  EXPECT_EQ(Active(), back);
  // The press still reaches the window under it.
  EXPECT_FALSE(Log().All(WM_LBUTTONDOWN).empty());
}

TEST_F(MdiTest, TheKeyboardFocusOrAChildActivationMakesADocumentWindowActive) {
  const HWND first = Document(0, 0);
  const HWND second = Document(250, 0);
  SendMessage(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
  SetFocus(second);
  EXPECT_EQ(Active(), second);
  SendMessage(first, WM_CHILDACTIVATE, 0, 0);
  EXPECT_EQ(Active(), first);
}

}  // namespace
