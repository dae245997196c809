#include "ui/items/ColorPopup.h"

#include <algorithm>

#include "core/Tag.h"
#include "platform/win32/ColorChooser.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowRegion.h"
#include "ui/dialogs/DialogOwner.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/TextPopup.h"

namespace {

constexpr COLORREF kWhite = 0x00FFFFFF;
constexpr RGB16Color kBlack16{0, 0, 0};
constexpr RGB16Color kWhite16{0xFF00, 0xFF00, 0xFF00};
constexpr int16_t kColourPopupKind = 21;

}  // namespace

std::array<COLORREF, 16>& CustomColours() {
  static std::array<COLORREF, 16> colours = [] {
    std::array<COLORREF, 16> white{};
    white.fill(kWhite);
    return white;
  }();
  return colours;
}

void TColorPopupView::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  current_ = kBlack16;
  swatches_.clear();
  TItemListDialogItem::InitItem(parent, viewIdentifier, cursor);
  SetBindingKind(kColourBindingKind);
  ReadColorRecord(cursor);
  for (size_t i = 0; i < swatches_.size(); ++i) AppendItem(Str255(), 0);
}

void TColorPopupView::ReadColorRecord(TItemRecordCursor* cursor) {
  if (cursor == nullptr) return;
  for (uint32_t& tag : linked_) tag = cursor->ReadTag();
  const int16_t count = std::clamp<int16_t>(cursor->ReadShort(), 0, kMaxRecordSwatches);
  for (int32_t i = 0; i < kMaxRecordSwatches; ++i) {
    const uint32_t swatch = cursor->ReadLong();
    if (i < count) swatches_.push_back(swatch);
  }
  name_ = cursor->ReadText();
}

int32_t TColorPopupView::ItemOfColor(const RGB16Color& colour) const {
  const COLORREF wanted = RGB16ToColorRef(colour);
  const int32_t count = static_cast<int32_t>(swatches_.size());
  for (int32_t i = 0; i + 1 < count; ++i) {
    if (swatches_[static_cast<size_t>(i)] == wanted) return i;
  }
  return count - 1;
}

RGB16Color TColorPopupView::ColorOfItem(int32_t item) const {
  const int32_t last = static_cast<int32_t>(swatches_.size()) - 1;
  if (item >= last) return current_;
  if (item <= 0) return kBlack16;
  return ColorRefToRGB16(swatches_[static_cast<size_t>(item)]);
}

void TColorPopupView::SetCurrentColor(const RGB16Color& colour) {
  current_ = colour;
  if (!swatches_.empty()) swatches_.back() = RGB16ToColorRef(colour);
}

void TColorPopupView::ShowColor(const RGB16Color& colour) {
  const int32_t item = ItemOfColor(colour);
  if (currentItem_ == -1) {
    SetCurrentColor(colour);
    currentItem_ = item;
    return;
  }
  if (currentItem_ == item && colour == current_) return;
  currentItem_ = 0;
}

void TColorPopupView::FinishRefresh(int16_t objectFlag, int16_t refreshFlag) {
  if (currentItem_ == 0) current_ = kWhite16;
  SelectEntry(std::max(currentItem_, 0));
  TItemListDialogItem::FinishRefresh(objectFlag, refreshFlag);
  UpdateLinkedItems();
  Redraw();
}

bool TColorPopupView::GetChosenColor(RGB16Color& colour) const {
  const int32_t item = GetSelection();
  const int32_t last = static_cast<int32_t>(swatches_.size()) - 1;
  if (item < 0 || (!IsChanged() && item != last)) return false;
  colour = ColorOfItem(item);
  return true;
}

bool TColorPopupView::CanChooseOther() const { return !(name_ == Str255("Pelko")); }

int16_t TColorPopupView::CheckText() {
  NoteChoice();
  UpdateLinkedItems();
  return 0;
}

