// The dialog keys: Tab and arrow navigation, Return, Escape and F1 for the dialogs of Dialog.h.

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/win32/Button.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/DialogState.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

void CollectControls(HWND parent, std::vector<HWND>& controls) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetWindowLongPtr(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
      CollectControls(child, controls);
    else
      controls.push_back(child);
  }
}

// Shown and enabled, and so are the windows between it and the dialog.
bool Reachable(HWND control) {
  return IsWindowVisible(control) && IsWindowEnabled(control) &&
         IsWindowEnabled(GetParent(control));
}

// The control of the dialog that holds `window`.
HWND ControlOf(const std::vector<HWND>& controls, HWND window) {
  while (window && std::find(controls.begin(), controls.end(), window) == controls.end())
    window = GetParent(window);
  return window;
}

// Steps from `at` through `controls` (cyclic) to the first one `wanted` accepts.
template <typename Wanted>
HWND Step(const std::vector<HWND>& controls, size_t at, bool previous, Wanted wanted) {
  const size_t count = controls.size();
  for (size_t step = 1; step <= count; ++step) {
    const size_t index = previous ? (at + count - step) % count : (at + step) % count;
    if (wanted(controls[index])) return controls[index];
  }
  return nullptr;
}

LRESULT DialogCodeOf(HWND control, const MSG& message) {
  return control ? SendMessage(control, WM_GETDLGCODE, message.wParam,
                               reinterpret_cast<LPARAM>(&message))
                 : 0;
}

void MoveFocus(HWND target) {
  if (!target) return;
  SetFocus(target);
  MSG probe{};
  if (DialogCodeOf(target, probe) & DLGC_HASSETSEL) SendMessage(target, EM_SETSEL, 0, -1);
}

void Command(HWND dialog, int32_t id) {
  const HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) {
    MessageBeep(0);
    return;
  }
  SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELONG(id, BN_CLICKED)),
              reinterpret_cast<LPARAM>(button));
}

void Return(HWND dialog, HWND focus, LRESULT code) {
  if ((code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) && focus && IsWindowEnabled(focus)) {
    Command(dialog, GetDlgCtrlID(focus));
    return;
  }
  const LRESULT answer = SendMessage(dialog, DM_GETDEFID, 0, 0);
  Command(dialog, HIWORD(static_cast<uintptr_t>(answer)) == DC_HASDEFID
                      ? LOWORD(static_cast<uintptr_t>(answer))
                      : IDOK);
}

