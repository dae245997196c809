// The joiner's menu rules and its three undoable actions.

#include "model/world/Joiner.h"

#include <algorithm>
#include <memory>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

JoinerHooks& Hooks() {
  static JoinerHooks hooks;
  return hooks;
}

bool Ask(const std::function<bool(TLink*)>& test, TLink* object) {
  return test && object != nullptr && test(object);
}

void AddOnce(std::vector<TLink*>& list, TLink* object) {
  if (object != nullptr && std::find(list.begin(), list.end(), object) == list.end())
    list.push_back(object);
}

bool IsConstraint(TLink* object) { return Ask(Hooks().isConstraint, object); }
bool IsActiveConstraint(TLink* object) {
  return IsConstraint(object) && Ask(Hooks().isActive, object);
}

std::vector<TLink*> PointsOf(TLink* element) {
  std::vector<TLink*> points;
  if (Hooks().pointsOf) Hooks().pointsOf(element, points);
  return points;
}

bool IsFree(TLink* point) {
  std::vector<TLink*> constraints;
  if (Hooks().constraintsOfPoint) Hooks().constraintsOfPoint(point, constraints);
  return constraints.empty();
}

// The blocks the actions keep for undo: a constraint's active state and its attached list.
constexpr int16_t kBlockActiveState = 5031;
constexpr int16_t kBlockAttachedList = 5232;
// Failures of assembling the joined objects.
constexpr int16_t kErrCannotAssemble = -25104;
constexpr int16_t kErrAssemblyStopped = -25107;
constexpr int32_t kMsgCannotAssemble = (40033 << 16) | 5;

}  // namespace

void SetJoinerHooks(JoinerHooks hooks) { Hooks() = std::move(hooks); }
const JoinerHooks& GetJoinerHooks() { return Hooks(); }

// ---- The joiner ----------------------------------------------------------------------------------

TObject* TJoiner::CreateObject() { return new TJoiner; }

TJoiner::~TJoiner() {
  if (world_ != nullptr) RemoveDependent(world_);
}

void TJoiner::InitJoiner(TWorldDoc* world) {
  Initialize();
  world_ = world;
  handlerIdentifier_ = kJoinerIdentifier;
  SetIdentifier(kJoinerIdentifier);
  if (world != nullptr) AddDependent(world);
}

TLink* TJoiner::FindConstraint(const std::function<bool(TLink*)>& test) const {
  if (world_ == nullptr) return nullptr;
  for (TLink* element : world_->Selection()) {
    if (IsConstraint(element) && test(element)) return element;
  }
  return nullptr;
}

void TJoiner::ForEachConstraint(const std::function<void(TLink*)>& action) const {
  if (world_ == nullptr) return;
  for (TLink* element : world_->Selection()) {
    if (IsConstraint(element)) action(element);
  }
}

void TJoiner::ForEachActiveConstraint(const std::function<void(TLink*)>& action) const {
  if (world_ == nullptr) return;
  for (TLink* element : world_->Selection()) {
    if (IsActiveConstraint(element)) action(element);
  }
}

std::vector<TLink*> TJoiner::ConstraintsReached() const {
  std::vector<TLink*> reached;
  if (world_ == nullptr) return reached;
  for (TLink* element : world_->Selection()) {
    if (IsConstraint(element)) AddOnce(reached, element);
  }
  for (TLink* element : world_->Selection()) {
    for (TLink* point : PointsOf(element)) {
      std::vector<TLink*> holding;
      if (Hooks().constraintsOfPoint) Hooks().constraintsOfPoint(point, holding);
      for (TLink* constraint : holding) AddOnce(reached, constraint);
    }
  }
  return reached;
}

bool TJoiner::FindJoinablePair(std::vector<TLink*>& pair) const {
  pair.clear();
  const JoinerHooks& hooks = Hooks();
  if (world_ == nullptr || !hooks.bodyOf || !hooks.pointKind) return false;
  std::vector<TLink*> free;
  for (TLink* element : world_->Selection()) {
    for (TLink* point : PointsOf(element)) {
      if (IsFree(point)) AddOnce(free, point);
    }
  }
  const bool joinable = free.size() == 2 && hooks.bodyOf(free[0]) != hooks.bodyOf(free[1]) &&
                        hooks.pointKind(free[0]) == hooks.pointKind(free[1]);
  if (joinable) pair = free;
  return joinable;
}

TLink* TJoiner::FindTakingJoint(std::vector<TLink*>& points) const {
  points.clear();
  if (world_ == nullptr) return nullptr;
  TLink* joint = nullptr;
  for (TLink* element : world_->Selection()) {
    if (Ask(Hooks().isJoint, element)) {
      joint = element;
      break;
    }
  }
  if (joint == nullptr) return nullptr;
  for (TLink* element : world_->Selection()) {
    if (element == joint) continue;
    for (TLink* point : PointsOf(element)) {
      if (IsFree(point)) AddOnce(points, point);
    }
  }
  return points.empty() ? nullptr : joint;
}

JoinerMenuState TJoiner::MenuState() const {
  JoinerMenuState state;
  if (world_ == nullptr || IsMemoryLow()) return state;
  for (TLink* element : world_->Selection()) {
    if (Ask(Hooks().canSeparate, element)) state.canSeparate = true;
  }
  std::vector<TLink*> found;
  state.canJoin = FindConstraint(IsActiveConstraint) != nullptr || FindJoinablePair(found) ||
                  FindTakingJoint(found) != nullptr;
  return state;
}

void TJoiner::DoSetupMenus() {
  const JoinerMenuState state = MenuState();
  EnableMenuCommand(kCmdSeparate, state.canSeparate);
  EnableMenuCommand(kCmdJoin, state.canJoin);
  EnableMenuCommand(kCmdJoinThird, false);
}

