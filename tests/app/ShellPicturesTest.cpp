// Pictures for picture gadgets: the empty stored picture, and the conversion that shows a
// stored picture, or the fallback picture when the filter refuses it, leaving no file behind.

#include "app/services/ShellPictures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "exchange/pictures/PictureConversion.h"
#include "platform/win32/Gdi.h"
#include "resources/ResourceLibraries.h"
#include "tests/support/MemoryCanvas.h"

namespace fs = std::filesystem;

namespace {

class ShellPicturesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    LoadGraphicsFilter();
    std::string pattern = (fs::temp_directory_path() / "yb-pictures-XXXXXX").string();
    folder_ = mkdtemp(pattern.data());
    const char* previous = getenv("TMPDIR");
    hadTmpDir_ = previous != nullptr;
    if (previous) savedTmpDir_ = previous;
    setenv("TMPDIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    if (hadTmpDir_) {
      setenv("TMPDIR", savedTmpDir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
    fs::remove_all(folder_);
    FreeHandlePool();
  }
  long FilesLeft() const { return std::distance(fs::directory_iterator(folder_), {}); }
  static Handle PictureOf(const std::vector<uint8_t>& bytes) {
    return NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  fs::path folder_;
  std::string savedTmpDir_;
  bool hadTmpDir_ = false;
};

TEST_F(ShellPicturesTest, TheEmptyPictureIsTenBigEndianBytes) {
  const Handle picture = MakeEmptyPicture();
  ASSERT_EQ(GetHandleByteSize(picture), 10u);
  const uint8_t expected[] = {0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x0A};
  EXPECT_EQ(std::memcmp(HandleData(picture), expected, sizeof expected), 0);
  FreeHandle(picture);
}

TEST_F(ShellPicturesTest, APictureConvertsToItsMetafileAndNoFileIsLeft) {
  // Frame 20 x 10 at (100, 50) with a painted rectangle.
  const Handle picture = PictureOf({0, 0, 0, 50, 0, 100, 0, 60, 0, 120, 0x11, 0x01, 0x31, 0,
                                    50, 0, 100, 0, 55, 0, 110, 0xFF});
  const auto record = ConvertPictureToMetafile(picture);
  FreeHandle(picture);
  EXPECT_EQ(FilesLeft(), 0);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->mm, 8);
  EXPECT_EQ(record->xExt, 20);
  EXPECT_EQ(record->yExt, 10);
  MemoryCanvas canvas(20, 10);
  EXPECT_TRUE(PlayMetaFile(canvas.dc(), record->hMF));
  EXPECT_EQ(canvas.At(5, 2), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(15, 8), RGB(255, 255, 255));
  DeleteMetaFile(record->hMF);
}

TEST_F(ShellPicturesTest, APictureTheFilterRefusesShowsTheCrossedFrameAndNoFileIsLeft) {
  const Handle picture = PictureOf({0, 0, 0, 50, 0, 100, 0, 60, 0, 120, 0x11, 0x01, 0xB0, 0xFF});
  const auto record = ConvertPictureToMetafile(picture);
  FreeHandle(picture);
  EXPECT_EQ(FilesLeft(), 0);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->xExt, 32);
  EXPECT_EQ(record->yExt, 32);
  MemoryCanvas canvas(32, 32);
  ASSERT_TRUE(PlayMetaFile(canvas.dc(), record->hMF));
  DeleteMetaFile(record->hMF);
  EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 0));   // on the diagonal
  EXPECT_EQ(canvas.At(20, 10), RGB(0, 0, 0));   // on the other diagonal
  EXPECT_EQ(canvas.At(16, 8), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(0, 16), RGB(0, 0, 0));    // the frame
}

TEST_F(ShellPicturesTest, NoPictureGivesNothing) {
  EXPECT_FALSE(ConvertPictureToMetafile(nullptr).has_value());
  EXPECT_EQ(FilesLeft(), 0);
}

}  // namespace
