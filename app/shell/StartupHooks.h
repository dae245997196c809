#pragma once
// The start-up and shut-down steps that libraries other than the application shell fill: the
// splash window, the scripts menu and the start-up script. The program's entry (main) installs
// them before the application starts; a step left empty is skipped. The shell never includes
// the libraries that fill them.
//
// The application calls them in this order:
//   InitInstance:  ... InitUnits; showSplash(show); ... main frame loaded and made the main
//                  window; afterMainFrame(application, main frame); (embedded or automated start:
//                  stop here) shell command; main frame shown; runStartupScript(path);
//   ExitInstance:  queued commands freed; zoom state saved; beforeExit(application); ...
//                  TermUnits.

#include <functional>
#include <string>

#include "platform/win32/Message.h"
#include "platform/win32/WindowTypes.h"

class TCommandHandler;
class TQVDoc;

struct TStartupHooks {
  // Shows the splash window when show is true (the command line did not ask for none).
  std::function<void(bool show)> showSplash;
  // Sees every message before the event loop handles it (a key or click hides the splash).
  std::function<void(const MSG& message)> splashFilter;
  // After the main frame exists: the scripts-menu handler is made and installed in the
  // application's window-less handler chain (TCommandHandler::InstallIdleHandler).
  std::function<void(TCommandHandler& application, HWND mainFrame)> afterMainFrame;
  // Runs the start-up script at path ("qvstart.ybs" in the program directory) when that file
  // exists; a missing file is no error. The answer is not looked at.
  std::function<void(const std::string& path)> runStartupScript;
  // At exit, before the units end: the scripts-menu handler leaves the window-less chain and is
  // deleted.
  std::function<void(TCommandHandler& application)> beforeExit;
  // A document now shown in a window of the program, and one whose window is going: scripts
  // see the documents the user sees.
  std::function<void(TQVDoc& document)> documentOpened;
  std::function<void(TQVDoc& document)> documentClosed;
};

// The program's one set of hooks.
TStartupHooks& StartupHooks();

// The name of the start-up script, looked for in the program directory.
inline constexpr const char* kStartupScriptName = "qvstart.ybs";
