#pragma once
// Property dialogs by number. A dialog's number is also the number of the menu command that
// opens it; the number chooses the class of the dialog object, which is initialised from a
// creation record whose template, cancel result and layout are that number. The floating
// dialogs (10000, 10100) are hidden right after they are built, ready to be shown.

#include <cstdint>

#include "ui/dialogs/DialogWindow.h"

// The command that the more-choices and more-details buttons send up the chain.
inline constexpr int16_t kMoreChoicesCommand = 10000;

// The class of dialog that a number builds.
enum class TDialogClass {
  kNone,
  kPanel,
  kMoreDetails,
  kMoreChoices,
  kVectorSettings,
  kAction,
  kFloating,
  kPointTable,
};
TDialogClass DialogClassOf(int16_t dialogNumber);

// Builds and initialises the dialog object of the number with owner as the window over which
// it stands (none: the application's handler is its next handler). None for a number without a
// class. The caller owns the object; a floating dialog's object goes with its window.
TDialogWindow* CreateDialogById(int16_t dialogNumber, TWindowObject* owner);
