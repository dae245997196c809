#pragma once
// The start-up picture: a borderless window centred on the screen showing bitmap 106 with the
// program's identification lines from its version block written over it. It goes at the first
// key press or mouse click (which still reach their windows) or after three seconds of the
// clock. There is at most one; starts for embedding or automation show none.

#include "platform/win32/Message.h"
#include "platform/win32/WindowTypes.h"

// Whether ShowSplashScreen may show the window (the command line's show-splash flag).
void EnableSplashScreen(bool enabled);
// Shows the window, owned by parent when given, and paints it at once; nothing when disabled,
// when one is already up or when the picture is missing.
void ShowSplashScreen(HWND parent);
// Every message passes here first: a key or mouse-button press hides the window. Never eats it.
void PreTranslateSplashMessage(const MSG& message);
// Destroys the window, then updates the application's main window.
void HideSplashScreen();
// The window while it is up, else null.
HWND SplashWindow();

// Where the identification lines go: centred on x = 110, from y = 92 every 18 pixels; the
// solver's notice at y = 264.
inline constexpr int32_t kSplashTextCentre = 110;
inline constexpr int32_t kSplashFirstLine = 92;
inline constexpr int32_t kSplashLineStep = 18;
inline constexpr int32_t kSplashSolverLine = 264;
