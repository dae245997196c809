#include "platform/richedit/RichEdit.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

// The edit control's state is in the first window word, ours in the second.
constexpr int32_t kRichStateOffset = static_cast<int32_t>(sizeof(LONG_PTR));
constexpr int32_t kTwipsPerInch = 1440;
constexpr int32_t kDefaultTwips = 200;  // 10 points
constexpr char kDefaultFace[] = "DejaVu Sans";
constexpr COLORREF kSelectionColour = 0x00D77800;
constexpr COLORREF kSelectedText = 0x00FFFFFF;
HMODULE const kRichEditModule = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5249));

WNDPROC gEditProc = nullptr;

struct RichState {
  CHARFORMAT format;
  WORD alignment = PFA_LEFT;
  DWORD eventMask = 0;
  DWORD options = 0;
  RECT formatRect{0, 0, 0, 0};
  bool ownRect = false;
  HFONT font = nullptr;
  int32_t requestedHeight = -1;
  bool selecting = false;

  RichState() {
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR | CFM_FACE |
                    CFM_SIZE;
    format.yHeight = kDefaultTwips;
    CopyFaceName(format.szFaceName, kDefaultFace);
  }
  ~RichState() {
    if (font) DeleteObject(font);
  }
  RichState(const RichState&) = delete;
  RichState& operator=(const RichState&) = delete;
};

RichState* StateOf(HWND rich) {
  return reinterpret_cast<RichState*>(GetWindowLongPtr(rich, kRichStateOffset));
}

LRESULT Edit(HWND rich, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return CallWindowProc(gEditProc, rich, message, wParam, lParam);
}

std::string TextOf(HWND rich) {
  return GetWindowTextString(rich);
}

