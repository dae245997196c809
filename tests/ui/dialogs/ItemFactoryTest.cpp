// The item factory: the kind table, one item per record in order, the group end, kinds outside
// the table, and records bounded by the resource's size.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "core/Failure.h"
#include "core/Tag.h"
#include "tests/ui/dialogs/FilterBytes.h"
#include "ui/dialogs/ItemFactory.h"
#include "ui/items/MacDialogItem.h"

namespace {

class FakeDialog : public TItemBuildTarget {
 public:
  ~FakeDialog() {
    for (TMacDialogItem* item : items) delete item;
  }
  CWnd* CurrentParent() override { return parent; }
  void SetCurrentParent(CWnd* window) override {
    parent = window;
    parentsSet.push_back(window);
  }
  CWnd* DialogWindow() override { return nullptr; }
  void AddItemView(TMacDialogItem* item) override { items.push_back(item); }

  CWnd* parent = nullptr;
  std::vector<CWnd*> parentsSet;
  std::vector<TMacDialogItem*> items;
};

class ItemFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlainItemKinds(); }
};

FilterBytes PlainRecord(const char (&tag)[5], int16_t item, const std::string& text) {
  FilterBytes bytes;
  bytes.Word(80).Tag(tag).Record(0, item, 0x50000000, 1, 2, 30, 12, text);
  return bytes;
}

TEST_F(ItemFactoryTest, KindTableHasEachKindOnceWithItsClass) {
  std::set<uint16_t> kinds;
  for (const TItemKindEntry& entry : ItemKindTable()) {
    EXPECT_TRUE(kinds.insert(entry.kind).second) << entry.kind;
  }
  EXPECT_EQ(kinds.size(), 25u);
  ASSERT_NE(FindItemKind(1), nullptr);
  EXPECT_EQ(FindItemKind(1)->classId, 490);
  EXPECT_EQ(FindItemKind(1)->baseId, 305);
  EXPECT_EQ(FindItemKind(55)->classId, 494);
  EXPECT_EQ(FindItemKind(64)->baseId, 539);
  EXPECT_EQ(FindItemKind(96)->classId, 623);
  EXPECT_EQ(FindItemKind(0xFFFF)->classId, 299);
  for (uint16_t outside : {0, 8, 15, 24, 65, 81, 97, 0xFFFE}) {
    EXPECT_EQ(FindItemKind(outside), nullptr) << outside;
    EXPECT_FALSE(RegisterItemKind(outside, nullptr)) << outside;
  }
}

TEST_F(ItemFactoryTest, PlainRecordsMakeOneItemEachInRecordOrder) {
  FilterBytes bytes;
  bytes.Word(3);
  bytes.Word(80).Tag("DL00").Record(0, 7, 0, 0, 0, 10, 10, "ab");
  bytes.Word(80).Tag("DL01").Record(0, 7, 0, 0, 0, 10, 10, "ab");
  bytes.Word(80).Tag("NS00").Record(0, 7, 0, 0, 0, 10, 10, "ab");
  FakeDialog dialog;
  BuildItemViews(dialog, 1005, bytes.Bytes());
  ASSERT_EQ(dialog.items.size(), 3u);
  EXPECT_EQ(dialog.items[0]->GetViewIdentifier(), MakeTag("DL00"));
  EXPECT_EQ(dialog.items[1]->GetViewIdentifier(), MakeTag("DL01"));
  EXPECT_EQ(dialog.items[2]->GetViewIdentifier(), MakeTag("NS00"));
  for (TMacDialogItem* item : dialog.items) {
    EXPECT_TRUE(item->IsMemberClass(299));
    EXPECT_TRUE(item->IsMemberClass(297));
    EXPECT_EQ(item->GetTemplateId(), 1005);
    EXPECT_EQ(item->GetReadyMark(), 1234);
    EXPECT_EQ(item->GetItemNumber(), 7);
  }
  // The building began from a reset parent, which became the dialog.
  ASSERT_GE(dialog.parentsSet.size(), 1u);
  EXPECT_EQ(dialog.parentsSet[0], nullptr);
}

TEST_F(ItemFactoryTest, CountZeroBuildsNothing) {
  FilterBytes bytes;
  bytes.Word(0);
  FakeDialog dialog;
  BuildItemViews(dialog, 1, bytes.Bytes());
  EXPECT_TRUE(dialog.items.empty());
}