void TColorPopupView::UpdateLinkedItems() {
  auto* const dialog = dynamic_cast<TWindowsDialog*>(GetParentWindow());
  if (dialog == nullptr) return;
  const int32_t selection = GetSelection();
  const COLORREF colour = selection == 0 ? 0 : RGB16ToColorRef(ColorOfItem(selection));
  const COLORREF back = selection == 0 ? kWhite : colour;
  for (size_t i = 0; i < linked_.size(); ++i) {
    const uint32_t tag = linked_[i];
    if (tag == MakeTag("0000") || tag == MakeTag("    ")) continue;
    auto* const popup = dynamic_cast<TTextPopupView*>(dialog->ItemOfViewIdentifier(tag));
    if (popup == nullptr) continue;
    if (i < 2) {
      popup->SetForeground(colour);
    } else {
      popup->SetBackground(back);
    }
    popup->Redraw();
  }
}

int16_t TColorPopupView::LastEntryChosen() { return ChooseOtherColor(); }

int16_t TColorPopupView::ChooseOtherColor() {
  if (!CanChooseOther()) return 1;
  auto* const dialog = dynamic_cast<TWindowsDialog*>(GetParentWindow());
  CHOOSECOLOR choose{};
  choose.lStructSize = kChooseColorRecordSize;
  choose.hwndOwner = dialog != nullptr ? dialog->GetSafeHwnd() : nullptr;
  choose.rgbResult = RGB16ToColorRef(current_);
  choose.lpCustColors = CustomColours().data();
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (ChooseColorA(&choose) == 0) return 1;
  SetCurrentColor(ColorRefToRGB16(choose.rgbResult));
  SetChanged(1);
  UpdateLinkedItems();
  Redraw();
  if (dialog != nullptr) {
    dialog->AcceptValue(this, false);
    SetActiveWindow(dialog->GetSafeHwnd());
  }
  return 1;
}

void TColorPopupView::Draw(const DRAWITEMSTRUCT* draw, bool frame, bool fill) {
  if (draw == nullptr || draw->hDC == nullptr || swatches_.empty()) return;
  const int32_t last = static_cast<int32_t>(swatches_.size()) - 1;
  int32_t index = draw->itemID == static_cast<UINT>(-1) ? 0 : static_cast<int32_t>(draw->itemID);
  index = std::clamp(index, 0, last);
  RECT rect = draw->rcItem;
  const HDC dc = draw->hDC;
  if (fill) {
    const COLORREF colour = GetNearestColor(dc, swatches_[static_cast<size_t>(index)]);
    const COLORREF oldBack = SetBkColor(dc, colour);
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    SetBkColor(dc, oldBack);
  }
  if (frame) FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (index != last) return;
  // The other-colour mark: a white disc with a black one inside.
  InflateRect(&rect, -1, -1);
  const int32_t cx = (rect.right - rect.left) / 2;
  const int32_t cy = (rect.bottom - rect.top) / 2;
  const int32_t r = std::min(cx, cy);
  const int32_t inner = r - r / 2;
  const HGDIOBJ old = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Ellipse(dc, rect.left + cx - r, rect.top + cy - r, rect.left + cx + r, rect.top + cy + r);
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
  Ellipse(dc, rect.left + cx - inner, rect.top + cy - inner, rect.left + cx + inner,
          rect.top + cy + inner);
  SelectObject(dc, old);
}

void TColorPopupView::DrawEntire(const DRAWITEMSTRUCT* draw) {
  Draw(draw, (draw->itemState & ODS_FOCUS) != 0, true);
}

void TColorPopupView::DrawFocus(const DRAWITEMSTRUCT* draw) {
  Draw(draw, (draw->itemState & ODS_FOCUS) != 0, (draw->itemState & ODS_FOCUS) == 0);
}

void TColorPopupView::DrawSelection(const DRAWITEMSTRUCT* draw) {
  Draw(draw, (draw->itemState & ODS_SELECTED) != 0, true);
}

void TColorPopupView::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (measure == nullptr) return;
  measure->itemWidth = kSwatchSize;
  measure->itemHeight = kSwatchSize;
}

namespace {
std::unique_ptr<TMacDialogItem> MakeColorPopup() { return std::make_unique<TColorPopupView>(); }
}  // namespace

void RegisterColorPopupKind() { RegisterItemKind(kColourPopupKind, MakeColorPopup); }
