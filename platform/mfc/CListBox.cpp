#include "platform/mfc/CListBox.h"

#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"

IMPLEMENT_DYNAMIC(CListBox, CWnd)

namespace {

const ItemListMessages kListBoxMessages{LB_ADDSTRING,    LB_INSERTSTRING, LB_DELETESTRING,
                                        LB_RESETCONTENT, LB_GETCOUNT,     LB_GETCURSEL,
                                        LB_SETCURSEL,    LB_GETTEXTLEN,   LB_GETTEXT,
                                        LB_GETITEMDATA,  LB_SETITEMDATA,  LB_GETITEMHEIGHT};

}  // namespace

CListBox::CListBox() : CItemList(kListBoxMessages) {}

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kListBoxClass, "", style, rect, parent, id);
}

int32_t CListBox::GetItemRect(int32_t index, RECT* rect) const {
  return Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

int32_t CListBox::SetItemHeight(int32_t index, UINT height) {
  return Send(LB_SETITEMHEIGHT, static_cast<WPARAM>(index), MAKELPARAM(height, 0));
}

int32_t CListBox::GetTopIndex() const {
  return Send(LB_GETTOPINDEX);
}

int32_t CListBox::SetTopIndex(int32_t index) {
  return Send(LB_SETTOPINDEX, static_cast<WPARAM>(index));
}
