#include "tests/simulation/fuzz/HistoryFuzzEntry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "core/Failure.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "simulation/HistoryStore.h"

namespace {

// Collects what the world shows while reading instead of putting up alerts.
class TShownErrors : public TWorldHost {
 public:
  void ShowError(int16_t error, int32_t) override { shown.push_back(error); }
  std::vector<int16_t> shown;
};

// A world as a document makes it for reading: its identifier and an empty store.
std::unique_ptr<TWorldDoc> MakeWorld(TWorldHost& host) {
  auto world = std::make_unique<TWorldDoc>();
  world->SetIdentifier(kWorldIdentifier);
  world->SetHost(&host);
  world->SetStore(RunBridgeHooks().makeStore());
  return world;
}

// Writes its history in primitives instead of one stored block.
class TPrimitiveHistoryWorld : public TWorldDoc {
 public:
  void WriteFields(TObjectWriter& writer) override {
    TWorldBase::WriteFields(writer);
    writer.WriteBlock(*this, kBlockHistoryPrimitives);
    writer.WriteBlock(*this, kBlockHistoryCursors);
  }
};

std::vector<uint8_t> TakeBytes(TObjectWriter& writer) {
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

std::vector<uint8_t> WriteWorld(TWorldDoc& world) {
  auto writer = WriteObjectsDefault(nullptr, 1, &world, 2, nullptr);
  return TakeBytes(*writer);
}

// Counts a broken promise and says which.
void Break(HistoryFuzzReach& reach, const char* why) {
  std::fprintf(stderr, "broken: %s\n", why);
  ++reach.broken;
}

bool Refusal(int16_t error) {
  return error == kErrTextFormat || error == kErrBadFormat;
}

// The bytes as a stored block: taken whole and given back the same, or refused with the store
// left as it was.
void LoadRaw(std::span<const uint8_t> bytes, HistoryFuzzReach& reach) {
  THistoryStore store;
  store.SetValuesPerFrame(2);
  for (int32_t f = 0; f < 3; ++f) {
    store.SetFrameCount(f + 1);
    store.SetValue(f, 0, f * 100.0);
    store.SetValue(f, 1, f * 100.0 + 1);
  }
  const std::vector<uint8_t> before = store.RawBlock();
  int16_t result = 0;
  try {
    result = store.LoadRawBlock(bytes);
  } catch (const QVException& failure) {
    // The inputs are small: memory running out would be a size taken from them unchecked.
    result = failure.error();
    Break(reach, "a stored block raised a failure");
  }
  if (result != 0) {
    if (!Refusal(result)) Break(reach, "a stored block was refused with an unknown failure");
    if (store.RawBlock() != before) Break(reach, "a refused block changed the store");
    return;
  }
  reach.rawLoaded = true;
  // Every held value reads; the store gives back a block that loads to itself. A block can claim
  // far more frames than it holds (a billion frames of no values fit in its header), so the
  // frames read are bounded by the input: no more than its bytes could hold, and one past them.
  const int64_t first = store.GetFirstFrame();
  const int64_t end = std::min<int64_t>(store.GetFrameCount(),
                                        first + static_cast<int64_t>(bytes.size() / 8) + 1);
  for (int64_t f = first; f < end; ++f)
    for (int32_t v = 0; v < store.GetValuesPerFrame() && v < 64; ++v)
      static_cast<void>(store.GetValue(static_cast<int32_t>(f), v));
  const std::vector<uint8_t> again = store.RawBlock();
  THistoryStore copy;
  if (copy.LoadRawBlock(again) != 0 || copy.RawBlock() != again)
    Break(reach, "a loaded store's block does not load to itself");
}

// The bytes as a document read into a world: read, or refused as damaged; a history taken is
// written and read back the same.
void ReadWorld(std::span<const uint8_t> bytes, HistoryFuzzReach& reach) {
  TShownErrors host;
  auto world = MakeWorld(host);
  try {
    auto reader = ReadObjects(bytes, 2, 1, world.get(), nullptr, nullptr, nullptr);
    reader->Complete(0);
    reader->TakeObjects();
    reach.documentRead = true;
  } catch (const QVException& failure) {
    if (failure.error() != kErrBadFormat) {
      std::fprintf(stderr, "failure %d\n", failure.error());
      Break(reach, "the document failed with an unknown failure");
    }
  }
  for (int16_t error : host.shown)
    if (!Refusal(error)) Break(reach, "the world showed an unknown failure");
  const TFrameStore& store = *world->GetStore();
  reach.historyRead = world->GetHistoryRead() != 0;
  reach.frames = store.FrameCount();
  reach.cursors = static_cast<int>(store.Cursors().size());
  if (!reach.historyRead || !reach.documentRead) return;
  const std::vector<uint8_t> written = WriteWorld(*world);
  TShownErrors otherHost;
  auto reread = MakeWorld(otherHost);
  try {
    ReadObjects(written, 2, 1, reread.get(), nullptr, nullptr, nullptr)->Complete(0);
  } catch (const QVException&) {
    Break(reach, "the world's history saved does not read back");
    return;
  }
  // A history without frames holds nothing to keep, and is not saved.
  const bool kept = store.FrameCount() == 0 || reread->GetStore()->RawBlock() == store.RawBlock();
  if (!otherHost.shown.empty() || !kept) Break(reach, "the world's history saved reads back otherwise");
}

}  // namespace

HistoryFuzzReach HistoryFuzzRead(const uint8_t* data, size_t size) {
  HistoryFuzzReach reach;
  const std::span<const uint8_t> bytes(data, size);
  LoadRaw(bytes, reach);
  ReadWorld(bytes, reach);
  return reach;
}

std::vector<uint8_t> HistoryDocument(int32_t frames, int32_t cursors, bool primitives) {
  TShownErrors host;
  std::unique_ptr<TWorldDoc> world =
      primitives ? std::make_unique<TPrimitiveHistoryWorld>() : std::make_unique<TWorldDoc>();
  world->SetIdentifier(kWorldIdentifier);
  world->SetHost(&host);
  world->SetStore(RunBridgeHooks().makeStore());
  TFrameStore& store = *world->GetStore();
  store.SetValuesPerFrame(2);
  store.SetFrameCount(frames);
  // Values go in through the block, as the solver writes them.
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t v = 0; v < 2; ++v) {
      const double value = f * 100.0 + v;
      std::memcpy(HandleData(store.Block()) + kHistoryHeaderBytes + (2 * f + v) * 8, &value, 8);
    }
  for (int16_t c = 0; c < cursors; ++c)
    store.AddCursor({c, static_cast<int16_t>(c + 1)});
  return WriteWorld(*world);
}

#ifdef YB_HISTORY_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const HistoryFuzzSetup setup;
  if (HistoryFuzzRead(data, size).broken != 0) __builtin_trap();
  return 0;
}
#endif
