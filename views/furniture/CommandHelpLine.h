#pragma once
// A one-line view that shows a short help text for a command (the 'hCmd' text of its number,
// else the command's name) and copies the text to the main frame's status bar. A document window
// shows one across its top while the world's help-line switch is on; the active window's line
// follows the menu item or tool-bar button under the pointer.

#include <cstdint>
#include <functional>
#include <string>

#include "core/port/PortText.h"
#include "views/offscreen/OffScreenViewBase.h"

class TCommandHelpLine : public TOffScreenViewBase {
 public:
  // Where the shown text goes besides the line: the shell's status bar, once it has one.
  using StatusSink = std::function<void(const std::string& text)>;
  static void SetStatusSink(StatusSink sink);

  TCommandHelpLine();
  ~TCommandHelpLine() override;
  TCommandHelpLine(const TCommandHelpLine&) = delete;
  TCommandHelpLine& operator=(const TCommandHelpLine&) = delete;
  // The help of the command under the pointer goes to every active line (0: none).
  static void ShowCommandUnderPointer(int16_t command);

  // A line `width` wide and one vertical scroll bar's width less 1 high, in 9-point text.
  void Init(CDocument* document, TWrappedWindow* superview, TViewPoint location, int32_t width);
  // Shows the text, drawing again only when it differs; forgets the shown command.
  void SetText(const std::string& text, bool updateNow);
  // Shows the command's help (command 0: nothing); the same command again changes nothing.
  void ShowCommandHelp(int16_t command, bool updateNow);
  const std::string& GetText() const { return text_; }
  int16_t GetShownCommand() const { return shownCommand_; }
  // The help text of a command.
  static std::string HelpText(int16_t command);

  void Activate(bool on) override;
  void DrawOverlay(const MacRect&) override {}
  void DrawObjects(const MacRect& rect) override;
  void DrawBackground(const MacRect& rect) override;

 private:
  std::string text_;
  int16_t shownCommand_ = 0;
  FontSpec font_;
  FontInfoRec metrics_;
};

// A new help line, for a document window to set up.
TCommandHelpLine* MakeCommandHelpLine();
