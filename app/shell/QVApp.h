#pragma once
// The program's own application class between the Macintosh-style application and the concrete
// one: its event loop starts with no command being performed, and its helpers are made at
// start-up on the handler half's own start-up.

#include <cstdint>
#include <memory>
#include <string>

#include "app/shell/MacApplication.h"
#include "platform/mfc/CDocManager.h"

class CCmdUI;
class TCommand;
class TQVDoc;
class TWindowSettings;

// Document kinds, chosen by the type of the file a document is read from.
inline constexpr int32_t kTextDocumentKind = 1200;
inline constexpr int32_t kStationeryDocumentKind = 1205;
inline constexpr int32_t kWorldDocumentKind = 1206;
// A world made for another document (an embedded world): it takes the application's new-world
// value.
inline constexpr int32_t kEmbeddedWorldDocumentKind = 1751;

// The program's document manager; its file-name prompt is the framework's.
class TQVDocManager : public CDocManager {};

class TQVApp : public TMacApplication {
  DECLARE_DYNAMIC(TQVApp)
  DECLARE_CLASS_ID(473, TMacApplication)

 public:
  TQVApp() = default;

  // The program's own document manager, then the framework's start-up.
  BOOL InitInstance() override;

  // The event loop over the main window (no command is being performed when it starts), then
  // ExitInstance, whose answer it gives.
  int32_t Run() override;

  // The auxiliary objects of start-up, beginning with the handler half's own (InitMacApp).
  virtual void CreateHelpers();

  // The simulation run in progress: the first queued run command that is neither stopped nor
  // done; null when nothing runs.
  TCommand* CurrentRunCommand() const;
  // Tells every queued run to stop at its next chance.
  void StopCurrentRun();
  // Queues the command; Quit (36), New (10), Close (31) and command 0 stop a run in progress
  // first, so that they are not held up behind it.
  void PostCommand(TCommandCore* command) override;

  // Player mode: a world is run, not edited. Command 1054 enters it, 1053 leaves it; negative
  // command numbers do nothing; every other command is the base's.
  TCommandCore* DoMenuCommand(int16_t command) override;
  // After the base's set-up: 1054 while not in player mode, 1053 while in it (and memory is not
  // low).
  void DoSetupMenus() override;
  // The update of the first script item (5521) fills the Scripts menu: without script entries
  // the item is greyed; otherwise every item from its place to the end of the menu is replaced
  // by one item per entry, in order, carrying commands 5521, 5522, ..., which each entry
  // remembers.
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  void RebuildMenu(CCmdUI& update);
  // The text the first script item had before scripts took its place.
  const std::string& ScriptItemText() const { return scriptItemText_; }

  // The kind of document a file of the type holds: "TEXT" 1200, "zuqP" 1201, "zuqX" 1202,
  // "zu\xB4P" 1203, "zu\xB4X" 1204; no file, and any other type, 1206.
  static int32_t DocumentKindOfFile(const uint32_t* fileType);
  // The type a document of the kind makes its world as (1205 "ZUQd"; 1751 and unknown kinds
  // "ZodA").
  static uint32_t WorldTypeOfKind(int32_t kind);
  // A new document of the kind: its world is made as the kind's type, marked as read from the
  // preferences document while that is being opened as a new one; a kind-1751 world takes the
  // new-world value.
  std::unique_ptr<TQVDoc> CreateDocument(int32_t kind) const;
  // Set while the preferences document is opened as the start of a new document.
  bool OpeningPreferences() const { return openingPreferences_ != 0; }
  void SetOpeningPreferences(bool on) { openingPreferences_ = on ? 1 : 0; }
  int32_t NewWorldValue() const { return newWorldValue_; }
  void SetNewWorldValue(int32_t value) { newWorldValue_ = value; }

  // Opening a document while a run that forbids it is in progress beeps and opens nothing:
  // answers false then.
  bool MayOpenDocument();

  // After the main frame exists: the Properties, Position and Point Table windows are built
  // hidden, and each is put at its saved rectangle when that is on the screen (all four numbers
  // set, left and top more than 10 pixels inside it); the Position window keeps its own size.
  // A window that cannot be built raises -108. The player mode is applied afterwards.
  void LayoutWindows(TWindowSettings& saved);
  // The rectangles of the floating windows that exist, kept in the settings (when the last
  // document closes, and when the program quits).
  static void StoreWindowPlaces(TWindowSettings& settings);

  bool PlayerMode() const { return playerMode_ != 0; }
  void SetPlayerMode(bool on) { playerMode_ = on ? 1 : 0; }
  // Installs the player menu bar and keys while in player mode, and the normal ones again when
  // the mode is left; the menus need setting up again in any case.
  void ApplyPlayerMode();

 private:
  int16_t playerMode_ = 0;
  // Whether ApplyPlayerMode put the player bar up.
  bool playerBarShown_ = false;
  int16_t openingPreferences_ = 0;
  int32_t newWorldValue_ = 0;
  std::string scriptItemText_;
};
