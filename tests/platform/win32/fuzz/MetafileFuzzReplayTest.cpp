// Replays the committed metafile seeds, and mutations of them, through the fuzz entry, so that
// playback keeps its promises under the sanitizers in every test run; checks that the seeds
// reach every kind of record the player knows, and that they are what the metafile context
// writes today.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/Gdi.h"
#include "tests/platform/win32/fuzz/MetafileFuzzEntry.h"
#include "tests/support/MemoryCanvas.h"

namespace {

std::filesystem::path SeedFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : ".") / "tests/platform/win32/fuzz/seeds";
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::vector<uint8_t>> CommittedSeeds() {
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(SeedFolder()))
    seeds[entry.path().filename().string()] = ReadWhole(entry.path());
  return seeds;
}

MetafileFuzzReach Play(const std::vector<uint8_t>& bits) {
  return MetafileFuzzPlay(bits.data(), bits.size());
}

TEST(MetafileFuzzReplay, SeedsPlayEveryKindOfRecordAndMakeObjects) {
  const auto seeds = CommittedSeeds();
  ASSERT_GE(seeds.size(), 5u);
  std::set<uint16_t> played;
  for (const auto& [name, seed] : seeds) {
    const MetafileFuzzReach reach = Play(seed);
    EXPECT_TRUE(reach.accepted) << name;
    EXPECT_TRUE(reach.playedToEnd) << name;
    EXPECT_GE(reach.objectsMade, 1) << name;
    EXPECT_EQ(reach.broken, 0) << name;
    played.insert(reach.functions.begin(), reach.functions.end());
  }
  for (const uint16_t function : {META_SAVEDC,
                                  META_REALIZEPALETTE,
                                  META_SETBKMODE,
                                  META_SETMAPMODE,
                                  META_SETROP2,
                                  META_SETPOLYFILLMODE,
                                  META_SETSTRETCHBLTMODE,
                                  META_RESTOREDC,
                                  META_SELECTOBJECT,
                                  META_SETTEXTALIGN,
                                  META_DIBCREATEPATTERNBRUSH,
                                  META_DELETEOBJECT,
                                  META_SETBKCOLOR,
                                  META_SETTEXTCOLOR,
                                  META_SETWINDOWORG,
                                  META_SETWINDOWEXT,
                                  META_SETVIEWPORTORG,
                                  META_SETVIEWPORTEXT,
                                  META_LINETO,
                                  META_MOVETO,
                                  META_SELECTPALETTE,
                                  META_CREATEPALETTE,
                                  META_CREATEPENINDIRECT,
                                  META_CREATEFONTINDIRECT,
                                  META_CREATEBRUSHINDIRECT,
                                  META_POLYGON,
                                  META_POLYLINE,
                                  META_EXCLUDECLIPRECT,
                                  META_INTERSECTCLIPRECT,
                                  META_ELLIPSE,
                                  META_RECTANGLE,
                                  META_SETPIXEL,
                                  META_TEXTOUT,
                                  META_ROUNDRECT,
                                  META_PATBLT,
                                  META_ARC,
                                  META_PIE,
                                  META_CHORD,
                                  META_EXTTEXTOUT,
                                  META_DIBSTRETCHBLT}) {
    EXPECT_TRUE(played.contains(function)) << "no seed plays record 0x" << std::hex << function;
  }
}

TEST(MetafileFuzzReplay, SeedsCutShortOrChangedKeepEveryPromise) {
  uint32_t random = 2024;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  int accepted = 0;
  int objects = 0;
  for (const auto& [name, seed] : CommittedSeeds()) {
    SCOPED_TRACE(name);
    for (size_t length = 0; length < seed.size(); length += 1 + length / 8)
      EXPECT_EQ(MetafileFuzzPlay(seed.data(), length).broken, 0) << length;
    for (int round = 0; round < 150; ++round) {
      std::vector<uint8_t> changed = seed;
      const size_t at = 18 + next() % (changed.size() - 18);
      const uint8_t values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, static_cast<uint8_t>(next())};
      changed[at] = values[next() % 6];
      if (round % 3 == 0 && at + 1 < changed.size()) changed[at + 1] = round % 2 ? 0x7F : 0x80;
      const MetafileFuzzReach reach = Play(changed);
      EXPECT_EQ(reach.broken, 0) << "byte " << at;
      accepted += reach.accepted;
      objects += reach.objectsMade;
    }
  }
  // Most single changes leave a metafile that still makes objects.
  EXPECT_GT(accepted, 200);
  EXPECT_GT(objects, 200);
}

