#pragma once
// The undoable commands that attach a selected picture to a selected body and let an attached
// picture go. Undo gives the picture back its attachment and its place on the window.

#include <cstdint>
#include <memory>

#include "model/command/ActionBase.h"

class TMass;
class TPictGadgetBase;
class TWorldDoc;

class TPictureAttachAction : public TActionBase {
 public:
  // Attaches the picture to the body, or with a null body lets it go.
  void InitPictureAttach(int16_t command, TWorldDoc& world, TPictGadgetBase& picture, TMass* body);
  void BeforePrepare() override;
  void DoWork() override;
  // The picture changes place and the body its look: the world is drawn again after the work
  // (undo and redo draw what their images change).
  void AfterWork() override;

 private:
  TPictGadgetBase* picture_ = nullptr;
  TMass* body_ = nullptr;
};

// Attach: the first selected unattached picture and the first selected body; detach: the first
// selected attached picture, or the picture a selected body carries.
bool PictureAttachApplies(int16_t command, TWorldDoc& world);
std::unique_ptr<TCommandCore> MakePictureAttachCommand(int16_t command, TWorldDoc& world);
// The makers of the world's picture commands.
void RegisterPictureAttachCommands();
void UnregisterPictureAttachCommands();
