// Yarrowby, the program.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramMain.h"
#include "platform/display/SdlPresenter.h"

namespace {

std::unique_ptr<WindowPresenter> OpenDisplay() {
  std::string why;
  std::unique_ptr<SdlPresenter> presenter = SdlPresenter::Create(&why);
  if (presenter) return presenter;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) display = std::getenv("WAYLAND_DISPLAY");
  std::fprintf(stderr,
               "yarrowby: no window could be opened on the display \"%s\" (%s). Check that "
               "the display is running and that this user may use it (XAUTHORITY, xhost).\n",
               display, why.c_str());
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!DisplayAvailable()) return ProgramMain(arguments, TProgramWindows::kNone);
  return ProgramMain(arguments, TProgramWindows::kPresented, OpenDisplay);
}
