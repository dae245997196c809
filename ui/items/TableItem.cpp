#include "ui/items/TableItem.h"

#include <algorithm>
#include <string>

#include "core/geometry/NumberFormat.h"
#include "model/Link.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"
#include "simulation/UnitHandler.h"
#include "ui/controls/GridView.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/GridEditItem.h"
#include "ui/items/ItemRecord.h"

namespace {

constexpr int32_t kColourWindow = 5;
constexpr DWORD kClearedStyleBit = 0x00010000;
constexpr uint32_t kNoUnit = 0x88888888;
constexpr int16_t kThingClass = 629;
constexpr int16_t kTableKind = 64;
// Significant digits of a value shown without a unit handler.
constexpr int16_t kDefaultDigits = 6;
// The x coordinate of a vertex is the cell word's top bit.
constexpr uint32_t kFirstColumnBit = 0x8000;

// The word of a cell: its row from 1, with the top bit for column 1.
uint32_t CellWord(int16_t row, int16_t column) {
  return (static_cast<uint32_t>(row) & 0x7FFF) | (column == 1 ? kFirstColumnBit : 0);
}

// The first two characters of one tag with the last two of another.
uint32_t Retag(uint32_t tag, uint32_t word) {
  return (tag & 0xFFFF) | (word << 16);
}

}  // namespace

// Geometry ------------------------------------------------------------------------------------

RECT TTableItemBase::ColumnRect(const RECT& row, int32_t column) {
  const int32_t w = row.right - row.left;
  const int32_t q = w / 7;
  const int32_t m = (w - q) / 2 + q;
  switch (column) {
    case 0:
      return RECT{row.left + 2, row.top, q, row.bottom};
    case 1:
      return RECT{row.left + 2 + q, row.top, m, row.bottom - 1};
    default:
      return RECT{m + 2, row.top, 2 * m - q, row.bottom - 1};
  }
}

int16_t TTableItemBase::ColumnAt(int32_t x, int32_t width) {
  return x < width - (width - width / 7) / 2 ? 1 : 2;
}

std::string TTableItemBase::FitText(HDC dc, std::string text, int32_t width) {
  SIZE size{};
  while (!text.empty()) {
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int32_t>(text.size()), &size);
    if (size.cx <= width - 2) break;
    text.pop_back();
  }
  return text;
}

// Making --------------------------------------------------------------------------------------

TTableItemBase::~TTableItemBase() {
  if (editor_ != nullptr) {
    editor_->ForgetTable();
    delete editor_;
    editor_ = nullptr;
  }
  if (normalFont_ != nullptr) DeleteObject(normalFont_);
  if (boldFont_ != nullptr) DeleteObject(boldFont_);
  header1_ = header2_ = nullptr;
  FreeSelection();
}

void TTableItemBase::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TMacDialogItem::InitItem(parent, viewIdentifier, cursor);
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  MakeList(parent);
  if (auto* dialog = dynamic_cast<TWindowsDialog*>(parent)) {
    header1_ = dialog->ItemOfViewIdentifier(kDeleteRowTag);
    header2_ = dialog->ItemOfViewIdentifier(kInsertRowTag);
  }
  MakeEditor();
  RetagHeaders();
}

void TTableItemBase::MakeList(CWnd* parent) {
  if (parent == nullptr || parent->GetSafeHwnd() == nullptr) return;
  const TItemBounds& b = GetBounds();
  auto* list = new TGridView(parent, this, GetItemNumber(), b.left, b.top, b.right - b.left,
                             b.bottom - b.top);
  list->SetStyle((GetStyle() & ~kClearedStyleBit) | TGridView::kDefaultStyle | LBS_OWNERDRAWFIXED |
                 LBS_NOINTEGRALHEIGHT | WS_VSCROLL);
  if (list->CreateControl() == nullptr) {
    list->SetOwnerItem(nullptr);
    delete list;
    return;
  }
  SetControl(list);
  MakeFonts();
  // The list was measured while it was made, before its rows had their font: measured again.
  MEASUREITEMSTRUCT measure{};
  MeasureItem(&measure);
  list->SendMessage(LB_SETITEMHEIGHT, 0, static_cast<LPARAM>(measure.itemHeight));
  SetColumnLayout();
}

void TTableItemBase::MakeEditor() {
  TGridView* list = List();
  if (list == nullptr) return;
  auto editor = std::make_unique<TGridEditItem>();
  editor->SetTable(this);
  editor->InitItem(list, editorTag_, nullptr);
  if (editor->Editor() != nullptr) {
    editor->Editor()->SetTable(this);
    editor->Editor()->ShowWindow(SW_HIDE);
  }
  editor_ = editor.release();
  SetValueSource(nullptr);
}

