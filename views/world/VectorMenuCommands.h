#pragma once
// The vector commands of the menu bar: showing or hiding a vector on the selected bodies and
// points (each an undoable change of every selected object that knows the command), and the
// world's vector display dialogs.

#include <cstdint>

class TCommandCore;
class TWorldDoc;

inline constexpr int16_t kCmdVectorDisplay = 10424;
inline constexpr int16_t kCmdVectorLengths = 10425;

bool IsVectorMenuCommand(int16_t command);
// Shows the command's vector on every selected object that knows it, or hides it when all of
// them show it already; null when no selected object knows the command.
TCommandCore* MakeVectorMenuCommand(int16_t command, TWorldDoc& world);
// The dialog of the command on the world's vector settings, made for a world without them.
TCommandCore* MakeVectorSettingsCommand(int16_t command, TWorldDoc& world);
