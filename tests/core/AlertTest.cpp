#include "core/Alert.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"

namespace {

std::vector<uint8_t> StringList(const std::vector<std::string>& items) {
  std::vector<uint8_t> out{static_cast<uint8_t>(items.size() >> 8),
                           static_cast<uint8_t>(items.size() & 0xFF)};
  for (const std::string& item : items) {
    out.push_back(static_cast<uint8_t>(item.size()));
    out.insert(out.end(), item.begin(), item.end());
  }
  return out;
}

std::vector<uint8_t> ErrorTable(const std::vector<std::array<int16_t, 3>>& entries) {
  std::vector<uint8_t> out;
  for (const auto& entry : entries)
    for (int16_t value : entry) {
      const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
      out.insert(out.end(), bytes, bytes + 2);
    }
  return out;
}

std::vector<std::string> Templates() {
  std::vector<std::string> items(130);
  items[0] = "^0 (^2)";
  items[1] = "^x ^1";
  items[2] = "No placeholder";
  items[127] = "E:^0 R:^1 M:^2 D:^3";
  items[128] = "C:^2 E:^0";
  items[129] = "Only ^0 ^1";
  return items;
}

// A resource library with the alert templates, two lists of messages and the error tables.
class AlertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ResetWindowSystem();
    UseVirtualClock(0);
    templates_ = StringList(Templates());
    std::vector<std::string> messages(13);
    messages[12] = "saving the world";
    messages_ = StringList(messages);
    texts_ = StringList({"Disk full", "Free some space", "Unknown trouble", "never shown"});
    // Texts from list 500: error -34 and -108 to -100; -1 matches no entry. The last entry is
    // never examined, so -200 finds nothing.
    errors_ = ErrorTable({{0, 0, 500}, {-34, -34, 1}, {-108, -100, 3}, {-200, -200, 4}});
    recovery_ = ErrorTable({{0, 0, 500}, {-34, -34, 2}, {0, 0, 0}});
    entries_ = {
        {"STRD", 0, nullptr, kAlertTemplateList, templates_.data(), Size(templates_)},
        {"STRD", 0, nullptr, 32609, messages_.data(), Size(messages_)},
        {"STRD", 0, nullptr, 500, texts_.data(), Size(texts_)},
        {"errs", 0, nullptr, kErrorTextTable, errors_.data(), Size(errors_)},
        {"errs", 0, nullptr, kRecoveryTextTable, recovery_.data(), Size(recovery_)},
    };
    RegisterResourceModule(ResourceModuleTable{"alerts-test.dll", entries_.data(),
                                               static_cast<uint32_t>(entries_.size())});
    SetResourceModule1(LoadResourceLibrary("alerts-test.dll"));
    FailureDetailText() = Str255();
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("alerts-test.dll");
    ResetWindowSystem();
    UseProcessClock();
    FreeHandlePool();
  }
  static uint32_t Size(const std::vector<uint8_t>& bytes) {
    return static_cast<uint32_t>(bytes.size());
  }
  // Answers the next message box with `key` and remembers its text and the flag meanwhile.
  void AnswerWith(int32_t key) {
    SetIdleScript([this, key] {
      const HWND box = GetMessageBoxWindow();
      if (!box || answered_) return false;
      answered_ = true;
      shownText_ = GetWindowTextString(GetDlgItem(box, 0xFFFF));
      flagWhileShown_ = AlertFreeFlag();
      InjectKeyStroke(key);
      return true;
    });
  }
  std::vector<uint8_t> templates_, messages_, texts_, errors_, recovery_;
  std::vector<ResourceEntry> entries_;
  bool answered_ = false;
  std::string shownText_;
  int16_t flagWhileShown_ = -1;
};

std::string Text(const Str255& text) {
  return std::string(text.Chars(), text.Length());
}

TEST_F(AlertTest, PlaceholdersAreFilledUntilAStrayCaretStopsThem) {
  SetAlertTexts(Str255("Disk full"), Str255("Retry"), Str255("Save"), Str255());
  Str255 out;
  BuildAlertText(out, 1);
  EXPECT_EQ(Text(out), "Disk full (Save)");
  BuildAlertText(out, 2);
  EXPECT_EQ(Text(out), "^x ^1");
  BuildAlertText(out, 3);
  EXPECT_EQ(Text(out), "No placeholder");
  BuildAlertText(out, 77);  // a missing template is empty
  EXPECT_EQ(Text(out), "");
  SetAlertTexts(Str255(), Str255(), Str255(), Str255());
  BuildAlertText(out, 1);
  EXPECT_EQ(Text(out), "a program error occurred ()");
}

