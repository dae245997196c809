#include "ui/items/LinkedCheckBox.h"

#include <memory>

#include "platform/mfc/CWnd.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Resource.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/ItemRecord.h"

namespace {

constexpr int kLinkHiddenFlag = 1;

template <class Item>
std::unique_ptr<TMacDialogItem> Make() {
  return std::make_unique<Item>();
}

}  // namespace

void TLinkedCheckBox::InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) {
  linkCount_ = 0;
  recordValue_ = 0;
  TMacCheckBoxItem::InitItem(parent, viewIdentifier, cursor);
  if (cursor != nullptr) ReadLinks(*cursor);
}

void TLinkedCheckBox::ReadLinks(TItemRecordCursor& cursor) {
  recordValue_ = static_cast<int8_t>(cursor.ReadWord() & 0xFF);
  const int16_t count = cursor.ReadShort();
  for (int16_t i = 0; i < count; ++i) {
    const int16_t number = cursor.ReadShort();
    const uint32_t tag = cursor.ReadTag();
    if (linkCount_ >= kMaxCheckBoxLinks) continue;
    linkNumbers_[static_cast<size_t>(linkCount_)] = number;
    linkTags_[static_cast<size_t>(linkCount_)] = tag;
    ++linkCount_;
  }
}

void TLinkedCheckBox::Refresh() {
  TMacCheckBoxItem::Refresh();
  UpdateLinkedItems();
}

void TLinkedCheckBox::UpdateLinkedItems() {
  auto* const dialog = dynamic_cast<TWindowsDialog*>(GetParentWindow());
  if (dialog == nullptr) return;
  const bool shown = GetValue() == 1;
  for (int16_t i = 0; i < linkCount_; ++i) {
    const int16_t number = linkNumbers_[static_cast<size_t>(i)];
    const uint32_t tag = linkTags_[static_cast<size_t>(i)];
    TMacDialogItem* const linked = dialog->FirstItemThat([&](TMacDialogItem* item) {
      return item->GetItemNumber() == number && item->GetViewIdentifier() == tag;
    });
    if (linked == nullptr) continue;
    linked->SetHidden(kLinkHiddenFlag, shown ? 0 : 1);
    linked->Show(shown ? 1 : 0);
  }
}

void TBitmapCheckBox::Refresh() {
  TLinkedCheckBox::Refresh();
  if (HasControlWindow()) ControlWindow()->Invalidate(FALSE);
}

int16_t TBitmapCheckBox::BitmapFor(bool ticked) const {
  return static_cast<int16_t>((ticked ? kTickedBitmapBase : kClearBitmapBase) + GetItemNumber());
}

void TBitmapCheckBox::DrawBitmap(const DRAWITEMSTRUCT* draw, bool ticked) {
  if (draw == nullptr || draw->hDC == nullptr) return;
  const HBITMAP bitmap =
      LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(BitmapFor(ticked))));
  if (bitmap == nullptr) return;
  BITMAP size{};
  GetObject(bitmap, static_cast<int32_t>(sizeof size), &size);
  const HDC memory = CreateCompatibleDC(draw->hDC);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(draw->hDC, 0, 0, size.bmWidth, size.bmHeight < 0 ? -size.bmHeight : size.bmHeight,
         memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

// An owner-drawn button keeps no check state of its own: the item's value is the state shown.
void TBitmapCheckBox::DrawEntire(const DRAWITEMSTRUCT* draw) {
  DrawBitmap(draw, GetValue() == 1 || GetValue() == 2);
}

void TBitmapCheckBox::DrawFocus(const DRAWITEMSTRUCT* draw) { DrawBitmap(draw, true); }

void TBitmapCheckBox::DrawSelection(const DRAWITEMSTRUCT* draw) {
  DrawBitmap(draw, GetValue() == 1 || GetValue() == 2);
}

void RegisterLinkedCheckBoxKinds() {
  RegisterItemKind(33, Make<TLinkedCheckBox>);
  RegisterItemKind(34, Make<TBitmapCheckBox>);
}
