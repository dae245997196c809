#include "platform/win32/Edit.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/win32/Clipboard.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/EditText.h"
#include "platform/win32/Font.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr int32_t kStateOffset = 0;
constexpr int32_t kMarginX = 2;
constexpr int32_t kMarginY = 1;

// The measured widths of lines by their text, so that a change measures only the lines it made.
struct LineWidth {
  int32_t pixels = 0;
  uint32_t pass = 0;  // the last measuring pass that met the line
};
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};
using LineWidths = std::unordered_map<std::string, LineWidth, TextHash, std::equal_to<>>;

struct EditState {
  EditText text;
  int32_t scrollX = 0;    // pixels of the text scrolled out at the left
  int32_t firstLine = 0;  // the top line shown by a multi-line edit
  int32_t widest = -1;    // pixels of the widest line; -1 until measured after a change
  LineWidths lineWidths;  // emptied when the font changes
  uint32_t measuringPass = 0;
  bool modified = false;
  bool selecting = false;  // the mouse is dragging out a selection
};

EditState* StateOf(HWND edit) {
  return reinterpret_cast<EditState*>(GetWindowLongPtr(edit, kStateOffset));
}

DWORD Style(HWND edit) {
  return static_cast<DWORD>(GetWindowLongPtr(edit, GWL_STYLE));
}
bool IsMultiLine(HWND edit) {
  return (Style(edit) & ES_MULTILINE) != 0;
}

int32_t Width(HDC dc, const std::string& text, int32_t start, int32_t count) {
  if (count <= 0) return 0;
  SIZE size;
  GetTextExtentPoint32(dc, text.c_str() + start, count, &size);
  return size.cx;
}

int32_t LineHeight(HDC dc) {
  TEXTMETRIC metrics;
  if (!GetTextMetrics(dc, &metrics) || metrics.tmHeight <= 0) return 16;
  return metrics.tmHeight;
}

// The top of the first line shown: a single line sits in the middle of the control.
int32_t TextTop(HWND edit, int32_t lineHeight) {
  if (IsMultiLine(edit)) return kMarginY;
  RECT client;
  GetClientRect(edit, &client);
  return std::max(0, (client.bottom - lineHeight) / 2);
}

POINT PointOfPosition(HWND edit, HDC dc, const EditState& state, int32_t position) {
  const EditText& text = state.text;
  const int32_t line = text.LineOf(position);
  const int32_t start = text.LineStart(line);
  const int32_t height = LineHeight(dc);
  return POINT{kMarginX - state.scrollX + Width(dc, text.text(), start, position - start),
               TextTop(edit, height) + (line - state.firstLine) * height};
}

int32_t PositionOfPoint(HWND edit, HDC dc, const EditState& state, POINT point) {
  const EditText& text = state.text;
  const int32_t height = LineHeight(dc);
  int32_t line = state.firstLine;
  if (IsMultiLine(edit)) {
    const int32_t offset = point.y - TextTop(edit, height);
    line += offset < 0 ? -1 : offset / height;
  }
  line = std::clamp(line, 0, text.LineCount() - 1);
  const int32_t start = text.LineStart(line);
  const int32_t length = text.LineLength(line);
  const int32_t x = point.x - kMarginX + state.scrollX;
  int32_t previous = 0;
  for (int32_t count = 1; count <= length; ++count) {
    const int32_t width = Width(dc, text.text(), start, count);
    if (x < (previous + width + 1) / 2) return start + count - 1;
    previous = width;
  }
  return start + length;
}

void ScrollCaretIntoView(HWND edit) {
  EditState* state = StateOf(edit);
  if (!state) return;
  ControlDc context(edit);
  RECT client;
  GetClientRect(edit, &client);
  const EditText& text = state->text;
  if (IsMultiLine(edit)) {
    const int32_t height = LineHeight(context.dc());
    const int32_t visible = std::max(1, (client.bottom - 2 * kMarginY) / height);
    const int32_t line = text.LineOf(text.caret());
    if (line < state->firstLine) state->firstLine = line;
    if (line >= state->firstLine + visible) state->firstLine = line - visible + 1;
  }
  const int32_t line = text.LineOf(text.caret());
  const int32_t caretX =
      Width(context.dc(), text.text(), text.LineStart(line), text.caret() - text.LineStart(line));
  const int32_t room = std::max(1, client.right - 2 * kMarginX - 1);
  if (caretX < state->scrollX) state->scrollX = std::max(0, caretX - room / 3);
  if (caretX > state->scrollX + room) state->scrollX = caretX - room;
}

