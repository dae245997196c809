// Yarrowby, the program.

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "app/shell/ProgramScripting.h"
#include "app/shell/StartupHooks.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Keys.h"
#include "platform/display/SdlPresenter.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

void PrintVersion() {
  std::printf("Yarrowby %s\n", YB_VERSION);
}

void PrintUsage() {
  std::printf(
      "Usage: yarrowby [--version] [--help] [--list-classes] [--list-objects] [document.yb]\n"
      "  --list-classes  list the classes the program registered at start-up\n"
      "  --list-objects  list the objects of the document that was opened\n");
}

// What the command line asks for.
struct CommandLine {
  bool version = false;
  bool help = false;
  bool listClasses = false;
  bool listObjects = false;
  std::string document;
};

// Answers false, having said why, when the command line cannot be followed.
bool ParseCommandLine(int argc, char** argv, CommandLine& line) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--version") {
      line.version = true;
    } else if (argument == "--help") {
      line.help = true;
    } else if (argument == "--list-classes") {
      line.listClasses = true;
    } else if (argument == "--list-objects") {
      line.listObjects = true;
    } else if (argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "yarrowby: unknown argument \"%s\"\n", argv[i]);
      return false;
    } else if (!line.document.empty()) {
      std::fprintf(stderr, "yarrowby: one document at a time: \"%s\" was not opened\n", argv[i]);
      return false;
    } else {
      line.document = argument;
    }
  }
  return true;
}

// A tag's four characters, with bytes outside printable ASCII as \xHH.
std::string TagText(uint32_t tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<uint8_t>(tag >> (8 * i));
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      text += static_cast<char>(byte);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      text += escape;
    }
  }
  return text;
}

void PrintRegisteredClasses() {
  std::printf("Registered classes: %" PRId32 "\n", ClassRegistryCount());
  std::printf("  %-28s %-6s %s\n", "Class", "Tag", "Id");
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    std::printf("  %-28s \"%s\" %" PRId16 "\n", info.name.c_str(), TagText(info.tag).c_str(),
                info.classId);
  }
}

// The name a class was registered with, or its identifier when it has none.
std::string ClassName(int16_t classId) {
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    if (info.classId == classId) return info.name.c_str();
  }
  return "class " + std::to_string(classId);
}

void PrintWorld(const std::string& path, TQVDoc& document) {
  const std::vector<TLink*> objects = document.World().Objects();
  std::printf("Opened %s: %zu objects\n", path.c_str(), objects.size());
  for (const TLink* object : objects) {
    std::printf("  %-28s %" PRId16 "\n", ClassName(object->GetClassID()).c_str(),
                object->GetIdentifier());
  }
}

// The main window's title names the document it shows.
void NameDocumentInTitle(HWND window, const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  SetWindowText(window, ("Yarrowby - " + name).c_str());
}

// The program's directory, where the start-up script is looked for: the folder of the program
// file, or the folder that YB_PROGRAM_DIR names (tests run the program with a folder of theirs).
void SetProgramDirectoryAtStart() {
  const char* injected = std::getenv("YB_PROGRAM_DIR");
  if (injected != nullptr && *injected != '\0') {
    SetProgramDirectory((std::string(injected) + "/").c_str());
    return;
  }
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) SetProgramDirectory(program.string().c_str());
}

// Scripting without a main frame: the Scripts menu is made, the start-up script runs after the
// document of the command line is open, and scripting ends.
void RunScriptingWithoutWindows(TApp& app, TProgramScripting& scripting, TQVDoc* document) {
  if (document != nullptr) scripting.DocumentOpened(*document);
  StartupHooks().afterMainFrame(app.Commands(), nullptr);
  StartupHooks().runStartupScript(StartupScriptPath());
  StartupHooks().beforeExit(app.Commands());
  if (document != nullptr) scripting.DocumentClosed(*document);
}

