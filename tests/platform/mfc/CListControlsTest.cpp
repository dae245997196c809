// Framework list boxes, combo boxes and trackbars: what their parent receives comes back to the
// control (measuring, drawing, scroll notices).

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/mfc/CComboBox.h"
#include "platform/mfc/CListBox.h"
#include "platform/mfc/CSliderCtrl.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

struct Heard {
  std::vector<UINT> measured;
  std::vector<UINT> drawn;
  std::vector<WORD> scrolls;
};

class RowList : public CListBox {
 public:
  explicit RowList(Heard& heard) : heard_(heard) {}
  void MeasureItem(MEASUREITEMSTRUCT* measure) override {
    heard_.measured.push_back(measure->itemID);
    measure->itemHeight = 30;
  }
  void DrawItem(DRAWITEMSTRUCT* draw) override { heard_.drawn.push_back(draw->itemID); }

 private:
  Heard& heard_;
};

class ColourCombo : public CComboBox {
 public:
  explicit ColourCombo(Heard& heard) : heard_(heard) {}
  void MeasureItem(MEASUREITEMSTRUCT* measure) override {
    heard_.measured.push_back(measure->itemID);
    measure->itemHeight = 14;
  }
  void DrawItem(DRAWITEMSTRUCT* draw) override { heard_.drawn.push_back(draw->itemID); }

 private:
  Heard& heard_;
};

// A trackbar that takes its own scroll notices, as the program's sliders do.
class OwnSlider : public CSliderCtrl {
 public:
  explicit OwnSlider(Heard& heard) : heard_(heard) {}
  BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message != WM_HSCROLL) return CSliderCtrl::OnChildNotify(message, wParam, lParam, result);
    heard_.scrolls.push_back(LOWORD(wParam));
    return TRUE;
  }

 private:
  Heard& heard_;
};

class CListControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterStandardControls();
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "frame", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                               nullptr, nullptr));
  }
  void TearDown() override {
    frame.DestroyWindow();
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  void Pump() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  CWnd frame;
  Heard heard;
};

TEST_F(CListControlsTest, AnOwnerDrawnListBoxMeasuresAndDrawsItself) {
  RowList list(heard);
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_OWNERDRAWFIXED, RECT{10, 10, 200, 100}, &frame, 21));
  EXPECT_EQ(heard.measured, std::vector<UINT>{0});
  EXPECT_EQ(list.GetItemHeight(0), 30);
  for (uintptr_t i = 0; i < 5; ++i)
    list.AddItem(i);
  Pump();
  EXPECT_EQ(heard.drawn, (std::vector<UINT>{0, 1, 2}));  // 90 pixels show three rows
  list.SetCurSel(4);
  EXPECT_EQ(list.GetTopIndex(), 2);
  EXPECT_EQ(list.GetItemData(4), 4u);
  CListBox texts;
  ASSERT_TRUE(texts.Create(WS_VISIBLE, RECT{210, 10, 300, 100}, &frame, 22));
  texts.AddString("Mass");
  texts.InsertString(0, "Name");
  EXPECT_EQ(texts.GetText(0), "Name");
  EXPECT_EQ(texts.GetText(1), "Mass");
  EXPECT_EQ(texts.GetText(2), "");
}

TEST_F(CListControlsTest, AnOwnerDrawnComboBoxMeasuresItsFieldAndItems) {
  ColourCombo combo(heard);
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                           RECT{10, 10, 150, 150}, &frame, 23));
  EXPECT_EQ(heard.measured, (std::vector<UINT>{static_cast<UINT>(-1), 0}));
  combo.AddItem(0xFF);
  combo.AddItem(0xFF00);
  combo.SetCurSel(1);
  Pump();
  ASSERT_FALSE(heard.drawn.empty());
  EXPECT_EQ(heard.drawn.back(), 1u);
  EXPECT_TRUE(combo.ShowDropDown(TRUE));
  EXPECT_TRUE(combo.GetDroppedState());
  heard.drawn.clear();
  Pump();
  // The field shows item 1; the dropped list both items.
  std::sort(heard.drawn.begin(), heard.drawn.end());
  EXPECT_EQ(heard.drawn, (std::vector<UINT>{0, 1, 1}));
}

// Both kinds keep their items alike: the selection follows its item through inserts and
// deletes, and an index without an item answers the error value.
template <class Control>
void CheckItemKeeping(Control& control) {
  for (const char* text : {"b", "c", "d"})
    control.AddString(text);
  control.SetCurSel(1);  // "c"
  control.InsertString(0, "a");
  EXPECT_EQ(control.GetCurSel(), 2);
  control.DeleteString(3);
  EXPECT_EQ(control.GetCurSel(), 2);
  control.DeleteString(0);
  EXPECT_EQ(control.GetCurSel(), 1);
  EXPECT_EQ(control.GetText(control.GetCurSel()), "c");
  EXPECT_EQ(control.DeleteString(1), 1);
  EXPECT_EQ(control.GetCurSel(), -1);
  EXPECT_EQ(control.DeleteString(5), -1);

  EXPECT_EQ(control.SetItemData(0, 77), 0);
  EXPECT_EQ(control.GetItemData(0), 77u);
  EXPECT_EQ(control.SetItemData(1, 5), -1);
  EXPECT_EQ(control.GetItemData(1), static_cast<uintptr_t>(-1));
  EXPECT_EQ(control.GetText(1), "");
  control.ResetContent();
  EXPECT_EQ(control.GetCount(), 0);
}

TEST_F(CListControlsTest, ListAndComboBoxesKeepTheirItemsAndSelectionAlike) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE, RECT{10, 10, 200, 100}, &frame, 24));
  {
    SCOPED_TRACE("list box");
    CheckItemKeeping(list);
  }
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, RECT{10, 110, 200, 200}, &frame, 25));
  {
    SCOPED_TRACE("combo box");
    CheckItemKeeping(combo);
  }
}

TEST_F(CListControlsTest, ATrackbarHearsItsOwnScrollNotices) {
  OwnSlider slider(heard);
  ASSERT_TRUE(slider.Create(WS_VISIBLE, RECT{10, 10, 210, 40}, &frame, 24));
  slider.SetRange(0, 10);
  slider.SetPos(5);
  EXPECT_EQ(slider.GetPos(), 5);
  EXPECT_EQ(slider.GetRangeMax(), 10);
  ::SetFocus(slider.m_hWnd);
  InjectKeyStroke(VK_LEFT);
  Pump();
  EXPECT_EQ(heard.scrolls, (std::vector<WORD>{TB_LINEUP, TB_ENDTRACK}));
  EXPECT_EQ(slider.GetPos(), 4);
}

}  // namespace
