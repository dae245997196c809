#include "ui/items/TextPopup.h"

#include <algorithm>
#include <memory>
#include <string>

#include "core/Failure.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Resource.h"
#include "platform/win32/WindowRegion.h"
#include "ui/controls/MacStatic.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/items/ItemRecord.h"

namespace {

constexpr char kDash = '-';
constexpr uint16_t kLabelledRecord = 1;
constexpr uint16_t kAttachedLabel = 2;
constexpr int32_t kPatternBitmapOffset = 9;
constexpr int32_t kEntrySize = 20;

bool IsMarkable(char c) { return c == ' ' || c == '*' || static_cast<uint8_t>(c) == 0x9F; }

template <class Item>
std::unique_ptr<TMacDialogItem> Make() {
  return std::make_unique<Item>();
}

}  // namespace

TTextPopupView::~TTextPopupView() {
  TDummyStatic* const label = label_;
  label_ = nullptr;
  if (label == nullptr) return;
  label->SetWatcher(nullptr);
  if (label->GetSafeHwnd() != nullptr) label->DestroyWindow();
  delete label;
}

void TTextPopupView::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  current_ = kNoneYet;
  foreground_ = 0;
  background_ = 0xFFFFFFFF;
  TItemListDialogItem::InitItem(parent, viewIdentifier, cursor);
  SetBindingKind(ControlKind());
}

void TTextPopupView::CreateControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  if (headerWord == kLabelledRecord || headerWord == kAttachedLabel) {
    ReadLabel(parent, cursor, headerWord == kAttachedLabel);
  }
  TItemListDialogItem::CreateControl(parent, headerWord, nullptr);
}

void TTextPopupView::AttachControl(CWnd* parent, uint16_t headerWord, TItemRecordCursor* cursor) {
  if (cursor != nullptr) ReadRecord(parent, *cursor);
  if (headerWord == kLabelledRecord || headerWord == kAttachedLabel) {
    ReadLabel(parent, cursor, headerWord == kAttachedLabel);
  }
  TItemListDialogItem::AttachControl(parent, headerWord, nullptr);
}

void TTextPopupView::ReadLabel(CWnd* parent, TItemRecordCursor* cursor, bool attach) {
  if (cursor == nullptr) return;
  const int16_t id = cursor->ReadShort();
  const uint32_t style = cursor->ReadLong();
  TItemBounds bounds;
  bounds.left = cursor->ReadShort();
  bounds.top = cursor->ReadShort();
  const int16_t width = cursor->ReadShort();
  const int16_t height = cursor->ReadShort();
  bounds.right = static_cast<int16_t>(bounds.left + width);
  bounds.bottom = static_cast<int16_t>(bounds.top + height);
  labelText_ = cursor->ReadText();
  if (attach) {
    label_ = new TDummyStatic(parent, id, this);
    return;
  }
  MapItemRect(parent, bounds);
  auto* label = new TDummyStatic(parent, this, id, labelText_.AsCString(), bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top);
  label->SetStyle(style);
  if (label->CreateControl() == nullptr) {
    label->SetWatcher(nullptr);
    delete label;
    return;
  }
  label_ = label;
}

void TTextPopupView::ReadLayoutFlags(TItemRecordCursor* cursor) {
  TItemListDialogItem::ReadLayoutFlags(cursor);
  values_.clear();
  if (cursor == nullptr) return;
  for (int16_t i = 0; i < ItemCount(); ++i) values_.push_back(cursor->ReadShort());
}

void TTextPopupView::ControlGone(CWnd* control) {
  if (label_ != nullptr && control == label_) label_ = nullptr;
  TItemListDialogItem::ControlGone(control);
}

void TTextPopupView::Show(int16_t shown) {
  if (label_ != nullptr && label_->GetSafeHwnd() != nullptr && shown != IsShown() &&
      (shown == 0 || shown == 1)) {
    label_->ShowWindow(shown != 0 ? SW_SHOW : SW_HIDE);
  }
  TItemListDialogItem::Show(shown);
}

