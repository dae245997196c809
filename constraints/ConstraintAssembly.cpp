// The constraints in the editing assembly: what each kind holds while bodies are dragged or
// changed, written as conditions of the assembly solver on the bodies of its attached objects.

#include <cmath>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/assembly/AssemblyEntry.h"
#include "constraints/Constraint.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "core/Failure.h"

namespace {

// Where an attached object sits: on a body, at a place in the body's frame. The background and
// an object on no body sit in the world, which the solver takes for a null owner.
struct TGrip {
  TMass* body = nullptr;
  TVector3 at{0.0, 0.0, 0.0};
};

TMass* RealBody(TMass* body) {
  return body != nullptr && !body->IsMemberClass(TZeroMass::kClassID) ? body : nullptr;
}

TGrip GripOf(TLink* object) {
  TGrip grip;
  if (auto* point = dynamic_cast<TPoint*>(object)) {
    grip.body = RealBody(point->GetBody());
    grip.at = grip.body != nullptr ? point->GetLocalPosition() : point->GetWorldPosition();
  } else if (object != nullptr && object->IsMemberClass(TMass::kClassID)) {
    grip.body = RealBody(static_cast<TMass*>(object));
    if (grip.body == nullptr) grip.at = TVector3(0.0, 0.0, 0.0);
  }
  return grip;
}

// The rotation of the body's frame in the world; 0 for the world itself.
double BodyAngle(const TMass* body) { return body != nullptr ? body->GetPositionValues().r : 0.0; }

// A body that the assembly does not move (it was not handed over) still holds the conditions
// on it: it stands where it is.
void EnsureFrame(TAssemblySolver& solver, TMass* body) {
  if (body == nullptr || solver.FindFrame(body) != nullptr) return;
  const TVector3 at = body->GetPositionValues();
  solver.MakeFixedFrame(body, Frame2D(at.x, at.y, at.r), body);
}

void AddPlacement(TAssemblySolver& solver, TAssemblyConstraint* condition, const TGrip& grip) {
  solver.AddPlacement(condition, grip.body, grip.at);
}

// The grip of every attached object but the primary one, each with its rotation set so that
// its world angle is the reference's now: a keyed condition then holds the rotations as they are.
void AddOthersKeyed(TAssemblySolver& solver, TAssemblyConstraint* condition, const TCnstr& owner,
                    double referenceWorldAngle, bool keyed) {
  for (TLink* object : owner.Attached()) {
    if (object == owner.GetPrimaryObject()) continue;
    TGrip grip = GripOf(object);
    EnsureFrame(solver, grip.body);
    if (keyed) grip.at.r = referenceWorldAngle - BodyAngle(grip.body);
    AddPlacement(solver, condition, grip);
  }
}

// Every other attached object at the primary one's place; keyed, also turned as the reference
// placement is, which is the primary's own rotation plus the offset.
void AddCoincidence(TAssemblySolver& solver, TCnstr& owner, bool keyed, double angleOffset,
                    bool keepRotations) {
  TGrip reference = GripOf(owner.GetPrimaryObject());
  EnsureFrame(solver, reference.body);
  reference.at.r += angleOffset;
  TAssemblyConstraint* condition = nullptr;
  if (keyed) {
    FailIfError(AssemblyCoincidentKeyed(&solver, &owner, reference.body, reference.at, 1.0,
                                        condition));
  } else {
    FailIfError(AssemblyCoincident(&solver, &owner, reference.body,
                                   TVector(reference.at.x, reference.at.y), condition));
  }
  const double referenceWorldAngle = BodyAngle(reference.body) + reference.at.r;
  for (TLink* object : owner.Attached()) {
    if (object == owner.GetPrimaryObject()) continue;
    TGrip grip = GripOf(object);
    EnsureFrame(solver, grip.body);
    if (keyed && keepRotations) grip.at.r = referenceWorldAngle - BodyAngle(grip.body);
    AddPlacement(solver, condition, grip);
  }
}

// A distance condition over the attached objects in their order.
void AddDistance(TAssemblySolver& solver, TCnstr& owner, int16_t kind, double length) {
  TAssemblyConstraint* condition = nullptr;
  FailIfError(AssemblyDistance(&solver, &owner, kind, length, condition));
  for (TLink* object : owner.Attached()) {
    const TGrip grip = GripOf(object);
    EnsureFrame(solver, grip.body);
    AddPlacement(solver, condition, grip);
  }
}

}  // namespace

// ---- The root --------------------------------------------------------------------------------

bool TCnstr::HoldsInAssembly() const {
  if (IsActive() || AttachedCount() < 2 || primary_ == nullptr) return false;
  // A condition that is a constant not above 0 never lets the constraint act.
  return Activation().IsFormula() || Activation().GetValue() > 0.0;
}

void TCnstr::CollectJoined(std::vector<TLink*>& joined) {
  if (!HoldsInAssembly() || !HasAssemblyConditions()) return;
  for (TLink* object : attached_) {
    joined.push_back(object);
    if (auto* point = dynamic_cast<TPoint*>(object); point != nullptr && point->GetBody())
      joined.push_back(point->GetBody());
  }
}

void TCnstr::AddToAssembly(TAssemblySolver& solver) {
  if (HoldsInAssembly() && HasAssemblyConditions()) AddAssemblyConditions(solver);
}

// ---- The kinds -------------------------------------------------------------------------------

void TConstraint::AddAssemblyConditions(TAssemblySolver& solver) {
  AddCoincidence(solver, *this, false, 0.0, false);
}

// A welding pin whose bodies are one compound already has nothing left to hold; until they are,
// it carries the others with the one that moves, rotations and all.
bool TPin::HasAssemblyConditions() const {
  return !(GetDisplayMode() != 0 && weld_ != 0 && AttachedCount() > 1 && WeldsOneCompound());
}

void TPin::AddAssemblyConditions(TAssemblySolver& solver) {
  AddCoincidence(solver, *this, weld_ != 0, 0.0, true);
}

void TLRope::AddAssemblyConditions(TAssemblySolver& solver) {
  // The solver's kinds: 0 at most, 1 exactly, 2 at least.
  static constexpr int16_t kSolverKind[] = {1, 2, 0};
  AddDistance(solver, *this, kSolverKind[type_], Quantity().GetValue());
}

void TLPiston::AddAssemblyConditions(TAssemblySolver& solver) {
  AddDistance(solver, *this, 1, Quantity().GetValue());
}

void TRPiston::AddAssemblyConditions(TAssemblySolver& solver) {
  if (!HasQuantity()) return TPiston::AddAssemblyConditions(solver);
  // The quantity is the other point's world rotation less the primary's.
  AddCoincidence(solver, *this, true, Quantity().GetValue(), false);
}

void TSlot::AddAssemblyConditions(TAssemblySolver& solver) {
  TMass* body = RealBody(SlotBody());
  EnsureFrame(solver, body);
  uint16_t made = 0;
  TAssemblyConstraint* condition = SolverGeometry(solver, made);
  if (made == 0 || condition == nullptr) return;
  const double slotWorldAngle = BodyAngle(body) + SlotAngle();
  AddOthersKeyed(solver, condition, *this, slotWorldAngle, IsLocked() != 0);
}