int32_t VisibleLines(HWND edit) {
  ControlDc context(edit);
  RECT client;
  GetClientRect(edit, &client);
  return std::max(1, (client.bottom - 2 * kMarginY) / LineHeight(context.dc()));
}

// The width of the text's widest line with its margins, measured once after each change.
int32_t TextWidth(HWND edit) {
  EditState* state = StateOf(edit);
  if (state->widest < 0) {
    ControlDc context(edit);
    const std::string& text = state->text.text();
    const uint32_t pass = ++state->measuringPass;
    size_t lines = 0;
    int32_t widest = 0;
    for (size_t start = 0; start <= text.size(); ++lines) {
      const size_t end = std::min(text.find("\r\n", start), text.size());
      const std::string_view line(text.data() + start, end - start);
      auto known = state->lineWidths.find(line);
      if (known == state->lineWidths.end()) {
        const int32_t pixels = Width(context.dc(), text, static_cast<int32_t>(start), static_cast<int32_t>(line.size()));
        known = state->lineWidths.emplace(std::string(line), LineWidth{pixels, pass}).first;
      }
      known->second.pass = pass;
      widest = std::max(widest, known->second.pixels);
      start = end + 2;
    }
    // Lines that are gone are forgotten once they outnumber the text's own.
    if (state->lineWidths.size() > 2 * lines + 64)
      std::erase_if(state->lineWidths, [pass](const auto& entry) { return entry.second.pass != pass; });
    state->widest = widest;
  }
  return state->widest + 2 * kMarginX + 1;
}

int32_t ClientWidth(HWND edit) {
  RECT client;
  GetClientRect(edit, &client);
  return std::max<int32_t>(1, client.right);
}

// A multi-line edit with scroll bars shows on them which lines are in view and how far the text
// is scrolled across.
void UpdateScrollBar(HWND edit) {
  const EditState* state = StateOf(edit);
  if (!state || !IsMultiLine(edit)) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  if (Style(edit) & WS_VSCROLL) {
    info.nMax = state->text.LineCount() - 1;
    info.nPage = static_cast<UINT>(VisibleLines(edit));
    info.nPos = state->firstLine;
    SetScrollInfo(edit, SB_VERT, &info, TRUE);
  }
  if (Style(edit) & WS_HSCROLL) {
    info.nMax = TextWidth(edit) - 1;
    info.nPage = static_cast<UINT>(ClientWidth(edit));
    info.nPos = state->scrollX;
    SetScrollInfo(edit, SB_HORZ, &info, TRUE);
  }
}

// Scrolls a multi-line text across, no further than its widest line needs.
void ScrollToX(HWND edit, int32_t x) {
  EditState* state = StateOf(edit);
  x = std::clamp(x, 0, std::max(0, TextWidth(edit) - ClientWidth(edit)));
  if (x == state->scrollX) return;
  state->scrollX = x;
  UpdateScrollBar(edit);
  InvalidateRect(edit, nullptr, TRUE);
}

