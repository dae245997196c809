#pragma once
// What an action button on a world window asks of the program: the menu state, the current
// target's commands, the document its world belongs to and the documents the user has open.

#include "inout/gadgets/ActionButton.h"

class TApp;
class TQVDoc;

class TProgramActionHost : public TActionHost {
 public:
  explicit TProgramActionHost(TApp& app) : app_(app) {}

  bool IsCommandEnabled(int16_t command) override;
  TCommandCore* MakeMenuCommand(int16_t command) override;
  void PostCommand(TCommandCore* command) override;
  void ClearChangeCount(TActionButton& button) override;
  void UpdateWorldView(TActionButton& button) override;
  bool ScriptName(TActionButton& button, int16_t index, Str255& name) override;
  bool IsRunning(TActionButton& button) override;
  bool IsDocumentOpen(const Str255& path) override;
  // Opens the document when the posted command runs; a document that cannot be read leaves the
  // user the open dialog to find it.
  void PostOpenDocument(const TActionDocument& document) override;

 private:
  // The open document whose world holds the button, or null.
  TQVDoc* DocumentOf(TActionButton& button);

  TApp& app_;
};
