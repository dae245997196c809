#pragma once

#include <cstdint>
#include <set>
#include <vector>

// SDL on X adds key events of its own when one of the program's desktop windows gains or loses
// the keyboard: it lets go of every key held when a window loses it, and presses the modifiers
// the display holds down at the moment a window gains it. The program hands the keyboard from one
// of its windows to another (a dialog shown or clicked) while the display's key events from
// before that moment still wait in the queue: taken as they come, End typed just before
// Shift+Home came as Shift+End, or Shift held across the change was let go.
//
// KeyboardSync passes on the display's own key events in their order. Of the made-up ones it
// keeps only what the display does not report itself: a release, passed on before the next key
// or pointer event (the key may have been let go while another application had the keyboard),
// unless a made-up press of the key undoes it first (the key was held across the change). A
// made-up press alone is dropped: the display's own press is still to come, or the key went down
// while another application had the keyboard and counts from its next event.
class KeyboardSync {
 public:
  struct Change {
    int32_t key = 0;
    bool down = false;
    bool operator==(const Change&) const = default;
  };

  // A key event the display reported: what to pass on, in order.
  std::vector<Change> FromDisplay(int32_t key, bool down);
  // A key event SDL made up.
  void MadeUp(int32_t key, bool down);
  // Before a pointer event: the made-up releases that still stand.
  std::vector<Change> BeforePointer();

 private:
  std::vector<Change> Settle();

  std::set<int32_t> down_;
  std::set<int32_t> releases_;
};
