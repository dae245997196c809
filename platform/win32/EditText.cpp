#include "platform/win32/EditText.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace {

bool IsWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
         static_cast<unsigned char>(c) >= 0xC0;
}

}  // namespace

std::string EditText::selectedText() const {
  return text_.substr(static_cast<size_t>(selectionStart()),
                      static_cast<size_t>(selectionEnd() - selectionStart()));
}

int32_t EditText::Clamp(int32_t position) const {
  position = std::clamp(position, 0, length());
  // Never between the two characters of a line break.
  if (position > 0 && position < length() && text_[static_cast<size_t>(position - 1)] == '\r' &&
      text_[static_cast<size_t>(position)] == '\n')
    --position;
  return position;
}

void EditText::SetText(const std::string& text) {
  text_ = text;
  anchor_ = caret_ = 0;
  ForgetUndo();
}

void EditText::Select(int32_t anchor, int32_t caret) {
  anchor_ = Clamp(anchor);
  caret_ = Clamp(caret);
  typingRun_ = false;
}

void EditText::MoveCaret(int32_t position, bool extend) {
  caret_ = Clamp(position);
  if (!extend) anchor_ = caret_;
  typingRun_ = false;
}

void EditText::Remember() {
  undoText_ = text_;
  undoAnchor_ = anchor_;
  undoCaret_ = caret_;
  undoable_ = true;
}

bool EditText::ReplaceSelection(const std::string& replacement, bool typing, bool canUndo) {
  const int32_t start = selectionStart();
  const int32_t removed = selectionEnd() - start;
  const int32_t room = limit_ - (length() - removed);
  const bool fits = static_cast<int32_t>(replacement.size()) <= room;
  std::string inserted = replacement.substr(0, static_cast<size_t>(std::max(0, room)));
  // A line break is never cut in half.
  if (!fits && !inserted.empty() && inserted.back() == '\r') inserted.pop_back();
  if (inserted.empty() && removed == 0) return fits;
  if (canUndo && !(typing && typingRun_ && removed == 0)) Remember();
  if (!canUndo) ForgetUndo();
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(removed), inserted);
  anchor_ = caret_ = start + static_cast<int32_t>(inserted.size());
  typingRun_ = typing;
  return fits;
}

bool EditText::DeleteBack() {
  if (!hasSelection()) {
    if (caret_ == 0) return false;
    anchor_ = StepLeft(caret_);
  }
  typingRun_ = false;
  ReplaceSelection(std::string(), false);
  return true;
}

bool EditText::DeleteForward() {
  if (!hasSelection()) {
    if (caret_ >= length()) return false;
    anchor_ = StepRight(caret_);
  }
  typingRun_ = false;
  ReplaceSelection(std::string(), false);
  return true;
}

bool EditText::Undo() {
  if (!undoable_) return false;
  std::swap(text_, undoText_);
  std::swap(anchor_, undoAnchor_);
  std::swap(caret_, undoCaret_);
  typingRun_ = false;
  return true;
}

void EditText::ForgetUndo() {
  undoable_ = false;
  typingRun_ = false;
  undoText_.clear();
}

void EditText::SetLimit(int32_t limit) {
  limit_ = limit < 1 ? INT32_MAX : limit;
}

int32_t EditText::LineCount() const {
  int32_t count = 1;
  for (size_t i = 0; i + 1 < text_.size(); ++i)
    if (text_[i] == '\r' && text_[i + 1] == '\n') ++count;
  return count;
}

int32_t EditText::LineStart(int32_t line) const {
  if (line <= 0) return 0;
  int32_t current = 0;
  for (size_t i = 0; i + 1 < text_.size(); ++i) {
    if (text_[i] == '\r' && text_[i + 1] == '\n' && ++current == line)
      return static_cast<int32_t>(i + 2);
  }
  return -1;
}

int32_t EditText::LineLength(int32_t line) const {
  const int32_t start = LineStart(line);
  if (start < 0) return 0;
  const size_t end = text_.find("\r\n", static_cast<size_t>(start));
  return static_cast<int32_t>((end == std::string::npos ? text_.size() : end) -
                              static_cast<size_t>(start));
}

int32_t EditText::LineOf(int32_t position) const {
  position = std::clamp(position, 0, length());
  int32_t line = 0;
  for (int32_t i = 0; i + 2 <= position; ++i) {
    if (text_[static_cast<size_t>(i)] == '\r' && text_[static_cast<size_t>(i + 1)] == '\n') ++line;
  }
  return line;
}

int32_t EditText::StepLeft(int32_t position) const {
  if (position <= 0) return 0;
  if (position >= 2 && text_.compare(static_cast<size_t>(position - 2), 2, "\r\n") == 0)
    return position - 2;
  return position - 1;
}

int32_t EditText::StepRight(int32_t position) const {
  if (position >= length()) return length();
  if (text_.compare(static_cast<size_t>(position), 2, "\r\n") == 0) return position + 2;
  return position + 1;
}

int32_t EditText::WordStart(int32_t position) const {
  position = std::clamp(position, 0, length());
  while (position > 0 && IsWordCharacter(text_[static_cast<size_t>(position - 1)]))
    --position;
  return position;
}

int32_t EditText::WordEnd(int32_t position) const {
  position = std::clamp(position, 0, length());
  while (position < length() && IsWordCharacter(text_[static_cast<size_t>(position)]))
    ++position;
  return position;
}
