#pragma once
// The property dialogs made of panels, by what they add to the panel choice of WindowBase:
// - TPanelDialog: the class filter starts at -1, so restricted items see nothing until the
//   panels are chosen;
// - TMoreChoicesDialog: bound to a menu command (its more-choices button sends it); that
//   command accepts the dialog with the result "OK__" and goes on up the chain;
// - TMoreDetailsDialog: a details panel (the panel numbered one above the dialog) that grows
//   the window by the height of its "MDDi" resource and shrinks it back;
// - TVectorSettingsDialog: edits the selection's vector settings object;
// - WindowBase2: the floating property dialog, active only while it says so.
//
//   WindowBase (424) > TPanelDialog (425) > TMoreChoicesDialog (427), TMoreDetailsDialog (429),
//   TVectorSettingsDialog (428); WindowBase (424) > WindowBase2 (426)

#include <cstdint>

#include "core/Tag.h"
#include "ui/dialogs/WindowBase.h"

inline constexpr uint32_t kDetailsResourceType = MakeTag("MDDi");
inline constexpr uint32_t kMoreTag = MakeTag("more");
inline constexpr uint32_t kAcceptedResult = MakeTag("OK__");
inline constexpr int16_t kVectorSettingsClass = 687;

class TPanelDialog : public WindowBase {
  DECLARE_CLASS_ID(425, WindowBase)

 public:
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;
};

class TMoreChoicesDialog : public TPanelDialog {
  DECLARE_CLASS_ID(427, TPanelDialog)

 public:
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;
  TCommandCore* DoMenuCommand(int16_t commandNumber) override;
  void DoSetupMenus() override;
  bool IsPropertyTag(uint32_t tag) const override;
  int16_t GetCommandNumber() const { return commandNumber_; }

 private:
  int16_t commandNumber_ = 0;
};

class TMoreDetailsDialog : public TPanelDialog {
  DECLARE_CLASS_ID(429, TPanelDialog)

 public:
  // The details panel grows or shrinks the window; other panels are the base's.
  void ShowPanel(int16_t panel, int16_t show) override;
  // With one object selected, the details buttons are enabled when it answers "more";
  // otherwise the details are shown and the buttons disabled.
  void RefreshAll() override;
  bool IsPropertyTag(uint32_t tag) const override;
  // The "more" item turns the details over.
  int16_t AcceptValue(TMacDialogItem* item) override;
  int16_t DetailsPanel() const { return static_cast<int16_t>(GetDialogNumber() + 1); }
  bool DetailsShown() const { return FindPanelItem(DetailsPanel()) != nullptr; }

  // The details' height in vertical dialog units; 1 without an "MDDi" resource.
  static int32_t DetailsHeight(int16_t dialogNumber);
  // Pixels of one details unit line for the vertical dialog base unit.
  static int32_t LineHeight(int32_t verticalBaseUnit);
};

class TVectorSettingsDialog : public TPanelDialog {
  DECLARE_CLASS_ID(428, TPanelDialog)

 public:
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;
  // The base's, then the selection's vector settings object is the one edited; a missing
  // selection or object raises -108.
  void SetSelection(const std::vector<TLink*>* selection, TWindowObject* owner, TWorldDoc* world,
                    int16_t attach) override;
  TLink* GetVectorSettings() const { return vectorSettings_; }

 private:
  TLink* vectorSettings_ = nullptr;
};

class WindowBase2 : public WindowBase {
  DECLARE_CLASS_ID(426, WindowBase)

 public:
  int16_t IsActivated() const override { return GetActiveFlag(); }
};
