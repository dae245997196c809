// Settings files written by two programs at once.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32/Profile.h"

namespace {

namespace fs = std::filesystem;

TEST(ProfileFile, TwoWritersAtOnceEachWriteWholeAndLeaveNoTemporaryFile) {
  char folder[] = "/tmp/yb-profile-XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/YB.INI";
  constexpr int kWrites = 1000;
  const auto writer = [&](const char* key, bool* allWritten) {
    for (int i = 0; i < kWrites; ++i)
      if (!WritePrivateProfileString("General", key, std::to_string(i).c_str(), path))
        *allWritten = false;
  };
  bool firstWritten = true;
  bool secondWritten = true;
  std::thread first(writer, "First", &firstWritten);
  std::thread second(writer, "Second", &secondWritten);
  first.join();
  second.join();
  EXPECT_TRUE(firstWritten);
  EXPECT_TRUE(secondWritten);
  // The last write of either wins whole: its own key holds its last value.
  const std::string last = std::to_string(kWrites - 1);
  const bool firstLast = GetPrivateProfileString("General", "First", "", path) == last;
  const bool secondLast = GetPrivateProfileString("General", "Second", "", path) == last;
  EXPECT_TRUE(firstLast || secondLast);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    ++files;
    EXPECT_EQ(entry.path().filename(), "YB.INI");
  }
  EXPECT_EQ(files, 1);
  fs::remove_all(folder);
}

}  // namespace
