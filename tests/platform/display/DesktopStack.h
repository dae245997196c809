#pragma once
// What the X server says of the desktop windows of a presenter, asked on SDL's own connection so
// that every request the presenter made before is carried out first (kept apart because the X
// headers define names that clash with the test framework's).

#include <atomic>
#include <vector>

struct SDL_Window;
union SDL_Event;

// The X window showing a desktop window, or 0 when it is none.
unsigned long XWindowOfDesktop(SDL_Window* desktop);
// The X window that has the keyboard (0 for none).
unsigned long KeyboardWindow(SDL_Window* any);
// The mapped top-level X windows from the front to the back.
std::vector<unsigned long> StackFromFront(SDL_Window* any);

// Counts the client messages of a type that reach the desktop windows from the moment it is
// made: SDL reports each as a window-system event as it takes it in.
class ClientMessageCounter {
 public:
  ClientMessageCounter(SDL_Window* any, const char* type);
  ~ClientMessageCounter();
  ClientMessageCounter(const ClientMessageCounter&) = delete;
  ClientMessageCounter& operator=(const ClientMessageCounter&) = delete;
  int Count() const { return count_; }  // from any thread

 private:
  static int Note(void* counter, SDL_Event* event);
  unsigned long type_ = 0;
  std::atomic<int> count_ = 0;
};

// Sends a client message of the type to an X window from a connection of its own, as another
// program on the desktop does; false when the display cannot be reached.
bool SendFromAnotherClient(unsigned long window, const char* type);
