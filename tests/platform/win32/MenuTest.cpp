#include "platform/win32/Menu.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/Accelerator.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class MenuTest : public WindowTest {};

// File (Open 100, Save 101, separator, Recent > Clear 110), Edit (Undo 200).
HMENU BuildBar() {
  const HMENU bar = CreateMenu();
  const HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 100, "&Open...\tCtrl+O");
  AppendMenu(file, MF_STRING, 101, "&Save");
  AppendMenu(file, MF_SEPARATOR, 0, nullptr);
  const HMENU recent = CreatePopupMenu();
  AppendMenu(recent, MF_STRING, 110, "Clear");
  AppendMenu(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), "Recent");
  const HMENU edit = CreatePopupMenu();
  AppendMenu(edit, MF_STRING, 200, "&Undo");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
  return bar;
}

TEST_F(MenuTest, ItemsAreFoundByCommandInSubmenusAndByPosition) {
  const HMENU bar = BuildBar();
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  const HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuItemID(file, 1), 101u);
  EXPECT_EQ(GetMenuItemID(file, 3), kMenuNotFound);  // a submenu
  EXPECT_EQ(EnableMenuItem(bar, 110, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(EnableMenuItem(bar, 110, MF_ENABLED), MF_GRAYED);
  EXPECT_EQ(EnableMenuItem(bar, 999, MF_GRAYED), kMenuNotFound);
  EXPECT_EQ(CheckMenuItem(bar, 101, MF_CHECKED), MF_UNCHECKED);
  EXPECT_EQ(GetMenuState(bar, 101, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuState(file, 3, MF_BYPOSITION) >> 8, 1u);  // the submenu's item count
  char text[5];
  EXPECT_EQ(GetMenuString(bar, 100, text, sizeof text, MF_BYCOMMAND), 4);
  EXPECT_STREQ(text, "&Ope");
  EXPECT_EQ(GetMenuString(bar, 100, nullptr, 0, MF_BYCOMMAND), 15);
  DestroyMenu(bar);
  EXPECT_FALSE(IsMenu(file));
}

TEST_F(MenuTest, ModifyKeepsThePlaceAndInsertGoesBeforeTheItem) {
  const HMENU bar = BuildBar();
  const HMENU file = GetSubMenu(bar, 0);
  const UINT state = GetMenuState(bar, 101, MF_BYCOMMAND);
  EXPECT_TRUE(ModifyMenu(bar, 101, MF_BYCOMMAND | state, 101, "Save &As"));
  EXPECT_EQ(GetMenuItemText(file, 1, MF_BYPOSITION), "Save &As");
  EXPECT_TRUE(InsertMenu(file, 101, MF_BYCOMMAND | MF_STRING, 102, "Close"));
  EXPECT_EQ(GetMenuItemID(file, 1), 102u);
  EXPECT_EQ(GetMenuItemID(file, 2), 101u);
  EXPECT_TRUE(InsertMenu(file, 99, MF_BYPOSITION | MF_STRING, 103, "Last"));
  EXPECT_EQ(GetMenuItemID(file, GetMenuItemCount(file) - 1), 103u);
  EXPECT_TRUE(DeleteMenu(file, 102, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuItemID(file, 1), 101u);
  EXPECT_FALSE(DeleteMenu(file, 102, MF_BYCOMMAND));
  DestroyMenu(bar);
}

std::vector<uint8_t> Words(std::initializer_list<uint16_t> words) {
  std::vector<uint8_t> out;
  for (uint16_t word : words) {
    out.push_back(static_cast<uint8_t>(word & 0xFF));
    out.push_back(static_cast<uint8_t>(word >> 8));
  }
  return out;
}

TEST_F(MenuTest, ResourceTemplatesBuildMenusAndCutTemplatesAreRefused) {
  // POPUP "F" { MENUITEM "O", 7; MENUITEM SEPARATOR }  MENUITEM "H", 9
  const std::vector<uint8_t> bytes =
      Words({0, 0, MF_POPUP, 'F', 0, 0, 7, 'O', 0, MF_END, 0, 0, MF_END, 9, 'H', 0});
  const HMENU menu = LoadMenuIndirect(bytes);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  const HMENU popup = GetSubMenu(menu, 0);
  EXPECT_EQ(GetMenuItemText(menu, 0, MF_BYPOSITION), "F");
  EXPECT_EQ(GetMenuItemID(popup, 0), 7u);
  EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemID(menu, 1), 9u);
  for (size_t cut = 0; cut < bytes.size(); ++cut)
    EXPECT_EQ(LoadMenuIndirect(std::span(bytes.data(), cut)), nullptr) << cut;
}

TEST_F(MenuTest, TemplateTextsBecomeTheProgramsSingleByteCharacters) {
  // MENUITEM "5 €…", 7 (MF_END) — the euro sign and the ellipsis are single bytes in the program.
  const std::vector<uint8_t> bytes = Words({0, 0, MF_END, 7, '5', ' ', 0x20AC, 0x2026, 0x4E2D, 0});
  const HMENU menu = LoadMenuIndirect(bytes);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemText(menu, 0, MF_BYPOSITION), "5 \x80\x85?");
  DestroyMenu(menu);
}

TEST_F(MenuTest, MenusAndAcceleratorsComeFromResourceModules) {
  const std::vector<uint8_t> menu = Words({0, 0, MF_POPUP | MF_END, 'F', 0, MF_END, 7, 'O', 0});
  const std::vector<uint8_t> keys = Words({FVIRTKEY | 0x80, VK_F1, 7, 0});
  const ResourceEntry entries[] = {
      {nullptr, 4, nullptr, 20000, menu.data(), static_cast<uint32_t>(menu.size())},
      {nullptr, 9, "SHELL", 0, keys.data(), static_cast<uint32_t>(keys.size())}};
  RegisterResourceModule(ResourceModuleTable{"menus-test.dll", entries, 2});
  const HMODULE module = LoadResourceLibrary("menus-test.dll");
  const HMENU loaded = LoadMenu(module, MAKEINTRESOURCEA(20000));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(loaded, 0), 0), 7u);
  EXPECT_EQ(LoadMenu(module, MAKEINTRESOURCEA(20001)), nullptr);
  const HACCEL table = LoadAccelerators(module, "shell");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(CopyAcceleratorTable(table, nullptr, 0), 1);
  DestroyAcceleratorTable(table);
  DestroyMenu(loaded);
  UnregisterResourceModule("menus-test.dll");
}

