#include "ui/dialogs/WindowBase.h"

#include <algorithm>

#include "core/Alert.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Tag.h"
#include "model/Link.h"
#include "model/command/CommandHandler.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/items/EntryList.h"
#include "ui/items/MacDialogItem.h"

namespace {

constexpr uint32_t kOutputsTag = MakeTag("otpt");
constexpr uint32_t kInputsTag = MakeTag("inpt");
constexpr UINT kEditSetSelection = 0x00B1;
constexpr UINT kEditScrollCaret = 0x00B7;
constexpr int32_t kWholeTextEnd = 32767;
constexpr uint32_t kUnitsUnknown = 0x88888888;

// The class name an object shows in the selector: the registered name of its class.
Str255 ClassDisplayName(const TLink* object) {
  const int16_t classId = object->GetClassIDAt(0);
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    if (info.classId == classId) return Str255(info.name.c_str());
  }
  return Str255();
}

// "Class - name", or the class alone when the name is the class's.
Str255 ComposeEntry(const TLink* object) {
  Str255 text = ClassDisplayName(object);
  Str255 name;
  if (object->IsMemberClass(517)) name = static_cast<const TNamedLink*>(object)->GetName();
  if (name.Length() > 0 && !(name == text)) {
    text.AppendCString(" - ");
    text.Append(name);
  }
  return text;
}

bool IsListed(const TLink* object) { return object->IsMemberClass(kListedObjectClass); }

// What a dialog without a world shows: no object, so that every item is blank rather than
// keeping the values of a world it no longer edits.
const std::vector<TLink*>* NothingSelected() {
  static const std::vector<TLink*> none;
  return &none;
}

}  // namespace

int16_t& gInModalDialog() {
  static int16_t flag = 0;
  return flag;
}

WindowBase::WindowBase() { binding_.SetPropertyTagTest([this](uint32_t tag) { return IsPropertyTag(tag); }); }

WindowBase::~WindowBase() {
  WatchWorld(nullptr);
  if (updater_ != nullptr) {
    TDialogUpdater* const updater = updater_;
    updater_ = nullptr;
    updater->ForgetDialog();
    if (TCommandHandler* const application = TCommandHandler::Application();
        application != nullptr) {
      application->RemoveQueued(updater);
    }
    delete updater;
  }
  TList::FreeList(privateList_);
  privateList_ = nullptr;
}

void WindowBase::Initialize(TWindowObject* parent, intptr_t ignored,
                            const TDialogCreationRecord* record) {
  WatchWorld(nullptr);
  changedItemsOnly_ = 1;
  askOnError_ = 0;
  unitHandler_ = nullptr;
  currentItem_ = nullptr;
  TDialogWindow::Initialize(parent, ignored, record);
  try {
    SetIdleFrequency(kPropertyDialogIdle);
    firstRefreshPending_ = 1;
    dialogNumber_ = record->layoutNumber;
    updater_ = new TDialogUpdater;
    updater_->InitUpdater(this);
    PostCommand(updater_);
    privateList_ = TList::NewList();
    FailIfNull(privateList_);
    binding_.SetClassFilter(0);
  } catch (...) {
    Free();
    throw;
  }
}

void WindowBase::SetSelection(const std::vector<TLink*>* selection, TWindowObject* owner,
                              TWorldDoc* world, int16_t attach) {
  if (attach != 0 && selection == binding_.Selection()) return;
  if (attach != 0) {
    WatchWorld(world);
    binding_.Attach(selection, world);
    TLink* handler = nullptr;
    if (world != nullptr) handler = world->GetUnitHandler();
    SetUnitHandler(handler);
    SetNextHandler(TCommandHandler::Application());
    SetParentWindow(owner);
  } else {
    WatchWorld(nullptr);
    binding_.Attach(NothingSelected(), nullptr);
    SetUnitHandler(nullptr);
    BlankFields();
    try {
      SetNextHandler(TCommandHandler::Application());
      SetParentWindow(nullptr);
    } catch (const QVException&) {
      // Detaching goes on to the update whatever the re-parenting met.
    }
  }
  RequestUpdate(true);
}

void WindowBase::WatchWorld(TWorldDoc* world) {
  if (world == world_) return;
  if (world_ != nullptr) world_->RemoveWatcher(this);
  world_ = world;
  if (world_ != nullptr) world_->AddWatcher(this);
}

