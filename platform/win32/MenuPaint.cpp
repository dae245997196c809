// Drawing of popup menu windows.

#include <algorithm>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"

namespace {

constexpr COLORREF kMenuFace = RGB(240, 240, 240);
constexpr COLORREF kSelection = RGB(40, 84, 150);

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void DrawCheck(HDC dc, int32_t x, int32_t y, COLORREF color) {
  const HPEN pen = CreatePen(PS_SOLID, 2, color);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x, y + 4, nullptr);
  LineTo(dc, x + 3, y + 8);
  LineTo(dc, x + 9, y);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// The item's image for its state, centred in the check column of the row: as Windows does, an
// item with images shows them in place of the check mark. False when it has none.
bool DrawItemImage(HDC dc, const MenuItem& item, const RECT& row) {
  void* image = (item.flags & MF_CHECKED) ? item.bitmapChecked : item.bitmapUnchecked;
  if (image == nullptr) return false;
  const auto bitmap = static_cast<HBITMAP>(image);
  BITMAP size{};
  if (GetObject(bitmap, sizeof(size), &size) == 0) return false;
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, bitmap);
  const int32_t width = std::min<int32_t>(size.bmWidth, kMenuCheckColumn);
  const int32_t height = std::min<int32_t>(size.bmHeight, row.bottom - row.top);
  BitBlt(dc, (kMenuCheckColumn - width) / 2, row.top + (row.bottom - row.top - height) / 2, width,
         height, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
  return true;
}

}  // namespace

void PaintPopupMenu(HWND popup) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(popup, &paint);
  const HMENU menu = reinterpret_cast<HMENU>(GetWindowLongPtr(popup, 0));
  const MenuRecord* record = FindMenuRecord(menu);
  if (dc && record) {
    RECT client;
    GetClientRect(popup, &client);
    Fill(dc, client, kMenuFace);
    const auto selected = static_cast<int32_t>(GetWindowLongPtr(popup, GWLP_USERDATA));
    SetBkMode(dc, TRANSPARENT);
    int32_t top = 0;
    for (size_t i = 0; i < record->items.size(); ++i) {
      const MenuItem& item = record->items[i];
      const int32_t height = PopupMenuItemHeight(item);
      RECT row{0, top, client.right, top + height};
      top += height;
      if (item.flags & MF_SEPARATOR) {
        Fill(dc, RECT{4, row.top + height / 2, client.right - 4, row.top + height / 2 + 1},
             RGB(160, 160, 160));
        continue;
      }
      const bool isSelected = static_cast<int32_t>(i) == selected;
      const bool grayed = item.flags & (MF_GRAYED | MF_DISABLED);
      if (isSelected) Fill(dc, row, kSelection);
      const COLORREF ink = grayed       ? RGB(128, 128, 128)
                           : isSelected ? RGB(255, 255, 255)
                                        : RGB(0, 0, 0);
      if (!DrawItemImage(dc, item, row) && (item.flags & MF_CHECKED))
        DrawCheck(dc, 6, row.top + 6, ink);
      SetTextColor(dc, ink);
      RECT text = row;
      text.left = kMenuCheckColumn;
      text.right -= 8;
      const std::string label = MenuLabel(item.text);
      DrawText(dc, label.c_str(), static_cast<int32_t>(label.size()), &text,
               DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      const std::string shortcut = MenuShortcut(item.text);
      DrawText(dc, shortcut.c_str(), static_cast<int32_t>(shortcut.size()), &text,
               DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      if (item.submenu) {
        RECT arrow = row;
        arrow.left = row.right - 14;
        DrawText(dc, ">", 1, &arrow, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      }
    }
  }
  EndPaint(popup, &paint);
}
