// The recorded frames of a run travel with the document: a world run, saved and opened again
// holds the same frames value for value and shows them, and a document whose history is damaged
// opens with its objects, tells what was wrong and keeps the store it had.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "model/filing/DocumentFormat.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

using world_run::TWeightField;

constexpr int16_t kFallingId = 2;
constexpr int16_t kFrames = 12;

class TRecordingHost : public TWorldHost {
 public:
  void ShowError(int16_t error, int32_t) override { shown.push_back(error); }
  std::vector<int16_t> shown;
};

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Where a block of the code begins in a document (its 4-byte code, then its length), or npos.
size_t FindBlock(const std::vector<uint8_t>& bytes, int16_t code) {
  const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  return at == bytes.end() ? std::string::npos : static_cast<size_t>(at - bytes.begin());
}

class HistoryDocumentTest : public world_run::WorldRunTest {
 protected:
  HistoryDocumentTest()
      : WorldRunTest("history-document-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                                   {kBlockBackground, TZeroMass::kTag},
                                                   {kBlockGroup, TGroup::kTag},
                                                   {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }

  // A box falling under its weight, run to kFrames and saved with its history; the saved bytes.
  std::vector<uint8_t> SaveRunWorld(const std::function<void(TWorldDoc&)>& beforeSave = {}) {
    const auto document = SaveAndReopen([](TWorldDoc& world) {
      Add<TEngine>(world, 1);
      Add<TZeroMass>(world, 0);
      TRectangle& box = Add<TRectangle>(world, kFallingId);
      box.SetNumberProperty(kTagWidth, 1.0);
      box.SetNumberProperty(kTagHeight, 1.0);
      box.SetFormulaProperty(kTagPosY, TFormula(5.0));
      TGroup& group = Add<TGroup>(world, 7);
      group.SetMode(1, 1);
      group.Include(&box);
      Add<TWeightField>(world, 8).groupId = 7;
    });
    TWorldDoc& world = document->World();
    world.RunToFrame(kFrames, nullptr);
    EXPECT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
    step = world.GetEngine()->TimeStep();
    raw = world.GetStore()->RawBlock();
    if (beforeSave) beforeSave(world);
    document->WriteDocument(path.string());
    return FileBytes(path);
  }

  std::unique_ptr<TQVDoc> Open(TRecordingHost& host) const {
    auto document = std::make_unique<TQVDoc>();
    document->World().SetHost(&host);
    document->ReadDocument(path.string());
    return document;
  }

  double step = 0.0;
  std::vector<uint8_t> raw;
};

TEST_F(HistoryDocumentTest, ARunWorldReopensWithItsFramesAndShowsThem) {
  const std::vector<uint8_t> saved = SaveRunWorld([](TWorldDoc& world) {
    world.GetStore()->AddCursor({3, kFallingId});
  });
  TRecordingHost host;
  const auto document = Open(host);
  TWorldDoc& world = document->World();
  EXPECT_TRUE(host.shown.empty());
  TFrameStore* store = world.GetStore();
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->FrameCount(), kFrames + 1);
  EXPECT_EQ(store->RawBlock(), raw);
  ASSERT_EQ(store->Cursors().size(), 1u);
  EXPECT_EQ(store->Cursors()[0].index, 3);
  EXPECT_EQ(store->Cursors()[0].objectId, kFallingId);
  EXPECT_EQ(world.GetHistoryRead(), 1);

  // Saved again, the document is what it was, byte for byte.
  document->WriteDocument(path.string());
  EXPECT_EQ(FileBytes(path), saved);

  // The recorded frames show without the solver: the box where its fall put it.
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(kFallingId));
  ASSERT_NE(box, nullptr);
  for (int16_t frame : {int16_t{0}, int16_t{5}, kFrames}) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    EXPECT_NEAR(box->PositionY()->GetValue(), 5.0 - 0.5 * 9.81 * t * t, 1e-9) << frame;
  }
}