void TTextPopupView::ShowTitleItem(bool show) {
  if (GetTitle().Length() == 0 || show == titleShown_ || !HasControlWindow()) return;
  TChangingControls bracket;
  if (show) {
    ControlWindow()->SendMessage(CB_INSERTSTRING, 0,
                                 reinterpret_cast<LPARAM>(GetTitle().AsCString()));
  } else {
    ControlWindow()->SendMessage(CB_DELETESTRING, 0, 0);
  }
  titleShown_ = show;
}

void TTextPopupView::Select(int32_t item) {
  if (GetTitle().Length() != 0 && item < 0) item = 0;
  SelectEntry(item);
}

void TTextPopupView::MarkEntry(int32_t item, bool marked) {
  Str255 text;
  GetItemText(EntryOf(item), text);
  std::string entry = text.AsCString();
  if (marked) {
    if (entry.empty() || !IsMarkable(entry[0])) return;
    marks_.emplace_back(item, entry[0]);
    entry[0] = kDash;
  } else {
    const auto kept = std::find_if(marks_.begin(), marks_.end(),
                                   [item](const auto& mark) { return mark.first == item; });
    if (kept == marks_.end() || entry.empty()) return;
    entry[0] = kept->second;
  }
  TChangingControls bracket;
  const auto at = static_cast<WPARAM>(EntryOf(item));
  ControlWindow()->SendMessage(CB_DELETESTRING, at, 0);
  ControlWindow()->SendMessage(CB_INSERTSTRING, at, reinterpret_cast<LPARAM>(entry.c_str()));
}

void TTextPopupView::BeginValues() {
  ShowTitleItem(false);
  // Only the dashes the marks put there go: texts keep their own.
  const std::vector<std::pair<int32_t, char>> marks = marks_;
  for (const auto& mark : marks) MarkEntry(mark.first, false);
  marks_.clear();
  current_ = kNoneYet;
}

void TTextPopupView::SetCurrentItem(int32_t item) {
  if (current_ == kNoneYet) {
    current_ = item;
    return;
  }
  if (current_ == item) return;
  const auto isMarked = [this](int32_t which) {
    return std::any_of(marks_.begin(), marks_.end(),
                       [which](const auto& mark) { return mark.first == which; });
  };
  if (current_ != kMixed) {
    ShowTitleItem(true);
    // Every entry whose value an object has carries a dash, the first value's too.
    MarkEntry(current_, true);
  }
  if (!isMarked(item)) MarkEntry(item, true);
  current_ = kMixed;
}

void TTextPopupView::SyncState(bool) {
  Select(current_ == kNoneYet ? 0 : current_ == kMixed ? -1 : EntryOf(current_));
  if (label_ != nullptr && label_->GetSafeHwnd() != nullptr && labelText_.Length() > 0) {
    label_->SetWindowText(labelText_.AsCString());
  }
}

void TTextPopupView::FinishRefresh(int16_t, int16_t) {
  SyncState(true);
  SetChanged(0);
}

bool TTextPopupView::GetChosenItem(int32_t& item) const {
  const int32_t selection = GetSelection();
  if (titleShown_) {
    item = selection - 1;
    return selection > 0;
  }
  item = selection;
  return selection >= 0 && selection != current_;
}

bool TTextPopupView::GetChosenValue(int16_t& value) const {
  int32_t item = 0;
  if (!GetChosenItem(item)) return false;
  value = ValueOfItem(item);
  return true;
}

int16_t TTextPopupView::ValueOfItem(int32_t item) const {
  if (item < 0 || static_cast<size_t>(item) >= values_.size()) return 0;
  return values_[static_cast<size_t>(item)];
}

int32_t TTextPopupView::ItemOfValue(int16_t value) const {
  const auto found = std::find(values_.begin(), values_.end(), value);
  return found == values_.end() ? 0 : static_cast<int32_t>(found - values_.begin());
}

bool TTextPopupView::ReadLong(uint32_t& value) const {
  int16_t chosen = 0;
  if (!GetChosenValue(chosen)) return false;
  value = static_cast<uint32_t>(static_cast<int32_t>(chosen));
  return true;
}

bool TTextPopupView::ReadInteger(int32_t& value) const {
  int16_t chosen = 0;
  if (!GetChosenValue(chosen)) return false;
  value = chosen;
  return true;
}

int16_t TTextPopupView::CheckText() {
  int32_t item = 0;
  if (GetChosenItem(item)) SetChanged(1);
  return 0;
}

