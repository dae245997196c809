#pragma once
// The joiner: the world's handler of the commands that separate (1047) and join (1048) the
// selected points and constraints, each an undoable action. Command 1049 is never offered.
//
// What points, bodies and constraints answer lives in the layers above the world; they fill the
// joiner's hooks at start-up. Without hooks the joiner finds nothing to separate or join.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/Link.h"
#include "model/command/ActionBase.h"

class TWorldDoc;

inline constexpr int16_t kCmdSeparate = 1047;
inline constexpr int16_t kCmdJoin = 1048;
inline constexpr int16_t kCmdJoinThird = 1049;
inline constexpr uint32_t kJoinerTag = MakeTag("jner");
// The handler identifier word of the joiner.
inline constexpr int16_t kJoinerIdentifier = 10014;

// What the joiner asks of the objects of a selection, and of the world.
struct JoinerHooks {
  // A constraint, and whether it is active (taken out of the mechanism).
  std::function<bool(TLink*)> isConstraint;
  std::function<bool(TLink*)> isActive;
  // Whether separating applies to the element (a constraint that can be made active).
  std::function<bool(TLink*)> canSeparate;
  // A joint: a constraint that holds points together and can take more of them.
  std::function<bool(TLink*)> isJoint;
  // Makes the constraint active (1) or inactive (0).
  std::function<void(TLink*, uint16_t)> setActive;
  // The points of the element (a point is its own only point), appended.
  std::function<void(TLink*, std::vector<TLink*>&)> pointsOf;
  // The constraints that hold the point, appended.
  std::function<void(TLink*, std::vector<TLink*>&)> constraintsOfPoint;
  // A point's body and its kind.
  std::function<TLink*(TLink*)> bodyOf;
  std::function<int32_t(TLink*)> pointKind;
  // Attaches the point to the joint, or detaches every object from it.
  std::function<void(TLink*, TLink*)> attach;
  std::function<void(TLink*)> detachAll;
  // What an element's change brings along: objects whose formulas follow it (first list) and
  // objects placed after it (second list).
  std::function<void(TLink*, std::vector<TLink*>&, std::vector<TLink*>&)> gatherChanges;
  // The world brings the objects of the two lists into agreement with the joined mechanism. It
  // raises -25104 when they cannot be assembled, -25107 when the user stopped it.
  std::function<void(TWorldDoc&, const std::vector<TLink*>&, const std::vector<TLink*>&)>
      applyChanges;
};
void SetJoinerHooks(JoinerHooks hooks);
const JoinerHooks& GetJoinerHooks();

// What the joiner's commands show.
struct JoinerMenuState {
  bool canSeparate = false;
  bool canJoin = false;
};

class TJoiner : public THandlerLink {
  DECLARE_CLASS_ID(506, THandlerLink)

 public:
  static TObject* CreateObject();
  ~TJoiner() override;
  // Keeps the world and links the two.
  void InitJoiner(TWorldDoc* world);
  TWorldDoc* GetWorld() const { return world_; }
  int16_t GetHandlerIdentifier() const { return handlerIdentifier_; }

  JoinerMenuState MenuState() const;
  // 1047 and 1048 by the selection, 1049 never.
  void DoSetupMenus();
  // 1047, 1048 and 1049 set handled and make their action; others clear it and make nothing.
  TCommandCore* DoMenuCommand(int16_t command, uint16_t& handled);

  // The first selected constraint that passes the test; null when none does.
  TLink* FindConstraint(const std::function<bool(TLink*)>& test) const;
  void ForEachConstraint(const std::function<void(TLink*)>& action) const;
  void ForEachActiveConstraint(const std::function<void(TLink*)>& action) const;
  // The two free points of a joinable pair: exactly two points without constraints among the
  // selection's points, on different bodies, of one kind.
  bool FindJoinablePair(std::vector<TLink*>& pair) const;
  // The first selected joint, when some selected point is free to join it; the free points are
  // collected into points.
  TLink* FindTakingJoint(std::vector<TLink*>& points) const;
  // Every constraint the selection reaches (selected, or holding a selected element's points),
  // each once, in selection order.
  std::vector<TLink*> ConstraintsReached() const;

 private:
  TWorldDoc* world_ = nullptr;
  int16_t handlerIdentifier_ = 0;
};

// Separating: every constraint the selection reaches is made active.
class TSeparateAction : public TActionBase {
 public:
  void InitJoinerAction(int16_t command, TWorldDoc* world, TJoiner* joiner);
  void BeforePrepare() override;
  void DoWork() override;

 protected:
  TWorldDoc& World() const { return *joiner_->GetWorld(); }
  // The change lists of the selected elements and of the constraints given.
  void GatherChanges(const std::vector<TLink*>& constraints);
  // Hands the change lists to the world; a failure to assemble is reported as the join's.
  void ApplyChanges();

  TJoiner* joiner_ = nullptr;
  std::vector<TLink*> constraints_;
  std::vector<TLink*> firstChanges_;
  std::vector<TLink*> secondChanges_;
};

// Joining: two free points of different bodies get a new joint (the prototype of resource
// 2529), free points join a selected joint, and the selected active constraints act again.
class TJoinAction : public TSeparateAction {
 public:
  static constexpr int16_t kJointResource = 2529;

  void BeforePrepare() override;
  void DoWork() override;
  // The new joint leaves the world with the undo and comes back with the redo.
  void Undo() override;
  void Redo() override;
  TLink* GetJoint() const { return joint_; }

 private:
  // Reads the joint prototype and gives it the next free identifier of the world.
  void MakeJoint();
  void AdoptJoint();

  TLink* joint_ = nullptr;
  // The new joint while it is not in the world.
  std::unique_ptr<TLink> newJoint_;
  bool jointIsNew_ = false;
  int16_t jointIdentifier_ = 0;
  std::vector<TLink*> points_;
};

// The third command's action: the selection's changes handed to the world.
class TJoinThirdAction : public TSeparateAction {
 public:
  void BeforePrepare() override;
  void DoWork() override;
};

// Enters TJoiner in the class registry.
void RegisterJoinerClass();