TEST_F(ItemFactoryTest, RecordAdvancesByHeaderRecordAndLayoutFlags) {
  // A two-character text: 6 header bytes, 4 of header word and attach flag, 17 of record and 8
  // of layout flags.
  FilterBytes bytes = PlainRecord("DL00", 3, "ab");
  bytes.Word(0xBEEF);
  TItemRecordCursor cursor(bytes.Bytes());
  FakeDialog dialog;
  TMacDialogItem* item = MakeItemView(dialog, 5, &cursor);
  EXPECT_EQ(cursor.Offset(), 6u + 4u + 17u + 8u);
  EXPECT_EQ(cursor.ReadWord(), 0xBEEF);
  EXPECT_EQ(item->GetText(), Str255("ab"));
  EXPECT_EQ(item->GetStyle(), 0x50000000u);
  EXPECT_EQ(item->IsShown(), 1);
}

TEST_F(ItemFactoryTest, KindsOutsideTheTableStopSilentlyKeepingEarlierItems) {
  for (uint16_t kind : {8, 65, 97}) {
    FilterBytes real;
    real.Word(2);
    real.Word(80).Tag("DL00").Record(0, 1, 0, 0, 0, 5, 5, "x");
    real.Word(kind).Tag("XX00").Word(0).Word(0);
    FakeDialog dialog;
    try {
      BuildItemViews(dialog, 1, real.Bytes());
      FAIL() << "kind " << kind << " was accepted";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), 0) << kind;
    }
    EXPECT_EQ(dialog.items.size(), 1u) << kind;
  }
}

TEST_F(ItemFactoryTest, GroupEndMarksItsItemAndReadsTheRecordAgainAsPlain) {
  FilterBytes bytes;
  bytes.Word(2);
  bytes.Word(0xFFFF).Tag("grp1").Record(0, 10, 0, 0, 0, 50, 50, "group");
  bytes.Record(0, 11, 0, 2, 2, 40, 40, "inner");
  bytes.Word(80).Tag("DL00").Record(0, 12, 0, 0, 0, 5, 5, "after");
  FakeDialog dialog;
  BuildItemViews(dialog, 1, bytes.Bytes());
  ASSERT_EQ(dialog.items.size(), 3u);
  EXPECT_EQ(dialog.items[0]->GetKindMarker(), TMacDialogItem::kGroupEndMarker);
  EXPECT_EQ(dialog.items[0]->GetItemNumber(), 10);
  EXPECT_EQ(dialog.items[1]->GetKindMarker(), 0);
  EXPECT_EQ(dialog.items[1]->GetItemNumber(), 11);
  EXPECT_EQ(dialog.items[1]->GetText(), Str255("inner"));
  EXPECT_EQ(dialog.items[2]->GetText(), Str255("after"));
}

TEST_F(ItemFactoryTest, RecordsRunningPastTheResourceCountAsMissing) {
  const FilterBytes whole = [] {
    FilterBytes b;
    b.Word(1).Word(80).Tag("DL00").Record(0, 1, 0, 0, 0, 5, 5, "text");
    return b;
  }();
  // Every cut of the resource is refused as a missing one (-108), never read past its end.
  for (size_t size = 0; size < whole.Bytes().size(); ++size) {
    std::vector<uint8_t> cut(whole.Bytes().begin(), whole.Bytes().begin() + static_cast<long>(size));
    FakeDialog dialog;
    try {
      BuildItemViews(dialog, 1, cut);
      FAIL() << "a resource cut to " << size << " bytes was read";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), kErrOutOfMemory) << size;
    }
  }
  FakeDialog dialog;
  BuildItemViews(dialog, 1, whole.Bytes());
  EXPECT_EQ(dialog.items.size(), 1u);
}

TEST_F(ItemFactoryTest, TableKindWithoutItsClassIsAClearFailure) {
  FilterBytes bytes;
  bytes.Word(1).Word(34).Tag("pic0").Record(0, 1, 0, 0, 0, 5, 5, "");
  FakeDialog dialog;
  try {
    BuildItemViews(dialog, 1, bytes.Bytes());
    FAIL();
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrItemKindUnavailable);
  }
}

}  // namespace
