#pragma once
// The program's entry behind main: the command line read, then the program run in one of three
// ways: without windows (no display: what the command line asks that needs no window, and the
// start-up script), with windows shown by a presenter (a display), or with windows kept in
// memory (a test drives them with synthetic input). main picks the way and the presenter.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class WindowPresenter;

enum class TProgramWindows { kNone, kInMemory, kPresented };

// Opens the presenter of a display; null when none can be opened (it has said why).
using TPresenterOpener = std::function<std::unique_ptr<WindowPresenter>()>;

// Runs the program with the arguments that follow the program's name; answers its exit code
// (2 for a command line that cannot be followed, 1 when no presenter could be opened). The
// opener is called for kPresented only, once the command line asks for a run.
int ProgramMain(const std::vector<std::string>& arguments, TProgramWindows windows,
                const TPresenterOpener& openPresenter = {});
