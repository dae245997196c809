#pragma once
// The commands that open a property dialog on the selected objects (TDialogCommand) or on one
// object (TRefHolder) and run it modally. Every edit inside the dialog is performed at once as
// its own undoable property command, so the dialog command itself keeps nothing to undo: after
// its run the last edit stays the command that undo takes back. A cancelled run abandons the
// command silently.
//
//   TActionBase (559) > TDialogCommand (552) > TRefHolder (553) > TObjectDialogCommand (829)

#include <cstdint>
#include <memory>
#include <vector>

#include "model/command/ActionBase.h"
#include "platform/win32/WindowTypes.h"

class TLink;
class TWorldDoc;
class WindowBase;

class TDialogCommand : public TActionBase {
  DECLARE_CLASS_ID(552, TActionBase)

 public:
  TDialogCommand();
  // Deletes a dialog that was never run.
  ~TDialogCommand() override;

  // An undoable action of the world (target) whose dialog is the property dialog of the
  // number, attached to the selection when one is given, else to the world itself. No dialog
  // of the number, or one that is not a property dialog, raises -108.
  virtual void InitDialogCommand(int16_t commandNumber, TWorldDoc* target,
                                 const std::vector<TLink*>* selection);
  // The dialog stands over the window of the world's document (its frame, else the main frame):
  // commands the dialog does not handle go to that window's handler.
  // A window (another dialog) that the next InitDialogCommand's dialog stands over instead.
  void StandOver(HWND window) { standOver_ = window; }

  // The action's perform sequence; afterwards the command keeps nothing to undo. A dialog of
  // objects the solver is handed does not open while the world runs or shows a later frame:
  // the world's edit check asks first and the command is abandoned.
  void Perform() override;
  // Runs the dialog modally and deletes it; a cancelled run fails silently.
  void DoWork() override;

  WindowBase* GetDialog() const { return dialog_; }

 protected:
  class TOwnerWindow;

  // The action of the world and the dialog of the number, attached to nothing yet: what
  // InitDialogCommand does before it attaches the dialog.
  void MakeDialog(int16_t commandNumber, TWorldDoc* target);

  WindowBase* dialog_ = nullptr;
  // The window the dialog stands over, or null (the application's); outlives the dialog, which
  // holds it as its parent.
  std::unique_ptr<TOwnerWindow> owner_;
  HWND standOver_ = nullptr;
  // The world and the objects the dialog edits (none for the world's own dialogs, whose edits
  // each ask as they apply), for the edit check before it opens.
  TWorldDoc* world_ = nullptr;
  const std::vector<TLink*>* edited_ = nullptr;
  // The world with its engine and its units, as the objects of a dialog opened without a
  // selection.
  std::vector<TLink*> worldAlone_;
};

class TRefHolder : public TDialogCommand {
  DECLARE_CLASS_ID(553, TDialogCommand)

 public:
  // The dialog of the number on the object alone, in the object's world.
  virtual void InitForObject(int16_t commandNumber, TLink* object);
  const std::vector<TLink*>& Objects() const { return objects_; }

 private:
  std::vector<TLink*> objects_;
};

// Queues on the application's command queue the dialog of the number on the object alone.
void PostObjectDialog(int16_t dialogNumber, TLink* object);

// Opens the one-object dialog 1009 on an object.
class TObjectDialogCommand : public TRefHolder {
  DECLARE_CLASS_ID(829, TRefHolder)

 public:
  static constexpr int16_t kDialogNumber = 1009;
  void InitForObject(TLink* object) { TRefHolder::InitForObject(kDialogNumber, object); }
};
