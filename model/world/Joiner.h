#pragma once
// The joiner: the world's handler of the commands that separate (1047) and join (1048) the
// selected points and constraints, each an undoable action. Command 1049 is never offered.
//
// What points, bodies and constraints answer lives in the layers above the world; they fill the
// joiner's hooks at start-up. Without hooks the joiner finds nothing to separate or join.

#include <cstdint>
#include <functional>
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

// What the joiner asks of the objects of a selection.
struct JoinerHooks {
  // A constraint, and whether it is active (taken out of the mechanism).
  std::function<bool(TLink*)> isConstraint;
  std::function<bool(TLink*)> isActive;
  // Whether separating applies to the element (a constraint that can be made active).
  std::function<bool(TLink*)> canSeparate;
  // The constraints the element reaches: itself when it is one, else those on its points.
  std::function<void(TLink*, std::vector<TLink*>&)> constraintsReached;
  // Makes the constraint active (1) or inactive (0).
  std::function<void(TLink*, uint16_t)> setActive;
  // The points of the element (a point is its own only point).
  std::function<void(TLink*, std::vector<TLink*>&)> pointsOf;
  // A point's body, its kind and how many constraints it holds.
  std::function<TLink*(TLink*)> bodyOf;
  std::function<int32_t(TLink*)> pointKind;
  std::function<int32_t(TLink*)> attachments;
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

  // The two free points of a joinable pair: exactly two points without constraints among the
  // selection's points, on different bodies, of one kind.
  bool FindJoinablePair(std::vector<TLink*>& pair) const;
  // Every constraint the selection reaches, each once, in selection order.
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
  TJoiner* joiner_ = nullptr;
  std::vector<TLink*> constraints_;
};

// Joining: the selected active constraints are made inactive again.
class TJoinAction : public TSeparateAction {
 public:
  void BeforePrepare() override;
  void DoWork() override;
};

// The third command's action: its work changes nothing.
class TJoinThirdAction : public TJoinAction {
 public:
  void BeforePrepare() override {}
  void DoWork() override {}
};

// Enters TJoiner in the class registry.
void RegisterJoinerClass();
