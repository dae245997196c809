#include "ui/controls/ControlLink.h"

#include "platform/mfc/CWnd.h"
#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/MacDialogItem.h"

TControlLink::TControlLink(CWnd* parentWindow, TMacDialogItem* ownerItem, int16_t identifier,
                           const char* text, int32_t left, int32_t top, int32_t width,
                           int32_t height, DWORD defaultStyle)
    : parent(parentWindow),
      title(text != nullptr ? text : ""),
      style(defaultStyle),
      id(identifier),
      owner(ownerItem),
      bounds{left, top, left + width, top + height} {}

TControlLink::TControlLink(CWnd* parentWindow, int16_t identifier, TMacDialogItem* ownerItem,
                           DWORD recordedStyle)
    : parent(parentWindow), style(recordedStyle), id(identifier), owner(ownerItem) {}

TWindowsDialog* TControlLink::Dialog() const {
  if (parent == nullptr || !parent->IsKindOf(RUNTIME_CLASS(TWindowsDialog))) return nullptr;
  return static_cast<TWindowsDialog*>(parent);
}

void TControlLink::Created(CWnd& control) const {
  if (const TWindowsDialog* const dialog = Dialog();
      dialog != nullptr && dialog->GetNormalFont() != nullptr) {
    control.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(dialog->GetNormalFont()), 1);
  }
  if (owner != nullptr) owner->ControlCreated();
}

void TControlLink::Destroying() const {
  TWindowsDialog* const dialog = Dialog();
  if (owner != nullptr && dialog != nullptr) dialog->RemoveItemView(owner);
}

void TControlLink::DeleteOwner() {
  TMacDialogItem* const item = owner;
  owner = nullptr;
  if (item == nullptr) return;
  item->SetControl(nullptr);
  delete item;
}

void ApplyClientEdge(CREATESTRUCT& create) {
  const auto style = static_cast<DWORD>(create.style);
  if ((style & kBorderStyle) == 0) return;
  create.style = static_cast<decltype(create.style)>(style & ~kBorderStyle);
  create.dwExStyle = static_cast<decltype(create.dwExStyle)>(static_cast<DWORD>(create.dwExStyle) |
                                                             kClientEdgeExStyle);
}
