// The action chooser driven by keys: the program's actions with the Scripts menu's scripts at
// the placeholder (separators skipped, each script keeping its position's code), the choice
// handed to the OK callback, Cancel forgetting it on the dialog, and the list bounded.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/Alert.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/periphery/ActionChooser.h"

namespace {

// An 'acts' list of the names and codes (the end record not added).
std::vector<uint8_t> ActionList(const std::vector<std::pair<std::string, int16_t>>& records) {
  std::vector<uint8_t> bytes;
  for (const auto& [name, code] : records) {
    uint8_t record[32] = {};
    std::memcpy(record, name.data(), std::min<size_t>(name.size(), 30));
    record[30] = static_cast<uint8_t>(code & 0xFF);
    record[31] = static_cast<uint8_t>((code >> 8) & 0xFF);
    bytes.insert(bytes.end(), record, record + 32);
  }
  return bytes;
}

struct Chosen {
  TDialogWindow* window = nullptr;
  intptr_t data = 0;
  int16_t code = 0;
  int calls = 0;
};
Chosen g_chosen;

void RememberChoice(TDialogWindow* window, intptr_t data) {
  ++g_chosen.calls;
  g_chosen.window = window;
  g_chosen.data = data;
  if (auto* chooser = dynamic_cast<TActionDialogWindow*>(window))
    g_chosen.code = chooser->GetChosenAction();
}

class ActionChooserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    RegisterResourceLibraries();
    SetResourceModule2(LoadResourceLibrary(kMainResourceLibrary));
    frame_ = new CFrameWnd;
    ASSERT_TRUE(frame_->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{0, 0, 600, 400}, nullptr, nullptr, 0, nullptr));
    SetMainFrame(frame_);
    g_chosen = Chosen();
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetMainFrame(nullptr);
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    if (!testActions_.empty()) UnregisterResourceModule("actions-test.dll");
    UseProcessClock();
    FreeHandlePool();
  }
  // A menu bar whose fourth pop-up holds the Scripts menu's fixed items and then these.
  void MenuWithScripts(const std::vector<const char*>& scripts) {
    const HMENU bar = CreateMenu();
    for (int popup = 0; popup < 4; ++popup) {
      const HMENU items = CreatePopupMenu();
      if (popup == 3) {
        for (int i = 0; i < kFixedMenuItems; ++i) AppendMenu(items, MF_STRING, 5500 + i, "Fixed");
        UINT id = 8241;
        for (const char* script : scripts) {
          if (script == nullptr) {
            AppendMenu(items, MF_SEPARATOR, 0, nullptr);
          } else {
            AppendMenu(items, MF_STRING, id, script);
          }
          ++id;
        }
      }
      AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), "Menu");
    }
    SetMenu(frame_->m_hWnd, bar);
  }
  void UseActions(const std::vector<std::pair<std::string, int16_t>>& records) {
    testActions_ = ActionList(records);
    entries_ = {ResourceEntry{"acts", 0, nullptr, kActionListResource, testActions_.data(),
                              static_cast<uint32_t>(testActions_.size())}};
    RegisterResourceModule(ResourceModuleTable{"actions-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
    SetResourceModule1(LoadResourceLibrary("actions-test.dll"));
  }
  // The list's texts and codes while the dialog is up.
  void ReadList(TActionDialogWindow& window) {
    auto* dialog = dynamic_cast<TActionOwlDialog*>(window.GetDialog());
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->ActionList(), nullptr);
    texts_.clear();
    const int32_t count = dialog->ActionList()->GetCount();
    for (int32_t i = 0; i < count; ++i) {
      char text[256] = "";
      SendMessage(dialog->ActionList()->m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(i),
                  reinterpret_cast<LPARAM>(text));
      texts_.push_back(text);
    }
    codes_.assign(dialog->Codes().begin(), dialog->Codes().end());
  }
  static std::function<void()> Key(int32_t key) {
    return [key] { InjectKeyStroke(key); };
  }

  CFrameWnd* frame_ = nullptr;
  std::vector<uint8_t> testActions_;
  std::vector<ResourceEntry> entries_;
  std::vector<std::string> texts_;
  std::vector<int16_t> codes_;
};