TCommandCore* TJoiner::DoMenuCommand(int16_t command, uint16_t& handled) {
  handled = 1;
  std::unique_ptr<TSeparateAction> action;
  if (command == kCmdSeparate) action = std::make_unique<TSeparateAction>();
  else if (command == kCmdJoin) action = std::make_unique<TJoinAction>();
  else if (command == kCmdJoinThird) action = std::make_unique<TJoinThirdAction>();
  if (!action) {
    handled = 0;
    return nullptr;
  }
  action->InitJoinerAction(command, world_, this);
  return action.release();
}

// ---- Separating --------------------------------------------------------------------------------

void TSeparateAction::InitJoinerAction(int16_t command, TWorldDoc* world, TJoiner* joiner) {
  if (world == nullptr || joiner == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  InitAction(command, nullptr, world, 1);
  joiner_ = joiner;
}

void TSeparateAction::BeforePrepare() {
  constraints_ = joiner_->ConstraintsReached();
  for (TLink* constraint : constraints_) NoteChange(constraint, kBlockActiveState);
}

void TSeparateAction::DoWork() {
  if (!Hooks().setActive) return;
  for (TLink* constraint : constraints_) Hooks().setActive(constraint, 1);
}

void TSeparateAction::GatherChanges(const std::vector<TLink*>& constraints) {
  firstChanges_.clear();
  secondChanges_.clear();
  if (!Hooks().gatherChanges) return;
  for (TLink* element : World().Selection())
    Hooks().gatherChanges(element, firstChanges_, secondChanges_);
  for (TLink* constraint : constraints) {
    if (std::find(World().Selection().begin(), World().Selection().end(), constraint) ==
        World().Selection().end())
      Hooks().gatherChanges(constraint, firstChanges_, secondChanges_);
  }
}

void TSeparateAction::ApplyChanges() {
  if (!Hooks().applyChanges) return;
  try {
    Hooks().applyChanges(World(), firstChanges_, secondChanges_);
  } catch (const QVException& failure) {
    if (failure.error() == kErrAssemblyStopped) ThrowFailure(kErrNone, 0);
    if (failure.error() == kErrCannotAssemble) ThrowFailure(kErrCannotAssemble, kMsgCannotAssemble);
    throw;
  }
}

// ---- Joining -----------------------------------------------------------------------------------

void TJoinAction::MakeJoint() {
  auto reader = ReadObjectsFromResource(kJointResource, &World(), nullptr, nullptr);
  std::vector<std::unique_ptr<TLink>> objects = reader->TakeObjects();
  if (objects.empty() || !IsConstraint(objects.front().get())) FailIfNullResource(nullptr);
  newJoint_ = std::move(objects.front());
  jointIdentifier_ = FreeIdentifier(World());
  newJoint_->SetIdentifier(jointIdentifier_);
  joint_ = newJoint_.get();
  jointIsNew_ = true;
}

void TJoinAction::BeforePrepare() {
  constraints_ = joiner_->ConstraintsReached();
  for (TLink* constraint : constraints_) NoteChange(constraint, kBlockActiveState);
  joint_ = nullptr;
  jointIsNew_ = false;
  if (joiner_->FindJoinablePair(points_)) {
    MakeJoint();
  } else if (TLink* joint = joiner_->FindTakingJoint(points_)) {
    joint_ = joint;
    NoteChange(joint_, kBlockAttachedList);
  }
  GatherChanges(constraints_);
  if (joint_ != nullptr && Hooks().gatherChanges)
    Hooks().gatherChanges(joint_, firstChanges_, secondChanges_);
  NoteChangeOfAll(firstChanges_, TChangeRecorder::kWholeObject);
  NoteChangeOfAll(secondChanges_, TChangeRecorder::kWholeObject);
}

void TJoinAction::AdoptJoint() {
  if (!newJoint_) return;
  World().AdoptObject(std::move(newJoint_));
  for (TLink* point : points_) {
    if (Hooks().attach) Hooks().attach(joint_, point);
  }
}

void TJoinAction::DoWork() {
  if (jointIsNew_) AdoptJoint();
  else if (joint_ != nullptr && Hooks().attach) {
    for (TLink* point : points_) Hooks().attach(joint_, point);
  }
  if (Hooks().setActive) {
    if (joint_ != nullptr) Hooks().setActive(joint_, 0);
    joiner_->ForEachActiveConstraint([](TLink* constraint) { Hooks().setActive(constraint, 0); });
  }
  ApplyChanges();
}

void TJoinAction::Undo() {
  TSeparateAction::Undo();
  if (!jointIsNew_ || joint_ == nullptr || World().FindObject(jointIdentifier_) != joint_) return;
  if (Hooks().detachAll) Hooks().detachAll(joint_);
  World().RemoveObject(joint_);
  joint_ = nullptr;
}

// The joint comes back as it was made: a new prototype under the same identifier, joining the
// same points.
void TJoinAction::Redo() {
  if (jointIsNew_ && joint_ == nullptr) {
    const int16_t identifier = jointIdentifier_;
    MakeJoint();
    jointIdentifier_ = identifier;
    newJoint_->SetIdentifier(identifier);
    AdoptJoint();
    if (Hooks().setActive) Hooks().setActive(joint_, 0);
  }
  TSeparateAction::Redo();
}

// ---- The third command -------------------------------------------------------------------------

void TJoinThirdAction::BeforePrepare() { GatherChanges({}); }

void TJoinThirdAction::DoWork() { ApplyChanges(); }

void RegisterJoinerClass() {
  RegisterClassInfo("TJoiner", kJoinerTag, TJoiner::kClassID, TJoiner::CreateObject,
                    sizeof(TJoiner));
}
