#include "ui/dialogs/ItemFactory.h"

#include <array>
#include <map>

#include "core/Failure.h"
#include "ui/items/ItemControl.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr uint16_t kPlainKind = 80;
constexpr uint16_t kGroupEndKind = 0xFFFF;

constexpr std::array<TItemKindEntry, 25> kKindTable{{
    {1, 490, 305, "edit-text item"},
    {2, 491, 490, "whole-number edit-text item"},
    {3, 617, 490, "formula field"},
    {4, 620, 617, "formula field variant"},
    {5, 618, 617, "formula field variant"},
    {6, 619, 618, "formula field variant"},
    {7, 304, 297, "control item"},
    {16, 298, 297, "control item, base of the popups"},
    {17, 544, 636, "text popup"},
    {18, 548, 544, "popup"},
    {19, 545, 544, "popup"},
    {20, 547, 544, "popup"},
    {21, 549, 544, "colour popup"},
    {22, 551, 544, "line popup"},
    {23, 550, 544, "fill-pattern popup"},
    {32, 301, 297, "control item"},
    {33, 492, 301, "picture item"},
    {34, 493, 492, "picture item variant"},
    {48, 300, 297, "control item"},
    {54, 303, 297, "control item"},
    {55, 494, 303, "control item with kind marker 1013"},
    {64, 542, 539, "two-column table"},
    {80, 299, 297, "plain item or group"},
    {96, 623, 297, "slider item"},
    {0xFFFF, 299, 297, "end of a group"},
}};

std::map<uint16_t, ItemMaker>& Makers() {
  static std::map<uint16_t, ItemMaker> makers;
  return makers;
}

std::unique_ptr<TMacDialogItem> MakePlainItem() { return std::make_unique<TPlainItem>(); }

// Makes and initialises the item of a kind of the table.
std::unique_ptr<TMacDialogItem> MakeOfKind(uint16_t kind, CWnd* parent, uint32_t identifier,
                                           TItemRecordCursor* cursor) {
  const auto found = Makers().find(kind);
  if (found == Makers().end() || found->second == nullptr) {
    ThrowFailure(kErrItemKindUnavailable, 0);
  }
  std::unique_ptr<TMacDialogItem> item = found->second();
  FailIfNull(item.get());
  item->InitItem(parent, identifier, cursor);
  return item;
}

}  // namespace

std::span<const TItemKindEntry> ItemKindTable() { return kKindTable; }

const TItemKindEntry* FindItemKind(uint16_t kind) {
  for (const TItemKindEntry& entry : kKindTable) {
    if (entry.kind == kind) return &entry;
  }
  return nullptr;
}

bool RegisterItemKind(uint16_t kind, ItemMaker maker) {
  if (FindItemKind(kind) == nullptr) return false;
  Makers()[kind] = maker;
  return true;
}

void RegisterPlainItemKinds() {
  RegisterItemKind(kPlainKind, MakePlainItem);
  RegisterItemKind(kGroupEndKind, MakePlainItem);
}

TMacDialogItem* MakeItemView(TItemBuildTarget& dialog, int16_t templateId,
                             TItemRecordCursor* cursor) {
  if (cursor == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const uint16_t kind = cursor->ReadWord();
  const uint32_t identifier = cursor->ReadTag();
  if (dialog.CurrentParent() == nullptr) dialog.SetCurrentParent(dialog.DialogWindow());
  if (FindItemKind(kind) == nullptr) ThrowFailure(kErrNone, 0);

  std::unique_ptr<TMacDialogItem> item;
  if (kind == kGroupEndKind) {
    std::unique_ptr<TMacDialogItem> groupEnd =
        MakeOfKind(kGroupEndKind, dialog.CurrentParent(), identifier, cursor);
    groupEnd->SetKindMarker(TMacDialogItem::kGroupEndMarker);
    groupEnd->SetTemplateId(templateId);
    CWnd* const groupWindow = groupEnd->ControlWindow();
    dialog.AddItemView(groupEnd.release());
    dialog.SetCurrentParent(groupWindow);
    item = MakeOfKind(kPlainKind, dialog.CurrentParent(), identifier, cursor);
  } else {
    item = MakeOfKind(kind, dialog.CurrentParent(), identifier, cursor);
  }
  item->SetTemplateId(templateId);
  TMacDialogItem* const made = item.release();
  dialog.AddItemView(made);
  return made;
}

void BuildItemViews(TItemBuildTarget& dialog, int16_t templateId, std::span<const uint8_t> bytes) {
  TItemRecordCursor cursor(bytes);
  dialog.SetCurrentParent(nullptr);
  const uint16_t count = cursor.ReadWord();
  for (uint16_t i = 0; i < count; ++i) MakeItemView(dialog, templateId, &cursor);
}