TEST_F(ActionChooserTest, MenuCommandsFollowThePlaceholderWithTheirPositionsCodes) {
  MenuWithScripts({"Swing\bCtrl+1", nullptr, "Drop"});
  TActionDialogWindow* window = nullptr;
  ScriptUser({[&] {
                window = dynamic_cast<TActionDialogWindow*>(g_chosen.window);
                ReadList(*window);
              },
              Key(VK_ESCAPE)});
  RunActionChooser(kActionChooserDialog,
                   [](TDialogWindow* made, intptr_t) { g_chosen.window = made; }, nullptr, 0, 0,
                   nullptr);
  const std::vector<std::string> texts = {"Run the world", "Stop the run", "Reset the world",
                                          "Step forward", "Step back", "Back to the start",
                                          "Run a script:", " Swing", " Drop", "Save the document",
                                          "Open a document..."};
  EXPECT_EQ(texts_, texts);
  const std::vector<int16_t> codes = {1031, 1034, 1032, 1101, 1102, 1036, -2, 8241, 8243, 32, 20};
  EXPECT_EQ(codes_, codes);
}

// The program's own menu bar: while the Scripts menu lists no script its greyed stand-in is not
// offered; once it lists scripts (in the stand-in's place, as the menu's update puts them),
// every one is, the first with the first script code.
TEST_F(ActionChooserTest, EveryScriptOfTheProgramsScriptsMenuIsOffered) {
  const HMENU bar = LoadMenu(GetResourceModule2(), MAKEINTRESOURCEA(20000));
  ASSERT_NE(bar, nullptr);
  SetMenu(frame_->m_hWnd, bar);
  const HMENU scripts = GetSubMenu(bar, 3);
  ASSERT_EQ(GetMenuItemCount(scripts), kFixedMenuItems + 1);
  UseActions({{"Scripts", -2}, {"end", -777}});
  const auto readList = [&] {
    ScriptUser({[&] { ReadList(*dynamic_cast<TActionDialogWindow*>(g_chosen.window)); },
                Key(VK_ESCAPE)});
    RunActionChooser(kActionChooserDialog,
                     [](TDialogWindow* made, intptr_t) { g_chosen.window = made; }, nullptr, 0,
                     0, nullptr);
  };
  readList();
  EXPECT_EQ(texts_, std::vector<std::string>{"Scripts"});

  DeleteMenu(scripts, kFixedMenuItems, MF_BYPOSITION);
  InsertMenu(scripts, kFixedMenuItems, MF_BYPOSITION | MF_STRING, 5521, "Swing");
  InsertMenu(scripts, kFixedMenuItems + 1, MF_BYPOSITION | MF_STRING, 5522, "Drop");
  readList();
  EXPECT_EQ(texts_, (std::vector<std::string>{"Scripts", " Swing", " Drop"}));
  EXPECT_EQ(codes_, (std::vector<int16_t>{-2, 8241, 8242}));
}

TEST_F(ActionChooserTest, TheChoiceMadeByKeysReachesTheOkCallback) {
  MenuWithScripts({"Swing"});
  // The list has the focus and nothing chosen: the first Down chooses the first action, two more
  // the third; Return confirms.
  ScriptUser({Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)});
  RunActionChooser(kActionChooserDialog, nullptr, &RememberChoice, 0, 77, nullptr);
  EXPECT_EQ(g_chosen.calls, 1);
  EXPECT_EQ(g_chosen.data, 77);
  EXPECT_EQ(g_chosen.code, 1032);
}

TEST_F(ActionChooserTest, OkWithNothingChosenIsRefusedAndTheDialogStays) {
  MenuWithScripts({});
  // The refusal's alert template.
  SetResourceModule1(LoadResourceLibrary(kErrorResourceLibrary));
  std::FILE* said = std::tmpfile();
  ASSERT_NE(said, nullptr);
  {
    const TWindowlessAlerts alerts(said);
    bool openAfterRefusal = false;
    ScriptUser({Key(VK_RETURN),
                [&] {
                  const HWND dialog = g_chosen.window->GetDialogHandle();
                  openAfterRefusal = dialog != nullptr && IsWindow(dialog);
                  InjectKeyStroke(VK_DOWN);
                },
                Key(VK_RETURN)});
    RunActionChooser(kActionChooserDialog,
                     [](TDialogWindow* made, intptr_t) { g_chosen.window = made; },
                     &RememberChoice, 0, 0, nullptr);
    EXPECT_TRUE(openAfterRefusal) << "OK with nothing chosen closed the dialog";
  }
  std::rewind(said);
  char line[256] = "";
  const bool wrote = std::fgets(line, sizeof line, said) != nullptr;
  std::fclose(said);
  ASSERT_TRUE(wrote) << "the refusal said nothing";
  EXPECT_NE(std::string(line).find("Choose an action"), std::string::npos) << line;
  // The choice made after the refusal is taken.
  EXPECT_EQ(g_chosen.calls, 1);
  EXPECT_EQ(g_chosen.code, 1031);
}

