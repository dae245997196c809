#include "views/world/PictureCommands.h"

#include "model/command/CommandCore.h"

namespace {

TPictureCommandMakers& Makers() {
  static TPictureCommandMakers makers;
  return makers;
}

}  // namespace

void SetPictureCommandMakers(const TPictureCommandMakers& makers) {
  Makers() = makers;
}

bool PictureCommandApplies(int16_t command, TWorldDoc& world) {
  return IsPictureCommand(command) && Makers().applies != nullptr &&
         Makers().applies(command, world);
}

std::unique_ptr<TCommandCore> MakePictureCommand(int16_t command, TWorldDoc& world) {
  if (!IsPictureCommand(command) || Makers().make == nullptr) return nullptr;
  return Makers().make(command, world);
}
