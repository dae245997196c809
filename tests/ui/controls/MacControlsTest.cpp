// The controls of dialog items inside an open dialog: what they tell their items and the
// dialog, labels that give their field the focus, slider notices, the last entry of a popup,
// and lifetimes (a control goes with its window and takes its item along).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Tag.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Static.h"
#include "platform/win32/Trackbar.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/controls/GridView.h"
#include "ui/controls/MacButtons.h"
#include "ui/controls/MacCombobox.h"
#include "ui/controls/MacSlider.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/WindowsDialog.h"

namespace dialog_test {
namespace {

// An item that records what its control told it.
class TRecordingItem : public TMacDialogItem {
 public:
  explicit TRecordingItem(std::vector<std::string>* log = nullptr, bool* gone = nullptr)
      : log_(log), gone_(gone) {}
  ~TRecordingItem() override {
    if (gone_ != nullptr) *gone_ = true;
  }
  bool IsMemberClass(int16_t id) const override {
    return (slider && id == kSliderItemClass) || TMacDialogItem::IsMemberClass(id);
  }
  void SetValueFromPosition(int32_t position) override { Note("value " + std::to_string(position)); }
  void ValueChangedNotice() override { Note("changed"); }
  void Track(int32_t position) override { Note("track " + std::to_string(position)); }
  int16_t LastEntryChosen() override {
    Note("last entry");
    return handlesLast;
  }
  void ControlGone(CWnd*) override { Note("control gone"); }
  void ControlCreated() override { Note("created"); }
  bool slider = false;
  int16_t handlesLast = 0;

 private:
  void Note(const std::string& text) {
    if (log_ != nullptr) log_->push_back(text);
  }
  std::vector<std::string>* log_;
  bool* gone_;
};

class MacControlsTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    dialog_ = std::make_unique<TWindowsDialog>(nullptr, static_cast<int16_t>(kNameDialog), &owner_);
    dialog_->CreateModeless();
    dialog_->ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    dialog_.reset();
    DialogFixture::TearDown();
  }
  HWND Dialog() const { return dialog_->GetSafeHwnd(); }
  HWND Field() const { return GetDlgItem(Dialog(), kFieldId); }
  TMacDialogItem* FieldItem() const { return dialog_->ItemOfControlId(kFieldId); }
  // A control notification as the dialog receives it from the control.
  void Notify(HWND control, WORD code) {
    SendMessage(Dialog(), WM_COMMAND, MAKELONG(GetDlgCtrlID(control), code),
                reinterpret_cast<LPARAM>(control));
  }

  TRecordingOwner owner_;
  std::unique_ptr<TWindowsDialog> dialog_;
};