TEST_F(ActionChooserTest, CancelForgetsTheChoiceOnTheDialogOnly) {
  MenuWithScripts({});
  TDialogWindow* made = CreateDialogById(kActionChooserDialog, nullptr);
  auto* window = dynamic_cast<TActionDialogWindow*>(made);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetChosenAction(), kNoAction);
  window->SetDialogCallback(&RememberChoice, 0);
  ScriptUser({Key(VK_DOWN), Key(VK_ESCAPE)});
  EXPECT_EQ(window->PoseModally(), window->GetCancelResult());
  EXPECT_EQ(g_chosen.calls, 0);
  EXPECT_EQ(dynamic_cast<TActionOwlDialog*>(window->GetDialog())->GetChosenAction(), kNoAction);
  EXPECT_EQ(window->GetChosenAction(), 1031);
  delete made;
}

TEST_F(ActionChooserTest, TheListHoldsAtMostAHundredEntries) {
  std::vector<const char*> scripts(120, "Script");
  MenuWithScripts(scripts);
  UseActions({{"Before", 5}, {"Scripts", -2}, {"After", 6}, {"end", -777}});
  ScriptUser({[&] { ReadList(*dynamic_cast<TActionDialogWindow*>(g_chosen.window)); },
              Key(VK_ESCAPE)});
  RunActionChooser(kActionChooserDialog,
                   [](TDialogWindow* made, intptr_t) { g_chosen.window = made; }, nullptr, 0, 0,
                   nullptr);
  ASSERT_EQ(texts_.size(), kMaxActions);
  ASSERT_EQ(codes_.size(), kMaxActions);
  EXPECT_EQ(codes_[2], 8241);
  EXPECT_EQ(codes_[98], 8241 + 96);
  // The entry after the placeholder keeps its own code, after the commands that fitted.
  EXPECT_EQ(texts_.back(), "After");
  EXPECT_EQ(codes_.back(), 6);
}

TEST_F(ActionChooserTest, FewMenuItemsOrNoPlaceholderOfferNoCommands) {
  MenuWithScripts({});
  UseActions({{"Scripts", -2}, {"end", -777}});
  ScriptUser({[&] { ReadList(*dynamic_cast<TActionDialogWindow*>(g_chosen.window)); },
              Key(VK_ESCAPE)});
  RunActionChooser(kActionChooserDialog,
                   [](TDialogWindow* made, intptr_t) { g_chosen.window = made; }, nullptr, 0, 0,
                   nullptr);
  EXPECT_EQ(texts_, std::vector<std::string>{"Scripts"});
}

TEST(ActionListTest, RecordsEndAtTheEndRecordOrTheLastWholeRecord) {
  EXPECT_TRUE(ParseActionList(ActionList({{"end", -777}, {"Run", 1031}})).empty());
  std::vector<uint8_t> open = ActionList({{"Run", 1031}, {"Stop", 1034}});
  open.resize(open.size() + 10, 'x');
  const std::vector<TActionRecord> records = ParseActionList(open);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].name, "Stop");
  EXPECT_EQ(records[1].code, 1034);
  // A name filling its 30 bytes has no NUL; it is read to its 30 bytes only.
  const std::string full(30, 'n');
  EXPECT_EQ(ParseActionList(ActionList({{full, 7}}))[0].name, full);
  std::vector<std::pair<std::string, int16_t>> many(130, {"a", 1});
  EXPECT_EQ(ParseActionList(ActionList(many)).size(), kMaxActions);
}

}  // namespace
