#include "basic/editor/ScriptEditWindow.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "basic/editor/EditWindowState.h"
#include "platform/win32/Control.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"

namespace basic_editor {
namespace {

constexpr int32_t kTextId = 1;
constexpr int32_t kWatchId = 2;
constexpr int32_t kWatchLines = 4;
constexpr COLORREF kMarginFace = RGB(236, 236, 236);
constexpr COLORREF kBreakpointColour = RGB(192, 0, 0);
constexpr COLORREF kStoppedColour = RGB(255, 208, 0);

// Straight to the edit's own procedure, so that asking does not come back through ours.
int32_t FirstVisibleLine(const EditWindowState& state) {
  if (state.textProc == nullptr) return 0;
  return static_cast<int32_t>(CallWindowProc(state.textProc, state.text, EM_GETFIRSTVISIBLELINE, 0, 0));
}

int32_t TextLineHeight(HWND text) {
  const HDC dc = GetDC(text);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(text, WM_GETFONT, 0, 0)));
  TEXTMETRIC metrics;
  const bool known = GetTextMetrics(dc, &metrics) && metrics.tmHeight > 0;
  if (old != nullptr) SelectObject(dc, old);
  ReleaseDC(text, dc);
  return known ? metrics.tmHeight : 16;
}

// The top of a line of the text in the window's client coordinates; the edit draws its lines
// one pixel below its top.
int32_t LineTop(const EditWindowState& state, int32_t line) {
  RECT rect;
  GetWindowRect(state.text, &rect);
  POINT origin{rect.left, rect.top};
  ScreenToClient(state.self, &origin);
  const int32_t first = FirstVisibleLine(state);
  return origin.y + 1 + (line - 1 - first) * TextLineHeight(state.text);
}

void FillWith(HDC dc, const RECT& rect, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void PaintMargin(EditWindowState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(state.self, &paint);
  RECT client;
  GetClientRect(state.self, &client);
  if (state.showMargin) {
    FillWith(dc, RECT{0, 0, kScriptEditMarginWidth, client.bottom}, kMarginFace);
    const int32_t height = TextLineHeight(state.text);
    const int32_t size = std::min(height, kScriptEditMarginWidth) - 4;
    const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    for (int32_t line : state.breakpoints) {
      const int32_t top = LineTop(state, line);
      if (top + height < 0 || top > client.bottom) continue;
      const HBRUSH brush = CreateSolidBrush(kBreakpointColour);
      const HGDIOBJ oldBrush = SelectObject(dc, brush);
      Ellipse(dc, 2, top + (height - size) / 2, 2 + size, top + (height - size) / 2 + size);
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
    }
    if (state.stoppedLine > 0) {
      const int32_t top = LineTop(state, state.stoppedLine);
      const POINT arrow[3] = {{2, top + 2}, {kScriptEditMarginWidth - 2, top + height / 2},
                              {2, top + height - 2}};
      const HBRUSH brush = CreateSolidBrush(kStoppedColour);
      const HGDIOBJ oldBrush = SelectObject(dc, brush);
      Polygon(dc, arrow, 3);
      SelectObject(dc, oldBrush);
      DeleteObject(brush);
    }
    SelectObject(dc, oldPen);
  }
  EndPaint(state.self, &paint);
  state.firstLineShown = FirstVisibleLine(state);
}

// A key the filter took does not type its character as well: the character that translating the
// key queued is taken away.
void DropCharacterOf(HWND text, WPARAM key) {
  const int32_t character = CharacterOfKey(static_cast<int32_t>(key));
  MSG next;
  if (character < 0 || !PeekMessage(&next, text, WM_CHAR, WM_CHAR, PM_NOREMOVE)) return;
  if (next.wParam == static_cast<WPARAM>(character)) PeekMessage(&next, text, WM_CHAR, WM_CHAR, PM_REMOVE);
}

bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

// The text's own procedure with the key filter before it and the margin kept in step after it.
LRESULT TextProc(HWND text, UINT message, WPARAM wParam, LPARAM lParam) {
  EditWindowState* state = StateOf(GetParent(text));
  if (state == nullptr) return DefWindowProc(text, message, wParam, lParam);
  const WNDPROC own = state->textProc;
  if (message == WM_KEYDOWN || message == WM_CHAR) {
    if (state->keyFilter != nullptr && state->keyFilter(state->self, message, wParam) == 1) {
      if (message == WM_KEYDOWN) DropCharacterOf(text, wParam);
      return 0;
    }
    if (message == WM_KEYDOWN && wParam == VK_F1 && ShiftDown()) {
      const std::string word = WordAtCaret(*state);
      Notify(*state, kEditNotifyHelp, kEditHelpKeyword, reinterpret_cast<LPARAM>(word.c_str()));
      return 0;
    }
  }
  const LRESULT result = CallWindowProc(own, text, message, wParam, lParam);
  if (StateOf(GetParent(text)) == state && FirstVisibleLine(*state) != state->firstLineShown)
    RedrawMargin(*state);
  return result;
}

void MarginClick(EditWindowState& state, LPARAM lParam) {
  const int32_t x = GET_X_LPARAM(lParam);
  const int32_t y = GET_Y_LPARAM(lParam);
  if (!state.showMargin || x >= kScriptEditMarginWidth) return;
  const int32_t height = TextLineHeight(state.text);
  const int32_t line = 1 + (y - LineTop(state, 1)) / height;
  const auto count = static_cast<int32_t>(SendMessage(state.text, EM_GETLINECOUNT, 0, 0));
  if (line < 1 || line > count) return;
  if (ToggleBreakpoint(state, line) == 0) MessageBeep(0);
}

// Puts a text in with every line ended by "\r\n", as the edit keeps it.
void SetText(EditWindowState& state, const char* text) {
  std::string lines;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    if (*p == '\n' && (p == text || p[-1] != '\r')) lines += '\r';
    lines += *p;
  }
  state.settingText = true;
  SendMessage(state.text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lines.c_str()));
  SendMessage(state.text, EM_EMPTYUNDOBUFFER, 0, 0);
  state.settingText = false;
  RedrawMargin(state);
}