void HorizontalScroll(HWND edit, WORD request, int32_t position) {
  const int32_t x = StateOf(edit)->scrollX;
  const int32_t page = ClientWidth(edit);
  const int32_t step = [&] {
    ControlDc context(edit);
    return std::max(1, Width(context.dc(), "0", 0, 1));
  }();
  switch (request) {
    case SB_LINELEFT: ScrollToX(edit, x - step); break;
    case SB_LINERIGHT: ScrollToX(edit, x + step); break;
    case SB_PAGELEFT: ScrollToX(edit, x - page); break;
    case SB_PAGERIGHT: ScrollToX(edit, x + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: ScrollToX(edit, position); break;
    case SB_LEFT: ScrollToX(edit, 0); break;
    case SB_RIGHT: ScrollToX(edit, TextWidth(edit)); break;
    default: break;
  }
}

void ScrollToLine(HWND edit, int32_t line) {
  EditState* state = StateOf(edit);
  const int32_t last = std::max(0, state->text.LineCount() - VisibleLines(edit));
  line = std::clamp(line, 0, last);
  if (line == state->firstLine) return;
  state->firstLine = line;
  UpdateScrollBar(edit);
  InvalidateRect(edit, nullptr, TRUE);
}

void VerticalScroll(HWND edit, WORD request, int32_t position) {
  const int32_t first = StateOf(edit)->firstLine;
  const int32_t page = VisibleLines(edit);
  switch (request) {
    case SB_LINEUP:
      ScrollToLine(edit, first - 1);
      break;
    case SB_LINEDOWN:
      ScrollToLine(edit, first + 1);
      break;
    case SB_PAGEUP:
      ScrollToLine(edit, first - page);
      break;
    case SB_PAGEDOWN:
      ScrollToLine(edit, first + page);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      ScrollToLine(edit, position);
      break;
    case SB_TOP:
      ScrollToLine(edit, 0);
      break;
    case SB_BOTTOM:
      ScrollToLine(edit, StateOf(edit)->text.LineCount());
      break;
    default:
      break;
  }
}

void Redraw(HWND edit) {
  ScrollCaretIntoView(edit);
  UpdateScrollBar(edit);
  InvalidateRect(edit, nullptr, TRUE);
}

// After the text changed: the window text follows, the parent hears of it.
void Changed(HWND edit, bool metLimit) {
  EditState* state = StateOf(edit);
  state->modified = true;
  state->widest = -1;
  DefWindowProc(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(state->text.text().c_str()));
  Redraw(edit);
  NotifyParent(edit, EN_CHANGE);
  if (metLimit && IsWindow(edit)) NotifyParent(edit, EN_MAXTEXT);
}

bool ReadOnly(HWND edit) {
  return (Style(edit) & ES_READONLY) != 0;
}

void Insert(HWND edit, const std::string& text, bool typing, bool canUndo = true) {
  EditState* state = StateOf(edit);
  std::string accepted = text;
  if (!IsMultiLine(edit)) accepted = accepted.substr(0, accepted.find_first_of("\r\n"));
  if ((Style(edit) & ES_NUMBER) && accepted.find_first_not_of("0123456789") != std::string::npos) {
    MessageBeep(0);
    return;
  }
  const bool fits = state->text.ReplaceSelection(accepted, typing, canUndo);
  Changed(edit, !fits);
}

void Copy(HWND edit) {
  const EditState* state = StateOf(edit);
  if (!state->text.hasSelection() || !OpenClipboard(edit)) return;
  EmptyClipboard();
  const std::string selected = state->text.selectedText();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, selected.size() + 1);
  if (block) {
    auto* bytes = static_cast<char*>(GlobalLock(block));
    std::memcpy(bytes, selected.c_str(), selected.size() + 1);
    GlobalUnlock(block);
    if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
  }
  CloseClipboard();
}

// The clipboard's text, read no further than its block reaches.
std::string ClipboardText(HWND edit) {
  std::string text;
  if (!OpenClipboard(edit)) return text;
  if (const HGLOBAL block = GetClipboardData(CF_TEXT)) {
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (bytes) text.assign(bytes, strnlen(bytes, GlobalSize(block)));
    GlobalUnlock(block);
  }
  CloseClipboard();
  return text;
}

void Cut(HWND edit) {
  if (ReadOnly(edit) || !StateOf(edit)->text.hasSelection()) return;
  Copy(edit);
  Insert(edit, std::string(), false);
}

void Paste(HWND edit) {
  if (ReadOnly(edit)) return;
  const std::string text = ClipboardText(edit);
  if (!text.empty()) Insert(edit, text, false);
}

void Clear(HWND edit) {
  if (ReadOnly(edit) || !StateOf(edit)->text.hasSelection()) return;
  Insert(edit, std::string(), false);
}

void Undo(HWND edit) {
  EditState* state = StateOf(edit);
  if (ReadOnly(edit) || !state->text.Undo()) return;
  Changed(edit, false);
}

void Typed(HWND edit, char character) {
  switch (character) {
    case 1:  // Ctrl+A
      StateOf(edit)->text.Select(0, StateOf(edit)->text.length());
      Redraw(edit);
      return;
    case 3:  // Ctrl+C
      Copy(edit);
      return;
    case 0x16:  // Ctrl+V
      Paste(edit);
      return;
    case 0x18:  // Ctrl+X
      Cut(edit);
      return;
    case 0x1A:  // Ctrl+Z
      Undo(edit);
      return;
    default:
      break;
  }
  if (ReadOnly(edit)) return;
  if (character == '\b') {
    if (StateOf(edit)->text.DeleteBack()) Changed(edit, false);
    return;
  }
  if (character == '\r') {
    if (IsMultiLine(edit)) Insert(edit, "\r\n", false);
    return;
  }
  if (character == '\t') {
    if (IsMultiLine(edit)) Insert(edit, "\t", true);
    return;
  }
  if (static_cast<unsigned char>(character) < ' ' || character == 0x7F) return;
  Insert(edit, std::string(1, character), true);
}

