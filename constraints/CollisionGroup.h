#pragma once
// The collision group: the pairs of bodies that collide. Its two menu commands put the pairs of
// the selected bodies into the group or take them out, as one undoable command.

#include <cstdint>

#include "constraints/Field.h"
#include "core/MenuCommands.h"
#include "model/command/ActionBase.h"

class TWorldDoc;

inline constexpr uint32_t kCollisionGroupTag = MakeTag("colg");
inline constexpr int16_t kBlockCollisionGroup = 1802;
inline constexpr int16_t kCmdCollide = 1107;
inline constexpr int16_t kCmdDontCollide = 1108;
// The mark both commands show while some selected pairs collide and others do not.
inline constexpr uint8_t kMixedMark = '-';

// What the two commands show: enabled, and the mark of each.
struct CollideMenuState {
  bool enabled = false;
  uint8_t collideMark = kNoMark;
  uint8_t dontCollideMark = kNoMark;
};

class TCollisionGroup : public TFieldGroup {
  DECLARE_CLASS_ID(505, TFieldGroup)

 public:
  static TObject* CreateObject();
  void Initialize() override;

  // The world the group is linked with, or null.
  TWorldDoc* GetWorld() const;
  // The selected bodies of the world, and whether some of their pairs are in the group and
  // some are out.
  void SelectedPairs(int32_t& bodies, bool& someIn, bool& someOut) const;
  CollideMenuState MenuState() const;
  void DoSetupMenus() override;
  // Commands 1107 and 1108 make the collide command; the group takes no other number.
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override;
  // Puts the pairs of the world's selected bodies into the group (1107) or takes them out (1108).
  void ApplyCollideCommand(int16_t command);

  // The own block marks the group as the collision group; it carries nothing.
  void ReadOwnBlock(TObjectReader& reader) override;
  void WriteOwnBlock(TObjectWriter& writer) override;
};

class TCollideCommand : public TActionBase {
 public:
  // Both the group and its world are required (-108 otherwise).
  void InitCollide(int16_t command, TCollisionGroup* group, TWorldDoc* world);

  void BeforePrepare() override;
  void DoWork() override;

 private:
  TCollisionGroup* group_ = nullptr;
  TWorldDoc* world_ = nullptr;
};
