#include "platform/win32/Dialog.h"

#include <algorithm>
#include <memory>

#include "platform/win32/Button.h"
#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Edit.h"
#include "platform/win32/DialogState.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/ModalWindows.h"
#include "platform/win32/Window.h"

namespace {

constexpr int32_t kStateOffset = 2 * static_cast<int32_t>(sizeof(LONG_PTR));

const char* ClassOfOrdinal(uint16_t ordinal) {
  switch (ordinal) {
    case 0x80:
      return "Button";
    case 0x81:
      return "Edit";
    case 0x82:
      return "Static";
    case 0x83:
      return "ListBox";
    case 0x84:
      return "ScrollBar";
    case 0x85:
      return "ComboBox";
    default:
      return nullptr;
  }
}

int32_t MulDivRound(int32_t value, int32_t numerator, int32_t denominator) {
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t half = denominator / 2;
  return static_cast<int32_t>(product >= 0 ? (product + half) / denominator
                                           : (product - half) / denominator);
}

// The template's font, and the base units it gives: the average width of the letters and the
// height of a line.
void TakeTemplateFont(DialogState& state, const DialogTemplate& dialog) {
  if ((dialog.style & DS_SETFONT) == 0) return;
  LOGFONT font;
  font.lfHeight = -MulDivRound(dialog.pointSize, 96, 72);
  font.lfWeight = FW_NORMAL;
  const size_t length = std::min(dialog.face.size(), static_cast<size_t>(LF_FACESIZE - 1));
  dialog.face.copy(font.lfFaceName, length);
  state.ownFont = CreateFontIndirect(&font);
  if (!state.ownFont) return;
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, state.ownFont);
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size;
  TEXTMETRIC metrics;
  if (GetTextExtentPoint32(dc, kLetters, 52, &size) && GetTextMetrics(dc, &metrics) &&
      size.cx > 0 && metrics.tmHeight > 0) {
    state.baseUnitX = (size.cx / 26 + 1) / 2;
    state.baseUnitY = metrics.tmHeight;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

bool TakesFocus(HWND control) {
  const LONG_PTR style = GetWindowLongPtr(control, GWL_STYLE);
  return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

HWND FirstTabStop(HWND dialog) {
  for (HWND control : DialogControls(dialog)) {
    if (TakesFocus(control)) return control;
  }
  return nullptr;
}

// The control that should have the focus when the dialog gets it.
void FocusInside(HWND dialog, DialogState& state) {
  HWND target = state.savedFocus;
  if (!target || !IsWindow(target) || !IsChild(dialog, target) || !IsWindowEnabled(target))
    target = FirstTabStop(dialog);
  if (target) SetFocus(target);
}

// The identifier Return stands for: the one DM_SETDEFID gave, else the first default push
// button's, else IDOK.
LRESULT DefaultId(HWND dialog, const DialogState& state) {
  if (state.defaultId != 0) return MAKELONG(state.defaultId, DC_HASDEFID);
  for (HWND control : DialogControls(dialog)) {
    if (SendMessage(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)
      return MAKELONG(GetDlgCtrlID(control), DC_HASDEFID);
  }
  return MAKELONG(IDOK, DC_HASDEFID);
}

LRESULT DialogDefault(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = FindDialogState(dialog);
  switch (message) {
    case WM_CLOSE:
      SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELONG(IDCANCEL, BN_CLICKED)),
                  reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return 0;
    case WM_ACTIVATE:
      if (!state) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus)) state->savedFocus = focus;
      } else {
        FocusInside(dialog, *state);
      }
      return 0;
    case WM_SETFOCUS:
      if (state) FocusInside(dialog, *state);
      return 0;
    case DM_GETDEFID:
      return state ? DefaultId(dialog, *state) : 0;
    case DM_SETDEFID:
      if (state) state->defaultId = static_cast<WORD>(wParam);
      return TRUE;
    case WM_NCDESTROY:
      if (state) {
        SetWindowLongPtr(dialog, kStateOffset, 0);
        if (state->ownFont) DeleteObject(state->ownFont);
        delete state;
      }
      break;
    default:
      break;
  }
  return DefWindowProc(dialog, message, wParam, lParam);
}

LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC));
  if (procedure != nullptr) {
    const intptr_t handled = procedure(dialog, message, wParam, lParam);
    // What the dialog keeps goes with its window, whatever the procedure answered.
    if (handled != 0 && message != WM_NCDESTROY) return handled;
  }
  return DialogDefault(dialog, message, wParam, lParam);
}

