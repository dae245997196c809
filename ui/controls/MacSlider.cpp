#include "ui/controls/MacSlider.h"

#include "platform/win32/WindowMessages.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TMacSlider, CSliderCtrl)

namespace {

constexpr int32_t kLineUp = 0;
constexpr int32_t kLineDown = 1;
constexpr int32_t kPageUp = 2;
constexpr int32_t kPageDown = 3;
constexpr int32_t kThumbPosition = 4;
constexpr int32_t kThumbTrack = 5;
constexpr int32_t kTop = 6;
constexpr int32_t kBottom = 7;

}  // namespace

TMacSlider::TMacSlider(CWnd* parent, TMacDialogItem* owner, int16_t id, int32_t left, int32_t top,
                       int32_t width, int32_t height, int16_t)
    : TLinkedControl(parent, owner, id, "", left, top, width, height, 0) {}

TMacSlider::TMacSlider(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : TLinkedControl(parent, id, owner, 0x50000002) {}

TMacSlider* TMacSlider::CreateControl() {
  if (!Create(Link().style, Link().bounds, Link().parent, ControlId())) return nullptr;
  return this;
}

void TMacSlider::Scrolled(int32_t code, int32_t position) {
  TMacDialogItem* const owner = Link().owner;
  if (owner == nullptr) return;
  switch (code) {
    case kLineUp:
    case kLineDown:
    case kPageUp:
    case kPageDown:
    case kTop:
    case kBottom:
      owner->SetValueFromPosition(GetPos());
      owner->ValueChangedNotice();
      break;
    case kThumbPosition:
      owner->ValueChangedNotice();
      break;
    case kThumbTrack:
      owner->Track(position);
      break;
    default:
      break;
  }
}

BOOL TMacSlider::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message != WM_HSCROLL && message != WM_VSCROLL) {
    return CSliderCtrl::OnChildNotify(message, wParam, lParam, result);
  }
  Scrolled(static_cast<int32_t>(wParam & 0xFFFF), static_cast<int16_t>((wParam >> 16) & 0xFFFF));
  if (result != nullptr) *result = 0;
  return TRUE;
}

BOOL TMacSlider::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_KILLFOCUS: {
      TChangingControls bracket;
      TMacDialogItem* const owner = Link().owner;
      if (bracket.WasSet() && owner != nullptr && owner->IsMemberClass(kSliderItemClass)) {
        owner->SetValueFromPosition(GetPos());
        owner->ValueChangedNotice();
      }
      break;
    }
    default:
      break;
  }
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
