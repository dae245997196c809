#include "platform/win32/ColorChooser.h"

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/Button.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr std::array<COLORREF, 16> kBasic = {
    0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x0000FF, 0x008080, 0x00FFFF,
    0x008000, 0x00FF00, 0x808000, 0xFFFF00, 0x800000, 0xFF0000, 0x800080, 0xFF00FF};
constexpr uint16_t kButtonClass = kTemplateButtonClass;
constexpr uint16_t kEditClass = kTemplateEditClass;
constexpr uint16_t kStaticClass = kTemplateStaticClass;

HWND& ChooserWindow() {
  static HWND window = nullptr;
  return window;
}

std::vector<uint8_t> ChooserTemplate() {
  constexpr uint16_t kCount = 16 + 16 + 11;
  TemplateWriter w;
  w.Long(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
  w.Long(0);
  w.Word(kCount);
  for (int16_t value : {int16_t{20}, int16_t{20}, int16_t{222}, int16_t{150}}) {
    w.Word(static_cast<uint16_t>(value));
  }
  w.Word(0);
  w.Word(0);
  w.Text("Colour");
  for (int i = 0; i < 16; ++i) {
    w.Item(BS_OWNERDRAW | WS_TABSTOP, static_cast<uint16_t>(kChooserBasicFirst + i), kButtonClass,
           "", static_cast<int16_t>(8 + (i % 8) * 14), static_cast<int16_t>(18 + (i / 8) * 14), 12,
           12);
  }
  for (int i = 0; i < 16; ++i) {
    w.Item(BS_OWNERDRAW | WS_TABSTOP, static_cast<uint16_t>(kChooserCustomFirst + i),
           kButtonClass, "", static_cast<int16_t>(8 + (i % 8) * 14),
           static_cast<int16_t>(62 + (i / 8) * 14), 12, 12);
  }
  w.Item(0, 0xFFFF, kStaticClass, "Basic colours:", 8, 6, 110, 10);
  w.Item(0, 0xFFFF, kStaticClass, "Custom colours:", 8, 50, 110, 10);
  w.Item(BS_OWNERDRAW | WS_DISABLED, kChooserSample, kButtonClass, "", 128, 18, 86, 36);
  w.Item(0, 0xFFFF, kStaticClass, "Red:", 128, 62, 36, 10);
  w.Item(WS_BORDER | WS_TABSTOP, kChooserRed, kEditClass, "", 168, 60, 46, 12);
  w.Item(0, 0xFFFF, kStaticClass, "Green:", 128, 78, 36, 10);
  w.Item(WS_BORDER | WS_TABSTOP, kChooserGreen, kEditClass, "", 168, 76, 46, 12);
  w.Item(0, 0xFFFF, kStaticClass, "Blue:", 128, 94, 36, 10);
  w.Item(WS_BORDER | WS_TABSTOP, kChooserBlue, kEditClass, "", 168, 92, 46, 12);
  w.Item(WS_TABSTOP, kChooserAddCustom, kButtonClass, "Add to Custom Colours", 8, 96, 110, 14);
  w.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonClass, "OK", 104, 128, 52, 14);
  w.Item(WS_TABSTOP, IDCANCEL, kButtonClass, "Cancel", 162, 128, 52, 14);
  return w.bytes;
}

struct ChooserState {
  CHOOSECOLOR* record = nullptr;
  COLORREF colour = 0;
  std::array<COLORREF, 16> custom{};
  int32_t nextCustom = 0;
  bool filling = false;
};

ChooserState* StateOf(HWND dialog) {
  return reinterpret_cast<ChooserState*>(GetWindowLongPtr(dialog, DWLP_USER));
}

void ShowChannels(HWND dialog, ChooserState& state) {
  state.filling = true;
  SetDlgItemText(dialog, kChooserRed, std::to_string(GetRValue(state.colour)).c_str());
  SetDlgItemText(dialog, kChooserGreen, std::to_string(GetGValue(state.colour)).c_str());
  SetDlgItemText(dialog, kChooserBlue, std::to_string(GetBValue(state.colour)).c_str());
  state.filling = false;
  InvalidateRect(GetDlgItem(dialog, kChooserSample), nullptr, TRUE);
}

// A channel field's value; false when it is not a whole number from 0 to 255.
bool ReadChannel(HWND dialog, int32_t id, int32_t& value) {
  const std::string text = GetDlgItemTextString(dialog, id);
  if (text.empty() || text.size() > 3) return false;
  char* end = nullptr;
  const long read = std::strtol(text.c_str(), &end, 10);
  if (end == nullptr || *end != '\0' || read < 0 || read > 255) return false;
  value = static_cast<int32_t>(read);
  return true;
}