TEST_F(MenuTest, APopupMenuAnsweredByKeysPostsTheCommand) {
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU bar = BuildBar();
  const HMENU file = GetSubMenu(bar, 0);
  EnableMenuItem(bar, 100, MF_GRAYED);
  int32_t step = 0;
  SetIdleScript([&] {
    if (step++ > 0) return false;
    InjectKeyStroke(VK_DOWN);  // Open (grayed, still selectable for the eye)
    InjectKeyStroke(VK_DOWN);  // Save
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  Pump();
  Log().Clear();
  EXPECT_TRUE(TrackPopupMenu(file, 0, 10, 10, 0, window, nullptr));
  EXPECT_EQ(Log().Of(window).front(), WM_ENTERMENULOOP);
  const auto init = Log().All(WM_INITMENUPOPUP);
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(reinterpret_cast<HMENU>(init[0].wParam), file);
  const auto selects = Log().All(WM_MENUSELECT);
  ASSERT_GE(selects.size(), 3u);
  EXPECT_EQ(LOWORD(selects[1].wParam), 101);
  EXPECT_EQ(HIWORD(selects.back().wParam), 0xFFFF);  // the menu closed
  Pump();
  const auto commands = Log().All(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0].wParam), 101);
  EXPECT_EQ(HIWORD(commands[0].wParam), 0);
  EXPECT_EQ(GetActivePopupMenuWindow(), nullptr);
  DestroyMenu(bar);
}

TEST_F(MenuTest, APopupMenuClosedByEscapeOrAGrayedChoiceCommandsNothing) {
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU bar = BuildBar();
  EnableMenuItem(bar, 100, MF_GRAYED);
  std::vector<int32_t> keys{VK_DOWN, VK_RETURN, VK_ESCAPE};
  SetIdleScript([&] {
    if (keys.empty()) return false;
    InjectKeyStroke(keys.front());
    keys.erase(keys.begin());
    return true;
  });
  EXPECT_FALSE(TrackPopupMenu(GetSubMenu(bar, 0), TPM_RETURNCMD, 0, 0, 0, window, nullptr));
  Pump();
  EXPECT_TRUE(Log().All(WM_COMMAND).empty());
  DestroyMenu(bar);
}

