#include "platform/win32/FontDialog.h"

#include <pango/pangocairo.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/RichEditTypes.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

constexpr char kSampleClass[] = "YbFontSample";
constexpr char kSampleText[] = "AaBbYyZz";
constexpr int32_t kMinPoints = 1;
constexpr int32_t kMaxPoints = 1638;
constexpr int32_t kDefaultPoints = 10;
constexpr int32_t kPointsPerInch = 72;
constexpr const char* kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};

struct NamedColour {
  const char* name;
  COLORREF colour;
};
constexpr NamedColour kColours[] = {
    {"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
    {"Navy", 0x800000},  {"Purple", 0x800080}, {"Teal", 0x808000},  {"Grey", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},   {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF}};

struct FontDialogState {
  CHOOSEFONT* choose = nullptr;
  std::vector<std::string> faces;
  HFONT sampleFont = nullptr;
  LOGFONT chosen{};
  COLORREF colour = 0;
};

HWND& OpenDialog() {
  static HWND dialog = nullptr;
  return dialog;
}

FontDialogState* StateOf(HWND dialog) {
  return reinterpret_cast<FontDialogState*>(GetWindowLongPtr(dialog, DWLP_USER));
}

int32_t ScreenPixelsPerInch() {
  const HDC dc = CreateCompatibleDC(nullptr);
  const int32_t perInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) DeleteDC(dc);
  return perInch > 0 ? perInch : 96;
}

int32_t PointsOfHeight(LONG height) {
  if (height == 0) return kDefaultPoints;
  const int32_t pixels = std::abs(height);
  return std::max(kMinPoints, (pixels * kPointsPerInch + ScreenPixelsPerInch() / 2) /
                                  ScreenPixelsPerInch());
}

HWND Child(HWND dialog, const char* className, const char* text, DWORD style, int32_t id,
           int32_t x, int32_t y, int32_t width, int32_t height) {
  return CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                        dialog, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
}

LRESULT Item(HWND dialog, int32_t id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendDlgItemMessage(dialog, id, message, wParam, lParam);
}

// The choice as the controls show it; false when the size is not a whole number in range.
bool ReadChoice(HWND dialog, FontDialogState& state, LOGFONT& font, int32_t& points) {
  font = state.chosen;
  const auto face = static_cast<int32_t>(Item(dialog, kFontFaceList, LB_GETCURSEL));
  if (face >= 0 && face < static_cast<int32_t>(state.faces.size())) {
    CopyFaceName(font.lfFaceName, state.faces[static_cast<size_t>(face)].c_str());
  }
  const auto style = static_cast<int32_t>(Item(dialog, kFontStyleList, LB_GETCURSEL));
  font.lfItalic = (style == 1 || style == 3) ? 1 : 0;
  font.lfWeight = (style >= 2) ? FW_BOLD : FW_NORMAL;
  font.lfUnderline = IsDlgButtonChecked(dialog, kFontUnderlineBox) == BST_CHECKED ? 1 : 0;
  font.lfStrikeOut = IsDlgButtonChecked(dialog, kFontStrikeOutBox) == BST_CHECKED ? 1 : 0;
  const std::string size = GetDlgItemTextString(dialog, kFontSizeEdit);
  char* end = nullptr;
  const long value = std::strtol(size.c_str(), &end, 10);
  points = static_cast<int32_t>(value);
  if (size.empty() || *end != '\0' || value < kMinPoints || value > kMaxPoints) return false;
  font.lfHeight = -((points * ScreenPixelsPerInch() + kPointsPerInch / 2) / kPointsPerInch);
  const auto colour = static_cast<int32_t>(Item(dialog, kFontColourList, CB_GETCURSEL));
  if (colour >= 0 && colour < static_cast<int32_t>(std::size(kColours)))
    state.colour = kColours[colour].colour;
  return true;
}

void ShowSample(HWND dialog, FontDialogState& state) {
  LOGFONT font;
  int32_t points = 0;
  if (!ReadChoice(dialog, state, font, points)) return;
  if (state.sampleFont) DeleteObject(state.sampleFont);
  state.sampleFont = CreateFontIndirect(&font);
  InvalidateRect(GetDlgItem(dialog, kFontSample), nullptr, TRUE);
}

