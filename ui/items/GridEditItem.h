#pragma once
// The item behind the table's cell editor: a number field whose control is the in-place editor
// (identifier 1301) made in the table's list. A cell holding a single blank is good as it is;
// any other text is checked as a number.
//
//   TNumberFieldView (618) > TGridEditItem (541)

#include <cstdint>

#include "ui/items/FormulaField.h"

class TGridEdit;
class TTableItemBase;
class TWindowsDialog;

class TGridEditItem : public TNumberFieldView {
  DECLARE_CLASS_ID(541, TNumberFieldView)

 public:
  TGridEditItem() = default;
  // Tells the table it has no editor any more.
  ~TGridEditItem() override;
  TGridEditItem(const TGridEditItem&) = delete;
  TGridEditItem& operator=(const TGridEditItem&) = delete;

  void SetTable(TTableItemBase* table) { table_ = table; }
  void ForgetTable() { table_ = nullptr; }
  // Stores the window the table lives in, then the field's initialisation without a record:
  // the editor is made empty at (0, 0, 0, 0).
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  void CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  void AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) override;
  int16_t CheckText() override;

  // The dialog the editor stands in, through the parent windows; null when there is none.
  TWindowsDialog* Dialog() const;
  TGridEdit* Editor() const;
  int32_t GetValueWord() const { return valueWord_; }
  void SetValueWord(int32_t value) { valueWord_ = value; }

 private:
  int32_t valueWord_ = 0;
  CWnd* tableWindow_ = nullptr;
  TTableItemBase* table_ = nullptr;
};
