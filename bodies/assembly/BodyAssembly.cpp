// The bodies' side of the geometry manager: one assembly solve over the objects it is given.

#include "bodies/assembly/BodyAssembly.h"

#include <algorithm>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
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

// The bodies of the join chain; a damaged chain that closes on itself ends where it repeats.
void AppendJoinChain(TMass& start, std::vector<TLink*>& found) {
  std::vector<TMass*> visited;
  for (TMass* body = &start; body != nullptr; body = body->GetJoinedTo()) {
    if (std::find(visited.begin(), visited.end(), body) != visited.end()) break;
    visited.push_back(body);
    if (body != &start) found.push_back(body);
  }
}

// The constraints that hold the body's points.
void AppendPointConstraints(TMass& body, std::vector<TLink*>& found) {
  const TList* attachments = body.Attachments();
  if (attachments == nullptr) return;
  for (int32_t i = 1; i <= attachments->GetCount(); ++i) {
    auto* point = dynamic_cast<TPoint*>(attachments->At(i));
    if (point == nullptr || point->Constraints() == nullptr) continue;
    const TList& constraints = *point->Constraints();
    for (int32_t j = 1; j <= constraints.GetCount(); ++j) {
      auto* constraint = dynamic_cast<TLink*>(constraints.At(j));
      if (dynamic_cast<TAssemblyParticipant*>(constraint) != nullptr) found.push_back(constraint);
    }
  }
}

}  // namespace

void TBodyAssembly::CollectJoined(const std::vector<TLink*>& targets,
                                  std::vector<TLink*>& joined) {
  // Everything tied to the targets, however far: the join chains of bodies, the constraints on
  // a body's points and what those constraints tie together. A body that keeps its place passes
  // nothing on, so the background does not bring in all that is fixed to it.
  std::vector<TLink*> reached = targets;
  for (size_t next = 0; next < reached.size(); ++next) {
    TLink* object = reached[next];
    std::vector<TLink*> found;
    if (TMass* body = AsBody(object); body != nullptr) {
      const bool fixed = IsFixedInAssembly(*body);
      if (!fixed || next < targets.size()) AppendJoinChain(*body, found);
      if (!fixed) AppendPointConstraints(*body, found);
    }
    if (auto* participant = dynamic_cast<TAssemblyParticipant*>(object))
      participant->CollectJoined(found);
    for (TLink* each : found) {
      if (std::find(reached.begin(), reached.end(), each) != reached.end()) continue;
      reached.push_back(each);
      AppendOnce(joined, each);
    }
  }
}

void TBodyAssembly::Assemble(const std::vector<TLink*>& targets, int16_t) {
  // What is tied to the targets is put together with them.
  std::vector<TLink*> objects = targets;
  std::vector<TLink*> joined;
  CollectJoined(targets, joined);
  for (TLink* object : joined) AppendOnce(objects, object);
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
