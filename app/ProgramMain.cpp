
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <system_error>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramMain.h"

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/shell/AboutDialog.h"
#include "app/shell/ProgramScripting.h"
#include "app/shell/StartupHooks.h"
#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "core/Keys.h"
#include "model/world/WorldHost.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPresenter.h"

namespace {

// The version of the program's version resource, as About shows it.
void PrintVersion() {
  TApp app;
  app.LoadResourceDlls();
  std::printf("Yarrowby %s\n", ProductVersionOf(GetResourceModule1()).c_str());
  app.FreeResourceDlls();
}

void PrintUsage() {
  std::printf(
      "Usage: yarrowby [--version] [--help] [--list-classes] [--list-objects] [-nologo]\n"
      "                [-embedding] [-automation] [document.yb]\n"
      "  --list-classes  list the classes the program registered at start-up\n"
      "  --list-objects  list the objects of the document that was opened\n"
      "  -nologo         start without the splash window\n"
      "  -embedding, -automation  start for another program: no window is shown\n");
}

// What the command line asks for.
struct CommandLine {
  bool version = false;
  bool help = false;
  bool listClasses = false;
  bool listObjects = false;
  std::string document;
  // The document and the application's switches, for the application.
  std::vector<std::string> applicationWords;
};

// The application's own switches (see CCommandLineInfo).
bool IsApplicationSwitch(const std::string& argument) {
  static const char* const kSwitches[] = {"-nologo", "-embedding", "-automation"};
  for (const char* known : kSwitches) {
    if (strcasecmp(argument.c_str(), known) == 0) return true;
  }
  return false;
}

// Answers false, having said why, when the command line cannot be followed.
bool ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& line) {
  for (const std::string& argument : arguments) {
    if (argument == "--version") {
      line.version = true;
    } else if (argument == "--help") {
      line.help = true;
    } else if (argument == "--list-classes") {
      line.listClasses = true;
    } else if (argument == "--list-objects") {
      line.listObjects = true;
    } else if (IsApplicationSwitch(argument)) {
      line.applicationWords.push_back(argument);
    } else if (argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "yarrowby: unknown argument \"%s\"\n", argument.c_str());
      return false;
    } else if (!line.document.empty()) {
      std::fprintf(stderr, "yarrowby: one document at a time: \"%s\" was not opened\n",
                   argument.c_str());
      return false;
    } else {
      line.document = argument;
      line.applicationWords.push_back(argument);
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

// The directory of the program itself, where the start-up script is looked for, or the folder
// that YB_PROGRAM_DIR names (tests run the program with a folder of theirs). Scripts read it too.
std::string ProgramDirectoryAtStart() {
  const char* injected = std::getenv("YB_PROGRAM_DIR");
  if (injected != nullptr && *injected != '\0') {
    SetProgramDirectory((std::string(injected) + "/").c_str());
    return injected;
  }
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return ".";
  SetProgramDirectory(self.string().c_str());
  return self.parent_path().string();
}

// While it lives, the documents the program shows (and those scripts made) are the ones a run
// in any of them stops: only one document runs at a time.
class OpenDocumentsNamed {
 public:
  explicit OpenDocumentsNamed(TProgramScripting& scripting) {
    TWorldHost::SetOpenDocuments(scripting.OpenDocuments());
  }
  ~OpenDocumentsNamed() { TWorldHost::SetOpenDocuments(nullptr); }
  OpenDocumentsNamed(const OpenDocumentsNamed&) = delete;
  OpenDocumentsNamed& operator=(const OpenDocumentsNamed&) = delete;
};

// Scripting without a main frame: the Scripts menu is made, the start-up script runs after the
// document of the command line is open, and scripting ends.
void RunScriptingWithoutWindows(TApp& app, TProgramScripting& scripting, TQVDoc* document) {
  if (document != nullptr) scripting.DocumentOpened(*document);
  StartupHooks().afterMainFrame(app.Commands(), nullptr);
  StartupHooks().runStartupScript(StartupScriptPath());
  StartupHooks().beforeExit(app.Commands());
  if (document != nullptr) scripting.DocumentClosed(*document);
}

// With windows the application runs in its main window until it quits; answers its exit code.
int RunWithWindows(const CommandLine& line, WindowPresenter* presenter) {
  SetWindowPresenter(presenter);
  CCommandLineInfo info;
  ParseCommandLine(line.applicationWords, info);
  int code = 0;
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    const OpenDocumentsNamed named(scripting);
    {
      TApp app;
      app.SetProgramDirectory(ProgramDirectoryAtStart());
      code = app.RunProgram(info);
    }
    StartupHooks() = TStartupHooks{};
  }
  ResetWindowSystem();
  SetWindowPresenter(nullptr);
  return code;
}

// Without windows the program starts its units, does what the command line asks that needs no
// window, runs the start-up script and, where no display was there, says that no window was
// opened.
int RunWithoutWindows(const CommandLine& line, bool displayThere) {
  const TWindowlessAlerts alerts(stderr);
  ProgramDirectoryAtStart();
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
  if (!line.document.empty()) {
    open = std::make_unique<TOpenDocumentCommand>(line.document);
    app.Commands().HandleCommand(open.get());
    if (open->Document() == nullptr) {
      app.TermUnits();
      app.FreeResourceDlls();
      return 1;
    }
    if (line.listObjects) PrintWorld(line.document, *open->Document());
  }
  {
    TProgramScripting scripting;
    scripting.InstallHooks(StartupHooks());
    const OpenDocumentsNamed named(scripting);
    RunScriptingWithoutWindows(app, scripting, open ? open->Document() : nullptr);
    StartupHooks() = TStartupHooks{};
  }
  open.reset();
  std::fflush(stdout);
  if (!displayThere)
    std::fprintf(stderr, "yarrowby: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so "
                         "no window was opened.\n");
  app.TermUnits();
  app.FreeResourceDlls();
  return 0;
}

}  // namespace

int ProgramMain(const std::vector<std::string>& arguments, TProgramWindows windows,
                const TPresenterOpener& openPresenter) {
  CommandLine line;
  if (!ParseCommandLine(arguments, line)) {
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
  // A list asked for on the command line is the program's whole work: it is printed, with or
  // without a display, and no window opens.
  if (line.listClasses || line.listObjects)
    return RunWithoutWindows(line, windows != TProgramWindows::kNone);
  switch (windows) {
    case TProgramWindows::kPresented: {
      std::unique_ptr<WindowPresenter> presenter = openPresenter ? openPresenter() : nullptr;
      if (presenter == nullptr) return 1;
      return RunWithWindows(line, presenter.get());
    }
    case TProgramWindows::kInMemory:
      return RunWithWindows(line, nullptr);
    case TProgramWindows::kNone:
      break;
  }
  return RunWithoutWindows(line, false);
}