// ---- Drawn popups -----------------------------------------------------------------------------

void TDrawnPopupView::DrawFocusFrame(HDC dc, const RECT& rect) {
  const auto white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  for (const auto& [inset, brush] : {std::pair{2, white}, {3, white}, {4, black}, {0, black}}) {
    RECT frame = rect;
    InflateRect(&frame, -inset, -inset);
    FrameRect(dc, &frame, brush);
  }
}

void TDrawnPopupView::DrawEntire(const DRAWITEMSTRUCT* draw) {
  if (draw == nullptr || draw->hDC == nullptr) return;
  const int32_t index = draw->itemID == static_cast<UINT>(-1) ? 0 : static_cast<int32_t>(draw->itemID);
  RECT rect = draw->rcItem;
  if ((draw->itemState & ODS_FOCUS) != 0) {
    DrawPicture(draw->hDC, rect, index);
    DrawFocusFrame(draw->hDC, draw->rcItem);
    return;
  }
  DrawPicture(draw->hDC, rect, index);
}

void TDrawnPopupView::DrawFocus(const DRAWITEMSTRUCT* draw) {
  if (draw == nullptr || draw->hDC == nullptr) return;
  if ((draw->itemState & ODS_FOCUS) != 0) {
    DrawFocusFrame(draw->hDC, draw->rcItem);
    return;
  }
  const int32_t index = draw->itemID == static_cast<UINT>(-1) ? 0 : static_cast<int32_t>(draw->itemID);
  DrawPicture(draw->hDC, draw->rcItem, index);
}

void TDrawnPopupView::DrawSelection(const DRAWITEMSTRUCT* draw) {
  if (draw == nullptr || draw->hDC == nullptr) return;
  const int32_t index = draw->itemID == static_cast<UINT>(-1) ? 0 : static_cast<int32_t>(draw->itemID);
  DrawPicture(draw->hDC, draw->rcItem, index);
}

void TDrawnPopupView::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (measure == nullptr) return;
  measure->itemWidth = kEntrySize;
  measure->itemHeight = kEntrySize;
}

void TPenPopupView::DrawPicture(HDC dc, const RECT& rect, int32_t index) {
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int16_t width = ValueOfItem(index);
  const HPEN pen = width == 0 ? CreatePen(PS_DOT, 1, GetForeground())
                              : CreatePen(PS_SOLID, width, GetForeground());
  FailIfNull(pen);
  const HGDIOBJ old = SelectObject(dc, pen);
  const int32_t w = rect.right - rect.left;
  const int32_t h = rect.bottom - rect.top;
  MoveToEx(dc, rect.left + w / 7, rect.top + h / 2, nullptr);
  LineTo(dc, rect.right - w / 7, rect.top + h / 2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void TPatternPopupView::DrawPicture(HDC dc, const RECT& rect, int32_t index) {
  const HBRUSH back = CreateSolidBrush(GetNearestColor(dc, GetBackground() & 0x00FFFFFF));
  FailIfNull(back);
  FillRect(dc, &rect, back);
  DeleteObject(back);
  RECT inner = rect;
  SetTextColor(dc, GetForeground());
  SetBkColor(dc, GetBackground() & 0x00FFFFFF);
  if (index == 0) {
    InflateRect(&inner, -2, -2);
    DrawText(dc, "no", -1, &inner, DT_CENTER);
    return;
  }
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  InflateRect(&inner, -2, -2);
  // The pattern bitmaps lie in whichever resource library holds them.
  const HBITMAP bitmap =
      LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(index + kPatternBitmapOffset)));
  if (bitmap == nullptr) return;
  const HBRUSH pattern = CreatePatternBrush(bitmap);
  if (pattern != nullptr) {
    FillRect(dc, &inner, pattern);
    DeleteObject(pattern);
  }
  DeleteObject(bitmap);
}

void RegisterTextPopupKinds() {
  RegisterItemKind(17, Make<TTextPopupView>);
  RegisterItemKind(18, Make<TTextPopupViewKind18>);
  RegisterItemKind(19, Make<TTextPopupViewKind19>);
  RegisterItemKind(20, Make<TTextPopupViewKind20>);
  RegisterItemKind(22, Make<TPenPopupView>);
  RegisterItemKind(23, Make<TPatternPopupView>);
}
