#pragma once
// Typing an input's value: a plain edit control laid over the value text field of a text box, a
// table or a slider that shows its value. Return takes the number (with undo); text that is no
// number is thrown away and the field shows the value again. Tab or a click elsewhere ends the
// edit, applying a number typed without Return.

#include <cstdint>

#include "platform/mfc/FrameKeys.h"
#include "ui/controls/TextEditView.h"

class TInput;

// Identifier of the edit control within its window.
inline constexpr int16_t kInputEditControlId = 315;

class TInputEdit : public GXTEdit {
  DECLARE_DYNCREATE(TInputEdit)

 public:
  // Styles a value field drops (scroll bars and automatic scrolling) and takes (right alignment).
  static constexpr DWORD kDroppedStyle = 0x00300000 | 0x00C0;
  static constexpr DWORD kRightAligned = 0x0002;

  TInputEdit() = default;

  void InitFromRecord(const TEditCreationRecord& record) override;
  CWnd* CreateControl() override;
  // Undo right after the edit opened (nothing typed since) reaches the application's Undo.
  void Undo() override;
  // With an empty selection, clears the one character after the caret.
  void Clear() override;
  int16_t AnswersOne() const override { return 0; }

  TInput* GetInput() const { return input_; }
  // While the value is typed the main frame's keys leave the editing keys to the control.
  TFrameKeysExchange& FrameKeys() { return keys_; }
  bool IsInSync() const { return inSync_; }
  // The control's text, at most 255 characters.
  std::string GetText() const;

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // Whether the application's Undo is to be asked for; installed by the application.
  using TApplicationUndo = bool (*)();
  static void SetApplicationUndo(TApplicationUndo undo);

 private:
  void TakeReturn();
  void EndEdit();
  void SelectAll();

  TInput* input_ = nullptr;
  bool inSync_ = true;
  TFrameKeysExchange keys_;
};

// Parses a typed value: digits with an optional sign, point and exponent, nothing else.
bool ParseTypedNumber(const std::string& text, double& value);
