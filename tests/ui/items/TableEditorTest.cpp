// A table item's cell editor across a new set of objects: kept on its cell while it has the
// focus, hidden once the focus has gone elsewhere.

#include <memory>

#include "model/Link.h"
#include "platform/win32/Window.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/controls/GridView.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/GridEditItem.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/TableItem.h"

namespace dialog_test {
namespace {

// An object with a table of three rows of two values.
class TRowsObject : public TLink {
 public:
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override {
    if (tag != kPointTableTag) return TLink::GetIntProperty(tag, value, extra);
    value = 3;
    if (extra != nullptr) *static_cast<int16_t*>(extra) = 2;
    return 1;
  }
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override {
    if ((tag & 0xFFFF) != (kTableEditorTag & 0xFFFF)) return TLink::GetNumberProperty(tag, value, extra);
    value = static_cast<double>((tag >> 16) & 0x7FFF);
    return 1;
  }
};

class TableEditorTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    RegisterTableItemKind();
    dialog_ = std::make_unique<TWindowsDialog>(nullptr, kEmptyDialog, &owner_);
    dialog_->CreateModeless();
    dialog_->ShowWindow(SW_SHOW);
    FilterBytes bytes;
    bytes.Word(270).Long(0x50000000).Word(8).Word(8).Word(208).Word(108).Text("");
    TItemRecordCursor cursor(bytes.Bytes());
    table_ = std::make_unique<TTableItem>();
    table_->InitItem(dialog_.get(), kPointTableTag, &cursor);
    ASSERT_NE(table_->Editor(), nullptr);
  }
  void TearDown() override {
    table_.reset();
    dialog_.reset();
    RegisterItemKind(64, nullptr);
    DialogFixture::TearDown();
  }
  HWND EditorWindow() const { return table_->Editor()->ControlWindow()->GetSafeHwnd(); }

  TRecordingOwner owner_;
  std::unique_ptr<TWindowsDialog> dialog_;
  std::unique_ptr<TTableItem> table_;
};

TEST_F(TableEditorTest, TheEditorStaysWithTheFocusAndIsHiddenWithout) {
  TRowsObject first;
  TRowsObject second;
  table_->AttachObjects(nullptr, {&first});
  table_->SelectCell(2, 1);
  ASSERT_TRUE(IsWindowVisible(EditorWindow()));
  ASSERT_EQ(GetFocus(), EditorWindow());

  // Still typing: the objects change under it and the editor stays on its cell.
  table_->AttachObjects(nullptr, {&second});
  EXPECT_TRUE(IsWindowVisible(EditorWindow()));
  EXPECT_EQ(table_->CurrentRow(), 2);

  // The focus has gone to the list: the next objects hide the editor.
  SetFocus(table_->List()->GetSafeHwnd());
  ASSERT_NE(GetFocus(), EditorWindow());
  table_->AttachObjects(nullptr, {&first});
  EXPECT_FALSE(IsWindowVisible(EditorWindow()));
}

}  // namespace
}  // namespace dialog_test