LRESULT SampleProc(HWND sample, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(sample, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(sample, &paint);
  RECT client;
  GetClientRect(sample, &client);
  FillSolid(dc, client, kControlWindow);
  FrameSolid(dc, client, kControlGrayText);
  const FontDialogState* state = StateOf(GetParent(sample));
  if (state && state->sampleFont) {
    const HGDIOBJ old = SelectObject(dc, state->sampleFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state->colour);
    DrawText(dc, kSampleText, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  EndPaint(sample, &paint);
  return 0;
}

void SelectFace(HWND dialog, const FontDialogState& state, const char* face) {
  const auto found = std::find_if(state.faces.begin(), state.faces.end(), [face](const auto& f) {
    return strcasecmp(f.c_str(), face) == 0;
  });
  const auto index = found == state.faces.end() ? 0 : found - state.faces.begin();
  Item(dialog, kFontFaceList, LB_SETCURSEL, static_cast<WPARAM>(index));
}

void BuildControls(HWND dialog, FontDialogState& state) {
  const DWORD flags = state.choose->Flags;
  const bool effects = (flags & CF_EFFECTS) != 0;
  Child(dialog, kStaticClass, "&Font:", SS_LEFT, -1, 8, 8, 180, 16);
  Child(dialog, kListBoxClass, "", LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, kFontFaceList,
        8, 26, 180, 150);
  Child(dialog, kStaticClass, "Font st&yle:", SS_LEFT, -1, 196, 8, 100, 16);
  Child(dialog, kListBoxClass, "", LBS_NOTIFY | WS_BORDER | WS_TABSTOP, kFontStyleList, 196, 26,
        100, 70);
  Child(dialog, kStaticClass, "&Size:", SS_LEFT, -1, 304, 8, 60, 16);
  Child(dialog, kEditClass, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kFontSizeEdit, 304, 26,
        60, 20);
  if (effects) {
    Child(dialog, kButtonClass, "Stri&keout", BS_AUTOCHECKBOX | WS_TABSTOP, kFontStrikeOutBox, 196,
          104, 100, 18);
    Child(dialog, kButtonClass, "&Underline", BS_AUTOCHECKBOX | WS_TABSTOP, kFontUnderlineBox, 196,
          124, 100, 18);
    Child(dialog, kComboBoxClass, "", CBS_DROPDOWNLIST | WS_TABSTOP, kFontColourList, 196, 150,
          168, 200);
  }
  Child(dialog, kSampleClass, "", 0, kFontSample, 8, 184, 356, 48);
  Child(dialog, kButtonClass, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, 196, 240, 80, 24);
  Child(dialog, kButtonClass, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 284, 240, 80, 24);

  for (const std::string& face : state.faces)
    Item(dialog, kFontFaceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face.c_str()));
  for (const char* style : kStyles)
    Item(dialog, kFontStyleList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(style));
  for (const NamedColour& colour : kColours)
    Item(dialog, kFontColourList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(colour.name));
}

// The controls show the starting choice: the LOGFONT's when asked to, else the defaults.
void ShowStart(HWND dialog, FontDialogState& state) {
  const CHOOSEFONT& choose = *state.choose;
  const bool fromLog = (choose.Flags & CF_INITTOLOGFONTSTRUCT) && choose.lpLogFont;
  state.chosen = fromLog ? *choose.lpLogFont : LOGFONT{};
  SelectFace(dialog, state, state.chosen.lfFaceName[0] ? state.chosen.lfFaceName : "DejaVu Sans");
  const int32_t style = (state.chosen.lfItalic ? 1 : 0) + (state.chosen.lfWeight >= FW_BOLD ? 2 : 0);
  Item(dialog, kFontStyleList, LB_SETCURSEL, static_cast<WPARAM>(style));
  const int32_t points = fromLog ? PointsOfHeight(state.chosen.lfHeight) : kDefaultPoints;
  SetDlgItemText(dialog, kFontSizeEdit, std::to_string(points).c_str());
  CheckDlgButton(dialog, kFontUnderlineBox, state.chosen.lfUnderline ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kFontStrikeOutBox, state.chosen.lfStrikeOut ? BST_CHECKED : BST_UNCHECKED);
  state.colour = choose.rgbColors;
  const auto colour = std::find_if(std::begin(kColours), std::end(kColours),
                                   [&](const NamedColour& c) { return c.colour == state.colour; });
  Item(dialog, kFontColourList, CB_SETCURSEL,
       static_cast<WPARAM>(colour == std::end(kColours) ? 0 : colour - std::begin(kColours)));
  ShowSample(dialog, state);
}

void Confirm(HWND dialog, FontDialogState& state) {
  LOGFONT font;
  int32_t points = 0;
  if (!ReadChoice(dialog, state, font, points)) {
    MessageBox(dialog, "Size must be a whole number of points from 1 to 1638.", "Font",
               MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, kFontSizeEdit));
    return;
  }
  CHOOSEFONT& choose = *state.choose;
  if (choose.lpLogFont) *choose.lpLogFont = font;
  choose.iPointSize = points * 10;
  if (choose.Flags & CF_EFFECTS) choose.rgbColors = state.colour;
  EndDialog(dialog, IDOK);
}

intptr_t FontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtr(dialog, DWLP_USER, lParam);
    FontDialogState& state = *reinterpret_cast<FontDialogState*>(lParam);
    BuildControls(dialog, state);
    ShowStart(dialog, state);
    return TRUE;
  }
  FontDialogState* state = StateOf(dialog);
  if (!state || message != WM_COMMAND) return FALSE;
  const int32_t id = LOWORD(wParam);
  if (id == IDOK) {
    Confirm(dialog, *state);
    return TRUE;
  }
  if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  ShowSample(dialog, *state);
  return FALSE;
}

