// Dialogs laid out from their item lists, run modally with a scripted user: confirming with
// Return, a refused field, Escape, the size limit, the frame's keys and the item lists.

#include <gtest/gtest.h>

#include "core/Tag.h"
#include "platform/win32/Accelerator.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/dialogs/WindowsDialog.h"

namespace dialog_test {
namespace {

class WindowsDialogTest : public DialogFixture {};

HWND FieldOf(const TWindowsDialog& dialog) { return GetDlgItem(dialog.GetSafeHwnd(), kFieldId); }

TEST_F(WindowsDialogTest, ReturnConfirmsAndHandsTheFocusedFieldToTheOwner) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  std::string typed;
  Script({[] { Type("Wheel"); },
          [&] {
            typed = GetWindowTextString(FieldOf(dialog));
            InjectKeyStroke(VK_RETURN);
          }});
  EXPECT_EQ(dialog.RunModal(), IDOK);
  EXPECT_EQ(typed, "Wheel");
  EXPECT_EQ(owner.acceptedTags, std::vector<uint32_t>{MakeTag("name")});
  EXPECT_EQ(owner.notices, std::vector<bool>{true});
  EXPECT_TRUE(owner.reports.empty());
}

TEST_F(WindowsDialogTest, ARefusedFieldKeepsTheDialogOpenReportedOnceAndIsCheckedAgain) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  std::vector<size_t> reportsSeen;
  bool openAfterFirst = false;
  Script({[] { Type("bad"); },
          [] { InjectKeyStroke(VK_RETURN); },
          [&] {
            reportsSeen.push_back(owner.reports.size());
            openAfterFirst = IsWindowVisible(dialog.GetSafeHwnd()) != 0;
            InjectKeyStroke(VK_RETURN);
          },
          [&] {
            reportsSeen.push_back(owner.reports.size());
            SetWindowText(FieldOf(dialog), "Axle");
            InjectKeyStroke(VK_RETURN);
          }});
  EXPECT_EQ(dialog.RunModal(), IDOK);
  EXPECT_TRUE(openAfterFirst);
  EXPECT_EQ(reportsSeen, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(owner.reports, (std::vector<int16_t>{kBadTextError, kBadTextError}));
  EXPECT_EQ(owner.notices, std::vector<bool>{true});
  EXPECT_EQ(owner.acceptedTags.size(), 1u);
}

TEST_F(WindowsDialogTest, EscapeGivesTheCancelResultAndTellsTheOwner) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  Script({[] { Type("ignored"); }, [] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(dialog.RunModal(), IDCANCEL);
  EXPECT_EQ(owner.notices, std::vector<bool>{false});
  EXPECT_TRUE(owner.acceptedTags.empty());
}

TEST_F(WindowsDialogTest, CannotBeMadeSmallerThanItOpened) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  MINMAXINFO limits{};
  RECT opened{};
  Script({[&] {
            GetWindowRect(dialog.GetSafeHwnd(), &opened);
            SendMessage(dialog.GetSafeHwnd(), WM_GETMINMAXINFO, 0,
                        reinterpret_cast<LPARAM>(&limits));
            InjectKeyStroke(VK_ESCAPE);
          }});
  dialog.RunModal();
  EXPECT_EQ(limits.ptMinTrackSize.x, opened.right - opened.left);
  EXPECT_EQ(limits.ptMinTrackSize.y, opened.bottom - opened.top);
  EXPECT_GT(limits.ptMinTrackSize.x, 0);
}

TEST_F(WindowsDialogTest, FloatingKeysAreInForceWhileActiveAndTheFormerTableReturns) {
  CFrameWnd frame;
  const ACCEL playerKeys[] = {{FVIRTKEY | FCONTROL, 'P', 777}, {FVIRTKEY | FCONTROL, 'C', 104}};
  frame.SetAccelerators(CreateAcceleratorTable(playerKeys, 2));
  SetMainFrame(&frame);
  auto commands = [&frame] {
    std::vector<WORD> out;
    ACCEL entries[16];
    const int32_t count = CopyAcceleratorTable(frame.GetDefaultAccelerator(), entries, 16);
    for (int32_t i = 0; i < count; ++i) out.push_back(entries[i].cmd);
    return out;
  };
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  std::vector<WORD> whileActive;
  Script({[&] {
    whileActive = commands();
    InjectKeyStroke(VK_ESCAPE);
  }});
  dialog.RunModal();
  SetMainFrame(nullptr);
  // The file keys, undo and the run controls; the editing keys stay with the dialog's fields.
  EXPECT_EQ(whileActive, (std::vector<WORD>{10, 20, 30, 178, 36, 101, 1031, 1034, 1032}));
  EXPECT_EQ(commands(), (std::vector<WORD>{777, 104}));
}

TEST_F(WindowsDialogTest, AnEmptyListBuildsNoItemsAndAMissingOneCannotOpen) {
  TRecordingOwner owner;
  TWindowsDialog empty(nullptr, static_cast<int16_t>(kEmptyDialog), &owner);
  size_t items = 99;
  Script({[&] {
    items = empty.Items().size();
    InjectKeyStroke(VK_RETURN);
  }});
  EXPECT_EQ(empty.RunModal(), IDOK);
  EXPECT_EQ(items, 0u);

  TWindowsDialog missing(nullptr, static_cast<int16_t>(kNoListDialog), &owner);
  try {
    missing.RunModal();
    FAIL() << "a dialog without its item list opened";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
}

TEST_F(WindowsDialogTest, ItemsAfterAGroupEndAreMadeInItsControlWindow) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kGroupDialog), &owner);
  dialog.CreateModeless();
  ASSERT_EQ(dialog.Items().size(), 3u);
  TMacDialogItem* const groupEnd = dialog.Items()[0];
  EXPECT_EQ(groupEnd->GetKindMarker(), TMacDialogItem::kGroupEndMarker);
  ASSERT_TRUE(groupEnd->HasControlWindow());
  const HWND group = groupEnd->ControlWindow()->GetSafeHwnd();
  EXPECT_EQ(GetParent(group), dialog.GetSafeHwnd());
  for (size_t i = 1; i < 3; ++i) {
    ASSERT_TRUE(dialog.Items()[i]->HasControlWindow()) << i;
    EXPECT_EQ(GetParent(dialog.Items()[i]->ControlWindow()->GetSafeHwnd()), group) << i;
  }
  EXPECT_EQ(GetWindowTextString(dialog.Items()[2]->ControlWindow()->GetSafeHwnd()), "after");

  // Growing the dialog stretches the items that grow with it, and the growth is kept.
  const HWND after = dialog.Items()[2]->ControlWindow()->GetSafeHwnd();
  const HWND inner = dialog.Items()[1]->ControlWindow()->GetSafeHwnd();
  RECT afterBefore{};
  RECT innerBefore{};
  RECT frame{};
  GetWindowRect(after, &afterBefore);
  GetWindowRect(inner, &innerBefore);
  GetWindowRect(dialog.GetSafeHwnd(), &frame);
  MoveWindow(dialog.GetSafeHwnd(), frame.left, frame.top, frame.right - frame.left + 30,
             frame.bottom - frame.top + 10, TRUE);
  RECT afterNow{};
  RECT innerNow{};
  GetWindowRect(after, &afterNow);
  GetWindowRect(inner, &innerNow);
  EXPECT_EQ(afterNow.right - afterNow.left, afterBefore.right - afterBefore.left + 30);
  EXPECT_EQ(innerNow.right - innerNow.left, innerBefore.right - innerBefore.left);
  EXPECT_EQ(dialog.GetGrowth().x, 30);
  EXPECT_EQ(dialog.GetGrowth().y, 10);
}

TEST_F(WindowsDialogTest, AConfirmedModelessDialogDestroysItsWindow) {
  TRecordingOwner owner;
  TWindowsDialog dialog(nullptr, static_cast<int16_t>(kNameDialog), &owner);
  dialog.CreateModeless();
  ASSERT_NE(dialog.GetSafeHwnd(), nullptr);
  const HWND window = dialog.GetSafeHwnd();
  EXPECT_EQ(dialog.Items().size(), 1u);
  SendMessage(window, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(owner.notices, std::vector<bool>{true});
  // The field's control went with the window, and its item with the control.
  EXPECT_TRUE(dialog.Items().empty());
}

}  // namespace
}  // namespace dialog_test
