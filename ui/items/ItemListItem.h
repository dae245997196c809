#pragma once
// A popup whose entry texts come from its item record: after the layout values, a signed count
// and that many NUL-terminated texts, all read within the record's resource. The texts are
// added to the combo box once the control exists; a negative count gives no list. The popups of
// colours build on it and read what follows the texts.
//
//   TMacPopupItem (298) > TItemListDialogItem (636)

#include <cstdint>
#include <string>
#include <vector>

#include "ui/items/MacItems.h"

class TItemListDialogItem : public TMacPopupItem {
  DECLARE_CLASS_ID(636, TMacPopupItem)

 public:
  // The layout values, then the entry texts; the control gets them.
  void ReadLayoutFlags(TItemRecordCursor* cursor) override;
  // Adds every entry text to the control (again, when called again).
  virtual void SetUpControl();

  uint16_t IsListReady() const { return listReady_; }
  int16_t ItemCount() const { return static_cast<int16_t>(texts_.size()); }
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  uint16_t listReady_ = 0;
  std::vector<std::string> texts_;
};
