#pragma once
// A fresh window system with a resource module of test dialogs (templates and their item
// lists) ahead of the program's libraries, an edit item class for the tests (the edit item
// kinds come with their own classes later), and a scripted user.

#include <gtest/gtest.h>

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
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/ui/dialogs/FilterBytes.h"
#include "tests/ui/dialogs/TestItems.h"
#include "ui/controls/MacEdit.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/items/MacDialogItem.h"

namespace dialog_test {

inline constexpr uint16_t kEditKind = 1;
inline constexpr uint16_t kNameDialog = 9001;
inline constexpr uint16_t kEmptyDialog = 9002;
inline constexpr uint16_t kNoListDialog = 9003;
inline constexpr uint16_t kGroupDialog = 9004;
inline constexpr uint16_t kFieldId = 101;
class DialogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    RegisterResourceLibraries();
    BuildModule();
    SetResourceModule1(LoadResourceLibrary("dialogs-test.dll"));
    SetResourceModule2(LoadResourceLibrary(kMainResourceLibrary));
    SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
    InstallCursorResourceProbe();
    RegisterPlainItemKinds();
    RegisterItemKind(kEditKind, MakeTestEditItem);
    ConfirmFlag() = 0;
    ReportGuardFlag() = 0;
    DialogMouseDownFlag() = 0;
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    RegisterItemKind(kEditKind, nullptr);
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    SetResourceModule3(nullptr);
    UnregisterResourceModule("dialogs-test.dll");
    ResetWindowSystem();
    UseProcessClock();
    FreeHandlePool();
  }

  // Dialog 9001: a field (101), OK and Cancel; its list attaches the field as item kind 1
  // bound to the name. Dialog 9002: the same template with an empty list. 9003 has no list.
  void BuildModule() {
    DialogTemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION | WS_THICKFRAME, 3, "Body", 160, 60);
    writer.Item(WS_TABSTOP | WS_BORDER, kFieldId, kEditOrdinal, "", 8, 8, 100, 12);
    writer.Item(WS_TABSTOP | 1 /* default push button */, 1, kButtonOrdinal, "OK", 8, 30, 40, 14);
    writer.Item(WS_TABSTOP, 2, kButtonOrdinal, "Cancel", 56, 30, 40, 14);
    dialogTemplate_ = writer.bytes;
    FilterBytes list;
    list.Word(1).Word(kEditKind).Tag("name").Record(1, kFieldId, 0x50800080, 8, 8, 108, 20, "");
    nameList_ = list.Bytes();
    FilterBytes empty;
    empty.Word(0);
    emptyList_ = empty.Bytes();
    // A group: its end item's static holds the items after it.
    FilterBytes group;
    group.Word(2);
    group.Word(0xFFFF).Tag("grp1").Record(0, 301, 0x50000000, 4, 30, 150, 56, "Group");
    group.Record(0, 302, 0x50000000, 2, 2, 60, 10, "inner");
    group.Word(80).Tag("DL00").Record(0, 303, 0x50000000, 4, 4, 60, 12, "after", 1);
    groupList_ = group.Bytes();
    const auto entry = [](const char* type, uint16_t typeId, uint16_t id,
                          const std::vector<uint8_t>& bytes) {
      return ResourceEntry{type, typeId, nullptr, id, bytes.data(),
                           static_cast<uint32_t>(bytes.size())};
    };
    entries_ = {entry(nullptr, 5, kNameDialog, dialogTemplate_),
                entry(nullptr, 5, kEmptyDialog, dialogTemplate_),
                entry(nullptr, 5, kNoListDialog, dialogTemplate_),
                entry("fltr", 0, kNameDialog, nameList_),
                entry(nullptr, 5, kGroupDialog, dialogTemplate_),
                entry("fltr", 0, kEmptyDialog, emptyList_),
                entry("fltr", 0, kGroupDialog, groupList_)};
    RegisterResourceModule(ResourceModuleTable{"dialogs-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
  }

  // Runs each step when the window layer waits for input.
  void Script(std::deque<std::function<void()>> steps) { ScriptUser(std::move(steps)); }
  // Answers the next message box with Return and counts it.
  std::function<void()> AnswerBox() {
    return [this] {
      if (GetMessageBoxWindow() != nullptr) {
        ++boxes;
        InjectKeyStroke(VK_RETURN);
      }
    };
  }
  static void Type(const std::string& text) {
    for (char c : text) InjectCharacter(static_cast<uint8_t>(c));
  }

  int boxes = 0;

 private:
  std::vector<uint8_t> dialogTemplate_;
  std::vector<uint8_t> nameList_;
  std::vector<uint8_t> emptyList_;
  std::vector<uint8_t> groupList_;
  std::vector<ResourceEntry> entries_;
};

}  // namespace dialog_test
