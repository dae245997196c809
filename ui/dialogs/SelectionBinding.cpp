#include "ui/dialogs/SelectionBinding.h"

#include <algorithm>

#include "core/Failure.h"
#include "model/Formula.h"
#include "model/Link.h"
#include "model/MenuProperty.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/command/PropertyOps.h"
#include "ui/items/EntryList.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr int16_t kNamedLinkClass = 517;

// The walk state of one refresh: the or of the objects' flags.
struct TRefreshWalk {
  int16_t flags = 0;
  int16_t objectFlag = 1;
  void* Next() {
    objectFlag = 1;
    return &objectFlag;
  }
  void Answered() { flags = static_cast<int16_t>(flags | objectFlag); }
};

int32_t ClampToShortRange(int32_t value) { return std::clamp(value, -32767, 32767); }

// Shows the object's menu in the item's list: its entries, checked ones marked, and its choice.
void ShowMenu(TEntryList& list, const std::vector<TMenuEntry>& entries, int16_t chosen) {
  list.ClearEntries();
  for (const TMenuEntry& entry : entries) list.AppendEntry(entry.text, entry.checked);
  list.SelectEntry(chosen >= 0 && chosen < list.EntryCount() ? chosen : -1);
  list.RedrawEntries();
}

}  // namespace

bool AnswersToTag(TLink* object, uint32_t tag) {
  if (object == nullptr || !object->IsMemberClass(kNamedLinkClass)) return false;
  return static_cast<TNamedLink*>(object)->HasProperty(tag);
}

void TSelectionBinding::Attach(const std::vector<TLink*>* selection, TActionContext* world) {
  selection_ = selection;
  world_ = world;
}

bool TSelectionBinding::Passes(TLink* object, bool restricted) const {
  return !restricted || classFilter_ == 0 || object->IsMemberClass(classFilter_);
}

void TSelectionBinding::ForEachSelected(const ObjectAction& action, bool restricted) const {
  if (selection_ == nullptr) return;
  for (TLink* object : *selection_) {
    if (Passes(object, restricted)) action(object);
  }
}

void TSelectionBinding::ForEachSelectedWhere(const ObjectTest& match, const ObjectAction& action,
                                             bool restricted) const {
  if (selection_ == nullptr) return;
  for (TLink* object : *selection_) {
    if (Passes(object, restricted) && match(object)) action(object);
  }
}

