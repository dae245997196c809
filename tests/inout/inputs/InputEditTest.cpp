// Typing an input's value into the edit control over its value field, driven by synthetic keys:
// Return takes a number (one undo record) or shows the value again, Tab and a click elsewhere
// end the edit applying what was typed, and Undo right after opening reaches the application.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inout/inputs/Input.h"
#include "inout/inputs/InputEdit.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "tests/ui/views/ViewTestSupport.h"

namespace {

class RecordingSink : public TInputUndoSink {
 public:
  bool IsInputUndoOff(const TInput&) const override { return false; }
  void ValueChanged(TInput& input, double old, bool) override {
    changes.push_back({old, input.GetValue()});
  }
  std::vector<std::pair<double, double>> changes;
};

int gApplicationUndos = 0;
bool CountApplicationUndo() {
  ++gApplicationUndos;
  return true;
}

class InputEditTest : public view_test::ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    RegisterStandardControls();
    TInput::SetUndoSink(&sink_);
    gApplicationUndos = 0;
    input_.Initialize();
    input_.SetKind(TInputKind::kTextBox);
    input_.MoveBy(MacPoint(20, 30));
    input_.SetMinMax(0.0, 1.0);
    input_.SetValue(0.25, false, false);
  }
  void TearDown() override {
    input_.DropTextEdit();
    TInputEdit::SetApplicationUndo(nullptr);
    TInput::SetUndoSink(nullptr);
    ViewTest::TearDown();
  }
  TInputEdit* Open() {
    EXPECT_TRUE(input_.HitsTextField(MacPoint(static_cast<int16_t>(input_.GetValueTextRect().right),
                                              input_.GetValueTextRect().top)));
    return input_.BeginTextEdit(host_, MacPoint(0, 0));
  }
  // Keys go through the queue as the message loop takes them, characters made on the way.
  void Type(std::initializer_list<int32_t> keys) {
    for (const int32_t key : keys) {
      InjectKeyStroke(key);
      MSG message;
      while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessage(&message);
      }
    }
  }
  std::string Text() { return input_.GetTextEdit()->GetText(); }
  std::pair<DWORD, DWORD> Selection() {
    DWORD start = 0;
    DWORD end = 0;
    SendMessage(input_.GetTextEdit()->GetSafeHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }

  RecordingSink sink_;
  TInput input_;
};

TEST_F(InputEditTest, ControlSitsOverTheFieldRightAlignedWithoutScrolling) {
  TInputEdit* edit = Open();
  ASSERT_NE(edit, nullptr);
  const HWND window = edit->GetSafeHwnd();
  EXPECT_EQ(GetDlgCtrlID(window), kInputEditControlId);
  const auto style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
  EXPECT_EQ(style & TInputEdit::kDroppedStyle, 0u);
  EXPECT_EQ(style & TInputEdit::kRightAligned, TInputEdit::kRightAligned);
  EXPECT_EQ(GetFocus(), window);
  EXPECT_EQ(Text(), input_.FormatValueText().AsCString());
  EXPECT_EQ(Selection(), (std::pair<DWORD, DWORD>{0, static_cast<DWORD>(Text().size())}));
}

TEST_F(InputEditTest, ReturnTakesANumberOnceAndRevertsOtherText) {
  ASSERT_NE(Open(), nullptr);
  Type({'A', 'B', 'C', VK_RETURN});
  EXPECT_EQ(input_.GetValue(), 0.25);
  EXPECT_EQ(Text(), input_.FormatValueText().AsCString());
  EXPECT_EQ(Selection().second, static_cast<DWORD>(Text().size()));
  EXPECT_TRUE(sink_.changes.empty());

  // "5" on a range of 0 to 1 sets 1 with one undo record.
  Type({'5', VK_RETURN});
  EXPECT_EQ(input_.GetValue(), 1.0);
  ASSERT_EQ(sink_.changes.size(), 1u);
  EXPECT_EQ(sink_.changes[0].first, 0.25);
  EXPECT_TRUE(input_.GetTextEdit()->IsInSync());
  Type({VK_RETURN});
  EXPECT_EQ(sink_.changes.size(), 1u);
}

TEST_F(InputEditTest, TabAndFocusLossEndTheEditApplyingWhatWasTyped) {
  ASSERT_NE(Open(), nullptr);
  SendMessage(input_.GetTextEdit()->GetSafeHwnd(), EM_SETSEL, 0, -1);
  Type({'0', VK_DECIMAL, '5', VK_TAB});
  EXPECT_EQ(input_.GetTextEdit(), nullptr);
  EXPECT_EQ(input_.GetValue(), 0.5);
  EXPECT_EQ(sink_.changes.size(), 1u);

  ASSERT_NE(Open(), nullptr);
  SendMessage(input_.GetTextEdit()->GetSafeHwnd(), EM_SETSEL, 0, -1);
  Type({'0'});
  SetFocus(host_->GetSafeHwnd());
  EXPECT_EQ(input_.GetTextEdit(), nullptr);
  EXPECT_EQ(input_.GetValue(), 0.0);
  EXPECT_EQ(sink_.changes.size(), 2u);
}

TEST_F(InputEditTest, UndoRightAfterOpeningReachesTheApplication) {
  TInputEdit::SetApplicationUndo(CountApplicationUndo);
  TInputEdit* edit = Open();
  ASSERT_NE(edit, nullptr);
  edit->Undo();
  EXPECT_EQ(gApplicationUndos, 1);
  // Once something was typed the control undoes its own edit.
  Type({'7'});
  edit->Undo();
  EXPECT_EQ(gApplicationUndos, 1);
}

}  // namespace