TEST_F(MenuTest, AMouseClickOnTheMenuBarOpensItsMenuAndChoosesAnItem) {
  const HWND window = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HMENU bar = BuildBar();
  SetMenu(window, bar);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, 300 - 2 * GetSystemMetrics(SM_CYFRAME) - GetSystemMetrics(SM_CYCAPTION) -
                               GetSystemMetrics(SM_CYMENU));
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  // The Edit title sits after "File"; its menu opens below it with Undo first.
  const POINT edit{origin.x + 50, origin.y - 5};
  int32_t step = 0;
  SetIdleScript([&] {
    ++step;
    if (step == 1) {
      InjectMouseButton(MouseButton::kLeft, true, edit);
      InjectMouseButton(MouseButton::kLeft, false, edit);
      return true;
    }
    if (step == 2) {
      const HWND popup = GetActivePopupMenuWindow();
      if (!popup) return false;
      RECT area;
      GetWindowRect(popup, &area);
      const POINT undo{area.left + 10, area.top + 5};
      InjectMouseMove(undo);
      InjectMouseButton(MouseButton::kLeft, true, undo);
      InjectMouseButton(MouseButton::kLeft, false, undo);
      return true;
    }
    return false;
  });
  MSG message;
  while (GetMessage(&message, nullptr, 0, 0) > 0) {
    DispatchMessage(&message);
    if (message.message == WM_COMMAND) break;
  }
  const auto commands = Log().All(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(LOWORD(commands[0].wParam), 200);
  EXPECT_FALSE(Log().All(WM_INITMENU).empty());
  const auto init = Log().All(WM_INITMENUPOPUP);
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(init[0].lParam)), 1);  // Edit is bar position 1
}

// Runs the message loop, taking one step of what the user does on each idle turn, until the
// steps are done and everything they caused has run.
void RunSteps(std::vector<std::function<void()>> steps) {
  size_t next = 0;
  SetIdleScript([&] {
    if (next < steps.size()) {
      steps[next++]();
    } else {
      PostQuitMessage(0);
    }
    return true;
  });
  MSG message;
  while (GetMessage(&message, nullptr, 0, 0) > 0)
    DispatchMessage(&message);
  SetIdleScript(nullptr);
}

// The positions of the bar's menus opened so far, in order.
std::vector<int32_t> OpenedBarMenus() {
  std::vector<int32_t> positions;
  for (const LoggedMessage& entry : MessageLog::Get().All(WM_INITMENUPOPUP))
    positions.push_back(LOWORD(static_cast<uintptr_t>(entry.lParam)));
  return positions;
}