// A metafile that restores more states than it saved cannot undo its player's own save, so the
// context is put back as it was.
TEST(MetafileFuzzReplay, RestoringStatesItNeverSavedLeavesTheCallersState) {
  HDC recorder = CreateMetaFile(nullptr);
  SaveDC(recorder);
  RestoreDC(recorder, -1);
  HMETAFILE one = CloseMetaFile(recorder);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(one, 0, nullptr));
  GetMetaFileBitsEx(one, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(one);
  // Drop the save record, so the restore is unmatched, and let a state change follow it.
  std::vector<uint8_t> body(bits.begin() + 18, bits.end() - 6);
  body.erase(body.begin(), body.begin() + 6);
  const uint8_t setRop[] = {4, 0, 0, 0, 0x04, 0x01, R2_XORPEN, 0};
  body.insert(body.end(), std::begin(setRop), std::end(setRop));
  std::vector<uint8_t> hand(bits.begin(), bits.begin() + 18);
  hand.insert(hand.end(), body.begin(), body.end());
  hand.insert(hand.end(), bits.end() - 6, bits.end());
  const auto words = static_cast<uint32_t>(hand.size() / 2);
  std::memcpy(hand.data() + 6, &words, 4);
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(hand.size()), hand.data());
  ASSERT_NE(metafile, nullptr);
  MemoryCanvas canvas(4, 4);
  const int32_t level = SaveDC(canvas.dc());
  EXPECT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  EXPECT_EQ(GetROP2(canvas.dc()), R2_COPYPEN);
  EXPECT_TRUE(RestoreDC(canvas.dc(), level));  // the caller's saved state is still there
  DeleteMetaFile(metafile);
  EXPECT_EQ(Play(hand).broken, 0);
}