// With a display, the program's main frame appears, the document named on the command line (if
// any) is opened on the first pass of the event loop into a document window of its own, and the
// program runs until the main frame is closed; without one the program says that no window was
// opened. Answers false when a display was there but no window could be opened on it.
bool RunMainWindowWhenDisplayed(TApp& app, TOpenDocumentCommand* open,
                                TProgramScripting& scripting) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "yarrowby: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so "
                         "no window was opened.\n");
    return true;
  }
  std::string why;
  std::unique_ptr<SdlPresenter> presenter = SdlPresenter::Create(&why);
  if (!presenter) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) display = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr,
                 "yarrowby: no window could be opened on the display \"%s\" (%s). Check that "
                 "the display is running and that this user may use it (XAUTHORITY, xhost).\n",
                 display, why.c_str());
    return false;
  }
  SetWindowPresenter(presenter.get());
  bool created = false;
  {
    TDocumentWindows documents;
    auto* frame = new CMainFrame;  // deleted with its window
    TQVDoc* shown = nullptr;
    if (frame->CreateMainWindow()) {
      created = true;
      InstallWindowLayer(frame);
      const HWND window = frame->m_hWnd;
      StartupHooks().afterMainFrame(app.Commands(), window);
      if (open != nullptr) {
        // The document read opens in a document window of the main frame.
        open->OnOpened([&documents, &scripting, &shown, window, open](TQVDoc& document) {
          NameDocumentInTitle(window, open->Path());
          documents.Open(open->TakeDocument(), open->Path());
          scripting.DocumentOpened(document);
          shown = &document;
        });
        app.Commands().PostCommand(open);
      }
      // Posted after the document: the start-up script runs last.
      TStartupScriptCommand startupScript(scripting, StartupScriptPath());
      app.Commands().PostCommand(&startupScript);
      app.RunEventLoop(window);
      app.Commands().FreeQueuedCommands();
      StartupHooks().beforeExit(app.Commands());
      if (shown != nullptr) scripting.DocumentClosed(*shown);
    }
    // The windows go first: their window objects leave the document as they go.
    ResetWindowSystem();
  }
  SetWindowPresenter(nullptr);
  if (!created) std::fprintf(stderr, "yarrowby: the main window could not be created\n");
  return created;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  if (!ParseCommandLine(argc, argv, line)) {
    PrintUsage();
    return 2;
  }
  if (line.version) {
    PrintVersion();
    return 0;
  }
  if (line.help) {
    PrintUsage();
    return 0;
  }

  SetProgramDirectoryAtStart();
  TApp app;
  app.LoadResourceDlls();
  try {
    app.InitUnits();
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    app.FreeResourceDlls();
    return 1;
  }
  if (line.listClasses) PrintRegisteredClasses();
  std::unique_ptr<TOpenDocumentCommand> open;
  if (!line.document.empty()) open = std::make_unique<TOpenDocumentCommand>(line.document);
  // Without a display the error on standard error is all the user sees of a document that
  // cannot be read: the program stops there. With one, the alert shows over the main window.
  if (open && !DisplayAvailable()) {
    app.Commands().HandleCommand(open.get());
    if (open->Document() == nullptr) {
      app.TermUnits();
      app.FreeResourceDlls();
      return 1;
    }
    if (line.listObjects) PrintWorld(line.document, *open->Document());
  }
  auto scripting = std::make_unique<TProgramScripting>();
  scripting->InstallHooks(StartupHooks());
  if (!DisplayAvailable()) RunScriptingWithoutWindows(app, *scripting, open ? open->Document() : nullptr);
  std::fflush(stdout);
  const bool shown = RunMainWindowWhenDisplayed(app, open.get(), *scripting);
  // The last command and the documents scripts made go while the units their worlds need are
  // still there.
  app.Commands().CommitLastCommand();
  scripting.reset();
  open.reset();
  app.TermUnits();
  app.FreeResourceDlls();
  return shown ? 0 : 1;
}