void EnsureDialogClass() {
  RegisterStandardControls();
  if (GetClassInfo(kDialogClassName, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = DialogWindowProc;
  windowClass.lpszClassName = kDialogClassName;
  windowClass.cbWndExtra = 3 * static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kDialogFace;
  RegisterClass(&windowClass);
}

HWND CreateDialogWindow(const DialogTemplate& dialog, const DialogState& state, HWND parent) {
  POINT origin{MulDivRound(dialog.x, state.baseUnitX, 4),
               MulDivRound(dialog.y, state.baseUnitY, 8)};
  if (parent != nullptr && (dialog.style & WS_CHILD) == 0) ClientToScreen(parent, &origin);
  RECT frame{0, 0, MulDivRound(dialog.cx, state.baseUnitX, 4),
             MulDivRound(dialog.cy, state.baseUnitY, 8)};
  const DWORD style = dialog.style & ~(WS_VISIBLE | DS_SETFONT);
  AdjustWindowRectEx(&frame, style, FALSE, dialog.exStyle);
  return CreateWindowEx(dialog.exStyle, kDialogClassName, dialog.title.c_str(), style,
                        origin.x + frame.left, origin.y + frame.top, frame.right - frame.left,
                        frame.bottom - frame.top, parent, nullptr, nullptr);
}

bool CreateControl(HWND dialog, const DialogItem& item) {
  const char* className =
      item.windowClass.isOrdinal ? ClassOfOrdinal(item.windowClass.ordinal) : nullptr;
  const std::string named = item.windowClass.text;
  if (className == nullptr && !item.windowClass.isOrdinal) className = named.c_str();
  if (className == nullptr) return false;
  const std::string text = item.title.isOrdinal ? std::string() : item.title.text;
  RECT place{item.x, item.y, item.x + item.cx, item.y + item.cy};
  MapDialogRect(dialog, &place);
  const HWND control =
      CreateWindowEx(item.exStyle, className, text.c_str(), item.style | WS_CHILD, place.left,
                     place.top, place.right - place.left, place.bottom - place.top, dialog,
                     reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)), nullptr);
  if (control == nullptr) return false;
  // Each control goes behind the ones before it, so that Tab follows the template.
  SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const LRESULT font = SendMessage(dialog, WM_GETFONT, 0, 0);
  if (font) SendMessage(control, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return true;
}

// Makes the dialog and its controls and initialises it; shown only when `show` is set and the
// template asks for it.
HWND MakeDialog(const void* dialogTemplate, uint32_t size, HWND parent, DLGPROC procedure,
                LPARAM param, bool show) {
  if (dialogTemplate == nullptr) return nullptr;
  const auto dialog = ReadDialogTemplate(static_cast<const uint8_t*>(dialogTemplate), size);
  if (!dialog) return nullptr;
  EnsureDialogClass();
  auto state = std::make_unique<DialogState>();
  TakeTemplateFont(*state, *dialog);
  const HWND window = CreateDialogWindow(*dialog, *state, parent);
  if (window == nullptr) {
    if (state->ownFont) DeleteObject(state->ownFont);
    return nullptr;
  }
  DialogState* kept = state.release();
  SetWindowLongPtr(window, kStateOffset, reinterpret_cast<LONG_PTR>(kept));
  SetWindowLongPtr(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (kept->ownFont)
    SendMessage(window, WM_SETFONT, reinterpret_cast<WPARAM>(kept->ownFont), FALSE);
  for (const DialogItem& item : dialog->items) {
    if (IsWindow(window) && CreateControl(window, item)) continue;
    DestroyWindow(window);
    return nullptr;
  }
  const HWND focus = FirstTabStop(window);
  if (SendMessage(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param) != 0 &&
      focus != nullptr && IsWindow(focus)) {
    SetFocus(focus);
    // As when the keys bring the focus to an edit field: what the user types first replaces
    // the field's text.
    MSG probe{};
    if (SendMessage(focus, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&probe)) & DLGC_HASSETSEL)
      SendMessage(focus, EM_SETSEL, 0, -1);
  }
  if (!IsWindow(window)) return nullptr;
  const HWND focused = GetFocus();
  if (focused && IsChild(window, focused)) kept->savedFocus = focused;
  if (show && (dialog->style & WS_VISIBLE) != 0) ShowWindow(window, SW_SHOW);
  return window;
}

const void* FindTemplate(HMODULE& module, LPCSTR templateName, uint32_t* size) {
  if (module == nullptr) module = FindResourceModule(templateName, RT_DIALOG);
  const HRSRC resource = FindResource(module, templateName, RT_DIALOG);
  if (resource == nullptr) return nullptr;
  *size = SizeofResource(module, resource);
  return LockResource(LoadResource(module, resource));
}

}  // namespace