TEST_F(MacControlsTest, ReturnAfterAConfirmHandsAGoodValueOverAtOnceAndSelectsItAgain) {
  SetFocus(Field());
  SetWindowText(Field(), "Wheel");
  SendMessage(Field(), EM_SETSEL, 2, 2);
  // A floating dialog's OK does nothing, so the confirm reaches the field's key-up.
  ConfirmFlag() = 1;
  SendMessage(Field(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(owner_.acceptedTags, std::vector<uint32_t>{MakeTag("name")});
  EXPECT_EQ(ConfirmFlag(), 0);
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 5u);

  // Without a confirm since, Return is the edit's own business.
  SendMessage(Field(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);

  // A refused value is reported once.
  SetWindowText(Field(), "bad");
  ConfirmFlag() = 1;
  SendMessage(Field(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(owner_.reports, std::vector<int16_t>{kBadTextError});
  EXPECT_EQ(dialog_->GetAcceptOnClose(), 1);
}

TEST_F(MacControlsTest, LeavingAFieldTakesAGoodValueAndKeepsABadOneFromClosing) {
  SetFocus(Field());
  SetWindowText(Field(), "Axle");
  SetFocus(GetDlgItem(Dialog(), IDOK));
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);

  // While an alert is up (it has taken the focus) a good value is not handed over.
  SetFocus(Field());
  SetWindowText(Field(), "Crank");
  AlertFreeFlag() = 0;
  SetFocus(GetDlgItem(Dialog(), IDOK));
  AlertFreeFlag() = 1;
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);

  SetFocus(Field());
  SetWindowText(Field(), "bad");
  SetFocus(GetDlgItem(Dialog(), IDOK));
  EXPECT_EQ(owner_.reports, std::vector<int16_t>{kBadTextError});
  EXPECT_EQ(dialog_->GetAcceptOnClose(), 0);
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);
  // The refusal keeps the next confirm from closing; the one after checks the field again.
  SetFocus(Field());
  SendMessage(Dialog(), WM_COMMAND, MAKELONG(IDOK, 0), 0);
  EXPECT_TRUE(IsWindow(Dialog()));
  EXPECT_EQ(owner_.reports.size(), 1u);
  SendMessage(Dialog(), WM_COMMAND, MAKELONG(IDOK, 0), 0);
  EXPECT_TRUE(IsWindow(Dialog()));
  EXPECT_EQ(owner_.reports.size(), 2u);
  EXPECT_TRUE(owner_.notices.empty());
}

// A press on OK that a refused field answers with an alert has its release taken by the alert:
// once the field is mended and left, the next OK closes the dialog at once.
TEST_F(MacControlsTest, AFieldMendedAfterARefusalLetsTheNextConfirmClose) {
  SetFocus(Field());
  SetWindowText(Field(), "bad");
  SetFocus(GetDlgItem(Dialog(), IDOK));
  EXPECT_EQ(owner_.reports, std::vector<int16_t>{kBadTextError});
  SetFocus(Field());
  SetWindowText(Field(), "Gear");
  SetFocus(GetDlgItem(Dialog(), IDOK));
  EXPECT_EQ(owner_.acceptedTags, std::vector<uint32_t>{MakeTag("name")});
  SendMessage(Dialog(), WM_COMMAND, MAKELONG(IDOK, 0), 0);
  EXPECT_FALSE(IsWindow(Dialog()));
  EXPECT_EQ(owner_.reports.size(), 1u);
}

TEST_F(MacControlsTest, ALabelGivesItsFieldTheFocusWithTheWholeTextSelected) {
  SetWindowText(Field(), "Pendulum");
  auto* linked = new TLabelStatic(dialog_.get(), nullptr, 201, "Name:", 4, 60, 40, 12,
                                  static_cast<int16_t>(kFieldId));
  auto* plain = new TLabelStatic(dialog_.get(), nullptr, 202, "Note:", 50, 60, 40, 12, 0);
  ASSERT_NE(linked->CreateControl(), nullptr);
  ASSERT_NE(plain->CreateControl(), nullptr);
  SetFocus(GetDlgItem(Dialog(), IDOK));
  Notify(plain->GetSafeHwnd(), STN_CLICKED);
  EXPECT_EQ(GetFocus(), GetDlgItem(Dialog(), IDOK));
  Notify(linked->GetSafeHwnd(), STN_CLICKED);
  EXPECT_EQ(GetFocus(), Field());
  DWORD start = 1;
  DWORD end = 0;
  SendMessage(Field(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 8u);
  EXPECT_NE(TLabelStatic::LabelCursor(), nullptr);
  EXPECT_EQ(SendMessage(linked->GetSafeHwnd(), WM_SETCURSOR, 0, 0), 1);
  EXPECT_EQ(SendMessage(plain->GetSafeHwnd(), WM_SETCURSOR, 0, 0), 0);
  linked->DestroyControl();
  plain->DestroyControl();
}

TEST_F(MacControlsTest, SliderStepsSetTheValueDragsOnlyTrackAndTheReleaseNotifiesOnce) {
  std::vector<std::string> log;
  auto* item = new TRecordingItem(&log);
  item->slider = true;
  auto* slider = new TMacSlider(dialog_.get(), item, 301, 4, 80, 120, 20);
  slider->SetStyle(WS_CHILD | WS_VISIBLE | TBS_HORZ);
  ASSERT_NE(slider->CreateControl(), nullptr);
  item->SetControl(slider);
  slider->SendMessage(TBM_SETRANGE, TRUE, MAKELONG(0, 20));
  slider->SendMessage(TBM_SETPOS, TRUE, 4);
  log.clear();
  const auto scroll = [&](WORD code, WORD position) {
    SendMessage(Dialog(), WM_HSCROLL, MAKELONG(code, position),
                reinterpret_cast<LPARAM>(slider->GetSafeHwnd()));
  };
  scroll(TB_THUMBTRACK, 9);
  scroll(TB_THUMBTRACK, 11);
  scroll(4 /* thumb position */, 11);
  EXPECT_EQ(log, (std::vector<std::string>{"track 9", "track 11", "changed"}));
  log.clear();
  scroll(1 /* line down */, 0);
  scroll(8 /* end track */, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"value 4", "changed"}));
  delete item;  // takes its control along
}

TEST_F(MacControlsTest, TheLastEntryOfAPopupGoesToItsItemFirst) {
  std::vector<std::string> log;
  auto* item = new TRecordingItem(&log);
  auto* popup = new TMacCombobox(dialog_.get(), item, 302, "", 4, 100, 120, 80,
                                 WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST);
  ASSERT_NE(popup->CreateControl(), nullptr);
  item->SetControl(popup);
  dialog_->AddItemView(item);
  for (const char* entry : {"Red", "Green", "Other..."})
    popup->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  popup->SendMessage(CB_SETCURSEL, 0, 0);
  Notify(popup->GetSafeHwnd(), CBN_SELCHANGE);
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);
  popup->SendMessage(CB_SETCURSEL, 2, 0);
  item->handlesLast = 1;
  Notify(popup->GetSafeHwnd(), CBN_SELCHANGE);
  EXPECT_EQ(owner_.acceptedTags.size(), 1u);
  item->handlesLast = 0;
  Notify(popup->GetSafeHwnd(), CBN_SELCHANGE);
  EXPECT_EQ(owner_.acceptedTags.size(), 2u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "last entry"), 2);
}