void VerticalMove(HWND edit, int32_t lines, bool extend) {
  EditState* state = StateOf(edit);
  EditText& text = state->text;
  ControlDc context(edit);
  POINT point = PointOfPosition(edit, context.dc(), *state, text.caret());
  point.y += lines * LineHeight(context.dc()) + 1;
  const int32_t line = text.LineOf(text.caret()) + lines;
  if (line < 0) {
    text.MoveCaret(0, extend);
  } else if (line >= text.LineCount()) {
    text.MoveCaret(text.length(), extend);
  } else {
    const int32_t top = state->firstLine;
    state->firstLine = 0;  // measure against the text, not the view
    point.y = TextTop(edit, LineHeight(context.dc())) + line * LineHeight(context.dc()) + 1;
    text.MoveCaret(PositionOfPoint(edit, context.dc(), *state, point), extend);
    state->firstLine = top;
  }
}

void KeyDown(HWND edit, WPARAM key) {
  EditState* state = StateOf(edit);
  EditText& text = state->text;
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const int32_t line = text.LineOf(text.caret());
  switch (key) {
    case VK_LEFT: {
      const int32_t left = text.StepLeft(text.caret());
      if (!shift && text.hasSelection())
        text.MoveCaret(text.selectionStart(), false);
      else
        text.MoveCaret(control ? text.WordStart(left) : left, shift);
      break;
    }
    case VK_RIGHT: {
      const int32_t right = text.StepRight(text.caret());
      if (!shift && text.hasSelection())
        text.MoveCaret(text.selectionEnd(), false);
      else
        text.MoveCaret(control ? text.WordEnd(right) : right, shift);
      break;
    }
    case VK_HOME:
      text.MoveCaret(control ? 0 : text.LineStart(line), shift);
      break;
    case VK_END:
      text.MoveCaret(control ? text.length() : text.LineStart(line) + text.LineLength(line), shift);
      break;
    case VK_UP:
      if (!IsMultiLine(edit)) return;
      VerticalMove(edit, -1, shift);
      break;
    case VK_DOWN:
      if (!IsMultiLine(edit)) return;
      VerticalMove(edit, 1, shift);
      break;
    case VK_DELETE:
      if (shift) {
        Cut(edit);
        return;
      }
      if (!ReadOnly(edit) && text.DeleteForward()) Changed(edit, false);
      return;
    case VK_INSERT:
      if (control) Copy(edit);
      if (shift) Paste(edit);
      return;
    default:
      return;
  }
  Redraw(edit);
}

// One line of the text, with the part inside [selectionStart, selectionEnd) highlighted.
void PaintLine(HDC dc, const std::string& all, int32_t start, int32_t length,
               int32_t selectionStart, int32_t selectionEnd, int32_t x, int32_t y, int32_t height,
               COLORREF color, const RECT& client) {
  const int32_t selStart = std::clamp(selectionStart, start, start + length);
  const int32_t selEnd = std::clamp(selectionEnd, start, start + length);
  SetTextColor(dc, color);
  TextOut(dc, x, y, all.c_str() + start, selStart - start);
  const int32_t selX = x + Width(dc, all, start, selStart - start);
  const int32_t selWidth = Width(dc, all, selStart, selEnd - selStart);
  if (selEnd > selStart) {
    FillSolid(dc, RECT{selX, y, std::min(client.right, selX + selWidth), y + height},
              kControlHighlight);
    SetTextColor(dc, kControlHighlightText);
    TextOut(dc, selX, y, all.c_str() + selStart, selEnd - selStart);
    SetTextColor(dc, color);
  }
  TextOut(dc, selX + selWidth, y, all.c_str() + selEnd, start + length - selEnd);
}

