#pragma once
// The property dialog: a dialog window whose items are bound to property tags of the selected
// world objects (SelectionBinding.h). It shows the selection's values, turns each committed
// item into an undoable property command, posted to the application's queue while the dialog
// is modeless and performed at once in a modal run, reports refused entries, and refreshes
// itself through its updater, a resident command of the application's queue.
//
// The item tagged "sel_" is the object selector: it lists the world's objects and choosing one
// makes it the world's only selection.
//
//   TDialogWindow (346) > WindowBase (424)

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/List.h"
#include "model/world/WorldWatcher.h"
#include "ui/dialogs/DialogUpdater.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/SelectionBinding.h"

class TLink;
class TPropertyOp;
class TWorldDoc;

// 1 while any property dialog runs modally.
int16_t& gInModalDialog();

inline constexpr uint32_t kSelectorTag = 0x5f6c6573;  // "sel_"
inline constexpr int16_t kUnitAwareItemClass = 617;
inline constexpr int16_t kCompositeItemClass = 539;
inline constexpr int16_t kPropertyItemClass = 297;
inline constexpr int16_t kUnitHandlerClass = 384;
inline constexpr int16_t kListedObjectClass = 400;
// The idle interval of a property dialog, in ticks.
inline constexpr int32_t kPropertyDialogIdle = 30;
// Question asked when a formula entry is refused and the dialog asks on errors.
inline constexpr int16_t kFormulaQuestion = 1502;
inline constexpr int16_t kFormulaErrorFirst = -28819;
inline constexpr int16_t kFormulaErrorLast = -28809;

class WindowBase : public TDialogWindow, public TUpdatedDialog, public TWorldWatcher {
  DECLARE_CLASS_ID(424, TDialogWindow)

 public:
  WindowBase();
  // Deletes the updater (taken out of the application's queue) and the private list.
  ~WindowBase() override;

  // Initialisation: the base with the record, the idle interval, the layout number, the
  // updater handed up the chain (the application queues it), the private list. A failure frees
  // the dialog window object and passes on.
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;

  // The selection ------------------------------------------------------------------------------
  // Attaches the dialog to the world's selection (attach set) or detaches it; attaching the
  // selection already held does nothing.
  virtual void SetSelection(const std::vector<TLink*>* selection, TWindowObject* owner,
                            TWorldDoc* world, int16_t attach);
  void ForEachSelected(const TSelectionBinding::ObjectAction& action, bool restricted) const {
    binding_.ForEachSelected(action, restricted);
  }
  virtual bool IsPropertyTag(uint32_t tag) const;
  int16_t GetClassFilter() const { return binding_.GetClassFilter(); }
  void SetClassFilter(int16_t classId) { binding_.SetClassFilter(classId); }
  // How the items are bound; the world of the commands can be any action context.
  TSelectionBinding& Binding() { return binding_; }
  const TSelectionBinding& Binding() const { return binding_; }

  // Items ------------------------------------------------------------------------------------
  virtual void RefreshItem(TMacDialogItem* item, int16_t flag);
  virtual void RefreshAll();
  // Composite items fill themselves; nothing here.
  virtual void RefreshCompositeItem(TMacDialogItem*) {}
  // Makes the item's command and posts it; true when a command was made.
  virtual bool CommitItem(TMacDialogItem* item);
  // Frees the command of an edit made after the dialog was cancelled; otherwise adds the
  // selected objects and queues the command (modeless) or performs it at once (modal run).
  virtual void PostItemCommand(std::unique_ptr<TPropertyOp> command, bool restricted,
                               bool hasCondition, uint32_t conditionTag);
  // A valid entry is committed (and, with selectAll, selected whole); a refused one reported.
  // True when it was valid.
  virtual bool ValidateItem(TMacDialogItem* item, bool selectAll);
  bool ValidateCurrentItem(bool selectAll);
  TMacDialogItem* GetCurrentItem() const { return currentItem_; }
  // Walks the control items (edit and composite items), only the changed ones unless suspended.
  virtual void ForEachControlItem(void (*action)(TMacDialogItem* item, void* arg), void* arg);
  // Nothing is decided about a new item: its keep mark stays as it is.
  virtual void ItemAdded(TMacDialogItem*) {}

  // Updates ------------------------------------------------------------------------------------
  virtual void RequestUpdate(bool full);
  void RequestPartialUpdate() { RequestUpdate(false); }
  // 0 asks for a full update, non-zero withdraws a pending one.
  void RequestOrWithdraw(int32_t value);
  void Update(bool full) override;
  void RebuildSelector() override;
  bool IsShownOnScreen() const override;
  void UpdaterGone() override { updater_ = nullptr; }
  TDialogUpdater* GetUpdater() const { return updater_; }
  // The world's set of listed objects changed: the selector is rebuilt.
  void NoteObjectListChanged();
  // Chooses the selector's entry: the matching object becomes the world's only selection.
  void ChooseSelectorEntry(TMacDialogItem* selector);