TEST_F(HistoryDocumentTest, TheLastOfSeveralHistoriesIsCurrentAndTheEarlierOnesAreKept) {
  std::vector<uint8_t> bytes = SaveRunWorld();
  const size_t at = FindBlock(bytes, kBlockHistoryRaw);
  ASSERT_NE(at, std::string::npos);
  const uint32_t length = LoadBig32(&bytes[at + 4]);
  // A second history, told apart by its own field (the trailer's bytes 8 to 11).
  std::vector<uint8_t> second(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
  StoreBig32(&second[second.size() - 24 + 8], 9);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at + 8 + length), second.begin(),
               second.end());
  WriteBytes(path, bytes);

  TRecordingHost host;
  const auto document = Open(host);
  TWorldDoc& world = document->World();
  EXPECT_TRUE(host.shown.empty());
  const std::vector<uint8_t> current = world.GetStore()->RawBlock();
  EXPECT_EQ(LoadBig32(&current[current.size() - 24 + 8]), 9u);
  ASSERT_EQ(world.EarlierStores().size(), 1u);
  EXPECT_EQ(world.EarlierStores()[0]->RawBlock(), raw);
  EXPECT_EQ(world.GetSeveralRuns(), 1);

  // Saved again with the runs' meters and the flag cleared, both runs come back in their order,
  // each with its own meters, and the document is what it was, byte for byte.
  world.EarlierStores()[0]->SetRecordedMeters({{3, 31}, {2, 31}});
  world.GetStore()->SetRecordedMeters({{1, 32}});
  world.SetSeveralRuns(0);
  document->WriteDocument(path.string());
  const std::vector<uint8_t> twice = FileBytes(path);
  const auto again = Open(host);
  TWorldDoc& reread = again->World();
  EXPECT_TRUE(host.shown.empty());
  EXPECT_EQ(reread.GetSeveralRuns(), 0);
  ASSERT_EQ(reread.EarlierStores().size(), 1u);
  EXPECT_EQ(reread.EarlierStores()[0]->RawBlock(), raw);
  EXPECT_EQ(reread.GetStore()->RawBlock(), current);
  const std::vector<TFrameColumn> earlierMeters = reread.EarlierStores()[0]->RecordedMeters();
  ASSERT_EQ(earlierMeters.size(), 2u);
  EXPECT_EQ(earlierMeters[1].valueCount, 2);
  EXPECT_EQ(earlierMeters[1].objectId, 31);
  ASSERT_EQ(reread.GetStore()->RecordedMeters().size(), 1u);
  EXPECT_EQ(reread.GetStore()->RecordedMeters()[0].objectId, 32);
  again->WriteDocument(path.string());
  EXPECT_EQ(FileBytes(path), twice);
}

TEST_F(HistoryDocumentTest, DamagedHistoriesAreShownAndSkippedAndTheWorldStillOpens) {
  const std::vector<uint8_t> saved = SaveRunWorld();
  const size_t at = FindBlock(saved, kBlockHistoryRaw);
  ASSERT_NE(at, std::string::npos);
  const size_t end = at + 8 + LoadBig32(&saved[at + 4]);
  const auto trailerWord = [end](int byte) { return end - 24 + static_cast<size_t>(byte); };
  struct Damage {
    const char* what;
    int16_t shown;
    std::function<void(std::vector<uint8_t>&)> apply;
  };
  const std::vector<Damage> damages = {
      {"an unknown float size code", -25001,
       [&](std::vector<uint8_t>& b) { StoreBig32(&b[trailerWord(20)], 48); }},
      {"one frame more than the bytes hold", -25002,
       [&](std::vector<uint8_t>& b) { StoreBig32(&b[trailerWord(16)], kFrames + 2); }},
      // 1073764994 frames of 2147437309 values: in 64 bits their bytes wrap to a small number.
      {"counts whose product wraps", -25002,
       [&](std::vector<uint8_t>& b) {
         StoreBig32(&b[trailerWord(16)], 1073764994);
         StoreBig32(&b[trailerWord(12)], 2147437309);
       }},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = saved;
    damage.apply(bytes);
    WriteBytes(path, bytes);
    TRecordingHost host;
    const auto document = Open(host);
    TWorldDoc& world = document->World();
    EXPECT_EQ(host.shown, std::vector<int16_t>{damage.shown}) << damage.what;
    EXPECT_NE(world.FindObject(kFallingId), nullptr) << damage.what;
    ASSERT_NE(world.GetStore(), nullptr);
    EXPECT_EQ(world.GetStore()->FrameCount(), 0) << damage.what;
    EXPECT_EQ(world.GetHistoryRead(), 0) << damage.what;
  }
}

TEST_F(HistoryDocumentTest, CursorCountsBeyondTheirBlockAreRefused) {
  std::vector<uint8_t> bytes = SaveRunWorld(
      [](TWorldDoc& world) { world.GetStore()->AddCursor({1, kFallingId}); });
  const size_t at = FindBlock(bytes, kBlockHistoryCursors);
  ASSERT_NE(at, std::string::npos);
  StoreBig32(&bytes[at + 8], 0x7FFFFFFF);
  WriteBytes(path, bytes);
  TRecordingHost host;
  const auto document = Open(host);
  EXPECT_EQ(host.shown, std::vector<int16_t>{-25002});
  EXPECT_TRUE(document->World().GetStore()->Cursors().empty());
  EXPECT_EQ(document->World().GetStore()->FrameCount(), kFrames + 1);
}

}  // namespace