TEST_F(MacControlsTest, AControlGoesWithItsWindowAndTakesItsItemButAStaticOnlyTellsItsWatcher) {
  std::vector<std::string> log;
  bool gone = false;
  auto* item = new TRecordingItem(&log, &gone);
  auto* edit = new TMacEdit(dialog_.get(), item, 303, "x", 4, 120, 60, 12);
  ASSERT_NE(edit->CreateControl(), nullptr);
  item->SetControl(edit);
  dialog_->AddItemView(item);
  EXPECT_EQ(log, std::vector<std::string>{"created"});
  const size_t before = dialog_->Items().size();
  DestroyWindow(edit->GetSafeHwnd());
  EXPECT_TRUE(gone);
  EXPECT_EQ(dialog_->Items().size(), before - 1);

  std::vector<std::string> watched;
  bool watcherGone = false;
  TRecordingItem watcher(&watched, &watcherGone);
  auto* dummy = new TDummyStatic(dialog_.get(), &watcher, 304, "note", 4, 140, 60, 12);
  ASSERT_NE(dummy->CreateControl(), nullptr);
  delete dummy;
  EXPECT_EQ(watched, std::vector<std::string>{"control gone"});
  EXPECT_FALSE(watcherGone);
}

TEST_F(MacControlsTest, EveryKindOfControlGoesWithItsWindowOrAtOnceWithoutOne) {
  const auto check = [&](auto* control, TRecordingItem* item, const bool* gone) {
    SCOPED_TRACE(control->GetRuntimeClass()->m_lpszClassName);
    ASSERT_NE(control->CreateControl(), nullptr);
    item->SetControl(control);
    EXPECT_EQ(control->OwnerItem(), item);
    DestroyWindow(control->GetSafeHwnd());
    EXPECT_TRUE(*gone);
  };
  const DWORD style = WS_CHILD | WS_VISIBLE;
  bool gone[5] = {};
  auto* popupItem = new TRecordingItem(nullptr, &gone[0]);
  check(new TMacCombobox(dialog_.get(), popupItem, 311, "", 4, 100, 120, 80, style), popupItem,
        &gone[0]);
  auto* sliderItem = new TRecordingItem(nullptr, &gone[1]);
  check(new TMacSlider(dialog_.get(), sliderItem, 312, 4, 80, 120, 20), sliderItem, &gone[1]);
  auto* gridItem = new TRecordingItem(nullptr, &gone[2]);
  check(new TGridView(dialog_.get(), gridItem, 313, 4, 20, 120, 60), gridItem, &gone[2]);
  auto* boxItem = new TRecordingItem(nullptr, &gone[3]);
  check(new TMacCheckBox(dialog_.get(), boxItem, 314, "Box", 4, 4, 60, 12), boxItem, &gone[3]);

  // Never made into a window: destroying the control deletes it and its item at once.
  auto* lonelyItem = new TRecordingItem(nullptr, &gone[4]);
  auto* lonely = new TMacCombobox(dialog_.get(), lonelyItem, 315, "", 4, 4, 60, 60, style);
  lonelyItem->SetControl(lonely);
  lonely->DestroyControl();
  EXPECT_TRUE(gone[4]);
}

TEST_F(MacControlsTest, ABorderedFieldOrGridGetsTheSunkenEdgeInsteadOfTheBorder) {
  auto* edit = new TMacEdit(dialog_.get(), nullptr, 321, "", 4, 4, 60, 12);
  edit->SetStyle(WS_CHILD | WS_VISIBLE | WS_BORDER);
  auto* grid = new TGridView(dialog_.get(), nullptr, 322, 4, 20, 120, 60);
  auto* plainGrid = new TGridView(dialog_.get(), nullptr, 323, 4, 90, 120, 60);
  grid->SetStyle(WS_CHILD | WS_VISIBLE | WS_BORDER);
  ASSERT_NE(edit->CreateControl(), nullptr);
  ASSERT_NE(grid->CreateControl(), nullptr);
  ASSERT_NE(plainGrid->CreateControl(), nullptr);
  for (CWnd* control : std::vector<CWnd*>{edit, grid}) {
    const HWND window = control->GetSafeHwnd();
    EXPECT_EQ(GetWindowLongPtr(window, GWL_STYLE) & WS_BORDER, 0);
    EXPECT_NE(GetWindowLongPtr(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  }
  EXPECT_EQ(GetWindowLongPtr(plainGrid->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

}  // namespace
}  // namespace dialog_test