// A template of the dialog alone: its controls are made at WM_INITDIALOG.
std::vector<uint8_t> EmptyTemplate() {
  std::vector<uint8_t> bytes;
  const auto word = [&bytes](uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  };
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  word(static_cast<uint16_t>(style & 0xFFFF));
  word(static_cast<uint16_t>(style >> 16));
  word(0);
  word(0);
  word(0);  // no controls
  for (const int16_t value : {40, 40, 248, 170}) word(static_cast<uint16_t>(value));
  word(0);  // no menu
  word(0);  // the standard class
  for (const char c : std::string("Font")) word(static_cast<uint8_t>(c));
  word(0);
  return bytes;
}

void RegisterSampleClass() {
  if (GetClassInfo(kSampleClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = SampleProc;
  windowClass.lpszClassName = kSampleClass;
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}

}  // namespace

std::vector<std::string> FontFaceNames() {
  std::vector<std::string> names;
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(map, &families, &count);
  for (int i = 0; i < count; ++i) {
    const char* name = pango_font_family_get_name(families[i]);
    if (name && std::strlen(name) < static_cast<size_t>(LF_FACESIZE)) names.emplace_back(name);
  }
  g_free(families);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

HWND GetFontDialogWindow() {
  return OpenDialog();
}

BOOL ChooseFont(CHOOSEFONT* choose) {
  if (!choose) return FALSE;
  RegisterStandardControls();
  RegisterSampleClass();
  FontDialogState state;
  state.choose = choose;
  state.faces = FontFaceNames();
  const std::vector<uint8_t> bytes = EmptyTemplate();
  const HWND previous = OpenDialog();
  const HWND dialog = CreateDialogIndirectParam(bytes.data(), static_cast<uint32_t>(bytes.size()),
                                                choose->hwndOwner, FontDialogProc,
                                                reinterpret_cast<LPARAM>(&state));
  if (!dialog) return FALSE;
  OpenDialog() = dialog;
  const intptr_t result = RunModalDialog(dialog, nullptr);
  OpenDialog() = previous;
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (state.sampleFont) DeleteObject(state.sampleFont);
  return result == IDOK ? TRUE : FALSE;
}