LRESULT CopyOut(const std::string& text, WPARAM capacity, LPARAM buffer) {
  if (buffer == 0 || capacity == 0) return 0;
  const size_t length = std::min(text.size(), static_cast<size_t>(capacity) - 1);
  char* out = reinterpret_cast<char*>(buffer);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return static_cast<LRESULT>(length);
}

std::string Selection(const EditWindowState& state) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(state.text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::string text = TextOf(state);
  if (end > text.size() || start >= end) return std::string();
  return text.substr(start, end - start);
}

void SetCaret(EditWindowState& state, LPARAM where) {
  const auto value = static_cast<int32_t>(where);
  int32_t position = value < 0 ? -value : value;
  if (value >= 0x10000) position = 0;
  SendMessage(state.text, EM_SETSEL, position, position);
  SendMessage(state.text, EM_SCROLLCARET, 0, 0);
}

LRESULT GoToLine(EditWindowState& state, LPARAM line) {
  const auto count = static_cast<int32_t>(SendMessage(state.text, EM_GETLINECOUNT, 0, 0));
  if (line < 1 || line > count) return 0;
  const LRESULT start = SendMessage(state.text, EM_LINEINDEX, line - 1, 0);
  SendMessage(state.text, EM_SETSEL, start, start);
  SendMessage(state.text, EM_SCROLLCARET, 0, 0);
  SetFocus(state.text);
  return 1;
}