TEST_F(AlertTest, ErrorTablesSwitchListsAndNeverExamineTheirLastEntry) {
  Str255 out;
  EXPECT_TRUE(GetErrorText(-34, kErrorTextTable, out));
  EXPECT_EQ(Text(out), "Disk full");
  EXPECT_TRUE(GetErrorText(-104, kErrorTextTable, out));
  EXPECT_EQ(Text(out), "Unknown trouble");
  EXPECT_FALSE(GetErrorText(-200, kErrorTextTable, out));
  EXPECT_FALSE(GetErrorText(-1, kErrorTextTable, out));
  EXPECT_FALSE(GetErrorText(-34, 777, out));  // no such table
  EXPECT_TRUE(GetErrorTextWithOverride(-34, kRecoveryTextTable, out));
  EXPECT_EQ(Text(out), "Free some space");
  char small[5];
  EXPECT_TRUE(GetErrorTextCWithOverride(-34, kErrorTextTable, small, sizeof small));
  EXPECT_STREQ(small, "Disk");
}

TEST_F(AlertTest, AFailureWithAListMessageShowsAlert128WithAllFourTexts) {
  FailureDetailText() = Str255("world.yb");
  AnswerWith(VK_RETURN);
  ErrorAlert(-34, 0x7F61000D);
  EXPECT_EQ(shownText_, "E:Disk full R:Free some space M:saving the world D:world.yb");
  EXPECT_EQ(flagWhileShown_, 0);
  EXPECT_EQ(AlertFreeFlag(), 1);
}

// Texts that together pass 255 characters are shown whole.
TEST_F(AlertTest, TheBoxShowsTheWholeTextOfItsParts) {
  const std::string detail(200, 'd');
  FailureDetailText() = Str255((detail + " the cause").c_str());
  AnswerWith(VK_RETURN);
  ErrorAlert(-34, 0x7F61000D);
  EXPECT_EQ(shownText_, "E:Disk full R:Free some space M:saving the world D:" + detail +
                            " the cause");
}

TEST_F(AlertTest, AFailureWithoutAMessageShowsAlert130) {
  AnswerWith(VK_RETURN);
  ErrorAlert(-25005, 0);
  EXPECT_EQ(shownText_, "Only a program error occurred ");
}

TEST_F(AlertTest, QuestionsAreAnsweredYesOrNo) {
  SetAlertTexts(Str255("Stop"), Str255(), Str255(), Str255());
  AnswerWith('Y');
  EXPECT_TRUE(AskYesNo(130, 99));
  EXPECT_EQ(shownText_, "Only Stop ");
  answered_ = false;
  AnswerWith('N');
  EXPECT_FALSE(AskYesNoDefault(130));
  answered_ = false;
  AnswerWith(VK_RETURN);
  EXPECT_EQ(ShowAlert(3), IDOK);
  EXPECT_EQ(shownText_, "No placeholder");
}

// Without windows nobody could answer a box: each alert is a line of the stream, answered at once
// as not going ahead would be; no box opens and the alert-free flag stays set.
TEST_F(AlertTest, WithoutWindowsAlertsAreWrittenAndAnsweredAtOnce) {
  char* written = nullptr;
  size_t size = 0;
  std::FILE* stream = open_memstream(&written, &size);
  ASSERT_NE(stream, nullptr);
  {
    const TWindowlessAlerts windowless(stream);
    EXPECT_TRUE(AlertsAreWindowless());
    // A box, were one shown, would be answered Yes.
    AnswerWith('Y');
    SetAlertTexts(Str255("Stop"), Str255(), Str255(), Str255());
    EXPECT_FALSE(AskYesNo(130, 0));
    EXPECT_TRUE(WarnMayCancel(Str255("Too thin\nto draw."), true));
    FailureDetailText() = Str255("world.yb");
    ErrorAlert(-34, 0x7F61000D);
    EXPECT_FALSE(answered_) << "a box was shown";
    EXPECT_EQ(AlertFreeFlag(), 1);
  }
  EXPECT_FALSE(AlertsAreWindowless());
  std::fclose(stream);
  EXPECT_EQ(std::string(written, size),
            "Yarrowby: Only Stop (answered No)\n"
            "Yarrowby: Too thin to draw. (answered Cancel)\n"
            "Yarrowby: E:Disk full R:Free some space M:saving the world D:world.yb\n");
  std::free(written);
}

}  // namespace
