// Yarrowby, the program.

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "platform/display/SdlPresenter.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

void PrintVersion() {
  std::printf("Yarrowby %s\n", YB_VERSION);
}

void PrintUsage() {
  std::printf("Usage: yarrowby [--version] [--help]\n");
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

LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

// With a display, the program's main window appears (empty so far) and the program runs until
// it is closed; without one the program says that no window was opened. Answers false when a
// display was there but no window could be opened on it.
bool RunMainWindowWhenDisplayed() {
  if (!DisplayAvailable()) {
    std::printf("No display (neither DISPLAY nor WAYLAND_DISPLAY is set), so no window was "
                "opened.\n");
    return true;
  }
  std::string why;
  std::unique_ptr<SdlPresenter> presenter = SdlPresenter::Create(&why);
  if (!presenter) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) display = std::getenv("WAYLAND_DISPLAY");
    std::fprintf(stderr, "yarrowby: no window could be opened on the display \"%s\" (%s)\n",
                 display, why.c_str());
    return false;
  }
  SetWindowPresenter(presenter.get());
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.lpszClassName = "YarrowbyMain";
  RegisterClass(&windowClass);
  const HWND window =
      CreateWindowEx(0, "YarrowbyMain", "Yarrowby", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                     0, CW_USEDEFAULT, 0, nullptr, nullptr, nullptr);
  MSG message;
  while (window && GetMessage(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
  ResetWindowSystem();
  SetWindowPresenter(nullptr);
  if (!window) std::fprintf(stderr, "yarrowby: the main window could not be created\n");
  return window != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      PrintVersion();
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage();
      return 0;
    }
    std::fprintf(stderr, "yarrowby: unknown argument \"%s\"\n", argv[i]);
    PrintUsage();
    return 2;
  }

  TApp app;
  app.LoadResourceDlls();
  try {
    app.InitUnits();
  } catch (const QVException& failure) {
    app.ShowError(failure.error(), failure.message());
    app.FreeResourceDlls();
    return 1;
  }
  PrintVersion();
  PrintRegisteredClasses();
  std::fflush(stdout);
  const bool shown = RunMainWindowWhenDisplayed();
  app.TermUnits();
  app.FreeResourceDlls();
  return shown ? 0 : 1;
}
