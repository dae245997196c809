#include "platform/win32/Dialog.h"

#include <map>
#include <optional>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/ResourceText.h"
#include "platform/win32/Window.h"

namespace {

// A name field of a template: an ordinal or a text.
struct NameField {
  bool isOrdinal = false;
  uint16_t ordinal = 0;
  std::string text;
};

// Reads a template, every item checked against its size.
class TemplateReader {
 public:
  TemplateReader(const uint8_t* bytes, uint32_t size) : bytes_(bytes), size_(size) {}

  std::optional<uint16_t> Word() {
    if (size_ - position_ < 2) return std::nullopt;
    const uint16_t value = static_cast<uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }
  std::optional<uint32_t> Long() {
    const auto low = Word();
    const auto high = Word();
    if (!low || !high) return std::nullopt;
    return static_cast<uint32_t>(*low) | static_cast<uint32_t>(*high) << 16;
  }
  std::optional<int16_t> Short() {
    const auto word = Word();
    if (!word) return std::nullopt;
    return static_cast<int16_t>(*word);
  }
  // A NUL-terminated UTF-16 text, as the program's single-byte characters.
  std::optional<std::string> Text() {
    std::string text;
    for (;;) {
      const auto unit = Word();
      if (!unit) return std::nullopt;
      if (*unit == 0) return text;
      uint8_t byte = '?';
      if (!ResourceCharFromUnicode(*unit, byte)) byte = '?';
      text.push_back(static_cast<char>(byte));
    }
  }
  std::optional<NameField> Name() {
    const auto first = Word();
    if (!first) return std::nullopt;
    NameField field;
    if (*first == 0) return field;
    if (*first == 0xFFFF) {
      const auto ordinal = Word();
      if (!ordinal) return std::nullopt;
      field.isOrdinal = true;
      field.ordinal = *ordinal;
      return field;
    }
    position_ -= 2;
    auto text = Text();
    if (!text) return std::nullopt;
    field.text = std::move(*text);
    return field;
  }
  bool AlignToLong() {
    position_ = (position_ + 3u) & ~3u;
    return position_ <= size_;
  }
  bool Skip(uint32_t count) {
    if (size_ - position_ < count) return false;
    position_ += count;
    return true;
  }

 private:
  const uint8_t* bytes_;
  uint32_t size_;
  uint32_t position_ = 0;
};

struct DialogItem {
  DWORD style = 0;
  DWORD exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint16_t id = 0;
  NameField windowClass;
  NameField title;
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::string title;
  std::vector<DialogItem> items;
};

std::optional<DialogItem> ReadItem(TemplateReader& reader) {
  DialogItem item;
  if (!reader.AlignToLong()) return std::nullopt;
  const auto style = reader.Long();
  const auto exStyle = reader.Long();
  const auto x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
  const auto id = reader.Word();
  if (!style || !exStyle || !x || !y || !cx || !cy || !id) return std::nullopt;
  auto windowClass = reader.Name();
  if (!windowClass) return std::nullopt;
  auto title = reader.Name();
  const auto extra = reader.Word();
  if (!title || !extra || !reader.Skip(*extra)) return std::nullopt;
  item.style = *style;
  item.exStyle = *exStyle;
  item.x = *x;
  item.y = *y;
  item.cx = *cx;
  item.cy = *cy;
  item.id = *id;
  item.windowClass = std::move(*windowClass);
  item.title = std::move(*title);
  return item;
}

std::optional<DialogTemplate> ReadTemplate(const uint8_t* bytes, uint32_t size) {
  TemplateReader reader(bytes, size);
  DialogTemplate dialog;
  const auto style = reader.Long();
  const auto exStyle = reader.Long();
  const auto count = reader.Word();
  const auto x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
  if (!style || !exStyle || !count || !x || !y || !cx || !cy) return std::nullopt;
  const auto menu = reader.Name();
  const auto windowClass = reader.Name();
  auto title = reader.Text();
  if (!menu || !windowClass || !title) return std::nullopt;
  if ((*style & DS_SETFONT) != 0) {
    const auto points = reader.Word();
    const auto face = reader.Text();
    if (!points || !face) return std::nullopt;
  }
  dialog.style = *style;
  dialog.exStyle = *exStyle;
  dialog.x = *x;
  dialog.y = *y;
  dialog.cx = *cx;
  dialog.cy = *cy;
  dialog.title = std::move(*title);
  for (uint16_t i = 0; i < *count; ++i) {
    auto item = ReadItem(reader);
    if (!item) return std::nullopt;
    dialog.items.push_back(std::move(*item));
  }
  return dialog;
}

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

int32_t UnitsToPixelsX(int32_t units) {
  return units * kDialogBaseUnitX / 4;
}
int32_t UnitsToPixelsY(int32_t units) {
  return units * kDialogBaseUnitY / 8;
}

// The modal dialogs running now, with how they ended.
struct ModalState {
  bool ended = false;
  intptr_t result = 0;
};

std::map<HWND, ModalState>& ModalDialogs() {
  static std::map<HWND, ModalState> dialogs;
  return dialogs;
}

LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto procedure = reinterpret_cast<DLGPROC>(GetWindowLongPtr(dialog, DWLP_DLGPROC));
  if (procedure != nullptr) {
    const intptr_t handled = procedure(dialog, message, wParam, lParam);
    if (handled != 0) return handled;
  }
  if (message == WM_COMMAND && ModalDialogs().count(dialog) != 0 &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return 0;
  }
  if (message == WM_CLOSE) {
    SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELONG(IDCANCEL, BN_CLICKED)),
                reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    return 0;
  }
  return DefWindowProc(dialog, message, wParam, lParam);
}

