// Search, indentation and the watched variables of the edit window.

#include <algorithm>
#include <cctype>
#include <string>

#include "basic/editor/EditWindowState.h"
#include "platform/win32/Edit.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace basic_editor {
namespace {

constexpr size_t kMaxWatchName = 80;

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

char Folded(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Folded(x) == Folded(y); });
}

std::pair<DWORD, DWORD> SelectionRange(const EditWindowState& state) {
  DWORD start = 0;
  DWORD end = 0;
  SendMessage(state.text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

}  // namespace

// Searches forward from the end of the selection, never around past the end, so that replacing
// every match ends even when the replacement holds the text searched for.
LRESULT Find(EditWindowState& state, WPARAM flags, const char* what) {
  if (what == nullptr || *what == '\0') return 0;
  const std::string text = TextOf(state);
  const std::string needle(what);
  const bool matchCase = (flags & kEditFindMatchCase) != 0;
  const bool wholeWord = (flags & kEditFindWholeWord) != 0;
  for (size_t at = SelectionRange(state).second; at + needle.size() <= text.size(); ++at) {
    bool same = true;
    for (size_t i = 0; i < needle.size() && same; ++i)
      same = matchCase ? text[at + i] == needle[i] : Folded(text[at + i]) == Folded(needle[i]);
    if (!same) continue;
    if (wholeWord && ((at > 0 && IsWordChar(text[at - 1])) ||
                      (at + needle.size() < text.size() && IsWordChar(text[at + needle.size()]))))
      continue;
    SendMessage(state.text, EM_SETSEL, at, at + needle.size());
    SendMessage(state.text, EM_SCROLLCARET, 0, 0);
    return static_cast<LRESULT>(at) + 1;
  }
  return 0;
}

// Indents or outdents the lines of the selection (the caret's line without one) by the indent
// width; outdenting takes off at most that many leading spaces, or one tab.
LRESULT Reindent(EditWindowState& state, bool outdent, bool onlyAsk) {
  const auto [start, end] = SelectionRange(state);
  const auto first = static_cast<int32_t>(SendMessage(state.text, EM_LINEFROMCHAR, start, 0));
  auto last = static_cast<int32_t>(SendMessage(state.text, EM_LINEFROMCHAR, end, 0));
  if (last > first && static_cast<LRESULT>(end) == SendMessage(state.text, EM_LINEINDEX, last, 0)) --last;
  const std::string text = TextOf(state);
  const auto blockStart = static_cast<size_t>(SendMessage(state.text, EM_LINEINDEX, first, 0));
  const auto lastStart = static_cast<size_t>(SendMessage(state.text, EM_LINEINDEX, last, 0));
  size_t blockEnd = text.find("\r\n", lastStart);
  if (blockEnd == std::string::npos) blockEnd = text.size();
  std::string block;
  bool changes = false;
  size_t lineStart = blockStart;
  while (lineStart <= blockEnd) {
    size_t lineEnd = text.find("\r\n", lineStart);
    if (lineEnd == std::string::npos || lineEnd > blockEnd) lineEnd = blockEnd;
    std::string line = text.substr(lineStart, lineEnd - lineStart);
    if (outdent) {
      size_t cut = 0;
      if (!line.empty() && line[0] == '\t') cut = 1;
      while (cut < line.size() && cut < static_cast<size_t>(state.indentWidth) && line[cut] == ' ') ++cut;
      if (cut > 0) changes = true;
      line.erase(0, cut);
    } else if (!line.empty()) {
      line.insert(0, static_cast<size_t>(state.indentWidth), ' ');
      changes = true;
    }
    block += line;
    if (lineEnd >= blockEnd) break;
    block += "\r\n";
    lineStart = lineEnd + 2;
  }
  if (onlyAsk) return changes ? 1 : 0;
  if (!changes || state.readOnly || state.runState != 0) return 0;
  SendMessage(state.text, EM_SETSEL, blockStart, blockEnd);
  SendMessage(state.text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(block.c_str()));
  SendMessage(state.text, EM_SETSEL, blockStart, blockStart + block.size());
  return 1;
}

std::string WordAtCaret(const EditWindowState& state) {
  const std::string text = TextOf(state);
  const auto [start, end] = SelectionRange(state);
  size_t from = std::min<size_t>(start, text.size());
  size_t to = from;
  while (from > 0 && IsWordChar(text[from - 1])) --from;
  while (to < text.size() && IsWordChar(text[to])) ++to;
  (void)end;
  return text.substr(from, to - from);
}

void ShowWatches(EditWindowState& state) {
  const auto chosen = SendMessage(state.watches, LB_GETCURSEL, 0, 0);
  SendMessage(state.watches, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : state.watchNames) {
    std::string line = name;
    if (state.runState == 1 && state.run != nullptr) {
      std::string value;
      line += ScriptReadVariable(state.run, name.c_str(), &value) ? " = " + value : ": not known here";
    }
    SendMessage(state.watches, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  }
  if (chosen >= 0) SendMessage(state.watches, LB_SETCURSEL, chosen, 0);
}

// Watches the selected name, or the word at the caret: a name of at most 80 characters, once.
// A selection that is no name (the whole line a stop highlights) is not watched: only names can
// be read at a stop.
LRESULT AddWatch(EditWindowState& state) {
  const auto [start, end] = SelectionRange(state);
  std::string name = end > start ? TextOf(state).substr(start, end - start) : WordAtCaret(state);
  const auto notSpace = [](char c) { return c != ' ' && c != '\t'; };
  name.erase(name.begin(), std::find_if(name.begin(), name.end(), notSpace));
  name.erase(std::find_if(name.rbegin(), name.rend(), notSpace).base(), name.end());
  if (name.empty() || name.size() > kMaxWatchName || !std::all_of(name.begin(), name.end(), IsWordChar))
    return 0;
  for (const std::string& known : state.watchNames)
    if (SameName(known, name)) return 0;
  const bool wasEmpty = state.watchNames.empty();
  state.watchNames.push_back(name);
  ShowWatches(state);
  if (wasEmpty) Layout(state);
  return 1;
}

// Deletes the watch of that name, or with none the one chosen in the pane.
LRESULT DeleteWatch(EditWindowState& state, const char* name) {
  auto it = state.watchNames.end();
  if (name != nullptr) {
    it = std::find_if(state.watchNames.begin(), state.watchNames.end(),
                      [&](const std::string& known) { return SameName(known, name); });
  } else {
    const auto chosen = SendMessage(state.watches, LB_GETCURSEL, 0, 0);
    if (chosen >= 0 && static_cast<size_t>(chosen) < state.watchNames.size()) it = state.watchNames.begin() + chosen;
  }
  if (it == state.watchNames.end()) return 0;
  state.watchNames.erase(it);
  ShowWatches(state);
  if (state.watchNames.empty()) Layout(state);
  return 1;
}

}  // namespace basic_editor
