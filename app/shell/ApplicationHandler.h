#pragma once
// The application's end of the handler chain: the application's own menu commands, its menu
// set-up with the fixed disable list and the Undo item's label, and the conversion of a chosen
// menu item into a command number that travels the chain from the current target. What these
// commands do elsewhere in the program (documents, windows, runs) comes through its services.

#include <cstdint>
#include <functional>

#include "model/command/CommandHandler.h"

class TApplicationHandler : public TCommandHandler {
 public:
  // What the application's own commands ask of the rest of the program; an empty one does
  // nothing.
  struct Services {
    std::function<void(int16_t command)> newDocument;  // commands 10 to 19
    std::function<void(int16_t command)> openDocument;  // commands 20 to 29: the open dialog
    std::function<void()> closeFrontWindow;             // command 31
    std::function<void(bool saveAs)> saveFrontDocument;  // commands 30 (Save), 32 (Save As)
    // Commands 1700, 1701 and 1710 to 1750: the export or export settings command of the front
    // world, or null.
    std::function<TCommandCore*(int16_t command)> exportFrontWorld;
    // Commands 1125 to 1127: the front world's tables load a table file.
    std::function<TCommandCore*(int16_t command)> loadTableFrontWorld;
    // Commands 1130 to 1135: link the front world's selection to an external document.
    std::function<TCommandCore*(int16_t command)> linkExternalFrontWorld;
    std::function<void()> exitProgram;                  // command 36 with no run busy
    std::function<void()> stopRunning;                  // command 36 while a run is busy
    // The document of the front document window, or null.
    std::function<TCommandDocument*()> frontDocument;
    // The memory-low test; memory is plentiful when empty.
    std::function<bool()> memoryLow;
    std::function<void()> showAbout;  // command 931
    std::function<void()> showClipboard;  // command 24338: the clipboard window
    // The framework's own items: the recent files (opened by index) and enabling them.
    std::function<void(int index)> openRecentFile;
    std::function<void()> setUpFrameworkItems;
    // Every open document closes itself (DoQuit).
    std::function<void()> closeAllDocuments;
  };

  // The Undo item's prefixes: entries of string list 248.
  static constexpr int16_t kUndoPrefixList = 248;
  static constexpr int16_t kUndoPrefix = 5;
  static constexpr int16_t kRedoPrefix = 6;
  static constexpr int16_t kCannotUndoPrefix = 11;
  static constexpr int16_t kUndoCommand = 101;
  static constexpr int16_t kAboutCommand = 931;
  static constexpr int16_t kShowClipboardCommand = 24338;

  explicit TApplicationHandler(TCommandNesting& nesting);

  Services& GetServices() { return services_; }

  // The packed choice (menu in the high 16 bits, item in the low 16) as a command number, sent
  // down the chain from the current target; answers the command object that comes back. An
  // unmapped item of menu 5 does nothing. A failure without a message carries the command
  // number as its message.
  TCommandCore* MenuIdToCommand(int32_t packed);
  // A menu item or accelerator chosen in a frame: MenuIdToCommand and the command that comes
  // back performed at once, both on the failure road (a failure is shown once); the menus are set
  // up again before their next use. Answers whether a command came back. (Performed rather than
  // queued: a window's close command names its window object, which a queued command could
  // outlive. A command that stays queued, a run, is queued instead: it works a slice per pass
  // of the event loop, so that the windows repaint and clicks reach it meanwhile.)
  bool ChooseMenuItem(int32_t packed);
  // The framework's commands, handled before any conversion: the recent files (57616 to 57631)
  // and exit (57665, as command 36). False for any other.
  bool HandleFrameworkCommand(UINT id);

  // The end of the chain: the application's own commands; a command that none of them makes is
  // offered to the head of the window-less handlers (InstallIdleHandler), which also set up
  // the menus before the application's own enabling.
  TCommandCore* DoMenuCommand(int16_t command) override;
  void DoSetupMenus() override;

  // Sets the menus up before a menu opens: every item disabled, the fixed list disabled, the
  // chain from the current target enabling what applies, the Undo item labelled, the popups
  // greyed when empty.
  void SetupTheMenus();
  void EnableStandardCommands();
  // The Undo item's label: the prefix (cannot undo for command -1, else undo or redo), the
  // command's item label (none for 0 and -1), a backspace and "Ctrl+Z", on item 101 and its
  // 0x4000 variant. The same pair twice does not rebuild it.
  void SetUndoLabel(bool undo, int16_t command);
  // The label cache goes back to undo with command 0 (start-up).
  void ResetUndoLabelCache();

  // Quits the program: command 1191 travels the chain from the current target and the command
  // that comes back is performed at once; every open document closes; the quit message is
  // posted with exit code 0. A failure passes on and the program goes on.
  void DoQuit();
  static constexpr int16_t kQuitNoticeCommand = 1191;

  // Command 3996's toggle and command 3995's flag, shown as check marks.
  int32_t Toggle3996() const { return toggle3996_; }
  void SetFlag3995(bool on) { flag3995_ = on ? 1 : 0; }

 private:
  // Whether this handler lies on the chain that starts at the current target.
  bool OnTargetChain();
  // The application's own menu commands.
  TCommandCore* OwnMenuCommand(int16_t command);

  Services services_;
  bool cachedUndo_ = true;
  int16_t cachedCommand_ = 0;
  int32_t toggle3996_ = 0;
  int16_t flag3995_ = 0;
};