void TSelectionBinding::RefreshItem(TMacDialogItem* item, int16_t refreshFlag) const {
  using namespace binding_kind;
  if (item == nullptr || selection_ == nullptr) return;
  const int16_t kind = item->GetBindingKind();
  const uint32_t tag = item->GetPropertyTag();
  const bool restricted = item->IsRestricted() != 0;
  uint32_t condition = TMacDialogItem::kBlankTag;
  const bool hasCondition =
      item->IsMemberClass(kEditItemClass) && item->GetConditionTag(condition);
  if (kind >= kText && kind <= kFill) item->ResetValue();

  TRefreshWalk walk;
  switch (kind) {
    case kFlag:
    case kSecondFlag: {
      if (!IsPropertyTag(tag)) return;
      bool someHave = false;
      bool someLack = false;
      ForEachSelected(
          [&](TLink* object) {
            uint16_t value = 0;
            if (object->GetFlagProperty(tag, value, walk.Next()) == 0) return;
            walk.Answered();
            (value != 0 ? someHave : someLack) = true;
          },
          restricted);
      item->ReceiveFlag(someHave, someLack);
      break;
    }
    case kChoice:
    case kActionChoice: {
      const bool choiceRestricted = restricted && item->IsMemberClass(kRestrictableItemClass);
      int16_t state = 3;
      bool answered = false;
      ForEachSelected(
          [&](TLink* object) {
            int16_t value = 0;
            if (object->GetChoiceProperty(tag, value, walk.Next()) == 0) return;
            walk.Answered();
            if (!answered) {
              state = value;
              answered = true;
            } else if (value != state) {
              state = 2;
            }
          },
          choiceRestricted);
      item->ReceiveChoice(answered ? state : 0);
      break;
    }
    case kText:
      ForEachSelected(
          [&](TLink* object) {
            Str255 text;
            if (object->GetStringProperty(tag, text, walk.Next()) == 0) return;
            walk.Answered();
            item->ReceiveText(text);
          },
          restricted);
      break;
    case kInteger:
      ForEachSelected(
          [&](TLink* object) {
            int32_t value = 0;
            if (object->GetIntProperty(tag, value, walk.Next()) == 0) return;
            walk.Answered();
            item->ReceiveInteger(value);
          },
          restricted);
      break;
    case kFormula:
      ForEachSelected(
          [&](TLink* object) {
            double lower = kLowestLimit;
            double upper = kHighestLimit;
            // The object fills in the unit kind of its value; none stays the no-value pattern.
            int32_t dimension = static_cast<int32_t>(kNoValuePattern);
            uint16_t flag = 1;
            const TFormula* formula =
                object->GetFormulaProperty(tag, &lower, &upper, &dimension, &flag);
            if (formula == nullptr) return;
            walk.objectFlag = static_cast<int16_t>(flag);
            walk.Answered();
            item->ReceiveFormula(formula, lower, upper, static_cast<uint32_t>(dimension));
          },
          restricted);
      break;
    case kNumber: {
      auto refresh = [&](TLink* object) {
        double value = 0.0;
        // A number's objects give back a value of their own beside it (a line its unit kind, an
        // input a second number): the extra argument has room and alignment for the largest.
        // The walk's flag stays 1 for each object that answers.
        union {
          int32_t unitKind;
          double second;
        } extra{};
        walk.Next();
        if (object->GetNumberProperty(tag, value, &extra) == 0) return;
        walk.Answered();
        item->ReceiveNumber(value, kLowestLimit, kHighestLimit, kNoValuePattern);
      };
      if (hasCondition) {
        ForEachSelectedWhere([&](TLink* object) { return AnswersToTag(object, condition); },
                             refresh, restricted);
      } else {
        ForEachSelected(refresh, restricted);
      }
      break;
    }
    case kUntaggedValue:
    case kLong:
      ForEachSelected(
          [&](TLink* object) {
            uint32_t value = 0;
            if (object->GetLongProperty(tag, value, walk.Next()) == 0) return;
            walk.Answered();
            item->ReceiveLong(value);
          },
          restricted);
      break;
    case kColour:
      ForEachSelected(
          [&](TLink* object) {
            RGB16Color colour;
            if (object->GetColourProperty(tag, colour, walk.Next()) == 0) return;
            walk.Answered();
            item->ReceiveColour(colour);
          },
          restricted);
      break;
    case kFill:
      ForEachSelected(
          [&](TLink* object) {
            uint16_t value = 0;
            if (object->GetShortProperty(tag, value, walk.Next()) == 0) return;
            walk.Answered();
            item->ReceiveInteger(value);
          },
          restricted);
      break;
    case kMenu: {
      auto* const list = dynamic_cast<TEntryList*>(item);
      if (list == nullptr) return;
      std::vector<TMenuEntry> entries;
      int16_t chosen = -1;
      bool answered = false;
      ForEachSelected(
          [&](TLink* object) {
            auto* const menus = dynamic_cast<TMenuProperties*>(object);
            if (answered || menus == nullptr) return;
            if (menus->GetMenuProperty(tag, entries, chosen, walk.Next()) == 0) return;
            walk.Answered();
            answered = true;
          },
          restricted);
      if (!answered) entries.clear();
      ShowMenu(*list, entries, answered ? chosen : -1);
      break;
    }
    default:
      return;
  }
  item->FinishRefresh(walk.flags, refreshFlag);
}

