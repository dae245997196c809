#pragma once
// How the items of a property dialog are bound to the selected world objects. Each item names a
// binding kind and a four-character property tag. Refreshing an item asks every selected object
// for the tag's value in the kind's value shape and gives the item what they answered;
// committing an item reads its value and makes the property command of that shape, whose
// targets are the selected objects; the command is then posted to the application's queue
// (a modeless dialog) or performed and kept for undo at once (a modal run).
//
// Binding kinds, their value shape and the property command that commits them:
//   3     flag            TFlagPropertyOp      1013  flag (second)   TFlagPropertyOp
//   1001  choice          TChoicePropertyOp    1002  choice (action) TTagActionOp
//   1003  text            TStringPropertyOp    1004  16-bit integer  TIntPropertyOp
//   1005  formula, limits TFormulaPropertyOp   1006  number, limits  TNumberPropertyOp
//   1010  value, no tag   TBlankTagOp          1011  32-bit value    TLongPropertyOp
//   1012  colour          TColourPropertyOp    1015  fill (16-bit)   TShortPropertyOp
//   1014  menu            TMenuPropertyOp
//
// A menu item is a popup whose entries the object fills (MenuProperty.h): the first selected
// object that offers a menu for the tag gives the entries (a checked one is shown marked) and
// the chosen entry; the text of the entry the user chooses is the value committed.
//
// Each object query is given, as its extra argument, a pointer to a 16-bit flag preset to 1; the
// walk keeps the or of these flags and hands it to the item last.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TActionContext;
class TLink;
class TMacDialogItem;
class TPropertyOp;
class TTargetHandler;

namespace binding_kind {
inline constexpr int16_t kFlag = 3;
inline constexpr int16_t kChoice = 1001;
inline constexpr int16_t kActionChoice = 1002;
inline constexpr int16_t kText = 1003;
inline constexpr int16_t kInteger = 1004;
inline constexpr int16_t kFormula = 1005;
inline constexpr int16_t kNumber = 1006;
inline constexpr int16_t kUntaggedValue = 1010;
inline constexpr int16_t kLong = 1011;
inline constexpr int16_t kColour = 1012;
inline constexpr int16_t kSecondFlag = 1013;
inline constexpr int16_t kMenu = 1014;
inline constexpr int16_t kFill = 1015;
}  // namespace binding_kind

// The start of the limits of the ranged queries, and the no-value pattern.
inline constexpr double kLowestLimit = -1.7976931348623157e308;
inline constexpr double kHighestLimit = 1.7976931348623157e308;
inline constexpr uint32_t kNoValuePattern = 0x88888888;

// The item class whose restricted flag choice items honour.
inline constexpr int16_t kRestrictableItemClass = 300;
// Edit items, which can carry a condition tag.
inline constexpr int16_t kEditItemClass = 490;

class TSelectionBinding {
 public:
  using ObjectAction = std::function<void(TLink* object)>;
  using ObjectTest = std::function<bool(TLink* object)>;

  // The selection (not owned; null for none), the world the commands change, and the class
  // that restricted items see.
  void Attach(const std::vector<TLink*>* selection, TActionContext* world);
  const std::vector<TLink*>* Selection() const { return selection_; }
  TActionContext* World() const { return world_; }
  int16_t GetClassFilter() const { return classFilter_; }
  void SetClassFilter(int16_t classId) { classFilter_ = classId; }
  // What names a property: the dialog refuses its own template number and cancel result.
  void SetPropertyTagTest(std::function<bool(uint32_t)> test) { isPropertyTag_ = std::move(test); }
  bool IsPropertyTag(uint32_t tag) const { return !isPropertyTag_ || isPropertyTag_(tag); }

  // Calls action for each selected object in order; restricted: only kinds of the class filter.
  void ForEachSelected(const ObjectAction& action, bool restricted) const;
  void ForEachSelectedWhere(const ObjectTest& match, const ObjectAction& action,
                            bool restricted) const;

  // Gives the item the value of its tag from the selection. Nothing without a selection.
  void RefreshItem(TMacDialogItem* item, int16_t refreshFlag) const;
  // The command for the item's value (with its targets' restriction and condition), or null
  // when the item makes none. The modeless flag is kept with the caller.
  struct TItemCommand {
    std::unique_ptr<TPropertyOp> command;
    bool restricted = false;
    bool hasCondition = false;
    uint32_t conditionTag = 0x20202020;
  };
  TItemCommand MakeItemCommand(const TMacDialogItem& item, int16_t commandNumber) const;
  // Adds every selected object (restricted, and with a condition only those that answer to its
  // tag) to the command's targets.
  void AddTargets(TPropertyOp& command, bool restricted, bool hasCondition,
                  uint32_t conditionTag) const;

 private:
  bool Passes(TLink* object, bool restricted) const;

  const std::vector<TLink*>* selection_ = nullptr;
  TActionContext* world_ = nullptr;
  int16_t classFilter_ = 0;
  std::function<bool(uint32_t)> isPropertyTag_;
};

// Whether the object answers to the tag (a property it has, or a class it is).
bool AnswersToTag(TLink* object, uint32_t tag);