void TTableItemBase::MakeFonts() {
  TGridView* list = List();
  if (list == nullptr) return;
  auto font = reinterpret_cast<HFONT>(list->SendMessage(WM_GETFONT, 0, 0));
  LOGFONT logical{};
  if (font == nullptr || GetObject(font, sizeof logical, &logical) == 0)
    GetObject(GetStockObject(ANSI_VAR_FONT), sizeof logical, &logical);
  logical.lfWeight = 400;
  logical.lfOutPrecision = 4;
  if (normalFont_ != nullptr) DeleteObject(normalFont_);
  if (boldFont_ != nullptr) DeleteObject(boldFont_);
  normalFont_ = CreateFontIndirect(&logical);
  logical.lfWeight = 700;
  boldFont_ = CreateFontIndirect(&logical);
  list->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(normalFont_), 1);
}

TGridView* TTableItemBase::List() const {
  return dynamic_cast<TGridView*>(ControlWindow());
}

void TTableItemBase::EditorGone() {
  editor_ = nullptr;
}

// Layout -------------------------------------------------------------------------------------

void TTableItemBase::SetColumnLayout() {
  TGridView* list = List();
  if (list == nullptr) return;
  RECT client{};
  list->GetClientRect(&client);
  list->SendMessage(LB_SETHORIZONTALEXTENT,
                    static_cast<WPARAM>(valueColumns_ / 2 * (client.right - client.left)), 0);
  listWidth_ = client.right - client.left;
  RECT first{};
  if (list->SendMessage(LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) != LB_ERR)
    cellRect_ = ColumnRect(first, 1);
}

void TTableItemBase::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (measure == nullptr) return;
  TGridView* list = List();
  const HWND window = list != nullptr ? list->GetSafeHwnd() : nullptr;
  TEXTMETRIC metrics{};
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, normalFont_ != nullptr ? normalFont_ : GetStockObject(ANSI_VAR_FONT));
  GetTextMetrics(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  // A row is at least a line of text and one pixel high.
  const auto lineHeight = static_cast<UINT>(std::max<LONG>(metrics.tmHeight + metrics.tmExternalLeading, 12));
  measure->itemHeight = std::max(measure->itemHeight, lineHeight + 1);
  itemHeight_ = static_cast<int32_t>(measure->itemHeight);
}

void TTableItemBase::Show(int16_t shown) {
  TMacDialogItem::Show(shown);
  if (shown == 0) HideEditor();
}

