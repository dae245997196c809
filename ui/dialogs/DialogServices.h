#pragma once
// What dialogs ask of the application above them, filled in by the application at start-up:
// help for a dialog's help context, the application's pending object (work that a click or an
// edit began and that must be finished before a dialog's value changes the document), and the
// application's preparation before each modal run.

#include <cstdint>

class CWnd;
class TTargetHandler;
class TWorldDoc;

// The window over which a world's property dialogs stand: its window and the handler that
// becomes the dialog's next handler. Both null: the application's.
struct TDialogOwnerWindow {
  CWnd* window = nullptr;
  TTargetHandler* handler = nullptr;
};

struct TDialogServices {
  // Shows the help for the context; command 1 asks for the topic of the context. The default
  // says that no help is installed.
  void (*help)(int32_t context, int16_t command);
  // The pending object, or null when there is none; the application finishes it through
  // completePending.
  void* (*pendingObject)() = nullptr;
  void (*completePending)(void* object) = nullptr;
  // Runs before each modal dialog run.
  void (*beforeModalRun)() = nullptr;
  // The window of the world's document (its frame, or the main frame when the document shows
  // none); none answers the application's.
  TDialogOwnerWindow (*ownerWindow)(TWorldDoc* world) = nullptr;

  TDialogServices();
};

// Puts the services in force; a null help keeps the default.
void SetDialogServices(const TDialogServices& services);
const TDialogServices& DialogServices();

// The command that asks for the topic of a help context.
inline constexpr int16_t kHelpContextCommand = 1;

// Shows help for the context through the services.
void ShowDialogHelp(int32_t context);
// Finishes the application's pending object, when it has one.
void CompletePendingObject();
// Runs the application's preparation for a modal run, when it has one.
void PrepareModalRun();
// The window over which the world's dialogs stand.
TDialogOwnerWindow DialogOwnerWindowOf(TWorldDoc* world);
