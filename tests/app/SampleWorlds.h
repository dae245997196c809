#pragma once
// The worlds bundled in samples/, made by the program's own classes. The program must be up
// (resources loaded, units started) before one is made.

#include <memory>
#include <string>

#include "model/world/QVDoc.h"

namespace sample_worlds {

// The file name of the spring-and-pin sample in samples/.
inline constexpr char kSpringAndPinFile[] = "spring-and-pin.yb";

// Identifiers of the sample's objects.
inline constexpr int16_t kEngineId = 1;  // the world's own engine, one of its default objects
inline constexpr int16_t kBackgroundId = 0;
inline constexpr int16_t kBoxId = 2;
inline constexpr int16_t kSpringId = 5;
inline constexpr int16_t kWheelId = 6;
inline constexpr int16_t kWheelPinId = 9;
inline constexpr int16_t kWheelPinnedPointId = 8;
inline constexpr int16_t kWheelFixedPointId = 7;

// What the sample shows, without gravity: a 1 kg box on a spring (100 N/m, rest length 1 m)
// fixed to the background at the origin, let go 0.5 m stretched, so x(t) = 1 + 0.5 cos(10 t);
// and a wheel pinned to the background at the origin a metre from its centre, set turning at
// kWheelSpin about the pin, which it keeps doing at that rate.
inline constexpr double kBoxStart = 1.5;
inline constexpr double kWheelArm = 1.0;
inline constexpr double kWheelRadius = 0.25;
inline constexpr double kWheelSpin = 2.0;

std::unique_ptr<TQVDoc> MakeSpringAndPin();

}  // namespace sample_worlds