void PaintEdit(HWND edit) {
  const EditState* state = StateOf(edit);
  ControlPaint paint(edit);
  const HDC dc = paint.dc();
  const RECT& client = paint.client();
  const bool enabled = IsWindowEnabled(edit);
  FillSolid(dc, client, enabled && !ReadOnly(edit) ? kControlWindow : kControlFace);
  if (!state) return;
  const EditText& text = state->text;
  const int32_t height = LineHeight(dc);
  const int32_t top = TextTop(edit, height);
  IntersectClipRect(dc, client.left + 1, client.top, client.right - 1, client.bottom);
  const bool focused = GetFocus() == edit;
  // The selection shows only while the edit has the focus.
  const int32_t selStart = focused ? text.selectionStart() : text.caret();
  const int32_t selEnd = focused ? text.selectionEnd() : text.caret();
  const int32_t lines = text.LineCount();
  for (int32_t line = state->firstLine, start = text.LineStart(line); line < lines; ++line) {
    const int32_t y = top + (line - state->firstLine) * height;
    if (y >= client.bottom) break;
    const size_t end = text.text().find("\r\n", static_cast<size_t>(start));
    const int32_t length =
        static_cast<int32_t>((end == std::string::npos ? text.text().size() : end)) - start;
    PaintLine(dc, text.text(), start, length, selStart, selEnd, kMarginX - state->scrollX, y,
              height, enabled ? kControlText : kControlGrayText, client);
    start += length + 2;
  }
  if (focused) {
    const POINT caret = PointOfPosition(edit, dc, *state, text.caret());
    FillSolid(dc, RECT{caret.x, caret.y, caret.x + 1, caret.y + height}, kControlText);
  }
}

LRESULT DialogCode(HWND edit, WPARAM key) {
  LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  if (key == static_cast<WPARAM>(VK_RETURN) && IsMultiLine(edit) && (Style(edit) & ES_WANTRETURN))
    code |= DLGC_WANTALLKEYS;
  return code;
}

void MouseDown(HWND edit, LPARAM lParam, bool word) {
  EditState* state = StateOf(edit);
  SetFocus(edit);
  if (GetFocus() != edit) return;
  ControlDc context(edit);
  const int32_t position = PositionOfPoint(edit, context.dc(), *state,
                                           POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  if (word) {
    state->text.Select(state->text.WordStart(position), state->text.WordEnd(position));
  } else {
    state->text.MoveCaret(position, GetKeyState(VK_SHIFT) < 0);
    state->selecting = true;
    SetCapture(edit);
  }
  Redraw(edit);
}

void MouseMove(HWND edit, LPARAM lParam) {
  EditState* state = StateOf(edit);
  if (!state->selecting || GetCapture() != edit) return;
  ControlDc context(edit);
  state->text.MoveCaret(PositionOfPoint(edit, context.dc(), *state,
                                        POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}),
                        true);
  Redraw(edit);
}

LRESULT SetSelection(HWND edit, WPARAM wParam, LPARAM lParam) {
  EditText& text = StateOf(edit)->text;
  const auto start = static_cast<int32_t>(wParam);
  const auto end = static_cast<int32_t>(lParam);
  if (start == -1) {
    text.Select(text.caret(), text.caret());
  } else {
    text.Select(start, end < 0 ? text.length() : end);
  }
  InvalidateRect(edit, nullptr, TRUE);
  return 0;
}

LRESULT GetSelection(HWND edit, WPARAM wParam, LPARAM lParam) {
  const EditText& text = StateOf(edit)->text;
  if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(text.selectionStart());
  if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(text.selectionEnd());
  return MAKELONG(std::min(text.selectionStart(), 0xFFFF), std::min(text.selectionEnd(), 0xFFFF));
}

LRESULT LineMessage(HWND edit, UINT message, WPARAM wParam) {
  const EditText& text = StateOf(edit)->text;
  const auto argument = static_cast<int32_t>(wParam);
  switch (message) {
    case EM_GETLINECOUNT:
      return text.LineCount();
    case EM_LINEINDEX:
      return text.LineStart(argument == -1 ? text.LineOf(text.caret()) : argument);
    case EM_LINELENGTH: {
      if (argument != -1) return text.LineLength(text.LineOf(argument));
      // The characters of the lines that hold the selection that are not selected.
      const int32_t first = text.LineOf(text.selectionStart());
      const int32_t last = text.LineOf(text.selectionEnd());
      const int32_t from = text.LineStart(first);
      const int32_t to = text.LineStart(last) + text.LineLength(last);
      return (text.selectionStart() - from) + (to - text.selectionEnd());
    }
    case EM_LINEFROMCHAR:
      return text.LineOf(argument == -1 ? text.caret() : argument);
    default:
      return StateOf(edit)->firstLine;
  }
}

