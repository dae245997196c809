#include "ui/controls/GridView.h"

#include "platform/win32/ListBox.h"
#include "platform/win32/WindowMessages.h"
#include "ui/controls/MacButtons.h"
#include "ui/dialogs/DialogFlags.h"
#include "ui/items/MacDialogItem.h"

IMPLEMENT_DYNCREATE(TGridView, CListBox)

TGridView::TGridView(CWnd* parent, TMacDialogItem* owner, int16_t id, int32_t left, int32_t top,
                     int32_t width, int32_t height)
    : TLinkedControl(parent, owner, id, "", left, top, width, height, kDefaultStyle) {}

TGridView::TGridView(CWnd* parent, int16_t id, TMacDialogItem* owner)
    : TLinkedControl(parent, id, owner, kDefaultStyle) {}

TGridView* TGridView::CreateControl() {
  if (!Create(Link().style, Link().bounds, Link().parent, ControlId())) return nullptr;
  return this;
}

BOOL TGridView::PreCreateWindow(CREATESTRUCT& create) {
  ApplyClientEdge(create);
  return CListBox::PreCreateWindow(create);
}

void TGridView::DrawItem(DRAWITEMSTRUCT* draw) {
  TChangingControls bracket;
  DrawThroughItem(Link().owner, draw);
}

void TGridView::MeasureItem(MEASUREITEMSTRUCT* measure) {
  if (Link().owner != nullptr) Link().owner->MeasureItem(measure);
}

BOOL TGridView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_LBUTTONDOWN: {
      TChangingControls bracket;
      if (Link().owner != nullptr) {
        Link().owner->MouseDown(static_cast<uint32_t>(wParam),
                                static_cast<int16_t>(lParam & 0xFFFF),
                                static_cast<int16_t>((lParam >> 16) & 0xFFFF));
      }
      *result = Default();
      return TRUE;
    }
    case WM_TIMER: {
      RECT client{};
      GetClientRect(&client);
      RECT first{};
      if (SendMessage(LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first)) != LB_ERR &&
          first.right > first.left && first.bottom > first.top) {
        client.right = first.right;
      }
      Default();
      if (Link().owner != nullptr) Link().owner->TimerNotice(client, wParam);
      *result = 1;
      return TRUE;
    }
    default:
      break;
  }
  return TLinkedControl::OnWndMsg(message, wParam, lParam, result);
}
