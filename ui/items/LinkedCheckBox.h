#pragma once
// Check boxes that show or hide other items of their dialog: while ticked, the linked items are
// shown; clear or in the third state, they are hidden and marked hidden by their link. Each link
// names an item by its item number and tag; at most five links are kept (further links of the
// record are read and skipped), and a link whose item the dialog does not have is passed over.
//
// The bitmap check box draws itself from bitmaps: 1000 + its item number while clear, 3000 + its
// item number while ticked (or in the third state).
//
// Record, after the layout values: a signed byte (kept) and a pad byte, the link count, and for
// each link its item number (16 bits) and tag (32 bits).
//
//   TMacCheckBoxItem (301) > TLinkedCheckBox (492) > TBitmapCheckBox (493)

#include <array>
#include <cstdint>

#include "ui/items/MacItems.h"

inline constexpr int32_t kMaxCheckBoxLinks = 5;
inline constexpr int16_t kClearBitmapBase = 1000;
inline constexpr int16_t kTickedBitmapBase = 3000;

class TLinkedCheckBox : public TMacCheckBoxItem {
  DECLARE_CLASS_ID(492, TMacCheckBoxItem)

 public:
  void InitItem(CWnd* parent, uint32_t viewIdentifier, TItemRecordCursor* cursor) override;
  // The check state, then the linked items follow it.
  void Refresh() override;
  void UpdateLinkedItems();

  int16_t LinkCount() const { return linkCount_; }
  int16_t GetRecordValue() const { return recordValue_; }

 private:
  void ReadLinks(TItemRecordCursor& cursor);

  int16_t recordValue_ = 0;
  int16_t linkCount_ = 0;
  std::array<uint32_t, kMaxCheckBoxLinks> linkTags_{};
  std::array<int16_t, kMaxCheckBoxLinks> linkNumbers_{};
};

class TBitmapCheckBox : public TLinkedCheckBox {
  DECLARE_CLASS_ID(493, TLinkedCheckBox)

 public:
  // The owner-drawn button keeps no check state: the picture is drawn again for the new value.
  void Refresh() override;
  void DrawEntire(const DRAWITEMSTRUCT* draw) override;
  void DrawFocus(const DRAWITEMSTRUCT* draw) override;
  void DrawSelection(const DRAWITEMSTRUCT* draw) override;
  // The bitmap that shows the state: clear, or ticked (also for the third state).
  int16_t BitmapFor(bool ticked) const;

 private:
  void DrawBitmap(const DRAWITEMSTRUCT* draw, bool ticked);
};

void RegisterLinkedCheckBoxKinds();
