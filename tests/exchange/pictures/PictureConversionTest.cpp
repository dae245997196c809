// The conversion of stored pictures through files: names, the placeable frame in pixels, and
// the whole path from picture bytes to a metafile that plays the picture's pixels.

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "exchange/pictures/PictureConversion.h"
#include "platform/picture/PictFilter.h"
#include "platform/picture/PictPlayer.h"
#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A small metafile: a black rectangle from (2, 2) to (10, 6).
std::vector<uint8_t> RectangleMetafile() {
  const HDC recorder = CreateMetaFile(nullptr);
  SelectObject(recorder, GetStockObject(BLACK_BRUSH));
  Rectangle(recorder, 2, 2, 10, 6);
  const HMETAFILE metafile = CloseMetaFile(recorder);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(metafile);
  return bits;
}

std::vector<uint8_t> Placeable(uint16_t right, uint16_t bottom, uint16_t inch,
                               const std::vector<uint8_t>& records) {
  std::vector<uint8_t> out;
  for (const uint16_t word : {uint16_t{0xCDD7}, uint16_t{0x9AC6}, uint16_t{0}, uint16_t{0},
                              uint16_t{0}, right, bottom, inch, uint16_t{0}, uint16_t{0},
                              uint16_t{0}}) {
    out.push_back(static_cast<uint8_t>(word));
    out.push_back(static_cast<uint8_t>(word >> 8));
  }
  out.insert(out.end(), records.begin(), records.end());
  return out;
}

class PictureConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadGraphicsFilter();
    std::string pattern = (fs::temp_directory_path() / "conv-XXXXXX").string();
    folder = mkdtemp(pattern.data());
  }
  void TearDown() override { fs::remove_all(folder); }
  std::string File(const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = (folder / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  fs::path folder;
};

TEST_F(PictureConversionTest, APlaceableHeaderGivesTheFrameInPixelsAndIsStripped) {
  const std::vector<uint8_t> records = RectangleMetafile();
  const std::string path = File("framed.wmf", Placeable(1000, 500, 1000, records));
  const RECT frame = ReadPlaceableFrame(path);
  EXPECT_EQ(frame.left, 0);
  EXPECT_EQ(frame.top, 0);
  EXPECT_EQ(frame.right, 96);  // 1000 units at 1000 to the inch on a 96-pixel inch
  EXPECT_EQ(frame.bottom, 48);
  EXPECT_EQ(ReadAll(path), records);
}

TEST_F(PictureConversionTest, FilesWithoutAUsableHeaderStayAsTheyAre) {
  const std::vector<uint8_t> records = RectangleMetafile();
  const std::vector<uint8_t> noUnits = Placeable(1000, 500, 0, records);
  const std::vector<uint8_t> shortFile(noUnits.begin(), noUnits.begin() + 20);
  for (const auto& bytes : {records, noUnits, shortFile}) {
    const std::string path = File("plain.wmf", bytes);
    const RECT frame = ReadPlaceableFrame(path);
    EXPECT_EQ(frame.right - frame.left, 1);
    EXPECT_EQ(frame.bottom - frame.top, 1);
    EXPECT_EQ(ReadAll(path), bytes);
  }
  EXPECT_EQ(ReadPlaceableFrame((folder / "missing.wmf").string()).right, 1);
  EXPECT_FALSE(LoadMetafilePicture((folder / "missing.wmf").string()).has_value());
  EXPECT_FALSE(LoadMetafilePicture(File("short.wmf", shortFile)).has_value());
}

TEST_F(PictureConversionTest, TemporaryNamesAreNewDistinctFilesWithTheirExtensions) {
  std::string pict;
  std::string metafile;
  ASSERT_TRUE(MakeTempFileName(pict, metafile));
  EXPECT_NE(pict, metafile);
  EXPECT_EQ(fs::path(pict).extension(), ".PCT");
  EXPECT_EQ(fs::path(metafile).extension(), ".WMF");
  EXPECT_TRUE(fs::exists(pict));  // taken, so no other conversion can take the same names
  EXPECT_TRUE(fs::exists(metafile));
  std::string pict2;
  std::string metafile2;
  ASSERT_TRUE(MakeTempFileName(pict2, metafile2));
  EXPECT_NE(pict, pict2);
  for (const auto& name : {pict, metafile, pict2, metafile2}) fs::remove(name);
}

TEST_F(PictureConversionTest, APictureConvertsToAMetafileOfItsPixelsAndNothingIsLeft) {
  // Frame 20 x 10 at (100, 50); a painted rectangle and a painted oval.
  const std::vector<uint8_t> pict = {0,    0,    0,    50, 0,    100, 0,    60,   0,    120,
                                     0x11, 0x01, 0x31, 0,  50,   0,   100,  0,    55,   0,
                                     110,  0x51, 0,    52, 0,    110, 0,    60,   0,    120,
                                     0xFF};
  // The temporary files go to a folder of this test's own, to be counted.
  const fs::path own = folder / "tmp";
  fs::create_directory(own);
  const char* previous = getenv("TMPDIR");
  const std::string saved = previous ? previous : "";
  setenv("TMPDIR", own.c_str(), 1);
  const auto record = ConvertPictToMetafile(pict);
  const auto left = std::distance(fs::directory_iterator(own), {});
  if (previous) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  EXPECT_EQ(left, 0);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->mm, 8);
  EXPECT_EQ(record->xExt, 20);
  EXPECT_EQ(record->yExt, 10);
  MemoryCanvas replay(20, 10);
  EXPECT_TRUE(PlayMetaFile(replay.dc(), record->hMF));
  DeleteMetaFile(record->hMF);
  MemoryCanvas direct(20, 10);
  ASSERT_TRUE(PlayPict(direct.dc(), pict));
  int black = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(replay.At(x, y), direct.At(x, y)) << x << "," << y;
      black += replay.At(x, y) == RGB(0, 0, 0);
    }
  }
  EXPECT_GT(black, 50);

  // A picture the filter cannot convert gives no picture at all.
  std::vector<uint8_t> broken = pict;
  broken[12] = 0xB0;
  EXPECT_FALSE(ConvertPictToMetafile(broken).has_value());
}

TEST_F(PictureConversionTest, ShiftingMovesTheDrawing) {
  const std::string path = File("shift.wmf", RectangleMetafile());
  const HMETAFILE shifted = ShiftMetafile(path, 2, 2);
  ASSERT_NE(shifted, nullptr);
  MemoryCanvas canvas(12, 8);
  PlayMetaFile(canvas.dc(), shifted);
  DeleteMetaFile(shifted);
  EXPECT_EQ(canvas.At(0, 0), RGB(0, 0, 0));  // what was at (2, 2)
  EXPECT_EQ(canvas.At(9, 5), RGB(255, 255, 255));
}

}  // namespace
