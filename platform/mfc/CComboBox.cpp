#include "platform/mfc/CComboBox.h"

#include "platform/win32/ComboBox.h"
#include "platform/win32/Message.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)

namespace {

const ItemListMessages kComboBoxMessages{CB_ADDSTRING,    CB_INSERTSTRING, CB_DELETESTRING,
                                         CB_RESETCONTENT, CB_GETCOUNT,     CB_GETCURSEL,
                                         CB_SETCURSEL,    CB_GETLBTEXTLEN, CB_GETLBTEXT,
                                         CB_GETITEMDATA,  CB_SETITEMDATA,  CB_GETITEMHEIGHT};

}  // namespace

CComboBox::CComboBox() : CItemList(kComboBoxMessages) {}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  return CWnd::Create(kComboBoxClass, "", style, rect, parent, id);
}

int32_t CComboBox::SetItemHeight(int32_t index, UINT height) {
  return Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(index), static_cast<LPARAM>(height));
}

BOOL CComboBox::ShowDropDown(BOOL show) {
  return Send(CB_SHOWDROPDOWN, static_cast<WPARAM>(show));
}

BOOL CComboBox::GetDroppedState() const {
  return Send(CB_GETDROPPEDSTATE);
}
