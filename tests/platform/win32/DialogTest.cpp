#include "platform/win32/Dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

// Writes a dialog template in the layout the resource compiler stores.
class TemplateWriter {
 public:
  void Word(uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Long(uint32_t value) {
    Word(static_cast<uint16_t>(value));
    Word(static_cast<uint16_t>(value >> 16));
  }
  void Text(const std::string& text) {
    for (char c : text)
      Word(static_cast<uint8_t>(c));
    Word(0);
  }
  void Align() {
    while (bytes.size() % 4 != 0)
      bytes.push_back(0);
  }
  void Header(uint32_t style, uint16_t count, const std::string& title) {
    Long(style);
    Long(0);
    Word(count);
    for (int16_t value : {10, 20, 100, 40})
      Word(static_cast<uint16_t>(value));
    Word(0);  // no menu
    Word(0);  // the standard class
    Text(title);
  }
  void Item(uint32_t style, uint16_t id, uint16_t classOrdinal, const std::string& text, int16_t x,
            int16_t y) {
    Align();
    Long(style | WS_CHILD | WS_VISIBLE);
    Long(0);
    for (int16_t value : {x, y, int16_t{40}, int16_t{12}})
      Word(static_cast<uint16_t>(value));
    Word(id);
    Word(0xFFFF);
    Word(classOrdinal);
    Text(text);
    Word(0);
  }
  std::vector<uint8_t> bytes;
};

struct Seen {
  std::vector<UINT> messages;
  LPARAM initParam = 0;
  HWND focusOffered = nullptr;
};
Seen* gSeen = nullptr;

intptr_t RecordingDialogProc(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gSeen == nullptr) return 0;
  gSeen->messages.push_back(message);
  if (message == WM_INITDIALOG) {
    gSeen->initParam = lParam;
    gSeen->focusOffered = reinterpret_cast<HWND>(wParam);
    return 1;
  }
  return 0;
}

class DialogTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    gSeen = &seen;
  }
  void TearDown() override {
    gSeen = nullptr;
    WindowTest::TearDown();
  }
  std::vector<uint8_t> TextAndCancel() {
    TemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE, 2, "Progress");
    writer.Item(SS_RIGHT, 101, 0x82, "0", 8, 8);
    writer.Item(WS_TABSTOP, IDCANCEL, 0x80, "Cancel", 8, 24);
    return writer.bytes;
  }
  Seen seen;
};

TEST_F(DialogTest, ATemplateBecomesAWindowWithItsControlsInDialogUnits) {
  const HWND owner = TopLevel(50, 60, 400, 300);
  const auto bytes = TextAndCancel();
  const HWND dialog = CreateDialogIndirectParam(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                                owner, RecordingDialogProc, 42);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindowTextString(dialog), "Progress");
  EXPECT_EQ(seen.initParam, 42);
  const HWND cancel = GetDlgItem(dialog, IDCANCEL);
  EXPECT_EQ(seen.focusOffered, cancel);
  EXPECT_EQ(GetFocus(), cancel);
  EXPECT_EQ(GetDlgItemTextString(dialog, 101), "0");
  EXPECT_TRUE(SetDlgItemText(dialog, 101, "57"));
  EXPECT_EQ(GetDlgItemTextString(dialog, 101), "57");
  RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, 100 * kDialogBaseUnitX / 4);
  EXPECT_EQ(client.bottom, 40 * kDialogBaseUnitY / 8);
  RECT item;
  GetWindowRect(cancel, &item);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  EXPECT_EQ(item.left - origin.x, 8 * kDialogBaseUnitX / 4);
  EXPECT_EQ(item.top - origin.y, 24 * kDialogBaseUnitY / 8);
}

// An edit field given the first focus has its text selected, so that typing replaces it.
TEST_F(DialogTest, AnEditFieldGivenTheFirstFocusHasItsTextSelected) {
  TemplateWriter writer;
  writer.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE, 2, "Count");
  writer.Item(WS_TABSTOP, 101, 0x81, "12", 8, 8);
  writer.Item(WS_TABSTOP, IDOK, 0x80, "OK", 8, 24);
  const HWND dialog = CreateDialogIndirectParam(writer.bytes.data(),
                                                static_cast<uint32_t>(writer.bytes.size()), nullptr,
                                                RecordingDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  const HWND field = GetDlgItem(dialog, 101);
  ASSERT_EQ(GetFocus(), field);
  DWORD start = 9;
  DWORD end = 9;
  SendMessage(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);
}

TEST_F(DialogTest, ClosingTheWindowCountsAsCancel) {
  const auto bytes = TextAndCancel();
  const HWND dialog = CreateDialogIndirectParam(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                                nullptr, RecordingDialogProc, 0);
  ASSERT_NE(dialog, nullptr);
  seen.messages.clear();
  SendMessage(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(seen.messages, (std::vector<UINT>{WM_CLOSE, WM_COMMAND}));
  EXPECT_TRUE(IsWindow(dialog));  // a modeless dialog decides itself when to go
}

TEST_F(DialogTest, DamagedTemplatesMakeNoDialog) {
  const auto bytes = TextAndCancel();
  // Every cut of the template is refused, none read beyond its end.
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_EQ(CreateDialogIndirectParam(bytes.data(), static_cast<uint32_t>(size), nullptr,
                                        RecordingDialogProc, 0),
              nullptr)
        << size;
  }
  // A control of a class nobody registered.
  TemplateWriter writer;
  writer.Header(WS_POPUP, 1, "x");
  writer.Align();
  writer.Long(WS_CHILD);
  writer.Long(0);
  for (int i = 0; i < 4; ++i)
    writer.Word(5);
  writer.Word(1);
  writer.Text("NoSuchClass");
  writer.Text("");
  writer.Word(0);
  EXPECT_EQ(
      CreateDialogIndirectParam(writer.bytes.data(), static_cast<uint32_t>(writer.bytes.size()),
                                nullptr, RecordingDialogProc, 0),
      nullptr);
  EXPECT_EQ(CreateDialogParam(nullptr, MAKEINTRESOURCEA(11111), nullptr, RecordingDialogProc, 0),
            nullptr);
}

}  // namespace
