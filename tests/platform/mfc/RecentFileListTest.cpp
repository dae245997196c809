// The recent-file list and the profile file it lives in: newest first, no duplicates, at most
// its size, kept across a write and a read, shown as numbered menu items; the profile file is
// replaced whole and keeps the other sections' keys.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/mfc/CRecentFileList.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Window.h"

namespace {

class RecentFileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    char folder[] = "/tmp/yb-profile-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    SetProfileFile(folder_ + "/app/yb.ini");
  }
  void TearDown() override {
    SetProfileFile("");
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    ResetWindowSystem();
  }
  std::string folder_;
};

TEST_F(RecentFileListTest, NewestFirstWithoutDuplicatesAndKeptInTheProfile) {
  CRecentFileList list(CRecentFileList::kFirstCommand, "Recent File List", "File%d", 4);
  for (const char* path : {"/a/one.yb", "/a/two.yb", "/a/three.yb", "/a/one.yb", "/a/four.yb",
                           "/a/five.yb"}) {
    list.Add(path);
  }
  ASSERT_EQ(list.GetCount(), 4);
  EXPECT_EQ(list[0], "/a/five.yb");
  EXPECT_EQ(list[1], "/a/four.yb");
  EXPECT_EQ(list[2], "/a/one.yb");
  EXPECT_EQ(list[3], "/a/three.yb");
  WriteProfileString("Settings", "Doc Zoom State", "0");
  list.WriteList();

  CRecentFileList read(CRecentFileList::kFirstCommand, "Recent File List", "File%d", 4);
  read.ReadList();
  ASSERT_EQ(read.GetCount(), 4);
  EXPECT_EQ(read[3], "/a/three.yb");
  EXPECT_EQ(GetProfileInt("settings", "doc zoom state", 1), 0u) << "names compare in any case";
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/app/yb.ini.new"));

  // Fewer entries remove the keys left over.
  read.Remove(0);
  read.Remove(0);
  read.WriteList();
  EXPECT_EQ(GetProfileString("Recent File List", "File3", "none"), "none");
  EXPECT_EQ(GetProfileString("Settings", "Doc Zoom State", ""), "0");
}

TEST_F(RecentFileListTest, TheMenuShowsNumberedEntriesOrOneGreyedPlaceholder) {
  const HMENU file = CreatePopupMenu();
  AppendMenu(file, MF_STRING, 20, "Open");
  AppendMenu(file, MF_STRING | MF_GRAYED, CRecentFileList::kFirstCommand, "Recent File");
  AppendMenu(file, MF_STRING, 36, "Quit");
  CRecentFileList list(CRecentFileList::kFirstCommand, "Recent File List", "File%d", 4);
  list.Add("/a/R&D.yb");
  list.Add("/b/pendulum.yb");
  list.UpdateMenu(file);
  ASSERT_EQ(GetMenuItemCount(file), 4);
  EXPECT_EQ(GetMenuItemText(file, 1, MF_BYPOSITION), "&1 pendulum.yb");
  EXPECT_EQ(GetMenuItemText(file, 2, MF_BYPOSITION), "&2 R&&D.yb");
  EXPECT_EQ(GetMenuItemID(file, 3), 36u);
  list.Remove(0);
  list.Remove(0);
  list.UpdateMenu(file);
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_NE(GetMenuState(file, CRecentFileList::kFirstCommand, MF_BYCOMMAND) & MF_GRAYED, 0u);
  DestroyMenu(file);
}

}  // namespace
