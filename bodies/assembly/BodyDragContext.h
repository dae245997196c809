#pragma once
// The bodies' geometry drag: one assembly solve kept for the length of a drag, the grabbed body
// steered to the mouse by a point drag and everything joined to it following.

#include <memory>
#include <vector>

#include "bodies/assembly/AssemblySolver.h"
#include "model/GeometryDrag.h"

class TMass;

class TBodyDragContext : public TGeometryDragContext {
 public:
  explicit TBodyDragContext(std::vector<TLink*> objects) : objects_(std::move(objects)) {}

  TLink* MakeFollowed(TLink* grabbed, const TVector& grip) override;
  void MoveFrameTo(const TVector& point) override;
  void LetGo() override;
  bool Run(TGeometryRunLimit& limit, double tolerance) override;

 private:
  void Build(TMass* grabbed, const TVector& grip);

  std::vector<TLink*> objects_;
  std::vector<TMass*> bodies_;
  std::unique_ptr<TAssemblySolver> solver_;
  TDragController* drag_ = nullptr;
};

// The maker the bodies layer installs.
std::unique_ptr<TGeometryDragContext> MakeBodyDragContext(const std::vector<TLink*>& objects);
