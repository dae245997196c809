// Metafile playback under arbitrary bits. Built as a libFuzzer program with clang
// (MetafileFuzzer.cmake) and replayed over the committed seeds by platform_win32_tests. Any
// broken promise traps.

#include "tests/platform/win32/fuzz/MetafileFuzzEntry.h"

#include <cstring>
#include <vector>

#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr int32_t kWidth = 48;
constexpr int32_t kHeight = 40;

// Objects deleted while a playback runs: the ones it made. A deletion listener is a plain
// function, so the count lives here.
int deletions = 0;
void CountDeletion(HGDIOBJ) {
  ++deletions;
}

std::vector<uint8_t> BitsOf(HMETAFILE metafile) {
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  return bits;
}

// The record functions of well-formed bits, and how many records they hold.
size_t ListRecords(const std::vector<uint8_t>& bits, std::set<uint16_t>& functions) {
  size_t records = 0;
  for (size_t at = 18; at + 6 <= bits.size();) {
    const uint32_t words = bits[at] | (bits[at + 1] << 8) | (bits[at + 2] << 16) |
                           (static_cast<uint32_t>(bits[at + 3]) << 24);
    const auto function = static_cast<uint16_t>(bits[at + 4] | (bits[at + 5] << 8));
    if (function == META_EOF) break;
    functions.insert(function);
    ++records;
    at += size_t{words} * 2;
  }
  return records;
}

// Work a playback may do on the canvas: a few scan conversions, masks and line runs per record,
// each bounded by the canvas, and source pixels bounded by the bitmaps the records carry.
bool WorkFollowsTheCanvas(const DrawWork& work, size_t records, size_t size) {
  const auto n = static_cast<int64_t>(records);
  const auto bytes = static_cast<int64_t>(size);
  return work.rows <= 4 * n * kHeight && work.lineSteps <= (bytes / 4 + n) * (kWidth + kHeight) &&
         work.maskPixels <= 2 * n * (kWidth + 4) * (kHeight + 4) &&
         work.sourcePixels <= 8 * bytes && work.largestRegion <= size_t{4} * kWidth * kHeight;
}

}  // namespace

MetafileFuzzReach MetafileFuzzPlay(const uint8_t* data, size_t size) {
  MetafileFuzzReach reach;
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(size), data);
  if (!metafile) return reach;
  reach.accepted = true;
  const std::vector<uint8_t> bits = BitsOf(metafile);
  if (bits.size() > size || std::memcmp(bits.data(), data, bits.size()) != 0) reach.broken = 1;
  const size_t records = ListRecords(bits, reach.functions);

  AddGdiDeleteListener(CountDeletion);
  {
    MemoryCanvas canvas(kWidth, kHeight);
    const size_t objects = CountGdiObjects();
    deletions = 0;
    reach.playedToEnd = PlayMetaFile(canvas.dc(), metafile) != FALSE;
    reach.objectsMade = deletions;
    const bool restored = GetCurrentObject(canvas.dc(), OBJ_PEN) == GetStockObject(BLACK_PEN) &&
                          GetROP2(canvas.dc()) == R2_COPYPEN && GetMapMode(canvas.dc()) == MM_TEXT;
    if (!restored) reach.broken = 2;
    if (CountGdiObjects() != objects) reach.broken = 3;
    if (!WorkFollowsTheCanvas(LookupDC(canvas.dc())->work, records, size)) reach.broken = 4;
  }
  // Played into a metafile context, the bits are recorded again as a well-formed metafile.
  HDC recorder = CreateMetaFile(nullptr);
  PlayMetaFile(recorder, metafile);
  HMETAFILE again = CloseMetaFile(recorder);
  const std::vector<uint8_t> recorded = BitsOf(again);
  HMETAFILE reread = SetMetaFileBitsEx(static_cast<UINT>(recorded.size()), recorded.data());
  if (!again || !reread) reach.broken = 5;
  DeleteMetaFile(reread);
  DeleteMetaFile(again);
  DeleteMetaFile(metafile);
  return reach;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (MetafileFuzzPlay(data, size).broken != 0) __builtin_trap();
  return 0;
}