DialogState* FindDialogState(HWND dialog) {
  char name[16];
  if (GetClassName(dialog, name, sizeof name) == 0 || std::string(name) != kDialogClassName)
    return nullptr;
  return reinterpret_cast<DialogState*>(GetWindowLongPtr(dialog, kStateOffset));
}

HWND CreateDialogIndirectParam(const void* dialogTemplate, uint32_t size, HWND parent,
                               DLGPROC procedure, LPARAM param) {
  return MakeDialog(dialogTemplate, size, parent, procedure, param, true);
}

HWND CreateDialogParam(HMODULE module, LPCSTR templateName, HWND parent, DLGPROC procedure,
                       LPARAM param) {
  uint32_t size = 0;
  const void* bytes = FindTemplate(module, templateName, &size);
  return bytes ? CreateDialogIndirectParam(bytes, size, parent, procedure, param) : nullptr;
}

intptr_t DialogBoxIndirectParam(const void* dialogTemplate, uint32_t size, HWND parent,
                                DLGPROC procedure, LPARAM param) {
  const HWND dialog = MakeDialog(dialogTemplate, size, parent, procedure, param, false);
  if (!dialog) return -1;
  const intptr_t result = RunModalDialog(dialog, nullptr);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  return result;
}

intptr_t DialogBoxParam(HMODULE module, LPCSTR templateName, HWND parent, DLGPROC procedure,
                        LPARAM param) {
  uint32_t size = 0;
  const void* bytes = FindTemplate(module, templateName, &size);
  return bytes ? DialogBoxIndirectParam(bytes, size, parent, procedure, param) : -1;
}

BOOL EndDialog(HWND dialog, intptr_t result) {
  DialogState* state = FindDialogState(dialog);
  if (!state) return FALSE;
  state->ended = true;
  state->result = result;
  // The windows are enabled before the dialog hides, so that its owner is the one activated.
  EnableAgain(state->disabledByRun);
  ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

intptr_t RunModalDialog(HWND dialog, const DialogMessageFilter& filter) {
  DialogState* state = FindDialogState(dialog);
  if (!state) return -1;
  const HWND owner = GetWindow(dialog, GW_OWNER);
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  state->modal = true;
  // Kept here too: a dialog destroyed during its run takes its state with it.
  std::vector<HWND> disabled;
  if (!state->ended) {
    disabled = DisableOtherWindows(dialog);
    state->disabledByRun = disabled;
    ShowWindow(dialog, SW_SHOW);
    SetActiveWindow(dialog);
  }
  MSG message;
  while (IsWindow(dialog) && !FindDialogState(dialog)->ended) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    const BOOL used = filter ? filter(&message) : IsDialogMessage(dialog, &message);
    if (used) continue;
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
  intptr_t result = IDCANCEL;
  if (DialogState* still = FindDialogState(dialog)) {
    if (still->ended) result = still->result;
    still->modal = false;
    EnableAgain(still->disabledByRun);
  } else {
    EnableAgain(disabled);
  }
  if (ownerWasEnabled && IsWindow(owner)) SetActiveWindow(owner);
  return result;
}

bool IsDialogModal(HWND dialog) {
  const DialogState* state = FindDialogState(dialog);
  return state && state->modal;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
  const DialogState* state = FindDialogState(dialog);
  if (!state || !rect) return FALSE;
  rect->left = MulDivRound(rect->left, state->baseUnitX, 4);
  rect->right = MulDivRound(rect->right, state->baseUnitX, 4);
  rect->top = MulDivRound(rect->top, state->baseUnitY, 8);
  rect->bottom = MulDivRound(rect->bottom, state->baseUnitY, 8);
  return TRUE;
}

LONG GetDialogBaseUnits() {
  return MAKELONG(kDialogBaseUnitX, kDialogBaseUnitY);
}

BOOL SetDlgItemText(HWND dialog, int32_t id, const char* text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowText(item, text) : FALSE;
}

std::string GetDlgItemTextString(HWND dialog, int32_t id) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? GetWindowTextString(item) : std::string();
}

LRESULT SendDlgItemMessage(HWND dialog, int32_t id, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SendMessage(item, message, wParam, lParam) : 0;
}

BOOL CheckDlgButton(HWND dialog, int32_t id, UINT check) {
  const HWND item = GetDlgItem(dialog, id);
  if (!item) return FALSE;
  SendMessage(item, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int32_t id) {
  return static_cast<UINT>(SendDlgItemMessage(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int32_t first, int32_t last, int32_t check) {
  BOOL found = FALSE;
  for (int32_t id = first; id <= last; ++id) {
    const HWND item = GetDlgItem(dialog, id);
    if (!item) continue;
    found = TRUE;
    SendMessage(item, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return found;
}
