#pragma once
// The colour popup: an owner-drawn drop-down list of colour swatches whose last entry is the
// other-colour entry, which opens the colour chooser. It shows the colour of the selected
// objects (entry 0 when they differ), finds a colour's swatch by exact match (a colour no swatch
// holds shows on the other-colour entry) and answers the chosen colour.
//
// Its record, after the layout values and the entry texts of its base (a count, 0 here): three linked item tags (kept for the popups that draw in
// the chosen colour), a swatch count, twelve COLORREF swatches of which the first count are used
// (at most 12, the last the other-colour entry), the popup's name (NUL-terminated). A popup
// named "Pelko" offers no chooser.
//
//   TMacPopupItem (298) > TItemListDialogItem (636) > TColorPopupView (549)

#include <array>
#include <cstdint>
#include <vector>

#include "core/port/Port.h"
#include "ui/items/ItemListItem.h"

inline constexpr int16_t kColourBindingKind = 1012;
inline constexpr int32_t kMaxRecordSwatches = 12;
inline constexpr int32_t kSwatchSize = 20;

// The custom colours of the chooser, kept for the rest of the run (16, white at start).
std::array<COLORREF, 16>& CustomColours();

class TColorPopupView : public TItemListDialogItem {
  DECLARE_CLASS_ID(549, TItemListDialogItem)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;

  // The property binding.
  void ResetValue() override { currentItem_ = -1; }
  void ReceiveColour(const RGB16Color& colour) override { ShowColor(colour); }
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override;
  bool ReadColour(RGB16Color& colour) const override { return GetChosenColor(colour); }
  // The other-colour entry runs the chooser itself.
  int16_t LastEntryChosen() override;
  int16_t CheckText() override;

  void ShowColor(const RGB16Color& colour);
  bool GetChosenColor(RGB16Color& colour) const;
  RGB16Color ColorOfItem(int32_t item) const;
  int32_t ItemOfColor(const RGB16Color& colour) const;
  void SetCurrentColor(const RGB16Color& colour);
  bool CanChooseOther() const;
  // Runs the colour chooser over the dialog; a chosen colour becomes the current one and the
  // item counts as changed. Always 1.
  int16_t ChooseOtherColor();
  // The linked popups draw in the chosen colour: the first two take it as their foreground,
  // the third as its background (white while the objects' colours differ).
  void UpdateLinkedItems();

  void DrawEntire(const DRAWITEMSTRUCT* draw) override;
  void DrawFocus(const DRAWITEMSTRUCT* draw) override;
  void DrawSelection(const DRAWITEMSTRUCT* draw) override;
  void MeasureItem(MEASUREITEMSTRUCT* measure) override;

  const RGB16Color& GetCurrentColor() const { return current_; }
  const std::vector<COLORREF>& Swatches() const { return swatches_; }
  const Str255& GetName() const { return name_; }
  const std::array<uint32_t, 3>& LinkedItems() const { return linked_; }
  int32_t GetCurrentItem() const { return currentItem_; }

 private:
  void ReadColorRecord(TItemRecordCursor* cursor);
  void Draw(const DRAWITEMSTRUCT* draw, bool frame, bool fill);

  RGB16Color current_{0, 0, 0};
  Str255 name_;
  std::array<uint32_t, 3> linked_{};
  std::vector<COLORREF> swatches_;
  int32_t currentItem_ = -1;
};

void RegisterColorPopupKind();