LRESULT Command(EditWindowState& state, UINT code, WPARAM wParam, LPARAM lParam) {
  switch (code) {
    case kEditStepInto: return Resume(state, kScriptStepInto);
    case kEditStepOver: return Resume(state, kScriptStepOver);
    case kEditStepOut: return Resume(state, kScriptStepOut);
    case kEditContinue: return Resume(state, kScriptContinue);
    case kEditCheckSyntax: return CheckSyntax(state, true);
    case kEditClearBreakpoints:
      state.breakpoints.clear();
      RedrawMargin(state);
      return 1;
    case kEditSelectionStart: {
      DWORD start = 0;
      DWORD end = 0;
      SendMessage(state.text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      if (lParam != 0) *reinterpret_cast<int32_t*>(lParam) = static_cast<int32_t>(start);
      return end > start ? 1 : 0;
    }
    case kEditCanOutdent: return Reindent(state, true, true);
    case kEditOutdent: return Reindent(state, true, false);
    case kEditIndent: return Reindent(state, false, false);
    case kEditToggleBreakpoint: return ToggleBreakpoint(state, CaretLine(state));
    case kEditReset:
      state.breakpoints.clear();
      state.stoppedLine = 0;
      SendMessage(state.text, EM_EMPTYUNDOBUFFER, 0, 0);
      RedrawMargin(state);
      return 1;
    case kEditStart:
      if (static_cast<int32_t>(wParam) == -1) return CheckSyntax(state, false) == 0 ? 1 : 0;
      return StartRun(state, false);
    case kEditStop: return Stop(state);
    case kEditAddWatch: return AddWatch(state);
    case kEditDeleteWatch: return DeleteWatch(state, reinterpret_cast<const char*>(lParam));
    case kEditRunState: return state.runState;
    case kEditCanUndo: return SendMessage(state.text, EM_CANUNDO, 0, 0);
    case kEditHasSelection: return Selection(state).empty() ? 0 : 1;
    case kEditCurrentLine: return CaretLine(state);
    case kEditLineRange: {
      if (GetWindowTextLength(state.text) == 0) return 0;
      return MAKELONG(1, static_cast<int32_t>(SendMessage(state.text, EM_GETLINECOUNT, 0, 0)));
    }
    case kEditFind: return Find(state, wParam, reinterpret_cast<const char*>(lParam));
    case kEditReplace: {
      if (Selection(state).empty() || state.readOnly) return 0;
      SendMessage(state.text, EM_REPLACESEL, TRUE, lParam);
      return 1;
    }
    case kEditCopySelection: return CopyOut(Selection(state), wParam, lParam);
    case kEditWatchCount: return static_cast<LRESULT>(state.watchNames.size());
    case kEditFirstWatch:
      if (state.watchNames.empty()) return 0;
      CopyOut(state.watchNames.front(), wParam, lParam);
      return 1;
    case kEditSetCaret: SetCaret(state, lParam); return 1;
    case kEditGoToLine: return GoToLine(state, lParam);
    case kEditRunContext: return reinterpret_cast<LRESULT>(state.run);
    case kEditAttachCode: state.attachedCode = reinterpret_cast<const ScriptCode*>(lParam); return 1;
    case kEditEntry: state.entry = reinterpret_cast<const void*>(lParam); return 1;
    case kEditSetEngine: state.engine = reinterpret_cast<ScriptEngine*>(lParam); return 1;
    case kEditShowMargin:
      state.showMargin = wParam != 0;
      Layout(state);
      return 1;
    case kEditIndentWidth:
      if (wParam >= 1 && wParam <= 16) state.indentWidth = static_cast<int32_t>(wParam);
      return state.indentWidth;
    case kEditSetKeyFilter: state.keyFilter = reinterpret_cast<ScriptEditKeyFilter>(lParam); return 1;
    case kEditRunModule: return reinterpret_cast<LRESULT>(state.runModule);
    case kEditSetText: SetText(state, reinterpret_cast<const char*>(lParam)); return 1;
    case kEditGetText: return CopyOut(TextOf(state), wParam, lParam);
    case kEditTextLength: return GetWindowTextLength(state.text);
    case kEditSetReadOnly:
      state.readOnly = wParam != 0;
      if (state.runState == 0) SendMessage(state.text, EM_SETREADONLY, state.readOnly, 0);
      return 1;
    case kEditSetNotify: state.notify = reinterpret_cast<ScriptEditNotify>(lParam); return 1;
    default: return 0;
  }
}

LRESULT EditWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  EditWindowState* state = StateOf(window);
  if (message == WM_NCCREATE) {
    auto owned = std::make_unique<EditWindowState>();
    owned->self = window;
    SetWindowLongPtr(window, 0, reinterpret_cast<LONG_PTR>(owned.release()));
    return DefWindowProc(window, message, wParam, lParam);
  }
  if (state == nullptr) return DefWindowProc(window, message, wParam, lParam);
  if (message >= kEditStepInto && message <= kEditSetNotify) return Command(*state, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: {
      state->text = CreateWindowEx(0, kEditClass, "",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_WANTRETURN |
                                       ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                   0, 0, 0, 0, window, reinterpret_cast<HMENU>(kTextId), nullptr);
      state->watches = CreateWindowEx(0, kListBoxClass, "", WS_CHILD | WS_VSCROLL | WS_BORDER, 0, 0, 0, 0,
                                      window, reinterpret_cast<HMENU>(kWatchId), nullptr);
      if (state->text == nullptr || state->watches == nullptr) return -1;
      SendMessage(state->text, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
      state->textProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtr(state->text, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextProc)));
      SendMessage(state->text, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FIXED_FONT)), 0);
      Layout(*state);
      return 0;
    }
    case WM_NCDESTROY:
      ForgetRun(*state);
      SetWindowLongPtr(window, 0, 0);
      delete state;
      return DefWindowProc(window, message, wParam, lParam);
    case WM_SIZE: Layout(*state); return 0;
    case WM_PAINT: PaintMargin(*state); return 0;
    case WM_SETFOCUS: SetFocus(state->text); return 0;
    case WM_SETFONT:
      SendMessage(state->text, WM_SETFONT, wParam, lParam);
      SendMessage(state->watches, WM_SETFONT, wParam, lParam);
      Layout(*state);
      return DefWindowProc(window, message, wParam, lParam);
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      return state->readOnly ? 0 : SendMessage(state->text, message, wParam, lParam);
    case WM_COPY: return SendMessage(state->text, message, wParam, lParam);
    case WM_LBUTTONDOWN: MarginClick(*state, lParam); return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kTextId && HIWORD(wParam) == EN_CHANGE && !state->settingText)
        Notify(*state, kEditNotifyChanged, 0, 0);
      return 0;
    default: return DefWindowProc(window, message, wParam, lParam);
  }
}

