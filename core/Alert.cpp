#include "core/Alert.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Failure.h"
#include "core/NumberText.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

constexpr char kProgramErrorText[] = "a program error occurred";
constexpr char kAlertCaption[] = "Yarrowby";
constexpr int kPlaceholderRounds = 32;
constexpr uint32_t kErrorTableType = MakeTag("errs");
constexpr uint32_t kEntrySize = 6;

struct AlertState {
  Str255 texts[4];
  Str255 detail;
  int16_t alertFree = 1;
  std::FILE* windowless = nullptr;
};

AlertState& State() {
  static AlertState state;
  return state;
}

// Reporting a failure must not fail: a lookup that raises (no memory for a resource copy, the
// handle pool not built yet) leaves its text empty.
template <class Step>
void Quietly(Step step) {
  try {
    step();
  } catch (const QVException&) {
  }
}

int16_t ReadInt16(const char* bytes) {
  int16_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// The answer nobody gave: the one that does not go ahead.
int32_t WindowlessAnswer(UINT style) {
  switch (style & 0x0F) {
    case MB_YESNO:
      return IDNO;
    case MB_OKCANCEL:
      return IDCANCEL;
    default:
      return IDOK;
  }
}

// The alert's text on one line: its line breaks become single spaces, and the spaces that empty
// placeholders leave at its end go.
std::string OneLine(const std::string& text) {
  std::string line;
  for (const char c : text) {
    const bool gap = c == '\n' || c == '\r' || c == ' ';
    if (gap && (line.empty() || line.back() == ' ')) continue;
    line += gap ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// Writes the alert and what was answered for nobody, and answers that.
int32_t WriteAndAnswer(std::FILE* stream, const std::string& text, UINT style) {
  const int32_t answer = WindowlessAnswer(style);
  const char* const answered = answer == IDNO       ? " (answered No)"
                               : answer == IDCANCEL ? " (answered Cancel)"
                                                    : "";
  std::fprintf(stream, "Yarrowby: %s%s\n", OneLine(text).c_str(), answered);
  std::fflush(stream);
  return answer;
}

// Shows the text in a message box with the alert-free flag cleared meanwhile.
int32_t ShowBox(const std::string& text, UINT style) {
  AlertState& state = State();
  if (state.windowless != nullptr) return WriteAndAnswer(state.windowless, text, style);
  state.alertFree = 0;
  const int32_t answer = MessageBox(GetActiveWindow(), text.c_str(), kAlertCaption, style);
  state.alertFree = 1;
  return answer;
}

}  // namespace

int16_t& AlertFreeFlag() {
  return State().alertFree;
}

void SetWindowlessAlerts(std::FILE* stream) {
  State().windowless = stream;
}

bool AlertsAreWindowless() {
  return State().windowless != nullptr;
}

Str255& FailureDetailText() {
  return State().detail;
}

void SetAlertTexts(const Str255& text0, const Str255& text1, const Str255& text2,
                   const Str255& text3) {
  AlertState& state = State();
  state.texts[0] = text0.IsEmpty() ? Str255(kProgramErrorText) : text0;
  state.texts[1] = text1;
  state.texts[2] = text2;
  state.texts[3] = text3;
}

const Str255& AlertText(int index) {
  return State().texts[std::clamp(index, 0, 3)];
}

void BuildAlertText(Str255& out, int16_t alert) {
  out = Str255();
  Quietly([&] { GetIndString(out, kAlertTemplateList, alert); });
  for (int round = 0; round < kPlaceholderRounds; ++round) {
    // The first '^' and the character after it; a '^' that is not followed by 0 to 3 uses up
    // the round, so placeholders after it stay as they are.
    const int caret = out.PosOfCString("^");
    if (caret == 0 || caret >= out.Length()) return;
    const char digit = static_cast<char>(*out.CharAt(caret + 1));
    if (digit < '0' || digit > '3') continue;
    const char placeholder[3] = {'^', digit, '\0'};
    out.ReplaceAllCopy(Str255(placeholder), State().texts[digit - '0']);
  }
}

namespace {

// The alert's text as BuildAlertText fills it, but whole: the box shows every text of the alert
// even when together they pass 255 characters (a path and the cause of a failure, say).
std::string AssembledAlertText(int16_t alert) {
  Str255 pattern;
  Quietly([&] { GetIndString(pattern, kAlertTemplateList, alert); });
  std::string out(pattern.Chars(), pattern.Length());
  for (int round = 0; round < kPlaceholderRounds; ++round) {
    const size_t caret = out.find('^');
    if (caret == std::string::npos || caret + 1 >= out.size()) break;
    const char digit = out[caret + 1];
    if (digit < '0' || digit > '3') continue;
    const Str255& fill = State().texts[digit - '0'];
    const std::string text(fill.Chars(), fill.Length());
    const char placeholder[3] = {'^', digit, '\0'};
    for (size_t at = out.find(placeholder); at != std::string::npos;
         at = out.find(placeholder, at + text.size()))
      out.replace(at, 2, text);
  }
  return out;
}

}  // namespace

int32_t ShowAlert(int16_t alert) {
  return ShowBox(AssembledAlertText(alert), MB_OK | MB_ICONEXCLAMATION);
}

bool AskYesNo(int16_t alert, int32_t) {
  return ShowBox(AssembledAlertText(alert), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool AskYesNoDefault(int16_t alert) {
  return AskYesNo(alert, 0);
}

bool WarnMayCancel(const Str255& text, bool offerCancel) {
  const UINT buttons = offerCancel ? MB_OKCANCEL : MB_OK;
  const std::string shown(text.Chars(), text.Length());
  const bool cancelled = ShowBox(shown, buttons | MB_ICONEXCLAMATION) == IDCANCEL;
  return cancelled && offerCancel;
}

bool LookupErrorText(int16_t error, int16_t table, Str255& out) {
  Handle resource = nullptr;
  Quietly([&] { resource = GetResourceHandle(kErrorTableType, table); });
  if (!resource) return false;
  const uint32_t size = resource->size;
  // The tables end with an entry that is never examined.
  const uint32_t entries = size / kEntrySize > 0 ? size / kEntrySize - 1 : 0;
  int16_t list = 0;
  bool matched = false;
  for (uint32_t i = 0; i < entries && !matched; ++i) {
    const char* entry = HandleData(resource) + i * kEntrySize;
    const int16_t low = ReadInt16(entry);
    const int16_t high = ReadInt16(entry + 2);
    const int16_t index = ReadInt16(entry + 4);
    if (low == 0) list = index;
    if (low <= error && error <= high) {
      matched = true;
      out = Str255();
      if (index > 0) Quietly([&] { GetIndString(out, list, index); });
    }
  }
  ReleaseResourceHandle(resource);
  return matched;
}

bool GetErrorText(int16_t error, int16_t table, Str255& out) {
  return LookupErrorText(error, table, out);
}

bool GetErrorTextWithOverride(int16_t error, int16_t table, Str255& out) {
  return LookupErrorText(error, static_cast<int16_t>(table + kOverrideTableOffset), out) ||
         LookupErrorText(error, table, out);
}

bool GetErrorTextCWithOverride(int16_t error, int16_t table, char* out, int32_t capacity) {
  Str255 text;
  const bool found = GetErrorTextWithOverride(error, table, text);
  if (out && capacity > 0) {
    const int32_t length = std::min<int32_t>(text.Length(), capacity - 1);
    std::memcpy(out, text.Chars(), static_cast<size_t>(length));
    out[length] = '\0';
  }
  return found;
}

void ErrorAlert(int16_t error, int32_t message) {
  const auto low = static_cast<int16_t>(message & 0xFFFF);
  const auto high = static_cast<int16_t>((static_cast<uint32_t>(message) >> 16) & 0xFFFF);
  int16_t alert = kAlertWithMessage;
  Str255 messageText;
  Str255 errorText;
  Str255 recoveryText;
  if (low == 0) {
    alert = kAlertWithCommand;
    // Command 0 is no command: a failure reported without a message names none.
    if (high != 0) Quietly([&] { GetCommandName(high, messageText); });
  } else {
    Quietly([&] { GetIndString(messageText, high, low); });
  }
  GetErrorTextWithOverride(error, kErrorTextTable, errorText);
  GetErrorTextWithOverride(error, kRecoveryTextTable, recoveryText);
  SetAlertTexts(errorText, recoveryText, messageText, FailureDetailText());
  if (messageText.IsEmpty()) alert = kAlertWithoutMessage;
  ShowAlert(alert);
}
