// The world's settings, window and view blocks in saved documents: every value comes back, a
// document saved again keeps its bytes, and the window block packs its furniture as documents
// expect.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "model/filing/DocumentFormat.h"
#include "model/world/QVDoc.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The contents of the block of the code (4-byte code, 4-byte length).
std::vector<uint8_t> BlockOf(const std::vector<uint8_t>& bytes, int16_t code) {
  const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  if (at == bytes.end()) return {};
  const size_t start = static_cast<size_t>(at - bytes.begin()) + 8;
  const uint32_t length = LoadBig32(&bytes[start - 4]);
  if (start + length > bytes.size()) return {};
  return {bytes.begin() + static_cast<std::ptrdiff_t>(start),
          bytes.begin() + static_cast<std::ptrdiff_t>(start + length)};
}

// The short at index i of a block of shorts of the given width.
int32_t ShortAt(const std::vector<uint8_t>& block, size_t width, size_t i) {
  const uint8_t* at = &block[i * width + width - 2];
  return static_cast<int16_t>(at[0] << 8 | at[1]);
}

class WorldSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    folder = std::filesystem::temp_directory_path() /
             ("yb-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    SetSaveVersionFlag(false);
    std::filesystem::remove_all(folder);
    scope.reset();
  }
  std::vector<uint8_t> Save(TQVDoc& document, const char* name) {
    const std::string path = (folder / name).string();
    document.WriteDocument(path);
    return FileBytes(path);
  }
  std::unique_ptr<WorldScope> scope;
  std::filesystem::path folder;
};

TEST_F(WorldSettingsTest, EverySettingComesBackAndTheDocumentKeepsItsBytes) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TWorldSettings& s = world.Settings();
  s.autoScroll = 0;
  s.keepWithinView = 1;
  s.showTracks = 0;
  s.trackInterval = 2.5;
  s.autoEraseTrack = 1;
  s.trackFrameGap = 3;
  s.trackLength = 7;
  s.tracksWhileReplaying = 0;
  s.colour = {0x1200, 0x3400, 0x5600};
  s.background = 1;
  s.smoothDrawing = 1;
  s.versionWord = 9;
  s.width = 640;
  s.height = 480;
  s.left = 12;
  s.top = 34;
  s.placement.showCommand = 3;
  s.placement.normal = MacRect(10, 20, 700, 560);
  world.SetShortProperty(MakeTag("sk p"), 4);
  world.SetShortProperty(MakeTag("st b"), 3);
  world.SetShortProperty(kTagScrollBars, 0);
  world.SetShortProperty(kTagInlineHelp, 0);
  world.SetShortProperty(kTagFrameIndicator, 1);
  world.SetShortProperty(kTagHelpLine, 1);
  world.SetShortProperty(kTagRulers, 1);
  world.SetShortProperty(kTagCoordinates, 1);
  world.SetShortProperty(kTagGridLines, 1);
  world.SetShortProperty(kTagOutputDisplay, 5);
  world.SetFlagProperty(MakeTag("svvP"), 1);
  world.SetAngleSnap(0);
  const std::vector<uint8_t> saved = Save(document, "first.yb");
  // The velocity handle preference: one short that is on.
  const std::vector<uint8_t> option = BlockOf(saved, kBlockWorldVectorOption);
  ASSERT_TRUE(option.size() == 2 || option.size() == 4);
  EXPECT_EQ(ShortAt(option, option.size(), 0), 1);

  TQVDoc reopened;
  reopened.ReadDocument((folder / "first.yb").string());
  const TWorldSettings& r = reopened.World().Settings();
  EXPECT_EQ(reopened.World().GetSkipFrames(), 4);
  EXPECT_EQ(r.autoScroll, 0);
  EXPECT_EQ(r.keepWithinView, 1);
  EXPECT_EQ(r.showTracks, 0);
  EXPECT_EQ(r.trackInterval, 2.5);
  EXPECT_EQ(r.autoEraseTrack, 1);
  EXPECT_EQ(r.trackFrameGap, 3);
  EXPECT_EQ(reopened.World().GetTrackingWord(), 3);
  EXPECT_EQ(reopened.World().GetAutoEraseTrack(), 1);
  EXPECT_EQ(reopened.World().GetTrackFrameGap(), 3);
  EXPECT_EQ(r.trackLength, 7);
  EXPECT_EQ(r.tracksWhileRunning, 1);
  EXPECT_EQ(r.tracksWhileReplaying, 0);
  EXPECT_EQ(r.colour, s.colour);
  EXPECT_EQ(r.background, 1);
  EXPECT_EQ(r.backgroundPicture, 0);
  EXPECT_EQ(r.smoothDrawing, 1);
  EXPECT_EQ(r.versionWord, 9);
  EXPECT_EQ(r.width, 640);
  EXPECT_EQ(r.height, 480);
  EXPECT_EQ(r.left, 12);
  EXPECT_EQ(r.top, 34);
  EXPECT_EQ(r.placement, s.placement);
  EXPECT_EQ(reopened.World().GetOption(1), 1);
  EXPECT_EQ(reopened.World().GetAngleSnap(), 0) << "Snap Turns came back on";
  uint16_t value = 99;
  for (const auto& [tag, expected] : {std::pair{kTagScrollBars, 0}, {kTagInlineHelp, 0},
                                      {kTagFrameIndicator, 1}, {kTagHelpLine, 1},
                                      {kTagRulers, 1}, {kTagCoordinates, 1}, {kTagGridLines, 1},
                                      {kTagOutputDisplay, 5}, {kTagTrackThreads, 1}}) {
    ASSERT_EQ(reopened.World().GetShortProperty(tag, value, nullptr), 1);
    EXPECT_EQ(value, expected) << std::hex << tag;
  }
  EXPECT_EQ(Save(reopened, "again.yb"), saved);
}

