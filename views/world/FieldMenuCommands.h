#pragma once
// World > Force Fields in a world that lacks the chosen field (a world read from a document that
// was saved without it): the command puts the field, with its group, into the world as a new
// world has it (off), undoably, and then opens the field's settings as the item does in a world
// that has the field.

#include <cstdint>
#include <memory>

class TCommandCore;
class TWorldDoc;

// The Force Fields items: Gravity, Air Resistance, Electrostatics, Custom Field.
inline constexpr int16_t kCmdGravityField = 10420;
inline constexpr int16_t kCmdCustomField = 10423;

// Whether the command number is one of the Force Fields items.
bool IsForceFieldCommand(int16_t command);
// Whether the world holds the field that the item sets.
bool WorldHasField(const TWorldDoc& world, int16_t command);
// The command that adds the item's field to the world; null when the command is not a Force
// Fields item or the world has that field already (the field answers the item itself).
std::unique_ptr<TCommandCore> MakeAddFieldCommand(int16_t command, TWorldDoc& world);
