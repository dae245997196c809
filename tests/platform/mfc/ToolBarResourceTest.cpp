// A tool bar made from the resources: its buttons and separators in the resource's order with
// the images of the bitmap of the same number, each button's tip from its command's string, and
// resources that are missing, of another version or shorter than their count refused.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CToolBar.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kBarId = 300;

void Word(Bytes& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
void Long(Bytes& out, uint32_t value) {
  Word(out, value & 0xFFFF);
  Word(out, value >> 16);
}

Bytes ToolBarBytes(std::vector<uint32_t> words) {
  Bytes bytes;
  for (const uint32_t word : words)
    Word(bytes, word);
  return bytes;
}

// A one-bit strip of two 16 x 15 images.
Bytes Strip() {
  Bytes bytes;
  Long(bytes, 40);
  Long(bytes, 32);
  Long(bytes, 15);
  Word(bytes, 1);
  Word(bytes, 1);
  for (int i = 0; i < 6; ++i)
    Long(bytes, 0);
  Long(bytes, 0x000000);
  Long(bytes, 0xFFFFFF);
  for (int row = 0; row < 15; ++row)
    Long(bytes, row % 2 == 0 ? 0xFFFF0000u : 0x0000FFFFu);
  return bytes;
}

// String block 1 (strings 0 to 15): 10 with a tip, 11 without one.
Bytes Strings() {
  Bytes bytes;
  const auto add = [&](const std::string& text) {
    Word(bytes, static_cast<uint32_t>(text.size()));
    for (const char c : text)
      Word(bytes, static_cast<uint8_t>(c));
  };
  for (int id = 0; id < 16; ++id)
    add(id == 10 ? "Makes a new world\nNew" : id == 11 ? "Opens" : "");
  return bytes;
}

class ToolBarResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    frame_ = new CFrameWnd;
    ASSERT_TRUE(frame_->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{0, 0, 640, 480}, nullptr, nullptr, 0, nullptr));
    strip_ = Strip();
    strings_ = Strings();
  }
  void TearDown() override {
    UnregisterResourceModule("test-bars.dll");
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  HMODULE Register(const Bytes& bar, bool withBitmap = true) {
    bar_ = bar;
    entries_ = {{nullptr, 241, nullptr, kBarId, bar_.data(), static_cast<uint32_t>(bar_.size())},
                {nullptr, 6, nullptr, 1, strings_.data(), static_cast<uint32_t>(strings_.size())}};
    if (withBitmap) {
      entries_.push_back(
          {nullptr, 2, nullptr, kBarId, strip_.data(), static_cast<uint32_t>(strip_.size())});
    }
    table_ = ResourceModuleTable{"test-bars.dll", entries_.data(),
                                 static_cast<uint32_t>(entries_.size())};
    RegisterResourceModule(table_);
    return LoadResourceLibrary("test-bars.dll");
  }

  CFrameWnd* frame_ = nullptr;
  Bytes strip_;
  Bytes strings_;
  Bytes bar_;
  std::vector<ResourceEntry> entries_;
  ResourceModuleTable table_{};
};

TEST_F(ToolBarResourceTest, ButtonsImagesAndTipsComeFromTheResources) {
  const HMODULE module = Register(ToolBarBytes({1, 16, 15, 3, 10, 0, 11}));
  CToolBar bar;
  ASSERT_TRUE(bar.Create(frame_));
  ASSERT_TRUE(bar.LoadToolBar(module, kBarId));
  ASSERT_EQ(bar.GetCount(), 3);
  EXPECT_EQ(bar.GetItemID(0), 10u);
  EXPECT_EQ(bar.GetItemID(1), ID_SEPARATOR);
  EXPECT_EQ(bar.GetItemID(2), 11u);
  RECT button{};
  bar.GetItemRect(0, &button);
  EXPECT_EQ(button.right - button.left, 23);
  EXPECT_EQ(button.bottom - button.top, 22);
  EXPECT_EQ(bar.GetButtonTip(0), "New");
  EXPECT_EQ(bar.GetButtonTip(1), "");
  EXPECT_EQ(bar.GetButtonTip(2), "") << "a prompt without a line break has no tip";
}

TEST_F(ToolBarResourceTest, ResourcesItCannotReadLeaveTheBarAsItWas) {
  struct Case {
    const char* what;
    Bytes bar;
    bool bitmap;
  };
  const std::vector<Case> cases = {
      {"another version", ToolBarBytes({2, 16, 15, 1, 10}), true},
      {"a count beyond the resource", ToolBarBytes({1, 16, 15, 4, 10, 11}), true},
      {"a header cut short", ToolBarBytes({1, 16}), true},
      {"no width", ToolBarBytes({1, 0, 15, 1, 10}), true},
      {"no bitmap of the same number", ToolBarBytes({1, 16, 15, 1, 10}), false},
  };
  for (const Case& test : cases) {
    const HMODULE module = Register(test.bar, test.bitmap);
    CToolBar bar;
    ASSERT_TRUE(bar.Create(frame_));
    EXPECT_FALSE(bar.LoadToolBar(module, kBarId)) << test.what;
    EXPECT_EQ(bar.GetCount(), 0) << test.what;
    EXPECT_FALSE(bar.LoadToolBar(module, kBarId + 1)) << "a missing tool bar";
    bar.DestroyWindow();
  }
}

}  // namespace