void WindowBase::BlankFields() {
  // A field no object answers for keeps its text: without a world there is none to ask.
  if (GetDialog() == nullptr) return;
  GetDialog()->EachItem([](TMacDialogItem* item) {
    if (item->IsRemoved() == 0 && item->IsMemberClass(kEditTextItemClass))
      item->SetControlText(Str255(), true);
  });
}

void WindowBase::WorldGone() {
  // Nothing of the world may be touched once it has gone: the dialog and its items let go of
  // its objects and unit handler now, while they still stand.
  SetSelection(nullptr, nullptr, nullptr, 0);
}

bool WindowBase::IsPropertyTag(uint32_t tag) const {
  return static_cast<int32_t>(tag) != GetTemplateNumber() &&
         static_cast<int32_t>(tag) != GetCancelResult();
}

void WindowBase::RefreshItem(TMacDialogItem* item, int16_t flag) {
  if (item == nullptr || item->IsRemoved() != 0) return;
  if (item->IsMemberClass(kCompositeItemClass)) {
    RefreshCompositeItem(item);
    return;
  }
  binding_.RefreshItem(item, flag);
}

void WindowBase::RefreshAll() {
  if (binding_.Selection() == nullptr || GetDialog() == nullptr) return;
  const int16_t flag = firstRefreshPending_ == 0 ? 1 : 0;
  for (TMacDialogItem* item : GetDialog()->Items()) RefreshItem(item, flag);
}

bool WindowBase::CommitItem(TMacDialogItem* item) {
  if (item == nullptr || item->IsChanged() == 0 || !item->IsMemberClass(kPropertyItemClass)) {
    return false;
  }
  if (item->GetPropertyTag() == kSelectorTag) {
    ChooseSelectorEntry(item);
    item->SetChanged(0);
    return false;
  }
  TSelectionBinding::TItemCommand made;
  try {
    made = binding_.MakeItemCommand(*item, dialogNumber_);
  } catch (const QVException& failure) {
    // A value the world refuses (a formula naming an object it lacks) is reported here: the
    // field is left from a focus change, where nothing further out would catch it.
    item->SetChanged(0);
    if (failure.error() != 0) ReportItemError(item, failure.error());
    return false;
  }
  item->SetChanged(0);
  if (made.command == nullptr) return false;
  PostItemCommand(std::move(made.command), made.restricted, made.hasCondition,
                  made.conditionTag);
  return true;
}

void WindowBase::PostItemCommand(std::unique_ptr<TPropertyOp> command, bool restricted,
                                 bool hasCondition, uint32_t conditionTag) {
  if (command == nullptr) return;
  if (IsResultSet() != 0 && static_cast<int32_t>(GetResultTag()) == GetCancelResult()) return;
  binding_.AddTargets(*command, restricted, hasCondition, conditionTag);
  RequestUpdate(false);
  if (gInModalDialog() == 0 && IsResultSet() == 0) {
    PostCommand(command.release());
  } else {
    HandleCommand(command.release());
  }
}

bool WindowBase::ValidateItem(TMacDialogItem* item, bool selectAll) {
  if (item == nullptr) return true;
  const int16_t error = item->ValidateEntry();
  if (error == 0) {
    CommitItem(item);
    if (selectAll && item->HasControlWindow()) {
      item->ControlWindow()->SendMessage(kEditSetSelection, 0, kWholeTextEnd);
      item->ControlWindow()->SendMessage(kEditScrollCaret, 0, 0);
    }
    return true;
  }
  if (!selectAll) {
    ReportItemError(item, error);
    return false;
  }
  const uint16_t saved = askOnError_;
  askOnError_ = 1;
  try {
    ReportItemError(item, error);
  } catch (...) {
    askOnError_ = saved;
    throw;
  }
  askOnError_ = saved;
  return false;
}

bool WindowBase::ValidateCurrentItem(bool selectAll) { return ValidateItem(currentItem_, selectAll); }

void WindowBase::ForEachControlItem(void (*action)(TMacDialogItem*, void*), void* arg) {
  if (GetDialog() == nullptr) return;
  const bool changedOnly = changedItemsOnly_ != 0;
  GetDialog()->EachItem([&](TMacDialogItem* item) {
    if (!item->IsMemberClass(kEditTextItemClass) && !item->IsMemberClass(kCompositeItemClass)) {
      return;
    }
    if (item->IsRemoved() != 0 || (changedOnly && item->IsChanged() == 0)) return;
    action(item, arg);
  });
}

