// The bodies' side of the geometry manager: one assembly solve over the objects it is given.

#include "bodies/assembly/BodyAssembly.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "core/Failure.h"

namespace {

TMass* AsBody(TLink* object) {
  return object != nullptr && object->IsMemberClass(TMass::kClassID) ? static_cast<TMass*>(object)
                                                                     : nullptr;
}

void AppendOnce(std::vector<TLink*>& list, TLink* object) {
  if (object != nullptr && std::find(list.begin(), list.end(), object) == list.end())
    list.push_back(object);
}

// A body's frame, and a lock on each position quantity that holds a formula text. An anchored
// body does not move.
void AddBody(TAssemblySolver& solver, TMass& body) {
  const TVector3 at = body.GetPositionValues();
  const Frame2D frame(at.x, at.y, at.r);
  if (IsFixedInAssembly(body)) {
    solver.MakeFixedFrame(&body, frame, &body);
    return;
  }
  solver.MakeBodyFrame(&body, frame);
  if (body.PositionX()->IsFormula()) solver.AddXLock(&body, frame, at.x);
  if (body.PositionY()->IsFormula()) solver.AddYLock(&body, frame, at.y);
  if (body.Rotation()->IsFormula()) solver.AddAngleLock(&body, frame, at.r);
}

}  // namespace

void TBodyAssembly::CollectJoined(const std::vector<TLink*>& targets,
                                  std::vector<TLink*>& joined) {
  for (TLink* target : targets) {
    // The join chain; a damaged chain that closes on itself ends where it repeats.
    std::vector<TMass*> visited;
    for (TMass* body = AsBody(target); body != nullptr; body = body->GetJoinedTo()) {
      if (std::find(visited.begin(), visited.end(), body) != visited.end()) break;
      visited.push_back(body);
      if (body != target) AppendOnce(joined, body);
    }
    if (auto* participant = dynamic_cast<TAssemblyParticipant*>(target))
      participant->CollectJoined(joined);
  }
}

void TBodyAssembly::Assemble(const std::vector<TLink*>& objects, int16_t) {
  TAssemblySolver solver(1);
  std::vector<TMass*> bodies;
  for (TLink* object : objects) {
    if (TMass* body = AsBody(object); body != nullptr && body->PositionX() != nullptr) {
      bodies.push_back(body);
      AddBody(solver, *body);
    }
  }
  for (TLink* object : objects) {
    if (auto* participant = dynamic_cast<TAssemblyParticipant*>(object))
      participant->AddToAssembly(solver);
  }
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  const double error = solver.Solve(nullptr, nullptr, kAssemblyTolerance, records, count, pushed);
  if (!(error <= kAssemblyTolerance)) ThrowFailure(kErrCannotAssemble, kMsgCannotAssemble);
  for (int32_t i = 0; i < count; ++i) {
    const TFrameRecord& record = records[i];
    auto body = std::find(bodies.begin(), bodies.end(), record.owner);
    if (body == bodies.end()) continue;
    const TVector3 placed = record.world.Placement();
    if (!(placed == (*body)->GetPositionValues())) (*body)->StorePosition(placed);
  }
}

bool IsFixedInAssembly(TMass& body) {
  return body.IsAnchored() || body.IsMemberClass(TZeroMass::kClassID);
}

TBodyAssembly& ProgramBodyAssembly() {
  static TBodyAssembly assembly;
  return assembly;
}
