// The resources of the dialogs laid out from item lists: the texts of refused entries, the
// alert and question that show them, the keys of the frame while a floating dialog is active,
// and the label cursor.

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "core/Alert.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"

namespace {

class DialogResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    SetResourceModule2(LoadResourceLibrary(kSecondResourceLibrary));
    SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    SetResourceModule3(nullptr);
    FreeHandlePool();
  }
};

TEST_F(DialogResourcesTest, RefusedEntriesHaveATextForEachReason) {
  std::set<std::string> texts;
  for (int16_t index = 1; index <= 5; ++index) {
    Str255 text;
    GetIndString(text, 300, index);
    EXPECT_GT(text.Length(), 10) << index;
    texts.insert(text.AsCString());
  }
  EXPECT_EQ(texts.size(), 5u);
}

TEST_F(DialogResourcesTest, AlertAndQuestionShowTheReason) {
  SetAlertTexts("The value is below the smallest allowed.", "", "", "");
  Str255 alert;
  BuildAlertText(alert, 299);
  EXPECT_EQ(std::string(alert.AsCString()), "The value is below the smallest allowed.");
  Str255 question;
  BuildAlertText(question, 1502);
  EXPECT_EQ(std::string(question.AsCString()).rfind("The value is below", 0), 0u);
  EXPECT_NE(std::string(question.AsCString()).find('?'), std::string::npos);
}

TEST_F(DialogResourcesTest, FloatingKeysLeaveTheEditingKeysToTheFields) {
  const HMODULE main = LoadResourceLibrary(kMainResourceLibrary);
  const HACCEL floating = LoadAccelerators(main, "FLOATER");
  const HACCEL shell = LoadAccelerators(main, MAKEINTRESOURCEA(19999));
  ASSERT_NE(floating, nullptr);
  ASSERT_NE(shell, nullptr);
  auto commandOf = [](HACCEL table, WORD key) {
    ACCEL entries[32];
    const int32_t count = CopyAcceleratorTable(table, entries, 32);
    for (int32_t i = 0; i < count; ++i) {
      if (entries[i].key == key && (entries[i].fVirt & FCONTROL) != 0) return entries[i].cmd;
    }
    return WORD{0};
  };
  EXPECT_EQ(commandOf(floating, 'Z'), 101);
  EXPECT_EQ(commandOf(floating, 'C'), 0);
  EXPECT_EQ(commandOf(floating, 'V'), 0);
  EXPECT_EQ(commandOf(shell, 'Z'), 101);
  EXPECT_EQ(commandOf(shell, 'C'), 104);
  DestroyAcceleratorTable(floating);
  DestroyAcceleratorTable(shell);
}

TEST_F(DialogResourcesTest, LabelCursorIsADrawnHand) {
  const HMODULE main = LoadResourceLibrary(kMainResourceLibrary);
  const HRSRC group = FindResource(main, MAKEINTRESOURCEA(1015), RT_GROUP_CURSOR);
  ASSERT_NE(group, nullptr);
  // The group names one image; find it and count its opaque black and white pixels.
  const auto* entry = static_cast<const uint8_t*>(LockResource(LoadResource(main, group)));
  ASSERT_NE(entry, nullptr);
  uint16_t imageId = 0;
  std::memcpy(&imageId, entry + 6 + 12, 2);
  const HRSRC image = FindResource(main, MAKEINTRESOURCEA(imageId), RT_CURSOR);
  ASSERT_NE(image, nullptr);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(main, image)));
  const uint8_t* header = bytes + 4;  // after the hot spot
  int32_t width = 0;
  std::memcpy(&width, header + 4, 4);
  ASSERT_EQ(width, 32);
  const uint8_t* pixels = header + 40;
  const uint8_t* mask = pixels + 32 * 32 * 4;
  int black = 0;
  int white = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      if ((mask[y * 4 + x / 8] & (0x80 >> (x % 8))) != 0) continue;
      const uint8_t* pixel = pixels + (y * 32 + x) * 4;
      if (pixel[0] == 0 && pixel[1] == 0 && pixel[2] == 0) ++black;
      if (pixel[0] == 255 && pixel[1] == 255 && pixel[2] == 255) ++white;
    }
  }
  EXPECT_GT(black, 40);
  EXPECT_GT(white, 60);
}

}  // namespace