void EnsureDialogClass() {
  RegisterStandardControls();
  if (GetClassInfo(kDialogClassName, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = DialogWindowProc;
  windowClass.lpszClassName = kDialogClassName;
  windowClass.cbWndExtra = 2 * static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = 0x00F0F0F0;
  RegisterClass(&windowClass);
}

HWND CreateDialogWindow(const DialogTemplate& dialog, HWND parent) {
  POINT origin{UnitsToPixelsX(dialog.x), UnitsToPixelsY(dialog.y)};
  if (parent != nullptr && (dialog.style & WS_CHILD) == 0) ClientToScreen(parent, &origin);
  RECT frame{0, 0, UnitsToPixelsX(dialog.cx), UnitsToPixelsY(dialog.cy)};
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
  const HWND control = CreateWindowEx(
      item.exStyle, className, text.c_str(), item.style | WS_CHILD, UnitsToPixelsX(item.x),
      UnitsToPixelsY(item.y), UnitsToPixelsX(item.cx), UnitsToPixelsY(item.cy), dialog,
      reinterpret_cast<HMENU>(static_cast<uintptr_t>(item.id)), nullptr);
  return control != nullptr;
}

HWND FirstTabStop(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtr(child, GWL_STYLE) & WS_TABSTOP) != 0) return child;
  }
  return nullptr;
}

}  // namespace

HWND CreateDialogIndirectParam(const void* dialogTemplate, uint32_t size, HWND parent,
                               DLGPROC procedure, LPARAM param) {
  if (dialogTemplate == nullptr) return nullptr;
  const auto dialog = ReadTemplate(static_cast<const uint8_t*>(dialogTemplate), size);
  if (!dialog) return nullptr;
  EnsureDialogClass();
  const HWND window = CreateDialogWindow(*dialog, parent);
  if (window == nullptr) return nullptr;
  SetWindowLongPtr(window, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(procedure));
  for (const DialogItem& item : dialog->items) {
    if (CreateControl(window, item)) continue;
    DestroyWindow(window);
    return nullptr;
  }
  const HWND focus = FirstTabStop(window);
  if (SendMessage(window, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param) != 0 &&
      focus != nullptr) {
    SetFocus(focus);
  }
  if (!IsWindow(window)) return nullptr;
  if ((dialog->style & WS_VISIBLE) != 0) ShowWindow(window, SW_SHOW);
  return window;
}

HWND CreateDialogParam(HMODULE module, LPCSTR templateName, HWND parent, DLGPROC procedure,
                       LPARAM param) {
  if (module == nullptr) module = FindResourceModule(templateName, RT_DIALOG);
  const HRSRC resource = FindResource(module, templateName, RT_DIALOG);
  if (resource == nullptr) return nullptr;
  const HGLOBAL loaded = LoadResource(module, resource);
  return CreateDialogIndirectParam(LockResource(loaded), SizeofResource(module, resource), parent,
                                   procedure, param);
}

BOOL EndDialog(HWND dialog, intptr_t result) {
  const auto found = ModalDialogs().find(dialog);
  if (found == ModalDialogs().end()) return FALSE;
  found->second.ended = true;
  found->second.result = result;
  return TRUE;
}

intptr_t DialogBoxParam(HMODULE module, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM param) {
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  const HWND ownerTop = owner != nullptr ? GetAncestorTopLevel(owner) : GetActiveWindow();
  const bool ownerWasEnabled = ownerTop != nullptr && IsWindowEnabled(ownerTop);
  if (ownerWasEnabled) EnableWindow(ownerTop, FALSE);
  const HWND dialog = CreateDialogParam(module, templateName, ownerTop, procedure, param);
  if (dialog == nullptr) {
    if (ownerWasEnabled && IsWindow(ownerTop)) EnableWindow(ownerTop, TRUE);
    return -1;
  }
  ModalDialogs()[dialog] = ModalState();
  ShowWindow(dialog, SW_SHOW);
  if (GetFocus() != dialog && !IsChild(dialog, GetFocus())) SetFocus(dialog);
  MSG message;
  while (IsWindow(dialog) && !ModalDialogs()[dialog].ended) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    const bool inDialog = message.hwnd == dialog || IsChild(dialog, message.hwnd);
    if (inDialog && message.message == WM_KEYDOWN &&
        (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
      const int32_t id = message.wParam == VK_RETURN ? IDOK : IDCANCEL;
      SendMessage(dialog, WM_COMMAND, static_cast<WPARAM>(MAKELONG(id, BN_CLICKED)),
                  reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
      continue;
    }
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
  const ModalState state = ModalDialogs()[dialog];
  ModalDialogs().erase(dialog);
  if (ownerWasEnabled && IsWindow(ownerTop)) EnableWindow(ownerTop, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (ownerTop != nullptr && IsWindow(ownerTop)) SetActiveWindow(ownerTop);
  return state.ended ? state.result : IDCANCEL;
}

BOOL SetDlgItemText(HWND dialog, int32_t id, const char* text) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? SetWindowText(item, text) : FALSE;
}

std::string GetDlgItemTextString(HWND dialog, int32_t id) {
  const HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? GetWindowTextString(item) : std::string();
}