TEST_F(MenuTest, TheFirstPressOnATitleOfAnInactiveFrameOpensItsMenu) {
  const HWND frame = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SetMenu(frame, BuildBar());
  const HWND other = TopLevel(400, 0, 200, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ASSERT_EQ(GetActiveWindow(), other);
  const RECT edit = MenuBarItemRect(frame, 1);
  const POINT title{(edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2};
  HWND popup = nullptr;
  HWND activeWhileOpen = nullptr;
  RunSteps({[&] {
              InjectMouseMove(title);
              InjectMouseButton(MouseButton::kLeft, true, title);
              InjectMouseButton(MouseButton::kLeft, false, title);
            },
            [&] {
              popup = GetActivePopupMenuWindow();
              activeWhileOpen = GetActiveWindow();
              InjectKeyStroke(VK_ESCAPE);
            }});
  EXPECT_NE(popup, nullptr) << "the press only activated the frame";
  EXPECT_EQ(OpenedBarMenus(), std::vector<int32_t>{1});
  EXPECT_EQ(activeWhileOpen, frame);
  EXPECT_EQ(GetActivePopupMenuWindow(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr) << "the closed menu kept the mouse";
}

TEST_F(MenuTest, APressOnAnotherTitleWhileAMenuIsOpenOpensThatTitlesMenu) {
  const HWND frame = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SetMenu(frame, BuildBar());
  const auto titlePoint = [frame](int32_t position) {
    const RECT rect = MenuBarItemRect(frame, position);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  };
  const auto click = [](POINT at) {
    InjectMouseMove(at);
    InjectMouseButton(MouseButton::kLeft, true, at);
    InjectMouseButton(MouseButton::kLeft, false, at);
  };
  std::vector<RECT> popups;
  const auto notePopup = [&] {
    RECT area{};
    if (const HWND popup = GetActivePopupMenuWindow()) GetWindowRect(popup, &area);
    popups.push_back(area);
  };
  RunSteps({[&] { click(titlePoint(0)); },  // File opens
            [&] {
              notePopup();
              click(titlePoint(1));  // one click on Edit: File closes, Edit opens
            },
            [&] {
              notePopup();
              click(titlePoint(1));  // a click on the open menu's own title closes it
            },
            notePopup});
  EXPECT_EQ(OpenedBarMenus(), (std::vector<int32_t>{0, 1}));
  ASSERT_EQ(popups.size(), 3u);
  EXPECT_EQ(popups[0].left, MenuBarItemRect(frame, 0).left);
  EXPECT_EQ(popups[1].left, MenuBarItemRect(frame, 1).left) << "Edit's menu did not open";
  EXPECT_EQ(popups[2].right, popups[2].left) << "the menu stayed open";
  EXPECT_TRUE(Log().All(WM_COMMAND).empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

// A greyed title whose menu offers nothing to choose (a program's Input menu with nothing
// selected) opens nothing; one whose items can still be chosen opens as before.
TEST_F(MenuTest, APressOnAGreyedTitleOpensNothing) {
  const HWND frame = TopLevel(0, 0, 300, 300, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HMENU bar = BuildBar();
  SetMenu(frame, bar);
  EnableMenuItem(bar, 1, MF_BYPOSITION | MF_GRAYED);
  const HMENU items = GetSubMenu(bar, 1);
  for (int32_t i = 0; i < GetMenuItemCount(items); ++i)
    EnableMenuItem(items, static_cast<UINT>(i), MF_BYPOSITION | MF_GRAYED);
  const RECT edit = MenuBarItemRect(frame, 1);
  const POINT title{(edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2};
  // Whether a click on the title opened a menu (closed again by Escape).
  const auto clickOpens = [&] {
    HWND popup = nullptr;
    RunSteps({[&] {
                InjectMouseMove(title);
                InjectMouseButton(MouseButton::kLeft, true, title);
                InjectMouseButton(MouseButton::kLeft, false, title);
              },
              [&] {
                popup = GetActivePopupMenuWindow();
                if (popup) InjectKeyStroke(VK_ESCAPE);
              }});
    return popup != nullptr;
  };
  EXPECT_FALSE(clickOpens()) << "a greyed title opened a menu";
  EXPECT_TRUE(OpenedBarMenus().empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EnableMenuItem(items, 0, MF_BYPOSITION | MF_ENABLED);
  EXPECT_TRUE(clickOpens()) << "a greyed title whose menu offers a choice opened nothing";
}

// Runs a popup menu answering with its command, pressing the keys one idle turn at a time;
// `open` receives, for each key, whether the menu was still open before it was pressed.
UINT TrackWithKeys(HWND window, HMENU menu, std::vector<int32_t> keys, std::vector<bool>* open) {
  size_t next = 0;
  SetIdleScript([&] {
    if (next >= keys.size()) return false;
    if (open) open->push_back(GetActivePopupMenuWindow() != nullptr);
    InjectKeyStroke(keys[next++]);
    return true;
  });
  const auto chosen =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, window, nullptr));
  SetIdleScript(nullptr);
  return chosen;
}

TEST_F(MenuTest, EnterChoosesOnlyAnEnabledSelectionAndClosesAMenuWithoutOne) {
  const HWND window = TopLevel(0, 0, 200, 200);
  const HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING | MF_GRAYED, 1, "Grayed");
  AppendMenu(menu, MF_STRING, 2, "Plain");
  // Enter on the grayed item leaves the menu open; the next item is then chosen.
  std::vector<bool> open;
  EXPECT_EQ(TrackWithKeys(window, menu, {VK_DOWN, VK_RETURN, VK_DOWN, VK_RETURN}, &open), 2u);
  EXPECT_EQ(open, (std::vector<bool>{true, true, true, true}));
  // Enter with nothing selected closes the menu: the Escape meant to close it is never needed.
  open.clear();
  EXPECT_EQ(TrackWithKeys(window, menu, {VK_RETURN, VK_ESCAPE}, &open), 0u);
  EXPECT_EQ(open, (std::vector<bool>{true}));
  DestroyMenu(menu);
}

TEST_F(MenuTest, ArrowsInAOneItemMenuSelectItsItem) {
  const HWND window = TopLevel(0, 0, 200, 200);
  const HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 7, "Only");
  EXPECT_EQ(TrackWithKeys(window, menu, {VK_DOWN, VK_RETURN}, nullptr), 7u);
  EXPECT_EQ(TrackWithKeys(window, menu, {VK_UP, VK_RETURN}, nullptr), 7u);
  EXPECT_EQ(TrackWithKeys(window, menu, {VK_DOWN, VK_DOWN, VK_UP, VK_RETURN}, nullptr), 7u);
  DestroyMenu(menu);
}

// Runs a popup menu answering with its command; on each idle turn the next step acts when it
// answers true, and answers false while what it waits for has not come yet.
UINT TrackWithSteps(HWND window, HMENU menu, std::vector<std::function<bool()>> steps) {
  size_t next = 0;
  SetIdleScript([&] {
    if (next >= steps.size() || !steps[next]()) return false;
    ++next;
    return true;
  });
  const auto chosen =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, window, nullptr));
  SetIdleScript(nullptr);
  EXPECT_EQ(next, steps.size()) << "the menu closed before every step was taken";
  return chosen;
}

TEST_F(MenuTest, ASubmenuOpensBesideItsItemWhileItsMenuStaysOpen) {
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU bar = BuildBar();
  const HMENU file = GetSubMenu(bar, 0);
  const int32_t recentTop = PopupMenuItemTop(*FindMenuRecord(file), 3);
  HWND filePopup = nullptr;
  RECT fileArea{};
  RECT recentArea{};
  const auto recentShown = [&] {
    const HWND popup = GetActivePopupMenuWindow();
    return popup != nullptr && popup != filePopup;
  };
  const UINT chosen = TrackWithSteps(
      window, file,
      {[&] {
         filePopup = GetActivePopupMenuWindow();
         GetWindowRect(filePopup, &fileArea);
         for (const int32_t key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) InjectKeyStroke(key);
         return true;
       },
       [&] {
         if (!recentShown()) return false;
         GetWindowRect(GetActivePopupMenuWindow(), &recentArea);
         InjectKeyStroke(VK_LEFT);
         return true;
       },
       [&] {
         if (recentShown()) return false;
         // The pointer resting on Recent opens it again.
         InjectMouseMove({fileArea.left + 10, fileArea.top + recentTop + 5});
         return true;
       },
       [&] {
         if (!recentShown()) return false;
         const POINT clear{recentArea.left + 10, recentArea.top + 5};
         InjectMouseMove(clear);
         InjectMouseButton(MouseButton::kLeft, true, clear);
         InjectMouseButton(MouseButton::kLeft, false, clear);
         return true;
       }});
  EXPECT_EQ(chosen, 110u);
  EXPECT_EQ(recentArea.left, fileArea.right);
  EXPECT_EQ(recentArea.top, fileArea.top + recentTop);
  const auto init = Log().All(WM_INITMENUPOPUP);
  ASSERT_EQ(init.size(), 3u);  // File, and Recent twice
  EXPECT_EQ(reinterpret_cast<HMENU>(init[1].wParam), GetSubMenu(file, 3));
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(init[1].lParam)), 3);
  EXPECT_FALSE(IsWindow(filePopup));
  DestroyMenu(bar);
}

