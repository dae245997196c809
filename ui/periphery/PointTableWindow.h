#pragma once
// The point table window: the points of the selected objects in the two-column table, edited
// cell by cell. Three mode buttons choose the frame the coordinates are shown in: "mpSH" the
// hot-point frame (mode 0, labels "hpLV"), "mpWO" the world (mode 1, "ppLV"), "mpSE" the
// objects' own frame (mode 2, "lpLV"); the label item of the mode names the cells and, shown
// alone, the columns. The option
// buttons "_oPn", "_cLd", "carS" and "polS" make the table read its rows again.
//
//   WindowBase (424) > WindowBase2 (426) > TPointTableWindow (543)

#include <cstdint>

#include "core/PString.h"

#include "ui/dialogs/PanelDialogs.h"

class TTableItemBase;

inline constexpr int16_t kPointTableDialog = 10200;

class TPointTableWindow : public WindowBase2 {
  DECLARE_CLASS_ID(543, WindowBase2)

 public:
  void Initialize(TWindowObject* parent, intptr_t ignored,
                  const TDialogCreationRecord* record) override;

  int32_t GetMode() const { return mode_; }
  // Shows the coordinates of the mode when the window may change; the labels follow.
  void SetMode(int32_t mode);
  // The table ("pptb"), found on first use.
  TTableItemBase* Table();
  // 1 when the table's list is the control.
  int16_t TableOwnsControl(const CWnd* control);

  // The mode and option buttons act at once; every other item as the base says.
  int16_t AcceptValue(TMacDialogItem* item) override;
  // Mode buttons show the mode and are enabled while the objects have points; the label items
  // are left as they are.
  void RefreshItem(TMacDialogItem* item, int16_t flag) override;
  // The table shows the selection's points.
  void RefreshCompositeItem(TMacDialogItem* item) override;

 private:
  int32_t ModeOf(uint32_t tag) const;
  bool HasPoints() const;
  // The columns' names as the first shown object that has them gives them; else "x" and "y".
  void ColumnNames(Str255& first, Str255& second);
  // The mode's label shows, its "^0" and "^1" filled with the columns' names; the others hide.
  void ShowModeLabel();

  int32_t mode_ = 1;
};