void TTableItemBase::DialogResized(int32_t horizontal, int32_t vertical) {
  TGridView* list = List();
  if (list == nullptr || list->GetSafeHwnd() == nullptr) return;
  RECT rect{};
  GetWindowRectInParent(list->GetSafeHwnd(), rect, list->GetParent()->GetSafeHwnd());
  ::SetWindowPos(list->GetSafeHwnd(), nullptr, 0, 0, rect.right + horizontal, rect.bottom + vertical,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  listWidth_ += horizontal;
  if (editor_ != nullptr && editor_->HasControlWindow()) {
    CWnd* editor = editor_->ControlWindow();
    RECT at{};
    GetWindowRectInParent(editor->GetSafeHwnd(), at, list->GetSafeHwnd());
    editor->MoveWindow(at.left + horizontal, at.top, at.right, at.bottom, TRUE);
  }
  if (CWnd* dialog = list->GetParent()) {
    const auto shift = [&](int id, int32_t by) {
      const HWND control = ::GetDlgItem(dialog->GetSafeHwnd(), id);
      if (control == nullptr) return;
      RECT at{};
      GetWindowRectInParent(control, at, dialog->GetSafeHwnd());
      ::MoveWindow(control, at.left + by, at.top, at.right, at.bottom, TRUE);
    };
    shift(326, horizontal / 2);
    shift(327, static_cast<int32_t>(horizontal / 1.3));
  }
  list->Invalidate();
  SetColumnLayout();
  needsRefresh_ = 1;
}

// Rows ---------------------------------------------------------------------------------------

void TTableItemBase::DeleteRows(int32_t from, int32_t count) {
  TGridView* list = List();
  if (list == nullptr || count <= 0) return;
  for (int32_t row = from + count - 1; row >= from; --row)
    list->SendMessage(LB_DELETESTRING, static_cast<WPARAM>(row), 0);
  rowCount_ = static_cast<int32_t>(list->SendMessage(LB_GETCOUNT, 0, 0));
}

void TTableItemBase::AddRows(int32_t from, int32_t count) {
  TGridView* list = List();
  if (list == nullptr || count <= 0) return;
  for (int32_t i = 0; i < count; ++i) {
    const std::string text = std::to_string(from + i);
    if (from < rowCount_) {
      list->SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(from + i),
                        reinterpret_cast<LPARAM>(text.c_str()));
    } else {
      list->SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
  }
  rowCount_ = static_cast<int32_t>(list->SendMessage(LB_GETCOUNT, 0, 0));
}

void TTableItemBase::SetRowCount(int32_t rows) {
  rows = std::max(rows, 0);
  if (rows < rowCount_) DeleteRows(rows, rowCount_ - rows);
  if (rows > rowCount_) AddRows(rowCount_, rows - rowCount_);
  selectedRow_ = static_cast<int16_t>(std::clamp<int32_t>(selectedRow_, 1, std::max(rowCount_, 1)));
  selectedColumn_ = static_cast<int16_t>(std::clamp<int32_t>(selectedColumn_, 1, valueColumns_));
}

// Cells --------------------------------------------------------------------------------------

uint32_t TTableItemBase::CellTag(int16_t row, int16_t column) const {
  return Retag(editorTag_, CellWord(row, column));
}

void TTableItemBase::SetEditorKind(uint32_t identifier) {
  editorTag_ = identifier;
  RetagHeaders();
  if (TGridView* list = List()) list->Invalidate();
}

void TTableItemBase::RetagHeaders() {
  const uint32_t cell = CellTag(selectedRow_, selectedColumn_);
  if (editor_ != nullptr) {
    editor_->SetViewIdentifier(cell);
    editor_->SetPropertyTag(cell);
  }
  for (TMacDialogItem* header : {header1_, header2_}) {
    if (header == nullptr) continue;
    const uint32_t tag = Retag(header->GetViewIdentifier(), cell >> 16);
    header->SetViewIdentifier(tag);
    header->SetPropertyTag(tag);
    if (owner_ != nullptr) owner_->RefreshItem(header, 0);
  }
}

Str255 TTableItemBase::CellText(int16_t row, int16_t column) {
  if (objects_.empty()) return Str255();
  const uint32_t tag = CellTag(row, column);
  bool answered = false;
  double shared = 0.0;
  int32_t unit = static_cast<int32_t>(kNoUnit);
  for (TLink* object : objects_) {
    double value = 0.0;
    // The object may name the value's unit in place of "no unit".
    int32_t dimension = static_cast<int32_t>(kNoUnit);
    if (object->GetNumberProperty(tag, value, &dimension) == 0) continue;
    if (answered && value != shared) return Str255();
    answered = true;
    shared = value;
    unit = dimension;
  }
  if (!answered) return Str255();
  Str255 text;
  TWorldUnitHandler* units = valueSource_ != nullptr ? valueSource_->GetUnitHandler() : nullptr;
  if (units != nullptr && unit != static_cast<int32_t>(kNoUnit)) {
    units->FormatValue(unit, 0, 32767, shared, text);
  } else {
    char buffer[64] = {};
    FormatDoubleC(buffer, sizeof buffer, "%.*g", kDefaultDigits, shared);
    text = Str255(buffer);
  }
  return text;
}

void TTableItemBase::HideEditor() {
  if (editor_ == nullptr || editor_->Editor() == nullptr) return;
  TGridEdit* editor = editor_->Editor();
  editor->SetArmed(0);
  editor->ShowWindow(SW_HIDE);
  editor->SetArmed(1);
}

void TTableItemBase::SelectCell(int16_t row, int16_t column) {
  TGridView* list = List();
  if (list == nullptr || row < 1 || row > rowCount_) return;
  RECT rowRect{};
  if (list->SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(row - 1),
                        reinterpret_cast<LPARAM>(&rowRect)) == LB_ERR)
    return;
  const int16_t oldRow = selectedRow_;
  selectedRow_ = row;
  selectedColumn_ = column;
  const Str255 text = CellText(row, column);
  const RECT cell = ColumnRect(rowRect, column);
  RetagHeaders();
  if (editor_ == nullptr || editor_->Editor() == nullptr) return;
  TGridEdit* editor = editor_->Editor();
  editor->SetArmed(0);
  if (!EqualRect(cell, cellRect_) || !editor->IsWindowVisible()) {
    cellRect_ = cell;
    editor->MoveWindow(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
  }
  editor->ShowWindow(SW_SHOW);
  editor_->BeginCollecting();
  editor_->Collect(text);
  editor_->ShowCollected(true, true);
  if (owner_ != nullptr) owner_->RefreshItem(editor_, 0);
  if (::GetFocus() != editor->GetSafeHwnd()) ::SetFocus(editor->GetSafeHwnd());
  editor_->SelectWholeText();
  editor->SetArmed(1);
  // The rows of the old and the new cell draw again.
  for (int16_t changed : {oldRow, row}) {
    RECT again{};
    if (list->SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(changed - 1),
                          reinterpret_cast<LPARAM>(&again)) != LB_ERR)
      ::InvalidateRect(list->GetSafeHwnd(), &again, FALSE);
  }
}

