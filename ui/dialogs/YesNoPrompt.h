#pragma once
// The yes-or-no prompt, window kind 1501: a modal dialog laid out by the resource library whose
// text view (tagged "ynST") shows a question and whose buttons carry the answers as their tags
// ("OK__" to go on, "cncl" not to). The prompt answers the tag of the button that dismissed it;
// Escape and the close box dismiss it as the cancel button would.

#include <cstdint>
#include <optional>

#include "core/Failure.h"
#include "core/PString.h"
#include "core/Tag.h"
#include "ui/dialogs/WindowsDialog.h"

inline constexpr int16_t kYesNoPromptKind = 1501;
inline constexpr uint32_t kPromptDialogTag = MakeTag("DLOG");
inline constexpr uint32_t kPromptTextTag = MakeTag("ynST");
inline constexpr uint32_t kPromptYesTag = MakeTag("OK__");
inline constexpr uint32_t kPromptNoTag = MakeTag("cncl");

class TYesNoPrompt : public TWindowsDialog {
 public:
  // The prompt over the parent window (the active window, else the main frame, when null).
  explicit TYesNoPrompt(CWnd* parent = nullptr);

  // The prompt's view of the tag: "DLOG" the dialog itself, any other tag the control of the
  // item of that tag; null when there is none (or the dialog is not open).
  CWnd* FindSubview(uint32_t tag);
  // Shows the message in the text view and runs the prompt modally; answers the tag of the
  // dismissing button. A layout without the text view raises the pending resource error, or
  // 2 when there is none; a dialog that cannot be made raises -108.
  uint32_t Ask(const Str255& message);

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  // A push button of the layout dismisses the prompt with its tag.
  int16_t AcceptValue(TMacDialogItem* item, bool force) override;

 private:
  // The first dismissal counts.
  void Dismiss(uint32_t tag);
  uint32_t TagOfControl(int32_t controlId, uint32_t fallback) const;

  Str255 message_;
  std::optional<uint32_t> dismissedBy_;
  std::optional<QVException> missingView_;
};

// Asks the question in the prompt (window kind 1501) and answers the dismissing button's tag.
uint32_t AskYesNo(const Str255& message);
