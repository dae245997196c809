// The open dialog: files listed by the filter's first pattern without regard to case, labels
// the caller can rename, a name typed by keys, a folder that must exist when asked, and keys that
// reach the control that has the keyboard.

#include "platform/win32/OpenFileDialog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class OpenFileDialogTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    owner = TopLevel(50, 50, 500, 400);
    folder = std::filesystem::temp_directory_path() /
             ("yb-open-dialog-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const char* name : {"PLAN.DXF", "part.dxf", "notes.txt"}) std::ofstream(folder / name);
    request.owner = owner;
    request.folder = folder.string();
    request.filter = "DXF Files (*.dxf)|*.dxf|All Files (*.*)|*.*||";
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    std::filesystem::remove_all(folder);
    WindowTest::TearDown();
  }
  static std::string Text(int32_t id) {
    return GetWindowTextString(GetDlgItem(GetOpenFileDialogWindow(), id));
  }
  static HWND FileList() { return GetDlgItem(GetOpenFileDialogWindow(), 200); }
  static std::string Listed(int32_t index) {
    char text[256] = {};
    SendMessage(FileList(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
  static void Type(const std::string& text) {
    for (const char c : text) InjectCharacter(static_cast<uint8_t>(c));
  }
  // Alt and a letter, as a label's mnemonic is used.
  static void AltKey(int32_t key) {
    InjectKey(VK_MENU, true);
    InjectKeyStroke(key);
    InjectKey(VK_MENU, false);
  }
  HWND owner = nullptr;
  std::filesystem::path folder;
  OpenFileRequest request;
};

TEST_F(OpenFileDialogTest, PatternsMatchInAnyCaseAndTheCallerNamesTheLabels) {
  request.onInit = [](HWND dialog) { SetDlgItemText(dialog, kFileNameLabelId, "Drawing:"); };
  std::string first;
  std::string second;
  std::string nameLabel;
  std::string folderLabel;
  ScriptUser({[&] {
                first = Listed(0);
                second = Listed(1);
                nameLabel = Text(kFileNameLabelId);
                folderLabel = Text(kFolderLabelId);
                EXPECT_EQ(SendMessage(FileList(), LB_GETCOUNT, 0, 0), 2);
                EXPECT_NE(GetDlgItem(GetOpenFileDialogWindow(), kFileTypeLabelId), nullptr);
                Type("PLAN.DXF");
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  EXPECT_EQ(first, "PLAN.DXF");
  EXPECT_EQ(second, "part.dxf");
  EXPECT_EQ(nameLabel, "Drawing:");
  EXPECT_EQ(folderLabel, "Look &in:");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen), folder / "PLAN.DXF");
}

// A floating window the owner keeps takes no input while the dialog is up, and is live after.
TEST_F(OpenFileDialogTest, TheOtherWindowsWaitUntilTheDialogEnds) {
  const HWND palette = CreateWindowEx(0, kRecorderClass, "palette", WS_POPUP | WS_VISIBLE, 560, 50,
                                      100, 100, owner, nullptr, nullptr);
  bool paletteEnabled = true;
  ScriptUser({[&] {
    paletteEnabled = IsWindowEnabled(palette) || IsWindowEnabled(owner);
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_FALSE(RunOpenFileDialog(request).has_value());
  EXPECT_FALSE(paletteEnabled);
  EXPECT_TRUE(IsWindowEnabled(palette));
  EXPECT_TRUE(IsWindowEnabled(owner));
}

// Twelve matches where ten rows show: the wheel brings the last into view, a click on a file
// names it and a double click opens it.
TEST_F(OpenFileDialogTest, EveryMatchIsListedAndTheLastReachedByTheWheelOpens) {
  for (int i = 0; i < 10; ++i) std::ofstream(folder / ("more" + std::to_string(i) + ".dxf"));
  std::string named;
  ScriptUser({[] {
                EXPECT_EQ(SendMessage(FileList(), LB_GETCOUNT, 0, 0), 12);
                InjectClick(FileList(), POINT{20, 5});
              },
              [&] {
                named = Text(100);
                RECT list;
                GetWindowRect(FileList(), &list);
                InjectMouseWheel(POINT{list.left + 20, list.top + 20}, -WHEEL_DELTA);
              },
              [] {
                RECT last{};
                SendMessage(FileList(), LB_GETITEMRECT, 11, reinterpret_cast<LPARAM>(&last));
                const POINT middle{20, (last.top + last.bottom) / 2};
                InjectClick(FileList(), middle);
                InjectClick(FileList(), middle);
              },
              [] { InjectKeyStroke(VK_ESCAPE); }});
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  EXPECT_EQ(named, "PLAN.DXF");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen), folder / "part.dxf");
}

TEST_F(OpenFileDialogTest, ANameInAFolderThatDoesNotExistIsRefusedWhenAsked) {
  request.flags = OFN_PATHMUSTEXIST;
  int boxes = 0;
  ScriptUser({[] {
                Type("missing/plan.dxf");
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                if (GetMessageBoxWindow()) ++boxes;
                InjectKeyStroke(VK_RETURN);
              },
              [] {
                EXPECT_NE(GetOpenFileDialogWindow(), nullptr);
                InjectKeyStroke(VK_ESCAPE);
              }});
  EXPECT_FALSE(RunOpenFileDialog(request).has_value());
  EXPECT_EQ(boxes, 1);
}

TEST_F(OpenFileDialogTest, ReturnAndEscapePickFromADroppedListOfTheCallersAndLeaveTheDialogOpen) {
  // The caller's list of kinds, as an export dialog adds it below the name.
  constexpr int32_t kKinds = 300;
  request.extraRows = 1;
  HWND kinds = nullptr;
  request.onInit = [&](HWND dialog) {
    kinds = CreateWindowEx(0, "ComboBox", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST,
                           10, FileDialogExtraTop(dialog), 150, 80, dialog,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(kKinds)), nullptr);
    for (const char* kind : {"Meter data", "Drawing", "Movie"})
      SendMessage(kinds, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kind));
    SendMessage(kinds, CB_SETCURSEL, 0, 0);
  };
  const auto dropAndStep = [&] {
    SetFocus(kinds);
    InjectKey(VK_MENU, true);
    InjectKeyStroke(VK_DOWN);
    InjectKey(VK_MENU, false);
    InjectKeyStroke(VK_DOWN);
  };
  LRESULT afterReturn = -1, afterEscape = -1;
  bool openAfterReturn = false, openAfterEscape = false;
  ScriptUser({dropAndStep, [] { InjectKeyStroke(VK_RETURN); },
              [&] {
                openAfterReturn = GetOpenFileDialogWindow() != nullptr;
                afterReturn = SendMessage(kinds, CB_GETCURSEL, 0, 0);
                dropAndStep();
              },
              [] { InjectKeyStroke(VK_ESCAPE); },
              [&] {
                openAfterEscape = GetOpenFileDialogWindow() != nullptr;
                afterEscape = SendMessage(kinds, CB_GETCURSEL, 0, 0);
                // The name's label gives it the keyboard back.
                AltKey('N');
                Type("PLAN.DXF");
                InjectKeyStroke(VK_RETURN);
              }});
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  EXPECT_TRUE(openAfterReturn);
  EXPECT_EQ(afterReturn, 1);
  EXPECT_TRUE(openAfterEscape);
  EXPECT_EQ(afterEscape, 1) << "Escape closes the list without taking the kind it stepped to";
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen), folder / "PLAN.DXF");
}