void TTableItemBase::MoveTo(int16_t row, int16_t column) {
  if (rowCount_ <= 0) return;
  HideEditor();
  if (row < 1) row = static_cast<int16_t>(rowCount_);
  if (row > rowCount_) row = 1;
  TGridView* list = List();
  if (list != nullptr) list->SendMessage(LB_SETCURSEL, static_cast<WPARAM>(row - 1), 0);
  SelectCell(row, column);
}

void TTableItemBase::NextCell() {
  if (selectedColumn_ == 1) return MoveTo(selectedRow_, 2);
  MoveTo(static_cast<int16_t>(selectedRow_ + 1), 1);
}

void TTableItemBase::PreviousCell() {
  if (selectedColumn_ == 2) return MoveTo(selectedRow_, 1);
  MoveTo(static_cast<int16_t>(selectedRow_ - 1), 2);
}

void TTableItemBase::OtherColumn() {
  MoveTo(selectedRow_, selectedColumn_ == 1 ? 2 : 1);
}

void TTableItemBase::PreviousRow() {
  MoveTo(static_cast<int16_t>(selectedRow_ - 1), selectedColumn_);
}

void TTableItemBase::NextRow() {
  MoveTo(static_cast<int16_t>(selectedRow_ + 1), selectedColumn_);
}

int16_t TTableItemBase::SetCellTracking(int16_t on) {
  const int16_t old = cellTracking_;
  cellTracking_ = on;
  return old;
}

bool TTableItemBase::PlaceEditorOnCell() {
  TGridView* list = List();
  if (list == nullptr || editor_ == nullptr || editor_->Editor() == nullptr) return false;
  RECT rowRect{};
  if (list->SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(selectedRow_ - 1),
                        reinterpret_cast<LPARAM>(&rowRect)) == LB_ERR)
    return false;
  RECT client{};
  list->GetClientRect(&client);
  const RECT cell = ColumnRect(rowRect, selectedColumn_);
  if (cell.top < client.top || cell.bottom > client.bottom) return false;
  cellRect_ = cell;
  TGridEdit* editor = editor_->Editor();
  editor->SetArmed(0);
  editor->MoveWindow(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, TRUE);
  editor->SetArmed(1);
  return true;
}

void TTableItemBase::RowsScrolled() {
  TGridView* list = List();
  if (list == nullptr || editor_ == nullptr || editor_->Editor() == nullptr) return;
  TGridEdit* editor = editor_->Editor();
  if (!editor->IsWindowVisible() || PlaceEditorOnCell()) return;
  const bool focused = ::GetFocus() == editor->GetSafeHwnd();
  HideEditor();
  if (!focused) return;
  // Leaving the hidden editor commits what was typed into the cell it stood on, while that cell
  // is still a row of the list; the text of a row that went is dropped.
  const bool known =
      selectedRow_ >= 1 && selectedRow_ <= list->SendMessage(LB_GETCOUNT, 0, 0);
  if (!known) editor->SetArmed(0);
  ::SetFocus(list->GetSafeHwnd());
  editor->SetArmed(1);
  if (!known || ::GetFocus() != editor->GetSafeHwnd()) return;
  // The text was refused and its report gave the editor the keys again: the editor stays on its
  // cell, which comes back into view with it.
  list->SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(selectedRow_ - 1), 0);
  if (PlaceEditorOnCell()) editor->ShowWindow(SW_SHOW);
}

