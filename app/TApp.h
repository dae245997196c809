#pragma once
// The application object: the resource libraries, start-up and shut-down of the program's
// units, and the last stop of the failure road.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "app/shell/QVApp.h"
#include "core/PString.h"
#include "platform/win32/WindowTypes.h"
#include "platform/mfc/CCommandLineInfo.h"

class CMainFrame;
class CRecentFileList;
class TDocumentWindows;
class TOwlSubview;
class TOpenDocumentCommand;
class TProgramActionHost;

// The path made absolute and plain, so that two names of one file compare equal.
std::string FullDocumentPath(const std::string& path);

class TApp : public TQVApp {
 public:
  // Where failures are reported; standard error unless told otherwise.
  explicit TApp(std::FILE* errorStream = stderr);
  ~TApp() override;
  TApp(const TApp&) = delete;
  TApp& operator=(const TApp&) = delete;

  // Start-up, in this order: resource libraries; the profile named by string 24339
  // (<config>/<folder>/yb.ini, or <config>/yb.ini without the string); InitUnits (with the two
  // label strings); the splash window; the application's own handler as the current target,
  // its own clipboard view claimed, the Undo label cache and the tracking hysteresis (5, 5);
  // the recent-file list of 4; the zoom state; the document windows; the main frame with its
  // menu bar; the floating windows, hidden at their saved places; the hook after the main frame. Started for embedding or automation it stops
  // there, showing nothing. Otherwise the command line's document is opened (a failure ends
  // start-up with false), the main frame is shown, and the start-up script runs. False ends
  // the program; ExitInstance runs all the same.
  bool InitInstance(const CCommandLineInfo& line);
  // The same over the command line given to RunProgram; a failed start-up makes the exit code 1.
  BOOL InitInstance() override;
  // Shut-down, in this order: the queued commands freed (unless a command is being performed),
  // the zoom state and the recent-file list saved, the hook before exit, the windows closed, TermUnits, the resource
  // libraries freed. Answers the exit code of the event loop.
  int32_t ExitInstance() override;
  // The event loop over the main frame, then ExitInstance (at once when there is no main frame).
  int32_t Run() override;
  // The program's life: InitInstance, then the event loop when it succeeded, then
  // ExitInstance. Answers the loop's exit code, or 1 when start-up failed.
  int32_t RunProgram(const CCommandLineInfo& line);

  // The zoom state of new document frames: read from and written to the profile ("Settings",
  // "Doc Zoom State"; 1 when missing).
  virtual void LoadDocZoomState();
  virtual void SaveDocZoomState();
  void SetDocZoomState(int16_t state) { zoomState_ = state; }

  // Documents: a new untitled world (a copy of "YBPREFS4.YB" in the configuration directory
  // when that file is there), and a world read from a file. A file already open (the
  // same full path) brings its window forward instead of being read again.
  void NewDocument();
  // False when the file could not be read (the failure was shown).
  bool OpenDocumentFile(const std::string& path);
  // A document was saved at the full path: it heads the recent files and names the main frame.
  void DocumentSaved(const std::string& path);
  // Once the last document has closed, the floating windows' places are kept in the main
  // frame's settings.
  void KeepWindowPlacesWhenNoDocumentIsOpen();
  // Command 931: the About box over the main frame.
  void OnAppAbout();
  // The open dialog for command 20 and the document chosen in it.
  void OpenDocumentByDialog(int16_t command);

  // The main frame while its window lives, else null.
  CMainFrame* MainFrame() const;
  TDocumentWindows* Documents() const { return documents_.get(); }
  // The profile folder named by string 24339 (empty when the string is missing).
  const std::string& ProfileFolder() const { return profileFolder_; }
  // The item labels of the gadget menus, strings 271828 and 314159.
  const Str255& FirstLabel() const { return labels_[0]; }
  const Str255& SecondLabel() const { return labels_[1]; }
  // The zoom state of new document frames ("Settings", "Doc Zoom State"); 1 by default.
  int16_t DocZoomState() const { return zoomState_; }
  // Set while a menu of a document frame is being tracked, so that the main frame also hears
  // the selection that closes it.
  int16_t MenuForwarding() const { return menuForwarding_; }
  void SetMenuForwarding(int16_t forwarding) { menuForwarding_ = forwarding; }
  // Where the profile's folder lives: $XDG_CONFIG_HOME, else ~/.config, unless set.
  void SetConfigDirectory(std::string directory) { configDirectory_ = std::move(directory); }
  // The recent-file list (set up by InitInstance).
  CRecentFileList* RecentFiles() const { return recentFiles_.get(); }
  // Opens the recent-file list's entry; an entry that can no longer be read leaves the list.
  void OpenRecentFile(int index);
  // The directory the program runs from: where the start-up script is looked for.
  void SetProgramDirectory(std::string directory) { programDirectory_ = std::move(directory); }

  // Before any resource lookup: makes the main, second and error-text libraries the first,
  // second and third resource search modules. A library that is missing leaves its module null;
  // later lookups fail instead.
  void LoadResourceDlls();
  // At exit, after TermUnits: forgets the three modules.
  void FreeResourceDlls();

  // At start-up, before any handle, string list or registry use: builds the handle pool, runs
  // every unit's set-up in the order of the unit table (app/shell/UnitTable.h: the class
  // registrations and the class hierarchy table among them), then freezes the class registry
  // and loads the label strings and the tool icons. A failure (a missing class hierarchy table
  // raises -108) releases what was built and passes on.
  void InitUnits();
  // At exit: the units' terminators, then the class registry, the class hierarchy table and
  // the handle pool, in that order.
  void TermUnits();

  // Reports a failure to the user (on the error stream and in the alert); error 0 shows nothing.
  void ShowError(int16_t error, int32_t message) override;

  // Before a message is translated and dispatched: the splash window's filter sees it, then the
  // window objects from its window up to the main frame may take it (the frames' accelerators
  // turn keys into commands there). True when one took it.
  BOOL PreTranslateMessage(MSG* message) override;

 private:
  void InstallServices();
  // The command reads its file into a document of the file's kind.
  void MakeDocumentsByKind(TOpenDocumentCommand& command);
  void LoadLabelStrings();

  std::FILE* errorStream_;
  // The command line RunProgram was given.
  CCommandLineInfo commandLine_;
  // The main frame's window: the frame object goes with it.
  HWND mainWindow_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  std::string profileFolder_;
  std::string programDirectory_;
  std::string configDirectory_;
  std::unique_ptr<CRecentFileList> recentFiles_;
  // Answers the action buttons on world windows.
  std::unique_ptr<TProgramActionHost> actionHost_;
  Str255 labels_[2];
  int16_t zoomState_ = 1;
  int16_t menuForwarding_ = 0;
  bool resourcesLoaded_ = false;
  bool unitsStarted_ = false;
};
