#pragma once
// The text of an edit control apart from its window: the characters, the selection (an anchor
// and a caret, either may be the larger), the line starts of a multi-line text ("\r\n" ends a
// line), a length limit and one step of undo. Undoing swaps the text back, so undoing twice
// redoes; characters typed one after another undo as one step.

#include <cstdint>
#include <string>

class EditText {
 public:
  const std::string& text() const { return text_; }
  int32_t length() const { return static_cast<int32_t>(text_.size()); }
  int32_t anchor() const { return anchor_; }
  int32_t caret() const { return caret_; }
  int32_t selectionStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  int32_t selectionEnd() const { return anchor_ < caret_ ? caret_ : anchor_; }
  bool hasSelection() const { return anchor_ != caret_; }
  std::string selectedText() const;

  // Replaces the whole text; forgets the undo step; the caret goes to the start.
  void SetText(const std::string& text);
  // Clamps both ends to the text and keeps them off the middle of a line break.
  void Select(int32_t anchor, int32_t caret);
  // Moves the caret; with `extend` the anchor stays.
  void MoveCaret(int32_t position, bool extend);

  // Replaces the selection; answers false when the limit leaves no room (what fits is put in
  // and the rest dropped). `typing` joins the undo step of the characters typed just before.
  bool ReplaceSelection(const std::string& replacement, bool typing, bool canUndo = true);
  // Backspace and Delete: the selection, or the character (a whole line break) before or after
  // the caret. False when there was nothing to delete.
  bool DeleteBack();
  bool DeleteForward();

  bool CanUndo() const { return undoable_; }
  bool Undo();
  void ForgetUndo();

  // A limit below 1 means the largest text.
  void SetLimit(int32_t limit);
  int32_t limit() const { return limit_; }

  // Lines: count, start of a line, its length without the break, the line of a position.
  int32_t LineCount() const;
  int32_t LineStart(int32_t line) const;
  int32_t LineLength(int32_t line) const;
  int32_t LineOf(int32_t position) const;

  // The position one character left or right of the caret (a line break is one step).
  int32_t StepLeft(int32_t position) const;
  int32_t StepRight(int32_t position) const;
  // The start and end of the word around a position.
  int32_t WordStart(int32_t position) const;
  int32_t WordEnd(int32_t position) const;

 private:
  int32_t Clamp(int32_t position) const;
  void Remember();

  std::string text_;
  int32_t anchor_ = 0;
  int32_t caret_ = 0;
  int32_t limit_ = 30000;
  bool undoable_ = false;
  bool typingRun_ = false;
  std::string undoText_;
  int32_t undoAnchor_ = 0;
  int32_t undoCaret_ = 0;
};
