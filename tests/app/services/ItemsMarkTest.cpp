// The embedded items a document file carries after its world: they are read only when the file
// ends with their mark.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/services/EmbeddedWorlds.h"
#include "platform/mfc/COleItems.h"

namespace {

namespace fs = std::filesystem;

class ItemsMark : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = fs::temp_directory_path() / ("yb-items-mark-" + std::to_string(::getpid()) + ".yb");
    std::ofstream(path_, std::ios::binary) << "world bytes stand here";
    COleItemList items(nullptr);
    auto* item = new CYBCntrItem(&items);
    item->SetPresentation({}, SIZE{2540, 2540});
    WriteItemsAfterDocument(items, path_.string());
  }
  void TearDown() override { fs::remove(path_); }
  size_t ItemsRead() {
    COleItemList items(nullptr);
    ReadItemsAfterDocument(items, path_.string());
    return items.Items().size();
  }
  // Changes the byte so many places before the end of the file.
  void ChangeByteFromEnd(std::streamoff back) {
    std::fstream file(path_, std::ios::binary | std::ios::in | std::ios::out);
    file.seekg(-back, std::ios::end);
    const char byte = static_cast<char>(file.get());
    file.seekp(-back, std::ios::end);
    file.put(static_cast<char>(byte ^ 0x20));
  }
  fs::path path_;
};

TEST_F(ItemsMark, AFileEndingWithTheMarkGivesItsItemsBackAndOneWithoutGivesNone) {
  EXPECT_EQ(ItemsRead(), 1u);
  // Any one letter of the mark changed: the tail is the world's own bytes, not an item section.
  for (std::streamoff back = 1; back <= 4; ++back) {
    ChangeByteFromEnd(back);
    EXPECT_EQ(ItemsRead(), 0u) << "mark letter " << 5 - back << " changed";
    ChangeByteFromEnd(back);
  }
  EXPECT_EQ(ItemsRead(), 1u);
}

TEST_F(ItemsMark, AFileWithNoItemSectionReadsNoItems) {
  std::ofstream(path_, std::ios::binary) << "a world with nothing after it";
  EXPECT_EQ(ItemsRead(), 0u);
}

}  // namespace
