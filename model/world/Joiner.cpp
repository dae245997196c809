// The joiner's menu rules and its two undoable actions.

#include "model/world/Joiner.h"

#include <algorithm>
#include <memory>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditContext.h"

namespace {

JoinerHooks& Hooks() {
  static JoinerHooks hooks;
  return hooks;
}

bool Ask(const std::function<bool(TLink*)>& test, TLink* object) {
  return test && object != nullptr && test(object);
}

void AddOnce(std::vector<TLink*>& list, TLink* object) {
  if (std::find(list.begin(), list.end(), object) == list.end()) list.push_back(object);
}

// The block that holds a constraint's active state.
constexpr int16_t kBlockActiveState = 5031;

}  // namespace

void SetJoinerHooks(JoinerHooks hooks) { Hooks() = std::move(hooks); }
const JoinerHooks& GetJoinerHooks() { return Hooks(); }

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

std::vector<TLink*> TJoiner::ConstraintsReached() const {
  std::vector<TLink*> reached;
  if (world_ == nullptr || !Hooks().constraintsReached) return reached;
  for (TLink* element : world_->Selection()) {
    std::vector<TLink*> found;
    Hooks().constraintsReached(element, found);
    for (TLink* constraint : found) AddOnce(reached, constraint);
  }
  return reached;
}

bool TJoiner::FindJoinablePair(std::vector<TLink*>& pair) const {
  pair.clear();
  const JoinerHooks& hooks = Hooks();
  if (world_ == nullptr || !hooks.pointsOf || !hooks.bodyOf || !hooks.pointKind ||
      !hooks.attachments)
    return false;
  std::vector<TLink*> points;
  for (TLink* element : world_->Selection()) hooks.pointsOf(element, points);
  std::vector<TLink*> free;
  for (TLink* point : points) {
    if (hooks.attachments(point) == 0) AddOnce(free, point);
  }
  const bool joinable = free.size() == 2 && hooks.bodyOf(free[0]) != hooks.bodyOf(free[1]) &&
                        hooks.pointKind(free[0]) == hooks.pointKind(free[1]);
  if (joinable) pair = free;
  return joinable;
}

JoinerMenuState TJoiner::MenuState() const {
  JoinerMenuState state;
  if (world_ == nullptr || IsMemoryLow()) return state;
  for (TLink* element : world_->Selection()) {
    if (Ask(Hooks().canSeparate, element)) state.canSeparate = true;
    if (Ask(Hooks().isConstraint, element) && Ask(Hooks().isActive, element)) state.canJoin = true;
  }
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

// ---- Actions -------------------------------------------------------------------------------------

void TSeparateAction::InitJoinerAction(int16_t command, TWorldDoc* world, TJoiner* joiner) {
  if (world == nullptr || joiner == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  InitAction(command, nullptr, &world->EditContext(), 1);
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

// Only the selected constraints that are active now are joined again.
void TJoinAction::BeforePrepare() {
  constraints_.clear();
  TWorldDoc* world = joiner_->GetWorld();
  for (TLink* element : world->Selection()) {
    if (Ask(Hooks().isConstraint, element) && Ask(Hooks().isActive, element))
      AddOnce(constraints_, element);
  }
  for (TLink* constraint : constraints_) NoteChange(constraint, kBlockActiveState);
}

void TJoinAction::DoWork() {
  if (!Hooks().setActive) return;
  for (TLink* constraint : constraints_) Hooks().setActive(constraint, 0);
}

void RegisterJoinerClass() {
  RegisterClassInfo("TJoiner", kJoinerTag, TJoiner::kClassID, TJoiner::CreateObject,
                    sizeof(TJoiner));
}