TEST_F(MenuTest, RemovingALaterItemRemovesExactlyThatItem) {
  const HMENU menu = CreatePopupMenu();
  const HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 50, "Inner");
  for (UINT id = 1; id <= 4; ++id)
    AppendMenu(menu, MF_STRING, id, ("Item " + std::to_string(id)).c_str());
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  auto ids = [menu] {
    std::vector<UINT> out;
    for (int32_t i = 0; i < GetMenuItemCount(menu); ++i)
      out.push_back(GetMenuItemID(menu, i));
    return out;
  };
  EXPECT_TRUE(RemoveMenu(menu, 2, MF_BYPOSITION));
  EXPECT_EQ(ids(), (std::vector<UINT>{1, 2, 4, kMenuNotFound}));
  EXPECT_EQ(GetMenuItemText(menu, 2, MF_BYPOSITION), "Item 4");
  EXPECT_TRUE(RemoveMenu(menu, 4, MF_BYCOMMAND));
  EXPECT_EQ(ids(), (std::vector<UINT>{1, 2, kMenuNotFound}));
  EXPECT_FALSE(RemoveMenu(menu, 3, MF_BYPOSITION));  // past the end: nothing changes
  EXPECT_EQ(GetMenuItemCount(menu), 3);
  // Removing a submenu item keeps the submenu; deleting it destroys it.
  EXPECT_TRUE(RemoveMenu(menu, 2, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(sub));
  AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Sub");
  EXPECT_TRUE(DeleteMenu(menu, 2, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub));
  EXPECT_EQ(ids(), (std::vector<UINT>{1, 2}));
  DestroyMenu(menu);
}

