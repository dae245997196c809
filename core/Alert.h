#pragma once
// Alerts: user-visible messages built from templates with the placeholders ^0 to ^3, shown in a
// message box. A failure becomes an alert by looking its error number up in the "errs" tables,
// choosing one of three templates and filling in the error text, a recovery text, the message
// named by the failure's message reference and the detail text the failing operation set.

#include <cstdint>
#include <cstdio>

#include "core/PString.h"

// String list of the alert templates; alert number n is its item n.
inline constexpr int16_t kAlertTemplateList = 1100;
inline constexpr int16_t kAlertWithMessage = 128;
inline constexpr int16_t kAlertWithCommand = 129;
inline constexpr int16_t kAlertWithoutMessage = 130;
// Error tables: texts of errors and of what to do about them; 1000 more is an override table.
inline constexpr int16_t kErrorTextTable = 128;
inline constexpr int16_t kRecoveryTextTable = 129;
inline constexpr int16_t kOverrideTableOffset = 1000;

// The flag the window layer tests in its window handling: 1, and 0 while an alert is up.
int16_t& AlertFreeFlag();

// Without a window to show them in, nobody could ever answer an alert: it is written to the
// stream on a line of its own instead and answered at once with what does not go ahead: OK to a
// plain alert, No to a question, Cancel to a warning that may be cancelled. Null (the start)
// shows alerts in message boxes.
void SetWindowlessAlerts(std::FILE* stream);
bool AlertsAreWindowless();

// Alerts go to the stream for as long as it lives, and to message boxes again afterwards.
class TWindowlessAlerts {
 public:
  explicit TWindowlessAlerts(std::FILE* stream) { SetWindowlessAlerts(stream); }
  ~TWindowlessAlerts() { SetWindowlessAlerts(nullptr); }
  TWindowlessAlerts(const TWindowlessAlerts&) = delete;
  TWindowlessAlerts& operator=(const TWindowlessAlerts&) = delete;
};

// The detail text an operation may fill before it raises; it becomes ^3 of an error alert.
Str255& FailureDetailText();

// ^0 = the first text, or "a program error occurred" when it is empty; ^1 to ^3 the others.
void SetAlertTexts(const Str255& text0, const Str255& text1, const Str255& text2,
                   const Str255& text3);
const Str255& AlertText(int index);
// Item `alert` of the template list with its placeholders filled.
void BuildAlertText(Str255& out, int16_t alert);
// Shows the alert with the exclamation icon and an OK button; answers the box's result.
int32_t ShowAlert(int16_t alert);
// Shows the alert as a question with Yes and No; true for Yes. The second argument is unused.
bool AskYesNo(int16_t alert, int32_t unused);
bool AskYesNoDefault(int16_t alert);
// Shows the text with the exclamation icon and OK, or OK and Cancel when the user may cancel;
// true when Cancel was chosen.
bool WarnMayCancel(const Str255& text, bool offerCancel);

// Searches the "errs" table of that id; true when an entry covers the error, with its text (if
// it names one) in out.
bool LookupErrorText(int16_t error, int16_t table, Str255& out);
bool GetErrorText(int16_t error, int16_t table, Str255& out);
// Table id + 1000 first, then the table itself.
bool GetErrorTextWithOverride(int16_t error, int16_t table, Str255& out);
// The same into a C text of `capacity` bytes (NUL included).
bool GetErrorTextCWithOverride(int16_t error, int16_t table, char* out, int32_t capacity);

// Shows the alert of a failure: error number and message reference (high word a string list or
// command number, low word an item of it or 0 for the command's name).
void ErrorAlert(int16_t error, int32_t message);