// A caller's field, as an export dialog adds one for a frame number.
class OpenFileDialogFieldTest : public OpenFileDialogTest {
 protected:
  static constexpr int32_t kField = 301;
  void SetUp() override {
    OpenFileDialogTest::SetUp();
    request.extraRows = 1;
    request.initialName = "proposed";
    request.onInit = [this](HWND dialog) {
      field = CreateWindowEx(0, "Edit", "100", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10,
                             FileDialogExtraTop(dialog), 60, 20, dialog,
                             reinterpret_cast<HMENU>(static_cast<uintptr_t>(kField)), nullptr);
    };
  }
  HWND field = nullptr;
};

TEST_F(OpenFileDialogFieldTest, TabTakesTypedDigitsToTheFieldAndLeavesTheNameAsItWas) {
  std::string fieldText;
  std::string nameText;
  HWND focusAfterTab = nullptr;
  ScriptUser({[&] {
                // The name holds the keyboard, chosen whole: typing replaces it.
                Type("movie");
                InjectKeyStroke(VK_TAB);
              },
              [&] {
                focusAfterTab = GetFocus();
                Type("20");
              },
              [&] {
                fieldText = GetWindowTextString(field);
                nameText = Text(100);
                InjectKeyStroke(VK_RETURN);
              }});
  const std::optional<std::string> chosen = RunOpenFileDialog(request);
  EXPECT_EQ(focusAfterTab, field) << "Tab went past the caller's field";
  EXPECT_EQ(fieldText, "20") << "Tab chooses the field's whole text, so typing replaces it";
  EXPECT_EQ(nameText, "movie");
  ASSERT_TRUE(chosen.has_value()) << "Return in the caller's field is the open button";
  EXPECT_EQ(std::filesystem::path(*chosen), folder / "movie");
}

TEST_F(OpenFileDialogFieldTest, EscapeInTheCallersFieldCancels) {
  ScriptUser({[] {
                InjectKeyStroke(VK_TAB);
                InjectKeyStroke(VK_ESCAPE);
              }});
  EXPECT_FALSE(RunOpenFileDialog(request).has_value());
}

TEST_F(OpenFileDialogFieldTest, TabFromTheCallersControlsReachesTheButtonsLast) {
  int32_t afterField = 0;
  int32_t afterOpen = 0;
  ScriptUser({[&] {
                InjectKeyStroke(VK_TAB);
                InjectKeyStroke(VK_TAB);
              },
              [&] {
                afterField = GetDlgCtrlID(GetFocus());
                InjectKeyStroke(VK_TAB);
              },
              [&] {
                afterOpen = GetDlgCtrlID(GetFocus());
                InjectKeyStroke(VK_ESCAPE);
              }});
  RunOpenFileDialog(request);
  EXPECT_EQ(afterField, IDOK);
  EXPECT_EQ(afterOpen, IDCANCEL);
}

}  // namespace
