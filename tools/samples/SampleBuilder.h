#pragma once
// Pieces the sample worlds are made of: objects added to a world under a chosen identifier,
// points on bodies, bars between two places, pins, motors and a line gravity on every body.

#include <cstdint>
#include <memory>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"

class TGravCnstr;
class TZeroMass;

namespace sample_worlds {

template <class T>
T& Add(TWorldDoc& world, int16_t identifier) {
  auto object = std::make_unique<T>();
  object->Initialize();
  object->SetIdentifier(identifier);
  T& added = *object;
  world.AdoptObject(std::move(object));
  return added;
}

// A document whose world holds only the default objects that keep settings (engine, units,
// snapper...): each sample adds its own background, fields and groups, under its own numbers.
std::unique_ptr<TQVDoc> NewSampleDocument();

// The background (identifier 0). The engine comes with the world's default objects.
TZeroMass& AddGround(TWorldDoc& world);

// A point at (x, y) of the body's frame, turned by r.
TPoint& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, const TVector& where,
                 double r = 0.0);

// A disk of the radius and mass, its centre at (x, y).
TOval& AddDisk(TWorldDoc& world, int16_t identifier, double radius, double mass, double x,
               double y);

// A thin bar of the mass from one place to another: its centre half way, turned along it.
TRectangle& AddBar(TWorldDoc& world, int16_t identifier, const TVector& from, const TVector& to,
                   double mass);

// A pin holding the second point onto the first, always active.
TPin& AddPin(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second);

// A rotational motor between the points turning the second's body at the speed (rad/s).
TRPiston& AddMotor(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second,
                   double speed);

// Line gravity of the strength pulling on every body, with its field group.
TGravCnstr& AddGravity(TWorldDoc& world, int16_t fieldId, int16_t groupId, double g);

}  // namespace sample_worlds
