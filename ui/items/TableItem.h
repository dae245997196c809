#pragma once
// The two-column table: an owner-drawn list of numbered rows with two value columns, edited in
// place by a cell editor moved over the selected cell. It shows a property of the selected world
// objects, cell by cell: the cell of row r (from 1) and column c is the property whose tag is the
// editor's two-character kind followed by the word r (bit 15 set for column 1). The headers
// "DL00" and "NS00" (delete and insert a row) follow the selected cell the same way.
//
// Columns of a row w pixels wide, with q = w / 7: the row number from 2 to q, value column 1
// from q + 2 to m = (w - q) / 2 + q, value column 2 from m + 2 to 2m - q.
//
//   TMacDialogItem (297) > TTableItemBase (539) > TTableItem (542)

#include <cstdint>
#include <vector>

#include "core/PString.h"
#include "core/Tag.h"
#include "platform/win32/GdiTypes.h"
#include "ui/controls/GridEdit.h"
#include "ui/controls/GridView.h"
#include "ui/items/MacDialogItem.h"

class TGridEditItem;
class TGridView;
class TLink;
class WindowBase;

inline constexpr uint32_t kPointTableTag = MakeTag("pptb");
inline constexpr uint32_t kTableEditorTag = MakeTag("ppLV");
inline constexpr uint32_t kDeleteRowTag = MakeTag("DL00");
inline constexpr uint32_t kInsertRowTag = MakeTag("NS00");

class TTableItemBase : public TMacDialogItem, public TCellTable, public TGridRowsWatcher {
  DECLARE_CLASS_ID(539, TMacDialogItem)

 public:
  TTableItemBase() = default;
  ~TTableItemBase() override;
  TTableItemBase(const TTableItemBase&) = delete;
  TTableItemBase& operator=(const TTableItemBase&) = delete;

  // Reads the record (item number, list style, bounds, text), makes the list, finds the headers
  // and makes the cell editor in the list.
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;

  // Geometry -----------------------------------------------------------------------------------
  // The cell rectangle of column 0 (row number), 1 or 2 in a row rectangle.
  static RECT ColumnRect(const RECT& row, int32_t column);
  // The column a click at x falls in, in a list w pixels wide.
  static int16_t ColumnAt(int32_t x, int32_t width);
  // The text shortened one character at a time until it is at most width - 2 pixels wide.
  static std::string FitText(HDC dc, std::string text, int32_t width);

  // Rows and cells -------------------------------------------------------------------------------
  int32_t RowCount() const { return rowCount_; }
  int16_t CurrentRow() const { return selectedRow_; }
  int16_t CurrentColumn() const { return selectedColumn_; }
  // Rows to match: from c rows to n deletes the last ones first; growing appends (or inserts at
  // from) rows whose strings are their numbers.
  void DeleteRows(int32_t from, int32_t count);
  void AddRows(int32_t from, int32_t count);
  void SetRowCount(int32_t rows);
  // Places the editor over the cell (row from 1, column 1 or 2).
  void SelectCell(int16_t row, int16_t column);
  // The tag of a cell's property, in the editor's kind.
  uint32_t CellTag(int16_t row, int16_t column) const;
  // The cell's text: the value all selected objects share, or empty.
  Str255 CellText(int16_t row, int16_t column);
  // The editor's kind ("ppLV", "hpLV", "lpLV"): the first two characters name the cells.
  void SetEditorKind(uint32_t identifier);
  // Sets the column layout: the horizontal extent, the list width, the first cell.
  void SetColumnLayout();
  // Redraws the list and the editor's cell.
  void Refresh() override;
  // The dialog's units reach the cell editor, which shows and reads the cells' values in them.
  void SetUnitHandler(TLink* handler) override;

  // The objects shown: those of the list that answer a size for the table's property.
  void AttachObjects(WindowBase* owner, const std::vector<TLink*>& objects);
  const std::vector<TLink*>& Objects() const { return objects_; }
  void FreeSelection();
  void ForgetOwner() { owner_ = nullptr; }
  WindowBase* Owner() const { return owner_; }

  TGridEditItem* Editor() const { return editor_; }
  // The editor's item went with its window.
  void EditorGone();
  TGridView* List() const;
  TMacDialogItem* Header(int index) const { return index == 0 ? header1_ : header2_; }

  // What the editor asks -----------------------------------------------------------------------
  int16_t SetCellTracking(int16_t on) override;
  int16_t GetCellTracking() const { return cellTracking_; }
  void NextCell() override;
  void PreviousCell() override;
  void OtherColumn() override;
  void PreviousRow() override;
  void NextRow() override;

  // What the list asks -------------------------------------------------------------------------
  // The rows moved: the editor goes with its cell while the cell is in view; a cell scrolled out
  // of view takes the editor away (the list takes the keys, and the text typed so far goes to
  // the cell it was typed for) until a cell is chosen again. A text refused on the way out
  // keeps the editor on its cell, and the cell comes back into view.
  void RowsScrolled() override;
  void MouseDown(uint32_t flags, int32_t x, int32_t y) override;
  void DrawEntire(const DRAWITEMSTRUCT* draw) override;
  void DrawSelection(const DRAWITEMSTRUCT* draw) override { DrawEntire(draw); }
  void DrawFocus(const DRAWITEMSTRUCT*) override {}
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;
  void Show(int16_t shown) override;
  void DialogResized(int32_t horizontal, int32_t vertical) override;

 protected:
  // The editor's value source (kind 64 keeps its editor as one).
  void SetValueSource(TGridEditItem* source) { valueSource_ = source; }

 private:
  void MakeList(CWnd* parent);
  void MakeEditor();
  void MakeFonts();
  void MoveTo(int16_t row, int16_t column);
  // Moves the editor over the selected cell when the cell is wholly in view; false otherwise.
  bool PlaceEditorOnCell();
  void HideEditor();
  void RetagHeaders();
  void DrawCell(HDC dc, const RECT& rect, const std::string& text) const;

  TMacDialogItem* header1_ = nullptr;
  TMacDialogItem* header2_ = nullptr;
  TGridEditItem* editor_ = nullptr;
  TGridEditItem* valueSource_ = nullptr;
  uint32_t editorTag_ = kTableEditorTag;
  WindowBase* owner_ = nullptr;
  std::vector<TLink*> objects_;
  int16_t selectedRow_ = 1;
  int16_t selectedColumn_ = 1;
  int32_t rowCount_ = 0;
  int16_t valueColumns_ = 2;
  RECT cellRect_{};
  int32_t listWidth_ = 0;
  int32_t itemHeight_ = 0;
  HFONT normalFont_ = nullptr;
  HFONT boldFont_ = nullptr;
  int16_t cellTracking_ = 1;
  uint16_t needsRefresh_ = 0;
};

class TTableItem : public TTableItemBase {
  DECLARE_CLASS_ID(542, TTableItemBase)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
};

// Enters the table for kind 64 of the factory's table.
void RegisterTableItemKind();
