#pragma once
// Attaching a picture on the world window to a body, so that the body carries it in place of its
// shape, and letting it go again. The picture gadgets live above the views, so they install the
// makers of these commands at start-up.

#include <cstdint>
#include <memory>

class TCommandCore;
class TWorldDoc;

inline constexpr int16_t kCmdAttachPictureToBody = 2541;
inline constexpr int16_t kCmdDetachPictureFromBody = 2542;

inline constexpr bool IsPictureCommand(int16_t command) {
  return command == kCmdAttachPictureToBody || command == kCmdDetachPictureFromBody;
}

struct TPictureCommandMakers {
  // Whether the world's selection offers the command something to do.
  bool (*applies)(int16_t command, TWorldDoc& world) = nullptr;
  // The undoable command for the selection; null when it offers nothing.
  std::unique_ptr<TCommandCore> (*make)(int16_t command, TWorldDoc& world) = nullptr;
};
void SetPictureCommandMakers(const TPictureCommandMakers& makers);

bool PictureCommandApplies(int16_t command, TWorldDoc& world);
std::unique_ptr<TCommandCore> MakePictureCommand(int16_t command, TWorldDoc& world);