// The seeds as the metafile context records them today, by file name.
std::map<std::string, std::function<void(HDC)>> SeedScenes(HDC source) {
  std::map<std::string, std::function<void(HDC)>> scenes;
  scenes["shapes.wmf"] = [](HDC dc) {
    HPEN pens[] = {CreatePen(PS_SOLID, 1, RGB(200, 0, 0)), CreatePen(PS_DASH, 1, RGB(0, 90, 0)),
                   CreatePen(PS_DOT, 1, RGB(0, 0, 160)), CreatePen(PS_SOLID, 3, RGB(90, 0, 90))};
    const uint8_t checker[] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0,
                               0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, checker);
    uint32_t colours[64];
    for (uint32_t i = 0; i < 64; ++i)
      colours[i] = i * 0x030507;
    HBITMAP colour = CreateBitmap(8, 8, 1, 32, colours);
    HBRUSH brushes[] = {CreateSolidBrush(RGB(250, 200, 0)),
                        CreateHatchBrush(HS_CROSS, RGB(0, 0, 0)), CreatePatternBrush(mono),
                        CreatePatternBrush(colour)};
    SelectObject(dc, pens[0]);
    SelectObject(dc, brushes[0]);
    Rectangle(dc, 2, 2, 20, 14);
    SelectObject(dc, brushes[1]);
    SetBkMode(dc, TRANSPARENT);
    RoundRect(dc, 18, 3, 44, 20, 9, 7);
    SelectObject(dc, brushes[2]);
    SetTextColor(dc, RGB(120, 0, 0));
    SetBkColor(dc, RGB(240, 240, 200));
    SetBkMode(dc, OPAQUE);
    Ellipse(dc, -10, 10, 30, 45);
    SelectObject(dc, pens[1]);
    SelectObject(dc, brushes[3]);
    Pie(dc, 20, 15, 46, 39, 46, 27, 33, 15);
    SelectObject(dc, pens[2]);
    Chord(dc, 0, 20, 24, 40, 0, 30, 24, 30);
    Arc(dc, 5, 5, 40, 35, 40, 20, 5, 20);
    SelectObject(dc, pens[3]);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetPolyFillMode(dc, WINDING);
    const POINT star[] = {{24, 1}, {36, 38}, {4, 14}, {44, 14}, {11, 38}};
    Polygon(dc, star, 5);
    SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, brushes[0]);
    SetROP2(dc, R2_XORPEN);
    Polygon(dc, star, 5);
    SetROP2(dc, R2_COPYPEN);
    SelectObject(dc, pens[1]);
    const POINT zig[] = {{0, 39}, {10, 30}, {20, 39}, {30, 30}, {47, 39}};
    Polyline(dc, zig, 5);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 47, 39);
    SetPixel(dc, 1, 38, RGB(1, 2, 3));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    for (HPEN pen : pens)
      DeleteObject(pen);
    for (HBRUSH brush : brushes)
      DeleteObject(brush);
    DeleteObject(mono);
    DeleteObject(colour);
  };
  scenes["mapping.wmf"] = [](HDC dc) {
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, -3, 2, nullptr);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportOrgEx(dc, 24, 20, nullptr);
    SetViewportExtEx(dc, 30000, 30000, nullptr);
    Ellipse(dc, -40, -40, 40, 40);  // far larger than any surface it is played on
    RestoreDC(dc, -1);
    SaveDC(dc);
    IntersectClipRect(dc, 4, 4, 40, 36);
    ExcludeClipRect(dc, 10, 10, 20, 20);
    const POINT triangle[] = {{-4000, 30}, {24, -4000}, {4000, 30}};
    Polygon(dc, triangle, 3);
    RestoreDC(dc, -1);
  };
  scenes["text.wmf"] = [](HDC dc) {
    LOGFONT log;
    log.lfHeight = -11;
    std::strcpy(log.lfFaceName, "Sans Serif");
    HFONT font = CreateFontIndirect(&log);
    SelectObject(dc, font);
    SetTextColor(dc, RGB(0, 0, 128));
    TextOut(dc, 2, 2, "Fuzz", 4);
    SetTextAlign(dc, TA_BASELINE | TA_CENTER);
    const RECT box{4, 20, 44, 36};
    const int32_t dx[] = {7, 7, 7, 7, 7};
    ExtTextOut(dc, 24, 32, ETO_OPAQUE | ETO_CLIPPED, &box, "Plays", 5, dx);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
  };
  scenes["blits.wmf"] = [source](HDC dc) {
    SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
    PatBlt(dc, 0, 0, 48, 20, PATCOPY);
    PatBlt(dc, 10, 5, 20, 30, DSTINVERT);
    SetStretchBltMode(dc, 3);
    BitBlt(dc, 2, 22, 8, 6, source, 0, 0, SRCCOPY);
    StretchBlt(dc, 40, 22, -24, 16, source, 1, 1, 6, 4, SRCINVERT);
    LOGPALETTE log{0x300, 1, {{10, 20, 30, 0}}};
    HPALETTE palette = CreatePalette(&log);
    SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    DeleteObject(palette);
  };
  scenes["objects.wmf"] = [](HDC dc) {
    // Pens made and deleted in a mixed order, so later ones take freed slots.
    std::vector<HPEN> alive;
    for (int i = 0; i < 40; ++i) {
      HPEN pen = CreatePen(PS_SOLID, 1 + i % 3, RGB(6 * i, 255 - 6 * i, 3 * i));
      SelectObject(dc, pen);
      MoveToEx(dc, i, 0, nullptr);
      LineTo(dc, 47 - i, 39);
      alive.push_back(pen);
      if (i % 3 == 2) {
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(alive[alive.size() - 2]);
        alive.erase(alive.end() - 2);
      }
    }
    SelectObject(dc, GetStockObject(BLACK_PEN));
    for (HPEN pen : alive)
      DeleteObject(pen);
  };
  return scenes;
}

std::map<std::string, std::vector<uint8_t>> WriteSeeds() {
  MemoryCanvas source(8, 6);
  source.Scramble();
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& [name, scene] : SeedScenes(source.dc())) {
    HDC recorder = CreateMetaFile(nullptr);
    scene(recorder);
    HMETAFILE metafile = CloseMetaFile(recorder);
    std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
    GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
    DeleteMetaFile(metafile);
    seeds[name] = bits;
  }
  return seeds;
}

// The committed seeds are exactly what the metafile context records, so the fuzzing starts
// from metafiles of today's records. To write them again:
// YB_WRITE_SEEDS=1 platform_win32_tests --gtest_filter='MetafileFuzzReplay.CommittedSeeds*'
TEST(MetafileFuzzReplay, CommittedSeedsAreWhatTheMetafileContextRecords) {
  const auto seeds = WriteSeeds();
  const auto folder = SeedFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const auto committed = CommittedSeeds();
  EXPECT_EQ(committed.size(), seeds.size());
  for (const auto& [name, bytes] : seeds)
    EXPECT_EQ(ReadWhole(folder / name), bytes) << name;
}

}  // namespace
