#pragma once
// The commands the Scripts menu makes: running a script file or entry, opening a script in the
// shell, and closing the shell before the program quits.

#include <cstdint>

#include "core/PString.h"
#include "model/command/CommandCore.h"

class ScriptsMenu;

class TScriptCommand : public TSmallCommand {
  DECLARE_CLASS_ID(775, TSmallCommand)

 public:
  // The command number, no document or view, an empty name; not undoable.
  void InitScriptCommand(int16_t commandNumber, ScriptsMenu* menu);
  ScriptsMenu* Menu() const { return menu_; }
  const Str255& Name() const { return name_; }

 protected:
  ScriptsMenu* menu_ = nullptr;
  Str255 name_;
};

class TRunScriptCommand : public TScriptCommand {
  DECLARE_CLASS_ID(776, TScriptCommand)

 public:
  void DoIt() override;
};

class TEditScriptCommand : public TScriptCommand {
  DECLARE_CLASS_ID(777, TScriptCommand)

 public:
  void DoIt() override;
};

class TCloseScriptShellCommand : public TScriptCommand {
  DECLARE_CLASS_ID(840, TScriptCommand)

 public:
  void DoIt() override;
};