void TTableItemBase::MouseDown(uint32_t, int32_t x, int32_t y) {
  TGridView* list = List();
  if (list == nullptr) return;
  TGridEdit* const editor = editor_ != nullptr ? editor_->Editor() : nullptr;
  const bool editing = editor != nullptr && editor->IsWindowVisible();
  HideEditor();
  const int16_t column = ColumnAt(x, listWidth_);
  int32_t row = std::max(rowCount_ - 1, 0);
  for (int32_t i = 0; i + 1 < rowCount_; ++i) {
    RECT rect{};
    if (list->SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rect)) ==
        LB_ERR)
      continue;
    if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom) {
      row = i;
      break;
    }
  }
  // The cell being edited is taken first; a refused text keeps the editor where it was.
  if (editing && editor->Commit(false) == 0) {
    if (editor_ != nullptr && editor_->Editor() == editor) editor->ShowWindow(SW_SHOW);
    return;
  }
  list->SendMessage(LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  if (rowCount_ > 0)
    SelectCell(static_cast<int16_t>(std::min(row + 1, rowCount_)), column);
}

// Drawing -------------------------------------------------------------------------------------

void TTableItemBase::DrawCell(HDC dc, const RECT& rect, const std::string& text) const {
  FillRect(dc, &rect, GetSysColorBrush(kColourWindow));
  FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RECT inner = rect;
  OffsetRect(&inner, 2, 2);
  const std::string shown = FitText(dc, text, rect.right - rect.left);
  DrawText(dc, shown.c_str(), static_cast<int32_t>(shown.size()), &inner,
           DT_SINGLELINE | DT_NOPREFIX);
}

void TTableItemBase::DrawEntire(const DRAWITEMSTRUCT* draw) {
  if (draw == nullptr || draw->itemID == static_cast<UINT>(-1)) return;
  HDC dc = draw->hDC;
  const auto row = static_cast<int16_t>(draw->itemID + 1);
  RECT whole = draw->rcItem;
  whole.right = whole.left + std::max(listWidth_, static_cast<int32_t>(whole.right - whole.left));
  FillRect(dc, &draw->rcItem, GetSysColorBrush(kColourWindow));
  const int32_t mode = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, boldFont_ != nullptr ? boldFont_ : GetStockObject(ANSI_VAR_FONT));
  RECT number = ColumnRect(whole, 0);
  const std::string label = std::to_string(row);
  DrawText(dc, label.c_str(), static_cast<int32_t>(label.size()), &number,
           DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, normalFont_ != nullptr ? normalFont_ : GetStockObject(ANSI_VAR_FONT));
  for (int16_t column = 1; column <= 2; ++column)
    DrawCell(dc, ColumnRect(whole, column), CellText(row, column).AsCString());
  SelectObject(dc, old);
  SetBkMode(dc, mode);
}

void TTableItemBase::SetUnitHandler(TLink* handler) {
  if (editor_ != nullptr) editor_->SetUnitHandler(handler);
}

void TTableItemBase::Refresh() {
  if (TGridView* list = List()) list->Invalidate();
  needsRefresh_ = 0;
}

// Objects ------------------------------------------------------------------------------------

void TTableItemBase::FreeSelection() {
  objects_.clear();
}

void TTableItemBase::AttachObjects(WindowBase* owner, const std::vector<TLink*>& objects) {
  owner_ = owner;
  FreeSelection();
  int32_t rows = -1;
  int32_t columns = -1;
  for (TLink* object : objects) {
    if (object == nullptr) continue;
    int32_t count = 0;
    int16_t width = 0;
    if (object->GetIntProperty(GetViewIdentifier(), count, &width) == 0) continue;
    objects_.push_back(object);
    rows = rows < 0 ? count : std::min(rows, count);
    columns = columns < 0 ? width : std::min<int32_t>(columns, width);
  }
  if (rows < 0) rows = 0;
  valueColumns_ = static_cast<int16_t>(columns > 0 ? std::min(columns, 2) : 2);
  SetRowCount(rows);
  SetColumnLayout();
  for (TLink* object : objects_) {
    if (object->IsMemberClass(kThingClass)) object->Changed();
  }
  Refresh();
  needsRefresh_ = 1;
  if (editor_ == nullptr || editor_->Editor() == nullptr) return;
  TGridEdit* editor = editor_->Editor();
  if (::GetFocus() == editor->GetSafeHwnd() && rowCount_ > 0) {
    SelectCell(selectedRow_, selectedColumn_);
  } else {
    HideEditor();
  }
}

// Kind 64 ---------------------------------------------------------------------------------------

void TTableItem::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  TTableItemBase::InitItem(parent, viewIdentifier, cursor);
  SetValueSource(Editor());
}

void RegisterTableItemKind() {
  RegisterItemKind(kTableKind, [] { return std::unique_ptr<TMacDialogItem>(new TTableItem); });
}
