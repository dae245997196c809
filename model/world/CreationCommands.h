#pragma once
// Commands that make gadgets for objects of the world: the meters of an object's quantities
// (5000-5199) and the input controls that drive an object's property (5200-5415). The gadget
// classes live above the world, so they install the maker of these commands at start-up.

#include <cstdint>
#include <memory>

class TCommandCore;
class TLink;
class TWorldDoc;

inline constexpr int16_t kFirstMeterCommand = 5000;
inline constexpr int16_t kLastMeterCommand = 5199;
inline constexpr int16_t kFirstInputControlCommand = 5200;
inline constexpr int16_t kLastInputControlCommand = 5415;

inline constexpr bool IsCreationCommand(int16_t command) {
  return command >= kFirstMeterCommand && command <= kLastInputControlCommand;
}

// Makes the command for the number, for up to two objects the gadgets are made for.
using CreationCommandMaker = std::unique_ptr<TCommandCore> (*)(int16_t command, TWorldDoc& world,
                                                               TLink* first, TLink* second);
void SetCreationCommandMaker(CreationCommandMaker maker);

// The command of the number for the world's context objects, the first two objects of its
// selection; an input control gets only the first. Runs the world's edit check first. Null when
// no maker is installed.
std::unique_ptr<TCommandCore> MakeCreationCommand(int16_t command, TWorldDoc& world);
