// The About box: its items show the program's own version texts, an item whose key the block
// lacks keeps its text, a block cut short or empty changes nothing, and Enter closes the box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/TApp.h"
#include "app/shell/AboutDialog.h"
#include "core/Resources.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Version.h"
#include "platform/win32/Window.h"

namespace {

class AboutDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_.LoadResourceDlls();
    const uint32_t size = GetFileVersionInfoSize(GetResourceModule1());
    ASSERT_GT(size, 0u);
    block_.assign(size, 0);
    ASSERT_TRUE(GetFileVersionInfo(GetResourceModule1(), size, block_.data()));
    dialog_ = CreateDialogParam(nullptr, MAKEINTRESOURCEA(TAboutDialog::kTemplate), nullptr,
                                nullptr, 0);
    ASSERT_NE(dialog_, nullptr);
    SetDlgItemText(dialog_, 11, "kept");
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    ResetWindowSystem();
    app_.FreeResourceDlls();
    UseProcessClock();
  }
  std::string Item(int32_t id) { return GetDlgItemTextString(dialog_, id); }

  TApp app_;
  std::vector<uint8_t> block_;
  HWND dialog_ = nullptr;
};

TEST_F(AboutDialogTest, ItemsShowTheVersionTextsAndMissingKeysLeaveTheirText) {
  TAboutDialog::FillItems(dialog_, block_);
  EXPECT_EQ(Item(10), "The Yarrowby developers");
  EXPECT_EQ(Item(13), "1.0");
  EXPECT_EQ(Item(14), "Free to use and change.");
  EXPECT_EQ(Item(20), "Yarrowby");
  EXPECT_EQ(Item(11), "kept");
}

TEST_F(AboutDialogTest, ABlockCutShortOrEmptyChangesNothing) {
  const std::vector<uint8_t> cut(block_.begin(), block_.begin() + block_.size() / 3);
  TAboutDialog::FillItems(dialog_, cut);
  TAboutDialog::FillItems(dialog_, {});
  EXPECT_EQ(Item(10), "");
  EXPECT_EQ(Item(11), "kept");
  std::string text;
  EXPECT_FALSE(VerQueryValueText(block_.data(), static_cast<uint32_t>(block_.size()),
                                 "\\StringFileInfo\\040904b0\\NoSuchKey", &text));
  // Every length is checked: a block whose first node claims more than there is reads nothing.
  std::vector<uint8_t> lying = block_;
  lying[0] = 0xFF;
  lying[1] = 0xFF;
  EXPECT_FALSE(VerQueryValueText(lying.data(), static_cast<uint32_t>(lying.size()),
                                 "\\StringFileInfo\\040904b0\\CompanyName", &text));
}

TEST_F(AboutDialogTest, TheBoxRunsModallyAndEnterClosesIt) {
  DestroyWindow(dialog_);
  std::string company;
  int32_t step = 0;
  SetIdleScript([&] {
    if (++step > 1) return false;
    const HWND box = GetActiveWindow();
    company = GetDlgItemTextString(box, 10);
    InjectKeyStroke(VK_RETURN);
    return true;
  });
  TAboutDialog about(GetResourceModule1());
  EXPECT_EQ(about.DoModal(nullptr), IDOK);
  EXPECT_EQ(company, "The Yarrowby developers");
}

}  // namespace
