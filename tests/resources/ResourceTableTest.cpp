// Every resource the window layer, the dialogs and the constraints look up, loaded through the
// calls that look it up: templates with their item lists, the action list, the import and
// progress texts, the sample fields, the prototypes, the object menus, keys, icons, cursors and
// string lists.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Icon.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"

namespace {

// The bytes of a typed resource as the program's typed-resource call hands them out.
std::vector<uint8_t> Typed(const char (&type)[5], int16_t id) {
  Handle handle = GetResourceHandle(MakeTag(type), id);
  if (!handle) return {};
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  ReleaseResourceHandle(handle);
  return bytes;
}

std::string ListEntry(int16_t list, int16_t index) {
  Str255 text;
  GetIndString(text, list, index);
  return text.Chars();
}

std::string TableString(int16_t id) {
  Str255 text;
  QV_GetIndString(text, id, 0);
  return text.Chars();
}

class ResourceTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    RegisterResourceLibraries();
    main_ = LoadResourceLibrary(kMainResourceLibrary);
    SetResourceModule1(main_);
    SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
    SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
    InstallCursorResourceProbe();
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    SetResourceModule3(nullptr);
    ResetWindowSystem();
    FreeHandlePool();
  }
  HMODULE main_ = nullptr;
};

TEST_F(ResourceTableTest, DialogsHaveTheirTemplatesAndItemLists) {
  for (const int16_t id : {1009, 1104, 10000, 10200, 10410, 10411, 10412, 10413}) {
    EXPECT_NE(FindResource(main_, MAKEINTRESOURCEA(static_cast<uint16_t>(id)), RT_DIALOG),
              nullptr)
        << id;
    const std::vector<uint8_t> items = Typed("fltr", id);
    ASSERT_GE(items.size(), 2u) << id;
    // A count, then that many records of at least a kind and a view identifier each.
    const uint16_t count = static_cast<uint16_t>(items[0] | (items[1] << 8));
    EXPECT_GE(items.size(), 2u + count * 6u) << id;
  }
  for (const char* name : {"TQVProgressImportDialog", "TQVProgressExportDialog"})
    EXPECT_NE(FindResource(main_, name, RT_DIALOG), nullptr) << name;
}

TEST_F(ResourceTableTest, TheActionListEndsAndHasOnePlaceForTheMenuCommands) {
  const std::vector<uint8_t> actions = Typed("acts", 1015);
  ASSERT_FALSE(actions.empty());
  ASSERT_EQ(actions.size() % 32, 0u);
  int places = 0;
  bool ended = false;
  for (size_t at = 0; at < actions.size(); at += 32) {
    const auto code = static_cast<int16_t>(actions[at + 30] | (actions[at + 31] << 8));
    EXPECT_LT(std::strlen(reinterpret_cast<const char*>(&actions[at])), 30u);
    if (code == -2) ++places;
    if (code == -777) ended = at + 32 == actions.size();
  }
  EXPECT_EQ(places, 1);
  EXPECT_TRUE(ended);
}

TEST_F(ResourceTableTest, ImportAndProgressTextsExist) {
  EXPECT_EQ(TableString(19993), "DXF Files (*.dxf)|*.dxf|All Files (*.*)|*.*||");
  for (const int16_t id : {12195, 12196, 12197, 12198, 12199, 12200})
    EXPECT_FALSE(TableString(id).empty()) << id;
}

TEST_F(ResourceTableTest, SampleFieldsHoldAKindAndThreeTerminatedTexts) {
  int16_t id = 2;
  for (std::vector<uint8_t> field = Typed("cfS1", id); !field.empty();
       field = Typed("cfS1", ++id)) {
    ASSERT_GE(field.size(), 2u + 3u * 71u) << id;
    for (const size_t offset : {2u, 73u, 144u}) {
      const auto* text = reinterpret_cast<const char*>(&field[offset]);
      EXPECT_LT(strnlen(text, 71), 71u) << id << " at " << offset;
    }
  }
  EXPECT_GT(id, 2) << "no sample field from 2 on";
}

TEST_F(ResourceTableTest, PrototypesAreObjectStreams) {
  // The point, the polygon body, the curved slot's shape and the line.
  for (const int16_t id : {2505, 2511, 2548, 2549}) {
    const std::vector<uint8_t> stream = Typed("ZodA", id);
    ASSERT_GE(stream.size(), 16u) << id;
    EXPECT_EQ(std::string(stream.begin(), stream.begin() + 4), "ZodA") << id;
  }
}

TEST_F(ResourceTableTest, ObjectMenusKeysIconsAndCursorsLoad) {
  for (const char* name :
       {"InActuatorMenu", "InCircleMenu", "InDampSpringMenu", "InDamperMenu", "InForceMenu",
        "InGearMenu", "InMassMenu", "InMotorMenu", "InNoMenu", "InPinMenu", "InPointMenu",
        "InRRopeMenu", "InRSpringMenu", "InRectangleMenu", "InRopeMenu", "InSpringMenu",
        "InSquareMenu", "InTorqueMenu"}) {
    const HMENU menu = LoadMenu(main_, name);
    ASSERT_NE(menu, nullptr) << name;
    EXPECT_GT(GetMenuItemCount(GetSubMenu(menu, 0)), 0) << name;
    DestroyMenu(menu);
  }
  // Each item of an output menu makes a meter from the template of its number.
  for (const char* name : {"OutCOMMenu", "OutForceMenu", "OutGearMenu", "OutLConstrMenu",
                           "OutMassMenu", "OutPinMenu", "OutPointMenu", "OutRConstrMenu",
                           "OutTorqueMenu"}) {
    const HMENU menu = LoadMenu(main_, name);
    ASSERT_NE(menu, nullptr) << name;
    const HMENU items = GetSubMenu(menu, 0);
    EXPECT_GT(GetMenuItemCount(items), 0) << name;
    for (int32_t i = 0; i < GetMenuItemCount(items); ++i) {
      const auto command = static_cast<int16_t>(GetMenuItemID(items, i));
      EXPECT_TRUE(command >= 5000 && command <= 5199) << name << " " << command;
      EXPECT_FALSE(Typed("ZodA", command).empty()) << name << " " << command;
    }
    DestroyMenu(menu);
  }
  for (const LPCSTR keys : {static_cast<LPCSTR>("FLOATER"), MAKEINTRESOURCEA(19999)}) {
    const HACCEL table = LoadAccelerators(main_, keys);
    EXPECT_NE(table, nullptr);
    DestroyAcceleratorTable(table);
  }
  for (const char* name : {"PinIcon", "PinLockIcon", "RSpringCnstrIcon", "RLockSpringCnstrIcon",
                           "RDamperCnstrIcon", "RLockDamperCnstrIcon", "RPistonCnstrIcon",
                           "GearIcon"}) {
    const HICON icon = LoadIcon(static_cast<HINSTANCE>(main_), name);
    EXPECT_NE(icon, nullptr) << name;
    if (icon) DestroyIcon(icon);
  }
  for (const uint16_t id : {13, 14, 1015}) EXPECT_NE(LoadCursor(main_, id), nullptr) << id;
}

// Some lists leave the entries nothing names empty; each has texts.
TEST_F(ResourceTableTest, StringListsAnswerByIndex) {
  for (const int16_t list : {3443, 3444, 3449, 3450, 3451, 1122, 4003, 32578, 32609}) {
    int texts = 0;
    for (int16_t index = 1; index <= 60; ++index) texts += ListEntry(list, index).empty() ? 0 : 1;
    EXPECT_GT(texts, 0) << list;
  }
}

}  // namespace
