#pragma once
// The geometry manager's assembly: brings the objects joined to moved or changed objects to their
// places through the assembly solver. Every body that is not anchored stands for three solve
// variables, and each of its position quantities that holds a formula text locks that coordinate
// at the formula's value;
// other world objects (the constraints) take part through TAssemblyParticipant.

#include <vector>

#include "bodies/assembly/AssemblySolver.h"
#include "simulation/GeometryManager.h"

// The tolerance of an editing assembly, in world units and radians.
inline constexpr double kAssemblyTolerance = 1e-10;

// A world object other than a body that ties bodies together.
class TAssemblyParticipant {
 public:
  virtual ~TAssemblyParticipant() = default;
  // Appends the objects whose geometry follows this one.
  virtual void CollectJoined(std::vector<TLink*>& joined) = 0;
  // Adds this object's conditions; the bodies it names have their frames already.
  virtual void AddToAssembly(TAssemblySolver& solver) = 0;
};

class TBodyAssembly : public TGeometryAssembly {
 public:
  void CollectJoined(const std::vector<TLink*>& targets, std::vector<TLink*>& joined) override;
  // Raises -25104 when the objects cannot be assembled.
  void Assemble(const std::vector<TLink*>& objects, int16_t flag) override;
};

class TMass;
// Whether the body keeps its place in an assembly: anchored, or the world's background.
bool IsFixedInAssembly(TMass& body);

// The assembly the program installs at start-up.
TBodyAssembly& ProgramBodyAssembly();
