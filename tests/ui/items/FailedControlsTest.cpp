// An item whose control cannot be made is left without one and lives on; the control that
// failed takes nothing with it.

#include <gtest/gtest.h>

#include <memory>

#include "platform/mfc/CWnd.h"
#include "platform/win32/Window.h"
#include "tests/ui/dialogs/FilterBytes.h"
#include "ui/controls/MacStatic.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/MacDialogItem.h"
#include "ui/items/TextPopup.h"

namespace {

// A parent whose window is gone: every control made in it fails.
class GoneParent {
 public:
  GoneParent() {
    CWnd made;
    made.CreateEx(0, nullptr, "gone", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr);
    const HWND handle = made.GetSafeHwnd();
    made.DestroyWindow();
    window_.m_hWnd = handle;
  }
  ~GoneParent() { window_.m_hWnd = nullptr; }
  CWnd* Window() { return &window_; }

 private:
  CWnd window_;
};

// Item 12, a static's record: number, style, rectangle, text.
FilterBytes StaticRecord() {
  FilterBytes bytes;
  bytes.Word(12).Long(0x50000000).Word(4).Word(4).Word(60).Word(16).Text("Label");
  return bytes;
}

TEST(FailedControlsTest, AStaticThatCannotBeMadeLeavesItsItemWithoutAControl) {
  GoneParent parent;
  ASSERT_NE(parent.Window()->GetSafeHwnd(), nullptr);
  ASSERT_FALSE(IsWindow(parent.Window()->GetSafeHwnd()));
  auto item = std::make_unique<TPlainItem>();
  const FilterBytes bytes = StaticRecord();
  TItemRecordCursor cursor(bytes.Bytes());
  item->CreateControl(parent.Window(), 0, &cursor);
  EXPECT_EQ(item->GetControl(), nullptr);
  EXPECT_FALSE(item->HasControlWindow());
  // The item is still whole: its record was read and it can be told things.
  EXPECT_EQ(item->GetItemNumber(), 12);
  item->SetValue(1, false);
  EXPECT_EQ(item->GetValue(), 1);
}

TEST(FailedControlsTest, AStaticMadeInALiveParentIsLinkedToItsItem) {
  CWnd parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr));
  auto item = std::make_unique<TPlainItem>();
  const FilterBytes bytes = StaticRecord();
  TItemRecordCursor cursor(bytes.Bytes());
  item->CreateControl(&parent, 0, &cursor);
  ASSERT_TRUE(item->HasControlWindow());
  EXPECT_EQ(GetDlgCtrlID(item->ControlWindow()->GetSafeHwnd()), 12);
  // The control owns its item from now on and takes it with it.
  item.release()->GetControl()->DestroyControl();
  parent.DestroyWindow();
}

TEST(FailedControlsTest, APopupLabelThatCannotBeMadeIsNotKept) {
  GoneParent parent;
  auto popup = std::make_unique<TTextPopupView>();
  FilterBytes bytes;
  bytes.Word(13).Long(0x50210203).Word(4).Word(4).Word(60).Word(60).Text("Several");
  bytes.Word(14).Long(0x50000000).Word(70).Word(4).Word(30).Word(10).Text("Kind:");
  TItemRecordCursor cursor(bytes.Bytes());
  popup->CreateControl(parent.Window(), 1, &cursor);
  EXPECT_EQ(popup->GetLabel(), nullptr);
  EXPECT_FALSE(popup->HasControlWindow());
}

}  // namespace
