#pragma once
// What the X server says of the desktop windows of a presenter, asked on SDL's own connection so
// that every request the presenter made before is carried out first (kept apart because the X
// headers define names that clash with the test framework's).

#include <vector>

struct SDL_Window;

// The X window showing a desktop window, or 0 when it is none.
unsigned long XWindowOfDesktop(SDL_Window* desktop);
// The X window that has the keyboard (0 for none).
unsigned long KeyboardWindow(SDL_Window* any);
// The mapped top-level X windows from the front to the back.
std::vector<unsigned long> StackFromFront(SDL_Window* any);
