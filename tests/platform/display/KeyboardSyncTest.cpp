#include "platform/display/KeyboardSync.h"

#include <gtest/gtest.h>

#include "platform/win32/WindowMessages.h"

namespace {

using Changes = std::vector<KeyboardSync::Change>;

// The program's dialog takes the keyboard while End, then Shift, wait in the queue: SDL presses
// Shift at once, but End was typed before it.
TEST(KeyboardSync, AModifierPressedWhenAWindowGainsTheKeyboardWaitsForTheDisplaysOwnPress) {
  KeyboardSync sync;
  sync.MadeUp(VK_SHIFT, true);
  EXPECT_EQ(sync.FromDisplay(VK_END, true), (Changes{{VK_END, true}}));
  EXPECT_EQ(sync.BeforePointer(), Changes{});
  EXPECT_EQ(sync.FromDisplay(VK_SHIFT, true), (Changes{{VK_SHIFT, true}}));
}

TEST(KeyboardSync, AModifierHeldWhileTheKeyboardMovesBetweenWindowsStaysDown) {
  KeyboardSync sync;
  EXPECT_EQ(sync.FromDisplay(VK_SHIFT, true), (Changes{{VK_SHIFT, true}}));
  sync.MadeUp(VK_SHIFT, false);  // one window loses the keyboard
  sync.MadeUp(VK_SHIFT, true);   // another gains it
  EXPECT_EQ(sync.FromDisplay(VK_HOME, true), (Changes{{VK_HOME, true}}));
}

TEST(KeyboardSync, AKeyLetGoWhileAnotherApplicationHadTheKeyboardIsUpBeforeTheNextEvent) {
  KeyboardSync sync;
  sync.FromDisplay(VK_CONTROL, true);
  sync.MadeUp(VK_CONTROL, false);
  sync.MadeUp(VK_SHIFT, false);  // never down: nothing to let go
  EXPECT_EQ(sync.BeforePointer(), (Changes{{VK_CONTROL, false}}));
  EXPECT_EQ(sync.BeforePointer(), Changes{});
  sync.FromDisplay(VK_MENU, true);
  sync.MadeUp(VK_MENU, false);
  EXPECT_EQ(sync.FromDisplay('A', true), (Changes{{VK_MENU, false}, {'A', true}}));
}

}  // namespace
