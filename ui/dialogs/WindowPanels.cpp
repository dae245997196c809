// The panels of a property dialog: showing, removing and choosing them by the classes of the
// selected objects.

#include <algorithm>
#include <set>

#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Link.h"
#include "ui/dialogs/PanelTable.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr size_t kHeaderBytes = 4;
constexpr size_t kEntryBytes = 8;

}  // namespace

std::optional<TPanelTable> ParsePanelTable(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeaderBytes) return std::nullopt;
  TItemRecordCursor cursor(bytes);
  TPanelTable table;
  table.defaultPanel = cursor.ReadShort();
  const int16_t count = cursor.ReadShort();
  if (count <= 0) return table;
  if (cursor.Remaining() < static_cast<size_t>(count) * kEntryBytes) return std::nullopt;
  table.entries.reserve(static_cast<size_t>(count));
  for (int16_t i = 0; i < count; ++i) {
    TPanelEntry entry;
    entry.classTag = cursor.ReadTag();
    entry.panel = cursor.ReadShort();
    entry.includeDescendants = cursor.ReadWord();
    table.entries.push_back(entry);
  }
  return table;
}

std::optional<TPanelTable> LoadPanelTable(int16_t dialogNumber) {
  Handle handle = GetResourceHandle(kPanelTableType, dialogNumber);
  if (handle == nullptr) return std::nullopt;
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(HandleData(handle)),
                                       GetHandleByteSize(handle));
  std::optional<TPanelTable> table = ParsePanelTable(bytes);
  ReleaseResourceHandle(handle);
  return table;
}

TMacDialogItem* WindowBase::FindPanelItem(int16_t panel) const {
  if (panel == 0 || GetDialog() == nullptr) return nullptr;
  return GetDialog()->FirstItemThat([panel](TMacDialogItem* item) {
    return item->IsRemoved() == 0 && item->GetPanelNumber() == panel;
  });
}

void WindowBase::KeepPanel(int16_t panel) {
  GetDialog()->EachItem([panel](TMacDialogItem* item) {
    if (item->IsRemoved() == 0 && item->GetPanelNumber() == panel) item->SetKeepMark(1);
  });
}

void WindowBase::ShowPanel(int16_t panel, int16_t show) {
  if (panel == 0 || GetDialog() == nullptr) return;
  TMacDialogItem* const existing = FindPanelItem(panel);
  if (existing != nullptr) {
    if (show != 0) {
      KeepPanel(panel);
    } else {
      RemovePanel(existing);
    }
    return;
  }
  if (show == 0) return;
  GetDialog()->AddPanelItems(panel);
  KeepPanel(panel);
  GetDialog()->EachItem([this, panel](TMacDialogItem* item) {
    if (item->GetPanelNumber() == panel && item->IsMemberClass(kUnitAwareItemClass)) {
      item->SetUnitHandler(unitHandler_);
    }
  });
}

void WindowBase::RemovePanel(TMacDialogItem* item) {
  if (item == nullptr) return;
  RemovePanelNumber(item->GetPanelNumber());
}

void WindowBase::RemovePanelNumber(int16_t panel) {
  TWindowsDialog* const dialog = GetDialog();
  if (dialog == nullptr) return;
  dialog->EachItem([panel](TMacDialogItem* item) {
    if (item->IsRemoved() == 0 && item->GetOwningPanel() == panel) item->Show(0);
  });
  while (TMacDialogItem* const item = FindPanelItem(panel)) {
    if (item == currentItem_) currentItem_ = nullptr;
    dialog->DeleteItemView(item);
  }
}

void WindowBase::ChoosePanels(int16_t apply) {
  if (apply != 0 && !ApplyPanelTable()) {
    RefreshAll();
    return;
  }
  RefreshAll();
  if (GetDialog() == nullptr) return;
  GetDialog()->EachItem([](TMacDialogItem* item) {
    if (item->IsRemoved() == 0 && item->GetHidden(0) == 0 && item->GetHidden(1) == 0) {
      item->Show(1);
    }
  });
}

bool WindowBase::ApplyPanelTable() {
  const std::optional<TPanelTable> table = LoadPanelTable(dialogNumber_);
  const std::vector<TLink*>* const selection = binding_.Selection();
  if (!table || selection == nullptr || selection->empty() || GetDialog() == nullptr) {
    if (table && table->defaultPanel != 0) ShowDefaultPanel(table->defaultPanel);
    // The panels of objects no longer selected go, lest a value typed there reach nothing.
    if (table && GetDialog() != nullptr) {
      GetDialog()->EachItem([](TMacDialogItem* item) { item->SetKeepMark(0); });
      RemoveUnkeptPanels(false);
    }
    return false;
  }
  const std::vector<TPanelEntry>& entries = table->entries;
  std::vector<int16_t> classes;
  classes.reserve(entries.size());
  for (const TPanelEntry& entry : entries) classes.push_back(ClassIdFromTag(entry.classTag));
  const auto isKindOf = [](const TLink* object, int16_t classId) {
    return classId > 0 && object->IsMemberClass(classId);
  };

  // The most preferred entry that any selected object matches, and the first object matching it.
  size_t best = entries.size();
  size_t bestObject = 0;
  for (size_t s = 0; s < selection->size() && best != 0; ++s) {
    for (size_t i = 0; i < best; ++i) {
      if (isKindOf((*selection)[s], classes[i])) {
        best = i;
        bestObject = s;
        break;
      }
    }
  }
  // Nothing selected matching an entry leaves no panel of an earlier choice standing either.
  GetDialog()->EachItem([](TMacDialogItem* item) { item->SetKeepMark(0); });
  if (best == entries.size()) {
    ShowDefaultPanel(table->defaultPanel);
  } else {
    for (size_t i = 0; i < best; ++i) ShowPanel(entries[i].panel, 0);
    ShowPanel(entries[best].panel, 1);

    // The filter narrows to what the selected objects of the chosen class have in common.
    int16_t filter = classes[best];
    int16_t common = (*selection)[bestObject]->GetClassIDAt(0);
    for (size_t s = bestObject + 1; s < selection->size(); ++s) {
      const TLink* const object = (*selection)[s];
      if (isKindOf(object, filter)) common = CommonBaseClassId(object->GetClassIDAt(0), common);
    }
    filter = NarrowerClassId(filter, common);
    SetClassFilter(filter);

    for (size_t i = best + 1; i < entries.size(); ++i) {
      const int16_t c = classes[i];
      const bool applies =
          c > 0 && (c == filter || (entries[i].includeDescendants != 0 &&
                                    IsDescendantClassID(filter, c)));
      if (!applies) continue;
      if (FindPanelItem(entries[i].panel) == nullptr) {
        ShowPanel(entries[i].panel, 1);
      } else {
        KeepPanel(entries[i].panel);
      }
    }
  }
  RemoveUnkeptPanels(true);
  return true;
}

// Panels none of whose items is kept go. The items owned by no panel are hidden with them only
// when the caller shows them again after.
void WindowBase::RemoveUnkeptPanels(bool hideUnpanelled) {
  std::set<int16_t> unkept;
  GetDialog()->EachItem([&unkept](TMacDialogItem* item) {
    if (item->IsRemoved() == 0 && item->GetKeepMark() == 0) unkept.insert(item->GetPanelNumber());
  });
  if (!hideUnpanelled) unkept.erase(0);
  for (int16_t panel : unkept) RemovePanelNumber(panel);
  GetDialog()->PlaceNewItems();
}