void WindowBase::RequestUpdate(bool full) {
  if (updater_ != nullptr) updater_->RequestUpdate(full);
}

void WindowBase::RequestOrWithdraw(int32_t value) {
  if (updater_ != nullptr) updater_->RequestOrWithdraw(value);
}

void WindowBase::Update(bool full) {
  if (full) {
    ChoosePanels(1);
  } else {
    RefreshAll();
  }
}

bool WindowBase::IsShownOnScreen() const {
  const HWND dialog = GetDialogHandle();
  return dialog != nullptr && IsWindow(dialog) != 0 && IsWindowVisible(dialog) != 0;
}

void WindowBase::NoteObjectListChanged() {
  if (updater_ != nullptr) updater_->RequestSelectorRebuild();
}

void WindowBase::RebuildSelector() {
  TWindowsDialog* const dialog = GetDialog();
  if (dialog == nullptr) return;
  for (uint32_t tag : {kOutputsTag, kInputsTag}) {
    dialog->EachItem([&](TMacDialogItem* item) {
      if (item->GetPropertyTag() == tag) RefreshItem(item, 1);
    });
  }
  TMacDialogItem* const selector = dialog->FirstItemThat(
      [](TMacDialogItem* item) { return item->GetPropertyTag() == kSelectorTag; });
  auto* const list = dynamic_cast<TEntryList*>(selector);
  if (list == nullptr) return;
  list->ClearEntries();
  int32_t chosen = -1;
  if (world_ != nullptr) {
    const bool restricted = selector->IsRestricted() != 0;
    const std::vector<TLink*>* const selection = binding_.Selection();
    for (TLink* object : world_->Objects()) {
      if (!IsListed(object)) continue;
      const bool selected = selection != nullptr &&
                            std::find(selection->begin(), selection->end(), object) !=
                                selection->end() &&
                            (!restricted || GetClassFilter() == 0 ||
                             object->IsMemberClass(GetClassFilter()));
      Str255 text("  ");
      text.Append(ComposeEntry(object));
      list->AppendEntry(text, selected);
      if (selected) chosen = list->EntryCount() - 1;
    }
  }
  if (chosen < 0) {
    list->InsertEntry(Str255(), 0);
    chosen = 0;
  }
  list->SelectEntry(chosen);
  list->RedrawEntries();
}

void WindowBase::ChooseSelectorEntry(TMacDialogItem* selector) {
  auto* const list = dynamic_cast<TEntryList*>(selector);
  if (list == nullptr || world_ == nullptr) return;
  const int32_t index = list->CurrentEntry();
  if (index < 0) return;
  Str255 chosen = list->EntryText(index);
  if (chosen.Length() >= 2) chosen.Delete(1, 2);
  std::vector<TLink*> listed;
  for (TLink* object : world_->Objects()) {
    if (IsListed(object)) listed.push_back(object);
  }
  // Objects of one kind without names of their own share their entries' text: the entry's place
  // among the listed objects tells them apart. A list built while nothing was selected has an
  // empty entry at its top, one more than the listed objects.
  const int32_t place = index - (list->EntryCount() - static_cast<int32_t>(listed.size()));
  TLink* object = nullptr;
  if (place >= 0 && place < static_cast<int32_t>(listed.size()) &&
      ComposeEntry(listed[static_cast<size_t>(place)]) == chosen) {
    object = listed[static_cast<size_t>(place)];
  } else {
    const auto match = std::find_if(listed.begin(), listed.end(),
                                    [&](TLink* each) { return ComposeEntry(each) == chosen; });
    if (match != listed.end()) object = *match;
  }
  if (object == nullptr) return;
  world_->DeselectAll();
  world_->Select(object);
}

void WindowBase::SetUnitHandler(TLink* handler) {
  if (handler == unitHandler_) return;
  unitHandler_ = handler;
  GiveUnitsToItems();
}

void WindowBase::GiveUnitsToItems() {
  // The unit-aware and composite items take the handler and show their values in its units.
  if (GetDialog() == nullptr) return;
  GetDialog()->EachItem([this](TMacDialogItem* item) {
    if (item->IsMemberClass(kUnitAwareItemClass) || item->IsMemberClass(kCompositeItemClass)) {
      item->SetUnitHandler(unitHandler_);
      RefreshItem(item, 1);
    }
  });
}