RECT FormatRect(HWND rich, const RichState& state) {
  if (state.ownRect) return state.formatRect;
  RECT client;
  GetClientRect(rich, &client);
  return RECT{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
}

// The font of the format, made again when the format changes.
HFONT FontOf(HWND rich, RichState& state) {
  if (state.font) return state.font;
  LOGFONT log{};
  const HDC dc = GetDC(rich);
  const int32_t perInch = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(rich, dc);
  log.lfHeight = -std::max(1, state.format.yHeight * (perInch > 0 ? perInch : 96) / kTwipsPerInch);
  log.lfWeight = (state.format.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
  log.lfItalic = (state.format.dwEffects & CFE_ITALIC) ? 1 : 0;
  log.lfUnderline = (state.format.dwEffects & CFE_UNDERLINE) ? 1 : 0;
  log.lfStrikeOut = (state.format.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
  CopyFaceName(log.lfFaceName, state.format.szFaceName);
  state.font = CreateFontIndirect(&log);
  return state.font;
}

// A context of the control with the format's font selected.
class FormatDc {
 public:
  FormatDc(HWND rich, RichState& state) : rich_(rich), dc_(GetDC(rich)) {
    if (dc_) old_ = SelectObject(dc_, FontOf(rich, state));
  }
  ~FormatDc() {
    if (!dc_) return;
    SelectObject(dc_, old_);
    ReleaseDC(rich_, dc_);
  }
  FormatDc(const FormatDc&) = delete;
  FormatDc& operator=(const FormatDc&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND rich_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

int32_t Width(HDC dc, const std::string& text, int32_t start, int32_t count) {
  if (count <= 0 || !dc) return 0;
  SIZE size{0, 0};
  GetTextExtentPoint32(dc, text.c_str() + start, count, &size);
  return size.cx;
}

int32_t LineHeight(HDC dc) {
  TEXTMETRIC metrics{};
  if (!dc || !GetTextMetrics(dc, &metrics)) return 16;
  return std::max<int32_t>(1, metrics.tmHeight);
}

// Breaks one paragraph (no line breaks inside) into lines no wider than `width`, at blanks
// where it can; a word wider than the line is broken where it must be.
void WrapParagraph(HDC dc, const std::string& text, int32_t start, int32_t end, int32_t width,
                   std::vector<RichEditLine>& lines) {
  if (start == end) {
    lines.push_back(RichEditLine{start, 0});
    return;
  }
  int32_t from = start;
  while (from < end) {
    int32_t fit = from;
    int32_t lastBreak = -1;
    while (fit < end && Width(dc, text, from, fit - from + 1) <= width) {
      if (text[static_cast<size_t>(fit)] == ' ') lastBreak = fit;
      ++fit;
    }
    if (fit >= end) {
      lines.push_back(RichEditLine{from, end - from});
      return;
    }
    int32_t next = lastBreak >= from ? lastBreak + 1 : std::max(fit, from + 1);
    lines.push_back(RichEditLine{from, next - from});
    from = next;
  }
}

std::vector<RichEditLine> Layout(HWND rich, HDC dc, const RichState& state) {
  const std::string text = TextOf(rich);
  const RECT area = FormatRect(rich, state);
  const int32_t width = std::max<int32_t>(1, area.right - area.left);
  std::vector<RichEditLine> lines;
  int32_t start = 0;
  const auto length = static_cast<int32_t>(text.size());
  while (true) {
    const size_t found = text.find("\r\n", static_cast<size_t>(start));
    const int32_t end = found == std::string::npos ? length : static_cast<int32_t>(found);
    WrapParagraph(dc, text, start, end, width, lines);
    if (found == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

int32_t LineLeft(HDC dc, const std::string& text, const RichEditLine& line, const RECT& area,
                 WORD alignment) {
  // Trailing blanks of a wrapped line take no room in its alignment.
  int32_t shown = line.length;
  while (shown > 0 && text[static_cast<size_t>(line.start + shown - 1)] == ' ') --shown;
  const int32_t width = Width(dc, text, line.start, shown);
  const int32_t room = area.right - area.left - width;
  if (alignment == PFA_CENTER) return area.left + room / 2;
  if (alignment == PFA_RIGHT) return area.left + room;
  return area.left;
}

void DrawLine(HDC dc, const std::string& text, const RichEditLine& line, int32_t x, int32_t y,
              int32_t height, int32_t selStart, int32_t selEnd, COLORREF colour) {
  const int32_t end = line.start + line.length;
  int32_t at = line.start;
  // The runs of the line before, inside and after the selection.
  const int32_t cuts[] = {std::clamp(selStart, line.start, end), std::clamp(selEnd, line.start, end),
                          end};
  for (const int32_t cut : cuts) {
    if (cut <= at) continue;
    const bool selected = at >= selStart && cut <= selEnd && selStart < selEnd;
    const int32_t left = x + Width(dc, text, line.start, at - line.start);
    const int32_t width = Width(dc, text, at, cut - at);
    if (selected) FillSolid(dc, RECT{left, y, left + width, y + height}, kSelectionColour);
    SetTextColor(dc, selected ? kSelectedText : colour);
    TextOut(dc, left, y, text.c_str() + at, cut - at);
    at = cut;
  }
}

void Paint(HWND rich, RichState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(rich, &paint);
  if (!dc) return;
  RECT client;
  GetClientRect(rich, &client);
  FillSolid(dc, client, IsWindowEnabled(rich) ? kControlWindow : kDialogFace);
  if (GetWindowLongPtr(rich, GWL_STYLE) & WS_BORDER) FrameSolid(dc, client, kControlEdge);
  const HGDIOBJ old = SelectObject(dc, FontOf(rich, state));
  SetBkMode(dc, TRANSPARENT);
  const std::string text = TextOf(rich);
  const RECT area = FormatRect(rich, state);
  const int32_t height = LineHeight(dc);
  DWORD start = 0;
  DWORD end = 0;
  Edit(rich, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const COLORREF colour =
      (state.format.dwEffects & CFE_AUTOCOLOR) ? kControlText : state.format.crTextColor;
  const bool focused = GetFocus() == rich;
  int32_t y = area.top;
  for (const RichEditLine& line : Layout(rich, dc, state)) {
    const int32_t x = LineLeft(dc, text, line, area, state.alignment);
    DrawLine(dc, text, line, x, y, height, static_cast<int32_t>(start),
             focused ? static_cast<int32_t>(end) : static_cast<int32_t>(start), colour);
    const auto caret = static_cast<int32_t>(end);
    if (focused && start == end && caret >= line.start && caret <= line.start + line.length) {
      const int32_t cx = x + Width(dc, text, line.start, caret - line.start);
      FillSolid(dc, RECT{cx, y, cx + 1, y + height}, colour);
    }
    y += height;
  }
  SelectObject(dc, old);
  EndPaint(rich, &paint);
}

// The text height the lines need, in pixels.
int32_t TextHeight(HWND rich, RichState& state) {
  const FormatDc measuring(rich, state);
  return static_cast<int32_t>(Layout(rich, measuring.dc(), state).size()) *
         LineHeight(measuring.dc());
}

void RequestResize(HWND rich, RichState& state, bool always) {
  const int32_t height = TextHeight(rich, state);
  if (!always && height == state.requestedHeight) return;
  state.requestedHeight = height;
  if (!always && !(state.eventMask & ENM_REQUESTRESIZE)) return;
  const HWND parent = GetParent(rich);
  if (!parent) return;
  REQRESIZE request;
  request.nmhdr.hwndFrom = rich;
  request.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(rich));
  request.nmhdr.code = EN_REQUESTRESIZE;
  const RECT area = FormatRect(rich, state);
  request.rc = RECT{area.left, area.top, area.right, area.top + height};
  SendMessage(parent, WM_NOTIFY, request.nmhdr.idFrom, reinterpret_cast<LPARAM>(&request));
}

void FormatChanged(HWND rich, RichState& state) {
  if (state.font) DeleteObject(state.font);
  state.font = nullptr;
  InvalidateRect(rich, nullptr, TRUE);
  RequestResize(rich, state, false);
}

LRESULT SetCharFormat(HWND rich, RichState& state, LPARAM lParam) {
  const auto* format = reinterpret_cast<const CHARFORMAT*>(lParam);
  if (!format) return FALSE;
  constexpr DWORD kEffects = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
  const DWORD effects = format->dwMask & kEffects;
  state.format.dwEffects = (state.format.dwEffects & ~effects) | (format->dwEffects & effects);
  if (format->dwMask & CFM_COLOR) {
    state.format.dwEffects = (state.format.dwEffects & ~CFE_AUTOCOLOR) |
                             (format->dwEffects & CFE_AUTOCOLOR);
    state.format.crTextColor = format->crTextColor;
  }
  if ((format->dwMask & CFM_SIZE) && format->yHeight > 0) state.format.yHeight = format->yHeight;
  if ((format->dwMask & CFM_FACE) && format->szFaceName[0] != '\0') {
    CopyFaceName(state.format.szFaceName, format->szFaceName);
  }
  FormatChanged(rich, state);
  return TRUE;
}

LRESULT SetOptions(RichState& state, WPARAM operation, LPARAM lParam) {
  const auto flags = static_cast<DWORD>(lParam);
  switch (operation) {
    case ECOOP_SET: state.options = flags; break;
    case ECOOP_OR: state.options |= flags; break;
    case ECOOP_AND: state.options &= flags; break;
    case ECOOP_XOR: state.options ^= flags; break;
    default: break;
  }
  return static_cast<LRESULT>(state.options);
}

// The text position nearest a point of the client area.
int32_t PositionOfPoint(HWND rich, RichState& state, POINT point) {
  const FormatDc measuring(rich, state);
  const HDC dc = measuring.dc();
  const std::string text = TextOf(rich);
  const std::vector<RichEditLine> lines = Layout(rich, dc, state);
  const RECT area = FormatRect(rich, state);
  const int32_t height = LineHeight(dc);
  const auto row = static_cast<size_t>(
      std::clamp<int32_t>((point.y - area.top) / height, 0, static_cast<int32_t>(lines.size()) - 1));
  const RichEditLine& line = lines[row];
  const int32_t left = LineLeft(dc, text, line, area, state.alignment);
  int32_t best = line.start;
  for (int32_t i = 0; i <= line.length; ++i) {
    const int32_t x = left + Width(dc, text, line.start, i);
    const int32_t previous = left + Width(dc, text, line.start, std::max(0, i - 1));
    if (point.x >= (previous + x) / 2) best = line.start + i;
  }
  return best;
}

void MouseDown(HWND rich, RichState& state, LPARAM lParam) {
  SetFocus(rich);
  const int32_t position =
      PositionOfPoint(rich, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  DWORD anchor = static_cast<DWORD>(position);
  if (GetKeyState(VK_SHIFT) < 0) Edit(rich, EM_GETSEL, reinterpret_cast<WPARAM>(&anchor), 0);
  Edit(rich, EM_SETSEL, anchor, position);
  state.selecting = true;
  SetCapture(rich);
  InvalidateRect(rich, nullptr, TRUE);
}

void MouseMove(HWND rich, RichState& state, LPARAM lParam) {
  if (!state.selecting) return;
  DWORD anchor = 0;
  DWORD caret = 0;
  Edit(rich, EM_GETSEL, reinterpret_cast<WPARAM>(&anchor), reinterpret_cast<LPARAM>(&caret));
  const int32_t position =
      PositionOfPoint(rich, state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  Edit(rich, EM_SETSEL, anchor, position);
  InvalidateRect(rich, nullptr, TRUE);
}

bool ChangesText(UINT message) {
  switch (message) {
    case WM_CHAR: case WM_KEYDOWN: case WM_SETTEXT: case WM_CUT: case WM_PASTE: case WM_CLEAR:
    case EM_UNDO: case WM_UNDO: case EM_REPLACESEL:
      return true;
    default:
      return false;
  }
}

LRESULT RichMessage(HWND rich, RichState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(rich, state);
      return 0;
    case WM_LBUTTONDOWN:
      MouseDown(rich, state, lParam);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(rich, state, lParam);
      return 0;
    case WM_LBUTTONUP:
      state.selecting = false;
      ReleaseCapture();
      return 0;
    case EM_SETCHARFORMAT:
      return SetCharFormat(rich, state, lParam);
    case EM_GETCHARFORMAT:
      if (auto* out = reinterpret_cast<CHARFORMAT*>(lParam)) *out = state.format;
      return static_cast<LRESULT>(state.format.dwMask);
    case EM_SETPARAFORMAT: {
      const auto* format = reinterpret_cast<const PARAFORMAT*>(lParam);
      if (!format) return FALSE;
      if ((format->dwMask & PFM_ALIGNMENT) && format->wAlignment >= PFA_LEFT &&
          format->wAlignment <= PFA_CENTER) {
        state.alignment = format->wAlignment;
        InvalidateRect(rich, nullptr, TRUE);
      }
      return TRUE;
    }
    case EM_GETPARAFORMAT:
      if (auto* out = reinterpret_cast<PARAFORMAT*>(lParam)) {
        out->dwMask = PFM_ALIGNMENT;
        out->wAlignment = state.alignment;
      }
      return PFM_ALIGNMENT;
    case EM_SETEVENTMASK: {
      const DWORD old = state.eventMask;
      state.eventMask = static_cast<DWORD>(lParam);
      return static_cast<LRESULT>(old);
    }
    case EM_GETEVENTMASK:
      return static_cast<LRESULT>(state.eventMask);
    case EM_SETOPTIONS:
      return SetOptions(state, wParam, lParam);
    case EM_GETOPTIONS:
      return static_cast<LRESULT>(state.options);
    case EM_SETRECT:
      if (const auto* area = reinterpret_cast<const RECT*>(lParam)) {
        state.formatRect = *area;
        state.ownRect = true;
        InvalidateRect(rich, nullptr, TRUE);
      }
      return 0;
    case EM_GETRECT:
      if (auto* out = reinterpret_cast<RECT*>(lParam)) *out = FormatRect(rich, state);
      return 0;
    case EM_REQUESTRESIZE:
      RequestResize(rich, state, true);
      return 0;
    case EM_EXSETSEL:
      if (const auto* range = reinterpret_cast<const CHARRANGE*>(lParam)) {
        Edit(rich, EM_SETSEL, static_cast<WPARAM>(range->cpMin), range->cpMax);
        InvalidateRect(rich, nullptr, TRUE);
      }
      return 0;
    case EM_EXGETSEL:
      if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
        DWORD start = 0;
        DWORD end = 0;
        Edit(rich, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        range->cpMin = static_cast<LONG>(start);
        range->cpMax = static_cast<LONG>(end);
      }
      return 0;
    default: {
      const LRESULT result = Edit(rich, message, wParam, lParam);
      if (ChangesText(message)) {
        InvalidateRect(rich, nullptr, TRUE);
        RequestResize(rich, state, false);
      }
      if (message == EM_SETSEL || message == WM_SETFOCUS || message == WM_KILLFOCUS)
        InvalidateRect(rich, nullptr, TRUE);
      return result;
    }
  }
}

LRESULT RichEditProc(HWND rich, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(rich, kRichStateOffset,
                     reinterpret_cast<LONG_PTR>(std::make_unique<RichState>().release()));
    return Edit(rich, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    std::unique_ptr<RichState> gone(StateOf(rich));
    SetWindowLongPtr(rich, kRichStateOffset, 0);
    return Edit(rich, message, wParam, lParam);
  }
  RichState* state = StateOf(rich);
  if (!state) return Edit(rich, message, wParam, lParam);
  return RichMessage(rich, *state, message, wParam, lParam);
}

bool gLoaded = false;

void RegisterRichEditClass() {
  RegisterEditClass();
  WNDCLASS edit;
  if (!GetClassInfo(kEditClass, &edit)) return;
  gEditProc = edit.lpfnWndProc;
  if (!GetClassInfo(kRichEditClass, nullptr)) {
    WNDCLASS windowClass;
    windowClass.style = edit.style;
    windowClass.lpfnWndProc = RichEditProc;
    windowClass.lpszClassName = kRichEditClass;
    windowClass.cbWndExtra = 2 * static_cast<int32_t>(sizeof(LONG_PTR));
    windowClass.background = kNoBackground;
    RegisterClass(&windowClass);
  }
  gLoaded = true;
}

}  // namespace

HMODULE LoadRichEditLibrary(const char* name) {
  if (!name || strcasecmp(name, kRichEditLibrary) != 0) return nullptr;
  RegisterRichEditClass();
  return GetClassInfo(kRichEditClass, nullptr) ? kRichEditModule : nullptr;
}

bool IsRichEditLoaded() {
  return gLoaded && GetClassInfo(kRichEditClass, nullptr);
}

std::vector<RichEditLine> RichEditLines(HWND richEdit) {
  RichState* state = StateOf(richEdit);
  if (!state) return {};
  const FormatDc measuring(richEdit, *state);
  return Layout(richEdit, measuring.dc(), *state);
}