LRESULT EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  EditState* state = StateOf(edit);
  if (!state && message != WM_NCCREATE) return DefWindowProc(edit, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE: {
      auto owned = std::make_unique<EditState>();
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (create && create->lpszName) owned->text.SetText(create->lpszName);
      SetWindowLongPtr(edit, kStateOffset, reinterpret_cast<LONG_PTR>(owned.release()));
      return DefWindowProc(edit, message, wParam, lParam);
    }
    case WM_NCDESTROY:
      SetWindowLongPtr(edit, kStateOffset, 0);
      delete state;
      return DefWindowProc(edit, message, wParam, lParam);
    case WM_PAINT:
      PaintEdit(edit);
      return 0;
    case WM_GETDLGCODE:
      return DialogCode(edit, wParam);
    case WM_SETTEXT: {
      state->text.SetText(lParam ? reinterpret_cast<const char*>(lParam) : "");
      state->scrollX = 0;
      state->widest = -1;
      state->firstLine = 0;
      state->modified = false;
      const LRESULT result = DefWindowProc(edit, message, wParam, lParam);
      Redraw(edit);
      NotifyParent(edit, EN_CHANGE);
      return result;
    }
    case WM_CHAR:
      Typed(edit, static_cast<char>(wParam));
      return 0;
    case WM_KEYDOWN:
      KeyDown(edit, wParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      MouseDown(edit, lParam, message == WM_LBUTTONDBLCLK);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(edit, lParam);
      return 0;
    case WM_LBUTTONUP:
      state->selecting = false;
      if (GetCapture() == edit) ReleaseCapture();
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(edit, nullptr, TRUE);
      NotifyParent(edit, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      state->selecting = false;
      InvalidateRect(edit, nullptr, TRUE);
      NotifyParent(edit, EN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      InvalidateRect(edit, nullptr, TRUE);
      return 0;
    case EM_GETSEL:
      return GetSelection(edit, wParam, lParam);
    case EM_SETSEL:
      return SetSelection(edit, wParam, lParam);
    case EM_SCROLLCARET:
      Redraw(edit);
      return TRUE;
    case EM_REPLACESEL:
      Insert(edit, lParam ? reinterpret_cast<const char*>(lParam) : "", false, wParam != 0);
      return 0;
    case EM_GETMODIFY:
      return state->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      state->modified = wParam != 0;
      return 0;
    case EM_CANUNDO:
      return state->text.CanUndo() ? TRUE : FALSE;
    case EM_UNDO:
    case WM_UNDO:
      Undo(edit);
      return TRUE;
    case EM_EMPTYUNDOBUFFER:
      state->text.ForgetUndo();
      return 0;
    case EM_SETLIMITTEXT:
      state->text.SetLimit(static_cast<int32_t>(wParam));
      return 0;
    case EM_GETLIMITTEXT:
      return state->text.limit();
    case EM_SETREADONLY:
      SetWindowLongPtr(edit, GWL_STYLE,
                       wParam ? (Style(edit) | ES_READONLY) : (Style(edit) & ~ES_READONLY));
      InvalidateRect(edit, nullptr, TRUE);
      return TRUE;
    case EM_GETLINECOUNT:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_LINEFROMCHAR:
    case EM_GETFIRSTVISIBLELINE:
      return LineMessage(edit, message, wParam);
    case EM_LINESCROLL:
      if (!IsMultiLine(edit)) return FALSE;
      ScrollToLine(edit, state->firstLine + static_cast<int32_t>(lParam));
      return TRUE;
    case WM_VSCROLL:
      if (IsMultiLine(edit)) VerticalScroll(edit, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      if (IsMultiLine(edit)) HorizontalScroll(edit, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_SETFONT: {
      state->widest = -1;
      state->lineWidths.clear();
      const LRESULT result = DefWindowProc(edit, message, wParam, lParam);
      UpdateScrollBar(edit);
      return result;
    }
    case WM_MOUSEWHEEL:
      if (IsMultiLine(edit))
        ScrollToLine(edit,
                     state->firstLine - static_cast<int16_t>(HIWORD(wParam)) / WHEEL_DELTA * 3);
      return 0;
    case WM_CUT:
      Cut(edit);
      return 0;
    case WM_COPY:
      Copy(edit);
      return 0;
    case WM_PASTE:
      Paste(edit);
      return 0;
    case WM_CLEAR:
      Clear(edit);
      return 0;
    default:
      return DefWindowProc(edit, message, wParam, lParam);
  }
}

}  // namespace

void RegisterEditClass() {
  if (GetClassInfo(kEditClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = EditProc;
  windowClass.lpszClassName = kEditClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.hCursor = LoadCursor(nullptr, IDC_IBEAM);
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}

POINT EditCaretPoint(HWND edit) {
  const EditState* state = StateOf(edit);
  if (!state) return POINT{};
  ControlDc context(edit);
  return PointOfPosition(edit, context.dc(), *state, state->text.caret());
}