void WindowBase::ResetUnitItems() {
  RequestUpdate(false);
  if (GetDialog() == nullptr) return;
  GetDialog()->EachItem([](TMacDialogItem* item) {
    if (item->IsMemberClass(kUnitAwareItemClass)) item->ReceiveLong(kUnitsUnknown);
  });
}

void WindowBase::BeginModal() {
  firstRefreshPending_ = 0;
  if (GetDialog() != nullptr && GetDialog()->IsModal()) GiveUnitsToItems();
}

int32_t WindowBase::PoseModally() {
  BeginModal();
  const int16_t saved = gInModalDialog();
  gInModalDialog() = 1;
  try {
    const int32_t result = TDialogWindow::PoseModally();
    gInModalDialog() = saved;
    return result;
  } catch (...) {
    gInModalDialog() = saved;
    throw;
  }
}

void WindowBase::ResetResult() {
  TDialogWindow::ResetResult();
  RequestUpdate(true);
}

void WindowBase::ConfirmResult() {
  ChoosePanels(0);
  TDialogWindow::ConfirmResult();
}

void WindowBase::SetActive(int16_t active) {
  active_ = active;
  if (active == 0) ValidateCurrentItem(false);
  TDialogWindow::SetActive(active);
}

void WindowBase::Deactivate() {
  currentItem_ = nullptr;
  if (TCommandHandler* const application = TCommandHandler::Application();
      application != nullptr) {
    application->SetTarget(application);
  }
}

void WindowBase::SetAskOnError(int16_t value, intptr_t) {
  if (value != 0) askOnError_ = 1;
}

void WindowBase::ReportItemError(TMacDialogItem* item, int16_t error) {
  if (error < kFormulaErrorFirst || error > kFormulaErrorLast) {
    TDialogWindow::ReportItemError(item, error);
    return;
  }
  Str255 text;
  if (GetErrorTextWithOverride(error, kErrorTextTable, text)) {
    SetAlertTexts(text, Str255(), Str255(), Str255());
  }
  if (askOnError_ == 0) {
    ShowAlert(kItemErrorAlert);
    if (item != nullptr) item->RestorePreviousText();
    SetEntriesValid(1);
    return;
  }
  if (AskYesNo(kFormulaQuestion, 0)) {
    if (item != nullptr) item->RestorePreviousText();
  } else if (item != nullptr) {
    Str255 entered;
    item->GetControlText(entered);
    item->SetControlText(entered, true);
  }
  if (const HWND dialog = GetDialogHandle(); dialog != nullptr) {
    SetActiveWindow(dialog);
    if (item != nullptr && item->HasControlWindow() &&
        GetFocus() != item->ControlWindow()->GetSafeHwnd()) {
      SetFocus(item->ControlWindow()->GetSafeHwnd());
    }
  }
  SetEntriesValid(0);
}

TCommandCore* WindowBase::DoMenuCommand(int16_t commandNumber) {
  return TTargetHandler::DoMenuCommand(commandNumber);
}

bool WindowBase::RefusesNumber(TMacDialogItem* item) {
  int32_t value = 0;
  if (!numberCheck_ || item == nullptr || item->IsChanged() == 0 || !item->ReadInteger(value))
    return false;
  const Str255 refusal = numberCheck_(item->GetPropertyTag(), value);
  if (refusal.Length() == 0) return false;
  // The confirm that follows a refusal on leaving the field closes nothing.
  if (GetDialog() != nullptr) GetDialog()->SetAcceptOnClose(0);
  ReportItemRefusal(item, refusal);
  item->SetChanged(0);
  return true;
}

int16_t WindowBase::AcceptValue(TMacDialogItem* item) {
  if (RefusesNumber(item)) return 1;
  // Controls other than fields were not checked by their control: a popup notes its choice here.
  if (item != nullptr && !item->IsMemberClass(kEditTextItemClass)) item->CheckText();
  CommitItem(item);
  return 0;
}

void WindowBase::RefreshNotice() {
  GiveUnitsToItems();
  if (updater_ != nullptr && (updater_->IsPending() != 0 || updater_->WillRebuildSelector() != 0)) {
    updater_->DoIt();
    return;
  }
  RefreshAll();
}

void WindowBase::UpdateNotice() {
  RequestUpdate(false);
  if (updater_ != nullptr && GetDialog() != nullptr && GetDialog()->IsModal()) updater_->DoIt();
}

void WindowBase::ShowDetails(bool show) {
  ShowPanel(static_cast<int16_t>(dialogNumber_ + 1), show ? 1 : 0);
  RequestUpdate(false);
}