TSelectionBinding::TItemCommand TSelectionBinding::MakeItemCommand(const TMacDialogItem& item,
                                                                   int16_t commandNumber) const {
  using namespace binding_kind;
  TItemCommand made;
  if (world_ == nullptr) return made;
  const uint32_t tag = item.GetPropertyTag();
  made.restricted = item.IsRestricted() != 0;
  if (item.IsMemberClass(kEditItemClass)) made.hasCondition = item.GetConditionTag(made.conditionTag);
  TActionContext* const world = world_;
  constexpr uint16_t kUndoable = 1;

  switch (item.GetBindingKind()) {
    case kFlag:
    case kSecondFlag: {
      uint16_t value = 0;
      if (!IsPropertyTag(tag) || !item.ReadFlag(value)) return made;
      auto command = std::make_unique<TFlagPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, value);
      made.command = std::move(command);
      made.restricted = false;
      break;
    }
    case kChoice: {
      // The item's tag names the choice it selects; an item turned off selects nothing.
      uint32_t choice = 0;
      if (!item.ReadChoice(choice) || choice == 0) return made;
      auto command = std::make_unique<TChoicePropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag);
      made.command = std::move(command);
      made.restricted = made.restricted && item.IsMemberClass(kRestrictableItemClass);
      break;
    }
    case kActionChoice: {
      uint32_t choice = 0;
      if (!item.ReadChoice(choice) || (choice & 0xFFFF) == 0) return made;
      auto command = std::make_unique<TTagActionOp>();
      command->InitValue(commandNumber, world, kUndoable, tag);
      made.command = std::move(command);
      made.restricted = false;
      break;
    }
    case kText: {
      Str255 text;
      if (!item.ReadText(text)) return made;
      auto command = std::make_unique<TStringPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, text);
      made.command = std::move(command);
      break;
    }
    case kInteger: {
      int32_t value = 0;
      if (!item.ReadInteger(value)) return made;
      auto command = std::make_unique<TIntPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, ClampToShortRange(value));
      made.command = std::move(command);
      break;
    }
    case kFormula: {
      TFormula formula;
      if (!item.ReadFormula(formula)) return made;
      auto command = std::make_unique<TFormulaPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, &formula);
      made.command = std::move(command);
      break;
    }
    case kNumber: {
      double value = 0.0;
      if (!item.ReadNumber(value)) return made;
      auto command = std::make_unique<TNumberPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, value);
      made.command = std::move(command);
      break;
    }
    case kUntaggedValue: {
      uint32_t value = 0;
      if (!item.ReadLong(value)) return made;
      auto command = std::make_unique<TBlankTagOp>();
      command->InitBlankTag(commandNumber, world, kUndoable, static_cast<uint16_t>(value));
      made.command = std::move(command);
      break;
    }
    case kLong: {
      uint32_t value = 0;
      if (!item.ReadLong(value)) return made;
      auto command = std::make_unique<TLongPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, value);
      made.command = std::move(command);
      break;
    }
    case kColour: {
      RGB16Color colour;
      if (!item.ReadColour(colour)) return made;
      auto command = std::make_unique<TColourPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, colour);
      made.command = std::move(command);
      break;
    }
    case kMenu: {
      const auto* const list = dynamic_cast<const TEntryList*>(&item);
      const int32_t chosen = list != nullptr ? list->CurrentEntry() : -1;
      if (chosen < 0) return made;
      auto command = std::make_unique<TMenuPropertyOp>();
      command->InitValue(commandNumber, world, tag, list->EntryText(chosen));
      made.command = std::move(command);
      break;
    }
    case kFill: {
      int32_t value = 0;
      if (!item.ReadInteger(value)) return made;
      auto command = std::make_unique<TShortPropertyOp>();
      command->InitValue(commandNumber, world, kUndoable, tag, static_cast<uint16_t>(value));
      made.command = std::move(command);
      break;
    }
    default:
      break;
  }
  return made;
}

void TSelectionBinding::AddTargets(TPropertyOp& command, bool restricted, bool hasCondition,
                                   uint32_t conditionTag) const {
  ForEachSelectedWhere(
      [&](TLink* object) { return !hasCondition || AnswersToTag(object, conditionTag); },
      [&](TLink* object) { command.AddTarget(object); }, restricted);
}