TEST_F(MenuTest, RedrawingTheMenuBarRepaintsTheFrame) {
  const HWND window = TopLevel(0, 0, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HMENU bar = BuildBar();
  SetMenu(window, bar);
  Pump();
  Log().Clear();
  Pump();
  EXPECT_TRUE(Log().All(WM_NCPAINT).empty());  // nothing to repaint
  // A longer title shows once the bar is redrawn.
  const RECT edit = MenuBarItemRect(window, 1);
  RECT frame;
  GetWindowRect(window, &frame);
  const int32_t y = (edit.top + edit.bottom) / 2 - frame.top;
  auto barRow = [&] {
    std::vector<uint32_t> row;
    for (int32_t x = edit.left - frame.left; x < edit.left - frame.left + 120; ++x)
      row.push_back(GetWindowSurface(window)->Pixel(x, y));
    return row;
  };
  const std::vector<uint32_t> before = barRow();
  ModifyMenu(bar, 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(GetSubMenu(bar, 1)),
             "&Edit Everything Here");
  EXPECT_TRUE(DrawMenuBar(window));
  Pump();
  EXPECT_FALSE(Log().All(WM_NCPAINT).empty());
  EXPECT_NE(barRow(), before);
  EXPECT_EQ(MenuBarDrawCount(window), 1);
}

TEST_F(MenuTest, AcceleratorsCommandUnlessTheirItemIsDisabled) {
  const HWND window = TopLevel(0, 0, 100, 100);
  const HMENU bar = BuildBar();
  SetMenu(window, bar);
  const ACCEL entries[] = {{FVIRTKEY | FCONTROL, 'O', 100}, {FVIRTKEY, VK_F1, 300}};
  const HACCEL table = CreateAcceleratorTable(entries, 2);
  Pump();
  Log().Clear();
  const auto press = [&](bool control, int32_t key) {
    if (control) InjectKey(VK_CONTROL, true);
    InjectKeyStroke(key);
    if (control) InjectKey(VK_CONTROL, false);
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
      if (!TranslateAccelerator(window, table, &message)) DispatchMessage(&message);
  };
  press(true, 'O');
  press(false, 'O');  // without Control: an ordinary key
  press(false, VK_F1);
  EnableMenuItem(bar, 100, MF_GRAYED);
  press(true, 'O');
  std::vector<uint32_t> commands;
  for (const LoggedMessage& entry : Log().All(WM_COMMAND))
    commands.push_back(static_cast<uint32_t>(entry.wParam));
  EXPECT_EQ(commands, (std::vector<uint32_t>{0x10064, 0x1012C}));
  DestroyAcceleratorTable(table);
}

TEST_F(MenuTest, AcceleratorResourcesNeedTheirClosingEntry) {
  const std::vector<uint8_t> bytes = Words({FVIRTKEY, 'S', 101, 0, FVIRTKEY | 0x80, VK_F1, 7, 0});
  const HACCEL table = LoadAcceleratorsIndirect(bytes);
  ASSERT_NE(table, nullptr);
  ACCEL out[4];
  ASSERT_EQ(CopyAcceleratorTable(table, out, 4), 2);
  EXPECT_EQ(out[1].fVirt, FVIRTKEY);
  EXPECT_EQ(out[1].cmd, 7);
  EXPECT_EQ(LoadAcceleratorsIndirect(std::span(bytes.data(), 12)), nullptr);
}

}  // namespace