bool RegisterEditWindowClass() {
  if (GetClassInfo(kScriptEditWindowClass, nullptr)) return true;
  RegisterStandardControls();
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = EditWindowProc;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.background = kMarginFace;
  windowClass.lpszClassName = kScriptEditWindowClass;
  return RegisterClass(&windowClass) != FALSE;
}

}  // namespace

EditWindowState* StateOf(HWND editWindow) {
  if (editWindow == nullptr || !IsWindow(editWindow)) return nullptr;
  char name[32] = {};
  GetClassName(editWindow, name, sizeof name);
  if (std::strcmp(name, kScriptEditWindowClass) != 0) return nullptr;
  return reinterpret_cast<EditWindowState*>(GetWindowLongPtr(editWindow, 0));
}

LRESULT Notify(EditWindowState& state, UINT code, WPARAM wParam, LPARAM lParam) {
  return state.notify != nullptr ? state.notify(state.self, code, wParam, lParam) : 0;
}

void RedrawMargin(EditWindowState& state) {
  RECT margin{0, 0, kScriptEditMarginWidth, 0};
  RECT client;
  GetClientRect(state.self, &client);
  margin.bottom = client.bottom;
  InvalidateRect(state.self, &margin, FALSE);
  state.firstLineShown = FirstVisibleLine(state);
}

void Layout(EditWindowState& state) {
  RECT client;
  GetClientRect(state.self, &client);
  const int32_t left = state.showMargin ? kScriptEditMarginWidth : 0;
  const int32_t watchHeight =
      state.watchNames.empty() ? 0 : std::min(client.bottom / 2, kWatchLines * TextLineHeight(state.watches) + 4);
  MoveWindow(state.text, left, 0, std::max(0, client.right - left), std::max(0, client.bottom - watchHeight), TRUE);
  MoveWindow(state.watches, 0, client.bottom - watchHeight, client.right, watchHeight, TRUE);
  ShowWindow(state.watches, watchHeight > 0 ? SW_SHOW : SW_HIDE);
  InvalidateRect(state.self, nullptr, FALSE);
}

std::string TextOf(const EditWindowState& state) { return GetWindowTextString(state.text); }

int32_t CaretLine(const EditWindowState& state) {
  return static_cast<int32_t>(SendMessage(state.text, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0)) + 1;
}

void SelectLine(EditWindowState& state, int32_t line) {
  const auto start = static_cast<int32_t>(SendMessage(state.text, EM_LINEINDEX, line - 1, 0));
  if (start < 0) return;
  const auto length = static_cast<int32_t>(SendMessage(state.text, EM_LINELENGTH, start, 0));
  SendMessage(state.text, EM_SETSEL, start, start + length);
  SendMessage(state.text, EM_SCROLLCARET, 0, 0);
  RedrawMargin(state);
}

}  // namespace basic_editor

bool ScriptRegisterEditWindowClass() { return basic_editor::RegisterEditWindowClass(); }

HWND ScriptCreateEditWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height, DWORD style,
                            int32_t id, int32_t, void*) {
  if (parent == nullptr || !IsWindow(parent)) return nullptr;
  if (!basic_editor::RegisterEditWindowClass()) return nullptr;
  return CreateWindowEx(0, kScriptEditWindowClass, "", style | WS_CHILD, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr);
}

LRESULT ScriptEditCommand(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam) {
  if (basic_editor::StateOf(editWindow) == nullptr) return 0;
  return SendMessage(editWindow, code, wParam, lParam);
}

HWND ScriptEditTextWindow(HWND editWindow) {
  const basic_editor::EditWindowState* state = basic_editor::StateOf(editWindow);
  return state != nullptr ? state->text : nullptr;
}

HWND ScriptEditWatchWindow(HWND editWindow) {
  const basic_editor::EditWindowState* state = basic_editor::StateOf(editWindow);
  return state != nullptr ? state->watches : nullptr;
}

int32_t ScriptEditBreakpointCount(HWND editWindow) {
  const basic_editor::EditWindowState* state = basic_editor::StateOf(editWindow);
  return state != nullptr ? static_cast<int32_t>(state->breakpoints.size()) : 0;
}

bool ScriptEditHasBreakpoint(HWND editWindow, int32_t line) {
  const basic_editor::EditWindowState* state = basic_editor::StateOf(editWindow);
  return state != nullptr && state->breakpoints.count(line) != 0;
}

int32_t ScriptEditStoppedLine(HWND editWindow) {
  const basic_editor::EditWindowState* state = basic_editor::StateOf(editWindow);
  return state != nullptr ? state->stoppedLine : 0;
}
