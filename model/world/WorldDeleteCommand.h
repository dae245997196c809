#pragma once
// The world's Delete command: takes the selected objects out of the world, undoably. Taking an
// object out makes every object linked to it forget it, so the objects are kept as their stream
// and read back on undo under the same identifiers, with their references to the rest of the
// world; redo takes them out again.

#include <cstdint>
#include <vector>

#include "model/command/CommandCore.h"

class TLink;
class TWorldDoc;

inline constexpr int16_t kCmdDelete = 106;

// Takes the objects (in the world's order) out of the world, with the objects they carry, and
// answers their stream; nothing for no objects.
std::vector<uint8_t> TakeObjectsOut(TWorldDoc& world, const std::vector<TLink*>& objects);
// Reads a stream of taken-out objects back into the world, empties it, and makes the objects
// with these identifiers the selection; answers them.
std::vector<TLink*> BringObjectsBack(TWorldDoc& world, std::vector<uint8_t>& stream,
                                     const std::vector<int16_t>& identifiers);

class TWorldDeleteCommand : public TCommandCore {
 public:
  // Deletes the world's selection as it is when the command is performed.
  explicit TWorldDeleteCommand(TWorldDoc& world);

  void Perform() override;
  void Undo() override;
  void Redo() override;

  // The identifiers of the objects the command took out, in the world's order.
  const std::vector<int16_t>& Deleted() const { return deleted_; }

 private:
  void TakeOut();

  TWorldDoc& world_;
  std::vector<int16_t> deleted_;
  std::vector<uint8_t> stream_;
};