TEST_F(WorldSettingsTest, WindowBlockPacksTheFurnitureAndTheColourIsComplemented) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.Settings().width = 300;
  world.Settings().height = 200;
  world.Settings().left = 5;
  world.Settings().top = 6;
  world.Settings().colour = {0xFFFF, 0x0000, 0x00FF};
  world.SetShortProperty(kTagInlineHelp, 0);
  world.SetShortProperty(kTagFrameIndicator, 1);
  world.SetShortProperty(kTagHelpLine, 0);
  world.SetShortProperty(kTagGridLines, 1);
  world.SetShortProperty(kTagCoordinates, 1);
  world.SetShortProperty(kTagOutputDisplay, 0x1234);
  const std::vector<uint8_t> bytes = Save(document, "window.yb");
  // Without the velocity handle preference its block is left out, and so is the block of Snap
  // Turns while it is on: a document without it snaps.
  EXPECT_TRUE(BlockOf(bytes, kBlockWorldVectorOption).empty());
  EXPECT_TRUE(BlockOf(bytes, kBlockWorldAngleSnap).empty());

  const std::vector<uint8_t> version = BlockOf(bytes, kBlockWorldVersion);
  ASSERT_TRUE(version.size() == 2 || version.size() == 4);
  const size_t width = version.size();
  const std::vector<uint8_t> window = BlockOf(bytes, kBlockWorldWindow);
  ASSERT_EQ(window.size(), 8 + 5 * width);
  // Size and corner as points, vertical first.
  EXPECT_EQ(LoadBig32(&window[0]), (200u << 16) | 300u);
  EXPECT_EQ(LoadBig32(&window[4]), (6u << 16) | 5u);
  const std::vector<uint8_t> rest(window.begin() + 8, window.end());
  EXPECT_EQ(ShortAt(rest, width, 0), 1);
  EXPECT_EQ(ShortAt(rest, width, 1), 1);
  EXPECT_EQ(ShortAt(rest, width, 2), 0b11);     // inline help off, indicator shown
  EXPECT_EQ(ShortAt(rest, width, 3), 0b1101);   // help line off, grid, no rulers, coordinates
  EXPECT_EQ(ShortAt(rest, width, 4), 0x34);

  const std::vector<uint8_t> run = BlockOf(bytes, kBlockWorldRunSettings);
  ASSERT_EQ(run.size(), 10 * width + 8 + 6 + width);
  const uint8_t* colour = &run[10 * width + 8];
  // The channels complemented: red 0, blue 0xFFFF and green 0xFF00, in the writer's order.
  const std::vector<uint8_t> channels(colour, colour + 6);
  EXPECT_EQ(std::count(channels.begin(), channels.end(), 0xFF), 3);
  EXPECT_EQ(std::count(channels.begin(), channels.end(), 0x00), 3);

  const std::vector<uint8_t> placement = BlockOf(bytes, kBlockWorldPlacement);
  ASSERT_EQ(placement.size(), 3 * width + 16);
  EXPECT_EQ(ShortAt(placement, width, 0), 44);
  EXPECT_TRUE(std::all_of(placement.begin() + static_cast<std::ptrdiff_t>(width),
                          placement.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(WorldSettingsTest, SaveVersionFlagWritesThreeAndPropertiesReadAsViewsExpect) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.Settings().versionWord = 7;
  SetSaveVersionFlag(true);
  std::vector<uint8_t> bytes = Save(document, "old.yb");
  std::vector<uint8_t> version = BlockOf(bytes, kBlockWorldVersion);
  EXPECT_EQ(ShortAt(version, version.size(), 0), 3);
  SetSaveVersionFlag(false);
  bytes = Save(document, "new.yb");
  version = BlockOf(bytes, kBlockWorldVersion);
  EXPECT_EQ(ShortAt(version, version.size(), 0), 7);

  uint16_t value = 0;
  world.SetShortProperty(kTagOutputDisplay, 1);
  world.GetShortProperty(kTagOutputDisplay, value, nullptr);
  EXPECT_EQ(value, 0);
  world.Settings().tracksWhileRunning = 1;
  world.Settings().tracksWhileReplaying = 1;
  world.GetShortProperty(kTagTrackThreads, value, nullptr);
  EXPECT_EQ(value, 0);
  world.Settings().tracksWhileRunning = 0;
  world.GetShortProperty(kTagTrackThreads, value, nullptr);
  EXPECT_EQ(value, 1);
}

TEST_F(WorldSettingsTest, PlacementOfAnotherLengthLeavesTheWindowItsOwn) {
  TQVDoc document;
  document.World().Settings().placement.showCommand = 1;
  document.World().Settings().placement.normal = MacRect(1, 2, 3, 4);
  std::vector<uint8_t> bytes = Save(document, "placed.yb");
  const uint8_t pattern[4] = {0, 0, kBlockWorldPlacement >> 8, kBlockWorldPlacement & 0xFF};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  ASSERT_NE(at, bytes.end());
  const size_t length = LoadBig32(&*(at + 4));
  const size_t width = (length - 16) / 3;
  // The record's length short says 40.
  *(at + 8 + static_cast<std::ptrdiff_t>(width) - 1) = 40;
  const std::filesystem::path path = folder / "damaged.yb";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  TQVDoc reopened;
  reopened.ReadDocument(path.string());
  EXPECT_EQ(reopened.World().Settings().placement, TWindowRecord{});
}

TEST_F(WorldSettingsTest, TrackSettingsStartOffAndAStoredGapOfZeroMeansTheDefault) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  EXPECT_EQ(world.GetAutoEraseTrack(), 0);
  EXPECT_EQ(world.Settings().trackFrameGap, 0);
  EXPECT_EQ(world.GetTrackFrameGap(), TWorldDoc::kDefaultTrackFrameGap);
  world.SetAutoEraseTrack(7);
  EXPECT_EQ(world.GetAutoEraseTrack(), 1);
  world.Settings().trackFrameGap = 1;
  EXPECT_EQ(world.GetTrackFrameGap(), 1);
}

}  // namespace
}  // namespace world_test