  // Panels (WindowPanels.cpp): groups of items made together from the "fltr" resource of the
  // panel's number, chosen by the classes of the selection through the "l)(a" table of the
  // dialog's number.
  // The first item still in the dialog whose panel number is the panel; none for panel 0.
  virtual TMacDialogItem* FindPanelItem(int16_t panel) const;
  // Shows the panel (made when absent, its keep marks renewed) or removes it.
  virtual void ShowPanel(int16_t panel, int16_t show);
  // Hides the items the panel owns and deletes the panel's items.
  virtual void RemovePanel(TMacDialogItem* item);
  // The table's default panel is only offered to this family; nothing here.
  virtual void ShowDefaultPanel(int16_t) {}
  // With apply set, chooses the panels for the selection; then refreshes and shows the items.
  virtual void ChoosePanels(int16_t apply);

  // Units.
  virtual void SetUnitHandler(TLink* handler);
  virtual void ResetUnitItems();
  TLink* GetUnitHandler() const { return unitHandler_; }

  // Runs ---------------------------------------------------------------------------------------
  virtual void BeginModal();
  int32_t PoseModally() override;
  void ResetResult() override;
  void ConfirmResult() override;
  void SetActive(int16_t active) override;
  virtual int16_t IsActivated() const { return 1; }
  int16_t GetActiveFlag() const { return active_; }
  virtual void Deactivate();
  void SetAskOnError(int16_t value, intptr_t) override;
  uint16_t GetAskOnError() const { return askOnError_; }
  void ReportItemError(TMacDialogItem* item, int16_t error) override;
  TCommandCore* DoMenuCommand(int16_t commandNumber) override;

  // The dialog's owner side. A whole number the number check refuses is not taken: the
  // check's text says why, the field shows its previous number and the dialog stays.
  int16_t AcceptValue(TMacDialogItem* item) override;
  // Asked of every whole number entered before it is taken: a text refuses it, an empty one
  // lets it through.
  using NumberCheck = std::function<Str255(uint32_t tag, int32_t value)>;
  void SetNumberCheck(NumberCheck check) { numberCheck_ = std::move(check); }
  void ItemFocused(TMacDialogItem* item) override { currentItem_ = item; }
  void ShowDetails(bool show) override;
  int16_t LayoutNumber() const override { return dialogNumber_; }
  // The dialog is shown or begins a modal run: its items take the units and show the selection
  // now, with the panels of the selection when a full update is pending.
  void RefreshNotice() override;
  // In a modal run the update is made at once: the application's queue waits for the run.
  void UpdateNotice() override;

  // The world's notices: a done, undone or redone command refreshes the items; another
  // selection or other objects also choose the panels again and rebuild the selector.
  void WorldContentsChanged() override { RequestUpdate(false); }
  void WorldSelectionChanged() override { RequestUpdate(true); }
  void WorldObjectsChanged() override { RequestUpdate(true); }
  void WorldGone() override;

  TWorldDoc* GetWorld() const { return world_; }
  int16_t GetDialogNumber() const { return dialogNumber_; }
  uint16_t IsFirstRefreshPending() const { return firstRefreshPending_; }
  void ClearFirstRefreshPending() { firstRefreshPending_ = 0; }
  uint16_t GetChangedItemsOnly() const { return changedItemsOnly_; }
  TList* GetPrivateList() const { return privateList_; }

 private:
  void GiveUnitsToItems();
  // Refuses the item's whole number when the number check does (see AcceptValue).
  bool RefusesNumber(TMacDialogItem* item);
  // Panels (WindowPanels.cpp).
  void KeepPanel(int16_t panel);
  void RemovePanelNumber(int16_t panel);
  // Steps 2 to 9 of the panel choice; false when there was no table or no selection to choose
  // by (the items are then only refreshed).
  bool ApplyPanelTable();
  void RemoveUnkeptPanels(bool hideUnpanelled);
  // Watches the world (or none), leaving the one watched before.
  void WatchWorld(TWorldDoc* world);
  // Empties the text of every field, which shows nothing of a world the dialog has let go of.
  void BlankFields();

  TWorldDoc* world_ = nullptr;
  int16_t dialogNumber_ = 0;
  uint16_t firstRefreshPending_ = 0;
  TDialogUpdater* updater_ = nullptr;
  TList* privateList_ = nullptr;
  uint16_t changedItemsOnly_ = 1;
  uint16_t askOnError_ = 0;
  TLink* unitHandler_ = nullptr;
  int16_t active_ = 0;
  TMacDialogItem* currentItem_ = nullptr;
  TSelectionBinding binding_;
  NumberCheck numberCheck_;
};