void Help(HWND dialog, HWND focus) {
  const HWND target = focus ? focus : dialog;
  HELPINFO info;
  info.iCtrlId = focus ? GetDlgCtrlID(focus) : 0;
  info.hItemHandle = target;
  GetCursorPos(&info.MousePos);
  SendMessage(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

// The letter after the '&' of a control's text ("&&" is a plain '&'), or 0.
char Mnemonic(HWND control) {
  const std::string text = GetWindowTextString(control);
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&')
      return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    ++i;
  }
  return 0;
}

// A letter typed with Alt, or where the focused control takes no characters: the control it
// names is clicked (a button) or focused (the control after a label). True when one was found.
bool MnemonicKey(HWND dialog, HWND focus, int32_t key) {
  const int32_t character = CharacterOfKey(key);
  if (character <= ' ' || character > 0x7E) return false;
  const char wanted = static_cast<char>(std::tolower(character));
  const std::vector<HWND> controls = DialogControls(dialog);
  const auto at = std::find(controls.begin(), controls.end(), ControlOf(controls, focus));
  const size_t start =
      at == controls.end() ? controls.size() - 1 : static_cast<size_t>(at - controls.begin());
  const HWND named = Step(controls, start, false, [wanted](HWND candidate) {
    return Reachable(candidate) && Mnemonic(candidate) == wanted;
  });
  if (!named) return false;
  MSG probe{};
  const LRESULT code = DialogCodeOf(named, probe);
  if (code & DLGC_STATIC) {
    const auto label = std::find(controls.begin(), controls.end(), named);
    const HWND next =
        Step(controls, static_cast<size_t>(label - controls.begin()), false, [](HWND candidate) {
          return Reachable(candidate) &&
                 !(SendMessage(candidate, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
        });
    MoveFocus(next);
    return true;
  }
  if (code & DLGC_BUTTON) {
    if (!(code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) SetFocus(named);
    SendMessage(named, BM_CLICK, 0, 0);
    return true;
  }
  MoveFocus(named);
  return true;
}

// A key-down the dialog takes for itself; false when it belongs to the focused control.
bool DialogKey(HWND dialog, const MSG& message) {
  const HWND focus = GetFocus();
  const HWND inside = focus && IsChild(dialog, focus) ? focus : nullptr;
  const LRESULT code = DialogCodeOf(inside, message);
  if (code & DLGC_WANTALLKEYS) return false;
  const auto key = static_cast<int32_t>(message.wParam);
  switch (key) {
    case VK_TAB:
      if (code & DLGC_WANTTAB) return false;
      MoveFocus(GetNextDlgTabItem(dialog, inside, GetKeyState(VK_SHIFT) < 0));
      return true;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      if (code & DLGC_WANTARROWS) return false;
      const HWND target = GetNextDlgGroupItem(dialog, inside, key == VK_LEFT || key == VK_UP);
      if (!target || target == inside) return true;
      MoveFocus(target);
      if ((GetWindowLongPtr(target, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON &&
          (DialogCodeOf(target, message) & DLGC_RADIOBUTTON))
        SendMessage(target, BM_CLICK, 0, 0);
      return true;
    }
    case VK_RETURN:
      Return(dialog, inside, code);
      return true;
    case VK_ESCAPE:
      Command(dialog, IDCANCEL);
      return true;
    case VK_F1:
      Help(dialog, inside);
      return true;
    default:
      // Letters name controls unless the focused control takes them as text.
      if ((code & DLGC_WANTCHARS) || GetKeyState(VK_CONTROL) < 0) return false;
      return MnemonicKey(dialog, inside, key);
  }
}

}  // namespace

std::vector<HWND> DialogControls(HWND dialog) {
  std::vector<HWND> controls;
  CollectControls(dialog, controls);
  return controls;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  const std::vector<HWND> controls = DialogControls(dialog);
  if (controls.empty()) return nullptr;
  const auto wanted = [](HWND candidate) {
    return Reachable(candidate) && (GetWindowLongPtr(candidate, GWL_STYLE) & WS_TABSTOP);
  };
  const auto at = std::find(controls.begin(), controls.end(), ControlOf(controls, control));
  if (at == controls.end()) {
    // From nowhere: the first (or, backwards, the last) control that takes the focus.
    return Step(controls, previous ? 0 : controls.size() - 1, previous, wanted);
  }
  const HWND found = Step(controls, static_cast<size_t>(at - controls.begin()), previous, wanted);
  return found ? found : *at;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  const std::vector<HWND> controls = DialogControls(dialog);
  const auto at = std::find(controls.begin(), controls.end(), ControlOf(controls, control));
  if (at == controls.end()) return nullptr;
  // The group runs from a control with WS_GROUP to the one before the next such control.
  auto first = at;
  while (first != controls.begin() && !(GetWindowLongPtr(*first, GWL_STYLE) & WS_GROUP))
    --first;
  auto last = at + 1;
  while (last != controls.end() && !(GetWindowLongPtr(*last, GWL_STYLE) & WS_GROUP))
    ++last;
  const std::vector<HWND> group(first, last);
  const HWND found = Step(group, static_cast<size_t>(at - first), previous, Reachable);
  return found ? found : *at;
}

BOOL IsDialogMessage(HWND dialog, MSG* message) {
  if (!message || !dialog || !IsWindow(dialog)) return FALSE;
  if (message->hwnd != dialog && !IsChild(dialog, message->hwnd)) return FALSE;
  if (message->message == WM_KEYDOWN && DialogKey(dialog, *message)) return TRUE;
  if (message->message == WM_SYSKEYDOWN &&
      MnemonicKey(dialog, GetFocus(), static_cast<int32_t>(message->wParam)))
    return TRUE;
  TranslateMessage(message);
  DispatchMessage(message);
  return TRUE;
}