namespace {

HBITMAP SolidBitmap(COLORREF colour) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 16, 16);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const HBRUSH brush = CreateSolidBrush(colour);
  const RECT all{0, 0, 16, 16};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

// An item with images shows the one for its state in the check column, in place of the check
// mark; an item without keeps its check mark.
TEST_F(MenuTest, AMenuThatWouldRunOffTheScreenIsMovedBackOntoIt) {
  SetScreenSize(400, 300);
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU menu = CreatePopupMenu();
  for (UINT item = 1; item <= 8; ++item) AppendMenu(menu, MF_STRING, item, "An item");
  // Where the menu opened for a place asked for; Escape closes it.
  const auto openedAt = [&](int32_t x, int32_t y) {
    RECT place{};
    bool seen = false;
    SetIdleScript([&] {
      const HWND popup = GetActivePopupMenuWindow();
      if (popup == nullptr || seen) return false;
      GetWindowRect(popup, &place);
      seen = true;
      InjectKeyStroke(VK_ESCAPE);
      return true;
    });
    TrackPopupMenu(menu, TPM_RETURNCMD, x, y, 0, window, nullptr);
    SetIdleScript(nullptr);
    EXPECT_TRUE(seen);
    return place;
  };
  const RECT corner = openedAt(380, 250);
  const RECT inside = openedAt(20, 30);
  SetScreenSize(1280, 800);
  // Near the bottom right corner it ends at the screen's edges, as large as ever.
  EXPECT_EQ(corner.right, 400);
  EXPECT_EQ(corner.bottom, 300);
  EXPECT_EQ(corner.bottom - corner.top, inside.bottom - inside.top);
  // Where it fits it opens where it was asked to.
  EXPECT_EQ(inside.left, 20);
  EXPECT_EQ(inside.top, 30);
  DestroyMenu(menu);
}

TEST_F(MenuTest, ItemImagesShowForTheirStateInPlaceOfTheCheckMark) {
  const HWND window = TopLevel(0, 0, 300, 300);
  const HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "Plain");
  AppendMenu(menu, MF_STRING, 2, "Chosen");
  AppendMenu(menu, MF_STRING | MF_CHECKED, 3, "Checked");
  const HBITMAP red = SolidBitmap(RGB(255, 0, 0));
  const HBITMAP green = SolidBitmap(RGB(0, 255, 0));
  SetMenuItemBitmaps(menu, 1, MF_BYCOMMAND, red, green);
  SetMenuItemBitmaps(menu, 2, MF_BYCOMMAND, red, green);
  CheckMenuItem(menu, 2, MF_CHECKED);
  // The middle of the check column of each row, and a pixel of its text column.
  std::vector<uint32_t> column;
  uint32_t textSide = 0;
  SetIdleScript([&] {
    const HWND popup = GetActivePopupMenuWindow();
    if (popup == nullptr || !column.empty()) return false;
    UpdateWindow(popup);
    RECT frame;
    GetWindowRect(popup, &frame);
    POINT client{0, 0};
    ClientToScreen(popup, &client);
    const int32_t left = client.x - frame.left;
    const int32_t top = client.y - frame.top;
    for (int32_t row = 0; row < 3; ++row)
      column.push_back(GetWindowSurface(popup)->Pixel(
          left + kMenuCheckColumn / 2, top + row * kMenuItemHeight + kMenuItemHeight / 2));
    textSide = GetWindowSurface(popup)->Pixel(left + kMenuCheckColumn + 1, top + 2);
    InjectKeyStroke(VK_ESCAPE);
    return true;
  });
  TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, window, nullptr);
  SetIdleScript(nullptr);
  ASSERT_EQ(column.size(), 3u);
  EXPECT_EQ(column[0], 0xFF0000u);
  EXPECT_EQ(column[1], 0x00FF00u);
  EXPECT_NE(column[2], 0xFF0000u);
  EXPECT_NE(column[2], 0x00FF00u);
  EXPECT_NE(textSide, 0xFF0000u);
  DestroyMenu(menu);
  DeleteObject(red);
  DeleteObject(green);
}

}  // namespace
