#pragma once
// Class identifiers of world objects that the script objects test but whose classes the world
// does not have yet (gadgets, inputs and meters); an object of such a class answers to them once
// it exists.

#include <cstdint>

inline constexpr int16_t kGadgetClassID = 398;
inline constexpr int16_t kInputClassID = 444;
inline constexpr int16_t kOutputClassID = 533;
