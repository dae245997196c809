#pragma once
// The worlds bundled in samples/, made by the program's own classes. The program must be up
// (resources loaded, units started) before one is made. tools/samples/MakeSamples.cpp writes
// them all into a folder (the yb_make_samples program); the app tests keep the committed files
// equal to what it writes.
//
// Each world's namespace names the identifiers of the objects a reader looks up and the numbers
// its physics is checked with. None has gravity unless it says so; gravity is 9.81 m/s^2.

#include <memory>
#include <span>
#include <string>

#include "model/world/QVDoc.h"

namespace sample_worlds {

inline constexpr double kGravity = 9.81;

// In every world the engine is 1 (one of the world's default objects) and the background 0.
inline constexpr int16_t kEngineId = 1;
inline constexpr int16_t kBackgroundId = 0;

// ---- Spring and pin ----
// A 1 kg box on a spring (100 N/m, rest length 1 m) fixed to the background at the origin, let go
// 0.5 m stretched, so x(t) = 1 + 0.5 cos(10 t); and a wheel pinned to the background at the
// origin a metre from its centre, set turning at kWheelSpin about the pin.
inline constexpr char kSpringAndPinFile[] = "spring-and-pin.yb";
inline constexpr int16_t kBoxId = 2;
inline constexpr int16_t kSpringId = 5;
inline constexpr int16_t kWheelId = 6;
inline constexpr int16_t kWheelPinId = 9;
inline constexpr int16_t kWheelPinnedPointId = 8;
inline constexpr int16_t kWheelFixedPointId = 7;
inline constexpr double kBoxStart = 1.5;
inline constexpr double kWheelArm = 1.0;
inline constexpr double kWheelRadius = 0.25;
inline constexpr double kWheelSpin = 2.0;
std::unique_ptr<TQVDoc> MakeSpringAndPin();

// ---- Pendulum ----
// A 1 kg disk on a rigid rod of 1 m from a point of the background at the origin, let go at rest
// kStartAngle from the vertical under gravity. The rod holds the disk's centre, so the disk swings
// as a point mass.
namespace pendulum {
inline constexpr char kFile[] = "pendulum.yb";
inline constexpr int16_t kBobId = 2;
inline constexpr int16_t kRodId = 5;
inline constexpr double kLength = 1.0;
inline constexpr double kStartAngle = 0.17453292519943295;  // 10 degrees
}  // namespace pendulum
std::unique_ptr<TQVDoc> MakePendulum();

// ---- Double pendulum ----
// Two 1 kg disks on rods of 1 m, the first from the origin, the second from the first disk's
// centre, let go at rest with both rods horizontal, under gravity.
namespace double_pendulum {
inline constexpr char kFile[] = "double-pendulum.yb";
inline constexpr int16_t kUpperId = 2;
inline constexpr int16_t kLowerId = 3;
inline constexpr int16_t kUpperRodId = 10;
inline constexpr int16_t kLowerRodId = 11;
inline constexpr double kLength = 1.0;
inline constexpr double kMass = 1.0;
}  // namespace double_pendulum
std::unique_ptr<TQVDoc> MakeDoublePendulum();

// ---- Four-bar linkage ----
// A crank-rocker: the ground from the origin to (kGround, 0), a crank of kCrank turned at one
// revolution a second by a motor about the origin, a coupler of kCoupler and a rocker of kRocker
// about (kGround, 0), the coupler's joint with the rocker above the ground line. Each bar is a
// rectangle of 1 kg turned from its first joint towards its second.
namespace four_bar {
inline constexpr char kFile[] = "four-bar-linkage.yb";
inline constexpr double kGround = 2.0;
inline constexpr double kCrank = 0.5;
inline constexpr double kCoupler = 2.0;
inline constexpr double kRocker = 1.5;
inline constexpr double kSpin = 6.283185307179586;  // one revolution a second
inline constexpr int16_t kCrankId = 2;
inline constexpr int16_t kCouplerId = 3;
inline constexpr int16_t kRockerId = 4;  // turned from (kGround, 0) towards the coupler
// The pins at the four joints, in order round the loop from the crank's pivot.
inline constexpr int16_t kPinIds[4] = {20, 21, 22, 23};
}  // namespace four_bar
std::unique_ptr<TQVDoc> MakeFourBarLinkage();

// ---- Slider-crank ----
// A crank of kCrank about the origin turned at one revolution a second, a connecting rod of
// kRod, and a block whose centre slides on a keyed slot along the x axis.
namespace slider_crank {
inline constexpr char kFile[] = "slider-crank.yb";
inline constexpr double kCrank = 0.5;
inline constexpr double kRod = 1.5;
inline constexpr double kSpin = 6.283185307179586;
inline constexpr int16_t kCrankId = 2;
inline constexpr int16_t kRodId = 3;
inline constexpr int16_t kSliderId = 4;
}  // namespace slider_crank
std::unique_ptr<TQVDoc> MakeSliderCrank();

// ---- Gear train with a rack ----
// A wheel of kDriverRadius pinned at the origin and turned at one revolution a second, meshed
// with a wheel of kDrivenRadius pinned beside it, which drives a rack on a keyed slot below it.
namespace gear_train {
inline constexpr char kFile[] = "gear-train-and-rack.yb";
inline constexpr double kDriverRadius = 0.2;
inline constexpr double kDrivenRadius = 0.1;
inline constexpr double kRackDepth = 0.15;  // of the rack's centre line below the driven wheel
inline constexpr double kSpin = 6.283185307179586;
inline constexpr int16_t kDriverId = 3;
inline constexpr int16_t kDrivenId = 5;
inline constexpr int16_t kRackId = 40;
}  // namespace gear_train
std::unique_ptr<TQVDoc> MakeGearTrainAndRack();

// ---- Cam and follower ----
// A cam disk pinned at the origin, turned at half a revolution a second, with a closed groove (a
// curved slot through kGroovePoints points of a circle of kGrooveRadius about (kEccentricity, 0)
// of the cam), and a follower held to the y axis by a keyed slot, its centre in the groove: it
// rises and falls as the eccentric groove turns under it.
namespace cam_follower {
inline constexpr char kFile[] = "cam-follower.yb";
inline constexpr double kEccentricity = 0.1;
inline constexpr double kGrooveRadius = 0.4;
inline constexpr int kGroovePoints = 36;
inline constexpr double kSpin = 3.141592653589793;
inline constexpr int16_t kCamId = 2;
inline constexpr int16_t kFollowerId = 3;
inline constexpr int16_t kGrooveId = 12;
}  // namespace cam_follower
std::unique_ptr<TQVDoc> MakeCamFollower();

// ---- Two charges in orbit ----
// Two disks of 1 kg, charges +1 and -1, kDistance apart, set circling their common centre at
// the origin under electrostatics of constant kConstant alone.
namespace charges {
inline constexpr char kFile[] = "charges-in-orbit.yb";
inline constexpr double kDistance = 1.0;
inline constexpr double kConstant = 2.0;
inline constexpr double kRadius = 0.1;
inline constexpr int16_t kPositiveId = 2;
inline constexpr int16_t kNegativeId = 3;
}  // namespace charges
std::unique_ptr<TQVDoc> MakeChargesInOrbit();

// ---- Projectile with air resistance ----
// A ball of 1 kg and radius kRadius thrown from the origin at (kVx, kVy) under gravity, through
// air resisting in proportion to speed with kDrag per metre of width.
namespace projectile {
inline constexpr char kFile[] = "projectile-with-drag.yb";
inline constexpr double kRadius = 0.1;
inline constexpr double kDrag = 0.8;
inline constexpr double kVx = 4.0;
inline constexpr double kVy = 6.0;
inline constexpr int16_t kBallId = 2;
}  // namespace projectile
std::unique_ptr<TQVDoc> MakeProjectileWithDrag();

// ---- Pulley ----
// Boxes of kLightMass and kHeavyMass hung kDrop below two pulley points of the background a metre
// apart, on one rope over both; the heavy one is also held by a spring of kStiffness to a point of
// the background kDrop below it, slack at the start. Let go at rest under gravity, the two bob up
// and down together, the rope always taut and neither box reaching a pulley.
namespace pulley {
inline constexpr char kFile[] = "pulley.yb";
inline constexpr double kLightMass = 1.0;
inline constexpr double kHeavyMass = 2.0;
inline constexpr double kDrop = 1.0;
inline constexpr double kStiffness = 30.0;
inline constexpr int16_t kLightId = 2;
inline constexpr int16_t kHeavyId = 3;
inline constexpr int16_t kRopeId = 4;
inline constexpr int16_t kAnchorSpringId = 13;
}  // namespace pulley
std::unique_ptr<TQVDoc> MakePulley();

// A bundled world: its file name in samples/ and how it is made.
struct SampleWorld {
  const char* file;
  std::unique_ptr<TQVDoc> (*make)();
};

// Every bundled world, in a fixed order.
std::span<const SampleWorld> AllSampleWorlds();

}  // namespace sample_worlds