// The mixed colour, or the field that refuses its text.
int32_t ReadChannels(HWND dialog, COLORREF& colour) {
  int32_t channels[3] = {};
  const int32_t ids[3] = {kChooserRed, kChooserGreen, kChooserBlue};
  for (int i = 0; i < 3; ++i) {
    if (!ReadChannel(dialog, ids[i], channels[i])) return ids[i];
  }
  colour = RGB(channels[0], channels[1], channels[2]);
  return 0;
}

COLORREF SwatchColour(const ChooserState& state, int32_t id) {
  if (id >= kChooserBasicFirst && id < kChooserBasicFirst + 16) {
    return kBasic[static_cast<size_t>(id - kChooserBasicFirst)];
  }
  if (id >= kChooserCustomFirst && id < kChooserCustomFirst + 16) {
    return state.custom[static_cast<size_t>(id - kChooserCustomFirst)];
  }
  return state.colour;
}

void DrawSwatch(const ChooserState& state, const DRAWITEMSTRUCT& draw) {
  const HBRUSH brush = CreateSolidBrush(SwatchColour(state, static_cast<int32_t>(draw.CtlID)));
  FillRect(draw.hDC, &draw.rcItem, brush);
  DeleteObject(brush);
  FrameRect(draw.hDC, &draw.rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if ((draw.itemState & ODS_FOCUS) != 0) {
    RECT inner = draw.rcItem;
    InflateRect(&inner, -2, -2);
    FrameRect(draw.hDC, &inner, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
}

void Command(HWND dialog, ChooserState& state, int32_t id, WORD code) {
  if (id == IDCANCEL) {
    EndDialog(dialog, 0);
    return;
  }
  if (id == IDOK) {
    COLORREF colour = 0;
    if (const int32_t refused = ReadChannels(dialog, colour); refused != 0) {
      MessageBeep(0);
      SetFocus(GetDlgItem(dialog, refused));
      SendDlgItemMessage(dialog, refused, EM_SETSEL, 0, -1);
      return;
    }
    state.record->rgbResult = colour;
    for (size_t i = 0; i < state.custom.size(); ++i) state.record->lpCustColors[i] = state.custom[i];
    EndDialog(dialog, 1);
    return;
  }
  if (id == kChooserAddCustom && code == BN_CLICKED) {
    state.custom[static_cast<size_t>(state.nextCustom)] = state.colour;
    InvalidateRect(GetDlgItem(dialog, kChooserCustomFirst + state.nextCustom), nullptr, TRUE);
    state.nextCustom = (state.nextCustom + 1) % 16;
    return;
  }
  if (code == EN_CHANGE && !state.filling) {
    COLORREF colour = 0;
    if (ReadChannels(dialog, colour) == 0) {
      state.colour = colour;
      InvalidateRect(GetDlgItem(dialog, kChooserSample), nullptr, TRUE);
    }
    return;
  }
  const bool swatch = (id >= kChooserBasicFirst && id < kChooserBasicFirst + 16) ||
                      (id >= kChooserCustomFirst && id < kChooserCustomFirst + 16);
  if (swatch && code == BN_CLICKED) {
    state.colour = SwatchColour(state, id);
    ShowChannels(dialog, state);
  }
}

intptr_t ChooserProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<ChooserState*>(lParam);
      SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
      ChooserWindow() = dialog;
      ShowChannels(dialog, *state);
      // Return confirms from anywhere but a swatch; the red field takes the keys first.
      SendMessage(dialog, DM_SETDEFID, IDOK, 0);
      SetFocus(GetDlgItem(dialog, kChooserRed));
      return FALSE;
    }
    case WM_DRAWITEM: {
      ChooserState* const state = StateOf(dialog);
      if (state == nullptr) return FALSE;
      DrawSwatch(*state, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    }
    case WM_COMMAND: {
      ChooserState* const state = StateOf(dialog);
      if (state == nullptr) return FALSE;
      Command(dialog, *state, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_DESTROY:
      if (ChooserWindow() == dialog) ChooserWindow() = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

const COLORREF* ChooserBasicColours() { return kBasic.data(); }

HWND GetColorChooserWindow() { return ChooserWindow(); }

BOOL ChooseColorA(CHOOSECOLOR* choose) {
  if (choose == nullptr || choose->lStructSize != kChooseColorRecordSize ||
      choose->lpCustColors == nullptr) {
    return FALSE;
  }
  ChooserState state;
  state.record = choose;
  state.colour = (choose->Flags & CC_RGBINIT) != 0 ? choose->rgbResult : 0;
  for (size_t i = 0; i < state.custom.size(); ++i) state.custom[i] = choose->lpCustColors[i];
  const std::vector<uint8_t> bytes = ChooserTemplate();
  const intptr_t result =
      DialogBoxIndirectParam(bytes.data(), static_cast<uint32_t>(bytes.size()), choose->hwndOwner,
                             ChooserProcedure, reinterpret_cast<LPARAM>(&state));
  return result == 1 ? TRUE : FALSE;
}
