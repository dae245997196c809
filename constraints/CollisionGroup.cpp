// The collision group's menu commands and the undoable command that changes its pairs.

#include "constraints/CollisionGroup.h"

#include <memory>

#include "bodies/Body.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

constexpr int32_t kPairMode = 2;

bool IsBody(const TLink* object) { return IsKindOfSafe(object, TMass::kClassID); }

bool IsSelected(const TWorldDoc& world, const TLink* object) {
  const auto& selection = world.Selection();
  return std::find(selection.begin(), selection.end(), object) != selection.end();
}

}  // namespace

TObject* TCollisionGroup::CreateObject() { return new TCollisionGroup; }

// Collisions are asked of pairs, and the user's commands name pairs: the group lists the pairs
// kept apart, so a new group lets every pair collide and Don't Collide takes out just the pairs
// it names. (Read as each body by itself, a listed pair would go on colliding.)
void TCollisionGroup::Initialize() {
  TFieldGroup::Initialize();
  SetMode(kPairMode, 0);
  SetOwnBlockCode(kBlockCollisionGroup);
}

TWorldDoc* TCollisionGroup::GetWorld() const { return WorldOf(*this); }

void TCollisionGroup::SelectedPairs(int32_t& bodies, bool& someIn, bool& someOut) const {
  bodies = 0;
  someIn = someOut = false;
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return;
  std::vector<TLink*> found;
  for (TLink* object : world->Selection()) {
    if (!IsBody(object)) continue;
    for (TLink* earlier : found) {
      if (const_cast<TCollisionGroup*>(this)->Applies(object, earlier) != 0) someIn = true;
      else someOut = true;
    }
    found.push_back(object);
  }
  bodies = static_cast<int32_t>(found.size());
}

CollideMenuState TCollisionGroup::MenuState() const {
  CollideMenuState state;
  int32_t bodies = 0;
  bool someIn = false, someOut = false;
  SelectedPairs(bodies, someIn, someOut);
  if (GetWorld() == nullptr || bodies < 2) return state;
  state.enabled = true;
  if (someIn && someOut) {
    state.collideMark = state.dontCollideMark = kMixedMark;
  } else if (someOut) {
    state.dontCollideMark = kCheckMark;
  } else {
    state.collideMark = kCheckMark;
  }
  return state;
}

void TCollisionGroup::DoSetupMenus() {
  TFieldGroup::DoSetupMenus();
  SetMenuItemMark(kCmdCollide, kNoMark);
  SetMenuItemMark(kCmdDontCollide, kNoMark);
  const CollideMenuState state = MenuState();
  // A check is the item's checked state; the mixed mark is a picture of its own.
  const auto show = [&state](int16_t command, uint8_t mark) {
    EnableCheckMenuCommand(command, state.enabled, state.enabled && mark == kCheckMark);
    if (state.enabled && mark == kMixedMark) SetMenuItemMark(command, mark);
  };
  show(kCmdCollide, state.collideMark);
  show(kCmdDontCollide, state.dontCollideMark);
}

std::unique_ptr<TCommandCore> TCollisionGroup::DoObjectMenuCommand(int16_t command, bool& handled) {
  if (command != kCmdCollide && command != kCmdDontCollide)
    return TFieldGroup::DoObjectMenuCommand(command, handled);
  handled = true;
  auto collide = std::make_unique<TCollideCommand>();
  collide->InitCollide(command, this, GetWorld());
  return collide;
}

// Only bodies collide: other selected objects (points, constraints) never enter the group.
void TCollisionGroup::ApplyCollideCommand(int16_t command) {
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return;
  CheckWorldEdit(*world);
  const std::vector<TLink*> objects = world->Objects();
  for (size_t i = 1; i < objects.size(); ++i) {
    TLink* object = objects[i];
    if (!IsBody(object) || !IsSelected(*world, object)) continue;
    for (size_t j = 0; j < i; ++j) {
      TLink* earlier = objects[j];
      if (!IsBody(earlier) || !IsSelected(*world, earlier)) continue;
      if (command == kCmdCollide) IncludePair(object, earlier);
      else if (command == kCmdDontCollide) ExcludePair(object, earlier);
    }
  }
  world->WorldChanged();
  world->DocumentChanged();
}

void TCollisionGroup::ReadOwnBlock(TObjectReader&) {}

void TCollisionGroup::WriteOwnBlock(TObjectWriter& writer) { writer.Align(4); }

// ---- The collide command -----------------------------------------------------------------------

void TCollideCommand::InitCollide(int16_t command, TCollisionGroup* group, TWorldDoc* world) {
  if (group == nullptr || world == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  InitAction(command, nullptr, world, 1);
  group_ = group;
  world_ = world;
}

// The edit check comes before anything is recorded, so that an abandoned edit leaves the world
// and its recorded frames as they were. Then the group as a whole, before and after: undo and
// redo give back its pairs.
void TCollideCommand::BeforePrepare() {
  CheckWorldEdit(*world_);
  if (UndoRecorder() != nullptr && RedoRecorder() != nullptr)
    NoteChange(group_, TChangeRecorder::kWholeObject);
}

void TCollideCommand::DoWork() { group_->ApplyCollideCommand(GetCommandNumber()); }
